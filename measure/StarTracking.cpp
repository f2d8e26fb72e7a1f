#include "measure/StarTracking.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdlib>
#include <limits>

#include "base/NumberText.h"
#include "base/ParallelScan.h"

namespace {

constexpr int kGridReach = 25;     // cells read around the start position
constexpr int kSmoothReach = 23;   // cells smoothed; the rim keeps raw values
constexpr int kProfileReach = 20;  // cells that make the column and row profiles

// The shift s in -20..20 that minimises |sum_i p(i) (i - s)|; the earliest wins
// ties, and a profile whose every shift scores the same gives 0.
int BestProfileShift(const std::array<int64_t, 2 * kProfileReach + 1>& p) {
  int64_t best = -1;
  int best_shift = 0;
  bool all_equal = true;
  int64_t first = -1;
  for (int s = -kProfileReach; s <= kProfileReach; ++s) {
    int64_t m = 0;
    for (int i = -kProfileReach; i <= kProfileReach; ++i) m += p[static_cast<size_t>(i + kProfileReach)] * (i - s);
    m = m < 0 ? -m : m;
    if (s == -kProfileReach) first = m;
    else if (m != first) all_equal = false;
    if (best < 0 || m < best) {
      best = m;
      best_shift = s;
    }
  }
  return all_equal ? 0 : best_shift;
}

int SearchRadius(MatchSearch search, int track_radius) {
  if (search == MatchSearch::Wide) return 25;
  return static_cast<int>(std::min<int64_t>(25, RoundHalfAway(1.4L * std::max(track_radius, 0))));
}

// True when every pixel of the image within `reach` of (x0, y0) holds the same
// value in the window: a search of radius reach / 2 then finds no star, and
// its candidates differ at most by the cells outside the image.
bool FeaturelessWithin(const ProfileTrackWindow& w, int reach, int64_t x0, int64_t y0, int width, int height) {
  bool seen = false;
  double first = 0;
  for (int dx = -reach; dx <= reach; ++dx)
    for (int dy = -reach; dy <= reach; ++dy) {
      if (!IsReadablePixel(x0 + dx, y0 + dy, width, height)) continue;
      if (!seen) {
        first = w.At(dx, dy);
        seen = true;
      } else if (w.At(dx, dy) != first) {
        return false;
      }
    }
  return true;
}

}  // namespace

bool TrackStarByCentroid(const Bitmap24& bmp, const CentroidTrackParams& params, const TrackDisk& disk,
                         int32_t& x, int32_t& y) {
  const int width = bmp.Width(), height = bmp.Height();
  const int64_t x0 = x, y0 = y;
  ProfileFitWindow grid;  // offsets -27..27, only -25..25 are filled
  for (int dx = -kGridReach; dx <= kGridReach; ++dx) {
    const int64_t px = x0 + dx;
    if (px < 0 || px >= width) continue;
    for (int dy = -kGridReach; dy <= kGridReach; ++dy) {
      const int64_t py = y0 + dy;
      if (py < 1 || py >= height) continue;
      const uint8_t* p = bmp.Row(static_cast<int>(py)) + static_cast<size_t>(px) * 3;
      grid.At(dx, dy) = p[0] + p[1] + p[2];
    }
  }
  SmoothWindow(grid, kSmoothReach, params.SmoothingIndex, SmoothRounding::NearestEven);

  const int r = std::clamp(params.TrackRadius, 0, kGridReach);
  double peak = 0;
  for (int dx = -r; dx <= r; ++dx)
    for (int dy = -r; dy <= r; ++dy)
      if (disk.At(dx, dy) == 1 && IsReadablePixel(x0 + dx, y0 + dy, width, height))
        peak = std::max(peak, grid.At(dx, dy));
  if (peak <= 0) return false;

  const double t = static_cast<double>(RoundHalfEven(static_cast<long double>(params.ThresholdPercent) * peak / 100));
  for (int dx = -kGridReach; dx <= kGridReach; ++dx)
    for (int dy = -kGridReach; dy <= kGridReach; ++dy)
      if (disk.At(dx, dy) != 1 || grid.At(dx, dy) <= t) grid.At(dx, dy) = 0;

  std::array<int64_t, 2 * kProfileReach + 1> columns{}, rows{};
  for (int i = -kProfileReach; i <= kProfileReach; ++i)
    for (int j = -kProfileReach; j <= kProfileReach; ++j) {
      const auto v = static_cast<int64_t>(grid.At(i, j));
      columns[static_cast<size_t>(i + kProfileReach)] += v;
      rows[static_cast<size_t>(j + kProfileReach)] += v;
    }
  x = static_cast<int32_t>(std::clamp<int64_t>(x0 + BestProfileShift(columns), 0, width));
  y = static_cast<int32_t>(std::clamp<int64_t>(y0 + BestProfileShift(rows), 0, height));
  return true;
}

void BuildProfileModel(ProfileModel& model, long double width, long double amplitude, bool pixel_aspect_correction) {
  if (width < 1) width = 1;
  const long double row_scale = pixel_aspect_correction ? 1.125L : 1.0L;
  for (int dx = -ProfileModel::kReach; dx <= ProfileModel::kReach; ++dx)
    for (int dy = -ProfileModel::kReach; dy <= ProfileModel::kReach; ++dy) {
      const long double ry = row_scale * dy;
      const long double q = (static_cast<long double>(dx) * dx + ry * ry) / (width * width);
      const long double v = amplitude / std::exp(2 * q);
      model.At(dx, dy) = std::isfinite(v) ? static_cast<double>(v) : 0.0;
    }
}

ProfileMatch FindProfileMatch(MatchSearch search, const ProfileTrackWindow& window, double background,
                              const ProfileModel& model, const ApertureClasses& classes, int track_radius) {
  constexpr int kW = ProfileTrackWindow::kReach;
  const int radius = SearchRadius(search, track_radius);
  // Half-heights of the disk's columns: |j| <= half[i] when i^2 + j^2 <= R^2.
  std::array<int, 51> half{};
  for (int i = -radius; i <= radius; ++i) {
    int h = 0;
    while ((h + 1) * (h + 1) + i * i <= radius * radius) ++h;
    half[static_cast<size_t>(i + 25)] = h;
  }
  // Window less the background level, as the differences use it.
  static thread_local ProfileTrackWindow net;
  for (size_t n = 0; n < net.Cells.size(); ++n) net.Cells[n] = window.Cells[n] - background;

  // Columns from the centre outwards: the model's light comes first, so a
  // candidate off the star passes the best sum after a few columns and is
  // dropped. Sums of non-negative terms only grow, so a dropped candidate
  // could never have been strictly better.
  std::array<int, 51> columns{};
  int column_count = 0;
  columns[static_cast<size_t>(column_count++)] = 0;
  for (int i = 1; i <= radius; ++i) {
    columns[static_cast<size_t>(column_count++)] = -i;
    columns[static_cast<size_t>(column_count++)] = i;
  }

  // The disk's columns u are split into parts scanned side by side; each part
  // keeps its first best candidate, and the parts are taken in scan order,
  // so the first best of the whole scan wins as in one pass.
  struct PartBest {
    double score = 1e15, sum = std::numeric_limits<double>::infinity();
    int u = 0, v = 0;
  };
  // A part must be long enough to pay for waking a worker on a busy machine:
  // the narrow search of every frame stays on the calling thread.
  const int candidates_per_part = 800;
  int candidate_count = 0;
  for (int u = -radius; u <= radius; ++u) candidate_count += 2 * half[static_cast<size_t>(u + 25)] + 1;
  const int parts = std::clamp(candidate_count / candidates_per_part, 1, std::min(ScanParallelism(), 2 * radius + 1));
  std::array<PartBest, 51> part_best{};
  const ProfileTrackWindow& net_cells = net;
  // The squared differences of candidate (u, v) into `sum`; false as soon as
  // the partial sum reaches `limit`.
  auto sum_at = [&](int u, int v, double limit, double& sum) {
    sum = 0;
    for (int c = 0; c < column_count; ++c) {
      const int i = columns[static_cast<size_t>(c)];
      const int h = half[static_cast<size_t>(i + 25)];
      const double* m = model.Cells.data() + ProfileModel::Index(i, -h);
      const double* w = net_cells.Cells.data() + ProfileTrackWindow::Index(u + i, v - h);
      // Four running sums keep the adder busy; the order is fixed, so the
      // scores (and their ties) are the same on every run.
      double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
      const int len = 2 * h + 1;
      int n = 0;
      for (; n + 4 <= len; n += 4) {
        const double d0 = m[n] - w[n], d1 = m[n + 1] - w[n + 1];
        const double d2 = m[n + 2] - w[n + 2], d3 = m[n + 3] - w[n + 3];
        s0 += d0 * d0;
        s1 += d1 * d1;
        s2 += d2 * d2;
        s3 += d3 * d3;
      }
      for (; n < len; ++n) {
        const double d = m[n] - w[n];
        s0 += d * d;
      }
      sum += (s0 + s1) + (s2 + s3);
      if (sum >= limit) return false;
    }
    return true;
  };
  // The candidate at the start position (where the star was last) usually
  // scores near the best: a candidate whose sum passes its sum by more than
  // rounding could make cannot win, so it is left as soon as it does.
  double cap = std::numeric_limits<double>::infinity();
  if (double start_sum; sum_at(0, 0, cap, start_sum)) cap = std::nextafter(start_sum * (1 + 1e-12), cap);
  auto scan = [&](int part) {
    PartBest& best = part_best[static_cast<size_t>(part)];
    const int u_from = -radius + (2 * radius + 1) * part / parts;
    const int u_to = -radius + (2 * radius + 1) * (part + 1) / parts - 1;
    for (int u = u_from; u <= u_to; ++u) {
      const int hu = half[static_cast<size_t>(u + 25)];
      for (int v = -hu; v <= hu; ++v) {
        double sum;
        if (!sum_at(u, v, std::min(best.sum, cap), sum)) continue;
        const double score = std::sqrt(sum);
        if (score < best.score) {
          best.score = score;
          best.sum = sum;
          best.u = u;
          best.v = v;
        }
      }
    }
  };
  RunParts(parts, scan);
  ProfileMatch best;
  double best_score = 1e15;
  for (int part = 0; part < parts; ++part) {
    const PartBest& p = part_best[static_cast<size_t>(part)];
    if (p.score < best_score) {
      best_score = p.score;
      best.U = p.u;
      best.V = p.v;
    }
  }
  best.Score = best_score;

  best.Value = ApertureExcess(window, classes, best.U, best.V);
  static_assert(kW >= 50, "window must hold the offsets of a radius-25 search");
  return best;
}

double MatchProfileTemplate(MatchSearch search, const ProfileTrackWindow& window, double background,
                            int32_t start_x, int32_t start_y, int frame_width, int frame_height, int32_t frame,
                            const ProfileTrackInputs& in, const TrackingSettings& settings,
                            const ObjectProfileState& profile, PredictTrack& track, int32_t& x, int32_t& y,
                            ProfileTrackResult& result) {
  // Without any star in reach (a black or white frame, a position far outside
  // the image) the best score only says where the image ends: the step is
  // judged where it started.
  ProfileMatch m;
  if (FeaturelessWithin(window, 2 * SearchRadius(search, in.TrackRadius), start_x, start_y, frame_width,
                        frame_height))
    m.Value = ApertureExcess(window, *in.Classes, 0, 0);
  else
    m = FindProfileMatch(search, window, background, profile.Model, *in.Classes, in.TrackRadius);
  result.MatchedValue = m.Value;
  const int limit = search == MatchSearch::Wide ? 25 : in.TrackRadius;
  if (RoundHalfAway(std::sqrt(static_cast<long double>(m.U) * m.U + static_cast<long double>(m.V) * m.V)) > limit)
    return m.Value;
  if (m.Value >= profile.MatchThresholdPercent * profile.ReferenceValue / 100) {
    // The window stays centred on the step's start, so offsets count from there.
    x = static_cast<int32_t>(std::clamp<int64_t>(int64_t{start_x} + m.U, INT32_MIN, INT32_MAX));
    y = static_cast<int32_t>(std::clamp<int64_t>(int64_t{start_y} + m.V, INT32_MIN, INT32_MAX));
    result.Moved = true;
    result.Lost = false;
    result.Predicted = false;
    if (in.EstimatedTrack) AddPredictTrackSample(track, frame, x, y);
    return m.Value;
  }
  result.Lost = true;
  if (settings.EstimatedTrackChecked && FitPredictTrack(track) == 0) {
    x = PredictTrackX(track, frame);
    y = PredictTrackY(track, frame);
    result.Predicted = true;
  }
  return m.Value;
}

ProfileTrackResult TrackStarByProfile(const Bitmap24& bmp, int32_t frame, const ProfileTrackInputs& in,
                                      const TrackingSettings& settings, const ObjectProfileState& profile,
                                      PredictTrack& track, int32_t& x, int32_t& y) {
  ProfileTrackResult result;
  if (in.Classes == nullptr) return result;
  const int32_t x0 = x, y0 = y;
  static thread_local ProfileTrackWindow window;
  FillMeanWindow(window, bmp, x0, y0, settings.MeasureGamma);
  SmoothWindow(window, 50, settings.SmoothingIndex, SmoothRounding::NearestEven);

  double sum = 0;
  int count = 0;
  for (int dx = -kClassGridReach; dx <= kClassGridReach; ++dx)
    for (int dy = -kClassGridReach; dy <= kClassGridReach; ++dy)
      if (in.Classes->At(dx, dy) == 2 && IsReadablePixel(int64_t{x0} + dx, int64_t{y0} + dy, bmp.Width(), bmp.Height())) {
        sum += window.At(dx, dy);
        ++count;
      }
  const double background = sum / std::max(count, 1);

  const double threshold = profile.MatchThresholdPercent * profile.ReferenceValue / 100;
  const int width = bmp.Width(), height = bmp.Height();
  if (in.Object == 2 && !settings.PsfRefitPending) {
    const double v = MatchProfileTemplate(MatchSearch::Narrow, window, background, x0, y0, width, height, frame, in,
                                          settings, profile, track, x, y, result);
    if (v <= threshold) {
      result.WideSearch = true;
      MatchProfileTemplate(MatchSearch::Wide, window, background, x0, y0, width, height, frame, in, settings, profile,
                           track, x, y, result);
    }
  } else {
    MatchProfileTemplate(MatchSearch::Narrow, window, background, x0, y0, width, height, frame, in, settings, profile,
                         track, x, y, result);
  }
  return result;
}
