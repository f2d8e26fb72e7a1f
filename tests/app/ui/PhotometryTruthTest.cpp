// The observer's road for photometry: a video of three stars of known flux
// (one whole, one partly beyond the left edge, one saturated) on a sky of 30
// with noise, measured by a run through the main window with each background
// form, aperture size, field measurement, the peak column and PSF
// photometry, saved through 'SaveToCSV-File'; every measured cell of the
// saved file against the figures of tests/tools/photometry_truth_figures.py
// (numpy, from the masks, sums and profile fit as they are described).
#include <QAction>
#include <QCheckBox>
#include <QRadioButton>
#include <QSpinBox>
#include <fstream>
#include <functional>
#include <sstream>

#include "ObjectsFixture.h"
#include "app/ui/TMeasurementOption.h"
#include "base/NumberText.h"
#include "measure/ui/THistogram.h"
#include "measure/ui/TThreeDGraph.h"
#include "support/VideoFixtures.h"
#include "support/WindowControls.h"

namespace {

constexpr int kW = 120, kH = 90;
constexpr int kPos[3][2] = {{60, 46}, {2, 40}, {95, 21}};

SyntheticFrame TruthFrame(int n) {
  SyntheticFrame f;
  f.Width = kW;
  f.Height = kH;
  f.Background = 30;
  f.NoiseSigma = 3;
  f.Seed = static_cast<uint32_t>(11 + n);
  f.Stars = {{60.3, 45.6, 2000, 1.5}, {2.4, 40.2, 1500, 1.4}, {95.2, 20.7, 9000, 1.2}};
  return f;
}

struct TruthWindow : ObjectsWindow {
  // A, B and C placed, then switched 'OFF' and put on the pixels nearest
  // their stars, so every frame measures at a known position.
  explicit TruthWindow(const std::vector<Bitmap24>& frames) {
    const auto path = Path("stars.avi");
    EXPECT_TRUE(WriteAvi(path.string(), frames));
    Place(path);
  }
  TruthWindow(const std::filesystem::path& video, Reader reader) : ObjectsWindow(reader) { Place(video); }
  void Place(const std::filesystem::path& video) {
    EXPECT_TRUE(OpenThroughButton1(video));
    ClickImage1(kPos[0][0], kPos[0][1]);
    for (int k = 2; k <= 3; ++k) {
      RightClickImage1(kPos[k - 1][0] + 6, kPos[k - 1][1]);
      Trigger("Add1");
    }
    for (int k = 1; k <= 3; ++k) {
      Select(k);
      Find<QRadioButton>("RadioButton6")->setChecked(true);
      for (DataLine& b : W().Frames.FrameDataLines) {
        ObjectResult& o = b.Objects[static_cast<size_t>(k - 1)];
        o.PrevX = o.X = kPos[k - 1][0];
        o.PrevY = o.Y = kPos[k - 1][1];
      }
    }
  }
  // Radii of every object through its up-downs (the aperture first down to 0
  // so that each limit lets the next value in).
  void Radii(int aperture, int inner, int outer, const char* form = "RadioButton1") {
    for (int k = 1; k <= 3; ++k) {
      Select(k);
      Spin("UpDown3", 25);
      Spin("UpDown1", 0);
      Spin("UpDown2", inner);
      Spin("UpDown1", aperture);
      Spin("UpDown3", outer);
      Find<QRadioButton>(form)->setChecked(true);
    }
    Select(1);
  }
  void Spin(const char* name, int v) { Find<QSpinBox>(name)->setValue(v); }
  // Option > 'Measurement Option'.
  TMeasurementOption* OpenOptions() {
    Trigger("MeasuremenOption1");
    return ::Find<TMeasurementOption>(window.get(), "MeasurementOption");
  }
  // START from frame 0 to the end, then 'SaveToCSV-File': the saved rows.
  std::vector<std::string> RunAndSave() {
    W().GoToFrame(0);
    Click("Button3");
    EXPECT_TRUE(WaitUntilStopped());
    const auto csv = Path("truth.csv");
    dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
    Click("Button6");
    std::ifstream in(csv, std::ios::binary);
    std::vector<std::string> rows;
    std::string line;
    for (int i = 0; std::getline(in, line); ++i) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (i >= 6) rows.push_back(line);
    }
    return rows;
  }
};

// One object's cells in a row: the value (column 11 + k), FWHM/HFD (14 + k),
// then the object block's aperture sum or PSF amplitude, background sum and
// the two pixel counts.
struct Cells {
  double value, width, first;
  int background, aperture_count, background_count;
};
struct RowTruth {
  const char* no;
  Cells obj[3];
};

double Cell(const std::string& row, int column) {
  return ParseDoubleOr(StripQuotes(GetCsvField(row, column)), -1e300);
}

void ExpectRow(const std::string& row, const RowTruth& t, bool psf) {
  EXPECT_EQ(GetCsvField(row, 1), t.no);
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE("object " + std::to_string(k + 1));
    const Cells& c = t.obj[k];
    const int b = 17 + 17 * k;
    // Written with 1 and 4 decimals.
    EXPECT_NEAR(Cell(row, 11 + k), c.value, 0.05 + 1e-6);
    EXPECT_NEAR(Cell(row, 14 + k), c.width, 0.00005 + 1e-9);
    EXPECT_NEAR(Cell(row, b), c.first, psf ? 0.05 + 1e-6 : 0.0);
    EXPECT_EQ(Cell(row, b + 1), c.background);
    EXPECT_EQ(Cell(row, b + 2), c.aperture_count);
    EXPECT_EQ(Cell(row, b + 3), c.background_count);
  }
}

TEST(PhotometryTruth, EveryWrittenCellMatchesTheFiguresWorkedOutFromTheFrames) {
  struct Road {
    const char* name;
    std::function<void(TruthWindow&)> set;
    bool psf;
    std::vector<RowTruth> rows;
  };
  // clang-format off
  const Road roads[] = {
      {"ring 6/8/20", [](TruthWindow& m) { m.Radii(6, 8, 20); }, false,
       {
        {"0.0", {{1963.835345, 3.910271, 6086.000000, 34903, 137, 1160}, {1460.426357, 3.415808, 4510.000000, 19475, 101, 645}, {5288.684483, 3.955640, 9389.000000, 34718, 137, 1160}}},
        {"1.0", {{2002.346552, 3.951752, 6114.000000, 34814, 137, 1160}, {1500.288372, 3.761113, 4527.000000, 19329, 101, 645}, {5211.937931, 3.885304, 9338.000000, 34936, 137, 1160}}},
        {"2.0", {{1982.431897, 3.815979, 6072.000000, 34627, 137, 1160}, {1455.519380, 3.595085, 4491.000000, 19385, 101, 645}, {5234.645690, 3.845042, 9345.000000, 34803, 137, 1160}}},
       }},
      {"ring 0/1/25", [](TruthWindow& m) { m.Radii(0, 1, 25); }, false,
       {
        {"0.0", {{126.093931, 0.000000, 157.000000, 64161, 1, 2076}, {109.741631, 0.000000, 141.000000, 36416, 1, 1165}, {222.500756, 0.000000, 255.000000, 64511, 1, 1985}}},
        {"1.0", {{126.086224, 0.000000, 157.000000, 64177, 1, 2076}, {108.772532, 0.000000, 140.000000, 36380, 1, 1165}, {222.381864, 0.000000, 255.000000, 64747, 1, 1985}}},
        {"2.0", {{128.245665, 0.000000, 159.000000, 63846, 1, 2076}, {108.807725, 0.000000, 140.000000, 36339, 1, 1165}, {222.491688, 0.000000, 255.000000, 64529, 1, 1985}}},
       }},
      {"ring 20/22/25", [](TruthWindow& m) { m.Radii(20, 22, 25); }, false,
       {
        {"0.0", {{2226.942953, 7.062088, 42428.000000, 17814, 1345, 596}, {1752.100629, 7.014923, 24851.000000, 9478, 775, 318}, {5154.693069, 3.307484, 45526.000000, 15158, 1345, 505}}},
        {"1.0", {{2148.268456, 5.396777, 42408.000000, 17840, 1345, 596}, {1498.814465, 3.651031, 24761.000000, 9545, 775, 318}, {5390.326733, 4.767495, 45735.000000, 15148, 1345, 505}}},
        {"2.0", {{2080.575503, 4.844984, 42153.000000, 17757, 1345, 596}, {1549.927673, 4.958751, 24739.000000, 9515, 775, 318}, {5238.940594, 4.223949, 45541.000000, 15132, 1345, 505}}},
       }},
      {"avoid sunlit face 5/8/20", [](TruthWindow& m) { m.Radii(5, 8, 20, "RadioButton2"); }, false,
       {
        {"0.0", {{1945.266075, 3.832853, 4984.000000, 27138, 101, 902}, {1466.767442, 3.513561, 3837.000000, 11760, 78, 387}, {5265.544346, 3.928232, 8297.000000, 27073, 101, 902}}},
        {"1.0", {{1984.640798, 3.887137, 5018.000000, 27090, 101, 902}, {1511.558140, 3.765203, 3831.000000, 11508, 78, 387}, {5193.737251, 3.848492, 8229.000000, 27107, 101, 902}}},
        {"2.0", {{1995.718404, 3.889947, 5019.000000, 27000, 101, 902}, {1418.635659, 3.433083, 3780.000000, 11716, 78, 387}, {5245.320399, 3.862045, 8277.000000, 27075, 101, 902}}},
       }},
      {"meteor/lunar limb 5/8/20", [](TruthWindow& m) { m.Radii(5, 8, 20, "RadioButton3"); }, false,
       {
        {"0.0", {{1940.989831, 3.824665, 4984.000000, 17776, 101, 590}, {1502.552542, 3.599490, 3837.000000, 8829, 78, 295}, {5273.847458, 3.933932, 8297.000000, 17660, 101, 590}}},
        {"1.0", {{1985.603390, 3.888912, 5018.000000, 17714, 101, 590}, {1473.549153, 3.678628, 3831.000000, 8916, 78, 295}, {5185.305085, 3.842474, 8229.000000, 17780, 101, 590}}},
        {"2.0", {{2020.840678, 3.935437, 5019.000000, 17514, 101, 590}, {1460.623729, 3.539115, 3780.000000, 8772, 78, 295}, {5249.054237, 3.864668, 8277.000000, 17688, 101, 590}}},
       }},
      {"avoid sunlit face 5/8/20, width 6, upper and lower cut",
       [](TruthWindow& m) {
         m.Radii(5, 8, 20, "RadioButton2");
         for (int k = 3; k >= 1; --k) {
           m.Select(k);
           m.Spin("UpDown8", 6);  // 'Width'
         }
         TMeasurementOption* o = m.OpenOptions();
         o->CheckBox1->click();  // 'Upper'
         o->CheckBox2->click();  // 'Lower'
         o->close();
       },
       false,
       {
        {"0.0", {{1962.782609, 3.866019, 4984.000000, 6192, 101, 207}, {1420.733333, 3.396655, 3837.000000, 1394, 78, 45}, {5249.922705, 3.917457, 8297.000000, 6245, 101, 207}}},
        {"1.0", {{1966.043478, 3.852496, 5018.000000, 6255, 101, 207}, {1477.133333, 3.686983, 3831.000000, 1358, 78, 45}, {5208.270531, 3.858818, 8229.000000, 6191, 101, 207}}},
        {"2.0", {{1996.806763, 3.891941, 5019.000000, 6194, 101, 207}, {1471.200000, 3.564869, 3780.000000, 1332, 78, 45}, {5275.299517, 3.882999, 8277.000000, 6152, 101, 207}}},
       }},
      {"fields 6/8/20, accurate", [](TruthWindow& m) {
         m.Radii(6, 8, 20);
         m.Find<QCheckBox>("CheckBox2")->click();
         m.Find<QCheckBox>("CheckBox8")->click();
       }, false,
       {
        {"0.0", {{1015.763986, 3.910271, 2964.000000, 17206, 66, 572}, {799.570016, 3.415808, 2205.000000, 9513, 48, 316}, {2624.309033, 3.955640, 4849.000000, 17631, 71, 588}}},
        {"0.5", {{950.430116, 3.910271, 3122.000000, 17697, 71, 588}, {667.152004, 3.415808, 2305.000000, 9962, 53, 329}, {2665.711830, 3.955640, 4540.000000, 17087, 66, 572}}},
        {"1.0", {{1045.622960, 3.951752, 2978.000000, 17078, 66, 572}, {803.551951, 3.761113, 2198.000000, 9442, 48, 316}, {2556.483400, 3.885304, 4795.000000, 17766, 71, 588}}},
        {"1.5", {{959.393791, 3.951752, 3136.000000, 17736, 71, 588}, {701.532087, 3.761113, 2329.000000, 9887, 53, 329}, {2658.885781, 3.885304, 4543.000000, 17170, 66, 572}}},
        {"2.0", {{1012.889860, 3.815979, 2943.000000, 17048, 66, 572}, {733.648339, 3.595085, 2151.000000, 9570, 48, 316}, {2572.254743, 3.845042, 4807.000000, 17730, 71, 588}}},
        {"2.5", {{970.930236, 3.815979, 3129.000000, 17579, 71, 588}, {723.064891, 3.595085, 2340.000000, 9815, 53, 329}, {2665.312646, 3.845042, 4538.000000, 17073, 66, 572}}},
       }},
      {"peak less background 6/8/20", [](TruthWindow& m) {
         m.Radii(6, 8, 20);
         TMeasurementOption* o = m.OpenOptions();
         o->CheckBox5->click();
         o->CheckBox7->click();
         o->close();
       }, false,
       {
        {"0.0", {{126.911207, 3.910271, 6086.000000, 34903, 137, 1160}, {110.806202, 3.415808, 4510.000000, 19475, 101, 645}, {225.070690, 3.955640, 9389.000000, 34718, 137, 1160}}},
        {"1.0", {{126.987931, 3.951752, 6114.000000, 34814, 137, 1160}, {110.032558, 3.761113, 4527.000000, 19329, 101, 645}, {224.882759, 3.885304, 9338.000000, 34936, 137, 1160}}},
        {"2.0", {{129.149138, 3.815979, 6072.000000, 34627, 137, 1160}, {109.945736, 3.595085, 4491.000000, 19385, 101, 645}, {224.997414, 3.845042, 9345.000000, 34803, 137, 1160}}},
       }},
      {"PSF 6/8/20", [](TruthWindow& m) {
         m.Radii(6, 8, 20);
         m.Find<QCheckBox>("CheckBox14")->click();
       }, true,
       {
        {"0.0", {{2033.102413, 3.6852935, 132.114566, 0, 1, 1}, {1564.689968, 3.4733595, 114.462806, 0, 1, 1}, {6054.385093, 3.744164, 381.150000, 0, 1, 1}}},
        {"1.0", {{2069.531482, 3.7206155, 131.940460, 0, 1, 1}, {1532.516015, 3.4851335, 111.352949, 0, 1, 1}, {6287.459161, 3.79126, 386.050000, 0, 1, 1}}},
        {"2.0", {{2038.190949, 3.6970675, 131.602972, 0, 1, 1}, {1525.611052, 3.4615855, 112.364543, 0, 1, 1}, {6026.587182, 3.744164, 379.400000, 0, 1, 1}}},
       }},
      {"PSF below level 200 from 300",
       [](TruthWindow& m) {
         m.Radii(6, 8, 20);
         TMeasurementOption* o = m.OpenOptions();
         o->UpDown1->setValue(200);
         o->UpDown2->setValue(300);
         o->close();
         m.Find<QCheckBox>("CheckBox14")->click();
       },
       true,
       {
        {"0.0", {{2033.102413, 3.6852935, 132.114566, 0, 1, 1}, {1564.689968, 3.4733595, 114.462806, 0, 1, 1}, {5492.412350, 3.8501305, 327.000000, 0, 1, 1}}},
        {"1.0", {{2069.531482, 3.7206155, 131.940460, 0, 1, 1}, {1532.516015, 3.4851335, 111.352949, 0, 1, 1}, {5470.229486, 3.8265825, 329.700000, 0, 1, 1}}},
        {"2.0", {{2038.190949, 3.6970675, 131.602972, 0, 1, 1}, {1525.611052, 3.4615855, 112.364543, 0, 1, 1}, {5612.242653, 3.861905, 332.100000, 0, 1, 1}}},
       }},
  };
  // clang-format on
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 3; ++n) frames.push_back(MakeStarFrame(TruthFrame(n)));
  for (const Road& road : roads) {
    SCOPED_TRACE(road.name);
    TruthWindow m(frames);
    road.set(m);
    const std::vector<std::string> rows = m.RunAndSave();
    EXPECT_TRUE(m.dialogs.messages.empty());
    ASSERT_EQ(rows.size(), road.rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE("row " + std::to_string(i));
      ExpectRow(rows[i], road.rows[i], road.psf);
    }
  }
}

// Frames without a star: a flat sky and a white (all saturated) frame. The
// cells are plain numbers, never nan or inf: every measured value 0 on the
// flat sky; the PSF fit of a white frame, with no pixel left below the
// saturation level, keeps its start amplitude (350) at width 1: pi 350 / 2.
TEST(PhotometryTruth, FramesWithoutAStarWritePlainNumbers) {
  struct Case {
    const char* name;
    int level;
    bool psf;
    double value, width, first;
  };
  const Case cases[] = {
      {"flat sky, aperture", 100, false, 0.0, 0.0, 13700},
      {"flat sky, PSF", 100, true, 0.0, 1.17741, 0.0},
      {"white frame, aperture", 255, false, 0.0, 0.0, 34935},
      {"white frame, PSF", 255, true, 549.778714, 1.17741, 350.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SyntheticFrame f;
    f.Width = kW;
    f.Height = kH;
    f.Background = c.level;
    TruthWindow m(std::vector<Bitmap24>(2, MakeStarFrame(f)));
    m.Radii(6, 8, 20);
    if (c.psf) m.Find<QCheckBox>("CheckBox14")->click();
    const std::vector<std::string> rows = m.RunAndSave();
    ASSERT_EQ(rows.size(), 2u);
    for (const std::string& row : rows) {
      for (const char* bad : {"nan", "inf", "-0.0"}) EXPECT_EQ(row.find(bad), std::string::npos) << row;
      EXPECT_NEAR(Cell(row, 11), c.value, 0.05 + 1e-6);
      EXPECT_NEAR(Cell(row, 14), c.width, 0.00005 + 1e-9);
      EXPECT_NEAR(Cell(row, 17), c.first, 0.05 + 1e-6);
    }
  }
}

// Where star A vanished, sky noise alone is left in its aperture: on a flat
// sky of 30, 28 at the centre and 32 at 6 px either side. By hand: value
// 28 + 32 + 32 - 3 x 30 = 2, and the plain half-flux ratio 2 x (6 x 2 x 2)
// / 2 = 24 px, wider than the aperture of radius 6 (farthest pixel 6.3 px)
// can hold: the width cell is 0. Object B's aperture holds only sky.
TEST(PhotometryTruth, VanishedStarWritesNoWidthWiderThanItsAperture) {
  SyntheticFrame sky;
  sky.Width = kW;
  sky.Height = kH;
  sky.Background = 30;
  Bitmap24 frame = MakeStarFrame(sky);
  frame.Set(kPos[0][0], kPos[0][1], Bgr{28, 28, 28});
  for (int dx : {-6, 6}) frame.Set(kPos[0][0] + dx, kPos[0][1], Bgr{32, 32, 32});
  TruthWindow m(std::vector<Bitmap24>(2, frame));
  m.Radii(6, 8, 20);
  const std::vector<std::string> rows = m.RunAndSave();
  ASSERT_EQ(rows.size(), 2u);
  for (const std::string& row : rows) {
    EXPECT_NEAR(Cell(row, 11), 2.0, 1e-9) << row;
    EXPECT_EQ(Cell(row, 14), 0.0) << row;
    EXPECT_EQ(Cell(row, 12), 0.0) << row;
    EXPECT_EQ(Cell(row, 15), 0.0) << row;
  }
}

// 'for Rectangle Aperture' writes the limb profile of object A's 7 x 9
// rectangle: per column of the rectangle, the sum of its nine grey values
// (numpy on the frames). A row measured without a rectangle has no profile:
// zeros, not the last rectangle's profile over again.
TEST(PhotometryTruth, LimbProfileRowsCarryTheirOwnFramesProfile) {
  const double profile[3][7] = {{320, 436, 623, 758, 747, 551, 365},
                                {320, 419, 637, 770, 745, 555, 375},
                                {338, 444, 639, 775, 733, 546, 378}};
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 3; ++n) frames.push_back(MakeStarFrame(TruthFrame(n)));
  TruthWindow m(frames);
  TMeasurementOption* o = m.OpenOptions();
  o->CheckBox8->click();
  o->close();
  m.Select(1);
  m.W().RectangleAperture1->trigger();
  m.Spin("UpDown8", 7);
  m.Spin("UpDown6", 9);
  std::vector<std::string> rows = m.RunAndSave();
  m.W().RectangleAperture1->trigger();
  m.dialogs.yes_no_answers.push_back(true);
  m.Click("Button5");  // 'DataRemove'
  for (const std::string& row : m.RunAndSave()) rows.push_back(row);
  ASSERT_EQ(rows.size(), 6u);
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(std::count(rows[i].begin(), rows[i].end(), ','), 66) << rows[i];
    for (int c = 0; c < 51; ++c) {
      const int dx = c - 25;
      const double expected = i < 3 && dx >= -3 && dx <= 3 ? profile[i][dx + 3] : 0.0;
      EXPECT_NEAR(Cell(rows[i], 17 + c), expected, 1e-9) << "offset " << dx;
    }
  }
}

// The histogram and the 3-D view of frame 0 with the measuring regions
// hidden: counts and R + G + B around object A as numpy counts them on the
// frame; the bars at gain 1 and 2 (bin 30 is the fullest: 1366 pixels).
TEST(PhotometryTruth, HistogramAndThreeDViewOfAKnownFrame) {
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 3; ++n) frames.push_back(MakeStarFrame(TruthFrame(n)));
  TruthWindow m(frames);
  m.W().GoToFrame(0);
  TMeasurementOption* o = m.OpenOptions();
  o->RadioGroup1->Item(2)->click();  // 'Hide'
  o->close();
  m.W().HistGram1->trigger();
  auto* hist = m.W().findChild<THistogram*>("Histogram");
  ASSERT_NE(hist, nullptr);
  const std::pair<int, int> bins[] = {{18, 1}, {25, 380}, {30, 1366}, {31, 1364}, {40, 6}, {217, 1}, {255, 14}};
  for (auto [i, count] : bins) EXPECT_EQ(hist->Bins[static_cast<size_t>(i)], count) << "bin " << i;
  EXPECT_EQ(hist->Bins[29] + hist->Bins[32] + hist->Bins[254], 1339 + 1151 + 0);
  const QRgb navy = qRgb(0, 0, 0x80), white = qRgb(255, 255, 255);
  // Bar i stands at x = 2i + 30 on the line y = 530: height 250 x count / 1366.
  for (int gain : {1, 2}) {
    hist->UpDown1->setValue(gain);
    const QImage d = hist->Drawing();
    EXPECT_EQ(d.pixel(90, 530 - 250 * gain), navy) << gain;
    EXPECT_EQ(d.pixel(91, 529 - 250 * gain), white) << gain;
    const int h255 = gain == 1 ? 3 : 5;  // 2.56 and 5.12 rounded
    EXPECT_EQ(d.pixel(541, 530 - h255), navy) << gain;
    EXPECT_EQ(d.pixel(540, 529 - h255), white) << gain;
  }
  m.Click("Button8");  // 'Star Image [3D]'
  ASSERT_EQ(m.W().Driver.ObjectX[0], 60);
  const int raw[5][5] = {{171, 249, 315, 303, 192},
                         {222, 369, 453, 438, 300},
                         {204, 357, 471, 450, 309},
                         {171, 270, 351, 342, 243},
                         {126, 159, 204, 213, 156}};
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx) {
      EXPECT_EQ(m.W().ThreeDGrids.Raw[0].At(dx, dy), raw[dy + 2][dx + 2]) << dx << "," << dy;
      // The height slider at 20: heights equal R + G + B.
      EXPECT_EQ(m.W().ThreeDGrids.Height[0].At(dx, dy), raw[dy + 2][dx + 2]) << dx << "," << dy;
    }
  // Object B stands 2 px from the left edge: columns beyond it read -1.
  EXPECT_EQ(m.W().ThreeDGrids.Raw[1].At(-3, 0), -1);
  EXPECT_EQ(m.W().ThreeDGrids.Raw[1].At(-2, 0), 3 * 55);
}

// A 16-bit grey video (FFV1) of the same stars with detail below the top
// byte, measured through each reader, writes the same rows as an 8-bit video
// of the frames the ffmpeg tool decodes from it; star A still reads its flux.
TEST(PhotometryTruth, SixteenBitVideoMeasuresAsTheFfmpegToolDecodesIt) {
  TestFolder dir;
  const auto raw = dir / "frames.gray16";
  {
    std::ofstream out(raw, std::ios::binary);
    for (int n = 0; n < 3; ++n) {
      const Bitmap24 f = MakeStarFrame(TruthFrame(n));
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
          const int v = 256 * f.Get(x, y).g + (x * 37 + y * 11 + n * 5) % 256;
          out.put(static_cast<char>(v & 0xFF)).put(static_cast<char>(v >> 8));
        }
    }
  }
  const auto video = dir / "deep.avi";
  ASSERT_TRUE(RunFfmpeg("-f rawvideo -pix_fmt gray16le -s 120x90 -r 25 -i '" + raw.string() +
                        "' -c:v ffv1 -pix_fmt gray16le '" + video.string() + "'"));
  const std::vector<Bitmap24> decoded = FfmpegBgr24Frames(video.string(), kW, kH);
  ASSERT_EQ(decoded.size(), 3u);
  TruthWindow eight(decoded);
  eight.Radii(6, 8, 20);
  const std::vector<std::string> expected = eight.RunAndSave();
  ASSERT_EQ(expected.size(), 3u);
  for (const std::string& row : expected) EXPECT_NEAR(Cell(row, 11), 2000, 60);
  for (Reader reader : {Reader::Ffmpeg, Reader::OwnAvi}) {
    SCOPED_TRACE(ReaderName(reader));
    TruthWindow m(video, reader);
    m.Radii(6, 8, 20);
    const std::vector<std::string> rows = m.RunAndSave();
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i)
      for (int c = 11; c <= 67; ++c) EXPECT_EQ(GetCsvField(rows[i], c), GetCsvField(expected[i], c)) << i << ":" << c;
  }
}

}  // namespace
