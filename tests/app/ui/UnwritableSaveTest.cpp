// Every save command of the main window and its script editor given a name
// it cannot write (a folder of that name, a folder that does not exist, a
// file marked read-only, a read-only folder): one clear message, the old
// file byte for byte as it was, no temporary file left beside it, and the
// work still in the window and still unsaved.
#include <QAction>
#include <QPlainTextEdit>
#include <unistd.h>

#include <map>

#include "MainRoadFixture.h"
#include "app/ui/UtilityWindows.h"
#include "support/BrokenFiles.h"
#include "support/FileBytes.h"

namespace {

namespace fs = std::filesystem;

struct SaveCommand {
  const char* name;
  const char* file;  // the name the dialog answers
  std::function<void(MainRoadWindow&)> prepare;  // makes something to save
  std::function<void(MainRoadWindow&)> save;
  std::function<std::string(MainRoadWindow&)> unsaved;  // the work still held, and whether it counts as unsaved
  bool asks_on_close = false;  // closing the window asks about the unsaved work
};

void MeasureTwoRows(MainRoadWindow& m) {
  const auto video = m.Path("twelve.avi");
  ASSERT_TRUE(WriteSteadyStarVideo(video, 12));
  ASSERT_TRUE(m.OpenThroughButton1(video));
  m.ClickImage1(40, 30);
  m.Click("Button16");
  m.Click("Button16");
  ASSERT_TRUE(m.W().Results.ChangedSinceSaved());
}

const std::vector<SaveCommand>& Commands() {
  static const std::vector<SaveCommand> commands = {
      {"SaveCsv", "run.csv", MeasureTwoRows, [](MainRoadWindow& m) { m.Click("Button6"); },
       [](MainRoadWindow& m) {
         return m.W().Results.Text() + (m.W().Results.ChangedSinceSaved() ? "unsaved" : "saved");
       },
       true},
      {"SaveImage", "frame.png", MeasureTwoRows, [](MainRoadWindow& m) { m.Find<QAction>("SaveImage1")->trigger(); },
       [](MainRoadWindow& m) { return std::to_string(m.W().Display.Image1Bitmap.Width()); }},
      {"AvsSaveAs", "p.avs",
       [](MainRoadWindow& m) {
         m.dialogs.open_file_names.push_back(WriteFileBytes(m.Path("good.avs"), "AviSource(\"a.avi\")\r\n"));
         m.Find<QAction>("AVSFileEdit1")->trigger();
         ASSERT_TRUE(m.W().AvsEdit);
         m.W().AvsEdit->Memo1->setPlainText("AviSource(\"b.avi\")");
       },
       [](MainRoadWindow& m) { m.W().AvsEdit->Saveas1->trigger(); },
       [](MainRoadWindow& m) {
         return m.W().AvsEdit->FileName().toStdString() + "|" + m.W().AvsEdit->Memo1->toPlainText().toStdString();
       }},
  };
  return commands;
}

enum class Target { Folder, MissingFolder, ReadOnlyFile, ReadOnlyFolder };

// Names and bytes of everything below `folder`.
std::map<std::string, std::string> Tree(const fs::path& folder) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(e.path(), folder).string();
    out[name] = e.is_regular_file() ? ReadFileBytes(e.path()) : "<folder>";
  }
  return out;
}

class UnwritableSave : public ::testing::TestWithParam<std::tuple<size_t, Target>> {};

TEST_P(UnwritableSave, OneClearMessageAndNothingLost) {
  const SaveCommand& c = Commands()[std::get<0>(GetParam())];
  const Target target = std::get<1>(GetParam());
  if (target == Target::ReadOnlyFolder && ::geteuid() == 0) GTEST_SKIP() << "root writes into every folder";
  MainRoadWindow m(Reader::OwnAvi);
  c.prepare(m);
  ASSERT_FALSE(HasFatalFailure());
  const std::string before = c.unsaved(m);
  const fs::path place = m.Path("place");
  fs::create_directories(place);
  fs::path path = place / c.file;
  switch (target) {
    case Target::Folder:
      fs::create_directories(path / "inside");
      WriteFileBytes(path / "inside" / "keep.txt", "kept\r\n");
      break;
    case Target::MissingFolder:
      path = place / "gone" / c.file;
      break;
    case Target::ReadOnlyFile:
      WriteFileBytes(path, "the observer's own file\r\n");
      fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
      break;
    case Target::ReadOnlyFolder:
      WriteFileBytes(path, "the observer's own file\r\n");
      fs::permissions(place, fs::perms::owner_read | fs::perms::owner_exec);
      break;
  }
  const auto tree = Tree(place);
  m.dialogs.messages.clear();
  m.dialogs.save_file_names = {QString::fromStdString(path.string())};
  c.save(m);
  fs::permissions(place, fs::perms::owner_all);
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_TRUE(IsClearMessage(m.dialogs.messages[0].text)) << m.dialogs.messages[0].text.toStdString();
  EXPECT_EQ(Tree(place), tree);
  EXPECT_EQ(c.unsaved(m), before);
  if (c.asks_on_close) {
    m.dialogs.save_answers = {SaveAnswer::Cancel};
    EXPECT_FALSE(m.W().close());
    EXPECT_EQ(m.dialogs.save_questions.size(), 1u);
  }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<size_t, Target>>& info) {
  static const char* targets[] = {"Folder", "MissingFolder", "ReadOnlyFile", "ReadOnlyFolder"};
  return std::string(Commands()[std::get<0>(info.param)].name) + targets[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Commands, UnwritableSave,
                         ::testing::Combine(::testing::Range(size_t{0}, Commands().size()),
                                            ::testing::Values(Target::Folder, Target::MissingFolder,
                                                              Target::ReadOnlyFile, Target::ReadOnlyFolder)),
                         CaseName);

}  // namespace
