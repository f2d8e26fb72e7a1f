#include "online/ui/TBrowser1.h"

#include <QLineEdit>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "online/ui/WebBrowserControl.h"

#include "base/ui/ControlEvents.h"
#include "base/ui/HandlerTable.h"

namespace {

QToolButton* MakeToolButton(QToolBar* bar, const char* name, const char* text, QStyle::StandardPixmap icon) {
  auto* b = Named<QToolButton>(name, bar);
  b->setText(text);
  b->setToolTip(text);
  b->setIcon(bar->style()->standardIcon(icon));
  bar->addWidget(b);
  return b;
}

}  // namespace

TBrowser1::TBrowser1(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Browser1");
  setWindowTitle("Browser1");
  // Closing ends the window: every menu command opens a new one.
  setAttribute(Qt::WA_DeleteOnClose);
  resize(914, 577);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  ToolBar1 = Named<QToolBar>("ToolBar1", this);
  ToolBar1->setFixedHeight(29);
  BackButton = MakeToolButton(ToolBar1, "BackButton", "Back", QStyle::SP_ArrowBack);
  ForwardButton = MakeToolButton(ToolBar1, "ForwardButton", "Forward", QStyle::SP_ArrowForward);
  HomeButton = MakeToolButton(ToolBar1, "HomeButton", "Home", QStyle::SP_DirHomeIcon);
  RefreshButton = MakeToolButton(ToolBar1, "RefreshButton", "Refresh", QStyle::SP_BrowserReload);
  StopButton = MakeToolButton(ToolBar1, "StopButton", "Stop", QStyle::SP_BrowserStop);
  Edit1 = Named<QLineEdit>("Edit1", "Edit1", ToolBar1);
  Edit1->setFixedWidth(502);
  ToolBar1->addWidget(Edit1);
  NavigateButton = MakeToolButton(ToolBar1, "NavigateButton", "Go", QStyle::SP_MediaPlay);
  WebBrowser1 = Named<TWebBrowserControl>("WebBrowser1", this);
  WebBrowser1->setMinimumSize(905, 473);
  layout->addWidget(ToolBar1);
  layout->addWidget(WebBrowser1, 1);

  const Handlers<TBrowser1> button_handlers = {
      {BackButton, &TBrowser1::BackButtonClick}, {ForwardButton, &TBrowser1::ForwardButtonClick},
      {HomeButton, &TBrowser1::HomeButtonClick}, {RefreshButton, &TBrowser1::RefreshButtonClick},
      {StopButton, &TBrowser1::StopButtonClick}, {NavigateButton, &TBrowser1::NavigateButtonClick}};
  ConnectEach(this, button_handlers);
  connect(Edit1, &QLineEdit::returnPressed, this, &TBrowser1::NavigateButtonClick);
  connect(WebBrowser1, &TWebBrowserControl::HistoryChanged, this, &TBrowser1::ShowHistoryButtons);
  ShowHistoryButtons();
}

// Back and forward only while there is somewhere to go.
void TBrowser1::ShowHistoryButtons() {
  BackButton->setEnabled(WebBrowser1->CanGoBack());
  ForwardButton->setEnabled(WebBrowser1->CanGoForward());
}

void TBrowser1::BackButtonClick() { WebBrowser1->GoBack(); }
void TBrowser1::ForwardButtonClick() { WebBrowser1->GoForward(); }
void TBrowser1::HomeButtonClick() { WebBrowser1->GoHome(); }
void TBrowser1::RefreshButtonClick() { WebBrowser1->Refresh(); }
void TBrowser1::StopButtonClick() { WebBrowser1->Stop(); }
void TBrowser1::NavigateButtonClick() { WebBrowser1->Navigate(Edit1->text()); }
