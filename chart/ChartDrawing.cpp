#include "chart/ChartDrawing.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "base/CsvFields.h"
#include "base/NumberText.h"

namespace cc = chart_colour;

CurveColours MakeCurveColours() {
  CurveColours c;
  const uint32_t line[8] = {0x00FF8888, 0x0000FFFF, 0x00FF88FF, 0x00FF2288,
                            0x00FFCCCC, 0x0088FFFF, 0x00FFAAFF, 0x00AAFFAA};
  const uint32_t point[4] = {0x00FF0000, 0x0000AAFF, 0x00FF00FF, 0x00FF2288};
  for (int i = 0; i < 8; ++i) {
    c.Line[static_cast<size_t>(i)] = RgbFromBgr(line[i]);
    c.Point[static_cast<size_t>(i)] = i < 4 ? RgbFromBgr(point[i]) : RgbFromBgr(line[i]);
  }
  return c;  // entries 9-12 stay black
}

std::array<ChartCurve, 4> CurveOrder(int selected_object) {
  switch (selected_object) {
    case 2: return {CurveC, CurveA, CurveB, CurveL};
    case 3: return {CurveB, CurveA, CurveC, CurveL};
    default: return {CurveC, CurveB, CurveA, CurveL};
  }
}

void SnAccumulator::Add(double v) {
  // Welford's running mean and squared deviations: no array, no cancellation.
  ++count_;
  const long double d = v - mean_;
  mean_ += d / count_;
  m2_ += d * (v - mean_);
}

std::string SnAccumulator::Text() const {
  if (count_ <= 0) return {};
  const long double sd = std::sqrt(m2_ / count_);
  if (!(sd > 0)) return {};
  return "S/N= " + FormatFixed(mean_ / sd, 1, 5);
}

namespace {

// Values beyond this are not given grid lines or labels (they would not fit
// an integer and cannot be meant).
constexpr long double kLabelLimit = 1e15L;

int FrameLabelColumn(int x, int64_t n) {
  if (n < 10) return x;
  if (n < 100) return x - 4;
  if (n < 1000) return x - 8;
  if (n < 10000) return x - 12;
  if (n < 100000) return x - 16;
  return x - 20;
}

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// Delphi-style remainder: the sign of the dividend.
int64_t Rem(int64_t a, int64_t b) { return a % b; }

}  // namespace

void XAxisShow(const ChartView& view, bool axis_lines, int frame_step, ChartPicture& pic, ChartView* out_view) {
  const int step_factor = std::max(1, frame_step);
  const long double m = std::max(std::fabs(view.ChartValueMax), std::fabs(view.ChartValueMin));
  int64_t s = step_factor;
  if (m < 200) s *= 10;
  else if (m < 2000) s *= 100;
  else if (m < 20000) s *= 1000;
  else if (m < 200000) s *= 10000;
  else s *= 100000;
  if (out_view) out_view->ChartGridStep = static_cast<int32_t>(s);
  const int bottom = view.ChartImageHeight - view.ChartBottomMargin;
  const int right = view.ChartImageWidth - view.ChartRightMargin;
  if (m < kLabelLimit) {
    int64_t v = RoundHalfEven(view.ChartValueMin / s) * s;
    if (v < view.ChartValueMin) v += s;
    const int64_t last = RoundHalfEven(view.ChartValueMax / s) * s;
    int guard = 0;
    do {
      const int y = bottom - static_cast<int>(RoundHalfEven(
                                 std::clamp<long double>(v * static_cast<long double>(view.ChartYScale) + view.ChartYOffset, -1e8L, 1e8L)));
      if (y > view.ChartTopMargin) {
        if (v == 0)
          pic.AddLine(view.ChartLeftMargin, y, right, y, cc::Black);
        else if (axis_lines)
          pic.AddLine(view.ChartLeftMargin, y, right, y, cc::Aqua);
        else
          pic.AddLine(view.ChartLeftMargin - 8, y, view.ChartLeftMargin, y, cc::Black);
        int col;
        if (v == 0) col = view.ChartLeftMargin - 8;
        else if (v < 100) col = view.ChartLeftMargin - 18;
        else if (v < 1000) col = view.ChartLeftMargin - 26;
        else if (v < 10000) col = view.ChartLeftMargin - 34;
        else col = view.ChartLeftMargin - 42;
        if (v < 0) col -= 22;
        pic.AddText(col, y - 8, FormatInt(v));
      }
      v += s;
    } while (v < last && ++guard < 100000);
  }
  pic.AddLine(view.ChartLeftMargin, bottom, right, bottom, cc::Black);
}

void YAxisShow(const ChartView& view, ChartPicture& pic) {
  pic.AddLine(view.ChartLeftMargin, view.ChartTopMargin, view.ChartLeftMargin,
              view.ChartImageHeight - view.ChartBottomMargin, cc::Black);
}

std::string InformationText(const std::vector<std::string>& lines, const ChartData& data, const TChartState& state,
                            const ChartMarks& marks, const ChartTexts& texts) {
  if (state.SelectedFrame < 0) return {};
  std::string t = "Frame No." + GetCsvCell(RecordLine(lines, data.HeaderLineCount, state.SelectedFrame), 1);
  if (!texts.Edit24.empty())
    t += " / Frame Centre= " + texts.Edit24 + "h" + texts.Edit25 + "m" + texts.Edit26 + "s" + ",  Frame End= " +
         texts.Edit27 + "s";
  if (marks.DiffractionMode) {
    t += " / Event centre=";
    t += data.FieldMode ? "Field centre " : "Frame cnetre ";
    if (texts.EventCentreText.empty()) {
      t += "---";  // no current fit
    } else {
      if (texts.EventCentreText[0] != '-') t += "+";
      t += texts.EventCentreText + "s" + " +/-" + texts.EventErrorText + "s";
    }
    t += " / ContactAngle=" + texts.ContactAngleText + "deg";
  }
  return t;
}

namespace {

void TitleShow(const ChartData& data, const ChartOptions& options, const ChartMarks& marks, const ChartTexts& texts,
               ChartPicture& pic) {
  if (options.Id) {
    pic.AddText(8, 4, texts.IdentificationTitle).Bold = true;
  } else {
    pic.AddText(8, 4, "Analyzed file name [ " + texts.FileName + "]");
  }
  std::string second = texts.PsfPhotometry ? "/ PSF-" : "/ Aperture-";
  second += data.FieldMode ? "Field photometry / " : "Frame photometry / ";
  if (marks.DiffractionMode && !texts.MagnitudeWindowShown)
    second += " Object: Distance=" + texts.DistanceText + " Velocity=" + texts.VelocityText;
  DrawOp& op = pic.AddText(4, 4, second);
  op.FollowPrevious = true;
}

struct PointStyle {
  Rgb Pen, Brush;
};

// The point circles of one pixel column that still show as painted: points
// move right (or stay) from record to record, so once the column changes no
// later circle of the pass can land on an earlier column's circles unseen.
// A circle whose centre row holds one of the same style is skipped: nothing
// painted since has touched its pixels. Painting a circle spoils those of
// the rows within its diameter, unless both are of one and the same colour.
class ShownCircles {
 public:
  explicit ShownCircles(int height) : base_(-16), stamp_(static_cast<size_t>(height) + 32, 0), style_(stamp_.size()) {}

  // Any other step may cover circles of this column.
  void Forget() { ++generation_; }

  // True when the circle at (x, y) must be painted; remembers it.
  bool Paint(int x, int y, int radius, const PointStyle& s) {
    if (x != column_) {
      column_ = x;
      Forget();
    }
    const uint64_t key = Key(s);
    const long long at = static_cast<long long>(y) - base_;
    const bool inside = at >= 0 && at < static_cast<long long>(stamp_.size());
    if (inside && stamp_[static_cast<size_t>(at)] == generation_ && style_[static_cast<size_t>(at)] == key) return false;
    const bool plain = s.Pen == s.Brush;
    const long long lo = std::max<long long>(0, at - 2 * radius);
    const long long hi = std::min<long long>(static_cast<long long>(stamp_.size()) - 1, at + 2 * radius);
    for (long long j = lo; j <= hi; ++j) {
      const size_t k = static_cast<size_t>(j);
      if (stamp_[k] == generation_ && !(plain && style_[k] == key)) stamp_[k] = 0;
    }
    if (inside) {
      stamp_[static_cast<size_t>(at)] = generation_;
      style_[static_cast<size_t>(at)] = key;
    }
    return true;
  }

 private:
  static uint64_t Key(const PointStyle& s) {
    return uint64_t(s.Pen.R) | uint64_t(s.Pen.G) << 8 | uint64_t(s.Pen.B) << 16 | uint64_t(s.Brush.R) << 24 |
           uint64_t(s.Brush.G) << 32 | uint64_t(s.Brush.B) << 40;
  }

  int base_;
  int column_ = INT32_MIN;
  uint32_t generation_ = 1;
  std::vector<uint32_t> stamp_;  // generation_ while the row's circle shows
  std::vector<uint64_t> style_;
};

}  // namespace

void GraphShow3(const std::vector<std::string>& lines, const ChartData& data, TChartState& state, ChartView& view,
                const ChartOptions& options, const ChartMarks& marks, const ChartTexts& texts,
                ChartPicture& pic, ChartDrawResult& result) {
  result = ChartDrawResult{};
  const std::array<ChartCurve, 4> order = CurveOrder(options.SelectedObject);
  const CurveColours colours = MakeCurveColours();

  // A fixed range keeps the data range it was last scaled from, so the Y
  // bars scale it once, not again at every redraw.
  ValueRange range;
  if (options.FixRange) {
    range.Max = view.ChartRangeMax;
    range.Min = view.ChartRangeMin;
  } else {
    range = GetMinMax(data, options.Boxes);
  }
  if (!ComputeYScale(view, range, state.YMaxPosition, state.YMinPosition)) return;
  view.ChartRangeMax = range.Max;
  view.ChartRangeMin = range.Min;
  result.Drawn = true;
  state.TotalFrameCount = data.TotalFrameCount();
  HRatioCalc(state, view,
             HRatioInput{static_cast<int>(data.LineCount), data.HeaderLineCount, data.FieldMode, marks.AsteroidChartMode});
  result.TimeButtonsEnabled = !(state.TotalFrameCount < state.VisibleFrameCount);

  pic.Clear(view.ChartImageWidth, view.ChartImageHeight);
  pic.Ops.reserve(static_cast<size_t>(std::min(state.VisibleFrameCount, 200000)) * 2 + 256);
  XAxisShow(view, state.AxisLines != 0, options.FrameStep, pic, &view);
  YAxisShow(view, pic);
  const int radius = std::clamp(state.Radius, 0, 5);
  const int total = state.TotalFrameCount;
  int visible = 0;
  while (visible < total && visible < state.VisibleFrameCount) ++visible;
  visible = std::max(visible, 1);
  const int first = state.FirstShownFrame;
  const int record_count = static_cast<int>(data.Records.size());
  auto record_at = [&](int i) -> const ChartRecord* {
    const int r = first + i;
    return (r >= 0 && r < record_count) ? &data.Records[static_cast<size_t>(r)] : nullptr;
  };
  // Pixel columns of the visible records, the same for every curve.
  std::vector<int> column(static_cast<size_t>(visible));
  for (int i = 0; i < visible; ++i) column[static_cast<size_t>(i)] = IndexToPixelX(view, i);
  // One read of the visible records (a million of them do not stay in the
  // cache): their flags, the pixel rows of the ticked curves and curve A's
  // values, which every pass below takes from here.
  constexpr uint8_t kPresent = 0x80, kLineEmpty = 0x40, kLabelled = 0x20;  // low bits: the empty cells
  std::vector<uint8_t> meta(static_cast<size_t>(visible), 0);
  std::array<std::vector<int>, kChartCurveCount> rows;
  for (size_t c = 0; c < rows.size(); ++c)
    if (options.Boxes[c]) rows[c].resize(static_cast<size_t>(visible));
  std::vector<double> a_values(options.Boxes[CurveA] ? static_cast<size_t>(visible) : 0, 0.0);
  auto prepare = [&](int from, int to) {
    for (int i = from; i < to; ++i) {
      const ChartRecord* rec = record_at(i);
      if (!rec) continue;
      const size_t k = static_cast<size_t>(i);
      meta[k] = static_cast<uint8_t>(kPresent | (rec->EmptyCells & 0x0F) | (rec->LineEmpty ? kLineEmpty : 0) |
                                     (!rec->LineEmpty && rec->FrameEndsInZero ? kLabelled : 0));
      for (size_t c = 0; c < rows.size(); ++c)
        if (options.Boxes[c] && !rec->CellEmpty(static_cast<ChartCurve>(c)))
          rows[c][k] = ValueToPixelY(view, rec->Value[c]);
      if (!a_values.empty() && !rec->CellEmpty(CurveA)) a_values[k] = rec->Value[CurveA];
    }
  };
  {
    // Each record's entries depend on that record alone: a long table is
    // read in parts side by side.
    const int parts = visible >= 200000 ? static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u)) : 1;
    std::vector<std::jthread> helpers;
    for (int part = 1; part < parts; ++part)
      helpers.emplace_back(prepare, static_cast<int>(int64_t{visible} * part / parts),
                           static_cast<int>(int64_t{visible} * (part + 1) / parts));
    prepare(0, static_cast<int>(int64_t{visible} / parts));
  }
  // The S/N of curve A is one long chain of extended-precision divisions:
  // on a long table it runs beside the drawing.
  std::string sn_text;
  auto sn_of_a = [&] {
    SnAccumulator sn;
    for (double v : a_values) sn.Add(v);
    sn_text = sn.Text();
  };
  const bool want_sn = state.DataLines && options.Boxes[CurveA];
  std::jthread sn_thread;  // joined on every way out
  if (want_sn && visible >= 100000) sn_thread = std::jthread(sn_of_a);
  auto cell_empty = [&](int i, ChartCurve c) {
    const uint8_t m = meta[static_cast<size_t>(i)];
    return !(m & kPresent) || ((m >> c) & 1u);
  };
  const bool l_ticked = options.Boxes[CurveL];
  const int sel = state.SelectedFrame;
  const int block = marks.IntegrationCount;

  for (ChartCurve curve : order) {
    if (!options.Boxes[static_cast<size_t>(curve)]) continue;
    const size_t ci = static_cast<size_t>(curve);
    view.SelectedPointX[ci] = -100;
    view.SelectedPointY[ci] = -100;

    const std::vector<int>& row = rows[ci];

    // First pass: the connecting line.
    if (state.DataLines) {
      size_t line_entry = ci;
      if (options.Hilight) line_entry += 4;
      if (l_ticked && curve != CurveL) line_entry += 4;
      DrawOp poly;
      poly.Kind = DrawKind::Polyline;
      poly.Pen = colours.Line[line_entry];
      poly.Index = static_cast<uint32_t>(pic.Points.size());
      // Points that share a pixel column paint one vertical run from their
      // lowest to their highest row, so such a run is kept as its entry,
      // lowest, highest and exit points: the same pixels from far fewer steps.
      int run_x = INT32_MIN, run_first = 0, run_lo = 0, run_hi = 0, run_last = 0;
      auto flush = [&] {
        if (run_x == INT32_MIN) return;
        pic.Points.emplace_back(run_x, run_first);
        if (run_lo != run_first) pic.Points.emplace_back(run_x, run_lo);
        if (run_hi != run_lo) pic.Points.emplace_back(run_x, run_hi);
        if (run_last != run_hi) pic.Points.emplace_back(run_x, run_last);
      };
      for (int i = 0; i < visible; ++i) {
        if (cell_empty(i, curve)) continue;
        const int x = column[static_cast<size_t>(i)], y = row[static_cast<size_t>(i)];
        if (x == run_x) {
          run_lo = std::min(run_lo, y);
          run_hi = std::max(run_hi, y);
          run_last = y;
          continue;
        }
        flush();
        run_x = x;
        run_first = run_lo = run_hi = run_last = y;
      }
      flush();
      poly.Count = static_cast<uint32_t>(pic.Points.size()) - poly.Index;
      if (poly.Count > 0) pic.Ops.push_back(poly);
      if (curve == CurveA) {
        if (sn_thread.joinable()) sn_thread.join();
        else sn_of_a();
        result.SnText = sn_text;
      }
    }

    // Second pass: the points and their marks.
    if (curve == CurveA) {
      result.ValuesWritten = true;
      result.Values.assign(static_cast<size_t>(visible), 0.0);
    }
    ShownCircles shown(view.ChartImageHeight);
    // The report's first and last times come from records that hold a line:
    // an empty one has no time, which would count as midnight.
    int first_read = -1, last_read = -1;
    for (int i = 0; i < visible; ++i) {
      const int r = first + i;
      const uint8_t m = meta[static_cast<size_t>(i)];
      if (!(m & kPresent) || (m & kLineEmpty)) continue;
      if (first_read < 0) first_read = r;
      last_read = r;
      if (curve == CurveA) result.Values[static_cast<size_t>(i)] = a_values[static_cast<size_t>(i)];
      if (cell_empty(i, curve)) continue;
      const int x = column[static_cast<size_t>(i)], y = row[static_cast<size_t>(i)];
      const int rel = sel - first;
      if (marks.DiffractionMode && InRange(i, rel + marks.ThirdWindowFrom, rel + marks.ThirdWindowTo)) {
        pic.AddLine(x - 7, y, x + 7, y, cc::Magenta);
        pic.AddLine(x, y - 7, x, y + 7, cc::Magenta);
        shown.Forget();
      }
      const bool in_fit = marks.CustomFitRange && InRange(i, rel + marks.FitRangeFrom, rel + marks.FitRangeTo);
      PointStyle st;
      const bool selected = r == sel;
      if (selected) {
        const Rgb c = colours.Point[ci] == cc::Red ? cc::Blue : cc::Red;
        st = {c, c};
        view.SelectedPointX[ci] = x;
        view.SelectedPointY[ci] = y;
        if (marks.CustomFitRange) st.Brush = cc::White;
      } else if (marks.DiffractionMode) {
        const int off = r - sel;
        const bool in_window = InRange(off, marks.PreEventWindowFrom, marks.PreEventWindowTo) ||
                               InRange(off, marks.PostEventWindowFrom, marks.PostEventWindowTo);
        const Rgb c = in_window ? cc::WindowGreen : colours.Point[ci];
        st = {c, c};
      } else if (marks.AsteroidChartMode && block > 0) {
        const int64_t p = static_cast<int64_t>(r) - marks.IntegrationPhase;
        if (Rem(p, block) == 0) st = {cc::Navy, cc::Aqua};
        else if (Rem(p + 1, block) == 0) st = {cc::Navy, cc::Magenta};
        else st = {colours.Point[ci], colours.Point[ci]};
      } else {
        const Rgb c = (l_ticked && curve != CurveL) ? colours.Point[ci + 4] : colours.Point[ci];
        st = {c, c};
      }
      if (in_fit) st.Brush = cc::White;

      if (radius == 0) {
        if (selected && state.DataLines) {
          pic.AddEllipse(x - 3, y - 3, x + 3, y + 3, st.Pen, st.Brush);
          shown.Forget();
        }
      } else if (in_fit) {
        pic.AddEllipse(x - radius, y - radius, x + radius, y + radius, st.Pen, st.Brush);
        pic.AddEllipse(x - 2, y - 2, x + 2, y + 2, st.Pen, st.Brush);
        shown.Forget();
      } else if (shown.Paint(x, y, radius, st)) {  // the same circle again would change nothing
        pic.AddEllipse(x - radius, y - radius, x + radius, y + radius, st.Pen, st.Brush);
      }
      if (curve == CurveA && !marks.DiffractionMode && state.ScalePosition >= 7 && marks.AsteroidChartMode &&
          block > 0) {
        const int64_t p = Rem(static_cast<int64_t>(r) - marks.IntegrationPhase, block);
        if (p >= 0) {
          Rgb colour = cc::Black;
          const int64_t q = static_cast<int64_t>(r) - marks.IntegrationPhase + 1;
          if (p == 0) colour = cc::Blue;
          else if (Rem(q, block) == 0) colour = cc::Magenta;
          else if (Rem(q + block / 2, block) == 0) colour = cc::Red;
          DrawOp& op = pic.AddText(p < 9 ? x - 3 : x - 6, y + 12, FormatInt(p + 1), colour, cc::White);
          op.FontSize = state.ScalePosition == 7 ? 7 : 9;
          shown.Forget();
        }
      }
      if ((marks.UpperLevelFixed && InRange(r, marks.FixedUpperWindow[0], marks.FixedUpperWindow[1])) ||
          (marks.LowerLevelFixed && InRange(r, marks.FixedLowerWindow[0], marks.FixedLowerWindow[1]))) {
        pic.AddLine(x - 2, y, x + 2, y, cc::Magenta);
        pic.AddLine(x, y - 2, x, y + 2, cc::Magenta);
        shown.Forget();
      }
    }
    if (curve == CurveA) {
      if (first_read >= 0) {
        const RecordTime s = RecordTimeOf(RecordLine(lines, data.HeaderLineCount, first_read));
        result.StartH = s.H, result.StartM = s.M, result.StartS = s.S;
        const RecordTime t = RecordTimeOf(RecordLine(lines, data.HeaderLineCount, last_read));
        result.EndH = t.H, result.EndM = t.M, result.EndS = t.S;
      }
      result.ValueCount = visible;
    }
    pic.AddEllipse(view.SelectedPointX[ci] - 3, view.SelectedPointY[ci] - 3, view.SelectedPointX[ci] + 3,
                   view.SelectedPointY[ci] + 3, cc::Red, cc::Red);
  }

  // Frame-number labels under the axis.
  const int64_t f = std::max(1, options.FrameStep);
  const int v_count = state.VisibleFrameCount;
  const int yb = view.ChartImageHeight - view.ChartBottomMargin;
  for (int i = 0; i < visible; ++i) {
    if (!(meta[static_cast<size_t>(i)] & kLabelled)) continue;
    const ChartRecord* rec = record_at(i);
    if (!(std::fabs(rec->FrameNo) < kLabelLimit)) continue;
    // Frame numbers are whole numbers but for broken tables: skip the general rounding.
    const double frame_no = rec->FrameNo;
    const int64_t whole = static_cast<int64_t>(frame_no);
    const int64_t n = static_cast<double>(whole) == frame_no ? whole : RoundHalfEven(frame_no);
    if (Rem(n, 10) != 0) continue;
    bool tick = false, label = false;
    if (v_count <= 1000 * f) {
      tick = true;
      label = options.FrameRateRounded == 25 ? Rem(n, 50 * f) == 0 : Rem(n, 30 * f) == 0;
    } else if (v_count <= 4000 * f) {
      tick = label = Rem(n, 100 * f) == 0;
    } else if (v_count <= 10000 * f) {
      tick = label = Rem(n, 500 * f) == 0;
    } else if (v_count <= 20000) {
      tick = label = Rem(n, 1000 * f) == 0;
    } else {
      tick = label = Rem(n, 2000 * f) == 0;
    }
    const int x = column[static_cast<size_t>(i)];
    if (label) pic.AddText(FrameLabelColumn(x, n), yb + 5, FormatInt(n));
    if (tick) pic.AddLine(x, yb, x, yb + 5, cc::Black);
  }

  if (options.Information) {
    TitleShow(data, options, marks, texts, pic);
    const std::string info = InformationText(lines, data, state, marks, texts);
    if (!info.empty()) pic.AddText(8, view.ChartImageHeight - 18, info);
  }
}
