// Frame reading speed of both sources on 720x480 files the ffmpeg tool makes
// at start-up (uncompressed BGR24, YUY2 and grey, MJPEG, HuffYUV, FFV1, H.264),
// sequential (a measurement run) and random (scroll-bar jumps), each against
// the reference of the same file in the same process: libavcodec on one
// thread with swscale's default conversion to BGR24, which is what
// `ffmpeg -threads 1 -i file -pix_fmt bgr24 -f null -` does per frame (for
// BGR24 files it hands the decoded frame on without that copy, but delivers
// no picture either). Uncompressed files also time a plain read of the file,
// the floor. The colour conversion itself is timed against swscale's exact path.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <iterator>
#include <map>
#include <random>
#include <string>

#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"
#include "video/PixelConvert.h"
#include "video/TGKAvi.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace {

constexpr int kW = 720, kH = 480, kFrames = 150;

struct Codec {
  const char* name;
  const char* args;  // ffmpeg output options
};
const Codec kCodecs[] = {
    {"raw", "-c:v rawvideo -pix_fmt bgr24"},
    {"raw_yuy2", "-c:v rawvideo -pix_fmt yuyv422"},
    {"raw_grey", "-c:v rawvideo -pix_fmt gray"},
    {"mjpeg", "-c:v mjpeg -pix_fmt yuvj422p -q:v 3"},
    {"huffyuv", "-c:v huffyuv -pix_fmt yuv422p"},
    {"ffv1", "-c:v ffv1 -pix_fmt yuv420p"},
    {"h264", "-c:v libx264 -pix_fmt yuv420p -preset fast -g 50 -bf 2"},
};

const std::string& FileOf(const std::string& codec) {
  static std::map<std::string, std::string> made;
  auto it = made.find(codec);
  if (it != made.end()) return it->second;
  std::string args;
  for (const Codec& c : kCodecs)
    if (codec == c.name) args = c.args;
  std::string path = FixturePath("bench_" + codec + ".avi");
  // Moving test pattern with a little noise, as a camera gives.
  RunFfmpeg("-f lavfi -i testsrc2=size=" + std::to_string(kW) + "x" + std::to_string(kH) +
            ":rate=25 -vf noise=alls=6:allf=t -frames:v " + std::to_string(kFrames) + " " + args + " '" + path + "'");
  return made[codec] = path;
}

void Rate(benchmark::State& state) {
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Reference(benchmark::State& state, const std::string& codec, bool convert) {
  // Decode and convert every frame of the file, reopening at its end. Without
  // the conversion it splits the reference's time into decoding and colour.
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, FileOf(codec).c_str(), nullptr, nullptr) < 0) {
    state.SkipWithError("cannot open");
    return;
  }
  AvFormatPtr fmt(raw);
  avformat_find_stream_info(fmt.get(), nullptr);
  const int s = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const AVCodec* dec = avcodec_find_decoder(fmt->streams[s]->codecpar->codec_id);
  AvCodecContextPtr ctx(avcodec_alloc_context3(dec));
  avcodec_parameters_to_context(ctx.get(), fmt->streams[s]->codecpar);
  ctx->thread_count = 1;
  avcodec_open2(ctx.get(), dec, nullptr);
  AvPacketPtr pkt = MakeAvPacket();
  AvFramePtr frame = MakeAvFrame();
  SwsPtr sws;
  std::vector<uint8_t> bgr(size_t(kW) * kH * 3 + 64);
  for (auto _ : state) {
    bool got = false;
    while (!got) {
      int r = avcodec_receive_frame(ctx.get(), frame.get());
      if (r == 0 && !convert) {
        got = true;
        break;
      }
      if (r == 0) {
        if (!sws)
          sws.reset(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                   frame->height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
        uint8_t* dst[4] = {bgr.data(), nullptr, nullptr, nullptr};
        int dst_stride[4] = {kW * 3, 0, 0, 0};
        sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dst_stride);
        got = true;
        break;
      }
      if (r == AVERROR_EOF) {
        av_seek_frame(fmt.get(), s, 0, AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(ctx.get());
        continue;
      }
      if (av_read_frame(fmt.get(), pkt.get()) < 0) {
        avcodec_send_packet(ctx.get(), nullptr);
        continue;
      }
      if (pkt->stream_index == s) avcodec_send_packet(ctx.get(), pkt.get());
      av_packet_unref(pkt.get());
    }
    benchmark::DoNotOptimize(bgr.data());
  }
  Rate(state);
}

// The floor for uncompressed video: the file's bytes read in frame-sized
// pieces into one buffer, nothing decoded or copied.
void BM_FileRead(benchmark::State& state, const std::string& codec) {
  const int fd = open(FileOf(codec).c_str(), O_RDONLY);
  const off_t size = fd >= 0 ? lseek(fd, 0, SEEK_END) : -1;
  if (size <= 0) {
    state.SkipWithError("cannot open");
    if (fd >= 0) close(fd);
    return;
  }
  const size_t piece = size_t(size / kFrames);
  std::vector<uint8_t> buffer(piece);
  int n = 0;
  for (auto _ : state) {
    if (pread(fd, buffer.data(), piece, off_t(piece) * n) != ssize_t(piece)) state.SkipWithError("read failed");
    n = (n + 1) % kFrames;
    benchmark::DoNotOptimize(buffer.data());
  }
  close(fd);
  Rate(state);
}

void BM_TGKAvi(benchmark::State& state, const std::string& codec, bool random) {
  TGKAvi avi;
  if (!avi.OpenStreams(FileOf(codec))) {
    state.SkipWithError("cannot open");
    return;
  }
  Bitmap24 b;
  std::mt19937 rng(1);
  int n = 0;
  for (auto _ : state) {
    const int frame = random ? int(rng() % kFrames) : n;
    if (!avi.GetFrameBitmap(frame, b)) state.SkipWithError("frame failed");
    n = (n + 1) % kFrames;
    benchmark::DoNotOptimize(b.Data());
  }
  Rate(state);
}

// Reads the frames `next` names through the FFmpeg source.
template <class Next>
void ReadThroughFfmpeg(benchmark::State& state, const std::string& codec, Next&& next) {
  DirectShowSource ds;
  if (!ds.DSOpenVideo(FileOf(codec)).empty()) {
    state.SkipWithError("cannot open");
    return;
  }
  const long double rate = ds.DSFrameRate();
  Bitmap24 b;
  std::string status;
  for (auto _ : state) {
    ds.DSGrabFrame(next(), b, status, rate, 1.0L);
    if (status != "S_OK") state.SkipWithError(status.c_str());
    benchmark::DoNotOptimize(b.Data());
  }
  Rate(state);
  state.counters["seeks"] = double(ds.Source().SeekCount());
  state.counters["decoded"] = double(ds.Source().DecodedCount());
}

void BM_FfmpegSource(benchmark::State& state, const std::string& codec, bool random) {
  std::mt19937 rng(1);
  int n = 0;
  ReadThroughFfmpeg(state, codec, [&] {
    const int frame = random ? int(rng() % kFrames) : n;
    n = (n + 1) % kFrames;
    return frame;
  });
}

// The step buttons after a jump: -1 frame five times, +1 frame, -1 s, +1 s.
void BM_FfmpegSteps(benchmark::State& state, const std::string& codec) {
  std::mt19937 rng(1);
  const int steps[] = {-1, -1, -1, -1, -1, 1, -25, 25};
  int frame = 0;
  size_t k = std::size(steps);
  ReadThroughFfmpeg(state, codec, [&] {
    if (k == std::size(steps)) {
      frame = 40 + int(rng() % (kFrames - 80));
      k = 0;
    } else {
      frame += steps[k++];
    }
    return frame;
  });
}

// A forward jump of 64 frames and a step back, the scroll bar's large steps.
void BM_TGKAviJump64(benchmark::State& state, const std::string& codec) {
  TGKAvi avi;
  if (!avi.OpenStreams(FileOf(codec))) {
    state.SkipWithError("cannot open");
    return;
  }
  Bitmap24 b;
  int n = 0;
  for (auto _ : state) {
    if (!avi.GetFrameBitmap(n, b)) state.SkipWithError("frame failed");
    n = (n + 64) % kFrames;
    benchmark::DoNotOptimize(b.Data());
  }
  Rate(state);
}

// A picture of random bytes in `format`, planes 64-byte aligned.
struct RandomPicture {
  std::vector<uint8_t> buf;
  uint8_t* data[4];
  int lines[4];
  RandomPicture(AVPixelFormat format, int w, int h) : buf(size_t(av_image_get_buffer_size(format, w, h, 64)) + 64) {
    std::mt19937 rng(3);
    for (auto& v : buf) v = uint8_t(rng());
    av_image_fill_arrays(data, lines, buf.data(), format, w, h, 64);
  }
};

// One picture converted again and again by `converter`.
template <class Converter>
void TimeConversion(benchmark::State& state, Converter& converter, AVPixelFormat format, int w, int h) {
  RandomPicture pic(format, w, h);
  Bitmap24 out;
  for (auto _ : state) {
    converter.Convert(pic.data, pic.lines, w, h, format, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_MPEG, out);
    benchmark::DoNotOptimize(out.Data());
  }
  Rate(state);
}

void BM_YuvConversion(benchmark::State& state, AVPixelFormat format, YuvPath path, int w, int h) {
  SwscaleToBgr scaler(path);
  TimeConversion(state, scaler, format, w, h);
}

// One row kernel on its own (the CI machine may lack AVX-512).
// Opening a large transport stream (6 s, padded to about 190 MB): the open
// reads the whole file once for the joins of recordings, against a plain
// read of the file and FFmpeg's own open of it.
const std::string& LargeTransportStream() {
  static const std::string path = [] {
    std::string p = FixturePath("bench_large.ts");
    RunFfmpeg("-f lavfi -i testsrc2=size=" + std::to_string(kW) + "x" + std::to_string(kH) + ":rate=25 -frames:v " +
              std::to_string(kFrames) + " -c:v mpeg2video -q:v 3 -g 12 -muxrate 250M '" + p + "'");
    return p;
  }();
  return path;
}

enum class TsOpen { Source, FfmpegOpen, FileRead };

void BM_TsOpen(benchmark::State& state, TsOpen what) {
  const std::string& path = LargeTransportStream();
  std::vector<uint8_t> buffer(size_t(1) << 20);
  for (auto _ : state) {
    if (what == TsOpen::Source) {
      DirectShowSource ds;
      if (!ds.DSOpenVideo(path).empty()) state.SkipWithError("cannot open");
    } else if (what == TsOpen::FfmpegOpen) {
      AVFormatContext* raw = nullptr;
      if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) state.SkipWithError("cannot open");
      AvFormatPtr fmt(raw);
      if (fmt) avformat_find_stream_info(fmt.get(), nullptr);
    } else {
      const int fd = open(path.c_str(), O_RDONLY);
      off_t at = 0;
      for (ssize_t n; fd >= 0 && (n = pread(fd, buffer.data(), buffer.size(), at)) > 0;) at += n;
      if (fd >= 0) close(fd);
      benchmark::DoNotOptimize(buffer.data());
    }
  }
}

void BM_YuvKernel(benchmark::State& state, AVPixelFormat format, YuvToBgr::Kernel kernel, int w, int h) {
  if (!YuvToBgr::Available(kernel)) {
    state.SkipWithError("this CPU lacks the kernel");
    return;
  }
  YuvToBgr own(kernel);
  TimeConversion(state, own, format, w, h);
}

int Register() {
  for (const Codec& c : kCodecs) {
    const std::string n = c.name;
    benchmark::RegisterBenchmark(("BM_Video/" + n + "/reference").c_str(), BM_Reference, n, true)->UseRealTime();
    benchmark::RegisterBenchmark(("BM_Video/" + n + "/reference_decode").c_str(), BM_Reference, n, false)->UseRealTime();
    if (n.rfind("raw", 0) == 0)
      benchmark::RegisterBenchmark(("BM_Video/" + n + "/file_read").c_str(), BM_FileRead, n)->UseRealTime();
    benchmark::RegisterBenchmark(("BM_Video/" + n + "/TGKAvi_seq").c_str(), BM_TGKAvi, n, false)->UseRealTime();
    benchmark::RegisterBenchmark(("BM_Video/" + n + "/TGKAvi_random").c_str(), BM_TGKAvi, n, true)->UseRealTime();
    benchmark::RegisterBenchmark(("BM_Video/" + n + "/TGKAvi_jump64").c_str(), BM_TGKAviJump64, n)->UseRealTime();
    benchmark::RegisterBenchmark(("BM_Video/" + n + "/ffmpeg_seq").c_str(), BM_FfmpegSource, n, false)->UseRealTime();
    benchmark::RegisterBenchmark(("BM_Video/" + n + "/ffmpeg_random").c_str(), BM_FfmpegSource, n, true)->UseRealTime();
    benchmark::RegisterBenchmark(("BM_Video/" + n + "/ffmpeg_steps").c_str(), BM_FfmpegSteps, n)->UseRealTime();
  }
  benchmark::RegisterBenchmark("BM_TsOpen/large/source", BM_TsOpen, TsOpen::Source)->UseRealTime();
  benchmark::RegisterBenchmark("BM_TsOpen/large/ffmpeg_open", BM_TsOpen, TsOpen::FfmpegOpen)->UseRealTime();
  benchmark::RegisterBenchmark("BM_TsOpen/large/file_read", BM_TsOpen, TsOpen::FileRead)->UseRealTime();
  const struct {
    const char* name;
    AVPixelFormat format;
  } layouts[] = {{"yuv420p", AV_PIX_FMT_YUV420P}, {"yuv422p", AV_PIX_FMT_YUV422P}, {"yuyv422", AV_PIX_FMT_YUYV422}};
  for (auto l : layouts) {
    const std::string n = l.name;
    benchmark::RegisterBenchmark(("BM_YuvToBgr/" + n + "/own").c_str(), BM_YuvConversion, l.format, YuvPath::Own, kW,
                                 kH);
    benchmark::RegisterBenchmark(("BM_YuvToBgr/" + n + "/swscale_exact").c_str(), BM_YuvConversion, l.format,
                                 YuvPath::Swscale, kW, kH);
    const struct {
      const char* name;
      YuvToBgr::Kernel kernel;
    } kernels[] = {{"plain", YuvToBgr::Kernel::Plain}, {"avx2", YuvToBgr::Kernel::Avx2}, {"avx512", YuvToBgr::Kernel::Avx512}};
    for (auto k : kernels)
      benchmark::RegisterBenchmark(("BM_YuvToBgr/" + n + "/" + k.name).c_str(), BM_YuvKernel, l.format, k.kernel, kW,
                                   kH);
  }
  // Large pictures, where splitting the picture into bands may pay.
  for (int h : {1080, 2160})
    benchmark::RegisterBenchmark(("BM_YuvToBgr/yuv420p_" + std::to_string(h) + "/own").c_str(), BM_YuvConversion,
                                 AV_PIX_FMT_YUV420P, YuvPath::Own, h * 16 / 9, h);
  return 0;
}
const int registered = Register();

}  // namespace
