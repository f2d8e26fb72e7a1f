#include "events/DiffractionGrid.h"

#include <algorithm>
#include <utility>

#include "events/ParallelFor.h"

namespace {

// A grid point as one sortable number: the candidate's factor (by rank among
// the batch's distinct factors, up to 1024), the record and the 0.1 ms step.
// Sorting keeps each factor's points of one record together, in time order.
constexpr int kStepBits = 34;
constexpr int64_t kStepBias = int64_t{1} << (kStepBits - 1);
constexpr int kRecordBits = 20;
constexpr size_t kMaxFactors = size_t{1} << (64 - kStepBits - kRecordBits);

uint64_t PointKey(size_t factor, size_t record, int64_t step) {
  return (static_cast<uint64_t>(factor) << (kStepBits + kRecordBits)) |
         (static_cast<uint64_t>(record) << kStepBits) | static_cast<uint64_t>(step + kStepBias);
}

// Points computed together: a few hundred keep one batch of table look-ups
// within the cache and let 'Cancel' act within milliseconds.
constexpr size_t kChunk = 256;

}  // namespace

DiffractionGrid::DiffractionGrid(const DiffractionModel& model, std::vector<long double> times, int direction,
                                 int half_width)
    : model_(model), times_(std::move(times)), direction_(direction), half_width_(half_width) {
  if (times_.size() > kMaxTimes) times_.resize(kMaxTimes);
}

const double* DiffractionGrid::Known(long double factor, uint64_t point) const {
  const auto f = known_.find(factor);
  if (f == known_.end()) return nullptr;
  const auto v = f->second.find(point);
  return v == f->second.end() ? nullptr : &v->second;
}

std::optional<std::vector<long double>> DiffractionGrid::ExposureMeans(const std::vector<ScanCandidate>& candidates,
                                                                        int threads,
                                                                        const std::atomic<bool>* cancel) const {
  const size_t records = times_.size();
  const size_t per_record = static_cast<size_t>(2 * half_width_ + 1) * (model_.Params().DoubleStarFit ? 2 : 1);
  // Long exposures have thousands of sub-steps per record: the records, and
  // when one record's candidates alone hold too many, the candidates go in
  // parts of at most kMaxBatchPoints grid points, so that a fit of slow
  // exposures does not take gigabytes. Records share no points, so parts of
  // records cost nothing; the values do not depend on the parts.
  const size_t group = std::min({candidates.size(), kMaxFactors, std::max<size_t>(1, kMaxBatchPoints / per_record)});
  const size_t record_group = std::max<size_t>(1, kMaxBatchPoints / (std::max<size_t>(1, group) * per_record));
  // Points of a call in parts are kept for later calls no more than those of
  // a call too large to keep: filling the store only to clear it costs time.
  const bool keep = group >= candidates.size() && record_group >= records;
  std::vector<long double> means(candidates.size() * records);
  for (size_t c0 = 0; c0 < candidates.size(); c0 += group) {
    const auto from = candidates.begin() + static_cast<std::ptrdiff_t>(c0);
    const auto to = from + static_cast<std::ptrdiff_t>(std::min(group, candidates.size() - c0));
    const std::vector<ScanCandidate> part(from, to);
    for (size_t r0 = 0; r0 < records; r0 += record_group) {
      const size_t r1 = std::min(records, r0 + record_group);
      if (!BatchMeans(part, c0, r0, r1, keep, threads, cancel, means)) return std::nullopt;
    }
  }
  if (cancel && cancel->load()) return std::nullopt;
  return means;
}

bool DiffractionGrid::BatchMeans(const std::vector<ScanCandidate>& candidates, size_t first_candidate,
                                 size_t first_record, size_t end_record, bool keep, int threads,
                                 const std::atomic<bool>* cancel,
                                 std::vector<long double>& means) const {
  const DiffractionParams& p = model_.Params();
  const bool pair = p.DoubleStarFit != 0;
  const int h = half_width_, d = direction_;
  const size_t steps = static_cast<size_t>(2 * h + 1), records = times_.size();
  const size_t batch_records = end_record - first_record;
  // The second component's event lies d s ms away: s x 10 steps of 0.1 ms.
  const int64_t shift = static_cast<int64_t>(d) * p.ComponentSeparation * 10;

  std::vector<long double> factors;
  for (const ScanCandidate& c : candidates) factors.push_back(c.Factor);
  std::sort(factors.begin(), factors.end());
  factors.erase(std::unique(factors.begin(), factors.end()), factors.end());

  // Every (candidate, record, sub-step[, component]) names one grid point.
  const size_t per_record = steps * (pair ? 2 : 1);
  std::vector<std::pair<uint64_t, uint32_t>> wanted;
  wanted.reserve(candidates.size() * batch_records * per_record);
  largest_batch_ = std::max(largest_batch_, candidates.size() * batch_records * per_record);
  for (const ScanCandidate& c : candidates) {
    const size_t f = static_cast<size_t>(std::lower_bound(factors.begin(), factors.end(), c.Factor) - factors.begin());
    for (size_t r = first_record; r < end_record; ++r)
      for (int j = -h; j <= h; ++j) {
        const int64_t step = c.Offset + 10 * j;
        wanted.emplace_back(PointKey(f, r, step), static_cast<uint32_t>(wanted.size()));
        if (pair) wanted.emplace_back(PointKey(f, r, step + shift), static_cast<uint32_t>(wanted.size()));
      }
  }
  const size_t wanted_count = wanted.size();
  std::vector<std::pair<uint64_t, uint32_t>> sorted = std::move(wanted);
  std::sort(sorted.begin(), sorted.end());

  // The distinct points, where each wanted one lies, and the arguments of
  // those not known from earlier batches.
  const uint64_t point_mask = (uint64_t{1} << (kStepBits + kRecordBits)) - 1;
  const uint64_t step_mask = (uint64_t{1} << kStepBits) - 1, record_mask = (uint64_t{1} << kRecordBits) - 1;
  std::vector<double> intensity;
  std::vector<uint32_t> point_of(wanted_count);
  std::vector<long double> arguments;
  std::vector<std::pair<long double, uint64_t>> computed;  // factor, point: in the order of `arguments`
  std::vector<size_t> slot;                                // their place in `intensity`
  for (size_t i = 0; i < sorted.size(); ++i) {
    const uint64_t key = sorted[i].first;
    if (i == 0 || key != sorted[i - 1].first) {
      const long double F = factors[key >> (kStepBits + kRecordBits)];
      if (const double* value = Known(F, key & point_mask)) {
        intensity.push_back(*value);
      } else {
        const long double r = times_[(key >> kStepBits) & record_mask];
        const int64_t step = static_cast<int64_t>(key & step_mask) - kStepBias;
        arguments.push_back(F * d * (step / 10000.0L + r));
        computed.emplace_back(F, key & point_mask);
        slot.push_back(intensity.size());
        intensity.push_back(0);
      }
    }
    point_of[sorted[i].second] = static_cast<uint32_t>(intensity.size() - 1);
  }
  sorted.clear();
  sorted.shrink_to_fit();

  std::vector<double> fresh(arguments.size());
  const int chunks = static_cast<int>((arguments.size() + kChunk - 1) / kChunk);
  ParallelFor(chunks, threads, [&](int c) {
    if (cancel && cancel->load()) return;
    const size_t from = static_cast<size_t>(c) * kChunk;
    model_.StarDiskIntensities(arguments.data() + from, std::min(kChunk, arguments.size() - from), fresh.data() + from);
  });
  if (cancel && cancel->load()) return false;
  if (known_count_ + fresh.size() > kMaxKnown) known_.clear(), known_count_ = 0;
  for (size_t q = 0; q < fresh.size(); ++q) {
    intensity[slot[q]] = fresh[q];
    if (keep && fresh.size() <= kMaxKnown)
      known_count_ += known_[computed[q].first].emplace(computed[q].second, fresh[q]).second;
  }

  const long double W1 = p.ComponentWeight, W2 = 1000 - p.ComponentWeight;
  for (size_t c = 0; c < candidates.size(); ++c)
    for (size_t r = first_record; r < end_record; ++r) {
      const size_t first = (c * batch_records + r - first_record) * per_record;
      long double sum = 0;
      for (size_t j = 0; j < steps; ++j) {
        if (!pair) {
          sum += intensity[point_of[first + j]];
          continue;
        }
        // The first component is the shifted one.
        const long double unshifted = intensity[point_of[first + 2 * j]];
        const long double shifted = intensity[point_of[first + 2 * j + 1]];
        sum += (W1 * shifted + W2 * unshifted) / 1000.0L;
      }
      means[(first_candidate + c) * records + r] = sum / static_cast<long double>(steps);
    }
  return true;
}
