// The program's generator, the timing-error polynomial and seeded Monte-Carlo
// trials, checked against a separate Python computation of the same draws.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>

#include "base/ProgramRandom.h"
#include "timing/TimingError.h"
#include "timing/TimingErrorSimulation.h"

namespace {

TEST(ProgramRandom, FirstUniformsFromTheStartState) {
  SetRandomState(0);
  const double expected[] = {2.3283064365386963e-10, 0.031379939522594213, 0.8610484672244638,
                             0.20258096512407064};
  for (double e : expected) EXPECT_DOUBLE_EQ(NextUniform(), e);
  EXPECT_EQ(RandomState(), 870078620u);
}

TEST(TimingErrorPolynomial, SplitsAtTheGivenNoise) {
  struct Case {
    double x, split, y;
  };
  const Case cases[] = {
      {0.1, 0.45, 0.08612299465336448},  {0.45, 0.45, 1.0577520773329383}, {0.46, 0.45, 1.0841140272059857},
      {1.55, 0.45, 11.715852198244628},  {0.46, 0.5, 1.109908047635581},   {0.5, 0.5, 1.2999037433159275},
  };
  for (const Case& c : cases) EXPECT_NEAR(TimingErrorPolynomial(c.x, c.split), c.y, 1e-12) << c.x;
  EXPECT_EQ(TimingErrorPx(0.1), 90);
  EXPECT_EQ(TimingErrorPy(1), 416);
}

TEST(TimingErrorSimulation, SeededSingleStepTrial) {
  SetRandomState(0);
  const SingleSimulation sim = MakeSingleSimulation(SimSettings{});
  EXPECT_DOUBLE_EQ(sim.r, 0.698214418021962);
  EXPECT_NEAR(static_cast<double>(sim.samples[0]), 0.039843524921440866, 1e-12);
  EXPECT_NEAR(static_cast<double>(sim.samples[100]), 0.32185968504341766, 1e-12);
  EXPECT_EQ(sim.trial.shift, 18);
  const auto lines = SingleSimulationLines(sim);
  ASSERT_EQ(lines.size(), 203u);
  EXPECT_EQ(lines[0], "-100,0.0398");
  EXPECT_EQ(lines[100], "Shift= 0.6982");
  EXPECT_EQ(lines[202], "Difference= -0.0182");
}

TEST(TimingErrorSimulation, SeededRampTrialsAnyThreadCount) {
  for (int threads : {1, 3}) {
    SCOPED_TRACE(threads);
    SetRandomState(0);
    MakeSingleSimulation(SimSettings{});  // the same draws as the Python reference
    const auto t = RunRampTrials(SimSettings{}, 3, threads);
    ASSERT_EQ(t.size(), 3u);
    const int shifts[] = {-45, -21, 22};
    const double phases[] = {-0.39137390442192554, -0.10546540492214262, 0.15267527103424072};
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(t[k].shift, shifts[k]);
      EXPECT_NEAR(static_cast<double>(t[k].phase), phases[k], 1e-15);
    }
    EXPECT_EQ(RandomState(), 2363254212u);
  }
}

// The 1-sigma error of 1000 seeded trials against a separate numpy
// Monte-Carlo of the same experiment (other random numbers, 8000 to 30000
// trials); the bounds are three times the spread of a 1000-trial estimate.
TEST(TimingErrorSimulation, OneSigmaAgreesWithAnIndependentMonteCarlo) {
  const struct {
    const char* kind;
    long double noise;
    double sd, tolerance;
  } cases[] = {
      {"whole frame", 0.1L, 0.1168, 0.10}, {"whole frame", 0.3L, 0.4745, 0.15},
      {"ramp", 0.1L, 0.1180, 0.11},        {"ramp", 0.3L, 0.456, 0.13},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(static_cast<double>(c.noise)));
    SimSettings s;
    s.STDV1 = s.STDV2 = c.noise;
    SetRandomState(0);
    const std::vector<SimTrial> t =
        std::string(c.kind) == "ramp" ? RunRampTrials(s, 1000, 2) : RunWholeFrameTrials(s, 1000, 2);
    long double squares = 0, sum = 0;
    for (const SimTrial& x : t) {
      squares += x.error * x.error;
      sum += x.error;
    }
    const double sd = static_cast<double>(std::sqrt(squares / 999));
    EXPECT_NEAR(sd, c.sd, c.sd * c.tolerance);
    EXPECT_NEAR(static_cast<double>(sum / 1000), 0, 3 * c.sd / std::sqrt(1000.0));  // no bias
  }
}

TEST(TimingErrorSimulation, NoiselessTrialsFitExactly) {
  SimSettings quiet;
  quiet.STDV1 = quiet.STDV2 = 0;
  SetRandomState(7);
  for (const SimTrial& t : RunStepTrials(quiet, 4)) EXPECT_NEAR(static_cast<double>(t.error), 0, 0.005);
  for (const SimTrial& t : RunWholeFrameTrials(quiet, 4)) EXPECT_NEAR(static_cast<double>(t.error), 0, 0.005);
  for (const SimTrial& t : RunRampTrials(quiet, 4)) EXPECT_NEAR(static_cast<double>(t.error), 0, 0.006);
}

TEST(TimingErrorSimulation, EventShapes) {
  struct Case {
    long double w, x, ramp;
  };
  const Case ramps[] = {{0, -1, 0}, {0, 0, 1}, {10, -5, 0}, {10, 0, 0.5}, {10, 5, 1}, {10, 2.5, 0.75}};
  for (const Case& c : ramps) EXPECT_DOUBLE_EQ(static_cast<double>(RampFraction(c.w, c.x)), static_cast<double>(c.ramp));
  EXPECT_DOUBLE_EQ(static_cast<double>(StepFraction(-123, -1)), 0.73);
  EXPECT_DOUBLE_EQ(static_cast<double>(StepFraction(-123, 0)), 1);
  EXPECT_DOUBLE_EQ(static_cast<double>(StepFraction(-123, -2)), 0);
  // A ramp centred on a frame's middle fills half of it.
  EXPECT_NEAR(static_cast<double>(RampFrameValue(10, 0, 0)), 0.5, 0.006);
  EXPECT_EQ(StepFractionLines()[49], "-1 0.7300");
}

// What a run leaves behind (the sweeps 1.40 noise, the step run 0.10 width)
// reaches the window's settings only where the user left them alone while it
// ran: a level moved meanwhile is the one the next run must use.
TEST(TimingErrorSimulation, RunLeftoverYieldsToChangesMadeWhileItRan) {
  struct Case {
    const char* what;
    SimSettings now, left, expected;  // {STDV1, STDV2, EventWidth}
  };
  const SimSettings started{0.10L, 0.10L, 0.25L};
  const Case cases[] = {
      {"sweep, untouched", {0.10L, 0.10L, 0.25L}, {1.40L, 1.40L, 0.25L}, {1.40L, 1.40L, 0.25L}},
      {"sweep, both levels moved", {0.50L, 0.50L, 0.25L}, {1.40L, 1.40L, 0.25L}, {0.50L, 0.50L, 0.25L}},
      {"sweep, one level moved", {0.30L, 0.10L, 0.25L}, {1.40L, 1.40L, 0.25L}, {0.30L, 1.40L, 0.25L}},
      {"sweep, width moved", {0.10L, 0.10L, 2.50L}, {1.40L, 1.40L, 0.25L}, {1.40L, 1.40L, 2.50L}},
      {"step run, untouched", {0.10L, 0.10L, 0.25L}, {0.10L, 0.10L, 0.10L}, {0.10L, 0.10L, 0.10L}},
      {"step run, width moved", {0.10L, 0.10L, 2.50L}, {0.10L, 0.10L, 0.10L}, {0.10L, 0.10L, 2.50L}},
      {"step run, level moved", {0.70L, 0.70L, 0.25L}, {0.10L, 0.10L, 0.10L}, {0.70L, 0.70L, 0.10L}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimSettings now = c.now;
    AdoptRunLeftover(now, started, c.left);
    EXPECT_EQ(now.STDV1, c.expected.STDV1);
    EXPECT_EQ(now.STDV2, c.expected.STDV2);
    EXPECT_EQ(now.EventWidth, c.expected.EventWidth);
  }
}

}  // namespace

TEST(TimingErrorSimulation, ProgressReachesTheTotalAndCancelStopsTheFits) {
  for (int threads : {1, 4}) {
    SCOPED_TRACE(threads);
    std::vector<std::pair<int, int>> reports;
    SimHooks hooks;
    hooks.Progress = [&](int done, int total) { reports.emplace_back(done, total); };
    SetRandomState(3);
    const auto t = RunStepTrials(SimSettings{}, 12, threads, hooks);
    ASSERT_EQ(reports.size(), 12u);  // fewer than 100 trials: every one
    int most = 0;
    for (const auto& [done, total] : reports) {
      EXPECT_EQ(total, 12);
      most = std::max(most, done);
    }
    EXPECT_EQ(most, 12);
    // The same draws and fits as without hooks.
    SetRandomState(3);
    const auto plain = RunStepTrials(SimSettings{}, 12, threads);
    for (size_t k = 0; k < t.size(); ++k) EXPECT_EQ(t[k].shift, plain[k].shift);
  }
  std::atomic<bool> cancel{true};
  SimHooks stop;
  stop.Cancel = &cancel;
  int reported = 0;
  stop.Progress = [&](int, int) { ++reported; };
  const uint32_t before = RandomState();
  RunRampTrials(SimSettings{}, 50, 2, stop);
  EXPECT_EQ(reported, 0);              // nothing fitted
  EXPECT_NE(RandomState(), before);    // the draws are made all the same
}
