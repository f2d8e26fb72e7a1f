// The drawing steps of one chart drawing: S/N, report values, colours,
// grid, frame labels, title and information lines.
#include "chart/ChartDrawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/NumberText.h"
#include "support/ChartTestTables.h"

namespace {

struct Drawn {
  std::vector<std::string> lines;
  ChartData data;
  TChartState state;
  ChartView view;
  ChartPicture pic;
  ChartDrawResult result;
};

Drawn Draw(const std::vector<std::vector<double>>& v, int objects, ChartOptions opt = {}, ChartMarks marks = {},
           TChartState st = {}, ChartTexts texts = {}) {
  Drawn d;
  d.lines = BuildResultTable(3, objects, RowsFromValues(v));
  d.data = ReadChartData(d.lines, 3);
  d.state = st;
  d.state.TotalFrameCount = d.data.TotalFrameCount();
  GraphShow3(d.lines, d.data, d.state, d.view, opt, marks, texts, d.pic, d.result);
  return d;
}

bool HasText(const ChartPicture& p, const std::string& t) {
  return std::find(p.Texts.begin(), p.Texts.end(), t) != p.Texts.end();
}

// A frame label: a text on the row under the axis.
bool HasFrameLabel(const ChartPicture& p, const std::string& t) {
  for (const DrawOp& op : p.Ops)
    if (op.Kind == DrawKind::Text && op.Y1 == 365 && p.Texts[op.Index] == t) return true;
  return false;
}

}  // namespace

TEST(SnAccumulator, MeanOverPopulationDeviation) {
  SnAccumulator s;
  for (double v : {10, 12, 10, 12}) s.Add(v);
  EXPECT_EQ(s.Text(), "S/N= 11.0");
  SnAccumulator c;
  for (int i = 0; i < 5; ++i) c.Add(1234.5);
  EXPECT_EQ(c.Text(), "");
  EXPECT_EQ(SnAccumulator{}.Text(), "");
  // Large values with a small spread keep their precision.
  SnAccumulator big;
  for (int i = 0; i < 200000; ++i) big.Add(1e9 + (i % 2 ? 1e5 : -1e5));
  EXPECT_EQ(big.Text(), "S/N= 10000.0");
  // Beyond five digits the fixed form turns to the exponent form.
  SnAccumulator huge;
  for (int i = 0; i < 4; ++i) huge.Add(1e7 + (i % 2 ? 1 : -1));
  EXPECT_EQ(huge.Text(), "S/N= 1E7");
}

TEST(GraphShow3, SnReadoutAndReportValues) {
  const Drawn d = Draw({{10, 12, 10, 12}}, 1);
  ASSERT_TRUE(d.result.Drawn);
  EXPECT_EQ(d.result.SnText, "S/N= 11.0");
  EXPECT_EQ(d.result.ValueCount, 4);
  EXPECT_EQ(d.result.Values, (std::vector<double>{10, 12, 10, 12}));
  EXPECT_EQ(d.result.StartH, "10");
  EXPECT_EQ(d.result.StartS, "0.0000");
  EXPECT_EQ(d.result.EndS, "0.1000");
  EXPECT_FALSE(d.result.TimeButtonsEnabled);  // 4 records, 340 visible
}

// A long table is read in parts side by side and its S/N worked out beside
// the drawing: every value still reaches the report in order, the S/N is
// that of a plain two-pass mean and deviation, and two drawings are the same.
TEST(GraphShow3, LongTableDrawnInPartsKeepsEveryValue) {
  const int rows = 200000;
  std::vector<std::vector<double>> v(3, std::vector<double>(rows));
  for (int i = 0; i < rows; ++i) {
    v[0][static_cast<size_t>(i)] = 1000 + (i * 7919 % 101);
    v[1][static_cast<size_t>(i)] = 800 + (i % 37);
    v[2][static_cast<size_t>(i)] = 600 + (i * 31 % 53);
  }
  const Drawn d = Draw(v, 3);
  ASSERT_TRUE(d.result.Drawn);
  ASSERT_EQ(d.result.ValueCount, rows);
  EXPECT_EQ(d.result.Values, v[0]);
  long double mean = 0, m2 = 0;
  for (double x : v[0]) mean += x;
  mean /= rows;
  for (double x : v[0]) m2 += (x - mean) * (x - mean);
  EXPECT_EQ(d.result.SnText, "S/N= " + FormatFixed(mean / std::sqrt(m2 / rows), 1, 5));
  Drawn again;
  again.state.TotalFrameCount = d.data.TotalFrameCount();
  GraphShow3(d.lines, d.data, again.state, again.view, {}, {}, {}, again.pic, again.result);
  ASSERT_EQ(again.pic.Ops.size(), d.pic.Ops.size());
  EXPECT_EQ(again.pic.Points, d.pic.Points);
  for (size_t k = 0; k < d.pic.Ops.size(); ++k) {
    const DrawOp &a = d.pic.Ops[k], &b = again.pic.Ops[k];
    ASSERT_TRUE(a.Kind == b.Kind && a.X1 == b.X1 && a.Y1 == b.Y1 && a.X2 == b.X2 && a.Y2 == b.Y2) << k;
  }
}

TEST(GraphShow3, ConstantCurveHasNoSnAndDataOffEmptiesIt) {
  EXPECT_EQ(Draw({{5, 5, 5}}, 1).result.SnText, "");
  TChartState st;
  st.DataLines = 0;
  EXPECT_EQ(Draw({{10, 12, 10, 12}}, 1, {}, {}, st).result.SnText, "");
}

TEST(GraphShow3, PointsSitWhereTheMappingPutsThem) {
  // Range 0..170 over h = 340: 2 px per unit, 2 px per record.
  const Drawn d = Draw({{170, 85, 0}}, 1);
  std::vector<std::pair<int, int>> circles;
  for (const DrawOp& op : d.pic.Ops)
    if (op.Kind == DrawKind::Ellipse && op.Pen == RgbFromBgr(0x00FF0000))
      circles.emplace_back((op.X1 + op.X2) / 2, (op.Y1 + op.Y2) / 2);
  ASSERT_EQ(circles.size(), 3u);
  EXPECT_EQ(circles[0], std::make_pair(50, 20));
  EXPECT_EQ(circles[1], std::make_pair(52, 190));
  EXPECT_EQ(circles[2], std::make_pair(54, 360));
  // The connecting line of A in its line colour.
  const auto poly = std::find_if(d.pic.Ops.begin(), d.pic.Ops.end(),
                                 [](const DrawOp& op) { return op.Kind == DrawKind::Polyline; });
  ASSERT_NE(poly, d.pic.Ops.end());
  EXPECT_EQ(poly->Pen, (Rgb{0x88, 0x88, 0xFF}));
  EXPECT_EQ(poly->Count, 3u);
}

TEST(GraphShow3, SelectedPointIsRedAndStored) {
  TChartState st;
  st.SelectedFrame = 1;
  const Drawn d = Draw({{170, 85, 0}}, 1, {}, {}, st);
  EXPECT_EQ(d.view.SelectedPointX[CurveA], 52);
  EXPECT_EQ(d.view.SelectedPointY[CurveA], 190);
  int red = 0;
  for (const DrawOp& op : d.pic.Ops)
    if (op.Kind == DrawKind::Ellipse && op.Brush == chart_colour::Red && op.X1 == 49) ++red;
  EXPECT_EQ(red, 2);  // the point and the circle after the curve
}

TEST(GraphShow3, FrameLabelsEveryThirtyFramesAtNtsc) {
  std::vector<double> v(100);
  for (int i = 0; i < 100; ++i) v[static_cast<size_t>(i)] = 50 + i % 7;
  ChartOptions opt;
  opt.FrameRateRounded = 30;
  const Drawn d = Draw({v}, 1, opt);
  for (const char* t : {"0", "30", "60", "90"}) EXPECT_TRUE(HasFrameLabel(d.pic, t)) << t;
  EXPECT_FALSE(HasFrameLabel(d.pic, "20"));
  int ticks = 0;
  for (const DrawOp& op : d.pic.Ops)
    if (op.Kind == DrawKind::Line && op.Y1 == 360 && op.Y2 == 365) ++ticks;
  EXPECT_EQ(ticks, 10);  // 0, 10, ..., 90
  opt.FrameRateRounded = 25;
  const Drawn p = Draw({v}, 1, opt);
  EXPECT_TRUE(HasFrameLabel(p.pic, "50"));
  EXPECT_FALSE(HasFrameLabel(p.pic, "60"));
  EXPECT_FALSE(HasFrameLabel(p.pic, "30"));
}

TEST(GraphShow3, InformationLine) {
  TChartState st;
  st.SelectedFrame = 2;
  ChartTexts t;
  t.Edit24 = "10";
  t.Edit25 = "20";
  t.Edit26 = "30.5";
  t.Edit27 = "30.52";
  t.FileName = "event.avi";
  ChartMarks m;
  m.DiffractionMode = true;
  t.EventCentreText = "1.25";
  t.EventErrorText = "0.02";
  t.ContactAngleText = "45";
  const Drawn d = Draw({{10, 20, 30}}, 1, {}, m, st, t);
  EXPECT_TRUE(HasText(d.pic, "Frame No.2.0 / Frame Centre= 10h20m30.5s,  Frame End= 30.52s / Event centre=Frame cnetre "
                             "+1.25s +/-0.02s / ContactAngle=45deg"));
  EXPECT_TRUE(HasText(d.pic, "Analyzed file name [ event.avi]"));
  EXPECT_TRUE(HasText(d.pic, "/ Aperture-Frame photometry /  Object: Distance= Velocity="));
  TChartState none;
  const Drawn n = Draw({{10, 20, 30}}, 1, {}, {}, none, t);
  for (const auto& s : n.pic.Texts) EXPECT_EQ(s.rfind("Frame No.", 0), std::string::npos);
}

// Without a current fit (another record selected, or the fit refused) the
// line shows no event centre rather than an earlier record's.
TEST(GraphShow3, InformationLineWithoutACurrentFit) {
  TChartState st;
  st.SelectedFrame = 2;
  ChartTexts t;
  t.ContactAngleText = "45";
  ChartMarks m;
  m.DiffractionMode = true;
  const Drawn d = Draw({{10, 20, 30}}, 1, {}, m, st, t);
  EXPECT_TRUE(HasText(d.pic, "Frame No.2.0 / Event centre=Frame cnetre --- / ContactAngle=45deg"));
}

TEST(GraphShow3, AsteroidBlocksWithoutACountDrawPlainPoints) {
  ChartMarks m;
  m.AsteroidChartMode = true;
  m.IntegrationCount = 0;
  TChartState st;
  st.ScalePosition = 8;
  const Drawn d = Draw({{10, 20, 30}}, 1, {}, m, st);
  for (const DrawOp& op : d.pic.Ops)
    if (op.Kind == DrawKind::Ellipse && op.X1 > 0) {
      EXPECT_NE(op.Brush, chart_colour::Aqua);
    }
  m.IntegrationCount = 2;
  const Drawn b = Draw({{10, 20, 30}}, 1, {}, m, st);
  int aqua = 0;
  for (const DrawOp& op : b.pic.Ops) aqua += op.Kind == DrawKind::Ellipse && op.Brush == chart_colour::Aqua;
  EXPECT_EQ(aqua, 2);  // records 0 and 2 start blocks
  EXPECT_TRUE(HasText(b.pic, "1"));
  EXPECT_TRUE(HasText(b.pic, "2"));
}

TEST(GraphShow3, FixedRangeIsScaledByTheYBarsOnceNotAtEveryRedraw) {
  Drawn d = Draw({{50, 100, 75}}, 1);
  EXPECT_EQ(d.view.ChartValueMax, 100);
  ChartOptions fixed;
  fixed.FixRange = true;
  // Other data while fixed: the range stays that of the data it was fixed on.
  const Drawn other = Draw({{500, 1000}}, 1);
  d.state.YMaxPosition = 20;
  for (int redraw = 0; redraw < 3; ++redraw) {
    GraphShow3(other.lines, other.data, d.state, d.view, fixed, {}, {}, d.pic, d.result);
    EXPECT_EQ(d.view.ChartValueMax, 200) << redraw;
  }
  d.state.YMaxPosition = 5;  // a Y bar moved: the kept range rescaled
  GraphShow3(other.lines, other.data, d.state, d.view, fixed, {}, {}, d.pic, d.result);
  EXPECT_EQ(d.view.ChartValueMax, 50);
  // Unfixed, the range comes from the data again.
  d.state.YMaxPosition = 20;
  GraphShow3(d.lines, d.data, d.state, d.view, ChartOptions{}, {}, {}, d.pic, d.result);
  EXPECT_EQ(d.view.ChartValueMax, 200);
}
