// Frames with burnt-in stamps or tick counts, read and written as result rows:
// the time columns 2-10 carry the frame's time in every inserter mode.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/CsvFields.h"
#include "base/ResultCsvFormat.h"
#include "support/StampRender.h"
#include "timestamp/FrameTimeDisplay.h"

namespace {

// Columns 2..10 of a row, quotes stripped.
std::vector<std::string> TimeColumns(const std::string& row) {
  std::vector<std::string> c;
  for (int i = 2; i <= 10; ++i) c.push_back(StripQuotes(GetCsvField(row, i)));
  return c;
}

std::vector<std::string> Rows(const DataLineBlocks& blocks, const CsvFormatParams& p, const StampTexts& t) {
  ResultTable table;
  AppendResultRows(table, blocks, p, t);
  return table.Lines();
}

DataLineBlocks Blocks() {
  DataLineBlocks b{};
  for (int j = 0; j < 3; ++j) {
    b[j].FrameNumberX10 = 120;
    b[j].SoundNote = "snd";
  }
  return b;
}

// The time of a KIWI-OSD frame at the 720x480, 30 fps layout, as shown.
StampTexts ShowKiwiFrame(const Bitmap24& f, ShowFrameTimeResult* shown = nullptr) {
  TimeStampState state;
  LoadKiwiDigitPositions(state.DigitX);
  ShowFrameTimeInputs in;
  in.frame = &f;
  in.glyphs.mode = TimeStampMode::Kiwi;
  in.glyphs.digitThreshold = 100;
  StampTexts t;
  const ShowFrameTimeResult r = ShowFrameTime(in, state, t);
  if (shown) *shown = r;
  return t;
}

// The time of a frame carrying a tick count in row 1 at 25 fps, as shown.
ShowFrameTimeResult ShowTickFrame(const Bitmap24& f, StampTexts& t) {
  TimeStampState state;
  ShowFrameTimeInputs in;
  in.frame = &f;
  in.glyphs.mode = TimeStampMode::Sharp;
  in.embedded.ticksRow = 1;
  in.embedded.frameInterval = 0.04L;
  return ShowFrameTime(in, state, t);
}

}  // namespace

TEST(ResultRowTimes, IotaFrameAndFieldRows) {
  const double pitch = 24.1;
  const std::vector<int> xs = IotaCellXs(70, pitch);
  Bitmap24 f = NoisyFrame(720, 480, 1);
  DrawIotaFields(f, "2059590167    4711    ", "210000    0333 4712   ", xs, 437, pitch);
  TimeStampState state;
  for (size_t i = 0; i < xs.size(); ++i) state.DigitX[5][7 + i] = xs[i];
  state.LocatedStampRow = 435;
  ShowFrameTimeInputs in;
  in.frame = &f;
  in.glyphs.mode = TimeStampMode::Iota;
  in.glyphs.stampLocated = true;
  in.glyphs.stampCharPitch = pitch;
  in.glyphs.stampBackgroundLevel = 48;
  in.readOptions.fieldMeasure = true;
  StampTexts t;
  ShowFrameTime(in, state, t);

  CsvFormatParams p;
  p.Kiwi = true;
  p.TimeStampMode = 0;
  std::vector<std::string> rows = Rows(Blocks(), p, t);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(TimeColumns(rows[0]),
            (std::vector<std::string>{"4711", "", "20", "59", "59.0167", "00.0333", "", "", "snd"}));

  p.FieldMode = true;
  rows = Rows(Blocks(), p, t);
  ASSERT_EQ(rows.size(), 2u);
  const std::vector<std::string> a = TimeColumns(rows[0]), b = TimeColumns(rows[1]);
  // The rows come in the table's field order; each carries its own field's time.
  const bool firstIsField1 = a[2] == "20";
  const std::vector<std::string>& r1 = firstIsField1 ? a : b;
  const std::vector<std::string>& r2 = firstIsField1 ? b : a;
  EXPECT_EQ(std::vector<std::string>(r1.begin() + 2, r1.begin() + 6),
            (std::vector<std::string>{"20", "59", "59.0167", ""}));
  EXPECT_EQ(std::vector<std::string>(r2.begin() + 2, r2.begin() + 6),
            (std::vector<std::string>{"21", "00", "00.0333", ""}));
}

TEST(ResultRowTimes, KiwiAndGhsFrameRows) {
  Bitmap24 f = NoisyFrame(720, 480, 2);
  DrawKiwiFields(f, "123456000789", "123457123000", 409);
  const StampTexts t = ShowKiwiFrame(f);
  CsvFormatParams p;
  p.Kiwi = true;
  p.TimeStampMode = 1;
  const std::vector<std::string> rows = Rows(Blocks(), p, t);
  ASSERT_EQ(rows.size(), 1u);
  const std::vector<std::string> c = TimeColumns(rows[0]);
  EXPECT_EQ(std::vector<std::string>(c.begin() + 2, c.end()),
            (std::vector<std::string>{"12", "34", "56.789", "57.123", "", "", "snd"}));
}

// A field whose stamp reads as an impossible time (an hour 25, a minute or a
// second 61, "88" everywhere over a lit area) gives its row no time; a leap
// second 60 is a time.
TEST(ResultRowTimes, ImpossibleFieldTimesAreNotWritten) {
  struct Row {
    const char *field1, *field2;  // fields 7..18 of each KIWI field
    std::vector<std::string> columns;  // hours, minutes, seconds of field 1 and of field 2
  };
  const Row rows[] = {
      {"253456000789", "123457123000", {"", "", "", "57.123"}},
      {"126156000789", "123457123000", {"", "", "", "57.123"}},
      {"123461000789", "123457123000", {"", "", "", "57.123"}},
      {"235960000789", "235960123000", {"23", "59", "60.789", "60.123"}},
      {"123456000789", "123499123000", {"12", "34", "56.789", ""}},
      {"888888888888", "888888888888", {"", "", "", ""}},
  };
  uint32_t seed = 10;
  for (const Row& r : rows) {
    Bitmap24 f = NoisyFrame(720, 480, seed++);
    DrawKiwiFields(f, r.field1, r.field2, 409);
    ShowFrameTimeResult shown;
    const StampTexts t = ShowKiwiFrame(f, &shown);
    CsvFormatParams p;
    p.Kiwi = true;
    p.TimeStampMode = 1;
    const std::vector<std::string> c = TimeColumns(Rows(Blocks(), p, t).at(0));
    EXPECT_EQ(std::vector<std::string>(c.begin() + 2, c.begin() + 6), r.columns) << r.field1 << " " << r.field2;
    EXPECT_EQ(shown.edits.Edit26, r.columns[2]) << r.field1;
  }
}

// An IOTA-VTI field read as no time can be was read on the wrong lines (a
// line pushed down the frame): its counter, read on the same lines, is
// dropped with it; the other field keeps both.
TEST(ResultRowTimes, AnImpossibleFieldLosesItsCounterToo) {
  struct Row {
    const char *m1, *s2;
    const char *count1, *count2;
  };
  const Row rows[] = {{"77", "24", "", "114453"}, {"12", "75", "114452", ""}, {"12", "24", "114452", "114453"}};
  for (const Row& r : rows) {
    StampTexts t;
    t.StampH1 = t.StampH2 = "11";
    t.StampM1 = r.m1;
    t.StampM2 = "12";
    t.StampS1 = "24";
    t.StampS2 = r.s2;
    t.StampS1Full = "24.4041";
    t.StampS2Full = std::string(r.s2) + ".4241";
    t.StampCount1 = "114452";
    t.StampCount2 = "114453";
    DropImpossibleFieldTimes(t, true);
    EXPECT_EQ(t.StampCount1, r.count1) << r.m1 << " " << r.s2;
    EXPECT_EQ(t.StampCount2, r.count2) << r.m1 << " " << r.s2;
    EXPECT_EQ(t.StampS1Full.empty(), std::string(r.count1).empty()) << r.m1 << " " << r.s2;
    EXPECT_EQ(t.StampS2Full.empty(), std::string(r.count2).empty()) << r.m1 << " " << r.s2;
  }
}

// A frame whose first pixels hold no plausible count (black, all bytes 255,
// a count of 1890) gets no time, not 00:00:00 of year 1 or a century-old one.
TEST(ResultRowTimes, NoTimeFromAnImplausibleTickCount) {
  for (const int64_t ticks : {int64_t{0}, int64_t{-1}, TicksOf(1890, 1, 1, 12, 0, 0)}) {
    Bitmap24 f = NoisyFrame(720, 480, 4);
    WriteTickCount(f, 1, ticks);
    StampTexts t;
    t.StampDate1 = "26";
    const ShowFrameTimeResult shown = ShowTickFrame(f, t);
    CsvFormatParams p;
    p.Kiwi = true;
    p.TimeStampMode = 3;
    const std::vector<std::string> c = TimeColumns(Rows(Blocks(), p, t).at(0));
    EXPECT_EQ(std::vector<std::string>(c.begin() + 2, c.end() - 1), std::vector<std::string>(6)) << ticks;
    EXPECT_EQ(shown.edits.Edit24 + shown.edits.Edit26 + shown.edits.Edit27, "") << ticks;
    EXPECT_EQ(shown.Edit59, "26  ") << ticks;
  }
}

TEST(ResultRowTimes, TickCountFrameRow) {
  Bitmap24 f = NoisyFrame(720, 480, 3);
  WriteTickCount(f, 1, TicksOf(2026, 12, 6, 21, 30, 95000000));
  StampTexts t;
  ShowTickFrame(f, t);
  CsvFormatParams p;
  p.Kiwi = true;
  p.TimeStampMode = 3;
  const std::vector<std::string> rows = Rows(Blocks(), p, t);
  ASSERT_EQ(rows.size(), 1u);
  const std::vector<std::string> c = TimeColumns(rows[0]);
  EXPECT_EQ(std::vector<std::string>(c.begin() + 2, c.end()),
            (std::vector<std::string>{"", "", "", "", "21", "30", "09.5000000"}));
}
