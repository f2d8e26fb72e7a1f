#include "video/FfmpegVideoSource.h"

#include "video/AviRiffReader.h"
#include "video/ByteSource.h"
#include "video/TransportStreamScan.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>
#include <malloc.h>

#include "base/ByteOrder.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
// A jump of more frames than this seeks instead of decoding forward, unless
// the key frame before the target lies behind the current frame.
constexpr int64_t kForwardFrames = 48;
// Decoded pictures kept for steps back in a long-GOP video: this many bytes,
// never fewer than a second's worth unless that passes the hard limit.
constexpr int64_t kCacheBytes = int64_t(96) << 20;
constexpr int64_t kCacheHardBytes = int64_t(256) << 20;
constexpr int64_t kCacheMaxFrames = 256;

}  // namespace

std::string FfmpegResultName(int code) {
  if (code >= 0) return "S_OK";
  struct Name {
    int code;
    const char* text;
  };
  static const Name names[] = {
      {AVERROR_EOF, "AVERROR_EOF"},
      {AVERROR_INVALIDDATA, "AVERROR_INVALIDDATA"},
      {AVERROR_DECODER_NOT_FOUND, "AVERROR_DECODER_NOT_FOUND"},
      {AVERROR_DEMUXER_NOT_FOUND, "AVERROR_DEMUXER_NOT_FOUND"},
      {AVERROR_STREAM_NOT_FOUND, "AVERROR_STREAM_NOT_FOUND"},
      {AVERROR_PATCHWELCOME, "AVERROR_PATCHWELCOME"},
      {AVERROR_BUG, "AVERROR_BUG"},
      {AVERROR_UNKNOWN, "AVERROR_UNKNOWN"},
      {AVERROR_EXIT, "AVERROR_EXIT"},
      {AVERROR_OPTION_NOT_FOUND, "AVERROR_OPTION_NOT_FOUND"},
      {AVERROR(ENOENT), "AVERROR(ENOENT)"},
      {AVERROR(EAGAIN), "AVERROR(EAGAIN)"},
      {AVERROR(ENOMEM), "AVERROR(ENOMEM)"},
      {AVERROR(EINVAL), "AVERROR(EINVAL)"},
      {AVERROR(EIO), "AVERROR(EIO)"},
      {AVERROR(EACCES), "AVERROR(EACCES)"},
      {AVERROR(ENOSYS), "AVERROR(ENOSYS)"},
      {AVERROR(EPERM), "AVERROR(EPERM)"},
  };
  for (const Name& n : names)
    if (n.code == code) return n.text;
  return "";
}

namespace {

// Every packet of an uncompressed video is a frame-sized buffer, allocated
// and freed per frame. glibc would hand such buffers' pages back to the
// system as they are freed and fault them in again for the next frame, which
// costs as much as reading the frame: keep freed memory for reuse instead.
void KeepFrameBuffersMapped() {
  static const bool once = [] {
#ifdef M_MMAP_THRESHOLD
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
    return true;
  }();
  (void)once;
}

}  // namespace

void QuietFfmpegLog() {
  // A broken file makes the decoder complain on every packet: errors only,
  // and a repeated line once.
  static const bool once = [] {
    av_log_set_level(AV_LOG_ERROR);
    av_log_set_flags(AV_LOG_SKIP_REPEATED);
    return true;
  }();
  (void)once;
}

std::string FfmpegVideoSource::Open(const std::string& path, std::vector<FfmpegStep>* steps) {
  QuietFfmpegLog();
  KeepFrameBuffersMapped();
  Close();
  auto log = [&](const char* text, int result) {
    if (steps) steps->push_back({text, result});
    return result;
  };
  AVFormatContext* raw = nullptr;
  if (log("avformat_open_input : ", avformat_open_input(&raw, path.c_str(), nullptr, nullptr)) < 0)
    return "The file cannot be opened.";
  format_.reset(raw);
  // Index entries known from the header alone (AVI idx1/OpenDML, MP4): the
  // demuxer adds more while it reads a file without an index.
  std::vector<int> header_index(format_->nb_streams);
  for (unsigned i = 0; i < format_->nb_streams; ++i) header_index[i] = avformat_index_get_entries_count(format_->streams[i]);
  if (log("avformat_find_stream_info : ", avformat_find_stream_info(format_.get(), nullptr)) < 0) {
    Close();
    return "The file's streams cannot be read.";
  }
  // An AVI is read by its first video stream, as our own AVI reader reads it
  // (and counts the frames below): a second one is no reason to show another video.
  int first_video = -1;
  for (unsigned i = 0; i < format_->nb_streams && first_video < 0 && std::strcmp(format_->iformat->name, "avi") == 0; ++i)
    if (format_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) first_video = int(i);
  int stream =
      log("av_find_best_stream : ", av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, first_video, -1, nullptr, 0));
  if (stream < 0) {
    Close();
    return "The file has no video stream.";
  }
  AVStream* st = format_->streams[stream];
  const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
  log("avcodec_find_decoder : ", decoder ? 0 : AVERROR_DECODER_NOT_FOUND);
  if (!decoder) {
    Close();
    return "No decoder for the video's compression.";
  }
  codec_.reset(avcodec_alloc_context3(decoder));
  if (!codec_ || log("avcodec_parameters_to_context : ", avcodec_parameters_to_context(codec_.get(), st->codecpar)) < 0) {
    Close();
    return "The decoder cannot be set up.";
  }
  codec_->pkt_timebase = st->time_base;
  codec_->thread_count = 0;  // as many as the machine has: HD H.264 needs them
  // Frame threads hold back one picture per thread, so after every seek the
  // decoder must take that many packets before it gives the first one; an
  // intra-only stream decodes each picture alone, so it keeps to slice threads.
  const AVCodecDescriptor* desc = avcodec_descriptor_get(st->codecpar->codec_id);
  intra_only_ = desc && (desc->props & AV_CODEC_PROP_INTRA_ONLY);
  raw_video_ = st->codecpar->codec_id == AV_CODEC_ID_RAWVIDEO;
  codec_->thread_type = intra_only_ ? FF_THREAD_SLICE : FF_THREAD_FRAME | FF_THREAD_SLICE;
  if (log("avcodec_open2 : ", avcodec_open2(codec_.get(), decoder, nullptr)) < 0) {
    Close();
    return "The decoder cannot be opened.";
  }
  packet_ = MakeAvPacket();
  stream_ = stream;
  indexed_ = size_t(stream) < header_index.size() && header_index[size_t(stream)] > 0;
  time_base_ = st->time_base;
  if (time_base_.num <= 0 || time_base_.den <= 0) time_base_ = {1, 90000};
  start_pts_ = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
  width_ = st->codecpar->width;
  height_ = st->codecpar->height;
  AVRational rate = st->avg_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = st->r_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = {25, 1};
  frame_rate_ = av_q2d(rate);
  frame_pts_step_ = std::max<int64_t>(1, av_rescale_q(1, av_inv_q(rate), time_base_));
  // An AVI index lists every frame the file holds (dropped ones too); the
  // header's frame count may claim more than were ever written.
  // FFmpeg's index leaves out trailing dropped frames, so our own reader counts them.
  held_frames_ = -1;
  int64_t leading_drops = 0;  // AVI: empty chunks before the first picture
  const bool avi_file = std::strcmp(format_->iformat->name, "avi") == 0;
  // A QuickTime palette video brings its colours once, with its first
  // packet: they are kept to go with the first packet after every seek, or
  // every picture read after one (finding the length seeks) comes out black.
  std::vector<uint8_t> first_palette;
  if (!avi_file && (st->codecpar->format == AV_PIX_FMT_PAL8 || codec_->pix_fmt == AV_PIX_FMT_PAL8)) {
    for (int packets = 0; packets < 1000 && av_read_frame(format_.get(), packet_.get()) >= 0; ++packets) {
      const bool ours = packet_->stream_index == stream_;
      size_t size = 0;
      const uint8_t* pal = ours ? av_packet_get_side_data(packet_.get(), AV_PKT_DATA_PALETTE, &size) : nullptr;
      if (pal && size >= AVPALETTE_SIZE) first_palette.assign(pal, pal + AVPALETTE_SIZE);
      av_packet_unref(packet_.get());
      if (ours) break;
    }
    SeekTo(0);
  }
  if (avi_file) {
    AviContents avi;
    std::string why;
    if (auto file = FileByteSource::Open(path); file && ReadAviContents(*file, avi, why)) {
      held_frames_ = int64_t(avi.frames.size());
      while (leading_drops < held_frames_ && avi.frames[size_t(leading_drops)].size == 0) ++leading_drops;
    }
  }
  // Without an index the header's length is only a claim (a capture cut
  // short keeps the length it was meant to have), and so is a length guessed
  // from the bit rate: the end of the last packet the file holds decides.
  // A length FFmpeg took from the time stamps at the file's end is already that.
  // Transport streams joined from parts give the length of the first part:
  // their packets are read once to find the parts.
  const bool transport_stream = std::strcmp(format_->iformat->name, "mpegts") == 0;
  const int64_t joined_end = transport_stream ? ScanJoinedParts(path) : AV_NOPTS_VALUE;
  cut_pes_pos_ = INT64_MAX;
  if (auto file = transport_stream ? FileByteSource::Open(path) : nullptr)
    if (auto cut = TsCutPesStart(*file, st->id)) cut_pes_pos_ = int64_t(*cut);
  const bool length_read_from_file = format_->duration_estimation_method == AVFMT_DURATION_FROM_PTS;
  // A program stream's length taken from the time stamps at its end leaves
  // out the last pictures when their packets carry none: the end of the last
  // picture decoded from the key frame before the file's last second counts
  // too. Reading then starts again at the file's first byte.
  program_stream_ = std::strcmp(format_->iformat->name, "mpeg") == 0;
  const bool program_stream = length_read_from_file && program_stream_;
  auto decoded_end = [&](int64_t length) {
    int64_t end = 0;
    // Without an index the seek lands on any picture: in a long group of
    // pictures nothing after it may decode, so look further back.
    for (int64_t back = av_rescale_q(1, {1, 1}, time_base_); end == 0; back *= 4) {
      const int64_t from = std::max<int64_t>(0, length - back);
      if (SeekTo(from)) {
        Decoded d;
        while (DecodeNext(d)) end = std::max(end, d.end);
      }
      if (from == 0) break;
    }
    if (av_seek_frame(format_.get(), -1, 0, AVSEEK_FLAG_BYTE) < 0) SeekTo(0);
    avcodec_flush_buffers(codec_.get());
    ResetDecodeState();
    return end;
  };
  bool length_from_zero = true;  // the length runs from the stream's start time (0 when unknown)
  const int64_t held_end =
      !avi_file && !indexed_ && !length_read_from_file && joined_.empty() ? ScanEndPts(path) : AV_NOPTS_VALUE;
  if (held_frames_ > 0)
    duration_ticks_ = av_rescale_q(held_frames_ * frame_pts_step_, time_base_, {1, int(kTicksPerSecond)});
  else if (joined_end != AV_NOPTS_VALUE && joined_end > start_pts_)
    duration_ticks_ = av_rescale_q(joined_end - start_pts_, time_base_, {1, int(kTicksPerSecond)});
  else if (held_end != AV_NOPTS_VALUE && held_end > start_pts_)
    duration_ticks_ = av_rescale_q(held_end - start_pts_, time_base_, {1, int(kTicksPerSecond)});
  else if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
    int64_t length = std::max(st->duration, program_stream ? decoded_end(st->duration) : 0);
    // An edit list cut between key frames may run past the last picture.
    if (indexed_ && !program_stream)
      if (const int64_t end = EndPts(); end != AV_NOPTS_VALUE && end > start_pts_) length = std::min(length, end - start_pts_);
    // A file cut short keeps the index of what it was meant to hold: the
    // pictures still there decide.
    const int64_t file_size = format_->pb ? avio_size(format_->pb) : -1;
    bool index_past_end = false;
    for (int i = 0, n = avformat_index_get_entries_count(st); i < n && indexed_ && file_size > 0 && !index_past_end; ++i) {
      const AVIndexEntry* e = avformat_index_get_entry(st, i);
      index_past_end = e->pos + e->size > file_size;
    }
    if (index_past_end && !program_stream)
      if (const int64_t end = decoded_end(length); end > 0) length = std::min(length, end);
    // Without a start time (NUT) the stream's length is that of its
    // pictures, counted from the first one, not from time 0.
    length_from_zero = st->start_time != AV_NOPTS_VALUE || length < st->duration;
    duration_ticks_ = av_rescale_q(length, time_base_, {1, int(kTicksPerSecond)});
  }
  else if (int64_t end = EndPts(); end != AV_NOPTS_VALUE && end > start_pts_)
    duration_ticks_ = av_rescale_q(end - start_pts_, time_base_, {1, int(kTicksPerSecond)});
  else if (format_->duration > 0)
    duration_ticks_ = av_rescale(format_->duration, kTicksPerSecond, AV_TIME_BASE);
  else if (st->nb_frames > 0)
    duration_ticks_ = av_rescale(st->nb_frames * kTicksPerSecond, rate.den, rate.num);
  path_ = path;
  seek_count_ = 0;
  decoded_count_ = sent_count_ = 0;
  palette_.clear();
  const AVCodecParameters* par = st->codecpar;
  int bits = par->bits_per_coded_sample;
  if (par->codec_id == AV_CODEC_ID_RAWVIDEO && bits >= 1 && bits <= 8 && par->extradata_size > 0) {
    // The colour table of a palette AVI travels in the extra data (RGBQUAD entries).
    size_t size = size_t(par->extradata_size);
    if (size >= 9 && std::memcmp(par->extradata + size - 9, "BottomUp", 9) == 0) size -= 9;  // the demuxer's flip mark
    size_t n = std::min<size_t>(size_t(1) << bits, size / 4);
    const uint8_t* src = par->extradata + size - 4 * n;
    palette_.assign(AVPALETTE_SIZE, 0);
    for (size_t i = 0; i < n; ++i) {
      std::memcpy(&palette_[4 * i], src + 4 * i, 3);
      palette_[4 * i + 3] = 0xFF;
    }
  }
  if (palette_.empty()) palette_ = std::move(first_palette);
  send_palette_ = true;
  dib_masks_.reset();
  if (par->codec_id == AV_CODEC_ID_RAWVIDEO && par->codec_tag == 3 && (bits == 16 || bits == 32) &&
      par->extradata_size >= 12) {
    // BI_BITFIELDS: the demuxer keeps the masks in the extra data but the
    // decoder does not apply them.
    PackedPixels masks;
    masks.kind = bits == 16 ? PackedPixels::Kind::Masked16 : PackedPixels::Kind::Masked32;
    const uint8_t* p = par->extradata;
    masks.r_mask = Le32(p), masks.g_mask = Le32(p + 4), masks.b_mask = Le32(p + 8);
    dib_masks_ = masks;
  }
  // Seeking a long-GOP video decodes from the key frame before the target:
  // the pictures on the way are kept, so steps back do not decode them again.
  cache_.clear();
  cache_limit_ = 0;
  if (!intra_only_ && width_ > 0 && height_ > 0) {
    int64_t bytes = av_image_get_buffer_size(codec_->pix_fmt, width_, height_, 1);
    if (bytes <= 0) bytes = int64_t(width_) * height_ * 3;
    const int64_t second = int64_t(std::ceil(frame_rate_)) + 2;
    int64_t frames = std::max<int64_t>(kCacheBytes / bytes, std::min(second, kCacheHardBytes / bytes));
    cache_limit_ = size_t(std::clamp<int64_t>(frames, 2, kCacheMaxFrames));
  }
  SetUpIndexReading();
  // Frame 0 is the first picture the decoder gives: its time is the origin.
  // (AVI files with B-frames start their picture times after the stream start.)
  // An AVI capture that dropped frames before its first picture keeps them
  // in front of it, so each picture stays at its chunk's time, as the AVIFile
  // source counts.
  Decoded first;
  trusted_ = true;  // decoding from the start of the file
  first_pts_ = 0;
  if (DecodeNext(first)) {
    const int64_t dropped = leading_drops * frame_pts_step_;
    const int64_t shift = first.pts >= dropped ? first.pts - dropped : first.pts;
    start_pts_ += shift;
    // Pictures before the first one that decodes are not frames: a stream
    // cut mid-GOP is that much shorter than its time stamps say.
    if (!avi_file && shift > 0 && length_from_zero)
      duration_ticks_ = std::max<int64_t>(0, duration_ticks_ - av_rescale_q(shift, time_base_, {1, int(kTicksPerSecond)}));
    first.end -= shift;
    first.pts -= shift;
    first_pts_ = first.pts;
    cur_ = std::move(first);
    have_cur_ = true;
    cache_.clear();
    chain_valid_ = false;
    Remember(cur_);
  }
  picture_width_ = picture_height_ = 0;
  if (have_cur_ && cur_.frame) picture_width_ = cur_.frame->width, picture_height_ = cur_.frame->height;
  if (width_ <= 0 || height_ <= 0) {
    Close();
    return "The video has no frame size.";
  }
  return "";
}

namespace {

// The latest end time among the stream's packets read from here on (at most
// `limit` packets); `count` is how many of them belong to the stream.
int64_t LastPacketEnd(AVFormatContext& format, AVPacket& packet, int stream, int64_t step, int64_t limit,
                      int64_t& count) {
  int64_t end = AV_NOPTS_VALUE;
  for (int64_t packets = 0; packets < limit && av_read_frame(&format, &packet) >= 0; ++packets) {
    if (packet.stream_index == stream) {
      ++count;
      const int64_t pts = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
      const int64_t length = packet.duration > 0 ? packet.duration : step;
      if (pts != AV_NOPTS_VALUE && (end == AV_NOPTS_VALUE || pts + length > end)) end = pts + length;
    }
    av_packet_unref(&packet);
  }
  return end;
}

}  // namespace

// Containers without a stream length (Matroska, some MPEG files) give the end
// time of the last frame: read the packets after the last key frame.
int64_t FfmpegVideoSource::EndPts() {
  AVStream* st = format_->streams[stream_];
  int64_t guess = INT64_MAX;
  if (format_->duration > 0) {
    int64_t start = format_->start_time != AV_NOPTS_VALUE ? format_->start_time : 0;
    guess = av_rescale_q(format_->duration + start, AV_TIME_BASE_Q, st->time_base);
  }
  if (avformat_seek_file(format_.get(), stream_, INT64_MIN, guess, guess, 0) < 0) return AV_NOPTS_VALUE;
  int64_t count = 0;
  const int64_t end = LastPacketEnd(*format_, *packet_, stream_, frame_pts_step_, 100000, count);
  SeekTo(0);
  return end;
}

// The end time of the last video packet, read through the whole file on a
// second demuxer (seeking a file without an index may fail or land anywhere,
// and would leave this one's position unknown).
int64_t FfmpegVideoSource::ScanEndPts(const std::string& path) const {
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return AV_NOPTS_VALUE;
  AvFormatPtr scan(raw);
  if (unsigned(stream_) >= scan->nb_streams) return AV_NOPTS_VALUE;
  AvPacketPtr packet = MakeAvPacket();
  int64_t count = 0;
  int64_t end = LastPacketEnd(*scan, *packet, stream_, frame_pts_step_, INT64_MAX, count);
  if (end == AV_NOPTS_VALUE && count > 0) end = start_pts_ + count * frame_pts_step_;
  return end;
}

namespace {

// Whether the stream's decoding time goes back somewhere in the file. A small
// file is read whole; a large one (reading it whole would hold up the open
// for seconds) is looked at in evenly spread places, which finds every part
// longer than the gaps between them.
bool TimeGoesBack(AVFormatContext& format, AVPacket& packet, int stream) {
  constexpr int64_t kReadWhole = 8 << 20;
  constexpr int kPlaces = 64, kPacketsPerPlace = 500;
  const int64_t size = format.pb ? avio_size(format.pb) : -1;
  const bool whole = size >= 0 && size <= kReadWhole;
  int64_t last = AV_NOPTS_VALUE;
  bool back = false;
  for (int place = 0; place < (whole ? 1 : kPlaces) && !back; ++place) {
    if (!whole && (size < 0 || av_seek_frame(&format, -1, size / kPlaces * place, AVSEEK_FLAG_BYTE) < 0)) return true;
    for (int packets = 0; (whole || packets < kPacketsPerPlace) && av_read_frame(&format, &packet) >= 0; ++packets) {
      const int64_t dts = packet.stream_index == stream ? (packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts)
                                                        : AV_NOPTS_VALUE;
      av_packet_unref(&packet);
      if (dts == AV_NOPTS_VALUE) continue;
      back = last != AV_NOPTS_VALUE && dts < last;
      last = dts;
      if (back || !whole) break;
    }
  }
  return back;
}

}  // namespace

// Finds the parts of a joined transport stream: a decoding time stamp that
// goes back starts a new part. Reads every packet on a second demuxer. The
// end of the last picture on the joined time line, or AV_NOPTS_VALUE (and no
// parts) when the time stamps never go back.
int64_t FfmpegVideoSource::ScanJoinedParts(const std::string& path) {
  joined_.clear();
  joined_keys_.clear();
  joined_part_ = 0;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return AV_NOPTS_VALUE;
  AvFormatPtr scan(raw);
  AvPacketPtr packet = MakeAvPacket();
  if (unsigned(stream_) >= scan->nb_streams || !packet) return AV_NOPTS_VALUE;
  // The raw packets are read whole, so a part of any length is found; the
  // demuxer looks when they are not a stream we can read that way.
  std::optional<bool> back;
  bool same_time_on_key = false;
  if (auto file = FileByteSource::Open(path))
    back = TsDecodeTimeGoesBack(*file, scan->streams[stream_]->id, &same_time_on_key);
  if (!back) back = TimeGoesBack(*scan, *packet, stream_);
  if (!*back && !same_time_on_key) return AV_NOPTS_VALUE;
  if (av_seek_frame(scan.get(), -1, 0, AVSEEK_FLAG_BYTE) < 0) return AV_NOPTS_VALUE;
  struct Part {
    int64_t pos = 0;
    int64_t first = INT64_MAX, end = INT64_MIN;  // earliest picture time, latest picture end
    std::vector<KeyPacket> keys;
    int64_t last_pos[2] = {-1, -1};  // the last two packets' bytes, the later one first
  };
  std::vector<Part> parts(1);
  int64_t last_dts = AV_NOPTS_VALUE;
  while (av_read_frame(scan.get(), packet.get()) >= 0) {
    const AVPacket& p = *packet;
    if (p.stream_index == stream_ && p.size > 0) {
      const int64_t dts = p.dts != AV_NOPTS_VALUE ? p.dts : p.pts;
      const int64_t pts = p.pts != AV_NOPTS_VALUE ? p.pts : p.dts;
      // A part of one picture gives no decoding time of its own (the demuxer
      // carries the time on from the packet before): its key picture showing
      // before the part's last picture starts it. A part that starts at the
      // same decoding time as the one-picture part before it starts anew too.
      const bool key = p.flags & AV_PKT_FLAG_KEY;
      const Part& now = parts.back();
      const bool back = (dts != AV_NOPTS_VALUE && last_dts != AV_NOPTS_VALUE &&
                         (dts < last_dts || (dts == last_dts && key))) ||
                        (key && pts != AV_NOPTS_VALUE && now.end != INT64_MIN && pts + frame_pts_step_ / 2 < now.end);
      if (back && p.pos > now.pos) parts.push_back({p.pos, INT64_MAX, INT64_MIN, {}, {-1, -1}});
      if (dts != AV_NOPTS_VALUE) last_dts = dts;
      Part& part = parts.back();
      if (p.pos >= 0) part.last_pos[1] = std::exchange(part.last_pos[0], p.pos);
      if (pts != AV_NOPTS_VALUE) {
        part.first = std::min(part.first, pts);
        part.end = std::max(part.end, pts + (p.duration > 0 ? p.duration : frame_pts_step_));
        if ((p.flags & AV_PKT_FLAG_KEY) && p.pos >= 0) part.keys.push_back({pts, p.pos});
      }
    }
    av_packet_unref(packet.get());
  }
  if (parts.size() < 2 || parts[0].first == INT64_MAX) return AV_NOPTS_VALUE;
  int64_t line_end = parts[0].end, offset = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    Part& part = parts[i];
    if (part.first == INT64_MAX) continue;  // no timed picture: its packets keep the part before's offset
    if (i > 0) offset = line_end - part.first;
    // The continuity counters start again with the next part, and the demuxer
    // marks the picture being read there (or, through the parser, the one
    // before it) as corrupt, though its data is whole.
    const int64_t whole_from =
        i + 1 < parts.size() ? (part.last_pos[1] >= 0 ? part.last_pos[1] : part.last_pos[0]) : -1;
    joined_.push_back({part.pos, offset, whole_from < 0 ? INT64_MAX : whole_from});
    for (const KeyPacket& k : part.keys) joined_keys_.push_back({k.pts + offset, k.pos});
    line_end = part.end + offset;
  }
  joined_[0].pos = 0;
  std::sort(joined_keys_.begin(), joined_keys_.end(), [](const KeyPacket& a, const KeyPacket& b) { return a.pts < b.pts; });
  return line_end;
}

// Moves a packet of our stream onto the joined time line.
void FfmpegVideoSource::OntoJoinedLine(AVPacket& p) {
  if (joined_.empty()) return;
  if (p.pos >= 0) {
    auto after = std::upper_bound(joined_.begin(), joined_.end(), p.pos,
                                  [](int64_t pos, const JoinedPart& part) { return pos < part.pos; });
    joined_part_ = size_t(after - joined_.begin()) - 1;
  }
  const JoinedPart& part = joined_[joined_part_];
  if (p.pos >= part.whole_from) p.flags &= ~AV_PKT_FLAG_CORRUPT;
  const int64_t offset = part.offset;
  if (p.pts != AV_NOPTS_VALUE) p.pts += offset;
  if (p.dts != AV_NOPTS_VALUE) p.dts += offset;
}

// The byte of the last key packet at or before `pts` (joined time line,
// stream time base); 0 when none.
int64_t FfmpegVideoSource::JoinedKeyPos(int64_t pts) const {
  auto after = std::upper_bound(joined_keys_.begin(), joined_keys_.end(), pts,
                                [](int64_t t, const KeyPacket& k) { return t < k.pts; });
  return after == joined_keys_.begin() ? 0 : std::prev(after)->pos;
}

// Forgets every decoded picture and the decoder's position in the stream.
void FfmpegVideoSource::ResetDecodeState() {
  cur_ = {};
  next_ = {};
  prev_ = {};
  have_cur_ = have_next_ = have_prev_ = false;
  flushing_ = drained_ = false;
  last_pts_valid_ = false;
  empty_pts_.clear();
  lost_pts_.clear();
  lost_shown_pts_.clear();
  chain_valid_ = trusted_ = false;
  decoder_part_ = SIZE_MAX;
  join_packet_.reset();
}

void FfmpegVideoSource::Close() {
  ResetDecodeState();
  by_index_ = false;
  next_entry_ = 0;
  rows_ = {};
  row_file_.reset();
  cache_.clear();
  cache_limit_ = 0;
  codec_.reset();
  packet_.reset();
  format_.reset();
  stream_ = -1;
  width_ = height_ = 0;
  picture_width_ = picture_height_ = 0;
  frame_rate_ = 0;
  duration_ticks_ = 0;
  held_frames_ = -1;
  cut_pes_pos_ = INT64_MAX;
  joined_.clear();
  joined_keys_.clear();
  joined_part_ = 0;
}

void FfmpegVideoSource::Remember(const Decoded& d) {
  if (cache_limit_ == 0) return;
  // After a seek the pictures before the first key picture may lack their references.
  if (d.key) trusted_ = true;
  if (!trusted_) return;
  if (chain_valid_) {
    auto before = cache_.find(chain_pts_);
    if (before != cache_.end() && d.pts > before->first) {
      before->second.next_pts = d.pts;
      before->second.next_known = true;
    }
  }
  chain_valid_ = false;
  if (d.damaged || !d.frame) return;
  auto [it, added] = cache_.try_emplace(d.pts);
  if (added) {
    Cached& c = it->second;
    c.d.frame = MakeAvFrame();
    if (!c.d.frame || av_frame_ref(c.d.frame.get(), d.frame.get()) < 0) {
      cache_.erase(it);
      return;
    }
    c.d.pts = d.pts;
    c.d.end = d.end;
    c.d.key = d.key;
  }
  it->second.used = ++cache_clock_;
  chain_valid_ = true;
  chain_pts_ = d.pts;
  while (cache_.size() > cache_limit_) {
    auto oldest = std::min_element(cache_.begin(), cache_.end(),
                                   [](const auto& a, const auto& b) { return a.second.used < b.second.used; });
    cache_.erase(oldest);
  }
}

// The kept picture shown at `ticks`, when the picture decoded right after it
// shows that nothing (a dropped or lost frame) lies between them.
const FfmpegVideoSource::Decoded* FfmpegVideoSource::CachedAt(int64_t ticks) {
  if (cache_.empty() || PastIndexEnd(ticks)) return nullptr;
  auto it = cache_.upper_bound(TicksToPts(ticks));
  if (it == cache_.begin()) return nullptr;
  Cached& c = (--it)->second;
  if (!c.next_known || ShownBy(c.next_pts, ticks)) return nullptr;
  if (ShownBy(c.d.end, ticks) && c.next_pts - c.d.end >= (frame_pts_step_ + 1) / 2) return nullptr;
  c.used = ++cache_clock_;
  return &c.d;
}

bool FfmpegVideoSource::ShownBy(int64_t pts, int64_t ticks) const {
  return __int128(pts) * time_base_.num * kTicksPerSecond <= __int128(ticks) * time_base_.den;
}

int64_t FfmpegVideoSource::TicksToPts(int64_t ticks) const {
  __int128 num = __int128(ticks) * time_base_.den, den = __int128(time_base_.num) * kTicksPerSecond;
  __int128 q = num / den;
  if (num % den != 0 && num < 0) --q;
  return int64_t(q);
}

// Makes `out` the picture in a frame the decoder gave.
void FfmpegVideoSource::TakeFrame(AvFramePtr f, Decoded& out) {
  int64_t pts = f->best_effort_timestamp;
  const bool timed = pts != AV_NOPTS_VALUE;
  if (!timed) {
    pts = last_pts_valid_ ? last_pts_ + frame_pts_step_ : start_pts_;
    // A packet lost on the way held a picture of its own: the picture the
    // decoder held back until the end comes after it, not in its place.
    while (std::binary_search(lost_shown_pts_.begin(), lost_shown_pts_.end(), pts - start_pts_)) pts += frame_pts_step_;
  }
  last_pts_ = pts;
  last_pts_valid_ = true;
  out.damaged = f->decode_error_flags != 0 || (f->flags & AV_FRAME_FLAG_CORRUPT) != 0;
  out.let_go = false;
  out.after_end = flushing_;
  out.timed = timed;
  out.file_pos = -1;
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(58, 29, 100)
  out.key = (f->flags & AV_FRAME_FLAG_KEY) != 0;
#else
  out.key = f->key_frame != 0;
#endif
  out.pts = pts - start_pts_;
#if LIBAVUTIL_VERSION_MAJOR >= 58
  const int64_t length = f->duration;
#else
  const int64_t length = f->pkt_duration;
#endif
  out.end = out.pts + (length > 0 ? length : frame_pts_step_);
  out.frame = std::move(f);
  if (timed) Remember(out);
  else chain_valid_ = false;
}

bool FfmpegVideoSource::DecodeNext(Decoded& out) {
  if (by_index_) return DecodeNextFromIndex(out);
  int errors = 0;
  while (!drained_) {
    AvFramePtr f = MakeAvFrame();
    if (!f) return false;
    int r = avcodec_receive_frame(codec_.get(), f.get());
    if (r == 0) {
      ++decoded_count_;
      TakeFrame(std::move(f), out);
      return true;
    }
    if (r == AVERROR_EOF && join_packet_) {
      // The part before a join is out to its last picture: the decoder starts
      // afresh on the next part's first packet.
      avcodec_flush_buffers(codec_.get());
      ++sent_count_;
      const int sent = avcodec_send_packet(codec_.get(), join_packet_.get());
      if (sent < 0 && sent != AVERROR(EAGAIN)) NoteLostPacket(*join_packet_);
      join_packet_.reset();
      continue;
    }
    if (r == AVERROR_EOF || flushing_ || ++errors > 1000) {
      drained_ = true;
      return false;
    }
    if (r != AVERROR(EAGAIN)) continue;  // a broken frame: go on with the next
    for (;;) {
      r = av_read_frame(format_.get(), packet_.get());
      if (r < 0) {
        avcodec_send_packet(codec_.get(), nullptr);
        flushing_ = true;
        break;
      }
      // An empty packet (a dropped frame) would read as end of stream; a
      // packet cut short by the end of the file is not a picture.
      const bool our_stream = packet_->stream_index == stream_;
      if (our_stream) OntoJoinedLine(*packet_);
      if (our_stream && packet_->size == 0) {
        int64_t pts = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
        if (pts != AV_NOPTS_VALUE) NoteEmptyPacket(pts - start_pts_);
      }
      // A program stream's last pack cut short marks every picture that
      // ends in it, whole ones too: the decoder tells those from the part
      // that is gone (it marks a picture it could not finish).
      bool ours = our_stream && packet_->size > 0 && (!(packet_->flags & AV_PKT_FLAG_CORRUPT) || program_stream_) &&
                  packet_->pos < cut_pes_pos_;
      if (our_stream && packet_->size > 0 && !ours) NoteLostPacket(*packet_);
      if (ours && send_palette_ && !palette_.empty()) {
        // The demuxer sends the palette only with the first packet it reads;
        // after a seek the decoder must get it again.
        if (!av_packet_get_side_data(packet_.get(), AV_PKT_DATA_PALETTE, nullptr)) {
          uint8_t* pal = av_packet_new_side_data(packet_.get(), AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
          if (pal) std::memcpy(pal, palette_.data(), AVPALETTE_SIZE);
        }
        send_palette_ = false;
      }
      if (ours && !joined_.empty()) {
        // A decoder keeps a picture back until the next one comes; the first
        // packet of another part (perhaps of another frame size, which makes
        // the decoder start over) must not cost it: drain the decoder first.
        const bool join = decoder_part_ != SIZE_MAX && joined_part_ != decoder_part_;
        decoder_part_ = joined_part_;
        if (join && (join_packet_ = MakeAvPacket())) {
          av_packet_move_ref(join_packet_.get(), packet_.get());
          avcodec_send_packet(codec_.get(), nullptr);
          break;
        }
      }
      if (ours) {
        ++sent_count_;
        const int sent = avcodec_send_packet(codec_.get(), packet_.get());
        if (sent < 0 && sent != AVERROR(EAGAIN)) NoteLostPacket(*packet_);
      }
      av_packet_unref(packet_.get());
      if (ours) break;
    }
  }
  return false;
}

bool FfmpegVideoSource::Advance(int64_t ticks) {
  for (;;) {
    // Pictures of an intra-only stream come in time order, each lasting until
    // the next: while the current one's end is ahead, the next one need not
    // be decoded yet. (Reordered streams in AVI carry unreliable durations.)
    if (intra_only_ && !have_next_ && have_cur_ && cur_.HasPixels() && !ShownBy(cur_.end, ticks)) break;
    if (!have_next_) {
      LetGoBeforeReadAhead(ticks);
      have_next_ = DecodeNext(next_);
    }
    if (!have_next_ || !ShownBy(next_.pts, ticks)) break;
    prev_ = std::move(cur_);
    have_prev_ = have_cur_;
    cur_ = std::move(next_);
    have_cur_ = true;
    have_next_ = false;
  }
  // Dropped frames before the current picture no longer matter.
  auto keep = std::lower_bound(empty_pts_.begin(), empty_pts_.end(), cur_.pts);
  empty_pts_.erase(empty_pts_.begin(), keep);
  keep = std::lower_bound(lost_pts_.begin(), lost_pts_.end(), cur_.pts);
  lost_pts_.erase(lost_pts_.begin(), keep);
  keep = std::lower_bound(lost_shown_pts_.begin(), lost_shown_pts_.end(), cur_.pts);
  lost_shown_pts_.erase(lost_shown_pts_.begin(), keep);
  return true;
}

void FfmpegVideoSource::NoteLostPacket(const AVPacket& p) {
  const int64_t pts = p.pts != AV_NOPTS_VALUE ? p.pts : p.dts;
  if (pts != AV_NOPTS_VALUE) NoteLost(pts - start_pts_);
  // A decoding time is not when the picture shows: only a presentation time
  // tells which frame the lost picture had.
  if (p.pts != AV_NOPTS_VALUE && lost_shown_pts_.size() < 100000)
    lost_shown_pts_.insert(std::upper_bound(lost_shown_pts_.begin(), lost_shown_pts_.end(), p.pts - start_pts_),
                           p.pts - start_pts_);
}

void FfmpegVideoSource::NoteLost(int64_t pts) {
  if (lost_pts_.size() >= 100000) return;
  lost_pts_.insert(std::upper_bound(lost_pts_.begin(), lost_pts_.end(), pts), pts);
}

void FfmpegVideoSource::NoteEmptyPacket(int64_t pts) {
  if (empty_pts_.size() >= 100000) return;  // bounded: only dropped frames ahead of the picture count
  empty_pts_.insert(std::upper_bound(empty_pts_.begin(), empty_pts_.end(), pts), pts);
}

bool FfmpegVideoSource::Covers(int64_t ticks) const {
  // Past the last frame the file holds there is nothing, not dropped frames.
  if (PastIndexEnd(ticks)) return false;
  int64_t end = cur_.end;
  for (int64_t e : empty_pts_)
    if (e >= cur_.pts && e <= end + frame_pts_step_ / 2) end = std::max(end, e + frame_pts_step_);
  if (!ShownBy(end, ticks)) return true;
  // Time stamps rounded by the container leave small gaps between frames.
  if (have_next_ && next_.pts - end < (frame_pts_step_ + 1) / 2) return true;
  // A gap: dropped frames that an AVI index leaves out stretch the picture
  // before them; a picture the index lists there did not decode. Without an
  // index, a gap before the next picture holds dropped frames unless a
  // packet there was lost; after the last picture nothing tells dropped
  // frames from a file cut short.
  if (!indexed_) {
    // A gap before a picture that did not decode whole is a loss too.
    if (!have_next_ || next_.damaged) return false;
    // A stream that reorders its pictures stores those shown between two
    // others after the later one: a gap before a picture the decoder gave
    // once the file ran out held pictures cut away with the file's end.
    if (next_.after_end && codec_->has_b_frames > 0) return false;
    auto lost = std::upper_bound(lost_pts_.begin(), lost_pts_.end(), cur_.pts);
    return lost == lost_pts_.end() || !ShownBy(*lost, ticks);
  }
  return !IndexedPictureAfterCur(ticks);
}

// The index lists a picture after the current one that is shown at `ticks`.
bool FfmpegVideoSource::IndexedPictureAfterCur(int64_t ticks) const {
  const AVIndexEntry* e = avformat_index_get_entry_from_timestamp(format_->streams[stream_],
                                                                  TicksToPts(ticks) + start_pts_, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
  return e && e->timestamp - start_pts_ > cur_.pts && e->size > 0;
}

// An uncompressed picture's pixels are its packet, a frame-sized buffer: two
// or three of them alive at once (the picture before, the current one, the
// one being read) no longer fit the processor's cache with the bitmap they are
// copied to, and reading ran at three quarters of the speed of one buffer
// reused. When the index shows that the read ahead replaces the current
// picture, its pixels (and the ones before) are freed first, so the next
// packet reuses their memory.
void FfmpegVideoSource::LetGoBeforeReadAhead(int64_t ticks) {
  if (!raw_video_ || !intra_only_ || !indexed_ || keep_pixels_ || !have_cur_ || !cur_.frame) return;
  if (!IndexedPictureAfterCur(ticks)) return;
  cur_.frame.reset();
  cur_.let_go = true;
  if (prev_.frame) {
    prev_.frame.reset();
    prev_.let_go = true;
  }
}

bool FfmpegVideoSource::PastIndexEnd(int64_t ticks) const {
  return held_frames_ > 0 && TicksToPts(ticks) >= held_frames_ * frame_pts_step_;
}

bool FfmpegVideoSource::ForwardIsCheaper(int64_t ticks) const {
  // Decoding forward costs the frames up to the target; a seek costs the
  // frames from the key frame before the target, plus the seek itself.
  const int64_t target = TicksToPts(ticks);
  const int64_t ahead = target - cur_.pts;
  if (ahead <= 2 * frame_pts_step_) return true;
  const AVIndexEntry* key = avformat_index_get_entry_from_timestamp(format_->streams[stream_], target + start_pts_,
                                                                      AVSEEK_FLAG_BACKWARD);
  if (!key) return ahead <= kForwardFrames * frame_pts_step_;
  const int64_t key_pts = key->timestamp - start_pts_;
  return key_pts <= cur_.pts || ahead <= target - key_pts + 2 * frame_pts_step_;
}

bool FfmpegVideoSource::SeekTo(int64_t pts) {
  ++seek_count_;
  int64_t ts = start_pts_ + pts;
  int r = 0;
  if (!joined_.empty()) r = av_seek_frame(format_.get(), -1, JoinedKeyPos(ts), AVSEEK_FLAG_BYTE);
  else if ((r = avformat_seek_file(format_.get(), stream_, INT64_MIN, ts, ts, 0)) < 0)
    r = av_seek_frame(format_.get(), stream_, ts, AVSEEK_FLAG_BACKWARD);
  if (by_index_ && r >= 0) {
    // Where the demuxer went: the key entry at or before the time.
    const int entry = av_index_search_timestamp(format_->streams[stream_], ts, AVSEEK_FLAG_BACKWARD);
    if (entry >= 0) next_entry_ = entry;
  }
  avcodec_flush_buffers(codec_.get());
  send_palette_ = true;
  ResetDecodeState();
  return r >= 0;
}

// Makes the picture shown at `ticks` (or just before it) current: empty on
// success, else the reason.
std::string FfmpegVideoSource::SeekNear(int64_t ticks) {
  // Seek to the key frame before the target; when decoding from there starts
  // after the target (an inexact index), start further back.
  const int64_t target = TicksToPts(ticks);
  const int64_t second = av_rescale_q(1, {1, 1}, time_base_);
  const int64_t tries[] = {target, target - second, target - 10 * second, INT64_MIN};
  bool found = false;
  for (int64_t t : tries) {
    bool from_start = t == INT64_MIN;
    bool reopened = false;
    if (!SeekTo(from_start ? first_pts_ : t)) {
      // A seek that failed left the demuxer where it was: the pictures
      // read from there are not the ones at the time asked for.
      if (!from_start) continue;
      std::string path = path_;
      if (!Open(path).empty()) return "The video cannot be reopened.";
      reopened = true;
    }
    // A file without an index (a crashed capture) lets the demuxer take
    // every frame for a key frame: pictures before the first one the
    // decoder calls a key frame would be garbage.
    const bool need_key = !indexed_ && !from_start;
    Decoded first;
    bool got = false;
    if (reopened && have_cur_) {  // the open decoded the first picture already
      first = std::move(cur_);
      have_cur_ = false;
      got = true;
    }
    while (!got && DecodeNext(first)) {
      if (first.key || !need_key || !ShownBy(first.pts, ticks)) {
        got = true;
        break;
      }
    }
    if (from_start && !reopened && (!got || first.pts > first_pts_)) {
      // An index that lies sent the seek to the start past the first
      // picture: the file is opened again, which reads it from its first byte.
      std::string path = path_;
      if (!Open(path).empty()) return "The video cannot be reopened.";
      got = have_cur_;
      if (got) first = std::move(cur_);
      have_cur_ = false;
    }
    if (!got || (need_key && !first.key)) continue;
    // A picture without a time right after a seek has none to count on
    // from: where it belongs is known only when read from the start.
    if (!from_start && !first.timed) continue;
    if (!ShownBy(first.pts, ticks) && !from_start) continue;
    cur_ = std::move(first);
    have_cur_ = true;
    prev_ = {};
    have_prev_ = false;
    found = true;
    break;
  }
  if (!found) return "The frame cannot be decoded.";
  return "";
}

std::string FfmpegVideoSource::GrabAtTicks(int64_t ticks, Bitmap24& out) {
  if (!IsOpen()) return "No video is open.";
  if (const Decoded* kept = CachedAt(ticks)) return Deliver(*kept, out);
  // One frame back (a step back, or frame 0 again after a look at frame 1)
  // is still at hand: no seek.
  if (have_cur_ && have_prev_ && prev_.HasPixels() && !prev_.damaged && !ShownBy(cur_.pts, ticks) &&
      ShownBy(prev_.pts, ticks) && (!ShownBy(prev_.end, ticks) || cur_.pts - prev_.end < (frame_pts_step_ + 1) / 2))
    return Deliver(prev_, out);
  if (!(have_cur_ && ShownBy(cur_.pts, ticks) && ForwardIsCheaper(ticks))) {
    if (std::string why = SeekNear(ticks); !why.empty()) return why;
  }
  Advance(ticks);
  if ((!cur_.HasPixels() && !cur_.let_go) || cur_.damaged) return "The frame cannot be decoded.";
  if (!Covers(ticks))
    return (drained_ && !have_next_) || PastIndexEnd(ticks) ? "The video ends before this frame." : "The frame cannot be decoded.";
  if (!cur_.HasPixels()) {
    // Let go, yet still shown (the picture after it was lost): read it again, as a jump would.
    cur_ = {};
    have_cur_ = false;
    keep_pixels_ = true;
    std::string status = GrabAtTicks(ticks, out);
    keep_pixels_ = false;
    return status;
  }
  return Deliver(cur_, out);
}

std::string FfmpegVideoSource::Deliver(const Decoded& d, Bitmap24& out) {
  if (!d.frame) return ReadRows(d, out) ? "S_OK" : "The frame cannot be decoded.";
  const AVFrame& f = *d.frame;
  // Every frame has the first one's size (the window's image, the masks and
  // the measured positions are laid out by it): a later part of a joined file
  // recorded at another size is not measured as if it were the same picture.
  if (picture_width_ > 0 && (f.width != picture_width_ || f.height != picture_height_))
    return "The frame's size differs from the first frame's.";
  if (dib_masks_ && f.data[0] && f.width > 0 && f.height > 0 &&
      av_get_bits_per_pixel(av_pix_fmt_desc_get(AVPixelFormat(f.format))) ==
          (dib_masks_->kind == PackedPixels::Kind::Masked16 ? 16 : 32)) {
    ConvertPacked(f.data[0], f.linesize[0], f.width, f.height, *dib_masks_, out);
    return "S_OK";
  }
  if (!AvFrameToBitmap(f, scaler_, out)) return "The frame's pixel format cannot be converted.";
  return "S_OK";
}

// The chunk header at `pos` is that of a video chunk of our stream of `size` bytes.
bool FfmpegVideoSource::VideoChunkAt(int64_t pos, int size) const {
  return pos >= 0 && size >= 0 && VideoChunkBefore(*row_file_, uint64_t(pos) + 8, uint32_t(size), stream_);
}

// A 24-bit uncompressed AVI with an index is read by the index: each picture's
// rows go from the file straight into the bitmap (the demuxer would read the
// packet into memory and the bitmap copy it from there, twice the memory
// traffic). The index must list one entry per frame, each at a video chunk
// of our stream; otherwise, and for every other video, the demuxer reads.
void FfmpegVideoSource::SetUpIndexReading() {
  by_index_ = false;
  next_entry_ = 0;
  rows_ = {};
  row_file_.reset();
  AVStream* st = format_->streams[stream_];
  const AVCodecParameters* par = st->codecpar;
  if (std::strcmp(format_->iformat->name, "avi") != 0 || !indexed_ || !raw_video_ || !palette_.empty() || dib_masks_ ||
      par->codec_tag != 0 || par->bits_per_coded_sample != 24 || codec_->pix_fmt != AV_PIX_FMT_BGR24 ||
      frame_pts_step_ != 1 || stream_ > 99)
    return;
  const int count = avformat_index_get_entries_count(st);
  if (count <= 0) return;
  const int64_t first_ts = avformat_index_get_entry(st, 0)->timestamp;
  int first_picture = -1, last_picture = -1;
  for (int i = 0; i < count; ++i) {
    const AVIndexEntry* e = avformat_index_get_entry(st, i);
    if (e->timestamp != first_ts + i || e->pos < 0) return;
    if (e->size > 0) {
      if (first_picture < 0) first_picture = i;
      last_picture = i;
    }
  }
  if (first_picture < 0 || !(row_file_ = FileByteSource::Open(path_))) return;
  // Pictures past the end of the index (an idx1 cut short) are reached only
  // by the demuxer; the frames the index leaves out may only be dropped ones.
  if (held_frames_ > count) {
    AviContents avi;
    std::string why;
    const bool pictures_past = !ReadAviContents(*row_file_, avi, why) ||
                               std::any_of(avi.frames.begin() + std::min<ptrdiff_t>(count, ptrdiff_t(avi.frames.size())),
                                           avi.frames.end(), [](const AviFrameEntry& e) { return e.size != 0; });
    if (pictures_past) {
      row_file_.reset();
      return;
    }
  }
  for (int i : {first_picture, (first_picture + last_picture) / 2, last_picture}) {
    const AVIndexEntry* e = avformat_index_get_entry(st, i);
    // A chunk past the end of a cut file is checked when it is read.
    if (e->size > 0 && uint64_t(e->pos) + 8 <= row_file_->SizeNow() && !VideoChunkAt(e->pos, e->size)) {
      row_file_.reset();
      return;
    }
  }
  by_index_ = true;
}

// The next picture by the index, with what the demuxer would note on the way:
// dropped frames (empty chunks) and chunks cut short or refused by the decoder.
bool FfmpegVideoSource::DecodeNextFromIndex(Decoded& out) {
  AVStream* st = format_->streams[stream_];
  const int count = avformat_index_get_entries_count(st);
  while (!drained_) {
    if (next_entry_ >= count) {
      flushing_ = drained_ = true;
      break;
    }
    const AVIndexEntry e = *avformat_index_get_entry(st, next_entry_++);
    const int64_t pts = e.timestamp - start_pts_;
    if (e.size == 0) {
      NoteEmptyPacket(pts);
      continue;
    }
    if (uint64_t(e.pos) + 8 + uint64_t(e.size) > row_file_->SizeNow() || !VideoChunkAt(e.pos, e.size)) {
      NoteLost(pts);
      continue;
    }
    if (e.size != rows_.packet_size) {
      if (DecodeOwnPacket(e, out)) return true;
      continue;
    }
    ++sent_count_;
    ++decoded_count_;
    out.frame.reset();
    out.file_pos = e.pos + 8;
    out.pts = pts;
    out.end = pts + frame_pts_step_;
    out.damaged = false;
    out.key = true;
    out.let_go = false;
    last_pts_ = e.timestamp;
    last_pts_valid_ = true;
    return true;
  }
  return false;
}

// A chunk read by us and given to the decoder as the demuxer's packet would
// be; the first picture it lays out inside the packet shows where the rows of
// every chunk of that size lie.
bool FfmpegVideoSource::DecodeOwnPacket(const AVIndexEntry& e, Decoded& out) {
  const int64_t pts = e.timestamp - start_pts_;
  AvPacketPtr packet = MakeAvPacket();
  if (!packet || av_new_packet(packet.get(), e.size) < 0 || !row_file_->ReadAt(uint64_t(e.pos) + 8, packet->data, size_t(e.size))) {
    NoteLost(pts);
    return false;
  }
  packet->pts = packet->dts = e.timestamp;
  packet->duration = frame_pts_step_;
  packet->flags = (e.flags & AVINDEX_KEYFRAME) ? AV_PKT_FLAG_KEY : 0;
  packet->stream_index = stream_;
  ++sent_count_;
  const int sent = avcodec_send_packet(codec_.get(), packet.get());
  if (sent < 0 && sent != AVERROR(EAGAIN)) {
    NoteLost(pts);
    return false;
  }
  AvFramePtr f = MakeAvFrame();
  if (!f || avcodec_receive_frame(codec_.get(), f.get()) != 0) return false;
  ++decoded_count_;
  const int64_t top = f->data[0] - packet->data, step = f->linesize[0];
  const int64_t last = top + step * (f->height - 1), row_bytes = int64_t(f->width) * 3;
  if (rows_.packet_size == 0 && f->format == AV_PIX_FMT_BGR24 && f->width > 0 && f->height > 0 &&
      std::abs(step) >= row_bytes && std::min(top, last) >= 0 && std::max(top, last) + row_bytes <= e.size &&
      !f->decode_error_flags && !(f->flags & AV_FRAME_FLAG_CORRUPT))
    rows_ = {e.size, {top, step, f->width, f->height}};
  TakeFrame(std::move(f), out);
  return true;
}

// The rows of a picture read by the index, from the file into `out`, in the
// order the file holds them (bottom-up files: the bottom row first).
bool FfmpegVideoSource::ReadRows(const Decoded& d, Bitmap24& out) {
  if (d.file_pos < 0 || rows_.packet_size == 0 || !row_file_) return false;
  // A file cut short since the picture was read: `out` stays as it was.
  if (row_file_->SizeNow() < uint64_t(d.file_pos) + uint64_t(rows_.packet_size)) return false;
  return ReadBgr24Rows(*row_file_, uint64_t(d.file_pos), rows_.rows, out, row_gap_);
}
