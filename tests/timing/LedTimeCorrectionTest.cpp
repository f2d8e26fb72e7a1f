// LED time correction on a synthetic 29.97 fps table whose true frame times
// are known; the expected figures come from led_reference.py (exact rational
// arithmetic, a second implementation) and from the table's own true times.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "support/LedTestTable.h"
#include "support/SpreadsheetSaves.h"
#include "timing/LedBackground.h"
#include "timing/LedTimeCorrection.h"

namespace {

constexpr long double kRate = 29.97L;

struct Calibrated {
  std::vector<std::string> lines = BuildLedTestTable();
  LedTable table;
  LedCorrectionState state;
  std::vector<TLedFrameSample> samples;
  PcTimeFit pc;
  LedBackgroundFit background;
  CycleFitResult cycle;

  // pc_shift: seconds added to the recorded PC time of every row, wrapped at midnight.
  // every_cell_quoted: the table as a program that quotes every cell saves it.
  explicit Calibrated(int last_frame = 1000, int64_t pc_shift = 0, bool every_cell_quoted = false) {
    if (pc_shift != 0) ShiftPcTimes(pc_shift);
    if (every_cell_quoted) lines = EveryCellQuoted(lines);
    table.Lines = &lines;
    table.HeaderLineCount = HeaderLineCountFor(3);
    table.LastLine = CountLedDataLines(lines, table.HeaderLineCount);
    table.StartFrame = 0;
    table.LastFrame = last_frame;
    samples.assign(static_cast<size_t>(table.LastLine) + 101, TLedFrameSample{});
    state.LedCycleFrames = CycleFrames(kRate);
    pc = FitRecordedPcTime(table, state);
    background = FitLedBackground(lines, table.HeaderLineCount, table.LastLine, 2.5, 1, samples);
    MarkPpsRisingLine(samples, table.LastLine, kLedPulseFrame, state.LedCycleFrames);
    const CycleBounds b = CycleRangeBounds(table.LastLine, kLedPulseFrame, state.LedCycleFrames);
    MarkCycleRange(samples, table.LastLine, kLedPulseFrame, state.LedCycleFrames, b.Lower, b.Upper);
    cycle = FitLedCycle(table, samples, b.Lower, b.Upper, kRate, state);
  }

  // The table's PC times are whole 0.1 ms: shift them in those units.
  void ShiftPcTimes(int64_t seconds) {
    for (size_t i = 6; i < lines.size(); ++i) {
      std::string& l = lines[i];
      const std::string s = GetCsvField(l, 10);
      int64_t u = std::stoll(GetCsvField(l, 8)) * 36000000 + std::stoll(GetCsvField(l, 9)) * 600000 +
                  std::stoll(s.substr(0, 2)) * 10000 + std::stoll(s.substr(3, 4));
      u = (u + seconds * 10000) % 864000000;
      const auto two = [](int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
      std::string frac = std::to_string(u % 10000);
      frac.insert(0, 4 - frac.size(), '0');
      SetCsvField(l, 8, std::to_string(u / 36000000));
      SetCsvField(l, 9, std::to_string(u / 600000 % 60));
      SetCsvField(l, 10, two(u % 600000 / 10000) + "." + frac);
    }
  }
};

TEST(LedTimeCorrection, SyntheticTableGivesTheReferenceOffsetAndPpsFrame) {
  Calibrated c;
  ASSERT_EQ(c.table.LastLine, 299);
  EXPECT_TRUE(c.pc.Fitted);
  EXPECT_TRUE(c.pc.Warnings.empty());
  EXPECT_NEAR(static_cast<double>(c.state.PcTimeSlope), 0.033366977033078, 1e-13);
  EXPECT_NEAR(static_cast<double>(c.state.PcTimeIntercept), 77405.979922600, 1e-8);
  // The band keeps exactly the frames the LED does not reach.
  for (int f = 0; f < kLedTableRows; ++f) {
    const long double plain = 20.0L + 0.002L * f;
    EXPECT_EQ(c.samples[static_cast<size_t>(f)].Lit, c.samples[static_cast<size_t>(f)].Brightness > plain + 0.0005L)
        << f;
  }
  EXPECT_NEAR(static_cast<double>(c.cycle.Slope), 6.0, 1e-9);
  EXPECT_NEAR(static_cast<double>(c.cycle.Intercept), 35.963, 1e-9);
  EXPECT_NEAR(static_cast<double>(c.cycle.ZeroCycle), -5.993833333, 1e-8);
  EXPECT_EQ(c.state.PpsLine, 10);
  EXPECT_EQ(c.state.PpsFrame, 10);
  EXPECT_EQ(c.cycle.Edit21, "10");
  EXPECT_NEAR(static_cast<double>(c.state.LedTimeOffset), -0.312597542391, 1e-9);
  EXPECT_EQ(c.cycle.Edit18, "-0.3125975");
  // The displays labelled in milliseconds carry milliseconds.
  EXPECT_EQ(c.cycle.Edit19, "-312.5975424msec");
  EXPECT_EQ(c.cycle.Edit28, "Ofs-0.9948282msec");
  ASSERT_TRUE(c.cycle.Error.has_value());
  EXPECT_LT(*c.cycle.Error, 1e-12L);
  // The calibration frame's end is the pulse's second plus the drift left over.
  EXPECT_EQ(c.state.PpsEndHour, 21);
  EXPECT_EQ(c.state.PpsEndMinute, 30);
  EXPECT_NEAR(c.state.PpsEndSeconds, 6.000995, 1e-4);
  // Against the table's true frame ends: the PC clock's 5 ms jitter is gone.
  for (int f = 0; f < kLedTableRows; ++f) {
    const TLedFrameTime& r = c.state.LedFrameTimes[static_cast<size_t>(f)];
    const long double end = Seconds(r.EndHour, r.EndMinute, r.EndSeconds);
    EXPECT_NEAR(static_cast<double>(end), LedTableFrameEndMicros(f) / 1e6, 1e-4) << f;
    const long double centre = Seconds(r.CentreHour, r.CentreMinute, r.CentreSeconds);
    EXPECT_NEAR(static_cast<double>(end - centre), 1 / (2 * 29.97), 1e-12);
  }
}

TEST(LedTimeCorrection, EveryCellQuotedGivesTheSameCalibration) {
  const Calibrated plain, quoted(1000, 0, true);
  ASSERT_NE(quoted.lines, plain.lines);
  EXPECT_EQ(quoted.table.LastLine, 299);
  EXPECT_TRUE(quoted.pc.Fitted);
  EXPECT_EQ(quoted.state.PcTimeSlope, plain.state.PcTimeSlope);
  EXPECT_EQ(quoted.state.PcTimeIntercept, plain.state.PcTimeIntercept);
  for (int f = 0; f < kLedTableRows; ++f)
    EXPECT_EQ(quoted.samples[size_t(f)].Brightness, plain.samples[size_t(f)].Brightness) << f;
  EXPECT_EQ(quoted.state.PpsFrame, 10);
  EXPECT_EQ(quoted.cycle.Edit18, "-0.3125975");
}

TEST(LedTimeCorrection, ApplyWritesCentreAndEndIntoFieldsFourToSeven) {
  Calibrated c;
  const auto out = ApplyLedTimesToTable(c.table, 299, c.state);
  ASSERT_TRUE(out.has_value());
  ASSERT_EQ(out->size(), c.lines.size());
  const struct {
    int row;
    const char* fields;
  } expected[] = {{0, "21,30,05.6506,05.6673"},
                  {10, "21,30,05.9843,06.0010"},
                  {160, "21,30,10.9894,11.0060"},
                  {299, "21,30,15.6274,15.6441"}};
  for (const auto& e : expected) {
    const std::string& line = (*out)[static_cast<size_t>(6 + e.row)];
    EXPECT_EQ(GetCsvField(line, 4) + "," + GetCsvField(line, 5) + "," + GetCsvField(line, 6) + "," +
                  GetCsvField(line, 7),
              e.fields)
        << e.row;
    // Nothing else of the row changes.
    std::string restored = line;
    for (int f = 4; f <= 7; ++f) SetCsvField(restored, f, "");
    EXPECT_EQ(restored, c.lines[static_cast<size_t>(6 + e.row)]);
  }
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ((*out)[i], c.lines[i]);
}

TEST(LedTimeCorrection, ApplyWithoutMeasuredFrameLeavesTheTable) {
  Calibrated c;
  EXPECT_FALSE(ApplyLedTimesToTable(c.table, -1, c.state).has_value());
}

TEST(LedTimeCorrection, RowsBeyondTheVideoAreLeftOutAndTold) {
  // A video of 200 frames: rows 200..299 have no frame record.
  Calibrated c(199);
  ASSERT_EQ(c.state.LedFrameTimes.size(), 200u);
  ASSERT_EQ(c.pc.Warnings.size(), 1u);
  EXPECT_EQ(c.pc.Warnings[0], "100 rows lie beyond the last frame of the video and take no part in the time correction.");
  EXPECT_EQ(c.pc.Table.size(), 200u);
  EXPECT_EQ(c.state.PpsFrame, 10);
  const auto out = ApplyLedTimesToTable(c.table, 299, c.state);
  ASSERT_TRUE(out.has_value());
  EXPECT_EQ(GetCsvField((*out)[6 + 10], 7), "06.0010");
  for (int row = 200; row < 300; ++row) EXPECT_EQ((*out)[static_cast<size_t>(6 + row)], c.lines[static_cast<size_t>(6 + row)]);

  // No video open (its last frame 0): the rows hold PC times, but no frame for them.
  Calibrated none(0);
  EXPECT_FALSE(none.pc.Fitted);
  EXPECT_EQ(none.pc.Warnings, std::vector<std::string>{"The rows lie beyond the last frame of the open video (frame 0): "
                                                       "open the video the table was measured from to make the time "
                                                       "correction."});
}

// A recording through midnight: the rows after it show PC times of 00:00,
// yet the frames go on at the same pace. Shifted by 8990 s the reference
// figures move by exactly that: the end of frame 160 falls on 24:00:01.006.
TEST(LedTimeCorrection, RecordingThroughMidnightKeepsItsPace) {
  Calibrated plain;
  Calibrated c(1000, 8990);
  ASSERT_EQ(GetCsvField(c.lines[6 + 0], 8), "23");
  ASSERT_EQ(GetCsvField(c.lines[6 + 299], 8), "0");
  ASSERT_TRUE(c.pc.Fitted);
  EXPECT_NEAR(static_cast<double>(c.state.PcTimeSlope), static_cast<double>(plain.state.PcTimeSlope), 1e-12);
  EXPECT_NEAR(static_cast<double>(c.state.PcTimeIntercept), 86395.979922600, 1e-8);
  EXPECT_EQ(c.pc.Table[0], "   0 23 59 55.9799226 ");
  EXPECT_EQ(c.pc.Table[299], " 299 24  0 05.9566487 ");
  EXPECT_EQ(c.cycle.Edit18, "-0.3125975");
  // The displays labelled in milliseconds carry milliseconds.
  EXPECT_EQ(c.cycle.Edit19, "-312.5975424msec");
  EXPECT_EQ(c.cycle.Edit28, "Ofs-0.9948282msec");
  EXPECT_EQ(c.state.PpsFrame, 10);
  const auto out = ApplyLedTimesToTable(c.table, 299, c.state);
  ASSERT_TRUE(out.has_value());
  const auto fields = [&](int row) {
    const std::string& l = (*out)[static_cast<size_t>(6 + row)];
    return GetCsvField(l, 4) + "," + GetCsvField(l, 5) + "," + GetCsvField(l, 6) + "," + GetCsvField(l, 7);
  };
  EXPECT_EQ(fields(0), "23,59,55.6506,55.6673");
  EXPECT_EQ(fields(160), "24,00,00.9894,01.0060");
  EXPECT_EQ(fields(299), "24,00,05.6274,05.6441");
}

TEST(LedTimeCorrection, RowsThatAreNotConsecutiveFramesAreTold) {
  std::vector<std::string> lines = BuildLedTestTable();
  // Field measuring: two rows per frame.
  for (int r = 0; r < kLedTableRows; ++r) SetCsvField(lines[static_cast<size_t>(6 + r)], 1, FormatInt(r / 2));
  LedTable t{&lines, 7, 299, 0, 1000};
  LedCorrectionState s;
  const PcTimeFit fit = FitRecordedPcTime(t, s);
  ASSERT_EQ(fit.Warnings.size(), 1u);
  EXPECT_NE(fit.Warnings[0].find("not consecutive"), std::string::npos);
}

// Tables measured with a step or in fields: every row is timed by its own
// frame number. The PC-time line is per frame (step 2: led_reference.py's
// formulas over frames 0, 2, ... 298; fields: every point twice, the same
// line as one row per frame). The memorised points put the end of frame f
// at 10:00:01 + 0.04 f s, its centre 0.02 s earlier; field rows take the
// centre (first field) and the end (second field) of their frame.
TEST(LedTimeCorrection, RowsAreKeyedByTheirOwnFrameNumbers) {
  const struct {
    const char* name;
    int step;
    bool fields;
    double slope, intercept;
    const char* rows[4];
  } cases[] = {
      {"one row per frame", 1, false, 0.033366977033078, 77405.979922600,
       {"10,00,00.9800,01.0000", "10,00,01.0200,01.0400", "10,00,01.0600,01.0800", "10,00,01.1000,01.1200"}},
      {"every 2nd frame", 2, false, 0.033368052268990, 77405.979717545,
       {"10,00,00.9800,01.0000", "10,00,01.0600,01.0800", "10,00,01.1400,01.1600", "10,00,01.2200,01.2400"}},
      {"field rows", 1, true, 0.033366977033078, 77405.979922600,
       {"10,00,00.9800,", "10,00,01.0000,", "10,00,01.0200,", "10,00,01.0400,"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = BuildLedTestTable(c.step, c.fields);
    LedTable t{&lines, 7, CountLedDataLines(lines, 7), 0, 1000};
    LedCorrectionState s;
    const PcTimeFit fit = FitRecordedPcTime(t, s);
    ASSERT_TRUE(fit.Fitted);
    EXPECT_NEAR(static_cast<double>(s.PcTimeSlope), c.slope, 1e-13);
    EXPECT_NEAR(static_cast<double>(s.PcTimeIntercept), c.intercept, 1e-8);
    // The fitted PC time of a row's frame lies within the PC clock's jitter of its true end (+0.3127 s).
    const int last_frame = c.fields ? t.LastLine / 2 * c.step : t.LastLine * c.step;
    const TLedFrameTime& r = s.LedFrameTimes[static_cast<size_t>(last_frame)];
    EXPECT_NEAR(static_cast<double>(Seconds(r.FitHour, r.FitMinute, r.FitSeconds)),
                LedTableFrameEndMicros(last_frame) / 1e6 + 0.3127, 0.006);

    FitMemorisedPoints({"0001 00000 10:00:01.0000000", "0002 01000 10:00:41.0000000"}, 1000, s);
    const auto out = ApplyLedTimesToTable(t, 299, s);
    ASSERT_TRUE(out.has_value());
    for (int i = 0; i < 4; ++i) {
      const std::string& l = (*out)[static_cast<size_t>(6 + i)];
      EXPECT_EQ(GetCsvField(l, 4) + "," + GetCsvField(l, 5) + "," + GetCsvField(l, 6) + "," + GetCsvField(l, 7),
                c.rows[i])
          << i;
    }
  }
}

// Frame numbers that do not rise by whole or half frames key no time: the
// fit, the cycle fit and the apply all refuse rather than time rows wrongly.
TEST(LedTimeCorrection, RowsThatCannotBeKeyedAreRefused) {
  std::vector<std::string> lines = BuildLedTestTable();
  for (int r = 0; r < kLedTableRows; ++r) SetCsvField(lines[static_cast<size_t>(6 + r)], 1, FormatInt(r / 2));
  LedTable t{&lines, 7, 299, 0, 1000};
  EXPECT_TRUE(KeyLedRows(t).Rows.empty());
  LedCorrectionState s;
  EXPECT_FALSE(FitRecordedPcTime(t, s).Fitted);
  FitMemorisedPoints({"0001 00000 10:00:01.0000000", "0002 01000 10:00:41.0000000"}, 1000, s);
  EXPECT_FALSE(ApplyLedTimesToTable(t, 299, s).has_value());

  // A step: the fit of the LED cycle counts cycles in rows and is refused.
  std::vector<std::string> stepped = BuildLedTestTable(2, false);
  LedTable u{&stepped, 7, CountLedDataLines(stepped, 7), 0, 1000};
  LedCorrectionState v;
  ASSERT_TRUE(FitRecordedPcTime(u, v).Fitted);
  std::vector<TLedFrameSample> samples(static_cast<size_t>(u.LastLine) + 101);
  v.LedTimeOffset = 0.25L;
  const CycleFitResult cycle = FitLedCycle(u, samples, -3, 3, kRate, v);
  EXPECT_FALSE(cycle.Refused.empty());
  EXPECT_FALSE(v.CorrectedTimesSet);
  EXPECT_EQ(v.LedTimeOffset, 0.25L);
}

// A row whose frame number cannot be read keys nothing by itself: the rows
// count as consecutive only when the frames around it lie as many apart as
// their rows, else no row is timed rather than rows after it by the wrong frame.
TEST(LedTimeCorrection, RowsAroundAnUnreadableFrameNumberKeepTheirFrames) {
  const struct {
    std::vector<const char*> numbers;
    bool consecutive, keyed;
  } cases[] = {
      {{"0", "1", "2", "3", "4"}, true, true},
      {{"0", "1", "x", "3", "4"}, true, true},
      {{"0", "1", "x", "5", "6"}, false, false},
      {{"0", "x", "x", "7", "8"}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.numbers[2]) + " " + c.numbers[3]);
    std::vector<std::string> lines = {"a", "b", "c"};
    for (const char* n : c.numbers) lines.push_back(std::string(n) + ",20");
    const LedTable t{&lines, 4, 4, 0, 100};
    const LedRowFrames keys = KeyLedRows(t);
    EXPECT_EQ(keys.Consecutive, c.consecutive);
    ASSERT_EQ(keys.Rows.empty(), !c.keyed);
    for (int i = 0; i < static_cast<int>(keys.Rows.size()); ++i) EXPECT_EQ(keys.Rows[static_cast<size_t>(i)].Frame, i);
  }
}

// Rows whose PC time cannot be read are left out of the line (expected
// figures from led_reference.py without those rows) and told, instead of
// counting as midnight and bending every later time by a day.
void ExpectTheLineWithoutRows150And200(std::vector<std::string> lines) {
  LedTable t{&lines, 7, 299, 0, 1000};
  LedCorrectionState s;
  const PcTimeFit fit = FitRecordedPcTime(t, s);
  ASSERT_TRUE(fit.Fitted);
  EXPECT_NEAR(static_cast<double>(s.PcTimeSlope), 0.033367000573515, 1e-13);
  EXPECT_NEAR(static_cast<double>(s.PcTimeIntercept), 77405.979929109, 1e-8);
  ASSERT_EQ(fit.Warnings.size(), 1u);
  EXPECT_EQ(fit.Warnings[0], "2 rows have no readable recorded PC time and take no part in the time correction.");
}

TEST(LedTimeCorrection, RowsWithoutReadablePcTimeAreLeftOut) {
  std::vector<std::string> lines = BuildLedTestTable();
  for (int f = 8; f <= 10; ++f) SetCsvField(lines[6 + 150], f, "");
  SetCsvField(lines[6 + 200], 10, "1O.5");
  ExpectTheLineWithoutRows150And200(lines);
  LedCorrectionState s;
  s.PcTimeFitted = true;  // as a fit before leaves it
  // Two rows are the least a line needs.
  std::vector<std::string> one = BuildLedTestTable();
  for (int r = 1; r < kLedTableRows; ++r) SetCsvField(one[static_cast<size_t>(6 + r)], 9, "x");
  LedTable u{&one, 7, 299, 0, 1000};
  EXPECT_FALSE(FitRecordedPcTime(u, s).Fitted);
  EXPECT_FALSE(s.PcTimeFitted);
}

// A damaged table can hold a PC time no clock shows (a minute of -99999, a
// second of 1e308, not-a-number): such a row would tip the whole line and
// every corrected time with it, so it is left out like an unreadable one. The
// expected line is the one without rows 150 and 200, as above.
TEST(LedTimeCorrection, RowsWithImpossiblePcTimesAreLeftOut) {
  const struct {
    int field;
    const char* cell;
  } cases[] = {{8, "99999"}, {8, "-1"},  {9, "-99999"}, {9, "60"},  {10, "1e308"},
               {10, "-5"},   {10, "75"}, {10, "nan"},   {10, "inf"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.field) + " " + c.cell);
    std::vector<std::string> lines = BuildLedTestTable();
    SetCsvField(lines[6 + 150], c.field, c.cell);
    SetCsvField(lines[6 + 200], c.field, c.cell);
    ExpectTheLineWithoutRows150And200(lines);
  }
}

TEST(LedTimeCorrection, NoRecordedPcTimeLeavesTimesZero) {
  std::vector<std::string> lines = BuildLedTestTable();
  SetCsvField(lines[6], 8, "");
  LedTable t{&lines, 7, 299, 0, 299};
  LedCorrectionState s;
  const PcTimeFit fit = FitRecordedPcTime(t, s);
  EXPECT_FALSE(fit.Fitted);
  ASSERT_EQ(s.LedFrameTimes.size(), 300u);
  EXPECT_EQ(s.LedFrameTimes[5].FitSeconds, 0);
}

TEST(LedTimeCorrection, FlatCycleFitKeepsThePreviousOffset) {
  Calibrated c;
  const long double before = c.state.LedTimeOffset;
  for (auto& x : c.samples) x.Signal = 3;
  const CycleFitResult again = FitLedCycle(c.table, c.samples, -5, 4, kRate, c.state);
  EXPECT_FALSE(again.SlopeFound);
  EXPECT_EQ(c.state.LedTimeOffset, before);
  EXPECT_EQ(c.state.PpsFrame, 10);
}

// A saturated LED: the same large signal in every cycle but for rounding
// noise. Its "crossing" lies 1e18 cycles away; the fit counts as flat.
TEST(LedTimeCorrection, CrossingFarBeyondAnyCycleCountsAsFlat) {
  Calibrated c;
  const long double before = c.state.LedTimeOffset;
  for (int k = -5; k <= 4; ++k) c.samples[static_cast<size_t>(kLedPulseFrame + 30 * k)].Signal = 1e6L + 1e-12L * k;
  const CycleFitResult again = FitLedCycle(c.table, c.samples, -5, 4, kRate, c.state);
  EXPECT_FALSE(again.SlopeFound);
  EXPECT_EQ(c.state.LedTimeOffset, before);
  EXPECT_EQ(c.state.PpsFrame, 10);
}

// The error is the drift per cycle times the standard error of the zero
// crossing k0 = -b/a in cycles. Expected values by a second method: the
// delta method on numpy.polyfit's covariance of (a, b) (residual variance
// over m - 2), which a Monte Carlo of noisy lines matches to 0.2 %.
// Fewer than three lines leave no scatter: no error is given.
TEST(LedTimeCorrection, EstimatedErrorIsInSeconds) {
  const struct {
    long double rate;
    int pps_line, lower, upper;
    std::vector<long double> signal;  // cycles lower..upper
    std::optional<long double> error;
    const char* shown;
  } rows[] = {
      {29.97L, 200, -3, 4, {-7.5L, -2.3L, 4.2L, 9.4L, 16.1L, 22.4L, 27.8L, 34.3L}, 3.347736906064e-05L, "0.000033477"},
      {30.03L, 5, 0, 6, {-19.75L, -16.5L, -11.25L, -8.0L, -4.25L, 0.5L, 3.25L}, 7.776557770768e-05L, "0.000077766"},
      {59.94L, 370, -6, 0, {18.1L, 15.3L, 13.3L, 10.1L, 8.2L, 5.5L, 2.9L}, 9.169426430355e-05L, "0.000091694"},
      {29.97L, 200, -1, 0, {-7.5L, -2.3L}, std::nullopt, ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(static_cast<double>(r.rate));
    const std::vector<std::string> lines;
    LedTable t{&lines, 4, 400, 0, 1000};
    LedCorrectionState s;
    s.LedCycleFrames = CycleFrames(r.rate);
    std::vector<TLedFrameSample> samples(501);
    for (int k = r.lower; k <= r.upper; ++k)
      samples[static_cast<size_t>(r.pps_line + s.LedCycleFrames * k)].Signal =
          r.signal[static_cast<size_t>(k - r.lower)];
    MarkPpsRisingLine(samples, 400, r.pps_line, s.LedCycleFrames);
    MarkCycleRange(samples, 400, r.pps_line, s.LedCycleFrames, r.lower, r.upper);
    const CycleFitResult fit = FitLedCycle(t, samples, r.lower, r.upper, r.rate, s);
    ASSERT_EQ(fit.Error.has_value(), r.error.has_value());
    if (r.error) {
      EXPECT_NEAR(static_cast<double>(*fit.Error), static_cast<double>(*r.error), 1e-15);
    }
    EXPECT_EQ(fit.Edit27, r.shown);
  }
}

TEST(LedTimeCorrection, CalibrationFrameIsHeldInsideTheRowsAndItsRecordInsideTheVideo) {
  // 100 rows whose field 1 counts from `first_number`; the fitted PC time of
  // frame f is 1000 + f / 30 s. The signals of three cycle lines from the PPS
  // line rise 6 a cycle from `start`.
  const struct {
    int first_number, pps_rising;
    long double start;
    int pps_line, pps_frame;
    int record;  // the frame whose end time is kept
  } rows[] = {
      {0, 5, 10, -25, 0, 0},     // zero crossing before the rows: held at the first row
      {500, 5, 10, -25, 0, 0},
      {0, 35, -2, 35, 35, 35},   // inside: the row's own frame
      {500, 35, -2, 35, 35, 0},  // field 1 far from the frames: held at the first record
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.first_number * 1000 + r.pps_rising);
    std::vector<std::string> lines = {"a", "b", "c"};
    for (int i = 0; i < 100; ++i) lines.push_back(FormatInt(r.first_number + i) + ",0,");
    LedTable t{&lines, 4, 99, 0, 99};
    LedCorrectionState s;
    s.LedCycleFrames = 30;
    s.PcTimeIntercept = 1000;
    s.PcTimeSlope = 1 / 30.0L;
    s.LedFrameTimes.resize(100);
    for (int f = 0; f < 100; ++f) {
      const TimeOfDay d = SplitTimeOfDay(1000 + f / 30.0L);
      s.LedFrameTimes[static_cast<size_t>(f)] = {d.Hour, d.Minute, d.Seconds};
    }
    std::vector<TLedFrameSample> samples(200);
    for (int k = 0; k < 3; ++k) samples[static_cast<size_t>(r.pps_rising + 30 * k)].Signal = r.start + 6 * k;
    MarkPpsRisingLine(samples, 99, r.pps_rising, 30);
    const CycleFitResult fit = FitLedCycle(t, samples, 0, 2, 29.97L, s);
    ASSERT_TRUE(fit.SlopeFound);
    EXPECT_EQ(s.PpsLine, r.pps_line);
    EXPECT_EQ(s.PpsFrame, r.pps_frame);
    EXPECT_EQ(s.PpsEndSeconds, static_cast<double>(s.LedFrameTimes[static_cast<size_t>(r.record)].EndSeconds));
  }
}

TEST(LedTimeCorrection, TimesSplitByTruncationWithoutMidnightWrap) {
  const struct {
    long double t;
    int h, m;
    long double s;
  } rows[] = {{3 * 3600 + 4 * 60 + 5.25L, 3, 4, 5.25L},
              {-0.01L, 0, 0, -0.01L},
              {86400.5L, 24, 0, 0.5L},
              {90061.0L, 25, 1, 1.0L}};
  for (const auto& r : rows) {
    const TimeOfDay d = SplitTimeOfDay(r.t);
    EXPECT_EQ(d.Hour, r.h);
    EXPECT_EQ(d.Minute, r.m);
    EXPECT_NEAR(static_cast<double>(d.Seconds), static_cast<double>(r.s), 1e-12);
  }
  EXPECT_EQ(LedSecondsField(9.12345L), "09.1235");
  EXPECT_EQ(LedSecondsField(59.5L), "59.5000");
  EXPECT_EQ(LedSecondsField(-0.01L), "-0.0100");
}

// Points after midnight put the first frames more than ten seconds before
// it: their seconds are written as numbers that read back.
TEST(LedTimeCorrection, SecondsTenOrMoreBeforeMidnightReadBack) {
  std::vector<std::string> lines = {"a", "b", "c"};
  for (int i = 0; i < 10; ++i) lines.push_back(FormatInt(i) + ",0,0,0,0,0,0,0,0,0");
  LedTable t{&lines, 4, 9, 0, 9};
  LedCorrectionState s;
  // 0.2 s a frame, frame 100 ends at 00:00:05: frame f ends at 0.2 f - 15 s.
  FitMemorisedPoints({FormatMemorisedPoint(1, 100, 0, 0, 5), FormatMemorisedPoint(2, 200, 0, 0, 25)}, 9, s);
  const auto out = ApplyLedTimesToTable(t, 9, s);
  ASSERT_TRUE(out.has_value());
  for (int f : {0, 3, 9}) {
    SCOPED_TRACE(f);
    const std::string& row = (*out)[static_cast<size_t>(3 + f)];
    const auto centre = ParseLongDouble(GetCsvField(row, 6)), end = ParseLongDouble(GetCsvField(row, 7));
    ASSERT_TRUE(centre.has_value());
    ASSERT_TRUE(end.has_value());
    EXPECT_NEAR(static_cast<double>(*end), 0.2 * f - 15, 1e-9);
    EXPECT_NEAR(static_cast<double>(*centre), 0.2 * f - 15.1, 1e-9);
  }
  EXPECT_EQ(LedSecondsField(-12.5L), "-12.5000");
}

// A corrected time within 0.00005 s of a whole minute is written as the next
// minute's "00.0000", never as "60.0000"; the carry reaches the hour too.
// Frames 0.25 s apart, the centre 0.125 s before the end (worked by hand).
TEST(LedTimeCorrection, SecondsRoundingUpToSixtyCarryIntoTheMinute) {
  const struct {
    const char* name;
    const char* points[2];  // ends of frames 0 and 8
    bool fields;
    const char* rows[6];
  } cases[] = {
      {"end of frame 2 at 59.99996", {"0001 00000 10:59:59.4999600", "0002 00008 11:00:01.4999600"}, false,
       {"10,59,59.3750,59.5000", "10,59,59.6250,59.7500", "10,59,59.8750,00.0000", "11,00,00.1250,00.2500"}},
      {"centre of frame 2 at 59.99996", {"0001 00000 10:59:59.6249600", "0002 00008 11:00:01.6249600"}, false,
       {"10,59,59.5000,59.6250", "10,59,59.7500,59.8750", "11,00,00.0000,00.1250", "11,00,00.2500,00.3750"}},
      {"field rows, end", {"0001 00000 10:59:59.4999600", "0002 00008 11:00:01.4999600"}, true,
       {"10,59,59.3750,", "10,59,59.5000,", "10,59,59.6250,", "10,59,59.7500,", "10,59,59.8750,",
        "11,00,00.0000,"}},
      {"field rows, centre", {"0001 00000 10:59:59.6249600", "0002 00008 11:00:01.6249600"}, true,
       {"10,59,59.5000,", "10,59,59.6250,", "10,59,59.7500,", "10,59,59.8750,", "11,00,00.0000,",
        "11,00,00.1250,"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = BuildLedTestTable(1, c.fields);
    LedTable t{&lines, 7, CountLedDataLines(lines, 7), 0, 1000};
    LedCorrectionState s;
    FitMemorisedPoints({c.points[0], c.points[1]}, 1000, s);
    const auto out = ApplyLedTimesToTable(t, 299, s);
    ASSERT_TRUE(out.has_value());
    for (int i = 0; i < (c.fields ? 6 : 4); ++i) {
      const std::string& l = (*out)[static_cast<size_t>(6 + i)];
      EXPECT_EQ(GetCsvField(l, 4) + "," + GetCsvField(l, 5) + "," + GetCsvField(l, 6) + "," + GetCsvField(l, 7),
                c.rows[i])
          << i;
    }
    // The window's table of corrected times shows the same carried times.
    for (const std::string& l : CorrectedTimeTable(t, s)) EXPECT_EQ(l.find("60.0000"), std::string::npos) << l;
  }
}

// Times written with seven decimals whose seconds round up to 60 go into the
// next minute (and hour, past midnight into hour 24): the memorised point
// line, step 1's table of fitted PC times and the fitted column of step 7's.
TEST(LedTimeCorrection, SevenDecimalSecondsRoundingUpToSixtyCarry) {
  const struct {
    int h, m;
    long double s;
    const char* point;  // as memorised for frame 5
    const char* fitted;  // the clock in step 1's table
  } cases[] = {
      {10, 0, 59.99999996L, "0001 00005 10:01:00.0000000", "10  1 00.0000000"},
      {23, 59, 59.99999999L, "0001 00005 24:00:00.0000000", "24  0 00.0000000"},
      {9, 59, 59.99999994L, "0001 00005 09:59:59.9999999", " 9 59 59.9999999"},
      {0, 0, 5.5L, "0001 00005 00:00:05.5000000", " 0  0 05.5000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.point);
    EXPECT_EQ(FormatMemorisedPoint(1, 5, c.h, c.m, c.s), c.point);
    // Two rows, the first at the time, the next a second later: the line
    // through them gives frame 0 that time.
    std::vector<std::string> lines = {"a", "b", "c"};
    for (int i = 0; i < 2; ++i) {
      const long double t = Seconds(c.h, c.m, c.s) + i;
      const TimeOfDay d = SplitTimeOfDay(t);
      lines.push_back(FormatInt(i) + ",0,0,0,0,0,x," + FormatInt(d.Hour) + "," + FormatInt(d.Minute) + "," +
                      FormatFixed(d.Seconds, 9, 18));
    }
    LedTable t{&lines, 4, 1, 0, 1};
    LedCorrectionState s;
    const PcTimeFit fit = FitRecordedPcTime(t, s);
    ASSERT_TRUE(fit.Fitted);
    ASSERT_EQ(fit.Table.size(), 2u);
    EXPECT_EQ(fit.Table[0], std::string("   0 ") + c.fitted + " x");
    std::string corrected = c.fitted;
    for (const size_t at : {2u, 5u}) corrected[at] = ',';
    if (corrected[6] == '0') corrected[6] = ' ';
    EXPECT_EQ(CorrectedTimeTable(t, s)[3].substr(0, 22), "   0," + corrected + ",");
  }
}

TEST(LedTimeCorrection, CycleFramesStayCountableForAnyRate) {
  const std::pair<long double, int32_t> rows[] = {
      {29.97L, 30}, {25.0L, 25}, {0.2L, 0}, {-5.0L, 0}, {100000.4L, 100000}, {2147483647.0L, 100000}, {1e20L, 100000}};
  for (const auto& [rate, frames] : rows) EXPECT_EQ(CycleFrames(rate), frames) << static_cast<double>(rate);
}

TEST(LedTimeCorrection, CycleKindUsesWholeRatesWithinATolerance) {
  EXPECT_EQ(CycleKind(29.97L), LedCycleKind::Increase);
  EXPECT_EQ(CycleKind(59.94L), LedCycleKind::Increase);
  EXPECT_EQ(CycleKind(30.03L), LedCycleKind::Decrease);
  EXPECT_EQ(CycleKind(25.0L), LedCycleKind::WholeRate);
  EXPECT_EQ(CycleKind(25.00001L), LedCycleKind::WholeRate);
  EXPECT_EQ(CycleKind(29.99999999L), LedCycleKind::WholeRate);
  EXPECT_NEAR(static_cast<double>(CycleDrift(29.97L)), 0.001001001, 1e-9);
  EXPECT_EQ(CycleDrift(25.0L), 0);
}

TEST(LedMemorisedPoints, FormatParseSortAndDuplicates) {
  EXPECT_EQ(FormatMemorisedPoint(1, 123, 5, 7, 9.1234567L), "0001 00123 05:07:09.1234567");
  // Six-digit frames push the columns right; tokens still read them.
  const std::string big = FormatMemorisedPoint(2, 123456, 23, 59, 59.5L);
  EXPECT_EQ(big, "0002 123456 23:59:59.5000000");
  const MemorisedPoint p = ParseMemorisedPoint(big);
  EXPECT_EQ(p.Frame, 123456);
  EXPECT_EQ(p.Hour, 23);
  EXPECT_EQ(p.Minute, 59);
  EXPECT_EQ(p.Seconds, 59.5L);
  const MemorisedPoint junk = ParseMemorisedPoint("0003 abcde xx:yy:zz");
  EXPECT_EQ(junk.Frame, 1);
  EXPECT_EQ(junk.Hour, 0);
  EXPECT_EQ(junk.Seconds, 1);

  std::vector<std::string> points;
  EXPECT_TRUE(AddMemorisedPoint(points, 900, 1, 2, 3.0L));
  EXPECT_TRUE(AddMemorisedPoint(points, 100000, 1, 3, 3.0L));
  EXPECT_TRUE(AddMemorisedPoint(points, 50, 1, 1, 3.0L));
  EXPECT_FALSE(AddMemorisedPoint(points, 900, 9, 9, 9.0L));
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0], "0001 00050 01:01:03.0000000");
  EXPECT_EQ(points[1], "0002 00900 01:02:03.0000000");
  EXPECT_EQ(points[2], "0003 100000 01:03:03.0000000");
}

TEST(LedMemorisedPoints, TwoPointsDefineTheLineExactly) {
  // Frame 100 ends at 10:00:00, frame 400 at 10:00:10.010: 1/29.97 s apart.
  std::vector<std::string> points;
  AddMemorisedPoint(points, 100, 10, 0, 0.0L);
  AddMemorisedPoint(points, 400, 10, 0, 10.01L);
  LedCorrectionState s;
  const std::vector<std::string> memo = FitMemorisedPoints(points, 499, s);
  EXPECT_EQ(memo[0], "PPSNum=2");
  ASSERT_EQ(s.LedFrameTimes.size(), 500u);
  const TLedFrameTime& r = s.LedFrameTimes[250];
  EXPECT_EQ(r.EndHour, 10);
  EXPECT_EQ(r.EndMinute, 0);
  EXPECT_NEAR(static_cast<double>(r.EndSeconds), 5.005, 1e-9);
  EXPECT_NEAR(static_cast<double>(r.EndSeconds - r.CentreSeconds), 10.01 / 300 / 2, 1e-12);
  // Frame 0 lies before 10:00:00: its time falls back into hour 9.
  EXPECT_EQ(s.LedFrameTimes[0].EndHour, 9);
  EXPECT_EQ(s.LedFrameTimes[0].EndMinute, 59);
}

TEST(LedPpsChoice, ClicksChooseTheNearestLitLineInsideTheData) {
  std::vector<TLedFrameSample> s(100);
  s[30].Lit = s[36].Lit = 1;
  auto dist = [](int line) { return static_cast<long double>(std::abs(line - 35)); };
  EXPECT_EQ(ChoosePpsRisingLine(s, 89, 35, dist), 36);
  // Nothing lit within 20 lines: the first line of the range, held at line 0.
  EXPECT_EQ(ChoosePpsRisingLine(s, 89, 80, dist), 60);
  EXPECT_EQ(ChoosePpsRisingLine(s, 89, 5, [](int) { return 0.0L; }), 0);
  // Right of the data, or before it: refused.
  EXPECT_FALSE(ChoosePpsRisingLine(s, 89, 110, dist).has_value());
  EXPECT_FALSE(ChoosePpsRisingLine(s, 89, -21, dist).has_value());
}

TEST(LedPpsChoice, CycleBoundsStayInsideTheCycleTable) {
  EXPECT_EQ(CycleRangeBounds(299, 160, 30).Lower, -5);
  EXPECT_EQ(CycleRangeBounds(299, 160, 30).Upper, 4);
  EXPECT_EQ(CycleRangeBounds(5000, 2000, 30).Lower, -30);
  EXPECT_EQ(CycleRangeBounds(5000, 2000, 30).Upper, 40);
  EXPECT_EQ(CycleRangeBounds(5000, 2000, 0).Upper, 0);
  std::vector<TLedFrameSample> s(200);
  MarkCycleRange(s, 120, 60, 30, -2, 2);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(s[static_cast<size_t>(i)].InFit, i == 0 || i == 30 || i == 90) << i;
}

TEST(LedBackground, DegreeOneIsTheLeastSquaresLineThroughTheDarkFrames) {
  std::vector<std::string> lines = {"a", "b", "c"};
  // Dark frames on 50 + 0.01 i with +-0.3 alternating; every third frame lit.
  for (int i = 0; i < 90; ++i) {
    const long double v = i % 3 == 2 ? 150.0L : 50 + 0.01L * i + (i % 2 ? 0.3L : -0.3L);
    lines.push_back(FormatInt(i) + "," + FormatFixed(v, 6, 15) + ",");
  }
  std::vector<TLedFrameSample> s(200);
  const LedBackgroundFit fit = FitLedBackground(lines, 4, 89, 2.5, 1, s);
  EXPECT_EQ(fit.Mode, 50);
  EXPECT_EQ(fit.BackgroundCount, 60);
  // Least squares by hand over the 60 dark frames (x = i, y = 50 + 0.01 i +- 0.3).
  long double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (int i = 0; i < 90; ++i) {
    if (i % 3 == 2) continue;
    const long double y = 50 + 0.01L * i + (i % 2 ? 0.3L : -0.3L);
    sx += i, sy += y, sxx += static_cast<long double>(i) * i, sxy += i * y;
  }
  const long double slope = (60 * sxy - sx * sy) / (60 * sxx - sx * sx), icpt = (sy - slope * sx) / 60;
  EXPECT_NEAR(static_cast<double>(fit.Coefficients[1]), static_cast<double>(slope), 1e-9);
  EXPECT_NEAR(static_cast<double>(fit.Coefficients[0]), static_cast<double>(icpt), 1e-7);
  EXPECT_EQ(s[2].Lit, 1);
  EXPECT_NEAR(static_cast<double>(s[2].Signal), 150 - static_cast<double>(icpt + 2 * slope), 1e-6);
  // Band factor 0: only a brightness equal to the mode is background (frame 30: 50.3 - 0.3).
  const LedBackgroundFit narrow = FitLedBackground(lines, 4, 89, 0.0, 1, s);
  EXPECT_EQ(narrow.BackgroundCount, 1);
  EXPECT_EQ(s[30].Lit, 0);
  EXPECT_EQ(s[31].Lit, 1);
  EXPECT_EQ(EvaluatePolynomial(fit.Coefficients, 0, 3), 0);
  EXPECT_EQ(EvaluatePolynomial(std::vector<long double>(22, 1.0L), 21, 2), 0);
  EXPECT_EQ(EvaluatePolynomial(std::vector<long double>{1, 2, 3}, 2, 2), 17);
}

// Rows removed from the table after it was counted (the band is moved before
// step 1 is run again): the missing rows read as 0 but must not become the
// dark level or background points.
TEST(LedBackground, RowsGoneFromTheTableTakeNoPartInTheFit) {
  std::vector<std::string> lines = {"a", "b", "c"};
  for (int i = 0; i < 90; ++i) {
    const long double v = i % 3 == 2 ? 150.0L : 50 + 0.01L * i + (i % 2 ? 0.3L : -0.3L);
    lines.push_back(FormatInt(i) + "," + FormatFixed(v, 6, 15) + ",");
  }
  std::vector<TLedFrameSample> whole(200), cut(200);
  const LedBackgroundFit fit = FitLedBackground(lines, 4, 89, 2.5, 1, whole);
  // Counted with 150 rows, 60 of them gone since.
  const LedBackgroundFit after = FitLedBackground(lines, 4, 149, 2.5, 1, cut);
  EXPECT_EQ(after.Mode, 50);
  EXPECT_EQ(after.BackgroundCount, 60);
  ASSERT_EQ(after.Coefficients.size(), 2u);
  // The least-squares line through the 60 dark rows (see the test above).
  EXPECT_NEAR(static_cast<double>(after.Coefficients[1]), static_cast<double>(fit.Coefficients[1]), 1e-12);
  EXPECT_NEAR(static_cast<double>(after.Coefficients[0]), static_cast<double>(fit.Coefficients[0]), 1e-9);
  EXPECT_EQ(cut[120].BackgroundSample, -1.0L);
  EXPECT_EQ(cut[2].Lit, 1);
  EXPECT_EQ(cut[3].Lit, 0);
}

// The default degree 8 over 600 rows: a dark level bowing up by 1.0 with
// +-0.5 of noise, the LED lit in the first 3 frames of every 30. Expected
// figures from numpy (histogram, band and polyfit of the same selection):
// bins 40/41/140/141 hold 194/346/20/40, the widths are 1, 1, 1, and 527 of
// the 540 dark rows lie inside 41 +- 1.25.
TEST(LedBackground, DefaultDegreeMatchesAnIndependentLeastSquaresFit) {
  std::vector<std::string> lines = {"a", "b", "c"};
  for (int i = 0; i < 600; ++i) {
    const int tenths = 400 + i * (600 - i) / 9000 + (i * 7919 % 11 - 5) + (i % 30 < 3 ? 1000 : 0);
    lines.push_back(FormatInt(i) + "," + FormatFixed(tenths / 10.0L, 1, 15) + ",");
  }
  std::vector<TLedFrameSample> s(701);
  const LedBackgroundFit fit = FitLedBackground(lines, 4, 599, 2.5, 8, s);
  EXPECT_EQ(fit.Histogram[40], 194);
  EXPECT_EQ(fit.Histogram[41], 346);
  EXPECT_EQ(fit.Histogram[140], 20);
  EXPECT_EQ(fit.Histogram[141], 40);
  EXPECT_EQ(fit.Mode, 41);
  EXPECT_EQ(fit.Sigma, 0.5L);
  EXPECT_EQ(fit.BackgroundCount, 527);
  ASSERT_EQ(fit.Coefficients.size(), 9u);
  const struct {
    int line;
    double background;
  } rows[] = {{0, 40.10716514056574},  {3, 40.123947467475496}, {100, 40.49050120591583},
              {299, 40.908562628799366}, {450, 40.71195425810666}, {599, 40.21002004962843}};
  for (const auto& r : rows) {
    const TLedFrameSample& at = s[static_cast<size_t>(r.line)];
    EXPECT_NEAR(static_cast<double>(at.FittedBackground), r.background, 1e-6) << r.line;
    EXPECT_EQ(at.Signal, at.Brightness - at.FittedBackground) << r.line;
  }
  EXPECT_EQ(s[0].Lit, 1);
  EXPECT_EQ(s[3].Lit, 0);
}

TEST(LedBoxHistogram, PixelsStatisticsAndModelLevel) {
  Bitmap24 frame(10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) frame.Set(x, y, {static_cast<uint8_t>(10 * x), static_cast<uint8_t>(10 * x), 0});
  // A 3 x 3 box at the top-right corner: column 10 counts as black, column 11
  // is skipped; row -1 counts as black.
  const LedBoxHistogram h = GrabLedBoxHistogram(frame, {9, 0, 2, 1});
  int total = 0;
  for (int v : h) total += v;
  EXPECT_EQ(total, 12);
  EXPECT_EQ(h[0], 6);  // row -1 (4 pixels) and column 10 (rows 0, 1)
  EXPECT_EQ(h[47], 2);  // (70 + 70) / 3 = 46.67
  EXPECT_EQ(h[53], 2);
  EXPECT_EQ(h[60], 2);
  const LedBoxStats st = LedBoxStatistics(h);
  EXPECT_NEAR(static_cast<double>(st.Mean), (2 * 47 + 2 * 53 + 2 * 60) / 12.0, 1e-12);
  EXPECT_EQ(LedBoxStatistics(LedBoxHistogram{}).StdDev, 1.0L);
  EXPECT_NEAR(static_cast<double>(VRatio({100, 4})), 4 / (0.55 + 0.33 * 10), 1e-12);

  // A Gaussian box at grey 102 (level 0.4) with the spread the model has there.
  const long double nf = 1.0L, sd = 0.55L + 0.33L * std::sqrt(102.0L);
  LedBoxHistogram g{};
  for (int i = 0; i < 256; ++i)
    g[static_cast<size_t>(i)] =
        static_cast<int32_t>(std::lround(289 * std::exp(-(i - 102.0) * (i - 102.0) / (2 * sd * sd)) / (sd * 2.5066282746)));
  const ModelHistogramFit fit = FitModelHistogram(g, nf);
  ASSERT_TRUE(fit.Fitted);
  EXPECT_NEAR(static_cast<double>(fit.BestLevel), 0.4, 0.006);
  EXPECT_FALSE(FitModelHistogram(g, 16).Fitted);
}

// The coarse and the two refining scans, each stopping at the first score
// above its best, against a second implementation of them (Python, double
// precision) on a box of 289 pixels spread evenly over centre - 4..centre + 4.
TEST(LedBoxHistogram, ModelLevelSearchMatchesASecondImplementation) {
  const struct {
    long double noise_factor;
    int centre;
    long double level;
  } rows[] = {{0.5L, 0, 1.01L},   {1, 102, 0.4L},   {3, 102, 0.399L},  {5, 20, 0},      {7, 20, 0.08L},
              {7, 102, 0.398L},   {7, 250, 1.0L},   {12, 20, 0.06L},   {12, 102, 0.392L}, {15, 200, 0.79L}};
  for (const auto& r : rows) {
    LedBoxHistogram h{};
    for (int k = 0; k < 289; ++k) ++h[static_cast<size_t>(std::clamp(r.centre + k * 37 % 9 - 4, 0, 255))];
    const ModelHistogramFit fit = FitModelHistogram(h, r.noise_factor);
    SCOPED_TRACE(testing::Message() << "noise " << static_cast<double>(r.noise_factor) << " centre " << r.centre);
    ASSERT_TRUE(fit.Fitted);
    EXPECT_NEAR(static_cast<double>(fit.BestLevel), static_cast<double>(r.level), 1e-9);
    EXPECT_NEAR(static_cast<double>(fit.ModelLevel), static_cast<double>(r.level / r.noise_factor), 1e-9);
  }
}

}  // namespace
