// The noise-reduction window's whole-number edits (block start, cut-off bin,
// band, noise range) holding a text that is no whole number, a cut-off below
// 0, or a noise range with no record in it, when "Apply" is pressed: a clear
// message and the table as it was, never a block, band or noise silently
// taken as 0.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <string>
#include <vector>

#include "chart/ui/TAvgBkg.h"
#include "chart/ui/Tchart1.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"

namespace {

// Object 1 with sums that give a slow wave around 4300.
std::vector<TableRowCells> WaveRows(int records) {
  std::vector<TableRowCells> rows;
  for (int r = 0; r < records; ++r) {
    TableRowCells row;
    row.No = std::to_string(r) + ".0";
    row.Objects[0] = {"1.0", std::to_string(6000 + (r % 16) * 25), "2010", "21", "64"};
    rows.push_back(row);
  }
  return rows;
}

struct EditCase {
  const char* name;
  int mode;          // RadioGroup1 item: 3 FFT, 4 wavelet
  const char* edit;  // designer name
  const char* text;
  const char* message = nullptr;  // the message told, when not the integer one
};

class NoiseReductionEdits : public ::testing::TestWithParam<EditCase> {};

TEST_P(NoiseReductionEdits, TextThatIsNoWholeNumberIsToldAndChangesNothing) {
  const EditCase& c = GetParam();
  FakeHost host;
  ChartSession session;
  ChartEventState events;
  host.table.lines = BuildResultTable(3, 1, WaveRows(40));
  host.AnalyseEvents(events);
  QPointer<Tchart1> chart = new Tchart1(host, session, events);
  Find<QPushButton>(chart, "SpeedButton1")->click();
  auto* w = chart->findChild<TAvgBkg*>("AvgBkg");
  ASSERT_NE(w, nullptr);
  Find<QRadioButton>(w, ("RadioGroup1_" + std::to_string(c.mode)).c_str())->click();
  Find<QLineEdit>(w, c.edit)->setText(c.text);
  const std::vector<std::string> before = host.table.lines;
  Find<QPushButton>(w, "Button1")->click();
  EXPECT_TRUE(host.table.lines == before) << "the table changed";
  ASSERT_EQ(host.Errors().size(), 1u);
  EXPECT_EQ(host.Errors()[0],
            c.message ? std::string(c.message) : std::string("'") + c.text + "' is not a valid integer value");
  delete chart.data();
}

INSTANTIATE_TEST_SUITE_P(
    Edits, NoiseReductionEdits,
    ::testing::Values(EditCase{"CutoffWithAFraction", 3, "Edit15", "12.7"},
                      EditCase{"CutoffEmpty", 3, "Edit15", ""},
                      // A negative cut-off would erase the low band and keep the highest bins.
                      EditCase{"CutoffBelowZero", 3, "Edit15", "-5", "The cut-off '-5' is below 0: enter 0 or more."},
                      EditCase{"BlockStartWithAFraction", 3, "Edit12", "3.5"},
                      EditCase{"WaveletBlockStartText", 4, "Edit12", "x"},
                      EditCase{"NoiseRangeFromText", 4, "Edit21", "abc"},
                      EditCase{"NoiseRangeToExponent", 4, "Edit22", "1e2"},
                      // 40 records: 500 to 100 is taken as 100 to 500 and holds none of them.
                      EditCase{"NoiseRangeBeyondTheTable", 4, "Edit21", "500",
                               "The standard deviation range 500 to 100 holds no record of the table (records 0 to 39)."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
