// MPEG program streams (.mpg, .vob) whose last pictures carry no time stamp
// of their own: the frame count is every picture ffprobe decodes, and the
// last frames show their own pictures.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"

namespace {

constexpr int kWidth = 160, kHeight = 48, kFrames = 45, kBlock = 8;

struct StreamCase {
  const char* name;
  const char* extension;
  const char* codec;
};

class ProgramStreamEnd : public ::testing::TestWithParam<StreamCase> {};

TEST_P(ProgramStreamEnd, EveryPictureIsAFrameUpToTheLast) {
  const StreamCase& c = GetParam();
  const std::string source = FixturePath("ps_source.avi");
  if (!std::filesystem::exists(source)) {
    AviWriterOptions o;
    o.rate = 30000, o.scale = 1001;
    ASSERT_TRUE(WriteAvi(source, NumberedFrames(kFrames, kWidth, kHeight, kBlock), o));
  }
  const std::string path = FixturePath(std::string("ps_") + c.name + c.extension);
  ASSERT_TRUE(RunFfmpeg("-i '" + source + "' " + c.codec + " '" + path + "'"));
  const auto probe = ProbeVideo(path);
  ASSERT_TRUE(probe);
  ASSERT_EQ(probe->frames, kFrames);

  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_NEAR(double(rate), 30000.0 / 1001.0, 1e-9);
  ASSERT_EQ(ds.FrameCount(rate), kFrames);
  for (int n : {kFrames - 1, 0, kFrames - 3, kFrames - 2, kFrames - 1, kFrames}) {
    Bitmap24 b;
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    if (n < kFrames) {
      ASSERT_EQ(status, "S_OK") << "frame " << n;
      EXPECT_EQ(ReadFrameNumber(b, kBlock), n);
    } else {
      EXPECT_NE(status, "S_OK");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Containers, ProgramStreamEnd,
    ::testing::Values(StreamCase{"mpeg1", ".mpg", "-c:v mpeg1video -q:v 2 -bf 2"},
                      StreamCase{"mpeg2_no_b", ".mpg", "-c:v mpeg2video -q:v 2 -bf 0"},
                      StreamCase{"mpeg2", ".mpg", "-c:v mpeg2video -q:v 2 -bf 2"},
                      StreamCase{"vob", ".vob", "-c:v mpeg2video -q:v 2 -bf 2 -f vob"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
