#pragma once
// 'RestoreNoTimeRecorded': loads a capture program's settings log so that a
// video recorded without time stamps gets a time for every frame. The log's
// values live in a CaptureLogState owned by the main window; this window shows
// and changes them and may be closed and opened again at any time.
#include <QWidget>
#include <array>
#include <functional>

#include "video/CaptureLog.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

struct CaptureLogHost {
  // While a run measures the log is neither loaded nor reset: the run's rows
  // would take their times from two sources.
  std::function<bool()> measuring;
  // The frames of the open video, 0 when none: a log counting others is told.
  std::function<int()> videoFrames;
  // A log that times the frames was loaded: the open video is timed by it from now on.
  std::function<void()> loaded;
};

class TRestoreNoTimeRecorded : public QWidget {
  Q_OBJECT
 public:
  // Placed 300 pixels right of and 50 below the opener's top-left corner; freed on close.
  TRestoreNoTimeRecorded(CaptureLogState& state, QWidget* opener, CaptureLogHost host = {});
  ~TRestoreNoTimeRecorded() override;

  void Button1Click();  // 'Load Camera setting file'
  void Button2Click();  // 'Reset'
  void Edit21Exit();    // the capture program's frame rate
  void ShowNominalRate();  // Edit21 from the state
  // The time of frame n as the log gives it (Edit17..Edit20).
  void ShowFrameTime(int n, const CaptureLogFrameTime& t);

  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  std::array<QLineEdit*, 21> Edits{};  // Edit1..Edit21 at 0..20
  QLineEdit* Edit(int i) const { return Edits[static_cast<size_t>(i - 1)]; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowSavedTexts();
  bool RefusedDuringRun() const;
  CaptureLogState& state_;
  CaptureLogHost host_;
};
