// An MPEG program stream cut off mid-file (a copy that stopped, a full
// card): the pictures whose bytes are all there are frames like any other,
// whichever way they are reached, and sit where ffmpeg's own decode puts
// them; the pictures the cut damaged or took away are failures, never the
// picture before them in one direction and a failure in the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"

namespace {

constexpr int kWidth = 160, kHeight = 48, kFrames = 40, kBlock = 8;

std::string WholeStream() {
  const std::string path = FixturePath("ps_cut_whole.mpg");
  if (std::filesystem::exists(path)) return path;
  const std::string source = FixturePath("ps_cut_source.avi");
  AviWriterOptions o;
  o.rate = 25, o.scale = 1;
  if (!WriteAvi(source, NumberedFrames(kFrames, kWidth, kHeight, kBlock), o)) return "";
  return RunFfmpeg("-i '" + source + "' -c:v mpeg2video -q:v 2 -bf 2 -g 12 '" + path + "'") ? path : "";
}

struct Grab {
  bool ok = false;
  int number = -1;
  bool operator==(const Grab&) const = default;
};

class ProgramStreamCut : public ::testing::TestWithParam<int> {};

TEST_P(ProgramStreamCut, WholePicturesAreFramesFromEveryDirection) {
  const std::string whole = WholeStream();
  ASSERT_FALSE(whole.empty());
  std::ifstream in(whole, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string path = FixturePath("ps_cut_" + std::to_string(GetParam()) + ".mpg");
  std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() * size_t(GetParam()) / 100);

  std::vector<int> reference;  // ffmpeg's decode, one picture per frame time
  for (const Bitmap24& b : FfmpegBgr24Frames(path, kWidth, kHeight)) reference.push_back(ReadFrameNumber(b, kBlock));
  ASSERT_GT(reference.size(), 10u);

  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  const int count = ds.FrameCount(rate);
  ASSERT_EQ(count, int(reference.size()));
  auto grab = [&](int n) {
    Bitmap24 b;
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    return status == "S_OK" ? Grab{true, ReadFrameNumber(b, kBlock)} : Grab{};
  };
  const size_t frames = size_t(count);
  std::vector<Grab> forward(frames), back(frames), jumps(frames);
  for (int n = 0; n < count; ++n) forward[size_t(n)] = grab(n);
  for (int n = count - 1; n >= 0; --n) back[size_t(n)] = grab(n);
  std::vector<int> order(frames);
  for (int n = 0; n < count; ++n) order[size_t(n)] = n;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  for (int n : order) jumps[size_t(n)] = grab(n);
  for (int n = 0; n < count; ++n) {
    const size_t i = size_t(n);
    EXPECT_EQ(back[i], forward[i]) << "frame " << n << " stepping back";
    EXPECT_EQ(jumps[i], forward[i]) << "frame " << n << " by a jump";
    // A clean picture in its own place in ffmpeg's decode is ours too.
    if (reference[i] == n) {
      EXPECT_TRUE(forward[i].ok && forward[i].number == n) << "frame " << n;
    }
    if (forward[i].ok) {
      EXPECT_EQ(forward[i].number, reference[i]) << "frame " << n;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(CutAt, ProgramStreamCut, ::testing::Values(50, 63, 77, 91),
                         [](const auto& info) { return std::to_string(info.param) + "_percent"; });

// A program stream of one group of pictures whose last picture carries no
// time stamp: the length the demuxer gives leaves it out, and a seek near
// the end lands on pictures that cannot decode without the key picture.
TEST(ProgramStreamLongGop, EveryPictureIsAFrame) {
  constexpr int kPictures = 41;
  const std::string source = FixturePath("ps_long_gop_source.avi");
  AviWriterOptions o;
  o.rate = 25, o.scale = 1;
  ASSERT_TRUE(WriteAvi(source, NumberedFrames(kPictures, kWidth, kHeight, kBlock), o));
  const std::string path = FixturePath("ps_long_gop.mpg");
  ASSERT_TRUE(RunFfmpeg("-i '" + source + "' -c:v mpeg2video -q:v 2 -bf 2 -g 60 '" + path + "'"));
  const auto probe = ProbeVideo(path);
  ASSERT_TRUE(probe);
  ASSERT_EQ(probe->frames, kPictures);
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_EQ(ds.FrameCount(rate), kPictures);
  for (int n : {kPictures - 1, kPictures - 2, 0, kPictures - 1}) {
    Bitmap24 b;
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK") << "frame " << n;
    EXPECT_EQ(ReadFrameNumber(b, kBlock), n);
  }
}

}  // namespace
