// Noise reduction against values computed here from the block sums.
#include "chart/NoiseReduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <random>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "support/ChartTestTables.h"
#include "support/SpreadsheetSaves.h"

namespace {

struct Sums {
  long a, b, c, d;
};

std::vector<std::string> Table(const std::vector<Sums>& s, int version = 3) {
  std::vector<TableRowCells> rows;
  for (size_t r = 0; r < s.size(); ++r) {
    TableRowCells row;
    row.No = std::to_string(r + 100) + ".0";
    row.H = "1";
    row.M = "2";
    row.S = "3";
    auto& o = row.Objects[0];
    o.ApertureSum = std::to_string(s[r].a);
    o.BackgroundSum = std::to_string(s[r].b);
    o.AperturePixels = std::to_string(s[r].c);
    o.BackgroundPixels = std::to_string(s[r].d);
    o.Value = "0.0";
    rows.push_back(row);
  }
  return BuildResultTable(version, 1, rows);
}

// In extended precision, as the program computes it (ties of the one-decimal
// text depend on it).
long double RawL(const Sums& s) { return s.a - static_cast<long double>(s.b) * s.c / s.d; }
double Raw(const Sums& s) { return static_cast<double>(RawL(s)); }

double Field11(const std::vector<std::string>& lines, int r) {
  return ParseDouble(GetCsvField(lines[static_cast<size_t>(6 + r)], 11)).value();
}

std::vector<Sums> Series(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<long> a(5000, 9000), b(2000, 2600);
  std::vector<Sums> s;
  for (int i = 0; i < n; ++i) s.push_back({a(rng), b(rng), 21 + i % 3, 60 + i % 5});
  return s;
}

}  // namespace

TEST(ApplyNoiseReduction, UnfilteredValueFromTheSums) {
  const auto s = Series(20, 1);
  for (int version : {3, 2, 1}) {
    const auto lines = Table(s, version);
    NoiseReductionParams p;
    p.CsvVersion = version;
    const auto out = ApplyNoiseReduction(lines, p);
    ASSERT_TRUE(out.Changed) << out.Error;
    for (int r = 0; r < 20; ++r)
      EXPECT_EQ(GetCsvField(out.Lines[6 + r], 11), FormatOneDecimal(RawL(s[static_cast<size_t>(r)]))) << version << " " << r;
    EXPECT_EQ(out.Lines[0], lines[0]);
    EXPECT_EQ(out.Lines.size(), lines.size());
  }
}

// A table saved by a program that quotes every cell ("5000") filters the same
// sums as the plain one.
TEST(ApplyNoiseReduction, EveryCellQuotedReadsTheSums) {
  const auto s = Series(12, 4);
  NoiseReductionParams p;
  p.HalfWidth[0] = 1;
  const auto out = ApplyNoiseReduction(EveryCellQuoted(Table(s)), p);
  ASSERT_TRUE(out.Changed) << out.Error;
  auto mean = [&](int r, long Sums::*f) {
    double sum = 0;
    for (int i = std::max(r - 1, 0); i <= std::min(r + 1, 11); ++i) sum += static_cast<double>(s[size_t(i)].*f);
    return sum / (std::min(r + 1, 11) - std::max(r - 1, 0) + 1);
  };
  for (int r : {0, 5, 11})
    EXPECT_NEAR(Field11(out.Lines, r), mean(r, &Sums::a) - mean(r, &Sums::b) * mean(r, &Sums::c) / mean(r, &Sums::d),
                0.05 + 1e-9)
        << r;
}

TEST(ApplyNoiseReduction, MovingAverageCutAtTheEnds) {
  const auto s = Series(10, 2);
  NoiseReductionParams p;
  p.HalfWidth[0] = 3;
  const auto out = ApplyNoiseReduction(Table(s), p);
  ASSERT_TRUE(out.Changed);
  auto ma = [&](int lo, int hi, long Sums::*f) {
    double sum = 0;
    for (int i = lo; i <= hi; ++i) sum += static_cast<double>(s[static_cast<size_t>(i)].*f);
    return sum / (hi - lo + 1);
  };
  struct Row {
    int r, lo, hi;
  };
  for (Row row : {Row{0, 0, 3}, Row{5, 2, 8}, Row{9, 6, 9}}) {
    const double expect = ma(row.lo, row.hi, &Sums::a) -
                          ma(row.lo, row.hi, &Sums::b) * ma(row.lo, row.hi, &Sums::c) / ma(row.lo, row.hi, &Sums::d);
    EXPECT_NEAR(Field11(out.Lines, row.r), expect, 0.05 + 1e-9) << row.r;
  }
}

TEST(ApplyNoiseReduction, BackgroundOnlyAndGaussian) {
  const auto s = Series(10, 3);
  const auto lines = Table(s);
  NoiseReductionParams p;
  p.HalfWidth[0] = 1;
  p.Mode = NoiseFilterMode::BackgroundOnly;
  auto out = ApplyNoiseReduction(lines, p);
  ASSERT_TRUE(out.Changed);
  {
    const double mb = (s[4].b + s[5].b + s[6].b) / 3.0, md = (s[4].d + s[5].d + s[6].d) / 3.0;
    EXPECT_NEAR(Field11(out.Lines, 5), s[5].a - mb * s[5].c / md, 0.05 + 1e-9);
  }
  p.Mode = NoiseFilterMode::Gaussian;
  out = ApplyNoiseReduction(lines, p);
  EXPECT_NEAR(Field11(out.Lines, 0), (Raw(s[0]) + 0.369 * Raw(s[1])) / 1.369, 0.05 + 1e-9);
  p.HalfWidth[0] = 17;  // any width from 2 up uses the five-point row
  out = ApplyNoiseReduction(lines, p);
  const double w[5] = {0.36, 0.775, 1, 0.775, 0.36};
  double sum = 0, ws = 0;
  for (int i = 3; i <= 7; ++i) {
    sum += Raw(s[static_cast<size_t>(i)]) * w[i - 3];
    ws += w[i - 3];
  }
  EXPECT_NEAR(Field11(out.Lines, 5), sum / ws, 0.05 + 1e-9);
}

TEST(ApplyNoiseReduction, ConversionErrorLeavesTheTable) {
  auto s = Series(5, 5);
  auto lines = Table(s);
  SetCsvField(lines[9], 17, "12.5");  // a real where the integer is read
  NoiseReductionParams p;
  p.Mode = NoiseFilterMode::BackgroundOnly;
  const auto out = ApplyNoiseReduction(lines, p);
  EXPECT_FALSE(out.Changed);
  EXPECT_EQ(out.Error, "'12.5' is not a valid integer value");
  // Modes that read the sums as reals accept it.
  p.Mode = NoiseFilterMode::MeasurementValue;
  EXPECT_TRUE(ApplyNoiseReduction(lines, p).Changed);
}

TEST(ApplyNoiseReduction, FftLowPassKeepsTheSlowWave) {
  // 1024 records: a slow wave at bin 4 plus a fast one at bin 300.
  const int n = 1024;
  std::vector<Sums> s;
  std::vector<double> slow(n);
  for (int i = 0; i < n; ++i) {
    slow[static_cast<size_t>(i)] = 5000 + 800 * std::sin(2 * M_PI * 4 * i / n);
    const double v = slow[static_cast<size_t>(i)] + 300 * std::cos(2 * M_PI * 300 * i / n);
    s.push_back({std::lround(v), 0, 1, 1});
  }
  NoiseReductionParams p;
  p.Mode = NoiseFilterMode::Fft;
  p.CutoffBin = 100;
  const auto out = ApplyNoiseReduction(Table(s), p);
  ASSERT_TRUE(out.Changed);
  EXPECT_EQ(out.BlockStart, 0);
  double worst = 0;
  for (int i = 0; i < n; ++i) worst = std::max(worst, std::fabs(Field11(out.Lines, i) - slow[static_cast<size_t>(i)]));
  EXPECT_LT(worst, 0.6);  // rounding of the integer sums and of the one decimal
}

TEST(ApplyNoiseReduction, FftBlockPlacementForShortAndLongTables) {
  {
    const auto out = ApplyNoiseReduction(Table(Series(500, 6)), [] {
      NoiseReductionParams p;
      p.Mode = NoiseFilterMode::Fft;
      return p;
    }());
    EXPECT_EQ(out.BlockStart, -262);
  }
  const auto s = Series(5000, 7);
  auto lines = Table(s);
  NoiseReductionParams p;
  p.Mode = NoiseFilterMode::Fft;
  p.BlockStart = 4500;
  const auto out = ApplyNoiseReduction(lines, p);
  EXPECT_EQ(out.BlockStart, 3976);
  // Before the block: the first pass's unfiltered value.
  EXPECT_EQ(GetCsvField(out.Lines[6 + 3975], 11), FormatOneDecimal(RawL(s[3975])));
  EXPECT_NE(GetCsvField(out.Lines[6 + 4000], 11), FormatOneDecimal(RawL(s[4000])));
}

TEST(ApplyNoiseReduction, SpotErasingRemovesOneWave) {
  const int n = 1024;
  std::vector<Sums> s;
  for (int i = 0; i < n; ++i)
    s.push_back({std::lround(4000 + 500 * std::cos(2 * M_PI * 11 * i / n)), 0, 1, 1});
  NoiseReductionParams p;
  p.Mode = NoiseFilterMode::Fft;
  p.CutoffBin = 512;  // keep every bin ...
  p.SpotErasing = true;
  p.SpotFrom = 10;  // ... but bins 10..12 and their mirrors 1012..1014
  p.SpotTo = 12;
  const auto out = ApplyNoiseReduction(Table(s), p);
  ASSERT_TRUE(out.Changed);
  for (int i = 0; i < n; i += 37) EXPECT_NEAR(Field11(out.Lines, i), 4000, 0.6) << i;
  p.SpotFrom = 2000;  // outside: becomes 0
  EXPECT_EQ(ApplyNoiseReduction(Table(s), p).SpotFrom, 0);
}

// A real series has mirrored bins k and N - k: the filter must treat both
// alike, else half of a wave survives in the real part. Expected values are
// numpy's rfft/irfft of the same series with the same bins removed.
TEST(ApplyNoiseReduction, FftErasesMirroredBinsTogether) {
  const int n = 1024;
  auto series = [&](int bin1, int bin2) {
    std::vector<Sums> s;
    for (int i = 0; i < n; ++i)
      s.push_back({std::lround(3000 + 400 * std::sin(2 * M_PI * bin1 * i / n + 0.3) +
                               250 * std::cos(2 * M_PI * bin2 * i / n)),
                   0, 1, 1});
    return s;
  };
  struct Case {
    const char* name;
    int bin1, bin2;  // the sine and the cosine
    std::function<void(NoiseReductionParams&)> set;
    std::array<double, 6> expect;  // records 0, 1, 7, 100, 513, 1023
  };
  const Case cases[] = {
      {"LowPassDropsTheCutOffBin", 100, 99, [](NoiseReductionParams& p) { p.CutoffBin = 100; },
       {3250.0, 3205.2756, 2888.9695, 2876.7755, 2794.7244, 3205.2756}},
      {"OutsideKeepsTheCutOffBin", 100, 99,
       [](NoiseReductionParams& p) {
         p.CutoffBin = 100;
         p.EraseInside = false;
       },
       {118.2081, 316.6814, -397.254, -368.7081, 316.6814, -123.3911}},
      {"SpotErasing", 10, 13,
       [](NoiseReductionParams& p) {
         p.CutoffBin = 513;
         p.SpotErasing = true;
         p.SpotFrom = 10;
         p.SpotTo = 12;
       },
       {3250.0, 3249.2051, 3212.0301, 2969.3973, 2750.7949, 3249.2051}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NoiseReductionParams p;
    p.Mode = NoiseFilterMode::Fft;
    c.set(p);
    const auto out = ApplyNoiseReduction(Table(series(c.bin1, c.bin2)), p);
    ASSERT_TRUE(out.Changed);
    const int records[6] = {0, 1, 7, 100, 513, 1023};
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(Field11(out.Lines, records[k]), c.expect[static_cast<size_t>(k)], 0.6) << records[k];
  }
}

// Wavelet filtering at the default threshold, the noise taken from records 0..400.
static NoiseReductionResult WaveletWithNoiseOfRecords0To400(const std::vector<Sums>& s) {
  NoiseReductionParams p;
  p.Mode = NoiseFilterMode::Wavelet;
  p.NoiseFrom = 0;
  p.NoiseTo = 400;
  return ApplyNoiseReduction(Table(s), p);
}

TEST(ApplyNoiseReduction, WaveletThresholdSmoothsNoise) {
  const int n = 1024;
  std::mt19937 rng(10);
  std::normal_distribution<double> noise(0, 40);
  std::vector<Sums> s;
  for (int i = 0; i < n; ++i) s.push_back({std::lround((i < 512 ? 6000 : 3000) + noise(rng)), 0, 1, 1});
  const auto out = WaveletWithNoiseOfRecords0To400(s);
  ASSERT_TRUE(out.Changed);
  double err_in = 0, err_out = 0;
  for (int i = 0; i < n; ++i) {
    const double truth = i < 512 ? 6000 : 3000;
    err_in += std::pow(Raw(s[static_cast<size_t>(i)]) - truth, 2);
    err_out += std::pow(Field11(out.Lines, i) - truth, 2);
  }
  EXPECT_LT(err_out, err_in / 4);
}

// The ten-level periodic pyramid, the population noise of records 0..400 and
// the hard threshold at 0.70 x sqrt(2 ln 1024) x sigma, rebuilt independently
// in numpy from the filter taps: the values below are its output.
TEST(ApplyNoiseReduction, WaveletAgreesWithAnIndependentPyramid) {
  std::vector<Sums> s;
  for (int i = 0; i < 1024; ++i)
    s.push_back({std::lround((i < 512 ? 6000 : 3000) + 40 * std::sin(i * 0.37) + 25 * std::cos(i * 1.91)), 0, 1, 1});
  const auto out = WaveletWithNoiseOfRecords0To400(s);
  ASSERT_TRUE(out.Changed);
  ASSERT_TRUE(out.NoiseSd);
  EXPECT_EQ(FormatFixed(*out.NoiseSd, 1, 5), "33.3");
  const std::pair<int, const char*> expect[] = {{0, "6020.5"},   {1, "5998.3"},   {100, "6000.2"}, {511, "6024.0"},
                                                {512, "3018.9"}, {513, "3065.3"}, {900, "2999.7"}, {1023, "3056.3"}};
  for (const auto& [r, text] : expect) EXPECT_EQ(GetCsvField(out.Lines[static_cast<size_t>(6 + r)], 11), text) << r;
}

TEST(ResetNoiseReduction, RebuildsEveryObjectUnfiltered) {
  const auto s = Series(30, 11);
  NoiseReductionParams p;
  p.HalfWidth[0] = 5;
  const auto smoothed = ApplyNoiseReduction(Table(s), p);
  const auto reset = ResetNoiseReduction(smoothed.Lines, 3, 1);
  ASSERT_TRUE(reset.Changed);
  for (int r = 0; r < 30; ++r) EXPECT_EQ(GetCsvField(reset.Lines[6 + r], 11), FormatOneDecimal(RawL(s[static_cast<size_t>(r)])));
  // Applying twice is the same as once: the blocks never change.
  EXPECT_EQ(ApplyNoiseReduction(smoothed.Lines, p).Lines, smoothed.Lines);
}

TEST(ApplyNoiseReduction, ShortTablesFillTheWholeTransformBlock) {
  // A series shorter than the block is padded with its first and last values,
  // so a constant series comes back unchanged however short it is; one record
  // is both the first and the last.
  struct Case {
    int records, block;
  };
  for (const Case c : {Case{1, 512}, Case{1, 1024}, Case{2, 512}, Case{3, 1024}}) {
    const std::vector<Sums> s(static_cast<size_t>(c.records), Sums{5888, 2033, 21, 60});  // 5176.45 each
    NoiseReductionParams p;
    p.Mode = NoiseFilterMode::Fft;
    p.FftLength = c.block;
    const auto out = ApplyNoiseReduction(Table(s), p);
    ASSERT_TRUE(out.Changed) << c.records;
    for (int r = 0; r < c.records; ++r) EXPECT_NEAR(Field11(out.Lines, r), 5176.45, 0.051) << c.records << " " << c.block;
  }
}

// Edits at the int limits give what a value just past the block's edge gives.
TEST(ApplyNoiseReduction, EditsAtTheIntLimitsActAsTheBlocksEdges) {
  const auto lines = Table(Series(40, 6));
  struct Row {
    const char* name;
    std::function<void(NoiseReductionParams&, int)> set;  // the value, or its in-range stand-in
    int limit, stand_in;
  };
  const Row rows[] = {
      {"BlockStartLow", [](NoiseReductionParams& p, int v) { p.BlockStart = v; }, INT_MIN, -100},
      {"CutoffLow", [](NoiseReductionParams& p, int v) { p.CutoffBin = v; }, INT_MIN, -100},
      {"CutoffHigh", [](NoiseReductionParams& p, int v) { p.CutoffBin = v; }, INT_MAX, 100},
      {"BandFromLow",
       [](NoiseReductionParams& p, int v) {
         p.BandPassCheck = true;
         p.BandFrom = v;
       },
       INT_MIN, -100},
      {"BandToHigh",
       [](NoiseReductionParams& p, int v) {
         p.BandPassCheck = true;
         p.BandTo = v;
       },
       INT_MAX, 100},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    NoiseReductionParams p;
    p.Mode = NoiseFilterMode::Fft;
    p.FftLength = 16;  // shorter than the table: the block start counts
    NoiseReductionParams q = p;
    r.set(p, r.limit);
    r.set(q, r.stand_in);
    const auto at_limit = ApplyNoiseReduction(lines, p);
    const auto stand_in = ApplyNoiseReduction(lines, q);
    ASSERT_TRUE(at_limit.Changed);
    EXPECT_EQ(at_limit.Lines, stand_in.Lines);
  }
  // The statistics' frame range: nothing at all, or the whole table.
  const int first = 100, last = 139;
  EXPECT_EQ(AvgBkgStatistics(lines, 3, 1, INT_MIN, INT_MIN, true).Mean[0], "0");
  EXPECT_EQ(AvgBkgStatistics(lines, 3, 1, INT_MIN, INT_MAX, true).Mean[0],
            AvgBkgStatistics(lines, 3, 1, first, last, false).Mean[0]);
  EXPECT_EQ(AvgBkgStatistics(lines, 3, 1, INT_MAX, INT_MAX, false).Mean[0], "0");
}

// Mean and sample standard deviation over a frame range (numpy, ddof=1); in
// field mode a frame is both of its field records.
TEST(AvgBkgStatistics, FrameRangeInFramesAndFields) {
  const double values[6] = {10, 12, 14, 11, 13, 20};
  auto table = [&](bool fields) {
    std::vector<TableRowCells> rows;
    for (int r = 0; r < 6; ++r) {
      TableRowCells row;
      row.No = fields ? std::to_string(100 + r / 2) + (r % 2 ? ".5" : ".0") : std::to_string(100 + r) + ".0";
      row.Objects[0].Value = FormatOneDecimal(values[r]);
      rows.push_back(row);
    }
    return BuildResultTable(3, 1, rows);
  };
  struct Case {
    bool fields;
    int begin, end;
    const char *mean, *sd;
  } cases[] = {
      {false, 101, 104, "12.5", "1.3"},  // records 1..4
      {true, 101, 101, "12.5", "2.1"},   // records 2..3
      {true, 100, 102, "13.3", "3.6"},   // records 0..5
      {true, 102, 105, "16.5", "4.9"},   // records 4..5: the table ends
  };
  for (const Case& c : cases) {
    const ObjectStatistics st = AvgBkgStatistics(table(c.fields), 3, 1, c.begin, c.end, c.fields);
    EXPECT_EQ(st.Mean[0], c.mean) << c.fields << " " << c.begin << ".." << c.end;
    EXPECT_EQ(st.Sd[0], c.sd) << c.fields << " " << c.begin << ".." << c.end;
    EXPECT_EQ(st.RecordFrom, c.begin - 100);
    EXPECT_EQ(st.RecordTo, c.end - 100);
  }
}

// A table cut inside its header has no records to average, in either mode.
TEST(AvgBkgStatistics, TableCutInsideItsHeader) {
  const std::vector<std::string> full = Table(Series(3, 4));
  for (size_t n = 0; n <= 6; ++n) {
    const std::vector<std::string> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    for (bool fields : {false, true}) {
      const ObjectStatistics st = AvgBkgStatistics(cut, 3, 1, 100, 102, fields);
      EXPECT_EQ(st.Mean[0], "0") << n;
      EXPECT_TRUE(st.Error.empty()) << n;
    }
  }
}
