// The fit's look-up grid against the model's direct evaluation: the same
// intensities and exposure means to rounding (far below 1e-6 of the drop),
// the same values on any number of threads and in any batch, and the same
// fitted times and printed figures as a search over the direct model.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

#include "base/NumberText.h"
#include "events/DiffractionDrawing.h"
#include "events/DiffractionFit.h"
#include "events/DiffractionGrid.h"

namespace {

const SpectralModel& Spectrum() {
  static const SpectralModel m = [] {
    SpectralModel s;
    s.StarTemperature = 5500;
    ComputeSpectralWeights(s, "/nonexistent/CCDSpectralSensitivity.csv");
    return s;
  }();
  return m;
}

struct ModelCase {
  const char* Name;
  long double Rate;
  uint8_t Disk, Field, Pair;
  double DiameterMas;
};

DiffractionParams Params(const ModelCase& c) {
  DiffractionParams p;
  p.ObjectDistance = 384000000;
  p.ObjectVelocity = 750;
  p.ModelFrameRate = c.Rate;
  p.StarDiameterOn = c.Disk;
  p.StarAngularDiameter = c.DiameterMas;
  p.FieldMode = c.Field;
  p.DoubleStarFit = c.Pair;
  p.ComponentSeparation = 40;
  p.ComponentWeight = 300;
  return p;
}

const ModelCase kModels[] = {{"point source", 29.97L, 0, 0, 0, 0},
                             {"5 mas disk, fields", 29.97L, 1, 1, 0, 5},
                             {"disk of no size", 25, 1, 0, 0, 0},
                             {"double star", 25, 0, 0, 1, 0}};

TEST(DiffractionGrid, IntensitiesEqualTheDirectSum) {
  // Deep shadow beyond the table, the edge, the fringes, far outside.
  const long double times[] = {-3.5L, -0.02L, -1e-3L, 0, 1e-6L, 4e-3L, 0.0123L, 0.5L, 3.5L};
  for (const ModelCase& c : kModels) {
    SCOPED_TRACE(c.Name);
    const DiffractionModel m(MakeFresnelTables(), Spectrum(), Params(c));
    double fast[std::size(times)];
    m.StarDiskIntensities(times, std::size(times), fast);
    for (size_t i = 0; i < std::size(times); ++i)
      EXPECT_NEAR(fast[i], static_cast<double>(m.StarDiskIntensity(times[i])), 1e-13) << "t = " << times[i];
  }
}

// 384,000 km and 750 m/s make the table step at 480 nm 1/781,250 s: at 25
// records/s, and at the selected record always, look-ups fall exactly on a
// half and must round as in extended precision.
TEST(DiffractionGrid, ExposureMeansEqualTheModelOnAnyThreadsAndInAnyBatch) {
  const std::vector<ScanCandidate> candidates{{1, 0}, {0.73L, -517}, {1, 1234}, {0.73L, -514}};
  const std::vector<int> records{-6, -1, 0, 1, 4};
  for (const ModelCase& c : kModels) {
    for (const int d : {-1, 1}) {
      SCOPED_TRACE(std::string(c.Name) + (d > 0 ? ", rising" : ", falling"));
      const DiffractionModel m(MakeFresnelTables(), Spectrum(), Params(c));
      const int h = FitExposureHalfWidth(c.Rate, c.Field);
      std::vector<long double> times;
      for (const int k : records) times.push_back(m.RecordTime(k));
      // Fresh grids, and one that has kept the points of earlier batches.
      const DiffractionGrid grid(m, times, d, h);
      const auto serial = grid.ExposureMeans(candidates, 1);
      const auto parallel = DiffractionGrid(m, times, d, h).ExposureMeans(candidates, 4);
      const auto again = grid.ExposureMeans({candidates[2], {0.5L, 7}}, 3);
      ASSERT_TRUE(serial && parallel && again);
      EXPECT_EQ(*serial, *parallel);
      EXPECT_TRUE(std::equal(again->begin(), again->begin() + 5, serial->begin() + 10));
      for (size_t q = 0; q < candidates.size(); ++q) {
        const auto alone = DiffractionGrid(m, times, d, h).ExposureMeans({candidates[q]}, 1);
        ASSERT_TRUE(alone);
        for (size_t i = 0; i < records.size(); ++i) {
          const long double mean = (*serial)[q * records.size() + i];
          EXPECT_EQ((*alone)[i], mean);
          const long double direct =
              m.ExposureMean(m.RecordTime(records[i]), candidates[q].Factor, candidates[q].Offset, d, h);
          EXPECT_NEAR(static_cast<double>(mean), static_cast<double>(direct), 1e-12);
        }
      }
    }
  }
}

// Exposures of seconds have thousands of 1-ms sub-steps per record: a scan of
// 25 offsets over 61 records of 1-s exposures named 1.5 million grid points at
// once (over 100 bytes each), and the slower exposures the fit admits some
// gigabytes, enough to end the program. The points go in parts; the means
// stay those of the model.
TEST(DiffractionGrid, SlowExposuresAreScannedInPartsOfBoundedSize) {
  const struct {
    const char* Name;
    long double Rate;
    uint8_t Pair;
    int Records;
    size_t Candidates;
  } rows[] = {{"25 offsets, 1-s exposures", 1.0L, 0, 61, 25},
              {"one double-star candidate, 40-s exposures", 0.025L, 1, 14, 1}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.Name);
    ModelCase c{r.Name, r.Rate, 0, 0, r.Pair, 0};
    const DiffractionModel m(MakeFresnelTables(), Spectrum(), Params(c));
    const int h = FitExposureHalfWidth(r.Rate, 0);
    std::vector<long double> times;
    for (int k = 0; k < r.Records; ++k) times.push_back(m.RecordTime(k - r.Records / 2));
    std::vector<ScanCandidate> candidates;
    for (size_t i = 0; i < r.Candidates; ++i) candidates.push_back({1, 1234 + 10 * static_cast<int64_t>(i)});
    ASSERT_GT(candidates.size() * times.size() * static_cast<size_t>(2 * h + 1) * (r.Pair ? 2 : 1),
              DiffractionGrid::kMaxBatchPoints);
    const DiffractionGrid grid(m, times, -1, h);
    const auto means = grid.ExposureMeans(candidates, 0);
    ASSERT_TRUE(means);
    EXPECT_LE(grid.LargestBatch(), DiffractionGrid::kMaxBatchPoints);
    ASSERT_EQ(means->size(), candidates.size() * times.size());
    for (const size_t q : {size_t{0}, candidates.size() - 1})
      for (const int i : {0, r.Records / 2, r.Records - 1}) {
        const long double direct = m.ExposureMean(times[static_cast<size_t>(i)], 1, candidates[q].Offset, -1, h);
        EXPECT_NEAR(static_cast<double>((*means)[q * times.size() + static_cast<size_t>(i)]),
                    static_cast<double>(direct), 1e-12)
            << q << " " << i;
      }
  }
}

// The occultation search as stated, over the direct model: 25 offsets a
// level, the first strict minimum, the step divided by ten.
struct DirectFit {
  int64_t Offset = 0;
  long double Residual = 1e15L;
};
DirectFit SearchOverTheDirectModel(const DiffractionModel& m, const std::vector<double>& v, const FitInput& in) {
  const int d = in.Rising ? 1 : -1;
  const int h = FitExposureHalfWidth(m.Params().ModelFrameRate, 0);
  const auto residual = [&](int64_t o) {
    long double sum = 0;
    for (int k = in.Range.From; k <= in.Range.To; ++k) {
      const int r = in.Selected + k;
      if (r < 0 || r >= static_cast<int>(v.size())) continue;
      const long double e = m.RecordValue(k, in.Factor, o, d, in.Base, in.Amplitude, h) - v[static_cast<size_t>(r)];
      sum += e * e;
    }
    return sum;
  };
  DirectFit f;
  for (int64_t step = std::llround(1000 / static_cast<double>(m.Params().ModelFrameRate)) * 10; step > 1;
       step = std::llround(step / 10.0)) {
    int64_t best_o = f.Offset;
    long double best = 1e15L;
    for (int i = -12; i <= 12; ++i) {
      const long double r = residual(f.Offset + i * step);
      if (r < best) best = r, best_o = f.Offset + i * step;
    }
    f.Offset = best_o, f.Residual = best;
  }
  return f;
}

// A lunar disappearance as a camera records it: levels that wander with
// scintillation, readout noise, and whole counts; and the known-answer
// curve, the model itself with mild noise.
std::vector<double> Recorded(const DiffractionModel& m, int selected, int64_t o, bool realistic) {
  std::vector<double> v;
  uint32_t state = 2024;
  const auto noise = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  };
  double drift = 0;
  for (int r = 0; r < 2 * selected; ++r) {
    const double model = static_cast<double>(m.ExposureMean(m.RecordTime(r - selected), 1, o, -1, 16));
    if (!realistic) {
      v.push_back(180 + 830 * model + 4 * noise());
      continue;
    }
    drift = 0.8 * drift + 0.2 * noise();
    v.push_back(std::round((180 + 830 * model) * (1 + 0.06 * drift) + 25 * noise()));
  }
  return v;
}

TEST(DiffractionGrid, FitsGiveTheTimesAndFiguresOfTheDirectSearch) {
  const DiffractionModel m(MakeFresnelTables(), Spectrum(), Params(kModels[0]));
  const struct {
    const char* Name;
    bool Realistic;
    int64_t TrueOffset;
  } curves[] = {{"known answer", false, 1234}, {"recorded-looking", true, -2077}};
  for (const auto& c : curves) {
    SCOPED_TRACE(c.Name);
    const std::vector<double> v = Recorded(m, 40, c.TrueOffset, c.Realistic);
    FitInput in;
    in.Base = 180;
    in.Amplitude = 830;
    in.Selected = 40;
    in.Range = FittingRange(false, 0, 0, 0);
    const DirectFit direct = SearchOverTheDirectModel(m, v, in);
    const FitOutcome fit = FitDiffractionModel(m, v, in);
    EXPECT_EQ(fit.SearchOffset, direct.Offset);
    EXPECT_NEAR(static_cast<double>(fit.Residual), static_cast<double>(direct.Residual),
                1e-12 * static_cast<double>(direct.Residual));
    EXPECT_EQ(fit.ResidualText, FormatFixed(direct.Residual, 0, 12));
    if (!c.Realistic) {
      EXPECT_LE(std::llabs(fit.SearchOffset - c.TrueOffset), 3);
    }

    DiffractionState d;
    d.LevelCount = {20, 0, 20};
    d.LevelStdError = {4, 0, 5};
    const FitTimingError e = ComputeFitTimingError(fit.Residual, fit.ObservedWindowCount, d, 1010, 180, 29.97L, 0);
    const FitTimingError r = ComputeFitTimingError(direct.Residual, fit.ObservedWindowCount, d, 1010, 180, 29.97L, 0);
    EXPECT_EQ(e.MsText, r.MsText);
    EXPECT_EQ(e.FramesText, r.FramesText);
    EXPECT_NEAR(e.SigmaI, r.SigmaI, 1e-9);
  }
}

TEST(DiffractionGrid, ACancelDuringTheScanStopsItAtTheNextBatch) {
  const DiffractionModel m(MakeFresnelTables(), Spectrum(), Params(kModels[0]));
  const std::vector<double> v = Recorded(m, 30, 300, false);
  FitInput in;
  in.Mode = FitMode::GrazingOld;
  in.Selected = 30;
  in.Range = FittingRange(true, -3, 3, 0);
  std::atomic<bool> cancel{false};
  int reports = 0;
  FitHooks hooks;
  hooks.Cancel = &cancel;
  hooks.Progress = [&](int) {
    ++reports;
    cancel = true;
  };
  EXPECT_TRUE(FitDiffractionModel(m, v, in, hooks).Cancelled);
  EXPECT_LT(reports, 25);  // the coarse scan alone reports 25 offsets
}

TEST(DiffractionGrid, TheDrawnCurveIsTheDirectModel) {
  const DiffractionModel m(MakeFresnelTables(), Spectrum(), Params(kModels[3]));
  FitDrawInput in;
  in.View.ChartXRatio = 4;
  in.View.ChartYScale = 1000;  // a pixel per 0.001 of a level
  in.Selected = 50, in.FirstShown = 40, in.ShownCount = 20, in.RecordCount = 200;
  in.TimingFrameRate = 25;
  in.Factor = 0.9L;
  in.FitOffset = -345;
  in.Reappearance = 1;
  in.Upper = 1000, in.Lower = 100;
  const FitDrawing dr = BuildFitDrawing(m, in, std::vector<double>(200, 500.0));
  ASSERT_GT(dr.CurveLines.size(), 700u);
  for (const std::string& line : dr.CurveLines) {
    const int t = std::stoi(line);
    const FitPoint direct = MakeModelCurve(m, in, t);
    ASSERT_EQ(line, std::to_string(t) + " X:" + std::to_string(direct.X) + " Y:" + std::to_string(direct.Y));
  }
}

}  // namespace
