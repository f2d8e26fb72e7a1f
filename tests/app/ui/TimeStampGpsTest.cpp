// 'LongLat recognition' reads the IOTA-VTI GPS screen of the frame on screen
// into the station record.
#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <string>

#include "MainRoadFixture.h"
#include "online/MapPage.h"
#include "online/ui/TMap.h"
#include "online/ui/WebBrowserControl.h"
#include "support/StampRender.h"

namespace {

void DrawLine(Bitmap24& f, const std::string& text, double x0, double pitch, int top,
              StampFont font = StampFont::Iota) {
  std::vector<int> xs;
  for (size_t i = 0; i < text.size(); ++i) xs.push_back(static_cast<int>(std::floor(x0 + pitch * i + 0.5)));
  const StampGlyphStyle s{font, 2, pitch, 4, 2, 2, 220, 1};
  DrawStampText(f, text, xs, top, s);
  DrawStampText(f, text, xs, top - 1, s);
}

const double kGpsPitch = (615.0 - 178.0) / 18.0;

// The IOTA-VTI GPS screen of a station at 35o 41.2345' N, 139o 38.1234' W,
// or at the coordinates the rows show.
Bitmap24 GpsScreen(const std::string& latitude_row = "     3541 2345 N",
                   const std::string& longitude_row = "      13938 1234 W") {
  Bitmap24 f(720, 480);
  FillFrame(f, 16);
  AddFrameNoise(f, 6, 9);
  DrawLine(f, "       11       0 9", 178, kGpsPitch, 35);
  DrawLine(f, "21 43 05 2026 12 06", 178, kGpsPitch, 71);
  DrawLine(f, latitude_row, 178, kGpsPitch, 107);
  DrawLine(f, longitude_row, 178, kGpsPitch, 143);
  DrawLine(f, "     123 4", 178, kGpsPitch, 179);
  DrawLine(f, "             32 1", 178, kGpsPitch, 215);
  return f;
}

// Pure blue pixels of the shown image in the columns left..right-1.
int BluePixels(MainRoadWindow& m, int left, int right) {
  const QImage shown = m.Find<QLabel>("Image1")->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
  int n = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = std::max(left, 0); x < std::min(right, shown.width()); ++x)
      if (shown.pixelColor(x, y) == QColor(0, 0, 255)) ++n;
  return n;
}

// A GHS video whose GPS line (at 35o 41' 22.2" S, 139o 38' 12.3" W, or as
// `line` shows) starts at the line's fixed place, opened with the GHS inserter
// chosen; a video of another width carries the line scaled across.
bool OpenGhsGpsLine(MainRoadWindow& m, int width = 720, const std::string& line = "W139 38 12 3 S35 41 22 2") {
  const double k = width / 720.0;
  Bitmap24 f(width, 480);
  FillFrame(f, 16);
  DrawLine(f, line, (180 + 1.5 * 20.5) * k, 20.5 * k, 386, StampFont::Ghs);
  AviWriterOptions thirty;
  thirty.rate = 30;
  const auto path = m.Path("ghs.avi");
  if (!WriteAvi(path.string(), {f, f}, thirty) || !m.OpenThroughButton1(path)) return false;
  auto* combo = m.Find<QComboBox>("ComboBox1");
  combo->setCurrentIndex(2);
  emit combo->activated(2);
  return true;
}

}  // namespace

TEST(TimeStampGps, LongLatRecognitionReadsTheStation) {
  MainRoadWindow m(Reader::Ffmpeg);
  const double pitch = kGpsPitch;
  const auto path = m.Path("gps.avi");
  ASSERT_TRUE(WriteAvi(path.string(), {GpsScreen(), GpsScreen()}));
  m.W().Station.satellites = "untouched";
  m.Click("Button39");  // no video yet: nothing read
  EXPECT_EQ(m.W().Station.satellites, "untouched");
  ASSERT_TRUE(m.OpenThroughButton1(path));
  auto* combo = m.Find<QComboBox>("ComboBox1");  // the GPS texts are IOTA-VTI's
  combo->setCurrentIndex(0);
  emit combo->activated(0);
  EXPECT_EQ(BluePixels(m, 0, 720), 0);
  m.Click("Button39");
  const GpsStation& st = m.W().Station;
  EXPECT_EQ(st.satellites, "11");
  EXPECT_EQ(st.hdop, "0.9");
  EXPECT_EQ(st.utc, "21:43:05 2026-12-06");
  EXPECT_EQ(st.latitude, "3541.2345 N");
  EXPECT_EQ(st.longitude, "13938.1234 W");
  EXPECT_EQ(st.altitude, "123.4 m MSL");
  EXPECT_EQ(st.separation, "32.1 m");
  // Each of the 19 cells of the UTC row is outlined in blue, 28 rows high:
  // the left edge of the first cell is a blue column of 28 pixels.
  const int left = m.W().Stamp.DigitX[10][7] - static_cast<int>(std::floor(pitch / 2 + 0.5));
  EXPECT_EQ(BluePixels(m, left, left + 1), 28);
  EXPECT_GE(BluePixels(m, 0, 720), 19 * 2 * 28);
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// Tools > 'Map' reads the same screen and opens the station map on it.
TEST(TimeStampGps, MapCommandShowsTheStationReadFromTheGpsLine) {
  std::vector<QUrl> opened;
  ScopedUrlOpener opener([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  MainRoadWindow m(Reader::Ffmpeg);
  const auto path = m.Path("gps.avi");
  ASSERT_TRUE(WriteAvi(path.string(), {GpsScreen(), GpsScreen()}));
  QAction* map_command = m.Find<QAction>("Map1");
  map_command->trigger();  // no video: no map
  EXPECT_EQ(m.W().findChild<TMap*>("Map"), nullptr);
  ASSERT_TRUE(m.OpenThroughButton1(path));
  auto* combo = m.Find<QComboBox>("ComboBox1");
  combo->setCurrentIndex(0);
  emit combo->activated(0);
  map_command->trigger();
  auto* map = m.W().findChild<TMap*>("Map");
  ASSERT_NE(map, nullptr);
  EXPECT_TRUE(map->isVisible());
  EXPECT_EQ(map->Memo2->toPlainText().split('\n'),
            (QStringList{"Satellites : 11   HDOP : 0.9", "UTC        : 21:43:05 2026-12-06",
                         "Latitude   :   35o 41' 14.07\" N   (3541.2345 N)",
                         "Longitude  : -139o 38'  7.40\" W   (13938.1234 W)", "Altitude   : 123.4 m MSL",
                         "WGSSeparation : 32.1 m"}));
  EXPECT_EQ(map->Memo1->toPlainText().split('\n')[21],
            "        position: new google.maps.LatLng(35.687242,-139.635390),");
  if (PagesOpenInSystemBrowser()) {
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].isLocalFile());
  }
  delete map;
}

// A frame whose GPS line cannot be read shows no map, not the station read
// earlier from another video.
TEST(TimeStampGps, MapCommandShowsNoStationOfAnEarlierVideo) {
  ScopedUrlOpener opener([](const QUrl&) { return true; });
  MainRoadWindow m(Reader::Ffmpeg);
  Bitmap24 plain(720, 480);
  FillFrame(plain, 16);
  AddFrameNoise(plain, 6, 9);
  ASSERT_TRUE(WriteAvi(m.Path("gps.avi").string(), {GpsScreen(), GpsScreen()}));
  ASSERT_TRUE(WriteAvi(m.Path("plain.avi").string(), {plain, plain}));
  QAction* map_command = m.Find<QAction>("Map1");
  auto* combo = m.Find<QComboBox>("ComboBox1");
  for (const char* video : {"gps.avi", "plain.avi"}) {
    SCOPED_TRACE(video);
    ASSERT_TRUE(m.OpenThroughButton1(m.Path(video)));
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    map_command->trigger();
    auto* map = m.W().findChild<TMap*>("Map");
    EXPECT_EQ(map != nullptr, std::string(video) == "gps.avi");
    delete map;
  }
}

// With a GHS stamp the command reads the GHS GPS line at its fixed place.
TEST(TimeStampGps, MapCommandReadsTheGhsLine) {
  ScopedUrlOpener opener([](const QUrl&) { return true; });
  MainRoadWindow m(Reader::Ffmpeg);
  ASSERT_TRUE(OpenGhsGpsLine(m));
  m.Find<QAction>("Map1")->trigger();
  EXPECT_TRUE(m.W().Options.GhsLocateEnabled);
  auto* map = m.W().findChild<TMap*>("Map");
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->Memo2->toPlainText().split('\n'),
            (QStringList{"Latitude   :    35o 41' 22.2\" S ", "Longitude  :   139o 38' 12.3\" W"}));
  EXPECT_EQ(map->Memo1->toPlainText().split('\n')[13],
            "      var latlng = new google.maps.LatLng(-35.689500,-139.636750);");
  delete map;
}

// The GPS-line diagnostic reads the GHS line near row 387 into the station,
// locating it for the call only.
TEST(TimeStampGps, Button35ReadsTheGhsGpsLine) {
  for (int width : {720, 640, 768}) {
    MainRoadWindow m(Reader::Ffmpeg);
    ASSERT_TRUE(OpenGhsGpsLine(m, width));
    const bool locate = m.W().Options.GhsLocateEnabled;
    ASSERT_TRUE(m.W().Station.latitude.empty());
    m.Click("Button35");
    EXPECT_EQ(m.W().Station.latitude, "  35o 41' 22.2\" S ") << width;
    EXPECT_EQ(m.W().Station.longitude, " 139o 38' 12.3\" W") << width;
    EXPECT_EQ(m.W().Options.GhsLocateEnabled, locate);
  }
}

// KIWI-OSD and Sharp stamps carry no GPS line the command could read: the map
// must not show the station read from a GHS video opened before, nor from the
// video shown before a still picture.
TEST(TimeStampGps, MapCommandForgetsTheStationWhenAnotherPictureIsShown) {
  ScopedUrlOpener opener([](const QUrl&) { return true; });
  Bitmap24 plain(720, 480);
  FillFrame(plain, 16);
  for (int mode : {1, 3}) {
    for (bool still : {false, true}) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << (still ? ", still picture" : ", plain video"));
      MainRoadWindow m(Reader::Ffmpeg);
      ASSERT_TRUE(OpenGhsGpsLine(m));
      QAction* map_command = m.Find<QAction>("Map1");
      map_command->trigger();
      delete m.W().findChild<TMap*>("Map");
      ASSERT_FALSE(m.W().Station.latitude.empty());
      auto* combo = m.Find<QComboBox>("ComboBox1");
      auto choose_mode = [&] {
        combo->setCurrentIndex(mode);
        emit combo->activated(mode);
      };
      choose_mode();
      if (still) {
        QImage picture(720, 480, QImage::Format_RGB888);
        picture.fill(QColor(16, 16, 16));
        const QString bmp = QString::fromStdString(m.Path("plain.bmp").string());
        ASSERT_TRUE(picture.save(bmp, "BMP"));
        m.dialogs.open_file_names.push_back(bmp);
        m.Click("Button22");
        ASSERT_TRUE(m.W().Still.BmpMode);
      } else {
        ASSERT_TRUE(WriteAvi(m.Path("plain.avi").string(), {plain, plain}));
        ASSERT_TRUE(m.OpenThroughButton1(m.Path("plain.avi")));
        choose_mode();  // the opening takes the inserter type of the settings file
      }
      ASSERT_EQ(m.W().Options.TimeStampMode, mode);
      map_command->trigger();
      auto* map = m.W().findChild<TMap*>("Map");
      EXPECT_EQ(map, nullptr);
      delete map;
    }
  }
}

// A GPS line read only in part opens the map window on the texts as read and
// the note, never on a marker put at another place: a lost last decimal made
// the southern station northern, a lost minute digit moved it by 70 km.
TEST(TimeStampGps, MapCommandOnAPartlyReadLineShowsTheNote) {
  ScopedUrlOpener opener([](const QUrl&) { return true; });
  const QString note = QString("    <p>") + kNoPositionNote + "</p>";
  {
    MainRoadWindow m(Reader::Ffmpeg);
    const auto path = m.Path("gps.avi");
    const Bitmap24 screen = GpsScreen("     3541 234  S");
    ASSERT_TRUE(WriteAvi(path.string(), {screen, screen}));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    auto* combo = m.Find<QComboBox>("ComboBox1");
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    m.Find<QAction>("Map1")->trigger();
    auto* map = m.W().findChild<TMap*>("Map");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->Memo2->toPlainText().split('\n'),
              (QStringList{"Satellites : 11   HDOP : 0.9", "UTC        : 21:43:05 2026-12-06", "Latitude   :  3541.234 ?",
                           "Longitude  :  13938.1234 W", kNoPositionNote}));
    EXPECT_EQ(map->Memo1->toPlainText().split('\n')[30], note);
    delete map;
  }
  {
    MainRoadWindow m(Reader::Ffmpeg);
    ASSERT_TRUE(OpenGhsGpsLine(m, 720, "W139 38 12 3 S35 4  22 2"));
    m.Find<QAction>("Map1")->trigger();
    auto* map = m.W().findChild<TMap*>("Map");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->Memo2->toPlainText().split('\n'),
              (QStringList{"Latitude   :    35o 4 ' 22.2\" S ", "Longitude  :   139o 38' 12.3\" W", kNoPositionNote}));
    EXPECT_EQ(map->Memo1->toPlainText().split('\n')[30], note);
    delete map;
  }
}

// Stations on the equator, the date line and just short of whole degrees in
// the south and west, read from the rendered screen: the page's centre and
// marker hold the degrees worked out by hand, in every map window opened on
// it, and a window closed and opened again shows the same.
TEST(TimeStampGps, MapWindowsAtTheEdgesOfTheGlobe) {
  ScopedUrlOpener opener([](const QUrl&) { return true; });
  struct Case {
    const char* latitude_row;
    const char* longitude_row;
    const char* latlng;  // 35 + 59.9999 / 60 = 35.9999983
    QStringList lines;   // the lines under the map from the third on
  };
  const Case cases[] = {
      {"     3559 9999 S", "      00059 9999 W", "-35.999998,-0.999998",
       {"Latitude   : - 35o 59' 59.99\" S   (3559.9999 S)", "Longitude  : -  0o 59' 59.99\" W   (00059.9999 W)"}},
      {"     0000 0000 N", "      18000 0000 W", "0.000000,-180.000000",
       {"Latitude   :    0o  0'  0.00\" N   (0000.0000 N)", "Longitude  : -180o  0'  0.00\" W   (18000.0000 W)"}},
      {"     0000 0000 S", "      17959 9999 E", "0.000000,179.999998",
       {"Latitude   : -  0o  0'  0.00\" S   (0000.0000 S)", "Longitude  :  179o 59' 59.99\" E   (17959.9999 E)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.latlng);
    MainRoadWindow m(Reader::Ffmpeg);
    const auto path = m.Path("gps.avi");
    const Bitmap24 screen = GpsScreen(c.latitude_row, c.longitude_row);
    ASSERT_TRUE(WriteAvi(path.string(), {screen, screen}));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    auto* combo = m.Find<QComboBox>("ComboBox1");
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    const QStringList want = QStringList{"Satellites : 11   HDOP : 0.9", "UTC        : 21:43:05 2026-12-06"} + c.lines +
                             QStringList{"Altitude   : 123.4 m MSL", "WGSSeparation : 32.1 m"};
    auto check = [&](TMap* map) {
      ASSERT_NE(map, nullptr);
      EXPECT_TRUE(map->isVisible());
      EXPECT_EQ(map->Memo2->toPlainText().split('\n'), want);
      const QStringList page = map->Memo1->toPlainText().split('\n');
      EXPECT_EQ(page[13], QString("      var latlng = new google.maps.LatLng(%1);").arg(c.latlng));
      EXPECT_EQ(page[21], QString("        position: new google.maps.LatLng(%1),").arg(c.latlng));
    };
    QAction* map_command = m.Find<QAction>("Map1");
    map_command->trigger();
    map_command->trigger();
    QList<TMap*> maps = m.W().findChildren<TMap*>("Map");
    ASSERT_EQ(maps.size(), 2);
    for (TMap* map : maps) check(map);
    QPointer<TMap> first = maps[0];
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    check(maps[1]);
    map_command->trigger();
    maps = m.W().findChildren<TMap*>("Map");
    ASSERT_EQ(maps.size(), 2);
    for (TMap* map : maps) check(map);
    qDeleteAll(maps);
  }
}
