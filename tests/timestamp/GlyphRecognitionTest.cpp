// Character recognition on frames with glyphs burnt in by the test generator.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/StampContexts.h"
#include "support/StampRender.h"
#include "timestamp/GlyphRecognition.h"

namespace {

struct Variant {
  const char* name;
  StampFont font;
  GlyphContext ctx;
  StampGlyphStyle style;
  std::string chars;
};

std::vector<Variant> AllVariants() {
  std::vector<Variant> v;
  for (double pitch : {16.0, 21.5, 24.1, 25.0, 30.0}) {
    GlyphContext c = IotaContext(pitch);
    StampGlyphStyle s{StampFont::Iota, 2, pitch, 4, 2, 2, kStampStroke};
    v.push_back({"IOTA thick", StampFont::Iota, c, s, "0123456789"});
    s.linesPerRow = 1;
    v.push_back({"IOTA thin", StampFont::Iota, c, s, "0123456789"});
    // A located line of glyphs half as tall again (three field lines per
    // grid row), and one of glyphs narrower than their pitch.
    GlyphContext tall = c;
    tall.stampCharHeight = 42;
    v.push_back({"IOTA tall", StampFont::Iota, tall, {StampFont::Iota, 2, pitch, 6, 2, 3, kStampStroke}, "0123456789"});
    GlyphContext narrow = c;
    narrow.stampCellPitch = 0.85 * pitch;
    v.push_back(
        {"IOTA narrow", StampFont::Iota, narrow, {StampFont::Iota, 2, 0.85 * pitch, 4, 2, 2, kStampStroke}, "0123456789"});
    GlyphContext g = GhsContext(pitch);
    StampGlyphStyle gs{StampFont::Ghs, 2, pitch, 4, 2, 2, kStampStroke};
    v.push_back({"GHS", StampFont::Ghs, g, gs, "0123456789"});
    g.searchMode = GlyphSearchMode::SearchU;
    v.push_back({"GHS U-search", StampFont::Ghs, g, gs, "0123456789U"});
    g.searchMode = GlyphSearchMode::TimeLine;
    g.enhanceContrast = true;
    v.push_back({"GHS enhanced", StampFont::Ghs, g, gs, "0123456789"});
    // Letters of the GPS line.
    GlyphContext gl = IotaContext(pitch);
    gl.searchMode = GlyphSearchMode::GpsLine;
    gl.lettersOnly = true;
    v.push_back({"IOTA GPS letters", StampFont::Iota, gl, s, "ENWS"});
    gl.lettersOnly = false;
    v.push_back({"IOTA GPS digits", StampFont::Iota, gl, s, "0123456789"});
    // A located KIWI stamp: brightness measure, IOTA templates.
    GlyphContext kl = KiwiContext(30, false);
    kl.stampLocated = true;
    kl.stampCharPitch = pitch;
    StampGlyphStyle ks{StampFont::Iota, 2, pitch, 4, 2, 2, kStampStroke};
    v.push_back({"KIWI located", StampFont::Iota, kl, ks, "0123456789"});
  }
  for (bool field : {false, true}) {
    StampGlyphStyle s{StampFont::Kiwi, 0, 21.5, field ? 2 : 4, field ? 1 : 2, 1, kStampStroke};
    v.push_back({"KIWI slanted", StampFont::Kiwi, KiwiContext(30, field), s, "0123456789"});
    s.variant = 1;
    v.push_back({"KIWI upright", StampFont::Kiwi, KiwiContext(25, field), s, "0123456789"});
    GlyphContext sharp = KiwiContext(25, field);
    sharp.mode = TimeStampMode::Sharp;
    v.push_back({"Sharp upright", StampFont::Kiwi, sharp, s, "0123456789"});
  }
  return v;
}

}  // namespace

TEST(GlyphRecognition, EveryCharacterOfEverySetReadsBack) {
  uint32_t seed = 1;
  for (const Variant& v : AllVariants()) {
    for (char ch : v.chars) {
      Bitmap24 f = NoisyFrame(120, 80, seed++);
      DrawStampChar(f, ch, 50, 20, v.style);
      double score = 0;
      const char got = RecognizeCharacter(f, 50, 20, v.ctx, &score);
      EXPECT_EQ(std::string(1, ch), std::string(1, got ? got : '#'))
          << v.name << " pitch " << v.style.pitch << " score " << score;
      EXPECT_GT(score, 0.0);
      EXPECT_EQ(RecognizeCharacterBest(f, 50, 20, v.ctx), got);
    }
  }
}

// Uniform areas: black and dark ones read nothing. A uniformly lit one gives
// the edge measure no edge, but the brightness measure weighs a run of run + 1
// pixels by run, so the on-cell level exceeds the off-cell level and a
// character is accepted.
TEST(GlyphRecognition, UniformAreas) {
  for (const Variant& v : AllVariants()) {
    const bool edge = (v.ctx.mode == TimeStampMode::Kiwi || v.ctx.mode == TimeStampMode::Sharp) &&
                      !v.ctx.stampLocated;
    for (uint8_t level : {uint8_t{0}, kStampDark, kStampStroke}) {
      Bitmap24 f(120, 80);
      FillFrame(f, level);
      double score = -1;
      const char got = RecognizeCharacter(f, 50, 20, v.ctx, &score);
      if (level != kStampStroke || edge) {
        EXPECT_EQ(got, 0) << v.name << " level " << int(level);
        EXPECT_EQ(score, 0.0) << v.name << " level " << int(level);
      } else {
        EXPECT_NE(got, 0) << v.name;
        EXPECT_GT(score, 100.0) << v.name;
      }
    }
  }
}

TEST(GlyphRecognition, UniformMeasuresTieAndTheLowerIndexWins) {
  GlyphCellMeasures c;
  c.w.fill(4);
  c.m.fill(12);  // every cell at the same level: every template scores 3
  GlyphScores sc;
  ScoreGlyphsIota(c, sc);
  // Off groups sit at the on level: each score is M / (W + sum of N).
  EXPECT_DOUBLE_EQ(sc[0], 12.0 * 12 / (4.0 * 12 + 4.0 * 9));
  EXPECT_DOUBLE_EQ(sc[8], 12.0 * 11 / (4.0 * 11 + 4.0 * 10));
  GlyphScores tie{};
  tie[0] = 250.0;
  tie[8] = 250.0;
  EXPECT_EQ(DecideGlyph(tie, 0, 9, TimeStampMode::Iota, 80).ch, '0');
  tie[8] = 250.0000001;
  EXPECT_EQ(DecideGlyph(tie, 0, 9, TimeStampMode::Iota, 80).ch, '8');
  // Later equal candidates never displace an earlier one, letters included.
  GlyphScores letters{};
  letters[10] = 300.0;
  letters[14] = 300.0;
  EXPECT_EQ(DecideGlyph(letters, 10, 14, TimeStampMode::Iota, 80).ch, 'E');
}

TEST(GlyphRecognition, AcceptanceThresholds) {
  struct Row {
    const char* name;
    TimeStampMode mode;
    double best;
    int updown;
    char expected;
  };
  const Row rows[] = {
      {"IOTA exactly 100", TimeStampMode::Iota, 100.0, 80, '3'},
      {"IOTA just below", TimeStampMode::Iota, 99.999999, 80, 0},
      {"GHS exactly 100", TimeStampMode::Ghs, 100.0, 250, '3'},
      {"KIWI equal to threshold", TimeStampMode::Kiwi, 140.0, 140, '3'},
      {"KIWI below threshold", TimeStampMode::Kiwi, 139.9, 140, 0},
      {"Sharp equal to threshold", TimeStampMode::Sharp, 60.0, 60, '3'},
  };
  for (const Row& r : rows) {
    GlyphScores sc{};
    sc[3] = r.best;
    const GlyphDecision d = DecideGlyph(sc, 0, 9, r.mode, r.updown);
    EXPECT_EQ(d.ch, r.expected) << r.name;
    EXPECT_EQ(d.score, r.expected ? r.best : 0.0) << r.name;
  }
  // Index 13 has no character: its win is not a read.
  GlyphScores sc{};
  sc[13] = 500.0;
  EXPECT_EQ(DecideGlyph(sc, 10, 14, TimeStampMode::Iota, 80).ch, 0);
}

TEST(GlyphRecognition, LettersOnlyTurnsADigitIntoALetterOrNothing) {
  GlyphContext ctx = IotaContext(21.5);
  ctx.searchMode = GlyphSearchMode::GpsLine;
  ctx.lettersOnly = true;
  StampGlyphStyle s{StampFont::Iota, 2, 21.5, 4, 2, 2, kStampStroke};
  for (char ch : std::string("0123456789")) {
    Bitmap24 f = NoisyFrame(120, 80, 7);
    DrawStampChar(f, ch, 50, 20, s);
    const char got = RecognizeCharacter(f, 50, 20, ctx);
    EXPECT_TRUE(got == 0 || std::string("ENWS").find(got) != std::string::npos) << ch << " -> " << got;
  }
}

TEST(GlyphRecognition, PitchThatScalesRunsToNothingScoresZero) {
  for (double pitch : {1.0, 2.0}) {  // some runs survive: no crash, any reading
    Bitmap24 f = NoisyFrame(120, 80, 3);
    RecognizeCharacter(f, 50, 20, IotaContext(pitch));
  }
  for (double pitch : {0.0, 0.4, -21.5}) {
    GlyphContext ctx = IotaContext(pitch);
    Bitmap24 f = NoisyFrame(120, 80, 3);
    DrawStampChar(f, '8', 50, 20, {StampFont::Iota, 2, 21.5, 4, 2, 2, kStampStroke});
    double score = -1;
    EXPECT_EQ(RecognizeCharacter(f, 50, 20, ctx, &score), 0) << pitch;
    EXPECT_EQ(score, 0.0);
  }
  GlyphCellMeasures zero;  // all runs 0
  GlyphScores sc;
  ScoreGlyphsKiwi(zero, sc);
  for (double v : sc) EXPECT_EQ(v, 0.0);
  ScoreGlyphsGhs(zero, sc);
  for (double v : sc) EXPECT_EQ(v, 0.0);
}

TEST(GlyphRecognition, ReadsAtAndBeyondTheFrameEdgesAreBlack) {
  const GlyphContext iota = IotaContext(21.5);
  const GlyphContext kiwi = KiwiContext(30, false);
  Bitmap24 f = NoisyFrame(60, 40, 9);
  for (int x : {-30, -5, 0, 3, 59, 70})
    for (int y : {-40, -3, 0, 39, 40, 100}) {
      RecognizeCharacter(f, x, y, iota);
      RecognizeCharacter(f, x, y, kiwi);
    }
  // A row at or below the bottom measures 0 on the brightness path.
  EXPECT_EQ(CellBrightMeasure(f, 5, 40, 4, iota), 0);
  EXPECT_EQ(CellBrightMeasure(f, 5, 41, 4, iota), 0);
  // Pixels left of the frame read as black: only the inside pixels count.
  Bitmap24 lit(10, 4);
  FillFrame(lit, 100);
  EXPECT_EQ(CellEdgeMeasure(lit, -3, 2, 4, 2), 2 * 300);  // row 4 lies below the frame
  GlyphContext located = kiwi;
  located.stampLocated = true;
  located.digitThreshold = 50;
  EXPECT_EQ(CellBrightMeasure(lit, -3, 1, 4, located), 2 * 300 - 150);
  EXPECT_EQ(CellBrightMeasure(lit, -30, 1, 4, located), 0);  // negative sums clamp to 0
}

TEST(GlyphRecognition, BrightMeasureModes) {
  Bitmap24 f(8, 2);
  // s = 30, 90, 150, 300, 600 along the row.
  const uint8_t levels[] = {10, 30, 50, 100, 200};
  for (int i = 0; i < 5; ++i) f.Set(i, 0, {levels[i], levels[i], levels[i]});
  GlyphContext c;
  c.mode = TimeStampMode::Iota;
  c.stampBackgroundLevel = 69.5;  // rounds half away to 70; threshold 70 - 100 + 120 = 90
  c.digitThreshold = 120;
  EXPECT_EQ(CellBrightMeasure(f, 0, 0, 4, c), 90 + 150 + 300 + 600);
  c.mode = TimeStampMode::Ghs;
  c.glyphThreshold = 100;
  c.stampBackgroundLevel = 50;  // threshold (100 - 100 + 50) x 3 = 150
  EXPECT_EQ(CellBrightMeasure(f, 0, 0, 4, c), 3 * 750);
  c.enhanceContrast = true;
  c.digitThreshold = 100;  // v = 4 (v - 127) + 127 clamped, each pixel adds 3 v
  // v: 10 -> 0, 30 -> 0, 50 -> 0, 100 -> 19, 200 -> 255
  EXPECT_EQ(CellBrightMeasure(f, 0, 0, 4, c), 3 * 19 + 3 * 255);
  c.mode = TimeStampMode::Kiwi;
  c.digitThreshold = 100;
  EXPECT_EQ(CellBrightMeasure(f, 0, 0, 4, c), 30 + 90 + 150 + 300 + 600 - 300);
}

namespace {

// Reference score from the formula, with the templates written out again.
struct Ref {
  const GlyphCellMeasures& c;
  double M = 0, W = 0, num = 0, den = 0, mu = 0;
  Ref(const GlyphCellMeasures& cells, std::vector<int> on, bool floorW = false) : c(cells) {
    for (int k : on) M += c.m[k], W += c.w[k];
    if (W == 0 && floorW) W = 1;
    mu = M / W;
    num = M;
    den = W;
  }
  Ref& Group(std::vector<int> cells) {
    double s = 0, n = 0;
    for (int k : cells) s += c.m[k], n += c.w[k];
    num += std::fabs(s - n * mu);
    den += n;
    return *this;
  }
  double Value() const { return num / den; }
};

GlyphCellMeasures Distinct() {
  GlyphCellMeasures c;
  for (int k = 0; k < kGlyphCellCount; ++k) {
    c.m[k] = 10 + 7 * k + (k % 5) * 31;
    c.w[k] = 2 + k % 3;
  }
  return c;
}

}  // namespace

TEST(GlyphRecognition, SpecialTemplateWeightings) {
  const GlyphCellMeasures c = Distinct();
  GlyphScores kiwi, iota, ghs;
  ScoreGlyphsKiwi(c, kiwi);
  ScoreGlyphsIota(c, iota);
  ScoreGlyphsGhs(c, ghs);

  {  // KIWI "6": cells 8 and 9 five times in S, twice in N.
    Ref r(c, {1, 2, 3, 4, 5, 11, 12, 14, 17, 20});
    double s = 0, n = 0;
    for (int k : {0, 6, 7, 10, 13, 15, 16, 18, 26}) s += c.m[k], n += c.w[k];
    s += 5.0 * (c.m[8] + c.m[9]);
    n += 2.0 * (c.w[8] + c.w[9]);
    r.num += std::fabs(s - n * r.mu);
    r.den += n;
    EXPECT_DOUBLE_EQ(kiwi[6], r.Value());
  }
  {  // IOTA "6": the cell-9 term taken back out of the numerator, its weight added again.
    Ref r(c, {1, 2, 3, 4, 5, 8, 11, 12, 14, 17, 20});
    r.Group({0, 6, 7, 9, 10, 13, 15, 16, 18, 26});
    r.num -= std::fabs(c.m[9] - c.w[9] * r.mu);
    r.den += c.w[9];
    EXPECT_DOUBLE_EQ(iota[6], r.Value());
  }
  {  // IOTA "5": cell 8 twice in the first group; 17 on and off.
    Ref r(c, {0, 1, 2, 5, 7, 10, 11, 12, 14, 16, 17});
    r.Group({3, 4, 8, 8, 9}).Group({3, 4, 8, 9, 17});
    EXPECT_DOUBLE_EQ(iota[5], r.Value());
    EXPECT_DOUBLE_EQ(ghs[5], r.Value());
  }
  {  // KIWI "4": 18 counts twice.
    Ref r(c, {4, 18, 18, 32, 33, 34, 35, 36, 37, 38, 39});
    r.Group({26}).Group({17}).Group({1, 5, 8, 9, 10, 12, 20});
    EXPECT_DOUBLE_EQ(kiwi[4], r.Value());
    EXPECT_DOUBLE_EQ(iota[4], r.Value());
  }
  {  // GHS "8": the cell-4 term added to the numerator only.
    Ref r(c, {1, 2, 2, 4, 4, 5, 8, 9, 9, 11, 12, 14, 17, 17, 17, 20});
    r.Group({0, 3, 6, 7, 10, 13, 16, 18, 22, 26});
    r.num += std::fabs(c.m[4] + c.w[4] * r.mu);
    EXPECT_DOUBLE_EQ(ghs[8], r.Value());
  }
  {  // GHS "9": cell 4 twice and three times in its groups.
    Ref r(c, {1, 2, 5, 8, 9, 10, 11, 12, 14, 17, 17, 17, 20});
    r.Group({4, 4}).Group({0, 3, 4, 4, 4, 6, 7, 13, 16, 18, 22, 26});
    EXPECT_DOUBLE_EQ(ghs[9], r.Value());
  }
  {  // GHS "3": cells 2 and 4 twice in the second group.
    Ref r(c, {1, 5, 8, 9, 10, 11, 12, 14, 20, 31});
    r.Group({3, 4}).Group({0, 2, 2, 3, 4, 4, 6, 7, 13, 16, 22, 24, 26});
    EXPECT_DOUBLE_EQ(ghs[3], r.Value());
  }
  {  // GHS "N": 24 and 25 in S only, their weights added to the divisor afterwards.
    Ref r(c, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 44, 45});
    const double s = c.m[14] + c.m[20] + c.m[24] + c.m[25], n = c.w[14] + c.w[20];
    r.num += std::fabs(s - n * r.mu);
    r.den += n + c.w[24] + c.w[25];
    EXPECT_DOUBLE_EQ(ghs[11], r.Value());
  }
  {  // "E" with its factor 0.8 in both sets.
    Ref r(c, {0, 1, 2, 3, 4, 5, 6, 7, 13, 14, 17, 20});
    r.Group({8, 11, 12, 22, 23});
    EXPECT_DOUBLE_EQ(iota[10], r.Value() * 0.8);
    EXPECT_DOUBLE_EQ(ghs[10], r.Value() * 0.8);
  }
  {  // GHS "U" and "W".
    Ref u(c, {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 20});
    u.Group({6, 13, 14, 16, 17, 18, 22, 26});
    EXPECT_DOUBLE_EQ(ghs[15], u.Value());
    Ref w(c, {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 24, 25});
    w.Group({6, 13, 14});
    EXPECT_DOUBLE_EQ(ghs[12], w.Value());
    EXPECT_EQ(iota[15], 0.0);  // no "U" outside the GHS set
    EXPECT_EQ(kiwi[10], 0.0);  // no letters in the KIWI set
    EXPECT_EQ(ghs[13], 0.0);
  }
  {  // E, N, W take W = 1 when their on-cells weigh nothing.
    GlyphCellMeasures z;
    z.m[14] = 40;
    z.w[14] = 4;
    GlyphScores sc;
    ScoreGlyphsIota(z, sc);
    // "W": M = 0, W = 1, mu = 0: (0 + |40 - 0|) / (1 + 4).
    EXPECT_DOUBLE_EQ(sc[12], 40.0 / 5);
    EXPECT_DOUBLE_EQ(sc[11], 40.0 / 5);  // "N": group 14, 20
    EXPECT_EQ(sc[1], 0.0);               // a digit has no such floor: no evidence, score 0
  }
}

namespace {

// A narrow seven-segment-like font whose waist bar spans the whole glyph, as
// on IOTA-VTI stamps of 640-pixel frames: there the template cells of an 8 and
// a 9 (and of other digits one stroke apart) light alike, and only the stroke
// itself tells them apart. Strokes 3 pixels wide and 2 lines high in a box of
// 15 x 14 field lines, drawn on one field of the frame; optionally blurred.
void DrawSegmentDigit(Bitmap24& frame, char digit, int x, int y, bool blur) {
  enum { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };
  static const std::array<int, 10> kSegments = {A | B | C | D | E | F, B | C, A | B | D | E | G,
                                                A | B | C | D | G,     B | C | F | G, A | C | D | F | G,
                                                A | C | D | E | F | G, A | B | C, A | B | C | D | E | F | G,
                                                A | B | C | D | F | G};
  const int s = kSegments[static_cast<size_t>(digit - '0')];
  const int w = 15, left = x - 7;
  auto Fill = [&](int c0, int c1, int l0, int l1) {
    for (int l = l0; l <= l1; ++l)
      for (int c = c0; c <= c1; ++c) frame.Set(left + c, y + 2 * l, Bgr{kStampStroke, kStampStroke, kStampStroke});
  };
  if (s & A) Fill(2, w - 3, 0, 1);
  if (s & D) Fill(2, w - 3, 12, 13);
  if (s & G) Fill(0, w - 1, 6, 7);
  if (s & F) Fill(0, 2, 1, 6);
  if (s & B) Fill(w - 3, w - 1, 1, 6);
  if (s & E) Fill(0, 2, 7, 12);
  if (s & C) Fill(w - 3, w - 1, 7, 12);
  if (!blur) return;
  const Bitmap24 sharp = frame;
  for (int l = -1; l <= 14; ++l)
    for (int c = -2; c <= w + 1; ++c) {
      int sum = 0;
      for (int dl = -1; dl <= 1; ++dl)
        for (int dc = -1; dc <= 1; ++dc) sum += sharp.Get(left + c + dc, y + 2 * (l + dl)).g;
      const auto v = static_cast<uint8_t>(sum / 9);
      frame.Set(left + c, y + 2 * l, Bgr{v, v, v});
    }
}

}  // namespace

TEST(GlyphRecognition, NarrowGlyphsOneStrokeApartReadRight) {
  for (bool blur : {false, true})
    for (double cellPitch : {16.6, 17.5}) {
      GlyphContext ctx = IotaContext(21.8);
      ctx.stampCellPitch = cellPitch;
      ctx.stampCharHeight = 28;
      uint32_t seed = 7;
      for (char digit : std::string("03689")) {
        Bitmap24 f = NoisyFrame(80, 80, seed++, kStampDark, 3);
        DrawSegmentDigit(f, digit, 40, 20, blur);
        EXPECT_EQ(std::string(1, digit), std::string(1, RecognizeCharacter(f, 40, 20, ctx) ?: '#'))
            << (blur ? "blurred" : "sharp") << ", cell pitch " << cellPitch;
      }
    }
}
