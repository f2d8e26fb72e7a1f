// A transport stream cut in the middle of a group of pictures (a recording
// copied from part way in): the pictures before the first key frame do not
// decode. Frame 0 is the first picture ffmpeg's decoder gives, the frame
// count is what ffprobe decodes, and nothing past the last picture is offered.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"

namespace {

constexpr int kWidth = 160, kHeight = 48, kFrames = 40, kBlock = 8;

struct CutCase {
  const char* name;
  const char* codec;
  int percent;  // the share of the file's 188-byte packets left out at its start
};

class CutStart : public ::testing::TestWithParam<CutCase> {};

std::string MakeCut(const CutCase& c) {
  const std::string source = FixturePath("cut_start_source.avi");
  if (!std::filesystem::exists(source)) {
    AviWriterOptions o;
    o.rate = 25, o.scale = 1;
    if (!WriteAvi(source, NumberedFrames(kFrames, kWidth, kHeight, kBlock), o)) return "";
  }
  const std::string whole = FixturePath(std::string("cut_start_") + c.name + ".ts");
  if (!RunFfmpeg("-i '" + source + "' " + c.codec + " -g 12 -bf 2 -f mpegts '" + whole + "'")) return "";
  std::ifstream in(whole, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t skip = bytes.size() / 188 * size_t(c.percent) / 100 * 188;
  const std::string cut = FixturePath(std::string("cut_start_") + c.name + "_cut.ts");
  std::ofstream(cut, std::ios::binary) << bytes.substr(skip);
  return cut;
}

TEST_P(CutStart, CountAndFramesFollowTheDecodedPictures) {
  const std::string path = MakeCut(GetParam());
  ASSERT_FALSE(path.empty());
  const auto probe = ProbeVideo(path);
  ASSERT_TRUE(probe);
  std::vector<int> reference;
  for (const Bitmap24& b : FfmpegBgr24Frames(path, kWidth, kHeight)) reference.push_back(ReadFrameNumber(b, kBlock));
  ASSERT_EQ(long(reference.size()), probe->frames);
  ASSERT_GT(reference.front(), 0) << "the cut must fall after the first key frame";

  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_EQ(ds.FrameCount(rate), probe->frames);
  // Forward, then back from the end, then the last frames again.
  std::vector<int> order;
  for (int n = 0; n < int(reference.size()); ++n) order.push_back(n);
  for (int n = int(reference.size()) - 1; n >= 0; --n) order.push_back(n);
  for (int n : order) {
    Bitmap24 b;
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK") << "frame " << n;
    EXPECT_EQ(ReadFrameNumber(b, kBlock), reference[size_t(n)]) << "frame " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Codecs, CutStart,
                         ::testing::Values(CutCase{"h264", "-c:v libx264", 37}, CutCase{"h264_late", "-c:v libx264", 55},
                                           CutCase{"mpeg2", "-c:v mpeg2video -q:v 2", 41}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
