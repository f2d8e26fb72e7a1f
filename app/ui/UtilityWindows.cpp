#include "app/ui/UtilityWindows.h"

#include <QAction>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStringDecoder>
#include <QVBoxLayout>
#include <algorithm>

#include "base/AtomicFile.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/Layouts.h"
#include "base/ui/NamedItems.h"
#include "base/ui/DialogService.h"

namespace {

constexpr size_t kMaxScriptBytes = 16u << 20;

QString FolderOf(const QString& file) { return file.isEmpty() ? QString() : QFileInfo(file).absolutePath(); }

}  // namespace

// ---- AviSynth editor ----

TAvsEdit::TAvsEdit(const QString& file, QWidget* opener) : QWidget(opener, Qt::Window | Qt::WindowStaysOnTopHint) {
  SetUpToolWindow(this, "AvsEdit", "AvsEdit");
  auto* bar = new QMenuBar(this);
  QMenu* menu = bar->addMenu("File");
  OpenAVSFile1 = NamedAction(menu, "OpenAVSFile1", "Open AVS File");
  SaveAVSFile1 = NamedAction(menu, "SaveAVSFile1", "Save AVS File");
  Saveas1 = NamedAction(menu, "Saveas1", "Save as");
  Memo1 = Named<QPlainTextEdit>("Memo1");
  Button1 = Named<QPushButton>("Button1", "Save");
  Button2 = Named<QPushButton>("Button2", "Close");
  auto* v = new QVBoxLayout(this);
  v->setMenuBar(bar);
  v->addWidget(Memo1, 1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(Button1);
  row->addWidget(Button2);
  v->addLayout(row);
  resize(480, 360);
  connect(OpenAVSFile1, &QAction::triggered, this, &TAvsEdit::OpenAVSFile1Click);
  connect(SaveAVSFile1, &QAction::triggered, this, &TAvsEdit::SaveAVSFile1Click);
  connect(Saveas1, &QAction::triggered, this, &TAvsEdit::Saveas1Click);
  connect(Button1, &QPushButton::clicked, this, &TAvsEdit::SaveAVSFile1Click);
  connect(Button2, &QPushButton::clicked, this, &TAvsEdit::Button2Click);
  LoadFile(file);
}

bool TAvsEdit::LoadFile(const QString& file) {
  const auto text = ReadWholeFile(file.toStdString(), kMaxScriptBytes);
  // A script is text: a binary file saved back from the editor would be damaged.
  if (!text || text->find('\0') != std::string::npos) return false;
  // Scripts from Windows are often in its code page, not UTF-8: such a script
  // is held byte for byte so that saving it keeps its paths as they were.
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
  QString s = utf8(QByteArrayView(text->data(), static_cast<qsizetype>(text->size())));
  raw_bytes_ = utf8.hasError();
  if (raw_bytes_) s = QString::fromLatin1(text->data(), static_cast<qsizetype>(text->size()));
  s.replace("\r\n", "\n").replace('\r', '\n');
  if (s.endsWith('\n')) s.chop(1);
  Memo1->setPlainText(s);
  file_ = file;
  return true;
}

void TAvsEdit::OpenAVSFile1Click() {
  const QString file = Dialogs().GetOpenFileName("Open AVS File", FolderOf(file_), "AviSynth File (*.avs)");
  if (file.isEmpty()) return;
  if (!LoadFile(file)) Dialogs().ShowError("Could not open .AVS file.\r\n" + file);
}

bool TAvsEdit::SaveTo(const QString& file) {
  if (file.isEmpty()) return false;
  QString text = Memo1->toPlainText();
  text.replace('\n', "\r\n");
  if (!text.isEmpty()) text += "\r\n";
  std::string bytes;
  if (raw_bytes_) {
    // Each held byte goes back as it came; only characters typed since need UTF-8.
    for (const char32_t c : text.toUcs4())
      bytes += c < 0x100 ? std::string(1, static_cast<char>(c)) : QString::fromUcs4(&c, 1).toStdString();
  } else {
    bytes = text.toStdString();
  }
  std::string error;
  if (!WriteFileAtomic(file.toStdString(), bytes, &error)) {
    Dialogs().ShowError("Could not save " + file + "\r\n" + QString::fromStdString(error));
    return false;
  }
  return true;
}

// Saves to the script this editor loaded last, not to whatever the main
// window's dialog chose since.
void TAvsEdit::SaveAVSFile1Click() { SaveTo(file_); }

void TAvsEdit::Saveas1Click() {
  QString file = Dialogs().GetSaveFileName("Save as", FolderOf(file_), "AviSynth File (*.avs)");
  if (file.isEmpty()) return;
  const QFileInfo info(file);
  file = info.path() + "/" + info.completeBaseName() + ".avs";
  if (SaveTo(file)) file_ = file;
}

// ---- colour values ----

TColorValueDisplay::TColorValueDisplay(QWidget* opener) : QWidget(opener, Qt::Window | Qt::WindowStaysOnTopHint) {
  SetUpToolWindow(this, "ColorValueDisplay", "Measurement");
  // Rows of the plane sums (blue, green, red) and values of the selected
  // object, each for the blocks Top (field 1), Bottom (field 2) and Frame.
  auto* box = new QGroupBox("Observation");
  auto* g = new QGridLayout(box);
  Edit14 = Named<QLineEdit>("Edit14");
  Edit15 = Named<QLineEdit>("Edit15");
  Edit16 = Named<QLineEdit>("Edit16");
  Edit17 = Named<QLineEdit>("Edit17");
  const char* labels[] = {"Star", "BKG", "Calcurate", "Frame"};
  QLineEdit* edits[] = {Edit14, Edit15, Edit16, Edit17};
  for (int i = 0; i < 4; ++i) {
    edits[i]->setReadOnly(true);
    if (i < 3) edits[i]->setToolTip("Top | Bottom | Frame");
    g->addWidget(new QLabel(labels[i]), i, 0);
    g->addWidget(edits[i], i, 1);
  }
  auto* v = new QVBoxLayout(this);
  v->addWidget(box);
  if (opener) setGeometry(opener->x() + 5, opener->y() + 533, 204, 183);
}

void TColorValueDisplay::ShowSums(const ApertureSums& sums, const ApertureReadout& readout, int frame) {
  // Blocks in the order of the header: field 1, field 2, the whole frame.
  constexpr int kOrder[] = {1, 2, 0};
  auto Planes = [&](auto member) {
    std::string text;
    for (int b : kOrder) {
      if (!text.empty()) text += " | ";
      const auto& planes = sums[static_cast<size_t>(b)].*member;
      for (size_t p = 0; p < 3; ++p) {
        if (p) text += ' ';
        text += FormatInt(static_cast<int64_t>(RoundHalfEven(planes[p])));
      }
    }
    return QString::fromStdString(text);
  };
  Edit14->setText(Planes(&ApertureBlockSums::Aperture));
  Edit15->setText(Planes(&ApertureBlockSums::Background));
  std::string values;
  for (int b : kOrder) values += (values.empty() ? "" : " | ") + readout.Value[static_cast<size_t>(b)];
  Edit16->setText(QString::fromStdString(values));
  Edit17->setText(QString::number(frame));
}

// ---- step log ----

TDshowErrors::TDshowErrors(const std::vector<std::string>& lines, QWidget* opener)
    : QWidget(opener, Qt::Window | Qt::WindowStaysOnTopHint) {
  SetUpToolWindow(this, "DshowErrors", "Result of DirectShow's process");
  Memo1 = Named<QPlainTextEdit>("Memo1");
  Memo1->setReadOnly(true);
  for (const std::string& line : lines) Memo1->appendPlainText(QString::fromStdString(line));
  ErrorOfDshow = Named<QPushButton>("ErrorOfDshow", "Close");
  auto* v = new QVBoxLayout(this);
  v->addWidget(Memo1, 1);
  v->addWidget(ErrorOfDshow);
  connect(ErrorOfDshow, &QPushButton::clicked, this, &QWidget::close);
  resize(420, 300);
}

// ---- image panning ----

TIMGWindowSetting::TIMGWindowSetting(int frame_width, int frame_height,
                                     std::function<void(Qt::Orientation, int)> scrolled, QWidget* opener)
    : QWidget(opener, Qt::Window | Qt::WindowStaysOnTopHint), scrolled_(std::move(scrolled)) {
  SetUpToolWindow(this, "IMGWindowSetting", "IMG Window Setting");
  ScrollBar1 = Named<QScrollBar>("ScrollBar1", Qt::Horizontal);
  ScrollBar2 = Named<QScrollBar>("ScrollBar2", Qt::Vertical);
  SetFrameSize(frame_width, frame_height);
  auto* g = new QGridLayout(this);
  AddGridRow(g, 0, {ScrollBar1, ScrollBar2});
  connect(ScrollBar1, &QScrollBar::valueChanged, this, &TIMGWindowSetting::ScrollBar1Change);
  connect(ScrollBar2, &QScrollBar::valueChanged, this, &TIMGWindowSetting::ScrollBar2Change);
  resize(300, 120);
  if (opener) move(opener->x() + 10, opener->y() + 10);
}

void TIMGWindowSetting::SetFrameSize(int frame_width, int frame_height) {
  const QSignalBlocker bx(ScrollBar1), by(ScrollBar2);
  // A frame smaller than the 720 x 540 view has nothing to pan.
  ScrollBar1->setRange(0, std::max(0, frame_width - 720));
  ScrollBar2->setRange(0, std::max(0, frame_height - 540));
}

// Each bar pans its own direction only: the other bar may stand clamped short
// of where the view was panned by its own scroll bars.
void TIMGWindowSetting::ScrollBar1Change() {
  if (scrolled_) scrolled_(Qt::Horizontal, ScrollBar1->value());
}

void TIMGWindowSetting::ScrollBar2Change() {
  if (scrolled_) scrolled_(Qt::Vertical, ScrollBar2->value());
}
