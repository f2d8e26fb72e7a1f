// A synthetic mutual event through the mutual-event window: a Gaussian dip of
// depth 0.3 and centre 35.3 s in a target of 10000 with uniform noise of
// sd 50, 1920 frames at 29.97 per second averaged 16 to a unit. The expected
// coefficients, minimum times and residuals were computed once with
// numpy.polyfit on the same units (times of the units' middle frames).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "chart/MutualFit.h"
#include "chart/ui/TMutual_Average.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"

namespace {

constexpr double kRate = 29.97;

// Frame r (0-based) lies r / 29.97 s after `start` (seconds of the day); with
// `video_time` its time of day is written in columns 4, 5 and 7 as a time
// inserter's would be. Object 2, the comparison of 2000, and the target fade
// together by `fade` a second.
std::vector<std::string> DipTable(bool video_time, double start = 3 * 3600 + 7 * 60, double fade = 0) {
  uint64_t lcg = 12345;
  std::vector<TableRowCells> rows(1920);
  for (int r = 0; r < 1920; ++r) {
    lcg = (1103515245 * lcg + 12345) % 2147483648ULL;
    const double noise = (static_cast<double>(lcg) / 2147483648.0 - 0.5) * std::sqrt(12.0);
    const double t = r / kRate;
    const double dip = 0.3 * std::exp(-std::pow((t - 35.3) / 8, 2));
    TableRowCells& row = rows[static_cast<size_t>(r)];
    row.No = std::to_string(r) + ".0";
    row.Objects[0].Value = FormatFixed((10000 * (1 - dip) + 50 * noise) * (1 - fade * t), 3, 12);
    row.Objects[1].Value = FormatFixed(2000 * (1 - fade * t), 3, 12);
    if (video_time) {
      const double day = std::fmod(start + t, 86400);
      const int hour = static_cast<int>(day / 3600), minute = static_cast<int>((day - 3600 * hour) / 60);
      row.H = std::to_string(hour);
      row.M = std::to_string(minute);
      row.EndS = FormatFixed(day - 3600 * hour - 60 * minute, 7, 12);
    }
  }
  return BuildResultTable(3, 2, rows);
}

struct MutualWindow {
  FakeHost host;
  uint8_t open = 1;
  QPointer<TMutual_Average> w;
  explicit MutualWindow(bool video_time, double start = 3 * 3600 + 7 * 60, double fade = 0)
      : MutualWindow(DipTable(video_time, start, fade)) {
    host.object_count = 2;
  }
  explicit MutualWindow(std::vector<std::string> lines) {
    host.timing_frame_rate = kRate;
    host.table.lines = std::move(lines);
    w = new TMutual_Average(host, &open);
  }
  ~MutualWindow() { delete w.data(); }
  void Type(const char* name, const char* text) {
    QLineEdit* e = Find<QLineEdit>(w, name);
    e->setText(text);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(e, &press);
  }
  void Click(const char* name) { Find<QPushButton>(w, name)->click(); }
  // Units of 16 frames, the event marked as units 45..89 (12 s either side
  // of the centre).
  void CalculateAndMark() {
    Find<QComboBox>(w, "ComboBox1")->setCurrentIndex(4);
    Click("Button1");
    Type("Edit8", "45");
    Type("Edit9", "89");
  }
  std::string Text(const char* name) { return Find<QLineEdit>(w, name)->text().toStdString(); }
};

struct TimeCase {
  const char* name;
  int setting;  // RadioGroup1 item
  std::vector<const char*> typed;  // Edit2..Edit7
};

struct DegreeCase {
  int item;  // ComboBox4
  const char* minimum;
  const char* residual;
  std::vector<double> coefficients;  // numpy.polyfit, ascending powers of seconds from unit 1
};

}  // namespace

TEST(MutualTruth, FitFindsTheDipsCentreAndDepth) {
  const TimeCase times[] = {
      {"based on the first frame", 1, {"3", "7", "0"}},
      // 1919 frame intervals later.
      {"first and last frame", 2, {"3", "7", "0", "3", "8", "4.030697"}},
      {"read from the video", 0, {}},
  };
  const DegreeCase degrees[] = {
      {0, "3h 7m 35.4s", "233.7", {32374.2763971, -1428.19101332, 20.34592591}},
      {2, "3h 7m 35.3s", "44.5", {-164892.489948, 22292.3209694, -1030.01496647, 20.3093446466, -0.144793217694}},
      {6, "3h 7m 35.3s", "11.5", {}},
  };
  for (const TimeCase& tc : times) {
    MutualWindow f(tc.setting == 0);
    ASSERT_NE(f.w, nullptr);
    Find<TRadioGroup>(f.w, "RadioGroup1")->Item(tc.setting)->click();
    const char* edits[] = {"Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7"};
    for (size_t i = 0; i < tc.typed.size(); ++i) f.Type(edits[i], tc.typed[i]);
    f.CalculateAndMark();
    ASSERT_EQ(f.w->Units().size(), 121u);
    for (const DegreeCase& d : degrees) {
      SCOPED_TRACE(std::string(tc.name) + ", degree item " + std::to_string(d.item));
      Find<QComboBox>(f.w, "ComboBox4")->setCurrentIndex(d.item);
      f.Click("Button6");
      ASSERT_TRUE(f.host.Errors().empty()) << f.host.Errors()[0];
      EXPECT_EQ(f.Text("Edit10"), d.minimum);
      EXPECT_EQ(f.Text("Edit11"), d.residual);
      const QStringList memo = Find<QPlainTextEdit>(f.w, "Memo2")->toPlainText().split('\n');
      for (size_t k = 0; k < d.coefficients.size(); ++k) {
        const QStringList parts = memo[static_cast<int>(k)].split(' ');
        ASSERT_EQ(parts.size(), 2);
        EXPECT_EQ(parts[0].toInt(), static_cast<int>(k));
        EXPECT_NEAR(parts[1].toDouble(), d.coefficients[k], 1e-7 * std::fabs(d.coefficients[k])) << k;
      }
      // The parabola's slope, negated for a fading event: -(c1 + 2 c2 x) at
      // units 45, 67 and 89.
      if (d.item == 0) {
        ASSERT_EQ(memo.size(), 3 + 45);
        EXPECT_EQ(memo[3].toStdString(), "3,7,23.7237,472.3");
        EXPECT_EQ(memo[25].toStdString(), "3,7,35.4688,-5.6");
        EXPECT_EQ(memo[47].toStdString(), "3,7,47.2139,-483.5");
      }
    }
    // Degree 8: the minimum lies within a frame of the true centre (the unit's
    // middle frame is half a frame before its mean time), and the depth
    // within the unit noise (12.5) of 0.3.
    const std::string text = f.Text("Edit10");
    const double seconds = std::stod(text.substr(text.rfind(' ') + 1));
    EXPECT_NEAR(seconds, 35.3, 0.1);
    const double x_min = seconds - MutualUnitSeconds(f.w->Units()[1]) + 3 * 3600 + 7 * 60;
    EXPECT_NEAR(static_cast<double>(EvalFitPolynomial(f.w->Model(), x_min)), 7000, 12.5);
  }
}

// Video times running over a whole hour (and over midnight): the unit whose
// stamp reads the new hour's first 0.02 s keeps its minute 0; one whose stamp
// still shows the old hour and minute is moved on to the new hour's minute 0,
// a frame interval after the unit before it.
TEST(MutualTruth, VideoTimesCrossingTheHourKeepTheirMinute) {
  struct Case {
    const char* before_hour;
    const char* after_hour;
    bool stamp_lags;  // the fourth row's stamp still reads the old hour and minute
    const char* fourth_unit;
  };
  for (const Case& c : {Case{"3", "4", false, " 4  0  0.010,"}, Case{"23", "0", false, " 0  0  0.010,"},
                        Case{"3", "4", true, " 4  0  0.010,"}, Case{"23", "0", true, " 0  0  0.010,"}}) {
    SCOPED_TRACE(std::string(c.before_hour) + (c.stamp_lags ? ", lagging stamp" : ""));
    FakeHost host;
    std::vector<TableRowCells> rows(6);
    const char* seconds[] = {"59.9100", "59.9434", "59.9767", "00.0100", "00.0434", "00.0767"};
    for (int r = 0; r < 6; ++r) {
      TableRowCells& row = rows[static_cast<size_t>(r)];
      const bool old_stamp = r < 3 || (r == 3 && c.stamp_lags);
      row.No = std::to_string(r) + ".0";
      row.H = old_stamp ? c.before_hour : c.after_hour;
      row.M = old_stamp ? "59" : "0";
      row.EndS = seconds[r];
      row.Objects[0].Value = "1000.0";
    }
    host.table.lines = BuildResultTable(3, 1, rows);
    uint8_t open = 1;
    TMutual_Average w(host, &open);
    Find<TRadioGroup>(&w, "RadioGroup1")->Item(0)->click();
    Find<QComboBox>(&w, "ComboBox1")->setCurrentIndex(0);  // 1 frame
    Find<QPushButton>(&w, "Button1")->click();
    const QStringList memo = Find<QPlainTextEdit>(&w, "Memo1")->toPlainText().split('\n');
    ASSERT_EQ(memo.size(), 6);
    EXPECT_TRUE(memo[3].startsWith(c.fourth_unit)) << memo[3].toStdString();
    const TypAvgDataArray& units = w.Units();
    long double from_third = MutualUnitSeconds(units[4]) - MutualUnitSeconds(units[3]);
    if (from_third < -43200) from_third += 86400;
    EXPECT_NEAR(static_cast<double>(from_third), 0.0333, 1e-9);
  }
}

// The same dip recorded from 23:59:40: the video times pass midnight 20 s in,
// and the fit still sees the units a frame interval apart.
TEST(MutualTruth, FitOverMidnightFromVideoTimes) {
  MutualWindow f(true, 86400 - 20);
  Find<TRadioGroup>(f.w, "RadioGroup1")->Item(0)->click();
  f.CalculateAndMark();
  f.Click("Button6");  // degree 8
  EXPECT_EQ(f.Text("Edit10"), "0h 0m 15.3s");
  EXPECT_EQ(f.Text("Edit11"), "11.5");
  // The range search keeps a fit at least as close.
  f.Click("Button5");
  ASSERT_TRUE(SpinUntil([&] { return Find<QPushButton>(f.w, "Button5")->text() == "Button5"; }, 20000));
  EXPECT_EQ(f.Text("Edit10"), "0h 0m 15.3s");
  EXPECT_LE(std::stod(f.Text("Edit11")), 11.5);
}

// "Based on First Frame" times a row by its frame number: rows measured every
// second frame, field rows (N.0, N.5) and a table with rows taken out are
// timed where their frames lie, 3:07:00 being the first row's time.
TEST(MutualTruth, TypedTimesFollowTheRowsFrameNumbers) {
  struct Case {
    const char* name;
    std::vector<const char*> numbers;
    const char* third_unit;  // frame 4, 1, 0.5 and 5 after the first: x / 29.97 s
  };
  const Case cases[] = {
      {"every frame", {"100.0", "101.0", "102.0", "103.0"}, " 3  7  0.067,"},
      {"every second frame", {"100.0", "102.0", "104.0", "106.0"}, " 3  7  0.133,"},
      {"field rows", {"100.0", "100.5", "101.0", "101.5"}, " 3  7  0.033,"},
      {"rows taken out", {"100.0", "101.0", "105.0", "106.0"}, " 3  7  0.167,"},
      // Numbers that do not rise tell nothing: one row a frame.
      {"numbers standing still", {"5.0", "5.0", "5.0", "5.0"}, " 3  7  0.067,"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHost host;
    std::vector<TableRowCells> rows(c.numbers.size());
    for (size_t r = 0; r < rows.size(); ++r) {
      rows[r].No = c.numbers[r];
      rows[r].Objects[0].Value = "1000.0";
    }
    host.table.lines = BuildResultTable(3, 1, rows);
    uint8_t open = 1;
    TMutual_Average w(host, &open);
    for (auto [edit, text] : {std::pair{"Edit2", "3"}, std::pair{"Edit3", "7"}, std::pair{"Edit4", "0"}})
      Find<QLineEdit>(&w, edit)->setText(text);
    Find<QComboBox>(&w, "ComboBox1")->setCurrentIndex(0);  // 1 frame
    Find<QPushButton>(&w, "Button1")->click();
    const QStringList memo = Find<QPlainTextEdit>(&w, "Memo1")->toPlainText().split('\n');
    ASSERT_EQ(memo.size(), 4);
    EXPECT_TRUE(memo[2].startsWith(c.third_unit)) << memo[2].toStdString();
  }
}

// Target and comparison fading together by 0.2 % a second: the target over
// the smoothed, normalised comparison keeps the dip's centre and depth, on a
// level of 10000 times the comparison's mean (1 - 0.002 x 32.0 s). Unit 10
// lies well before the dip.
TEST(MutualTruth, ComparisonStarTakesOutACommonFade) {
  MutualWindow f(false, 3 * 3600 + 7 * 60, 0.002);
  Find<QCheckBox>(f.w, "CheckBox1")->setChecked(false);  // object 2 is the comparison
  for (auto [edit, text] : {std::pair{"Edit2", "3"}, std::pair{"Edit3", "7"}, std::pair{"Edit4", "0"}})
    f.Type(edit, text);
  f.CalculateAndMark();
  f.Click("Button6");  // degree 8
  EXPECT_EQ(f.Text("Edit10"), "3h 7m 35.3s");
  const double level = 10000 * (1 - 0.002 * 959.5 / kRate);  // at the mean time of the 1920 frames
  const TypAvgDataArray& units = f.w->Units();
  EXPECT_NEAR(static_cast<double>(units[10].TargetRatio), level, 30);  // the unit noise is 12.5
  EXPECT_NEAR(static_cast<double>(units[10].ComparisonRatio), level / 5, 0.5);
  const std::string text = f.Text("Edit10");
  const double x_min = std::stod(text.substr(text.rfind(' ') + 1)) - MutualUnitSeconds(units[1]) + 3 * 3600 + 7 * 60;
  EXPECT_NEAR(static_cast<double>(EvalFitPolynomial(f.w->Model(), x_min)) / level, 0.7, 0.002);
}

// Noise-free dips, fitted where the model's powers of seconds from unit 1 are
// large, its values high or its units far apart. Residuals, minimum times
// and the true vertices were computed with numpy (Polynomial.fit on the
// same units); the minimum is the 0.1-s grid point around the lowest unit.
TEST(MutualTruth, FitHoldsFarFromUnitOneForBrightTargetsAndWideUnits) {
  struct Case {
    const char* name;
    int rows;
    double row_seconds, level, mid, width;
    int unit_item;            // ComboBox1
    bool first_and_last;      // else 'Based on First Frame'
    int first, last, degree_item;
    const char* minimum;      // also the true vertex, to 0.1 s
    const char* residual;
  };
  const Case cases[] = {
      // Degree 14 over 10 s of units 85 s after unit 1.
      {"far from unit 1", 3000, 1 / kRate, 10000, 90, 2, 0, false, 2548, 2848, 12, "3h 8m 30.0s", "0.2"},
      // Ratios above a million.
      {"bright target", 3000, 1 / kRate, 2e6, 90, 2, 0, false, 2548, 2848, 6, "3h 8m 30.0s", "4456.5"},
      // Units 4 s apart; the vertex lies 1.5 s from the lowest unit.
      {"wide units", 400, 0.5, 10000, 100.3, 30, 3, true, 10, 40, 0, "3h 8m 39.0s", "437.6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TableRowCells> rows(static_cast<size_t>(c.rows));
    for (int r = 0; r < c.rows; ++r) {
      const double x = r * c.row_seconds;
      rows[static_cast<size_t>(r)].No = std::to_string(r) + ".0";
      rows[static_cast<size_t>(r)].Objects[0].Value =
          FormatFixed(c.level * (1 - 0.3 * std::exp(-std::pow((x - c.mid) / c.width, 2))), 3, 12);
    }
    MutualWindow f(BuildResultTable(3, 1, rows));
    Find<TRadioGroup>(f.w, "RadioGroup1")->Item(c.first_and_last ? 2 : 1)->click();
    for (auto [edit, text] : {std::pair{"Edit2", "3"}, std::pair{"Edit3", "7"}, std::pair{"Edit4", "0"},
                              std::pair{"Edit5", "3"}, std::pair{"Edit6", "10"}, std::pair{"Edit7", "19.5"}})
      f.Type(edit, text);
    Find<QComboBox>(f.w, "ComboBox1")->setCurrentIndex(c.unit_item);
    f.Click("Button1");
    f.Type("Edit8", std::to_string(c.first).c_str());
    f.Type("Edit9", std::to_string(c.last).c_str());
    Find<QComboBox>(f.w, "ComboBox4")->setCurrentIndex(c.degree_item);
    f.Click("Button6");
    ASSERT_TRUE(f.host.Errors().empty()) << f.host.Errors()[0];
    EXPECT_EQ(f.Text("Edit10"), c.minimum);
    EXPECT_EQ(f.Text("Edit11"), c.residual);
  }
}

// Typed times run on past 24 h; a unit whose seconds round up to midnight
// belongs to that run (23:59:59.9996 + k / 29.97 s), not to a new day's 0 h.
TEST(MutualTruth, TypedTimesRoundingUpToMidnightRunOnPast24Hours) {
  std::vector<TableRowCells> rows(3);
  for (size_t r = 0; r < rows.size(); ++r) {
    rows[r].No = std::to_string(r) + ".0";
    rows[r].Objects[0].Value = "1000.0";
  }
  MutualWindow f(BuildResultTable(3, 1, rows));
  for (auto [edit, text] : {std::pair{"Edit2", "23"}, std::pair{"Edit3", "59"}, std::pair{"Edit4", "59.9996"}})
    f.Type(edit, text);
  Find<QComboBox>(f.w, "ComboBox1")->setCurrentIndex(0);  // 1 frame
  f.Click("Button1");
  const QStringList memo = Find<QPlainTextEdit>(f.w, "Memo1")->toPlainText().split('\n');
  ASSERT_EQ(memo.size(), 3);
  const char* times[] = {"24  0  0.000,", "24  0  0.033,", "24  0  0.066,"};
  for (int u = 0; u < 3; ++u) EXPECT_TRUE(memo[u].startsWith(times[u])) << memo[u].toStdString();
}
