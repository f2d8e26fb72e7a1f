// The chart and its tool windows over a table whose header has no
// video-system line (written before a frame rate was known, or an older
// file) read the same records as over the ordinary table.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "base/CsvFields.h"
#include "chart/ui/TAvgBkg.h"
#include "chart/ui/TFFT1.h"
#include "chart/ui/Tchart1.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"

namespace {

struct Form {
  const char* name;
  bool video_system_line;
  size_t first_row_line;
};
constexpr Form kForms[] = {{"ordinary", true, 6}, {"no video-system line", false, 5}};

struct Fixture {
  FakeHost host;
  ChartSession session;
  ChartEventState events;
  QPointer<Tchart1> chart;
  Fixture(const Form& f, std::vector<std::string> lines) {
    host.table.lines = f.video_system_line ? std::move(lines) : WithoutVideoSystemLine(std::move(lines));
    host.AnalyseEvents(events);
    chart = new Tchart1(host, session, events);
  }
  ~Fixture() { delete chart.data(); }
};

}  // namespace

TEST(HeaderFormsWindows, TwoRowTableOpensTheNoiseReductionWindowAndResetsItsRows) {
  // Object 1's sums give 5000 - 2000 * 20 / 80 = 4500 and 6000 - 500 = 5500.
  std::vector<TableRowCells> rows(2);
  for (int r = 0; r < 2; ++r) {
    TableRowCells& row = rows[static_cast<size_t>(r)];
    row.No = std::to_string(300 + r) + ".0";
    row.Objects[0].Value = "1.0";
    row.Objects[0].ApertureSum = r == 0 ? "5000" : "6000";
    row.Objects[0].BackgroundSum = "2000";
    row.Objects[0].AperturePixels = "20";
    row.Objects[0].BackgroundPixels = "80";
  }
  for (const Form& form : kForms) {
    Fixture f(form, BuildResultTable(3, 1, rows));
    ASSERT_EQ(f.chart->Data().Records.size(), 2u) << form.name;
    EXPECT_DOUBLE_EQ(f.chart->Data().Records[0].FrameNo, 300.0) << form.name;
    EXPECT_EQ(f.session.ChartState.TotalFrameCount, 2) << form.name;

    Find<QPushButton>(f.chart, "SpeedButton1")->click();
    auto* w = f.chart->findChild<TAvgBkg*>("AvgBkg");
    ASSERT_NE(w, nullptr) << form.name;
    EXPECT_EQ(Find<QLineEdit>(w, "Edit10")->text(), "300") << form.name;
    EXPECT_EQ(Find<QLineEdit>(w, "Edit11")->text(), "301") << form.name;

    const std::vector<std::string> before = f.host.table.lines;
    Find<QPushButton>(w, "Button3")->click();  // Reset
    const auto& lines = f.host.table.lines;
    ASSERT_EQ(lines.size(), before.size()) << form.name;
    for (size_t i = 0; i < form.first_row_line; ++i) EXPECT_EQ(lines[i], before[i]) << form.name << " line " << i;
    EXPECT_EQ(GetCsvField(lines[form.first_row_line], 11), "4500.0") << form.name;
    EXPECT_EQ(GetCsvField(lines[form.first_row_line + 1], 11), "5500.0") << form.name;
  }
}

TEST(HeaderFormsWindows, SpectrumOfFieldRecordsStartsAtTheFirstRecord) {
  // Object A of record i is i: bin 0 lists the mean of 0..1023. Field
  // records double the rate: bin 1 is 1 x 50 / 1024 Hz.
  std::vector<double> v(1030);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<double>(i);
  for (const Form& form : kForms) {
    Fixture f(form, BuildResultTable(3, 1, RowsFromValues({v}, 0, true)));
    f.host.timing_frame_rate = 25;
    Find<QPushButton>(f.chart, "Button10")->click();
    auto* w = f.chart->findChild<TFFT1*>("FFT1");
    ASSERT_NE(w, nullptr) << form.name;
    Find<QPushButton>(w, "Button1")->click();
    const QStringList lines = Find<QPlainTextEdit>(w, "Memo1")->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 512) << form.name;
    EXPECT_EQ(lines[0].toStdString(), "0.000000,511.500000") << form.name;
    EXPECT_TRUE(lines[1].startsWith("0.048828,")) << form.name << " " << lines[1].toStdString();
  }
}
