// The main window's save commands on a disk that is full and in a folder that
// cannot exist: each says so in an error box, leaves no temporary file, and
// the file saved before stays as it was.
#include <QAction>
#include <fstream>

#include "MainRoadFixture.h"
#include "base/AtomicFile.h"
#include "support/DiskFull.h"

namespace {

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(FullDiskSave, TheOldFileStaysAndTheUserIsTold) {
  struct Row {
    const char* name;
    const char* action;
    int type;  // the chosen file type of 'Save Image'; 0 for a plain save dialog
    const char* file;
  };
  const Row rows[] = {
      {"results table", "SavetoCSVFile1", 0, "result.csv"},
      {"image as PNG", "SaveImage1", 1, "shot.png"},
      {"image as JPEG", "SaveImage1", 2, "shot.jpg"},
      {"image as BMP", "SaveImage1", 3, "shot.bmp"},
  };
  for (const Row& r : rows) {
    MainRoadWindow m(Reader::OwnAvi);
    const auto video = m.Path("star.avi");
    ASSERT_TRUE(WriteAvi(video.string(), StarFrames(80, 60, 2, 40.0, 30.0, [](int) { return 2000.0; })));
    ASSERT_TRUE(m.OpenThroughButton1(video)) << r.name;
    const auto folder = m.Path("out");
    std::filesystem::create_directories(folder);
    const auto target = folder / r.file;
    std::ofstream(target, std::ios::binary) << "the earlier file";
    // A folder below a regular file cannot exist.
    const auto impossible = target / r.file;

    for (const auto& name : {target, impossible}) {
      m.dialogs.messages.clear();
      if (r.type != 0) m.dialogs.save_file_types = {r.type};
      m.dialogs.save_file_names = {QString::fromStdString(name.string())};
      {
        ScopedDiskFull full(64);
        m.Find<QAction>(r.action)->trigger();
      }
      ASSERT_EQ(m.dialogs.messages.size(), 1u) << r.name << " " << name;
      EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Error) << r.name;
      EXPECT_EQ(ReadWholeFile(target, 1024), "the earlier file") << r.name;
      EXPECT_EQ(FolderNames(folder), std::vector<std::string>{r.file}) << r.name;
    }
  }
}
