// AVI files written by the ffmpeg tool, some with their index taken out or
// damaged, read through our own reader in jumping order: every frame as
// ffmpeg decodes the same file, the rate as ffprobe gives it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/ByteOrder.h"
#include "support/VideoFixtures.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kW = 33, kH = 17;  // odd: rows carry padding
const int kOrder[] = {0, 1, 2, 3, 3, 1, 0, 2, 3};

enum class Idx1Change { None, Renamed, AllPastEnd, OneShifted, OneResized };

struct FfmpegAvi {
  const char* name;
  const char* args;  // ffmpeg output options
  Idx1Change idx1 = Idx1Change::None;
  int frames = 4;
};

void ChangeIdx1(const std::string& path, Idx1Change change) {
  if (change == Idx1Change::None) return;
  std::string bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  const size_t at = bytes.rfind("idx1");
  ASSERT_NE(at, std::string::npos);
  auto* p = reinterpret_cast<uint8_t*>(bytes.data()) + at;
  const uint32_t size = Le32(p + 4);
  if (change == Idx1Change::Renamed) bytes.replace(at, 4, "JUNK");
  if (change == Idx1Change::OneShifted) p[8 + 3 * 16 + 8] += 100;
  if (change == Idx1Change::OneResized) p[8 + 3 * 16 + 12] += 100;
  if (change == Idx1Change::AllPastEnd)
    for (uint32_t e = 0; e + 16 <= size; e += 16) std::memset(p + 8 + e + 8, 0x7F, 4);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

int LargestDifference(const Bitmap24& a, const Bitmap24& b) {
  int diff = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width() * 3; ++x) diff = std::max(diff, std::abs(int(a.Row(y)[x]) - int(b.Row(y)[x])));
  return diff;
}

std::string MakeAvi(const std::string& name, const std::string& filters, const std::string& args, int frames) {
  const std::string path = FixturePath("ffavi_" + name + ".avi");
  const bool made = RunFfmpeg("-f lavfi -i testsrc2=size=" + std::to_string(kW + 1) + "x" + std::to_string(kH + 1) +
                              ":rate=10 -vf \"format=rgb24,crop=" + std::to_string(kW) + ":" + std::to_string(kH) +
                              ":0:0" + filters + "\" -frames:v " + std::to_string(frames) + " " + args + " '" + path +
                              "'");
  return made ? path : "";
}

class FfmpegAvis : public ::testing::TestWithParam<FfmpegAvi> {};

TEST_P(FfmpegAvis, ReadAsFfmpegDecodesThem) {
  const FfmpegAvi& c = GetParam();
  // 8-bit frames get a palette of their own each: ffmpeg writes the changes
  // between the frames.
  const std::string filters = std::string(c.args).find("pal8") == std::string::npos
                                  ? ""
                                  : ",split[a][b];[a]palettegen=stats_mode=single:max_colors=16[p];"
                                    "[b][p]paletteuse=new=1";
  const std::string path = MakeAvi(c.name, filters, c.args, c.frames);
  ASSERT_FALSE(path.empty());
  // ffmpeg's decode before the index is touched: with every idx1 entry
  // pointing past the end ffmpeg itself finds only one frame.
  const std::vector<Bitmap24> want = FfmpegBgr24Frames(path, kW, kH);
  const auto probe = ProbeVideo(path);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->rate, "10/1");
  ChangeIdx1(path, c.idx1);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
  EXPECT_EQ(avi.StreamRate(), 10.0f);
  ASSERT_EQ(size_t(avi.FrameCount()), want.size());
  for (int n : kOrder) {
    Bitmap24 b;
    ASSERT_TRUE(avi.GetFrameBitmap(n, b)) << n << avi.LastError();
    ASSERT_EQ(b.Width(), kW);
    ASSERT_EQ(b.Height(), kH);
    EXPECT_EQ(LargestDifference(b, want[size_t(n)]), 0) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FfmpegAvis,
    ::testing::Values(FfmpegAvi{"bgr24_bottom_up", "-c:v rawvideo -pix_fmt bgr24 -flipped_raw_rgb 1"},
                      FfmpegAvi{"gray", "-c:v rawvideo -pix_fmt gray"},
                      FfmpegAvi{"rgb555", "-c:v rawvideo -pix_fmt rgb555le"},
                      FfmpegAvi{"pal8_palette_changes", "-c:v rawvideo -pix_fmt pal8"},
                      FfmpegAvi{"pal8_palette_changes_no_idx1", "-c:v rawvideo -pix_fmt pal8", Idx1Change::Renamed},
                      FfmpegAvi{"pal8_palette_changes_bottom_up", "-c:v rawvideo -pix_fmt pal8 -flipped_raw_rgb 1"},
                      FfmpegAvi{"idx1_one_shifted", "-c:v rawvideo -pix_fmt bgr24", Idx1Change::OneShifted, 40},
                      FfmpegAvi{"idx1_one_resized", "-c:v rawvideo -pix_fmt bgr24", Idx1Change::OneResized, 40},
                      FfmpegAvi{"idx1_one_shifted_gray", "-c:v rawvideo -pix_fmt gray", Idx1Change::OneShifted, 40},
                      FfmpegAvi{"idx1_all_past_end", "-c:v rawvideo -pix_fmt bgr24", Idx1Change::AllPastEnd}),
    [](const auto& info) { return std::string(info.param.name); });

// Frames 1 and 2 dropped (empty chunks, which ffmpeg writes for the gap in
// time): each shows frame 0 again, and the frames after keep their number.
TEST(FfmpegAvis, DroppedFramesRepeatThePictureBefore) {
  const std::string all = MakeAvi("all", "", "-c:v rawvideo -pix_fmt bgr24", 6);
  const std::string dropped =
      MakeAvi("dropped", ",select='not(between(n\\,1\\,2))'", "-fps_mode passthrough -c:v rawvideo -pix_fmt bgr24", 4);
  ASSERT_FALSE(all.empty());
  ASSERT_FALSE(dropped.empty());
  const std::vector<Bitmap24> pictures = FfmpegBgr24Frames(all, kW, kH);
  ASSERT_EQ(pictures.size(), 6u);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(dropped)) << avi.LastError();
  ASSERT_EQ(avi.FrameCount(), 6);
  const int shows[] = {0, 0, 0, 3, 4, 5};
  for (int n : {5, 0, 1, 2, 3, 4, 2}) {
    Bitmap24 b;
    ASSERT_TRUE(avi.GetFrameBitmap(n, b)) << n;
    EXPECT_EQ(LargestDifference(b, pictures[size_t(shows[n])]), 0) << n;
  }
}

}  // namespace
