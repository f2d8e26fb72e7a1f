#include "events/DiffractionFit.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "base/NumberText.h"
#include "events/DiffractionGrid.h"

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

// The first index, scanning upwards, whose residual is strictly below the
// smallest so far (starting at `start`); `none` when no residual is.
size_t FirstStrictMinimum(const long double* residual, size_t n, size_t none, long double start) {
  size_t chosen = none;
  long double best = start;
  for (size_t i = 0; i < n; ++i)
    if (residual[i] < best) best = residual[i], chosen = i;
  return chosen;
}

// The offset search's first step: one record to the whole millisecond, in
// 0.1 ms. At least 1 ms: above 2000 records per second a record rounds to
// 0 ms, and a step of 0 searched nothing.
int64_t OffsetSearchStep(long double rate) { return std::max<int64_t>(1, RoundHalfAway(1000.0L / rate)) * 10; }

class Fit {
 public:
  Fit(const DiffractionModel& model, const std::vector<double>& values, const FitInput& in, const FitHooks& hooks)
      : model_(model), in_(in), hooks_(hooks) {
    direction_ = in.Rising ? 1 : -1;
    half_width_ = FitExposureHalfWidth(ExposureRateOf(model.Params()), model.Params().FieldMode);
    // The observed window: existing records of the range, 0 elsewhere.
    observed_.fill(0);
    const long long n = static_cast<long long>(values.size());
    std::vector<long double> times;
    for (int k = in.Range.From; k <= in.Range.To; ++k) {
      const long long r = static_cast<long long>(in.Selected) + k;
      if (r < 0 || r >= n) continue;
      observed_[static_cast<size_t>(k + kObservedWindowHalf)] = values[static_cast<size_t>(r)];
      records_.push_back(k);
      times.push_back(model.RecordTime(k));
    }
    grid_.emplace(model, std::move(times), direction_, half_width_);
  }

  bool Cancelled() const { return hooks_.Cancel && hooks_.Cancel->load(); }

  // Sums of squared residuals of the candidates, in their order; empty when
  // the fit was cancelled meanwhile.
  std::optional<std::vector<long double>> Residuals(const std::vector<ScanCandidate>& candidates,
                                                    int threads) const {
    const std::optional<std::vector<long double>> means = grid_->ExposureMeans(candidates, threads, hooks_.Cancel);
    if (!means) return std::nullopt;
    const std::vector<int>& records = records_;
    std::vector<long double> out(candidates.size());
    for (size_t c = 0; c < candidates.size(); ++c) {
      long double sum = 0;
      for (size_t i = 0; i < records.size(); ++i) {
        const long double v = in_.Base + in_.Amplitude * (*means)[c * records.size() + i] -
                              observed_[static_cast<size_t>(records[i] + kObservedWindowHalf)];
        sum += v * v;
      }
      out[c] = sum;
    }
    return out;
  }

  long double Residual(long double F, int64_t o) const {
    const std::optional<std::vector<long double>> r = Residuals({{F, o}}, 1);
    return r ? r->front() : kNoResidual15;
  }

  void Progress(int position) const {
    if (hooks_.Progress) hooks_.Progress(position);
  }
  void Memo(const std::string& line) const {
    if (hooks_.Memo) hooks_.Memo(line);
  }

  // The factor scans of several offsets side by side, level by level (three
  // levels of 21 candidates from the factors given): each scan's choice
  // depends only on its own residuals, so the result is that of scanning
  // them one after another, while a batch computes the grid points that
  // neighbouring offsets share only once.
  bool FitVelocityFactors(std::vector<long double>& F, std::vector<long double>& residual,
                          const std::vector<int64_t>& offsets) const {
    long double s = 0.1L;
    for (int level = 0; level < 3; ++level) {
      std::vector<ScanCandidate> candidates;
      std::vector<std::pair<size_t, int>> owner;  // scan, candidate index 0..20
      for (size_t n = 0; n < offsets.size(); ++n)
        for (int idx = 0; idx < 21; ++idx) {
          const long double Fi = F[n] + (idx - 10) * s;
          if (Fi > 1 || Fi <= 0) continue;
          candidates.push_back({Fi, offsets[n]});
          owner.emplace_back(n, idx);
        }
      const std::optional<std::vector<long double>> r = Residuals(candidates, hooks_.Threads);
      if (!r) return false;
      std::vector<std::array<long double, 21>> scan(offsets.size());
      for (auto& a : scan) a.fill(kNoResidual15);
      for (size_t q = 0; q < owner.size(); ++q) scan[owner[q].first][static_cast<size_t>(owner[q].second)] = (*r)[q];
      for (size_t n = 0; n < offsets.size(); ++n) {
        const size_t chosen = FirstStrictMinimum(scan[n].data(), 21, 10, kNoResidual15);
        F[n] = F[n] + (static_cast<int>(chosen) - 10) * s;
        residual[n] = scan[n][chosen];
      }
      s = s / 10;
    }
    return true;
  }

  // Factor scans from 1.0 at each offset, a few offsets per batch so that
  // the progress bar moves; position(i) is the bar's place after offset i.
  bool ScanOffsets(const std::vector<int64_t>& offsets, std::vector<long double>& F, std::vector<long double>& residual,
                   const std::function<int(size_t)>& position) const {
    F.assign(offsets.size(), 1.0L);
    residual.assign(offsets.size(), kNoResidual15);
    for (size_t from = 0; from < offsets.size(); from += kOffsetsPerBatch) {
      const size_t to = std::min(offsets.size(), from + kOffsetsPerBatch);
      std::vector<long double> f(F.begin() + from, F.begin() + to), r(to - from);
      if (!FitVelocityFactors(f, r, std::vector<int64_t>(offsets.begin() + from, offsets.begin() + to))) return false;
      for (size_t n = from; n < to; ++n) {
        F[n] = f[n - from], residual[n] = r[n - from];
        Progress(position(n));
      }
    }
    return true;
  }

  // -1 or +1 for the lowest or highest of n candidates, else 0.
  static int EdgeSide(size_t chosen, size_t n) { return chosen == 0 ? -1 : chosen + 1 == n ? 1 : 0; }

  void SearchEventOffset(int64_t& o, int64_t step, long double F) {
    int side = 0;  // the edge every level so far took, 0 once one did not
    for (int level = 0;; ++level) {
      std::vector<ScanCandidate> candidates;
      for (int i = -12; i <= 12; ++i) candidates.push_back({F, o + i * step});
      const std::optional<std::vector<long double>> r = Residuals(candidates, hooks_.Threads);
      if (!r) return;
      for (int i = -12; i <= 12; ++i) Progress(i + 30);
      const size_t chosen = FirstStrictMinimum(r->data(), 25, 12, kNoResidual15);
      side = level == 0 || EdgeSide(chosen, 25) == side ? EdgeSide(chosen, 25) : 0;
      at_search_end_ = side != 0;
      o += (static_cast<int>(chosen) - 12) * step;
      minimum_ = std::min((*r)[chosen], kNoResidual15);
      step = RoundHalfAway(step / 10.0L);
      if (step <= 1 || Cancelled()) return;
    }
  }

  void SearchVelocityFactor(long double& F, int64_t o, long double step) {
    // 0.1, 0.01, 0.001: the step shrinks while it stays above 0.0001.
    for (int level = 0; level < 8; ++level) {
      std::vector<ScanCandidate> candidates;
      std::vector<int> index;  // 0..40, scanned from +20 down
      for (int idx = 0; idx < 41; ++idx) {
        const long double Fi = F + (20 - idx) * step;
        if (!(Fi > 0 && Fi < 1)) continue;
        candidates.push_back({Fi, o});
        index.push_back(idx);
      }
      const std::optional<std::vector<long double>> r = Residuals(candidates, hooks_.Threads);
      if (!r) return;
      std::array<long double, 41> residual;
      residual.fill(kNoResidual17);
      for (size_t q = 0; q < index.size(); ++q) {
        residual[static_cast<size_t>(index[q])] = (*r)[q];
        Progress(20 - index[q] + 30);
      }
      const size_t chosen = FirstStrictMinimum(residual.data(), 41, 20, kNoResidual17);
      F = F + (20 - static_cast<int>(chosen)) * step;
      minimum_ = std::min(residual[chosen], kNoResidual17);
      step = step / 10;
      if (!(step > 0.0001L * 1.5L) || Cancelled()) return;
    }
  }

  // Whether the fitted curve changes over the window by a visible part of the
  // step. A shadow that crawls (a velocity near 0 m/s, a huge slow disk)
  // still steps from one table entry to the next somewhere: the residual
  // then changes with the offset by far less than a thousandth of the step,
  // and the offset of that rounding step is no event time.
  bool ModelMoves(long double F, int64_t o) const {
    const std::optional<std::vector<long double>> m = grid_->ExposureMeans({{F, o}}, hooks_.Threads);
    if (!m || m->empty()) return true;
    const auto [low, high] = std::minmax_element(m->begin(), m->end());
    return *high - *low >= kLeastModelChange;
  }

  // The fitted curve's change per record, from a shift of 1 ms either way
  // (one sub-step of the exposure): the squared step over its sum of squares.
  double EventWidth(long double F, int64_t o, int64_t record) const {
    const std::optional<std::vector<long double>> m = grid_->ExposureMeans({{F, o - 10}, {F, o + 10}}, hooks_.Threads);
    if (!m || records_.empty()) return 1;
    const size_t n = records_.size();
    long double sum = 0;
    for (size_t i = 0; i < n; ++i) {
      const long double per_record = ((*m)[n + i] - (*m)[i]) * record / 20;
      sum += per_record * per_record;
    }
    // A curve that hardly changes spreads over the whole window at most.
    return sum > 0 ? static_cast<double>(std::min<long double>(static_cast<long double>(n), 1 / sum)) : 1;
  }

  FitOutcome Run() {
    FitOutcome out;
    long double F = in_.Factor;
    int64_t o = 0;
    const long double rate = model_.Params().ModelFrameRate;
    if (in_.Mode == FitMode::Occultation) {
      const int64_t step = OffsetSearchStep(rate);
      Memo(FormatInt(step) + " " + FormatInt(o));
      SearchEventOffset(o, step, F);
    } else if (in_.Mode == FitMode::GrazingNew) {
      const int64_t step = OffsetSearchStep(rate);
      for (int pass = 0; pass < 40 && !Cancelled(); ++pass) {
        const long double F0 = F;
        const int64_t o0 = o;
        SearchEventOffset(o, step, F);
        SearchVelocityFactor(F, o, 0.1L);
        if (Cancelled()) break;
        Memo("Ratio : " + FormatFixed(F, 3, 5) + " Offset: " + FormatInt(o));
        if (o == o0 && F == F0) break;
      }
    } else {
      const int64_t step = RoundHalfAway(10000.0L / rate);
      std::vector<int64_t> coarse_o;
      for (int i = -12; i <= 12; ++i) coarse_o.push_back(i * step);
      std::vector<long double> coarse_F, coarse_r;
      if (ScanOffsets(coarse_o, coarse_F, coarse_r, [](size_t n) { return (static_cast<int>(n) - 12 + 15) * 2; })) {
        const size_t chosen = FirstStrictMinimum(coarse_r.data(), 25, 12, kNoResidual15);
        o = coarse_o[chosen];
        const int H = static_cast<int>(std::min<int64_t>(
            2000, RoundHalfAway(model_.Params().FieldMode ? 1000.0L / rate / 2 : 1000.0L / rate)));
        std::vector<int64_t> fine_o;
        for (int j = -H; j <= H; ++j) fine_o.push_back(o + 10 * j);
        std::vector<long double> fine_F, fine_r;
        if (ScanOffsets(fine_o, fine_F, fine_r, [H](size_t n) { return static_cast<int>(n) - H + 93; })) {
          const size_t fine = FirstStrictMinimum(fine_r.data(), fine_r.size(), static_cast<size_t>(H), kNoResidual15);
          at_search_end_ = EdgeSide(chosen, 25) != 0 && EdgeSide(fine, fine_r.size()) == EdgeSide(chosen, 25);
          o = fine_o[fine];
          F = fine_F[fine];
          minimum_ = std::min(fine_r[fine], kNoResidual15);
        }
      }
    }
    out.Cancelled = Cancelled();
    if (!out.Cancelled) {
      // One record either side: a model that does not move leaves all three equal.
      const int64_t record = std::max<int64_t>(1, RoundHalfAway(10000.0L / rate / (model_.Params().FieldMode ? 2 : 1)));
      const std::optional<std::vector<long double>> around =
          Residuals({{F, o - record}, {F, o}, {F, o + record}}, hooks_.Threads);
      out.Determined = (!around || (*around)[0] != (*around)[1] || (*around)[2] != (*around)[1]) && ModelMoves(F, o);
      out.EventWidthRecords = EventWidth(F, o, record);
    }
    out.AtSearchEnd = at_search_end_;
    out.Factor = F;
    out.SearchOffset = static_cast<int32_t>(o);
    out.Offset = static_cast<int32_t>(in_.Rising ? o : -o);
    out.Residual = minimum_;
    // Only the records that exist enter the residual, so only they count
    // towards the intensity error near the table's ends.
    const int count = static_cast<int>(records_.size());
    out.ObservedWindowCount = count == 0 ? 1 : count;
    out.TargetText = "target: " + FormatInt(o);
    out.ResidualText = FormatFixed(minimum_, 0, 12);
    Progress(0);
    return out;
  }

 private:
  // A hundredth of the step: far above the table's rounding, far below any
  // event the window shows.
  static constexpr long double kLeastModelChange = 0.01L;
  // Factor scans batched together in the old grazing search.
  static constexpr size_t kOffsetsPerBatch = 8;

  const DiffractionModel& model_;
  const FitInput& in_;
  const FitHooks& hooks_;
  int direction_ = 1;
  int half_width_ = 0;
  std::array<long double, 2 * kObservedWindowHalf + 1> observed_{};
  std::vector<int> records_;  // offsets of the existing records of the window
  std::optional<DiffractionGrid> grid_;
  long double minimum_ = kNoResidual15;
  bool at_search_end_ = false;  // the last offset search ran into its outer end
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
