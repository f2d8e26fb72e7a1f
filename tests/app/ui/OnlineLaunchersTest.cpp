// The main window's launchers of the update, browser and index windows.
#include <QAction>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>

#include "MainRoadFixture.h"
#include "online/ui/TBrowser1.h"
#include "online/ui/TDataViewer.h"
#include "online/ui/TWebAccess.h"
#include "online/ui/WebBrowserControl.h"
#include "support/TemporaryFolder.h"

namespace {

// Runs `inspect` on the modal window once it is up, then closes it.
template <class Window, class Inspect>
void WhenModalOpens(TPlatform& main, Inspect inspect) {
  QTimer::singleShot(0, &main, [&main, inspect] {
    Window* w = main.findChild<Window*>();
    ASSERT_NE(w, nullptr);
    inspect(*w);
    w->close();
  });
}

}  // namespace

TEST(OnlineLaunchers, SoftwareUpdateOpensTheUpdateWindowModally) {
  TemporaryFolder site;
  site.Write("info.txt", "1.0.0.1 Orvane\r\n");
  ::setenv("TESSARY_UPDATE_FOLDER", ("file://" + site.Path().string()).c_str(), 1);
  MainRoadWindow m(Reader::OwnAvi);
  QAction* update = m.Find<QAction>("SoftwareUpdate1");
  EXPECT_EQ(update->text(), "Software Update");
  EXPECT_TRUE(update->isEnabled());
  QStringList memo;
  WhenModalOpens<TWebAccess>(m.W(), [&memo](TWebAccess& w) {
    EXPECT_TRUE(w.isModal());
    memo = w.Memo1->toPlainText().split('\n');
  });
  update->trigger();
  ::unsetenv("TESSARY_UPDATE_FOLDER");
  EXPECT_EQ(memo, (QStringList{"This program is Ver.1.0.0.1 Orvane.",
                               "This program is the newest version. Update is not necessary."}));
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(m.W().findChild<TWebAccess*>(), nullptr);
}

TEST(OnlineLaunchers, Button38OpensTheIndexWindowModally) {
  std::vector<QUrl> opened;
  ScopedUrlOpener opener([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  MainRoadWindow m(Reader::OwnAvi);
  WhenModalOpens<TDataViewer>(m.W(), [](TDataViewer& v) {
    EXPECT_TRUE(v.isModal());
    v.Button1->click();
  });
  m.Click("Button38");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened[0].toString(QUrl::FullyEncoded).endsWith("Index%20Asteroidal%20Occultation%20Worldwide.xls"));
}

TEST(OnlineLaunchers, WebBrowserCommandOpensANewBrowserEachTime) {
  MainRoadWindow m(Reader::OwnAvi);
  QAction* browser = m.Find<QAction>("WebBrowser1");
  EXPECT_FALSE(browser->isVisible());
  EXPECT_EQ(browser->shortcut(), QKeySequence("Ctrl+W"));
  EXPECT_EQ(m.Find<QShortcut>("WebBrowser1Shortcut")->key(), QKeySequence("Ctrl+W"));
  browser->trigger();
  emit m.Find<QShortcut>("WebBrowser1Shortcut")->activated();
  const auto windows = m.W().findChildren<TBrowser1*>();
  ASSERT_EQ(windows.size(), 2);
  for (TBrowser1* b : windows) {
    EXPECT_TRUE(b->isVisible());
    EXPECT_FALSE(b->isModal());
    EXPECT_FALSE(b->BackButton->isEnabled());
    b->close();
  }
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(m.W().findChildren<TBrowser1*>().isEmpty());
}
