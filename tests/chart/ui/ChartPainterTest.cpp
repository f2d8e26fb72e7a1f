// Painting the drawing steps: the shortened line of dense curves paints the
// same pixels as every segment, and point circles have pen and fill.
#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

#include "chart/ChartDrawing.h"
#include "chart/ui/ChartPainter.h"
#include "support/ChartTestTables.h"

TEST(PaintChartPicture, DenseCurveLineMatchesEverySegment) {
  std::vector<double> v(20000);
  for (size_t i = 0; i < v.size(); ++i) v[i] = 1000 + 300 * std::sin(static_cast<double>(i) * 0.01) + (i * 7919 % 97);
  const auto lines = BuildResultTable(3, 1, RowsFromValues({v}));
  const ChartData d = ReadChartData(lines, 3);
  TChartState st;
  st.TotalFrameCount = d.TotalFrameCount();
  st.Radius = 0;
  ChartView view;
  ChartPicture pic;
  ChartDrawResult res;
  GraphShow3(lines, d, st, view, ChartOptions{}, {}, {}, pic, res);
  ASSERT_TRUE(res.Drawn);
  ASSERT_EQ(st.VisibleFrameCount, 20000);
  size_t poly_points = 0;
  for (const DrawOp& op : pic.Ops)
    if (op.Kind == DrawKind::Polyline) poly_points += op.Count;
  EXPECT_LT(poly_points, 4u * 700u);

  // The same picture with the full line: every record's point.
  ChartPicture full = pic;
  full.Points.clear();
  for (DrawOp& op : full.Ops) {
    if (op.Kind != DrawKind::Polyline) continue;
    op.Index = 0;
    op.Count = static_cast<uint32_t>(v.size());
    for (size_t i = 0; i < v.size(); ++i)
      full.Points.emplace_back(IndexToPixelX(view, static_cast<int>(i)), ValueToPixelY(view, d.Records[i].Value[CurveA]));
  }
  const QImage a = PaintChartPicture(pic), b = PaintChartPicture(full);
  int differing = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, y) != b.pixel(x, y);
  EXPECT_EQ(differing, 0);
}

TEST(PaintChartPicture, CirclesHaveOutlineAndFill) {
  ChartPicture pic;
  pic.Clear(40, 40);
  pic.AddEllipse(10, 10, 16, 16, chart_colour::Red, chart_colour::Blue);
  const QImage img = PaintChartPicture(pic);
  EXPECT_EQ(img.pixelColor(12, 12), QColor(0, 0, 255));  // inside
  EXPECT_EQ(img.pixelColor(10, 12), QColor(255, 0, 0));  // left edge
  EXPECT_EQ(img.pixelColor(15, 12), QColor(255, 0, 0));  // right edge (box covers 10..15)
  EXPECT_EQ(img.pixelColor(16, 12), QColor(255, 255, 255));
  EXPECT_EQ(img.pixelColor(10, 10), QColor(255, 255, 255));  // corner stays white
  // Circles reaching over the picture's border are cut, not a crash.
  pic.AddEllipse(-3, -3, 3, 3, chart_colour::Red, chart_colour::Red);
  pic.AddEllipse(37, 37, 43, 43, chart_colour::Red, chart_colour::Red);
  pic.AddEllipse(-103, -103, -97, -97, chart_colour::Red, chart_colour::Red);
  const QImage cut = PaintChartPicture(pic);
  EXPECT_EQ(cut.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(cut.pixelColor(39, 39), QColor(255, 0, 0));
}
