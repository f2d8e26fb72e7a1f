// Time-stamp reading speed on 720x480 frames with burnt-in stamps.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/StampRender.h"
#include "timestamp/TickStamp.h"
#include "timestamp/TimeStampReader.h"

namespace {

Bitmap24 IotaBenchFrame(TimeStampState& state, double pitch) {
  Bitmap24 f = NoisyFrame(720, 480, 1);
  const std::vector<int> xs = IotaCellXs(70, pitch);
  DrawIotaFields(f, "2359590167    12345678", "235959    033312345678", xs, 437, pitch);
  for (size_t i = 0; i < xs.size(); ++i) state.DigitX[5][7 + i] = xs[i];
  state.LocatedStampRow = 435;
  return f;
}

void BM_ReadIotaLocatedStamp(benchmark::State& st) {
  TimeStampState state;
  const double pitch = 24.1;
  const Bitmap24 frame = IotaBenchFrame(state, pitch);
  GlyphContext ctx;
  ctx.mode = TimeStampMode::Iota;
  ctx.stampLocated = true;
  ctx.stampCharPitch = pitch;
  ctx.stampBackgroundLevel = 48;
  ctx.digitThreshold = 80;
  StampReadOptions opt;
  opt.fieldMeasure = true;
  StampTexts texts;
  for (auto _ : st) {
    ReadTimeStamp(frame, ctx, opt, state, texts);
    benchmark::DoNotOptimize(texts.StampS1Full.data());
  }
  if (texts.StampCount1 != "12345678") st.SkipWithError("misread");
  st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_ReadIotaLocatedStamp);

void BM_ReadKiwiStampWithOffsetSearch(benchmark::State& st) {
  Bitmap24 frame = NoisyFrame(720, 480, 2);
  DrawKiwiFields(frame, "123456000789", "123457123000", 409);
  TimeStampState state;
  LoadKiwiDigitPositions(state.DigitX);
  GlyphContext ctx;
  ctx.mode = TimeStampMode::Kiwi;
  ctx.frameRateRounded = 30;
  ctx.digitThreshold = 100;
  StampTexts texts;
  for (auto _ : st) {
    ReadTimeStamp(frame, ctx, {}, state, texts);
    benchmark::DoNotOptimize(texts.StampS1Full.data());
  }
  if (texts.StampS1Full != "56.789") st.SkipWithError("misread");
  st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_ReadKiwiStampWithOffsetSearch);

void BM_ReadEmbeddedTicks(benchmark::State& st) {
  Bitmap24 frame(720, 480);
  WriteTickCount(frame, 1, TicksOf(2026, 12, 6, 21, 30, 123456789));
  EmbeddedStampOptions o;
  o.ticksRow = 1;
  o.frameInterval = 1 / 29.97L;
  StampTexts texts;
  for (auto _ : st) {
    benchmark::DoNotOptimize(ReadEmbeddedTimeStamp(frame, o, texts));
  }
  st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_ReadEmbeddedTicks);

}  // namespace
