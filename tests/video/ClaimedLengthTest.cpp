// Containers without an index whose header claims more than the file holds
// (a capture cut short keeps the length it was meant to have): the frame
// count is what the file holds, as ffprobe counts it by decoding, and frames
// past it fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"

namespace {

constexpr int kWidth = 160, kHeight = 48, kFrames = 60, kBlock = 8;

struct ClaimCase {
  const char* name;
  const char* extension;
  const char* codec;
  bool forever = false;  // the header's length is made 10^9 seconds
};

// Sets the container's stored length (FLV's onMetaData "duration" in seconds,
// Matroska's Duration element in milliseconds) to 10^9 seconds.
void ClaimForever(std::vector<char>& bytes, const std::string& extension) {
  const std::string flv_key = "duration", mkv_id("\x44\x89\x88", 3);
  const bool flv = extension == ".flv";
  const std::string key = flv ? flv_key : mkv_id;
  auto at = std::search(bytes.begin(), bytes.end(), key.begin(), key.end());
  ASSERT_NE(at, bytes.end());
  size_t pos = size_t(at - bytes.begin()) + key.size() + (flv ? 1 : 0);  // FLV: the AMF number's type byte
  double value = flv ? 1e9 : 1e12;
  uint64_t raw;
  std::memcpy(&raw, &value, 8);
  for (int i = 0; i < 8; ++i) bytes[pos + size_t(i)] = char(raw >> (56 - 8 * i));  // big-endian
}

class ClaimedLength : public ::testing::TestWithParam<ClaimCase> {};

TEST_P(ClaimedLength, CountIsWhatTheFileHoldsAndFramesPastItFail) {
  const ClaimCase& c = GetParam();
  const std::string source = FixturePath("claim_source.avi");
  if (!std::filesystem::exists(source)) {
    AviWriterOptions o;
    o.rate = 25, o.scale = 1;
    AviWriter w(source, kWidth, kHeight, o);
    for (int n = 0; n < kFrames; ++n) w.AddFrame(NumberedFrame(kWidth, kHeight, n, kBlock));
    ASSERT_TRUE(w.Finish());
  }
  const std::string full = FixturePath(std::string("claim_full_") + c.name + c.extension);
  ASSERT_TRUE(RunFfmpeg("-i '" + source + "' " + c.codec + " '" + full + "'"));
  const std::string cut = FixturePath(std::string("claim_cut_") + c.name + c.extension);
  {
    std::ifstream in(full, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    if (c.forever) ClaimForever(bytes, c.extension);
    std::ofstream(cut, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size() * 2 / 5));
  }
  const auto probe = ProbeVideo(cut);
  ASSERT_TRUE(probe);
  ASSERT_GT(probe->frames, 5);
  ASSERT_LT(probe->frames, kFrames - 10);

  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(cut), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_NEAR(double(rate), 25.0, 1e-9);
  // The last packet may be cut inside: its frame may count or not, and when
  // grabbed it may fail (ffprobe's decoder conceals what is missing).
  const int count = ds.FrameCount(rate);
  const int last = int(probe->frames) - 1;
  EXPECT_GE(count, last);
  EXPECT_LE(count, last + 2);
  for (int n : {0, last - 1, 3, count, count + 1, kFrames - 1, kFrames + 5}) {
    Bitmap24 b;
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    if (n < last) {
      EXPECT_EQ(status, "S_OK") << "frame " << n;
      EXPECT_EQ(ReadFrameNumber(b, kBlock), n);
    } else {
      EXPECT_NE(status, "S_OK") << "frame " << n;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Containers, ClaimedLength,
    ::testing::Values(ClaimCase{"mkv_ffv1", ".mkv", "-c:v ffv1"}, ClaimCase{"mkv_mjpeg", ".mkv", "-c:v mjpeg -q:v 3"},
                      ClaimCase{"flv", ".flv", "-c:v flv1 -q:v 2"},
                      ClaimCase{"asf", ".asf", "-c:v mjpeg -q:v 2"}, ClaimCase{"nut", ".nut", "-c:v ffv1"},
                      ClaimCase{"ts", ".ts", "-c:v mpeg2video -q:v 2"},
                      ClaimCase{"mxf", ".mxf", "-c:v mpeg2video -q:v 2"},
                      ClaimCase{"rm", ".rm", "-c:v rv20 -q:v 2"},
                      ClaimCase{"flv_forever", ".flv", "-c:v flv1 -q:v 2", true},
                      ClaimCase{"mkv_forever", ".mkv", "-c:v ffv1", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
