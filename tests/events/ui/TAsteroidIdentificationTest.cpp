// The event identification window driven through its controls: a pasted
// elements file, the clicked event, the video date and time, sites, the
// camera, applying, and integrated-video processing.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "../../chart/ui/ChartFakeHost.h"
#include "IdentFakeHost.h"
#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TIdentification.h"
#include "support/ChartTestTables.h"
#include "support/LunarListingText.h"
#include "support/SpreadsheetSaves.h"
#include "support/TemporaryFolder.h"
#include "support/WindowMonkey.h"

namespace {

struct Fixture {
  IdentFakeHost host;
  QPointer<TAsteroidIdentification> w;
  Fixture() {
    host.times.StampDate1 = "24";
    host.times.StampDate2 = "5";
    host.times.StampDate3 = "12";
    host.ini[{"Identification", "Observer"}] = "Alan Lee";
    host.ini[{"VideoSource", "Camera"}] = "WAT-910HX";
    w = new TAsteroidIdentification(host);
  }
  ~Fixture() { delete w.data(); }
  // The first event chosen, blocks of 4 frames set and 'Find the first frame'.
  void FindFirstFrameOfBlocksOf4() {
    w->Memo1->setPlainText(kElements);
    PressRow(w->ListBox1, 0);
    w->Button7->click();
    w->ComboBox3->setCurrentIndex(3);
    emit w->ComboBox3->activated(3);
    w->Button8->click();
  }
};

// Blocks of 4 records from record 1; block 25 bright, blocks 26-27 occulted.
std::vector<std::string> IntegratedBlocksTable(int first_frame = 0, bool fields = false) {
  std::vector<double> v;
  for (int i = 0; i < 128; ++i) {
    const int block = i == 0 ? -1 : (i - 1) / 4;
    v.push_back(block == 25 ? 1500 : block == 26 || block == 27 ? 200 : 1000 + 5 * (block & 1));
  }
  return BuildResultTable(3, 1, RowsFromValues({v}, first_frame, fields));
}

}  // namespace

TEST(TAsteroidIdentification, StartUpReadsSettingsAndStamp) {
  Fixture f;
  EXPECT_EQ(f.w->Edit3->text(), "Alan Lee");
  EXPECT_EQ(f.w->ComboBox1->currentText(), "WAT-910HX");
  EXPECT_EQ(f.w->Edit4->text(), "2024");
  EXPECT_EQ(f.w->Edit5->text(), "5");
  EXPECT_EQ(f.w->Edit21->text(), "14");
  EXPECT_NEAR(f.w->VideoUtHours, 14.5 + 5.0 / 3600, 1e-12);
  EXPECT_FALSE(f.w->Button1->isEnabled());
  EXPECT_FALSE(f.w->GroupBox9->isEnabled());
  EXPECT_EQ(f.host.events.Identification.AsteroidIdentificationOpen, 1);
  f.w->close();
  EXPECT_EQ(f.host.events.Identification.AsteroidIdentificationOpen, 0);
}

TEST(TAsteroidIdentification, ClickedEventShowsItsElementsAndApplies) {
  Fixture f;
  f.w->show();
  f.w->Memo1->setPlainText(kElements);
  ASSERT_EQ(f.w->ListBox1->count(), 2);
  PressRow(f.w->ListBox1, 0);
  EXPECT_TRUE(f.w->Button1->isEnabled());
  EXPECT_EQ(f.w->Edit9->text(), "2024 May 12");
  EXPECT_EQ(f.w->Edit1->text(), "2657.5");
  EXPECT_EQ(f.w->Edit7->text(), "(1234)Some name");
  EXPECT_EQ(f.w->Edit12->text(), "0.70");
  EXPECT_EQ(f.w->Edit37->text(), "20196");  // (61700 m)^2 / (3.14e11 m x 600 nm)
  EXPECT_EQ(f.w->Edit25->text(), "11.15");
  EXPECT_EQ(f.host.events.Identification.OccultationElements.Observer, "Alan Lee");

  // The video's date typed in; a refused year restores the accepted text.
  TypeAndEnter(f.w->Edit4, "1988");
  EXPECT_EQ(f.w->Edit4->text(), "2024");
  TypeAndEnter(f.w->Edit23, "59.5");
  EXPECT_EQ(f.w->Edit23->text(), "59.5000");
  TypeAndEnter(f.w->Edit23, "60");
  EXPECT_EQ(f.w->Edit23->text(), "59.5000");

  f.w->Edit32->setText("35.5, 139.25");
  f.w->Button12->click();
  EXPECT_EQ(f.w->Edit28->text(), "35");
  EXPECT_EQ(f.w->Edit29->text(), "30");
  EXPECT_EQ(f.w->Edit13->text(), "139");
  EXPECT_EQ(f.w->Edit26->text(), "15");
  f.w->Edit35->setText("Co Observer");
  f.w->Edit33->setText("Tokyo");

  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({{100, 100, 100, 20, 20, 20}}));
  f.w->Button1->click();
  const TReportLightCurveElement& r = f.host.events.ReportLightCurveElement;
  EXPECT_EQ(r.Kind, ReportKind::Asteroid);
  EXPECT_EQ(f.host.events.Texts.IdentificationTitle,
            "2024 May 12; (1234) Some name occults TYC 1234-00567-1 Observed by Alan Lee");
  EXPECT_EQ(f.host.events.Texts.IdentificationCode, "2024_5_12-(1234) Somename-Alan_Lee");
  EXPECT_EQ(f.host.chart.ChartState.SelectedFrame, 2);
  EXPECT_EQ(f.host.chart.ChartState.TotalFrameCount, 5);
  EXPECT_EQ(r.EventDate, "2024|5|12");
  EXPECT_EQ(r.ObjectNumber, "1234");
  EXPECT_EQ(r.ObjectName, "Some name");
  EXPECT_EQ(r.ObjectLabel, "1234: Some name");
  EXPECT_EQ(r.Catalogue, "TYC");
  EXPECT_EQ(r.StarNumber, "1234-00567-1");
  EXPECT_EQ(r.LatitudeD, "+35");
  EXPECT_EQ(r.Longitude, "+139 15 0.0");
  EXPECT_EQ(r.CoObserver, "Co Observer");
  EXPECT_EQ(r.Site, "Tokyo");
  EXPECT_EQ(f.host.events.Flags.AsteroidEventApplied, 1);
  EXPECT_EQ(f.host.xml_step_marked, 1);
  EXPECT_EQ(f.host.chart_opened, 1);
  EXPECT_TRUE(f.w.isNull() || !f.w->isVisible());  // closed after applying
}

// The lunar identification opened meanwhile resets the shared elements to the
// Moon's: applying or measuring in the guide still hands on the event it
// shows. Event 1: 2.1 AU = 314155528.47 km; hypot(1.2, 0.9) = 1.5 Earth radii
// per hour = 2657.54 m/s; 14.5 with 11.2 combine to 11.15.
TEST(TAsteroidIdentification, EventShownIsHandedOnAfterTheLunarWindowWasOpened) {
  for (bool integrated : {false, true}) {
    SCOPED_TRACE(integrated ? "integrated" : "applied");
    Fixture f;
    f.host.playing = true;
    f.host.table.lines = IntegratedBlocksTable();
    if (integrated) f.FindFirstFrameOfBlocksOf4();
    else {
      f.w->Memo1->setPlainText(kElements);
      PressRow(f.w->ListBox1, 0);
    }
    f.w->ComboBox2->setCurrentIndex(55);  // "K5" chosen for the star
    emit f.w->ComboBox2->activated(55);
    delete new TIdentification(f.host, false);
    (integrated ? f.w->Button9 : f.w->Button1)->click();
    const Occelmnt_Format& e = f.host.events.Identification.OccultationElements;
    EXPECT_NEAR(e.Distance, 314155528.47, 0.01);
    EXPECT_NEAR(e.Velocity, 2657.5417, 1e-4);
    EXPECT_NEAR(e.CombinedMagnitude, 11.15, 0.005);
    EXPECT_EQ(e.Star, "TYC 1234-00567-1");
    EXPECT_EQ(e.SpectralType, "K5");
    EXPECT_EQ(e.Camera, "WAT-910HX");
    EXPECT_EQ(e.Observer, "Alan Lee");
    EXPECT_EQ(f.host.events.Texts.IdentificationTitle.substr(0, 27), integrated ? "2024 May 12 (1234)Some name" : "2024 May 12; (1234) Some na");
    f.host.dialogs.yes_no_answers.push_back(false);
    f.w->close();
  }
}

// The identification code is proposed as the file name of the saved table:
// a comet's designation or an observer's name with "/" must not point it
// into a folder that is not there.
TEST(TAsteroidIdentification, CodeOfACometNamesAFileInTheChosenFolder) {
  Fixture f;
  f.host.playing = true;
  f.w->Edit3->setText("A/B Team");
  f.w->Memo1->setPlainText(
      "<Occultations>\n<Event>\n<Elements>a,b,2024,5,12,1.5,x,y,0.5,0.5\n<Star>HIP 1,,,11,10,9,1\n"
      "<Object>0,P/2010 A2,16,0.1,1.2\n</Event>\n</Occultations>\n");
  PressRow(f.w->ListBox1, 0);
  f.w->Button1->click();
  const std::string& code = f.host.events.Texts.IdentificationCode;
  EXPECT_EQ(code, "2024_5_12-(0) P_2010A2-A_B_Team");
  const std::filesystem::path folder = "/data/csv";
  EXPECT_EQ((folder / (code + ".csv")).parent_path(), folder);
  EXPECT_EQ(f.host.events.Texts.IdentificationTitle, "2024 May 12; (0) P/2010 A2 occults HIP 1 Observed by A/B Team");
}

// A lunar star's ZC number identified before does not stand in for the
// asteroid event's star, whether the event is applied or its integrated video
// measured.
TEST(TAsteroidIdentification, AsteroidEventDropsAnEarlierZcNumber) {
  for (bool integrated : {false, true}) {
    Fixture f;
    f.w->show();
    TReportLightCurveElement& r = f.host.events.ReportLightCurveElement;
    r.ZcLabel = "ZC";
    r.ZcNumber = "1234";
    std::vector<double> v;
    for (int i = 0; i < 80; ++i) v.push_back(100.0 + 10 * ((i + 3) / 4));
    f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({v}));
    f.w->Memo1->setPlainText(kElements);
    PressRow(f.w->ListBox1, 1);
    if (integrated) {
      f.w->Button7->click();
      f.w->ComboBox3->setCurrentIndex(3);
      emit f.w->ComboBox3->activated(3);
      f.w->Button8->click();
      f.w->Button9->click();
    } else {
      f.w->Button1->click();
    }
    EXPECT_EQ(r.Kind, ReportKind::Asteroid) << integrated;
    EXPECT_EQ(r.ZcLabel, "") << integrated;
    EXPECT_EQ(r.ZcNumber, "") << integrated;
  }
}

// A lunar star chosen in the guide keeps its catalogue in the report record,
// never "Kepler2": a ZC star with an XZ number is reported under XZ80Q with
// its ZC number beside it, as the lunar identification reports it.
TEST(TAsteroidIdentification, LunarStarsKeepTheirCatalogue) {
  struct Row {
    const char* star;
    const char *catalogue, *number, *zc_label, *zc_number;
  } rows[] = {{"ZC1234", "XZ80Q", "5678", "ZC", "1234"},
              {"ZC 1234", "XZ80Q", "5678", "ZC", "1234"},
              {"ZC 3599", "ZC", "3599", "ZC", "3599"},
              {"SAO 98765", "SAO", "98765", "", ""},
              {"XZ 777", "XZ80Q", "777", "", ""},
              {"XZ80Q 777", "XZ80Q", "777", "", ""},
              {"TYC 1234-00567-1", "TYC", "1234-00567-1", "", ""},
              {"EPIC 2001", "Kepler2", "2001", "", ""}};
  for (const Row& x : rows) {
    SCOPED_TRACE(x.star);
    Fixture f;
    f.host.zc[1234] = 5678;
    f.w->show();
    TReportLightCurveElement& r = f.host.events.ReportLightCurveElement;
    r.ZcLabel = "ZC";
    r.ZcNumber = "42";
    QString text = kElements;
    text.replace("TYC 1234-00567-1", x.star);
    f.w->Memo1->setPlainText(text);
    PressRow(f.w->ListBox1, 0);
    ASSERT_EQ(f.w->Edit8->text(), x.star);
    f.w->Button1->click();
    EXPECT_EQ(r.Catalogue, x.catalogue);
    EXPECT_EQ(r.StarNumber, x.number);
    EXPECT_EQ(r.ZcLabel, x.zc_label);
    EXPECT_EQ(r.ZcNumber, x.zc_number);
  }
}

// A lunar event applied after an asteroid event names no asteroid: the
// reports and the light-curve file name would carry the earlier one.
TEST(TAsteroidIdentification, MoonEventDropsAnEarlierAsteroid) {
  struct Row {
    const char* name;
    std::string text;
    const char *number, *object, *label;
  };
  const std::string moon =
      "Occultation prediction for Tokyo\n" + PutColumns({{1, "24 May 12 14 31 00.0"}, {25, "  1234"}}, 150, false);
  for (const Row& x : {Row{"Moon", moon, "", "", ""}, Row{"Asteroid", kElements, "7", "Iris", "7: Iris"}}) {
    Fixture f;
    f.w->show();
    TReportLightCurveElement& r = f.host.events.ReportLightCurveElement;
    r.ObjectNumber = "1234";
    r.ObjectName = "Some name";
    r.ObjectLabel = "1234: Some name";
    f.w->Memo1->setPlainText(QString::fromStdString(x.text));
    PressRow(f.w->ListBox1, f.w->ListBox1->count() - 1);
    f.w->Button1->click();
    EXPECT_EQ(r.ObjectNumber, x.number) << x.name;
    EXPECT_EQ(r.ObjectName, x.object) << x.name;
    EXPECT_EQ(r.ObjectLabel, x.label) << x.name;
  }
}

// Clicking from one event to the next never forms a colour index from the
// first star's B and the second star's V: with the diffraction panel open, an
// event without a usable B-V leaves the colour as it was.
TEST(TAsteroidIdentification, ClickedEventsColourIndexIsNeverMixedFromTwoStars) {
  static const char* const kThreeStars =
      "<Occultations>\r\n"
      "<Event>\r\n<Elements>JPL,2.0,2024,5,12,14.25,a,b,1.2,-0.9</Elements>\r\n"
      "<Star>TYC 1,1,2,11.9,11.2,10.1,0.3</Star>\r\n<Object>1234,Some name,14.5,123.4,2.1</Object>\r\n</Event>\r\n"
      "<Event>\r\n<Elements>JPL,2.0,2024,5,13,3.5,a,b,0.5,0.5</Elements>\r\n"
      "<Star>HIP 99,,,,9.5,,</Star>\r\n<Object>7,Iris,10,10,1.0</Object>\r\n</Event>\r\n"
      "<Event>\r\n<Elements>JPL,2.0,2024,5,14,3.5,a,b,0.5,0.5</Elements>\r\n"
      "<Star>HIP 7,,,14.0,10.5,9.0,</Star>\r\n<Object>8,Flora,10,10,1.0</Object>\r\n</Event>\r\n"
      "</Occultations>\r\n";
  struct Row {
    int second;
    const char* b_minus_v_shown;
  } rows[] = {
      {1, " - "},   // no B: 11.90 - 9.50 = 2.40 would mix the two stars
      {2, "3.50"},  // B-V 3.50 is out of range: 11.90 - 10.50 = 1.40 would mix them
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.second);
    Fixture f;
    FakeHost chart_host;
    chart_host.table.lines = BuildResultTable(3, 1, RowsFromValues({{100, 100, 20, 20, 100}}));
    chart_host.AnalyseEvents(f.host.events);
    QPointer<Tchart1> chart = new Tchart1(chart_host, f.host.chart, f.host.events);
    f.host.chart_window = chart;
    f.host.chart.ChartState.SelectedFrame = 2;
    chart->Button8->click();
    ASSERT_NE(chart->FresnelCtrl.data(), nullptr);
    f.w->show();
    f.w->Memo1->setPlainText(kThreeStars);
    PressRow(f.w->ListBox1, 0);
    EXPECT_EQ(chart->FresnelCtrl->Edit28->text().toStdString(), "0.70");
    PressRow(f.w->ListBox1, r.second);
    EXPECT_EQ(f.w->Edit12->text().toStdString(), r.b_minus_v_shown);
    EXPECT_NEAR(f.host.events.Diffraction.BminusV, 0.70, 1e-9);
    EXPECT_EQ(chart->FresnelCtrl->Edit28->text().toStdString(), "0.70");
    delete f.w.data();
    delete chart.data();
  }
}

TEST(TAsteroidIdentification, PastedLunarListingChoosesTheEventAtTheVideoTime) {
  Fixture f;
  const std::string line = PutColumns({{1, "24 May 12 14 31 00.0"}, {25, "  1234"}}, 150, false);
  const std::string other = PutColumns({{1, "24 May 12 14 40 00.0"}, {25, "  1234"}}, 150, false);
  f.w->Memo1->setPlainText(QString::fromStdString("Occultation prediction for Tokyo\n" + other + "\n" + line + "\n"));
  ASSERT_EQ(f.w->ListBox1->count(), 2);
  EXPECT_EQ(f.w->ListBox1->currentRow(), 1);  // 14:31:00 is within 0.05 h of 14:30:05; 14:40 is not
  EXPECT_EQ(f.w->Edit8->text(), "ZC1234");
  EXPECT_EQ(f.w->Edit7->text(), "Moon");
  EXPECT_EQ(f.w->Edit24->text(), "14.5014");
}

// Two stars of a cluster listed 70 s apart, both within 0.05 h of the video
// at 14:30:05: the star 5 s away is chosen, not the first listed.
TEST(TAsteroidIdentification, PastedLunarListingChoosesTheEventNearestTheVideoTime) {
  Fixture f;
  const std::string first = PutColumns({{1, "24 May 12 14 29 00.0"}, {25, "  1111"}, {145, "501.0"}}, 150, false);
  const std::string near = PutColumns({{1, "24 May 12 14 30 10.0"}, {25, "  2222"}, {145, "733.0"}}, 150, false);
  f.w->Memo1->setPlainText(QString::fromStdString("Occultation prediction for Tokyo\n" + first + "\n" + near + "\n"));
  ASSERT_EQ(f.w->ListBox1->count(), 2);
  EXPECT_EQ(f.w->ListBox1->currentRow(), 1);
  EXPECT_EQ(f.w->Edit8->text(), "ZC2222");
  EXPECT_EQ(f.w->Edit1->text(), "733.0");
  EXPECT_EQ(f.host.events.Identification.OccultationElements.Star, "ZC2222");
  EXPECT_DOUBLE_EQ(f.host.events.Identification.OccultationElements.Velocity, 733);
}

// Every column of a pasted lunar line reaches its edit: values computed by
// hand from the line (B-V = (V - R) x 1.845 - 0.055 without a spectrum).
TEST(TAsteroidIdentification, PastedLunarLineShowsEveryColumn) {
  struct Row {
    const char *letter, *number, *spectrum;
    const char *star, *bminusv, *combo;
  };
  for (const Row& x : {Row{"X", "   777", "K ", "XZ777", "1.24", "--"}, Row{" ", " 98765", "G8", "SAO98765", "--", "G8"},
                       Row{" ", "  2345", "M2", "ZC2345", "--", "M2"}}) {
    Fixture f;
    const std::string line = PutColumns({{1, "24 May 12 14 30 05.5"}, {24, x.letter}, {25, x.number}, {32, x.spectrum},
                                         {35, " 7.2"}, {40, " 6.5"}, {107, "-120.5"}, {139, "380.1"}, {145, "612.3"}},
                                        160, false);
    f.w->Memo1->setPlainText(QString::fromStdString("Occultation prediction for Tokyo\n" + line + "\n"));
    ASSERT_EQ(f.w->ListBox1->count(), 1) << x.star;
    EXPECT_EQ(f.w->ListBox1->currentRow(), 0) << x.star;  // 14:30:05.5 at the video's 14:30:05
    const std::vector<std::pair<QLineEdit*, const char*>> shown = {
        {f.w->Edit9, "2024 May 12"}, {f.w->Edit19, "14.5015"}, {f.w->Edit7, "Moon"},   {f.w->Edit8, x.star},
        {f.w->Edit11, "7.20"},       {f.w->Edit17, "6.50"},    {f.w->Edit12, x.bminusv}, {f.w->Edit1, "612.3"},
        {f.w->Edit2, "380100.0"},    {f.w->Edit20, "59.5"},    {f.w->Edit14, "--"},    {f.w->Edit15, "--"}};
    for (const auto& [edit, text] : shown)
      EXPECT_EQ(edit->text().toStdString(), text) << x.star << " " << edit->objectName().toStdString();
    EXPECT_EQ(f.w->ComboBox2->currentText().toStdString(), x.combo) << x.star;
    const Occelmnt_Format& e = f.host.events.Identification.OccultationElements;
    EXPECT_NEAR(e.UT, 14.501527777777778, 1e-12) << x.star;
    EXPECT_DOUBLE_EQ(e.Distance, 380100) << x.star;
    EXPECT_DOUBLE_EQ(e.Velocity, 612.3) << x.star;
    EXPECT_DOUBLE_EQ(e.ContactAngle, 59.5) << x.star;
  }
}

// A listing copied with its last line cut inside the distance ("38" of
// "380.1") is pasted or opened: that event is left out and the cut told,
// never chosen at the video time with a Moon 38000 km away.
TEST(TAsteroidIdentification, APastedListingCutInsideAValueLeavesThatEventOut) {
  const std::string first = PutColumns({{1, "24 May 12 14 29 00.0"}, {25, "  1111"}, {139, "381.0"}, {145, "700.0"}});
  const std::string cut =
      PutColumns({{1, "24 May 12 14 30 05.5"}, {25, "  1234"}, {139, "380.1"}, {145, "612.3"}}).substr(0, 140);
  const std::string text = "Occultation prediction for Tokyo\r\n" + first + "\r\n" + cut;
  for (const bool from_file : {false, true}) {
    SCOPED_TRACE(from_file ? "opened" : "pasted");
    Fixture f;
    TemporaryFolder folder("tessary-listing-cut");
    if (from_file) {
      f.host.dialogs.open_file_names.push_back(QString::fromStdString(folder.Write("listing.txt", text)));
      f.w->Button5->click();
    } else {
      QApplication::clipboard()->setText(QString::fromStdString(text));
      f.w->Button3->click();
    }
    ASSERT_EQ(f.w->ListBox1->count(), 1);
    EXPECT_EQ(f.w->Edit8->text(), "ZC1111");  // 14:29:00, within 0.05 h of the video's 14:30:05
    EXPECT_EQ(f.w->Edit2->text(), "381000.0");
    EXPECT_DOUBLE_EQ(f.host.events.Identification.OccultationElements.Distance, 381000);
    ASSERT_EQ(f.host.Messages().size(), 1u);
    EXPECT_EQ(f.host.Messages().back(), from_file ? "The prediction file is cut short: its last event was left out.\r\n" +
                                                        folder.File("listing.txt")
                                                  : "The copied text is cut short: its last event was left out.");
  }
}

// A second that would show as 60.0000 is refused like 60 itself.
TEST(TAsteroidIdentification, VideoSecondShownAsSixtyIsRefused) {
  Fixture f;
  struct Row {
    const char* typed;
    const char* shown;
  };
  for (Row r : {Row{"59.5", "59.5000"}, Row{"59.99999", "59.5000"}, Row{"59.99994", "59.9999"}, Row{"60", "59.9999"}}) {
    TypeAndEnter(f.w->Edit23, r.typed);
    EXPECT_EQ(f.w->Edit23->text().toStdString(), r.shown) << r.typed;
  }
}

// An accepted year is written back as a plain number, as month and day are:
// the recording date, the light-curve file name and the code read the edit.
TEST(TAsteroidIdentification, AcceptedYearIsShownAsAPlainNumber) {
  struct Row {
    const char *typed, *shown, *stamp;
  };
  for (Row r : {Row{"+2025", "2025", "25"}, Row{"02031", "2031", "31"}, Row{" 1999", "1999", "99"},
                Row{"2088", "1999", "99"}}) {
    Fixture f;
    if (std::string(r.typed) == "2088") TypeAndEnter(f.w->Edit4, "1999");
    TypeAndEnter(f.w->Edit4, r.typed);
    EXPECT_EQ(f.w->Edit4->text().toStdString(), r.shown) << r.typed;
    EXPECT_EQ(f.host.times.StampDate1, r.stamp) << r.typed;
    f.w->Memo1->setPlainText(kElements);
    PressRow(f.w->ListBox1, 0);
    f.w->Button1->click();
    EXPECT_EQ(f.host.events.ReportLightCurveElement.RecordingDate, std::string(r.shown) + "-5-12") << r.typed;
    EXPECT_EQ(f.host.events.Texts.IdentificationCode.substr(0, 10), std::string(r.shown) + "_5_12-") << r.typed;
  }
}

// Erasing the listed elements leaves no event to apply: applying would title
// the erased event over a report record of empty edits.
TEST(TAsteroidIdentification, ClearedListLeavesNothingToApply) {
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "erased" : "kept");
    Fixture f;
    f.w->Memo1->setPlainText(kElements);
    PressRow(f.w->ListBox1, 0);
    ASSERT_TRUE(f.w->Button1->isEnabled());
    f.host.dialogs.yes_no_answers.push_back(yes);
    f.w->Button6->click();
    EXPECT_EQ(f.w->ListBox1->count(), yes ? 0 : 2);
    EXPECT_EQ(f.w->Edit8->text().isEmpty(), yes);
    EXPECT_EQ(f.w->Button1->isEnabled(), !yes);
    EXPECT_EQ(f.w->Button7->isEnabled(), !yes);
  }
}

// The first site fills the site edits when the window first comes up; coming
// back to it later keeps a site loaded or typed since, which applying writes
// into the report.
TEST(TAsteroidIdentification, ComingBackToTheWindowKeepsTheSiteInItsEdits) {
  struct Row {
    const char* step;
    std::function<void(TAsteroidIdentification*)> change;
    const char *site, *longitude;
  };
  const Row rows[] = {
      {"second site loaded", [](TAsteroidIdentification* w) { w->Button17->click(); }, "Berlin", "10"},
      {"site typed", [](TAsteroidIdentification* w) { w->Edit33->setText("Kiso"); }, "Kiso", "139"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.step);
    Fixture f;
    f.host.settings.StoredSites[0] = "139:45:12.5:35:40:2.0:25:Tokyo:JPN";
    f.host.ini[{"Identification", "SecondSite"}] = "10:0:0:50:0:0:100:Berlin:DEU";
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(f.w, &activate);
    EXPECT_EQ(f.w->Edit33->text().toStdString(), "Tokyo");
    r.change(f.w);
    QApplication::sendEvent(f.w, &activate);
    EXPECT_EQ(f.w->Edit33->text().toStdString(), r.site);
    EXPECT_EQ(f.w->Edit13->text().toStdString(), r.longitude);
    f.host.playing = true;
    f.w->Memo1->setPlainText(kElements);
    PressRow(f.w->ListBox1, 0);
    f.w->Button1->click();
    EXPECT_EQ(f.host.events.ReportLightCurveElement.Site, r.site);
    EXPECT_EQ(f.host.events.ReportLightCurveElement.LongitudeD, "+" + std::string(r.longitude));
  }
}

TEST(TAsteroidIdentification, SitesCameraAndObserverReachTheSettings) {
  Fixture f;
  const std::vector<std::pair<QLineEdit*, QString>> site = {
      {f.w->Edit13, "139"}, {f.w->Edit26, "45"}, {f.w->Edit27, "12.5"}, {f.w->Edit28, "35"}, {f.w->Edit29, "40"},
      {f.w->Edit30, "2.0"}, {f.w->Edit31, "25"}, {f.w->Edit33, "Tokyo"}, {f.w->Edit34, "JPN"}};
  for (auto& [e, t] : site) e->setText(t);
  f.w->Button14->click();
  EXPECT_EQ((f.host.ini[{"Identification", "SecondSite"}]), "139:45:12.5:35:40:2.0:25:Tokyo:JPN");
  f.w->Button19->click();
  EXPECT_TRUE(f.w->Edit33->text().isEmpty());
  f.w->Button17->click();
  EXPECT_EQ(f.w->Edit33->text(), "Tokyo");
  EXPECT_EQ(f.w->Edit34->text(), "JPN");

  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({{1, 2}}));
  f.w->ComboBox1->setCurrentIndex(1);
  emit f.w->ComboBox1->activated(1);
  EXPECT_EQ(GetCsvField(f.host.table.lines[2], 3), "WAT-120N");  // the video-system line names the camera
  f.w->Button4->click();
  EXPECT_EQ((f.host.ini[{"VideoSource", "Camera"}]), "WAT-120N");
  f.w->Edit3->setText("New Name");
  f.w->Button2->click();
  EXPECT_EQ((f.host.ini[{"Identification", "Observer"}]), "New Name");
  EXPECT_EQ(f.host.settings.ObserverName, "New Name");
  f.w->ComboBox4->setCurrentIndex(4);
  emit f.w->ComboBox4->activated(4);
  EXPECT_EQ(f.w->Edit34->text(), "JPN");
}

// A site south or west of Greenwich has negative minutes and seconds: the
// edits' short lengths limit typing, never the parts the map or a stored
// site put in. -35.5 = -35 deg -30 min 0.0 s; -139.7 = -139 -42 0.0;
// -0.1278 = -0 -7 -40.0.
TEST(TAsteroidIdentification, SouthAndWestSitesKeepTheirNegativeMinutes) {
  struct Row {
    const char* how;
    std::function<void(Fixture&)> fill;
    std::array<const char*, 6> parts;  // longitude d m s, latitude d m s
  };
  const Row rows[] = {
      {"map", [](Fixture& f) { f.w->Edit32->setText("-35.5, -139.7"); f.w->Button12->click(); },
       {"-139", "-42", "0.0", "-35", "-30", "0.0"}},
      {"map near Greenwich", [](Fixture& f) { f.w->Edit32->setText("-0.5, -0.1278"); f.w->Button12->click(); },
       {"-0", "-7", "-40.0", "-0", "-30", "0.0"}},
      {"stored site", [](Fixture& f) {
         f.host.ini[{"Identification", "ThirdSite"}] = "-70:-40:-12.5:-33:-27:-3.5:520:Santiago:CHL";
         f.w->Button18->click();
       },
       {"-70", "-40", "-12.5", "-33", "-27", "-3.5"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.how);
    Fixture f;
    r.fill(f);
    const std::array<QLineEdit*, 6> edits{f.w->Edit13, f.w->Edit26, f.w->Edit27,
                                          f.w->Edit28, f.w->Edit29, f.w->Edit30};
    for (size_t k = 0; k < edits.size(); ++k) EXPECT_EQ(edits[k]->text().toStdString(), r.parts[k]) << k;
    // Saved and loaded again unchanged, and reported as shown.
    f.w->Button13->click();
    f.w->Button19->click();
    f.w->Button16->click();
    for (size_t k = 0; k < edits.size(); ++k) EXPECT_EQ(edits[k]->text().toStdString(), r.parts[k]) << k;
    f.host.playing = true;
    f.w->Memo1->setPlainText(kElements);
    PressRow(f.w->ListBox1, 0);
    f.w->Button1->click();
    const TReportLightCurveElement& rep = f.host.events.ReportLightCurveElement;
    EXPECT_EQ(rep.Longitude, std::string(r.parts[0]) + " " + r.parts[1] + " " + r.parts[2]);
    EXPECT_EQ(rep.Latitude, std::string(r.parts[3]) + " " + r.parts[4] + " " + r.parts[5]);
  }
}

// Typing stops at each site edit's length.
TEST(TAsteroidIdentification, SiteEditsTakeTypedCharactersUpToTheirLength) {
  Fixture f;
  const std::vector<std::pair<QLineEdit*, QString>> typed = {
      {f.w->Edit13, "-1395"}, {f.w->Edit26, "455"}, {f.w->Edit27, "12.567"}, {f.w->Edit28, "-355"},
      {f.w->Edit29, "405"},   {f.w->Edit30, "2.0123"}, {f.w->Edit31, "12345"}};
  const std::vector<QString> kept = {"-139", "45", "12.56", "-35", "40", "2.012", "1234"};
  for (size_t k = 0; k < typed.size(); ++k) {
    QLineEdit* e = typed[k].first;
    e->setFocus();
    for (const QChar c : typed[k].second) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(e, &press);
    }
    EXPECT_EQ(e->text(), kept[k]) << k;
    // With the text selected, a typed character replaces it.
    e->selectAll();
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, "7");
    QApplication::sendEvent(e, &press);
    EXPECT_EQ(e->text(), "7") << k;
    // A paste is cut at the length too.
    QApplication::clipboard()->setText(typed[k].second);
    e->clear();
    e->paste();
    EXPECT_EQ(e->text(), kept[k]) << k;
  }
}

TEST(TAsteroidIdentification, CameraLeavesTheHeaderOfATableWithoutTheVideoSystemLine) {
  Fixture f;
  const auto table = WithoutVideoSystemLine(BuildResultTable(3, 1, RowsFromValues({{1, 2}})));
  f.host.table.lines = table;
  f.w->ComboBox1->setCurrentIndex(1);
  emit f.w->ComboBox1->activated(1);
  EXPECT_EQ(f.host.events.Identification.OccultationElements.Camera, "WAT-120N");
  EXPECT_EQ(f.host.table.lines, table);
}

TEST(TAsteroidIdentification, IntegratedVideoAveragesBlocksAndRestoresTheTableOnClose) {
  Fixture f;
  f.host.table.lines = IntegratedBlocksTable();
  const auto frame_table = f.host.table.lines;
  f.w->Memo1->setPlainText(kElements);
  PressRow(f.w->ListBox1, 0);
  ASSERT_TRUE(f.w->Button7->isEnabled());
  f.w->Button7->click();
  EXPECT_TRUE(f.host.dialogs.messages.empty());
  f.w->ComboBox3->setCurrentIndex(3);
  emit f.w->ComboBox3->activated(3);
  EXPECT_EQ(f.host.events.Flags.IntegrationCount, 4);
  ASSERT_TRUE(f.w->Button8->isEnabled());
  f.w->Button8->click();
  EXPECT_EQ(f.host.events.Flags.IntegrationPhase, 1);
  EXPECT_EQ(f.host.events.Identification.IntegrationSampleOffset, 2);
  EXPECT_EQ(f.host.frame_step, 4);
  EXPECT_EQ(f.host.shown_frames, std::vector<int>{2});
  EXPECT_EQ(f.host.chart.AsteroidChartMode, 1);
  ASSERT_TRUE(f.w->Button9->isEnabled());
  f.w->Button9->click();
  ASSERT_EQ(f.host.table.lines.size(), 6u + 32u);
  EXPECT_EQ(GetCsvField(f.host.table.lines[6 + 25], 11), "1500.0");
  EXPECT_EQ(f.host.chart.ChartState.SelectedFrame, 26);
  EXPECT_EQ(f.host.shown_frames.back(), 4 * 26 + 2);
  EXPECT_EQ(f.host.events.Flags.IntegratedVideoMeasured, 1);
  f.host.dialogs.yes_no_answers.push_back(true);  // put the frame table back
  f.w->close();
  EXPECT_EQ(f.host.table.lines, frame_table);
}

// The integrated-video road reports the event clicked and the site and
// observer checked in the window, never an event applied before.
TEST(TAsteroidIdentification, IntegratedVideoReportsTheClickedEventAndSite) {
  Fixture f;
  TReportLightCurveElement& r = f.host.events.ReportLightCurveElement;
  r.EventDate = "2023|1|2";
  r.ObjectLabel = "99: Earlier";
  r.Catalogue = "UCAC4";
  r.StarNumber = "1-2";
  r.Site = "Earlier site";
  f.host.table.lines = IntegratedBlocksTable();
  f.w->Memo1->setPlainText(kElements);
  PressRow(f.w->ListBox1, 1);
  f.w->Edit33->setText("Kyoto");
  f.w->Edit35->setText("Co Observer");
  f.w->Button7->click();
  f.w->ComboBox3->setCurrentIndex(3);
  emit f.w->ComboBox3->activated(3);
  f.w->Button8->click();
  f.w->Button9->click();
  ASSERT_EQ(f.host.table.lines.size(), 6u + 32u);
  EXPECT_EQ(r.EventDate, "2024|5|13");
  EXPECT_EQ(r.EventHour, " 3.5");
  EXPECT_EQ(r.ObjectLabel, "7: Iris");
  EXPECT_EQ(r.Catalogue, "HIP");
  EXPECT_EQ(r.StarNumber, "99");
  EXPECT_EQ(r.Site, "Kyoto");
  EXPECT_EQ(r.CoObserver, "Co Observer");
  EXPECT_EQ(r.Observer, "Alan Lee");
  EXPECT_EQ(r.RecordingDate, "2024-5-12");
  f.host.dialogs.yes_no_answers.push_back(false);
  f.w->close();
}

// Loading another elements file or erasing the list drops the clicked event:
// measuring the integrated video then would report an empty "(0)" event and
// give the diffraction panel no distance or velocity. The blocks found stay,
// and a newly clicked event is the one measured.
TEST(TAsteroidIdentification, IntegratedVideoMeasuresOnlyAClickedEvent) {
  TemporaryFolder folder("tessary-elements");
  const QString file = QString::fromStdString(folder.Write("events.xml", kElements));
  const std::vector<std::pair<const char*, std::function<void(Fixture&)>>> drops = {
      {"another file", [&](Fixture& f) {
         f.host.dialogs.open_file_names.push_back(file);
         f.w->Button5->click();
       }},
      {"list erased", [](Fixture& f) {
         f.host.dialogs.yes_no_answers.push_back(true);
         f.w->Button6->click();
         f.w->Memo1->setPlainText(kElements);
       }},
  };
  for (const auto& [how, drop] : drops) {
    SCOPED_TRACE(how);
    Fixture f;
    f.host.table.lines = IntegratedBlocksTable();
    f.FindFirstFrameOfBlocksOf4();
    ASSERT_TRUE(f.w->Button9->isEnabled());
    drop(f);
    ASSERT_EQ(f.w->ListBox1->count(), 2);
    EXPECT_FALSE(f.w->Button9->isEnabled());
    PressRow(f.w->ListBox1, 1);
    ASSERT_TRUE(f.w->Button9->isEnabled());
    f.w->Button9->click();
    EXPECT_EQ(f.host.table.lines.size(), 6u + 32u);
    EXPECT_EQ(f.host.events.ReportLightCurveElement.ObjectLabel, "7: Iris");
    EXPECT_EQ(f.host.events.Identification.OccultationElements.Distance, 149597870.7);
    f.host.dialogs.yes_no_answers.push_back(false);
    f.w->close();
  }
}

// A camera chosen while the averaged table is shown is the camera of the
// frame-by-frame table put back on closing, as it is when chosen before.
TEST(TAsteroidIdentification, CameraChosenOnTheAveragedTableStaysInTheTablePutBack) {
  Fixture f;
  f.host.table.lines = IntegratedBlocksTable();
  ASSERT_NE(f.host.table.lines[2].find("Video System : "), std::string::npos);
  f.FindFirstFrameOfBlocksOf4();
  f.w->Button9->click();
  ASSERT_EQ(f.host.table.lines.size(), 6u + 32u);
  f.w->ComboBox1->setCurrentIndex(1);
  emit f.w->ComboBox1->activated(1);
  EXPECT_EQ(GetCsvField(f.host.table.lines[2], 3), "WAT-120N");
  f.host.dialogs.yes_no_answers.push_back(true);
  f.w->close();
  ASSERT_EQ(f.host.table.lines.size(), 6u + 128u);
  EXPECT_EQ(GetCsvField(f.host.table.lines[2], 3), "WAT-120N");
}

// The main window shows the frame a kept record was measured from, whatever
// frame the run started at.
TEST(TAsteroidIdentification, IntegratedVideoShowsTheFramesOfTheKeptRecords) {
  const struct {
    int first_frame;
    bool fields;
    int first_kept, event_kept;  // frames of records 2 and 106
  } cases[] = {{0, false, 2, 106}, {37, false, 39, 143}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.first_frame) + (c.fields ? " fields" : " frames"));
    Fixture f;
    f.host.table.lines = IntegratedBlocksTable(c.first_frame, c.fields);
    f.FindFirstFrameOfBlocksOf4();
    EXPECT_EQ(f.host.events.Identification.IntegrationSampleOffset, 2);
    EXPECT_EQ(f.host.shown_frames, std::vector<int>{c.first_kept});
    f.w->Button9->click();
    EXPECT_EQ(f.host.chart.ChartState.SelectedFrame, 26);
    EXPECT_EQ(f.host.shown_frames.back(), c.event_kept);
  }
}

// Finding the first frame again after the blocks were averaged works on the
// frame-by-frame table, not on the averaged one: blocks of 4 taken for 2
// frames give what a first pass with 2 frames gives.
TEST(TAsteroidIdentification, IntegratedVideoProcessedTwiceAveragesTheFrameTableAgain) {
  auto choose = [](Fixture& f, int index) {
    f.w->ComboBox3->setCurrentIndex(index);
    emit f.w->ComboBox3->activated(index);
  };
  Fixture fresh;
  fresh.host.table.lines = IntegratedBlocksTable();
  fresh.w->Memo1->setPlainText(kElements);
  PressRow(fresh.w->ListBox1, 0);
  fresh.w->Button7->click();
  choose(fresh, 2);
  fresh.w->Button8->click();
  fresh.w->Button9->click();
  ASSERT_EQ(fresh.host.events.Identification.IntegrationSampleOffset, 1);
  ASSERT_EQ(fresh.host.table.lines.size(), 6u + 64u);

  Fixture f;
  f.host.table.lines = IntegratedBlocksTable();
  f.FindFirstFrameOfBlocksOf4();
  f.w->Button9->click();
  ASSERT_EQ(f.host.table.lines.size(), 6u + 32u);
  choose(f, 2);
  ASSERT_TRUE(f.w->Button8->isEnabled());
  f.w->Button8->click();
  EXPECT_EQ(f.host.events.Flags.IntegrationPhase, fresh.host.events.Flags.IntegrationPhase);
  EXPECT_EQ(f.host.events.Identification.IntegrationSampleOffset, 1);
  EXPECT_EQ(f.host.table.lines, IntegratedBlocksTable());  // the frames are back
  f.w->Button9->click();
  EXPECT_EQ(f.host.table.lines, fresh.host.table.lines);
  EXPECT_EQ(f.host.chart.ChartState.SelectedFrame, fresh.host.chart.ChartState.SelectedFrame);
}

// The first frame found belongs to its block length: with another length
// chosen the blocks cannot be averaged until its own first frame is found,
// which would mix neighbouring blocks.
TEST(TAsteroidIdentification, IntegratedVideoAveragesOnlyWithTheLengthItsFirstFrameWasFoundFor) {
  Fixture f;
  f.host.table.lines = IntegratedBlocksTable();
  const std::vector<std::string> frames = f.host.table.lines;
  f.FindFirstFrameOfBlocksOf4();
  const struct {
    int index;
    bool averaging;
  } steps[] = {{4, false}, {1, false}, {0, false}, {2, false}, {3, true}};
  for (const auto& step : steps) {
    f.w->ComboBox3->setCurrentIndex(step.index);
    emit f.w->ComboBox3->activated(step.index);
    EXPECT_EQ(f.w->Button9->isEnabled(), step.averaging) << step.index;
  }
  f.w->Button9->click();
  EXPECT_EQ(f.host.table.lines.size(), 6u + 32u);
  EXPECT_EQ(GetCsvField(f.host.table.lines[6 + 25], 11), "1500.0");
}

// Starting the processing again after the blocks were averaged starts from
// the frame-by-frame measurement: the averaged table would be fitted with
// single frames and too few records.
TEST(TAsteroidIdentification, IntegratedVideoStartedAgainPutsTheFramesBack) {
  Fixture f;
  f.host.table.lines = IntegratedBlocksTable();
  f.FindFirstFrameOfBlocksOf4();
  f.w->Button9->click();
  ASSERT_EQ(f.host.table.lines.size(), 6u + 32u);
  f.w->Button7->click();
  EXPECT_EQ(f.host.table.lines, IntegratedBlocksTable());
  EXPECT_TRUE(f.host.Messages().empty());  // 127 records are enough
  EXPECT_EQ(f.host.events.Flags.IntegrationCount, 1);
  EXPECT_EQ(f.host.events.Flags.IntegratedVideoMeasured, 0);
  f.host.dialogs.yes_no_answers.push_back(true);
  f.w->close();
  EXPECT_TRUE(f.host.dialogs.questions.empty());
}

// The frame-by-frame table put back holds one record per frame: the main
// window's step, which the diffraction model and the timing error take as the
// frames per record, is that spacing again, not the block length. Kept
// averaged (No), the step stays the block length.
TEST(TAsteroidIdentification, FrameTablePutBackIsSteppedFrameByFrame) {
  struct Row {
    const char* how;
    std::function<void(Fixture&)> put_back;
    bool averaged_kept;
  };
  const Row rows[] = {
      {"closed, put back", [](Fixture& f) { f.host.dialogs.yes_no_answers.push_back(true); f.w->close(); }, false},
      {"closed, kept", [](Fixture& f) { f.host.dialogs.yes_no_answers.push_back(false); f.w->close(); }, true},
      {"started again", [](Fixture& f) { f.w->Button7->click(); }, false},
      {"other length", [](Fixture& f) {
         f.w->ComboBox3->setCurrentIndex(4);
         emit f.w->ComboBox3->activated(4);
       }, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.how);
    Fixture f;
    f.host.table.lines = IntegratedBlocksTable();
    f.FindFirstFrameOfBlocksOf4();
    f.w->Button9->click();
    ASSERT_EQ(f.host.table.lines.size(), 6u + 32u);
    r.put_back(f);
    const auto& t = f.host.table.lines;
    ASSERT_EQ(t.size(), r.averaged_kept ? 6u + 32u : 6u + 128u);
    const int spacing = RowFrameNumber(t[7]) - RowFrameNumber(t[6]);
    EXPECT_EQ(spacing, r.averaged_kept ? 4 : 1);
    EXPECT_EQ(f.host.frame_step, spacing);
  }
}

// Starting again before averaging sets single frames: 'Make a measurement'
// is off until a block length is chosen again, since averaging blocks of one
// frame would leave the table as it is but mark it as blocks of the frame step
// set for the earlier length.
TEST(TAsteroidIdentification, IntegratedVideoStartedAgainAveragesNothingUntilALengthIsChosen) {
  Fixture f;
  f.host.table.lines = IntegratedBlocksTable();
  f.FindFirstFrameOfBlocksOf4();
  ASSERT_TRUE(f.w->Button9->isEnabled());
  f.w->Button7->click();
  EXPECT_EQ(f.host.events.Flags.IntegrationCount, 1);
  EXPECT_EQ(f.w->ComboBox3->currentIndex(), 1);
  EXPECT_FALSE(f.w->Button8->isEnabled());
  EXPECT_FALSE(f.w->Button9->isEnabled());
  EXPECT_TRUE(f.w->Button10->isEnabled());
  f.w->Button9->click();
  EXPECT_EQ(f.host.table.lines, IntegratedBlocksTable());
  EXPECT_EQ(f.host.events.Flags.IntegratedVideoMeasured, 0);
  // The same length again averages with the first frame already found.
  f.w->ComboBox3->setCurrentIndex(3);
  emit f.w->ComboBox3->activated(3);
  ASSERT_TRUE(f.w->Button9->isEnabled());
  f.w->Button9->click();
  EXPECT_EQ(f.host.table.lines.size(), 6u + 32u);
}

// The averaged table belongs to its block length: choosing another length
// puts the frame-by-frame table back, so no fit or event time takes the
// blocks of 4 for blocks of 8; the same length keeps the averaged table.
TEST(TAsteroidIdentification, IntegratedVideoAveragedTableEndsWithItsBlockLength) {
  Fixture f;
  f.host.table.lines = IntegratedBlocksTable();
  f.FindFirstFrameOfBlocksOf4();
  f.w->Button9->click();
  const std::vector<std::string> averaged = f.host.table.lines;
  ASSERT_EQ(averaged.size(), 6u + 32u);
  const struct {
    int index;
    size_t records;
  } steps[] = {{3, 32}, {4, 128}, {3, 128}};
  for (const auto& step : steps) {
    f.w->ComboBox3->setCurrentIndex(step.index);
    emit f.w->ComboBox3->activated(step.index);
    EXPECT_EQ(f.host.table.lines.size(), 6 + step.records) << step.index;
  }
  EXPECT_EQ(f.host.table.lines, IntegratedBlocksTable());
  EXPECT_EQ(f.host.events.Flags.IntegratedVideoMeasured, 0);
}

// A new run measured after the blocks were averaged is the table from then
// on: neither finding the first frame again, averaging again nor closing the
// window brings the earlier frame-by-frame table back over it.
TEST(TAsteroidIdentification, IntegratedVideoLeavesANewRunAlone) {
  const std::vector<std::string> new_run = IntegratedBlocksTable(300);
  for (const char* step : {"find", "average", "close"}) {
    SCOPED_TRACE(step);
    Fixture f;
    f.host.table.lines = IntegratedBlocksTable();
    f.FindFirstFrameOfBlocksOf4();
    f.w->Button9->click();
    f.host.table.lines = new_run;
    const std::string s = step;
    if (s == "find") {
      f.w->ComboBox3->setCurrentIndex(3);
      emit f.w->ComboBox3->activated(3);
      f.w->Button8->click();
      EXPECT_EQ(f.host.table.lines, new_run);
      EXPECT_EQ(f.host.shown_frames.back(), 302);
    } else if (s == "average") {
      f.w->Button9->click();
      ASSERT_EQ(f.host.table.lines.size(), 6u + 32u);
      EXPECT_EQ(GetCsvField(f.host.table.lines[6], 1), "302.0");
    } else {
      f.host.dialogs.yes_no_answers.push_back(true);
      f.w->close();
      EXPECT_TRUE(f.host.dialogs.questions.empty());
      EXPECT_EQ(f.host.table.lines, new_run);
    }
  }
}

// Both fields of an integrated frame show the same exposure, so a table of
// fields would split every block in two and time the event wrongly: it is
// refused with a message, and the table stays as it is.
TEST(TAsteroidIdentification, IntegratedVideoRefusesATableOfFields) {
  Fixture f;
  const std::vector<std::string> fields = IntegratedBlocksTable(10, true);
  f.host.table.lines = fields;
  f.FindFirstFrameOfBlocksOf4();
  ASSERT_EQ(f.host.Messages().size(), 1u);
  EXPECT_NE(f.host.Messages().back().find("Field Measure"), std::string::npos) << f.host.Messages().back();
  EXPECT_TRUE(f.host.shown_frames.empty());
  EXPECT_EQ(f.host.frame_step, 1);
  EXPECT_FALSE(f.w->Button9->isEnabled());

  // A run of fields measured after the phase was found is not averaged either.
  f.host.table.lines = IntegratedBlocksTable();
  f.w->Button8->click();
  ASSERT_TRUE(f.w->Button9->isEnabled());
  f.host.table.lines = fields;
  f.w->Button9->click();
  EXPECT_EQ(f.host.table.lines, fields);
  EXPECT_EQ(f.host.Messages().size(), 2u);
}

// The blocks of IntegratedBlocksTable measured every `step`-th frame from
// frame `first`: a record then stands for `step` frames.
std::vector<std::string> SteppedBlocksTable(int step, int first) {
  std::vector<double> v;
  for (int r = 0; r < 128; ++r) {
    const int frame = first + step * r, block = frame == 0 ? -1 : (frame - 1) / 4;
    v.push_back(block == 25 ? 1500 : block == 26 || block == 27 ? 200 : 1000 + 5 * (block & 1));
  }
  std::vector<TableRowCells> rows = RowsFromValues({v});
  for (size_t r = 0; r < rows.size(); ++r) rows[r].No = FormatInt(first + step * static_cast<int64_t>(r)) + ".0";
  return BuildResultTable(3, 1, rows);
}

// Blocks are found and averaged in records: a run measured every n-th frame
// would take n blocks for one, so it is refused with a message and the table
// stays as it is, both when the first frame is sought and when averaging.
TEST(TAsteroidIdentification, IntegratedVideoRefusesATableMeasuredEveryNthFrame) {
  const struct {
    int step, first;
  } cases[] = {{2, 0}, {4, 2}, {3, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step);
    const std::vector<std::string> stepped = SteppedBlocksTable(c.step, c.first);
    Fixture f;
    f.host.table.lines = stepped;
    f.FindFirstFrameOfBlocksOf4();
    ASSERT_EQ(f.host.Messages().size(), 1u);
    EXPECT_NE(f.host.Messages().back().find("every frame"), std::string::npos) << f.host.Messages().back();
    EXPECT_TRUE(f.host.shown_frames.empty());
    EXPECT_EQ(f.host.frame_step, 1);
    EXPECT_FALSE(f.w->Button9->isEnabled());
    EXPECT_EQ(f.host.table.lines, stepped);

    // Measured again every n-th frame after the phase was found in a run of every frame.
    f.host.table.lines = IntegratedBlocksTable();
    f.w->Button8->click();
    ASSERT_TRUE(f.w->Button9->isEnabled());
    f.host.table.lines = stepped;
    f.w->Button9->click();
    EXPECT_EQ(f.host.table.lines, stepped);
    EXPECT_EQ(f.host.Messages().size(), 2u);
    EXPECT_EQ(f.host.events.Flags.IntegratedVideoMeasured, 0);
  }
}

// A run measured anew after the first frame was found may be too short to
// hold a record where the blocks were found: nothing is averaged, the table
// stays as it is and the user is told, rather than an empty table shown.
TEST(TAsteroidIdentification, IntegratedVideoOfARunWithoutAKeptRecordLeavesTheTable) {
  for (const size_t records : {0u, 1u, 2u}) {
    SCOPED_TRACE(records);
    Fixture f;
    f.host.table.lines = IntegratedBlocksTable();
    f.FindFirstFrameOfBlocksOf4();  // the kept record of each block is its third
    ASSERT_TRUE(f.w->Button9->isEnabled());
    const std::vector<std::string> short_run =
        BuildResultTable(3, 1, RowsFromValues({std::vector<double>(records, 700)}));
    f.host.table.lines = short_run;
    f.w->Button9->click();
    EXPECT_EQ(f.host.table.lines, short_run);
    ASSERT_EQ(f.host.Messages().size(), 1u);
    EXPECT_NE(f.host.Messages().back().find("nothing was averaged"), std::string::npos);
    EXPECT_EQ(f.host.events.Flags.IntegratedVideoMeasured, 0);
    f.host.dialogs.yes_no_answers.push_back(true);
    f.w->close();
    EXPECT_EQ(f.host.table.lines, short_run);
  }
}

TEST(TAsteroidIdentification, IntegratedVideoOfATableWithoutTheVideoSystemLine) {
  Fixture f;
  f.host.table.lines = WithoutVideoSystemLine(IntegratedBlocksTable());
  f.FindFirstFrameOfBlocksOf4();  // the phase is found from the first row on
  EXPECT_EQ(f.host.events.Identification.IntegrationSampleOffset, 2);
  EXPECT_EQ(f.host.frame_step, 4);
  f.w->Button9->click();
  ASSERT_EQ(f.host.table.lines.size(), 5u + 32u);
  EXPECT_EQ(GetCsvField(f.host.table.lines[5 + 25], 11), "1500.0");
  EXPECT_EQ(f.host.chart.ChartState.SelectedFrame, 26);
}

TEST(TAsteroidIdentification, IntegratedVideoWithoutDropAsksForAClick) {
  Fixture f;
  std::vector<double> v;
  for (int i = 0; i < 80; ++i) v.push_back(100.0 + 10 * ((i + 3) / 4));  // rising steps only
  f.host.table.lines = BuildResultTable(3, 1, RowsFromValues({v}));
  f.FindFirstFrameOfBlocksOf4();
  f.w->Button9->click();
  EXPECT_EQ(f.host.chart.ChartState.SelectedFrame, -1);
  EXPECT_EQ(f.host.Messages().back(), "Select target frame by clicking the graph area");
}

// A table saved again with every cell quoted ("1000.0"), as 'Load CSV'
// accepts it, gives the event and the blocks of the same table without quotes.
TEST(TAsteroidIdentification, ATableWithEveryCellQuotedGivesItsOwnEventAndBlocks) {
  for (const bool quoted : {false, true}) {
    SCOPED_TRACE(quoted ? "every cell quoted" : "as saved");
    auto as_saved = [&](std::vector<std::string> lines) { return quoted ? EveryCellQuoted(lines) : lines; };
    {
      // The largest step is the drop from record 4 to record 5.
      Fixture f;
      f.host.playing = true;
      f.host.table.lines = as_saved(BuildResultTable(3, 1, RowsFromValues({{1000, 1010, 990, 1000, 1005, 310, 290,
                                                                            300, 980, 1000}})));
      f.w->Memo1->setPlainText(kElements);
      PressRow(f.w->ListBox1, 0);
      f.w->Button1->click();
      EXPECT_EQ(f.host.chart.ChartState.SelectedFrame, 4);
      EXPECT_EQ(f.w->Memo4->toPlainText(), "4");
    }
    // Blocks of 4 from record 1; block 25 (records 101-104) at 1500, blocks
    // 26-27 at 200, even blocks at 1000 and odd ones at 1005.
    Fixture f;
    f.host.table.lines = as_saved(IntegratedBlocksTable());
    const auto frame_table = f.host.table.lines;
    f.FindFirstFrameOfBlocksOf4();
    EXPECT_EQ(f.host.events.Flags.IntegrationPhase, 1);
    EXPECT_EQ(f.host.events.Identification.IntegrationSampleOffset, 2);
    ASSERT_TRUE(f.w->Button9->isEnabled());
    f.w->Button9->click();
    ASSERT_EQ(f.host.table.lines.size(), 6u + 32u);
    for (const auto& [block, mean] : {std::pair{0, "1000.0"}, {1, "1005.0"}, {24, "1000.0"}, {25, "1500.0"},
                                      {26, "200.0"}, {27, "200.0"}, {31, "1005.0"}})
      EXPECT_EQ(GetCsvCell(f.host.table.lines[static_cast<size_t>(6 + block)], 11), mean) << block;
    EXPECT_EQ(GetCsvCell(f.host.table.lines[6 + 25], 1), "102.0");
    EXPECT_EQ(f.host.chart.ChartState.SelectedFrame, 26);
    EXPECT_EQ(f.host.shown_frames.back(), 4 * 26 + 2);
    f.host.dialogs.yes_no_answers.push_back(true);
    f.w->close();
    EXPECT_EQ(f.host.table.lines, frame_table);
  }
}

TEST(TAsteroidIdentification, ApplyingWithAnEmptyTableFindsRecordZeroAndStaysOpenWhilePlaying) {
  Fixture f;
  f.host.playing = true;
  f.w->Memo1->setPlainText(kElements);
  PressRow(f.w->ListBox1, 1);
  EXPECT_EQ(f.w->Edit7->text(), "(7)Iris");
  f.w->Button1->click();
  EXPECT_EQ(f.host.chart.ChartState.SelectedFrame, 0);
  EXPECT_EQ(f.host.chart.ChartState.TotalFrameCount, 0);
  EXPECT_EQ(f.w->Memo4->toPlainText(), "0");
  EXPECT_EQ(f.host.events.ReportLightCurveElement.Catalogue, "HIP");
  EXPECT_EQ(f.host.xml_step_marked, 0);
  EXPECT_FALSE(f.w.isNull());
}

TEST(TAsteroidIdentification, ElementsFileOpenedThroughTheDialog) {
  Fixture f;
  TemporaryFolder folder("tessary-elements");
  f.host.dialogs.open_file_names.push_back(QString::fromStdString(folder.Write("events.xml", kElements)));
  f.w->Button5->click();
  ASSERT_EQ(f.w->ListBox1->count(), 2);
  EXPECT_EQ(f.w->ListBox1->item(1)->text(), "2024 May 13 3.5h UT ,  (7)Iris occults HIP 99");
  EXPECT_FALSE(f.w->Button1->isEnabled());
  f.host.dialogs.open_file_names.push_back(QString::fromStdString(folder.File("missing.xml")));
  f.w->Button5->click();
  EXPECT_EQ(f.host.Messages().back(), "The prediction file could not be read.");
  EXPECT_EQ(f.w->ListBox1->count(), 2);  // the list stays
}

// Files saved by a Windows editor, with a byte-order mark or as "Unicode",
// list their events as plain files do.
TEST(TAsteroidIdentification, ElementsAndListingFilesOfAnyEncodingAreListed) {
  const std::string pasted =
      "Occultation prediction for Tokyo\r\n" + PutColumns({{1, "24 May 12 14 31 00.0"}, {25, "  1234"}}, 150, false);
  struct Row {
    const char* name;
    std::string bytes;
    int events;
  };
  for (const Row& x : {Row{"BomElements", "\xEF\xBB\xBF" + std::string(kElements), 2},
                       Row{"BomListing", "\xEF\xBB\xBF" + pasted, 1},
                       Row{"Utf16Elements", Utf16LeFileBytes(kElements), 2},
                       Row{"Utf16Listing", Utf16LeFileBytes(pasted), 1}}) {
    Fixture f;
    TemporaryFolder folder("tessary-elements");
    f.host.dialogs.open_file_names.push_back(QString::fromStdString(folder.Write("events.txt", x.bytes)));
    f.w->Button5->click();
    EXPECT_TRUE(f.host.Messages().empty()) << x.name;
    EXPECT_EQ(f.w->ListBox1->count(), x.events) << x.name;
    ASSERT_EQ(f.host.events.Identification.PredictionEvents.size(), static_cast<size_t>(x.events)) << x.name;
    EXPECT_EQ(f.host.events.Identification.PredictionEvents[0].Date, "2024 May 12") << x.name;
  }
}

// An elements file written in the Windows code page names its asteroid with
// the letters written, in the list and in the event's name.
TEST(TAsteroidIdentification, AWindowsCodePageElementsFileKeepsTheAsteroidsName) {
  std::string bytes = kElements;
  bytes.replace(bytes.find("Some name"), 9, "Bj\xF6rn");
  Fixture f;
  TemporaryFolder folder("tessary-elements-cp1252");
  f.host.dialogs.open_file_names.push_back(QString::fromStdString(folder.Write("events.xml", bytes)));
  f.w->Button5->click();
  EXPECT_TRUE(f.host.Messages().empty());
  ASSERT_EQ(f.w->ListBox1->count(), 2);
  EXPECT_TRUE(f.w->ListBox1->item(0)->text().endsWith(QString::fromUtf8("(1234)Bj\u00F6rn occults TYC 1234-00567-1")))
      << f.w->ListBox1->item(0)->text().toStdString();
  ASSERT_FALSE(f.host.events.Identification.PredictionEvents.empty());
  EXPECT_EQ(f.host.events.Identification.PredictionEvents[0].ObjectName, "Bj\u00F6rn");
}

// A file without events is told and leaves the loaded list, text and chosen
// event as they were.
TEST(TAsteroidIdentification, ElementsFileWithoutEventsKeepsTheList) {
  Fixture f;
  TemporaryFolder folder("tessary-elements");
  f.host.dialogs.open_file_names.push_back(QString::fromStdString(folder.Write("events.xml", kElements)));
  f.w->show();
  f.w->Button5->click();
  PressRow(f.w->ListBox1, 1);
  const QString text = f.w->Memo1->toPlainText();
  struct Row {
    const char* name;
    const char* content;
  };
  for (Row r : {Row{"empty", ""}, Row{"no tags", "just a note\r\n"},
                Row{"no list start", "<Event>\r\n<Star>HIP 1,,,,9,,</Star>\r\n</Event>\r\n"},
                Row{"empty list", "<Occultations>\r\n</Occultations>\r\n"},
                Row{"pasted, no event lines", "Occultation prediction for Tokyo\r\nnothing\r\n"}}) {
    const size_t messages = f.host.Messages().size();
    f.host.dialogs.open_file_names.push_back(QString::fromStdString(folder.Write("none.xml", r.content)));
    f.w->Button5->click();
    ASSERT_EQ(f.host.Messages().size(), messages + 1) << r.name;
    EXPECT_EQ(f.host.Messages().back(), "The prediction file holds no occultation events.") << r.name;
    EXPECT_EQ(f.w->ListBox1->count(), 2) << r.name;
    EXPECT_EQ(f.w->Memo1->toPlainText(), text) << r.name;
    EXPECT_EQ(f.w->Edit8->text(), "HIP 99") << r.name;
    EXPECT_EQ(f.host.events.Identification.PredictionEvents.size(), 2u) << r.name;
    EXPECT_EQ(f.host.events.Identification.OccultationElements.Star, "HIP 99") << r.name;
    EXPECT_TRUE(f.w->Button1->isEnabled()) << r.name;
  }
}

// A second prediction pasted over a list with a clicked event: that event
// belongs to the list replaced, so nothing is applied until an event of the
// new list is clicked, as after opening a file.
TEST(TAsteroidIdentification, PastingAnotherPredictionLeavesNoEventOfTheOldListToApply) {
  Fixture f;
  f.w->show();
  QApplication::clipboard()->setText(kElements);
  f.w->Button3->click();
  PressRow(f.w->ListBox1, 1);
  ASSERT_EQ(f.w->Edit8->text(), "HIP 99");
  ASSERT_TRUE(f.w->Button1->isEnabled());
  QApplication::clipboard()->setText(
      "<Occultations>\r\n<Event>\r\n<Elements>JPL,2.0,2024,6,2,20.5,a,b,0.3,0.4</Elements>\r\n"
      "<Star>HIP 5,,,,8.5,,</Star>\r\n<Object>4,Vesta,6,500,1.5</Object>\r\n</Event>\r\n</Occultations>\r\n");
  f.w->Button3->click();
  ASSERT_EQ(f.w->ListBox1->count(), 1);
  EXPECT_FALSE(f.w->Button1->isEnabled());
  EXPECT_FALSE(f.w->Button7->isEnabled());
  EXPECT_EQ(f.w->Edit8->text(), "");
  EXPECT_EQ(f.host.events.Identification.OccultationElements.Star, "");
  PressRow(f.w->ListBox1, 0);
  f.w->Button1->click();
  EXPECT_EQ(f.host.events.Texts.IdentificationTitle, "2024 Jun 2; (4) Vesta occults HIP 5 Observed by Alan Lee");
}

// Pasting copied text without events is told and keeps the list; copied
// events replace it.
TEST(TAsteroidIdentification, PastedTextWithoutEventsKeepsTheList) {
  Fixture f;
  f.w->show();
  QApplication::clipboard()->setText(kElements);
  f.w->Button3->click();
  ASSERT_EQ(f.w->ListBox1->count(), 2);
  const size_t messages = f.host.Messages().size();
  QApplication::clipboard()->setText("Occultation prediction for Tokyo\r\nno event lines\r\n");
  f.w->Button3->click();
  ASSERT_EQ(f.host.Messages().size(), messages + 1);
  EXPECT_EQ(f.host.Messages().back(), "The copied text holds no occultation events.");
  EXPECT_EQ(f.w->ListBox1->count(), 2);
  EXPECT_EQ(f.w->Memo1->toPlainText(), QString(kElements).replace("\r\n", "\n"));
  QApplication::clipboard()->setText(
      QString::fromStdString(PutColumns({{1, "24 May 12 14 31 00.0"}, {25, "  1234"}}, 150, false))
          .prepend("Occultation prediction for Tokyo\r\n"));
  f.w->Button3->click();
  EXPECT_EQ(f.host.Messages().size(), messages + 1);
  EXPECT_EQ(f.w->ListBox1->count(), 1);
}

// The numbered groups stand in order down the window; each edit (and the
// spectrum box) sits beside its caption, four to a row.
TEST(TAsteroidIdentification, GroupsPlaceCaptionedControlsFourToARow) {
  Fixture f;
  const char* kElementsGroup = "3. Occultation Elements of observed Event";
  struct Place {
    QWidget* control;
    const char *group, *caption;
    int row, column;
  };
  const Place table[] = {
      {f.w->Edit9, kElementsGroup, "Date", 0, 1},
      {f.w->ComboBox2, kElementsGroup, "Spectrum", 2, 5},
      {f.w->Edit37, kElementsGroup, "Fresnel number", 4, 3},
      {f.w->Edit24, "5. Check and Edit : Date / Time on video recorded", "UT (h)", 1, 5},
      {f.w->Edit13, "6. Check and Edit : Observer and Site location", "Long. deg", 0, 1},
      {f.w->Edit32, "6. Check and Edit : Observer and Site location", "Map coordinates", 2, 3},
  };
  int last_group_index = -1;
  for (const Place& p : table) {
    SCOPED_TRACE(p.caption);
    auto* group = qobject_cast<QGroupBox*>(p.control->parentWidget());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), p.group);
    auto* grid = qobject_cast<QGridLayout*>(group->layout());
    ASSERT_NE(grid, nullptr);
    int row = -1, column = -1, span = 0;
    grid->getItemPosition(grid->indexOf(p.control), &row, &column, &span, &span);
    EXPECT_EQ(row, p.row);
    EXPECT_EQ(column, p.column);
    QLayoutItem* beside = grid->itemAtPosition(row, column - 1);
    ASSERT_NE(beside, nullptr);
    auto* caption = qobject_cast<QLabel*>(beside->widget());
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text(), p.caption);
    const int at = f.w->layout()->indexOf(group);
    EXPECT_GE(at, last_group_index);
    last_group_index = at;
  }
}

namespace {

// Nonsense in every edit and clicks in any order, before and after elements
// were pasted.
TEST(TAsteroidIdentification, MonkeyNeverCrashesIt) {
  for (const bool elements : {false, true}) {
    SCOPED_TRACE(elements ? "with elements" : "empty");
    Fixture f;
    if (elements) f.w->Memo1->setPlainText(kElements);
    MonkeyOptions o;
    o.seed = elements ? 72 : 71;
    o.steps = 300;
    o.reopen = [&]() -> QWidget* {
      f.w = new TAsteroidIdentification(f.host);
      if (elements) f.w->Memo1->setPlainText(kElements);
      return f.w;
    };
    EXPECT_GT(RunMonkey(f.w, o), 30);
  }
}

}  // namespace
