// Tools > 'for Mutual Event' opens the mutual-event window over the main
// window's results table, once, and never during a run.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/ui/TPlatform.h"
#include "base/ui/DialogService.h"
#include "chart/ui/TMutual_Average.h"
#include "support/ChartTestTables.h"
#include "support/TestFolder.h"

namespace {

TEST(MutualEventLaunch, ToolsMenuOpensTheWindowOverTheResultsTable) {
  TestFolder dir;
  ScriptedDialogService dialogs;
  ScopedDialogService use{dialogs};
  std::filesystem::create_directories(dir / "bin");
  TPlatform w(PlatformOptions{dir / "bin" / "tessary"});
  QAction* item = w.findChild<QAction*>("forMutualEvent1");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(), "for Mutual Event");

  // Not during a run.
  w.Run.MeasuringRun = true;
  item->trigger();
  EXPECT_EQ(w.Mutual_Average, nullptr);
  w.Run.MeasuringRun = false;

  const std::vector<std::string> before = ParabolaEventTable(64, 1, 40, 1000);
  w.Results.Assign(before);
  item->trigger();
  QPointer<TMutual_Average> opened = w.Mutual_Average;
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(w.Chart.MutualAverageOpen, 1);
  item->trigger();  // already open: the same window
  EXPECT_EQ(w.Mutual_Average, opened);

  opened->findChild<QPushButton*>("Button1")->click();
  EXPECT_EQ(opened->findChild<QPlainTextEdit*>("Memo1")->toPlainText().split('\n').size(), 2);
  EXPECT_EQ(w.Results.Lines(), before);  // read, never written

  opened->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w.Chart.MutualAverageOpen, 0);
  EXPECT_EQ(opened, nullptr);
  item->trigger();
  EXPECT_NE(w.Mutual_Average, nullptr);
}

}  // namespace
