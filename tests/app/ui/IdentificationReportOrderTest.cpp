// What the report window shows of the identified event, whichever comes
// first: the identification or the report window. A report window kept open
// from an earlier 'Make Report' takes the event identified since.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "../../events/ui/IdentFakeHost.h"
#include "MainRoadFixture.h"
#include "chart/ui/Tchart1.h"
#include "events/TimingList.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TLightCurveReport.h"
#include "support/ChartTestTables.h"
#include "support/WindowControls.h"

namespace {

struct Identified {
  int row;
  QString observer, longitude, site;
  QString catalogue, star, number, name;
};

// Opens the guide, clicks the event, types observer and site and applies.
void Identify(MainRoadWindow& m, const Identified& e) {
  TPlatform& w = m.W();
  m.Click("Button41");
  TAsteroidIdentification* guide = w.AsteroidIdentification.data();
  ASSERT_NE(guide, nullptr);
  guide->Memo1->setPlainText(kElements);
  PressRow(guide->ListBox1, e.row);
  guide->Edit3->setText(e.observer);
  guide->Edit13->setText(e.longitude);
  guide->Edit33->setText(e.site);
  guide->Button1->click();
}

TLightCurveReport* MakeReport(MainRoadWindow& m) {
  Tchart1* chart = m.W().chart1.Window.data();
  if (!chart) {
    m.Click("Button18");
    chart = m.W().chart1.Window.data();
  }
  EXPECT_NE(chart, nullptr);
  if (!chart) return nullptr;
  chart->Button17->click();
  const auto reports = m.W().findChildren<TLightCurveReport*>();
  return reports.size() == 1 ? reports.front() : nullptr;
}

void ExpectShows(const TLightCurveReport* r, const Identified& e) {
  EXPECT_EQ(r->Edit13->text(), e.catalogue);
  EXPECT_EQ(r->Edit14->text(), e.star);
  EXPECT_EQ(r->Edit15->text(), e.number);
  EXPECT_EQ(r->Edit16->text(), e.name);
  EXPECT_EQ(r->Edit11->text(), e.observer);
  EXPECT_EQ(r->Edit2->text(), "+" + e.longitude);
  EXPECT_EQ(r->Edit9->text(), e.site);
  r->Button3->click();  // 'Make Reports'
  EXPECT_TRUE(r->Memo3->toPlainText().contains("1: " + e.observer)) << e.observer.toStdString();
  EXPECT_TRUE(r->Memo2->toPlainText().contains("|" + e.star + "|0||")) << e.star.toStdString();
}

const Identified kFirst{0, "Alan Lee", "139", "Mitaka", "TYC", "1234-00567-1", "1234", "Some name"};
const Identified kSecond{1, "Bea Cho", "135", "Akashi", "HIP", "99", "7", "Iris"};

struct ReportRoad {
  MainRoadWindow m{Reader::OwnAvi};
  ReportRoad() {
    TPlatform& w = m.W();
    std::vector<double> v(60, 1000);
    for (int i = 30; i < 40; ++i) v[static_cast<size_t>(i)] = 200;
    w.Results.Assign(BuildResultTable(3, 1, RowsFromValues({v})));
    w.Run.CsvLoaded = true;
    // An asteroid report is made from two timed events.
    for (const char* s : {"05.12", "06.40"}) {
      TAsteroidEachEventTime t;
      Hour(t) = "14";
      Minute(t) = "15";
      Second(t) = s;
      EXPECT_TRUE(AppendEntry(w.Events.AsteroidTiming, t));
    }
  }
  // The first event identified and reported; nothing when no window opened.
  TLightCurveReport* FirstReport() {
    Identify(m, kFirst);
    return MakeReport(m);
  }
};

}  // namespace

TEST(IdentificationReportOrder, IdentifiedFirstThenTheReportWindowOpens) {
  ReportRoad road;
  TLightCurveReport* r = road.FirstReport();
  ASSERT_NE(r, nullptr);
  ExpectShows(r, kFirst);
}

// The window kept from the first report shows the second event: its star,
// observer and site go into the reports, not the first event's.
TEST(IdentificationReportOrder, AReportWindowOpenedBeforeTakesTheEventIdentifiedSince) {
  ReportRoad road;
  TLightCurveReport* r = road.FirstReport();
  ASSERT_NE(r, nullptr);
  Identify(road.m, kSecond);
  ASSERT_EQ(MakeReport(road.m), r);
  ExpectShows(r, kSecond);
  EXPECT_FALSE(r->Memo3->toPlainText().contains("Alan Lee"));
}

// A report window left open beside the guide shows the event identified
// since as soon as the observer turns to it.
TEST(IdentificationReportOrder, AReportWindowLeftOpenShowsTheNewEventWhenTurnedTo) {
  ReportRoad road;
  TLightCurveReport* r = road.FirstReport();
  ASSERT_NE(r, nullptr);
  Identify(road.m, kSecond);
  ASSERT_TRUE(r->isVisible());
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(r, &activate);
  ExpectShows(r, kSecond);
}

// Without a new identification a second 'Make Report' keeps what the
// observer corrected in the window.
TEST(IdentificationReportOrder, ASecondReportKeepsTheObserversCorrections) {
  ReportRoad road;
  TLightCurveReport* r = road.FirstReport();
  ASSERT_NE(r, nullptr);
  r->Edit11->setText("Alan B. Lee");
  r->Edit14->setText("1234-00567-2");
  ASSERT_EQ(MakeReport(road.m), r);
  EXPECT_EQ(r->Edit11->text(), "Alan B. Lee");
  EXPECT_EQ(r->Edit14->text(), "1234-00567-2");
}

// An event before 10 h UT: the guide shows its hour with a blank in front, the
// XML report's date field carries the hour without it.
TEST(IdentificationReportOrder, TheXmlDateOfAnEarlyHourHasNoBlank) {
  ReportRoad road;
  Identify(road.m, kSecond);  // 3.5 h UT
  TLightCurveReport* r = MakeReport(road.m);
  ASSERT_NE(r, nullptr);
  r->Button3->click();  // 'Make Reports'
  const QStringList xml = r->Memo2->toPlainText().split('\n');
  ASSERT_GT(xml.size(), 2);
  EXPECT_EQ(xml[2].toStdString(), "    <Date>2024|5|13|3.5</Date>");
}

// A position and observer corrected in the report window and then applied
// again from the guide: the window shows what the guide applied, which is
// what the reports carry.
TEST(IdentificationReportOrder, AnEventAppliedAgainReplacesTheCorrectionsInTheWindow) {
  ReportRoad road;
  TLightCurveReport* r = road.FirstReport();
  ASSERT_NE(r, nullptr);
  TypeInto(r->Edit2, "140");
  TypeInto(r->Edit11, "Alan B. Lee");
  ASSERT_TRUE(r->Memo3->toPlainText().contains("1: Alan B. Lee"));
  ASSERT_TRUE(r->Memo3->toPlainText().contains("[Longitude ]  140o"));
  Identify(road.m, kFirst);
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(r, &activate);
  ExpectShows(r, kFirst);
  const QString text = r->Memo3->toPlainText();
  EXPECT_TRUE(text.contains("1: Alan Lee  2:") && text.contains("[Longitude ]  139o")) << text.toStdString();
}
