#include "video/CaptureSession.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <unistd.h>

#include "video/FfmpegHandles.h"
#include "video/PixelConvert.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/imgutils.h>
}

namespace {

constexpr size_t kPreviewQueue = 2;  // older frames are dropped: the window shows the newest

struct AvDictionaryFreer {
  void operator()(AVDictionary* d) const { av_dict_free(&d); }
};

// An output context that was allocated for writing (not opened for input).
struct AvOutputCloser {
  void operator()(AVFormatContext* oc) const {
    if (!oc) return;
    if (oc->pb && !(oc->oformat->flags & AVFMT_NOFILE)) avio_closep(&oc->pb);
    avformat_free_context(oc);
  }
};
using AvOutputPtr = std::unique_ptr<AVFormatContext, AvOutputCloser>;

int Interrupted(void* opaque) { return static_cast<std::atomic<bool>*>(opaque)->load() ? 1 : 0; }

std::string Part(const std::string& file) { return CaptureWorkingFile(file); }

// A file that took the name while recording (another program, a copy) is
// someone's data: the name is taken only while it is free.
void RenameWithoutReplacing(const std::string& from, const std::string& to, std::error_code& ec) {
  ec.clear();
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  if (errno != EINVAL && errno != ENOSYS) {
    ec = std::error_code(errno, std::generic_category());
    return;
  }
  // A file system without that flag: a link fails on an existing name.
  if (link(from.c_str(), to.c_str()) != 0) {
    ec = std::error_code(errno, std::generic_category());
    return;
  }
  unlink(from.c_str());
}

// Whether the file holds a picture that decodes: with a sound track, a disk
// that fills up can take the sound chunks queued before the first picture and
// then cut the picture itself short.
bool HoldsPicture(const std::string& file) {
  AVFormatContext* ctx = nullptr;
  if (avformat_open_input(&ctx, file.c_str(), nullptr, nullptr) < 0) return false;
  AvFormatPtr in(ctx);
  const AVCodec* codec = nullptr;
  const int video = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (video < 0 || !codec) return false;
  AvCodecContextPtr decoder(avcodec_alloc_context3(codec));
  if (!decoder || avcodec_parameters_to_context(decoder.get(), ctx->streams[video]->codecpar) < 0 ||
      avcodec_open2(decoder.get(), codec, nullptr) < 0)
    return false;
  AvPacketPtr pkt = MakeAvPacket();
  AvFramePtr frame = MakeAvFrame();
  bool more = true;
  while (more) {
    more = av_read_frame(ctx, pkt.get()) >= 0;
    if (more && (pkt->stream_index != video || pkt->size == 0)) {
      av_packet_unref(pkt.get());
      continue;
    }
    avcodec_send_packet(decoder.get(), more ? pkt.get() : nullptr);  // a cut picture fails here or below
    av_packet_unref(pkt.get());
    if (avcodec_receive_frame(decoder.get(), frame.get()) == 0) return true;
  }
  return false;
}

}  // namespace

std::string CaptureWorkingFile(const std::string& file) { return file + ".part"; }

std::string CaptureResultName(int error) {
  if (error == 0) return "S_OK";
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

struct CaptureSession::Impl {
  AvFormatPtr video_in;
  AvFormatPtr audio_in;
  AvCodecContextPtr decoder;
  int video_index = -1;
  AvOutputPtr out;
  AvCodecContextPtr encoder;
  AVStream* video_out = nullptr;
  AVStream* audio_out = nullptr;
  int audio_bytes_per_sample_frame = 0;  // bytes of one sample of all channels
  int64_t audio_samples = 0;
  SwsPtr to_encoder;
  std::mutex mux_mutex;
  std::string file_name;
};

CaptureSession::CaptureSession() : impl_(std::make_unique<Impl>()) {}

CaptureSession::~CaptureSession() { Stop(); }

void CaptureSession::Log(const std::string& line) {
  std::lock_guard lock(log_mutex_);
  log_.push_back(line);
}

std::vector<std::string> CaptureSession::TakeLog() {
  std::lock_guard lock(log_mutex_);
  std::vector<std::string> out;
  out.swap(log_);
  return out;
}

bool CaptureSession::TakePreview(Bitmap24& out) {
  std::lock_guard lock(preview_mutex_);
  if (previews_.empty()) return false;
  out = std::move(previews_.back());
  previews_.clear();
  return true;
}

namespace {

// Opens one device; the error or 0.
int OpenDevice(const CaptureDevice& d, std::atomic<bool>& stop, AvFormatPtr& out) {
  avdevice_register_all();
  const AVInputFormat* f = av_find_input_format(d.Format.c_str());
  if (!f) return AVERROR_DEMUXER_NOT_FOUND;
  AVDictionary* opts = nullptr;
  for (const auto& [k, v] : d.Options) av_dict_set(&opts, k.c_str(), v.c_str(), 0);
  std::unique_ptr<AVDictionary, AvDictionaryFreer> keep_opts(opts);
  AVFormatContext* ctx = avformat_alloc_context();
  if (!ctx) return AVERROR(ENOMEM);
  ctx->interrupt_callback.callback = Interrupted;
  ctx->interrupt_callback.opaque = &stop;
  // A camera that sends nothing must not hold up Stop: its reads return
  // EAGAIN and the read loops look at the stop flag in between. The test
  // pattern paces itself inside the read, so it stays blocking.
  if (d.Format != "lavfi") ctx->flags |= AVFMT_FLAG_NONBLOCK;
  AVDictionary* pass = opts;
  keep_opts.release();
  const int e = avformat_open_input(&ctx, d.Url.c_str(), f, &pass);  // frees ctx on failure
  av_dict_free(&pass);
  if (e < 0) return e;
  out.reset(ctx);
  return 0;
}

}  // namespace

int CaptureSession::Start(const CaptureRequest& r) {
  Stop();
  Impl& m = *impl_;
  stop_ = false;
  saved_file_.clear();
  frames_written_ = 0;
  frames_seen_ = 0;
  packets_muxed_ = 0;
  write_error_ = 0;
  device_error_ = 0;
  {
    std::lock_guard lock(preview_mutex_);
    previews_.clear();
  }

  if (int e = OpenDevice(r.Video, stop_, m.video_in); e < 0) {
    Log("pMoniker BindToObject : " + CaptureResultName(e));
    Release();
    return e;
  }
  m.video_index = av_find_best_stream(m.video_in.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (m.video_index < 0) {
    Log("AddFilter : " + CaptureResultName(m.video_index));
    const int e = m.video_index;
    Release();
    return e;
  }
  AVStream* vs = m.video_in->streams[m.video_index];
  const AVCodec* dec = avcodec_find_decoder(vs->codecpar->codec_id);
  m.decoder.reset(dec ? avcodec_alloc_context3(dec) : nullptr);
  int e = m.decoder ? avcodec_parameters_to_context(m.decoder.get(), vs->codecpar) : AVERROR_DECODER_NOT_FOUND;
  if (e >= 0) e = avcodec_open2(m.decoder.get(), dec, nullptr);
  if (e < 0) {
    Log("AddFilter : " + CaptureResultName(e));
    Release();
    return e;
  }
  width_ = vs->codecpar->width;
  height_ = vs->codecpar->height;
  AVRational rate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
  // A generator that states no rate ticks its clock once a frame.
  if ((rate.num <= 0 || rate.den <= 0) && av_cmp_q(vs->time_base, AVRational{1, 1000}) > 0)
    rate = av_inv_q(vs->time_base);
  if (rate.num <= 0 || rate.den <= 0) rate = {30, 1};
  rate_ = av_q2d(rate);

  // Sound is optional: a missing or unreadable audio device costs only the sound track.
  if (r.Audio) {
    if (int ea = OpenDevice(*r.Audio, stop_, m.audio_in); ea < 0) {
      Log("pMoniker BindToObject : " + CaptureResultName(ea));
    } else if (m.audio_in->nb_streams < 1) {
      m.audio_in.reset();
    }
  }
  audio_in_ = m.audio_in.get();

  int result = 0;
  if (r.Mode == CaptureMode::Record) {
    m.file_name = r.FileName;
    AVFormatContext* oc = nullptr;
    e = avformat_alloc_output_context2(&oc, nullptr, "avi", Part(r.FileName).c_str());
    m.out.reset(oc);
    const AVCodec* enc = avcodec_find_encoder_by_name(r.Compressor.Encoder.c_str());
    if (e < 0 || !oc) {
      Log("SetOutPutFileName : " + CaptureResultName(e));
      result = e;
    } else if (!enc) {
      result = AVERROR_ENCODER_NOT_FOUND;
      Log("pMoniker.BindToStorage : " + CaptureResultName(result) + " No." + r.Compressor.Name);
    } else {
      // The pixel format closest to the frames first; an encoder with size
      // rules (DV: 4:1:1 for NTSC, 4:2:0 for PAL) takes the first it accepts.
      std::vector<AVPixelFormat> formats{AV_PIX_FMT_BGR24};
      if (enc->pix_fmts) {
        formats = {avcodec_find_best_pix_fmt_of_list(enc->pix_fmts, AV_PIX_FMT_BGR24, 0, nullptr)};
        for (const AVPixelFormat* f = enc->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
          if (*f != formats.front()) formats.push_back(*f);
      }
      for (AVPixelFormat format : formats) {
        m.encoder.reset(avcodec_alloc_context3(enc));
        AVCodecContext* c = m.encoder.get();
        c->width = width_;
        c->height = height_;
        c->time_base = av_inv_q(rate);
        c->framerate = rate;
        c->pix_fmt = format;
        if (oc->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        e = avcodec_open2(c, enc, nullptr);
        if (e >= 0) break;
      }
      if (e < 0) {
        Log("pMoniker.BindToStorage : " + CaptureResultName(e) + " No." + r.Compressor.Name);
        result = e;
      }
    }
    if (result == 0) {
      m.video_out = avformat_new_stream(oc, nullptr);
      e = m.video_out ? avcodec_parameters_from_context(m.video_out->codecpar, m.encoder.get()) : AVERROR(ENOMEM);
      if (m.video_out) m.video_out->time_base = m.encoder->time_base;
      if (e < 0) {
        Log("RenderStream pFileOutPut : " + CaptureResultName(e));
        result = e;
      }
    }
    if (result == 0 && m.audio_in) {
      const AVCodecParameters* ap = m.audio_in->streams[0]->codecpar;
      const int bits = av_get_bits_per_sample(ap->codec_id);
      const int channels = ap->ch_layout.nb_channels;
      if (ap->codec_type != AVMEDIA_TYPE_AUDIO || bits <= 0 || channels <= 0 || ap->sample_rate <= 0) {
        Log("RenderStream ppAudioInput : " + CaptureResultName(AVERROR_PATCHWELCOME));
      } else {
        m.audio_out = avformat_new_stream(oc, nullptr);
        if (m.audio_out && avcodec_parameters_copy(m.audio_out->codecpar, ap) >= 0) {
          m.audio_out->codecpar->codec_tag = 0;
          m.audio_out->time_base = {1, ap->sample_rate};
          m.audio_bytes_per_sample_frame = bits / 8 * channels;
        } else {
          Log("RenderStream ppAudioInput : " + CaptureResultName(AVERROR(ENOMEM)));
        }
      }
    }
    if (result == 0) {
      e = avio_open(&oc->pb, Part(r.FileName).c_str(), AVIO_FLAG_WRITE);
      if (e < 0) {
        Log("SetOutPutFileName : " + CaptureResultName(e));
        result = e;
      }
    }
    if (result == 0) {
      // Every frame reaches the file at once: a full disk shows at the frame it
      // happens, and a recording cut short keeps all frames before it.
      oc->flush_packets = 1;
      e = avformat_write_header(oc, nullptr);
      if (e < 0) {
        Log("RenderStream pFileOutPut : " + CaptureResultName(e));
        result = e;
      }
    }
    if (result != 0) {
      // Preview goes on without the file.
      m.encoder.reset();
      m.out.reset();
      m.video_out = m.audio_out = nullptr;
      std::error_code ec;
      std::filesystem::remove(Part(r.FileName), ec);
    } else {
      recording_ = true;
    }
  }

  running_ = true;
  video_thread_ = std::thread([this] { VideoLoop(); });
  if (m.audio_in) audio_thread_ = std::thread([this] { AudioLoop(); });
  return result;
}

bool CaptureSession::Mux(AVPacket* packet) {
  Impl& m = *impl_;
  std::lock_guard lock(m.mux_mutex);
  if (write_error_ != 0) return false;
  const int e = av_interleaved_write_frame(m.out.get(), packet);
  if (e >= 0) {
    ++packets_muxed_;
    return true;
  }
  write_error_ = e;
  Log("pFileOutPut Write : " + CaptureResultName(e));
  return false;
}

void CaptureSession::VideoLoop() {
  Impl& m = *impl_;
  AvPacketPtr pkt = MakeAvPacket();
  AvPacketPtr out_pkt = MakeAvPacket();
  AvFramePtr frame = MakeAvFrame();
  AvFramePtr enc_frame = MakeAvFrame();
  SwscaleToBgr scaler;
  Bitmap24 bmp;

  auto drain_encoder = [&] {
    while (avcodec_receive_packet(m.encoder.get(), out_pkt.get()) == 0) {
      av_packet_rescale_ts(out_pkt.get(), m.encoder->time_base, m.video_out->time_base);
      out_pkt->stream_index = m.video_out->index;
      Mux(out_pkt.get());
      av_packet_unref(out_pkt.get());
    }
  };

  // Each frame goes to its place in time by the device's clock: a frame the
  // device or this loop dropped leaves its place empty (the AVI muxer writes
  // an empty chunk there), so every later frame keeps its time. A jump of the
  // clock by more than a few minutes is taken for a reset of the clock.
  const AVRational device_base = m.video_in->streams[m.video_index]->time_base;
  const AVRational frame_base = m.encoder ? m.encoder->time_base : AVRational{1, 1};
  const int64_t longest_gap = std::clamp<int64_t>(int64_t(rate_ * 300), 1, 50000);  // the muxer refuses longer runs
  int64_t origin = AV_NOPTS_VALUE, origin_index = 0, next_index = 0;
  auto place = [&](int64_t t) {
    if (t == AV_NOPTS_VALUE || device_base.num <= 0 || device_base.den <= 0) return next_index;
    int64_t index = origin == AV_NOPTS_VALUE ? next_index
                                             : origin_index + av_rescale_q_rnd(t - origin, device_base, frame_base,
                                                                               AV_ROUND_NEAR_INF);
    if (origin == AV_NOPTS_VALUE || index - next_index > longest_gap) {
      origin = t, origin_index = next_index;
      index = next_index;
    }
    return std::max(index, next_index);
  };

  auto encode = [&](const Bitmap24& b, int64_t index) {
    AVCodecContext* c = m.encoder.get();
    av_frame_unref(enc_frame.get());
    enc_frame->format = c->pix_fmt;
    enc_frame->width = c->width;
    enc_frame->height = c->height;
    if (av_frame_get_buffer(enc_frame.get(), 0) < 0) return;
    const uint8_t* src[4] = {b.Data(), nullptr, nullptr, nullptr};
    const int src_stride[4] = {b.Stride(), 0, 0, 0};
    if (c->pix_fmt == AV_PIX_FMT_BGR24) {
      av_image_copy_plane(enc_frame->data[0], enc_frame->linesize[0], b.Data(), b.Stride(), b.Width() * 3, b.Height());
    } else {
      m.to_encoder.reset(sws_getCachedContext(m.to_encoder.release(), b.Width(), b.Height(), AV_PIX_FMT_BGR24,
                                              c->width, c->height, c->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
      if (!m.to_encoder) return;
      sws_scale(m.to_encoder.get(), src, src_stride, 0, b.Height(), enc_frame->data, enc_frame->linesize);
    }
    enc_frame->pts = index;
    if (avcodec_send_frame(c, enc_frame.get()) < 0) return;
    next_index = index + 1;
    frames_written_ = next_index;
    drain_encoder();
  };

  while (!stop_) {
    const int e = av_read_frame(m.video_in.get(), pkt.get());
    if (e == AVERROR(EAGAIN)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    if (e < 0) {
      if (!stop_) {
        Log("pMediaControl Run : " + CaptureResultName(e));
        device_error_ = e;
      }
      break;
    }
    if (pkt->stream_index != m.video_index) {
      av_packet_unref(pkt.get());
      continue;
    }
    const int sent = avcodec_send_packet(m.decoder.get(), pkt.get());
    av_packet_unref(pkt.get());
    if (sent < 0) continue;
    while (!stop_ && avcodec_receive_frame(m.decoder.get(), frame.get()) == 0) {
      const int64_t time = frame->best_effort_timestamp;
      const bool ok = AvFrameToBitmap(*frame, scaler, bmp);
      av_frame_unref(frame.get());
      if (!ok || bmp.Width() != width_ || bmp.Height() != height_) continue;
      ++frames_seen_;
      if (recording_ && write_error_ == 0) encode(bmp, place(time));
      std::lock_guard lock(preview_mutex_);
      previews_.push_back(bmp);
      while (previews_.size() > kPreviewQueue) previews_.pop_front();
    }
  }
  if (recording_ && write_error_ == 0) {
    avcodec_send_frame(m.encoder.get(), nullptr);
    drain_encoder();
  }
}

void CaptureSession::AudioLoop() {
  Impl& m = *impl_;
  AvPacketPtr pkt = MakeAvPacket();
  while (!stop_) {
    const int e = av_read_frame(m.audio_in.get(), pkt.get());
    if (e == AVERROR(EAGAIN)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    if (e < 0) break;
    if (recording_ && m.audio_out && m.audio_bytes_per_sample_frame > 0 && pkt->stream_index == 0) {
      const int64_t samples = pkt->size / m.audio_bytes_per_sample_frame;
      pkt->pts = pkt->dts = m.audio_samples;
      pkt->duration = samples;
      pkt->pos = -1;
      m.audio_samples += samples;
      pkt->stream_index = m.audio_out->index;
      Mux(pkt.get());
    }
    av_packet_unref(pkt.get());
  }
}

void CaptureSession::Stop() {
  if (!running_) return;
  Impl& m = *impl_;
  stop_ = true;
  if (video_thread_.joinable()) video_thread_.join();
  if (audio_thread_.joinable()) audio_thread_.join();
  int e = 0;
  if (recording_ && m.out) {
    // An index that does not fit any more (a full disk) loses no frame: every
    // frame written is in the file, and a scan of the file finds them.
    e = av_write_trailer(m.out.get());  // writes the index
    if (write_error_ != 0) e = write_error_;
    if (avio_closep(&m.out->pb) < 0 && e == 0) e = AVERROR(EIO);
    if (write_error_ == 0) write_error_ = e;
    // A file without a single frame is no recording: nothing could open it.
    const bool keep = frames_written_ > 0 && (e == 0 || (packets_muxed_ > 0 && HoldsPicture(Part(m.file_name))));
    std::error_code ec;
    if (keep) {
      RenameWithoutReplacing(Part(m.file_name), m.file_name, ec);
      // A name that cannot be taken (a folder of that name) must not cost the
      // recording: it stays under its working name, and the user is told.
      saved_file_ = ec ? Part(m.file_name) : m.file_name;
      if (ec && e == 0) e = AVERROR(EIO);
      if (write_error_ == 0) write_error_ = e;
    } else {
      std::filesystem::remove(Part(m.file_name), ec);
    }
  }
  Log("pMediaControl Stop : " + CaptureResultName(e));
  Log("pMediaEventl WaitForCompletion : S_OK");
  Release();
}

void CaptureSession::Release() {
  Impl& m = *impl_;
  m.to_encoder.reset();
  m.encoder.reset();
  m.out.reset();
  m.video_out = m.audio_out = nullptr;
  m.audio_samples = 0;
  m.audio_bytes_per_sample_frame = 0;
  m.decoder.reset();
  m.video_in.reset();
  m.audio_in.reset();
  audio_in_ = nullptr;
  m.video_index = -1;
  running_ = false;
  recording_ = false;
}
