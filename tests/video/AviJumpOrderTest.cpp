// Jumps in compressed AVI streams whose pictures are reordered, with open and
// closed groups of pictures: every frame reached by a jump is the picture a
// sequential read gives.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

#include "support/VideoFixtures.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kFrames = 48;

struct GopCase {
  const char* name;
  const char* args;  // ffmpeg output options
};

// Orders that reach every frame by jumps: shuffled, backwards and in strides.
std::vector<std::vector<int>> JumpOrders() {
  std::vector<int> shuffled(kFrames);
  std::iota(shuffled.begin(), shuffled.end(), 0);
  std::mt19937 rng(20261207);
  for (int i = kFrames - 1; i > 0; --i) std::swap(shuffled[size_t(i)], shuffled[rng() % uint32_t(i + 1)]);
  std::vector<int> backwards(kFrames);
  std::iota(backwards.rbegin(), backwards.rend(), 0);
  std::vector<int> strides;
  for (int start = 0; start < 7; ++start)
    for (int n = start; n < kFrames; n += 7) strides.push_back(n);
  return {shuffled, backwards, strides};
}

double MeanDifference(const Bitmap24& a, const Bitmap24& b) {
  long sum = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      const Bgr p = a.Get(x, y), q = b.Get(x, y);
      sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
    }
  return double(sum) / (3.0 * a.Width() * a.Height());
}

class ReorderedJumps : public ::testing::TestWithParam<GopCase> {};

TEST_P(ReorderedJumps, EveryFrameMatchesASequentialRead) {
  const std::string path = FixturePath(std::string("reorder_") + GetParam().name + ".avi");
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc2=size=160x120:rate=25 -frames:v " + std::to_string(kFrames) + " -g 12 " +
                        GetParam().args + " '" + path + "'"));
  const auto probe = ProbeVideo(path);
  ASSERT_TRUE(probe.has_value());
  ASSERT_EQ(probe->frames, kFrames);

  TGKAvi sequential;
  ASSERT_TRUE(sequential.OpenStreams(path));
  ASSERT_EQ(sequential.FrameCount(), kFrames);
  std::vector<Bitmap24> expected(kFrames);
  for (int n = 0; n < kFrames; ++n) ASSERT_TRUE(sequential.GetFrameBitmap(n, expected[size_t(n)])) << n;
  // The numbering is ffmpeg's: its colour conversion differs a little, so
  // frame n is only the closest of its neighbours.
  const auto reference = FfmpegBgr24Frames(path, 160, 120);
  ASSERT_EQ(reference.size(), size_t(kFrames));
  for (int n = 0; n < kFrames; ++n) {
    const double same = MeanDifference(expected[size_t(n)], reference[size_t(n)]);
    for (int m : {n - 1, n + 1}) {
      if (m < 0 || m >= kFrames) continue;
      EXPECT_LT(same, MeanDifference(expected[size_t(n)], reference[size_t(m)])) << n;
    }
  }

  int order_number = 0;
  for (const auto& order : JumpOrders()) {
    ASSERT_EQ(order.size(), size_t(kFrames));
    TGKAvi jumping;
    ASSERT_TRUE(jumping.OpenStreams(path));
    for (int n : order) {
      Bitmap24 got;
      ASSERT_TRUE(jumping.GetFrameBitmap(n, got)) << "order " << order_number << " frame " << n << ": "
                                                  << jumping.LastError();
      EXPECT_TRUE(got == expected[size_t(n)]) << "order " << order_number << " frame " << n;
    }
    ++order_number;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, ReorderedJumps,
    ::testing::Values(GopCase{"mpeg4_open_gop", "-c:v mpeg4 -bf 2"},
                      GopCase{"h264_open_gop", "-c:v libx264 -bf 2 -x264-params open-gop=1"},
                      GopCase{"h264_closed_gop", "-c:v libx264 -bf 2"}, GopCase{"mjpeg", "-c:v mjpeg"},
                      GopCase{"mpeg2_open_gop", "-c:v mpeg2video -bf 2"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// Steps forward over key frames whose leading pictures need the group before:
// once the first such key frame is found, the decoder keeps running instead
// of starting again a group earlier at every key frame.
TEST(ReorderedSteps, ForwardStepsOverOpenGroupsDecodeEachPacketOnce) {
  const std::string path = FixturePath("reorder_steps.avi");
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc2=size=160x120:rate=25 -frames:v 60 -g 12 -c:v mpeg4 -bf 2 '" + path + "'"));
  TGKAvi sequential, stepping;
  ASSERT_TRUE(sequential.OpenStreams(path));
  ASSERT_TRUE(stepping.OpenStreams(path));
  Bitmap24 a, b;
  for (int n = 0; n < 60; ++n) {
    ASSERT_TRUE(sequential.GetFrameBitmap(n, a));
    if (n % 7 != 0) continue;
    ASSERT_TRUE(stepping.GetFrameBitmap(n, b)) << n;
    EXPECT_TRUE(a == b) << "frame " << n;
  }
  EXPECT_LE(stepping.CodecPacketsSent(), 60 + 12);
}

}  // namespace
