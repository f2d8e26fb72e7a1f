// A live capture from FFmpeg's test pattern device: the recorded AVI holds
// exactly the frames the ffmpeg CLI makes of the same pattern, ffprobe agrees
// on its frame count and rate, and a missing audio device or an unwritable
// folder costs only the sound track or the file, never the preview.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/DiskFull.h"
#include "support/ShellCommand.h"
#include "support/VideoFixtures.h"
#include "video/CaptureSession.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kW = 64, kH = 48, kRate = 25;

// Polls until `done` or a generous limit; false on the limit.
template <class Done>
bool WaitFor(Done done, int limit_ms = 20000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

CaptureRequest Recording(const std::string& file, const std::string& encoder = "rawvideo") {
  CaptureRequest r;
  r.Mode = CaptureMode::Record;
  r.Video = TestPatternDevice(kW, kH, kRate);
  r.Compressor = {"test", encoder};
  r.FileName = file;
  return r;
}

bool HasLine(const std::vector<std::string>& log, const std::string& start) {
  for (const auto& l : log)
    if (l.rfind(start, 0) == 0) return true;
  return false;
}

TEST(CaptureSession, RecordsTheTestPatternFrameForFrame) {
  const std::string file = FixturePath("pattern.avi");
  CaptureSession s;
  ASSERT_EQ(s.Start(Recording(file)), 0);
  EXPECT_TRUE(s.Recording());
  EXPECT_EQ(s.Width(), kW);
  EXPECT_EQ(s.Height(), kH);
  ASSERT_TRUE(WaitFor([&] { return s.FramesWritten() >= 8; }));
  s.Stop();
  EXPECT_EQ(s.SavedFile(), file);
  EXPECT_FALSE(std::filesystem::exists(file + ".part"));
  const std::vector<std::string> log = s.TakeLog();
  EXPECT_TRUE(HasLine(log, "pMediaControl Stop : S_OK"));

  const long frames = static_cast<long>(s.FramesWritten());
  const auto probe = ProbeVideo(file);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->frames, frames);
  EXPECT_EQ(probe->rate, "25/1");
  EXPECT_EQ(ProbeStreamCount(file, "a"), 0);

  const std::vector<Bitmap24> expected = FfmpegTestPattern(kW, kH, kRate, static_cast<int>(frames));
  ASSERT_EQ(static_cast<long>(expected.size()), frames);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(file)) << avi.LastError();
  ASSERT_EQ(avi.FrameCount(), frames);
  for (int i = 0; i < frames; ++i) {
    Bitmap24 got;
    ASSERT_TRUE(avi.GetFrameBitmap(i, got));
    EXPECT_TRUE(got == expected[static_cast<size_t>(i)]) << "frame " << i;
  }
}

TEST(CaptureSession, PreviewQueuesFramesAndWritesNothing) {
  CaptureSession s;
  CaptureRequest r;
  r.Video = TestPatternDevice(kW, kH, kRate);
  ASSERT_EQ(s.Start(r), 0);
  EXPECT_FALSE(s.Recording());
  Bitmap24 frame;
  ASSERT_TRUE(WaitFor([&] { return s.TakePreview(frame); }));
  EXPECT_EQ(frame.Width(), kW);
  EXPECT_EQ(frame.Height(), kH);
  s.Stop();
  EXPECT_EQ(s.FramesWritten(), 0);
  EXPECT_TRUE(s.SavedFile().empty());
}

TEST(CaptureSession, AMissingAudioDeviceLeavesASilentRecording) {
  const std::string file = FixturePath("silent.avi");
  CaptureRequest r = Recording(file);
  r.Audio = CaptureDevice{"gone", "lavfi", "no_such_filter_here", {}};
  CaptureSession s;
  ASSERT_EQ(s.Start(r), 0);
  EXPECT_FALSE(s.HasAudio());
  ASSERT_TRUE(WaitFor([&] { return s.FramesWritten() >= 3; }));
  s.Stop();
  EXPECT_TRUE(HasLine(s.TakeLog(), "pMoniker BindToObject : "));
  EXPECT_EQ(s.SavedFile(), file);
  EXPECT_EQ(ProbeStreamCount(file, "v"), 1);
}

TEST(CaptureSession, RecordsTheSoundOfAnAudioDevice) {
  const std::string file = FixturePath("tone.avi");
  CaptureRequest r = Recording(file);
  r.Audio = CaptureDevice{"tone", "lavfi", "sine=frequency=1000:sample_rate=8000,arealtime", {}};
  CaptureSession s;
  ASSERT_EQ(s.Start(r), 0);
  EXPECT_TRUE(s.HasAudio());
  ASSERT_TRUE(WaitFor([&] { return s.FramesWritten() >= 8; }));
  s.Stop();
  ASSERT_EQ(s.SavedFile(), file);
  EXPECT_EQ(ProbeStreamCount(file, "a"), 1);
  EXPECT_EQ(ProbeVideo(file)->frames, s.FramesWritten());
}

// The times of the video pictures of a file in frames, by ffprobe (which
// passes over the empty chunks of dropped frames).
std::vector<long> ProbePictureTimes(const std::string& file) {
  std::vector<long> times;
  std::istringstream lines(CommandOutput("ffprobe -v error -select_streams v:0 -show_entries packet=pts -of csv=p=0 '" +
                                         file + "'"));
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) times.push_back(std::stol(line));
  return times;
}

// The device skips frames 5, 6 and 7, as a camera that drops frames does:
// their places stay empty and every later frame keeps its time.
TEST(CaptureSession, DroppedFramesKeepTheirPlaceInTheFile) {
  for (const char* encoder : {"rawvideo", "mjpeg"}) {
    SCOPED_TRACE(encoder);
    const std::string file = FixturePath(std::string("dropping_") + encoder + ".avi");
    CaptureRequest r = Recording(file, encoder);
    r.Video.Url = "testsrc2=size=64x48:rate=25,format=bgr24,select='not(between(n\\,5\\,7))',realtime";
    CaptureSession s;
    ASSERT_EQ(s.Start(r), 0);
    ASSERT_TRUE(WaitFor([&] { return s.FramesSeen() >= 10; }));
    s.Stop();
    ASSERT_EQ(s.SavedFile(), file);
    const long frames = static_cast<long>(s.FramesWritten());
    EXPECT_EQ(frames, s.FramesSeen() + 3);
    std::vector<long> times;
    for (long i = 0; i < frames; ++i)
      if (i < 5 || i > 7) times.push_back(i);
    EXPECT_EQ(ProbePictureTimes(file), times);

    TGKAvi avi;
    ASSERT_TRUE(avi.OpenStreams(file)) << avi.LastError();
    ASSERT_EQ(avi.FrameCount(), frames);
    if (std::string(encoder) != "rawvideo") continue;
    const std::vector<Bitmap24> expected = FfmpegTestPattern(kW, kH, kRate, static_cast<int>(frames));
    ASSERT_EQ(static_cast<long>(expected.size()), frames);
    for (int i = 0; i < frames; ++i) {
      Bitmap24 got;
      ASSERT_TRUE(avi.GetFrameBitmap(i, got)) << "frame " << i;
      // A dropped frame shows the picture before it.
      EXPECT_TRUE(got == expected[size_t(i >= 5 && i <= 7 ? 4 : i)]) << "frame " << i;
    }
  }
}

struct FailCase {
  const char* name;
  std::string folder;
  std::string encoder;
  const char* line;
};

class CaptureFailures : public ::testing::TestWithParam<FailCase> {};

// A file that cannot be written, or an encoder that refuses the frame size,
// leaves a message and the preview running; no file and no ".part" remain.
TEST_P(CaptureFailures, KeepThePreview) {
  const FailCase& c = GetParam();
  const std::string file = (c.folder.empty() ? VideoFixtureFolder() : c.folder) + "/fail.avi";
  CaptureSession s;
  EXPECT_NE(s.Start(Recording(file, c.encoder)), 0);
  EXPECT_FALSE(s.Recording());
  EXPECT_TRUE(s.Running());
  Bitmap24 frame;
  EXPECT_TRUE(WaitFor([&] { return s.TakePreview(frame); }));
  s.Stop();
  EXPECT_TRUE(HasLine(s.TakeLog(), c.line));
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_FALSE(std::filesystem::exists(file + ".part"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CaptureFailures,
    ::testing::Values(FailCase{"MissingFolder", "/nonexistent/tessary", "rawvideo", "SetOutPutFileName : "},
                      FailCase{"DvAtOddSize", "", "dvvideo", "pMoniker.BindToStorage : "}),
    [](const auto& info) { return std::string(info.param.name); });

struct DiskFullCase {
  const char* name;
  rlim_t room;  // bytes a file may reach before the disk is full; 0: full at Stop, with no room for the index
  bool kept;
  // A sound track, and a camera whose first picture comes after its first sound.
  bool sound = false;
};

class CaptureDiskFull : public ::testing::TestWithParam<DiskFullCase> {};

// A disk that fills up while recording stops the recording at once with a
// message; the preview goes on. The frames that reached the disk are kept
// under the chosen name, readable frame for frame; with no room for even the
// first frame nothing is left, even when sound reached the file before it.
TEST_P(CaptureDiskFull, StopsTheRecordingAndKeepsWhatWasWritten) {
  const DiskFullCase& c = GetParam();
  const std::string file = FixturePath(std::string("full-") + c.name + ".avi");
  CaptureRequest request = Recording(file);
  if (c.sound) {
    request.Video.Url = "testsrc2=size=64x48:rate=25,format=bgr24,trim=start=0.3,realtime";
    request.Audio = CaptureDevice{"tone", "lavfi", "sine=frequency=1000:sample_rate=8000,arealtime", {}};
  }
  CaptureSession s;
  int64_t written_at_failure = 0;
  if (c.room == 0) {
    ASSERT_EQ(s.Start(request), 0);
    ASSERT_TRUE(WaitFor([&] { return s.FramesWritten() >= 5; }));
    ScopedDiskFull full(std::filesystem::file_size(file + ".part"));
    s.Stop();
    written_at_failure = s.FramesWritten();
  } else {
    ScopedDiskFull full(c.room);
    ASSERT_EQ(s.Start(request), 0);
    ASSERT_TRUE(WaitFor([&] { return s.WriteError() != 0; }));
    written_at_failure = s.FramesWritten();
    Bitmap24 frame;
    EXPECT_TRUE(WaitFor([&] { return s.TakePreview(frame) && s.FramesSeen() > written_at_failure + 3; }));
    EXPECT_EQ(s.FramesWritten(), written_at_failure);  // no frame is encoded for nothing
    s.Stop();
  }
  EXPECT_NE(s.WriteError(), 0);
  const std::vector<std::string> log = s.TakeLog();
  EXPECT_TRUE(c.room == 0 || HasLine(log, "pFileOutPut Write : "));
  EXPECT_FALSE(HasLine(log, "pMediaControl Stop : S_OK"));
  EXPECT_FALSE(std::filesystem::exists(file + ".part"));
  if (!c.kept) {
    EXPECT_TRUE(s.SavedFile().empty());
    EXPECT_FALSE(std::filesystem::exists(file));
    return;
  }
  EXPECT_EQ(s.SavedFile(), file);
  TGKAvi avi;
  ASSERT_TRUE(avi.OpenStreams(file)) << avi.LastError();
  const int frames = static_cast<int>(avi.FrameCount());
  EXPECT_GE(frames, c.room == 0 ? 5 : 1);
  EXPECT_LT(frames, written_at_failure + 1);
  const auto probe = ProbeVideo(file);  // an independent reader finds the same frames
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->frames, frames);
  const std::vector<Bitmap24> expected = FfmpegTestPattern(kW, kH, kRate, frames);
  for (int i = 0; i < frames; ++i) {
    Bitmap24 got;
    ASSERT_TRUE(avi.GetFrameBitmap(i, got));
    EXPECT_TRUE(got == expected[static_cast<size_t>(i)]) << "frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, CaptureDiskFull,
                         ::testing::Values(DiskFullCase{"AfterSomeFrames", 64 * 1024, true},
                                           DiskFullCase{"BeforeTheFirstFrame", 12 * 1024, false},
                                           DiskFullCase{"SoundBeforeTheFirstFrame", 12 * 1024, false, true},
                                           DiskFullCase{"NoRoomForTheIndex", 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A folder that takes the chosen name while recording leaves the recording
// under its working name, whole, with the failure reported.
TEST(CaptureSession, ANameTakenByAFolderKeepsTheRecording) {
  const std::string file = FixturePath("taken.avi");
  CaptureSession s;
  ASSERT_EQ(s.Start(Recording(file)), 0);
  ASSERT_TRUE(WaitFor([&] { return s.FramesWritten() >= 3; }));
  std::filesystem::create_directories(file + "/inside");
  s.Stop();
  EXPECT_NE(s.WriteError(), 0);
  EXPECT_EQ(s.SavedFile(), file + ".part");
  const auto probe = ProbeVideo(file + ".part");
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->frames, s.FramesWritten());
  std::filesystem::remove_all(file);
  std::filesystem::remove(file + ".part");
}

// A file that takes the chosen name while recording (another program, a
// copy) is never replaced: the recording stays under its working name, whole,
// with the failure reported.
TEST(CaptureSession, ANameTakenByAFileIsNotOverwritten) {
  const std::string file = FixturePath("taken_by_file.avi");
  CaptureSession s;
  ASSERT_EQ(s.Start(Recording(file)), 0);
  ASSERT_TRUE(WaitFor([&] { return s.FramesWritten() >= 3; }));
  { std::ofstream(file) << "other"; }
  s.Stop();
  EXPECT_NE(s.WriteError(), 0);
  EXPECT_EQ(s.SavedFile(), file + ".part");
  std::ifstream in(file);
  std::string kept;
  in >> kept;
  EXPECT_EQ(kept, "other");
  const auto probe = ProbeVideo(file + ".part");
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->frames, s.FramesWritten());
  std::filesystem::remove(file);
  std::filesystem::remove(file + ".part");
}

// The DV encoder, the window's default, records a PAL-sized device (it takes
// the 4:2:0 layout DV asks for at 25 frames a second).
TEST(CaptureSession, DvRecordsAPalSizedDevice) {
  const std::string file = FixturePath("dv.avi");
  CaptureRequest r = Recording(file, "dvvideo");
  r.Video = TestPatternDevice(720, 576, 25);
  CaptureSession s;
  ASSERT_EQ(s.Start(r), 0);
  ASSERT_TRUE(WaitFor([&] { return s.FramesWritten() >= 3; }));
  s.Stop();
  ASSERT_EQ(s.SavedFile(), file);
  const auto probe = ProbeVideo(file);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->frames, s.FramesWritten());
  EXPECT_EQ(probe->rate, "25/1");
}

TEST(CaptureSession, AnUnknownDeviceGivesAMessage) {
  CaptureSession s;
  CaptureRequest r;
  r.Video = CaptureDevice{"none", "video4linux2", "/dev/no-such-camera", {}};
  EXPECT_NE(s.Start(r), 0);
  EXPECT_FALSE(s.Running());
  EXPECT_TRUE(HasLine(s.TakeLog(), "pMoniker BindToObject : "));
}

}  // namespace
