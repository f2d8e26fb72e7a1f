// Frame grabbing speed of both sources on a 720x480 24-bit uncompressed AVI:
// sequential (a measurement run) and random access (scroll-bar jumps), with
// the ffmpeg CLI's own decode rate of the same file as the yardstick.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kW = 720, kH = 480, kFrames = 150;

const std::string& BenchAvi() {
  static std::string path = [] {
    std::string p = FixturePath("bench_720x480.avi");
    AviWriter w(p, kW, kH);
    for (int i = 0; i < kFrames; ++i) w.AddFrame(NumberedFrame(kW, kH, i, 16));
    w.Finish();
    return p;
  }();
  return path;
}

void BM_TGKAviSequential(benchmark::State& state) {
  TGKAvi avi;
  avi.OpenStreams(BenchAvi());
  Bitmap24 b;
  int n = 0;
  for (auto _ : state) {
    avi.GetFrameBitmap(n, b);
    n = (n + 1) % kFrames;
    benchmark::DoNotOptimize(b.Data());
  }
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TGKAviSequential)->UseRealTime();

void BM_TGKAviRandom(benchmark::State& state) {
  TGKAvi avi;
  avi.OpenStreams(BenchAvi());
  Bitmap24 b;
  std::mt19937 rng(1);
  for (auto _ : state) {
    avi.GetFrameBitmap(int(rng() % kFrames), b);
    benchmark::DoNotOptimize(b.Data());
  }
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TGKAviRandom)->UseRealTime();

void BM_FfmpegSourceSequential(benchmark::State& state) {
  DirectShowSource ds;
  ds.DSOpenVideo(BenchAvi());
  long double rate = ds.DSFrameRate();
  Bitmap24 b;
  std::string status;
  int n = 0;
  for (auto _ : state) {
    ds.DSGrabFrame(n, b, status, rate, 1.0L);
    n = (n + 1) % kFrames;
    benchmark::DoNotOptimize(b.Data());
  }
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["seeks"] = double(ds.Source().SeekCount());
}
BENCHMARK(BM_FfmpegSourceSequential)->UseRealTime();

void BM_FfmpegSourceRandom(benchmark::State& state) {
  DirectShowSource ds;
  ds.DSOpenVideo(BenchAvi());
  long double rate = ds.DSFrameRate();
  Bitmap24 b;
  std::string status;
  std::mt19937 rng(1);
  for (auto _ : state) {
    ds.DSGrabFrame(int(rng() % kFrames), b, status, rate, 1.0L);
    benchmark::DoNotOptimize(b.Data());
  }
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FfmpegSourceRandom)->UseRealTime();

// The yardstick: ffmpeg -threads 1 -i file -f null - (decode only).
void BM_FfmpegCliReference(benchmark::State& state) {
  const std::string cmd = "ffmpeg -nostdin -v error -threads 1 -i '" + BenchAvi() + "' -f null - >/dev/null 2>&1";
  std::system(cmd.c_str());  // warm the page cache
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("ffmpeg failed");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  state.counters["frames/s"] =
      benchmark::Counter(double(state.iterations()) * kFrames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FfmpegCliReference)->UseManualTime()->Iterations(5);

}  // namespace
