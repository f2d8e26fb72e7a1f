// Files cut short, before and after they were opened: every frame whose bytes
// are complete comes back as itself, every later frame is a failure with a
// reason and the caller's bitmap untouched, through both frame sources.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kWidth = 192, kHeight = 64, kFrames = 40, kBlock = 8;

const std::string& UncompressedSource() {
  static std::string path = [] {
    std::string p = FixturePath("cut_source.avi");
    AviWriterOptions o;
    o.rate = 30000, o.scale = 1001;
    AviWriter w(p, kWidth, kHeight, o);
    for (int i = 0; i < kFrames; ++i) w.AddFrame(NumberedFrame(kWidth, kHeight, i, kBlock));
    EXPECT_TRUE(w.Finish());
    return p;
  }();
  return path;
}

struct CutCase {
  const char* name;
  const char* ffmpeg_args;  // empty: our own writer's file
};

// The file of a case, complete.
std::string FullFile(const CutCase& c) {
  if (std::string(c.ffmpeg_args).empty()) return UncompressedSource();
  std::string out = FixturePath(std::string("cut_full_") + c.name + ".avi");
  if (!std::filesystem::exists(out)) {
    EXPECT_TRUE(RunFfmpeg("-i '" + UncompressedSource() + "' " + c.ffmpeg_args + " '" + out + "'"));
  }
  return out;
}

std::vector<char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFirst(const std::string& path, const std::vector<char>& bytes, uint64_t size) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(size));
}

// The first frame whose chunk is not wholly inside the first `size` bytes
// (frames are stored in order, without B-frames: every frame before it decodes).
int FirstIncompleteFrame(const AviContents& avi, uint64_t size) {
  for (size_t n = 0; n < avi.frames.size(); ++n)
    if (avi.frames[n].offset + avi.frames[n].size > size) return int(n);
  return int(avi.frames.size());
}

// A bitmap no decoder makes: it must come back unchanged from a failed grab.
Bitmap24 Sentinel() {
  Bitmap24 b(7, 3);
  b.Set(1, 1, Bgr{1, 2, 3});
  return b;
}

enum class Cut { BeforeOpening, AfterOpening };

// Grabs frames 0..count-1 in `order` through both sources and checks them
// against `readable` (frames before it decode, the others fail). After
// opening, FFmpeg may still hold packets it read ahead while probing the
// file: such a frame may come back, but only as itself.
void CheckGrabs(TGKAvi& avi, DirectShowSource& ds, int readable, const std::vector<int>& order, const std::string& what,
                Cut cut = Cut::BeforeOpening) {
  const long double rate = ds.DSFrameRate();
  for (int n : order) {
    Bitmap24 a = Sentinel(), b = Sentinel();
    const bool avi_ok = avi.GetFrameBitmap(n, a);
    std::string status = "untouched";
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    if (n < readable) {
      ASSERT_TRUE(avi_ok) << what << " frame " << n << ": " << avi.LastError();
      ASSERT_EQ(status, "S_OK") << what << " frame " << n;
      EXPECT_EQ(ReadFrameNumber(a, kBlock), n) << what;
      EXPECT_EQ(ReadFrameNumber(b, kBlock), n) << what;
      continue;
    }
    EXPECT_FALSE(avi_ok) << what << " frame " << n;
    EXPECT_TRUE(a == Sentinel()) << what << " frame " << n;
    if (cut == Cut::AfterOpening && status == "S_OK") {
      EXPECT_EQ(ReadFrameNumber(b, kBlock), n) << what;
      continue;
    }
    EXPECT_NE(status, "S_OK") << what << " frame " << n << " came back as frame " << ReadFrameNumber(b, kBlock);
    EXPECT_NE(status, "untouched") << what << " frame " << n;
    EXPECT_FALSE(status.empty()) << what;
    EXPECT_TRUE(b == Sentinel()) << what << " frame " << n;
  }
}

std::vector<int> Forward(int count) {
  std::vector<int> v;
  for (int n = 0; n < count; ++n) v.push_back(n);
  return v;
}

std::vector<int> Jumps(int count) {
  std::vector<int> v;
  for (int n = count - 1; n >= 0; n -= 3) v.push_back(n);
  for (int n : {0, count - 1, 1, count / 2, count - 2, 2}) v.push_back(n);
  return v;
}

class CutFiles : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutFiles, CutBeforeOpening) {
  const CutCase& c = GetParam();
  const std::string full = FullFile(c);
  TGKAvi whole;
  ASSERT_TRUE(whole.OpenStreams(full)) << whole.LastError();
  ASSERT_EQ(whole.FrameCount(), kFrames);
  const std::vector<char> bytes = ReadAll(full);
  const AviContents index = *whole.Contents();
  // Cuts inside a frame's data and right at the end of a frame's chunk.
  std::vector<uint64_t> cuts = {uint64_t(bytes.size() * 0.35), uint64_t(bytes.size() * 0.8),
                                index.frames[12].offset + index.frames[12].size,
                                index.frames[25].offset + index.frames[25].size / 2};
  for (uint64_t cut : cuts) {
    const std::string what = std::string(c.name) + " cut at " + std::to_string(cut);
    const int readable = FirstIncompleteFrame(index, cut);
    ASSERT_GT(readable, 2) << what;
    ASSERT_LT(readable, kFrames) << what;
    const std::string path = FixturePath(std::string("cut_") + c.name + ".avi");
    WriteFirst(path, bytes, cut);
    for (const auto& order : {Forward(kFrames), Jumps(kFrames)}) {
      TGKAvi avi;
      ASSERT_TRUE(avi.OpenStreams(path)) << what << ": " << avi.LastError();
      DirectShowSource ds;
      ASSERT_EQ(ds.DSOpenVideo(path), "") << what;
      CheckGrabs(avi, ds, readable, order, what);
    }
  }
}

TEST_P(CutFiles, CutAfterOpening) {
  const CutCase& c = GetParam();
  const std::vector<char> bytes = ReadAll(FullFile(c));
  for (double keep : {0.45, 0.9}) {
    const std::string path = FixturePath(std::string("cut_open_") + c.name + ".avi");
    for (const auto& order : {Forward(kFrames), Jumps(kFrames)}) {
      WriteFirst(path, bytes, bytes.size());
      TGKAvi avi;
      ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
      DirectShowSource ds;
      ASSERT_EQ(ds.DSOpenVideo(path), "");
      const long double rate = ds.DSFrameRate();
      ASSERT_EQ(ds.FrameCount(rate), kFrames);
      const uint64_t cut = uint64_t(double(bytes.size()) * keep);
      std::filesystem::resize_file(path, cut);
      const int readable = FirstIncompleteFrame(*avi.Contents(), cut);
      CheckGrabs(avi, ds, readable, order, std::string(c.name) + " cut after opening at " + std::to_string(cut),
                 Cut::AfterOpening);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, CutFiles,
    ::testing::Values(CutCase{"own_bgr24", ""}, CutCase{"mjpeg", "-c:v mjpeg -q:v 3"},
                      CutCase{"h264", "-c:v libx264 -preset ultrafast -crf 18 -bf 0 -g 10"},
                      CutCase{"ffv1", "-c:v ffv1"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// Dropped frames (empty chunks) are not missing pictures: with an index, or in
// a crashed capture without one, they repeat the frame before them through
// both sources. Only dropped frames at the very end of a file without an
// index are failures through the FFmpeg source: its demuxer skips them
// silently, and nothing tells them from the missing end of a cut file.
TEST(DroppedFrames, RepeatThroughBothSourcesWithAndWithoutIndex) {
  const int written[] = {0, -1, 2, -1, -1, 5, 6, -1, 8, -1, -1};  // -1: an empty chunk
  const int want[] = {0, 0, 2, 2, 2, 5, 6, 6, 8, 8, 8};
  for (AviIndexKind kind : {AviIndexKind::Idx1Relative, AviIndexKind::None}) {
    const std::string path = FixturePath(kind == AviIndexKind::None ? "dropped_noindex.avi" : "dropped_idx1.avi");
    {
      AviWriterOptions o;
      o.idx1 = kind;
      AviWriter w(path, kWidth, kHeight, o);
      for (int n : written) {
        if (n < 0) {
          w.AddEmptyFrame();
        } else {
          w.AddFrame(NumberedFrame(kWidth, kHeight, n, kBlock));
        }
      }
      ASSERT_TRUE(w.Finish());
    }
    TGKAvi avi;
    ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
    DirectShowSource ds;
    ASSERT_EQ(ds.DSOpenVideo(path), "");
    const long double rate = ds.DSFrameRate();
    ASSERT_EQ(ds.FrameCount(rate), 11);
    for (int n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 4, 1, 9, 7, 10}) {
      Bitmap24 a, b;
      ASSERT_TRUE(avi.GetFrameBitmap(n, a)) << n;
      std::string status;
      ds.DSGrabFrame(n, b, status, rate, 1.0L);
      if (kind == AviIndexKind::None && n >= 9) {
        EXPECT_NE(status, "S_OK") << n;
        continue;
      }
      ASSERT_EQ(status, "S_OK") << "frame " << n << (kind == AviIndexKind::None ? " without index" : " with idx1");
      EXPECT_EQ(ReadFrameNumber(b, kBlock), want[n]) << n;
      EXPECT_TRUE(a == b) << n;
    }
  }
}

}  // namespace

namespace {

// Every frame of `path` offered by the FFmpeg reader, in order and by jumps,
// shows its own picture or fails; only the pictures at the cut are missing.
void ExpectOwnPicturesOrFailures(const std::string& path, const std::string& what) {
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "") << what;
  const long double rate = ds.DSFrameRate();
  const int count = ds.FrameCount(rate);
  int shown = 0, asked = 0;
  for (const auto& order : {Forward(count), Jumps(count)}) {
    for (int n : order) {
      Bitmap24 b;
      std::string status;
      ds.DSGrabFrame(n, b, status, rate, 1.0L);
      ++asked;
      if (status != "S_OK") continue;
      ++shown;
      EXPECT_EQ(ReadFrameNumber(b, kBlock), n) << what << " frame " << n;
    }
  }
  EXPECT_GE(shown, asked - 8) << what;
}

// An MPEG-4 AVI with B-frames cut off mid-file: the decoder holds a picture
// back and gives it, without a time, only at the end. When the chunk before
// it was cut short, that picture must not take the lost one's frame: every
// frame shows its own picture or fails, from either direction.
TEST(CutFilesWithBFrames, AFrameShowsItsOwnPictureOrFails) {
  const std::string full = FixturePath("cut_full_mpeg4_bframes.avi");
  ASSERT_TRUE(RunFfmpeg("-i '" + UncompressedSource() + "' -c:v mpeg4 -q:v 3 -bf 2 -g 12 '" + full + "'"));
  const std::vector<char> bytes = ReadAll(full);
  for (double keep : {0.55, 0.7, 0.85, 0.93}) {
    const std::string what = "cut at " + std::to_string(keep);
    const std::string path = FixturePath("cut_mpeg4_bframes.avi");
    WriteFirst(path, bytes, uint64_t(double(bytes.size()) * keep));
    ExpectOwnPicturesOrFailures(path, what);
    DirectShowSource ds;
    ASSERT_EQ(ds.DSOpenVideo(path), "");
    ASSERT_GT(ds.FrameCount(ds.DSFrameRate()), 10) << what;
  }
}

// An H.264 AVI with B-frames cut short, its index lost with its end: a jump
// of a few frames that the demuxer cannot seek to shows the frame asked for,
// as the AVI reader does, instead of telling that the video ends before it.
TEST(CutFilesWithBFrames, AJumpWithoutAnIndexShowsTheFrameAskedFor) {
  const std::string full = FixturePath("cut_full_h264_bframes.avi");
  ASSERT_TRUE(RunFfmpeg("-i '" + UncompressedSource() + "' -c:v libx264 -crf 5 -bf 2 -g 12 '" + full + "'"));
  const std::vector<char> bytes = ReadAll(full);
  const std::string path = FixturePath("cut_h264_bframes.avi");
  for (int k = 10; k < 20; ++k) {
    WriteFirst(path, bytes, bytes.size() * uint64_t(k) / 20);
    TGKAvi avi;
    ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
    ASSERT_EQ(avi.Contents()->index_source, AviIndexSource::Scan);
    for (const auto& [from, to] : std::vector<std::pair<int, int>>{{0, 3}, {0, 9}, {1, 4}, {0, 16}, {5, 14}}) {
      Bitmap24 want;
      if (!avi.GetFrameBitmap(to, want) || ReadFrameNumber(want, kBlock) != to) continue;
      DirectShowSource ds;
      ASSERT_EQ(ds.DSOpenVideo(path), "");
      const long double rate = ds.DSFrameRate();
      for (int n : {from, to}) {
        Bitmap24 b;
        std::string status;
        ds.DSGrabFrame(n, b, status, rate, 1.0L);
        ASSERT_EQ(status, "S_OK") << "cut " << k << ": " << from << " -> " << to << ": frame " << n;
        EXPECT_EQ(ReadFrameNumber(b, kBlock), n) << from << " -> " << to;
      }
    }
  }
}

struct TimedCutCase {
  const char* name;
  const char* ffmpeg_args;
  const char* ext;
  int packet = 0;  // a transport stream's packet size: cut in the middle of a packet (a recording that stopped)
};

class CutTimedFilesWithBFrames : public ::testing::TestWithParam<TimedCutCase> {};

// A file with time stamps and no index at the cut (a Matroska recording
// whose index was to come at its end, a transport stream) stores the
// B-frames shown before a picture after it: a cut right after that picture
// takes them away, and their frames fail instead of showing the picture
// before them.
TEST_P(CutTimedFilesWithBFrames, AFrameShowsItsOwnPictureOrFails) {
  const TimedCutCase& c = GetParam();
  const std::string full = FixturePath(std::string("cut_full_") + c.name + c.ext);
  ASSERT_TRUE(RunFfmpeg("-i '" + UncompressedSource() + "' " + c.ffmpeg_args + " '" + full + "'"));
  const std::vector<char> bytes = ReadAll(full);
  const std::string path = FixturePath(std::string("cut_") + c.name + c.ext);
  for (int k = 4; k < 20; ++k) {
    uint64_t keep = bytes.size() * uint64_t(k) / 20;
    if (c.packet > 0) keep += uint64_t(c.packet / 2) - keep % uint64_t(c.packet);
    WriteFirst(path, bytes, keep);
    ExpectOwnPicturesOrFailures(path, std::string(c.name) + " cut at " + std::to_string(keep));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Containers, CutTimedFilesWithBFrames,
    ::testing::Values(TimedCutCase{"h264_mkv", "-c:v libx264 -preset ultrafast -crf 12 -bf 3 -g 12 -x264-params b-adapt=0", ".mkv"},
                      TimedCutCase{"mpeg2_ts", "-c:v mpeg2video -q:v 2 -bf 2 -g 12", ".ts"},
                      TimedCutCase{"h264_ts", "-c:v libx264 -preset ultrafast -crf 12 -bf 3 -g 12 -x264-params b-adapt=0", ".ts", 188},
                      TimedCutCase{"h264_open_gop_ts", "-c:v libx264 -crf 12 -bf 3 -g 12 -x264-params open-gop=1:b-adapt=0", ".ts", 188},
                      TimedCutCase{"h264_m2ts", "-c:v libx264 -crf 12 -bf 3 -g 12 -f mpegts -mpegts_m2ts_mode 1", ".m2ts", 192}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
