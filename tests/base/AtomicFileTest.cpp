// A save whose bytes the disk refuses only when they are synced (a network
// folder, a quota) fails without holding the file open or leaving its
// temporary file beside the target.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "base/ResultCsvLoad.h"
#include "support/FailingSync.h"
#include "support/NotAFile.h"
#include "support/TemporaryFolder.h"

namespace {
long OpenDescriptors() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
}

long FilesIn(const std::filesystem::path& folder) {
  return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}
}  // namespace

TEST(AtomicFile, AFailedSyncClosesTheFileAndLeavesNoTemporary) {
  TemporaryFolder folder;
  const std::filesystem::path target = folder.Path() / "table.csv";
  ASSERT_TRUE(WriteFileAtomic(target, "old"));
  const long before = OpenDescriptors();
  std::string error;
  {
    ScopedFailingSync failing;
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(WriteFileAtomic(target, "new", &error));
  }
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_NE(error.find("Input/output error"), std::string::npos) << error;
  EXPECT_EQ(error, "Cannot write " + target.string() + ": Input/output error");
  EXPECT_EQ(FilesIn(folder.Path()), 1);
  EXPECT_EQ(ReadWholeFile(target, 100), std::optional<std::string>("old"));
}

namespace {

// The observer is told of the file chosen, never of the hidden one beside it.
TEST(AtomicFile, AFailedSaveNamesTheChosenFile) {
  TemporaryFolder folder;
  const std::filesystem::path target = folder.Path() / "missing" / "report.xml";
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(target, "<report/>", &error));
  EXPECT_EQ(error, "Cannot create " + target.string() + ": No such file or directory");
}

// A table whose name is as long as a file name may be saves and loads back:
// the temporary file beside it must be a valid name too.
TEST(AtomicFile, ALongestFileNameSavesAndLoadsBack) {
  TemporaryFolder folder;
  const std::vector<std::string> lines = {"\"Tessary File Format (for Ver.0.9.99.5 later)\"", "\"FileName : \"",
                                          "\"No.\",x,y", "1.0,2,3"};
  for (const std::string& name : {std::string(251, 't') + ".csv", std::string(255, 'u'),
                                  std::string(83, 'v') + std::string(56, 'w') + "\xC3\xA9\xC3\xA9.csv"}) {
    SCOPED_TRACE(name.size());
    const std::string path = (folder.Path() / name).string();
    const CsvSaveResult saved = SaveResultCsv(path, lines);
    ASSERT_TRUE(saved.Ok) << saved.Message;
    const ResultCsvLoadResult r = LoadResultCsv(path, {});
    ASSERT_TRUE(r.Ok) << r.Error;
    EXPECT_EQ(r.Lines, lines);
    std::filesystem::remove(path);
    EXPECT_EQ(FilesIn(folder.Path()), 0);
  }
}

// A settings file or table kept as a link elsewhere (a synchronised folder)
// is written where the link points; the link stays a link.
TEST(AtomicFile, AWriteThroughALinkReplacesTheFileItNames) {
  TemporaryFolder folder;
  namespace fs = std::filesystem;
  fs::create_directories(folder.Path() / "sync");
  const fs::path real = folder.Path() / "sync" / "tessary.ini";
  ASSERT_TRUE(WriteFileAtomic(real, "[Files]\r\n"));
  const struct {
    const char* name;
    fs::path link, target;
  } links[] = {{"relative", folder.Path() / "tessary.ini", "sync/tessary.ini"},
               {"absolute", folder.Path() / "abs.ini", real},
               {"link to a link", folder.Path() / "chain.ini", "tessary.ini"}};
  for (const auto& l : links) {
    SCOPED_TRACE(l.name);
    fs::create_symlink(l.target, l.link);
    IniFile ini(l.link);
    ini.WriteString("Identification", "Observer", l.name);
    EXPECT_TRUE(fs::is_symlink(l.link));
    EXPECT_EQ(IniFile(real).ReadString("Identification", "Observer", ""), l.name);
    EXPECT_EQ(ini.ReadString("Identification", "Observer", ""), l.name);
  }
  EXPECT_EQ(FilesIn(folder.Path() / "sync"), 1);
}

}  // namespace

namespace {

// A file marked read-only is the observer's protection: a save onto it is
// refused with the reason, and the file keeps its bytes and its marking.
TEST(AtomicFile, AReadOnlyFileIsNotReplaced) {
  TemporaryFolder folder;
  namespace fs = std::filesystem;
  const fs::path target = folder.Path() / "table.csv";
  ASSERT_TRUE(WriteFileAtomic(target, "old"));
  fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(target, "new", &error));
  EXPECT_EQ(error, "Cannot replace " + target.string() + ": Permission denied");
  EXPECT_EQ(ReadWholeFile(target, 100), std::optional<std::string>("old"));
  EXPECT_EQ(FilesIn(folder.Path()), 1);
  fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_TRUE(WriteFileAtomic(target, "new"));
  EXPECT_EQ(ReadWholeFile(target, 100), std::optional<std::string>("new"));
}

// Only a plain file is read: a folder or a named pipe nobody writes is
// refused at once, never waited on.
TEST(AtomicFile, OnlyPlainFilesAreRead) {
  TemporaryFolder folder;
  namespace fs = std::filesystem;
  fs::create_directories(folder.Path() / "run.csv");
  const NamedPipeWatch pipe(folder.Path() / "pipe.csv");
  for (const char* name : {"run.csv", "pipe.csv", "missing.csv"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadWholeFile(folder.Path() / name, 100), std::nullopt);
    EXPECT_EQ(OpenPlainFileForReading(folder.Path() / name), -1);
  }
  EXPECT_FALSE(pipe.ReaderWasStuck());
  EXPECT_EQ(ReadWholeFile(folder.Write("plain.csv", "1,2\r\n"), 100), std::optional<std::string>("1,2\r\n"));
}

}  // namespace
