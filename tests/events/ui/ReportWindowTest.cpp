// The observation report window driven through its controls: reports rebuilt
// on input changes, the XML and light-curve files, the clipboard text, the
// camera-setting file and the limb slope.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QXmlStreamReader>
#include <filesystem>
#include <fstream>

#include "base/AtomicFile.h"
#include "base/ui/DialogService.h"
#include "events/ObservationReport.h"
#include "events/ui/ReportWindowHost.h"
#include "events/ui/TLightCurveReport.h"
#include "support/BrokenFiles.h"
#include "support/DiskFull.h"
#include "support/LunarListingText.h"
#include "support/NotAFile.h"
#include "support/TemporaryFolder.h"
#include "support/WindowControls.h"
#include "tests/events/ReportFixtures.h"

namespace {

struct Host : ReportWindowHost {
  int marked = 0;
  std::string ReportSiteName() const override { return "Home"; }
  std::string ReportCountryCode() const override { return "JP"; }
  void MarkReportStepDone() override { ++marked; }
};

struct Fixture {
  ChartEventState events;
  Host host;
  ScriptedDialogService dialogs;
  ScopedDialogService use{dialogs};
  TemporaryFolder folder{"tessary-report"};
  TLightCurveReport* w = nullptr;

  Fixture() {
    events.ReportLightCurveElement = AsteroidRecord();
    AppendEntry(events.AsteroidTiming, Timed("10", "30", "05.123", "0.012", "4.5", true));
    AppendEntry(events.AsteroidTiming, Timed("10", "30", "09.5", "0.02", "5.5", false));
    events.ReportLightCurveData.Lines = {"Date: 23-7-5 9:4:7.96: 1.00: 2", "Star: 0", "Observer: x",
                                         "Object: Asteroid: 1234: Name", "Values:10:12"};
    // The record the light curve's lines were made from.
    events.ReportLightCurveElement.StartH = "9";
    events.ReportLightCurveElement.StartM = "4";
    events.ReportLightCurveElement.StartS = "7.96";
  }
  ~Fixture() { delete w; }
  void Open() {
    w = new TLightCurveReport(events, host);
    w->SetLightCurveLines({"Date: 23-7-5 9:4:7.96: 1.00: 2", "Star: 0", "Observer: x",
                           "Object: Asteroid: 1234: Name", "Values:10:12"});
    w->show();
  }
  QStringList Memo(QPlainTextEdit* m) const { return m->toPlainText().split('\n'); }
  // The light curve of a stretch starting at 9:04:07.96, saved through "Save to file".
  std::optional<std::string> SaveLightCurve(const std::string& name) {
    events.ReportLightCurveElement.StartH = "9";
    events.ReportLightCurveElement.StartM = "4";
    events.ReportLightCurveElement.StartS = "7.96";
    dialogs.save_file_names = {QString::fromStdString(folder.File(name))};
    w->Button2->click();
    return ReadWholeFile(folder.File(name), 1 << 20);
  }
};

void PressEnter(QWidget* w) {
  QKeyEvent e(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

}  // namespace

TEST(TLightCurveReport, OpensFromTheRecordAndBuildsBothReports) {
  Fixture f;
  const std::string day_before = TodayUtcBarDate();
  f.Open();
  // Dated when built: either side of midnight UTC if the test runs across it.
  const std::string day_after = TodayUtcBarDate();
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit13")->text(), "TYC");
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit9")->text(), "Home");
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit17")->text(), "10");
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit39")->text(), "D");
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit40")->text(), "R");
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit28")->text(), "");
  EXPECT_FALSE(Find<QCheckBox>(f.w, "CheckBox2")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>(f.w, "CheckBox4")->isChecked() == false);
  const QStringList xml = f.Memo(f.w->Memo2);
  ASSERT_EQ(xml.size(), 18);
  EXPECT_EQ(xml[11], "        <D>10 30  5.123|D|0.012||| </D>");
  EXPECT_EQ(xml[14], "    </Observations>");
  EXPECT_THAT(xml[15].toStdString(), ::testing::AnyOf("    <LastEdited>" + day_before + "</LastEdited>",
                                                      "    <LastEdited>" + day_after + "</LastEdited>"));
  EXPECT_EQ(f.Memo(f.w->Memo3)[13], "[Event time]  D: 10h30m05.123s +/- 0.012s (UTC)  S/N=4.5");
  EXPECT_FALSE(InputConfirmed(f.w->Edit27));
  EXPECT_EQ(f.w->ComboBox4->currentText(), "a Analog or Digital video");

  // A changed input rebuilds the reports.
  f.w->ComboBox2->setCurrentIndex(3);
  EXPECT_EQ(f.Memo(f.w->Memo2)[9], "        <ID>1|Obs One||0|Home|JP|+135 30 15.0|-5 2 3|40|T|20|2|a|a</ID>");
  EXPECT_EQ(f.Memo(f.w->Memo3)[11], "[Datum     ]  Tokyo");
  f.w->Edit38->setText("hazy & cold");
  EXPECT_EQ(f.Memo(f.w->Memo2)[10], "        <Conditions>1|1|5.00||hazy &amp; cold</Conditions>");
  f.w->ComboBox10->setCurrentIndex(1);
  EXPECT_EQ(f.Memo(f.w->Memo3)[28], "[Evidence  ]  GPS Time Log : None  ;  Screen shot: Recorded");

  // A camera model from the list; Enter confirms a typed setting.
  f.w->ComboBox1->setCurrentIndex(6);
  emit f.w->ComboBox1->activated(6);
  EXPECT_EQ(f.w->Edit44->text(), "WAT910HX");
  EXPECT_TRUE(InputConfirmed(f.w->ComboBox1));
  f.w->Edit50->setText("300");
  PressEnter(f.w->Edit50);
  EXPECT_TRUE(InputConfirmed(f.w->Edit50));
  EXPECT_EQ(f.Memo(f.w->Memo3)[26], "              Gain: 300  ;  Brightness:   ;  High Speed Mode: ");
  // Coming back to the window keeps the typed settings.
  f.w->FormActivate();
  EXPECT_EQ(f.w->Edit50->text(), "300");

  f.w->Button3->click();
  EXPECT_EQ(f.w->Edit43->text(), "*****");
}

TEST(TLightCurveReport, SavesTheXmlReportAndTheLightCurve) {
  Fixture f;
  f.Open();
  const std::string xml_path = f.folder.File("report.xml");
  f.dialogs.save_file_names = {QString::fromStdString(xml_path)};
  f.w->Button4->click();
  EXPECT_EQ(f.w->Edit43->text(), "(1234)Name23071710_105-Obs_One.xml");
  const auto xml = ReadWholeFile(xml_path, 1 << 20);
  ASSERT_TRUE(xml);
  EXPECT_EQ(xml->substr(0, 26), "<Observations>\r\n  <Event>\r");
  EXPECT_EQ(xml->substr(xml->size() - 17), "</Observations>\r\n");
  EXPECT_EQ(f.host.marked, 1);

  // Cancelled: nothing written, the step not marked.
  f.w->Button4->click();
  EXPECT_EQ(f.host.marked, 1);

  // A file that cannot be written: the user is told, the step is not marked.
  const size_t messages = f.dialogs.messages.size();
  f.dialogs.save_file_names = {QString::fromStdString(f.folder.File("missing/report.xml"))};
  f.w->Button4->click();
  EXPECT_EQ(f.dialogs.messages.size(), messages + 1);
  EXPECT_EQ(f.host.marked, 1);

  f.events.ReportLightCurveElement.StartH = "9";
  f.events.ReportLightCurveElement.StartM = "4";
  f.events.ReportLightCurveElement.StartS = "7.96";
  const std::string dat = f.folder.File("curve.dat");
  f.dialogs.save_file_names = {QString::fromStdString(dat)};
  f.w->Button2->click();
  EXPECT_EQ(f.dialogs.file_dialog_titles.back(), "Save to file");
  EXPECT_EQ(ReadWholeFile(dat, 1 << 20),
            std::optional<std::string>("Date: 23-7-5 9:4:7.96: 1.00: 2\r\nStar: 0\r\nObserver: x\r\n"
                                       "Object: Asteroid: 1234: Name\r\nValues:10:12\r\n"));

  // A lunar event saves no XML file.
  f.events.ReportLightCurveElement.Kind = ReportKind::Lunar;
  f.dialogs.save_file_names = {QString::fromStdString(f.folder.File("lunar.xml"))};
  f.w->Button4->click();
  EXPECT_FALSE(std::filesystem::exists(f.folder.File("lunar.xml")));
}

// A lunar or unidentified event gets no XML file: the observer is told so,
// no save dialog opens, and the 'Make report' step stays unmarked.
TEST(TLightCurveReport, AnEventOtherThanAsteroidalSavesNoXmlAndSaysWhy) {
  for (const ReportKind kind : {ReportKind::Lunar, ReportKind::Initial}) {
    Fixture f;
    f.events.ReportLightCurveElement.Kind = kind;
    f.Open();
    ASSERT_GT(f.Memo(f.w->Memo2).size(), 10) << static_cast<int>(kind);
    const std::string path = f.folder.File("event.xml");
    f.dialogs.save_file_names = {QString::fromStdString(path)};
    f.w->Button4->click();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(f.dialogs.file_dialog_titles.empty());
    ASSERT_EQ(f.dialogs.messages.size(), 1u) << static_cast<int>(kind);
    EXPECT_THAT(f.dialogs.messages[0].text.toStdString(), ::testing::HasSubstr("nothing was saved"));
    EXPECT_EQ(f.host.marked, 0) << static_cast<int>(kind);
  }
}

// On a full disk both saves say so, keep the report saved before whole and
// leave no temporary file; the 'Make report' step is not marked.
TEST(TLightCurveReport, AFullDiskKeepsTheFilesSavedBefore) {
  Fixture f;
  f.Open();
  const std::string xml = f.folder.File("report.xml"), dat = f.folder.File("curve.dat");
  for (const std::string& path : {xml, dat}) std::ofstream(path, std::ios::binary) << "the earlier file";
  const auto files_before = std::distance(std::filesystem::directory_iterator(f.folder.File("")),
                                          std::filesystem::directory_iterator{});
  for (QPushButton* save : {f.w->Button4, f.w->Button2}) {
    const std::string& path = save == f.w->Button4 ? xml : dat;
    f.dialogs.messages.clear();
    f.dialogs.save_file_names = {QString::fromStdString(path)};
    {
      ScopedDiskFull full(64);
      save->click();
    }
    ASSERT_EQ(f.dialogs.messages.size(), 1u) << path;
    EXPECT_EQ(f.dialogs.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(ReadWholeFile(path, 1024), std::optional<std::string>("the earlier file")) << path;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.folder.File("")),
                            std::filesystem::directory_iterator{}),
              files_before);
  }
  EXPECT_EQ(f.host.marked, 0);
}

// Each element's text of a written report as an XML parser reads it back.
QStringList ElementTexts(const std::string& path, const QString& element) {
  const auto bytes = ReadWholeFile(path, 1 << 20);
  if (!bytes) return {"(not written)"};
  QXmlStreamReader xml(QByteArray::fromStdString(*bytes));
  QStringList texts;
  while (!xml.atEnd())
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == element) texts << xml.readElementText();
  if (xml.hasError()) texts << "(error: " + xml.errorString() + ")";
  return texts;
}

TEST(TLightCurveReport, TypedNamesReadBackFromTheXmlReport) {
  Fixture f;
  f.Open();
  f.w->Edit11->setText("O'Brien & <Sons> \"A\"");
  f.w->Edit9->setText("Hill & Dale");
  f.w->Edit38->setText("a<b");
  const std::string path = f.folder.File("names.xml");
  f.dialogs.save_file_names = {QString::fromStdString(path)};
  f.w->Button4->click();
  EXPECT_EQ(ElementTexts(path, "ID"),
            QStringList{"1|O'Brien & <Sons> \"A\"||0|Hill & Dale|JP|+135 30 15.0|-5 2 3|40| |20|2|a|a"});
  EXPECT_EQ(ElementTexts(path, "Conditions"), QStringList{"1|1|5.00||a<b"});
  EXPECT_EQ(f.host.marked, 1);

  // A '|' would move every later field of the observer's record: refused,
  // with the input named, and nothing written or marked.
  struct Row {
    const char* edit;
    const char* text;
    const char* named;
  };
  for (const Row& r : {Row{"Edit11", "Obs|One", "observer"}, Row{"Edit9", "Hill|Dale", "site"},
                       Row{"Edit14", "12|34", "star number"}, Row{"Edit38", "x|y", "remarks"}}) {
    Fixture g;
    g.Open();
    Find<QLineEdit>(g.w, r.edit)->setText(r.text);
    const std::string refused = g.folder.File("refused.xml");
    g.dialogs.save_file_names = {QString::fromStdString(refused)};
    g.w->Button4->click();
    EXPECT_FALSE(std::filesystem::exists(refused)) << r.edit;
    ASSERT_EQ(g.dialogs.messages.size(), 1u) << r.edit;
    EXPECT_TRUE(g.dialogs.messages[0].text.contains(r.named)) << g.dialogs.messages[0].text.toStdString();
    QApplication::clipboard()->setText("before");
    g.w->Button5->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "before") << r.edit;
    EXPECT_EQ(g.dialogs.messages.size(), 2u) << r.edit;
    EXPECT_EQ(g.host.marked, 0) << r.edit;
  }
}

// What the edits show is what the saved and copied reports carry.
// A '/' in a typed name would make the proposed file name a path into a
// folder that does not exist: the name proposes '_' instead, the report keeps
// what was typed, for both the XML report and the light-curve file.
TEST(TLightCurveReport, SlashInTypedNamesSavesUnderTheProposedName) {
  struct Row {
    const char* observer;
    const char* object;
    const char* xml_name;
  };
  for (const Row& r : {Row{"A/B", "Name", "(1234)Name23071710_105-A_B.xml"},
                       Row{"Obs One", "N/A", "(1234)N_A23071710_105-Obs_One.xml"}}) {
    Fixture f;
    f.events.ReportLightCurveElement.ObjectName = r.object;
    f.events.ReportLightCurveElement.Observer = r.observer;
    f.events.ReportLightCurveElement.ObjectLabel = std::string("1234/5:") + r.object;
    f.Open();
    f.w->Edit11->setText(r.observer);
    // Cancelled once to learn the proposal, then accepted in the chosen folder.
    f.w->Button4->click();
    ASSERT_EQ(f.dialogs.save_file_proposals.size(), 1u);
    const QString proposed = f.dialogs.save_file_proposals.back();
    EXPECT_EQ(proposed.toStdString(), r.xml_name);
    const std::string path = f.folder.File(proposed.toStdString());
    f.dialogs.save_file_names = {QString::fromStdString(path)};
    f.w->Button4->click();
    EXPECT_TRUE(f.dialogs.messages.empty()) << r.observer;
    EXPECT_EQ(f.host.marked, 1) << r.observer;
    const QStringList id = ElementTexts(path, "ID");
    ASSERT_EQ(id.size(), 1) << id.join(";").toStdString();
    EXPECT_EQ(id[0].section('|', 1, 1), r.observer);

    f.w->Button2->click();
    const QString dat = f.dialogs.save_file_proposals.back();
    EXPECT_FALSE(dat.contains('/')) << dat.toStdString();
    EXPECT_TRUE(dat.endsWith(".dat")) << dat.toStdString();
  }
}

TEST(TLightCurveReport, TypedInputsReachBothReports) {
  struct Row {
    const char* edit;
    const char* text;
    const char* xml;   // expected in Memo2, empty when the XML report does not use it
    const char* report;  // expected in Memo3
  };
  for (const Row& r : {Row{"Edit11", "New Name", "<ID>1|New Name|", "[Observer  ]  1: New Name  2: "},
                       Row{"Edit12", "Second", "|Obs One|Second|0|", "1: Obs One  2: Second"},
                       Row{"Edit9", "Hilltop", "|0|Hilltop|JP|", "[Location  ]  Hilltop, JP"},
                       Row{"Edit10", "DE", "|Home|DE|", "[Location  ]  Home, DE"},
                       Row{"Edit13", "HIP", "<Star>HIP|", "[Star      ]  HIP "},
                       Row{"Edit14", "98765", "|98765|0||", " 98765"},
                       // Blanks around a typed star are not part of it.
                       Row{"Edit13", "TYC ", "<Star>Tycho2|1234-567-1|0||", "[Star      ]  Tycho2 1234-567-1"},
                       Row{"Edit14", " 98765 ", "<Star>Tycho2|98765|0||", "[Star      ]  Tycho2 98765"},
                       Row{"Edit46", "5.6", "", "   F=5.6"}}) {
    Fixture f;
    f.Open();
    Find<QLineEdit>(f.w, r.edit)->setText(r.text);
    const QString xml = f.w->Memo2->toPlainText(), report = f.w->Memo3->toPlainText();
    if (*r.xml) {
      EXPECT_TRUE(xml.contains(r.xml)) << r.edit << "\n" << xml.toStdString();
    }
    EXPECT_TRUE(report.contains(r.report)) << r.edit << "\n" << report.toStdString();
    const std::string path = f.folder.File("typed.xml");
    f.dialogs.save_file_names = {QString::fromStdString(path)};
    f.w->Button4->click();
    const auto saved = ReadWholeFile(path, 1 << 20);
    ASSERT_TRUE(saved) << r.edit;
    if (*r.xml) {
      EXPECT_NE(saved->find(r.xml), std::string::npos) << r.edit;
    }
  }
}

// The site shown in the window is the one the saved reports and the light
// curve carry, also after the observer corrects it there.
TEST(TLightCurveReport, ACorrectedSiteReachesTheSavedReportsAndTheLightCurve) {
  Fixture f;
  f.Open();
  // Opening the window changes nothing of the record.
  EXPECT_EQ(f.events.ReportLightCurveElement.Longitude, "+135 30 15.0");
  EXPECT_NE(f.w->Memo2->toPlainText().indexOf("|Home|JP|+135 30 15.0|-5 2 3|40|"), -1);
  const std::pair<const char*, const char*> typed[] = {{"Edit2", " 139 "}, {"Edit3", "45"},  {"Edit4", "12.5"},
                                                       {"Edit5", "-35"},   {"Edit6", "40"},  {"Edit7", "2.0"},
                                                       {"Edit8", "25"}};
  for (const auto& [edit, text] : typed) TypeInto(Find<QLineEdit>(f.w, edit), text);
  EXPECT_NE(f.w->Memo2->toPlainText().indexOf("|Home|JP|+139 45 12.5|-35 40 2.0|25|"), -1)
      << f.w->Memo2->toPlainText().toStdString();
  const QStringList text = f.Memo(f.w->Memo3);
  EXPECT_EQ(text[8], "[Longitude ]  139o45'12.5\"  E");
  EXPECT_EQ(text[9], "[Latitude  ]   35o40'2.0\"  S");
  EXPECT_EQ(text[10], "[Altitude  ]  25m");
  EXPECT_EQ(f.Memo(f.w->Memo1)[2], "Observer: +139:45:12.5: -35:40:2.0: 25: Obs One");

  const std::string xml = f.folder.File("site.xml");
  f.dialogs.save_file_names = {QString::fromStdString(xml)};
  f.w->Button4->click();
  EXPECT_EQ(ElementTexts(xml, "ID"), QStringList{"1|Obs One||0|Home|JP|+139 45 12.5|-35 40 2.0|25| |20|2|a|a"});
  const auto saved = f.SaveLightCurve("site.dat");
  ASSERT_TRUE(saved);
  EXPECT_NE(saved->find("\r\nObserver: +139:45:12.5: -35:40:2.0: 25: Obs One\r\n"), std::string::npos) << *saved;

  // A '|' in a position would shift the report's fields: refused like a name.
  TypeInto(f.w->Edit4, "12|5");
  const std::string refused = f.folder.File("refused.xml");
  f.dialogs.save_file_names = {QString::fromStdString(refused)};
  f.w->Button4->click();
  EXPECT_FALSE(std::filesystem::exists(refused));
  ASSERT_FALSE(f.dialogs.messages.empty());
  EXPECT_TRUE(f.dialogs.messages.back().text.contains("longitude"));
}

// An event time, error, S/N, D/R or minor mark corrected in an event row is
// what both reports and the saved XML carry; a row without an event takes
// no typing.
TEST(TLightCurveReport, ACorrectedEventRowReachesTheReports) {
  Fixture f;
  f.Open();
  TypeInto(Find<QLineEdit>(f.w, "Edit19"), "06.250");
  TypeInto(Find<QLineEdit>(f.w, "Edit20"), "0.015");
  TypeInto(Find<QLineEdit>(f.w, "Edit21"), "7.5");
  TypeInto(Find<QLineEdit>(f.w, "Edit24"), "11.0");
  QStringList xml = f.Memo(f.w->Memo2);
  ASSERT_EQ(xml.size(), 18);
  EXPECT_EQ(xml[10], "        <Conditions>1|1|6.50||</Conditions>");  // (7.5 + 5.5) / 2
  EXPECT_EQ(xml[11], "        <D>10 30  6.250|D|0.015||| </D>");
  EXPECT_EQ(xml[12], "        <R>10 30 11.0|R|0.02||| </R>");
  QStringList text = f.Memo(f.w->Memo3);
  EXPECT_EQ(text[13], "[Event time]  D: 10h30m06.250s +/- 0.015s (UTC)  S/N=7.5");
  EXPECT_EQ(text[14], "              R: 10h30m11.0s +/- 0.02s (UTC)  S/N=5.5");
  const std::string path = f.folder.File("rows.xml");
  f.dialogs.save_file_names = {QString::fromStdString(path)};
  f.w->Button4->click();
  EXPECT_EQ(ElementTexts(path, "D"), QStringList{"10 30  6.250|D|0.015||| "});
  EXPECT_EQ(Second(f.events.AsteroidTiming.Entries[0]), "06.250");

  // Row 2 marked minor: no main reappearance is left, so no observer block.
  Find<QCheckBox>(f.w, "CheckBox3")->click();
  xml = f.Memo(f.w->Memo2);
  EXPECT_EQ(xml.size(), 12);
  EXPECT_FALSE(xml.join("\n").contains("<Observer>"));
  EXPECT_EQ(f.Memo(f.w->Memo3)[14], "              R: 10h30m11.0s +/- 0.02s (UTC)  S/N=5.5* 2nd star");
  // And back, then the reappearance typed as a disappearance.
  Find<QCheckBox>(f.w, "CheckBox3")->click();
  TypeInto(Find<QLineEdit>(f.w, "Edit40"), "D");
  EXPECT_EQ(f.Memo(f.w->Memo3)[14], "              D: 10h30m11.0s +/- 0.02s (UTC)  S/N=5.5");
  EXPECT_EQ(f.Memo(f.w->Memo2).size(), 12);

  // A '|' typed into a time would shift the report's fields: refused.
  TypeInto(Find<QLineEdit>(f.w, "Edit23"), "3|0");
  const std::string refused = f.folder.File("refused.xml");
  f.dialogs.save_file_names = {QString::fromStdString(refused)};
  f.w->Button4->click();
  EXPECT_FALSE(std::filesystem::exists(refused));
  ASSERT_FALSE(f.dialogs.messages.empty());
  EXPECT_TRUE(f.dialogs.messages.back().text.contains("time of event 2")) << f.dialogs.messages.back().text.toStdString();
  TypeInto(Find<QLineEdit>(f.w, "Edit23"), "30");

  // Rows 3 and 4 hold no event.
  for (const char* name : {"Edit28", "Edit32", "Edit41", "Edit33", "Edit42"})
    EXPECT_TRUE(Find<QLineEdit>(f.w, name)->isReadOnly()) << name;
  EXPECT_FALSE(Find<QCheckBox>(f.w, "CheckBox4")->isEnabled());
  EXPECT_FALSE(Find<QLineEdit>(f.w, "Edit17")->isReadOnly());
  EXPECT_EQ(ValidCount(f.events.AsteroidTiming), 2);

  // The list sorted elsewhere while the rows still show the old order: a
  // corrected error changes that field only, and coming back to the window
  // shows the list as it is.
  std::swap(f.events.AsteroidTiming.Entries[0], f.events.AsteroidTiming.Entries[1]);
  TypeInto(Find<QLineEdit>(f.w, "Edit20"), "0.018");
  EXPECT_EQ(f.events.AsteroidTiming.Entries[0].Error, "0.018");
  EXPECT_EQ(Second(f.events.AsteroidTiming.Entries[0]), "11.0");
  EXPECT_EQ(Second(f.events.AsteroidTiming.Entries[1]), "06.250");
  f.w->FormActivate();
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit19")->text(), "11.0");
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit24")->text(), "06.250");

  // An event added while the window is open shows when the rows are shown again.
  AppendEntry(f.events.AsteroidTiming, Timed("10", "31", "02.5", "0.03", "3.0", false));
  f.w->ShowEventRows();
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit30")->text(), "02.5");
  EXPECT_EQ(Find<QLineEdit>(f.w, "Edit41")->text(), "R");
  EXPECT_FALSE(Find<QLineEdit>(f.w, "Edit30")->isReadOnly());
  EXPECT_TRUE(Find<QCheckBox>(f.w, "CheckBox4")->isEnabled());
}

// A position, altitude or event time typed as no number, a time beyond a
// day's clock or a D/R that is neither is refused with the input named: no
// report file, nothing copied, the step not marked; once corrected the report
// is saved.
TEST(TLightCurveReport, APositionOrTimeThatIsNoNumberIsRefused) {
  struct Row {
    const char* edit;
    const char* text;
    const char* named;
    const char* corrected;
  };
  for (const Row& r : {Row{"Edit8", "40m", "altitude", "-12"}, Row{"Edit3", "3O", "longitude", "30"},
                       Row{"Edit7", "3,5", "latitude", "3.5"}, Row{"Edit17", "ten", "time of event 1", "0"},
                       Row{"Edit24", "09;5", "time of event 2", "09.5"},
                       // Beyond a day's clock, and a D/R that is neither.
                       Row{"Edit17", "24", "time of event 1", "23"}, Row{"Edit23", "60", "time of event 2", "59"},
                       Row{"Edit24", "60.00", "time of event 2", "59.99"}, Row{"Edit39", "X", "D/R of event 1", "d"},
                       Row{"Edit40", " ", "D/R of event 2", "R"}}) {
    Fixture f;
    f.Open();
    TypeInto(Find<QLineEdit>(f.w, r.edit), r.text);
    const std::string path = f.folder.File("report.xml");
    f.dialogs.save_file_names = {QString::fromStdString(path)};
    f.w->Button4->click();
    EXPECT_FALSE(std::filesystem::exists(path)) << r.edit;
    ASSERT_EQ(f.dialogs.messages.size(), 1u) << r.edit;
    EXPECT_EQ(f.dialogs.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(f.dialogs.messages[0].text.contains(r.named)) << f.dialogs.messages[0].text.toStdString();
    QApplication::clipboard()->setText("before");
    f.w->Button5->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "before") << r.edit;
    EXPECT_EQ(f.host.marked, 0) << r.edit;

    TypeInto(Find<QLineEdit>(f.w, r.edit), r.corrected);
    f.dialogs.save_file_names = {QString::fromStdString(path)};
    f.w->Button4->click();
    EXPECT_TRUE(std::filesystem::exists(path)) << r.edit;
    EXPECT_EQ(f.host.marked, 1) << r.edit;
  }
}

// The asteroid shown in the window is the one the reports, the proposed file
// names and the light curve carry, also after the observer corrects it.
TEST(TLightCurveReport, ACorrectedAsteroidReachesTheReportsAndTheLightCurve) {
  Fixture f;
  f.Open();
  TypeInto(Find<QLineEdit>(f.w, "Edit15"), "433");
  TypeInto(Find<QLineEdit>(f.w, "Edit16"), "Eros & Co");
  EXPECT_EQ(f.w->Edit16->text(), "Eros & Co");
  EXPECT_EQ(f.Memo(f.w->Memo2)[5],
            "      <Asteroid>433|Eros &amp; Co|0.00000000|0.00000000|0.0000000|0.0000000|0.0000000|0.0000000|1.00000|"
            "0.00000|0.0|1.0|20.00</Asteroid>");
  EXPECT_EQ(f.Memo(f.w->Memo3)[4], "[Asteroid  ]  (433)Eros & Co");
  EXPECT_EQ(f.Memo(f.w->Memo1)[3], "Object: Asteroid: 433: Eros & Co");

  const std::string xml = f.folder.File("asteroid.xml");
  f.dialogs.save_file_names = {QString::fromStdString(xml)};
  f.w->Button4->click();
  EXPECT_EQ(f.w->Edit43->text(), "(433)Eros & Co23071710_105-Obs_One.xml");
  EXPECT_EQ(ElementTexts(xml, "Asteroid")[0].section('|', 0, 1), "433|Eros & Co");
  const auto saved = f.SaveLightCurve("asteroid.dat");
  EXPECT_EQ(f.dialogs.save_file_proposals.back(), "(433)_20230705_090408_Obs_One.dat");
  ASSERT_TRUE(saved);
  EXPECT_NE(saved->find("\r\nObject: Asteroid: 433: Eros & Co\r\n"), std::string::npos) << *saved;
}

// An observer corrected in the window is the one the saved light curve, its
// proposed name and the copied light curve carry, as the XML report does.
TEST(TLightCurveReport, ACorrectedObserverReachesTheLightCurve) {
  Fixture f;
  TReportLightCurveElement& e = f.events.ReportLightCurveElement;
  e.LongitudeD = "+135", e.LongitudeM = "30", e.LongitudeS = "15.0";
  e.LatitudeD = "-5", e.LatitudeM = "2", e.LatitudeS = "3";
  f.Open();
  TypeInto(f.w->Edit11, "Zo\u00eb O'Neil & Co");
  TypeInto(f.w->Edit12, "Bea");
  const std::string observer_line = "Observer: +135:30:15.0: -5:2:3: 40: Zo\u00eb O'Neil & Co";
  EXPECT_EQ(f.Memo(f.w->Memo1)[2].toStdString(), observer_line);
  EXPECT_EQ(e.CoObserver, "Bea");

  const auto saved = f.SaveLightCurve("observer.dat");
  EXPECT_EQ(f.dialogs.save_file_proposals.back().toStdString(),
            "(1234)_20230705_090408_Zo\u00eb_O'Neil & Co.dat");
  ASSERT_TRUE(saved);
  EXPECT_NE(saved->find("\r\n" + observer_line + "\r\n"), std::string::npos) << *saved;
  f.w->Button5->click();
  const QString copied = QApplication::clipboard()->text();
  EXPECT_TRUE(copied.contains(QString::fromStdString("\n(1234)_20230705_090408_Zo\u00eb_O'Neil & Co.dat\n")))
      << copied.toStdString();
  EXPECT_TRUE(copied.contains(QString::fromStdString("<ID>1|Zo\u00eb O'Neil &amp; Co|Bea|0|")));
}

// A star corrected in the window is named with the catalogue typed, in both
// reports, the XML read back and the saved light curve's catalogue slot; the
// ZC number kept for the star before no longer stands for it.
TEST(TLightCurveReport, ACorrectedStarReachesTheReportsAndTheLightCurve) {
  struct Row {
    const char *catalogue, *number, *xml_star, *text_star, *curve_star;
  };
  for (const Row& r : {Row{"SAO", "98765", "SAO|98765", "[Star      ]  SAO 98765", "Star: 0: 98765: 0: 0: 0-0-0: 0-0"},
                       Row{"XZ80Q", "12345", "XZ80Q|12345", "[Star      ]  XZ80Q 12345",
                           "Star: 0: 0: 12345: 0: 0-0-0: 0-0"},
                       Row{"HIP", "321", "HIP|321", "[Star      ]  HIP 321", "Star: 321: 0: 0: 0: 0-0-0: 0-0"}}) {
    SCOPED_TRACE(r.catalogue);
    Fixture f;
    // A ZC star without an XZ number, as the lunar identification leaves it.
    f.events.ReportLightCurveElement.Catalogue = "ZC";
    f.events.ReportLightCurveElement.StarNumber = "2345";
    f.events.ReportLightCurveElement.ZcLabel = "ZC";
    f.events.ReportLightCurveElement.ZcNumber = "2345";
    f.Open();
    ASSERT_EQ(f.w->Edit13->text(), "ZC");
    TypeInto(f.w->Edit13, r.catalogue);
    TypeInto(f.w->Edit14, r.number);
    EXPECT_EQ(f.Memo(f.w->Memo3)[3], r.text_star);
    EXPECT_EQ(f.Memo(f.w->Memo1)[1], r.curve_star);
    const TReportLightCurveElement& e = f.events.ReportLightCurveElement;
    EXPECT_EQ(e.Catalogue, r.catalogue);
    EXPECT_TRUE(e.ZcLabel.empty());
    EXPECT_TRUE(e.ZcNumber.empty());

    const std::string xml = f.folder.File("star.xml");
    f.dialogs.save_file_names = {QString::fromStdString(xml)};
    f.w->Button4->click();
    const QStringList stars = ElementTexts(xml, "Star");
    ASSERT_EQ(stars.size(), 1);
    EXPECT_EQ(stars[0].section('|', 0, 1), r.xml_star);
    const auto saved = f.SaveLightCurve("star.dat");
    ASSERT_TRUE(saved);
    EXPECT_NE(saved->find(std::string("\r\n") + r.curve_star + "\r\n"), std::string::npos) << *saved;
  }
}

// The record's degrees carry their sign ("+135"), and so does the window's
// edit: a corrected altitude leaves the position as it was, and a typed "+"
// is not doubled.
TEST(TLightCurveReport, SignedDegreesStayAsTheyAreWhenTheSiteIsCorrected) {
  struct Row {
    const char* edit;
    const char* typed;
    const char* position;  // "|longitude|latitude|altitude|" of the <ID> line
  };
  for (const Row& r : {Row{"Edit8", "41", "|+135 30 15.0|-5 2 3|41|"}, Row{"Edit2", "+136", "|+136 30 15.0|-5 2 3|40|"},
                       Row{"Edit5", "+5", "|+135 30 15.0|+5 2 3|40|"}}) {
    Fixture f;
    TReportLightCurveElement& e = f.events.ReportLightCurveElement;
    e.LongitudeD = "+135", e.LongitudeM = "30", e.LongitudeS = "15.0";
    e.LatitudeD = "-5", e.LatitudeM = "2", e.LatitudeS = "3";
    f.Open();
    EXPECT_EQ(f.w->Edit2->text(), "+135");
    TypeInto(Find<QLineEdit>(f.w, r.edit), r.typed);
    EXPECT_NE(f.w->Memo2->toPlainText().indexOf(QString("|Home|JP") + r.position), -1)
        << r.edit << "\n" << f.w->Memo2->toPlainText().toStdString();
  }
}

TEST(TLightCurveReport, CopiesTheTextReport) {
  Fixture f;
  f.Open();
  f.events.ReportLightCurveElement.StartH = "9";
  f.events.ReportLightCurveElement.StartM = "4";
  f.events.ReportLightCurveElement.StartS = "7.96";
  f.w->Button5->click();
  const QStringList text = QApplication::clipboard()->text().split('\n');
  const QStringList memo3 = f.Memo(f.w->Memo3), memo2 = f.Memo(f.w->Memo2);
  ASSERT_EQ(text.size(), memo3.size() + 1 + memo2.size() + 5 + 5);
  EXPECT_EQ(text[0], memo3[0]);
  EXPECT_EQ(text[static_cast<int>(memo3.size())], "");
  EXPECT_EQ(text[static_cast<int>(memo3.size()) + 1], "<Observations>");
  const int lc = static_cast<int>(memo3.size() + 1 + memo2.size());
  EXPECT_EQ(text[lc + 2], "Text-based Light curve ");
  EXPECT_EQ(text[lc + 3], "(1234)_20230705_090408_Obs_One.dat");
  EXPECT_EQ(text.back(), "Values:10:12");
  EXPECT_EQ(f.host.marked, 1);

  f.w->CheckBox6->setChecked(false);
  f.w->Button5->click();
  EXPECT_EQ(QApplication::clipboard()->text().split('\n').size(), memo3.size() + 1 + memo2.size());
}

// A camera or time-keeping setting typed but not yet confirmed with Enter
// is what the edit shows: the copied report carries it, not the value before.
TEST(TLightCurveReport, CopiesCameraSettingsTypedWithoutEnter) {
  Fixture f;
  f.Open();
  f.w->CheckBox6->setChecked(false);
  const std::pair<const char*, const char*> typed[] = {
      {"Edit44", "ASI174MM"}, {"Edit45", "VK172"}, {"Edit47", "640x480"}, {"Edit48", "2"},
      {"Edit49", "On"},       {"Edit50", "300"},   {"Edit51", "33.3"},    {"Edit52", "10"}};
  for (const auto& [edit, text] : typed) TypeInto(Find<QLineEdit>(f.w, edit), text);
  f.w->Button5->click();
  const QStringList copied = QApplication::clipboard()->text().split('\n');
  for (const char* line : {"[Camera    ]  Analog or Digital video ,  Model= ASI174MM",
                           "[Exposure  ]  Set: 33.3msec,  Measure: 33.4msec",
                           "[Setting   ]  Area: 640x480  ;  Binning=2",
                           "              Gain: 300  ;  Brightness: 10  ;  High Speed Mode: On",
                           "[Time keep ]  GPS  ;  Model: VK172"})
    EXPECT_TRUE(copied.contains(line)) << line << "\n" << copied.join('\n').toStdString();
  EXPECT_EQ(f.Memo(f.w->Memo3), copied.mid(0, f.Memo(f.w->Memo3).size()));
}

TEST(TLightCurveReport, LoadsTheCameraSettingFile) {
  Fixture f;
  f.Open();
  const std::string path = f.folder.Write("camera.txt", "Gain=100\r\nGain=250\r\nExposure=33.3330ms\r\nBinning=1\n");
  f.dialogs.open_file_names = {QString::fromStdString(path)};
  f.w->Button6->click();
  EXPECT_EQ(f.w->Edit50->text(), "250");
  EXPECT_EQ(f.w->Edit51->text(), "33.333");
  EXPECT_EQ(f.w->Edit48->text(), "1");
  EXPECT_EQ(f.w->Edit47->text(), "");
  EXPECT_TRUE(InputConfirmed(f.w->Edit47));
  EXPECT_EQ(f.w->Memo5->toPlainText(), "Gain=100\nGain=250\nExposure=33.3330ms\nBinning=1");
  EXPECT_EQ(f.Memo(f.w->Memo3)[24], "[Exposure  ]  Set: 33.333msec,  Measure: 33.4msec");

  f.dialogs.open_file_names = {QString::fromStdString(f.folder.File("missing.txt"))};
  f.w->Button6->click();
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.w->Edit50->text(), "250");
}

// A file that holds no camera setting (empty, binary, another kind of text)
// is refused; the settings loaded or typed before stay.
TEST(TLightCurveReport, ACameraSettingFileWithoutSettingsIsRefused) {
  Fixture f;
  f.Open();
  const std::string good = "Gain=250\r\nExposure=33.3330ms\r\nBinning=1\r\n";
  f.dialogs.open_file_names = {QString::fromStdString(f.folder.Write("camera.txt", good))};
  f.w->Button6->click();
  ASSERT_EQ(f.w->Edit50->text(), "250");
  const QString memo = f.w->Memo5->toPlainText();
  std::vector<BrokenFile> cases = {{"empty", ""},
                                   {"a results table", "No.,Time,Flux\r\n1,2,3\r\n"},
                                   {"binary", std::string("Gain=7\0\0\x01\x02", 10)}};
  cases.push_back(Garbled(good, 0));
  for (const BrokenFile& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(RefusedWithOneClearMessage(f.dialogs, f.folder.File("broken.txt"), c.bytes,
                                           [&] { f.w->Button6->click(); }));
    EXPECT_EQ(f.w->Edit50->text(), "250");
    EXPECT_EQ(f.w->Edit51->text(), "33.333");
    EXPECT_EQ(f.w->Edit48->text(), "1");
    EXPECT_EQ(f.w->Memo5->toPlainText(), memo);
  }
}

// A camera-setting file as an editor or a capture program saved it: with a
// byte-order mark (which must not hide the first line's key), as "Unicode",
// with LF or CR line ends. Each value comes out as written in the file.
TEST(TLightCurveReport, ACameraSettingFileInAnySavedFormIsLoaded) {
  const std::vector<std::string> lines = {"Capture Area=1920x1080", "Binning=2", "High Speed Mode=On",
                                          "Gain=250", "Exposure=33.3330ms", "Brightness=1"};
  auto joined = [&](const std::string& end) {
    std::string text;
    for (const std::string& l : lines) text += l + end;
    return text;
  };
  const struct {
    const char* what;
    std::string bytes;
  } rows[] = {{"CRLF", joined("\r\n")},
              {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + joined("\r\n")},
              {"Unicode (UTF-16) with its mark", Utf16LeFileBytes(joined("\r\n"))},
              {"LF only", joined("\n")},
              {"CR only", joined("\r")}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    Fixture f;
    f.Open();
    f.dialogs.open_file_names = {QString::fromStdString(f.folder.Write("camera.txt", r.bytes))};
    f.w->Button6->click();
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.w->Edit47->text(), "1920x1080");
    EXPECT_EQ(f.w->Edit48->text(), "2");
    EXPECT_EQ(f.w->Edit49->text(), "On");
    EXPECT_EQ(f.w->Edit50->text(), "250");
    EXPECT_EQ(f.w->Edit51->text(), "33.333");
    EXPECT_EQ(f.w->Edit52->text(), "1");
    EXPECT_EQ(f.Memo(f.w->Memo5).join('|').toStdString(), joined("|").substr(0, joined("|").size() - 1));
  }
}

// A folder, a missing file, a named pipe or one too large to be a setting
// file is told, and the settings loaded before stay.
TEST(TLightCurveReport, ACameraSettingFileThatCannotBeReadKeepsTheSettings) {
  Fixture f;
  f.Open();
  f.dialogs.open_file_names = {QString::fromStdString(f.folder.Write("camera.txt", "Gain=250\r\n"))};
  f.w->Button6->click();
  ASSERT_EQ(f.w->Edit50->text(), "250");
  std::filesystem::create_directory(f.folder.File("folder.txt"));
  f.folder.Write("huge.txt", "Gain=7\r\n" + std::string((1u << 20) + 10, 'x') + "\r\n");
  const NamedPipeWatch pipe(f.folder.Path() / "pipe.txt");
  for (const char* name : {"folder.txt", "missing.txt", "huge.txt", "pipe.txt"}) {
    SCOPED_TRACE(name);
    f.dialogs.messages.clear();
    f.dialogs.open_file_names = {QString::fromStdString(f.folder.File(name))};
    f.w->Button6->click();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_TRUE(IsClearMessage(f.dialogs.messages[0].text));
    EXPECT_TRUE(f.dialogs.messages[0].text.contains(QString::fromStdString(f.folder.File(name))));
    EXPECT_EQ(f.w->Edit50->text(), "250");
    EXPECT_EQ(f.w->Memo5->toPlainText(), "Gain=250");
  }
  EXPECT_FALSE(pipe.ReaderWasStuck());
}

TEST(TLightCurveReport, AppliesTheLimbSlopeToALunarCurve) {
  Fixture f;
  f.events.ReportLightCurveData.Lines[3] = "Object: Moon: 0: 1: 2: 3: 4: 5: 6: 7: 8: 9: 10";
  f.Open();
  f.w->SetLightCurveLines({"Date", "Star", "Observer", "Object: Moon: 0: 1: 2: 3: 4: 5: 6: 7: 8: 9: 10", "Values:1"});
  f.w->Edit1->setText("-1.256");
  f.w->Button1->click();
  EXPECT_EQ(f.events.ReportLightCurveData.Lines[3], "Object: Moon: 0: 1: 2: -1.26: 4: 5: 6: 7: 8: 9: 10");
  EXPECT_EQ(f.events.ReportLightCurveElement.LunarValues[3], "-1.26");
  EXPECT_EQ(f.Memo(f.w->Memo1)[3], "Object: Moon: 0: 1: 2: -1.26: 4: 5: 6: 7: 8: 9: 10");
  f.w->Edit1->setText("steep");
  f.w->Button1->click();
  EXPECT_EQ(f.events.ReportLightCurveElement.LunarValues[3], "0.00");
}

TEST(TLightCurveReport, EveryNamedControlExists) {
  Fixture f;
  f.Open();
  for (const char* name :
       {"Memo1", "Memo2", "Memo3", "Memo4", "Memo5", "Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7",
        "Edit8", "Edit9", "Edit10", "Edit11", "Edit12", "Edit13", "Edit14", "Edit15", "Edit16", "Edit17", "Edit18",
        "Edit19", "Edit20", "Edit21", "Edit22", "Edit23", "Edit24", "Edit25", "Edit26", "Edit27", "Edit28", "Edit29",
        "Edit30", "Edit31", "Edit32", "Edit33", "Edit34", "Edit35", "Edit36", "Edit37", "Edit38", "Edit39", "Edit40",
        "Edit41", "Edit42", "Edit43", "Edit44", "Edit45", "Edit46", "Edit47", "Edit48", "Edit49", "Edit50", "Edit51",
        "Edit52", "CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5", "CheckBox6", "ComboBox1",
        "ComboBox2", "ComboBox3", "ComboBox4", "ComboBox5", "ComboBox6", "ComboBox7", "ComboBox8", "ComboBox9",
        "ComboBox10", "ComboBox11", "Button1", "Button2", "Button3", "Button4", "Button5", "Button6"})
    EXPECT_NE(f.w->findChild<QWidget*>(name), nullptr) << name;
  EXPECT_EQ(f.w->Button4->text(), "Save XML Report File");
  EXPECT_EQ(f.w->ComboBox9->itemText(5), "GHS-OSD");
  EXPECT_EQ(f.w->ComboBox3->currentText(), "Newtonian");
  EXPECT_EQ(f.w->ComboBox7->itemText(7), "7 Averted vision");
}

