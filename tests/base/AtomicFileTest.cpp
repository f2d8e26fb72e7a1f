// A save whose bytes the disk refuses only when they are synced (a network
// folder, a quota) fails without holding the file open or leaving its
// temporary file beside the target.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "base/AtomicFile.h"
#include "support/FailingSync.h"
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
  EXPECT_EQ(FilesIn(folder.Path()), 1);
  EXPECT_EQ(ReadWholeFile(target, 100), std::optional<std::string>("old"));
}
