// The filter controls of the main window against the same filters and the
// aperture photometry computed outside this program by
// tests/tools/filtered_photometry_figures.py (numpy, pixel by pixel as the
// filters are described: fixed kernel divisors with border neighbours left
// out, halves to even, gain in exact tenths capped at 255, rows 0 and 1 left
// alone, rotation by |s| x y per row). The frame is 81 x 61 (odd width and height) with
// a pattern that spans every byte value; object A stands still ('OFF') on a
// given position, with radii 6 / 8 / 20.
#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <functional>

#include "MainRoadFixture.h"
#include "app/ui/TMeasurementOption.h"
#include "measure/ui/TThreeDGraph.h"
#include "support/FrameChecksum.h"
#include "support/WindowControls.h"

namespace {

constexpr int kW = 81, kH = 61;

uint8_t PatternByte(int x, int y, int c) {
  return static_cast<uint8_t>((x * x * 3 + y * 11 + c * 29 + (x * y) % 17) % 256);
}

Bitmap24 PatternFrame() {
  Bitmap24 f(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) f.Set(x, y, {PatternByte(x, y, 0), PatternByte(x, y, 1), PatternByte(x, y, 2)});
  return f;
}

struct FilterWindow : MainRoadWindow {
  FilterWindow(int x, int y) : MainRoadWindow(Reader::OwnAvi) {
    const auto path = Path("pattern.avi");
    EXPECT_TRUE(WriteAvi(path.string(), {PatternFrame(), PatternFrame()}));
    EXPECT_TRUE(OpenThroughButton1(path));
    Find<QRadioButton>("RadioButton6")->click();  // tracking 'OFF'
    ClickImage1(x, y);
    Spin("UpDown1", 6);
    Spin("UpDown2", 8);
    Spin("UpDown3", 20);
  }
  // A click tracks onto the nearest bright patch; an 'OFF' object is measured
  // where its start position says.
  void Place(int x, int y) {
    for (DataLine& line : W().Frames.FrameDataLines) {
      ObjectResult& o = line.Objects[0];
      o.PrevX = o.X = x;
      o.PrevY = o.Y = y;
    }
    W().ShowNeighbor();
  }
  void Gamma(const char* text) {
    Find<QRadioButton>("RadioButton17")->click();  // 'Field'
    QLineEdit* edit = Find<QLineEdit>("Edit18");
    edit->setText(text);
    QKeyEvent e(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit, &e);
  }
  void Group(const char* name, int index) { ::Find<TRadioGroup>(window.get(), name)->Item(index)->click(); }
  void Spin(const char* name, int v) { Find<QSpinBox>(name)->setValue(v); }
};

struct Expected {
  int64_t checksum;
  double value[3];
  int aperture_sum[3];
  int background_sum[3];
  int aperture_count[3];
  int background_count[3];
  int peak;          // brightest blue byte of the aperture
  double half_flux;  // half-flux diameter of the whole frame
};

}  // namespace

// Each filter (and all five together, in the driver's order) set through its
// control: the frame the measurement sees and the three result blocks of
// object A, in the middle of the frame and at the top-left corner where the
// background ring runs off the frame.
TEST(FilteredPhotometry, MeasuredFrameAndValuesMatchAnIndependentComputation) {
  struct Row {
    const char* name;
    std::function<void(FilterWindow&)> set;
    Expected middle, corner;
  };
  // clang-format off
  const Row rows[] = {
      {"none", [](FilterWindow&) {},
       {236846646, {-3358.4479885057463, -1631.8846153846152, -1726.1020408163267}, {14649, 7053, 7596}, {152469, 75269, 77200}, {137, 66, 71}, {1160, 572, 588}, 255, 6.057708528758132},
       {236846646, {-966.8577898550739, -378.4218455743885, -589.7486910994767}, {9532, 4404, 5127}, {47697, 22880, 24817}, {81, 37, 44}, {368, 177, 191}, 253, 3.690666218205383}},
      {"gamma 0.5", [](FilterWindow& m) { m.Gamma("0.5"); },
       {158003324, {-2909.785632183908, -1444.4487179487178, -1464.4869614512463}, {9223, 4419, 4804}, {102727, 50814, 51914}, {137, 66, 71}, {1160, 572, 588}, 255, 5.624870436243077},
       {158003324, {-1392.034420289855, -589.8060263653483, -802.9458987783592}, {5779, 2679, 3100}, {32578, 15636, 16942}, {81, 37, 44}, {368, 177, 191}, 251, 3.934813880547569}},
      {"gamma 2.2", [](FilterWindow& m) { m.Gamma("2.2"); },
       {325883967, {-2651.8022988505763, -1257.2435897435898, -1394.491496598639}, {21749, 10499, 11250}, {206605, 101890, 104715}, {137, 66, 71}, {1160, 572, 588}, 255, 6.240061304703458},
       {325883967, {-432.394927536232, -136.84557438794673, -296.3787085514832}, {13786, 6350, 7436}, {64599, 31032, 33567}, {81, 37, 44}, {368, 177, 191}, 254, 3.130274255136401}},
      {"Gaussian 3 x 3", [](FilterWindow& m) { m.Group("RadioGroup5", 1); },
       {233930199, {-3387.3166666666675, -1686.1666666666688, -1701.019841269841}, {14621, 6992, 7629}, {152482, 75214, 77268}, {137, 66, 71}, {1160, 572, 588}, 233, 6.294123251175647},
       {233930199, {-1087.33061594203, -421.0903954802261, -662.6247818499132}, {9235, 4329, 4905}, {46895, 22725, 24170}, {81, 37, 44}, {368, 177, 191}, 200, 4.046925405623915}},
      {"Gaussian 5 x 5", [](FilterWindow& m) { m.Group("RadioGroup5", 2); },
       {230595954, {-3372.217816091954, -1686.7820512820517, -1685.2568027210882}, {14621, 6985, 7636}, {152351, 75158, 77193}, {137, 66, 71}, {1160, 572, 588}, 218, 6.65299627535277},
       {230595954, {-1227.557971014492, -506.549905838041, -716.3734729493881}, {8866, 4150, 4717}, {45859, 22274, 23584}, {81, 37, 44}, {368, 177, 191}, 168, 4.351180684403468}},
      {"moving average 3 x 3", [](FilterWindow& m) { m.Group("RadioGroup4", 1); },
       {236913060, {-3411.180172413793, -1726.2307692307695, -1685.0685941043075}, {14598, 6947, 7651}, {152484, 75168, 77316}, {137, 66, 71}, {1160, 572, 588}, 233, 6.447696283728368},
       {236913060, {-921.786231884058, -411.5084745762706, -509.98080279232}, {9580, 4389, 5192}, {47713, 22963, 24750}, {81, 37, 44}, {368, 177, 191}, 200, 3.151303888120819}},
      {"moving average 5 x 5", [](FilterWindow& m) { m.Group("RadioGroup4", 2); },
       {236892807, {-3343.0692528735635, -1667.128205128206, -1675.52551020408}, {14632, 7001, 7631}, {152198, 75127, 77071}, {137, 66, 71}, {1160, 572, 588}, 215, 6.8704737185205165},
       {236892807, {-799.5452898550739, -348.37099811676035, -450.32635253054104}, {9647, 4432, 5215}, {47459, 22867, 24593}, {81, 37, 44}, {368, 177, 191}, 158, 2.4146209885093293}},
      {"gain 0.0", [](FilterWindow& m) { m.Spin("UpDown17", 0); },
       {7431753, {0.0, 0.0, 0.0}, {0, 0, 0}, {0, 0, 0}, {137, 66, 71}, {1160, 572, 588}, 0, 0},
       {7431753, {1169.149456521739, 588.1789077212807, 583.1710296684118}, {1933, 959, 974}, {3470, 1772, 1698}, {81, 37, 44}, {368, 177, 191}, 243, 7.014443902596136}},
      {"gain 0.3", [](FilterWindow& m) { m.Spin("UpDown17", 3); },
       {76261781, {-1005.1304597701146, -486.9102564102568, -518.0765306122448}, {4397, 2119, 2278}, {45741, 22582, 23159}, {137, 66, 71}, {1160, 572, 588}, 76, 6.053822925361281},
       {76261781, {528.533514492754, 298.17702448210935, 231.52879581151842}, {4214, 1993, 2221}, {16742, 8108, 8635}, {81, 37, 44}, {368, 177, 191}, 243, 8.847743341201953}},
      {"gain 5.0", [](FilterWindow& m) { m.Spin("UpDown17", 50); },
       {421012543, {-1695.9410919540205, -718.9102564102577, -977.7834467120174}, {29880, 14477, 15403}, {267358, 131695, 135663}, {137, 66, 71}, {1160, 572, 588}, 255, 7.049950027494881},
       {421012543, {-1283.8260869565238, -660.6911487758944, -624.4380453752165}, {16508, 7454, 9054}, {80832, 38817, 42015}, {81, 37, 44}, {368, 177, 191}, 255, 5.4892556466208955}},
      {"rotation -8", [](FilterWindow& m) { m.Spin("UpDown19", -8); },
       {236469640, {-1083.0600574712626, -761.9102564102568, -321.24376417233543}, {16413, 7665, 8748}, {148139, 73030, 75109}, {137, 66, 71}, {1160, 572, 588}, 255, 7.538096760524528},
       {236469640, {-1355.513586956522, -671.1431261770244, -687.2024432809776}, {9121, 4087, 5034}, {47597, 22760, 24837}, {81, 37, 44}, {368, 177, 191}, 254, 7.8830186871887955}},
      {"rotation 1", [](FilterWindow& m) { m.Spin("UpDown19", 1); },
       {236740513, {1605.1864942528737, 714.9230769230762, 890.4903628117918}, {18733, 8971, 9762}, {145021, 71553, 73468}, {137, 66, 71}, {1160, 572, 588}, 255, 10.181021173917157},
       {236740513, {-1662.39311594203, -810.5536723163832, -847.0523560209422}, {9151, 4176, 4975}, {49126, 23853, 25273}, {81, 37, 44}, {368, 177, 191}, 243, 3.432414915797178}},
      {"rotation 8", [](FilterWindow& m) { m.Spin("UpDown19", 8); },
       {238006353, {-890.0474137931051, -280.9358974358993, -612.2868480725629}, {16643, 8097, 8546}, {148455, 72612, 75843}, {137, 66, 71}, {1160, 572, 588}, 254, 9.250237885950767},
       {238006353, {-729.882246376812, -253.17137476459447, -487.68586387434516}, {9562, 4340, 5221}, {46757, 21974, 24782}, {81, 37, 44}, {368, 177, 191}, 253, 8.91133949305809}},
      {"all five", [](FilterWindow& m) {
         m.Gamma("2");
         m.Group("RadioGroup5", 2);
         m.Group("RadioGroup4", 1);
         m.Spin("UpDown17", 15);
         m.Spin("UpDown19", 3);
       },
       {446322608, {-591.2879310344797, -277.0256410256443, -314.6281179138314}, {32622, 15716, 16906}, {281222, 138603, 142619}, {137, 66, 71}, {1160, 572, 588}, 255, 10.675485628779946},
       {446322608, {-2550.410326086956, -1180.706214689265, -1368.8551483420579}, {16789, 7662, 9127}, {87863, 42300, 45563}, {81, 37, 44}, {368, 177, 191}, 255, 6.243188933618541}},
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    FilterWindow m(40, 30);
    ASSERT_FALSE(m.W().Options.SubtractBackground);
    m.Place(40, 30);
    r.set(m);
    for (const auto& [x, y, e] : {std::tuple{40, 30, r.middle}, std::tuple{3, 2, r.corner}}) {
      SCOPED_TRACE(testing::Message() << "object at " << x << ", " << y);
      if (x != 40) m.Place(x, y);
      const ObjectResult& at = m.W().Frames.FrameDataLines[0].Objects[0];
      ASSERT_EQ(at.X, x);
      ASSERT_EQ(at.Y, y);
      ASSERT_EQ(at.BackgroundOuter, 20);
      EXPECT_EQ(FrameChecksum(m.W().Driver.FrameBitmap), e.checksum);
      EXPECT_EQ(at.Peak, e.peak);
      EXPECT_NEAR(at.FwhmHfd, e.half_flux, 1e-9);
      for (size_t j = 0; j < 3; ++j) {
        const ObjectResult& o = m.W().Frames.FrameDataLines[j].Objects[0];
        EXPECT_NEAR(o.Value, e.value[j], 1e-6) << "block " << j;
        EXPECT_EQ(o.ApertureSum, e.aperture_sum[j]) << "block " << j;
        EXPECT_EQ(o.BackgroundSum, e.background_sum[j]) << "block " << j;
        EXPECT_EQ(o.AperturePixelCount, e.aperture_count[j]) << "block " << j;
        EXPECT_EQ(o.BackgroundPixelCount, e.background_count[j]) << "block " << j;
      }
    }
  }
}

// The 3-D view reads R + G + B of the filtered frame around the object, and
// -1 where the patch runs off the frame.
TEST(FilteredPhotometry, StarProfilePatchIsTheFilteredFrame) {
  struct Patch {
    int64_t checksum;  // (value + 2) x (i mod 251 + 1), dx outer, dy inner
    int outside;
  };
  struct Row {
    const char* name;
    std::function<void(FilterWindow&)> set;
    Patch middle, corner;
  } rows[] = {
      {"none", [](FilterWindow&) {}, {144703033, 0}, {45857479, 2095}},
      {"Gaussian 5 x 5", [](FilterWindow& m) { m.Group("RadioGroup5", 2); }, {144840753, 0}, {44525372, 2095}},
      {"rotation -8", [](FilterWindow& m) { m.Spin("UpDown19", -8); }, {144685388, 0}, {46003956, 2095}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    FilterWindow m(40, 30);
    m.Click("Button8");  // 'Star Image [3D]'
    ASSERT_TRUE(m.W().ThreeDGraph);
    r.set(m);
    for (const auto& [x, y, e] : {std::tuple{40, 30, r.middle}, std::tuple{3, 2, r.corner}}) {
      SCOPED_TRACE(testing::Message() << "object at " << x << ", " << y);
      m.Place(x, y);
      const ProfileCellGrid& raw = m.W().ThreeDGrids.Raw[0];
      int64_t sum = 0, i = 0;
      int outside = 0;
      for (int dx = -ProfileCellGrid::kReach; dx <= ProfileCellGrid::kReach; ++dx)
        for (int dy = -ProfileCellGrid::kReach; dy <= ProfileCellGrid::kReach; ++dy, ++i) {
          outside += raw.At(dx, dy) < 0 ? 1 : 0;
          sum += (raw.At(dx, dy) + 2) * (i % 251 + 1);
        }
      EXPECT_EQ(sum, e.checksum);
      EXPECT_EQ(outside, e.outside);
    }
  }
}

// 'Acurate' scales each field value to half the frame aperture; 'Subtract
// background' takes each block's background per pixel off the peak.
TEST(FilteredPhotometry, AcurateFieldsAndPeakLessBackground) {
  struct Row {
    int x, y;
    double value[3];
    double peak[3];
  } rows[] = {
      {40,
       30,
       {-3358.4479885057463, -1693.6984265734263, -1665.3237999425126},
       {123.56120689655174, 123.41083916083917, 123.70748299319729}},
      {3,
       2,
       {-966.8577898550739, -414.21850664223604, -542.8368633983819},
       {123.38858695652175, 123.73634651600753, 123.06631762652705}},
  };
  FilterWindow m(40, 30);
  m.Find<QCheckBox>("CheckBox8")->click();  // 'Acurate'
  m.Find<QAction>("MeasuremenOption1")->trigger();
  auto* options = Find<TMeasurementOption>(m.window.get(), "MeasurementOption");
  ASSERT_NE(options, nullptr);
  Find<QCheckBox>(options, "CheckBox7")->click();  // 'Subtract background'
  ASSERT_TRUE(m.W().Options.SubtractBackground);
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "object at " << r.x << ", " << r.y);
    m.Place(r.x, r.y);
    for (size_t j = 0; j < 3; ++j) {
      const ObjectResult& o = m.W().Frames.FrameDataLines[j].Objects[0];
      EXPECT_NEAR(o.Value, r.value[j], 1e-6) << "block " << j;
      EXPECT_NEAR(o.Peak, r.peak[j], 1e-9) << "block " << j;
    }
  }
}

// A frame the file no longer holds keeps the frame filtered last: each
// redraw on it (here a box each) must not filter it once more.
TEST(FilteredPhotometry, RedrawOnAnUnreadableFrameFiltersItNoFurther) {
  struct Row {
    const char* name;
    std::function<void(FilterWindow&)> set;
    int64_t checksum;  // the filtered frame, as in the table above
  } rows[] = {
      {"gain 5.0", [](FilterWindow& m) { m.Spin("UpDown17", 50); }, 421012543},
      {"Gaussian 5 x 5", [](FilterWindow& m) { m.Group("RadioGroup5", 2); }, 230595954},
      {"rotation 1", [](FilterWindow& m) { m.Spin("UpDown19", 1); }, 236740513},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    FilterWindow m(40, 30);
    m.Place(40, 30);
    r.set(m);
    ASSERT_EQ(FrameChecksum(m.W().Driver.FrameBitmap), r.checksum);
    const Bitmap24 shown = m.ShownImage();
    const QString value = m.Find<QLineEdit>("Edit9")->text();
    std::filesystem::resize_file(m.Path("pattern.avi"), 2048);
    for (int redraw = 0; redraw < 2; ++redraw) {
      m.dialogs.messages.clear();
      m.Find<QCheckBox>("CheckBox24")->click();  // any control that shows the frame again
      ASSERT_EQ(m.dialogs.messages.size(), 1u);
      EXPECT_TRUE(m.dialogs.messages[0].text.startsWith("Fail to get a bitmap."));
      EXPECT_EQ(FrameChecksum(m.W().Driver.FrameBitmap), r.checksum) << "redraw " << redraw;
      EXPECT_EQ(FrameChecksum(m.ShownImage()), FrameChecksum(shown)) << "redraw " << redraw;
      EXPECT_EQ(m.Find<QLineEdit>("Edit9")->text(), value) << "redraw " << redraw;
    }
  }
}
