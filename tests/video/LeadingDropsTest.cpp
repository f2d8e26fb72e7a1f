// AVI captures whose first chunks are empty (frames dropped before the first
// picture arrived): every picture is shown, in order and at its own chunk's
// frame number, through both frame sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kWidth = 64, kHeight = 32, kBlock = 4, kPictures = 20, kDropped = 2;

struct LeadCase {
  const char* name;
  const char* codec;  // ffmpeg options; empty: uncompressed
  const char* fourcc;
};

// kDropped empty chunks, then kPictures numbered pictures in the codec.
std::string MakeLeadingDrops(const LeadCase& c) {
  const std::string plain = FixturePath(std::string("lead_plain_") + c.name + ".avi");
  const std::string path = FixturePath(std::string("lead_") + c.name + ".avi");
  AviWriterOptions o;
  o.rate = 25, o.scale = 1;
  {
    AviWriter w(*c.codec ? plain : path, kWidth, kHeight, o);
    if (!*c.codec) w.AddEmptyFrame(), w.AddEmptyFrame();
    for (int n = 0; n < kPictures; ++n) w.AddFrame(NumberedFrame(kWidth, kHeight, n, kBlock));
    if (!w.Finish()) return "";
  }
  if (!*c.codec) return path;
  const std::string encoded = plain + ".enc.avi";
  if (!RunFfmpeg("-i '" + plain + "' " + c.codec + " '" + encoded + "'")) return "";
  TGKAvi chunks;
  auto file = FileByteSource::Open(encoded);
  if (!chunks.OpenStreams(encoded) || !file) return "";
  AviWriter w(path, kWidth, kHeight, o);
  w.SetCompressed(c.fourcc, 24);
  for (int i = 0; i < kDropped; ++i) w.AddEmptyFrame();
  for (const AviFrameEntry& e : chunks.Contents()->frames) {
    std::vector<uint8_t> data(e.size);
    if (!file->ReadAt(e.offset, data.data(), data.size())) return "";
    w.AddEncodedFrame(data, e.keyframe);
  }
  return w.Finish() ? path : "";
}

class LeadingDrops : public ::testing::TestWithParam<LeadCase> {};

TEST_P(LeadingDrops, NoPictureIsSkipped) {
  const std::string path = MakeLeadingDrops(GetParam());
  ASSERT_FALSE(path.empty());
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  const int count = ds.FrameCount(rate);
  ASSERT_EQ(count, kPictures + kDropped);
  // The pictures shown frame after frame: each one once at least, none going back.
  std::vector<int> shown;
  for (int n = 0; n < count; ++n) {
    Bitmap24 b;
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK") << "frame " << n;
    const int number = ReadFrameNumber(b, kBlock);
    if (shown.empty() || shown.back() != number) shown.push_back(number);
  }
  std::vector<int> every(kPictures);
  for (int n = 0; n < kPictures; ++n) every[size_t(n)] = n;
  EXPECT_EQ(shown, every);
}

// The dropped frames keep their places in front of the first picture: frame
// n is the picture of chunk n through both sources, the timing of the AVI.
// Before the first picture both show that picture (a black frame would
// measure as a star gone).
TEST_P(LeadingDrops, EachPictureKeepsItsChunksFrameNumber) {
  const std::string path = MakeLeadingDrops(GetParam());
  ASSERT_FALSE(path.empty());
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path));
  ASSERT_EQ(avi.FrameCount(), kPictures + kDropped);
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_EQ(ds.FrameCount(rate), kPictures + kDropped);
  for (int n : {0, 1, 2, 3, 12, kPictures + kDropped - 1, 7, 2, 1, 0}) {
    Bitmap24 a, b;
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK") << "frame " << n;
    ASSERT_TRUE(avi.GetFrameBitmap(n, a)) << n;
    const int picture = std::max(n - kDropped, 0);
    EXPECT_EQ(ReadFrameNumber(a, kBlock), picture) << "frame " << n;
    EXPECT_EQ(ReadFrameNumber(b, kBlock), picture) << "frame " << n;
    if (n < kDropped) {  // picture 0's blocks are all black: the whole picture tells it from a black frame
      Bitmap24 first_a, first_b;
      ASSERT_TRUE(avi.GetFrameBitmap(kDropped, first_a));
      ds.DSGrabFrame(kDropped, first_b, status, rate, 1.0L);
      EXPECT_TRUE(a == first_a) << "frame " << n;
      EXPECT_TRUE(b == first_b) << "frame " << n;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Codecs, LeadingDrops,
                         ::testing::Values(LeadCase{"bgr24", "", ""}, LeadCase{"mjpeg", "-c:v mjpeg -q:v 2", "MJPG"},
                                           LeadCase{"mpeg4_bframes", "-c:v mpeg4 -bf 2 -q:v 2", "FMP4"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
