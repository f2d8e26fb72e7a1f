// The sound track of a video opened through an AviSynth script is the sound
// of the video the script reads, as the ffmpeg tool decodes it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/AtomicFile.h"
#include "support/VideoFixtures.h"
#include "video/WavFromVideo.h"

namespace {

TEST(WavFromScript, TrackOfTheVideoTheScriptReads) {
  struct Case {
    const char* video;
    const char* source;  // the script's first line, %s the video's path
  };
  const Case cases[] = {{"tone.avi", "AVISource(\"%s\")"},
                        {"tone.mkv", "DirectShowSource(\"%s\" , pixel_type=\"RGB24\")"}};
  for (const Case& c : cases) {
    const std::string folder = FixturePath(std::string("wav_script_") + c.video);
    std::filesystem::create_directories(folder);
    const std::string video = folder + "/" + c.video;
    ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -f lavfi -i "
                          "sine=frequency=1000:sample_rate=8000:duration=1 -c:v mjpeg -ac 1 -c:a pcm_s16le "
                          "-shortest '" + video + "'"));
    const std::string ref = folder + "/ref.raw";
    ASSERT_TRUE(RunFfmpeg("-i '" + video + "' -map 0:a -f s16le -c:a pcm_s16le -ac 1 '" + ref + "'"));
    std::string line = c.source;
    line.replace(line.find("%s"), 2, video);
    const std::string script = folder + "/tone.avs";
    std::ofstream(script, std::ios::binary) << line << "\r\n";

    const std::string wav = WavFileNameFor(script);
    std::string message;
    ASSERT_TRUE(MakeWavFromVideo(script, wav, &message)) << c.video << ": " << message;
    const std::string samples = ReadWholeFile(ref, 1 << 20).value_or("");
    ASSERT_GT(samples.size(), 1000u);
    const std::string track = ReadWholeFile(wav, 1 << 20).value_or("");
    ASSERT_GT(track.size(), size_t(kWavDataOffset));
    EXPECT_TRUE(track.substr(size_t(kWavDataOffset)) == samples) << c.video;
  }
}

TEST(WavFromScript, AScriptWithoutASourceSaysSoAndLeavesNoFile) {
  const std::string folder = FixturePath("wav_script_broken");
  std::filesystem::create_directories(folder);
  const std::string script = folder + "/blank.avs";
  std::ofstream(script, std::ios::binary) << "Version()\r\n";
  const std::string wav = WavFileNameFor(script);
  std::string message;
  EXPECT_FALSE(MakeWavFromVideo(script, wav, &message));
  EXPECT_EQ(message, "The script has no DirectShowSource or AVISource line.");
  EXPECT_FALSE(std::filesystem::exists(wav));
}

}  // namespace
