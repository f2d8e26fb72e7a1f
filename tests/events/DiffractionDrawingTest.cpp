// The fit drawing's levels, timing error and marker, checked against values
// worked out by hand (Python one-offs for the polynomial).
#include <gtest/gtest.h>

#include "base/NumberText.h"
#include "events/DiffractionDrawing.h"

namespace {

TEST(FitLevels, DirectionFixedLevelsAndMagnitudeDrop) {
  DiffractionState d;
  d.UpperLevel = 900, d.LowerLevel = 150;
  const struct {
    const char* Name;
    double Pre, Post;
    bool UpperFixed, LowerFixed, Drop;
    uint8_t Reappearance;
    double Upper, Lower, A, B;
  } rows[] = {
      {"disappearance", 1000, 200, false, false, false, 0, 1000, 200, 1000, 200},
      {"equal means rise", 500, 500, false, false, false, 1, 500, 500, 500, 500},
      {"reappearance, lower fixed", 200, 1000, false, true, false, 1, 1000, 150, 200, 1000},
      {"disappearance, upper fixed", 1000, 200, true, false, false, 0, 900, 200, 1000, 200},
      // 0.4^1.5 = 0.252982212813470 of the upper level, fixed levels ignored.
      {"drop, disappearance", 1000, 400, true, true, true, 0, 1000, 252.982212813470, 1000, 252.982212813470},
      {"drop, reappearance", 300, 1000, false, false, true, 1, 1000, 252.982212813470, 252.982212813470, 1000},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.Name);
    d.UpperLevelFixed = r.UpperFixed;
    d.LowerLevelFixed = r.LowerFixed;
    const FitLevels L = DecideFitLevels(r.Pre, r.Post, r.Drop, 1.5, d);
    EXPECT_EQ(L.Reappearance, r.Reappearance);
    EXPECT_NEAR(L.Upper, r.Upper, 1e-9);
    EXPECT_NEAR(L.Lower, r.Lower, 1e-9);
    EXPECT_NEAR(L.A, r.A, 1e-9);
    EXPECT_NEAR(L.B, r.B, 1e-9);
  }
}

TEST(FitTimingError, FromTheResidualAndTheLevelNoise) {
  DiffractionState d;
  d.LevelCount = {20, 0, 20};
  d.LevelStdError = {2, 0, 1.5};
  // noise sqrt(20) x 2 over 800: N/S 0.0111803, 0.00504065 frames.
  const FitTimingError e = ComputeFitTimingError(90, 31, d, 1000, 200, 29.97L, 0);
  ASSERT_TRUE(e.Valid);
  EXPECT_NEAR(e.SigmaI, 1.1682682697052076, 1e-12);
  EXPECT_NEAR(e.Frames, 0.0050406498631282715, 1e-12);
  EXPECT_NEAR(e.Ms, 0.16902401945706613, 1e-12);
  EXPECT_EQ(e.FramesText, "0.00504");  // at most 5 decimals
  EXPECT_EQ(e.MsText, "0");
  EXPECT_EQ(e.SecondsText, "0.000");
  EXPECT_EQ(e.CountText, "31");

  // Field records at 25 per second halve the error; the post noise wins.
  d.LevelCount = {4, 0, 16};
  d.LevelStdError = {1, 0, 5};
  const FitTimingError f = ComputeFitTimingError(90, 31, d, 1000, 252.9822128134704, 25, 1);
  EXPECT_NEAR(f.Ms, 0.28831422464248524, 1e-12);

  // A one-record window or equal levels leave the error undefined: "---".
  for (const auto& [count, b] : {std::pair{1, 200.0}, std::pair{31, 1000.0}}) {
    const FitTimingError none = ComputeFitTimingError(90, count, d, 1000, b, 25, 0);
    EXPECT_FALSE(none.Valid);
    EXPECT_EQ(none.MsText, "---");
    EXPECT_EQ(none.FramesText, "---");
    EXPECT_EQ(none.SecondsText, "---");
  }
}

TEST(FitTimingError, NoiseBeyondThePolynomialsRangeLeavesItUndefined) {
  // The upper polynomial peaks at N/S 1.8851 (numpy's root of its
  // derivative, 13.935 frames), falls beyond it and below zero at N/S 2.4375:
  // more noise must not give a smaller error.
  DiffractionState d;
  d.LevelCount = {20, 0, 20};
  d.LevelStdError = {2, 0, 1.5};  // noise sqrt(20) x 2 = 8.94427
  const struct {
    double Step;
    bool Valid;
    double Frames;
  } rows[] = {{8.94427191 / 1.8, true, 13.751562168455068},  // N/S 1.8: still rising
              {8.94427191 / 1.88, true, 13.934340229662892},  // next to the peak
              {8.94427191 / 2.0, false, 0},                  // N/S 2: 13.53 frames, falling
              {8.94427191 / 2.4, false, 0},                  // N/S 2.4: 2.22 frames, falling
              {3, false, 0},                                 // N/S 2.98: -71.8 frames
              {0.5, false, 0}};                              // N/S 17.9
  for (const auto& r : rows) {
    SCOPED_TRACE(r.Step);
    const FitTimingError e = ComputeFitTimingError(90, 31, d, 1000, 1000 - r.Step, 29.97L, 0);
    EXPECT_EQ(e.Valid, r.Valid);
    if (r.Valid) {
      EXPECT_NEAR(e.Frames, r.Frames, 1e-6);
    } else {
      EXPECT_EQ(e.FramesText, "---");
      EXPECT_EQ(e.MsText, "---");
      EXPECT_EQ(e.SecondsText, "---");
    }
  }
}

// A point source at 25 records per second; 100 of 200 records shown from
// record 20, record 50 selected, a disappearance 120 ms after it.
DiffractionModel PointSourceAt25() {
  SpectralModel s;
  RecomputeSpectralModel(s, "/nonexistent/x.csv");
  DiffractionParams p;
  p.ModelFrameRate = 25;
  return DiffractionModel(MakeFresnelTables(), s, p);
}

FitDrawInput ShownAroundRecord50() {
  FitDrawInput in;
  in.View.ChartXRatio = 4;
  in.View.ChartYScale = 0.2;
  in.Selected = 50, in.FirstShown = 20, in.ShownCount = 100, in.RecordCount = 200;
  in.TimingFrameRate = 25;
  in.FitOffset = 1200;
  in.Upper = 1000, in.Lower = 0;
  return in;
}

TEST(FitDrawing, MarkerSitsAtTheEventCentre) {
  const DiffractionModel m = PointSourceAt25();
  FitDrawInput in = ShownAroundRecord50();
  in.Error.Valid = true;
  in.Error.Ms = 40;
  in.Error.SigmaI = 10;
  const std::vector<double> values(200, 500.0);
  const FitDrawing dr = BuildFitDrawing(m, in, values);
  // 120 ms at 25 records per second is 3 records: x = (30 + 3) x 4 + 50.
  const int marker_x = (30 + 3) * 4 + 50;
  bool marker = false;
  for (const DrawOp& op : dr.Curve.Ops)
    marker = marker || (op.X1 == marker_x && op.X2 == marker_x && op.Y1 == 20 && op.Y2 == in.View.ChartImageHeight - 40 &&
                        op.Pen == Rgb{255, 255, 0});
  EXPECT_TRUE(marker);
  // Error bar half-widths: r1 = 25 x 40 x 4 / 1000 = 4, the yellow line 3 r = 24.
  bool bar = false;
  for (const DrawOp& op : dr.Curve.Ops) bar = bar || (op.X1 == marker_x - 4 && op.X2 == marker_x + 4 && op.Pen == chart_colour::Navy);
  EXPECT_TRUE(bar);
  EXPECT_FALSE(dr.CurveLines.empty());
  EXPECT_EQ(dr.CurveLines.front().rfind("-1200 X:", 0), 0u) << dr.CurveLines.front();
  // The residual panel: zero line, the marker, one point per shown record.
  ASSERT_GE(dr.Residual.Ops.size(), 2u);
  EXPECT_EQ(dr.Residual.Ops[0].X1, marker_x);
  int points = 0;
  for (const DrawOp& op : dr.Residual.Ops) points += op.Kind == DrawKind::Ellipse;
  EXPECT_EQ(points, 100);
}

// The developer listings: the curve's values in seconds with the drawing's
// points, the colour option, and the disk intensity around the event.
TEST(FitDrawing, DeveloperListingsAndCurveColour) {
  const DiffractionModel m = PointSourceAt25();
  FitDrawInput in = ShownAroundRecord50();
  in.CurveColour = FitCurveColour(1);
  const std::vector<double> values(200, 500.0);
  const FitDrawing dr = BuildFitDrawing(m, in, values);
  const std::vector<std::string> listed = CurveValueListing(m, in);
  // T0 = -1200 ms, T1 = 2800 ms, stride 2 ms: the first point and every second ms.
  ASSERT_EQ(listed.size(), 1u + 2001u);
  EXPECT_EQ(listed.front().rfind("-1.2000,", 0), 0u) << listed.front();
  EXPECT_EQ(listed.back().rfind("2.8000,", 0), 0u) << listed.back();
  // Well after the disappearance the light is gone, long before it is whole.
  EXPECT_NEAR(std::stod(listed.back().substr(listed.back().find(',') + 1)), 0.0, 0.02);
  EXPECT_NEAR(std::stod(listed.front().substr(listed.front().find(',') + 1)), 1.0, 0.05);
  bool blue = false;
  for (const DrawOp& op : dr.Curve.Ops) blue = blue || op.Pen == chart_colour::Blue;
  EXPECT_TRUE(blue);
  EXPECT_EQ(FitCurveColour(0), chart_colour::Red);
  EXPECT_EQ(FitCurveColour(2), (Rgb{128, 128, 128}));
  EXPECT_EQ(FitCurveColour(3), chart_colour::Black);

  const std::vector<std::string> disk = DiskIntensityListing(m);
  ASSERT_EQ(disk.size(), 401u);
  // Far outside the shadow the light is whole; at the geometric edge a point
  // source shows a quarter of it.
  EXPECT_NEAR(std::stod(disk.front()), 1.0, 0.05);
  EXPECT_NEAR(std::stod(disk[200]), 0.25, 0.01);
  EXPECT_EQ(disk[200], FormatFixed(m.StarDiskIntensity(0), 4, 5));
}

}  // namespace
