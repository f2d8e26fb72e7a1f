// Compressed AVI chunks of another size than the first frame's (a capture
// whose resolution changed, files spliced chunk by chunk): those frames fail
// with a reason, as the FFmpeg source's do, instead of being measured as if
// they were the first frame's picture.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kW = 64, kH = 32, kBlock = 8;

// Frame n drawn at w x h and encoded as one JPEG by the ffmpeg tool.
std::vector<uint8_t> JpegOf(int n, int w, int h) {
  const std::string raw = FixturePath("size_" + std::to_string(n) + ".bgr");
  const std::string jpg = FixturePath("size_" + std::to_string(n) + ".jpg");
  const Bitmap24 b = NumberedFrame(w, h, n, kBlock);
  {
    std::ofstream f(raw, std::ios::binary);
    for (int y = 0; y < h; ++y) f.write(reinterpret_cast<const char*>(b.Row(y)), w * 3);
  }
  if (!RunFfmpeg("-f rawvideo -pix_fmt bgr24 -s " + std::to_string(w) + "x" + std::to_string(h) + " -i '" + raw +
                 "' -frames:v 1 -c:v mjpeg -q:v 2 '" + jpg + "'"))
    return {};
  std::ifstream f(jpg, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

TEST(AviFrameSize, CompressedFramesOfAnotherSizeFail) {
  // Frames 2 and 4 are smaller and larger than the first.
  const std::vector<std::pair<int, int>> sizes = {{kW, kH},         {kW, kH}, {kW / 2, kH / 2},
                                                  {kW, kH},         {kW * 2, kH * 2}, {kW, kH}};
  const std::string path = FixturePath("sizes_mjpg.avi");
  {
    AviWriter w(path, kW, kH);
    w.SetCompressed("MJPG", 24);
    for (size_t n = 0; n < sizes.size(); ++n) {
      const std::vector<uint8_t> jpeg = JpegOf(int(n), sizes[n].first, sizes[n].second);
      ASSERT_FALSE(jpeg.empty());
      w.AddEncodedFrame(jpeg, true);
    }
    ASSERT_TRUE(w.Finish());
  }
  // Asked for first or after the frames of the first size: the first frame sets the size.
  for (const std::vector<int>& order : {std::vector<int>{0, 1, 2, 3, 4, 5, 4, 3, 2, 1, 0},
                                        std::vector<int>{4, 2, 5, 0, 3}}) {
    TGKAvi avi;
    ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
    ASSERT_EQ(avi.FrameCount(), int(sizes.size()));
    for (int n : order) {
      Bitmap24 b = NumberedFrame(kW, kH, 99, kBlock);
      const bool got = avi.GetFrameBitmap(n, b);
      if (sizes[size_t(n)].first == kW) {
        ASSERT_TRUE(got) << "frame " << n << ": " << avi.LastError();
        EXPECT_EQ(ReadFrameNumber(b, kBlock), n) << "frame " << n;
      } else {
        EXPECT_FALSE(got) << "frame " << n;
        EXPECT_EQ(avi.LastError(), "The frame's size differs from the first frame's.") << "frame " << n;
        EXPECT_EQ(b.Width(), kW);
        EXPECT_EQ(ReadFrameNumber(b, kBlock), 99) << "frame " << n;
      }
    }
  }
}

}  // namespace
