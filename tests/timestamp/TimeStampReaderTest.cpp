// Whole-frame stamp reads: frames with stamps burnt in by the test generator
// for each inserter layout, read back through ReadTimeStamp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/StampContexts.h"
#include "support/StampRender.h"
#include "timestamp/TimeStampReader.h"

namespace {

// KIWI layout positions of fields 7..18, transcribed for the test.
const int kKiwiLayout1[12] = {85, 109, 156, 180, 227, 251, 322, 345, 369, 440, 463, 487};
const int kKiwiLayout2[12] = {70, 94, 140, 164, 210, 234, 306, 330, 353, 424, 448, 472};
const int kKiwiLayout3[12] = {56, 80, 127, 150, 196, 220, 292, 316, 339, 410, 434, 458};
const int kKiwiLayout4[12] = {29, 53, 100, 123, 171, 195, 266, 289, 313, 384, 407, 431};

std::vector<int> Shifted(const int* xs, int n, int dx) {
  std::vector<int> v;
  for (int i = 0; i < n; ++i) v.push_back(xs[i] + dx);
  return v;
}

// A KIWI-OSD frame: field 1 text on the odd rows, field 2 on the even rows;
// text holds the 12 characters of fields 7..18.
Bitmap24 KiwiFrame(int w, int h, const int* layout, int fps, int dx, int rowShift,
                   const std::string& field1, const std::string& field2, int baseOdd, uint32_t seed) {
  Bitmap24 f = NoisyFrame(w, h, seed);
  StampGlyphStyle s{StampFont::Kiwi, fps > 25 ? 0 : 1, 21.5, 4, 2, 1, kStampStroke};
  const std::vector<int> xs = Shifted(layout, 12, dx);
  DrawStampText(f, field1, xs, baseOdd + rowShift, s);
  DrawStampText(f, field2, xs, baseOdd + 1 + rowShift, s);
  return f;
}

// A GHS frame on the located layout (x 380, pitch 20) read back: f1 and f2
// hold the 16 characters of fields 0..15 of the two fields.
StampTexts ReadGhsFields(const std::string& f1, const std::string& f2, FieldOrder order, bool fieldMeasure,
                         uint32_t seed, TimeStampState& state, const StampTexts& before = {}) {
  const double pitch = 20.0;
  const std::vector<int> xs = GhsCellXs(380, pitch);  // index 6 is a filler for field 6
  for (int i = 0; i < 16; ++i) state.DigitX[5][i] = xs[i];
  state.LocatedStampRow = 383;
  const StampGlyphStyle s{StampFont::Ghs, 2, pitch, 4, 2, 2, kStampStroke};
  Bitmap24 f = NoisyFrame(720, 480, seed);
  // Field arguments: 1 on row 383 (odd), 0 on row 382.
  DrawStampText(f, f1, xs, order == FieldOrder::OddFirst ? 383 : 382, s);
  DrawStampText(f, f2, xs, order == FieldOrder::OddFirst ? 382 : 383, s);
  StampTexts t = before;
  StampReadOptions opt;
  opt.fieldOrder = order;
  opt.fieldMeasure = fieldMeasure;
  ReadTimeStamp(f, GhsContext(pitch), opt, state, t);
  return t;
}

}  // namespace

TEST(TimeStampReader, KiwiFrameReads) {
  struct Row {
    const char* name;
    int w, h, fps;
    const int* layout;
    int baseOdd;  // row of field 1 (odd first) without offsets
    int dx, rowShift;
  };
  const Row rows[] = {
      {"720x480 30 fps", 720, 480, 30, kKiwiLayout1, 409, 0, 0},
      {"720x480 30 fps shifted right", 720, 480, 30, kKiwiLayout1, 409, 2, 0},
      {"720x480 30 fps shifted left", 720, 480, 30, kKiwiLayout1, 409, -1, 0},
      {"720x576 25 fps", 720, 576, 25, kKiwiLayout2, 509, 0, 0},
      {"720x576 25 fps shifted down", 720, 576, 25, kKiwiLayout2, 509, 1, 2},
      {"720x576 25 fps shifted up", 720, 576, 25, kKiwiLayout2, 509, -2, -4},
      {"640x480 30 fps", 640, 480, 30, kKiwiLayout3, 409, 0, 0},
      {"640x576 25 fps", 640, 576, 25, kKiwiLayout4, 509, 1, 2},
  };
  uint32_t seed = 100;
  for (const Row& r : rows) {
    Bitmap24 f = KiwiFrame(r.w, r.h, r.layout, r.fps, r.dx, r.rowShift, "123456000789",
                           "123457123000", r.baseOdd, seed++);
    TimeStampState state;
    LoadKiwiDigitPositions(state.DigitX);
    StampTexts t;
    StampReadOptions opt;
    opt.fieldMeasure = true;
    const int result = ReadTimeStamp(f, KiwiContext(r.fps), opt, state, t);
    EXPECT_EQ(result, 1) << r.name;
    EXPECT_EQ(t.StampH1, "12") << r.name;
    EXPECT_EQ(t.StampM1, "34") << r.name;
    EXPECT_EQ(t.StampS1, "56") << r.name;
    EXPECT_EQ(t.StampH2, "12") << r.name;
    EXPECT_EQ(t.StampS2, "57") << r.name;
    EXPECT_EQ(t.StampS1Full, "56.789") << r.name;
    EXPECT_EQ(t.StampS2Full, "57.123") << r.name;
    EXPECT_EQ(state.AutoColumnOffset, r.dx) << r.name;
  }
}

TEST(TimeStampReader, KiwiEveryDigitAtEveryPosition) {
  // Digit d at field 7 + i shows (d + i) mod 10, for every d: every digit
  // appears at every position of both field rows.
  for (int d = 0; d < 10; ++d) {
    std::string a, b;
    for (int i = 0; i < 12; ++i) {
      a += static_cast<char>('0' + (d + i) % 10);
      b += static_cast<char>('0' + (d + 3 * i + 7) % 10);
    }
    Bitmap24 f = KiwiFrame(720, 480, kKiwiLayout1, 30, 0, 0, a, b, 409, 200 + d);
    TimeStampState state;
    LoadKiwiDigitPositions(state.DigitX);
    StampTexts t;
    StampReadOptions opt;
    opt.fieldMeasure = true;
    ASSERT_EQ(ReadTimeStamp(f, KiwiContext(30), opt, state, t), 1) << d;
    EXPECT_EQ(t.StampH1 + t.StampM1 + t.StampS1, a.substr(0, 6)) << d;
    EXPECT_EQ(t.StampH2 + t.StampM2 + t.StampS2, b.substr(0, 6)) << d;
    EXPECT_EQ(t.StampS1Full, a.substr(4, 2) + "." + a.substr(9, 3)) << d;
    EXPECT_EQ(t.StampS2Full, b.substr(4, 2) + "." + b.substr(6, 3)) << d;
  }
}

// 'Field Order' picks the row of field 1; without 'Field Measure' the hours
// and minutes of field 2 keep their previous texts.
TEST(TimeStampReader, KiwiReadOptions) {
  struct Row {
    const char* name;
    FieldOrder order;
    bool fieldMeasure;
    const char *s1, *s2, *s1Full, *s2Full, *h2, *m2;
  };
  const Row rows[] = {
      {"odd first", FieldOrder::OddFirst, true, "56", "57", "56.789", "57.123", "12", "34"},
      {"even first swaps the rows", FieldOrder::EvenFirst, false, "57", "56", "57.000", "56.000", "xx", "yy"},
      {"no field measure", FieldOrder::OddFirst, false, "56", "57", "56.789", "57.123", "xx", "yy"},
  };
  uint32_t seed = 5;
  for (const Row& r : rows) {
    Bitmap24 f = KiwiFrame(720, 480, kKiwiLayout1, 30, 0, 0, "123456000789", "123457123000", 409, seed++);
    TimeStampState state;
    LoadKiwiDigitPositions(state.DigitX);
    StampTexts t;
    t.StampH2 = "xx";
    t.StampM2 = "yy";
    StampReadOptions opt;
    opt.fieldOrder = r.order;
    opt.fieldMeasure = r.fieldMeasure;
    ReadTimeStamp(f, KiwiContext(30), opt, state, t);
    EXPECT_EQ(t.StampS1, r.s1) << r.name;
    EXPECT_EQ(t.StampS2, r.s2) << r.name;
    EXPECT_EQ(t.StampS1Full, r.s1Full) << r.name;
    EXPECT_EQ(t.StampS2Full, r.s2Full) << r.name;
    EXPECT_EQ(t.StampH2, r.h2) << r.name;
    EXPECT_EQ(t.StampM2, r.m2) << r.name;
  }
}

// A frame that shows no stamp, at a fixed layout or under a located one, gives
// no time at all (not 00:00:00); the dates keep their values.
TEST(TimeStampReader, FramesWithoutAStampReadNothing) {
  struct Row {
    const char* name;
    TimeStampMode mode;
    bool located;
  };
  const Row rows[] = {{"KIWI fixed layout", TimeStampMode::Kiwi, false},
                      {"IOTA located", TimeStampMode::Iota, true},
                      {"KIWI located", TimeStampMode::Kiwi, true},
                      {"Sharp located", TimeStampMode::Sharp, true}};
  for (const Row& r : rows) {
    const Bitmap24 f = r.located ? NoisyFrame(720, 480, 5) : Bitmap24(720, 480);
    TimeStampState state;
    LoadKiwiDigitPositions(state.DigitX);
    GlyphContext ctx = KiwiContext(30);
    if (r.located) {
      for (int i = 7; i <= 28; ++i) state.DigitX[5][i] = 80 + 24 * (i - 7);
      state.LocatedStampRow = 435;
      ctx = IotaContext(24.1);
      ctx.mode = r.mode;
    }
    StampTexts t;
    t.StampH1 = "12";
    t.StampS1Full = "34.5678";
    t.StampS2Full = "00.000";
    t.StampCount1 = "42";
    t.StampDate1 = "26";
    StampReadOptions opt;
    opt.fieldMeasure = true;
    EXPECT_EQ(ReadTimeStamp(f, ctx, opt, state, t), 2) << r.name;
    EXPECT_EQ(t.StampH1 + t.StampM1 + t.StampS1 + t.StampS1Full + t.StampS2Full + t.StampCount1, "") << r.name;
    EXPECT_EQ(t.StampDate1, "26") << r.name;
    if (!r.located) {
      EXPECT_EQ(state.AutoRowOffset1, 0) << r.name;
    }
  }
}

TEST(TimeStampReader, OneLayoutRuleForEveryWidth) {
  EXPECT_EQ(FixedStampLayout(720, 30), 1);
  EXPECT_EQ(FixedStampLayout(720, 25), 2);
  EXPECT_EQ(FixedStampLayout(641, 30), 1);
  EXPECT_EQ(FixedStampLayout(640, 30), 3);
  EXPECT_EQ(FixedStampLayout(640, 25), 4);
  EXPECT_EQ(FixedStampLayout(320, 30), 3);
}

TEST(TimeStampReader, TimeStampRows) {
  TimeStampState s;
  GlyphContext c;
  s.AutoRowOffset0 = 1;
  s.AutoRowOffset1 = -1;
  c.mode = TimeStampMode::Iota;
  EXPECT_EQ(TimeStampRow(1, 0, c, s, 480), 404);
  EXPECT_EQ(TimeStampRow(1, 1, c, s, 480), 399);
  EXPECT_EQ(TimeStampRow(4, 0, c, s, 480), 510);
  EXPECT_EQ(TimeStampRow(4, 1, c, s, 480), 507);
  c.mode = TimeStampMode::Ghs;
  EXPECT_EQ(TimeStampRow(3, 0, c, s, 480), 403);
  c.mode = TimeStampMode::Kiwi;
  EXPECT_EQ(TimeStampRow(3, 1, c, s, 480), 407);
  s.LocatedStampRow = 435;
  EXPECT_EQ(TimeStampRow(5, 0, c, s, 480), 435);
  EXPECT_EQ(TimeStampRow(5, 1, c, s, 480), 434);
  s.LocatedStampRow = 436;
  EXPECT_EQ(TimeStampRow(5, 0, c, s, 480), 437);
  EXPECT_EQ(TimeStampRow(5, 1, c, s, 480), 436);
  c.showField = true;
  EXPECT_EQ(TimeStampRow(5, 0, c, s, 480), 219);
  EXPECT_EQ(TimeStampRow(5, 1, c, s, 480), 218 + 240 - 1);
  EXPECT_EQ(TimeStampRow(5, 1, c, s, 576), 218 + 288 - 1);  // PAL: the second field starts at 288
  EXPECT_EQ(TimeStampRow(2, 1, c, s, 576), 541);
  EXPECT_EQ(TimeStampRow(1, 0, c, s, 480), 206);
  // A located line whose field tops were measured reads each field from its
  // own top, offsets aside: the even field on 546, the odd one higher on 545.
  s.LocatedFieldTop = {546, 545};
  EXPECT_EQ(TimeStampRow(5, 0, c, s, 576), 273);  // KIWI located from its digits too
  c.mode = TimeStampMode::Iota;
  EXPECT_EQ(TimeStampRow(5, 0, c, s, 576), 273);
  EXPECT_EQ(TimeStampRow(5, 1, c, s, 576), 272 + 288);
  c.showField = false;
  EXPECT_EQ(TimeStampRow(5, 0, c, s, 576), 546);
  EXPECT_EQ(TimeStampRow(5, 1, c, s, 576), 545);
}

TEST(TimeStampReader, CompareFieldSeconds) {
  struct Row {
    const char *a, *b;
    int expected;
  };
  const Row rows[] = {
      {"", "12.0000", 2},       {"12.0000", "", 2},        {"59.9837", "00.0004", 0},
      {"00.0004", "59.9837", 1}, {"12.3456", "12.3456", 1}, {"12.3456", "12.3789", 0},
      {"12.3789", "12.3456", 1},
  };
  for (const Row& r : rows) EXPECT_EQ(CompareFieldSeconds(r.a, r.b), r.expected) << r.a << " " << r.b;
}

namespace {

struct IotaField {
  std::string hhmmss;    // 6 digits
  std::string group1;    // 4 digits or 4 blanks
  std::string group2;    // 4 digits or 4 blanks
  std::string counter;   // up to 8 characters
};

std::string IotaLine(const IotaField& f) {
  std::string counter = f.counter;
  counter.resize(8, ' ');
  return f.hhmmss + f.group1 + f.group2 + counter;
}

// Both fields of an IOTA stamp, each assembled from its parts.
void DrawIota(Bitmap24& frame, const std::vector<int>& xs, int top1, const IotaField& f1,
              const IotaField& f2, double pitch) {
  DrawIotaFields(frame, IotaLine(f1), IotaLine(f2), xs, top1, pitch);
}

void SetLocatedLayout(TimeStampState& state, const std::vector<int>& xs, int row) {
  for (size_t i = 0; i < xs.size(); ++i) state.DigitX[5][7 + i] = xs[i];
  state.LocatedStampRow = row;
}

}  // namespace

TEST(TimeStampReader, IotaLocatedFrameWithCountersAndFieldOrder) {
  const double pitch = 24.1;
  const std::vector<int> xs = IotaCellXs(85, pitch);
  // Located row 435: field 1 (odd) is read on 437, field 2 on 436.
  Bitmap24 f = NoisyFrame(720, 480, 11);
  DrawIota(f, xs, 437, {"235959", "9833", "    ", "1234567"}, {"000000", "    ", "0000", "1234568"}, pitch);
  TimeStampState state;
  SetLocatedLayout(state, xs, 435);
  StampTexts t;
  StampReadOptions opt;
  opt.fieldMeasure = true;
  ASSERT_EQ(ReadTimeStamp(f, IotaContext(pitch), opt, state, t), 1);
  EXPECT_EQ(t.StampH1, "23");
  EXPECT_EQ(t.StampM1, "59");
  EXPECT_EQ(t.StampS1, "59");
  EXPECT_EQ(t.StampH2, "00");
  EXPECT_EQ(t.StampM2, "00");
  EXPECT_EQ(t.StampS1Full, "59.9833");
  EXPECT_EQ(t.StampS2Full, "00.0000");
  // 00.0000 follows 59.9833 across the minute: field 1 is earlier, state 0.
  EXPECT_EQ(state.FieldOrderState, 0);
  EXPECT_EQ(state.StampFieldOrder, 0);
  EXPECT_EQ(t.StampCount1, "1234567");
  EXPECT_EQ(t.StampCount2, "1234568");

  // The next frame keeps the decided order.
  Bitmap24 g = NoisyFrame(720, 480, 12);
  DrawIota(g, xs, 437, {"000000", "0167", "    ", "1234569"}, {"000000", "    ", "0333", ""}, pitch);
  ReadTimeStamp(g, IotaContext(pitch), opt, state, t);
  EXPECT_EQ(t.StampS1Full, "00.0167");
  EXPECT_EQ(t.StampS2Full, "00.0333");
  EXPECT_EQ(t.StampCount1, "1234569");
  EXPECT_EQ(t.StampCount2, "");  // first counter character unreadable
}

// Each field's fraction is read from the group it shows; field 1 is the
// earlier field whatever 'Field Order' says, its counter going with it, and
// 'Field Order' decides only between two fields that read the same.
TEST(TimeStampReader, IotaFieldOneIsTheEarlierField) {
  struct Row {
    const char* name;
    IotaField odd, even;
    FieldOrder order;
    const char *s1, *s2, *count1, *count2;
    int stampFieldOrder, fieldOrderState;
  };
  const Row rows[] = {
      {"even earlier in the first group", {"123456", "    ", "5000", "42"}, {"123456", "4833", "    ", "41"},
       FieldOrder::OddFirst, "56.4833", "56.5000", "41", "42", 1, 0},
      {"the same with 'Even first'", {"123456", "    ", "5000", "42"}, {"123456", "4833", "    ", "41"},
       FieldOrder::EvenFirst, "56.4833", "56.5000", "41", "42", 1, 0},
      {"odd earlier in the second group", {"123456", "    ", "4833", "41"}, {"123456", "5000", "    ", "42"},
       FieldOrder::EvenFirst, "56.4833", "56.5000", "41", "42", 0, 1},
      {"odd earlier across the minute", {"123459", "9833", "    ", "7"}, {"123500", "    ", "0000", "8"},
       FieldOrder::EvenFirst, "59.9833", "00.0000", "7", "8", 0, 0},
      {"a tie goes by 'Even first'", {"123456", "5000", "    ", "1"}, {"123456", "    ", "5000", "2"},
       FieldOrder::EvenFirst, "56.5000", "56.5000", "2", "1", 1, 1},
      {"a tie goes by 'Odd first'", {"123456", "5000", "    ", "1"}, {"123456", "    ", "5000", "2"},
       FieldOrder::OddFirst, "56.5000", "56.5000", "1", "2", 0, 0},
  };
  const double pitch = 24.1;
  const std::vector<int> xs = IotaCellXs(85, pitch);
  uint32_t seed = 13;
  for (const Row& r : rows) {
    Bitmap24 f = NoisyFrame(720, 480, seed++);
    DrawIota(f, xs, 437, r.odd, r.even, pitch);
    TimeStampState state;
    SetLocatedLayout(state, xs, 435);
    StampTexts t;
    StampReadOptions opt;
    opt.fieldOrder = r.order;
    ReadTimeStamp(f, IotaContext(pitch), opt, state, t);
    EXPECT_EQ(t.StampS1Full, r.s1) << r.name;
    EXPECT_EQ(t.StampS2Full, r.s2) << r.name;
    EXPECT_EQ(t.StampCount1, r.count1) << r.name;
    EXPECT_EQ(t.StampCount2, r.count2) << r.name;
    EXPECT_EQ(state.StampFieldOrder, r.stampFieldOrder) << r.name;
    EXPECT_EQ(state.FieldOrderState, r.fieldOrderState) << r.name;
  }
}

// One field whose stamp does not read (a damaged or missing field): it would
// read as 00:00:00.0000 and always pass for the earlier field. The order
// then goes by the earlier decision or 'Field Order', the unread field gets
// no time, and the decision is left as it was.
TEST(TimeStampReader, IotaFieldWithoutAReadableTimeGetsNoTime) {
  const IotaField stamp{"123456", "4833", "    ", "42"};
  const IotaField none{"      ", "    ", "    ", ""};
  struct Row {
    const char* name;
    bool oddBlank;
    FieldOrder order;
    uint8_t fieldOrderState, stampFieldOrder;  // before the read
    bool firstIsRead;
  };
  const Row rows[] = {
      {"even blank, 'Odd first'", false, FieldOrder::OddFirst, 2, 0, true},
      {"even blank, 'Even first'", false, FieldOrder::EvenFirst, 2, 0, false},
      {"odd blank, 'Odd first'", true, FieldOrder::OddFirst, 2, 0, false},
      {"odd blank, 'Even first'", true, FieldOrder::EvenFirst, 2, 0, true},
      {"odd blank, even decided earlier", true, FieldOrder::OddFirst, 0, 1, true},
      {"even blank, even decided earlier", false, FieldOrder::OddFirst, 1, 1, false},
  };
  const double pitch = 24.1;
  const std::vector<int> xs = IotaCellXs(85, pitch);
  uint32_t seed = 30;
  for (const Row& r : rows) {
    Bitmap24 f = NoisyFrame(720, 480, seed++);
    DrawIota(f, xs, 437, r.oddBlank ? none : stamp, r.oddBlank ? stamp : none, pitch);
    TimeStampState state;
    SetLocatedLayout(state, xs, 435);
    state.FieldOrderState = r.fieldOrderState;
    state.StampFieldOrder = r.stampFieldOrder;
    StampTexts t;
    StampReadOptions opt;
    opt.fieldOrder = r.order;
    opt.fieldMeasure = true;
    ASSERT_EQ(ReadTimeStamp(f, IotaContext(pitch), opt, state, t), 1) << r.name;
    const std::string read = "12:34:56 56.4833 42", unread = "::  ";
    EXPECT_EQ(t.StampH1 + ":" + t.StampM1 + ":" + t.StampS1 + " " + t.StampS1Full + " " + t.StampCount1,
              r.firstIsRead ? read : unread)
        << r.name;
    EXPECT_EQ(t.StampH2 + ":" + t.StampM2 + ":" + t.StampS2 + " " + t.StampS2Full + " " + t.StampCount2,
              r.firstIsRead ? unread : read)
        << r.name;
    EXPECT_EQ(state.FieldOrderState, r.fieldOrderState) << r.name;
    EXPECT_EQ(state.StampFieldOrder, r.stampFieldOrder) << r.name;
  }
}

TEST(TimeStampReader, IotaEveryDigitAtEveryPositionBothFields) {
  const double pitch = 24.1;
  const std::vector<int> xs = IotaCellXs(70, pitch);  // the last counter cell fits in 720
  for (int d = 0; d < 10; ++d) {
    auto digits = [&](int from, int n, int mul) {
      std::string s;
      for (int i = 0; i < n; ++i) s += static_cast<char>('0' + (d + mul * (from + i)) % 10);
      return s;
    };
    const IotaField f1{digits(0, 6, 1), digits(6, 4, 1), "    ", digits(14, 8, 1)};
    const IotaField f2{digits(0, 6, 3), "    ", digits(10, 4, 3), digits(14, 8, 3)};
    Bitmap24 f = NoisyFrame(720, 480, 300 + d);
    DrawIota(f, xs, 437, f1, f2, pitch);
    TimeStampState state;
    SetLocatedLayout(state, xs, 435);
    state.FieldOrderState = 0;
    StampTexts t;
    StampReadOptions opt;
    opt.fieldMeasure = true;
    ReadTimeStamp(f, IotaContext(pitch), opt, state, t);
    // Field 1 is the earlier of the two (these seconds never wrap).
    const std::string odd = f1.hhmmss.substr(4) + "." + f1.group1;
    const std::string even = f2.hhmmss.substr(4) + "." + f2.group2;
    const bool oddFirst = std::stod(odd) < std::stod(even);
    const IotaField& first = oddFirst ? f1 : f2;
    const IotaField& second = oddFirst ? f2 : f1;
    EXPECT_EQ(t.StampH1 + t.StampM1 + t.StampS1, first.hhmmss) << d;
    EXPECT_EQ(t.StampH2 + t.StampM2 + t.StampS2, second.hhmmss) << d;
    EXPECT_EQ(t.StampS1Full, oddFirst ? odd : even) << d;
    EXPECT_EQ(t.StampS2Full, oddFirst ? even : odd) << d;
    EXPECT_EQ(t.StampCount1, first.counter) << d;
    EXPECT_EQ(t.StampCount2, second.counter) << d;
  }
}

TEST(TimeStampReader, IotaFieldViewPal) {
  // 'Show Field': the two fields stacked; the second starts at 576 / 2.
  const double pitch = 24.1;
  const std::vector<int> xs = IotaCellXs(85, pitch);
  Bitmap24 f = NoisyFrame(720, 576, 14);
  StampGlyphStyle s{StampFont::Iota, 2, pitch, 2, 1, 2, kStampStroke};
  // Located row 545: field rows (545 + 1) / 2 + 2 = 275 and 275 + 288.
  // The odd field (field 1 with 'Odd first') is the lower half.
  DrawStampText(f, IotaLine({"010203", "1111", "    ", "7"}), xs, 275 + 288, s);
  DrawStampText(f, IotaLine({"010203", "    ", "1311", "8"}), xs, 275, s);
  TimeStampState state;
  SetLocatedLayout(state, xs, 545);
  GlyphContext ctx = IotaContext(pitch);
  ctx.showField = true;
  ctx.frameRateRounded = 25;
  StampTexts t;
  ReadTimeStamp(f, ctx, {}, state, t);
  EXPECT_EQ(t.StampH1, "01");
  EXPECT_EQ(t.StampS1Full, "03.1111");
  EXPECT_EQ(t.StampS2Full, "03.1311");
  EXPECT_EQ(t.StampCount1, "7");
  EXPECT_EQ(t.StampCount2, "8");
}

TEST(TimeStampReader, GhsLocatedFrameWithDate) {
  const double pitch = 20.0;
  TimeStampState state;
  struct Row {
    const char* name;
    FieldOrder order;
    std::string f1, f2;  // 16 characters over fields 0..15 ('-' for field 6)
    const char *s1, *s2;
    int stampFieldOrder;
  };
  const Row rows[] = {
      {"odd first, later field 2", FieldOrder::OddFirst, "261206 203040120", "261206 203040140", "40.120",
       "40.140", 0},
      {"odd first, earlier field 2", FieldOrder::OddFirst, "261206 203040140", "261206 203040120", "40.140",
       "40.120", 1},
      {"odd first, same time", FieldOrder::OddFirst, "261206 203040120", "261206 203040120", "40.120", "40.120",
       0},
      {"even first, same time", FieldOrder::EvenFirst, "261206 203040120", "261206 203040120", "40.120",
       "40.120", 1},
  };
  uint32_t seed = 20;
  for (const Row& r : rows) {
    const StampTexts t = ReadGhsFields(r.f1, r.f2, r.order, false, seed++, state);
    EXPECT_EQ(t.StampH1 + ":" + t.StampM1, "20:30") << r.name;
    EXPECT_EQ(t.StampS1Full, r.s1) << r.name;
    EXPECT_EQ(t.StampS2Full, r.s2) << r.name;
    EXPECT_EQ(state.StampFieldOrder, r.stampFieldOrder) << r.name;
    if (r.order == FieldOrder::OddFirst) {
      EXPECT_EQ(t.StampDate1 + t.StampDate2 + t.StampDate3, "261206") << r.name;
    }
  }
  // A frame without a stamp gets no time, not 00:00 with the previous
  // frame's fractions; the dates keep their values.
  Bitmap24 black(720, 480);
  StampTexts t;
  t.StampS1Full = "01.000";
  t.StampDate1 = "26";
  EXPECT_EQ(ReadTimeStamp(black, GhsContext(pitch), {}, state, t), 2);
  EXPECT_EQ(t.StampS1Full, "");
  EXPECT_EQ(t.StampH1, "");
  EXPECT_EQ(t.StampDate1, "26");
}

// A GHS frame whose second field shows no stamp reads that field as 00.000,
// which says nothing about which field is earlier: the order the stamp gave
// before stays, so 'Field Order' is not switched by such a frame.
TEST(TimeStampReader, GhsFieldWithoutAStampLeavesTheFieldOrder) {
  const std::string stamp = "261206 203040120", blank(16, ' ');
  for (const FieldOrder order : {FieldOrder::OddFirst, FieldOrder::EvenFirst}) {
    for (const uint8_t before : {uint8_t{0}, uint8_t{1}}) {
      TimeStampState state;
      state.StampFieldOrder = before;
      const StampTexts t = ReadGhsFields(stamp, blank, order, false, 40 + before, state);
      EXPECT_EQ(t.StampS1Full, "40.120");
      EXPECT_EQ(state.StampFieldOrder, before) << static_cast<int>(order);
    }
  }
}

// The two fields of a GHS stamp on either side of a minute: the field that
// shows 00.007 is the later one, not the earlier. Across midnight the row's
// date is that of field 1, not the next day's shown by the other field.
TEST(TimeStampReader, GhsFieldOrderAcrossTheMinute) {
  TimeStampState state;
  struct Row {
    const char* name;
    FieldOrder order;
    std::string f1, f2;
    int stampFieldOrder;
  };
  const Row rows[] = {
      {"odd first, field 2 after the minute", FieldOrder::OddFirst, "261206 235959990", "261207 000000007", 0},
      {"odd first, field 2 before the minute", FieldOrder::OddFirst, "261207 000000007", "261206 235959990", 1},
      {"even first, field 2 after the minute", FieldOrder::EvenFirst, "261206 203059990", "261206 203100007", 1},
      {"even first, field 2 before the minute", FieldOrder::EvenFirst, "261206 203100007", "261206 203059990", 0},
      {"even first, field 2 after midnight", FieldOrder::EvenFirst, "261206 235959990", "261207 000000007", 1},
      {"even first, field 2 before midnight", FieldOrder::EvenFirst, "261207 000000007", "261206 235959990", 0},
  };
  uint32_t seed = 40;
  for (const Row& r : rows) {
    const StampTexts t = ReadGhsFields(r.f1, r.f2, r.order, true, seed++, state);
    EXPECT_EQ(t.StampH1 + ":" + t.StampM1 + ":" + t.StampS1Full, r.f1.substr(7, 2) + ":" + r.f1.substr(9, 2) + ":" +
                                                                   r.f1.substr(11, 2) + "." + r.f1.substr(13, 3))
        << r.name;
    EXPECT_EQ(t.StampH2 + ":" + t.StampM2 + ":" + t.StampS2Full, r.f2.substr(7, 2) + ":" + r.f2.substr(9, 2) + ":" +
                                                                   r.f2.substr(11, 2) + "." + r.f2.substr(13, 3))
        << r.name;
    // The date is field 1's, whichever row it is on.
    EXPECT_EQ(t.StampDate1 + t.StampDate2 + t.StampDate3, r.f1.substr(0, 6)) << r.name;
    EXPECT_EQ(state.StampFieldOrder, r.stampFieldOrder) << r.name;
  }
}

TEST(TimeStampReader, GhsEveryDigitAtEveryPositionBothFields) {
  const double pitch = 20.0;
  const std::vector<int> xs = GhsCellXs(380, pitch);
  TimeStampState state;
  for (int i = 0; i < 16; ++i) state.DigitX[5][i] = xs[i];
  state.LocatedStampRow = 383;
  StampGlyphStyle s{StampFont::Ghs, 2, pitch, 4, 2, 2, kStampStroke};
  for (int d = 0; d < 10; ++d) {
    std::string a(16, ' '), b(16, ' ');
    for (int i = 0; i < 16; ++i) {
      if (i == 6) continue;
      a[i] = static_cast<char>('0' + (d + i) % 10);
      b[i] = static_cast<char>('0' + (d + 7 * i + 3) % 10);
    }
    Bitmap24 f = NoisyFrame(720, 480, 400 + d);
    DrawStampText(f, a, xs, 383, s);
    DrawStampText(f, b, xs, 382, s);
    StampTexts t;
    StampReadOptions opt;
    opt.fieldMeasure = true;
    ReadTimeStamp(f, GhsContext(pitch), opt, state, t);
    EXPECT_EQ(t.StampDate1 + t.StampDate2 + t.StampDate3, a.substr(0, 6)) << d;
    EXPECT_EQ(t.StampH1 + t.StampM1 + t.StampS1, a.substr(7, 6)) << d;
    EXPECT_EQ(t.StampH2 + t.StampM2 + t.StampS2, b.substr(7, 6)) << d;
    EXPECT_EQ(t.StampS1Full, a.substr(11, 2) + "." + a.substr(13, 3)) << d;
    EXPECT_EQ(t.StampS2Full, b.substr(11, 2) + "." + b.substr(13, 3)) << d;
  }
}

TEST(TimeStampReader, KiwiSequenceAcrossAMinuteAndAnHour) {
  // Field 1 shows its milliseconds in the second group, field 2 in the first.
  struct Frame {
    std::string f1, f2;
    const char *h1, *m1, *h2, *m2, *s1, *s2;
  };
  const Frame frames[] = {
      {"125959000950", "125959967000", "12", "59", "12", "59", "59.950", "59.967"},
      {"125959000983", "130000000000", "12", "59", "13", "00", "59.983", "00.000"},
      {"130000000017", "130000033000", "13", "00", "13", "00", "00.017", "00.033"},
  };
  TimeStampState state;
  LoadKiwiDigitPositions(state.DigitX);
  StampReadOptions opt;
  opt.fieldMeasure = true;
  uint32_t seed = 500;
  for (const Frame& fr : frames) {
    Bitmap24 f = KiwiFrame(720, 480, kKiwiLayout1, 30, 0, 0, fr.f1, fr.f2, 409, seed++);
    StampTexts t;
    ASSERT_EQ(ReadTimeStamp(f, KiwiContext(30), opt, state, t), 1);
    EXPECT_EQ(t.StampH1, fr.h1);
    EXPECT_EQ(t.StampM1, fr.m1);
    EXPECT_EQ(t.StampH2, fr.h2);
    EXPECT_EQ(t.StampM2, fr.m2);
    EXPECT_EQ(t.StampS1Full, fr.s1);
    EXPECT_EQ(t.StampS2Full, fr.s2);
  }
}

// Each KIWI-OSD field shows its milliseconds in one group and leaves the other
// blank. A picture moved by an odd number of lines puts each field on the
// other row parity; every row still gets the time its own field shows, not
// its seconds with ".000" from the blank group.
TEST(TimeStampReader, KiwiFieldsKeepTheirMillisecondsOnEitherRowParity) {
  struct Row {
    const char* name;
    int w, h, fps;
    const int* layout;
    int baseOdd, shift;
  };
  const Row rows[] = {
      {"30 fps as usual", 720, 480, 30, kKiwiLayout1, 409, 0},
      {"30 fps one line lower", 720, 480, 30, kKiwiLayout1, 409, 1},
      {"25 fps one line lower", 720, 576, 25, kKiwiLayout2, 509, 1},
      {"25 fps one line higher", 720, 576, 25, kKiwiLayout2, 509, -1},
      {"25 fps three lines lower", 720, 576, 25, kKiwiLayout2, 509, 3},
  };
  // Across a minute: the first field in the second group, the second in the first.
  const std::string early = "203059   983", late = "203100017   ";
  uint32_t seed = 900;
  for (const Row& r : rows)
    for (const FieldOrder order : {FieldOrder::OddFirst, FieldOrder::EvenFirst}) {
      const std::string name = std::string(r.name) + (order == FieldOrder::OddFirst ? ", odd first" : ", even first");
      Bitmap24 f = KiwiFrame(r.w, r.h, r.layout, r.fps, 0, r.shift, early, late, r.baseOdd, seed++);
      // The row parity the early field landed on decides which one is field 1.
      const bool earlyOnOdd = ((r.baseOdd + r.shift) & 1) != 0;
      const bool earlyIsField1 = earlyOnOdd == (order == FieldOrder::OddFirst);
      TimeStampState state;
      LoadKiwiDigitPositions(state.DigitX);
      StampTexts t;
      StampReadOptions opt;
      opt.fieldOrder = order;
      opt.fieldMeasure = true;
      ASSERT_EQ(ReadTimeStamp(f, KiwiContext(r.fps), opt, state, t), 1) << name;
      const std::string t1 = t.StampH1 + ":" + t.StampM1 + ":" + t.StampS1Full;
      const std::string t2 = t.StampH2 + ":" + t.StampM2 + ":" + t.StampS2Full;
      EXPECT_EQ(t1, earlyIsField1 ? "20:30:59.983" : "20:31:00.017") << name;
      EXPECT_EQ(t2, earlyIsField1 ? "20:31:00.017" : "20:30:59.983") << name;
    }
}

TEST(TimeStampReader, KiwiFieldViewEveryDigitBothRates) {
  // 'Show Field': the fields stacked, one line per field line; the stamp of
  // field argument 0 in the upper half, of argument 1 in the lower.
  struct Row {
    int w, h, fps;
    const int* layout;
    int upper, lower;
  };
  const Row rows[] = {{720, 480, 30, kKiwiLayout1, 205, 444}, {720, 576, 25, kKiwiLayout2, 254, 542}};
  for (const Row& r : rows) {
    for (int d = 0; d < 10; ++d) {
      std::string a, b;
      for (int i = 0; i < 12; ++i) {
        a += static_cast<char>('0' + (d + i) % 10);
        b += static_cast<char>('0' + (d + 3 * i + 1) % 10);
      }
      Bitmap24 f = NoisyFrame(r.w, r.h, 600 + d);
      StampGlyphStyle s{StampFont::Kiwi, r.fps > 25 ? 0 : 1, 21.5, 2, 1, 1, kStampStroke};
      const std::vector<int> xs = Shifted(r.layout, 12, 1);
      DrawStampText(f, a, xs, r.lower, s);  // field 1 ('Odd first'): argument 1
      DrawStampText(f, b, xs, r.upper, s);
      TimeStampState state;
      LoadKiwiDigitPositions(state.DigitX);
      GlyphContext ctx = KiwiContext(r.fps);
      ctx.showField = true;
      StampTexts t;
      StampReadOptions opt;
      opt.fieldMeasure = true;
      ASSERT_EQ(ReadTimeStamp(f, ctx, opt, state, t), 1) << r.fps << " " << d;
      EXPECT_EQ(t.StampH1 + t.StampM1 + t.StampS1, a.substr(0, 6)) << r.fps << " " << d;
      EXPECT_EQ(t.StampH2 + t.StampM2 + t.StampS2, b.substr(0, 6)) << r.fps << " " << d;
      EXPECT_EQ(t.StampS1Full, a.substr(4, 2) + "." + a.substr(9, 3)) << r.fps << " " << d;
      EXPECT_EQ(t.StampS2Full, b.substr(4, 2) + "." + b.substr(6, 3)) << r.fps << " " << d;
      EXPECT_EQ(state.AutoColumnOffset, 1);
    }
  }
}

// A field that shows no stamp where its row is read (the other field does),
// or whose first hour digit does not read, gets no time: neither
// 00:00:00.000 nor the previous frame's fraction. The other field keeps its own.
TEST(TimeStampReader, FieldWithoutAStampGetsNoTime) {
  const std::string blank12(12, ' '), blank16(16, ' ');
  struct Row {
    const char* name;
    bool ghs;
    std::string f1, f2;
    const char *h1, *s1, *h2, *s2;
  };
  const Row rows[] = {
      {"KIWI, field 2 blank", false, "203040000120", blank12, "20", "40.120", "", ""},
      {"KIWI, field 1 blank", false, blank12, "203040120000", "", "", "", ""},
      {"GHS, field 2 blank", true, "261206 203040120", blank16, "20", "40.120", "", ""},
      {"GHS, field 1 blank", true, blank16, "261206 203040140", "", "", "20", "40.140"},
      {"GHS, first hour digit blank", true, "261206  03040120", "261206  03040140", "", "", "", ""},
  };
  uint32_t seed = 70;
  for (const Row& r : rows) {
    StampTexts before;
    before.StampH1 = before.StampH2 = "19";
    before.StampS1Full = "39.987";
    before.StampS2Full = "39.999";
    StampTexts t;
    if (r.ghs) {
      TimeStampState state;
      t = ReadGhsFields(r.f1, r.f2, FieldOrder::OddFirst, true, seed++, state, before);
    } else {
      const Bitmap24 f = KiwiFrame(720, 480, kKiwiLayout1, 30, 0, 0, r.f1, r.f2, 409, seed++);
      TimeStampState state;
      LoadKiwiDigitPositions(state.DigitX);
      StampReadOptions opt;
      opt.fieldOrder = FieldOrder::OddFirst;
      opt.fieldMeasure = true;
      t = before;
      ReadTimeStamp(f, KiwiContext(30), opt, state, t);
    }
    EXPECT_EQ(t.StampH1, r.h1) << r.name;
    EXPECT_EQ(t.StampS1Full, r.s1) << r.name;
    EXPECT_EQ(t.StampH2, r.h2) << r.name;
    EXPECT_EQ(t.StampS2Full, r.s2) << r.name;
  }
}

// One frame whose GHS fields read seconds apart (a misread digit) cannot tell
// which field is earlier: the order taken before stays, so one bad frame does
// not swap the fields of every later row.
TEST(TimeStampReader, GhsMisreadFieldLeavesTheFieldOrder) {
  struct Row {
    const char* name;
    std::string f1, f2;
  };
  const Row rows[] = {
      {"seconds digit", "261206 235959800", "261206 235953816"},
      {"tenths digit", "261206 120000400", "261206 120000716"},
      {"across the minute", "261206 235959990", "261206 000008007"},
  };
  uint32_t seed = 80;
  for (const Row& r : rows)
    for (const uint8_t before : {uint8_t{0}, uint8_t{1}}) {
      TimeStampState state;
      state.StampFieldOrder = before;
      const StampTexts t = ReadGhsFields(r.f1, r.f2, FieldOrder::OddFirst, false, seed++, state);
      EXPECT_EQ(t.StampS1Full, r.f1.substr(11, 2) + "." + r.f1.substr(13, 3)) << r.name;
      EXPECT_EQ(state.StampFieldOrder, before) << r.name;
    }
}

// The same for IOTA-VTI: a frame whose fields read seconds apart still gives
// the earlier time as field 1, but the order kept for later frames and for
// 'Field Order' is not taken from it.
TEST(TimeStampReader, IotaMisreadFieldLeavesTheFieldOrder) {
  const IotaField odd{"123459", "8000", "    ", "41"};
  const IotaField even{"123453", "    ", "8166", "42"};  // 59 misread as 53
  const double pitch = 24.1;
  const std::vector<int> xs = IotaCellXs(85, pitch);
  uint32_t seed = 90;
  for (const FieldOrder order : {FieldOrder::OddFirst, FieldOrder::EvenFirst})
    for (const uint8_t fieldOrderState : {uint8_t{0}, uint8_t{2}})
      for (const uint8_t stampFieldOrder : {uint8_t{0}, uint8_t{1}}) {
        Bitmap24 f = NoisyFrame(720, 480, seed++);
        DrawIota(f, xs, 437, odd, even, pitch);
        TimeStampState state;
        SetLocatedLayout(state, xs, 435);
        state.FieldOrderState = fieldOrderState;
        state.StampFieldOrder = stampFieldOrder;
        StampTexts t;
        StampReadOptions opt;
        opt.fieldOrder = order;
        ReadTimeStamp(f, IotaContext(pitch), opt, state, t);
        EXPECT_EQ(t.StampS1Full, "53.8166");
        EXPECT_EQ(t.StampS2Full, "59.8000");
        EXPECT_EQ(state.FieldOrderState, fieldOrderState);
        EXPECT_EQ(state.StampFieldOrder, stampFieldOrder);
      }
}
