// Deflate, inflate and PNG save on a 720x480 24-bit screenshot-like frame,
// against zlib level 6 on the same bytes.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <vector>

#include "ImageFileLib/DeflateStream.h"
#include "ImageFileLib/JpegLoader.h"
#include "ImageFileLib/PngLoader.h"
#include "support/ScreenshotImage.h"

using namespace ImageFile;

namespace {

const std::vector<uint8_t>& Frame() {
  static const auto frame = MakeScreenshotImage(720, 480);
  return frame;
}

// The frame as a 24-bit bitmap, for the save and load figures.
const TLinearBitmap& FrameBitmap() {
  static const TLinearBitmap bitmap = [] {
    TLinearBitmap b;
    b.New(720, 480, pf24Bit);
    std::copy(Frame().begin(), Frame().end(), b.Map.begin());
    return b;
  }();
  return bitmap;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data, int method) {
  TMemStream out;
  {
    TDeflateStream deflate(&out, 1);
    deflate.Method = static_cast<uint8_t>(method);
    deflate.Write(data.data(), static_cast<int64_t>(data.size()));
    deflate.Finish();
  }
  return out.ToVector();
}

void BM_OurDeflate(benchmark::State& state) {
  const auto& frame = Frame();
  int64_t packed = 0;
  for (auto _ : state) {
    TMemStream out;
    TDeflateStream deflate(&out, 1);
    deflate.Method = static_cast<uint8_t>(state.range(0));
    deflate.Write(frame.data(), static_cast<int64_t>(frame.size()));
    deflate.Finish();
    packed = out.GetSize();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
  state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(frame.size());
  state.counters["bytes"] = static_cast<double>(packed);
}
BENCHMARK(BM_OurDeflate)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// zlib's level-6 stream of the frame, with its 2-byte header and Adler-32.
const std::vector<uint8_t>& ZlibStream() {
  static const std::vector<uint8_t> packed = [] {
    const auto& frame = Frame();
    std::vector<uint8_t> p(compressBound(static_cast<uLong>(frame.size())));
    uLongf n = static_cast<uLongf>(p.size());
    compress2(p.data(), &n, frame.data(), static_cast<uLong>(frame.size()), 6);
    p.resize(n);
    return p;
  }();
  return packed;
}

void OurInflateOf(benchmark::State& state, const uint8_t* packed, size_t size) {
  const auto& frame = Frame();
  std::vector<uint8_t> out(frame.size());
  for (auto _ : state) {
    TMemStream in;
    in.Write(packed, static_cast<int64_t>(size));
    in.SetPosition(0);
    TDeflateStream inflate(&in, 0);
    inflate.Read(out.data(), static_cast<int64_t>(out.size()));
    benchmark::DoNotOptimize(out.data());
  }
  if (out != frame) state.SkipWithError("inflate gave other bytes");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}

void BM_OurInflate(benchmark::State& state) {
  const auto packed = Deflate(Frame(), static_cast<int>(state.range(0)));
  OurInflateOf(state, packed.data(), packed.size());
}
BENCHMARK(BM_OurInflate)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

// Our inflater on the very stream BM_ZlibInflate reads (past its header).
void BM_OurInflateZlibStream(benchmark::State& state) {
  OurInflateOf(state, ZlibStream().data() + 2, ZlibStream().size() - 2);
}
BENCHMARK(BM_OurInflateZlibStream)->Unit(benchmark::kMillisecond);

void BM_ZlibDeflateLevel6(benchmark::State& state) {
  const auto& frame = Frame();
  std::vector<uint8_t> out(compressBound(static_cast<uLong>(frame.size())));
  uLongf n = 0;
  for (auto _ : state) {
    n = static_cast<uLongf>(out.size());
    compress2(out.data(), &n, frame.data(), static_cast<uLong>(frame.size()), 6);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
  state.counters["ratio"] = static_cast<double>(n) / static_cast<double>(frame.size());
  state.counters["bytes"] = static_cast<double>(n);
}
BENCHMARK(BM_ZlibDeflateLevel6)->Unit(benchmark::kMillisecond);

void BM_ZlibInflate(benchmark::State& state) {
  const auto& frame = Frame();
  const auto& packed = ZlibStream();
  std::vector<uint8_t> out(frame.size());
  for (auto _ : state) {
    uLongf m = static_cast<uLongf>(out.size());
    uncompress(out.data(), &m, packed.data(), static_cast<uLong>(packed.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond);

void BM_PngSave720x480(benchmark::State& state) {
  const TLinearBitmap& bitmap = FrameBitmap();
  TPNGLoader loader;
  for (auto _ : state) {
    TMemStream out;
    loader.SaveToStream(out, "PNG", bitmap);
    benchmark::DoNotOptimize(out.GetSize());
  }
}
BENCHMARK(BM_PngSave720x480)->Unit(benchmark::kMillisecond);

void BM_JpegSave720x480(benchmark::State& state) {
  const TLinearBitmap& bitmap = FrameBitmap();
  TJPEGLoader loader;
  loader.Quality = 90;
  for (auto _ : state) {
    TMemStream out;
    loader.SaveToStream(out, "JPG", bitmap);
    benchmark::DoNotOptimize(out.GetSize());
  }
}
BENCHMARK(BM_JpegSave720x480)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {
void BM_PngLoad720x480(benchmark::State& state) {
  const TLinearBitmap& bitmap = FrameBitmap();
  TPNGLoader loader;
  TMemStream file;
  loader.SaveToStream(file, "PNG", bitmap);
  for (auto _ : state) {
    file.SetPosition(0);
    TLinearBitmap back;
    loader.LoadFromStream(file, "PNG", back);
    benchmark::DoNotOptimize(back.Map.data());
  }
}
BENCHMARK(BM_PngLoad720x480)->Unit(benchmark::kMillisecond);
}  // namespace
