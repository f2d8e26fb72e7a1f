// The identification windows reached through the main window and the chart,
// their settings in the real settings file, and the identification code
// proposed as the name of the saved results file.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <fstream>
#include <sstream>

#include "MainRoadFixture.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TIdentification.h"
#include "support/ChartTestTables.h"

namespace {

std::string IniText(MainRoadWindow& m) {
  std::ifstream in(m.W().SettingsPlace.IniPath, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(IdentificationWiring, AsteroidGuideOpensFromItsButtonAndKeepsSettings) {
  MainRoadWindow m(Reader::OwnAvi,
                   "[Identification]\r\nObserver=Alan Lee\r\nFirstSite=139:45:12.5:35:40:2.0:25:Tokyo:JPN\r\n");
  m.Click("Button41");
  TAsteroidIdentification* w = m.W().AsteroidIdentification.data();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Edit3->text(), "Alan Lee");
  w->Button16->click();
  EXPECT_EQ(w->Edit33->text(), "Tokyo");
  w->Edit3->setText("Kim Park");
  w->Button2->click();
  w->Edit31->setText("30");
  w->Button15->click();
  const std::string ini = IniText(m);
  EXPECT_NE(ini.find("Observer=Kim Park\r\n"), std::string::npos);
  EXPECT_NE(ini.find("ThirdSite=139:45:12.5:35:40:2.0:30:Tokyo:JPN\r\n"), std::string::npos);
  EXPECT_NE(ini.find("FirstSite=139:45:12.5:35:40:2.0:25:Tokyo:JPN\r\n"), std::string::npos);
  w->Button11->click();
}

TEST(IdentificationWiring, LunarWindowOpensFromTheMenuAndFromTheChart) {
  MainRoadWindow m(Reader::OwnAvi);
  QAction* command = m.W().findChild<QAction*>("Identificationforlightcurve1");
  ASSERT_NE(command, nullptr);
  command->trigger();
  TIdentification* w = m.W().Identification.data();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(m.W().Events.Flags.IdentificationFromChart, 0);
  w->Edit1->setText("Kim Park");
  w->Button1->click();
  EXPECT_NE(IniText(m).find("ObserverLunar=Kim Park\r\n"), std::string::npos);
  w->Edit2->setText("XZ 1234");
  EXPECT_FALSE(m.W().Memo4->toPlainText().isEmpty());  // the code log
  w->Button6->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(m.W().Settings.ObserverName, "Kim Park");

  m.W().Results.Assign(BuildResultTable(3, 1, RowsFromValues({{100, 100, 20, 20, 100}})));
  m.W().Run.CsvLoaded = true;
  m.W().Edit26->setText("05.0000");
  m.Click("Button18");
  Tchart1* chart = m.W().chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  ASSERT_TRUE(chart->Button14->isEnabled());
  chart->Button14->click();
  ASSERT_NE(m.W().Identification.data(), nullptr);
  EXPECT_EQ(m.W().Events.Flags.IdentificationFromChart, 1);
  m.W().Identification->close();
}

TEST(IdentificationWiring, SavedResultsFileIsNamedByTheIdentificationCode) {
  MainRoadWindow m(Reader::OwnAvi);
  m.W().Results.Assign(BuildResultTable(3, 1, RowsFromValues({{100, 100}})));
  m.W().Settings.CsvDirectory = m.dir.Path().string();
  m.Click("Button6");
  ASSERT_FALSE(m.dialogs.save_file_proposals.isEmpty());
  EXPECT_EQ(m.dialogs.save_file_proposals.back().toStdString(), m.dir.Path().string());
  m.W().Events.Texts.IdentificationCode = "100115x1234AL";
  m.Click("Button6");
  EXPECT_EQ(m.dialogs.save_file_proposals.back().toStdString(), m.dir.Path().string() + "/100115x1234AL.csv");
}
