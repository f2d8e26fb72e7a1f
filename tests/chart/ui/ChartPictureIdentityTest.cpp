// The chart's painted picture, byte for byte, on noisy dense tables, sparse
// tables and every mark mode: the hashes were taken from the drawing that
// painted every point, so leaving out steps that paint nothing new must keep
// each picture exactly. (Texts are left out: their pixels depend on the
// machine's fonts.)
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "chart/ChartDrawing.h"
#include "chart/ui/ChartPainter.h"
#include "support/ChartTestTables.h"

namespace {

uint64_t ImageHash(const QImage& img) {
  uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < img.height(); ++y) {
    const uchar* row = img.constScanLine(y);
    for (int i = 0; i < img.width() * 4; ++i) h = (h ^ row[i]) * 1099511628211ull;
  }
  return h;
}

std::vector<std::string> NoisyTable(int rows, double sigma, uint32_t seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0, sigma);
  std::vector<std::vector<double>> v(3, std::vector<double>(static_cast<size_t>(rows)));
  for (size_t i = 0; i < v[0].size(); ++i) {
    v[0][i] = (i > v[0].size() / 2 && i < v[0].size() / 2 + 40 ? 400 : 3000) + noise(rng);
    v[1][i] = 2600 + noise(rng);
    v[2][i] = 2000 + noise(rng) * 3;
  }
  return BuildResultTable(3, 3, RowsFromValues(v));
}

struct PictureCase {
  const char* name;
  int rows;
  double sigma;
  int radius;
  int selected;     // -1 none
  int scale;        // ScalePosition
  bool hilight, l_curve, asteroid, diffraction, fit_range, levels;
  uint64_t hash;
  size_t max_ops;  // dense columns repaint few circles
};

class ChartPictures : public ::testing::TestWithParam<PictureCase> {};

TEST_P(ChartPictures, PaintTheSamePixels) {
  const PictureCase& c = GetParam();
  const auto lines = NoisyTable(c.rows, c.sigma, 5);
  const ChartData d = ReadChartData(lines, 3);
  TChartState st;
  st.TotalFrameCount = d.TotalFrameCount();
  st.Radius = c.radius;
  st.SelectedFrame = c.selected;
  st.ScalePosition = c.scale;
  ChartView view;
  ChartOptions opt;
  opt.Boxes = {true, true, true, c.l_curve};
  opt.Hilight = c.hilight;
  ChartMarks marks;
  marks.AsteroidChartMode = c.asteroid;
  marks.IntegrationCount = c.asteroid ? 4 : 0;
  marks.IntegrationPhase = 1;
  marks.DiffractionMode = c.diffraction;
  marks.ThirdWindowFrom = -3, marks.ThirdWindowTo = 3;
  marks.CustomFitRange = c.fit_range;
  marks.UpperLevelFixed = marks.LowerLevelFixed = c.levels;
  marks.FixedUpperWindow = {c.rows / 4, c.rows / 4 + 60};
  marks.FixedLowerWindow = {c.rows / 2, c.rows / 2 + 20};
  ChartPicture pic;
  ChartDrawResult res;
  GraphShow3(lines, d, st, view, opt, marks, {}, pic, res);
  ASSERT_TRUE(res.Drawn);
  // Texts depend on the machine's fonts: the hashes cover everything else.
  for (std::string& t : pic.Texts) t.clear();
  EXPECT_EQ(ImageHash(PaintChartPicture(pic)), c.hash) << c.name << " ops " << pic.Ops.size();
  EXPECT_LE(pic.Ops.size(), c.max_ops) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ChartPictures,
    ::testing::Values(
        PictureCase{"dense_r1", 20000, 30, 1, -1, 5, false, false, false, false, false, false, 13974313063573023760ull, 35000},
        PictureCase{"dense_r3_hilight_l", 20000, 30, 3, 9000, 5, true, true, false, false, false, false, 10735579882533393245ull, 35000},
        PictureCase{"dense_r5_quiet", 20000, 5, 5, 100, 5, false, false, false, false, false, false, 9728091161461576378ull, 12000},
        PictureCase{"dense_asteroid", 6000, 30, 2, 3000, 7, false, false, true, false, false, false, 1416812270568549883ull, 1422},
        PictureCase{"dense_diffraction_fit", 8000, 20, 3, 4010, 5, false, false, false, true, true, true, 17246724371452883285ull, 17000},
        PictureCase{"sparse_r4", 300, 40, 4, 150, 5, false, true, false, false, false, false, 8866850320511716548ull, 958},
        PictureCase{"sparse_diffraction", 500, 10, 2, 250, 8, true, false, false, true, false, true, 16301485099236504997ull, 2118},
        PictureCase{"sparse_asteroid_zoom", 400, 25, 3, 10, 9, false, false, true, false, true, false, 13843575479399052455ull, 1545}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
