// Transport streams joined byte for byte (`cat a.ts b.ts`, as some recorders
// split a recording): each part starts its time stamps again. Every frame of
// every part counts, and frame N shows the N-th picture of the joined file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kWidth = 160, kHeight = 48, kBlock = 8;

struct JoinCase {
  const char* name;
  const char* codec;
  std::vector<int> parts;  // frames in each part, numbered on across the parts
  std::vector<int> widths = {};  // of each part; none: all kWidth
  std::vector<std::string> padding = {};  // ffmpeg options of each part; none: no more
};

class JoinedStream : public ::testing::TestWithParam<JoinCase> {};

// The parts are made separately, so each starts its own time stamps.
std::string MakeJoined(const JoinCase& c) {
  const std::string joined = FixturePath(std::string("joined_") + c.name + ".ts");
  std::ofstream out(joined, std::ios::binary | std::ios::trunc);
  int first = 0;
  for (size_t p = 0; p < c.parts.size(); ++p) {
    const std::string base = FixturePath(std::string("join_") + c.name + std::to_string(p));
    {
      AviWriterOptions o;
      o.rate = 25, o.scale = 1;
      const int width = c.widths.empty() ? kWidth : c.widths[p];
      AviWriter w(base + ".avi", width, kHeight, o);
      for (int n = 0; n < c.parts[p]; ++n) w.AddFrame(NumberedFrame(width, kHeight, first + n, kBlock));
      if (!w.Finish()) return "";
    }
    const std::string more = c.padding.empty() ? "" : " " + c.padding[p];
    if (!RunFfmpeg("-i '" + base + ".avi' " + c.codec + more + " '" + base + ".ts'")) return "";
    std::ifstream in(base + ".ts", std::ios::binary);
    out << in.rdbuf();
    first += c.parts[p];
  }
  return joined;
}

TEST_P(JoinedStream, EveryPartCountsAndFrameNShowsItsPicture) {
  const JoinCase& c = GetParam();
  const std::string path = MakeJoined(c);
  ASSERT_FALSE(path.empty());
  int total = 0;
  for (int n : c.parts) total += n;
  // The independent decoder sees every picture too.
  const auto probe = ProbeVideo(path);
  ASSERT_TRUE(probe);
  ASSERT_EQ(probe->frames, total);

  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_NEAR(double(rate), 25.0, 1e-9);
  EXPECT_EQ(ds.FrameCount(rate), total);
  // In order across the joins, then jumps back and forth between the parts.
  std::vector<int> frames;
  for (int n = 0; n < total; ++n) frames.push_back(n);
  for (int n : {total - 1, 3, c.parts[0] + 2, 1, total - 2, c.parts[0] - 1, c.parts[0], 0})
    if (n < total) frames.push_back(n);
  for (int n : frames) {
    Bitmap24 b;
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK") << "frame " << n;
    EXPECT_EQ(ReadFrameNumber(b, kBlock), n) << "frame " << n;
  }
  Bitmap24 b;
  std::string status;
  ds.DSGrabFrame(total, b, status, rate, 1.0L);
  EXPECT_NE(status, "S_OK");

  // Through an AviSynth script's DirectShowSource the same count.
  const std::string avs = path + ".avs";
  std::ofstream(avs) << "DirectShowSource(\"" << path << "\")\n";
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(avs)) << avi.LastError();
  EXPECT_EQ(avi.FrameCount(), total);
  ASSERT_TRUE(avi.GetFrameBitmap(total - 1, b)) << avi.LastError();
  EXPECT_EQ(ReadFrameNumber(b, kBlock), total - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, JoinedStream,
    ::testing::Values(JoinCase{"mpeg2", "-c:v mpeg2video -q:v 2 -g 12", {25, 24}},
                      JoinCase{"h264_bframes", "-c:v libx264 -preset veryfast -pix_fmt yuv420p -crf 10 -bf 2 -g 10", {30, 17, 21}},
                      JoinCase{"one_part", "-c:v mpeg2video -q:v 2 -g 12", {40}},
                      // Padded past the size that is read whole at the open: the parts are found by looking at places.
                      JoinCase{"large", "-c:v mpeg2video -q:v 2 -g 12 -muxrate 60M", {25, 30, 26}},
                      // A short part, a few kilobytes of a file of megabytes, anywhere in a large file.
                      JoinCase{"large_short_first", "-c:v mpeg2video -q:v 2 -g 12", {6, 40}, {}, {"", "-muxrate 60M"}},
                      JoinCase{"large_short_middle", "-c:v mpeg2video -q:v 2 -g 12", {25, 5, 25}, {}, {"-muxrate 60M", "", "-muxrate 60M"}},
                      JoinCase{"large_short_last", "-c:v mpeg2video -q:v 2 -g 12", {40, 6}, {}, {"-muxrate 60M", ""}},
                      // Parts of one picture: one carries no decoding time of its own, or the
                      // part after it starts at the same decoding time.
                      JoinCase{"mpeg2_one_frame_middle", "-c:v mpeg2video -q:v 2 -g 12", {10, 1, 10}},
                      JoinCase{"mpeg2_one_frame_last", "-c:v mpeg2video -q:v 2 -g 12", {20, 1}},
                      JoinCase{"mpeg2_one_frame_twice", "-c:v mpeg2video -q:v 2 -g 12", {10, 1, 1, 9}},
                      JoinCase{"h264_one_frame_first", "-c:v libx264 -preset veryfast -pix_fmt yuv420p -crf 10 -bf 2 -g 10", {1, 20}},
                      JoinCase{"h264_one_frame_middle", "-c:v libx264 -preset veryfast -pix_fmt yuv420p -crf 10 -bf 2 -g 10", {10, 1, 10}}),
    [](const auto& info) { return std::string(info.param.name); });

// A later part recorded at another size: its frames count, but they fail
// with a reason instead of being measured as if they were the first part's
// picture; the caller's bitmap stays as it was. The last frame before the
// join is there too (at the change of size the decoder would drop the
// picture it held back; ffmpeg's tool loses it).
TEST(JoinedStreamSizes, FramesOfAPartAtAnotherSizeFail) {
  const JoinCase c{"sizes", "-c:v mpeg2video -q:v 2 -g 12", {20, 20}, {kWidth, kWidth / 2}};
  const std::string path = MakeJoined(c);
  ASSERT_FALSE(path.empty());
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  EXPECT_EQ(ds.DSVideoWidth(), kWidth);
  ASSERT_EQ(ds.FrameCount(rate), 40);
  std::vector<int> frames;
  for (int n = 0; n < 40; ++n) frames.push_back(n);
  for (int n : {0, 18, 19, 20, 25, 39, 5, 30, 19, 17}) frames.push_back(n);
  for (int n : frames) {
    Bitmap24 b = NumberedFrame(kWidth, kHeight, 999, kBlock);
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    if (n < 20) {
      ASSERT_EQ(status, "S_OK") << "frame " << n;
      EXPECT_EQ(ReadFrameNumber(b, kBlock), n) << "frame " << n;
    } else {
      EXPECT_EQ(status, "The frame's size differs from the first frame's.") << "frame " << n;
      EXPECT_EQ(b.Width(), kWidth);
      EXPECT_EQ(ReadFrameNumber(b, kBlock), 999) << "frame " << n;
    }
  }
}

}  // namespace
