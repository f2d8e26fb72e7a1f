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
#include "online/ui/TMap.h"
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

// With a KIWI-OSD stamp nothing is read; the map opens only on a station with
// both coordinates.
TEST(OnlineLaunchers, MapNeedsLatitudeAndLongitudeForOtherInserters) {
  std::vector<QUrl> opened;
  ScopedUrlOpener opener([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  MainRoadWindow m(Reader::OwnAvi);
  Bitmap24 f(320, 240);
  ASSERT_TRUE(WriteAvi(m.Path("plain.avi").string(), {f, f}));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("plain.avi")));
  ASSERT_EQ(m.W().Options.TimeStampMode, 1);
  m.W().Station = GpsStation{};
  m.W().Station.latitude = "  35o 42' 35.9\" S ";
  QAction* map_command = m.Find<QAction>("Map1");
  map_command->trigger();
  EXPECT_EQ(m.W().findChild<TMap*>("Map"), nullptr);
  m.W().Station.longitude = " 139o 48' 38.5\" E ";
  map_command->trigger();
  auto* map = m.W().findChild<TMap*>("Map");
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->Memo2->toPlainText().split('\n'),
            (QStringList{"Latitude   :    35o 42' 35.9\" S ", "Longitude  :   139o 48' 38.5\" E "}));
  EXPECT_EQ(map->Memo1->toPlainText().split('\n')[13],
            "      var latlng = new google.maps.LatLng(-35.709972,139.810694);");
  if (PagesOpenInSystemBrowser()) {
    EXPECT_EQ(opened.size(), 1u);
  }
  delete map;
}
