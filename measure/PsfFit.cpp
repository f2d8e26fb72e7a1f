#include "measure/PsfFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "base/NumberText.h"
#include "base/ParallelScan.h"
#include "measure/ProfileWindows.h"

std::optional<PsfHistoryRecord> PsfHistory::At(int i) const {
  if (i < 0 || static_cast<size_t>(i) >= Records.size()) return std::nullopt;
  return Records[static_cast<size_t>(i)];
}

void PsfHistory::Store(const PsfHistoryRecord& r) {
  if (Index < 0 || Index >= kMaxRecords) return;
  if (static_cast<size_t>(Index) >= Records.size()) Records.resize(static_cast<size_t>(Index) + 1);
  Records[static_cast<size_t>(Index)] = r;
}

namespace {

constexpr double kSearchStart = 1e10;

struct FitCell {
  int Dx, Dy;
  double Value;
};

// The residuals of the model against a set of cells.
class ProfileResidual {
 public:
  ProfileResidual(const std::vector<FitCell>& cells, double background, bool aspect)
      : cells_(cells), background_(background), row_scale_(aspect ? 1.125 : 1.0) {}

  double Rms(double amplitude, double width, double cx, double cy) const {
    double sum = 0;
    SquaredSum(amplitude, width, cx, cy, std::numeric_limits<double>::infinity(), sum);
    return RmsOf(sum);
  }

  // The sum of squared residuals into `sum`; false, with the sum left
  // partial, as soon as it reaches `limit` (its terms only add).
  bool SquaredSum(double amplitude, double width, double cx, double cy, double limit, double& sum) const {
    sum = 0;
    const double s2 = width * width;
    for (const FitCell& c : cells_) {
      const double ex = c.Dx - cx;
      const double ey = row_scale_ * (c.Dy - cy);
      const double model = amplitude / std::exp(2 * ((ex * ex + ey * ey) / s2)) + background_;
      const double d = model - c.Value;
      sum += d * d;
      if (sum >= limit) return false;
    }
    return true;
  }
  double RmsOf(double sum) const { return std::sqrt(sum / static_cast<double>(std::max<size_t>(cells_.size(), 1))); }

  // With width and centre fixed the exponentials are the same for every
  // amplitude: compute them once.
  void FixShape(double width, double cx, double cy) {
    divisors_.resize(cells_.size());
    const double s2 = width * width;
    for (size_t n = 0; n < cells_.size(); ++n) {
      const double ex = cells_[n].Dx - cx;
      const double ey = row_scale_ * (cells_[n].Dy - cy);
      divisors_[n] = std::exp(2 * ((ex * ex + ey * ey) / s2));
    }
  }
  double RmsFixedShape(double amplitude) const {
    double sum = 0;
    for (size_t n = 0; n < cells_.size(); ++n) {
      const double d = amplitude / divisors_[n] + background_ - cells_[n].Value;
      sum += d * d;
    }
    return std::sqrt(sum / static_cast<double>(std::max<size_t>(cells_.size(), 1)));
  }

 private:
  const std::vector<FitCell>& cells_;
  double background_;
  double row_scale_;
  std::vector<double> divisors_;
};

// Ascending scan over lo..hi keeping the first strictly smaller residual.
template <class Fn>
int BestIndex(int lo, int hi, int fallback, Fn&& rms, double* best_rms = nullptr) {
  double best = kSearchStart;
  int best_i = fallback;
  for (int i = lo; i <= hi; ++i) {
    const double r = rms(i);
    if (r < best) {
      best = r;
      best_i = i;
    }
  }
  if (best_rms) *best_rms = best;
  return best_i;
}

}  // namespace

PsfFitResult FitStarProfile(PsfFitKind kind, const PsfFitTarget& target, const Bitmap24& bmp, int32_t x, int32_t y,
                            const PsfFitSettings& settings, ObjectProfileState& profile, PsfHistory& history,
                            DataLineBlocks& blocks) {
  PsfFitResult out;
  if (target.Classes == nullptr || target.Object < 1 || target.Object > 3) return out;
  const ApertureClasses& classes = *target.Classes;
  const bool refit = settings.RefitPending;
  // An object placed without a profile fit has no stored width, and one
  // below a pixel (no fit gives one) comes from a half-flux diameter: its fit
  // searches as a refit does rather than fitting a pixel or two at width 1.
  const bool wide = refit || !(profile.PsfWidth >= 1);
  const int width_px = bmp.Width(), height_px = bmp.Height();
  auto readable = [&](int dx, int dy) { return IsReadablePixel(int64_t{x} + dx, int64_t{y} + dy, width_px, height_px); };

  // Fit radius.
  const int64_t r_fit = wide ? 8 : RoundHalfAway(2.0L * profile.PsfWidth);
  out.FitRadius = static_cast<int>(std::clamp<int64_t>(r_fit, 0, 20));
  const int R = out.FitRadius;

  // Window, background level and centre value. Pixels beyond the frame or
  // on row 0 are not data: they count neither as background nor in the fit.
  ProfileFitWindow window;
  FillMeanWindow(window, bmp, x, y, settings.MeasureGamma);
  double bsum = 0;
  int bcount = 0;
  for (int dx = -kClassGridReach; dx <= kClassGridReach; ++dx)
    for (int dy = -kClassGridReach; dy <= kClassGridReach; ++dy)
      if (classes.At(dx, dy) == 2 && readable(dx, dy)) {
        bsum += window.At(dx, dy);
        ++bcount;
      }
  const double B = bsum / std::max(bcount, 1);
  // A centre beyond the frame or on row 0 holds no pixel value: the start
  // amplitude then rests on the brightest pixel alone, else the amplitude
  // search, a multiple of it, cannot reach the star.
  const std::optional<double> centre_value =
      readable(0, 0) ? std::optional<double>(window.At(0, 0)) : std::nullopt;
  if (settings.SmoothingIndex > 0) SmoothWindow(window, 23, settings.SmoothingIndex, SmoothRounding::None);
  out.Background = B;

  // Fit mask: the disk of radius R less saturated cells.
  std::vector<FitCell> cells, inner_cells;
  double largest = 0;
  bool saturated = false;
  for (int dx = -25; dx <= 25; ++dx)
    for (int dy = -25; dy <= 25; ++dy) {
      if (dx * dx + dy * dy > R * R || !readable(dx, dy)) continue;
      const double v = window.At(dx, dy);
      if (v >= settings.SaturationLevel) {
        saturated = true;
        continue;
      }
      largest = cells.empty() ? v : std::max(largest, v);
      cells.push_back({dx, dy, v});
      if (dx >= -10 && dx <= 10 && dy >= -10 && dy <= 10) inner_cells.push_back({dx, dy, v});
    }
  const double A0 = saturated ? static_cast<double>(settings.SaturatedPeakStart)
                              : (largest + centre_value.value_or(largest)) / 2 - B;
  out.Saturated = saturated;
  out.StartAmplitude = A0;

  ProfileResidual all(cells, B, settings.PixelAspectCorrection);
  ProfileResidual inner(inner_cells, B, settings.PixelAspectCorrection);
  // Nothing left to fit (every pixel of the disk clipped or beyond the frame):
  // every candidate would tie at zero residual and the first, lowest one win,
  // a negative amplitude. The fit keeps its start values instead: the start
  // amplitude of a saturated star, no light for one off the frame.
  const bool no_data = cells.empty();
  out.NoPixels = no_data && !saturated;
  const bool search_width = (wide || !settings.FixedWidth) && !no_data;

  // Coarse width, centred at (0, 0) over offsets -10..10.
  double s1 = std::max(profile.PsfWidth, 1.0);
  if (search_width) {
    int64_t smax = wide ? 14 : RoundHalfAway(1.2L * profile.PsfWidth);
    smax = std::clamp<int64_t>(smax, 2, 14);
    const int s0 = BestIndex(2, static_cast<int>(smax), 2, [&](int s) { return inner.Rms(A0, s, 0, 0); });
    const int i = BestIndex(-10, 10, 0, [&](int k) { return inner.Rms(A0, s0 + k / 10.0, 0, 0); });
    s1 = std::max(s0 + i / 10.0, 1.0);
  }

  // Centre in tenths of a pixel, e (columns) outer, f (rows) inner.
  const int C = refit ? 12 : 6;
  if (!no_data) {
    // Columns e in parts scanned side by side, each keeping its first best;
    // taken in order, the first best of the whole scan wins as in one pass.
    // A candidate whose partial sum reaches the best sum so far cannot end
    // with a strictly smaller residual: it is left early.
    struct PartBest {
      double rms = kSearchStart, sum = std::numeric_limits<double>::infinity();
      int e = 0, f = 0;
    };
    // Only the wide search of a refit is long enough to pay for waking the
    // workers; every frame's search stays on the calling thread.
    const int parts = C >= 12 ? std::min(ScanParallelism(), 2 * C + 1) : 1;
    std::array<PartBest, 25> part_best{};
    // The candidate at the tracked position usually fits near the best: a
    // candidate whose sum passes its sum by more than rounding could make
    // cannot win, so it is left as soon as it does.
    double cap = std::numeric_limits<double>::infinity();
    if (double centre_sum; all.SquaredSum(A0, s1, 0.0, 0.0, cap, centre_sum))
      cap = std::nextafter(centre_sum * (1 + 1e-12), cap);
    RunParts(parts, [&](int part) {
      PartBest& b = part_best[static_cast<size_t>(part)];
      const int e_from = -C + (2 * C + 1) * part / parts, e_to = -C + (2 * C + 1) * (part + 1) / parts - 1;
      for (int e = e_from; e <= e_to; ++e)
        for (int f = -C; f <= C; ++f) {
          double sum;
          if (!all.SquaredSum(A0, s1, e / 10.0, f / 10.0, std::min(b.sum, cap), sum)) continue;
          const double r = all.RmsOf(sum);
          if (r < b.rms) {
            b.rms = r;
            b.sum = sum;
            b.e = e;
            b.f = f;
          }
        }
    });
    double best = kSearchStart;
    int be = 0, bf = 0;
    for (int part = 0; part < parts; ++part) {
      const PartBest& b = part_best[static_cast<size_t>(part)];
      if (b.rms < best) {
        best = b.rms;
        be = b.e;
        bf = b.f;
      }
    }
    out.CenterX = be / 10.0;
    out.CenterY = bf / 10.0;
  }
  const double cx = out.CenterX, cy = out.CenterY;

  // Fine width in tenths, then hundredths.
  double s = s1;
  if (search_width) {
    const double w = static_cast<double>(std::clamp<int64_t>(RoundHalfEven(static_cast<long double>(s1) * 100), 150, 1000));
    const int i1 = BestIndex(-10, 10, 0, [&](int i) { return all.Rms(A0, w / 100 + i / 10.0, cx, cy); });
    const int i2 = BestIndex(-10, 10, 0, [&](int i) { return all.Rms(A0, w / 100 + i1 / 10.0 + i / 100.0, cx, cy); });
    s = std::max(w / 100 + i1 / 10.0 + i2 / 100.0, 1.0);
    if (!wide)
      s = std::clamp(s, profile.PsfWidth * settings.LowerPercent / 100.0,
                     std::max(profile.PsfWidth * settings.LowerPercent / 100.0,
                              profile.PsfWidth * settings.UpperPercent / 100.0));
  }

  // Amplitude factor in tenths, hundredths and thousandths of A0.
  double rms = 0;
  double A = saturated ? A0 : 0.0;
  if (!no_data) {
    all.FixShape(s, cx, cy);
    const int ia = BestIndex(-7, 20, 10, [&](int i) { return all.RmsFixedShape(i / 10.0 * A0); });
    const int ib = BestIndex(-10, 10, 0, [&](int i) { return all.RmsFixedShape((ia / 10.0 + i / 100.0) * A0); });
    const int ic = BestIndex(
        -10, 10, 0, [&](int i) { return all.RmsFixedShape((ia / 10.0 + ib / 100.0 + i / 1000.0) * A0); }, &rms);
    A = (ia / 10.0 + ib / 100.0 + ic / 1000.0) * A0;
  }

  // Results.
  out.Rms = rms;
  out.Amplitude = A;
  out.Width = s;
  // No pixel, no width: the stored one was not measured in this frame.
  out.Fwhm = out.NoPixels ? 0.0 : kFwhmPerWidth * s;
  out.Volume = std::numbers::pi * s * s * A / 2;
  if (settings.PixelAspectCorrection) out.Volume /= 1.125;
  const size_t k = static_cast<size_t>(target.Object - 1);
  blocks[0].Objects[k].PsfAmplitude = A;
  if (kind == PsfFitKind::MeasureOnly) return out;

  history.Store({rms, std::fabs(A), s});

  // The tracking template and its reference value at the fitted centre.
  BuildProfileModel(profile.Model, s, A, settings.PixelAspectCorrection);
  const int ox = static_cast<int>(RoundHalfAway(cx)), oy = static_cast<int>(RoundHalfAway(cy));
  profile.ReferenceValue = ApertureExcess(window, classes, ox, oy);

  // Automatic radii from the width.
  // A fit without pixels found no width to size the apertures by.
  if (refit && target.IsSelected && !no_data && !settings.RefitKeepsRadii) {
    const auto r = static_cast<int>(RoundHalfAway(s));
    if (r <= 20) {
      SetObjectSetting(blocks, static_cast<int>(k), &ObjectResult::ApertureRadius, r);
      SetObjectSetting(blocks, static_cast<int>(k), &ObjectResult::BackgroundInner, r + 2);
      if (settings.SyncTracking) SetObjectSetting(blocks, static_cast<int>(k), &ObjectResult::TrackRadius, r);
      out.AutoApertureRadius = r;
    }
  }
  return out;
}

PsfFitResult StorePsfResult(const PsfFitTarget& target, const Bitmap24& bmp, int32_t x, int32_t y,
                            const PsfFitSettings& settings, ObjectProfileState& profile, PsfHistory& history,
                            DataLineBlocks& blocks) {
  const PsfFitResult r =
      FitStarProfile(PsfFitKind::MeasureOnly, target, bmp, x, y, settings, profile, history, blocks);
  if (target.Object < 1 || target.Object > 3) return r;
  for (auto& block : blocks) {
    ObjectResult& o = block.Objects[static_cast<size_t>(target.Object - 1)];
    o.Value = r.Volume;
    o.ApertureSum = static_cast<int32_t>(RoundHalfAway(r.Volume));
    o.BackgroundSum = 0;
    o.AperturePixelCount = r.NoPixels ? 0 : 1;
    o.BackgroundPixelCount = r.NoPixels ? 0 : 1;
    o.FwhmHfd = r.Fwhm;
  }
  return r;
}
