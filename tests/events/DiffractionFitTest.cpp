// Level windows and the diffraction fit: synthetic light curves made from the
// model with a known event time are fitted back within the last step, the
// same on one thread and on many.
#include <gtest/gtest.h>

#include <cmath>

#include "base/NumberText.h"
#include "events/DiffractionFit.h"

namespace {

const SpectralModel& Spectrum() {
  static const SpectralModel m = [] {
    SpectralModel s;
    s.StarTemperature = 6000;
    ComputeSpectralWeights(s, "/nonexistent/CCDSpectralSensitivity.csv");
    return s;
  }();
  return m;
}

DiffractionParams Lunar(long double rate = 29.97L) {
  DiffractionParams p;
  p.ObjectDistance = 380000000;
  p.ObjectVelocity = 700;
  p.ModelFrameRate = rate;
  return p;
}

// A deterministic noise source (values in -1..1).
double Noise(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return (static_cast<double>(state >> 8) / 8388608.0) - 1.0;
}

// Object A's values: the model's record values around `selected` for offset o
// (0.1 ms), factor F and direction d, plus noise of the given size.
std::vector<double> Synthetic(const DiffractionModel& m, int records, int selected, int64_t o, long double F, int d,
                              double noise) {
  std::vector<double> v(static_cast<size_t>(records));
  uint32_t state = 12345;
  const int h = FitExposureHalfWidth(m.Params().ModelFrameRate, m.Params().FieldMode);
  for (int r = 0; r < records; ++r)
    v[static_cast<size_t>(r)] =
        static_cast<double>(m.RecordValue(r - selected, F, o, d, 200, 800, h)) + noise * Noise(state);
  return v;
}

TEST(LevelWindows, MeansErrorsAndCountsOverExistingRecords) {
  const std::vector<double> v{10, 12, 14, 0, 5, 5, 5, 9};
  LevelWindowOffsets w;
  w.PreFrom = -6, w.PreTo = -2;  // records -2..2: only 0..2 exist
  w.StepFrom = -1, w.StepTo = 0;
  w.PostFrom = 1, w.PostTo = 10;  // records 5..7
  const LevelAverages a = AverageLevelWindows(v, 4, w);
  EXPECT_DOUBLE_EQ(a.Mean[0], 12);
  EXPECT_DOUBLE_EQ(a.StdError[0], 2 / std::sqrt(3.0));
  EXPECT_EQ(a.Count[0], 3);
  EXPECT_DOUBLE_EQ(a.Mean[1], 2.5);
  EXPECT_EQ(a.Count[1], 2);
  EXPECT_NEAR(a.Mean[2], 19.0 / 3, 1e-12);
  EXPECT_EQ(a.Count[2], 3);
  w.PostFrom = 20, w.PostTo = 30;
  const LevelAverages none = AverageLevelWindows(v, 4, w);
  EXPECT_EQ(none.Mean[2], 0);
  EXPECT_EQ(none.StdError[2], 0);
  EXPECT_EQ(none.Count[2], 0);
}

TEST(FitRange, DefaultsFieldSpanAndClipping) {
  const struct {
    bool Custom;
    int From, To;
    uint8_t Field;
    int WantFrom, WantTo;
  } rows[] = {{false, 0, 0, 0, -30, 30}, {false, 0, 0, 1, -60, 60}, {true, -20, 20, 0, -20, 20},
              {true, -300, 500, 1, -120, 120}};
  for (const auto& r : rows) {
    const FitRange f = FittingRange(r.Custom, r.From, r.To, r.Field);
    EXPECT_EQ(f.From, r.WantFrom);
    EXPECT_EQ(f.To, r.WantTo);
  }
}

struct FitCase {
  const char* Name;
  long double Rate;
  bool Disk;
  int Direction;
  int64_t TrueOffset;  // 0.1 ms, of the internal search offset
  int64_t LastStep;
};

TEST(DiffractionFit, OccultationFitsASyntheticCurveBackToItsOffset) {
  const FitCase cases[] = {{"disappearance 29.97", 29.97L, false, -1, 1234, 3},
                           {"reappearance 25", 25, false, 1, -2071, 4},
                           {"disk 29.97", 29.97L, true, -1, 517, 3}};
  // The disk costs 101 strips per time: fitted on all cores and on a short window.
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.Name);
    DiffractionParams p = Lunar(c.Rate);
    p.StarDiameterOn = c.Disk;
    p.StarAngularDiameter = 2;
    const DiffractionModel m(MakeFresnelTables(), Spectrum(), p);
    const std::vector<double> values = Synthetic(m, 100, 50, c.TrueOffset, 1, c.Direction, 5);
    FitInput in;
    in.Rising = c.Direction > 0;
    in.Base = 200;
    in.Amplitude = 800;
    in.Selected = 50;
    in.Range = FittingRange(true, c.Disk ? -4 : -15, c.Disk ? 4 : 15, 0);
    std::vector<std::string> memo;
    std::vector<int> progress;
    FitHooks hooks;
    hooks.Threads = c.Disk ? 0 : 1;
    hooks.Memo = [&memo](const std::string& l) { memo.push_back(l); };
    hooks.Progress = [&progress](int v) { progress.push_back(v); };
    const FitOutcome serial = FitDiffractionModel(m, values, in, hooks);
    EXPECT_LE(std::llabs(serial.SearchOffset - c.TrueOffset), c.LastStep);
    EXPECT_EQ(serial.Offset, in.Rising ? serial.SearchOffset : -serial.SearchOffset);
    EXPECT_EQ(serial.Factor, 1.0L);  // the occultation fit keeps the factor
    EXPECT_EQ(serial.ObservedWindowCount, c.Disk ? 9 : 31);
    ASSERT_EQ(memo.size(), 1u);
    EXPECT_EQ(memo[0], c.Rate == 25 ? "400 0" : "330 0");
    EXPECT_EQ(progress.size(), 3u * 25 + 1);  // three levels of 25, then 0
    EXPECT_EQ(progress.back(), 0);
    EXPECT_EQ(serial.TargetText, "target: " + std::to_string(serial.SearchOffset));

    if (c.Disk) continue;
    hooks.Threads = 0;
    const FitOutcome parallel = FitDiffractionModel(m, values, in, hooks);
    EXPECT_EQ(parallel.SearchOffset, serial.SearchOffset);
    EXPECT_EQ(parallel.Residual, serial.Residual);
  }
}

TEST(DiffractionFit, GrazingSearchesFindTheVelocityFactor) {
  const DiffractionModel m(MakeFresnelTables(), Spectrum(), Lunar());
  const std::vector<double> values = Synthetic(m, 80, 40, -1500, 0.62L, 1, 0);
  FitInput in;
  in.Rising = true;
  in.Base = 200;
  in.Amplitude = 800;
  in.Selected = 40;
  in.Factor = 1;
  std::vector<std::string> memo;
  FitHooks hooks;
  hooks.Memo = [&memo](const std::string& l) { memo.push_back(l); };
  const long double start = ModelResidual(m, values, in, 1, 0);

  in.Mode = FitMode::GrazingNew;
  in.Range = FittingRange(true, -10, 10, 0);
  const FitOutcome alternating = FitDiffractionModel(m, values, in, hooks);
  // Factor and offset trade against each other (o F is what the curve fixes).
  EXPECT_NEAR(static_cast<double>(alternating.Factor), 0.62, 0.03);
  EXPECT_NEAR(static_cast<double>(alternating.SearchOffset * alternating.Factor), -1500 * 0.62, 45);
  ASSERT_FALSE(memo.empty());
  EXPECT_LE(memo.size(), 40u);
  EXPECT_EQ(memo.back(), "Ratio : " + FormatFixed(alternating.Factor, 3, 5) + " Offset: " +
                             std::to_string(alternating.SearchOffset));
  EXPECT_EQ(alternating.Residual, ModelResidual(m, values, in, alternating.Factor, alternating.SearchOffset));

  // The factor scans of the old search, from 1.0 at every offset.
  memo.clear();
  in.Mode = FitMode::GrazingOld;
  in.Range = FittingRange(true, -4, 4, 0);
  const FitOutcome scans = FitDiffractionModel(m, values, in, hooks);
  EXPECT_TRUE(memo.empty());
  EXPECT_LT(scans.Residual, start);
  EXPECT_EQ(scans.Residual, ModelResidual(m, values, in, scans.Factor, scans.SearchOffset));
}

TEST(DiffractionFit, ACancelledFitSaysSo) {
  const DiffractionModel m(MakeFresnelTables(), Spectrum(), Lunar());
  const std::vector<double> values = Synthetic(m, 80, 40, 300, 1, -1, 0);
  std::atomic<bool> cancel{true};
  FitHooks hooks;
  hooks.Cancel = &cancel;
  FitInput in;
  in.Selected = 40;
  EXPECT_TRUE(FitDiffractionModel(m, values, in, hooks).Cancelled);
}

TEST(DiffractionFit, AModelThatDoesNotChangeWithTheOffsetFitsNothing) {
  // Equal levels, or a contact angle of 90 degrees (its cosine in extended
  // precision is -2.5e-20): every offset gives the same residual, so the
  // first of them is no event time.
  const DiffractionModel m(MakeFresnelTables(), Spectrum(), Lunar());
  const std::vector<double> values = Synthetic(m, 100, 50, 1234, 1, -1, 5);
  const struct {
    const char* Name;
    long double Factor, Amplitude;
    bool Determined;
  } rows[] = {{"a true event", 1, 800, true},
              {"equal levels", 1, 0, false},
              {"contact angle 90", std::cos(90 * 3.14159265358979324L / 180), 800, false},
              {"contact angle 89", std::cos(89 * 3.14159265358979324L / 180), 800, true},
              // 7 mm/s: over the window the model moves by a few table
              // entries, 1e-4 of the step, which the residual still sees.
              {"factor 1e-5", 1e-5L, 800, false}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.Name);
    FitInput in;
    in.Factor = r.Factor;
    in.Base = 200;
    in.Amplitude = r.Amplitude;
    in.Selected = 50;
    in.Range = FittingRange(true, -8, 8, 0);
    EXPECT_EQ(FitDiffractionModel(m, values, in).Determined, r.Determined);
  }
}

// Above 2000 frames per second one record rounds to 0 ms: the offset search
// once stepped by 0, stayed on the selected record and called that the end of
// its reach. It steps by 1 ms at least.
TEST(DiffractionFit, AnEventFilmedAtThousandsOfFramesPerSecondIsTimedToTheMillisecond) {
  for (const long double rate : {1000.0L, 2001.0L, 2500.0L, 6000.0L}) {
    SCOPED_TRACE(static_cast<double>(rate));
    const DiffractionModel m(MakeFresnelTables(), Spectrum(), Lunar(rate));
    for (const int64_t truth : {-12, 37}) {
      SCOPED_TRACE(truth);
      const std::vector<double> values = Synthetic(m, 200, 100, truth, 1, -1, 0);
      FitInput in;
      in.Base = 200;
      in.Amplitude = 800;
      in.Selected = 100;
      in.Range = FittingRange(false, 0, 0, 0);
      std::vector<std::string> memo;
      FitHooks hooks;
      hooks.Memo = [&memo](const std::string& l) { memo.push_back(l); };
      const FitOutcome out = FitDiffractionModel(m, values, in, hooks);
      ASSERT_EQ(memo.size(), 1u);
      EXPECT_EQ(memo[0], "10 0");
      EXPECT_FALSE(out.AtSearchEnd);
      EXPECT_TRUE(out.Determined);
      EXPECT_LE(std::llabs(out.SearchOffset - truth), 5);
    }
  }
}

TEST(DiffractionFit, AnEventBeyondTheSearchIsNotTakenAtItsEnd) {
  // At 29.97 per second the offset search reaches 12 x (330 + 33 + 3) = 4392
  // tenths of a ms (13.2 records) either way; an event further out leaves
  // every level at its outer candidate.
  const DiffractionModel m(MakeFresnelTables(), Spectrum(), Lunar());
  const struct {
    int64_t TrueOffset;
    bool AtEnd;
  } rows[] = {{1234, false}, {4170, false}, {-4170, false}, {4500, true}, {-10000, true}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.TrueOffset);
    const std::vector<double> values = Synthetic(m, 100, 50, r.TrueOffset, 1, -1, 0);
    FitInput in;
    in.Base = 200;
    in.Amplitude = 800;
    in.Selected = 50;
    in.Range = FittingRange(true, -20, 20, 0);
    const FitOutcome out = FitDiffractionModel(m, values, in);
    EXPECT_EQ(out.AtSearchEnd, r.AtEnd);
    if (!r.AtEnd) {
      EXPECT_LE(std::llabs(out.SearchOffset - r.TrueOffset), 3);
    }
  }
}

TEST(DiffractionFit, RecordsBeforeTheFirstAreSkipped) {
  const DiffractionModel m(MakeFresnelTables(), Spectrum(), Lunar());
  std::vector<double> values = Synthetic(m, 30, 3, 0, 1, -1, 0);
  FitInput in;
  in.Selected = 3;
  in.Base = 200;
  in.Amplitude = 800;
  // The exact model gives no residual; offsets before record 0 add nothing.
  EXPECT_NEAR(static_cast<double>(ModelResidual(m, values, in, 1, 0)), 0, 1e-18);
  values[0] += 2;
  EXPECT_NEAR(static_cast<double>(ModelResidual(m, values, in, 1, 0)), 4, 1e-9);
}

}  // namespace

// Near the table's ends part of the window has no record: DataNum counts the
// records that exist, as the residual sums only over them.
TEST(DiffractionFit, WindowCountIsTheRecordsThatExist) {
  const DiffractionModel m(MakeFresnelTables(), Spectrum(), Lunar());
  const std::vector<double> values = Synthetic(m, 40, 20, 1234, 1, -1, 5);
  const struct {
    int Selected, Count;
  } rows[] = {{20, 31}, {36, 19}, {2, 18}, {39, 16}};  // -15..15 within records 0..39
  for (const auto& r : rows) {
    FitInput in;
    in.Rising = false;
    in.Base = 200;
    in.Amplitude = 800;
    in.Selected = r.Selected;
    in.Range = FittingRange(true, -15, 15, 0);
    EXPECT_EQ(FitDiffractionModel(m, values, in, FitHooks{}).ObservedWindowCount, r.Count) << r.Selected;
  }
}
