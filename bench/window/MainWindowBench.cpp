// Speed of a whole run in the real main window (offscreen) beside the plain
// sequential grab of the same 720 x 480 file with three stars, through the
// own AVI reader and through FFmpeg.
#include <QApplication>
#include <QSlider>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

#include "app/ui/MainRoadFixture.h"

namespace {

constexpr int kFrames = 150;

enum class Codec { Uncompressed, Mjpeg, MjpegLarge };

std::filesystem::path WriteStarVideo(const std::filesystem::path& path, Codec codec) {
  // The large frame decodes in about 1.5-2 ms as MJPEG, slower than the
  // run's 1 ms timer, so the run's pace is the decoder's.
  const bool large = codec == Codec::MjpegLarge;
  SyntheticFrame f;
  f.Width = large ? 1024 : 720;
  f.Height = large ? 768 : 480;
  f.Background = 30;
  f.NoiseSigma = 3;
  f.Stars = {SyntheticStar{200.3, 150.6, 2500, 1.6}, SyntheticStar{500.2, 300.4, 1800, 1.5},
             SyntheticStar{360.7, 380.1, 1200, 1.4}};
  const Bitmap24 frame = MakeStarFrame(f);
  AviWriter writer(path.string(), f.Width, f.Height);
  for (int n = 0; n < kFrames; ++n) writer.AddFrame(frame);
  writer.Finish();
  return path;
}

// The star video, as MJPEG made by the ffmpeg tool when asked for; empty when
// the tool fails.
std::filesystem::path WriteVideo(const std::filesystem::path& dir, Codec codec) {
  const auto raw = WriteStarVideo(dir / "speed.avi", codec);
  if (codec == Codec::Uncompressed) return raw;
  const auto mjpeg = dir / "speed_mjpeg.avi";
  const std::string cmd = "ffmpeg -nostdin -loglevel error -y -i '" + raw.string() +
                          "' -c:v mjpeg -q:v 3 -pix_fmt yuvj420p '" + mjpeg.string() + "'";
  return std::system(cmd.c_str()) == 0 ? mjpeg : std::filesystem::path();
}

void SequentialGrab(benchmark::State& state, Reader reader, Codec codec = Codec::Uncompressed) {
  TestFolder dir;
  const auto path = WriteVideo(dir.Path(), codec);
  if (path.empty()) {
    state.SkipWithError("ffmpeg could not make the video");
    return;
  }
  for (auto _ : state) {
    VideoState video;
    video.UseDirectShow = reader == Reader::Ffmpeg ? 1 : 0;
    BeginOpenVideoFile(video, path.string());
    VideoSources sources;
    if (!OpenVideoStream(video, sources, {}).Ok) {
      state.SkipWithError("the video does not open");
      return;
    }
    Bitmap24 bmp;
    std::string status;
    for (int n = 0; n < kFrames; ++n) GrabVideoFrame(video, sources, n, bmp, status);
  }
  state.counters["frames/s"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

// The star video opened through 'Open AVI' with object A placed; false when
// it does not open.
bool OpenAndPlace(MainRoadWindow& m, benchmark::State& state, Codec codec = Codec::Uncompressed) {
  const auto path = WriteVideo(m.dir.Path(), codec);
  if (path.empty() || !m.OpenThroughButton1(path)) {
    state.SkipWithError("the video does not open");
    return false;
  }
  m.ClickImage1(200, 151);
  return true;
}

// Measured again from the first frame: the rows removed, the position reset.
void BackToTheStart(MainRoadWindow& m) {
  m.dialogs.yes_no_answers = {true};
  m.Click("Button5");
  m.Click("SpeedButton3");
}

// Waits as the program's own event loop does (asleep between timer ticks),
// so the main thread's CPU time is the run's own work.
void RunEventLoopUntilStopped(MainRoadWindow& m) {
  TPlatform& w = m.W();
  while (w.Run.Playing || w.Run.MeasuringRun || w.Timer1->isActive())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A run of objects A, B and C with the speed bar at its fastest; `shown`
// puts the window on the (offscreen) screen, so every display paints.
void WindowRun(benchmark::State& state, Reader reader, bool shown = false, Codec codec = Codec::Uncompressed) {
  MainRoadWindow m(reader);
  if (shown) {
    m.W().show();
    QCoreApplication::processEvents();
  }
  if (!OpenAndPlace(m, state, codec)) return;
  TPlatform& w = m.W();
  w.Run.ObjectCount = 3;
  m.PutObject(1, 500, 300);
  m.PutObject(2, 361, 380);
  m.Find<QSlider>("TrackBar1")->setValue(1);
  double cpu_ms = 0;
  for (auto _ : state) {
    state.PauseTiming();
    BackToTheStart(m);
    state.ResumeTiming();
    const double cpu0 = ThreadCpuMs();
    m.Click("Button3");
    RunEventLoopUntilStopped(m);
    cpu_ms += ThreadCpuMs() - cpu0;
  }
  state.counters["frames/s"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
  // The main thread's work per frame, waiting left out.
  state.counters["cpu_us/frame"] = 1000.0 * cpu_ms / (static_cast<double>(state.iterations()) * kFrames);
}

// The same frames by '1Frame' presses: no timer between frames, every frame
// drawn on Image1.
void WindowSteps(benchmark::State& state, Reader reader) {
  MainRoadWindow m(reader);
  if (!OpenAndPlace(m, state)) return;
  for (auto _ : state) {
    state.PauseTiming();
    BackToTheStart(m);
    state.ResumeTiming();
    for (int n = 0; n < kFrames; ++n) m.Click("Button16");
  }
  state.counters["frames/s"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_CAPTURE(SequentialGrab, OwnAvi, Reader::OwnAvi)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(SequentialGrab, Ffmpeg, Reader::Ffmpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(WindowRun, OwnAvi, Reader::OwnAvi)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(WindowRun, Ffmpeg, Reader::Ffmpeg)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(WindowSteps, OwnAvi, Reader::OwnAvi)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(WindowRun, OwnAviShown, Reader::OwnAvi, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
// Each MJPEG file: the plain grab, then the window's run shown and hidden.
[[maybe_unused]] const bool kMjpegRuns = [] {
  for (const auto& [name, codec] :
       {std::pair{"FfmpegMjpeg", Codec::Mjpeg}, std::pair{"FfmpegMjpegLarge", Codec::MjpegLarge}}) {
    const std::string n = name;
    benchmark::RegisterBenchmark(("SequentialGrab/" + n).c_str(), SequentialGrab, Reader::Ffmpeg, codec)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (const bool shown : {true, false})
      benchmark::RegisterBenchmark(("WindowRun/" + n + (shown ? "Shown" : "")).c_str(), WindowRun, Reader::Ffmpeg,
                                   shown, codec)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(5)
          ->UseRealTime();
  }
  return true;
}();

// The ceiling of a run on this machine: a 1 ms QTimer like Timer1 doing no
// work, waited for as the run's event loop waits, for as many ticks as a run
// has frames.
void TimerAlone(benchmark::State& state) {
  for (auto _ : state) {
    QTimer timer;
    timer.setInterval(1);
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (++ticks == kFrames) timer.stop();
    });
    timer.start();
    while (timer.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  state.counters["ticks/s"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(TimerAlone)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// Heap bytes in use, big blocks of their own included.
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Heap bytes per result row: a million rows of three objects appended the way
// a run appends them, shown in Memo1, against the heap before.
void MemoryPerRow(benchmark::State& state) {
  constexpr int kRows = 1000000;
  for (auto _ : state) {
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    w.Run.ObjectCount = 3;
    w.WriteCsvHeader();
    w.SyncMemo1();
    for (int k = 0; k < 3; ++k) {
      for (DataLine& block : w.Frames.FrameDataLines) {
        ObjectResult& o = block.Objects[static_cast<size_t>(k)];
        o.Value = 12345.678 - 1000 * k;
        o.ApertureSum = 23456 - 1000 * k;
        o.BackgroundSum = 11111 + k;
        o.AperturePixelCount = 113;
        o.BackgroundPixelCount = 1020;
        o.X = 200 + 100 * k;
        o.Y = 150 + 50 * k;
      }
    }
    const size_t before = HeapInUse();
    for (int frame = 0; frame < kRows; ++frame) {
      for (DataLine& block : w.Frames.FrameDataLines) block.FrameNumberX10 = frame * 10;
      w.AppendResultRows();
      if (frame % 1000 == 0) QCoreApplication::processEvents();
    }
    w.SyncMemo1();
    QCoreApplication::processEvents();
    const size_t after = HeapInUse();
    state.counters["bytes/row"] = static_cast<double>(after - before) / kRows;
    state.counters["chars/row"] =
        static_cast<double>(w.Results.Line(w.Results.Count() - 1).size());
  }
}
BENCHMARK(MemoryPerRow)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
