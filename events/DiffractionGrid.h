#pragma once
// The fit's model values by look-up. For a velocity factor F and direction d
// the model's argument for a record at time r, offset o (0.1 ms) and
// sub-step j (ms) is F d (r + (o + 10 j) / 10000): every offset and sub-step
// of the scan falls on the record's grid of 0.1 ms steps. A batch of
// candidates (F, o) needs each grid point once, however many offsets and
// sub-steps reach it, so the disk- and spectrum-summed intensity is computed
// once per point and factor, and a record's exposure mean is the mean of
// 2h + 1 of those values.
#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "events/DiffractionModel.h"

struct ScanCandidate {
  long double Factor = 1;
  int64_t Offset = 0;  // 0.1 ms
};

class DiffractionGrid {
 public:
  // times: the records' times in seconds (at most kMaxTimes).
  DiffractionGrid(const DiffractionModel& model, std::vector<long double> times, int direction, int half_width);
  static constexpr size_t kMaxTimes = size_t{1} << 20;

  // Exposure means (B = 0, A = 1) of every record for each candidate: entry
  // c x (number of times) + i belongs to candidate c and time i. Empty when
  // cancelled. threads as for `ParallelFor`; the values do not depend on it,
  // nor on which other candidates share the batch. One call at a time: the
  // grid keeps the points it computed for later batches (up to kMaxKnown).
  std::optional<std::vector<long double>> ExposureMeans(const std::vector<ScanCandidate>& candidates, int threads,
                                                        const std::atomic<bool>* cancel = nullptr) const;

  // Grid points (with repeats) one pass over candidates and records holds at
  // most, whatever the exposure length: about 100 bytes each.
  static constexpr size_t kMaxBatchPoints = size_t{1} << 20;
  // The most points a pass of this grid held so far.
  size_t LargestBatch() const { return largest_batch_; }

 private:
  static constexpr size_t kMaxKnown = size_t{1} << 21;
  const double* Known(long double factor, uint64_t point) const;
  // The means of candidates [first_candidate...] and records [first_record,
  // end_record) into `means`, the new points kept when `keep`; false when
  // cancelled.
  bool BatchMeans(const std::vector<ScanCandidate>& candidates, size_t first_candidate, size_t first_record,
                  size_t end_record, bool keep, int threads, const std::atomic<bool>* cancel,
                  std::vector<long double>& means) const;

  const DiffractionModel& model_;
  std::vector<long double> times_;
  int direction_ = 1;
  int half_width_ = 0;
  mutable std::map<long double, std::unordered_map<uint64_t, double>> known_;  // by factor, by record and step
  mutable size_t known_count_ = 0;
  mutable size_t largest_batch_ = 0;
};
