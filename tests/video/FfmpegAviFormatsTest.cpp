// AVI files written by the ffmpeg tool, some with their index taken out or
// damaged, read through our own reader in jumping order: every frame as
// ffmpeg decodes the same file, the rate as ffprobe gives it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/ByteOrder.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kW = 33, kH = 17;  // odd: rows carry padding
const int kOrder[] = {0, 1, 2, 3, 3, 1, 0, 2, 3};

// OpenDml: the frames are listed by an OpenDML index instead ('indx' in the
// stream header's placeholder, one 'ix00' appended), and 'idx1' is renamed.
// CutShort: 'idx1' lists only the first four frames.
enum class Idx1Change { None, Renamed, AllPastEnd, OneShifted, OneResized, OpenDml, CutShort };

struct FfmpegAvi {
  const char* name;
  const char* args;  // ffmpeg output options
  Idx1Change idx1 = Idx1Change::None;
  int frames = 4;
};

// An 'ix00' of the video chunks in the 'movi' list that ends at `end`, and
// the 'indx' naming it written over the 'JUNK' that ffmpeg leaves for one.
void IndexAsOpenDml(std::string& bytes, size_t end) {
  const size_t junk = bytes.find("JUNK", bytes.find("strl"));
  const size_t movi = bytes.find("movi");
  ASSERT_NE(junk, std::string::npos);
  ASSERT_NE(movi, std::string::npos);
  auto* b = reinterpret_cast<uint8_t*>(bytes.data());
  std::string entries;
  uint32_t count = 0;
  for (size_t pos = movi + 4; pos + 8 <= end;) {
    const std::string id = bytes.substr(pos, 4);
    const uint32_t size = Le32(b + pos + 4);
    if (id == "00dc" || id == "00db") AppendLe32(entries, uint32_t(pos + 8)), AppendLe32(entries, size), ++count;
    pos += 8 + size + (size & 1);
  }
  std::string ix = "ix00";
  AppendLe32(ix, uint32_t(24 + entries.size()));
  AppendLe16(ix, 2), ix += '\0', ix += '\1';
  AppendLe32(ix, count);
  ix += "00dc";
  ix += std::string(12, '\0');  // base offset 0, reserved
  ix += entries;
  std::string indx;
  AppendLe16(indx, 4), indx += '\0', indx += '\0';
  AppendLe32(indx, 1);
  indx += "00dc" + std::string(12, '\0');
  AppendLe32(indx, uint32_t(bytes.size())), AppendLe32(indx, 0);  // 64-bit position of the ix00
  AppendLe32(indx, uint32_t(ix.size())), AppendLe32(indx, count);
  ASSERT_LE(indx.size(), Le32(b + junk + 4));
  bytes.replace(junk, 4, "indx");
  bytes.replace(junk + 8, indx.size(), indx);
  bytes += ix;
  PutLe32(reinterpret_cast<uint8_t*>(bytes.data()) + 4, uint32_t(bytes.size() - 8));
}

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
  if (change == Idx1Change::OpenDml) IndexAsOpenDml(bytes, at);
  if (change == Idx1Change::Renamed || change == Idx1Change::OpenDml) bytes.replace(at, 4, "JUNK");
  if (change == Idx1Change::OneShifted) p[8 + 3 * 16 + 8] += 100;
  if (change == Idx1Change::OneResized) p[8 + 3 * 16 + 12] += 100;
  if (change == Idx1Change::CutShort) {
    PutLe32(p + 4, 4 * 16);
    bytes.resize(at + 8 + 4 * 16);
    PutLe32(reinterpret_cast<uint8_t*>(bytes.data()) + 4, uint32_t(bytes.size() - 8));
  }
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
  if (c.idx1 == Idx1Change::OpenDml) {
    EXPECT_EQ(avi.Contents()->index_source, AviIndexSource::OpenDmlIndex);
  }
  ASSERT_EQ(size_t(avi.FrameCount()), want.size());
  std::vector<int> order(std::begin(kOrder), std::end(kOrder));
  if (c.frames > 6) order.insert(order.end(), {c.frames - 1, 4, 5, c.frames - 2});
  for (int n : order) {
    Bitmap24 b;
    ASSERT_TRUE(avi.GetFrameBitmap(n, b)) << n << avi.LastError();
    ASSERT_EQ(b.Width(), kW);
    ASSERT_EQ(b.Height(), kH);
    EXPECT_EQ(LargestDifference(b, want[size_t(n)]), 0) << n;
  }
  if (c.idx1 != Idx1Change::CutShort) return;
  // The DirectShow reader reaches the frames past the short index too.
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_EQ(size_t(ds.FrameCount(rate)), want.size());
  for (int n : order) {
    Bitmap24 b;
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK") << n;
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
                      FfmpegAvi{"pal8_palette_changes_opendml", "-c:v rawvideo -pix_fmt pal8", Idx1Change::OpenDml},
                      FfmpegAvi{"bgr24_opendml", "-c:v rawvideo -pix_fmt bgr24", Idx1Change::OpenDml},
                      FfmpegAvi{"idx1_one_shifted", "-c:v rawvideo -pix_fmt bgr24", Idx1Change::OneShifted, 40},
                      FfmpegAvi{"idx1_one_resized", "-c:v rawvideo -pix_fmt bgr24", Idx1Change::OneResized, 40},
                      FfmpegAvi{"idx1_one_shifted_gray", "-c:v rawvideo -pix_fmt gray", Idx1Change::OneShifted, 40},
                      FfmpegAvi{"idx1_all_past_end", "-c:v rawvideo -pix_fmt bgr24", Idx1Change::AllPastEnd},
                      FfmpegAvi{"idx1_cut_short", "-c:v rawvideo -pix_fmt bgr24", Idx1Change::CutShort, 10},
                      FfmpegAvi{"idx1_cut_short_png", "-c:v png", Idx1Change::CutShort, 10}),
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
