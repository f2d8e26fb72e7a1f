#include "events/DiffractionDrawing.h"

#include <algorithm>
#include <cmath>

#include "base/NumberText.h"
#include "events/DiffractionGrid.h"
#include "events/TimingError.h"

FitLevels DecideFitLevels(double a, double b, bool apply_mag_drop, double mag_drop, const DiffractionState& d) {
  FitLevels L;
  L.Upper = d.UpperLevel;
  L.Lower = d.LowerLevel;
  const double drop = std::pow(0.4, mag_drop);  // kept as 0.4, not 10^-0.4
  // The brighter side is the upper level: after the event for a reappearance.
  const bool reappearance = b >= a;
  L.Reappearance = reappearance ? 1 : 0;
  double& high = reappearance ? b : a;
  double& low = reappearance ? a : b;
  if (apply_mag_drop) {
    L.Lower = high * drop, L.Upper = high, low = L.Lower;
  } else {
    if (!d.LowerLevelFixed) L.Lower = low;
    if (!d.UpperLevelFixed) L.Upper = high;
  }
  L.A = a, L.B = b;
  return L;
}

FitTimingError ComputeFitTimingError(long double residual, int count, const DiffractionState& d, double a, double b,
                                     long double rate, uint8_t field_mode, double width) {
  FitTimingError e;
  e.CountText = FormatInt(count);
  const long double pre = std::sqrt(static_cast<long double>(d.LevelCount[0])) * d.LevelStdError[0];
  const long double post = std::sqrt(static_cast<long double>(d.LevelCount[2])) * d.LevelStdError[2];
  const long double noise = pre > post ? pre : post;
  if (count <= 1 || a == b || !(rate > 0)) return e;
  e.SigmaI = static_cast<double>(0.6745L * std::sqrt(residual / (count - 1)));
  const long double x = noise / std::fabs(static_cast<long double>(a) - b);
  const long double frames = EventTimingErrorFrames(x, width);
  // Far beyond S/N 1 the polynomial turns negative: no error to show.
  if (!(frames > 0)) return e;
  long double ms = frames * 1000 / rate + 0.025L / rate;
  if (field_mode) ms /= 2;
  e.Valid = true;
  e.Frames = static_cast<double>(frames);
  e.Ms = static_cast<double>(ms);
  e.FramesText = FormatFixed(frames, 5, 5);
  e.MsText = FormatFixed(ms, 0, 8);
  e.SecondsText = FormatFixed(ms / 1000, 3, 18);
  return e;
}

namespace {

int Nint(long double v) { return static_cast<int>(RoundHalfEven(v)); }

int PixelY(const FitDrawInput& in, long double level) {
  return in.View.ChartImageHeight - in.View.ChartBottomMargin - Nint(level * in.View.ChartYScale + in.View.ChartYOffset);
}

// The milliseconds of the shown records around the selected one, and the step
// that gives about 1400 curve points. A field is half a frame long: counted
// as a frame, the curve began left of the plot and was drawn across its
// margin.
struct DrawRange {
  int64_t T0, T1, Stride;
};
DrawRange DrawRangeOf(const DiffractionModel& model, const FitDrawInput& in) {
  const long double record_ms = 1000.0L / model.Params().ModelFrameRate / (model.Params().FieldMode ? 2 : 1);
  return {RoundHalfAway(-(in.Selected - in.FirstShown) * record_ms),
          RoundHalfAway((in.ShownCount - in.Selected + in.FirstShown) * record_ms),
          std::max<int64_t>(1, static_cast<int64_t>(std::floor(in.ShownCount * record_ms / 1400)))};
}

}  // namespace

namespace {

struct CurveModel {
  int HalfWidth, Direction;
  int64_t Offset;  // o, 0.1 ms
};

CurveModel CurveModelOf(const DiffractionModel& model, const FitDrawInput& in) {
  const DiffractionParams& p = model.Params();
  return {DrawExposureHalfWidth(in.TimingFrameRate, ExposureRateOf(p), p.FieldMode), in.Reappearance ? 1 : -1,
          in.Reappearance ? in.FitOffset : -static_cast<int64_t>(in.FitOffset)};
}

FitPoint CurvePoint(const DiffractionParams& p, const FitDrawInput& in, int t, long double value) {
  FitPoint pt;
  pt.Value = value;
  const long double level = in.Lower + pt.Value * (in.Upper - in.Lower);
  pt.Y = PixelY(in, level);
  const long double records = t * p.ModelFrameRate / 1000.0L * (p.FieldMode ? 2 : 1);
  pt.X = Nint(records * in.View.ChartXRatio + (in.Selected - in.FirstShown) * in.View.ChartXRatio) +
         in.View.ChartLeftMargin;
  return pt;
}

// The model at the whole milliseconds the drawing asks for, from the fit's
// look-up grid on all cores: a chart width of curve takes thousands of
// exposure means.
class CurveValues {
 public:
  CurveValues(const DiffractionModel& model, const FitDrawInput& in, std::vector<int> t_ms)
      : model_(model), in_(in), t_(std::move(t_ms)) {
    std::sort(t_.begin(), t_.end());
    t_.erase(std::unique(t_.begin(), t_.end()), t_.end());
    const CurveModel c = CurveModelOf(model, in);
    std::vector<long double> times;
    for (const int t : t_) times.push_back(t / 1000.0L);
    const DiffractionGrid grid(model, std::move(times), c.Direction, c.HalfWidth);
    values_ = grid.ExposureMeans({{in.Factor, c.Offset}}, 0).value_or(std::vector<long double>{});
  }
  FitPoint At(int t) const {
    const auto it = std::lower_bound(t_.begin(), t_.end(), t);
    const size_t i = static_cast<size_t>(it - t_.begin());
    if (it == t_.end() || *it != t || i >= values_.size()) return MakeModelCurve(model_, in_, t);
    return CurvePoint(model_.Params(), in_, t, values_[i]);
  }

 private:
  const DiffractionModel& model_;
  const FitDrawInput& in_;
  std::vector<int> t_;
  std::vector<long double> values_;
};

}  // namespace

FitPoint MakeModelCurve(const DiffractionModel& model, const FitDrawInput& in, int t) {
  const CurveModel c = CurveModelOf(model, in);
  return CurvePoint(model.Params(), in, t, model.ExposureMean(t / 1000.0L, in.Factor, c.Offset, c.Direction, c.HalfWidth));
}

FitDrawing BuildFitDrawing(const DiffractionModel& model, const FitDrawInput& in, const std::vector<double>& values) {
  FitDrawing out;
  const ChartView& v = in.View;
  out.Curve.Clear(v.ChartImageWidth, v.ChartImageHeight);
  out.Residual.Clear(v.ChartImageWidth, 150);
  const long double rate = model.Params().ModelFrameRate;
  const uint8_t field = model.Params().FieldMode;
  const auto [T0, T1, stride] = DrawRangeOf(model, in);
  // The residuals' record times count from the first shown record in frames.
  const int64_t T0_frames = RoundHalfAway(-(in.Selected - in.FirstShown) * 1000.0L / rate);
  const int c = in.Reappearance ? -static_cast<int>(in.FitOffset / 10) : static_cast<int>(in.FitOffset / 10);
  const int s = in.ComponentSeparation;
  const int second = in.Reappearance ? c - s : c + s;
  const long double e_ms = in.Error.Valid && in.TimeScale > 0 ? in.Error.Ms / in.TimeScale : 0;
  const int r = Nint(rate * e_ms * v.ChartXRatio * 2 / 1000);
  const int r1 = Nint(rate * e_ms * v.ChartXRatio / 1000) * (field ? 2 : 1);
  const int bar = Nint(in.Error.SigmaI * v.ChartYScale);
  const Rgb yellow{255, 255, 0};

  const int n = std::min(in.RecordCount, in.ShownCount);
  const auto residual_time = [&](int i) {
    const long double step = i * 1000.0L / rate;
    return field ? Nint((step + T0_frames) / 2) : Nint(step) + static_cast<int>(T0_frames);
  };
  std::vector<int> wanted{static_cast<int>(T0), c, second};
  for (int64_t t = T0; t <= T1; ++t)
    if (t % stride == 0) wanted.push_back(static_cast<int>(t));
  for (int i = 0; i < n; ++i) wanted.push_back(residual_time(i));
  const CurveValues curve(model, in, std::move(wanted));

  FitPoint prev = curve.At(static_cast<int>(T0));
  for (int64_t t = T0; t <= T1; ++t) {
    if (t % stride == 0) {
      const FitPoint pt = curve.At(static_cast<int>(t));
      if (pt.X >= v.ChartLeftMargin && pt.X <= v.ChartImageWidth - v.ChartRightMargin) {
        out.CurveLines.push_back(FormatInt(t) + " X:" + FormatInt(pt.X) + " Y:" + FormatInt(pt.Y));
        out.Curve.AddLine(prev.X, prev.Y, pt.X, pt.Y, in.CurveColour);
        prev = pt;
      }
    }
    if (t != c && t != second) continue;
    const FitPoint m = curve.At(static_cast<int>(t));
    out.Curve.AddLine(m.X, v.ChartTopMargin, m.X, v.ChartImageHeight - v.ChartBottomMargin, yellow);
    out.Curve.AddLine(m.X - 3 * r, m.Y, m.X + 3 * r, m.Y, yellow);
    if (in.Error.Valid) {
      out.Curve.AddLine(m.X, m.Y - bar, m.X, m.Y + bar, chart_colour::Navy);
      out.Curve.AddLine(m.X - 3, m.Y - bar, m.X + 3, m.Y - bar, chart_colour::Navy);
      out.Curve.AddLine(m.X - 3, m.Y + bar, m.X + 3, m.Y + bar, chart_colour::Navy);
      out.Curve.AddLine(m.X - r1, m.Y, m.X + r1, m.Y, chart_colour::Navy);
      out.Curve.AddLine(m.X - r1, m.Y - 3, m.X - r1, m.Y + 3, chart_colour::Navy);
      out.Curve.AddLine(m.X + r1, m.Y - 3, m.X + r1, m.Y + 3, chart_colour::Navy);
    }
    out.Residual.AddLine(m.X, 2, m.X, 149, yellow);
  }

  out.Residual.AddLine(10, 75, 730, 75, chart_colour::Black);
  std::vector<std::pair<int, int>> points;
  for (int i = 0; i < n; ++i) {
    const size_t rec = static_cast<size_t>(in.FirstShown + i);
    const double value = rec < values.size() ? values[rec] : 0;
    const int y_obs = PixelY(in, value);
    const int x = Nint(i * v.ChartXRatio) + v.ChartLeftMargin;
    const int y_mod = curve.At(residual_time(i)).Y;
    points.emplace_back(x, y_obs - y_mod + 75);
  }
  for (size_t i = 0; i < points.size(); ++i) {
    const auto [x, y] = points[i];
    if (in.JoinResiduals && i > 0) out.Residual.AddLine(points[i - 1].first, points[i - 1].second, x, y, chart_colour::Blue);
    const int ps = in.PointSize;
    out.Residual.AddEllipse(x - ps, y - ps, x + ps + 1, y + ps + 1, chart_colour::Blue, chart_colour::Blue);
  }
  return out;
}

Rgb FitCurveColour(int option_index) {
  switch (option_index) {
    case 1: return chart_colour::Blue;
    case 2: return Rgb{128, 128, 128};
    case 3: return chart_colour::Black;
    default: return chart_colour::Red;
  }
}

std::vector<std::string> CurveValueListing(const DiffractionModel& model, const FitDrawInput& in) {
  const auto [T0, T1, stride] = DrawRangeOf(model, in);
  std::vector<std::string> out;
  const auto line = [&](int64_t t) {
    const long double v = MakeModelCurve(model, in, static_cast<int>(t)).Value;
    out.push_back(FormatFixed(t / 1000.0L, 4, 5) + "," + FormatFixed(v, 4, 5));
  };
  line(T0);
  for (int64_t t = T0; t <= T1; ++t)
    if (t % stride == 0) line(t);
  return out;
}

std::vector<std::string> DiskIntensityListing(const DiffractionModel& model) {
  std::vector<std::string> out;
  out.reserve(401);
  for (int ms = 200; ms >= -200; --ms) out.push_back(FormatFixed(model.StarDiskIntensity(ms / 1000.0L), 4, 5));
  return out;
}
