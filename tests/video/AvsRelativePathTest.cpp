// A script that names its video by a relative path reads the video beside the
// script, as AviSynth does, not a file of that name in the program's working
// folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/AviWriter.h"
#include "support/TemporaryFolder.h"
#include "support/VideoFixtures.h"
#include "video/TGKAvi.h"

namespace {

TEST(AvsRelativePath, VideoBesideTheScriptIsRead) {
  TemporaryFolder folder("tessary-avsrelative");
  const auto scripts = folder.Path() / "scripts", elsewhere = folder.Path() / "elsewhere";
  std::filesystem::create_directories(scripts / "sub");
  std::filesystem::create_directories(elsewhere / "sub");
  struct Case {
    const char* named;  // as the script names it
    const char* line;   // %s the name
  } cases[] = {{"clip.avi", "AVISource(\"%s\")"}, {"sub/clip.avi", "AVISource(\"%s\")"},
               {"clip.avi", "DirectShowSource(\"%s\")"}};
  // The program started in another folder that holds videos of the same names.
  struct WorkingFolder {
    std::filesystem::path before = std::filesystem::current_path();
    ~WorkingFolder() { std::filesystem::current_path(before); }
  } restore;
  std::filesystem::current_path(elsewhere);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.line) + " " + c.named);
    ASSERT_TRUE(WriteAvi((scripts / c.named).string(), {NumberedFrame(32, 24, 7, 2)}));
    ASSERT_TRUE(WriteAvi((elsewhere / c.named).string(), {NumberedFrame(32, 24, 3, 2)}));
    std::string line = c.line;
    line.replace(line.find("%s"), 2, c.named);
    const std::string script = (scripts / "s.avs").string();
    std::ofstream(script, std::ios::binary | std::ios::trunc) << line << "\r\n";
    TGKAvi avi;
    EXPECT_TRUE(avi.OpenStreams(script)) << avi.LastError();
    Bitmap24 frame;
    EXPECT_TRUE(avi.GetFrameBitmap(0, frame)) << avi.LastError();
    EXPECT_EQ(ReadFrameNumber(frame, 2), 7);
  }
}

}  // namespace

namespace {

// A script written on Windows names a video in a subfolder as "sub\clip.avi":
// that video is read, not a video of the same name beside the script.
TEST(AvsRelativePath, WindowsSeparatorsReachTheSubfolder) {
  TemporaryFolder folder("tessary-avsrelative");
  std::filesystem::create_directories(folder.Path() / "sub" / "deeper");
  ASSERT_TRUE(WriteAvi(folder.File("sub/deeper/clip.avi"), {NumberedFrame(32, 24, 7, 2)}));
  ASSERT_TRUE(WriteAvi(folder.File("clip.avi"), {NumberedFrame(32, 24, 3, 2)}));
  for (const char* line : {"AVISource(\"sub\\deeper\\clip.avi\")", "DirectShowSource(\"sub\\deeper/clip.avi\")"}) {
    SCOPED_TRACE(line);
    TGKAvi avi;
    ASSERT_TRUE(avi.OpenStreams(folder.Write("s.avs", std::string(line) + "\r\n"))) << avi.LastError();
    Bitmap24 frame;
    ASSERT_TRUE(avi.GetFrameBitmap(0, frame)) << avi.LastError();
    EXPECT_EQ(ReadFrameNumber(frame, 2), 7);
  }
}

}  // namespace
