#include "video/WavFromVideo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <vector>

#include "base/ByteOrder.h"
#include "base/TextTools.h"
#include "video/AvsScript.h"
#include "video/FfmpegHandles.h"
#include "video/FfmpegVideoSource.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace {

struct SwrFreer {
  void operator()(SwrContext* p) const { swr_free(&p); }
};
using SwrPtr = std::unique_ptr<SwrContext, SwrFreer>;

struct Fail {
  std::string text;
};

constexpr const char* kCannotWrite = "The WAV file cannot be written in the video's folder.";

const std::vector<char>& SilenceBytes() {
  static const std::vector<char> zeros(65536, 0);
  return zeros;
}

// Streams converted samples into the temporary file, dropping or padding at
// the start so that the track lines up with the first video frame, and
// (given the video's length) at the end so that it ends with the last one.
// A write that fails (a full disk) ends the extraction at once.
class TrackWriter {
 public:
  TrackWriter(std::ofstream& out, int channels) : out_(out), bytes_per_frame_(2 * channels) {}
  void SetLeadIn(int64_t frames) { lead_in_ = frames; }
  void SetLength(int64_t frames) { length_ = frames; }
  void Write(const uint8_t* data, int frames) {
    const std::vector<char>& kSilence = SilenceBytes();
    for (; lead_in_ > 0;) {
      const int64_t n = std::min<int64_t>(lead_in_, static_cast<int64_t>(kSilence.size()) / bytes_per_frame_);
      Put(kSilence.data(), n);
      lead_in_ = Full() ? 0 : lead_in_ - n;
    }
    if (lead_in_ < 0) {
      const int64_t skip = std::min<int64_t>(-lead_in_, frames);
      data += skip * bytes_per_frame_;
      frames -= static_cast<int>(skip);
      lead_in_ += skip;
    }
    if (frames > 0) Put(reinterpret_cast<const char*>(data), frames);
  }
  void Silence(int64_t frames) {
    const std::vector<char>& zeros = SilenceBytes();
    const int64_t chunk = static_cast<int64_t>(zeros.size()) / bytes_per_frame_;
    for (; frames > 0; frames -= chunk)
      Write(reinterpret_cast<const uint8_t*>(zeros.data()), static_cast<int>(std::min(frames, chunk)));
  }
  // Silence up to the video's end when the sound stops before it.
  void PadToLength() {
    if (length_ > written_) Silence(length_ - written_);
  }
  int64_t Written() const { return written_; }

 private:
  bool Full() const { return length_ >= 0 && written_ >= length_; }
  void Put(const char* bytes, int64_t frames) {
    if (length_ >= 0) frames = std::min(frames, length_ - written_);
    if (frames <= 0) return;
    out_.write(bytes, static_cast<std::streamsize>(frames * bytes_per_frame_));
    written_ += frames;
    if (!out_) throw Fail{kCannotWrite};
  }

  std::ofstream& out_;
  int bytes_per_frame_;
  int64_t lead_in_ = 0;
  int64_t length_ = -1;  // sample frames up to the video's end; -1: the track's own end
  int64_t written_ = 0;
};

}  // namespace

std::string WavFileNameFor(const std::string& video_path) {
  return (std::filesystem::path(video_path).parent_path() / "tsy.wav").string();
}

std::string WavHeader(int channels, int sample_rate, uint32_t data_bytes) {
  std::string h = "RIFF";
  AppendLe32(h, data_bytes + kWavDataOffset - 8);
  h += "WAVEfmt ";
  AppendLe32(h, 20);
  AppendLe16(h, 1);  // PCM
  AppendLe16(h, static_cast<uint32_t>(channels));
  AppendLe32(h, static_cast<uint32_t>(sample_rate));
  AppendLe32(h, static_cast<uint32_t>(sample_rate * 2 * channels));
  AppendLe16(h, static_cast<uint32_t>(2 * channels));
  AppendLe16(h, 16);
  AppendLe32(h, 0);  // no extra format bytes, then padding to 20
  h += "data";
  AppendLe32(h, data_bytes);
  return h;
}

namespace {

// The time (seconds) of the first picture the decoder gives, which the frame
// source takes for frame 0: a stream cut in the middle of a group of pictures
// starts with pictures that do not decode. Read on a second demuxer.
std::optional<double> FirstPictureSeconds(const std::string& video_path, int stream) {
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, video_path.c_str(), nullptr, nullptr) < 0) return std::nullopt;
  AvFormatPtr format(raw);
  if (avformat_find_stream_info(format.get(), nullptr) < 0 || unsigned(stream) >= format->nb_streams)
    return std::nullopt;
  const AVStream* st = format->streams[stream];
  const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
  AvCodecContextPtr codec(decoder ? avcodec_alloc_context3(decoder) : nullptr);
  if (!codec || avcodec_parameters_to_context(codec.get(), st->codecpar) < 0) return std::nullopt;
  codec->pkt_timebase = st->time_base;
  if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return std::nullopt;
  AvPacketPtr packet = MakeAvPacket();
  AvFramePtr frame = MakeAvFrame();
  if (!packet || !frame) return std::nullopt;
  bool flushed = false;
  for (int packets = 0; packets < 10000;) {
    const int r = avcodec_receive_frame(codec.get(), frame.get());
    if (r == 0) {
      if (frame->best_effort_timestamp == AV_NOPTS_VALUE) return std::nullopt;
      return frame->best_effort_timestamp * av_q2d(st->time_base);
    }
    if (r != AVERROR(EAGAIN) || flushed) return std::nullopt;
    if (av_read_frame(format.get(), packet.get()) < 0) {
      avcodec_send_packet(codec.get(), nullptr);
      flushed = true;
      continue;
    }
    if (packet->stream_index == stream) {
      ++packets;
      avcodec_send_packet(codec.get(), packet.get());
    }
    av_packet_unref(packet.get());
  }
  return std::nullopt;
}

void Extract(const std::string& video_path, const std::string& temp_path, double video_seconds, WavTrackInfo& info) {
  AVFormatContext* raw = nullptr;
  // The result's name goes with the message, as the frame source's step log shows it.
  auto named = [](const char* text, int code) {
    const std::string name = HResultToName(code);
    return Fail{name.empty() ? std::string(text) : std::string(text) + " (" + name + ")"};
  };
  if (const int r = avformat_open_input(&raw, video_path.c_str(), nullptr, nullptr); r < 0)
    throw named("The video file cannot be opened.", r);
  AvFormatPtr format(raw);
  if (const int r = avformat_find_stream_info(format.get(), nullptr); r < 0)
    throw named("The video's streams cannot be read.", r);
  const int video = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const int audio = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, video >= 0 ? video : -1, nullptr, 0);
  if (audio < 0) throw Fail{"The video has no sound track."};
  AVStream* st = format->streams[audio];
  const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
  if (!decoder) throw Fail{"No decoder for the sound track's format."};
  AvCodecContextPtr codec(avcodec_alloc_context3(decoder));
  if (!codec || avcodec_parameters_to_context(codec.get(), st->codecpar) < 0) throw Fail{"The sound decoder cannot be set up."};
  codec->pkt_timebase = st->time_base;
  if (avcodec_open2(codec.get(), decoder, nullptr) < 0) throw Fail{"The sound decoder cannot be opened."};
  const int rate = codec->sample_rate;
  if (rate <= 0 || codec->ch_layout.nb_channels <= 0) throw Fail{"The sound track's format is not known."};
  // A damaged header can claim any rate; beyond this no recorder goes, and
  // the track would be written as gigabytes of silence.
  constexpr int kMaxSampleRate = 1000000;
  if (rate > kMaxSampleRate)
    throw Fail{"The sound track's sampling rate (" + std::to_string(rate) + " Hz) is out of range."};
  const int channels = codec->ch_layout.nb_channels == 1 ? 1 : 2;
  const bool avi = std::strcmp(format->iformat->name, "avi") == 0;
  // An AVI holds no time stamps: the demuxer counts them from the chunks, or
  // from the bytes when the header gives a compressed track a block of one
  // byte (a constant bit rate). A variable rate track (MP3) so marked gets
  // stamps that run ahead of its sound, and no gap in them can be believed.
  const bool stamps_from_bytes =
      avi && st->codecpar->block_align <= 1 && av_get_exact_bits_per_sample(st->codecpar->codec_id) == 0;

  // The converter follows the decoded frames: a track may change its layout,
  // sample format or rate part way (joined recordings), and a converter set
  // up for other frames would read planes that are not there.
  SwrPtr swr;
  AVChannelLayout swr_layout{};
  int swr_format = AV_SAMPLE_FMT_NONE, swr_rate = 0;
  struct LayoutFreer {
    AVChannelLayout& layout;
    ~LayoutFreer() { av_channel_layout_uninit(&layout); }
  } free_layout{swr_layout};
  auto set_up = [&](const AVChannelLayout& layout, int format, int in_rate) {
    AVChannelLayout in_layout{};
    if (layout.order == AV_CHANNEL_ORDER_UNSPEC)
      av_channel_layout_default(&in_layout, layout.nb_channels);
    else
      av_channel_layout_copy(&in_layout, &layout);
    AVChannelLayout out_layout{};
    av_channel_layout_default(&out_layout, channels);
    SwrContext* swr_raw = nullptr;
    const int set = swr_alloc_set_opts2(&swr_raw, &out_layout, AV_SAMPLE_FMT_S16, rate, &in_layout,
                                        static_cast<AVSampleFormat>(format), in_rate, 0, nullptr);
    av_channel_layout_uninit(&in_layout);
    av_channel_layout_uninit(&out_layout);
    swr.reset(swr_raw);
    if (set < 0 || swr_init(swr.get()) < 0) throw Fail{"The sound cannot be converted."};
    av_channel_layout_uninit(&swr_layout);
    av_channel_layout_copy(&swr_layout, &layout);
    swr_format = format;
    swr_rate = in_rate;
  };
  set_up(codec->ch_layout, codec->sample_fmt, rate);

  // The first video frame's time: the track is cut or padded to start there.
  double video_start = 0;
  if (video >= 0) {
    const AVStream* vs = format->streams[video];
    if (vs->start_time != AV_NOPTS_VALUE) video_start = vs->start_time * av_q2d(vs->time_base);
    // An AVI's frames are counted from its first chunk, whatever the decoder
    // makes of the picture times.
    if (!avi)
      if (const auto first = FirstPictureSeconds(video_path, video); first && *first > video_start) video_start = *first;
  }

  std::ofstream out(temp_path, std::ios::binary | std::ios::trunc);
  if (!out) throw Fail{kCannotWrite};
  out << WavHeader(channels, rate, 0);
  TrackWriter writer(out, channels);
  if (video_seconds > 0) writer.SetLength(std::llround(video_seconds * rate));
  bool first = true;
  double expected_end = 0;  // where the last decoded frame's sound ends, seconds
  const double file_seconds = format->duration > 0 ? double(format->duration) / AV_TIME_BASE : 0;
  std::vector<uint8_t> buffer;
  AvFramePtr frame = MakeAvFrame();
  AvPacketPtr packet = MakeAvPacket();

  auto convert = [&](const AVFrame* f) {
    const int in_count = f ? f->nb_samples : 0;
    const int room = swr_get_out_samples(swr.get(), in_count);
    if (room <= 0) return 0;
    buffer.resize(static_cast<size_t>(room) * 2 * static_cast<size_t>(channels));
    uint8_t* outs[1] = {buffer.data()};
    const int got = swr_convert(swr.get(), outs, room, f ? const_cast<const uint8_t**>(f->extended_data) : nullptr,
                                in_count);
    if (got < 0) throw Fail{"The sound cannot be converted."};
    writer.Write(buffer.data(), got);
    return got;
  };
  auto drain = [&]() {
    for (int refused = 0;;) {
      const int r = avcodec_receive_frame(codec.get(), frame.get());
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
      // A packet the decoder refuses only part way (the odd byte of a
      // recording cut in its last sound chunk) loses that part alone; the
      // decoder drops the packet, so the refusals cannot go on.
      if (r == AVERROR(ENOMEM)) throw Fail{"The sound track cannot be decoded."};
      if (r < 0) {
        if (++refused > 100) return;
        continue;
      }
      refused = 0;
      // A packet that did not decode (or that the recorder lost) leaves a gap
      // in the time stamps: silence in its place keeps the later sound at
      // its time. Time stamps that go back (a joined recording) or leap far
      // ahead are not gaps.
      const int64_t stamp = frame->best_effort_timestamp;
      const double stamp_seconds = stamp != AV_NOPTS_VALUE ? stamp * av_q2d(st->time_base) : 0;
      if (!first && !stamps_from_bytes && stamp != AV_NOPTS_VALUE && frame->sample_rate > 0) {
        const double gap = stamp_seconds - expected_end;
        const double length = double(frame->nb_samples) / frame->sample_rate;
        constexpr double kMaxGapSeconds = 60;
        // Never past the file's own length: a garbled time stamp is no gap.
        const bool within = file_seconds <= 0 || stamp_seconds - video_start <= file_seconds + 1;
        if (gap > std::max(0.002, length / 2) && gap <= kMaxGapSeconds && within)
          writer.Silence(std::llround(gap * rate));
      }
      if (stamp != AV_NOPTS_VALUE) expected_end = stamp_seconds;
      if (frame->sample_rate > 0) expected_end += double(frame->nb_samples) / frame->sample_rate;
      if (first) {
        first = false;
        int64_t pts = frame->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) pts = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
        const double audio_start = pts * av_q2d(st->time_base);
        writer.SetLeadIn(static_cast<int64_t>(std::llround((audio_start - video_start) * rate)));
      }
      const int frame_rate = frame->sample_rate > 0 ? frame->sample_rate : swr_rate;
      if (frame->ch_layout.nb_channels <= 0) {
        av_frame_unref(frame.get());
        continue;
      }
      if (frame->format != swr_format || frame_rate != swr_rate ||
          av_channel_layout_compare(&frame->ch_layout, &swr_layout) != 0) {
        while (convert(nullptr) > 0) {
        }
        set_up(frame->ch_layout, frame->format, frame_rate);
      }
      convert(frame.get());
      av_frame_unref(frame.get());
    }
  };

  for (;;) {
    const int r = av_read_frame(format.get(), packet.get());
    if (r == AVERROR_EOF) break;
    if (r < 0) throw Fail{"The video file could not be read to its end."};
    if (packet->stream_index == audio) {
      const int s = avcodec_send_packet(codec.get(), packet.get());
      // A damaged packet is skipped, whatever the decoder calls it (AAC says
      // AVERROR(EPERM)); the rest of the track is still wanted.
      if (s == AVERROR(ENOMEM)) {
        av_packet_unref(packet.get());
        throw Fail{"The sound track cannot be decoded."};
      }
      av_packet_unref(packet.get());
      drain();
    } else {
      av_packet_unref(packet.get());
    }
  }
  avcodec_send_packet(codec.get(), nullptr);
  drain();
  while (convert(nullptr) > 0) {
  }
  // A track that holds nothing is told, however long the video.
  if (writer.Written() > 0) writer.PadToLength();

  const int64_t data_bytes = writer.Written() * 2 * channels;
  if (writer.Written() == 0) throw Fail{"The sound track holds no samples."};
  if (data_bytes > std::numeric_limits<uint32_t>::max() - kWavDataOffset)
    throw Fail{"The sound track is too long for a WAV file."};
  out.seekp(0);
  out << WavHeader(channels, rate, static_cast<uint32_t>(data_bytes));
  out.close();
  if (!out) throw Fail{kCannotWrite};
  info = {channels, rate, writer.Written()};
}

}  // namespace

std::string HResultToName(int code) { return FfmpegResultName(code); }

bool MakeWavFromVideo(const std::string& video_path, const std::string& wav_path, std::string* message,
                      WavTrackInfo* info, double video_seconds) {
  const std::string temp = wav_path + ".part";
  WavTrackInfo got;
  std::error_code ec;
  try {
    // A script's sound is that of the video it reads.
    AvsScriptSource script;
    std::string why;
    if (AsciiLower(ExtensionOf(video_path)) == ".avs" && !ReadAvsScript(video_path, script, why)) throw Fail{why};
    Extract(script.video_path.empty() ? video_path : script.video_path, temp, video_seconds, got);
  } catch (const Fail& f) {
    std::filesystem::remove(temp, ec);
    if (message) *message = f.text;
    return false;
  }
  std::filesystem::rename(temp, wav_path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    if (message) *message = kCannotWrite;
    return false;
  }
  if (info) *info = got;
  if (message) message->clear();
  return true;
}
