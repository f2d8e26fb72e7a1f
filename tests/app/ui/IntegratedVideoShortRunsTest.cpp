// Integrated-video processing of runs only one or two blocks long, through
// the main window, the asteroid guide and the chart: the guide and the chart
// either work on the few averaged records or say why not, and nothing crashes.
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QComboBox>

#include "MainRoadFixture.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TFresnelCtrl.h"
#include "support/ChartTestTables.h"

namespace {

struct ShortRun {
  const char* name;
  std::vector<double> values;
  int combo_index;
  bool phase_found;
  int averaged_records;
};

void PrintTo(const ShortRun& c, std::ostream* os) { *os << c.name; }

class IntegratedShortRun : public ::testing::TestWithParam<ShortRun> {};

TEST_P(IntegratedShortRun, IsAveragedOrLeftAsItIs) {
  const ShortRun& c = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  const std::vector<std::string> table = BuildResultTable(3, 1, RowsFromValues({c.values}));
  m.W().Results.Assign(table);
  m.W().Run.CsvLoaded = true;
  m.Click("Button41");
  TAsteroidIdentification* w = m.W().AsteroidIdentification.data();
  ASSERT_NE(w, nullptr);
  w->Memo1->setPlainText(
      "<Occultations>\n<Event>\n<Elements>a,b,2024,5,12,1.5,x,y,0.5,0.5</Elements>\n"
      "<Star>HIP 1,,,11,10,9,1</Star>\n<Object>4,Vesta,6,500,1.2</Object>\n</Event>\n</Occultations>\n");
  ASSERT_EQ(w->ListBox1->count(), 1);
  w->ListBox1->setCurrentRow(0);
  emit w->ListBox1->itemPressed(w->ListBox1->item(0));
  w->Button7->click();
  w->ComboBox3->setCurrentIndex(c.combo_index);
  emit w->ComboBox3->activated(c.combo_index);
  w->Button8->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w->Button9->isEnabled(), c.phase_found);
  if (!c.phase_found) {
    EXPECT_EQ(m.W().Results.Lines(), table);
    return;
  }
  w->Button9->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(m.W().Results.Count(), 6 + c.averaged_records);
  Tchart1* chart = m.W().chart1.Window.data();
  if (chart && chart->FresnelCtrl.data()) chart->FresnelCtrl->Button1->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  m.dialogs.yes_no_answers.push_back(true);
  w->close();
  EXPECT_EQ(m.W().Results.Lines(), table);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, IntegratedShortRun,
    ::testing::Values(ShortRun{"OneBlockOfEight", {100, 500, 500, 500, 500, 500, 500, 500, 500, 300}, 4, true, 1},
                      ShortRun{"TwoBlocksOfFour", {900, 900, 900, 900, 300, 300, 300, 300, 100}, 3, true, 2},
                      ShortRun{"TwoRecords", {900, 300}, 3, false, 0},
                      ShortRun{"BlocksLongerThanTheRun", {100, 500, 500, 500, 500, 500, 500, 500}, 5, false, 0}),
    [](const ::testing::TestParamInfo<ShortRun>& info) { return std::string(info.param.name); });

}  // namespace
