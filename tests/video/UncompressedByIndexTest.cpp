// 24-bit uncompressed AVI files read through the FFmpeg source by their index
// and through our own reader, rows straight from the file: every frame as
// ffmpeg's own decode of the same file and as the same frames in a file
// without an index (read through the demuxer), in any order; a frame cut
// short is a message, never a picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/ByteSource.h"
#include "video/DirectShowSource.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kFrames = 7;
const int kOrder[] = {0, 1, 2, 3, 4, 5, 6, 6, 5, 3, 3, 0, 6, 2, 1, 4};

std::string WriteFrames(const std::string& name, int w, int h, AviWriterOptions o) {
  const std::string path = FixturePath(name);
  AviWriter writer(path, w, h, o);
  for (int i = 0; i < kFrames; ++i) writer.AddFrame(NumberedFrame(w, h, i, 4));
  EXPECT_TRUE(writer.Finish());
  return path;
}

struct Layout {
  const char* name;
  int width, height;
  AviPixelFormat format;
  AviIndexKind index;
  bool open_dml, audio, rec_lists;
  bool by_index;  // read by the index (else through the demuxer, as before)
};

class ByIndex : public ::testing::TestWithParam<Layout> {};

TEST_P(ByIndex, FramesAreFfmpegsAndTheDemuxersInAnyOrder) {
  const Layout& l = GetParam();
  AviWriterOptions o;
  o.format = l.format, o.idx1 = l.index, o.open_dml = l.open_dml, o.audio = l.audio, o.rec_lists = l.rec_lists;
  o.segment_bytes = 6000;  // OpenDML: several RIFF segments
  const std::string path = WriteFrames(std::string("byindex_") + l.name + ".avi", l.width, l.height, o);
  o.idx1 = AviIndexKind::None, o.open_dml = false;
  const std::string unindexed = WriteFrames(std::string("byindex_") + l.name + "_none.avi", l.width, l.height, o);
  const std::vector<Bitmap24> want = FfmpegBgr24Frames(path, l.width, l.height);
  ASSERT_EQ(want.size(), size_t(kFrames));
  DirectShowSource ds, demuxed;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  ASSERT_EQ(demuxed.DSOpenVideo(unindexed), "");
  EXPECT_EQ(ds.Source().ReadsByIndex(), l.by_index);
  EXPECT_FALSE(demuxed.Source().ReadsByIndex());
  const long double rate = ds.DSFrameRate();
  for (int n : kOrder) {
    Bitmap24 b, d;
    std::string status, demuxed_status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    demuxed.DSGrabFrame(n, d, demuxed_status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK") << l.name << " frame " << n;
    ASSERT_EQ(demuxed_status, "S_OK") << l.name << " frame " << n;
    EXPECT_TRUE(b == want[size_t(n)]) << l.name << " frame " << n;
    EXPECT_TRUE(b == d) << l.name << " frame " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ByIndex,
    ::testing::Values(
        Layout{"bgr24", 48, 20, AviPixelFormat::Bgr24, AviIndexKind::Idx1Relative, false, false, false, true},
        Layout{"odd_width_padded_rows", 37, 21, AviPixelFormat::Bgr24, AviIndexKind::Idx1Absolute, false, false, false, true},
        Layout{"top_down_odd_width", 37, 9, AviPixelFormat::Bgr24TopDown, AviIndexKind::Idx1Relative, false, false, false, true},
        Layout{"open_dml_audio_rec", 41, 15, AviPixelFormat::Bgr24, AviIndexKind::Idx1Relative, true, true, true, true},
        Layout{"grey_y800", 37, 9, AviPixelFormat::Y800, AviIndexKind::Idx1Relative, false, false, false, false},
        Layout{"bgr32", 37, 9, AviPixelFormat::Bgr32, AviIndexKind::Idx1Relative, false, false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Our own reader, from the file and from memory, into a bitmap of another
// size and into the last frame's bitmap again.
TEST_P(ByIndex, OwnReaderGivesFfmpegsFramesInAnyOrder) {
  const Layout& l = GetParam();
  AviWriterOptions o;
  o.format = l.format, o.idx1 = l.index, o.open_dml = l.open_dml, o.audio = l.audio, o.rec_lists = l.rec_lists;
  o.segment_bytes = 6000;
  const std::string path = WriteFrames(std::string("own_") + l.name + ".avi", l.width, l.height, o);
  const std::vector<Bitmap24> want = FfmpegBgr24Frames(path, l.width, l.height);
  ASSERT_EQ(want.size(), size_t(kFrames));
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  TGKAvi file, memory;
  ASSERT_TRUE(file.OpenStreams(path)) << file.LastError();
  ASSERT_TRUE(memory.OpenBytes(std::make_unique<OwnedMemoryByteSource>(std::move(bytes)))) << memory.LastError();
  ASSERT_EQ(file.FrameCount(), kFrames);
  Bitmap24 reused = NumberedFrame(5, 3, 99, 1);
  for (int n : kOrder) {
    Bitmap24 from_memory;
    ASSERT_TRUE(file.GetFrameBitmap(n, reused)) << l.name << " frame " << n << ": " << file.LastError();
    ASSERT_TRUE(memory.GetFrameBitmap(n, from_memory)) << l.name << " frame " << n << ": " << memory.LastError();
    EXPECT_TRUE(reused == want[size_t(n)]) << l.name << " frame " << n;
    EXPECT_TRUE(from_memory == want[size_t(n)]) << l.name << " frame " << n;
  }
}

// The ffmpeg tool's own uncompressed AVI (rows of 102 bytes padded to 104).
TEST(ByIndex, FfmpegsOwnFileReadsAsFfmpegDecodesIt) {
  const std::string path = FixturePath("byindex_ffmpeg.avi");
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc2=size=34x16:rate=25 -frames:v " + std::to_string(kFrames) +
                        " -c:v rawvideo -pix_fmt bgr24 '" + path + "'"));
  const std::vector<Bitmap24> want = FfmpegBgr24Frames(path, 34, 16);
  ASSERT_EQ(want.size(), size_t(kFrames));
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  EXPECT_TRUE(ds.Source().ReadsByIndex());
  for (int n : kOrder) {
    Bitmap24 b;
    std::string status;
    ds.DSGrabFrame(n, b, status, ds.DSFrameRate(), 1.0L);
    ASSERT_EQ(status, "S_OK") << n;
    EXPECT_TRUE(b == want[size_t(n)]) << n;
  }
}

// A last frame cut short, in the file before it is opened or after its
// picture was read: a message, and the caller's bitmap untouched.
TEST(ByIndex, FrameCutShortGivesAMessageAndLeavesTheBitmap) {
  const std::string full = WriteFrames("byindex_cut_full.avi", 37, 9, {});
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(full));
  const AviFrameEntry last = avi.Contents()->frames.back();
  const uint64_t cut = last.offset + last.size / 2;
  const std::string path = FixturePath("byindex_cut.avi");
  const Bitmap24 untouched = NumberedFrame(5, 3, 99, 1);
  for (bool before_opening : {true, false}) {
    std::filesystem::copy_file(full, path, std::filesystem::copy_options::overwrite_existing);
    // Cut before opening, the index at the file's end is gone too: the demuxer reads.
    if (before_opening) std::filesystem::resize_file(path, cut);
    DirectShowSource ds;
    ASSERT_EQ(ds.DSOpenVideo(path), "");
    EXPECT_EQ(ds.Source().ReadsByIndex(), !before_opening);
    const long double rate = ds.DSFrameRate();
    std::string status;
    Bitmap24 b;
    if (!before_opening) {
      ds.DSGrabFrame(kFrames - 1, b, status, rate, 1.0L);
      ASSERT_EQ(status, "S_OK");
      std::filesystem::resize_file(path, cut);
    }
    for (int n : {kFrames - 1, kFrames - 2, kFrames - 1}) {
      b = untouched;
      ds.DSGrabFrame(n, b, status, rate, 1.0L);
      if (n < kFrames - 1) {
        ASSERT_EQ(status, "S_OK");
        EXPECT_EQ(ReadFrameNumber(b, 4), n);
      } else {
        EXPECT_NE(status, "S_OK") << (before_opening ? "cut before opening" : "cut after");
        EXPECT_TRUE(b == untouched);
      }
    }
  }
}

// Our own reader: a last frame cut short after opening, cut off before opening
// (the index is gone and the scan drops the part), or whose chunk is shorter
// than a frame gives its message, and the caller's bitmap stays as it was.
TEST(ByIndex, OwnReaderFrameCutShortLeavesTheBitmap) {
  const std::string full = WriteFrames("own_cut_full.avi", 37, 9, {});
  TGKAvi probe;
  ASSERT_TRUE(probe.OpenStreams(full));
  const AviFrameEntry last = probe.Contents()->frames.back();
  const std::string path = FixturePath("own_cut.avi");
  const Bitmap24 untouched = NumberedFrame(5, 3, 99, 1);
  for (bool before_opening : {true, false}) {
    std::filesystem::copy_file(full, path, std::filesystem::copy_options::overwrite_existing);
    if (before_opening) std::filesystem::resize_file(path, last.offset + last.size / 2);
    TGKAvi avi;
    ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
    Bitmap24 b;
    if (!before_opening) {
      ASSERT_TRUE(avi.GetFrameBitmap(kFrames - 1, b));
      std::filesystem::resize_file(path, last.offset + last.size / 2);
    }
    for (int n : {kFrames - 1, kFrames - 2, kFrames - 1}) {
      b = untouched;
      const bool read = avi.GetFrameBitmap(n, b);
      if (n < kFrames - 1) {
        ASSERT_TRUE(read) << avi.LastError();
        EXPECT_EQ(ReadFrameNumber(b, 4), n);
        continue;
      }
      EXPECT_FALSE(read);
      EXPECT_EQ(avi.LastError(), before_opening ? "The frame number is out of range." : "The frame cannot be read.");
      EXPECT_TRUE(b == untouched) << (before_opening ? "cut before opening" : "cut after");
    }
  }
  // A chunk too short for a frame, in the middle of the file.
  AviWriter writer(path, 37, 9);
  writer.AddFrame(NumberedFrame(37, 9, 0, 4));
  writer.AddEncodedFrame(std::vector<uint8_t>(37 * 3 * 9, 7), true);
  ASSERT_TRUE(writer.Finish());
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path));
  Bitmap24 b = untouched;
  EXPECT_FALSE(avi.GetFrameBitmap(1, b));
  EXPECT_EQ(avi.LastError(), "The frame is shorter than its format.");
  EXPECT_TRUE(b == untouched);
}

// An uncompressed picture the demuxer reads (32-bit rows) lets go of its
// packet once the index shows the next picture replaces it; when that one
// is lost (a chunk too short for a frame), the picture before is read again.
TEST(ByIndex, PictureLetGoBeforeALostOneIsReadAgain) {
  const std::string path = FixturePath("byindex_lost.avi");
  AviWriterOptions o;
  o.format = AviPixelFormat::Bgr32;
  AviWriter writer(path, 37, 9, o);
  for (int i = 0; i < 5; ++i) {
    if (i == 3) {
      writer.AddEncodedFrame(std::vector<uint8_t>(40, 7), true);
    } else {
      writer.AddFrame(NumberedFrame(37, 9, i, 4));
    }
  }
  ASSERT_TRUE(writer.Finish());
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  EXPECT_FALSE(ds.Source().ReadsByIndex());
  const long double rate = ds.DSFrameRate();
  for (int n : {0, 1, 2, 3, 2, 2, 4, 3, 1}) {
    Bitmap24 b;
    std::string status;
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    if (n == 3) {
      EXPECT_EQ(status, "The frame cannot be decoded.");
      continue;
    }
    ASSERT_EQ(status, "S_OK") << n;
    EXPECT_TRUE(b == writer.Expected(NumberedFrame(37, 9, n, 4))) << n;
  }
}

}  // namespace
