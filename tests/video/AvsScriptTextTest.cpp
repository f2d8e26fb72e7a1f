// A script is opened as the observer saved it: with a byte-order mark or as
// "Unicode" from a Windows editor, with any line ends, after comments and
// blank lines. A file that is no script is refused with a reason, and the
// next good script opens as before.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/AviWriter.h"
#include "support/LunarListingText.h"
#include "support/TemporaryFolder.h"
#include "support/VideoFixtures.h"
#include "video/TGKAvi.h"

namespace {

TEST(AvsScriptText, EverySavedFormOfAScriptOpensItsVideo) {
  TemporaryFolder folder("tessary-avstext");
  ASSERT_TRUE(WriteAvi(folder.File("clip.avi"), {NumberedFrame(32, 24, 5, 2), NumberedFrame(32, 24, 6, 2)}));
  const std::string line = "AVISource(\"clip.avi\")";
  const struct {
    const char* what;
    std::string bytes;
  } rows[] = {
      {"CRLF", line + "\r\n"},
      {"LF only", "# made by hand\n\n" + line + "\nTrim(0, 1)\n"},
      {"CR only", "# made by hand\r\r" + line + "\rTrim(0, 1)\r"},
      {"no line end", line},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + line + "\r\n"},
      {"UTF-8 byte-order mark before a comment", "\xEF\xBB\xBF# occultation\r\n" + line + "\r\n"},
      {"Unicode (UTF-16) with its mark", Utf16LeFileBytes(line + "\r\n")},
      {"leading blanks and a tab", " \t" + line + "\r\n"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const std::string script = folder.Write("s.avs", r.bytes);
    TGKAvi avi;
    ASSERT_TRUE(avi.OpenStreams(script)) << avi.LastError();
    EXPECT_EQ(avi.FrameCount(), 2);
    Bitmap24 frame;
    ASSERT_TRUE(avi.GetFrameBitmap(1, frame)) << avi.LastError();
    EXPECT_EQ(ReadFrameNumber(frame, 2), 6);
  }
}

TEST(AvsScriptText, AFileThatIsNoScriptIsRefusedWithAReason) {
  TemporaryFolder folder("tessary-avstext");
  ASSERT_TRUE(WriteAvi(folder.File("clip.avi"), {NumberedFrame(32, 24, 5, 2)}));
  const std::string good = "AVISource(\"clip.avi\")\r\n";
  std::filesystem::create_directory(folder.Path() / "folder.avs");
  std::string noise(200, '\0');
  std::mt19937 random(7);
  for (char& c : noise) c = static_cast<char>(random() & 0xFF);
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"cut after a few bytes", good.substr(0, 6)},
      {"cut inside the name", good.substr(0, 13)},
      {"random bytes", noise},
      {"random bytes behind a byte-order mark", "\xEF\xBB\xBF" + noise},
      {"a line longer than a script can be", std::string(70000, 'x') + "\r\n" + good},
      {"the video's name with a decimal comma", "AVISource(\"clip,avi\")\r\n"},
  };
  TGKAvi avi;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(avi.OpenStreams(folder.Write("broken.avs", c.bytes)));
    EXPECT_GE(avi.LastError().size(), 12u) << avi.LastError();
  }
  for (const char* name : {"folder.avs", "missing.avs"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(avi.OpenStreams(folder.File(name)));
    EXPECT_GE(avi.LastError().size(), 12u) << avi.LastError();
  }
  ASSERT_TRUE(avi.OpenStreams(folder.Write("s.avs", good))) << avi.LastError();
  EXPECT_EQ(avi.FrameCount(), 1);
}

}  // namespace
