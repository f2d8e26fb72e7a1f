#include "timing/LedBackground.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/PolyFit.h"

int CountLedDataLines(const std::vector<std::string>& lines, int header_line_count) {
  return static_cast<int>(lines.size()) - header_line_count;
}

long double EvaluatePolynomial(std::span<const long double> c, int degree, long double x) {
  if (degree < 1 || degree > 20) return 0;
  long double sum = 0;
  for (int j = 0; j <= degree && j < static_cast<int>(c.size()); ++j) sum += c[static_cast<size_t>(j)] * std::pow(x, j);
  return sum;
}

namespace {

long double FieldNumber(const std::vector<std::string>& lines, int line, int field) {
  if (line < 0 || line >= static_cast<int>(lines.size())) return 0;
  return ParseLongDouble(GetCsvCell(lines[static_cast<size_t>(line)], field)).value_or(0.0L);
}

// The first bin above the mode whose count falls to `fraction` of the peak,
// as a distance from the mode; 0 when none does.
int WidthAt(const std::array<int32_t, 256>& h, int mode, double fraction) {
  const long double limit = fraction * h[static_cast<size_t>(mode)];
  for (int b = mode + 1; b <= 255; ++b)
    if (h[static_cast<size_t>(b)] <= limit) return b - mode;
  return 0;
}

}  // namespace

LedBackgroundFit FitLedBackground(const std::vector<std::string>& lines, int header, int last_line,
                                  double band_factor, int degree, std::vector<TLedFrameSample>& samples) {
  LedBackgroundFit fit;
  const int count = std::min(last_line + 1, static_cast<int>(samples.size()));
  // Rows removed from the table since it was counted read as 0 but are no
  // measurement: they neither set the dark level nor carry the background.
  const int present = std::max(0, CountLedDataLines(lines, header) + 1);
  for (int i = 0; i < count; ++i) {
    TLedFrameSample& s = samples[static_cast<size_t>(i)];
    s.FrameNumber = static_cast<double>(FieldNumber(lines, LedTableLine(header, i), 1));
    s.Brightness = FieldNumber(lines, LedTableLine(header, i), 2);
    if (i >= present) continue;
    const int64_t bin = RoundHalfAway(s.Brightness);
    if (bin >= 0 && bin <= 255) ++fit.Histogram[static_cast<size_t>(bin)];
  }
  for (int b = 1; b <= 220; ++b)
    if (fit.Histogram[static_cast<size_t>(b)] > fit.Histogram[static_cast<size_t>(fit.Mode)]) fit.Mode = b;
  fit.Sigma = (WidthAt(fit.Histogram, fit.Mode, 0.6) + WidthAt(fit.Histogram, fit.Mode, 0.13) +
               WidthAt(fit.Histogram, fit.Mode, 0.01)) /
              6.0L;

  std::vector<long double> xs, ys;
  const long double lo = fit.Mode - fit.Sigma * band_factor, hi = fit.Mode + fit.Sigma * band_factor;
  for (int i = 0; i < count; ++i) {
    TLedFrameSample& s = samples[static_cast<size_t>(i)];
    const bool background = i < present && s.Brightness >= lo && s.Brightness <= hi;
    s.BackgroundSample = background ? s.Brightness : -1.0L;
    s.Lit = background ? 0 : 1;
    if (!background) continue;
    xs.push_back(i);
    ys.push_back(s.Brightness);
  }
  fit.BackgroundCount = static_cast<int>(xs.size());
  degree = std::clamp(degree, 1, 20);
  fit.Coefficients.assign(static_cast<size_t>(degree) + 2, 0.0L);
  PolyFitSettings settings;
  settings.PolyFitTermCount = degree + 1;
  settings.PolyFitSolveSize = degree + 1;
  settings.PolyFitPointCount = fit.BackgroundCount;
  BuildPolyNormalEquations(xs, ys, settings, fit.Coefficients);
  fit.Coefficients.resize(static_cast<size_t>(degree) + 1);
  for (int i = 0; i < count; ++i) {
    TLedFrameSample& s = samples[static_cast<size_t>(i)];
    s.FittedBackground = EvaluatePolynomial(fit.Coefficients, degree, i);
    s.Signal = s.Brightness - s.FittedBackground;
  }
  return fit;
}

LedValueRange LedBrightnessRange(const std::vector<std::string>& lines, int header, int last_line) {
  LedValueRange r;
  for (int i = 0; i <= last_line; ++i) {
    const long double v = FieldNumber(lines, LedTableLine(header, i), 2);
    r.Minimum = std::min(r.Minimum, v);
    r.Maximum = std::max(r.Maximum, v);
  }
  return r;
}

LedBoxHistogram GrabLedBoxHistogram(const Bitmap24& frame, const LedBox& box) {
  LedBoxHistogram h{};
  for (int dy = -box.HalfHeight; dy <= box.HalfHeight; ++dy)
    for (int dx = -box.HalfWidth; dx <= box.HalfWidth; ++dx) {
      const int x = box.X + dx, y = box.Y + dy;
      if (x < 0 || x > frame.Width()) continue;
      const Bgr p = frame.Get(x, y);
      const int64_t grey = RoundHalfAway((static_cast<long double>(p.r) + p.g + p.b) / 3.0L);
      ++h[static_cast<size_t>(std::clamp<int64_t>(grey, 0, 255))];
    }
  return h;
}

namespace {

struct Moments {
  long double n = 0, mean = 0, squares = 0;
};

Moments HistogramMoments(const LedBoxHistogram& h) {
  Moments m;
  long double sum = 0;
  for (int i = 0; i < 256; ++i) {
    m.n += h[static_cast<size_t>(i)];
    sum += static_cast<long double>(i) * h[static_cast<size_t>(i)];
  }
  if (m.n <= 0) return m;
  m.mean = sum / m.n;
  for (int i = 0; i < 256; ++i) m.squares += h[static_cast<size_t>(i)] * (i - m.mean) * (i - m.mean);
  return m;
}

}  // namespace

LedBoxStats LedBoxStatistics(const LedBoxHistogram& h) {
  const Moments m = HistogramMoments(h);
  LedBoxStats s;
  s.Mean = m.mean;
  s.StdDev = m.n < 2 ? 1.0L : std::sqrt(m.squares / m.n);
  return s;
}

LedBoxStats LedBoxSampleStatistics(const LedBoxHistogram& h) {
  const Moments m = HistogramMoments(h);
  LedBoxStats s;
  s.Mean = m.mean;
  s.StdDev = m.n < 2 ? 1.0L : std::sqrt(m.squares / (m.n - 1));
  return s;
}

long double LedNoiseModel(long double a, long double b, long double x) { return a + b * std::sqrt(255.0L * x); }

long double VRatio(const LedBoxStats& stats) {
  long double model = LedNoiseModel(0.55L, 0.33L, stats.Mean / 255.0L);
  if (model == 0) model = 1.0L;
  return stats.StdDev / model;
}

long double ModelStdDev(long double noise_factor, long double level) {
  const long double n = LedNoiseModel(0.55L, 0.33L, std::max(0.0L, level / noise_factor));
  if (noise_factor <= 5) return noise_factor * n;
  return noise_factor * n * std::sqrt(noise_factor) / 2.0L;
}

long double ModelCount(long double noise_factor, long double level, int grey) {
  const long double s = ModelStdDev(noise_factor, level);
  if (s <= 0) return 0;
  const long double d = grey - 255.0L * level;
  return 289.0L * std::exp(-d * d / (2.0L * s * s)) / (s * std::sqrt(2.0L * std::numbers::pi_v<long double>));
}

namespace {

constexpr long double kNoScore = 1e17L;

long double Score(const LedBoxHistogram& h, long double noise_factor, long double level) {
  long double sum = 0;
  for (int i = 0; i < 256; ++i) {
    const long double d = ModelCount(noise_factor, level, i) - h[static_cast<size_t>(i)];
    sum += d * d;
  }
  return sum;
}

}  // namespace

ModelHistogramFit FitModelHistogram(const LedBoxHistogram& h, long double noise_factor) {
  ModelHistogramFit fit;
  if (noise_factor <= 0 || noise_factor > 15) return fit;
  fit.Fitted = true;
  long double best_score = kNoScore, best = 0;
  for (int j = 0; j <= 9; ++j) {
    const long double score = Score(h, noise_factor, 0.1L * j);
    if (score > best_score) break;
    if (score < best_score) {
      best_score = score;
      best = 0.1L * j;
    }
  }
  for (const long double step : {0.001L, 0.01L}) {
    const long double centre = best;
    best_score = kNoScore;
    for (int j = -10; j <= 10; ++j) {
      const long double level = centre + j * step;
      const long double score = level < 0 || level > 10 ? kNoScore : Score(h, noise_factor, level) / 255.0L;
      if (score > best_score) break;
      if (score < best_score) {
        best_score = score;
        best = level;
      }
    }
  }
  fit.BestLevel = best;
  for (int i = 0; i < 256; ++i) fit.Model[static_cast<size_t>(i)] = ModelCount(noise_factor, best, i);
  fit.ModelLevel = best / noise_factor;
  return fit;
}
