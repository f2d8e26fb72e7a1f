#pragma once
// The main window's small utility windows: the AviSynth script editor, the
// colour-value read-out, the list of the video source's step log and the two
// scroll bars that pan a frame larger than the view. Each stays on top, frees
// itself when closed and is opened at most once (the opener keeps a QPointer).
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "base/ui/ControlsForward.h"
#include "measure/AperturePhotometry.h"

class TAvsEdit : public QWidget {
  Q_OBJECT
 public:
  // `file` is the script the main window's dialog chose; its lines are loaded.
  TAvsEdit(const QString& file, QWidget* opener);

  // Loads `file` into Memo1; false (Memo1 unchanged) when it cannot be read.
  bool LoadFile(const QString& file);
  void OpenAVSFile1Click();
  void SaveAVSFile1Click();  // also Button1
  void Saveas1Click();
  void Button2Click() { close(); }
  // The script this editor saves to: the one it loaded last.
  const QString& FileName() const { return file_; }

  QPlainTextEdit* Memo1 = nullptr;
  QAction* OpenAVSFile1 = nullptr;
  QAction* SaveAVSFile1 = nullptr;
  QAction* Saveas1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 private:
  bool SaveTo(const QString& file);
  QString file_;
  bool raw_bytes_ = false;  // the script is not UTF-8: Memo1 holds one character per byte
};

class TColorValueDisplay : public QWidget {
  Q_OBJECT
 public:
  explicit TColorValueDisplay(QWidget* opener);
  // The selected object's plane sums and values of the frame just measured.
  void ShowSums(const ApertureSums& sums, const ApertureReadout& readout, int frame);
  QLineEdit* Edit14 = nullptr;
  QLineEdit* Edit15 = nullptr;
  QLineEdit* Edit16 = nullptr;
  QLineEdit* Edit17 = nullptr;
};

class TDshowErrors : public QWidget {
  Q_OBJECT
 public:
  TDshowErrors(const std::vector<std::string>& lines, QWidget* opener);
  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* ErrorOfDshow = nullptr;  // 'Close'
};

class TIMGWindowSetting : public QWidget {
  Q_OBJECT
 public:
  // `scrolled(orientation, value)` runs after each change of a bar: the
  // horizontal bar pans x, the vertical bar y.
  TIMGWindowSetting(int frame_width, int frame_height, std::function<void(Qt::Orientation, int)> scrolled,
                    QWidget* opener);
  void ScrollBar1Change();
  void ScrollBar2Change();
  // The bars' maxima for a frame of this size; the positions are not passed on.
  void SetFrameSize(int frame_width, int frame_height);
  QScrollBar* ScrollBar1 = nullptr;
  QScrollBar* ScrollBar2 = nullptr;

 private:
  std::function<void(Qt::Orientation, int)> scrolled_;
};
