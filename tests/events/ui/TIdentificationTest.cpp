// The lunar identification window driven through its controls: the
// prediction file read at start-up, the automatic search by the stamp's time,
// the applied line, the time edits, the observer and the identification code.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <array>
#include <memory>

#include "../../chart/ui/ChartFakeHost.h"
#include "IdentFakeHost.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TFresnelCtrl.h"
#include "support/BrokenFiles.h"
#include "support/ChartTestTables.h"
#include "base/ResultTable.h"
#include "events/LightCurveReportLines.h"
#include "events/TimingError.h"
#include "events/ui/TIdentification.h"
#include "events/ui/ReportWindowHost.h"
#include "events/ui/TLightCurveReport.h"
#include "support/LunarListingText.h"
#include "support/TemporaryFolder.h"
#include "support/WindowMonkey.h"

// A listing saved in the Windows code page names its observer with letters
// beyond ASCII: the window, the identification code and the report take the
// name as written, not with replacement signs.
TEST(TIdentification, AWindowsCodePageListingKeepsTheObserversName) {
  TemporaryFolder folder{"tessary-lunar-cp1252"};
  IdentFakeHost host;
  host.settings.LunarPredictionFile = folder.Write(
      "block.txt", JoinCrlfLines({"Lunar occultation predictions for Z\xFCrich", "for one star",
                                  "2024 May 12 predictions", "   Cct", "Star = R1234", "Observer =  \xD6mer \xDCnal",
                                  "more lines"}));
  host.times.StampDate1 = "24";
  host.times.StampDate2 = "5";
  host.times.StampDate3 = "12";
  QPointer<TIdentification> w = new TIdentification(host, true);
  const QString name = QString::fromUtf8("\u00D6mer \u00DCnal");
  EXPECT_EQ(w->Edit1->text(), name);
  EXPECT_EQ(w->ListBox1->item(0)->text(), QString::fromUtf8("Lunar occultation predictions for Z\u00FCrich"));
  EXPECT_EQ(host.events.Texts.IdentificationCode, "240512r1234\u00D6\u00DC");
  w->Button6->click();  // 'Apply and Close'
  EXPECT_EQ(QString::fromStdString(host.events.ReportLightCurveElement.Observer), name);
  delete w.data();
}

namespace {

struct Fixture {
  TemporaryFolder folder{"tessary-lunar"};
  IdentFakeHost host;
  QPointer<TIdentification> w;
  std::unique_ptr<FakeHost> chart_host;  // its own dialog service: only with a chart
  QPointer<Tchart1> chart;
  Fixture(bool auto_search = true, bool with_chart = false, bool with_panel = false,
          const std::vector<std::string>& listing = SampleLunarListing()) {
    if (with_chart) {
      chart_host = std::make_unique<FakeHost>();
      chart_host->table.lines = BuildResultTable(3, 1, RowsFromValues({{100, 100, 20, 20, 100}}));
      chart_host->AnalyseEvents(host.events);
      chart = new Tchart1(*chart_host, host.chart, host.events);
      host.chart_window = chart;
      if (with_panel) {
        host.chart.ChartState.SelectedFrame = 2;
        chart->Button8->click();
      }
    }
    host.settings.LunarPredictionFile = folder.Write("lunar.txt", JoinCrlfLines(listing));
    host.settings.ObserverNameLunar = "Alan Lee";
    host.times = FrameTimeTexts{};
    host.times.StampDate1 = "24";
    host.times.StampDate2 = "5";
    host.times.StampDate3 = "12";
    host.times.StampH1 = "14";
    host.auto_search = auto_search;
    host.zc[1234] = 5678;
    w = new TIdentification(host, true);
  }
  ~Fixture() {
    delete w.data();
    delete chart.data();
  }
};

// The listing file, the lunar observer and the stamp's date and time (as the
// main window's time edits show it), with the automatic search on.
void StampForAutoSearch(IdentFakeHost& host, const std::string& listing_file, const char* year2, const char* month,
                        const char* day, const std::array<std::string, 3>& time) {
  host.settings.LunarPredictionFile = listing_file;
  host.settings.ObserverNameLunar = "Alan Lee";
  host.times.StampDate1 = year2;
  host.times.StampDate2 = month;
  host.times.StampDate3 = day;
  host.times.StampH1 = time[0];
  host.time_edits = time;
  host.auto_search = true;
}

}  // namespace

TEST(TIdentification, StartUpFindsAndAppliesTheEventAtTheStampTime) {
  Fixture f;
  EXPECT_EQ(f.host.events.Flags.IdentificationOpen, 1);
  ASSERT_EQ(f.w->ListBox1->count(), 7);  // heading and the event with its continuation line
  EXPECT_EQ(f.w->ListBox1->currentRow(), 5);
  EXPECT_EQ(f.w->Edit2->text(), "ZC 1234");
  EXPECT_EQ(f.w->Edit30->text(), "XZ80Q");
  EXPECT_EQ(f.w->Edit31->text(), "5678");
  EXPECT_EQ(f.w->Edit6->text(), "60.0");
  EXPECT_EQ(f.w->Edit5->text(), "612.3");
  EXPECT_EQ(f.w->Edit4->text(), "380120");
  EXPECT_EQ(f.w->Edit8->text(), "K ");
  EXPECT_EQ(f.w->Edit23->text(), "+139");
  EXPECT_EQ(f.w->ComboBox1->currentText(), "2024");
  EXPECT_EQ(f.w->ComboBox2->currentText(), "May");
  EXPECT_EQ(f.w->ComboBox3->currentText(), "12");
  const ChartEventState& ev = f.host.events;
  EXPECT_EQ(ev.Diffraction.ObjectDistance, 380120000);
  EXPECT_NEAR(static_cast<double>(ev.Diffraction.ObjectVelocity), 612.3, 1e-9);
  EXPECT_DOUBLE_EQ(ev.Diffraction.MeasuredContactAngle, 60);
  EXPECT_EQ(ev.Identification.SpectralTypeText, "K5");
  EXPECT_EQ(ev.ReportLightCurveElement.Kind, ReportKind::Lunar);
  EXPECT_EQ(ev.ReportLightCurveElement.Catalogue, "XZ80Q");
  EXPECT_EQ(ev.ReportLightCurveElement.StarNumber, "5678");
  EXPECT_EQ(ev.ReportLightCurveElement.ZcNumber, "1234");
  EXPECT_EQ(ev.Texts.IdentificationTitle, "ZC 1234 ; 2024 May 12 ; Alan Lee");
  EXPECT_EQ(ev.Texts.IdentificationCode, "240512r1234AL");
  EXPECT_EQ(f.host.code_log.back(), "240512r1234AL");
  f.w->close();
  EXPECT_EQ(f.host.events.Flags.IdentificationOpen, 0);
}

TEST(TIdentification, TheListingsSiteLineGoesIntoTheChartsNotes) {
  Fixture f(true, true);
  ASSERT_EQ(f.w->ListBox1->currentRow(), 5);
  // The contact angle of the listing sits in the record's contact-angle slot.
  const auto& values = f.host.events.ReportLightCurveElement.LunarValues;
  EXPECT_EQ(values[kLunarContactAngleIndex], "-120 ");  // six characters, leading blanks off
  EXPECT_EQ(values[kLunarLimbSlopeIndex], "");
  const QStringList notes = f.chart->Memo1->toPlainText().split('\n');
  ASSERT_EQ(notes.size(), 1);
  EXPECT_EQ(notes[0].toStdString(), SampleLunarListing()[1]);
  EXPECT_TRUE(notes[0].startsWith("E. Longitude"));
}

// With the diffraction panel open, the applied line's distance, velocity and
// contact angle reach the panel's edits and the model through them.
TEST(TIdentification, AnOpenDiffractionPanelTakesThePredictionOver) {
  Fixture f(true, true, true);
  ASSERT_NE(f.chart->FresnelCtrl.data(), nullptr);
  TFresnelCtrl* p = f.chart->FresnelCtrl;
  EXPECT_EQ(p->Edit1->text(), "380120");
  EXPECT_EQ(p->Edit2->text(), "612.3");
  EXPECT_EQ(p->Edit8->text(), "60.0");
  const DiffractionState& d = f.host.events.Diffraction;
  EXPECT_EQ(d.ObjectDistance, 380120000);
  EXPECT_NEAR(static_cast<double>(d.ObjectVelocity), 612.3, 1e-9);
  EXPECT_NEAR(static_cast<double>(d.RateFactor), 0.5, 1e-12);
  EXPECT_EQ(d.FresnelEditGuard, 0);
}

TEST(TIdentification, TimeEditsMoveTheSearchAndKeepTheWholeSeconds) {
  Fixture f;
  TypeAndEnter(f.w->Edit11, "16");
  EXPECT_EQ(f.w->Edit11->text(), "16.0000");
  EXPECT_EQ(f.host.times.StampS1, "16");
  EXPECT_EQ(f.host.times.StampS1Full, "16.0000");
  EXPECT_EQ(f.host.events.Flags.TimeFieldEdited[2], 1);
  EXPECT_EQ(f.w->Edit2->text(), "SAO 9000");  // 14:30:26 is now 10 s away, 14:30:05 11 s
  TypeAndEnter(f.w->Edit11, "5.1");
  EXPECT_EQ(f.w->Edit11->text(), "05.1000");
  TypeAndEnter(f.w->Edit9, "24");
  EXPECT_EQ(f.w->Edit9->text(), "24");
  TypeAndEnter(f.w->Edit9, "25");
  EXPECT_EQ(f.w->Edit9->text(), "24");
  TypeAndEnter(f.w->Edit10, "61");
  EXPECT_EQ(f.w->Edit10->text(), "30");
  TypeAndEnter(f.w->Edit10, "x");
  EXPECT_EQ(f.w->Edit10->text(), "x");
  ASSERT_FALSE(f.host.dialogs.messages.empty());
}

// Negative times and seconds that round up to 60 are refused like other
// values out of range; seconds that round up to 10 carry no extra "0".
TEST(TIdentification, TimeEditsRefuseNegativeAndRoundedUpValues) {
  Fixture f;
  TypeAndEnter(f.w->Edit9, "14");
  TypeAndEnter(f.w->Edit10, "30");
  TypeAndEnter(f.w->Edit11, "16");
  struct Case {
    int edit;  // 0 hour, 1 minute, 2 second
    const char* typed;
    const char* shown;
    const char* stamp;  // StampH1, StampM1 or StampS1 afterwards
  };
  const Case cases[] = {
      {0, "-1", "14", "14"},         {1, "-5", "30", "30"},           {2, "-5", "16.0000", "16"},
      {2, "9.99999", "10.0000", "10"}, {2, "59.99999", "10.0000", "10"}, {2, "9.5", "09.5000", "09"},
  };
  for (const Case& c : cases) {
    QLineEdit* edit = c.edit == 0 ? f.w->Edit9 : c.edit == 1 ? f.w->Edit10 : f.w->Edit11;
    TypeAndEnter(edit, c.typed);
    EXPECT_EQ(edit->text().toStdString(), c.shown) << c.typed;
    const std::string& stamp = c.edit == 0 ? f.host.times.StampH1 : c.edit == 1 ? f.host.times.StampM1
                                                                                 : f.host.times.StampS1;
    EXPECT_EQ(stamp, c.stamp) << c.typed;
  }
}

// Picking a date in the lists gives the record a recording date of the same
// form as applying a line does, which the report line and file names read.
TEST(TIdentification, DateListsGiveAFullRecordingDate) {
  Fixture f;
  const TReportLightCurveElement& r = f.host.events.ReportLightCurveElement;
  struct Row {
    QComboBox* TIdentification::*list;
    const char* item;
    const char* date;
  };
  for (Row x : {Row{&TIdentification::ComboBox3, "7", "2024-5-7"}, Row{&TIdentification::ComboBox2, "March", "2024-3-7"},
                Row{&TIdentification::ComboBox1, "1998", "1998-3-7"}, Row{&TIdentification::ComboBox1, "2031", "2031-3-7"}}) {
    QComboBox* list = f.w->*x.list;
    const int index = list->findText(x.item);
    ASSERT_GE(index, 0) << x.item;
    list->setCurrentIndex(index);
    emit list->activated(index);
    EXPECT_EQ(r.RecordingDate, x.date) << x.item;
  }
}

TEST(TIdentification, ListingObserverAndPredictionFileCommands) {
  Fixture f(false);
  EXPECT_EQ(f.w->ListBox1->count(), 10);  // every line with "Detail", no search
  f.w->CheckBox2->click();
  EXPECT_EQ(f.w->ListBox1->count(), 4);  // event lines only
  f.w->ListBox1->setCurrentRow(2);
  emit f.w->ListBox1->itemDoubleClicked(f.w->ListBox1->item(2));
  EXPECT_EQ(f.w->Edit2->text(), "XZ 777");
  EXPECT_EQ(f.host.events.ReportLightCurveElement.Catalogue, "XZ80Q");
  EXPECT_TRUE(f.w->Edit30->text().isEmpty());

  f.w->Edit1->setText("Kim Park");
  f.w->Button1->click();
  EXPECT_EQ((f.host.ini[{"Identification", "ObserverLunar"}]), "Kim Park");
  EXPECT_EQ(f.host.events.Texts.IdentificationCode, "231231x777KP");

  // A file that cannot be read is told; the file chosen before stays.
  const int listed = f.w->Memo5->blockCount();
  f.host.dialogs.open_file_names.push_back(QString::fromStdString(f.folder.File("missing.txt")));
  f.w->Openpredictionfile1->trigger();
  ASSERT_FALSE(f.host.Messages().empty());
  EXPECT_EQ(f.host.Messages().back(), "The prediction file could not be read.");
  EXPECT_EQ(f.host.settings.LunarPredictionFile, f.folder.File("lunar.txt"));
  EXPECT_EQ(f.w->Memo5->blockCount(), listed);

  // A text without events is told as well, and the listing stays.
  const std::string other = f.folder.Write("other.txt", "a\nb\nc\n");
  f.host.dialogs.open_file_names.push_back(QString::fromStdString(other));
  f.w->Openpredictionfile1->trigger();
  EXPECT_EQ(f.host.Messages().back(), "The prediction file holds no lunar occultation events.\r\n" + other);
  EXPECT_EQ(f.host.settings.LunarPredictionFile, f.folder.File("lunar.txt"));
  EXPECT_EQ(f.w->Memo5->blockCount(), listed);
  EXPECT_EQ(f.w->ListBox1->count(), 4);

  // A listing is taken and named in the settings.
  const std::string next = f.folder.Write("next.txt", JoinCrlfLines(SampleLunarListing()));
  f.host.dialogs.open_file_names.push_back(QString::fromStdString(next));
  f.w->Openpredictionfile1->trigger();
  EXPECT_EQ((f.host.ini[{"Identification", "Prediction file"}]), next);

  f.w->Button6->click();
  EXPECT_EQ(f.host.settings.ObserverName, "Kim Park");
  EXPECT_EQ(f.host.events.ReportLightCurveElement.Observer, "Kim Park");
  EXPECT_EQ(f.host.events.Flags.IdentificationOpen, 0);
}

// A ZC star applied before leaves no ZC number behind for the next star: the
// report line names the star now applied.
TEST(TIdentification, ApplyingAnotherStarDropsTheZcNumber) {
  Fixture f(false);
  f.w->CheckBox2->click();  // event lines only: ZC 1234, SAO 9000, XZ 777, ZC 8999
  const TReportLightCurveElement& r = f.host.events.ReportLightCurveElement;
  struct Row {
    int row;
    const char* zc_label;
    const char* zc_number;
    const char* columns_19_25;  // catalogue letter and star number of the report line
  };
  for (Row x : {Row{0, "ZC", "1234", "R  1234"}, Row{1, "", "", "S  9000"}, Row{0, "ZC", "1234", "R  1234"},
                Row{2, "", "", "X   777"}}) {
    f.w->ListBox1->setCurrentRow(x.row);
    emit f.w->ListBox1->itemDoubleClicked(f.w->ListBox1->item(x.row));
    EXPECT_EQ(r.ZcLabel, x.zc_label) << x.row;
    EXPECT_EQ(r.ZcNumber, x.zc_number) << x.row;
    const auto line = BuildReportLine("Event Time : 14h30m05.000s  +/- 0.010s  S/N=5.0", r, true, "0.010", 3);
    ASSERT_TRUE(line) << x.row;
    EXPECT_EQ(line->substr(18, 7), x.columns_19_25) << x.row;
  }
}

// A time at which the automatic search finds no event leaves no star of an
// earlier event in the report record: the report would name a star that was
// not observed.
TEST(TIdentification, NoEventFoundLeavesNoStarInTheReport) {
  Fixture f;
  const TReportLightCurveElement& r = f.host.events.ReportLightCurveElement;
  ASSERT_EQ(r.Catalogue, "XZ80Q");
  ASSERT_EQ(r.ZcNumber, "1234");
  TypeAndEnter(f.w->Edit9, "3");  // no event near 03:30
  EXPECT_TRUE(f.w->Edit2->text().isEmpty());
  EXPECT_EQ(r.Catalogue, "");
  EXPECT_EQ(r.StarNumber, "");
  EXPECT_EQ(r.ZcLabel, "");
  EXPECT_EQ(r.ZcNumber, "");
  for (QLineEdit* e : {f.w->Edit20, f.w->Edit21, f.w->Edit30, f.w->Edit31})
    EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
  const auto line = BuildReportLine("Event Time : 03h30m05.000s  +/- 0.010s  S/N=5.0", r, true, "0.010", 3);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->find("1234"), std::string::npos);
  EXPECT_EQ(line->find("5678"), std::string::npos);

  // The event's time again applies its star.
  TypeAndEnter(f.w->Edit9, "14");
  EXPECT_EQ(f.w->Edit2->text(), "ZC 1234");
  EXPECT_EQ(r.Catalogue, "XZ80Q");
  EXPECT_EQ(r.StarNumber, "5678");
}

// A listed shadow velocity of 0 or below is refused as the diffraction panel
// refuses it typed: the last velocity stays for the model and the elements,
// with a note, and the panel keeps its own.
TEST(TIdentification, AListedVelocityOfZeroOrBelowKeepsTheLastOne) {
  for (const char* velocity : {"    0.0", "  -50.0", "   -0.0"}) {
    for (bool panel : {false, true}) {
      SCOPED_TRACE(std::string(velocity) + (panel ? " with the panel" : ""));
      std::vector<std::string> listing = SampleLunarListing();
      listing[7].replace(71, 7, velocity);  // SAO 9000
      Fixture f(false, panel, panel, listing);
      f.w->CheckBox2->click();  // event lines only: ZC 1234, SAO 9000, ...
      for (int row : {0, 1}) {
        f.w->ListBox1->setCurrentRow(row);
        emit f.w->ListBox1->itemDoubleClicked(f.w->ListBox1->item(row));
      }
      EXPECT_EQ(f.w->Edit2->text(), "SAO 9000");
      const ChartEventState& ev = f.host.events;
      EXPECT_NEAR(static_cast<double>(ev.Diffraction.ObjectVelocity), 612.3, 1e-9);
      EXPECT_NEAR(ev.Identification.OccultationElements.Velocity, 612.3, 1e-9);
      EXPECT_EQ(f.w->Edit5->text(), "612.3");
      EXPECT_TRUE(f.w->Memo2->toPlainText().contains("The velocity must be above 0 m/s: it stays 612.3 m/s."));
      if (panel) {
        EXPECT_EQ(f.chart->FresnelCtrl->Edit2->text(), "612.3");
      }
    }
  }
}

// A text report written after the lunar identification carries the site of
// the lunar listing, not one an earlier asteroid identification left behind.
TEST(TIdentification, TheTextReportShowsTheListingsSite) {
  Fixture f;
  TReportLightCurveElement& r = f.host.events.ReportLightCurveElement;
  r.Longitude = "+135 30 15.0";
  r.Latitude = "-5 2 3";
  const int row = f.w->ListBox1->currentRow();
  ASSERT_GE(row, 0);
  emit f.w->ListBox1->itemDoubleClicked(f.w->ListBox1->item(row));
  ASSERT_EQ(f.w->Edit23->text(), "+139");
  ReportWindowHost report_host;
  TLightCurveReport report(f.host.events, report_host);
  report.show();
  const QStringList text = report.Memo3->toPlainText().split('\n');
  ASSERT_GT(text.size(), 9);
  EXPECT_EQ(text[8].toStdString(), "[Longitude ]  139o45'12.5\"  E");
  EXPECT_EQ(text[9].toStdString(), "[Latitude  ]   35o40'2.0\"  N");
}

// 'Graph' restores the chart and 'Time' minimises it; only with time stamps
// read does the video's field view follow (frames beside the chart, fields
// while it is minimised).
TEST(TIdentification, SpeedButtonsRestoreOrMinimiseTheChart) {
  struct Case {
    int stamp_mode;
    const char* button;
    bool minimised_before, field_view_before, minimised_after, field_view_after;
  };
  const Case cases[] = {
      {0, "SpeedButton2", false, false, true, false}, {0, "SpeedButton1", true, true, false, true},
      {1, "SpeedButton2", false, false, true, true},  {1, "SpeedButton1", true, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.button) + " with stamp mode " + std::to_string(c.stamp_mode));
    Fixture f(false, true);
    f.host.time_stamp_mode = c.stamp_mode;
    f.host.field_view = c.field_view_before;
    if (c.minimised_before) f.chart->showMinimized();
    f.w->findChild<QPushButton*>(c.button)->click();
    EXPECT_EQ(f.chart->isMinimized(), c.minimised_after);
    EXPECT_EQ(f.host.field_view, c.field_view_after);
  }
}

namespace {

// Nonsense in every edit and clicks in any order, over a found event, with
// and without the chart and its diffraction panel beside the window.
struct MonkeyRow {
  const char* name;
  bool with_chart, with_panel;
  uint32_t seed;
};

class TIdentificationMonkey : public ::testing::TestWithParam<MonkeyRow> {};

TEST_P(TIdentificationMonkey, NonsenseInputAndAnyClickOrderKeepTheWindowAlive) {
  const MonkeyRow& r = GetParam();
  Fixture f(true, r.with_chart, r.with_panel);
  MonkeyOptions o;
  o.seed = r.seed;
  o.steps = 300;
  o.reopen = [&]() -> QWidget* { return f.w = new TIdentification(f.host, true); };
  EXPECT_GT(RunMonkey(f.w, o), 30);
}

INSTANTIATE_TEST_SUITE_P(Rows, TIdentificationMonkey,
                         ::testing::Values(MonkeyRow{"Alone", false, false, 61}, MonkeyRow{"BesideChart", true, false, 62},
                                           MonkeyRow{"BesidePanel", true, true, 63}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// Inputs that once broke the window: each row types a text into an edit and
// ends it with Enter; the window takes it or refuses it, and lives on.
struct TypedFault {
  const char* name;
  const char* edit;
  const char* text;
};

class TIdentificationFaults : public ::testing::TestWithParam<TypedFault> {};

TEST_P(TIdentificationFaults, TheWindowTakesOrRefusesTheText) {
  const TypedFault& r = GetParam();
  Fixture f;
  f.w->show();
  QLineEdit* edit = f.w->findChild<QLineEdit*>(r.edit);
  ASSERT_NE(edit, nullptr);
  TypeOver(edit, r.text);
  SendKey(edit, Qt::Key_Return, "\r");
  EXPECT_TRUE(f.w->isVisible());
}

const TypedFault kTypedFaults[] = {
    // The stamp's minute went into the prediction search in int arithmetic.
    {"HugeNegativeMinute", "Edit10", "-871718793"},
};

INSTANTIATE_TEST_SUITE_P(Rows, TIdentificationFaults, ::testing::ValuesIn(kTypedFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// The automatic search applies the event it found, also one of the day (and
// year) before the stamp's, or of a year the stamp writes with one digit.
TEST(TIdentification, AutoSearchAppliesTheEventItFound) {
  struct Row {
    const char* name;
    const char *year2, *month, *day, *hour, *minute, *second;
    const char* event;  // date and time columns of the listed event
    const char* target;
    const char *year, *month_name, *day_item;
  };
  const Row rows[] = {
      {"YearEnd", "24", " 1", " 1", "0", "00", "03.0000", "23 Dec 31 23 59 59", "XZ 777", "2023", "December", "31"},
      {"OneDigitYear", "4", "5", "12", "14", "30", "05.0000", "04 May 12 14 30 07", "XZ 777", "2004", "May", "12"},
      {"SameDay", "24", "5", "12", "14", "30", "05.0000", "24 May 12 14 30 07", "XZ 777", "2024", "May", "12"},
      {"MonthEnd", "24", "6", "1", "0", "00", "03.0000", "24 May 31 23 59 58", "XZ 777", "2024", "May", "31"},
      {"LeapDay", "24", "3", "1", "0", "00", "02.0000", "24 Feb 29 23 59 59", "XZ 777", "2024", "February", "29"},
      {"CommonYear", "23", "3", "1", "0", "00", "02.0000", "23 Feb 28 23 59 59", "XZ 777", "2023", "February", "28"},
      {"NextDay", "24", "5", "12", "23", "59", "58.0000", "24 May 13  0  0  5", "XZ 777", "2024", "May", "13"},
  };
  for (const Row& r : rows) {
    TemporaryFolder folder{"tessary-lunar-auto"};
    IdentFakeHost host;
    std::vector<std::string> listing = SampleLunarListing();
    listing.resize(5);
    listing.push_back(LunarEventLine("23 Dec 31 20 00 00", " ", "  1234"));
    listing.push_back(LunarEventLine(r.event, "X", "   777"));
    StampForAutoSearch(host, folder.Write("lunar.txt", JoinCrlfLines(listing)), r.year2, r.month, r.day,
                       {r.hour, r.minute, r.second});
    QPointer<TIdentification> w = new TIdentification(host, true);
    EXPECT_EQ(w->Edit2->text().toStdString(), r.target) << r.name;
    EXPECT_EQ(w->ComboBox1->currentText().toStdString(), r.year) << r.name;
    EXPECT_EQ(w->ComboBox2->currentText().toStdString(), r.month_name) << r.name;
    EXPECT_EQ(w->ComboBox3->currentText().toStdString(), r.day_item) << r.name;
    EXPECT_EQ(host.events.ReportLightCurveElement.Catalogue, "XZ80Q") << r.name;
    EXPECT_EQ(host.events.ReportLightCurveElement.StarNumber, "777") << r.name;
    delete w.data();
  }
}

namespace {

// A listing whose labels sit three columns right of the sample's (the star
// from column 25 on), and its one event with a value in every column.
std::vector<std::string> ShiftedListing() {
  return {"Lunar occultation predictions for a site in the south-west",
          PutColumns({{1, "E. Longitude"}, {14, " -73"}, {19, "58"}, {22, " 5.1"}, {38, "-33"}, {42, "27"},
                      {45, "12.0"}, {57, " 520"}}),
          "",
          PutColumns({{25, "Star"}, {31, "Sp "}, {45, "AA"}, {49, "RV"}, {54, "PA"}, {58, "CA"}, {63, "Cct"},
                      {70, "%"}, {73, "Moon"}, {103, "SV"}, {109, "Mdist"}, {115, "Libration"}, {128, "durn"}}),
          " y  m   d  h  m  s",
          PutColumns({{1, "25 Mar  3 21 07 44"}, {23, " "}, {24, "  2345"}, {31, "G8"}, {34, " 6.4"}, {39, " 5.9"},
                      {44, " 12"}, {48, ".873"}, {53, "  7"}, {58, "35S"}, {61, "  33.5"}, {68, " 54"},
                      {72, "23"}, {75, "  487.9"}, {83, "401.23"}, {115, "-4.2"}, {120, "+6.8"},
                      {128, "<--- duration block --->"}}),
          PutColumns({{1, "25 Mar  3 21 07 52"}, {23, " "}, {24, " 98765"}, {31, "K0"}, {34, " 8.1"}})};
}

}  // namespace

// Every value of the event line and the site line comes out of the window as
// the listing writes it, whatever the file's line ends; of two events within
// ten seconds of the stamp the first is applied.
TEST(TIdentification, EveryListedValueComesOutAsWritten) {
  struct Ends {
    const char* name;
    const char *bom, *end;
    int blank_lines_after;
  };
  for (const Ends& e : {Ends{"CrLf", "", "\r\n", 0}, Ends{"Lf", "", "\n", 0}, Ends{"Cr", "", "\r", 0},
                        Ends{"BomCrLf", "\xEF\xBB\xBF", "\r\n", 0}, Ends{"TrailingBlankLines", "", "\r\n", 3}}) {
    TemporaryFolder folder{"tessary-lunar-values"};
    IdentFakeHost host;
    std::string text = e.bom;
    for (const std::string& l : ShiftedListing()) text += l + e.end;
    for (int k = 0; k < e.blank_lines_after; ++k) text += e.end;
    StampForAutoSearch(host, folder.Write("lunar.txt", text), "25", " 3", " 3", {"21", "07", "47.0000"});
    QPointer<TIdentification> w = new TIdentification(host, true);
    SCOPED_TRACE(e.name);
    EXPECT_EQ(w->Label4->text(), "Y  M   D  h  m  s   p   star  Sp  Mag.  ");
    // The heading and both events (blank lines after an event continue it).
    ASSERT_GE(w->ListBox1->count(), 7);
    EXPECT_EQ(w->ListBox1->currentRow(), 5);
    const std::vector<std::pair<QLineEdit*, const char*>> shown = {
        {w->Edit2, "ZC 2345"}, {w->Edit21, "ZC"},    {w->Edit20, "2345"},  {w->Edit30, ""},      {w->Edit31, ""},
        {w->Edit8, "G8"},      {w->Edit35, "6.4"},   {w->Edit36, "5.9"},   {w->Edit37, "6.4"},   {w->Edit12, "12"},
        {w->Edit13, "0.873"},  {w->Edit14, "7"},     {w->Edit15, "35S"},   {w->Edit6, "33.5"},   {w->Edit16, "54"},
        {w->Edit17, "23"},     {w->Edit5, "487.9"},  {w->Edit4, "401230"}, {w->Edit22, "0.958"}, {w->Edit18, "-4.2"},
        {w->Edit19, "+6.8"},   {w->Edit23, "-73"},   {w->Edit24, "58"},    {w->Edit25, "5.1"},   {w->Edit26, "-33"},
        {w->Edit27, "27"},     {w->Edit28, "12.0"},  {w->Edit29, "520"}};
    for (const auto& [edit, text] : shown) EXPECT_EQ(edit->text().toStdString(), text) << edit->objectName().toStdString();
    // The times of the last line compared and of the stamp, without leading zeros.
    EXPECT_EQ(w->Edit38->text(), "2025.3.3 21:7:52");
    EXPECT_EQ(w->Edit39->text(), "2025.3.3 21:7:47");
    EXPECT_EQ(w->ComboBox1->currentText(), "2025");
    EXPECT_EQ(w->ComboBox2->currentText(), "March");
    EXPECT_EQ(w->ComboBox3->currentText(), "3");
    const ChartEventState& ev = host.events;
    EXPECT_EQ(ev.Diffraction.ObjectDistance, 401230000);
    EXPECT_NEAR(static_cast<double>(ev.Diffraction.ObjectVelocity), 487.9, 1e-9);
    EXPECT_DOUBLE_EQ(ev.Diffraction.MeasuredContactAngle, 33.5);
    EXPECT_EQ(ev.Identification.SpectralTypeText, "G8");
    EXPECT_DOUBLE_EQ(ev.Identification.OccultationElements.V, 6.4);
    EXPECT_DOUBLE_EQ(ev.Identification.OccultationElements.R, 5.9);
    EXPECT_DOUBLE_EQ(ev.Identification.OccultationElements.Distance, 401230);
    const TReportLightCurveElement& r = ev.ReportLightCurveElement;
    EXPECT_EQ(r.Catalogue, "ZC");
    EXPECT_EQ(r.StarNumber, "2345");
    EXPECT_EQ(r.ZcNumber, "2345");
    {
      // ZC 2345 has no XZ number here: the light curve names no XZ star.
      TReportLightCurveElement made = r;
      EXPECT_EQ(MakeReportLines(made).Lines[1], "Star: 0: 0: 0: 0: 0-0-0: 0-0");
    }
    EXPECT_EQ(r.RecordingDate, "2025-3-3");
    EXPECT_EQ(r.Longitude, "-73 58 5.1");
    EXPECT_EQ(r.Latitude, "-33 27 12.0");
    EXPECT_EQ(r.Altitude, "520");
    EXPECT_EQ(r.VMag, "6.4");
    EXPECT_EQ(r.RMag, "5.9");
    const std::array<std::string, 11> values{"7", "12", "35S", "", "33.5", "0.873", "54", "23", "-4.2", "+6.8", "0.958"};
    EXPECT_EQ(r.LunarValues, values);
    EXPECT_EQ(ev.Texts.IdentificationTitle, "ZC 2345 ; 2025 March 3 ; Alan Lee");
    EXPECT_EQ(ev.Texts.IdentificationCode, "250303r2345AL");
    delete w.data();
  }
}

// A listing saved as "Unicode" by a Windows editor is listed like the plain
// file, not refused as binary.
TEST(TIdentification, UnicodeListingIsListed) {
  Fixture f(false);
  const int listed = f.w->ListBox1->count();
  ASSERT_EQ(listed, 10);
  QStringList plain;
  for (int k = 0; k < listed; ++k) plain << f.w->ListBox1->item(k)->text();
  const std::string unicode = f.folder.Write("unicode.txt", Utf16LeFileBytes(JoinCrlfLines(SampleLunarListing())));
  f.host.dialogs.open_file_names.push_back(QString::fromStdString(unicode));
  f.w->Openpredictionfile1->trigger();
  EXPECT_TRUE(f.host.Messages().empty());
  EXPECT_EQ(f.host.settings.LunarPredictionFile, unicode);
  ASSERT_EQ(f.w->ListBox1->count(), listed);
  for (int k = 0; k < listed; ++k) EXPECT_EQ(f.w->ListBox1->item(k)->text(), plain[k]) << k;
  f.w->ListBox1->setCurrentRow(5);
  emit f.w->ListBox1->itemDoubleClicked(f.w->ListBox1->item(5));
  EXPECT_EQ(f.w->Edit2->text(), "ZC 1234");
  EXPECT_EQ(f.w->Edit6->text(), "60.0");
  // Opened again at start-up from the settings, it is read the same way.
  delete f.w.data();
  f.w = new TIdentification(f.host, true);
  EXPECT_EQ(f.w->ListBox1->count(), listed);
}

// A listing written as a star block names the star, the observer and the
// date in its lines; the window takes them over and composes the code.
TEST(TIdentification, StarBlockGivesTargetObserverAndDate) {
  struct Row {
    const char *star_line, *date_line;
    const char *target, *year, *month, *day, *code;
  };
  for (const Row& r : {Row{"Star = R1234", "2024 May 12 predictions", "ZC 1234", "2024", "May", "12", "240512r1234KP"},
                       Row{"Star = S98765", "2023 Dec  5 predictions", "SAO 98765", "2023", "December", "5",
                           "231205s98765KP"},
                       Row{"Star = X777", "2031 Jan  1 predictions", "XZ 777", "2031", "January", "1", "310101x777KP"},
                       Row{"Star = HIP 12", "1999 Jul 30 predictions", "HIP 12", "1999", "July", "30", "990730UKP"}}) {
    TemporaryFolder folder{"tessary-lunar-block"};
    IdentFakeHost host;
    host.settings.LunarPredictionFile = folder.Write(
        "block.txt", JoinCrlfLines({"Lunar occultation predictions", "for one star", r.date_line, "   Cct", r.star_line,
                                    "Observer =  Kim Park", "more lines"}));
    host.times.StampDate1 = "24";
    host.times.StampDate2 = "5";
    host.times.StampDate3 = "12";
    QPointer<TIdentification> w = new TIdentification(host, true);
    EXPECT_EQ(w->Edit2->text().toStdString(), r.target) << r.star_line;
    EXPECT_EQ(w->Edit1->text(), "Kim Park") << r.star_line;
    EXPECT_EQ(w->ListBox1->count(), 7) << r.star_line;
    EXPECT_EQ(w->ComboBox1->currentText().toStdString(), r.year) << r.star_line;
    EXPECT_EQ(w->ComboBox2->currentText().toStdString(), r.month) << r.star_line;
    EXPECT_EQ(w->ComboBox3->currentText().toStdString(), r.day) << r.star_line;
    EXPECT_EQ(host.events.Texts.IdentificationCode, r.code) << r.star_line;
    // Listed again after a date or time change, the block is listed once.
    w->ComboBox3->setCurrentIndex(3);
    emit w->ComboBox3->activated(3);
    TypeAndEnter(w->Edit9, "15");
    w->Button9->click();
    EXPECT_EQ(w->ListBox1->count(), 7) << r.star_line;
    delete w.data();
  }
}

// Two stars listed seven seconds apart, both within ten seconds of the
// stamp: the one nearest the stamp's time is applied, and typing another
// second moves the choice to the star now nearest.
TEST(TIdentification, AutoSearchAppliesTheEventNearestTheStamp) {
  TemporaryFolder folder{"tessary-lunar-nearest"};
  IdentFakeHost host;
  std::vector<std::string> listing = SampleLunarListing();
  listing.resize(5);
  listing.push_back(LunarEventLine("24 May 12 14 30 05", " ", "  1234"));
  listing.push_back(LunarEventLine("24 May 12 14 30 12", "X", "   777"));
  StampForAutoSearch(host, folder.Write("lunar.txt", JoinCrlfLines(listing)), "24", "5", "12", {"14", "30", "10.0000"});
  host.zc[1234] = 5678;
  QPointer<TIdentification> w = new TIdentification(host, true);
  const TReportLightCurveElement& r = host.events.ReportLightCurveElement;
  struct Step {
    const char* second;
    const char *target, *catalogue, *number;
  };
  for (const Step& s : {Step{nullptr, "XZ 777", "XZ80Q", "777"}, Step{"6", "ZC 1234", "XZ80Q", "5678"},
                        Step{"9", "XZ 777", "XZ80Q", "777"}}) {
    if (s.second) TypeAndEnter(w->Edit11, s.second);
    SCOPED_TRACE(s.second ? s.second : "start");
    EXPECT_EQ(w->Edit2->text().toStdString(), s.target);
    EXPECT_EQ(r.Catalogue, s.catalogue);
    EXPECT_EQ(r.StarNumber, s.number);
    EXPECT_EQ(host.events.Texts.IdentificationTitle, std::string(s.target) + " ; 2024 May 12 ; Alan Lee");
  }
  delete w.data();
}


// An event line cut short inside a value (a file copied in part) is told with
// the line and hands nothing on: the model keeps the values of the event
// applied before, the report names no star, and the good lines around it
// still apply. A blank column, or one that is no number, takes its default
// as before.
TEST(TIdentification, ACutOrGarbledEventLineIsToldAndHandsNothingOn) {
  struct Row {
    const char* name;
    size_t cut;                      // the line's length, 0: whole
    size_t at;                       // 0-based column of a replacement
    const char* text;                // the replacement there
    bool refused;
  };
  const Row rows[] = {
      {"CutInTheStarNumber", 24, 0, "", true},     // "12" of "1234"
      {"CutInTheVMagnitude", 32, 0, "", true},     // "7" of "7.2"
      {"CutInTheRMagnitude", 38, 0, "", true},     // "6." of "6.5"
      {"CutInTheContactAngle", 60, 0, "", true},   // "-1" of "-120"
      {"CutInTheVelocity", 75, 0, "", true},       // "61" of "612.3"
      {"CutInTheDistance", 83, 0, "", true},       // "380" of "380.12"
      {"CutAfterTheDistance", 100, 0, "", false},
      {"BlankVelocity", 0, 71, "       ", false},
      {"LetterInTheVelocity", 0, 71, "  6l2.3", false},
  };
  for (const Row& x : rows) {
    SCOPED_TRACE(x.name);
    TemporaryFolder folder{"tessary-lunar-cut"};
    IdentFakeHost host;
    std::vector<std::string> listing = SampleLunarListing();
    listing.resize(5);
    listing.push_back(LunarEventLine("24 May 12 14 30 05", " ", "  1234"));
    std::string bad = LunarEventLine("24 May 12 14 40 05", " ", "  9000");
    if (x.text[0] != 0) bad.replace(x.at, std::string(x.text).size(), x.text);
    if (x.cut) bad.resize(x.cut);
    listing.push_back(bad);
    listing.push_back(LunarEventLine("24 May 12 14 50 05", "X", "   777"));
    StampForAutoSearch(host, folder.Write("lunar.txt", JoinCrlfLines(listing)), "24", "5", "12",
                       {"14", "30", "05.0000"});
    host.zc[1234] = 5678;
    QPointer<TIdentification> w = new TIdentification(host, true);
    const ChartEventState& ev = host.events;
    const TReportLightCurveElement& r = ev.ReportLightCurveElement;
    ASSERT_EQ(w->Edit2->text(), "ZC 1234");
    ASSERT_TRUE(host.Messages().empty());

    TypeAndEnter(w->Edit10, "40");
    if (x.refused) {
      ASSERT_EQ(host.Messages().size(), 1u);
      const std::string message = host.Messages()[0];
      EXPECT_TRUE(IsClearMessage(QString::fromStdString(message))) << message;
      EXPECT_NE(message.find("24 May 12 14 40 05"), std::string::npos) << message;
      EXPECT_TRUE(w->Edit2->text().isEmpty());
      EXPECT_EQ(r.Catalogue, "");
      EXPECT_EQ(r.StarNumber, "");
      EXPECT_EQ(r.ZcNumber, "");
      // The earlier event's values stay for the model: nothing came from the line.
      EXPECT_NEAR(static_cast<double>(ev.Diffraction.ObjectVelocity), 612.3, 1e-9);
      EXPECT_EQ(ev.Diffraction.ObjectDistance, 380120000);
      EXPECT_DOUBLE_EQ(ev.Diffraction.MeasuredContactAngle, 60);
      // Nor does the report list the earlier star's Moon values or magnitudes.
      const std::array<std::string, 11> none{};
      EXPECT_EQ(r.LunarValues, none);
      EXPECT_EQ(r.VMag, "");
      EXPECT_EQ(r.RMag, "");
    } else {
      EXPECT_TRUE(host.Messages().empty());
      EXPECT_EQ(w->Edit2->text(), "SAO 9000");
      EXPECT_EQ(r.StarNumber, "9000");
      EXPECT_EQ(w->Edit5->text(), x.cut ? "612.3" : "700.0");
      EXPECT_EQ(ev.Diffraction.ObjectDistance, 380120000);
    }
    // The good lines before and after it still apply.
    host.dialogs.messages.clear();
    for (const auto& [minute, target] : {std::pair{"50", "XZ 777"}, std::pair{"30", "ZC 1234"}}) {
      TypeAndEnter(w->Edit10, minute);
      EXPECT_EQ(w->Edit2->text().toStdString(), target);
    }
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(r.StarNumber, "5678");
    EXPECT_EQ(r.VMag, "7.2");
    EXPECT_EQ(r.LunarValues[0], "7");
    // Opened by hand with the stamp at the bad line, it is told once.
    TypeAndEnter(w->Edit10, "40");
    host.dialogs.messages.clear();
    host.dialogs.open_file_names.push_back(QString::fromStdString(host.settings.LunarPredictionFile));
    w->Openpredictionfile1->trigger();
    EXPECT_EQ(host.Messages().size(), x.refused ? 1u : 0u);
    delete w.data();
  }
}
