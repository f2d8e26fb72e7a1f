// The AVIFile source on our RIFF reader: every DIB layout bit-exact, every
// index layout, OpenDML segments, dropped frames, rates and bounds.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <fstream>
#include <iterator>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kW = 37, kH = 21, kFrames = 6;

struct DibCase {
  const char* name;
  AviPixelFormat format;
  bool clr_used_zero = false;
  bool custom_palette = false;
};

std::vector<Bgr> CustomPalette(int n) {
  std::vector<Bgr> p;
  for (int i = 0; i < n; ++i) p.push_back({uint8_t(i * 37 % 256), uint8_t(255 - i), uint8_t(i * 11 % 256)});
  return p;
}

// Writes kFrames numbered frames and returns the frames a reader must give.
std::vector<Bitmap24> WriteVideo(const std::string& path, AviWriterOptions o, int w = kW, int h = kH,
                                 int frames = kFrames) {
  AviWriter wr(path, w, h, o);
  std::vector<Bitmap24> expected;
  for (int i = 0; i < frames; ++i) {
    Bitmap24 f = NumberedFrame(w, h, i, 4);
    wr.AddFrame(f);
    expected.push_back(wr.Expected(f));
  }
  EXPECT_TRUE(wr.Finish());
  return expected;
}

class DibLayouts : public ::testing::TestWithParam<DibCase> {};

TEST_P(DibLayouts, EveryFrameIsBitExact) {
  const DibCase& c = GetParam();
  AviWriterOptions o;
  o.format = c.format;
  o.clr_used_zero = c.clr_used_zero;
  int bits = c.format == AviPixelFormat::Pal8 ? 8 : c.format == AviPixelFormat::Pal4 ? 4 : 1;
  if (c.custom_palette || c.clr_used_zero) o.palette = CustomPalette(1 << bits);
  std::string path = FixturePath(std::string("dib_") + c.name + ".avi");
  auto expected = WriteVideo(path, o);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
  ASSERT_EQ(avi.FrameCount(), kFrames);
  for (int i = 0; i < kFrames; ++i) {
    Bitmap24 got;
    ASSERT_TRUE(avi.GetFrameBitmap(i, got)) << avi.LastError();
    EXPECT_TRUE(got == expected[size_t(i)]) << c.name << " frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DibLayouts,
    ::testing::Values(DibCase{"bgr24_bottom_up", AviPixelFormat::Bgr24}, DibCase{"bgr24_top_down", AviPixelFormat::Bgr24TopDown},
                      DibCase{"bgr32", AviPixelFormat::Bgr32}, DibCase{"rgb555", AviPixelFormat::Rgb555},
                      DibCase{"rgb555_bitfields", AviPixelFormat::Rgb555Fields}, DibCase{"rgb565", AviPixelFormat::Rgb565},
                      DibCase{"pal8_grey", AviPixelFormat::Pal8}, DibCase{"pal8_custom", AviPixelFormat::Pal8, false, true},
                      DibCase{"pal8_clrused0", AviPixelFormat::Pal8, true}, DibCase{"pal4", AviPixelFormat::Pal4, false, true},
                      DibCase{"pal4_clrused0", AviPixelFormat::Pal4, true}, DibCase{"pal1", AviPixelFormat::Pal1},
                      DibCase{"y800", AviPixelFormat::Y800}, DibCase{"grey", AviPixelFormat::Grey}),
    [](const auto& info) { return std::string(info.param.name); });

struct YuvCase {
  const char* name;
  AviPixelFormat format;
};
class YuvLayouts : public ::testing::TestWithParam<YuvCase> {};

TEST_P(YuvLayouts, CloseToTheWrittenPixels) {
  AviWriterOptions o;
  o.format = GetParam().format;
  std::string path = FixturePath(std::string("yuv_") + GetParam().name + ".avi");
  auto expected = WriteVideo(path, o, 64, 48, 3);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
  for (int i = 0; i < 3; ++i) {
    Bitmap24 got;
    ASSERT_TRUE(avi.GetFrameBitmap(i, got)) << avi.LastError();
    ASSERT_EQ(got.Width(), 64);
    ASSERT_EQ(got.Height(), 48);
    // Chroma subsampling blurs the pattern's steps; on average the colours
    // stay within the rounding of limited-range integer maths.
    long sum = 0, count = 0;
    for (int y = 8; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        Bgr a = got.Get(x, y), b = expected[size_t(i)].Get(x, y);
        sum += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        count += 3;
      }
    EXPECT_LE(double(sum) / double(count), 4.0) << GetParam().name << " frame " << i;
    EXPECT_EQ(ReadFrameNumber(got, 4), i);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, YuvLayouts,
                         ::testing::Values(YuvCase{"yuy2", AviPixelFormat::Yuy2}, YuvCase{"uyvy", AviPixelFormat::Uyvy},
                                           YuvCase{"i420", AviPixelFormat::I420}, YuvCase{"yv12", AviPixelFormat::Yv12}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LayoutCase {
  const char* name;
  AviIndexKind index;
  bool rec = false;
  bool audio = false;
  AviIndexSource source;
};
class IndexLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(IndexLayouts, FramesFoundWhereverTheIndexPoints) {
  const LayoutCase& c = GetParam();
  AviWriterOptions o;
  o.idx1 = c.index;
  o.rec_lists = c.rec;
  o.audio = c.audio;
  std::string path = FixturePath(std::string("index_") + c.name + ".avi");
  auto expected = WriteVideo(path, o);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
  ASSERT_NE(avi.Contents(), nullptr);
  EXPECT_EQ(avi.Contents()->index_source, c.source);
  EXPECT_EQ(avi.HasAudio(), c.audio);
  ASSERT_EQ(avi.FrameCount(), kFrames);
  for (int i = kFrames - 1; i >= 0; --i) {
    Bitmap24 got;
    ASSERT_TRUE(avi.GetFrameBitmap(i, got));
    EXPECT_TRUE(got == expected[size_t(i)]) << c.name << " frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, IndexLayouts,
    ::testing::Values(LayoutCase{"idx1_relative", AviIndexKind::Idx1Relative, false, false, AviIndexSource::Idx1Relative},
                      LayoutCase{"idx1_absolute", AviIndexKind::Idx1Absolute, false, false, AviIndexSource::Idx1Absolute},
                      LayoutCase{"no_index", AviIndexKind::None, false, false, AviIndexSource::Scan},
                      LayoutCase{"rec_lists", AviIndexKind::Idx1Relative, true, true, AviIndexSource::Idx1Relative},
                      LayoutCase{"rec_lists_no_index", AviIndexKind::None, true, true, AviIndexSource::Scan},
                      LayoutCase{"audio_absolute", AviIndexKind::Idx1Absolute, false, true, AviIndexSource::Idx1Absolute}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TGKAvi, EmptyChunkRepeatsThePreviousFrame) {
  std::string path = FixturePath("empty_chunks.avi");
  AviWriter w(path, kW, kH);
  Bitmap24 f0 = NumberedFrame(kW, kH, 0, 4), f2 = NumberedFrame(kW, kH, 2, 4);
  w.AddEmptyFrame();  // nothing before it: the first picture
  w.AddFrame(f0);
  w.AddEmptyFrame();
  w.AddEmptyFrame();
  w.AddFrame(f2);
  ASSERT_TRUE(w.Finish());
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path));
  ASSERT_EQ(avi.FrameCount(), 5);
  Bitmap24 got;
  for (int i : {0, 1, 2, 3}) {
    ASSERT_TRUE(avi.GetFrameBitmap(i, got));
    EXPECT_TRUE(got == f0) << i;
  }
  ASSERT_TRUE(avi.GetFrameBitmap(4, got));
  EXPECT_TRUE(got == f2);
  ASSERT_TRUE(avi.GetFrameBitmap(2, got));  // backwards onto a dropped frame
  EXPECT_TRUE(got == f0);
}

TEST(TGKAvi, OpenDmlSegmentsWithStandardIndexes) {
  AviWriterOptions o;
  o.open_dml = true;
  o.segment_bytes = 8000;  // about three frames per RIFF segment
  o.audio = true;
  std::string path = FixturePath("opendml.avi");
  auto expected = WriteVideo(path, o, kW, kH, 20);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
  EXPECT_EQ(avi.Contents()->index_source, AviIndexSource::OpenDmlIndex);
  EXPECT_GE(avi.Contents()->riff_segments, 4);
  ASSERT_EQ(avi.FrameCount(), 20);
  for (int i = 0; i < 20; ++i) {
    Bitmap24 got;
    ASSERT_TRUE(avi.GetFrameBitmap(i, got));
    EXPECT_TRUE(got == expected[size_t(i)]) << i;
  }
  auto probe = ProbeVideo(path);
  ASSERT_TRUE(probe.has_value());
  EXPECT_EQ(probe->frames, 20);
}

TEST(TGKAvi, OpenDmlWithoutSuperIndexScansTheAvixSegments) {
  // Overwrite the 'indx' FourCC: the reader must use idx1 + a scan of AVIX.
  AviWriterOptions o;
  o.open_dml = true;
  o.segment_bytes = 8000;
  std::string path = FixturePath("opendml_noindx.avi");
  auto expected = WriteVideo(path, o, kW, kH, 12);
  {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    std::string head(4096, '\0');
    f.read(head.data(), 4096);
    size_t at = head.find("indx");
    ASSERT_NE(at, std::string::npos);
    f.clear();
    f.seekp(std::streamoff(at));
    f.write("JUNK", 4);
  }
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path));
  EXPECT_EQ(avi.Contents()->index_source, AviIndexSource::Idx1Relative);
  ASSERT_EQ(avi.FrameCount(), 12);
  Bitmap24 got;
  ASSERT_TRUE(avi.GetFrameBitmap(11, got));
  EXPECT_TRUE(got == expected[11]);
}

TEST(TGKAvi, SparseFileBeyondFourGigabytes) {
  AviWriterOptions o;
  o.open_dml = true;
  o.segment_bytes = 100000;
  std::string path = FixturePath("sparse_big.avi");
  std::vector<Bitmap24> expected;
  {
    AviWriter w(path, kW, kH, o);
    for (int i = 0; i < 9; ++i) {
      if (i == 3 || i == 6) w.AddJunk(3'000'000'000ull);
      Bitmap24 f = NumberedFrame(kW, kH, i, 4);
      w.AddFrame(f);
      expected.push_back(f);
    }
    ASSERT_TRUE(w.Finish());
  }
  ASSERT_GT(std::filesystem::file_size(path), 6'000'000'000ull);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
  EXPECT_EQ(avi.Contents()->index_source, AviIndexSource::OpenDmlIndex);
  ASSERT_EQ(avi.FrameCount(), 9);
  EXPECT_GT(avi.Contents()->frames[8].offset, 6'000'000'000ull);
  for (int i = 0; i < 9; ++i) {
    Bitmap24 got;
    ASSERT_TRUE(avi.GetFrameBitmap(i, got));
    EXPECT_TRUE(got == expected[size_t(i)]) << i;
  }
  std::filesystem::remove(path);
}

TEST(TGKAvi, OutOfRangeFramesFailAndLeaveTheBitmap) {
  std::string path = FixturePath("range.avi");
  WriteVideo(path, {}, 8, 8, 3);
  TGKAvi avi;
  Bitmap24 b = NumberedFrame(5, 5, 1, 1);
  const Bitmap24 before = b;
  EXPECT_FALSE(avi.GetFrameBitmap(0, b));  // nothing open
  EXPECT_EQ(avi.FrameCount(), -1);
  ASSERT_TRUE(avi.OpenStreams(path));
  EXPECT_FALSE(avi.GetFrameBitmap(-1, b));
  EXPECT_FALSE(avi.GetFrameBitmap(3, b));
  EXPECT_TRUE(b == before);
  avi.CloseStreams();
  EXPECT_EQ(avi.FrameCount(), -1);
}

struct JumpCase {
  const char* name;
  const char* args;   // ffmpeg output options
  int max_packets;    // packets a jump from frame 1 to frame 64 may decode
};

class CompressedJumps : public ::testing::TestWithParam<JumpCase> {};

// A forward jump decodes from the key frame before the target (or the target
// itself for intra-only streams), not every frame in between, and gives the
// picture a reader decoding every frame gives.
TEST_P(CompressedJumps, StartAtTheLastKeyFrame) {
  const std::string path = FixturePath(std::string("jump_") + GetParam().name + ".avi");
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc2=size=48x32:rate=25 -frames:v 80 " + std::string(GetParam().args) +
                        " '" + path + "'"));
  TGKAvi jumping, stepping;
  ASSERT_TRUE(jumping.OpenStreams(path));
  ASSERT_TRUE(stepping.OpenStreams(path));
  Bitmap24 a, b;
  ASSERT_TRUE(jumping.GetFrameBitmap(1, a));
  const int64_t before = jumping.CodecPacketsSent();
  for (int target : {64, 70, 71}) {
    ASSERT_TRUE(jumping.GetFrameBitmap(target, a)) << target;
    for (int n = 0; n <= target; ++n) {
      ASSERT_TRUE(stepping.GetFrameBitmap(n, b));
    }
    EXPECT_TRUE(a == b) << "frame " << target;
    stepping.CloseStreams();
    ASSERT_TRUE(stepping.OpenStreams(path));
    if (target == 64) {
      EXPECT_LE(jumping.CodecPacketsSent() - before, GetParam().max_packets);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Codecs, CompressedJumps,
                         ::testing::Values(JumpCase{"huffyuv", "-c:v huffyuv", 2}, JumpCase{"mjpeg", "-c:v mjpeg", 2},
                                           JumpCase{"h264_gop10", "-c:v libx264 -g 10 -keyint_min 10 -sc_threshold 0 -bf 2", 12}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RunCase {
  const char* name;
  const char* args;  // ffmpeg output options
};

class CompressedRuns : public ::testing::TestWithParam<RunCase> {};

// A measurement run reads every frame in order: each packet is decoded once,
// also the last frames, which a drained decoder still holds. Each picture is
// the one a reader that starts at the frame's key frame gives.
TEST_P(CompressedRuns, EveryPacketDecodedOnceToTheEnd) {
  constexpr int kRun = 24;
  const std::string path = FixturePath(std::string("run_") + GetParam().name + ".avi");
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc2=size=48x32:rate=25 -frames:v " + std::to_string(kRun) + " " +
                        GetParam().args + " '" + path + "'"));
  TGKAvi run, direct;
  ASSERT_TRUE(run.OpenStreams(path));
  ASSERT_EQ(run.FrameCount(), kRun);
  Bitmap24 a, b;
  for (int pass = 1; pass <= 2; ++pass) {
    for (int n = 0; n < kRun; ++n) {
      ASSERT_TRUE(run.GetFrameBitmap(n, a)) << n << ": " << run.LastError();
      ASSERT_TRUE(direct.OpenStreams(path));
      ASSERT_TRUE(direct.GetFrameBitmap(n, b)) << n;
      EXPECT_TRUE(a == b) << "pass " << pass << " frame " << n;
    }
    EXPECT_EQ(run.CodecPacketsSent(), int64_t(pass) * kRun);
    ASSERT_TRUE(run.GetFrameBitmap(kRun - 1, a));  // the same frame again
    EXPECT_EQ(run.CodecPacketsSent(), int64_t(pass) * kRun);
  }
}

INSTANTIATE_TEST_SUITE_P(Codecs, CompressedRuns,
                         ::testing::Values(RunCase{"h264_bframes", "-c:v libx264 -g 10 -sc_threshold 0 -bf 2"},
                                           RunCase{"h264_no_bframes", "-c:v libx264 -g 10 -bf 0"},
                                           RunCase{"mpeg4_bframes", "-c:v mpeg4 -g 10 -bf 1 -flags +cgop -sc_threshold 1000000000"},
                                           RunCase{"mpeg4_open_gop", "-c:v mpeg4 -g 10 -bf 2"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(AviWriter, FfmpegCliDecodesTheSamePixels) {
  // The ffmpeg command-line tool as an independent reader of the lossless layouts.
  for (AviPixelFormat f : {AviPixelFormat::Bgr24, AviPixelFormat::Bgr24TopDown, AviPixelFormat::Bgr32,
                           AviPixelFormat::Pal8, AviPixelFormat::Y800}) {
    AviWriterOptions o;
    o.format = f;
    std::string path = FixturePath("cli_check.avi"), raw = FixturePath("cli_check.bgr");
    auto expected = WriteVideo(path, o, 36, 12, 3);
    ASSERT_TRUE(RunFfmpeg("-i '" + path + "' -f rawvideo -pix_fmt bgr24 '" + raw + "'"));
    std::ifstream in(raw, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(bytes.size(), size_t(36 * 12 * 3 * 3)) << int(f);
    for (int i = 0; i < 3; ++i) {
      Bitmap24 b(36, 12);
      for (int y = 0; y < 12; ++y)
        std::memcpy(b.Row(y), bytes.data() + (size_t(i) * 12 + size_t(y)) * 36 * 3, 36 * 3);
      EXPECT_TRUE(b == expected[size_t(i)]) << "format " << int(f) << " frame " << i;
    }
  }
}
