#include "video/TGKAvi.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <filesystem>

#include "base/NumberText.h"
#include "base/TextTools.h"
#include "video/AvsScript.h"
#include "video/DirectShowSource.h"
#include "video/FfmpegVideoSource.h"
#include "video/FrameRows.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/buffer.h>
#include <libavutil/mem.h>
}

// Frames of a compressed AVI stream through libavcodec, the decoder chosen from
// the RIFF tag. Frame j is the j-th decoded picture counted from the key frame
// the numbering starts at; each packet carries its frame index as its time
// stamp, so pictures tell which packet they came from. Sequential frames keep
// the decoder running.
class AviCodecDecoder {
 public:
  bool Setup(const DibFormat& f, uint32_t handler, std::string& error) {
    const AVCodecTag* const tags[] = {avformat_get_riff_video_tags(), nullptr};
    AVCodecID id = av_codec_get_id(tags, f.compression);
    if (id == AV_CODEC_ID_NONE) id = av_codec_get_id(tags, handler);
    const AVCodec* codec = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
    if (!codec) {
      error = "No decoder for the compression '" + FourCCText(f.compression) + "'.";
      return false;
    }
    const AVCodecDescriptor* d = avcodec_descriptor_get(id);
    intra_only_ = d && (d->props & AV_CODEC_PROP_INTRA_ONLY);
    ctx_.reset(avcodec_alloc_context3(codec));
    if (!ctx_) return false;
    ctx_->width = f.width;
    ctx_->height = f.height;
    ctx_->codec_tag = f.compression;
    ctx_->bits_per_coded_sample = f.bit_count;
    ctx_->thread_count = 1;
    if (!f.extra.empty() && f.extra.size() < (1u << 20)) {
      ctx_->extradata = static_cast<uint8_t*>(av_mallocz(f.extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
      if (!ctx_->extradata) return false;
      std::memcpy(ctx_->extradata, f.extra.data(), f.extra.size());
      ctx_->extradata_size = int(f.extra.size());
    }
    if (avcodec_open2(ctx_.get(), codec, nullptr) < 0) {
      error = "The decoder for '" + FourCCText(f.compression) + "' cannot be opened.";
      return false;
    }
    packet_ = MakeAvPacket();
    return static_cast<bool>(packet_);
  }

  bool Decode(const ByteSource& src, const AviContents& avi, int j, SwscaleToBgr& scaler, Bitmap24& out,
              std::string& error) {
    const auto& frames = avi.frames;
    src_ = &src;
    // Decode forward from where the decoder is, unless a key frame after the
    // packets sent so far gets there sooner (every frame of an intra-only
    // stream is one). A drained decoder still holds the pictures after the
    // last one it gave: the last frames of a file come from there.
    bool continue_run = have_out_ && j > out_index_ && j - out_index_ <= 64;
    if (continue_run && j > out_index_ + 1 && StartsAfter(avi, j, std::max(next_send_, out_index_ + 2)))
      continue_run = StartsBefore(avi, j, next_send_);
    if (!(have_out_ && out_index_ == j) && !continue_run) Seek(avi, j);
    while (trial_ || !(have_out_ && out_index_ >= j)) {
      AvFramePtr f = MakeAvFrame();
      int r = avcodec_receive_frame(ctx_.get(), f.get());
      if (r == 0) {
        ++received_;
        const int64_t pts = f->pts;
        const bool tagged = pts != AV_NOPTS_VALUE && pts >= 0 && pts < int64_t(frames.size());
        if (tagged) Learn(avi, int(pts));
        if (!counting_) {
          // Pictures of the group before the one counted from only served as references.
          if (tagged && pts < count_from_) continue;
          counting_ = true;
          while (!pending_.empty() && pending_.front() < count_from_) pending_.pop_front();
        }
        if (trial_ && !TrialHolds(avi, tagged ? int(pts) : -1)) {
          RestartBeforeKey(avi);
          continue;
        }
        if (!pending_.empty()) out_index_ = pending_.front(), pending_.pop_front();
        else ++out_index_;
        // The trial may have to look past frame j before it is sure of it.
        if (trial_ && out_index_ == j) kept_.reset(av_frame_clone(f.get())), kept_index_ = j;
        last_ = std::move(f);
        have_out_ = true;
        continue;
      }
      if (r == AVERROR(EAGAIN) && trial_ && sent_ - received_ > int64_t(ctx_->has_b_frames)) {
        // More pictures held back than the decoder reorders: some were dropped.
        RestartBeforeKey(avi);
        continue;
      }
      if (r != AVERROR(EAGAIN)) {
        if (r == AVERROR_EOF && trial_) {
          RestartBeforeKey(avi);
          continue;
        }
        break;
      }
      if (next_send_ < int(frames.size())) {
        const AviFrameEntry& e = frames[size_t(next_send_)];
        int index = next_send_++;
        if (e.size == 0) continue;
        // The chunk is read straight into a pooled, counted buffer that the
        // decoder takes as it is (a plain buffer would be copied again).
        AVBufferRef* buf = PacketBuffer(size_t(e.size) + AV_INPUT_BUFFER_PADDING_SIZE);
        if (!buf) continue;
        if (!src.ReadAt(e.offset, buf->data, e.size)) {
          av_buffer_unref(&buf);
          continue;
        }
        std::memset(buf->data + e.size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
        packet_->buf = buf;
        packet_->data = buf->data;
        packet_->size = int(e.size);
        packet_->flags = e.keyframe ? AV_PKT_FLAG_KEY : 0;
        // Each picture names the packet it came from.
        packet_->pts = index;
        ++packets_sent_;
        const int sent = avcodec_send_packet(ctx_.get(), packet_.get());
        av_packet_unref(packet_.get());
        if (sent == 0) pending_.push_back(index), ++sent_;
      } else if (!flushed_) {
        avcodec_send_packet(ctx_.get(), nullptr);
        flushed_ = true;
      } else {
        break;
      }
    }
    trial_ = false;
    // A picture after j means frame j itself did not decode.
    const AvFramePtr kept = std::move(kept_);
    const AVFrame* picture = have_out_ && last_ && out_index_ == j ? last_.get() : nullptr;
    if (!picture && kept && kept_index_ == j && have_out_ && out_index_ > j) picture = kept.get();
    if (!picture) {
      error = "The frame cannot be decoded.";
      return false;
    }
    // Every frame has the first one's size (the window's image, the masks and
    // the measured positions are laid out by it), as the FFmpeg source keeps it.
    if (picture_width_ > 0 && (picture->width != picture_width_ || picture->height != picture_height_)) {
      error = "The frame's size differs from the first frame's.";
      return false;
    }
    if (!AvFrameToBitmap(*picture, scaler, out)) {
      error = "The decoded frame's pixel format cannot be converted.";
      return false;
    }
    if (picture_width_ == 0) picture_width_ = picture->width, picture_height_ = picture->height;
    return true;
  }

  bool KnowsPictureSize() const { return picture_width_ > 0; }
  int64_t PacketsSent() const { return packets_sent_; }

 private:
  // The frame decoding of frame j starts at. Some codecs listed as intra-only
  // (FFV1) still carry state from the key frame on: go back to the key frame
  // whenever the index marks them.
  int StartFrame(const AviContents& avi, int j) const {
    int k = j;
    if (avi.keyframe_flags_present || !intra_only_) {
      if (!avi.keyframe_flags_present) k = 0;
      while (k > 0 && !Key(avi, k)) --k;
    }
    return k;
  }

  // Frame k is a key frame that decoding can start at. An MPEG-4 chunk the
  // index calls a key frame must hold an I-picture: some writers flag the
  // chunk after it (a B-picture or an empty placeholder), and decoding from
  // there gives pictures without their references.
  bool Key(const AviContents& avi, int k) const {
    const AviFrameEntry& e = avi.frames[size_t(k)];
    if (!e.keyframe || e.size == 0) return false;
    if (ctx_->codec_id != AV_CODEC_ID_MPEG4 || !src_) return true;
    if (checked_keys_.size() < avi.frames.size()) checked_keys_.resize(avi.frames.size(), int8_t(-1));
    int8_t& known = checked_keys_[size_t(k)];
    if (known < 0) {
      uint8_t head[1024];
      const size_t n = std::min<size_t>(e.size, sizeof head);
      known = 1;
      if (src_->ReadAt(e.offset, head, n))
        for (size_t i = 0; i + 4 < n; ++i)
          if (head[i] == 0 && head[i + 1] == 0 && head[i + 2] == 1 && head[i + 3] == 0xB6) {
            known = (head[i + 4] >> 6) == 0 ? 1 : 0;  // the first picture's coding type: 0 is I
            break;
          }
    }
    return known == 1;
  }

  // Whether decoding frame j could start at frame `from` or later.
  bool StartsAfter(const AviContents& avi, int j, int from) const {
    if (!avi.keyframe_flags_present) return intra_only_ && j >= from;
    for (int k = j; k >= from; --k)
      if (Key(avi, k)) return true;
    return false;
  }

  // A buffer of at least `size` bytes; the pool grows for a larger chunk.
  AVBufferRef* PacketBuffer(size_t size) {
    if (!pool_ || pool_size_ < size) {
      pool_size_ = size + size / 4;
      pool_.reset(av_buffer_pool_init(pool_size_, nullptr));
    }
    return pool_ ? av_buffer_pool_get(pool_.get()) : nullptr;
  }

  // Starts decoding for frame j. Pictures that follow a key frame in the file
  // but are shown before it (an open group of pictures) refer to the group
  // before: then decoding starts one key frame earlier and the pictures of the
  // earlier group are left out. Whether a key frame has such pictures is
  // learnt whenever decoding passes it; until then a start at the key frame
  // itself is tried and abandoned when the decoder drops pictures.
  void Seek(const AviContents& avi, int j) {
    const int k = StartFrame(avi, j);
    const bool reorders = ctx_->has_b_frames > 0 || leading_seen_ || packets_sent_ == 0;
    if (intra_only_ || k == 0 || !reorders) {
      Restart(k, k);
      return;
    }
    const int8_t leading = k < int(leading_.size()) ? leading_[size_t(k)] : int8_t(-1);
    if (leading == 1) {
      Restart(StartFrame(avi, k - 1), k);
      return;
    }
    Restart(k, k);
    trial_ = leading < 0;
  }

  // Whether a new start for frame j would begin before packet `from`: a key
  // frame that needs the group before it, known or likely in a stream that
  // has such key frames.
  bool StartsBefore(const AviContents& avi, int j, int from) const {
    const int k = StartFrame(avi, j);
    if (k == 0 || !leading_seen_) return false;
    const int8_t leading = k < int(leading_.size()) ? leading_[size_t(k)] : int8_t(-1);
    return leading != 0 && StartFrame(avi, k - 1) < from;
  }

  // Records whether key frame p had pictures shown before it that came after it.
  void Learn(const AviContents& avi, int p) {
    if (p > start_ && Key(avi, p)) MarkLeading(avi, p, max_pts_ > p);
    max_pts_ = std::max(max_pts_, p);
  }

  void MarkLeading(const AviContents& avi, int k, bool leading) {
    if (leading_.size() < avi.frames.size()) leading_.resize(avi.frames.size(), int8_t(-1));
    leading_[size_t(k)] = leading ? 1 : 0;
    if (leading) leading_seen_ = true;
  }

  // False when the tried key frame turns out to have pictures shown before it;
  // ends the trial once the pictures that could be such have all come out
  // after it.
  bool TrialHolds(const AviContents& avi, int pts) {
    if (pts < 0) {  // untagged pictures cannot be judged
      trial_ = false;
      return true;
    }
    if (!key_out_ && pts != count_from_) return false;
    key_out_ = true;
    trial_seen_.push_back(pts);
    int need = int(ctx_->has_b_frames);
    for (int q = count_from_ + 1; q < int(avi.frames.size()) && need > 0; ++q) {
      if (avi.frames[size_t(q)].size == 0) continue;
      if (std::find(trial_seen_.begin(), trial_seen_.end(), q) == trial_seen_.end()) return true;
      --need;
    }
    MarkLeading(avi, count_from_, false);
    trial_ = false;
    return true;
  }

  void RestartBeforeKey(const AviContents& avi) {
    const int k = count_from_;
    MarkLeading(avi, k, true);
    Restart(StartFrame(avi, k - 1), k);
  }

  void Restart(int start, int count_from) {
    avcodec_flush_buffers(ctx_.get());
    next_send_ = start;
    out_index_ = count_from - 1;
    start_ = start;
    count_from_ = count_from;
    counting_ = start == count_from;
    max_pts_ = -1;
    sent_ = received_ = 0;
    trial_ = key_out_ = false;
    trial_seen_.clear();
    kept_.reset();
    pending_.clear();
    have_out_ = false;
    flushed_ = false;
    last_.reset();
  }

  AvCodecContextPtr ctx_;
  AvPacketPtr packet_;
  AvFramePtr last_;
  struct PoolFreer {
    void operator()(AVBufferPool* p) const { av_buffer_pool_uninit(&p); }
  };
  std::unique_ptr<AVBufferPool, PoolFreer> pool_;  // frees itself once the decoder drops its last buffer
  size_t pool_size_ = 0;
  std::deque<int> pending_;
  int next_send_ = 0, out_index_ = -1;
  int64_t packets_sent_ = 0;
  bool have_out_ = false, flushed_ = false, intra_only_ = false;
  // Where the current run started and the key frame its numbering starts at.
  int start_ = 0, count_from_ = 0, max_pts_ = -1;
  bool counting_ = true;
  int64_t sent_ = 0, received_ = 0;
  // Per key frame: -1 not known yet, 1 pictures shown before it follow it in the file.
  std::vector<int8_t> leading_;
  bool leading_seen_ = false;
  // A start at a key frame not known yet, on trial.
  bool trial_ = false, key_out_ = false;
  std::vector<int> trial_seen_;
  AvFramePtr kept_;
  int kept_index_ = -1;
  const ByteSource* src_ = nullptr;  // the file being decoded
  int picture_width_ = 0, picture_height_ = 0;  // of the first picture handed out
  mutable std::vector<int8_t> checked_keys_;  // per frame: -1 not read yet, 1 a key frame to start at
};

namespace {

std::string LowerExt(const std::string& path) {
  return AsciiLower(ExtensionOf(path));
}

}  // namespace

TGKAvi::TGKAvi() = default;
TGKAvi::~TGKAvi() = default;

bool TGKAvi::OpenAvi(const std::string& path) {
  std::unique_ptr<ByteSource> file = FileByteSource::Open(path);
  if (!file) {
    error_ = "The file cannot be opened.";
    return false;
  }
  return OpenAviSource(std::move(file));
}

bool TGKAvi::OpenBytes(std::unique_ptr<ByteSource> bytes) {
  CloseStreams();
  error_.clear();
  script_log_.clear();
  return OpenAviSource(std::move(bytes));
}

bool TGKAvi::OpenAviSource(std::unique_ptr<ByteSource> bytes) {
  file_ = std::move(bytes);
  if (!ReadAviContents(*file_, avi_, error_) || !ParseDibFormat(avi_.video_format, avi_.video.fcc_handler, format_, error_)) {
    file_.reset();
    avi_ = AviContents{};
    return false;
  }
  first_palette_ = format_.packed;
  palette_changes_used_ = 0;
  if (format_.decode == DibFormat::Decode::Codec) {
    auto codec = std::make_unique<AviCodecDecoder>();
    std::string why;
    if (codec->Setup(format_, avi_.video.fcc_handler, why)) codec_ = std::move(codec);
    else error_ = why;  // the stream opens; its frames cannot be decoded
  }
  return true;
}

bool TGKAvi::OpenStreams(const std::string& file_name) {
  CloseStreams();
  error_.clear();
  script_log_.clear();
  if (LowerExt(file_name) != ".avs") return OpenAvi(file_name);
  AvsScriptSource script;
  if (!ReadAvsScript(file_name, script, error_)) return false;
  for (const auto& line : script.unused_lines) script_log_.push_back(line + " : ignored");
  // "The file cannot be opened." would be taken for the script itself.
  auto tell_missing_video = [&] {
    std::error_code ec;
    if (!std::filesystem::exists(script.video_path, ec))
      error_ = "The video the script names is not there (" + script.video_path + ").";
    return false;
  };
  if (script.kind == AvsScriptSource::Kind::Avi) return OpenAvi(script.video_path) || tell_missing_video();
  auto source = std::make_unique<FfmpegVideoSource>();
  error_ = source->Open(script.video_path);
  if (!error_.empty()) return tell_missing_video();
  script_frames_ = int32_t(RoundHalfAway(source->DurationSeconds() * (long double)source->FrameRate()));
  script_source_ = std::move(source);
  return true;
}

int32_t TGKAvi::FrameCount() const {
  if (script_source_) return script_frames_;
  if (!file_) return -1;
  return int32_t(std::min<size_t>(avi_.frames.size(), INT32_MAX));
}

float TGKAvi::StreamRate() const {
  if (script_source_) return float(script_source_->FrameRate());
  if (!file_ || avi_.video.scale == 0 || avi_.video.rate == 0) return 30.0f;
  return float((long double)avi_.video.rate / (long double)avi_.video.scale);
}

bool TGKAvi::GetFrameBitmap(int32_t n, Bitmap24& bitmap) {
  if (n < 0 || n >= FrameCount()) {
    error_ = FrameCount() < 0 ? "No video is open." : "The frame number is out of range.";
    return false;
  }
  if (script_source_) {
    const int64_t ticks = FrameTimeTicks(n, script_source_->FrameRate(), 1.0L);
    std::string status = script_source_->GrabAtTicks(ticks, bitmap);
    if (status == "S_OK") return true;
    error_ = status;
    return false;
  }
  // A zero-length chunk is a dropped frame: the previous image stays.
  int j = PictureFrameOf(n);
  // When a scan finds no frames either (the file was overwritten with
  // something that is no AVI), the entry is read as it stands.
  if (j >= 0 && !IndexEntryHolds(j) && ScanInsteadOfIndex()) {
    if (n >= FrameCount()) {
      error_ = "The frame number is out of range.";
      return false;
    }
    j = PictureFrameOf(n);
  }
  if (j < 0) {
    error_ = "The video holds no picture.";
    return false;
  }
  if (format_.decode == DibFormat::Decode::Codec) {
    if (!codec_) {
      if (error_.empty()) error_ = "The video's compression cannot be decoded.";
      return false;
    }
    // The first picture sets the size every frame must have, whichever frame is asked for first.
    if (const int first = PictureFrameOf(0); !codec_->KnowsPictureSize() && first != j) {
      Bitmap24 first_picture;
      std::string ignored;
      codec_->Decode(*file_, avi_, first, scaler_, first_picture, ignored);
    }
    return codec_->Decode(*file_, avi_, j, scaler_, bitmap, error_);
  }
  const AviFrameEntry& e = avi_.frames[size_t(j)];
  if (format_.decode == DibFormat::Decode::Packed && format_.packed.kind == PackedPixels::Kind::Bytes3)
    return ReadBgr24Frame(e, bitmap);
  // Padding after the frame: swscale reads whole vectors at the end of a line.
  chunk_.resize(size_t(e.size) + 64);
  std::fill(chunk_.begin() + ptrdiff_t(e.size), chunk_.end(), uint8_t(0));
  if (!file_->ReadAt(e.offset, chunk_.data(), e.size)) {
    error_ = "The frame cannot be read.";
    return false;
  }
  if (format_.decode == DibFormat::Decode::Packed && format_.packed.kind == PackedPixels::Kind::Palette)
    UsePaletteOfFrame(j);
  if (!DecodeDibFrame(format_, chunk_.data(), e.size, scaler_, bitmap)) {
    error_ = "The frame is shorter than its format.";
    return false;
  }
  return true;
}

// 24-bit rows go from the file straight into the bitmap; the checks come
// first, so a frame that cannot be read leaves the bitmap as it was.
bool TGKAvi::ReadBgr24Frame(const AviFrameEntry& e, Bitmap24& bitmap) {
  const uint64_t file_size = file_->SizeNow();
  if (e.offset > file_size || e.size > file_size - e.offset) {
    error_ = "The frame cannot be read.";
    return false;
  }
  const Bgr24Rows rows = DibBgr24Rows(format_.width, format_.height, format_.top_down);
  if (int64_t(e.size) < rows.EndByte()) {
    error_ = "The frame is shorter than its format.";
    return false;
  }
  if (!ReadBgr24Rows(*file_, e.offset, rows, bitmap, row_gap_)) {
    error_ = "The frame cannot be read.";
    return false;
  }
  return true;
}

bool TGKAvi::IndexEntryHolds(int j) {
  if (avi_.index_source == AviIndexSource::Scan) return true;
  const AviFrameEntry& e = avi_.frames[size_t(j)];
  return VideoChunkBefore(*file_, e.offset, e.size, avi_.video_stream);
}

bool TGKAvi::ScanInsteadOfIndex() {
  AviContents scanned;
  std::string why;
  if (!ReadAviContents(*file_, scanned, why, false)) return false;
  avi_ = std::move(scanned);
  RestoreFirstPalette();
  // The decoder's knowledge of the frames belongs to the old list.
  if (codec_) {
    auto codec = std::make_unique<AviCodecDecoder>();
    std::string ignored;
    if (codec->Setup(format_, avi_.video.fcc_handler, ignored)) codec_ = std::move(codec);
  }
  return true;
}

int TGKAvi::PictureFrameOf(int n) const {
  int j = n;
  while (j >= 0 && avi_.frames[size_t(j)].size == 0) --j;
  if (j >= 0) return j;
  // Frames dropped before the first picture show that picture, as the
  // DirectShow source shows them: a black frame would measure as a star gone.
  for (j = n + 1; j < int(avi_.frames.size()); ++j)
    if (avi_.frames[size_t(j)].size != 0) return j;
  return -1;
}

void TGKAvi::RestoreFirstPalette() {
  format_.packed.palette = first_palette_.palette;
  format_.packed.palette_size = first_palette_.palette_size;
  palette_changes_used_ = 0;
}

void TGKAvi::UsePaletteOfFrame(int j) {
  const auto& changes = avi_.palette_changes;
  const auto until = std::upper_bound(changes.begin(), changes.end(), size_t(j),
                                      [](size_t frame, const AviPaletteChange& c) { return frame < c.before_frame; });
  const size_t wanted = size_t(until - changes.begin());
  if (wanted < palette_changes_used_) RestoreFirstPalette();
  for (; palette_changes_used_ < wanted; ++palette_changes_used_) {
    const std::vector<uint8_t>& d = changes[palette_changes_used_].data;
    const size_t first = d[0];
    const size_t count = d[1] == 0 ? 256 : d[1];
    for (size_t i = 0; i < count && first + i < 256 && 4 + 4 * i + 3 <= d.size(); ++i) {
      const uint8_t* e = &d[4 + 4 * i];
      format_.packed.palette[first + i] = {e[2], e[1], e[0]};  // stored R, G, B
      format_.packed.palette_size = std::max(format_.packed.palette_size, int(first + i + 1));
    }
  }
}

int64_t TGKAvi::CodecPacketsSent() const {
  return codec_ ? codec_->PacketsSent() : 0;
}

void TGKAvi::CloseStreams() {
  codec_.reset();
  script_source_.reset();
  script_frames_ = 0;
  file_.reset();
  avi_ = AviContents{};
  format_ = DibFormat{};
  palette_changes_used_ = 0;
  chunk_.clear();
  chunk_.shrink_to_fit();
  row_gap_.clear();
}
