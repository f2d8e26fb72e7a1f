// Broken files: empty, truncated anywhere, stale or broken indexes, bit flips.
// They give a message or fewer frames, never a crash or a wrong frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/ByteOrder.h"
#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kW = 24, kH = 10, kFrames = 10;

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

std::vector<uint8_t> SmallAvi(AviWriterOptions o = {}) {
  std::string path = FixturePath("robust_src.avi");
  AviWriter w(path, kW, kH, o);
  for (int i = 0; i < kFrames; ++i) w.AddFrame(NumberedFrame(kW, kH, i, 2));
  EXPECT_TRUE(w.Finish());
  return Bytes(path);
}

// Opens the bytes and grabs every frame; a grabbed frame must be the right one.
int CheckReadable(const std::vector<uint8_t>& bytes, bool must_open) {
  TGKAvi avi;
  bool open = avi.OpenBytes(std::make_unique<OwnedMemoryByteSource>(bytes));
  if (must_open) {
    EXPECT_TRUE(open) << avi.LastError();
  }
  if (!open) {
    EXPECT_FALSE(avi.LastError().empty());
    return -1;
  }
  int good = 0;
  for (int i = 0; i < avi.FrameCount(); ++i) {
    Bitmap24 b;
    if (!avi.GetFrameBitmap(i, b)) continue;
    if (b == NumberedFrame(kW, kH, i, 2)) ++good;
  }
  return good;
}

TEST(AviRobustness, EmptyAndForeignFilesGiveMessages) {
  struct Row {
    std::string bytes;
    const char* message;
  } rows[] = {
      {"", "The file is empty."},
      {"RIFF", "Not an AVI file."},
      {std::string("RIFF\x04\0\0\0WAVE", 12), "Not an AVI file."},
      {std::string("RIFF\0\0\0\0AVI LIST\x04\0\0\0hdrl", 24), "No video stream in the file."},
  };
  for (const Row& r : rows) {
    TGKAvi avi;
    EXPECT_FALSE(avi.OpenBytes(std::make_unique<OwnedMemoryByteSource>(std::vector<uint8_t>(r.bytes.begin(), r.bytes.end()))));
    EXPECT_EQ(avi.LastError(), r.message);
  }
  std::string zero = FixturePath("zero.avi");
  std::ofstream(zero).close();
  TGKAvi avi;
  EXPECT_FALSE(avi.OpenStreams(zero));
  DirectShowSource ds;
  EXPECT_EQ(ds.DSOpenVideo(zero), "Incorrect formated file or unknown compressor.");
}

// A capture that never got a picture: no frame, or only dropped ones. Both
// are refused with the reason, with and without an index.
TEST(AviRobustness, VideoWithoutAPictureIsRefused) {
  struct Row {
    int dropped;
    AviIndexKind index;
    const char* message;
  } rows[] = {
      {0, AviIndexKind::Idx1Relative, "The video stream has no frames."},
      {0, AviIndexKind::None, "The video stream has no frames."},
      {3, AviIndexKind::Idx1Relative, "The video stream holds no picture: every frame was dropped."},
      {3, AviIndexKind::None, "The video stream holds no picture: every frame was dropped."},
  };
  for (const Row& r : rows) {
    const std::string path = FixturePath("no_picture.avi");
    AviWriterOptions o;
    o.idx1 = r.index;
    AviWriter w(path, kW, kH, o);
    for (int i = 0; i < r.dropped; ++i) w.AddEmptyFrame();
    ASSERT_TRUE(w.Finish());
    TGKAvi avi;
    EXPECT_FALSE(avi.OpenStreams(path)) << r.dropped;
    EXPECT_EQ(avi.LastError(), r.message);
    EXPECT_EQ(avi.FrameCount(), -1);
  }
}

TEST(AviRobustness, CaptureThatCrashedKeepsItsCompleteFrames) {
  std::vector<uint8_t> full = SmallAvi();
  const size_t frame_bytes = size_t(Bitmap24::StrideFor(kW)) * kH + 8;
  // Cut in the middle of each frame: the frames before the cut stay readable.
  const size_t first_frame = full.size() - 16 * kFrames - 8 - frame_bytes * kFrames;
  for (int cut_frame = 0; cut_frame < kFrames; ++cut_frame) {
    size_t cut = first_frame + frame_bytes * size_t(cut_frame) + frame_bytes / 2;
    std::vector<uint8_t> part(full.begin(), full.begin() + ptrdiff_t(cut));
    int good = CheckReadable(part, cut_frame > 0);
    if (cut_frame > 0) {
      EXPECT_EQ(good, cut_frame);
    }
  }
  // Every other cut: never a crash, never a wrong frame (CheckReadable counts only right ones).
  for (size_t cut = 0; cut < full.size(); cut += 7) {
    std::vector<uint8_t> part(full.begin(), full.begin() + ptrdiff_t(cut));
    CheckReadable(part, false);
  }
}

TEST(AviRobustness, BrokenIdx1IsRebuiltByScanning) {
  std::vector<uint8_t> bytes = SmallAvi();
  // Point every idx1 offset somewhere else.
  size_t idx1 = bytes.size() - 16 * kFrames;
  for (int i = 0; i < kFrames; ++i) bytes[idx1 + size_t(i) * 16 + 8] ^= 0x55;
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenBytes(std::make_unique<OwnedMemoryByteSource>(bytes)));
  EXPECT_EQ(avi.Contents()->index_source, AviIndexSource::Scan);
  EXPECT_EQ(CheckReadable(bytes, true), kFrames);
}

TEST(AviRobustness, BrokenOpenDmlIndexFallsBack) {
  AviWriterOptions o;
  o.open_dml = true;
  o.segment_bytes = 2000;
  std::vector<uint8_t> bytes = SmallAvi(o);
  std::string text(bytes.begin(), bytes.end());
  size_t ix = text.find("ix00");
  ASSERT_NE(ix, std::string::npos);
  bytes[ix + 8 + 24] ^= 0x40;  // the first entry's offset
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenBytes(std::make_unique<OwnedMemoryByteSource>(bytes)));
  EXPECT_NE(avi.Contents()->index_source, AviIndexSource::OpenDmlIndex);
  EXPECT_EQ(CheckReadable(bytes, true), kFrames);
}

// A super index whose entries name one standard index again and again: a
// small file could claim millions of frames that way. The repeated index is
// not believed; the frames come from idx1 and the scan instead.
TEST(AviRobustness, SuperIndexRepeatingAStandardIndexIsNotBelieved) {
  constexpr size_t kEntryRoom = 32;  // the writer's room for super index entries
  struct Row {
    const char* name;
    size_t entries;  // entries claimed, each naming the first standard index
  } rows[] = {{"every entry in use", 0}, {"all the room claimed", kEntryRoom}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    AviWriterOptions o;
    o.open_dml = true;
    o.segment_bytes = 2000;
    std::vector<uint8_t> bytes = SmallAvi(o);
    std::string text(bytes.begin(), bytes.end());
    const size_t indx = text.find("indx") + 8;
    uint32_t in_use = Le32(&bytes[indx + 4]);
    ASSERT_GT(in_use, 1u);
    if (r.entries) in_use = uint32_t(r.entries), PutLe32(&bytes[indx + 4], in_use);
    for (size_t i = 1; i < in_use; ++i) std::memcpy(&bytes[indx + 24 + 16 * i], &bytes[indx + 24], 16);
    TGKAvi avi;
    ASSERT_TRUE(avi.OpenBytes(std::make_unique<OwnedMemoryByteSource>(bytes))) << avi.LastError();
    EXPECT_NE(avi.Contents()->index_source, AviIndexSource::OpenDmlIndex);
    EXPECT_EQ(avi.FrameCount(), kFrames);
    EXPECT_EQ(CheckReadable(bytes, true), kFrames);
  }
}

TEST(AviRobustness, BitFlipSweepNeverCrashes) {
  for (AviPixelFormat f : {AviPixelFormat::Bgr24, AviPixelFormat::Pal4, AviPixelFormat::Rgb565, AviPixelFormat::Yuy2}) {
    AviWriterOptions o;
    o.format = f;
    o.rec_lists = f == AviPixelFormat::Pal4;
    std::vector<uint8_t> clean = SmallAvi(o);
    // Every bit of the headers, then a stride through the rest.
    size_t header_end = std::min<size_t>(clean.size(), 400);
    for (size_t i = 0; i < clean.size(); i += i < header_end ? 1 : 13) {
      std::vector<uint8_t> bytes = clean;
      bytes[i] ^= uint8_t(1u << (i % 8));
      TGKAvi avi;
      if (!avi.OpenBytes(std::make_unique<OwnedMemoryByteSource>(bytes))) continue;
      Bitmap24 b;
      for (int n : {0, 1, avi.FrameCount() - 1, avi.FrameCount()}) avi.GetFrameBitmap(n, b);
      EXPECT_LE(b.Width(), 32768);
    }
  }
}

// Writes the bytes to a fixture file and checks that the ffmpeg tool finds
// all kFrames frames in it.
std::string WrittenForFfmpeg(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = FixturePath(name);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  const auto probe = ProbeVideo(path);
  EXPECT_TRUE(probe && probe->frames == kFrames) << name;
  return path;
}

// The file as a writer that leaves out the pad byte after each chunk of odd
// size in 'movi' writes it (the list and RIFF sizes shrink to match).
std::vector<uint8_t> WithoutPadBytes(std::vector<uint8_t> b) {
  const auto movi = size_t(std::search(b.begin(), b.end(), "movi", "movi" + 4) - b.begin());
  size_t pos = movi + 4, end = movi + Le32(&b[movi - 4]);
  uint32_t removed = 0;
  while (pos + 8 <= end) {
    const uint32_t size = Le32(&b[pos + 4]);
    pos += 8 + size;
    if ((size & 1) == 0) continue;
    b.erase(b.begin() + ptrdiff_t(pos));
    --end, ++removed;
  }
  PutLe32(&b[movi - 4], Le32(&b[movi - 4]) - removed);
  PutLe32(&b[4], Le32(&b[4]) - removed);
  return b;
}

// Grey frames of 7 x 5 pixels, stored without row padding, are 35 bytes:
// without their pad bytes every later chunk starts a byte early. A crashed
// capture (no index) of such a writer keeps all its frames, with sound
// chunks between them or not.
TEST(AviRobustness, OddChunksWithoutPadBytesAreAllFound) {
  constexpr int w = 7, h = 5;
  auto grey = [](int n, int x, int y) { return uint8_t(n * 25 + y * 7 + x); };
  for (bool audio : {false, true}) {
    SCOPED_TRACE(audio ? "with sound" : "video only");
    AviWriterOptions o;
    o.idx1 = AviIndexKind::None;
    o.audio = audio;
    const std::string path = FixturePath("unpadded_src.avi");
    AviWriter writer(path, w, h, o);
    writer.SetCompressed("Y800", 8);
    for (int n = 0; n < kFrames; ++n) {
      std::vector<uint8_t> rows;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rows.push_back(grey(n, x, y));
      writer.AddEncodedFrame(rows, true);
    }
    ASSERT_TRUE(writer.Finish());
    const std::vector<uint8_t> bytes = WithoutPadBytes(Bytes(path));
    ASSERT_EQ(bytes.size() + kFrames, Bytes(path).size());
    const std::string unpadded = WrittenForFfmpeg("unpadded.avi", bytes);
    TGKAvi avi;
    ASSERT_TRUE(avi.OpenStreams(unpadded)) << avi.LastError();
    ASSERT_EQ(avi.FrameCount(), kFrames);
    for (int n = kFrames - 1; n >= 0; --n) {
      Bitmap24 b;
      ASSERT_TRUE(avi.GetFrameBitmap(n, b)) << n << ": " << avi.LastError();
      ASSERT_EQ(b.Width(), w);
      ASSERT_EQ(b.Height(), h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const uint8_t g = grey(n, x, y);
          ASSERT_EQ(b.Get(x, y), (Bgr{g, g, g})) << "frame " << n << " at " << x << "," << y;
        }
    }
  }
}

TEST(AviRobustness, HugeSizeFieldsAreRefused) {
  std::vector<uint8_t> bytes = SmallAvi();
  std::string text(bytes.begin(), bytes.end());
  size_t strf = text.find("strf");
  ASSERT_NE(strf, std::string::npos);
  // biWidth 0x40000000: refused, not allocated.
  bytes[strf + 8 + 4 + 3] = 0x40;
  TGKAvi avi;
  EXPECT_FALSE(avi.OpenBytes(std::make_unique<OwnedMemoryByteSource>(bytes)));
  EXPECT_EQ(avi.LastError(), "The frame size is out of range.");
}

}  // namespace

TEST(AviRobustness, OpenDmlCaptureThatCrashedInItsLastSegment) {
  AviWriterOptions o;
  o.open_dml = true;
  o.segment_bytes = 2000;
  std::vector<uint8_t> bytes = SmallAvi(o);
  std::string text(bytes.begin(), bytes.end());
  // No super index yet, the last segment's sizes never written, the file cut
  // in the middle of the last frame.
  size_t indx = text.find("indx");
  std::memset(&bytes[indx + 8 + 4], 0, 4);
  size_t last_riff = text.rfind("RIFF");
  std::memset(&bytes[last_riff + 4], 0, 4);
  std::memset(&bytes[last_riff + 16], 0, 4);
  size_t last_ix = text.rfind("ix00");
  bytes.resize(last_ix - 30);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenBytes(std::make_unique<OwnedMemoryByteSource>(bytes))) << avi.LastError();
  EXPECT_EQ(avi.FrameCount(), kFrames - 1);
  EXPECT_EQ(CheckReadable(bytes, true), kFrames - 1);
}

// A capture that crashed after it had started later segments, by a writer
// that writes every size only when it closes the file: the first RIFF's size
// (and more) is still 0, and there is no super index. The frames of every
// segment are found (as the ffmpeg tool finds them), not only the first's.
TEST(AviRobustness, OpenDmlCaptureThatCrashedBeforeItsFirstSegmentWasClosed) {
  AviWriterOptions o;
  o.open_dml = true;
  o.segment_bytes = 2000;
  const std::vector<uint8_t> good = SmallAvi(o);
  const std::string text(good.begin(), good.end());
  std::vector<size_t> riffs, movis;
  for (size_t at = text.find("RIFF"); at != std::string::npos; at = text.find("RIFF", at + 4)) riffs.push_back(at);
  for (size_t at = text.find("movi"); at != std::string::npos; at = text.find("movi", at + 4)) movis.push_back(at - 8);
  ASSERT_GE(riffs.size(), 3u);
  ASSERT_EQ(movis.size(), riffs.size());
  struct Row {
    const char* what;
    bool first_movi, later_segments;
  } rows[] = {{"first RIFF size", false, false},
              {"first RIFF and 'movi' sizes", true, false},
              {"every RIFF and 'movi' size", true, true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.what) + " never written");
    std::vector<uint8_t> bytes = good;
    std::memset(&bytes[text.find("indx") + 8 + 4], 0, 4);  // no super index yet
    PutLe32(&bytes[riffs[0] + 4], 0);
    if (r.first_movi) PutLe32(&bytes[movis[0] + 4], 0);
    for (size_t i = 1; r.later_segments && i < riffs.size(); ++i) {
      PutLe32(&bytes[riffs[i] + 4], 0);
      PutLe32(&bytes[movis[i] + 4], 0);
    }
    WrittenForFfmpeg("crashed_odml.avi", bytes);
    TGKAvi avi;
    ASSERT_TRUE(avi.OpenBytes(std::make_unique<OwnedMemoryByteSource>(bytes))) << avi.LastError();
    EXPECT_EQ(avi.FrameCount(), kFrames);
    EXPECT_EQ(CheckReadable(bytes, true), kFrames);
  }
}
