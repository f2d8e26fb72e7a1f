// Tick-count time stamps: codec round trips against an independent calendar,
// plausibility limits, row detection, rate derivation and the time texts.
#include <gtest/gtest.h>

#include <random>

#include "support/StampRender.h"
#include "timestamp/FrameTimeDisplay.h"
#include "timestamp/TickStamp.h"

namespace {

Bitmap24 TickFrame(int row, int64_t ticks, uint32_t seed) {
  Bitmap24 f = NoisyFrame(64, 8, seed, 40, 30);
  WriteTickCount(f, row, ticks);
  return f;
}

constexpr int64_t kDay = 864000000000LL;

}  // namespace

TEST(TickStamp, RoundTripBitExactOverTheCalendar) {
  std::mt19937_64 rng(42);
  std::uniform_int_distribution<int64_t> any(693501 * kDay, 802999 * kDay);
  for (int i = 0; i < 2000; ++i) {
    const int64_t t = any(rng);
    const Bitmap24 f = TickFrame(i % 2, t, static_cast<uint32_t>(i));
    ASSERT_EQ(ReadTickCount(f, i % 2), t);
    const TicksDateTime d = TicksToDateTime(t);
    ASSERT_EQ(TicksOf(d.year, d.month, d.day, d.hour, d.minute, d.rest), t) << t;
    ASSERT_GE(d.rest, 0);
    ASSERT_LT(d.rest, 600000000);
    ASSERT_GE(d.day, 1);
    ASSERT_LE(d.day, 31);
  }
  // Every byte value in every position survives.
  for (int b = 0; b < 8; ++b)
    for (int v : {0x00, 0x01, 0x7f, 0x80, 0xff}) {
      const int64_t t = static_cast<int64_t>(static_cast<uint64_t>(v) << (8 * b));
      EXPECT_EQ(ReadTickCount(TickFrame(1, t, 1), 1), t);
    }
}

TEST(TickStamp, CalendarEdges) {
  struct Row {
    const char* name;
    int64_t t;
    int y, mo, d, h, mi;
    int64_t rest;
  };
  const Row rows[] = {
      {"tick 0", 0, 1, 1, 1, 0, 0, 0},
      {"last tick of 28 Feb 2024", TicksOf(2024, 2, 29, 0, 0, 0) - 1, 2024, 2, 28, 23, 59, 599999999},
      {"first tick of 29 Feb 2024", TicksOf(2024, 2, 29, 0, 0, 0), 2024, 2, 29, 0, 0, 0},
      {"29 Feb 2000 exists", TicksOf(2000, 2, 28, 0, 0, 0) + kDay, 2000, 2, 29, 0, 0, 0},
      {"no 29 Feb 1900", TicksOf(1900, 2, 28, 0, 0, 0) + kDay, 1900, 3, 1, 0, 0, 0},
      {"no 29 Feb 2100", TicksOf(2100, 2, 28, 12, 0, 0) + kDay, 2100, 3, 1, 12, 0, 0},
      {"31 Dec 2026", TicksOf(2026, 12, 31, 23, 59, 599999999), 2026, 12, 31, 23, 59, 599999999},
      {"1 Jan 2027", TicksOf(2026, 12, 31, 23, 59, 599999999) + 1, 2027, 1, 1, 0, 0, 0},
  };
  for (const Row& r : rows) {
    const TicksDateTime d = TicksToDateTime(r.t);
    EXPECT_EQ(d.year, r.y) << r.name;
    EXPECT_EQ(d.month, r.mo) << r.name;
    EXPECT_EQ(d.day, r.d) << r.name;
    EXPECT_EQ(d.hour, r.h) << r.name;
    EXPECT_EQ(d.minute, r.mi) << r.name;
    EXPECT_EQ(d.rest, r.rest) << r.name;
  }
  // Nonsense counts convert without fault.
  TicksToDateTime(std::numeric_limits<int64_t>::max());
  TicksToDateTime(std::numeric_limits<int64_t>::min());
  TicksToDateTime(-1);
}

TEST(TickStamp, Plausibility) {
  EXPECT_FALSE(TicksPlausible(693500 * kDay));
  EXPECT_TRUE(TicksPlausible(693500 * kDay + 1));
  EXPECT_TRUE(TicksPlausible(803000 * kDay - 1));
  EXPECT_FALSE(TicksPlausible(803000 * kDay));
  const int64_t t = TicksOf(2026, 12, 6, 21, 30, 0);
  EXPECT_TRUE(TestEmbeddedTicksRow(0, TickFrame(0, t, 1), TickFrame(0, t + 1000000000, 2)));
  EXPECT_TRUE(TestEmbeddedTicksRow(0, TickFrame(0, t + 1000000000, 1), TickFrame(0, t, 2)));
  EXPECT_FALSE(TestEmbeddedTicksRow(0, TickFrame(0, t, 1), TickFrame(0, t + 1000000001, 2)));
  EXPECT_FALSE(TestEmbeddedTicksRow(0, TickFrame(0, 693500 * kDay, 1), TickFrame(0, 693500 * kDay + 1, 2)));
  EXPECT_FALSE(TestEmbeddedTicksRow(0, TickFrame(0, t, 1), TickFrame(0, -t, 2)));
}

TEST(TickStamp, DetectsTheRowThatCarriesTheCount) {
  const int64_t t = TicksOf(2025, 3, 1, 1, 2, 30000000);
  EXPECT_EQ(DetectEmbeddedTicksRow(TickFrame(0, t, 1), TickFrame(0, t + 333667, 2)), 0);
  EXPECT_EQ(DetectEmbeddedTicksRow(TickFrame(1, t, 1), TickFrame(1, t + 333667, 2)), 1);
  Bitmap24 a = TickFrame(1, t, 3), b = TickFrame(1, t + 333667, 4);
  WriteTickCount(a, 0, t);
  WriteTickCount(b, 0, t + 333667);
  EXPECT_EQ(DetectEmbeddedTicksRow(a, b), 0);  // both rows pass: row 0
  EXPECT_EQ(DetectEmbeddedTicksRow(Bitmap24(64, 8), Bitmap24(64, 8)), 0);
  EXPECT_EQ(DetectEmbeddedTicksRow(Bitmap24(), Bitmap24()), 0);
}

TEST(TickStamp, DeriveFrameRate) {
  const int64_t first = TicksOf(2026, 1, 2, 3, 4, 0);
  TickRateInputs in;
  in.firstTicks = first;
  in.lastTicks = first + 100 * 10000000LL;  // 100 s
  in.lastFrame = 2997;
  TickRateResult r = DeriveFrameRateFromTicks(in);
  ASSERT_TRUE(r.spanSet);
  EXPECT_TRUE(r.rateSet);
  EXPECT_DOUBLE_EQ(static_cast<double>(r.videoFrameRate), 29.97);
  EXPECT_EQ(r.Edit62, "100.0000000");
  EXPECT_EQ(r.Edit60, "1000000000");
  EXPECT_EQ(r.firstFrameTicks, first);
  EXPECT_FALSE(r.factorSet);

  in.captureLogLoaded = true;
  in.captureLogFrameRate = 25;
  in.captureLogNominalFrameRate = 30;
  r = DeriveFrameRateFromTicks(in);
  EXPECT_EQ(r.videoFrameRate, 25);
  EXPECT_DOUBLE_EQ(static_cast<double>(r.frameRateFactor), 1.2);
  EXPECT_TRUE(r.spanSet);

  in.captureLogLoaded = false;
  in.fixedFrameInterval = 0.04L;
  EXPECT_FALSE(DeriveFrameRateNeedsFrames(in));
  r = DeriveFrameRateFromTicks(in);
  EXPECT_DOUBLE_EQ(static_cast<double>(r.videoFrameRate), 25.0);
  EXPECT_FALSE(r.spanSet);

  in.fixedFrameInterval = 0;
  in.lastTicks = first;  // not increasing
  r = DeriveFrameRateFromTicks(in);
  EXPECT_FALSE(r.rateSet);
  EXPECT_FALSE(r.spanSet);
  in.lastTicks = 803000 * kDay;  // outside the window
  EXPECT_FALSE(DeriveFrameRateFromTicks(in).rateSet);
}

TEST(TickStamp, SecondsTexts) {
  EXPECT_EQ(TickSecondsText(95000000), "09.5000000");
  EXPECT_EQ(TickSecondsText(0), "00.0000000");
  EXPECT_EQ(TickSecondsText(599999999), "59.9999999");
  EXPECT_EQ(TickSecondsText(123456789), "12.3456789");
}

TEST(TickStamp, ReadEmbeddedTimeStampFillsTheTexts) {
  const int64_t t = TicksOf(2026, 12, 6, 21, 30, 95000000);  // 21:30:09.5
  Bitmap24 f = TickFrame(1, t, 5);
  StampTexts s;
  s.StampH2 = "xx";
  EmbeddedStampOptions o;
  o.ticksRow = 1;
  o.frameInterval = 0.04L;  // half a frame = 200000 ticks
  EXPECT_EQ(ReadEmbeddedTimeStamp(f, o, s), 2026);
  EXPECT_EQ(s.StampDate1 + s.StampDate2 + s.StampDate3, "261206");
  EXPECT_EQ(s.StampH1, "21");
  EXPECT_EQ(s.StampM1, "30");
  EXPECT_EQ(s.StampH2, "21");
  EXPECT_EQ(s.StampM2, "30");
  EXPECT_EQ(s.StampS1, "09");
  EXPECT_EQ(s.StampS1Full, "09.4800000");
  EXPECT_EQ(s.StampS2Full, "09.5000000");
}

TEST(TickStamp, HalfFrameEarlierAcrossAMinuteAndAnHourTakesItsOwnHourAndMinute) {
  const int64_t t = TicksOf(2026, 12, 31, 23, 0, 100000);  // 23:00:00.0100000
  Bitmap24 f = TickFrame(0, t, 6);
  StampTexts s;
  EmbeddedStampOptions o;
  o.frameInterval = 0.04L;
  ReadEmbeddedTimeStamp(f, o, s);
  EXPECT_EQ(s.StampH1 + ":" + s.StampM1 + ":" + s.StampS1Full, "22:59:59.9900000");
  EXPECT_EQ(s.StampS2Full, "00.0100000");
  // Across midnight and the year the date follows the same instant.
  const int64_t u = TicksOf(2027, 1, 1, 0, 0, 100000);
  ReadEmbeddedTimeStamp(TickFrame(0, u, 7), o, s);
  EXPECT_EQ(s.StampDate1 + s.StampDate2 + s.StampDate3 + " " + s.StampH1 + ":" + s.StampM1,
            "261231 23:59");
}

TEST(TickStamp, CaptureLogTimeTakesThePlaceOfTheCount) {
  StampTexts s;
  EmbeddedStampOptions o;
  o.captureLogTime = TicksDateTime{2026, 5, 4, 24, 0, 0};
  ReadEmbeddedTimeStamp(Bitmap24(64, 8), o, s);
  EXPECT_EQ(s.StampH1, "24");
  EXPECT_EQ(s.StampS1Full, "00.0000000");
  EXPECT_EQ(s.StampS2Full, "00.0000000");
  EXPECT_EQ(s.StampDate2, "05");
}

TEST(FrameTimeDisplay, SourcesInPriority) {
  EXPECT_EQ(SelectFrameTimeSource(true, true, TimeStampMode::Sharp), FrameTimeSource::CsvCmosTimes);
  EXPECT_EQ(SelectFrameTimeSource(false, true, TimeStampMode::Sharp), FrameTimeSource::LedCorrected);
  EXPECT_EQ(SelectFrameTimeSource(false, false, TimeStampMode::Sharp), FrameTimeSource::EmbeddedTicks);
  EXPECT_EQ(SelectFrameTimeSource(false, false, TimeStampMode::Iota), FrameTimeSource::InserterText);
  EXPECT_EQ(SelectFrameTimeSource(false, false, TimeStampMode::Kiwi), FrameTimeSource::InserterText);
}

TEST(FrameTimeDisplay, EditsAndTexts) {
  const FrameTimeEdits c = EditsFromCsvRow("1,0,A,21,30,09.5000,09.5333,x");
  EXPECT_EQ(c.Edit24 + "|" + c.Edit25 + "|" + c.Edit26 + "|" + c.Edit27, "21|30|09.5000|09.5333");
  const FrameTimeEdits q = EditsFromCsvRow("\"1\",\"0\",\"A\",\"21\",\"30\",\"09.5000\",\"09.5333\",\"x\"");
  EXPECT_EQ(q.Edit24 + "|" + q.Edit25 + "|" + q.Edit26 + "|" + q.Edit27, "21|30|09.5000|09.5333");
  EXPECT_EQ(c.colour, TimeEditColour::Aqua);
  EXPECT_TRUE(c.edit26BlackFont);
  EXPECT_EQ(EditsFromCsvRow("").Edit24, "");
  // Rows of tick-stamped frames keep only the exposure's end, in fields 8..10.
  const struct {
    const char* row;
    bool shows;
  } rows[] = {{"1,0,A,21,30,09.5000,09.5333,x", true},
              {"75.0,52.4,\"\",,,,,14,03,15.3456789,2642.5", false},
              {"75.0,52.4,\"\",\"\", ,\"\",,14,03,15.3456789", false},
              {"1,0,A,,,09.53,,", true},
              {"", false}};
  for (const auto& r : rows) EXPECT_EQ(CsvRowShowsTime(r.row), r.shows) << r.row;

  LedFrameTime led{21, 5, 9.05L, 21, 6, 0.00004L};
  StampTexts t;
  FormatFrameTimeRecord(led, t);
  EXPECT_EQ(t.StampH1 + t.StampM1 + t.StampH2 + t.StampM2, "21052106");
  EXPECT_EQ(t.StampS1, "09");
  EXPECT_EQ(t.StampS1Full, "09.0500");
  EXPECT_EQ(t.StampS2, "00");
  EXPECT_EQ(t.StampS2Full, "00.0000");
  LedFrameTime late{1, 2, 59.99996L, 1, 2, 12.3L};
  FormatFrameTimeRecord(late, t);
  EXPECT_EQ(t.StampS1Full, "59.9999");  // truncated: never a 60th second
  EXPECT_EQ(t.StampS2Full, "12.3000");
  const FrameTimeEdits e = EditsFromLedRecord(led);
  EXPECT_EQ(e.Edit26, "9.0500");
  EXPECT_EQ(e.colour, TimeEditColour::Aqua);
  t.StampDate1 = "26";
  t.StampDate2 = "12";
  t.StampDate3 = "06";
  EXPECT_EQ(DateEditText(t), "26 12 06");
}

// Seconds that round to 60 at four decimals move the minute (and the hour),
// as the corrected results rows do; the end keeps its own rounded second.
TEST(FrameTimeDisplay, LedReadOutsCarryRoundedSeconds) {
  const struct {
    LedFrameTime record;
    const char* edits;  // Edit24|Edit25|Edit26|Edit27
  } cases[] = {{{10, 59, 59.99996L, 11, 0, 0.0333L}, "11|0|0.0000|0.0333"},
               {{10, 59, 59.99994L, 10, 59, 59.99996L}, "10|59|59.9999|0.0000"},
               {{23, 59, 59.99995L, 24, 0, 0.0333L}, "24|0|0.0000|0.0333"},
               {{21, 5, 9.05L, 21, 6, 0.00004L}, "21|5|9.0500|0.0000"}};
  for (const auto& c : cases) {
    const FrameTimeEdits e = EditsFromLedRecord(c.record);
    EXPECT_EQ(e.Edit24 + "|" + e.Edit25 + "|" + e.Edit26 + "|" + e.Edit27, c.edits);
  }
}

// LED-corrected times keep negative seconds for a centre half a frame before
// midnight (hour 0, minute 0); the texts must not turn them positive.
TEST(FrameTimeDisplay, NegativeCentreSecondsKeepTheirSign) {
  const struct {
    long double seconds;
    const char *full, *whole;
  } cases[] = {{-0.0167L, "-00.0167", "-00"},
               {-0.01669999L, "-00.0166", "-00"},
               {-1.5L, "-01.5000", "-01"},
               {-0.00004L, "00.0000", "00"},
               {0.0167L, "00.0167", "00"}};
  for (const auto& c : cases) {
    LedFrameTime r{0, 0, c.seconds, 0, 0, 0.0167L};
    StampTexts t;
    FormatFrameTimeRecord(r, t);
    EXPECT_EQ(t.StampS1Full, c.full) << static_cast<double>(c.seconds);
    EXPECT_EQ(t.StampS1, c.whole) << static_cast<double>(c.seconds);
    EXPECT_EQ(t.StampS2Full, "00.0167");
  }
}

TEST(FrameTimeDisplay, ShowFrameTimeTakesTheFirstAvailableSource) {
  const int64_t t = TicksOf(2026, 12, 6, 21, 30, 95000000);
  Bitmap24 f = TickFrame(0, t, 9);
  TimeStampState state;
  StampTexts texts;
  ShowFrameTimeInputs in;
  in.frame = &f;
  in.glyphs.mode = TimeStampMode::Sharp;
  in.embedded.frameInterval = 0.04L;
  ShowFrameTimeResult r = ShowFrameTime(in, state, texts);
  EXPECT_EQ(r.source, FrameTimeSource::EmbeddedTicks);
  EXPECT_EQ(r.stampYear, 2026);
  EXPECT_EQ(r.edits.Edit26, "09.4800000");
  EXPECT_EQ(r.edits.Edit27, "09.5000000");
  EXPECT_EQ(r.Edit59, "26 12 06");
  EXPECT_EQ(r.edits.colour, TimeEditColour::White);

  in.ledRecord = LedFrameTime{21, 30, 9.48L, 21, 30, 9.5L};
  r = ShowFrameTime(in, state, texts);
  EXPECT_EQ(r.source, FrameTimeSource::LedCorrected);
  EXPECT_EQ(texts.StampS1Full, "09.4800");
  EXPECT_EQ(r.edits.colour, TimeEditColour::Aqua);

  in.csvCarriesCmosTimes = true;
  in.csvRow = "7,0,A,21,30,09.4800,09.5000";
  r = ShowFrameTime(in, state, texts);
  EXPECT_EQ(r.source, FrameTimeSource::CsvCmosTimes);
  EXPECT_EQ(r.edits.Edit27, "09.5000");

  // An inserter frame without a stamp: empty texts, result 2.
  ShowFrameTimeInputs blank;
  Bitmap24 black(720, 480);
  blank.frame = &black;
  blank.glyphs.mode = TimeStampMode::Kiwi;
  LoadKiwiDigitPositions(state.DigitX);
  r = ShowFrameTime(blank, state, texts);
  EXPECT_EQ(r.source, FrameTimeSource::InserterText);
  EXPECT_EQ(r.stampResult, 2);
  EXPECT_EQ(r.edits.Edit24, "");
}

TEST(TickStamp, CaptureJustAfterAMinuteKeepsItsOwnMinute) {
  // Captured at 21:31:00.0100000; the centre, half a frame earlier, is in 21:30.
  Bitmap24 f = TickFrame(0, TicksOf(2026, 12, 6, 21, 31, 100000), 2);
  StampTexts s;
  EmbeddedStampOptions o;
  o.frameInterval = 0.04L;
  ReadEmbeddedTimeStamp(f, o, s);
  EXPECT_EQ(s.StampH1 + ":" + s.StampM1 + ":" + s.StampS1Full, "21:30:59.9900000");
  EXPECT_EQ(s.StampH2 + ":" + s.StampM2 + ":" + s.StampS2Full, "21:31:00.0100000");
}
