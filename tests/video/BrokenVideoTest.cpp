// Videos as they come from the field: a header that claims more frames than
// the file holds, a capture that crashed before its sizes were written, a
// first frame that does not decode, a capture log that changes the rate, and
// a YV12 stream named only by its handler.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

extern "C" {
#include <libavutil/log.h>
}

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DibFormat.h"
#include "video/DirectShowSource.h"
#include "video/TGKAvi.h"
#include "video/VideoOpening.h"

namespace {

constexpr int kW = 96, kH = 24, kBlock = 8;

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

size_t Find(const std::vector<uint8_t>& b, const char* id) {
  for (size_t i = 0; i + 4 <= b.size(); ++i)
    if (std::memcmp(&b[i], id, 4) == 0) return i;
  ADD_FAILURE() << id << " not found";
  return 0;
}

std::string NumberedAvi(const std::string& name, int frames, uint32_t rate, AviIndexKind index) {
  const std::string path = FixturePath(name);
  AviWriterOptions o;
  o.rate = rate;
  o.idx1 = index;
  AviWriter w(path, kW, kH, o);
  for (int n = 0; n < frames; ++n) w.AddFrame(NumberedFrame(kW, kH, n, kBlock));
  EXPECT_TRUE(w.Finish());
  return path;
}

// The header's two frame counts (avih dwTotalFrames, strh dwLength) set to `claimed`.
std::string ClaimFrames(const std::string& src, const std::string& name, uint32_t claimed) {
  std::vector<uint8_t> b = Bytes(src);
  Put32(b, Find(b, "avih") + 8 + 16, claimed);
  Put32(b, Find(b, "strh") + 8 + 32, claimed);
  const std::string path = FixturePath(name);
  Save(path, b);
  return path;
}

TEST(BrokenVideo, HeaderClaimingMoreFramesThanIndexedGivesOnlyTheFramesHeld) {
  const std::string src = NumberedAvi("held10.avi", 10, 25, AviIndexKind::Idx1Relative);
  struct Case {
    const char* name;
    uint32_t claimed;
  };
  for (const Case c : {Case{"claims20.avi", 20}, Case{"claimsmax.avi", 0x7FFFFFFFu}}) {
    SCOPED_TRACE(c.name);
    const std::string path = ClaimFrames(src, c.name, c.claimed);
    DirectShowSource ds;
    ASSERT_EQ(ds.DSOpenVideo(path), "");
    const long double rate = ds.DSFrameRate();
    EXPECT_EQ(ds.FrameCount(rate), 10);
    Bitmap24 bmp;
    std::string status;
    ds.DSGrabFrame(9, bmp, status, rate, 1.0L);
    ASSERT_EQ(status, "S_OK");
    EXPECT_EQ(ReadFrameNumber(bmp, kBlock), 9);
    for (int n : {10, 11, 15}) {
      Bitmap24 untouched;
      status.clear();
      ds.DSGrabFrame(n, untouched, status, rate, 1.0L);
      EXPECT_NE(status, "S_OK") << "frame " << n;
      EXPECT_TRUE(untouched.Empty()) << "frame " << n;
    }
    // The window's frame range follows the same count.
    VideoState st;
    VideoSources sources;
    st.UseDirectShow = 1;
    BeginOpenVideoFile(st, path);
    ASSERT_TRUE(OpenVideoStream(st, sources, {}).Ok);
    FinishOpenVideoFile(st, sources, 1);
    EXPECT_EQ(st.LastFrameIndex, 9);
  }
}

TEST(BrokenVideo, CaptureLogRateStillReachesTheLastFrames) {
  const std::string path = NumberedAvi("rate30.avi", 300, 30, AviIndexKind::Idx1Relative);
  VideoState st;
  VideoSources sources;
  st.UseDirectShow = 1;
  BeginOpenVideoFile(st, path);
  ASSERT_TRUE(OpenVideoStream(st, sources, {}).Ok);
  // An applied log: the stated rate changes, the factor keeps the file's frame times.
  st.VideoFrameRate = 29.5L;
  st.FrameRateFactor = 30.0L / 29.5L;
  for (int n : {0, 150, 295, 297, 299}) {
    Bitmap24 bmp;
    std::string status;
    EXPECT_TRUE(GrabVideoFrame(st, sources, n, bmp, status)) << "frame " << n << ": " << status;
    EXPECT_EQ(ReadFrameNumber(bmp, kBlock), n);
  }
  Bitmap24 bmp;
  std::string status;
  EXPECT_FALSE(GrabVideoFrame(st, sources, 300, bmp, status));
}

// A capture that crashed: the 'movi' list's size (and the RIFF size) never written.
TEST(BrokenVideo, CrashedCaptureWithUnwrittenListSizesOpensWithAllFrames) {
  const std::string src = NumberedAvi("crash_src.avi", 12, 25, AviIndexKind::None);
  const std::vector<uint8_t> good = Bytes(src);
  for (uint32_t movi_size : {0u, 1u, 2u, 3u}) {
    for (bool riff_unwritten : {false, true}) {
      SCOPED_TRACE("movi size " + std::to_string(movi_size) + (riff_unwritten ? ", RIFF size 0" : ""));
      std::vector<uint8_t> b = good;
      Put32(b, Find(b, "movi") - 4, movi_size);
      if (riff_unwritten) Put32(b, 4, 0);
      TGKAvi avi;
      ASSERT_TRUE(avi.OpenBytes(std::make_unique<OwnedMemoryByteSource>(b))) << avi.LastError();
      ASSERT_EQ(avi.FrameCount(), 12);
      for (int n : {0, 5, 11}) {
        Bitmap24 bmp;
        ASSERT_TRUE(avi.GetFrameBitmap(n, bmp)) << avi.LastError();
        EXPECT_EQ(bmp, NumberedFrame(kW, kH, n, kBlock));
      }
    }
  }
}

// A first frame that does not decode refuses the open, with the reader's reason.
TEST(BrokenVideo, OpenIsRefusedWhenTheFirstFrameDoesNotDecode) {
  const std::string src = NumberedAvi("bad_src.avi", 4, 25, AviIndexKind::Idx1Relative);
  struct Case {
    const char* name;
    int use_direct_show;
    void (*spoil)(std::vector<uint8_t>&);
    const char* reason;  // a part of the message
  };
  const auto bit_count_7 = [](std::vector<uint8_t>& b) { b[Find(b, "strf") + 8 + 14] = 7; };
  const auto huge_width = [](std::vector<uint8_t>& b) { Put32(b, Find(b, "strf") + 8 + 4, 40000); };
  const auto cut_first_frame = [](std::vector<uint8_t>& b) {
    const size_t chunk = Find(b, "00db");
    Put32(b, Find(b, "idx1") + 8 + 12, 16);  // the index says the frame is 16 bytes
    Put32(b, chunk + 4, 16);
  };
  // Raw pictures labelled as Motion JPEG: the decoder never gives a picture.
  const auto not_h264 = [](std::vector<uint8_t>& b) {
    std::memcpy(&b[Find(b, "strh") + 8 + 4], "MJPG", 4);
    std::memcpy(&b[Find(b, "strf") + 8 + 16], "MJPG", 4);
  };
  const Case cases[] = {
      {"bits7.avi", 0, bit_count_7, "Unsupported bit count 7."},
      {"wide.avi", 0, huge_width, "The frame size is out of range."},
      {"short0_own.avi", 0, cut_first_frame, "The frame is shorter than its format."},
      {"undecodable_ffmpeg.avi", 1, not_h264, "Could not open .AVI file.\r\nundecodable_ffmpeg.avi\r\nThe frame"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> b = Bytes(src);
    c.spoil(b);
    const std::string path = FixturePath(c.name);
    Save(path, b);
    VideoState st;
    VideoSources sources;
    st.UseDirectShow = uint8_t(c.use_direct_show);
    BeginOpenVideoFile(st, path);
    const OpenStreamResult r = OpenVideoStream(st, sources, {});
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.ErrorMessage.find(c.reason), std::string::npos) << r.ErrorMessage;
    EXPECT_EQ(st.FrameSourceOpen, 0);
    EXPECT_EQ(st.VideoAccessKind, uint8_t(VideoAccess::None));
  }
}

TEST(BrokenVideo, FfmpegMessagesStayAtErrorLevelAndRepeatOnce) {
  VideoState st;
  VideoSources sources;
  st.UseDirectShow = 1;
  BeginOpenVideoFile(st, NumberedAvi("log.avi", 2, 25, AviIndexKind::Idx1Relative));
  ASSERT_TRUE(OpenVideoStream(st, sources, {}).Ok);
  EXPECT_EQ(av_log_get_level(), AV_LOG_ERROR);
  EXPECT_TRUE(av_log_get_flags() & AV_LOG_SKIP_REPEATED);
}

// YV12 stores V before U. BT.601 limited range: Y 81, U 90, V 240 is pure red
// (R = 1.164 x 65 + 1.596 x 112 = 254.4, G and B below 0.5).
TEST(BrokenVideo, Yv12NamedByTheHandlerKeepsItsChromaOrder) {
  auto fourcc = [](const char* s) { return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 | uint32_t(uint8_t(s[3])) << 24; };
  struct Case {
    const char* name;
    uint32_t compression, handler;
    uint8_t first_chroma, second_chroma;  // the plane after Y, then the last
  };
  const Case cases[] = {
      {"YV12 in biCompression", fourcc("YV12"), 0, 240, 90},
      {"YV12 by the handler only", 0, fourcc("YV12"), 240, 90},
      {"I420 by the handler only", 0, fourcc("I420"), 90, 240},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> strf(40, 0);
    Put32(strf, 0, 40);
    Put32(strf, 4, 2);
    Put32(strf, 8, 2);
    strf[12] = 1;
    strf[14] = 12;
    Put32(strf, 16, c.compression);
    DibFormat f;
    std::string error;
    ASSERT_TRUE(ParseDibFormat(strf, c.handler, f, error)) << error;
    const uint8_t frame[6] = {81, 81, 81, 81, c.first_chroma, c.second_chroma};
    SwscaleToBgr scaler;
    Bitmap24 out;
    ASSERT_TRUE(DecodeDibFrame(f, frame, sizeof frame, scaler, out));
    const Bgr p = out.Get(1, 1);
    EXPECT_GE(p.r, 250);
    EXPECT_LE(p.g, 4);
    EXPECT_LE(p.b, 4);
  }
}

}  // namespace

namespace {

// A Matroska file whose index (its Cues) points a few bytes beside each
// cluster, as a damaged copy or a careless editor leaves it: a jump that the
// index sends astray is no reason to show another frame's picture. Every
// frame, reached in any order, shows its own picture or fails.
TEST(BrokenVideo, MatroskaIndexPointingBesideItsClustersNeverShowsAnotherFrame) {
  constexpr int kFrames = 30;
  const std::string source = NumberedAvi("cues_source.avi", kFrames, 25, AviIndexKind::Idx1Relative);
  const std::string good = FixturePath("cues_good.mkv");
  ASSERT_TRUE(RunFfmpeg("-i '" + source + "' -c:v libx264 -preset ultrafast -crf 12 -bf 3 -g 6 -cluster_time_limit 200 '" +
                        good + "'"));
  std::vector<uint8_t> b = Bytes(good);
  const uint8_t cues_id[] = {0x1C, 0x53, 0xBB, 0x6B};
  const auto cues = std::find_end(b.begin(), b.end(), std::begin(cues_id), std::end(cues_id));
  ASSERT_NE(cues, b.end());
  // CueTrack 1 followed by its CueClusterPosition: the position moved on by 37 bytes.
  int moved = 0;
  for (size_t i = size_t(cues - b.begin()); i + 6 < b.size(); ++i) {
    if (b[i] != 0xF7 || b[i + 1] != 0x81 || b[i + 2] != 0x01 || b[i + 3] != 0xF1) continue;
    const size_t length = b[i + 4] & 0x0F;
    if ((b[i + 4] & 0xF0) != 0x80 || length == 0 || length > 4 || i + 5 + length > b.size()) continue;
    uint32_t v = 0;
    for (size_t k = 0; k < length; ++k) v = v << 8 | b[i + 5 + k];
    v += 37;
    for (size_t k = length; k-- > 0; v >>= 8) b[i + 5 + k] = uint8_t(v);
    ++moved;
  }
  ASSERT_GE(moved, 3);
  const std::string lying = FixturePath("cues_lying.mkv");
  Save(lying, b);
  DirectShowSource ds;
  ASSERT_EQ(ds.DSOpenVideo(lying), "");
  const long double rate = ds.DSFrameRate();
  ASSERT_EQ(ds.FrameCount(rate), kFrames);
  int shown = 0;
  for (int n : {0, 29, 15, 3, 20, 7, 28, 1, 14, 2, 0, 5, 29, 12, 6}) {
    Bitmap24 frame;
    std::string status;
    ds.DSGrabFrame(n, frame, status, rate, 1.0L);
    if (status != "S_OK") continue;
    ++shown;
    EXPECT_EQ(ReadFrameNumber(frame, kBlock), n) << "frame " << n;
  }
  EXPECT_GE(shown, 12);
}

}  // namespace
