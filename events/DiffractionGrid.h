#pragma once
// The fit's model values by look-up. For a velocity factor F and direction d
// the model's argument for record k, offset o (0.1 ms) and sub-step j (ms) is
// F d (r_k + (o + 10 j) / 10000): every offset and sub-step of the scan falls
// on the record's grid of 0.1 ms steps. A batch of candidates (F, o) needs
// each grid point once, however many offsets and sub-steps reach it, so the
// disk- and spectrum-summed intensity is computed once per point and factor,
// and a record's exposure mean is the mean of 2h + 1 of those values.
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "events/DiffractionModel.h"

struct ScanCandidate {
  long double Factor = 1;
  int64_t Offset = 0;  // 0.1 ms
};

class DiffractionGrid {
 public:
  // records: frame offsets from the selected record, each in -120..+120.
  DiffractionGrid(const DiffractionModel& model, std::vector<int> records, int direction, int half_width);

  const std::vector<int>& Records() const { return records_; }

  // Exposure means (B = 0, A = 1) of every record for each candidate:
  // entry c x Records().size() + i belongs to candidate c and record i.
  // Empty when cancelled. threads as for `ParallelFor`; the values do not
  // depend on it, nor on which other candidates share the batch.
  std::optional<std::vector<long double>> ExposureMeans(const std::vector<ScanCandidate>& candidates, int threads,
                                                        const std::atomic<bool>* cancel = nullptr) const;

 private:
  const DiffractionModel& model_;
  std::vector<int> records_;
  int direction_ = 1;
  int half_width_ = 0;
};
