#pragma once
// The main window started offscreen beside its own settings file, with the
// dialogs scripted, and the ways a user drives it: open a video through
// 'Open AVI', click the frame, press buttons, let the run timer work.
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "support/TestFolder.h"
#include "base/CsvFields.h"
#include "base/IniFile.h"
#include "base/ui/DialogService.h"
#include "app/ui/TPlatform.h"
#include "support/AviWriter.h"
#include "support/LedTestTable.h"
#include "support/SyntheticStars.h"

enum class Reader { OwnAvi, Ffmpeg };

inline const char* ReaderName(Reader r) { return r == Reader::OwnAvi ? "VideoForWindows" : "DirectShow"; }

class MainRoadWindow {
 public:
  explicit MainRoadWindow(Reader reader, const std::string& extra_ini = {}) {
    std::filesystem::create_directories(bin_);
    std::ofstream(bin_ / "tessary.ini", std::ios::binary)
        << "[FileRead]\r\nAPI for reading file=" << ReaderName(reader)
        << "\r\n[Measurement]\r\nPhotometry=Aperture photometry\r\nMeasure=for each Frame\r\n"
           "[Aperture Size]\r\nRadius of Aperture=6\r\nInner Radius of Background=8\r\n"
           "Outer Radius of Background=20\r\n"
           "[Background Area]\r\nForm=Standard\r\n[Star Tracking]\r\nTracking Mode=Drift\r\n"
           "[TimeSignal]\r\nVideoTimeInserter=KIWI-OSD\r\n"
        << extra_ini;
    window = std::make_unique<TPlatform>(PlatformOptions{bin_ / "tessary"});
  }

  TPlatform& W() { return *window; }

  // The settings file names this inserter ("IOTA-VTI", "GHS", ...) with its
  // stamp read, for the videos opened from now on.
  void ReadStampsOf(const std::string& inserter) {
    IniFile ini(window->SettingsPlace.IniPath);
    ini.WriteString("TimeSignal", "VideoTimeInserter", inserter);
    ini.WriteString("TimeSignal", "Read from KIWI-OSD", "1");
  }
  std::filesystem::path Path(const std::string& name) const { return dir / name; }

  // The time read-outs a stamped frame of the table's video would show: a
  // table loaded without its video gives none, and the magnitude calculator
  // then times no event.
  void ShowStampTime(const char* hour, const char* minute, const char* centre, const char* end) {
    window->Edit24->setText(hour);
    window->Edit25->setText(minute);
    window->Edit26->setText(centre);
    window->Edit27->setText(end);
  }

  template <class T>
  T* Find(const char* name) {
    T* c = window->findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
  }

  void Click(const char* button) {
    QPushButton* b = Find<QPushButton>(button);
    if (b) b->click();
  }

  // 'Update Setting Items' > 'Default' answered Yes, then 'Close'.
  void DefaultThroughSettingsDialog() {
    Click("Button17");
    auto* d = window->findChild<QDialog*>("PreserveSetting");
    ASSERT_NE(d, nullptr);
    dialogs.yes_no_answers = {true};
    d->findChild<QPushButton*>("Button3")->click();
    d->close();
  }

  // 'Open AVI' with the open dialog answering `path`.
  bool OpenThroughButton1(const std::filesystem::path& path) {
    dialogs.open_file_names.push_back(QString::fromStdString(path.string()));
    Click("Button1");
    return window->Run.VideoLoaded;
  }

  // 'Save CSV' with the save dialog answering `path`; true when the file is there.
  bool SaveTableThroughButton6(const std::filesystem::path& path) {
    dialogs.save_file_names.push_back(QString::fromStdString(path.string()));
    Click("Button6");
    return std::filesystem::exists(path);
  }

  // A left click on the frame at (x, y).
  void ClickImage1(int x, int y) {
    QLabel* image = Find<QLabel>("Image1");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, y), image->mapToGlobal(QPointF(x, y)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(image, &press);
  }

  // Lets the timer work until playback or the run has ended; false when it
  // is still going after a generous limit (a run that never ends).
  bool WaitUntilStopped(int limit_ms = 120000) {
    QElapsedTimer clock;
    clock.start();
    while (window->Run.Playing || window->Run.MeasuringRun || window->Timer1->isActive()) {
      if (clock.elapsed() > limit_ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
  }

  // Object k (1 B, 2 C) standing at (x, y) in every block, as a placed object does.
  void PutObject(int k, int32_t x, int32_t y) {
    for (DataLine& block : window->Frames.FrameDataLines) {
      ObjectResult& o = block.Objects[static_cast<size_t>(k)];
      o.PrevX = o.X = x;
      o.PrevY = o.Y = y;
    }
  }

  // The frame as Image1 shows it.
  Bitmap24 ShownImage() {
    const QImage shown = Find<QLabel>("Image1")->pixmap().toImage().convertToFormat(QImage::Format_BGR888);
    Bitmap24 out(shown.width(), shown.height());
    for (int y = 0; y < shown.height(); ++y)
      std::copy_n(shown.constScanLine(y), static_cast<size_t>(shown.width()) * 3, out.Row(y));
    return out;
  }

  // Result rows of the table (the lines after its header).
  std::vector<std::string> Rows() {
    const auto& lines = window->Results.Lines();
    const int header = DetectCsvVersion(window->Results).CsvHeaderLines;
    if (static_cast<int>(lines.size()) <= header) return {};
    return {lines.begin() + header, lines.end()};
  }

  // The frame number of every result row, in table order.
  std::vector<int> RowFrames() {
    std::vector<int> out;
    for (const std::string& row : Rows()) out.push_back(RowFrameNumber(row));
    return out;
  }

  TestFolder dir;
  ScriptedDialogService dialogs;
  ScopedDialogService use{dialogs};

 private:
  std::filesystem::path bin_ = dir / "bin";

 public:
  std::unique_ptr<TPlatform> window;
};

// A video of `frames` frames, each with one Gaussian star at (cx, cy) whose
// flux is flux(n), on a flat background of 20.
template <class FluxOf>
std::vector<Bitmap24> StarFrames(int width, int height, int frames, double cx, double cy, FluxOf flux) {
  std::vector<Bitmap24> out;
  for (int n = 0; n < frames; ++n) {
    SyntheticFrame f;
    f.Width = width;
    f.Height = height;
    f.Background = 20;
    f.Stars = {SyntheticStar{cx, cy, flux(n), 1.5}};
    out.push_back(MakeStarFrame(f));
  }
  return out;
}

// The frames first..last, as RowFrames gives them for one row a frame.
inline std::vector<int> FrameRange(int first, int last) {
  std::vector<int> out;
  for (int n = first; n <= last; ++n) out.push_back(n);
  return out;
}

// One steady star at (40.2, 29.9) in every frame of an 80 x 60 video; a click
// at (40, 30) places object A on it.
inline bool WriteSteadyStarVideo(const std::filesystem::path& path, int frames) {
  return WriteAvi(path.string(), StarFrames(80, 60, frames, 40.2, 29.9, [](int) { return 1500.0; }));
}

// A window with a 12-frame steady-star video open through 'Open AVI'.
class SteadyStarWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto path = m.Path("twelve.avi");
    ASSERT_TRUE(WriteSteadyStarVideo(path, 12));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    bar = m.Find<QScrollBar>("ScrollBar1");
  }
  MainRoadWindow m{Reader::OwnAvi};
  QScrollBar* bar = nullptr;
};

// A 300-frame video at 29.97 fps with the LED table of its frames.
inline void OpenLedVideo(MainRoadWindow& m) {
  const auto path = m.Path("led.avi");
  AviWriterOptions o;
  o.rate = 30000;
  o.scale = 1001;
  ASSERT_TRUE(WriteAvi(path.string(), std::vector<Bitmap24>(kLedTableRows, Bitmap24(32, 24)), o));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  ASSERT_EQ(m.W().ScrollBar1->maximum(), kLedTableRows - 1);
  m.W().Results.Assign(BuildLedTestTable());
  m.W().DetectCsvVersion();
  m.W().Run.StartFrame = 0;
  m.W().Run.LastMeasuredFrame = kLedTableRows - 1;
  m.W().Video.TimingFrameRate = 29.97L;
}

// A capture log of five frames from 12:00:09.96 at 25 fps.
inline constexpr const char* kFiveFrameCaptureLog =
    "[Camera]\r\n"
    "StartCapture=2026-12-06 12:00:09.9600000\r\n"
    "EndCapture=2026-12-06 12:00:10.1600000\r\n"
    "ActualFrameRate=25.000000 fps\r\n"
    "FrameCount=5\r\n";

// Shows good.bmp, a 40 x 30 picture of colour (200, 35, 0), through 'Load bmp';
// its path.
inline std::filesystem::path ShowPlainStill(MainRoadWindow& m) {
  QImage image(40, 30, QImage::Format_RGB888);
  image.fill(QColor(200, 35, 0));
  const auto good = m.Path("good.bmp");
  EXPECT_TRUE(image.save(QString::fromStdString(good.string()), "BMP"));
  m.dialogs.open_file_names = {QString::fromStdString(good.string())};
  m.Click("Button22");
  return good;
}
