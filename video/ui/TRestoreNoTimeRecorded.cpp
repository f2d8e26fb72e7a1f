#include "video/ui/TRestoreNoTimeRecorded.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/NumberText.h"
#include "base/ui/DialogService.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/WindowTeardown.h"

namespace {

const char* const kCaptions[21] = {
    "Year", "Month", "Day", "Hour", "Minute", "Second",                     // start
    "Year", "Month", "Day", "Hour", "Minute", "Second",                     // end
    "Actual frame rate", "Actual exposure (ms)", "Total frame (From 0 tto .....)",
    "Start (100 ns)", "Hour", "Minute", "Rest of minute (100 ns)", "Frame", "Frame rate given by the capture software"};

}  // namespace

TRestoreNoTimeRecorded::TRestoreNoTimeRecorded(CaptureLogState& state, QWidget* opener, CaptureLogHost host)
    : QWidget(opener, Qt::Window), state_(state), host_(std::move(host)) {
  SetUpToolWindow(this, "RestoreNoTimeRecorded", "Add Time to no CMOS time recorded");
  auto* v = new QVBoxLayout(this);
  Memo1 = Named<QPlainTextEdit>("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  v->addWidget(Memo1, 1);
  auto* grid = new QGridLayout;
  for (int i = 0; i < 21; ++i) {
    auto* e = Named<QLineEdit>(QString("Edit%1").arg(i + 1));
    if (i < 20) e->setReadOnly(true);
    // Wide enough for a whole time of day in 100-ns units.
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("0000000000000")) + 12);
    Edits[static_cast<size_t>(i)] = e;
    grid->addWidget(new QLabel(kCaptions[i]), i / 3, (i % 3) * 2);
    grid->addWidget(e, i / 3, (i % 3) * 2 + 1);
  }
  v->addLayout(grid);
  Button1 = Named<QPushButton>("Button1", "Load Camera setting file");
  Button2 = Named<QPushButton>("Button2", "Reset");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  v->addLayout(buttons);
  connect(Button1, &QPushButton::clicked, this, &TRestoreNoTimeRecorded::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TRestoreNoTimeRecorded::Button2Click);
  Edit(21)->installEventFilter(this);
  connect(Edit(21), &QLineEdit::editingFinished, this, &TRestoreNoTimeRecorded::Edit21Exit);

  // FormCreate.
  if (opener) move(opener->pos() + QPoint(300, 50));
  ShowNominalRate();
  if (state_.Loaded())
    Memo1->setPlainText(QString::fromStdString(state_.loadedText));
  else
    Memo1->clear();
  ShowSavedTexts();
}

TRestoreNoTimeRecorded::~TRestoreNoTimeRecorded() { DetachControls(this); }

void TRestoreNoTimeRecorded::ShowSavedTexts() {
  for (int i = 0; i < 20; ++i) Edits[static_cast<size_t>(i)]->setText(QString::fromStdString(state_.savedEdits[static_cast<size_t>(i)]));
}

bool TRestoreNoTimeRecorded::RefusedDuringRun() const {
  if (!host_.measuring || !host_.measuring()) return false;
  Dialogs().ShowWarning(
      "The capture log cannot be loaded or reset while a measurement runs: the frames measured so far were timed "
      "with the log as it is.");
  return true;
}

void TRestoreNoTimeRecorded::Button1Click() {
  if (RefusedDuringRun()) return;
  const QString name = Dialogs().GetOpenFileName("Open", {}, "Text files (*.txt *.log *.ini);;All files (*)");
  if (name.isEmpty()) return;
  std::string error, text;
  CaptureLogState next = state_;
  next.CaptureLogStartTime = 0;  // loaded afterwards only when this file times the frames
  next.CaptureLogTimesFrames = false;
  // An end time or frame count this file lacks must not show the earlier log's.
  next.CaptureLogLastFrame = 0;
  next.CaptureLogCountGiven = false;
  next.savedEdits = {};
  if (!LoadCaptureLogFile(name.toStdString(), next, &error, &text)) {
    Dialogs().ShowError(QString::fromStdString(error));
    return;
  }
  // Parts of this file over a loaded log would mix two captures' dates and times.
  const QString times_nothing =
      "No frame times were taken from this file: it holds no \"ActualFrameRate=\" line after a \"StartCapture=\" line.";
  if (state_.Loaded() && !next.Loaded()) {
    Dialogs().ShowWarning(times_nothing + " The log loaded before stays.");
    return;
  }
  next.loadedText = std::move(text);
  state_ = next;
  Memo1->setPlainText(QString::fromStdString(state_.loadedText));
  ShowSavedTexts();
  // The values shown would pass for a loaded log while no frame gets a time.
  if (!state_.Loaded()) Dialogs().ShowWarning(times_nothing);
  const std::string mismatch = CaptureLogCountMismatch(state_, host_.videoFrames ? host_.videoFrames() : 0);
  if (!mismatch.empty()) Dialogs().ShowWarning(QString::fromStdString(mismatch));
  if (state_.Loaded() && host_.loaded) host_.loaded();
}

void TRestoreNoTimeRecorded::Button2Click() {
  if (RefusedDuringRun()) return;
  Memo1->clear();
  for (int i = 0; i < 20; ++i) Edits[static_cast<size_t>(i)]->clear();
  ResetCaptureLog(state_);
}

void TRestoreNoTimeRecorded::ShowNominalRate() {
  Edit(21)->setText(QString::fromStdString(FormatWidth(state_.CaptureLogNominalFrameRate, 0, 2)));
}

void TRestoreNoTimeRecorded::Edit21Exit() {
  const QString typed = Edit(21)->text();
  if (SetCaptureLogNominalRate(typed.toStdString(), state_)) return;
  // The edit must not show a rate the frames are not sought by.
  ShowNominalRate();
  Dialogs().ShowWarning("\"" + typed + "\" is no frame rate: the frame rate given by the capture software stays " +
                        Edit(21)->text() + ".");
}

void TRestoreNoTimeRecorded::ShowFrameTime(int n, const CaptureLogFrameTime& t) {
  const auto put = [this](int edit, const std::string& text) {
    state_.savedEdits[static_cast<size_t>(edit - 1)] = text;
    Edit(edit)->setText(QString::fromStdString(text));
  };
  put(20, FormatInt(n));
  put(17, FormatInt(t.Hours));
  put(18, FormatInt(t.Minutes));
  put(19, FormatInt(t.RestOfMinute));
}

bool TRestoreNoTimeRecorded::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit(21) && IsEnterKey(event)) Edit21Exit();
  return QWidget::eventFilter(watched, event);
}
