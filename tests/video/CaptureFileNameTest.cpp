// The next capture file's name: folder, ".avi", and the counter that keeps
// an existing recording from being overwritten.
#include <gtest/gtest.h>

#include <set>

#include "video/CaptureFileName.h"

namespace {

struct NameCase {
  const char* typed;
  std::set<std::string> existing;
  const char* file;
  const char* base;
};

class CaptureNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(CaptureNames, AdvanceUntilFree) {
  const NameCase& c = GetParam();
  const std::string first = CaptureFilePath("/cap/", c.typed);
  const FreeCaptureName r =
      NextFreeCaptureName(first, [&](const std::string& f) { return c.existing.count(f) != 0; });
  EXPECT_EQ(r.File, c.file);
  EXPECT_EQ(r.BaseName, c.base);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CaptureNames,
    ::testing::Values(NameCase{"", {}, "/cap/Untitled.avi", "Untitled"},
                      NameCase{"obs", {}, "/cap/obs.avi", "obs"},
                      NameCase{"obs.mpg", {}, "/cap/obs.avi", "obs"},
                      NameCase{"obs", {"/cap/obs.avi"}, "/cap/obs_001.avi", "obs_001"},
                      NameCase{"obs", {"/cap/obs.avi", "/cap/obs_001.avi"}, "/cap/obs_002.avi", "obs_002"},
                      NameCase{"obs_009", {"/cap/obs_009.avi"}, "/cap/obs_010.avi", "obs_010"},
                      NameCase{"obs_099", {"/cap/obs_099.avi"}, "/cap/obs_100.avi", "obs_100"},
                      NameCase{"obs_999", {"/cap/obs_999.avi"}, "/cap/obs_1000.avi", "obs_1000"},
                      NameCase{"obs_1a2", {"/cap/obs_1a2.avi"}, "/cap/obs_1a2_001.avi", "obs_1a2_001"},
                      NameCase{"ob", {"/cap/ob.avi"}, "/cap/ob_001.avi", "ob_001"}));

TEST(CaptureNames, FolderGetsOneSeparator) {
  EXPECT_EQ(CaptureFilePath("/cap", "a"), "/cap/a.avi");
  EXPECT_EQ(CaptureFilePath("/cap/", "a.AVI"), "/cap/a.avi");
}

TEST(CaptureNames, AdvancedCountersAreReported) {
  const FreeCaptureName r = NextFreeCaptureName(
      "/cap/obs_009.avi", [](const std::string& f) { return f == "/cap/obs_009.avi" || f == "/cap/obs_010.avi"; });
  EXPECT_EQ(r.File, "/cap/obs_011.avi");
  EXPECT_EQ(r.CounterTexts, (std::vector<std::string>{"009", "010"}));
}

}  // namespace
