#include "events/DiffractionFit.h"

#include <algorithm>
#include <mutex>
#include <cmath>

#include "base/NumberText.h"
#include "events/ParallelFor.h"

LevelAverages AverageLevelWindows(const std::vector<double>& values, int selected, const LevelWindowOffsets& w) {
  LevelAverages out;
  const std::array<std::array<int, 2>, 3> windows{{{w.PreFrom, w.PreTo}, {w.StepFrom, w.StepTo}, {w.PostFrom, w.PostTo}}};
  const long long count = static_cast<long long>(values.size());
  for (size_t k = 0; k < 3; ++k) {
    long double sum = 0;
    int n = 0;
    for (int off = windows[k][0]; off <= windows[k][1]; ++off) {
      const long long r = static_cast<long long>(selected) + off;
      if (r < 0 || r >= count) continue;
      sum += values[static_cast<size_t>(r)];
      ++n;
    }
    const long double mean = n > 0 ? sum / n : 0;
    long double sq = 0;
    for (int off = windows[k][0]; off <= windows[k][1]; ++off) {
      const long long r = static_cast<long long>(selected) + off;
      if (r < 0 || r >= count) continue;
      const long double dv = values[static_cast<size_t>(r)] - mean;
      sq += dv * dv;
    }
    const long double sd = n >= 2 ? std::sqrt(sq / (n - 1)) : 0;
    out.Mean[k] = static_cast<double>(mean);
    out.StdError[k] = n > 0 ? static_cast<double>(sd / std::sqrt(static_cast<long double>(n))) : 0;
    out.Count[k] = n;
  }
  return out;
}

FitRange FittingRange(bool custom, int from, int to, uint8_t field_mode) {
  if (!custom) return field_mode ? FitRange{-60, 60} : FitRange{-30, 30};
  return {std::clamp(from, -kObservedWindowHalf, kObservedWindowHalf),
          std::clamp(to, -kObservedWindowHalf, kObservedWindowHalf)};
}

namespace {

constexpr long double kNoResidual15 = 1e15L;
constexpr long double kNoResidual17 = 1e17L;

class Fit {
 public:
  Fit(const DiffractionModel& model, const std::vector<double>& values, const FitInput& in, const FitHooks& hooks)
      : model_(model), in_(in), hooks_(hooks) {
    direction_ = in.Rising ? 1 : -1;
    half_width_ = FitExposureHalfWidth(model.Params().ModelFrameRate, model.Params().FieldMode);
    // The observed window: existing records of the range, 0 elsewhere.
    observed_.fill(0);
    const long long n = static_cast<long long>(values.size());
    for (int k = in.Range.From; k <= in.Range.To; ++k) {
      const long long r = static_cast<long long>(in.Selected) + k;
      if (r < 0 || r >= n) continue;
      observed_[static_cast<size_t>(k + kObservedWindowHalf)] = values[static_cast<size_t>(r)];
      offsets_.push_back(k);
    }
  }

  bool Cancelled() const { return hooks_.Cancel && hooks_.Cancel->load(); }

  long double Residual(long double F, int64_t o) const {
    long double sum = 0;
    for (int k : offsets_) {
      const long double v =
          model_.RecordValue(k, F, o, direction_, in_.Base, in_.Amplitude, half_width_) -
          observed_[static_cast<size_t>(k + kObservedWindowHalf)];
      sum += v * v;
    }
    return sum;
  }

  // Candidates report from the worker threads: one report at a time.
  void Progress(int position) const {
    if (!hooks_.Progress) return;
    const std::lock_guard<std::mutex> lock(progress_mutex_);
    hooks_.Progress(position);
  }
  void Memo(const std::string& line) const {
    if (hooks_.Memo) hooks_.Memo(line);
  }

  // Residuals of n candidates, on the worker threads when allowed.
  std::vector<long double> Evaluate(int n, int threads, const std::function<long double(int)>& residual_of) const {
    std::vector<long double> out(static_cast<size_t>(n));
    ParallelFor(n, threads, [&](int i) { out[static_cast<size_t>(i)] = residual_of(i); });
    return out;
  }

  // The factor scan for a fixed offset (three levels of 21 candidates).
  void FitVelocityFactor(long double& F, long double& residual, int64_t o, int threads) const {
    long double s = 0.1L;
    for (int level = 0; level < 3 && !Cancelled(); ++level) {
      const std::vector<long double> r = Evaluate(21, threads, [&](int idx) -> long double {
        const long double Fi = F + (idx - 10) * s;
        if (Fi > 1 || Fi <= 0 || Cancelled()) return kNoResidual15;
        return Residual(Fi, o);
      });
      int chosen = 10;
      long double best = kNoResidual15;
      for (int idx = 0; idx < 21; ++idx)
        if (r[static_cast<size_t>(idx)] < best) best = r[static_cast<size_t>(idx)], chosen = idx;
      F = F + (chosen - 10) * s;
      residual = r[static_cast<size_t>(chosen)];
      s = s / 10;
    }
  }

  void SearchEventOffset(int64_t& o, int64_t step, long double F) {
    for (;;) {
      const std::vector<long double> r = Evaluate(25, hooks_.Threads, [&](int idx) -> long double {
        if (Cancelled()) return kNoResidual15;
        const long double v = Residual(F, o + (idx - 12) * step);
        Progress(idx - 12 + 30);
        return v;
      });
      int chosen = 12;
      long double best = kNoResidual15;
      for (int idx = 0; idx < 25; ++idx)
        if (r[static_cast<size_t>(idx)] < best) best = r[static_cast<size_t>(idx)], chosen = idx;
      o += (chosen - 12) * step;
      minimum_ = best;
      step = RoundHalfAway(step / 10.0L);
      if (step <= 1 || Cancelled()) return;
    }
  }

  void SearchVelocityFactor(long double& F, int64_t o, long double step) {
    // 0.1, 0.01, 0.001: the step shrinks while it stays above 0.0001.
    for (int level = 0; level < 8; ++level) {
      const std::vector<long double> r = Evaluate(41, hooks_.Threads, [&](int idx) -> long double {
        const int i = 20 - idx;  // scanned from +20 down
        const long double Fi = F + i * step;
        if (!(Fi > 0 && Fi < 1) || Cancelled()) return kNoResidual17;
        const long double v = Residual(Fi, o);
        Progress(i + 30);
        return v;
      });
      int chosen = 20;
      long double best = kNoResidual17;
      for (int idx = 0; idx < 41; ++idx)
        if (r[static_cast<size_t>(idx)] < best) best = r[static_cast<size_t>(idx)], chosen = idx;
      F = F + (20 - chosen) * step;
      minimum_ = best;
      step = step / 10;
      if (!(step > 0.0001L * 1.5L) || Cancelled()) return;
    }
  }

  FitOutcome Run() {
    FitOutcome out;
    long double F = in_.Factor;
    int64_t o = 0;
    const long double rate = model_.Params().ModelFrameRate;
    if (in_.Mode == FitMode::Occultation) {
      const int64_t step = RoundHalfAway(1000.0L / rate) * 10;
      Memo(FormatInt(step) + " " + FormatInt(o));
      SearchEventOffset(o, step, F);
    } else if (in_.Mode == FitMode::GrazingNew) {
      const int64_t step = RoundHalfAway(1000.0L / rate) * 10;
      for (int pass = 0; pass < 40 && !Cancelled(); ++pass) {
        const long double F0 = F;
        const int64_t o0 = o;
        SearchEventOffset(o, step, F);
        SearchVelocityFactor(F, o, 0.1L);
        Memo("Ratio : " + FormatFixed(F, 3, 5) + " Offset: " + FormatInt(o));
        if (o == o0 && F == F0) break;
      }
    } else {
      const int64_t step = RoundHalfAway(10000.0L / rate);
      std::vector<long double> coarse_F(25, 1.0L), coarse_r(25, kNoResidual15);
      ParallelFor(25, hooks_.Threads, [&](int idx) {
        if (Cancelled()) return;
        FitVelocityFactor(coarse_F[static_cast<size_t>(idx)], coarse_r[static_cast<size_t>(idx)],
                          (idx - 12) * step, 1);
        Progress((idx - 12 + 15) * 2);
      });
      int chosen = 12;
      long double best = kNoResidual15;
      for (int idx = 0; idx < 25; ++idx)
        if (coarse_r[static_cast<size_t>(idx)] < best) best = coarse_r[static_cast<size_t>(idx)], chosen = idx;
      o = (chosen - 12) * step;
      const int H = static_cast<int>(
          std::min<int64_t>(2000, RoundHalfAway(model_.Params().FieldMode ? 1000.0L / rate / 2 : 1000.0L / rate)));
      const int n = 2 * H + 1;
      std::vector<long double> fine_F(static_cast<size_t>(n), 1.0L), fine_r(static_cast<size_t>(n), kNoResidual15);
      ParallelFor(n, hooks_.Threads, [&](int idx) {
        if (Cancelled()) return;
        FitVelocityFactor(fine_F[static_cast<size_t>(idx)], fine_r[static_cast<size_t>(idx)], o + 10 * (idx - H), 1);
        Progress(idx - H + 93);
      });
      int fine = -1;
      best = kNoResidual15;
      for (int idx = 0; idx < n; ++idx)
        if (fine_r[static_cast<size_t>(idx)] < best) best = fine_r[static_cast<size_t>(idx)], fine = idx;
      if (fine < 0) fine = H;
      o = o + 10 * (fine - H);
      F = fine_F[static_cast<size_t>(fine)];
      minimum_ = best;
    }
    out.Cancelled = Cancelled();
    out.Factor = F;
    out.SearchOffset = static_cast<int32_t>(o);
    out.Offset = static_cast<int32_t>(in_.Rising ? o : -o);
    out.Residual = minimum_;
    const int count = in_.Range.To - in_.Range.From + 1;
    out.ObservedWindowCount = count == 0 ? 1 : count;
    out.TargetText = "target: " + FormatInt(o);
    out.ResidualText = FormatFixed(minimum_, 0, 12);
    Progress(0);
    return out;
  }

 private:
  const DiffractionModel& model_;
  const FitInput& in_;
  const FitHooks& hooks_;
  mutable std::mutex progress_mutex_;
  int direction_ = 1;
  int half_width_ = 0;
  std::array<long double, 2 * kObservedWindowHalf + 1> observed_{};
  std::vector<int> offsets_;
  long double minimum_ = kNoResidual15;
};

}  // namespace

FitOutcome FitDiffractionModel(const DiffractionModel& model, const std::vector<double>& values, const FitInput& in,
                               const FitHooks& hooks) {
  Fit fit(model, values, in, hooks);
  return fit.Run();
}

long double ModelResidual(const DiffractionModel& model, const std::vector<double>& values, const FitInput& in,
                          long double factor, int64_t offset) {
  const FitHooks none;
  return Fit(model, values, in, none).Residual(factor, offset);
}
