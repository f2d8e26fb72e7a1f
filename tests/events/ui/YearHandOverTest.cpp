// The video's year handed from the asteroid guide to the lunar identification
// window and on to the report record's recording date.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QPointer>
#include <initializer_list>

#include "IdentFakeHost.h"
#include "base/NumberText.h"
#include "base/ResultTable.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TIdentification.h"
#include "support/LunarListingText.h"
#include "support/TemporaryFolder.h"

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

// A two-digit stamp year turns its century at 88 in every window: 88..99 are
// 1988..1999, 00..87 are 2000..2087. The lunar window's year list (1995..2040),
// its stamp time beside the found event, the recording date, and the guide's
// video year and its choice of a pasted lunar event all read it alike.
TEST(YearHandOver, StampYearTurnsItsCenturyAt88InEveryWindow) {
  struct Row {
    const char* year2;
    int year;
    const char* guide_year;  // the guide refuses 1988
  };
  for (const Row& r : {Row{"87", 2087, "2087"}, Row{"88", 1988, ""}, Row{"99", 1999, "1999"}, Row{"00", 2000, "2000"}}) {
    SCOPED_TRACE(r.year2);
    const std::string year = FormatInt(r.year);
    {
      // Apply reads the stamp's date again; a year beyond the list leaves it.
      IdentFakeHost host;
      host.times.StampDate1 = "24";
      host.times.StampDate2 = "5";
      host.times.StampDate3 = "12";
      QPointer<TIdentification> w = new TIdentification(host, true);
      ASSERT_EQ(w->ComboBox1->currentText().toStdString(), "2024");
      host.times.StampDate1 = r.year2;
      w->Button12->click();
      EXPECT_EQ(w->ComboBox1->currentText().toStdString(), r.year >= 1995 && r.year <= 2040 ? year : "2024");
      delete w.data();
    }
    {
      IdentFakeHost host;
      host.times.StampDate1 = r.year2;
      host.times.StampDate2 = "5";
      host.times.StampDate3 = "12";
      QPointer<TIdentification> w = new TIdentification(host, true);
      if (r.year >= 1995 && r.year <= 2040) {
        EXPECT_EQ(w->ComboBox1->currentText().toStdString(), year);
        EXPECT_EQ(w->ComboBox2->currentText().toStdString(), "May");
        EXPECT_EQ(w->ComboBox3->currentText().toStdString(), "12");
      }
      const int day = w->ComboBox3->findText("7");
      w->ComboBox3->setCurrentIndex(day);
      emit w->ComboBox3->activated(day);
      EXPECT_EQ(host.events.ReportLightCurveElement.RecordingDate, year + "-5-7");
      delete w.data();
    }
    {
      TemporaryFolder folder{"tessary-century"};
      IdentFakeHost host;
      std::vector<std::string> listing = SampleLunarListing();
      listing.resize(5);
      listing.push_back(LunarEventLine(std::string(r.year2) + " May 12 14 30 07", "X", "   777"));
      host.settings.LunarPredictionFile = folder.Write("lunar.txt", JoinCrlfLines(listing));
      host.times.StampDate1 = r.year2;
      host.times.StampDate2 = "5";
      host.times.StampDate3 = "12";
      host.times.StampH1 = "14";
      host.auto_search = true;
      QPointer<TIdentification> w = new TIdentification(host, true);
      EXPECT_EQ(w->Edit2->text().toStdString(), "XZ 777");
      EXPECT_EQ(w->Edit39->text().toStdString(), year + ".5.12 14:30:5");
      EXPECT_EQ(w->Edit38->text().toStdString(), year + ".5.12 14:30:7");
      delete w.data();
    }
    {
      IdentFakeHost host;
      host.times.StampDate1 = r.year2;
      host.times.StampDate2 = "5";
      host.times.StampDate3 = "12";
      QPointer<TAsteroidIdentification> guide = new TAsteroidIdentification(host);
      EXPECT_EQ(guide->Edit4->text().toStdString(), r.guide_year);
      const std::string later = PutColumns({{1, std::string(r.year2) + " May 12 14 40 00.0"}, {25, "  1111"}}, 150, false);
      const std::string at = PutColumns({{1, std::string(r.year2) + " May 12 14 31 00.0"}, {25, "  2222"}}, 150, false);
      guide->Memo1->setPlainText(QString::fromStdString("Occultation prediction for Tokyo\n" + later + "\n" + at + "\n"));
      ASSERT_EQ(guide->ListBox1->count(), 2);
      EXPECT_EQ(guide->ListBox1->currentRow(), 1);
      EXPECT_EQ(guide->Edit8->text().toStdString(), "ZC2222");
      EXPECT_EQ(guide->Edit9->text().toStdString(), year + " May 12");
      delete guide.data();
    }
  }
}
