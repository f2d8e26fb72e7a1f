// Capture-log parsing and frame times.
#include <gtest/gtest.h>

#include <random>

#include "support/TemporaryFolder.h"
#include "video/CaptureLog.h"

namespace {

constexpr const char* kLog =
    "[Camera]\r\n"
    "StartCapture=2026-12-06 23:59:59.9000000\r\n"
    "EndCapture=2026-12-07 00:00:33.2333333\r\n"
    "ActualFrameRate=30.000000 fps\r\n"
    "FrameCount=1000\r\n";

}  // namespace

TEST(CaptureLog, ParsesAndTimesFramesAtTheEndOfTheirExposure) {
  CaptureLogState st;
  ApplyCaptureLogText(kLog, st);
  ASSERT_TRUE(st.Loaded());
  EXPECT_EQ(st.CaptureLogStartTime, 863999000000LL);
  EXPECT_EQ(st.CaptureLogYear, 2026);
  EXPECT_EQ(st.CaptureLogMonth, 12);
  EXPECT_EQ(st.CaptureLogDay, 6);
  EXPECT_EQ(st.CaptureLogFrameRate, 30);
  EXPECT_EQ(st.CaptureLogLastFrame, 999);
  EXPECT_EQ(st.savedEdits[5], "59.9000000");
  EXPECT_EQ(st.savedEdits[6], "2026");
  EXPECT_EQ(st.savedEdits[12], "30.000000");
  EXPECT_EQ(st.savedEdits[13], "33.333333");
  EXPECT_EQ(st.savedEdits[15], "863999000000");
  // Frame 2 ends at 864000000000: 24 h, 0 min, rest 0 (the date stays).
  CaptureLogFrameTime t = FrameTimeFromCaptureLog(st, 2);
  EXPECT_EQ(t.Hours, 24);
  EXPECT_EQ(t.Minutes, 0);
  EXPECT_EQ(t.RestOfMinute, 0);
  EXPECT_EQ(t.Day, 6);
  // Frame 0 is one interval after the start.
  t = FrameTimeFromCaptureLog(st, 0);
  EXPECT_EQ(t.Hours, 23);
  EXPECT_EQ(t.Minutes, 59);
  EXPECT_EQ(t.RestOfMinute, 599000000 + 333333);
}

TEST(CaptureLog, LineEndsAndShiftedLines) {
  struct Row {
    const char* name;
    std::string text;
  };
  const Row rows[] = {
      {"LF", "StartCapture=2026-12-06 23:59:59.9000000\nActualFrameRate=30.000000 fps\nFrameCount=1000\n"},
      {"CR", "StartCapture=2026-12-06 23:59:59.9000000\rActualFrameRate=30.000000 fps\rFrameCount=1000"},
      {"prefix", "  log: StartCapture=2026-12-06 23:59:59.9000000\r\nx ActualFrameRate=30.000000fps\r\n"
                 "\tFrameCount= 1000 \r\n"},
      {"short seconds", "StartCapture=2026-12-06 23:59:59.9\r\nActualFrameRate=30 fps\r\nFrameCount=1000\r\n"},
  };
  for (const Row& r : rows) {
    CaptureLogState st;
    ApplyCaptureLogText(r.text, st);
    EXPECT_EQ(st.CaptureLogStartTime, 863999000000LL) << r.name;
    EXPECT_EQ(st.CaptureLogFrameRate, 30) << r.name;
    EXPECT_EQ(st.CaptureLogLastFrame, 999) << r.name;
  }
}

TEST(CaptureLog, Malformed) {
  CaptureLogState st;
  ApplyCaptureLogText("StartCapture=2026-12-06 01:02:03.0\nActualFrameRate=0 fps\nFrameCount=abc\n", st);
  EXPECT_EQ(st.CaptureLogFrameRate, 1);
  EXPECT_EQ(st.CaptureLogFrameInterval, 1);
  EXPECT_EQ(st.CaptureLogLastFrame, -1);
  EXPECT_EQ(st.CaptureLogStartTime, (3 + 2 * 60 + 3600) * 10000000LL);

  // A start on the stroke of midnight times the frames; a rate without a start does not.
  CaptureLogState midnight;
  ApplyCaptureLogText("StartCapture=2026-12-07 00:00:00.0000000\nActualFrameRate=25 fps\n", midnight);
  EXPECT_TRUE(midnight.Loaded());
  EXPECT_EQ(FrameTimeFromCaptureLog(midnight, 0).RestOfMinute, 400000);
  CaptureLogState noStart;
  ApplyCaptureLogText("ActualFrameRate=25 fps\nStartCapture=2026-12-07 00:00:01.0000000\n", noStart);
  EXPECT_FALSE(noStart.Loaded());

  CaptureLogState noRate;
  ApplyCaptureLogText("StartCapture=2026-12-06 01:02:03.0\nFrameCount=10\n", noRate);
  EXPECT_FALSE(noRate.Loaded());
  EXPECT_EQ(noRate.CaptureLogYear, 2026);

  for (const char* text : {"StartCapture=", "StartCapture=20", "StartCapture=abcd-ef-gh ij:kl:mn.opq\nActualFrameRate=x fps",
                           "ActualFrameRate=-5 fps", "ActualFrameRate=1e999 fps", "ActualFrameRate=1e-300 fps",
                           "StartCapture=2026-12-06 23:59:1e300\nActualFrameRate=30 fps", "FrameCount=99999999999",
                           "fps ActualFrameRate=30", "", "\r\n\r\n", "\0\0\0"}) {
    CaptureLogState s;
    ApplyCaptureLogText(text, s);
    EXPECT_TRUE(s.CaptureLogFrameRate == 0 || s.CaptureLogFrameRate == 1 || s.CaptureLogFrameRate == 30) << text;
    FrameTimeFromCaptureLog(s, 2147483647);
    FrameTimeFromCaptureLog(s, -2147483647 - 1);
  }
  // Random bytes never fault.
  std::mt19937 rng(5);
  for (int i = 0; i < 200; ++i) {
    std::string text(rng() % 200, '\0');
    for (char& c : text) c = static_cast<char>(rng());
    if (i % 2) text = "StartCapture=" + text + "\nActualFrameRate=" + text + "fps\n";
    CaptureLogState s;
    ApplyCaptureLogText(text, s);
    FrameTimeFromCaptureLog(s, 1000);
  }
}

namespace {

// ASCII text as UTF-16 code units with a byte-order mark.
std::string Utf16(const std::string& ascii, bool little_endian) {
  std::string out = little_endian ? "\xFF\xFE" : "\xFE\xFF";
  for (char c : ascii) {
    out += little_endian ? c : '\0';
    out += little_endian ? '\0' : c;
  }
  return out;
}

}  // namespace

// A log saved again by a Windows editor: with a UTF-8 byte-order mark, or as
// "Unicode" (UTF-16 either way round). Each loads with the same values, and
// the text for the window is the log's own lines.
TEST(CaptureLog, ByteOrderMarksAndUtf16Files) {
  const TemporaryFolder dir;
  const std::string log = "StartCapture=2026-12-06 23:59:59.9000000\r\nActualFrameRate=30.000000 fps\r\nFrameCount=1000\r\n";
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"UTF-8", log},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + log},
      {"UTF-16 LE", Utf16(log, true)},
      {"UTF-16 BE", Utf16(log, false)},
      // Left so by a crash while the file was written.
      {"UTF-8 ending in zero bytes", log + std::string(512, '\0')},
      {"UTF-16 LE ending in zero bytes", Utf16(log, true) + std::string(512, '\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CaptureLogState st;
    std::string error, text;
    ASSERT_TRUE(LoadCaptureLogFile(dir.Write("log.txt", c.bytes), st, &error, &text)) << error;
    EXPECT_EQ(st.CaptureLogStartTime, 863999000000LL);
    EXPECT_EQ(st.CaptureLogYear, 2026);
    EXPECT_EQ(st.CaptureLogFrameRate, 30);
    EXPECT_EQ(st.CaptureLogLastFrame, 999);
    EXPECT_EQ(text, log);
  }
  // Zero bytes inside the text: no text file, told so; nothing is taken.
  CaptureLogState st;
  std::string error;
  EXPECT_FALSE(LoadCaptureLogFile(dir.Write("bin.txt", log.substr(0, 20) + '\0' + log.substr(20)), st, &error));
  EXPECT_EQ(error, "\"" + dir.File("bin.txt") + "\" is not a capture log (it is no text file).");
  EXPECT_FALSE(st.Loaded());
  EXPECT_EQ(st.CaptureLogFrameRate, 0);
}

// A camera slower than its nominal 25 frames per second: the end of each
// frame's exposure worked out with exact fractions in Python, across a
// minute and a day onwards (the date stays, the hours run on).
TEST(CaptureLog, FrameTimesOfAnUnevenRateAgainstExactFractions) {
  CaptureLogState st;
  ApplyCaptureLogText("StartCapture=2026-12-06 21:14:03.5000000\r\nActualFrameRate=24.990000 fps\r\n", st);
  ASSERT_TRUE(st.Loaded());
  const struct {
    int32_t n, hours, minutes;
    int64_t rest;
  } rows[] = {{0, 21, 14, 35400160},    {1, 21, 14, 35800320},    {999, 21, 14, 435160064},
              {1498, 21, 15, 34839936}, {1499, 21, 15, 35240096}, {2160000, 45, 14, 381138455}};
  for (const auto& r : rows) {
    const CaptureLogFrameTime t = FrameTimeFromCaptureLog(st, r.n);
    EXPECT_EQ(t.Hours, r.hours) << r.n;
    EXPECT_EQ(t.Minutes, r.minutes) << r.n;
    EXPECT_EQ(t.RestOfMinute, r.rest) << r.n;
    EXPECT_EQ(t.Day, 6) << r.n;
  }
}

// The log's frame count against the video's: told only when both are known and differ.
TEST(CaptureLog, CountMismatchWithTheVideo) {
  const char* const counted = "StartCapture=2026-12-06 01:02:03.0\nActualFrameRate=25 fps\nFrameCount=5\n";
  const struct {
    const char* log;
    int32_t videoFrames;
    bool told;
  } cases[] = {
      {counted, 5, false},
      {counted, 4, true},
      {counted, 6, true},
      {counted, 0, false},  // no video open
      {"StartCapture=2026-12-06 01:02:03.0\nActualFrameRate=25 fps\n", 9, false},
      {"StartCapture=2026-12-06 01:02:03.0\nActualFrameRate=25 fps\nFrameCount=0\n", 9, false},
      {"StartCapture=2026-12-06 01:02:03.0\nFrameCount=5\n", 9, false},  // times no frame
  };
  for (const auto& c : cases) {
    CaptureLogState st;
    ApplyCaptureLogText(c.log, st);
    EXPECT_EQ(!CaptureLogCountMismatch(st, c.videoFrames).empty(), c.told) << c.log << c.videoFrames;
  }
  CaptureLogState st;
  ApplyCaptureLogText(counted, st);
  EXPECT_EQ(CaptureLogCountMismatch(st, 6),
            "The capture log counts 5 frames, the video 6. The log may belong to another video: the frame times taken "
            "from it would then be wrong.");
  ResetCaptureLog(st);
  EXPECT_TRUE(CaptureLogCountMismatch(st, 6).empty());
}
