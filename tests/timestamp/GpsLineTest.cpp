// GPS screens of IOTA-VTI and GHS inserters, generated and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/AviWriter.h"
#include "support/StampContexts.h"
#include "support/StampDegrade.h"
#include "support/StampRender.h"
#include "support/TestFolder.h"
#include "support/VideoFixtures.h"
#include "timestamp/GpsLine.h"

namespace {

// Draws `text` with character i on cell i of a line starting at x0.
// At the GHS GPS pitch the cell grid is wider than the pitch, so the glyphs
// keep a one-pixel margin as an inserter font does.
void DrawLine(Bitmap24& f, const std::string& text, double x0, double pitch, int top, StampFont font) {
  std::vector<int> xs;
  for (size_t i = 0; i < text.size(); ++i) xs.push_back(static_cast<int>(std::floor(x0 + pitch * i + 0.5)));
  StampGlyphStyle s{font, 2, pitch, 4, 2, 2, kStampStroke, 1};
  DrawStampText(f, text, xs, top, s);
  DrawStampText(f, text, xs, top - 1, s);
}

}  // namespace

TEST(GpsLine, ReadsTheIotaGpsScreen) {
  const double pitch = (615.0 - 178.0) / 18.0;
  Bitmap24 f = NoisyFrame(720, 480, 77);
  // Cell c shows field c + 7.
  DrawLine(f, "       08       1 2", 178, pitch, 35, StampFont::Iota);
  DrawLine(f, "12 34 56 2026 12 06", 178, pitch, 71, StampFont::Iota);
  DrawLine(f, "     3541 2345 S", 178, pitch, 107, StampFont::Iota);
  DrawLine(f, "      13938 1234 E", 178, pitch, 143, StampFont::Iota);
  DrawLine(f, "     123 4", 178, pitch, 179, StampFont::Iota);
  DrawLine(f, "             32 1", 178, pitch, 215, StampFont::Iota);
  GlyphContext ctx = IotaSearchContext(30);
  TimeStampState state;
  GpsStation st;
  const GpsReadResult r = ReadIotaGpsLine(f, ctx, state, st);
  ASSERT_TRUE(r.read);
  EXPECT_EQ(r.outlines.size(), 19u);
  EXPECT_NEAR(static_cast<double>(ctx.gpsCharPitch), pitch, 0.3);
  EXPECT_NEAR(state.DigitX[10][7], 178, 3);
  EXPECT_NEAR(state.DigitX[10][25], 615, 3);
  EXPECT_EQ(st.satellites, "08");
  EXPECT_EQ(st.hdop, "1.2");
  EXPECT_EQ(st.utc, "12:34:56 2026-12-06");
  EXPECT_EQ(st.latitude, "3541.2345 S");
  EXPECT_EQ(st.longitude, "13938.1234 E");
  EXPECT_EQ(st.altitude, "123.4 m MSL");
  EXPECT_EQ(st.separation, "32.1 m");
  EXPECT_EQ(ctx.searchMode, GlyphSearchMode::TimeLine);
  EXPECT_EQ(state.AutoRowOffset0, 2);
}

TEST(GpsLine, IotaScreenWithoutDigitsLeavesTheStation) {
  Bitmap24 f = NoisyFrame(720, 480, 78);
  GlyphContext ctx;
  TimeStampState state;
  GpsStation st;
  st.latitude = "kept";
  EXPECT_FALSE(ReadIotaGpsLine(f, ctx, state, st).read);
  EXPECT_EQ(st.latitude, "kept");
}

// A lone digit where the UTC line starts: no line through the cells, so the
// layout and the station keep what they held.
TEST(GpsLine, IotaScreenWithOneDigitLeavesTheStation) {
  Bitmap24 f = NoisyFrame(720, 480, 80);
  DrawLine(f, "1", 178, (615.0 - 178.0) / 18.0, 71, StampFont::Iota);
  GlyphContext ctx = IotaSearchContext(30);
  TimeStampState state;
  state.DigitX[10][8] = 200;
  GpsStation st;
  st.utc = "kept";
  st.latitude = "kept";
  EXPECT_FALSE(ReadIotaGpsLine(f, ctx, state, st).read);
  EXPECT_EQ(st.utc, "kept");
  EXPECT_EQ(st.latitude, "kept");
  EXPECT_EQ(state.DigitX[10][8], 200);
}

TEST(GpsLine, ReadsTheGhsPosition) {
  const double pitch = 20.5;
  Bitmap24 f = NoisyFrame(720, 480, 79);
  const int x = 120, y = 383;
  const double x0 = x + 1.5 * pitch;
  DrawLine(f, "W139 38 12 3 S35 41 22 2", x0, pitch, y, StampFont::Ghs);
  GlyphContext ctx = GhsSearchContext();
  TimeStampState state;
  StampLocatorState loc;
  LocatorOptions opt;
  opt.ghsLocateEnabled = true;
  GpsStation st;
  st.altitude = "kept";
  const GpsReadResult r = ReadGhsGpsLine(f, x, y, ctx, state, loc, opt, st);
  ASSERT_TRUE(r.read);
  EXPECT_EQ(st.longitude, " 139o 38' 12.3\" W");
  EXPECT_EQ(st.latitude, "  35o 41' 22.2\" S ");
  EXPECT_EQ(st.altitude, "kept");
  EXPECT_NEAR(state.DigitX[20][7], x0 + pitch, 2);

  // Not at 25 frames per second, and not without the locating flag.
  ctx.frameRateRounded = 25;
  EXPECT_FALSE(ReadGhsGpsLine(f, x, y, ctx, state, loc, opt, st).read);
  ctx.frameRateRounded = 30;
  opt.ghsLocateEnabled = false;
  EXPECT_FALSE(ReadGhsGpsLine(f, x, y, ctx, state, loc, opt, st).read);
}

// The IOTA-VTI GPS screen as a camera and a recorder deliver it: every field
// reads as it did on the clean screen.
TEST(GpsLine, IotaGpsScreenReadsThroughNoiseBlurAndMpeg2) {
  const double pitch = (615.0 - 178.0) / 18.0;
  auto Screen = [&] {
    Bitmap24 f(720, 480);
    FillFrame(f, kStampDark);
    DrawLine(f, "       11       0 9", 178, pitch, 35, StampFont::Iota);
    DrawLine(f, "23 59 58 2026 12 31", 178, pitch, 71, StampFont::Iota);
    DrawLine(f, "     4807 6543 N", 178, pitch, 107, StampFont::Iota);
    DrawLine(f, "      00218 2789 W", 178, pitch, 143, StampFont::Iota);
    DrawLine(f, "     1520 7", 178, pitch, 179, StampFont::Iota);
    DrawLine(f, "             47 5", 178, pitch, 215, StampFont::Iota);
    return f;
  };
  struct Row {
    const char* name;
    StampDegradation d;
    bool mpeg2;
  };
  std::vector<Row> rows(6);
  rows[0].name = "noise";
  rows[0].d.noiseSigma = 8;
  rows[1].name = "dim and grey";
  rows[1].d.gain = 0.5;
  rows[1].d.offset = 60;
  rows[2].name = "two lines lower";
  rows[2].d.shiftY = 2;
  rows[3].name = "blurred";
  rows[3].d.blur = true;
  rows[4].name = "MPEG-2";
  rows[4].d.noiseSigma = 3;
  rows[4].mpeg2 = true;
  rows[5].name = "blurred MPEG-2";
  rows[5].d.blur = true;
  rows[5].mpeg2 = true;
  TestFolder dir;
  uint32_t seed = 90;
  for (const Row& r : rows) {
    Bitmap24 f = Screen();
    DegradeStampFrame(f, r.d, seed++);
    if (r.mpeg2) {
      const std::string raw = (dir / "gps.avi").string(), coded = (dir / "gps.mpg").string();
      ASSERT_TRUE(WriteAvi(raw, {f, f}));
      ASSERT_TRUE(RunFfmpeg("-i '" + raw + "' -c:v mpeg2video -b:v 3000k -flags +ilme+ildct '" + coded + "'"));
      const std::vector<Bitmap24> decoded = FfmpegBgr24Frames(coded, 720, 480);
      ASSERT_FALSE(decoded.empty()) << r.name;
      f = decoded.back();
    }
    GlyphContext ctx = IotaSearchContext(30);
    TimeStampState state;
    GpsStation st;
    ASSERT_TRUE(ReadIotaGpsLine(f, ctx, state, st).read) << r.name;
    EXPECT_EQ(st.satellites, "11") << r.name;
    EXPECT_EQ(st.hdop, "0.9") << r.name;
    EXPECT_EQ(st.utc, "23:59:58 2026-12-31") << r.name;
    EXPECT_EQ(st.latitude, "4807.6543 N") << r.name;
    EXPECT_EQ(st.longitude, "00218.2789 W") << r.name;
    EXPECT_EQ(st.altitude, "1520.7 m MSL") << r.name;
    EXPECT_EQ(st.separation, "47.5 m") << r.name;
  }
}

namespace {

// A GPS screen whose coordinate rows show `lat` and `lng` (cell c shows field
// c + 7) and whose UTC row shows `utc`, read by the IOTA-VTI reader.
GpsStation ReadIotaCoordinates(const std::string& lat, const std::string& lng,
                               const std::string& utc = "12 34 56 2026 12 06") {
  const double pitch = (615.0 - 178.0) / 18.0;
  Bitmap24 f = NoisyFrame(720, 480, 81);
  DrawLine(f, "       08       1 2", 178, pitch, 35, StampFont::Iota);
  DrawLine(f, utc, 178, pitch, 71, StampFont::Iota);
  DrawLine(f, lat, 178, pitch, 107, StampFont::Iota);
  DrawLine(f, lng, 178, pitch, 143, StampFont::Iota);
  GlyphContext ctx = IotaSearchContext(30);
  TimeStampState state;
  GpsStation st;
  EXPECT_TRUE(ReadIotaGpsLine(f, ctx, state, st).read);
  return st;
}

}  // namespace

// The hemisphere letter is read in the cell after the decimals. When the
// last decimal cannot be read, that cell is the blank before the letter:
// the hemisphere is unknown, not the northern or eastern one.
TEST(GpsLine, IotaHemisphereThatCannotBeReadIsUnknown) {
  const struct {
    const char *lat, *lng, *readLat, *readLng;
  } rows[] = {
      {"     3541 2345 S", "      13938 1234 W", "3541.2345 S", "13938.1234 W"},
      {"     3541 2345 N", "      13938 1234 E", "3541.2345 N", "13938.1234 E"},
      {"     3541 2345  ", "      13938 1234  ", "3541.2345 ?", "13938.1234 ?"},  // no letters shown
      {"     3541 234  S", "      13938 123  W", "3541.234 ?", "13938.123 ?"},    // last decimal unreadable
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.lat) + r.lng);
    const GpsStation st = ReadIotaCoordinates(r.lat, r.lng);
    EXPECT_EQ(st.latitude, r.readLat);
    EXPECT_EQ(st.longitude, r.readLng);
  }
}

// A UTC digit that cannot be read shows as "?", not as a 0 that was never there.
TEST(GpsLine, IotaUtcDigitThatCannotBeReadIsMarked) {
  const GpsStation st = ReadIotaCoordinates("     3541 2345 S", "      13938 1234 W", "12 3  56 2026 1  06");
  EXPECT_EQ(st.utc, "12:3?:56 2026-1?-06");
  EXPECT_EQ(st.latitude, "3541.2345 S");
}
