// Speed of a whole run in the real main window (offscreen) beside the plain
// sequential grab of the same 720 x 480 file with three stars, through the
// own AVI reader and through FFmpeg.
#include <QApplication>
#include <QSlider>
#include <benchmark/benchmark.h>

#include "app/ui/MainRoadFixture.h"

namespace {

constexpr int kFrames = 150;

std::filesystem::path WriteStarVideo(const std::filesystem::path& path) {
  SyntheticFrame f;
  f.Width = 720;
  f.Height = 480;
  f.Background = 30;
  f.NoiseSigma = 3;
  f.Stars = {SyntheticStar{200.3, 150.6, 2500, 1.6}, SyntheticStar{500.2, 300.4, 1800, 1.5},
             SyntheticStar{360.7, 380.1, 1200, 1.4}};
  const Bitmap24 frame = MakeStarFrame(f);
  AviWriter writer(path.string(), 720, 480);
  for (int n = 0; n < kFrames; ++n) writer.AddFrame(frame);
  writer.Finish();
  return path;
}

void SequentialGrab(benchmark::State& state, Reader reader) {
  TestFolder dir;
  const auto path = WriteStarVideo(dir / "speed.avi");
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
bool OpenAndPlace(MainRoadWindow& m, benchmark::State& state) {
  if (!m.OpenThroughButton1(WriteStarVideo(m.Path("speed.avi")))) {
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

// A run of objects A, B and C with the speed bar at its fastest.
void WindowRun(benchmark::State& state, Reader reader) {
  MainRoadWindow m(reader);
  if (!OpenAndPlace(m, state)) return;
  TPlatform& w = m.W();
  w.Run.ObjectCount = 3;
  for (DataLine& block : w.Frames.FrameDataLines) {
    block.Objects[1].PrevX = block.Objects[1].X = 500;
    block.Objects[1].PrevY = block.Objects[1].Y = 300;
    block.Objects[2].PrevX = block.Objects[2].X = 361;
    block.Objects[2].PrevY = block.Objects[2].Y = 380;
  }
  m.Find<QSlider>("TrackBar1")->setValue(1);
  for (auto _ : state) {
    state.PauseTiming();
    BackToTheStart(m);
    state.ResumeTiming();
    m.Click("Button3");
    m.WaitUntilStopped();
  }
  state.counters["frames/s"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
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

BENCHMARK_CAPTURE(SequentialGrab, OwnAvi, Reader::OwnAvi)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SequentialGrab, Ffmpeg, Reader::Ffmpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WindowRun, OwnAvi, Reader::OwnAvi)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(WindowRun, Ffmpeg, Reader::Ffmpeg)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(WindowSteps, OwnAvi, Reader::OwnAvi)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
