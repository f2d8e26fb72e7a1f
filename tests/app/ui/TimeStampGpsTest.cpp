// 'LongLat recognition' reads the IOTA-VTI GPS screen of the frame on screen
// into the station record.
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "MainRoadFixture.h"
#include "support/StampRender.h"

namespace {

void DrawLine(Bitmap24& f, const std::string& text, double x0, double pitch, int top) {
  std::vector<int> xs;
  for (size_t i = 0; i < text.size(); ++i) xs.push_back(static_cast<int>(std::floor(x0 + pitch * i + 0.5)));
  const StampGlyphStyle s{StampFont::Iota, 2, pitch, 4, 2, 2, 220, 1};
  DrawStampText(f, text, xs, top, s);
  DrawStampText(f, text, xs, top - 1, s);
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

}  // namespace

TEST(TimeStampGps, LongLatRecognitionReadsTheStation) {
  MainRoadWindow m(Reader::Ffmpeg);
  const double pitch = (615.0 - 178.0) / 18.0;
  Bitmap24 f(720, 480);
  FillFrame(f, 16);
  AddFrameNoise(f, 6, 9);
  DrawLine(f, "       11       0 9", 178, pitch, 35);
  DrawLine(f, "21 43 05 2026 12 06", 178, pitch, 71);
  DrawLine(f, "     3541 2345 N", 178, pitch, 107);
  DrawLine(f, "      13938 1234 W", 178, pitch, 143);
  DrawLine(f, "     123 4", 178, pitch, 179);
  DrawLine(f, "             32 1", 178, pitch, 215);
  const auto path = m.Path("gps.avi");
  ASSERT_TRUE(WriteAvi(path.string(), {f, f}));
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
