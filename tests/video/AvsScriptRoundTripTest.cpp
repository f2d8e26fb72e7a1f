// The script the program writes for a video names that very video when our
// script reader reads it back, whatever characters the path holds (a double
// quote excepted: such videos are not scripted at all).
#include <gtest/gtest.h>

#include <string>

#include "support/TemporaryFolder.h"
#include "video/AvsScript.h"

namespace {

TEST(AvsScriptRoundTrip, TheWrittenScriptNamesItsVideo) {
  TemporaryFolder folder("tessary-avsround");
  const std::string base = folder.Path().string();
  const std::string paths[] = {
      base + "/plain.avi",
      base + "/two  blanks, a comma (1).avi",
      base + "/#hash; semi=colon.avi",
      base + "/\xC3\xA9toile \xE6\x98\x9F.avi",
      "C:\\Obs\\2026 run\\occ.avi",
      base + "/trailing blank .avi",
  };
  for (const std::string& video : paths) {
    SCOPED_TRACE(video);
    for (bool camcorder : {false, true}) {
      const std::string script = folder.File("s.avs");
      std::string error;
      ASSERT_TRUE(WriteAvsScriptFile(script, AvsScriptLines(video, camcorder), error)) << error;
      AvsScriptSource source;
      ASSERT_TRUE(ReadAvsScript(script, source, error)) << error;
      EXPECT_EQ(source.kind, AvsScriptSource::Kind::DirectShow);
      EXPECT_EQ(source.video_path, video);
      EXPECT_EQ(source.unused_lines.size(), camcorder ? 2u : 0u);
    }
  }
}

}  // namespace
