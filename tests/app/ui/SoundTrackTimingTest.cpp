// 'Audio Channel Display' on videos whose sound does not span the frames
// exactly: sound that runs on after the last frame, stops before it, or
// starts late. A beep made at a known video time lights the frame of that
// time and no other.
#include <QAction>
#include <QCheckBox>
#include <QScrollBar>

#include "MainRoadFixture.h"
#include "support/FileBytes.h"
#include "support/VideoFixtures.h"

namespace {

// 50 frames at 25 fps; the beeps lie inside frames 10 and 40 with 10 ms
// to spare on each side.
constexpr int kFrames = 50;
constexpr double kBeeps[][2] = {{0.41, 0.43}, {1.61, 1.63}};
constexpr int kBeepFrames[] = {10, 40};

// Beeps at the video times above in a sound track that starts `delay`
// seconds after the first frame.
std::string BeepSound(int rate, int channels, double seconds, double delay) {
  std::string expr;
  for (const auto& b : kBeeps)
    expr += (expr.empty() ? "" : "+") + std::string("between(t\\,") + std::to_string(b[0] - delay) + "\\," +
            std::to_string(b[1] - delay) + ")";
  std::string one = "0.7*sin(2*PI*1000*t)*(" + expr + ")";
  std::string exprs = one;
  if (channels == 2) exprs += "|" + one;
  return "-f lavfi -i \"aevalsrc=exprs='" + exprs + "':s=" + std::to_string(rate) + ":d=" + std::to_string(seconds) +
         "\"";
}

void MakeVideo(const std::filesystem::path& path, int rate, int channels, double seconds, double delay,
               const std::string& audio_codec) {
  const std::string offset = delay > 0 ? "-itsoffset " + std::to_string(delay) + " " : "";
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=2 " + offset +
                        BeepSound(rate, channels, seconds, delay) + " -map 0:v -map 1:a -c:v mjpeg -c:a " +
                        audio_codec + " '" + path.string() + "'"));
}

void ExpectBeepsAtTheirFrames(MainRoadWindow& m) {
  TPlatform& w = m.W();
  for (int f : {0, 9, 10, 11, 25, 39, 40, 41, kFrames - 1}) {
    w.ScrollBar1->setValue(f);
    const bool beep = f == kBeepFrames[0] || f == kBeepFrames[1];
    EXPECT_EQ(w.Sound.SoundSignalDetected, beep) << "frame " << f;
  }
}

// The beeps video open, its sound display open and the first beep's frame shown.
void ShowTrackAtTheBeep(MainRoadWindow& m) {
  TPlatform& w = m.W();
  const auto beeps = m.Path("beeps.mkv");
  MakeVideo(beeps, 8000, 1, 2, 0, "pcm_s16le");
  ASSERT_TRUE(m.OpenThroughButton1(beeps));
  m.dialogs.yes_no_answers.push_back(true);
  m.Click("Button9");
  ASSERT_TRUE(w.OpenWindows.SoundGraphOpen);
  w.ScrollBar1->setValue(kBeepFrames[0]);
  ASSERT_TRUE(w.Sound.SoundSignalDetected);
}

// A run from the star clicked at (x, y) writes rows with neither a beep
// mark nor a sound note.
void ExpectRunRowsWithoutSound(MainRoadWindow& m, int x, int y) {
  m.ClickImage1(x, y);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_FALSE(rows.empty());
  for (const std::string& row : rows) {
    EXPECT_EQ(StripQuotes(GetCsvField(row, 2)), "") << row;   // no beep mark
    EXPECT_EQ(StripQuotes(GetCsvField(row, 10)), "") << row;  // no sound note
  }
}

TEST(SoundTrackTiming, BeepsStayAtTheirVideoTimes) {
  const struct {
    const char* name;
    const char* file;
    int rate, channels;
    double seconds, delay;
    const char* codec;
  } cases[] = {
      {"sound runs on 1 s after the last frame", "longer.mkv", 48000, 1, 3.0, 0, "pcm_s16le"},
      {"sound stops 0.2 s before the last frame", "shorter.mkv", 44100, 2, 1.8, 0, "pcm_s16le"},
      {"sound starts 0.3 s late and runs on", "late.mkv", 8000, 1, 1.9, 0.3, "pcm_s16le"},
      {"AAC sound runs on 0.5 s", "aac.mp4", 48000, 2, 2.5, 0, "aac"},
      {"8-bit sound in an AVI runs on 0.6 s", "longer.avi", 8000, 1, 2.6, 0, "pcm_u8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MainRoadWindow m(Reader::Ffmpeg);
    const auto video = m.Path(c.file);
    MakeVideo(video, c.rate, c.channels, c.seconds, c.delay, c.codec);
    ASSERT_TRUE(m.OpenThroughButton1(video));
    ASSERT_EQ(m.W().ScrollBar1->maximum() + 1, kFrames);
    m.dialogs.yes_no_answers.push_back(true);
    m.Click("Button9");
    ASSERT_TRUE(m.dialogs.messages.empty()) << m.dialogs.messages[0].text.toStdString();
    ASSERT_TRUE(m.W().OpenWindows.SoundGraphOpen);
    // Two seconds of 16-bit sound, whatever the track's own length.
    const int channels = c.channels == 1 ? 1 : 2;
    EXPECT_EQ(std::filesystem::file_size(m.Path("tsy.wav")), 48u + 2u * 2u * unsigned(channels * c.rate));
    ExpectBeepsAtTheirFrames(m);
    m.W().SoundIndicator->close();
  }
}

// Variable bit rate MP3 in an AVI whose sound header claims a constant rate:
// the lamp lights in the frames where the ffmpeg tool's decode of the track
// (the encoder's delay included) reaches the threshold, and in no other.
TEST(SoundTrackTiming, VariableBitRateMp3InAnAviKeepsTheBeepsAtTheirFrames) {
  MainRoadWindow m(Reader::Ffmpeg);
  TPlatform& w = m.W();
  const auto video = m.Path("vbr.avi"), decoded = m.Path("vbr.raw");
  MakeVideo(video, 44100, 1, 2, 0, "libmp3lame -q:a 2");
  ASSERT_TRUE(MarkSoundAsConstantBitRate(video.string(), 2));
  ASSERT_TRUE(RunFfmpeg("-i '" + video.string() + "' -map 0:a -f s16le -c:a pcm_s16le '" + decoded.string() + "'"));
  // 1764 samples a frame; 5530 is the least level at the default gain (nint(v / 140) >= 40).
  const std::string raw = ReadFileBytes(decoded);
  std::vector<bool> loud(kFrames, false);
  for (size_t i = 0; i + 1 < raw.size() && i / 2 / 1764 < size_t(kFrames); i += 2)
    if (std::abs(int16_t(uint8_t(raw[i]) | uint8_t(raw[i + 1]) << 8)) >= 5530) loud[i / 2 / 1764] = true;
  ASSERT_TRUE(loud[kBeepFrames[0]]);
  ASSERT_TRUE(m.OpenThroughButton1(video));
  // The file's length, taken from the sound's byte count, may add a frame.
  ASSERT_GE(w.ScrollBar1->maximum() + 1, kFrames);
  m.dialogs.yes_no_answers.push_back(true);
  m.Click("Button9");
  ASSERT_TRUE(m.dialogs.messages.empty()) << m.dialogs.messages[0].text.toStdString();
  ASSERT_TRUE(w.OpenWindows.SoundGraphOpen);
  for (int f = 0; f < kFrames; ++f) {
    w.ScrollBar1->setValue(f);
    EXPECT_EQ(w.Sound.SoundSignalDetected, loud[size_t(f)]) << "frame " << f;
  }
  w.SoundIndicator->close();
}

// A recording that stopped in the middle of a sound chunk, an odd number of
// bytes into it: the display opens on the sound up to the cut, and each
// beep lights its own frame only.
TEST(SoundTrackTiming, ARecordingCutInASoundChunkShowsItsBeeps) {
  MainRoadWindow m(Reader::Ffmpeg);
  TPlatform& w = m.W();
  const auto video = m.Path("cut.avi");
  MakeVideo(video, 8000, 1, 2, 0, "pcm_s16le");
  ASSERT_TRUE(CutInSoundPacket(video.string(), 1.7, 101));
  ASSERT_TRUE(m.OpenThroughButton1(video));
  const int frames = w.ScrollBar1->maximum() + 1;
  ASSERT_GT(frames, kBeepFrames[1] + 1);
  m.dialogs.yes_no_answers.push_back(true);
  m.Click("Button9");
  ASSERT_TRUE(m.dialogs.messages.empty()) << m.dialogs.messages[0].text.toStdString();
  ASSERT_TRUE(w.OpenWindows.SoundGraphOpen);
  EXPECT_EQ(std::filesystem::file_size(m.Path("tsy.wav")), 48u + 2u * uint64_t(frames) * 320u);
  for (int f = 0; f < frames; ++f) {
    w.ScrollBar1->setValue(f);
    EXPECT_EQ(w.Sound.SoundSignalDetected, f == kBeepFrames[0] || f == kBeepFrames[1]) << "frame " << f;
  }
  w.SoundIndicator->close();
}

// The sound display shows the open video's sound: a table of another video
// loaded while it is open takes it down with the old track, so the old
// beeps are neither shown nor noted for the new video's frames.
TEST(SoundTrackTiming, LoadingAnotherVideosTableTakesDownTheOldTrack) {
  MainRoadWindow m(Reader::Ffmpeg);
  TPlatform& w = m.W();
  const auto quiet = m.Path("quiet.mkv");
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=2 -f lavfi -i anullsrc=r=8000:cl=mono "
                        "-t 2 -c:v mjpeg -c:a pcm_s16le '" + quiet.string() + "'"));
  ASSERT_TRUE(m.OpenThroughButton1(quiet));
  m.ClickImage1(30, 24);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const auto csv = m.Path("quiet.csv");
  ASSERT_TRUE(m.SaveTableThroughButton6(csv));

  ShowTrackAtTheBeep(m);

  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_EQ(w.Video.VideoFileName, quiet.string());
  EXPECT_FALSE(w.OpenWindows.SoundGraphOpen);
  w.ScrollBar1->setValue(kBeepFrames[0] + 1);
  w.ScrollBar1->setValue(kBeepFrames[0]);
  EXPECT_FALSE(w.Sound.SoundSignalDetected);
  // The quiet video's own track is made on the next click.
  const size_t asked = m.dialogs.questions.size();
  m.dialogs.yes_no_answers.push_back(true);
  m.Click("Button9");
  EXPECT_EQ(m.dialogs.questions.size(), asked + 1);
  ASSERT_TRUE(w.OpenWindows.SoundGraphOpen);
  EXPECT_FALSE(w.Sound.SoundSignalDetected);
  w.SoundIndicator->close();
}

}  // namespace

// A still picture shown in place of the video is not the video's frame: the
// sound display goes and does not open on it, and the video's beeps are
// neither shown nor noted in the picture's rows.
TEST(SoundTrackTiming, ShowingAStillTakesDownTheTrack) {
  MainRoadWindow m(Reader::Ffmpeg);
  TPlatform& w = m.W();
  ShowTrackAtTheBeep(m);
  ShowPlainStill(m);
  ASSERT_TRUE(w.Still.BmpMode);
  EXPECT_FALSE(w.OpenWindows.SoundGraphOpen);
  EXPECT_FALSE(w.Sound.SoundSignalDetected);
  EXPECT_TRUE(w.Driver.PendingSoundNote.empty());
  const size_t asked = m.dialogs.questions.size();
  m.Click("Button9");
  EXPECT_EQ(m.dialogs.questions.size(), asked);
  EXPECT_FALSE(w.OpenWindows.SoundGraphOpen);
  ExpectRunRowsWithoutSound(m, 20, 15);
}

// Closed on a beep frame, or with the signal boxes turned off there, the
// sound display leaves neither its note nor its mark for the frames
// measured after.
TEST(SoundTrackTiming, NoNoteOfTheBeepInLaterRows) {
  const struct {
    const char* name;
    bool close;  // else the signal boxes go off
  } cases[] = {{"display closed", true}, {"signal boxes off", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MainRoadWindow m(Reader::Ffmpeg);
    TPlatform& w = m.W();
    ShowTrackAtTheBeep(m);
    if (c.close) {
      w.SoundIndicator->close();
    } else {
      w.findChild<QAction*>("MeasuremenOption1")->trigger();
      auto* options = w.findChild<QWidget*>("MeasurementOption");
      ASSERT_TRUE(options);
      options->findChild<QCheckBox*>("CheckBox3")->click();  // 'Available' off
      ASSERT_EQ(w.Options.SignalMarkersOn, 0);
    }
    w.ScrollBar1->setValue(kBeepFrames[0] + 1);
    ExpectRunRowsWithoutSound(m, 30, 24);
  }
}
