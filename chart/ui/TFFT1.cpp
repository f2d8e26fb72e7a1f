#include "chart/ui/TFFT1.h"

#include <QMenuBar>
#include <QVBoxLayout>

#include "base/AtomicFile.h"
#include "base/ui/DialogService.h"
#include "base/ui/ControlEvents.h"
#include "chart/ChartTable.h"
#include "chart/SpectrumListing.h"

TFFT1::TFFT1(ChartHost& host, ChartSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      host_(host),
      session_(session) {
  SetUpToolWindow(this, "FFT1", "FFT1");
  auto* layout = new QVBoxLayout(this);
  auto* menu = new QMenuBar(this);
  QMenu* file = menu->addMenu("File");
  copytoclipboard1 = file->addAction("Save to .CSV file");
  copytoclipboard1->setObjectName("copytoclipboard1");
  layout->setMenuBar(menu);
  Memo1 = Named<QPlainTextEdit>("Memo1", this);
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(Memo1);
  Button1 = Named<QPushButton>("Button1", "Analyze", this);
  layout->addWidget(Button1);
  setFixedSize(320, 420);
  connect(Button1, &QPushButton::clicked, this, &TFFT1::Button1Click);
  connect(copytoclipboard1, &QAction::triggered, this, &TFFT1::copytoclipboard1Click);
}

void TFFT1::Button1Click() {
  const auto& lines = host_.Table().Lines();
  const int version = host_.CsvVersion();
  const SpectrumResult r = SpectrumListing(lines, version, session_.FftLength,
                                           static_cast<double>(RecordsPerSecond(lines, host_.TimingFrameRate())), false);
  if (!r.Error.empty()) {
    Memo1->clear();
    for (const auto& t : r.FieldTexts) Memo1->appendPlainText(QString::fromStdString(t));
    Dialogs().ShowError(QString::fromStdString(r.Error));
    return;
  }
  if (!r.Done) return;
  QString text;
  for (const auto& l : r.Lines) text += QString::fromStdString(l) + '\n';
  text.chop(1);
  Memo1->setPlainText(text);
}

void TFFT1::copytoclipboard1Click() {
  const QString chosen = Dialogs().GetSaveFileName("Save to .CSV file", {}, "CSV file (*.csv)");
  if (chosen.isEmpty()) return;
  const std::string name = chosen.toStdString();
  // The listing's lines unchanged, with the CR LF line ends of result files.
  std::string data;
  if (!Memo1->toPlainText().isEmpty())
    for (const QString& row : Memo1->toPlainText().split('\n')) data += row.toStdString() + "\r\n";
  std::string error;
  if (!WriteFileAtomic(name, data, &error)) Dialogs().ShowError(QString::fromStdString(error));
}
