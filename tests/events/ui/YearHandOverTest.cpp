// The video's year handed from the asteroid guide to the lunar identification
// window and on to the report record's recording date.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <initializer_list>

#include "IdentFakeHost.h"
#include "base/NumberText.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TIdentification.h"

// Every year the guide accepts reaches the lunar window's date and the
// recording date whole: the stamp keeps only its last two digits.
TEST(YearHandOver, GuideYearReachesTheLunarDateAndRecordingDate) {
  for (int year : {1989, 1994, 1995, 1999, 2000, 2005, 2007, 2009, 2010, 2040, 2041, 2049, 2050, 2060, 2087}) {
    SCOPED_TRACE(year);
    IdentFakeHost host;
    host.times.StampDate1 = "24";
    host.times.StampDate2 = "5";
    host.times.StampDate3 = "12";
    QPointer<TAsteroidIdentification> guide = new TAsteroidIdentification(host);
    TypeAndEnter(guide->Edit4, QString::number(year));
    ASSERT_EQ(guide->Edit4->text().toInt(), year);
    delete guide.data();

    QPointer<TIdentification> w = new TIdentification(host, true);
    // The year list holds 1995..2040 only.
    if (year >= 1995 && year <= 2040) {
      EXPECT_EQ(w->ComboBox1->currentText().toInt(), year);
    }
    const int day = w->ComboBox3->findText("7");
    w->ComboBox3->setCurrentIndex(day);
    emit w->ComboBox3->activated(day);
    EXPECT_EQ(host.events.ReportLightCurveElement.RecordingDate, FormatInt(year) + "-5-7");
    delete w.data();
  }
}

// A year picked in the lunar window's list comes back whole in the guide and
// in the guide's recording date and code.
TEST(YearHandOver, LunarListYearReachesTheGuide) {
  for (int year : {1995, 1999, 2000, 2005, 2009, 2010, 2040}) {
    SCOPED_TRACE(year);
    IdentFakeHost host;
    host.times.StampDate1 = "24";
    host.times.StampDate2 = "5";
    host.times.StampDate3 = "12";
    QPointer<TIdentification> w = new TIdentification(host, true);
    const int item = w->ComboBox1->findText(QString::number(year));
    ASSERT_GE(item, 0);
    w->ComboBox1->setCurrentIndex(item);
    emit w->ComboBox1->activated(item);
    EXPECT_EQ(host.events.ReportLightCurveElement.RecordingDate, FormatInt(year) + "-5-12");
    delete w.data();

    QPointer<TAsteroidIdentification> guide = new TAsteroidIdentification(host);
    EXPECT_EQ(guide->Edit4->text().toInt(), year);
    delete guide.data();
  }
}
