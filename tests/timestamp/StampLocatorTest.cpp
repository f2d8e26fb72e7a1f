// Locating IOTA-VTI and GHS stamp lines on generated frames, then reading them
// through the located layout.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/StampContexts.h"
#include "support/StampDegrade.h"
#include "support/StampRender.h"
#include "timestamp/StampLocator.h"

namespace {

// Both fields of an IOTA line with four-line glyph rows: field 1 (odd rows)
// from `top`, field 2 (even rows) from top - 1.
Bitmap24 IotaFrame(int w, int h, double x0, double pitch, int top, const std::string& line1,
                   const std::string& line2, uint32_t seed) {
  Bitmap24 f = NoisyFrame(w, h, seed);
  const std::vector<int> xs = IotaCellXs(x0, pitch);
  DrawIotaFields(f, line1, line2, xs, top, pitch);
  return f;
}

// Locates a GHS line from its "U" as choosing GHS does; y receives the row.
bool LocateGhsFromItsU(const Bitmap24& f, GlyphContext& ctx, TimeStampState& state, int& y) {
  StampLocatorState loc;
  LocatorOptions opt;
  opt.ghsLocateEnabled = true;
  int x = 374;
  y = 387;
  return LocateGhsTimeStamp(f, x, y, ctx, state, loc, opt);
}

}  // namespace

TEST(StampLocator, FitLine) {
  LineFit f = FitLine({{0, 10}, {1, 12}, {2, 14}, {3, 16}});
  EXPECT_DOUBLE_EQ(static_cast<double>(f.slope), 2.0);
  EXPECT_DOUBLE_EQ(static_cast<double>(f.intercept), 10.0);
  EXPECT_EQ(f.slopeError, 0);
  EXPECT_EQ(f.interceptError, 0);
  // Points (0,0) (1,1) (2,3): slope 1.5, intercept -1/6, residuals 1/6, -1/3, 1/6.
  f = FitLine({{0, 0}, {1, 1}, {2, 3}});
  EXPECT_NEAR(static_cast<double>(f.slope), 1.5, 1e-15);
  EXPECT_NEAR(static_cast<double>(f.intercept), -1.0 / 6, 1e-15);
  const double r = 1.0 / 36 + 1.0 / 9 + 1.0 / 36, d = 3 * 5 - 9;
  EXPECT_NEAR(static_cast<double>(f.slopeError), 0.6745 * std::sqrt(3 / d * r / 1), 1e-12);
  EXPECT_NEAR(static_cast<double>(f.interceptError), 0.6745 * std::sqrt(5 / d * r / 1), 1e-12);
  // Fewer than three points: no probable errors; a single point has D = 0 (taken as 1).
  f = FitLine({{2, 5}, {4, 9}});
  EXPECT_EQ(f.slopeError, 0);
  EXPECT_DOUBLE_EQ(static_cast<double>(f.slope), 2.0);
  f = FitLine({{3, 7}});
  EXPECT_EQ(f.slopeError, 0);
  EXPECT_EQ(f.slope, 0);
  f = FitLine({});
  EXPECT_EQ(f.intercept, 0);
}

TEST(StampLocator, AlignDigitXFindsTheColumn) {
  GlyphContext ctx;
  ctx.mode = TimeStampMode::Ghs;
  ctx.stampCharPitch = 20;
  ctx.stampBackgroundLevel = kStampStroke - 40;
  ctx.glyphThreshold = 100;
  ctx.digitThreshold = 100;
  Bitmap24 f = NoisyFrame(200, 80, 1);
  DrawStampChar(f, '5', 100, 20, {StampFont::Ghs, 2, 20, 4, 2, 2, kStampStroke});
  for (int start : {94, 97, 100, 103, 106}) {
    int x = start;
    EXPECT_TRUE(AlignDigitX(f, x, 20, ctx, false)) << start;
    EXPECT_NEAR(x, 100, 1) << start;
  }
  int y = 17;
  EXPECT_TRUE(AlignDigitY(f, 100, y, ctx));
  EXPECT_EQ(y, 20);
  int x = 50;
  EXPECT_FALSE(AlignDigitX(NoisyFrame(200, 80, 2), x, 20, ctx, false));
}

// 'IOTA-VTI Wide scan' doubles the columns tried each side (14 instead of 7),
// so a cell predicted well off its digit is still found.
TEST(StampLocator, WideScanReachesADigitFartherAway) {
  GlyphContext ctx;
  ctx.mode = TimeStampMode::Iota;
  ctx.stampCharPitch = 20;
  ctx.stampBackgroundLevel = kStampStroke - 40;
  ctx.glyphThreshold = 100;
  ctx.digitThreshold = 100;
  Bitmap24 f = NoisyFrame(240, 80, 3);
  DrawStampChar(f, '5', 120, 20, {StampFont::Ghs, 2, 20, 4, 2, 2, kStampStroke});
  for (int start : {104, 106, 134, 136}) {
    int wide = start, narrow = start;
    EXPECT_TRUE(AlignDigitX(f, wide, 20, ctx, true)) << start;
    AlignDigitX(f, narrow, 20, ctx, false);
    // One alignment step brings the wide scan within a few columns; the
    // narrow one stays farther off.
    EXPECT_LE(std::abs(wide - 120), 4) << start;
    EXPECT_LT(std::abs(wide - 120), std::abs(narrow - 120)) << start << " narrow " << narrow;
  }
}

TEST(StampLocator, LocatesAndReadsAnIotaLine) {
  struct Row {
    const char* name;
    int w, h, fps, top;
    double x0;
    int expectedRow;
  };
  const Row rows[] = {
      {"NTSC 720", 720, 480, 30, 435, 84, 435},
      {"NTSC 720 shifted right", 720, 480, 30, 435, 88, 435},
      {"NTSC 720 shifted left", 720, 480, 30, 435, 79, 435},
      {"PAL 720", 720, 576, 25, 545, 84, 545},
      {"NTSC 640", 640, 480, 30, 435, 74, 435},
      {"PAL 768, first digit at 96", 768, 576, 25, 545, 96, 545},
      {"PAL 720, first digit at 60", 720, 576, 25, 545, 60, 545},
      {"PAL higher in the frame", 720, 576, 25, 511, 84, 509},
  };
  uint32_t seed = 40;
  for (const Row& r : rows) {
    const double pitch = (540.0 - 82.0) / 19.0 * r.w / 720;
    const std::string line1 = "123456" "0167" "    " "98765432";
    const std::string line2 = "123456" "    " "0333" "98765432";
    Bitmap24 f = IotaFrame(r.w, r.h, r.x0, pitch, r.top, line1, line2, seed++);
    GlyphContext ctx = IotaSearchContext(r.fps);
    TimeStampState state;
    state.FieldOrderState = 0;
    StampLocatorState loc;
    ASSERT_TRUE(LocateIotaTimeStamp(f, ctx, state, loc, {})) << r.name;
    EXPECT_EQ(state.LocatedStampRow, r.expectedRow) << r.name;
    EXPECT_EQ(state.FieldOrderState, 2) << r.name;
    // Each field's glyph top as drawn, the nominal height, and columns that
    // follow the pitch (the generated glyphs fill their cells).
    EXPECT_EQ(state.LocatedFieldTop[0], r.top - 1) << r.name;
    EXPECT_EQ(state.LocatedFieldTop[1], r.top) << r.name;
    EXPECT_EQ(ctx.stampCharHeight, 28) << r.name;
    EXPECT_EQ(ctx.stampCellPitch, 0) << r.name;
    EXPECT_NEAR(static_cast<double>(ctx.stampCharPitch), pitch, 0.3) << r.name;
    ASSERT_EQ(loc.DigitCentres.size(), 22u);
    for (int i = 0; i < 22; ++i)
      // The IOTA alignment moves a column one or two pixels right for most digits.
      EXPECT_NEAR(state.DigitX[5][7 + i], r.x0 + pitch * kIotaStampCells[static_cast<size_t>(i)] + 1.5, 2.6) << r.name << " cell " << i;
    // Read through the located layout.
    ctx.stampLocated = true;
    StampTexts t;
    StampReadOptions opt;
    opt.fieldMeasure = true;
    ReadTimeStamp(f, ctx, opt, state, t);
    EXPECT_EQ(t.StampH1 + t.StampM1 + t.StampS1, "123456") << r.name;
    EXPECT_EQ(t.StampS1Full, "56.0167") << r.name;
    EXPECT_EQ(t.StampS2Full, "56.0333") << r.name;
    EXPECT_EQ(t.StampCount1, "98765432") << r.name;
  }
}

TEST(StampLocator, IotaWithoutAStampLeavesTheLayout) {
  Bitmap24 f = NoisyFrame(720, 480, 3);
  GlyphContext ctx = IotaSearchContext(30);
  TimeStampState state;
  state.DigitX[5][7] = 4242;
  state.FieldOrderState = 1;
  StampLocatorState loc;
  EXPECT_FALSE(LocateIotaTimeStamp(f, ctx, state, loc, {}));
  EXPECT_EQ(state.DigitX[5][7], 4242);
  EXPECT_EQ(state.FieldOrderState, 1);
  SetIotaFallbackLayout(720, ctx, state, loc);
  EXPECT_EQ(state.DigitX[5][7], 88);
  EXPECT_EQ(state.DigitX[5][28], 712);
  EXPECT_EQ(ctx.stampCharPitch, 25);
}

TEST(StampLocator, LocatesAndReadsAGhsLineFromItsU) {
  // A frame digitised at another width than 720 carries the line scaled
  // across: the "U", the line and its pitch all move by width / 720.
  struct Row {
    const char* name;
    int uColumn, top, width;
  };
  const Row rows[] = {{"U at 150", 150, 383, 720}, {"U at 170, lower", 170, 391, 720}, {"U at 130", 130, 385, 720},
                      {"640 wide", 150, 385, 640},  {"704 wide", 150, 385, 704},         {"768 wide", 150, 385, 768}};
  uint32_t seed = 60;
  for (const Row& r : rows) {
    const double k = r.width / 720.0, pitch = 20.0 * k;
    Bitmap24 f = NoisyFrame(r.width, 480, seed++);
    const double x0 = (r.uColumn + 215) * k + pitch / 2;
    const std::vector<int> xs = GhsCellXs(x0, pitch);
    StampGlyphStyle s{StampFont::Ghs, 2, pitch, 4, 2, 2, kStampStroke};
    DrawStampText(f, "261206 203040120", xs, r.top, s);
    DrawStampText(f, "261206 203040140", xs, r.top - 1, s);
    const int u = static_cast<int>(std::lround(r.uColumn * k));
    DrawStampChar(f, 'U', u, r.top, s);
    DrawStampChar(f, 'U', u, r.top - 1, s);
    GlyphContext ctx = GhsSearchContext();
    TimeStampState state;
    int y = 0;
    ASSERT_TRUE(LocateGhsFromItsU(f, ctx, state, y)) << r.name;
    EXPECT_NEAR(y, r.top, 1) << r.name;
    EXPECT_NEAR(static_cast<double>(ctx.stampCharPitch), pitch, 0.2) << r.name;
    for (int i : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15})
      EXPECT_NEAR(state.DigitX[5][i], x0 + pitch * kGhsStampCells[static_cast<size_t>(i)], 1.6) << r.name << " field " << i;
    ctx.stampLocated = true;
    StampTexts t;
    ReadTimeStamp(f, ctx, {}, state, t);
    EXPECT_EQ(t.StampDate1 + t.StampDate2 + t.StampDate3, "261206") << r.name;
    EXPECT_EQ(t.StampH1 + t.StampM1 + t.StampS1, "203040") << r.name;
    EXPECT_EQ(t.StampS1Full, "40.120") << r.name;
    EXPECT_EQ(t.StampS2Full, "40.140") << r.name;
  }
}

// The two fields' lines of a GHS stamp lie one frame row apart with either
// field on top: a picture moved down by one line puts the odd field above the
// even one. Each field is read on its own line, so both keep their times and
// the stamp tells which field is earlier.
TEST(StampLocator, GhsFieldsReadOnTheirOwnLinesWhicheverIsHigher) {
  struct Row {
    const char* name;
    int upper;         // frame row of the upper field's line; the other is one lower
    bool earlyOnTop;   // the earlier time shows on the upper line
  };
  const Row rows[] = {{"even line on top", 382, true},
                      {"even line on top, later field on top", 386, false},
                      {"odd line on top (moved one line down)", 383, true},
                      {"odd line on top, later field on top", 389, false}};
  const std::string early = "261206 235959990", late = "261207 000000007";
  const double pitch = 20.0;
  uint32_t seed = 90;
  for (const Row& r : rows) {
    Bitmap24 f = NoisyFrame(720, 480, seed++);
    const std::vector<int> xs = GhsCellXs((150 + 215) + pitch / 2, pitch);
    const StampGlyphStyle s{StampFont::Ghs, 2, pitch, 4, 2, 2, kStampStroke};
    DrawStampText(f, r.earlyOnTop ? early : late, xs, r.upper, s);
    DrawStampText(f, r.earlyOnTop ? late : early, xs, r.upper + 1, s);
    for (int row : {r.upper, r.upper + 1}) DrawStampChar(f, 'U', 150, row, s);
    GlyphContext ctx = GhsSearchContext();
    TimeStampState state;
    int y = 0;
    ASSERT_TRUE(LocateGhsFromItsU(f, ctx, state, y)) << r.name;
    ctx.stampLocated = true;
    const bool earlyOnOdd = ((r.earlyOnTop ? r.upper : r.upper + 1) & 1) != 0;
    for (const FieldOrder order : {FieldOrder::OddFirst, FieldOrder::EvenFirst}) {
      StampTexts t;
      StampReadOptions ro;
      ro.fieldOrder = order;
      ro.fieldMeasure = true;
      ReadTimeStamp(f, ctx, ro, state, t);
      const bool earlyIsField1 = earlyOnOdd == (order == FieldOrder::OddFirst);
      const std::string name = std::string(r.name) + (order == FieldOrder::OddFirst ? ", odd first" : ", even first");
      EXPECT_EQ(t.StampH1 + ":" + t.StampM1 + ":" + t.StampS1Full, earlyIsField1 ? "23:59:59.990" : "00:00:00.007")
          << name;
      EXPECT_EQ(t.StampH2 + ":" + t.StampM2 + ":" + t.StampS2Full, earlyIsField1 ? "00:00:00.007" : "23:59:59.990")
          << name;
      EXPECT_EQ(state.StampFieldOrder, earlyOnOdd ? 0 : 1) << name;
    }
  }
}

TEST(StampLocator, GhsGuardsAndTheDefaultStartPoint) {
  Bitmap24 f = NoisyFrame(720, 480, 70);
  GlyphContext ctx = GhsSearchContext();
  TimeStampState state;
  StampLocatorState loc;
  LocatorOptions opt;
  int x = 374, y = 387;
  EXPECT_FALSE(LocateGhsTimeStamp(f, x, y, ctx, state, loc, opt));  // not enabled
  opt.ghsLocateEnabled = true;
  ctx.frameRateRounded = 25;
  EXPECT_FALSE(LocateGhsTimeStamp(f, x, y, ctx, state, loc, opt));  // GHS locating needs > 25 fps
  ctx.frameRateRounded = 30;
  // No "U" anywhere: the start point is column 168 + 215, row 380; no stroke there.
  EXPECT_FALSE(LocateGhsTimeStamp(f, x, y, ctx, state, loc, opt));
  EXPECT_EQ(x, 383);
  EXPECT_EQ(y, 380);
  loc.GhsSearchU = false;  // a click gave the point: the fixed start is used once
  EXPECT_FALSE(LocateGhsTimeStamp(f, x, y, ctx, state, loc, opt));
  EXPECT_EQ(x, 380);
  EXPECT_EQ(y, 382);
  EXPECT_TRUE(loc.GhsSearchU);
}

TEST(StampLocator, SnapsTheIotaRowToItsBand) {
  struct Row {
    int y, fps, expected;
  };
  const Row rows[] = {{436, 30, 435}, {438, 30, 437}, {437, 30, 435}, {410, 30, 435}, {409, 30, 401},
                      {402, 30, 401}, {401, 30, 399}, {548, 25, 547}, {547, 25, 545}, {520, 25, 545},
                      {519, 25, 511}, {512, 25, 511}, {511, 25, 509}, {300, 26, 509}};
  for (const Row& r : rows) EXPECT_EQ(SnapIotaStampRow(r.y, r.fps), r.expected) << r.y << " " << r.fps;
}

TEST(StampLocator, GhsOnABlackFrameLocatesNothing) {
  Bitmap24 f(720, 480);
  GlyphContext ctx = GhsSearchContext();
  TimeStampState state;
  state.DigitX[5][7] = 777;
  StampLocatorState loc;
  LocatorOptions opt;
  opt.ghsLocateEnabled = true;
  int x = 374, y = 387;
  EXPECT_FALSE(LocateGhsTimeStamp(f, x, y, ctx, state, loc, opt));
  EXPECT_EQ(state.DigitX[5][7], 777);
  EXPECT_EQ(loc.Edit55, "-40.0");
}

// In a run over frames without a stamp, a failed search (about as long as
// measuring 16 frames) is not repeated on every frame; outside a run every
// frame shown is searched.
TEST(StampLocator, MissingStampIsSearchedForLessOftenDuringARun) {
  struct Case {
    bool running;
    int frames;
    std::vector<int> due;  // 1-based frames searched, up to `frames`
  };
  std::vector<int> first16;
  for (int i = 1; i <= 16; ++i) first16.push_back(i);
  std::vector<int> run = first16;
  run.insert(run.end(), {32, 48, 64});
  std::vector<int> browse;
  for (int i = 1; i <= 40; ++i) browse.push_back(i);
  for (const Case& c : {Case{true, 70, run}, Case{false, 40, browse}}) {
    StampLocatorState loc;
    loc.LocatePending = true;
    std::vector<int> got;
    for (int i = 1; i <= c.frames; ++i)
      if (StampRetryDue(loc, c.running)) got.push_back(i);
    EXPECT_EQ(got, c.due) << (c.running ? "run" : "browsing");
  }
}

// An IOTA-VTI line near the frame's bottom or next to a bright band (a white
// border, the lit limb of the Moon) reads as drawn or is not located at all:
// never another time. Glyph rows measured from too short a stretch of rows,
// or taken from the band, made the sample rows miss the glyphs.
TEST(StampLocator, IotaLineAtTheBottomOrBesideABrightBandReadsAsDrawn) {
  struct Band {
    int first, last;  // frame rows painted white across the frame; none when first > last
  };
  struct Row {
    const char* name;
    int height, fps, top;
    Band band;
    double gain;  // stroke contrast
    bool located;
  };
  const Row rows[] = {
      {"NTSC, glyphs end three rows above the last", 480, 30, 450, {1, 0}, 1.0, true},
      {"NTSC, glyphs end on the second-last row", 480, 30, 452, {1, 0}, 1.0, true},
      {"NTSC, one field's last line cut", 480, 30, 454, {1, 0}, 1.0, false},
      {"PAL, glyphs end on the third-last row", 576, 25, 548, {1, 0}, 1.0, true},
      {"PAL, lower rows cut", 576, 25, 556, {1, 0}, 1.0, false},
      {"PAL, half the glyph cut", 576, 25, 558, {1, 0}, 1.0, false},
      {"band above, 5 rows clear", 480, 30, 435, {420, 428}, 1.0, true},
      {"band below, 3 rows clear", 480, 30, 435, {466, 479}, 1.0, true},
      {"band up to the glyph top", 480, 30, 435, {400, 433}, 1.0, true},
      {"band from the glyph bottom", 480, 30, 435, {463, 479}, 1.0, true},
      {"dim strokes, band above", 480, 30, 435, {425, 430}, 0.5, true},
  };
  const std::string line1 = "235959" "9833" "    " "00000001";
  const std::string line2 = "000000" "    " "0000" "00000002";
  const double pitch = (540.0 - 82.0) / 19.0;
  uint32_t seed = 120;
  for (const Row& r : rows) {
    Bitmap24 f = IotaFrame(720, r.height, 84, pitch, r.top, line1, line2, seed++);
    if (r.gain != 1.0) {
      StampDegradation d;
      d.gain = r.gain;
      d.offset = 20;
      DegradeStampFrame(f, d, seed);
    }
    for (int y = r.band.first; y <= r.band.last; ++y)
      for (int x = 0; x < 720; ++x) f.Set(x, y, {255, 255, 255});
    GlyphContext ctx = IotaSearchContext(r.fps);
    TimeStampState state;
    state.DigitX[5][7] = 4242;
    StampLocatorState loc;
    const bool located = LocateIotaTimeStamp(f, ctx, state, loc, {});
    EXPECT_EQ(located, r.located) << r.name;
    if (!r.located) {
      EXPECT_EQ(state.DigitX[5][7], 4242) << r.name;
    }
    if (!located) continue;
    EXPECT_EQ(ctx.stampCharHeight, 28) << r.name;
    ctx.stampLocated = true;
    StampTexts t;
    StampReadOptions opt;
    opt.fieldMeasure = true;
    ReadTimeStamp(f, ctx, opt, state, t);
    EXPECT_EQ(t.StampH1 + ":" + t.StampM1 + ":" + t.StampS1Full + " " + t.StampCount1, "23:59:59.9833 00000001")
        << r.name;
    EXPECT_EQ(t.StampH2 + ":" + t.StampM2 + ":" + t.StampS2Full + " " + t.StampCount2, "00:00:00.0000 00000002")
        << r.name;
  }
}
