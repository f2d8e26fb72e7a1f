// The capture window on its own, with the device lists a test gives it: no
// audio device, long device lists, the file name rules with the overwrite
// question, the small preview and the F1 / ESC keys.
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "base/ui/DialogService.h"
#include "support/DiskFull.h"
#include "support/TestFolder.h"
#include "support/VideoFixtures.h"
#include "support/WindowControls.h"
#include "video/ui/TCapture_1.h"

namespace {

template <class Done>
bool Spin(Done done, int limit_ms = 20000) {
  return SpinUntil(done, limit_ms);
}

struct CaptureFixture {
  TestFolder dir;
  ScriptedDialogService dialogs;
  ScopedDialogService use{dialogs};
  bool closed = false, opened = false;
  std::string closed_file;

  CaptureHost Host(int video_count = 1, int audio_count = 0, int compressor_count = 1) {
    CaptureHost h;
    h.CaptureFolder = dir.Path().string();
    h.VideoDevices = [video_count] {
      std::vector<CaptureDevice> v;
      for (int i = 0; i < video_count; ++i) v.push_back(TestPatternDevice(64, 48, 25));
      return v;
    };
    h.AudioDevices = [audio_count] {
      std::vector<CaptureDevice> v;
      for (int i = 0; i < audio_count; ++i)
        v.push_back({"tone", "lavfi", "sine=frequency=1000:sample_rate=8000,arealtime", {}});
      return v;
    };
    h.Compressors = [compressor_count] {
      std::vector<CaptureCompressor> v;
      for (int i = 0; i < compressor_count; ++i) v.push_back({"Uncompressed RGB", "rawvideo"});
      return v;
    };
    h.Closed = [this](bool open, const std::string& file) {
      closed = true;
      opened = open;
      closed_file = file;
    };
    return h;
  }
};

// Without any audio input the preview starts and recording is offered.
TEST(CaptureWindow, NoAudioDeviceStillPreviewsAndRecords) {
  CaptureFixture f;
  auto* w = new TCapture_1(f.Host(1, 0), nullptr);
  EXPECT_TRUE(w->NoAudioDevice());
  EXPECT_TRUE(Find<QPlainTextEdit>(w, "Memo1")->toPlainText().contains("No audio device is detected"));
  EXPECT_EQ(Find<QListWidget>(w, "ListBox3")->count(), 0);
  EXPECT_TRUE(w->Capturing());
  EXPECT_EQ(Find<QLabel>(w, "StaticText1")->text(), "Preview");
  EXPECT_TRUE(Find<QPushButton>(w, "SpeedButton2")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(w, "SpeedButton3")->isEnabled());
  ASSERT_TRUE(Spin([&] { return !Find<QLabel>(w, "Panel1")->pixmap().isNull(); }));

  Find<QPushButton>(w, "SpeedButton2")->click();
  EXPECT_TRUE(w->Session().Recording());
  ASSERT_TRUE(Spin([&] { return w->Session().FramesWritten() >= 3; }));
  w->close();  // freed later, by the event loop
  const int64_t frames = w->FramesRecorded();
  EXPECT_TRUE(f.closed);
  EXPECT_TRUE(f.opened);
  EXPECT_EQ(f.closed_file, (f.dir.Path() / "Untitled.avi").string());
  // Closed while recording, the file is finished: an independent reader
  // finds every frame the window counted, at the device's rate and size.
  const auto probe = ProbeVideo(f.closed_file);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->frames, frames);
  EXPECT_EQ(probe->rate, "25/1");
  const std::vector<Bitmap24> recorded = FfmpegBgr24Frames(f.closed_file, 64, 48);
  const std::vector<Bitmap24> expected = FfmpegTestPattern(64, 48, 25, static_cast<int>(recorded.size()));
  ASSERT_EQ(static_cast<int64_t>(recorded.size()), frames);
  ASSERT_EQ(expected.size(), recorded.size());
  for (size_t i = 0; i < recorded.size(); ++i) EXPECT_TRUE(recorded[i] == expected[i]) << "frame " << i;
}

// The disk fills up while recording: the window says so at once instead of
// showing "Recording now.." over a file that no longer grows, goes back to
// the preview, and the frames recorded until then are the recording.
TEST(CaptureWindow, AFullDiskStopsTheRecordingWithAMessage) {
  CaptureFixture f;
  auto* w = new TCapture_1(f.Host(1, 0), nullptr);
  const std::string file = (f.dir.Path() / "Untitled.avi").string();
  {
    ScopedDiskFull full(64 * 1024);
    Find<QPushButton>(w, "SpeedButton2")->click();
    EXPECT_EQ(Find<QLabel>(w, "StaticText1")->text(), "Recording now..");
    ASSERT_TRUE(Spin([&] { return !f.dialogs.messages.empty(); }));
  }
  EXPECT_EQ(f.dialogs.messages[0].kind, MessageKind::Error);
  EXPECT_TRUE(f.dialogs.messages[0].text.startsWith("The recording stopped: the file could not be written ("));
  EXPECT_TRUE(f.dialogs.messages[0].text.endsWith("kept in " + QString::fromStdString(file)));
  EXPECT_EQ(Find<QLabel>(w, "StaticText1")->text(), "Preview");
  EXPECT_FALSE(w->Session().Recording());
  EXPECT_TRUE(w->Session().Running());
  EXPECT_TRUE(Find<QPushButton>(w, "SpeedButton2")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(w, "SpeedButton3")->isEnabled());
  EXPECT_TRUE(Find<QPlainTextEdit>(w, "Memo1")->toPlainText().contains("pFileOutPut Write : "));
  EXPECT_EQ(w->RecordedFile(), file);
  EXPECT_FALSE(std::filesystem::exists(file + ".part"));
  w->close();
  EXPECT_TRUE(f.opened);
  EXPECT_EQ(f.closed_file, file);
  EXPECT_EQ(f.dialogs.messages.size(), 1u);
}

// A camera still starting up when the recording is stopped again has given
// no frame: no empty file is left under the name, the user is told, and the
// window hands nothing back to open.
TEST(CaptureWindow, ARecordingStoppedBeforeItsFirstFrameLeavesNoFile) {
  CaptureFixture f;
  CaptureHost h = f.Host();
  // Frames only after two seconds: none reaches a recording stopped at once.
  // (The pattern's reads wait for the next frame, so a later first frame
  // would only make the stop wait longer.)
  h.VideoDevices = [] {
    CaptureDevice slow = TestPatternDevice(64, 48, 25);
    slow.Url += ",trim=start=2";
    return std::vector<CaptureDevice>{slow};
  };
  auto* w = new TCapture_1(std::move(h), nullptr);
  Find<QPushButton>(w, "SpeedButton2")->click();
  ASSERT_TRUE(w->Session().Recording());
  Find<QPushButton>(w, "SpeedButton3")->click();
  EXPECT_EQ(w->Session().FramesWritten(), 0);
  EXPECT_EQ(Find<QLabel>(w, "StaticText1")->text(), "Preview");
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.dialogs.messages[0].kind, MessageKind::Warning);
  EXPECT_TRUE(f.dialogs.messages[0].text.startsWith("Nothing was recorded"));
  EXPECT_TRUE(w->RecordedFile().empty());
  const std::string file = (f.dir.Path() / "Untitled.avi").string();
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_FALSE(std::filesystem::exists(file + ".part"));
  w->close();
  EXPECT_TRUE(f.closed);
  EXPECT_FALSE(f.opened);
}

// A device and a compressor chosen with the arrow keys are chosen as much as
// clicked ones: the preview comes from that device, 'Edit4' shows that
// compressor, and ffprobe finds the recording made by both.
TEST(CaptureWindow, RowsChosenWithTheArrowKeysAreRecordedWith) {
  CaptureFixture f;
  CaptureHost h = f.Host();
  h.VideoDevices = [] {
    return std::vector<CaptureDevice>{TestPatternDevice(64, 48, 25), TestPatternDevice(32, 24, 25)};
  };
  h.Compressors = [] {
    return std::vector<CaptureCompressor>{{"Uncompressed RGB", "rawvideo"}, {"FFV1 (lossless)", "ffv1"}};
  };
  auto* w = new TCapture_1(std::move(h), nullptr);
  EXPECT_EQ(w->Session().Width(), 64);
  for (const char* name : {"ListBox1", "ListBox2"}) {
    auto* list = Find<QListWidget>(w, name);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &down);
    EXPECT_EQ(list->currentRow(), 1) << name;
  }
  EXPECT_EQ(w->SelectedVideoDevice(), 1);
  EXPECT_EQ(w->SelectedCompressor(), 1);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit4")->text(), "1");
  EXPECT_EQ(w->Session().Width(), 32);
  Find<QPushButton>(w, "SpeedButton2")->click();
  ASSERT_TRUE(w->Session().Recording());
  ASSERT_TRUE(Spin([&] { return w->Session().FramesWritten() >= 2; }));
  w->close();
  ASSERT_TRUE(f.opened);
  const auto probe = ProbeVideo(f.closed_file);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->codec, "ffv1");
  EXPECT_EQ(probe->width, 32);
  EXPECT_EQ(probe->height, 24);
  EXPECT_EQ(probe->frames, w->FramesRecorded());
}

// Lists longer than the window keeps are cut at 21 and 101 names.
TEST(CaptureWindow, DeviceListsAreBounded) {
  CaptureFixture f;
  auto* w = new TCapture_1(f.Host(30, 40, 150), nullptr);
  EXPECT_EQ(Find<QListWidget>(w, "ListBox1")->count(), 21);
  EXPECT_EQ(Find<QListWidget>(w, "ListBox3")->count(), 21);
  EXPECT_EQ(Find<QListWidget>(w, "ListBox2")->count(), 101);
  ClickListRow(Find<QListWidget>(w, "ListBox1"), 20);
  EXPECT_EQ(w->SelectedVideoDevice(), 20);
  ClickListRow(Find<QListWidget>(w, "ListBox2"), 100);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit4")->text(), "100");
  w->close();
  EXPECT_FALSE(f.opened);
}

TEST(CaptureWindow, NoVideoDeviceDisablesRecording) {
  CaptureFixture f;
  auto* w = new TCapture_1(f.Host(0), nullptr);
  EXPECT_EQ(Find<QLabel>(w, "StaticText1")->text(), "No device is detected");
  EXPECT_FALSE(Find<QPushButton>(w, "SpeedButton2")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(w, "SpeedButton3")->isEnabled());
  EXPECT_FALSE(w->Capturing());
  w->close();
}

// The analysed video's own name asks first; No starts nothing, Yes goes on
// under the next free name, so the analysed file is never overwritten.
TEST(CaptureWindow, TheAnalysedVideoIsNotOverwritten) {
  CaptureFixture f;
  CaptureHost h = f.Host();
  const std::string analysed = (f.dir.Path() / "obs.avi").string();
  std::ofstream(analysed) << "x";
  h.AnalysedVideo = analysed;
  auto* w = new TCapture_1(std::move(h), nullptr);
  Find<QLineEdit>(w, "Edit2")->setText("obs.mpg");
  f.dialogs.yes_no_answers = {false};
  Find<QPushButton>(w, "SpeedButton2")->click();
  ASSERT_EQ(f.dialogs.questions.size(), 1);
  EXPECT_EQ(f.dialogs.questions[0], "New captured file will be overwrited onto the now analyzed file. Are you sure?");
  EXPECT_FALSE(w->Session().Recording());
  EXPECT_EQ(Find<QLabel>(w, "StaticText1")->text(), "Preview");

  f.dialogs.yes_no_answers = {true};
  Find<QPushButton>(w, "SpeedButton2")->click();
  EXPECT_TRUE(w->Session().Recording());
  EXPECT_EQ(w->CaptureFileName(), (f.dir.Path() / "obs_001.avi").string());
  EXPECT_EQ(Find<QLineEdit>(w, "Edit2")->text(), "obs_001");
  ASSERT_TRUE(Spin([&] { return w->Session().FramesWritten() >= 2; }));
  w->close();
  std::ifstream in(analysed);
  std::string kept;
  in >> kept;
  EXPECT_EQ(kept, "x");
  EXPECT_EQ(f.closed_file, (f.dir.Path() / "obs_001.avi").string());
}

// F1 records, ESC stops; 'Small preview' halves the preview; without
// 'Analizing after the current capture' nothing is handed back to open.
TEST(CaptureWindow, KeysSmallPreviewAndNoAnalysis) {
  CaptureFixture f;
  auto* w = new TCapture_1(f.Host(1, 1), nullptr);
  EXPECT_FALSE(w->NoAudioDevice());
  Find<QCheckBox>(w, "CheckBox2")->setChecked(true);
  Find<QCheckBox>(w, "CheckBox1")->setChecked(false);
  EXPECT_FALSE(w->AnalyseAfterCapture);
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &f1);
  EXPECT_TRUE(w->Session().Recording());
  EXPECT_TRUE(w->Session().HasAudio());
  EXPECT_EQ(Find<QLabel>(w, "Panel1")->size(), QSize(32, 24));
  ASSERT_TRUE(Spin([&] { return w->Session().FramesWritten() >= 2; }));
  ASSERT_TRUE(Spin([&] {
    const QPixmap p = Find<QLabel>(w, "Panel1")->pixmap();
    return !p.isNull() && p.size() == QSize(32, 24);
  }));
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &esc);
  EXPECT_FALSE(w->Session().Recording());
  EXPECT_TRUE(w->Recorded());
  EXPECT_TRUE(std::filesystem::exists(w->RecordedFile()));
  w->close();
  EXPECT_TRUE(f.closed);
  EXPECT_FALSE(f.opened);
}

// 'Small preview' ticked or unticked while the preview or a recording runs:
// the preview area follows at once, so the whole frame stays in sight.
TEST(CaptureWindow, SmallPreviewChangedWhileRunning) {
  CaptureFixture f;
  auto* w = new TCapture_1(f.Host(), nullptr);
  auto* panel = Find<QLabel>(w, "Panel1");
  auto* small = Find<QCheckBox>(w, "CheckBox2");
  const auto shows = [&](QSize size) {
    return Spin([&] { return panel->size() == size && panel->pixmap().size() == size; }, 5000);
  };
  EXPECT_TRUE(shows(QSize(64, 48)));
  small->setChecked(true);
  EXPECT_TRUE(shows(QSize(32, 24)));
  Find<QPushButton>(w, "SpeedButton2")->click();
  ASSERT_TRUE(w->Session().Recording());
  EXPECT_TRUE(shows(QSize(32, 24)));
  small->setChecked(false);
  EXPECT_TRUE(shows(QSize(64, 48)));
  small->setChecked(true);
  EXPECT_TRUE(shows(QSize(32, 24)));
  w->close();
}

// A folder that cannot be written: F1 tries twice, says so, and the window
// stays in preview instead of showing "Recording now..".
TEST(CaptureWindow, ARecordingThatCannotStartIsNotShownAsRecording) {
  CaptureFixture f;
  CaptureHost h = f.Host();
  h.CaptureFolder = (f.dir.Path() / "missing").string();
  auto* w = new TCapture_1(std::move(h), nullptr);
  Find<QPushButton>(w, "SpeedButton2")->click();
  EXPECT_FALSE(w->Session().Recording());
  EXPECT_TRUE(w->Session().Running());
  EXPECT_EQ(Find<QLabel>(w, "StaticText1")->text(), "Preview");
  EXPECT_TRUE(Find<QPushButton>(w, "SpeedButton2")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(w, "SpeedButton3")->isEnabled());
  EXPECT_EQ(Find<QPlainTextEdit>(w, "Memo1")->toPlainText().count("SetOutPutFileName : "), 2);
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.dialogs.messages[0].kind, MessageKind::Error);
  w->close();
  EXPECT_TRUE(f.closed);
  EXPECT_FALSE(f.opened);
}

// Restarting the capture while recording ends the first recording and starts
// the next under a new name: both files are kept whole, neither overwrites
// the other, and ffprobe reads each with the frames the window counted.
TEST(CaptureWindow, ARestartWhileRecordingKeepsBothRecordings) {
  CaptureFixture f;
  auto* w = new TCapture_1(f.Host(), nullptr);
  Find<QPushButton>(w, "SpeedButton2")->click();
  ASSERT_TRUE(Spin([&] { return w->Session().FramesWritten() >= 2; }));
  Find<QPushButton>(w, "Button1")->click();
  const int64_t first_frames = w->FramesRecorded();
  EXPECT_TRUE(w->Session().Recording());
  EXPECT_EQ(Find<QLabel>(w, "StaticText1")->text(), "Recording now..");
  ASSERT_TRUE(Spin([&] { return w->Session().FramesWritten() >= 3; }));
  Find<QPushButton>(w, "SpeedButton3")->click();
  const int64_t second_frames = w->FramesRecorded();
  const std::string first = (f.dir.Path() / "Untitled.avi").string();
  const std::string second = (f.dir.Path() / "Untitled_001.avi").string();
  EXPECT_EQ(w->RecordedFile(), second);
  const auto a = ProbeVideo(first), b = ProbeVideo(second);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->frames, first_frames);
  EXPECT_EQ(b->frames, second_frames);
  EXPECT_EQ(a->rate, "25/1");
  EXPECT_EQ(b->rate, "25/1");
  EXPECT_TRUE(f.dialogs.messages.empty());
  w->close();
  EXPECT_EQ(f.closed_file, second);
}

// Another device chosen while recording ends the recording (kept whole at
// the first device's size and rate) and previews the new one; the next 'F1'
// records it under the next free name, at its own size and rate.
TEST(CaptureWindow, ADeviceChosenWhileRecordingKeepsTheRecording) {
  CaptureFixture f;
  CaptureHost h = f.Host();
  h.VideoDevices = [] {
    return std::vector<CaptureDevice>{TestPatternDevice(64, 48, 25), TestPatternDevice(80, 60, 10)};
  };
  auto* w = new TCapture_1(std::move(h), nullptr);
  Find<QLineEdit>(w, "Edit2")->setText("obs");
  Find<QPushButton>(w, "SpeedButton2")->click();
  ASSERT_TRUE(Spin([&] { return w->Session().FramesWritten() >= 3; }));
  ClickListRow(Find<QListWidget>(w, "ListBox1"), 1);
  const std::string first = (f.dir.Path() / "obs.avi").string();
  EXPECT_EQ(w->RecordedFile(), first);
  const int64_t first_frames = w->FramesRecorded();
  EXPECT_FALSE(w->Session().Recording());
  EXPECT_EQ(Find<QLabel>(w, "StaticText1")->text(), "Preview");
  EXPECT_TRUE(Spin([&] { return Find<QLabel>(w, "Panel1")->pixmap().size() == QSize(80, 60); }, 5000));
  Find<QPushButton>(w, "SpeedButton2")->click();
  ASSERT_TRUE(Spin([&] { return w->Session().FramesWritten() >= 2; }));
  w->close();
  const std::string second = (f.dir.Path() / "obs_001.avi").string();
  EXPECT_EQ(f.closed_file, second);
  EXPECT_TRUE(f.dialogs.messages.empty());
  const auto a = ProbeVideo(first), b = ProbeVideo(second);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->frames, first_frames);
  EXPECT_EQ(a->rate, "25/1");
  EXPECT_EQ(b->rate, "10/1");
  EXPECT_EQ(FfmpegBgr24Frames(first, 64, 48).size(), static_cast<size_t>(first_frames));
  EXPECT_EQ(static_cast<long>(FfmpegBgr24Frames(second, 80, 60).size()), b->frames);
}

// 'Restart' with a compressor the device's frames do not suit (DV wants
// 720 x 480 or 576): the first recording is kept, and the failed start of the
// next is said in a message, as for 'F1', not only in the message list.
TEST(CaptureWindow, ARestartThatCannotRecordSaysSo) {
  CaptureFixture f;
  CaptureHost h = f.Host();
  h.Compressors = [] {
    return std::vector<CaptureCompressor>{{"Uncompressed RGB", "rawvideo"}, {kDvEncoderName, "dvvideo"}};
  };
  auto* w = new TCapture_1(std::move(h), nullptr);
  ClickListRow(Find<QListWidget>(w, "ListBox2"), 0);
  Find<QPushButton>(w, "SpeedButton2")->click();
  ASSERT_TRUE(Spin([&] { return w->Session().FramesWritten() >= 2; }));
  ClickListRow(Find<QListWidget>(w, "ListBox2"), 1);
  Find<QPushButton>(w, "Button1")->click();
  const std::string first = (f.dir.Path() / "Untitled.avi").string();
  EXPECT_EQ(w->RecordedFile(), first);
  const auto probe = ProbeVideo(first);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->frames, w->FramesRecorded());
  EXPECT_FALSE(w->Session().Recording());
  EXPECT_TRUE(w->Session().Running());
  EXPECT_EQ(Find<QLabel>(w, "StaticText1")->text(), "Preview");
  EXPECT_TRUE(Find<QPushButton>(w, "SpeedButton2")->isEnabled());
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.dialogs.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(f.dialogs.messages[0].text, "The recording could not be started; the message list says why.");
  EXPECT_FALSE(std::filesystem::exists((f.dir.Path() / "Untitled_001.avi").string()));
  w->close();
  EXPECT_EQ(f.closed_file, first);
}

// Without any compressor there is nothing to record with: 'F1' says so, and
// the preview goes on with 'F1' offered again, as after any failed start.
TEST(CaptureWindow, NoCompressorKeepsThePreview) {
  CaptureFixture f;
  auto* w = new TCapture_1(f.Host(1, 0, 0), nullptr);
  EXPECT_TRUE(Find<QPlainTextEdit>(w, "Memo1")->toPlainText().contains("No compresser is detected"));
  ASSERT_TRUE(w->Session().Running());
  Find<QPushButton>(w, "SpeedButton2")->click();
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.dialogs.messages[0].kind, MessageKind::Error);
  EXPECT_FALSE(w->Session().Recording());
  EXPECT_TRUE(w->Session().Running());
  EXPECT_EQ(Find<QLabel>(w, "StaticText1")->text(), "Preview");
  EXPECT_TRUE(Find<QPushButton>(w, "SpeedButton2")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(w, "SpeedButton3")->isEnabled());
  EXPECT_FALSE(std::filesystem::exists(f.dir.Path() / "Untitled.avi"));
  EXPECT_FALSE(std::filesystem::exists(f.dir.Path() / "Untitled.avi.part"));
  w->close();
  EXPECT_FALSE(f.opened);
}

// A recording cut short by a crash is left under its working name: the next
// recording takes a new name instead of writing over it.
TEST(CaptureWindow, ARecordingLeftByACrashIsNotOverwritten) {
  CaptureFixture f;
  const std::string crashed = (f.dir.Path() / "Untitled.avi.part").string();
  std::ofstream(crashed) << "crashed";
  auto* w = new TCapture_1(f.Host(), nullptr);
  Find<QPushButton>(w, "SpeedButton2")->click();
  EXPECT_TRUE(w->Session().Recording());
  EXPECT_EQ(w->CaptureFileName(), (f.dir.Path() / "Untitled_001.avi").string());
  EXPECT_EQ(Find<QLineEdit>(w, "Edit2")->text(), "Untitled_001");
  ASSERT_TRUE(Spin([&] { return w->Session().FramesWritten() >= 2; }));
  w->close();
  std::ifstream in(crashed);
  std::string kept;
  in >> kept;
  EXPECT_EQ(kept, "crashed");
  EXPECT_EQ(f.closed_file, (f.dir.Path() / "Untitled_001.avi").string());
}

// The camera stops delivering in the middle of a recording (a cable pulled,
// the device gone): the window says so at once instead of showing
// "Recording now.." over a file that no longer grows, and the frames
// recorded until then are kept and handed back on close.
TEST(CaptureWindow, ADeviceThatStopsEndsTheRecordingWithAMessage) {
  CaptureFixture f;
  CaptureHost h = f.Host();
  h.VideoDevices = [] {
    return std::vector<CaptureDevice>{
        {"short", "lavfi", "testsrc2=size=64x48:rate=25:duration=0.2,format=bgr24,realtime", {}}};
  };
  auto* w = new TCapture_1(std::move(h), nullptr);
  Find<QPushButton>(w, "SpeedButton2")->click();
  ASSERT_EQ(Find<QLabel>(w, "StaticText1")->text(), "Recording now..");
  ASSERT_TRUE(Spin([&] { return !f.dialogs.messages.empty(); }, 5000));
  EXPECT_EQ(f.dialogs.messages[0].kind, MessageKind::Error);
  EXPECT_TRUE(f.dialogs.messages[0].text.startsWith("The recording stopped: the video device delivered no more frames"));
  EXPECT_NE(Find<QLabel>(w, "StaticText1")->text(), "Recording now..");
  EXPECT_FALSE(w->Session().Recording());
  EXPECT_TRUE(Find<QPushButton>(w, "SpeedButton2")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(w, "SpeedButton3")->isEnabled());
  const std::string file = (f.dir.Path() / "Untitled.avi").string();
  EXPECT_EQ(w->RecordedFile(), file);
  const auto probe = ProbeVideo(file);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->frames, 5);
  EXPECT_EQ(w->FramesRecorded(), 5);
  w->close();
  EXPECT_TRUE(f.opened);
  EXPECT_EQ(f.closed_file, file);
}

}  // namespace
