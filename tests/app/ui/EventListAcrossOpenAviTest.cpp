// The event timing list when 'Open AVI' is pressed with the magnitude
// calculator open: the events go only when another video has opened, and
// the calculator then lists what the list holds.
#include <QListWidget>
#include <fstream>

#include "MainRoadFixture.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TMagnitudeCalculator.h"
#include "support/ChartTestTables.h"
#include "support/WindowControls.h"

namespace {

QStringList Listed(const TMagnitudeCalculator* calculator) {
  QStringList lines;
  for (int i = 0; i < calculator->ListBox1->count(); ++i) lines << calculator->ListBox1->item(i)->text();
  return lines;
}

}  // namespace

TEST(EventListAcrossOpenAvi, KeptUntilAnotherVideoOpensThenListedEmpty) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  std::vector<double> values(60, 100.0);
  for (size_t i = 30; i < values.size(); ++i) values[i] = 20;
  w.Results.Assign(BuildResultTable(3, 1, RowsFromValues({values}), "29.97"));
  w.Run.CsvLoaded = true;
  m.Click("Button18");  // 'Graph'
  Tchart1* chart = w.chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  const ChartRecord& rec = chart->Data().Records[30];
  ReleaseAt(chart->ChartImg1, IndexToPixelX(chart->View(), 30 - w.Chart.ChartState.FirstShownFrame),
            ValueToPixelY(chart->View(), rec.Value[CurveA]));
  chart->Button8->click();  // the diffraction panel
  ASSERT_NE(chart->FresnelCtrl.data(), nullptr);
  chart->FresnelCtrl->Button2->click();  // 'Magnitude Calc'
  QPointer<TMagnitudeCalculator> calculator = MagnitudeCalculator();
  ASSERT_NE(calculator.data(), nullptr);
  calculator->Button7->click();  // missed disappearance
  calculator->Button8->click();  // missed reappearance
  ASSERT_EQ(w.Events.AsteroidTiming.EntryCount, 2);
  const QStringList before = Listed(calculator);
  ASSERT_EQ(before.size(), 2);

  // The open dialog cancelled, then a file that is no video.
  m.Click("Button1");
  const auto junk = m.Path("junk.avi");
  std::ofstream(junk, std::ios::binary) << "RIFF and nothing of a video";
  EXPECT_FALSE(m.OpenThroughButton1(junk));
  EXPECT_EQ(w.Events.AsteroidTiming.EntryCount, 2);
  EXPECT_EQ(Hour(w.Events.AsteroidTiming.Entries[1]), Hour(w.Events.AsteroidTiming.Entries[0]));
  EXPECT_FALSE(Hour(w.Events.AsteroidTiming.Entries[1]).empty());
  ASSERT_NE(calculator.data(), nullptr);
  EXPECT_EQ(Listed(calculator), before);

  // Another video: the list is empty and so is the calculator's view of it,
  // so a new entry is line 1 of one line.
  const auto video = m.Path("next.avi");
  ASSERT_TRUE(WriteAvi(video.string(), std::vector<Bitmap24>(10, Bitmap24(32, 24))));
  ASSERT_TRUE(m.OpenThroughButton1(video));
  EXPECT_EQ(w.Events.AsteroidTiming.EntryCount, 0);
  ASSERT_NE(calculator.data(), nullptr);
  EXPECT_TRUE(Listed(calculator).isEmpty());
  calculator->Button8->click();
  ASSERT_EQ(w.Events.AsteroidTiming.EntryCount, 1);
  const QStringList after = Listed(calculator);
  ASSERT_EQ(after.size(), 1);
  EXPECT_TRUE(after[0].startsWith("1  ")) << after[0].toStdString();
  EXPECT_TRUE(after[0].endsWith(" R   Main light change Miss")) << after[0].toStdString();
}
