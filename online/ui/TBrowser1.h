#pragma once
// "Browser1": a plain web browser with back, forward, home, refresh, stop and
// an address field.
#include <QWidget>

#include "base/ui/ControlsForward.h"

class TWebBrowserControl;

class TBrowser1 : public QWidget {
  Q_OBJECT
 public:
  explicit TBrowser1(QWidget* parent = nullptr);

  QToolBar* ToolBar1 = nullptr;
  QToolButton* BackButton = nullptr;
  QToolButton* ForwardButton = nullptr;
  QToolButton* HomeButton = nullptr;
  QToolButton* RefreshButton = nullptr;
  QToolButton* StopButton = nullptr;
  QLineEdit* Edit1 = nullptr;  // the address
  QToolButton* NavigateButton = nullptr;
  TWebBrowserControl* WebBrowser1 = nullptr;

  void BackButtonClick();
  void ForwardButtonClick();
  void HomeButtonClick();
  void RefreshButtonClick();
  void StopButtonClick();
  void NavigateButtonClick();

 private:
  void ShowHistoryButtons();
};
