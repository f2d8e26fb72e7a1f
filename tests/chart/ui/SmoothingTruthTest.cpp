// The chart's smoothing, correction and spectrum windows on tables whose
// truth is known: filtered values computed once with numpy (moving averages
// cut at the table's ends, Gaussian weights, the padded FFT low-pass, the
// periodic four-tap wavelet pyramid), an absorption trend worked by hand, and
// a sinusoid of known frequency. Everything goes through the windows' controls.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <cmath>
#include <string>
#include <vector>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "chart/ChartScale.h"
#include "chart/ui/TAvgBkg.h"
#include "chart/ui/TCorrection.h"
#include "chart/ui/TFFT1.h"
#include "chart/ui/Tchart1.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"

namespace {

// Object 1: a 16-record wave with a little jitter; object 2: a slow ramp.
// C = 21 aperture and D = 64 background pixels throughout.
const int kA1[40] = {5985, 6150, 6292, 6358, 6400, 6382, 6274, 6156, 6015, 5841, 5723, 5615, 5597, 5639,
                     5705, 5847, 6012, 6144, 6286, 6385, 6394, 6376, 6268, 6150, 6009, 5835, 5717, 5642,
                     5591, 5633, 5732, 5841, 6006, 6138, 6280, 6379, 6388, 6370, 6295, 6144};
const int kB1[40] = {2000, 2013, 2026, 2039, 2052, 2065, 2078, 2001, 2014, 2027, 2040, 2053, 2066, 2079,
                     2002, 2015, 2028, 2041, 2054, 2067, 2080, 2003, 2016, 2029, 2042, 2055, 2068, 2081,
                     2004, 2017, 2030, 2043, 2056, 2069, 2082, 2005, 2018, 2031, 2044, 2057};
const int kB2[40] = {1000, 1029, 1008, 1037, 1016, 1045, 1024, 1003, 1032, 1011, 1040, 1019, 1048, 1027,
                     1006, 1035, 1014, 1043, 1022, 1001, 1030, 1009, 1038, 1017, 1046, 1025, 1004, 1033,
                     1012, 1041, 1020, 1049, 1028, 1007, 1036, 1015, 1044, 1023, 1002, 1031};

std::vector<TableRowCells> WaveRows() {
  std::vector<TableRowCells> rows;
  for (int r = 0; r < 40; ++r) {
    TableRowCells row;
    row.No = std::to_string(300 + r) + ".0";
    row.Objects[0] = {"1.0", std::to_string(kA1[r]), std::to_string(kB1[r]), "21", "64"};
    row.Objects[1] = {"1.0", std::to_string(3000 + 7 * r), std::to_string(kB2[r]), "21", "64"};
    rows.push_back(row);
  }
  return rows;
}

// The chart opened on a table of `objects` objects.
struct ChartOn {
  FakeHost host;
  ChartSession session;
  ChartEventState events;
  QPointer<Tchart1> chart;
  ChartOn(int objects, const std::vector<TableRowCells>& rows, double frame_rate = 29.97, int version = 3) {
    host.object_count = objects;
    host.timing_frame_rate = frame_rate;
    host.csv_version = version;
    host.table.lines = BuildResultTable(version, objects, rows);
    host.AnalyseEvents(events);
    chart = new Tchart1(host, session, events);
  }
  ~ChartOn() { delete chart.data(); }
  template <class Window>
  Window* Open(const char* button, const char* name) {
    Find<QPushButton>(chart, button)->click();
    return chart->findChild<Window*>(name);
  }
  void ClickRecord(int record) {
    const auto& rec = chart->Data().Records[static_cast<size_t>(record)];
    ReleaseAt(chart->ChartImg1, IndexToPixelX(chart->View(), record - session.ChartState.FirstShownFrame),
              ValueToPixelY(chart->View(), rec.Value[CurveA]));
  }
  std::string Cell(int record, int column) const {
    return GetCsvField(host.table.lines[static_cast<size_t>(6 + record)], column);
  }
  double Value(int record, int column) const { return ParseDouble(Cell(record, column)).value_or(-1); }
};

struct ChartWithAvgBkg : ChartOn {
  TAvgBkg* w = nullptr;
  ChartWithAvgBkg(int objects, const std::vector<TableRowCells>& rows, int version = 3)
      : ChartOn(objects, rows, 29.97, version), w(Open<TAvgBkg>("SpeedButton1", "AvgBkg")) {}
};

// Object 1's sums of every record give 5000 - 2010 * 21 / 64 = 4340.46875.
std::vector<TableRowCells> ConstantRows(int records) {
  std::vector<TableRowCells> rows(static_cast<size_t>(records));
  for (int r = 0; r < records; ++r) {
    rows[static_cast<size_t>(r)].No = std::to_string(r) + ".0";
    rows[static_cast<size_t>(r)].Objects[0] = {"1.0", "5000", "2010", "21", "64"};
  }
  return rows;
}

// 1500 records: a 37-record wave with jitter in object 1's sums.
std::vector<TableRowCells> LongWaveRows() {
  std::vector<TableRowCells> rows(1500);
  for (int r = 0; r < 1500; ++r) {
    const long a = 6000 + std::lround(300 * std::sin(2 * M_PI * r / 37)) + (r * 7919) % 41 - 20;
    rows[static_cast<size_t>(r)].No = std::to_string(r) + ".0";
    rows[static_cast<size_t>(r)].Objects[0] = {"1.0", std::to_string(a), std::to_string(2000 + (r * 13) % 90), "21", "64"};
  }
  return rows;
}

struct FilterCase {
  const char* name;
  int mode;     // RadioGroup1 item
  int half;     // UpDown1
  int cutoff;   // Edit15
  std::vector<double> object1;
};

}  // namespace

TEST(SmoothingTruth, EveryFilterMatchesAnIndependentComputation) {
  const std::vector<FilterCase> cases = {
      {"moving average of 7, cut at both ends", 0, 3, 100,
       {5533.6016, 5572.2188, 5594.2526, 5593.9531, 5618.3348, 5599.0022, 5534.5268, 5443.7656, 5331.5759, 5219.3862,
        5128.6250, 5064.1496, 5040.1027, 5064.4844, 5124.5804, 5220.3906, 5332.9152, 5440.7254, 5536.5357, 5596.6317,
        5616.2991, 5596.9665, 5532.4911, 5437.0156, 5329.5402, 5217.3504, 5126.5893, 5066.8281, 5042.7812, 5067.1629,
        5127.2589, 5218.3549, 5330.8795, 5438.6897, 5529.7857, 5594.5960, 5614.2634, 5640.1224, 5648.7781, 5630.6953}},
      {"background only over 5", 1, 2, 100,
       {5324.4844, 5487.3516, 5627.2188, 5688.9531, 5726.6875, 5710.3281, 5603.9688, 5487.6094, 5348.2500, 5175.8906,
        5053.6250, 4941.3594, 4925.0000, 4968.6406, 5036.2812, 5179.9219, 5346.5625, 5474.2969, 5612.0312, 5712.6719,
        5723.3125, 5706.9531, 5600.5938, 5484.2344, 5338.9688, 5160.7031, 5044.3438, 4970.9844, 4921.6250, 4965.2656,
        5065.9062, 5170.6406, 5331.3750, 5465.0156, 5608.6562, 5709.2969, 5719.9375, 5703.5781, 5626.4453, 5473.3125}},
      {"Gaussian over 3", 2, 1, 100,
       {5372.0743, 5484.6012, 5611.0830, 5683.8576, 5713.9487, 5685.3137, 5596.3030, 5488.2688, 5347.1499, 5187.7802,
        5055.7481, 4960.4675, 4931.8325, 4968.1935, 5057.9597, 5190.7113, 5339.5562, 5476.4200, 5602.9018, 5687.6575,
        5712.0374, 5693.3876, 5604.3769, 5479.3512, 5331.9624, 5172.5927, 5047.5670, 4970.5373, 4946.9127, 4983.2737,
        5068.0294, 5182.5302, 5324.3687, 5461.2325, 5593.9842, 5695.7313, 5720.1113, 5691.4763, 5608.1767, 5510.8971}},
      {"Gaussian of half-width 7 uses the five-point row", 2, 7, 100,
       {5437.4235, 5508.0355, 5587.2983, 5663.0082, 5686.7058, 5658.8198, 5585.3942, 5473.9225, 5339.4510, 5198.9610,
        5074.2703, 4990.2126, 4962.3265, 4993.0232, 5077.7641, 5197.8262, 5335.1084, 5470.5018, 5583.5649, 5661.1636,
        5689.5896, 5663.2953, 5586.2366, 5468.9851, 5327.5146, 5187.4065, 5070.1550, 4995.3670, 4974.6231, 5005.3198,
        5082.9185, 5193.7110, 5323.5539, 5458.5654, 5578.6275, 5662.0060, 5694.0651, 5666.1790, 5616.6325, 5564.9542}},
      {"FFT low-pass below bin 30 of a padded 1024 block", 3, 0, 30,
       {5406.3197, 5405.8626, 5404.2309, 5401.4419, 5397.5404, 5392.5980, 5386.7121, 5380.0044, 5372.6179, 5364.7143,
        5356.4708, 5348.0756, 5339.7245, 5331.6159, 5323.9469, 5316.9083, 5310.6807, 5305.4299, 5301.3036, 5298.4275,
        5296.9027, 5296.8032, 5298.1745, 5301.0319, 5305.3609, 5311.1171, 5318.2272, 5326.5909, 5336.0831, 5346.5569,
        5357.8468, 5369.7724, 5382.1428, 5394.7604, 5407.4257, 5419.9415, 5432.1172, 5443.7727, 5454.7422, 5464.8779}},
      {"wavelet hard threshold at 0.70", 4, 0, 100,
       {5353.8691, 5353.9395, 5354.0123, 5354.0844, 5354.1913, 5354.2889, 5354.3772, 5354.4679, 5354.5494, 5354.6334,
        5354.7198, 5354.8056, 5354.8821, 5354.9610, 5355.0425, 5355.1233, 5355.2065, 5355.2892, 5355.3711, 5355.4532,
        5360.3335, 5363.9282, 5366.2371, 5368.8906, 5370.2584, 5371.9707, 5374.0275, 5375.9919, 5376.6708, 5377.6941,
        5379.0619, 5380.3373, 5381.9573, 5383.4850, 5384.9204, 5386.3805, 5386.5549, 5387.0738, 5387.9372, 5388.7084}},
  };
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.name);
    ChartWithAvgBkg f(2, WaveRows());
    ASSERT_NE(f.w, nullptr);
    Find<QRadioButton>(f.w, ("RadioGroup1_" + std::to_string(c.mode)).c_str())->click();
    Find<QSpinBox>(f.w, "UpDown1")->setValue(c.half);
    QLineEdit* cutoff = Find<QLineEdit>(f.w, "Edit15");
    cutoff->setText(QString::number(c.cutoff));
    emit cutoff->editingFinished();
    Find<QPushButton>(f.w, "Button1")->click();
    ASSERT_TRUE(f.host.Errors().empty()) << f.host.Errors()[0];
    for (int r = 0; r < 40; ++r) {
      EXPECT_NEAR(f.Value(r, 11), c.object1[static_cast<size_t>(r)], 0.05 + 1e-6) << "record " << r;
      // The chart shows what was written.
      EXPECT_NEAR(f.chart->Data().Records[static_cast<size_t>(r)].Value[CurveA], f.Value(r, 11), 1e-9) << r;
      // Object 2 was not ticked.
      EXPECT_EQ(f.Value(r, 12), 1.0) << r;
    }
    if (c.mode == 3) {
      EXPECT_EQ(Find<QLineEdit>(f.w, "Edit12")->text(), "-492");
    }
    // Noise of the raw object-1 values over records 0..39 (the edit's 100 is cut).
    if (c.mode == 4) {
      EXPECT_EQ(Find<QLineEdit>(f.w, "Edit24")->text(), "278.9");
    }
  }
}

// Object 2's block lies 17 columns after object 1's in every table version
// (from column 34, or 31 in version 1).
TEST(SmoothingTruth, SecondObjectAveragedOnItsOwnWindow) {
  for (int version : {1, 2, 3}) {
    SCOPED_TRACE(version);
    ChartWithAvgBkg f(2, WaveRows(), version);
    ASSERT_NE(f.w, nullptr);
    Find<QCheckBox>(f.w, "CheckBox1")->setChecked(false);
    Find<QCheckBox>(f.w, "CheckBox2")->setChecked(true);
    Find<QSpinBox>(f.w, "UpDown2")->setValue(1);
    Find<QPushButton>(f.w, "Button1")->click();
    const double expect[40] = {2670.6172, 2674.8281, 2677.7812, 2686.2031, 2689.1562, 2697.5781, 2706.0000, 2714.4219,
                               2722.8438, 2725.7969, 2734.2188, 2737.1719, 2745.5938, 2754.0156, 2762.4375, 2770.8594,
                               2773.8125, 2782.2344, 2790.6562, 2799.0781, 2807.5000, 2810.4531, 2818.8750, 2821.8281,
                               2830.2500, 2838.6719, 2847.0938, 2855.5156, 2858.4688, 2866.8906, 2869.8438, 2878.2656,
                               2886.6875, 2895.1094, 2903.5312, 2906.4844, 2914.9062, 2923.3281, 2931.7500, 2935.9609};
    for (int r = 0; r < 40; ++r) {
      EXPECT_NEAR(f.Value(r, 12), expect[r], 0.05 + 1e-6) << r;
      EXPECT_EQ(f.Value(r, 11), 1.0) << r;
    }
  }
}

// Frames 305..323 of the raw values: mean and sample standard deviation.
TEST(SmoothingTruth, StatisticsOverAFrameRange) {
  ChartWithAvgBkg f(2, WaveRows());
  ASSERT_NE(f.w, nullptr);
  Find<QPushButton>(f.w, "Button3")->click();  // Reset: raw values
  QLineEdit* begin = Find<QLineEdit>(f.w, "Edit10");
  QLineEdit* end = Find<QLineEdit>(f.w, "Edit11");
  begin->setText("305");
  emit begin->editingFinished();
  end->setText("323");
  emit end->editingFinished();
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit25")->text(), "5");
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit26")->text(), "23");
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit4")->text(), "5373.2");
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit7")->text(), "288.8");
}

// A constant series stays constant through every filter, also when the
// table holds only the two records the window needs.
TEST(SmoothingTruth, ConstantTablesStayConstant) {
  for (int records : {2, 9}) {
    const std::vector<TableRowCells> rows = ConstantRows(records);
    for (int mode = 0; mode <= 4; ++mode) {
      SCOPED_TRACE(std::to_string(records) + " records, mode " + std::to_string(mode));
      ChartWithAvgBkg f(1, rows);
      ASSERT_NE(f.w, nullptr);
      Find<QRadioButton>(f.w, ("RadioGroup1_" + std::to_string(mode)).c_str())->click();
      Find<QSpinBox>(f.w, "UpDown1")->setValue(mode <= 2 ? 3 : 0);
      Find<QPushButton>(f.w, "Button1")->click();
      ASSERT_TRUE(f.host.Errors().empty()) << f.host.Errors()[0];
      for (int r = 0; r < records; ++r) EXPECT_EQ(f.Cell(r, 11), "4340.5");
      EXPECT_EQ(Find<QLineEdit>(f.w, "Edit4")->text(), "4340.5");
      EXPECT_EQ(Find<QLineEdit>(f.w, "Edit7")->text(), "0.0");
    }
  }
}

// Target 1500 and comparison 800 dimmed together by a linear trend
// (1 - 0.01 k), with a dip of the target alone at records 20..22; the
// reference is record 5 (trend 0.95). Inside the table the window's mean of a
// linear comparison is the comparison itself, so the corrected target is
// 1500 x 0.95 = 1425 (half of it in the dip); at the ends the window is cut.
TEST(SmoothingTruth, AbsorptionCorrectionFlattensACommonTrend) {
  struct Case {
    int half;
    std::vector<std::pair<int, const char*>> ends;  // record, corrected target
  };
  // 1500 x 760 / 796, 1065 x 760 / 572; 1500 x 760 / 792, 1485 x 760 / 788,
  // 1080 x 760 / 580, 1065 x 760 / 576.
  const Case cases[] = {{1, {{0, "1432.2"}, {29, "1415.0"}}},
                        {2, {{0, "1439.4"}, {1, "1432.2"}, {28, "1415.2"}, {29, "1405.2"}}}};
  std::vector<TableRowCells> rows(30);
  for (int k = 0; k < 30; ++k) {
    TableRowCells& row = rows[static_cast<size_t>(k)];
    row.No = std::to_string(k) + ".0";
    const double trend = 1 - 0.01 * k;
    row.Objects[0].Value = FormatFixed(1500 * trend * (k >= 20 && k <= 22 ? 0.5 : 1), 1, 8);
    row.Objects[1].Value = FormatFixed(800 * trend, 1, 8);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.half);
    ChartOn f(2, rows);
    f.ClickRecord(5);
    ASSERT_EQ(f.session.ChartState.SelectedFrame, 5);
    auto* w = f.Open<TCorrection>("Button11", "Correction");
    ASSERT_NE(w, nullptr);
    Find<QSpinBox>(w, "UpDown1")->setValue(c.half);
    Find<QPushButton>(w, "Button1")->click();
    ASSERT_TRUE(f.host.Errors().empty()) << f.host.Errors()[0];
    EXPECT_EQ(Find<QLineEdit>(w, "Edit5")->text(), "760.00000");
    for (int k = 0; k < 30; ++k) {
      std::string expect = k >= 20 && k <= 22 ? "712.5" : "1425.0";
      for (const auto& [record, text] : c.ends)
        if (record == k) expect = text;
      EXPECT_EQ(f.Cell(k, 11), expect) << k;
      EXPECT_EQ(f.Cell(k, 12), "760.0") << k;
      EXPECT_NEAR(f.chart->Data().Records[static_cast<size_t>(k)].Value[CurveA], f.Value(k, 11), 1e-9) << k;
    }
  }
}

// A sinusoid of 50 cycles per 1024 records: its line is the 51st of the
// listing, at 50 x rate / 1024 Hz, where the rate is the recording's frame
// rate, doubled for field records and halved for every second frame. The
// noise-reduction window tells bin 100 likewise. A record repeated, or frames
// missing, between the first two records leave the spacing of the table's
// other records as it is.
TEST(SmoothingTruth, SpectrumPeakSitsAtTheSinusoidsFrequency) {
  enum class Second { Regular, Repeated, AfterAGap };
  struct Case {
    double rate;
    bool fields;
    int step;               // frames from record to record
    const char* frequency;  // of line 50
    const char* cutoff;     // Edit16 for bin 100
    Second second = Second::Regular;
  };
  for (const Case& c :
       {Case{29.97, false, 1, "1.463379", "2.9"}, Case{25, false, 1, "1.220703", "2.4"},
        Case{29.97, true, 1, "2.926758", "5.9"}, Case{29.97, false, 2, "0.731689", "1.5"},
        Case{29.97, false, 2, "0.731689", "1.5", Second::Repeated},
        Case{29.97, false, 2, "0.731689", "1.5", Second::AfterAGap},
        Case{29.97, true, 1, "2.926758", "5.9", Second::AfterAGap},
        Case{29.97, false, 1, "1.463379", "2.9", Second::AfterAGap}}) {
    SCOPED_TRACE(std::string(c.frequency) + (c.second == Second::Regular ? "" : " second record moved"));
    std::vector<double> v(1100);
    for (size_t i = 0; i < v.size(); ++i) v[i] = 1000 + 100 * std::sin(2 * M_PI * 50 * static_cast<double>(i) / 1024);
    std::vector<TableRowCells> rows = RowsFromValues({v}, 0, c.fields);
    if (c.step > 1)
      for (size_t r = 0; r < rows.size(); ++r) rows[r].No = std::to_string(c.step * r) + ".0";
    // The first record's frame number moved: equal to the second's, or 7
    // frames before where it belongs.
    const double second_no = ParseDouble(rows[1].No).value_or(0);
    if (c.second == Second::Repeated) rows[0].No = rows[1].No;
    if (c.second == Second::AfterAGap) rows[0].No = FormatFixed(ParseDouble(rows[0].No).value_or(0) - 7, 1, 8);
    ASSERT_TRUE(c.second != Second::Repeated || ParseDouble(rows[0].No) == second_no);
    ChartOn f(1, rows, c.rate);
    auto* avg = f.Open<TAvgBkg>("SpeedButton1", "AvgBkg");
    ASSERT_NE(avg, nullptr);
    EXPECT_EQ(Find<QLineEdit>(avg, "Edit16")->text().toStdString(), c.cutoff);
    auto* w = f.Open<TFFT1>("Button10", "FFT1");
    ASSERT_NE(w, nullptr);
    Find<QPushButton>(w, "Button1")->click();
    const QStringList lines = Find<QPlainTextEdit>(w, "Memo1")->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 512);
    EXPECT_NEAR(lines[0].split(',')[1].toDouble(), 1000, 0.01);
    int peak = 1;
    for (int k = 1; k < 512; ++k)
      if (lines[k].split(',')[1].toDouble() > lines[peak].split(',')[1].toDouble()) peak = k;
    EXPECT_EQ(peak, 50);
    EXPECT_EQ(lines[50].split(',')[0].toStdString(), c.frequency);
    EXPECT_NEAR(lines[50].split(',')[1].toDouble(), 100, 0.01);
  }
}

// Frames 305..309 of a table of field records (frame N in records N.0 and
// N.5) are records 10..19, whether or not the main window's 'Field Measure'
// is ticked now; in a table of frame records they are records 5..9.
TEST(SmoothingTruth, StatisticsCountFramesAsTheTableHoldsThem) {
  struct Case {
    bool field_records, field_measure;
    const char *mean, *sd;
  };
  for (const Case& c : {Case{true, true, "114.5", "3.0"}, Case{true, false, "114.5", "3.0"},
                        Case{false, false, "107.0", "1.6"}, Case{false, true, "107.0", "1.6"}}) {
    SCOPED_TRACE(std::to_string(c.field_records) + std::to_string(c.field_measure));
    std::vector<double> v(c.field_records ? 40 : 20);
    for (size_t r = 0; r < v.size(); ++r) v[r] = 100 + static_cast<double>(r);
    ChartOn f(1, RowsFromValues({v}, 300, c.field_records));
    f.host.field_measure = c.field_measure;
    auto* w = f.Open<TAvgBkg>("SpeedButton1", "AvgBkg");
    ASSERT_NE(w, nullptr);
    QLineEdit* begin = Find<QLineEdit>(w, "Edit10");
    QLineEdit* end = Find<QLineEdit>(w, "Edit11");
    begin->setText("305");
    emit begin->editingFinished();
    end->setText("309");
    emit end->editingFinished();
    EXPECT_EQ(Find<QLineEdit>(w, "Edit4")->text().toStdString(), c.mean);
    EXPECT_EQ(Find<QLineEdit>(w, "Edit7")->text().toStdString(), c.sd);
  }
}

// A table measured every second frame (frames 300, 302, ..., 338): the frame
// range reaches its last frame, and frames 305..309 are records 3 and 4.
TEST(SmoothingTruth, StatisticsOfATableMeasuredEverySecondFrame) {
  std::vector<double> v(20);
  for (size_t r = 0; r < v.size(); ++r) v[r] = 100 + static_cast<double>(r);
  std::vector<TableRowCells> rows = RowsFromValues({v});
  for (size_t r = 0; r < rows.size(); ++r) rows[r].No = std::to_string(300 + 2 * r) + ".0";
  ChartOn f(1, rows);
  auto* w = f.Open<TAvgBkg>("SpeedButton1", "AvgBkg");
  ASSERT_NE(w, nullptr);
  QLineEdit* begin = Find<QLineEdit>(w, "Edit10");
  QLineEdit* end = Find<QLineEdit>(w, "Edit11");
  EXPECT_EQ(end->text(), "338");
  EXPECT_EQ(Find<QLineEdit>(w, "Edit4")->text(), "109.5");
  struct Case {
    const char *begin, *end, *mean, *sd;
  };
  // Records 0..15; records 3..4.
  for (const Case& c : {Case{"300", "330", "107.5", "4.8"}, Case{"305", "309", "103.5", "0.7"}}) {
    SCOPED_TRACE(c.end);
    begin->setText(c.begin);
    emit begin->editingFinished();
    end->setText(c.end);
    emit end->editingFinished();
    EXPECT_EQ(end->text().toStdString(), c.end);
    EXPECT_EQ(Find<QLineEdit>(w, "Edit4")->text().toStdString(), c.mean);
    EXPECT_EQ(Find<QLineEdit>(w, "Edit7")->text().toStdString(), c.sd);
  }
}

// A table longer than the block: only records S..S+1023 are transformed
// (numpy on the same block), the others keep their unfiltered values.
TEST(SmoothingTruth, TransformsOfALongTableFilterTheirBlockOnly) {
  const std::vector<TableRowCells> rows = LongWaveRows();
  struct Case {
    int mode;
    const char* start;
    std::vector<std::pair<int, double>> values;
  };
  const Case cases[] = {
      {3, "100", {{0, 5323.75}, {99, 5066.8906}, {100, 5306.4678}, {101, 5267.5256}, {600, 5621.8816},
                  {1123, 5347.5827}, {1124, 5541.25}, {1499, 5298.3281}}},
      {4, "400", {{399, 5028.0469}, {400, 5281.1035}, {401, 5256.8338}, {900, 5571.5830}, {1423, 5306.2276},
                  {1424, 5344.4062}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ChartWithAvgBkg f(1, rows);
    ASSERT_NE(f.w, nullptr);
    Find<QRadioButton>(f.w, "RadioGroup1_3")->click();
    Find<QLineEdit>(f.w, "Edit12")->setText(c.start);
    Find<QLineEdit>(f.w, "Edit15")->setText("40");
    Find<QRadioButton>(f.w, ("RadioGroup1_" + std::to_string(c.mode)).c_str())->click();
    Find<QPushButton>(f.w, "Button1")->click();
    ASSERT_TRUE(f.host.Errors().empty()) << f.host.Errors()[0];
    EXPECT_EQ(Find<QLineEdit>(f.w, "Edit12")->text(), c.start);
    for (const auto& [record, value] : c.values) EXPECT_NEAR(f.Value(record, 11), value, 0.05 + 1e-6) << record;
    if (c.mode == 4) {
      EXPECT_EQ(Find<QLineEdit>(f.w, "Edit24")->text(), "208.3");
    }
  }
}

// A block longer than the table leaves a start below 0 in "Processed from";
// a shorter block chosen next, which the table fills, starts at record 0
// again instead of lying wholly before the table and filtering nothing.
// Values of the 512-record low-pass from numpy.
TEST(SmoothingTruth, ShorterBlockAfterALongerOneStartsAtTheTable) {
  ChartWithAvgBkg f(1, LongWaveRows());
  ASSERT_NE(f.w, nullptr);
  Find<QRadioButton>(f.w, "RadioGroup1_3")->click();
  Find<QLineEdit>(f.w, "Edit15")->setText("40");
  Find<QRadioButton>(f.w, "RadioGroup2_1")->click();  // 4096
  Find<QPushButton>(f.w, "Button1")->click();
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit12")->text(), "-1298");  // (1499 - 4095) / 2
  Find<QRadioButton>(f.w, "RadioGroup2_0")->click();  // 512
  Find<QPushButton>(f.w, "Button1")->click();
  ASSERT_TRUE(f.host.Errors().empty()) << f.host.Errors()[0];
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit12")->text(), "0");
  const std::pair<int, double> values[] = {{0, 5236.0428}, {1, 5311.0771}, {255, 5139.4998}, {510, 5107.2655},
                                           {511, 5166.4747}, {512, 5078.53125}, {1499, 5298.328125}};
  for (const auto& [record, value] : values) EXPECT_NEAR(f.Value(record, 11), value, 0.05 + 1e-6) << record;
}

// Choosing "Wavelet" puts the block back at 1024 records, and the cut-off's
// frequency read-out follows it.
TEST(SmoothingTruth, WaveletModeTellsTheCutoffForItsBlock) {
  ChartWithAvgBkg f(1, WaveRows());
  ASSERT_NE(f.w, nullptr);
  Find<QRadioButton>(f.w, "RadioGroup1_3")->click();
  Find<QRadioButton>(f.w, "RadioGroup2_1")->click();  // 4096
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit16")->text(), "0.7");  // 100 x 29.97 / 4096
  Find<QRadioButton>(f.w, "RadioGroup1_4")->click();
  EXPECT_EQ(f.session.FftLength, 1024);
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit16")->text(), "2.9");  // 100 x 29.97 / 1024
}

// A table one record shorter than the block (1023 records) is padded with its
// last value like any shorter one, so a constant stays constant through both
// transforms.
TEST(SmoothingTruth, TransformsOfATableJustShorterThanTheBlock) {
  for (int records : {1022, 1023}) {
    const std::vector<TableRowCells> rows = ConstantRows(records);
    for (int mode : {3, 4}) {
      SCOPED_TRACE(std::to_string(records) + " records, mode " + std::to_string(mode));
      ChartWithAvgBkg f(1, rows);
      ASSERT_NE(f.w, nullptr);
      Find<QRadioButton>(f.w, ("RadioGroup1_" + std::to_string(mode)).c_str())->click();
      Find<QPushButton>(f.w, "Button1")->click();
      int off = 0;
      for (int r = 0; r < records; ++r) off += f.Cell(r, 11) != "4340.5";
      EXPECT_EQ(off, 0) << "first " << f.Cell(0, 11) << ", last " << f.Cell(records - 1, 11);
    }
  }
}

// The correction smooths over neighbouring records whatever their frame
// numbers and times: field rows, every second frame, a repeated or a missing
// frame between the first records give the same table as evenly spaced
// frames. Truth from numpy: the comparison's mean over 2 records either side
// (cut at the ends), the target scaled by the mean at record 6 (730.4).
TEST(SmoothingTruth, AbsorptionCorrectionCountsRecordsNotTimes) {
  const double expected[12] = {1287.8589, 1311.6060, 1332.2586, 1360.3629, 1396.9505, 1434.9608,
                               1466.0000, 1506.7050, 1549.0810, 1583.5545, 1609.4914, 1640.9725};
  struct Numbering {
    const char* name;
    const char* no[12];
    const char* s[12];
  };
  const Numbering cases[] = {
      {"field rows, a field repeated, then a gap",
       {"100.0", "100.5", "100.5", "104.0", "104.5", "105.0", "105.5", "106.0", "106.5", "107.0", "107.5", "108.0"},
       {"1.0000", "1.0167", "1.0167", "1.1334", "1.1501", "1.1668", "1.1835", "1.2002", "1.2169", "1.2336", "1.2503",
        "1.2670"}},
      {"every second frame, a gap after the second",
       {"10.0", "12.0", "30.0", "32.0", "34.0", "36.0", "38.0", "40.0", "42.0", "44.0", "46.0", "48.0"},
       {"5.0000", "5.0667", "5.6673", "5.7340", "5.8007", "5.8674", "5.9341", "6.0008", "6.0675", "6.1342", "6.2009",
        "6.2676"}},
  };
  for (const Numbering& n : cases) {
    SCOPED_TRACE(n.name);
    std::vector<TableRowCells> rows(12);
    for (int k = 0; k < 12; ++k) {
      TableRowCells& row = rows[static_cast<size_t>(k)];
      row.No = n.no[k];
      row.H = "23", row.M = "59", row.S = n.s[k];
      row.Objects[0].Value = FormatFixed(1400 + 11 * k, 1, 8);
      row.Objects[1].Value = FormatFixed(800 - 13 * k + (k % 3) * 7, 1, 8);
    }
    ChartOn f(2, rows);
    f.ClickRecord(6);
    ASSERT_EQ(f.session.ChartState.SelectedFrame, 6);
    auto* w = f.Open<TCorrection>("Button11", "Correction");
    ASSERT_NE(w, nullptr);
    Find<QSpinBox>(w, "UpDown1")->setValue(2);
    Find<QPushButton>(w, "Button1")->click();
    ASSERT_TRUE(f.host.Errors().empty()) << f.host.Errors()[0];
    EXPECT_EQ(Find<QLineEdit>(w, "Edit5")->text(), "730.40000");
    for (int k = 0; k < 12; ++k) {
      EXPECT_NEAR(f.Value(k, 11), expected[k], 0.05) << k;
      EXPECT_EQ(f.Cell(k, 12), "730.4") << k;
      EXPECT_EQ(f.Cell(k, 1), n.no[k]) << k;
    }
  }
}
