// Recordings copied from part way in. A transport stream cut in the middle
// of a group of pictures: the pictures before the first key frame do not
// decode. An MP4 or MOV copied from a time between key frames: its edit list
// hides the pictures before that time and may run past the last picture.
// Either way frame 0 is the first picture ffmpeg's decoder gives, the frame
// count is what ffprobe decodes, and nothing past the last picture is offered.
// The same holds for an MP4 cut short at its end whose index, at its front,
// still lists every picture it was meant to hold.
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

std::string NumberedSource() {
  const std::string source = FixturePath("cut_start_source.avi");
  if (!std::filesystem::exists(source)) {
    AviWriterOptions o;
    o.rate = 25, o.scale = 1;
    if (!WriteAvi(source, NumberedFrames(kFrames, kWidth, kHeight, kBlock), o)) return "";
  }
  return source;
}

std::string MakeCut(const CutCase& c) {
  const std::string source = NumberedSource();
  const std::string whole = FixturePath(std::string("cut_start_") + c.name + ".ts");
  if (!RunFfmpeg("-i '" + source + "' " + c.codec + " -g 12 -bf 2 -f mpegts '" + whole + "'")) return "";
  std::ifstream in(whole, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t skip = bytes.size() / 188 * size_t(c.percent) / 100 * 188;
  const std::string cut = FixturePath(std::string("cut_start_") + c.name + "_cut.ts");
  std::ofstream(cut, std::ios::binary) << bytes.substr(skip);
  return cut;
}

// The frame count and every frame, forward and then back from the end,
// against ffmpeg's own decode.
void ExpectFramesAsFfmpegDecodes(const std::string& path, bool cut_at_start = true) {
  const auto probe = ProbeVideo(path);
  ASSERT_TRUE(probe);
  std::vector<int> reference;
  for (const Bitmap24& b : FfmpegBgr24Frames(path, kWidth, kHeight)) reference.push_back(ReadFrameNumber(b, kBlock));
  ASSERT_EQ(long(reference.size()), probe->frames);
  if (cut_at_start) {
    ASSERT_GT(reference.front(), 0) << "the cut must fall after the first key frame";
  }

  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_EQ(ds.FrameCount(rate), probe->frames);
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

TEST_P(CutStart, CountAndFramesFollowTheDecodedPictures) {
  const std::string path = MakeCut(GetParam());
  ASSERT_FALSE(path.empty());
  ExpectFramesAsFfmpegDecodes(path);
}

INSTANTIATE_TEST_SUITE_P(Codecs, CutStart,
                         ::testing::Values(CutCase{"h264", "-c:v libx264", 37}, CutCase{"h264_late", "-c:v libx264", 55},
                                           CutCase{"mpeg2", "-c:v mpeg2video -q:v 2", 41}),
                         [](const auto& info) { return std::string(info.param.name); });

struct EditCase {
  const char* name;
  const char* copy;  // ffmpeg options of the copy
  const char* extension;
};

class EditListCopy : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditListCopy, CountAndFramesFollowTheDecodedPictures) {
  const EditCase& c = GetParam();
  const std::string source = NumberedSource();
  ASSERT_FALSE(source.empty());
  const std::string whole = FixturePath("edit_list_whole.mp4");
  if (!std::filesystem::exists(whole)) {
    ASSERT_TRUE(RunFfmpeg("-i '" + source + "' -c:v libx264 -g 12 -bf 3 '" + whole + "'"));
  }
  const std::string path = FixturePath(std::string("edit_list_") + c.name + c.extension);
  ASSERT_TRUE(RunFfmpeg(std::string(c.copy) + " -i '" + whole + "' -c copy '" + path + "'"));
  ExpectFramesAsFfmpegDecodes(path);
}

INSTANTIATE_TEST_SUITE_P(Copies, EditListCopy,
                         ::testing::Values(EditCase{"mp4", "-ss 0.33", ".mp4"}, EditCase{"mov", "-ss 0.5", ".mov"},
                                           EditCase{"mp4_short", "-ss 0.33 -t 0.9", ".mp4"}),
                         [](const auto& info) { return std::string(info.param.name); });

class IndexedCutShort : public ::testing::TestWithParam<int> {};

TEST_P(IndexedCutShort, CountAndFramesFollowTheDecodedPictures) {
  const std::string source = NumberedSource();
  ASSERT_FALSE(source.empty());
  const std::string whole = FixturePath("index_in_front.mp4");
  if (!std::filesystem::exists(whole)) {
    ASSERT_TRUE(RunFfmpeg("-i '" + source + "' -c:v libx264 -g 12 -bf 3 -movflags faststart '" + whole + "'"));
  }
  std::ifstream in(whole, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string path = FixturePath("index_in_front_" + std::to_string(GetParam()) + ".mp4");
  std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() * size_t(GetParam()) / 100);
  ExpectFramesAsFfmpegDecodes(path, false);
}

INSTANTIATE_TEST_SUITE_P(CutAt, IndexedCutShort, ::testing::Values(60, 85),
                         [](const auto& info) { return std::to_string(info.param) + "_percent"; });

}  // namespace
