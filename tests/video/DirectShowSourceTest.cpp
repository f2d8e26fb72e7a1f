// The FFmpeg-based "DirectShow" source: frame N by the time rule, the same
// pixels as the AVIFile source for lossless files, compressed codecs made by
// the ffmpeg CLI, sequential grabbing without seeks.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "base/NumberText.h"
#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"
#include "video/TGKAvi.h"

namespace {

struct Case {
  const char* name;
  AviPixelFormat format;
};

std::string WriteNumbered(const std::string& name, AviWriterOptions o, int w, int h, int frames) {
  std::string path = FixturePath(name);
  AviWriter wr(path, w, h, o);
  for (int i = 0; i < frames; ++i) wr.AddFrame(NumberedFrame(w, h, i, 8));
  EXPECT_TRUE(wr.Finish());
  return path;
}

class BothSources : public ::testing::TestWithParam<Case> {};

TEST_P(BothSources, GiveIdenticalFrames) {
  AviWriterOptions o;
  o.format = GetParam().format;
  o.rate = 30000, o.scale = 1001;
  const int frames = 8;
  std::string path = WriteNumbered(std::string("both_") + GetParam().name + ".avi", o, 84, 20, frames);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path)) << avi.LastError();
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  long double rate = ds.DSFrameRate();
  ASSERT_EQ(ds.FrameCount(rate), frames);
  for (int i = 0; i < frames; ++i) {
    Bitmap24 a, b;
    ASSERT_TRUE(avi.GetFrameBitmap(i, a));
    std::string status;
    ds.DSGrabFrame(i, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK");
    EXPECT_TRUE(a == b) << GetParam().name << " frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, BothSources,
    ::testing::Values(Case{"bgr24", AviPixelFormat::Bgr24}, Case{"bgr24_top_down", AviPixelFormat::Bgr24TopDown},
                      Case{"bgr32", AviPixelFormat::Bgr32}, Case{"rgb555", AviPixelFormat::Rgb555},
                      Case{"rgb565", AviPixelFormat::Rgb565}, Case{"rgb555_bitfields", AviPixelFormat::Rgb555Fields},
                      Case{"pal8", AviPixelFormat::Pal8}, Case{"grey", AviPixelFormat::Grey},
                      Case{"yv12", AviPixelFormat::Yv12},
                      Case{"pal4", AviPixelFormat::Pal4}, Case{"pal1", AviPixelFormat::Pal1},
                      Case{"y800", AviPixelFormat::Y800}, Case{"yuy2", AviPixelFormat::Yuy2},
                      Case{"uyvy", AviPixelFormat::Uyvy}, Case{"i420", AviPixelFormat::I420}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DirectShowSource, ShortPaletteInAnEightBitFile) {
  AviWriterOptions o;
  o.format = AviPixelFormat::Pal8;
  for (int i = 0; i < 16; ++i) o.palette.push_back({uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i * 5)});
  std::string path = FixturePath("short_palette.avi");
  AviWriter w(path, 84, 20, o);
  Bitmap24 f = NumberedFrame(84, 20, 1, 8);
  w.AddFrame(f);
  ASSERT_TRUE(w.Finish());
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(path));
  Bitmap24 a, b;
  ASSERT_TRUE(avi.GetFrameBitmap(0, a));
  EXPECT_TRUE(a == w.Expected(f));
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(path), "");
  std::string status;
  ds.DSGrabFrame(0, b, status, ds.DSFrameRate(), 1.0L);
  ASSERT_EQ(status, "S_OK");
  EXPECT_TRUE(a == b);
}

// Compressed videos made by the ffmpeg CLI from a numbered uncompressed AVI.
struct CodecCase {
  const char* name;
  const char* encoder;
  const char* args;
  const char* ext;
  bool lossless;
};

const std::string& NumberedSource() {
  static std::string path = [] {
    AviWriterOptions o;
    o.rate = 30000, o.scale = 1001;
    return WriteNumbered("codec_source.avi", o, 192, 64, 60);
  }();
  return path;
}

class Codecs : public ::testing::TestWithParam<CodecCase> {};

TEST_P(Codecs, EveryFrameByNumberSequentialAndRandom) {
  const CodecCase& c = GetParam();
  ASSERT_TRUE(FfmpegHasEncoder(c.encoder)) << c.encoder;
  std::string out = FixturePath(std::string("codec_") + c.name + c.ext);
  ASSERT_TRUE(RunFfmpeg("-i '" + NumberedSource() + "' " + c.args + " '" + out + "'")) << c.name;
  auto probe = ProbeVideo(out);
  ASSERT_TRUE(probe.has_value());
  EXPECT_EQ(probe->frames, 60);
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(out), "") << c.name;
  long double rate = ds.DSFrameRate();
  ASSERT_EQ(ds.FrameCount(rate), 60) << c.name;
  TGKAvi src;
  ASSERT_TRUE(src.OpenStreams(NumberedSource()));
  std::vector<Bitmap24> seq(60);
  for (int i = 0; i < 60; ++i) {
    std::string status;
    ds.DSGrabFrame(i, seq[size_t(i)], status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK");
    EXPECT_EQ(ReadFrameNumber(seq[size_t(i)], 8), i) << c.name;
    if (c.lossless) {
      Bitmap24 want;
      ASSERT_TRUE(src.GetFrameBitmap(i, want));
      EXPECT_TRUE(seq[size_t(i)] == want) << c.name << " frame " << i;
    }
  }
  std::mt19937 rng(7);
  for (int k = 0; k < 25; ++k) {
    int i = int(rng() % 60);
    Bitmap24 b;
    std::string status;
    ds.DSGrabFrame(i, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK");
    EXPECT_TRUE(b == seq[size_t(i)]) << c.name << " random frame " << i;
  }
  if (std::string(c.ext) == ".avi") {
    // The AVIFile source decodes the same codec through libavcodec.
    TGKAvi avi;
    ASSERT_TRUE(avi.OpenStreams(out)) << avi.LastError();
    ASSERT_EQ(avi.FrameCount(), 60);
    for (int i : {0, 1, 2, 30, 31, 59, 10, 45}) {
      Bitmap24 b;
      ASSERT_TRUE(avi.GetFrameBitmap(i, b)) << c.name << " " << avi.LastError();
      EXPECT_EQ(ReadFrameNumber(b, 8), i) << c.name;
      if (c.lossless) {
        EXPECT_TRUE(b == seq[size_t(i)]) << c.name << " frame " << i;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Ffmpeg, Codecs,
    ::testing::Values(CodecCase{"rawvideo", "rawvideo", "-c:v rawvideo -pix_fmt bgr24", ".avi", true},
                      CodecCase{"ffv1", "ffv1", "-c:v ffv1", ".avi", true},
                      CodecCase{"ffv1_mkv", "ffv1", "-c:v ffv1", ".mkv", true},
                      CodecCase{"mjpeg", "mjpeg", "-c:v mjpeg -q:v 3", ".avi", false},
                      CodecCase{"mpeg4", "mpeg4", "-c:v mpeg4 -q:v 3 -g 12", ".avi", false},
                      CodecCase{"h264_bframes_mp4", "libx264", "-c:v libx264 -preset ultrafast -crf 18 -bf 3 -g 15 -x264-params b-adapt=0", ".mp4", false},
                      CodecCase{"h264_bframes_mkv_offset", "libx264",
                                "-c:v libx264 -preset ultrafast -crf 18 -bf 2 -g 20 -output_ts_offset 1.5", ".mkv", false},
                      CodecCase{"h264_avi", "libx264", "-c:v libx264 -preset ultrafast -crf 18 -bf 0 -g 10", ".avi", false},
                      CodecCase{"mpeg4_bframes_nut", "mpeg4", "-c:v mpeg4 -q:v 3 -bf 2 -g 12", ".nut", false},
                      CodecCase{"h264_avi_bframes", "libx264", "-c:v libx264 -preset ultrafast -crf 18 -bf 2 -g 12 -x264-params b-adapt=0", ".avi", false},
                      CodecCase{"ffv1_rgb_pal", "ffv1", "-pix_fmt bgr0 -c:v ffv1 -level 3 -g 1", ".avi", true}),
    [](const auto& info) { return std::string(info.param.name); });

// An AVI with a second, larger video stream after the first: both readers
// read the first one, every frame as ffmpeg decodes that stream.
TEST(DirectShowSource, AviWithTwoVideoStreamsReadsTheFirstLikeTheAviReader) {
  const std::string out = FixturePath("two_video_streams.avi");
  ASSERT_TRUE(RunFfmpeg("-i '" + NumberedSource() + "' -f lavfi -i testsrc2=size=320x240:rate=30000/1001 -map 0:v -map 1:v "
                        "-frames:v 60 -c:v ffv1 '" + out + "'"));
  ASSERT_EQ(ProbeStreamCount(out, "v"), 2);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(out)) << avi.LastError();
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(out), "");
  EXPECT_EQ(ds.DSVideoWidth(), 192);
  EXPECT_EQ(ds.DSVideoHeight(), 64);
  const long double rate = ds.DSFrameRate();
  ASSERT_EQ(ds.FrameCount(rate), 60);
  TGKAvi source;
  ASSERT_TRUE(source.OpenStreams(NumberedSource()));
  for (int i : {0, 1, 30, 59, 7}) {
    Bitmap24 a, b, want;
    std::string status;
    ds.DSGrabFrame(i, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK") << i;
    ASSERT_TRUE(avi.GetFrameBitmap(i, a)) << avi.LastError();
    ASSERT_TRUE(source.GetFrameBitmap(i, want));
    EXPECT_TRUE(b == want) << "frame " << i;
    EXPECT_TRUE(a == want) << "frame " << i;
  }
}

class IntraOnlyJumps : public ::testing::TestWithParam<CodecCase> {};

// A jump in an intra-only video decodes the one picture it shows: no picture
// after it, no pictures held back by frame threads.
TEST_P(IntraOnlyJumps, DecodeOnePicturePerJump) {
  const CodecCase& c = GetParam();
  std::string out = FixturePath(std::string("jumps_") + c.name + c.ext);
  ASSERT_TRUE(RunFfmpeg("-i '" + NumberedSource() + "' " + c.args + " '" + out + "'")) << c.name;
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(out), "");
  const long double rate = ds.DSFrameRate();
  TGKAvi reference;
  ASSERT_TRUE(reference.OpenStreams(out));
  for (int i : {55, 3, 40, 20, 59, 0, 30}) {
    const int64_t decoded = ds.Source().DecodedCount(), sent = ds.Source().SentCount();
    const int seeks = ds.Source().SeekCount();
    Bitmap24 b, want;
    std::string status;
    ds.DSGrabFrame(i, b, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK") << i;
    EXPECT_EQ(ReadFrameNumber(b, 8), i);
    ASSERT_TRUE(reference.GetFrameBitmap(i, want));
    EXPECT_TRUE(b == want) << "frame " << i;
    if (ds.Source().SeekCount() > seeks) {
      EXPECT_EQ(ds.Source().DecodedCount() - decoded, 1) << "frame " << i;
      EXPECT_EQ(ds.Source().SentCount() - sent, 1) << "frame " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, IntraOnlyJumps,
                         ::testing::Values(CodecCase{"huffyuv", "huffyuv", "-c:v huffyuv", ".avi", true},
                                           CodecCase{"mjpeg", "mjpeg", "-c:v mjpeg -q:v 3", ".avi", false},
                                           CodecCase{"rawvideo", "rawvideo", "-c:v rawvideo -pix_fmt bgr24", ".avi", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Frame i grabbed, carrying its number and equal to `want`.
void ExpectGrab(DirectShowSource& ds, long double rate, int i, const Bitmap24& want, const std::string& what) {
  Bitmap24 b;
  std::string status;
  ds.DSGrabFrame(i, b, status, rate, 1.0L);
  ASSERT_EQ(status, "S_OK") << i;
  EXPECT_EQ(ReadFrameNumber(b, 8), i);
  EXPECT_TRUE(b == want) << what << " frame " << i;
}

class LongGopSteps : public ::testing::TestWithParam<CodecCase> {};

// Steps of one frame and one second, back and forth, after a jump into a
// long-GOP video: each group of pictures is decoded once, and every picture
// is the one a sequential read gives.
TEST_P(LongGopSteps, DecodeEachGroupOnce) {
  const CodecCase& c = GetParam();
  ASSERT_TRUE(FfmpegHasEncoder(c.encoder)) << c.encoder;
  std::string out = FixturePath(std::string("steps_") + c.name + c.ext);
  ASSERT_TRUE(RunFfmpeg("-i '" + NumberedSource() + "' " + c.args + " '" + out + "'")) << c.name;
  std::vector<Bitmap24> seq(60);
  {
    DirectShowSource ds;
    ASSERT_EQ(ds.DSOpenVideo(out), "");
    for (int i = 0; i < 60; ++i) {
      std::string status;
      ds.DSGrabFrame(i, seq[size_t(i)], status, ds.DSFrameRate(), 1.0L);
      ASSERT_EQ(status, "S_OK") << i;
    }
  }
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(out), "");
  const long double rate = ds.DSFrameRate();
  EXPECT_GE(ds.Source().CacheLimit(), 32u);
  auto grab = [&](int i) { ExpectGrab(ds, rate, i, seq[size_t(i)], c.name); };
  // Into the second group (key frame 30), then one frame back at a time to its key frame.
  grab(50);
  const int64_t after_jump = ds.Source().DecodedCount();
  const int seeks = ds.Source().SeekCount();
  for (int i = 49; i >= 30; --i) grab(i);
  for (int i : {31, 32, 31, 40, 50, 30, 45}) grab(i);  // +-1 frame, +-1 s within what was decoded
  EXPECT_EQ(ds.Source().DecodedCount(), after_jump);
  EXPECT_EQ(ds.Source().SeekCount(), seeks);
  grab(51);  // one step past them decodes one picture
  EXPECT_EQ(ds.Source().DecodedCount(), after_jump + 1);
  EXPECT_EQ(ds.Source().SeekCount(), seeks);
  // Back into the first group: it is decoded once, then stepping over both groups decodes nothing.
  grab(29);
  const int64_t both = ds.Source().DecodedCount();
  EXPECT_LE(both - after_jump, 1 + 31);
  for (int i = 28; i >= 0; --i) grab(i);
  for (int i : {0, 30, 1, 31, 2, 32, 29, 30, 29, 50, 20}) grab(i);
  EXPECT_EQ(ds.Source().DecodedCount(), both);
  // The rest of the video reads forward as before.
  for (int i = 51; i < 60; ++i) grab(i);
}

INSTANTIATE_TEST_SUITE_P(
    Ffmpeg, LongGopSteps,
    ::testing::Values(CodecCase{"h264_mp4", "libx264", "-c:v libx264 -preset ultrafast -crf 18 -bf 2 -g 30 -keyint_min 30 -sc_threshold 0 -x264-params b-adapt=0", ".mp4", false},
                      CodecCase{"h264_avi", "libx264", "-c:v libx264 -preset ultrafast -crf 18 -bf 0 -g 30 -keyint_min 30 -sc_threshold 0", ".avi", false},
                      CodecCase{"mpeg4_avi", "mpeg4", "-c:v mpeg4 -q:v 3 -g 30", ".avi", false}),
    [](const auto& info) { return std::string(info.param.name); });

class QuickTimePalette : public ::testing::TestWithParam<CodecCase> {};

// A QuickTime palette video carries its colours with its first packet only:
// every frame, read in order or reached by a jump, has the colours the
// ffmpeg tool decodes, never black.
TEST_P(QuickTimePalette, EveryFrameInItsColoursAfterJumps) {
  const CodecCase& c = GetParam();
  ASSERT_TRUE(FfmpegHasEncoder(c.encoder)) << c.encoder;
  const std::string out = FixturePath(std::string("palette_") + c.name + c.ext);
  ASSERT_TRUE(RunFfmpeg("-i '" + NumberedSource() + "' " + c.args + " '" + out + "'")) << c.name;
  const std::vector<Bitmap24> want = FfmpegBgr24Frames(out, 192, 64);
  ASSERT_EQ(want.size(), 60u);
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(out), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_EQ(ds.FrameCount(rate), 60);
  auto grab = [&](int i) { ExpectGrab(ds, rate, i, want[size_t(i)], c.name); };
  for (int i = 0; i < 60; ++i) grab(i);
  for (int i : {59, 0, 30, 29, 45, 1, 58}) grab(i);
}

INSTANTIATE_TEST_SUITE_P(
    Ffmpeg, QuickTimePalette,
    ::testing::Values(CodecCase{"grey_raw", "rawvideo", "-c:v rawvideo -pix_fmt gray", ".mov", true},
                      CodecCase{"pal8_raw", "rawvideo", "-c:v rawvideo -pix_fmt pal8", ".mov", true},
                      CodecCase{"grey_qtrle", "qtrle", "-c:v qtrle -pix_fmt gray -g 12", ".mov", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
