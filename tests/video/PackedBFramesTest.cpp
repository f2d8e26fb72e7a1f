// MPEG-4 AVI (Xvid) with B-frames: the encoder writes an empty chunk after
// the first frame for each picture it holds back. Those chunks hold no
// picture, so every picture gets one frame number, in the order and number
// ffmpeg's own decoder gives them, through both frame sources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/AviRiffReader.h"
#include "video/ByteSource.h"
#include "video/DirectShowSource.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kWidth = 160, kHeight = 48, kBlock = 8, kInput = 46;

struct XvidCase {
  const char* name;
  const char* args;  // ffmpeg output options
  // B-frames stored one per chunk by ffmpeg's filter, which leaves the key
  // flags of the index where the packed chunks had them (on B-frames).
  bool unpack = false;
};

// The frame numbers ffmpeg's decoder shows, in its order.
std::vector<int> ReferenceNumbers(const std::string& path) {
  std::vector<int> numbers;
  for (const Bitmap24& b : FfmpegBgr24Frames(path, kWidth, kHeight)) numbers.push_back(ReadFrameNumber(b, kBlock));
  return numbers;
}

std::string MakeXvid(const XvidCase& c) {
  const std::string source = FixturePath("xvid_source.avi");
  {
    AviWriterOptions o;
    o.rate = 25, o.scale = 1;
    AviWriter w(source, kWidth, kHeight, o);
    for (int n = 0; n < kInput; ++n) w.AddFrame(NumberedFrame(kWidth, kHeight, n, kBlock));
    if (!w.Finish()) return "";
  }
  const std::string path = FixturePath(std::string("xvid_") + c.name + ".avi");
  if (!RunFfmpeg("-i '" + source + "' -c:v libxvid -g 12 -q:v 2 " + c.args + " '" + path + "'")) return "";
  if (!c.unpack) return path;
  const std::string unpacked = path + ".unpacked.avi";
  return RunFfmpeg("-i '" + path + "' -c copy -bsf:v mpeg4_unpack_bframes '" + unpacked + "'") ? unpacked : "";
}

class XvidFrames : public ::testing::TestWithParam<XvidCase> {};

TEST_P(XvidFrames, EveryPictureHasOneFrameNumber) {
  if (!FfmpegHasEncoder("libxvid")) GTEST_SKIP() << "ffmpeg has no Xvid encoder";
  const std::string path = MakeXvid(GetParam());
  ASSERT_FALSE(path.empty());
  const std::vector<int> reference = ReferenceNumbers(path);
  const auto probe = ProbeVideo(path);
  ASSERT_TRUE(probe);
  ASSERT_EQ(size_t(probe->frames), reference.size());
  const int count = int(reference.size());

  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path));
  ASSERT_EQ(avi.FrameCount(), count);
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_EQ(ds.FrameCount(rate), count);
  // In order, then backwards in steps of one and three (each a jump).
  std::vector<int> order;
  for (int n = 0; n < count; ++n) order.push_back(n);
  for (int step : {1, 3})
    for (int n = count - 1; n >= 0; n -= step) order.push_back(n);
  for (int n : order) {
    Bitmap24 a, b;
    ASSERT_TRUE(avi.GetFrameBitmap(n, a)) << n << ": " << avi.LastError();
    EXPECT_EQ(ReadFrameNumber(a, kBlock), reference[size_t(n)]) << "frame " << n;
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK") << "frame " << n;
    EXPECT_EQ(ReadFrameNumber(b, kBlock), reference[size_t(n)]) << "frame " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Encodings, XvidFrames,
                         ::testing::Values(XvidCase{"packed_2b", "-bf 2"}, XvidCase{"packed_1b", "-bf 1"},
                                           XvidCase{"unpacked_2b", "-bf 2", true}, XvidCase{"no_b", "-bf 0"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without B-frames an empty chunk after the first frame is a dropped frame:
// it keeps its place and repeats the first picture.
TEST(XvidFrames, DroppedFrameWithoutBFramesKeepsItsPlace) {
  if (!FfmpegHasEncoder("libxvid")) GTEST_SKIP() << "ffmpeg has no Xvid encoder";
  const std::string encoded = MakeXvid({"for_drop", "-bf 0"});
  ASSERT_FALSE(encoded.empty());
  auto file = FileByteSource::Open(encoded);
  ASSERT_TRUE(file);
  AviContents contents;
  std::string why;
  ASSERT_TRUE(ReadAviContents(*file, contents, why)) << why;
  ASSERT_EQ(contents.frames.size(), size_t(kInput));
  const std::string path = FixturePath("xvid_dropped.avi");
  {
    AviWriter w(path, kWidth, kHeight);
    w.SetCompressed("XVID", 24);
    for (size_t i = 0; i < contents.frames.size(); ++i) {
      std::vector<uint8_t> data(contents.frames[i].size);
      ASSERT_TRUE(file->ReadAt(contents.frames[i].offset, data.data(), data.size()));
      w.AddEncodedFrame(data, contents.frames[i].keyframe);
      if (i == 0) w.AddEmptyFrame();
    }
    ASSERT_TRUE(w.Finish());
  }
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path));
  ASSERT_EQ(avi.FrameCount(), kInput + 1);
  for (int n : {0, 1, 2, kInput}) {
    Bitmap24 b;
    ASSERT_TRUE(avi.GetFrameBitmap(n, b)) << n << ": " << avi.LastError();
    EXPECT_EQ(ReadFrameNumber(b, kBlock), n == 0 ? 0 : n - 1) << "frame " << n;
  }
}

}  // namespace
