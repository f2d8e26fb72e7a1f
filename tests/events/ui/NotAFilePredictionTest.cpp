// The identification windows' 'Open' given a name that is no readable file
// (a folder called "events.xml", a path gone since it was chosen, a named
// pipe): never waits on the pipe, tells it once, and the listing loaded
// before stays.
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
#include "support/NotAFile.h"
#include "support/TemporaryFolder.h"

namespace {

class NotAFilePrediction : public ::testing::TestWithParam<NotAFileKind> {};

TEST_P(NotAFilePrediction, AsteroidElementsStay) {
  IdentFakeHost host;
  QPointer<TAsteroidIdentification> w = new TAsteroidIdentification(host);
  w->show();
  TemporaryFolder folder("tessary-elements");
  host.dialogs.open_file_names.push_back(QString::fromStdString(folder.Write("good.xml", kElements)));
  w->Button5->click();
  ASSERT_EQ(w->ListBox1->count(), 2);
  const QString memo = w->Memo1->toPlainText();

  EXPECT_TRUE(RefusedOnceWithoutWaiting(host.dialogs, folder.Path() / "events.xml", GetParam(),
                                        [&] { w->Button5->click(); }));
  EXPECT_EQ(w->ListBox1->count(), 2);
  EXPECT_EQ(w->Memo1->toPlainText(), memo);
  delete w.data();
}

TEST_P(NotAFilePrediction, LunarListingStays) {
  TemporaryFolder folder("tessary-lunar");
  IdentFakeHost host;
  const std::string listed = folder.Write("lunar.txt", JoinCrlfLines(SampleLunarListing()));
  host.settings.LunarPredictionFile = listed;
  QPointer<TIdentification> w = new TIdentification(host, true);
  w->show();
  host.dialogs.open_file_names.push_back(QString::fromStdString(listed));
  w->Openpredictionfile1->trigger();
  const QString memo = w->Memo5->toPlainText();
  ASSERT_FALSE(memo.isEmpty());

  EXPECT_TRUE(RefusedOnceWithoutWaiting(host.dialogs, folder.Path() / "other.txt", GetParam(),
                                        [&] { w->Openpredictionfile1->trigger(); }));
  EXPECT_EQ(host.settings.LunarPredictionFile, listed);
  EXPECT_EQ(w->Memo5->toPlainText(), memo);
  delete w.data();
}

// The listing the settings remember became a folder or a pipe: the window
// opens with an empty listing instead of waiting.
TEST_P(NotAFilePrediction, RememberedListingOpensEmpty) {
  TemporaryFolder folder("tessary-lunar");
  IdentFakeHost host;
  const auto path = folder.Path() / "lunar.txt";
  const auto pipe = MakeNotAFile(path, GetParam());
  host.settings.LunarPredictionFile = path.string();
  QPointer<TIdentification> w = new TIdentification(host, true);
  w->show();
  if (pipe) {
    EXPECT_FALSE(pipe->ReaderWasStuck());
  }
  EXPECT_TRUE(w->Memo5->toPlainText().isEmpty());
  delete w.data();
}

INSTANTIATE_TEST_SUITE_P(Kinds, NotAFilePrediction,
                         ::testing::Values(NotAFileKind::Folder, NotAFileKind::Vanished, NotAFileKind::Pipe),
                         [](const auto& info) {
                           const NotAFileKind k = info.param;
                           return k == NotAFileKind::Folder ? "Folder" : k == NotAFileKind::Vanished ? "Vanished" : "Pipe";
                         });

}  // namespace
