#include "timing/TimingErrorSimulation.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <thread>

#include "base/NumberText.h"
#include "base/ProgramRandom.h"

namespace {

constexpr int kFrames = 201;
using Samples = std::array<long double, kFrames>;

// Runs fit(k) for k in 0..count-1 on several threads; each k writes its own
// slot. Reports progress about every per cent and stops early on cancel.
template <class Fit>
void ParallelFor(int count, int threads, const SimHooks& hooks, Fit fit) {
  if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  threads = std::min(threads, std::max(1, count));
  std::atomic<int> done{0};
  std::mutex report;
  const int step = std::max(1, count / 100);
  const auto one = [&](int k) {
    if (hooks.Cancel && hooks.Cancel->load(std::memory_order_relaxed)) return;
    fit(k);
    const int n = done.fetch_add(1, std::memory_order_relaxed) + 1;
    if (hooks.Progress && (n % step == 0 || n == count)) {
      const std::lock_guard<std::mutex> lock(report);
      hooks.Progress(n, count);
    }
  };
  if (threads == 1) {
    for (int k = 0; k < count; ++k) one(k);
    return;
  }
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([&, t] {
      for (int k = t; k < count; k += threads) one(k);
    });
  for (std::thread& th : pool) th.join();
}

// The hooks of part `part` of `parts` equal runs, progress counted over all.
SimHooks PartOf(const SimHooks& hooks, int part, int parts) {
  SimHooks h;
  h.Cancel = hooks.Cancel;
  if (hooks.Progress)
    h.Progress = [&hooks, part, parts](int done, int total) { hooks.Progress(part * total + done, parts * total); };
  return h;
}

// Ramp frame values by k = 100i - e for whole-hundredth events e.
class RampTable {
 public:
  static constexpr int kReach = 20200;
  explicit RampTable(long double w) : v_(2 * kReach + 1) {
    for (int k = -kReach; k <= kReach; ++k) v_[k + kReach] = RampFrameValue(w, 0, -k);
  }
  long double At(int i, int e) const { return v_[100 * i - e + kReach]; }

 private:
  std::vector<long double> v_;
};

long double RampResidual(const Samples& x, const RampTable& m, int e) {
  long double sum = 0;
  for (int i = -100; i <= 100; ++i) {
    const long double d = x[i + 100] - m.At(i, e);
    sum += d * d;
  }
  return sum;
}

int FitRamp(const Samples& x, const RampTable& m) {
  std::array<long double, 201> coarse{};
  for (int s = -100; s <= 100; ++s) coarse[s + 100] = RampResidual(x, m, 100 * s);
  int centre = 10000;
  for (int s = -99; s <= 99; ++s) {
    const long double r = coarse[s + 100];
    if (r < coarse[s + 99] && r < coarse[s + 101] && std::abs(100 * s) < std::abs(centre)) centre = 100 * s;
  }
  if (centre == 10000) {
    // No strict local minimum: centre on the first global minimum instead of
    // searching outside the shifts the model covers.
    int best = -100;
    for (int s = -99; s <= 100; ++s)
      if (coarse[s + 100] < coarse[best + 100]) best = s;
    centre = 100 * best;
  }
  int fitted = centre - 100;
  long double minimum = 100000000;
  for (int d = -100; d <= 100; ++d) {
    const long double r = RampResidual(x, m, centre + d);
    if (r < minimum) {
      minimum = r;
      fitted = centre + d;
    }
  }
  return fitted;
}

long double StepResidual(const Samples& x, int c) {
  long double sum = 0;
  for (int i = -100; i <= 100; ++i) {
    const long double d = x[i + 100] - StepFraction(c, i);
    sum += d * d;
  }
  return sum;
}

int FitStep(const Samples& x) {
  int fitted = -7000;
  long double minimum = StepResidual(x, -7000);
  for (int c = -6999; c <= 7000; ++c) {
    const long double r = StepResidual(x, c);
    if (r < minimum) {
      minimum = r;
      fitted = c;
    }
  }
  return fitted;
}

int FitWholeFrame(const Samples& x) {
  int fitted = -500;
  long double minimum = 1e17L;
  for (int c = -500; c <= 500; ++c) {
    const int j = static_cast<int>(RoundHalfAway(c / 100.0L));
    long double sum = 0;
    for (int i = -100; i <= 100; ++i) {
      const long double model = i < j ? 0 : i > j ? 1 : 0.5L - (c / 100.0L - i);
      const long double d = x[i + 100] - model;
      sum += d * d;
    }
    if (sum < minimum) {
      minimum = sum;
      fitted = c;
    }
  }
  return fitted;
}

long double NoiseAt(const SimSettings& s, long double v) { return s.STDV1 + v * (s.STDV2 - s.STDV1); }

// Sharp-step draws: dark samples, r, the event frame, bright samples.
double DrawStep(const SimSettings& s, Samples& x) {
  for (int i = -100; i <= -1; ++i) x[i + 100] = NextGaussian(0, s.STDV1);
  const double r = NextUniform();
  x[100] = (1 - r) * NextGaussian(1, NoiseAt(s, 1 - r));
  for (int i = 1; i <= 100; ++i) x[i + 100] = NextGaussian(1, s.STDV2);
  return r;
}

long double SumSquares(const std::vector<SimTrial>& t) {
  long double sum = 0;
  for (const SimTrial& x : t) sum += x.error * x.error;
  return sum;
}

}  // namespace

long double RampFraction(long double w, long double x) {
  if (x < -w / 2) return 0;
  if (x >= w / 2) return 1;
  return (x + w / 2) / w;
}

long double StepFraction(long double c, int i) {
  if (100.0L * i < c - 50) return 0;
  if (100.0L * i >= c + 50) return 1;
  return (100.0L * i + 50 - c) / 100;
}

long double RampFrameValue(long double w, int i, long double e) {
  const long double u = 100.0L * i - e - 50.5L;
  if (RampFraction(w, u + 100) <= 0) return 0;
  if (RampFraction(w, u + 1) >= 1) return 1;
  long double sum = 0;
  for (int k = 1; k <= 100; ++k) sum += RampFraction(w, u + k);
  return sum / 100;
}

std::vector<SimTrial> RunRampTrials(const SimSettings& s, int count, int threads, const SimHooks& hooks) {
  const long double w = s.EventWidth * 100;
  std::vector<SimTrial> out(static_cast<size_t>(count));
  std::vector<Samples> samples(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    const long double phi = NextUniform() - 0.5L;
    out[k].phase = phi;
    Samples v;
    for (int i = -100; i <= 100; ++i) v[i + 100] = RampFrameValue(w, i, 100 * phi);
    for (int i = -100; i <= 100; ++i) samples[k][i + 100] = NextGaussian(v[i + 100], NoiseAt(s, v[i + 100]));
  }
  const RampTable table(w);
  ParallelFor(count, threads, hooks, [&](int k) {
    out[k].shift = FitRamp(samples[k], table);
    out[k].error = out[k].shift / 100.0L - out[k].phase;
  });
  return out;
}

std::vector<SimTrial> RunStepTrials(const SimSettings& s, int count, int threads, const SimHooks& hooks) {
  std::vector<SimTrial> out(static_cast<size_t>(count));
  std::vector<Samples> samples(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) out[k].phase = DrawStep(s, samples[k]) - 0.5L;
  ParallelFor(count, threads, hooks, [&](int k) {
    out[k].shift = FitStep(samples[k]);
    out[k].error = out[k].shift / 100.0L - out[k].phase;
  });
  return out;
}

std::vector<SimTrial> RunWholeFrameTrials(const SimSettings& s, int count, int threads, const SimHooks& hooks) {
  std::vector<SimTrial> out(static_cast<size_t>(count));
  std::vector<Samples> samples(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    const double r = NextUniform();
    out[k].phase = r - 0.5L;
    for (int i = -100; i <= 100; ++i) {
      const long double v = i < 0 ? 0 : i == 0 ? 1 - r : 1;
      samples[k][i + 100] = NextGaussian(v, NoiseAt(s, v));
    }
  }
  ParallelFor(count, threads, hooks, [&](int k) {
    out[k].shift = FitWholeFrame(samples[k]);
    out[k].error = out[k].phase - out[k].shift / 100.0L;
  });
  return out;
}

SingleSimulation MakeSingleSimulation(const SimSettings& s) {
  SingleSimulation sim;
  sim.r = DrawStep(s, sim.samples);
  sim.trial.phase = sim.r - 0.5L;
  sim.trial.shift = FitStep(sim.samples);
  sim.trial.error = sim.trial.shift / 100.0L - sim.trial.phase;
  return sim;
}

std::vector<std::string> SingleSimulationLines(const SingleSimulation& sim) {
  std::vector<std::string> out;
  for (int i = -100; i <= -1; ++i) out.push_back(FormatInt(i) + "," + FormatFixed(sim.samples[i + 100], 4, 5));
  out.push_back("Shift= " + FormatFixed(sim.r, 4, 5));
  out.push_back("0," + FormatFixed(sim.samples[100], 4, 5));
  for (int i = 1; i <= 100; ++i) out.push_back(FormatInt(i) + "," + FormatFixed(sim.samples[i + 100], 4, 5));
  out.push_back("Difference= " + FormatFixed(sim.trial.error, 4, 5));
  return out;
}

std::string RampRunLine(const SimSettings& s, const std::vector<SimTrial>& t) {
  const long double n = static_cast<long double>(t.size());
  long double mean = 0;
  for (const SimTrial& x : t) mean += x.shift / 100.0L;
  const long double sd = std::sqrt(SumSquares(t) / (n - 1));
  return FormatFixed(s.STDV2, 2, 3) + "  " + FormatFixed(sd, 4, 8) + "  " + FormatFixed(mean / n, 4, 8);
}

std::vector<std::string> RampNoiseSweep(SimSettings& s, int threads, const SimHooks& hooks) {
  std::vector<std::string> out;
  for (int k = 1; k <= 28; ++k) {
    s.STDV1 = s.STDV2 = k / 20.0L;
    const std::vector<SimTrial> t = RunRampTrials(s, 1000, threads, PartOf(hooks, k - 1, 28));
    long double mean = 0;
    for (const SimTrial& x : t) mean += x.error;
    const long double sd = std::sqrt(SumSquares(t) / 999);
    out.push_back(FormatFixed(s.STDV2, 2, 3) + "  " + FormatFixed(sd, 4, 8) + "  " + FormatFixed(mean / 1000, 4, 8));
  }
  return out;
}

std::string StepRunLine(const SimSettings& s, const std::vector<SimTrial>& t) {
  const long double sd = std::sqrt(SumSquares(t) / (static_cast<long double>(t.size()) - 1));
  return FormatFixed(s.STDV1, 2, 4) + "," + FormatFixed(sd, 4, 8);
}

std::vector<std::string> WholeFrameNoiseSweep(SimSettings& s, int threads, const SimHooks& hooks) {
  std::vector<std::string> out;
  for (int k = 1; k <= 28; ++k) {
    s.STDV1 = s.STDV2 = k / 20.0L;
    const std::vector<SimTrial> t = RunWholeFrameTrials(s, 1000, threads, PartOf(hooks, k - 1, 28));
    out.push_back(FormatFixed(s.STDV1, 2, 3) + "  " + FormatFixed(std::sqrt(SumSquares(t) / 999), 4, 8));
  }
  return out;
}

std::vector<std::string> RampFractionLines(long double event_width) {
  std::vector<std::string> out;
  const long double w = static_cast<long double>(RoundHalfEven(event_width * 100));
  for (int k = -500; k <= 500; ++k) out.push_back(FormatInt(k) + " " + FormatFixed(RampFraction(w, k), 4, 8));
  return out;
}

std::vector<std::string> StepFractionLines() {
  std::vector<std::string> out;
  for (int k = -50; k <= 50; ++k) out.push_back(FormatInt(k) + " " + FormatFixed(StepFraction(-123, k), 4, 5));
  return out;
}

void AdoptRunLeftover(SimSettings& now, const SimSettings& started, const SimSettings& left) {
  const auto adopt = [](long double& value, long double at_start, long double run_left) {
    if (run_left != at_start && value == at_start) value = run_left;
  };
  adopt(now.STDV1, started.STDV1, left.STDV1);
  adopt(now.STDV2, started.STDV2, left.STDV2);
  adopt(now.EventWidth, started.EventWidth, left.EventWidth);
}
