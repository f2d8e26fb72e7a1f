// Prediction files cut short at every few bytes, or binary, opened through
// the identification windows after a good one: each is listed as far as it
// holds whole events or refused with a message, and every listed event can
// be clicked.
#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "IdentFakeHost.h"
#include "base/CsvFields.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TIdentification.h"
#include "support/BrokenFiles.h"
#include "support/LunarListingText.h"
#include "support/TemporaryFolder.h"

namespace {

TEST(BrokenPredictionFiles, AsteroidElementsCutAnywhere) {
  IdentFakeHost host;
  host.times.StampDate1 = "24";
  host.times.StampDate2 = "5";
  host.times.StampDate3 = "12";
  QPointer<TAsteroidIdentification> w = new TAsteroidIdentification(host);
  w->show();
  TemporaryFolder folder("tessary-elements");
  const std::string good = kElements;
  std::vector<BrokenFile> cases = CutEvery(good, 0, 3);
  cases.push_back(Garbled(good, 40));
  for (const BrokenFile& c : cases) {
    SCOPED_TRACE(c.name);
    host.dialogs.messages.clear();
    host.dialogs.open_file_names.push_back(QString::fromStdString(folder.Write("events.xml", c.bytes)));
    w->Button5->click();
    for (const auto& m : host.dialogs.messages) EXPECT_TRUE(IsClearMessage(m.text)) << m.text.toStdString();
    // Only whole events are listed: an event cut short is left out and told.
    const QStringList whole = {"2024 May 12 14.3h UT ,  (1234)Some name occults TYC 1234-00567-1",
                               "2024 May 13 3.5h UT ,  (7)Iris occults HIP 99"};
    ASSERT_LE(w->ListBox1->count(), 2);
    for (int row = 0; row < w->ListBox1->count(); ++row) EXPECT_TRUE(whole.contains(w->ListBox1->item(row)->text()));
    for (int row = 0; row < w->ListBox1->count(); ++row) PressRow(w->ListBox1, row);
    ASSERT_FALSE(w.isNull());
  }
  delete w.data();
}

TEST(BrokenPredictionFiles, LunarListingCutAnywhereOrBinary) {
  TemporaryFolder folder("tessary-lunar");
  IdentFakeHost host;
  const std::string good = JoinCrlfLines(SampleLunarListing());
  host.settings.LunarPredictionFile = folder.Write("lunar.txt", good);
  host.times.StampDate1 = "24";
  host.times.StampDate2 = "5";
  host.times.StampDate3 = "12";
  host.times.StampH1 = "14";
  host.auto_search = true;
  QPointer<TIdentification> w = new TIdentification(host, true);
  w->show();
  for (const BrokenFile& c : CutEvery(good, 1, 5)) {
    SCOPED_TRACE(c.name);
    host.dialogs.messages.clear();
    host.dialogs.open_file_names.push_back(QString::fromStdString(folder.Write("cut.txt", c.bytes)));
    w->Openpredictionfile1->trigger();
    for (const auto& m : host.dialogs.messages) EXPECT_TRUE(IsClearMessage(m.text)) << m.text.toStdString();
    for (int row = 0; row < w->ListBox1->count(); ++row) {
      w->ListBox1->setCurrentRow(row);
      emit w->ListBox1->itemDoubleClicked(w->ListBox1->item(row));
    }
    ASSERT_FALSE(w.isNull());
  }

  // A binary file is no listing: it is refused and the listing chosen before stays.
  const std::string listed = folder.Write("lunar.txt", good);
  host.dialogs.open_file_names.push_back(QString::fromStdString(listed));
  w->Openpredictionfile1->trigger();
  const QString memo = w->Memo5->toPlainText();
  for (const BrokenFile& c : {Garbled(good, 0), BrokenFile{"NUL bytes", good + std::string(8, '\0')}}) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(RefusedWithOneClearMessage(host.dialogs, folder.File("binary.txt"), c.bytes,
                                           [&] { w->Openpredictionfile1->trigger(); }));
    EXPECT_EQ(host.settings.LunarPredictionFile, listed);
    EXPECT_EQ(w->Memo5->toPlainText(), memo);
  }
  delete w.data();
}

}  // namespace

namespace {

// An empty file, or a text of another kind, is no lunar listing: it is
// refused with a message, and the listing chosen before stays listed, applied
// and named in the settings. A file of one event is taken.
TEST(BrokenPredictionFiles, LunarFileWithoutEventsIsRefused) {
  TemporaryFolder folder("tessary-lunar-other");
  IdentFakeHost host;
  const std::vector<std::string> sample = SampleLunarListing();
  const std::string listed = folder.Write("lunar.txt", JoinCrlfLines(sample));
  host.settings.LunarPredictionFile = listed;
  host.times.StampDate1 = "24";
  host.times.StampDate2 = "5";
  host.times.StampDate3 = "12";
  host.times.StampH1 = "14";
  host.time_edits = {"14", "30", "05.0000"};
  host.auto_search = true;
  QPointer<TIdentification> w = new TIdentification(host, true);
  ASSERT_EQ(w->Edit2->text(), "ZC 1234");
  const QString memo = w->Memo5->toPlainText();
  const int rows = w->ListBox1->count();
  const std::vector<std::string> heading(sample.begin(), sample.begin() + 5);
  const BrokenFile refused[] = {
      {"Empty", ""},
      {"BlankLines", "\r\n\r\n\r\n"},
      {"BomOnly", "\xEF\xBB\xBF"},
      {"HeadingOnly", JoinCrlfLines(heading)},
      {"LightCurveCsv", "Frame,Time,Star1,Star2\n1,14:30:05.000,100,20\n2,14:30:05.040,99,21\n"},
      {"AsteroidElements", kElements},
  };
  for (const BrokenFile& c : refused) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(RefusedWithOneClearMessage(host.dialogs, folder.File("other.txt"), c.bytes,
                                           [&] { w->Openpredictionfile1->trigger(); }));
    EXPECT_EQ(host.settings.LunarPredictionFile, listed);
    EXPECT_EQ(w->Memo5->toPlainText(), memo);
    EXPECT_EQ(w->ListBox1->count(), rows);
    EXPECT_EQ(w->Edit2->text(), "ZC 1234");
    EXPECT_EQ(host.events.ReportLightCurveElement.StarNumber, "1234");
  }

  // A file of one event is a listing: taken, listed and applied.
  std::vector<std::string> one_event = heading;
  one_event.push_back(LunarEventLine("24 May 12 14 30 07", "X", "   777"));
  host.dialogs.messages.clear();
  const std::string file = folder.Write("one.txt", JoinCrlfLines(one_event));
  host.dialogs.open_file_names.push_back(QString::fromStdString(file));
  w->Openpredictionfile1->trigger();
  EXPECT_TRUE(host.dialogs.messages.empty());
  EXPECT_EQ(host.settings.LunarPredictionFile, file);
  EXPECT_EQ(w->ListBox1->count(), 6);
  EXPECT_EQ(w->Edit2->text(), "XZ 777");
  delete w.data();
}

}  // namespace
