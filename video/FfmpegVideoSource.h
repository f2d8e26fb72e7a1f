#pragma once
// A video file read through FFmpeg (libavformat + libavcodec), frames chosen by
// time: GrabAtTicks(T) delivers the frame on screen at T (100-ns units from the
// start of the stream), that is the last frame whose presentation time is not
// after T; after the last frame, the last frame. Sequential requests decode
// forward without seeking; a jump seeks to the key frame before T and decodes
// forward from there. A time that no decoded frame covers (a frame that
// failed to decode, the part of a cut-short file that is gone) is a failure,
// never the picture before it; a dropped frame in an AVI (an empty packet,
// or a time the file's index skips) stretches the frame before it.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Bitmap24.h"
#include "video/ByteSource.h"
#include "video/FfmpegHandles.h"
#include "video/FrameRows.h"
#include "video/PixelConvert.h"

struct FfmpegStep {
  std::string text;  // our step name, ending in " : "
  int result = 0;    // FFmpeg's result code (0 or positive: success)
};

class FfmpegVideoSource {
 public:
  // Empty on success, else the reason. `steps` receives the steps taken.
  std::string Open(const std::string& path, std::vector<FfmpegStep>* steps = nullptr);
  void Close();
  bool IsOpen() const { return static_cast<bool>(format_); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Frames per second: the stream's average rate (or its base rate).
  double FrameRate() const { return frame_rate_; }
  // Length of the stream in 100-ns units and seconds.
  int64_t DurationTicks() const { return duration_ticks_; }
  double DurationSeconds() const { return double(duration_ticks_) / 1e7; }

  // "S_OK" with `out` filled, or a reason with `out` untouched.
  std::string GrabAtTicks(int64_t ticks, Bitmap24& out);

  // How many times the demuxer was asked to seek (for tests and benchmarks).
  int SeekCount() const { return seek_count_; }
  // How many pictures the decoder gave (for tests and benchmarks).
  int64_t DecodedCount() const { return decoded_count_; }
  // How many packets went to the decoder.
  int64_t SentCount() const { return sent_count_; }
  // Whether pictures are read by the file's index, rows straight into the bitmap.
  bool ReadsByIndex() const { return by_index_; }
  // How many pictures the cache of decoded pictures holds at most (0: no cache).
  size_t CacheLimit() const { return cache_limit_; }

 private:
  struct Decoded {
    AvFramePtr frame;
    int64_t pts = 0;  // in stream time base, relative to the stream start
    int64_t end = 0;  // pts + the frame's duration
    bool damaged = false;  // the decoder reported errors in this picture
    bool key = false;      // decodes without the pictures before it
    bool let_go = false;   // pixels freed before a read ahead; read again when wanted
    bool after_end = false;  // given by the decoder after the file's last packet
    bool timed = true;       // the decoder gave its time (not counted on from the picture before)
    int64_t file_pos = -1;  // no frame: the rows are read from the file, the packet's data starting here
    bool HasPixels() const { return frame || file_pos >= 0; }
  };
  // Where the rows of an uncompressed BGR24 AVI picture lie in its packet, as
  // the decoder lays them out (learned from the first picture it decodes).
  struct RowsInPacket {
    int packet_size = 0;  // 0: not learned yet
    Bgr24Rows rows;
  };
  // A decoded picture kept for steps back and forth, with the time of the
  // picture the decoder gave right after it (known once that one is decoded).
  struct Cached {
    Decoded d;
    int64_t next_pts = 0;
    bool next_known = false;
    uint64_t used = 0;
  };
  void Remember(const Decoded& d);
  const Decoded* CachedAt(int64_t ticks);
  bool ShownBy(int64_t pts, int64_t ticks) const;
  int64_t TicksToPts(int64_t ticks) const;
  bool DecodeNext(Decoded& out);
  void TakeFrame(AvFramePtr f, Decoded& out);
  void SetUpIndexReading();
  bool DecodeNextFromIndex(Decoded& out);
  bool DecodeOwnPacket(const AVIndexEntry& e, Decoded& out);
  bool ReadRows(const Decoded& d, Bitmap24& out);
  bool VideoChunkAt(int64_t pos, int size) const;
  bool SeekTo(int64_t pts);
  void ResetDecodeState();
  bool Advance(int64_t ticks);  // moves cur_ forward to the frame shown at ticks
  bool Covers(int64_t ticks) const;  // cur_ (or a dropped frame after it) is shown at ticks
  bool IndexedPictureAfterCur(int64_t ticks) const;
  void LetGoBeforeReadAhead(int64_t ticks);
  std::string SeekNear(int64_t ticks);
  std::string Deliver(const Decoded& d, Bitmap24& out);
  void NoteEmptyPacket(int64_t pts);
  void NoteLostPacket(const AVPacket& p);  // a packet of ours that gave no picture
  void NoteLost(int64_t pts);
  bool ForwardIsCheaper(int64_t ticks) const;
  bool PastIndexEnd(int64_t ticks) const;
  int64_t EndPts();
  int64_t ScanEndPts(const std::string& path) const;
  int64_t ScanJoinedParts(const std::string& path);
  void OntoJoinedLine(AVPacket& p);
  int64_t JoinedKeyPos(int64_t pts) const;

  AvFormatPtr format_;
  AvCodecContextPtr codec_;
  AvPacketPtr packet_;
  SwscaleToBgr scaler_;
  int stream_ = -1;
  AVRational time_base_{1, 1};
  int64_t start_pts_ = 0;
  int64_t first_pts_ = 0;  // the first picture's time (after frames an AVI capture dropped before it)
  int64_t frame_pts_step_ = 1;  // one frame period in the stream time base
  int width_ = 0, height_ = 0;
  int picture_width_ = 0, picture_height_ = 0;  // of the first picture decoded; 0: not known
  double frame_rate_ = 0;
  int64_t duration_ticks_ = 0;

  Decoded prev_, cur_, next_;  // the picture before the current one is kept for a step back
  bool have_prev_ = false, have_cur_ = false, have_next_ = false;
  bool flushing_ = false, drained_ = false;
  int64_t last_pts_ = 0;
  bool last_pts_valid_ = false;
  int seek_count_ = 0;
  int64_t decoded_count_ = 0, sent_count_ = 0;
  bool intra_only_ = false;  // every picture decodes alone, in time order
  bool raw_video_ = false;  // each picture is its packet, read uncompressed
  bool program_stream_ = false;  // an MPEG program stream (.mpg, .vob)
  // A transport stream cut inside a packet: the demuxer hands the picture the
  // cut left unfinished as a whole one; our packets from this byte on are lost.
  int64_t cut_pes_pos_ = INT64_MAX;
  bool keep_pixels_ = false;  // no letting go (while reading a let-go picture again)
  // Uncompressed BGR24 AVI with an index: pictures are read by the index,
  // their rows straight from the file into the bitmap, not through the demuxer.
  bool by_index_ = false;
  int next_entry_ = 0;  // the index entry read next
  RowsInPacket rows_;
  std::unique_ptr<FileByteSource> row_file_;  // the file, read by us for uncompressed BGR24 AVI pictures
  std::vector<uint8_t> row_gap_;  // padding between rows is read here
  bool indexed_ = false;  // the file brought an index of its pictures
  int64_t held_frames_ = -1;  // AVI: the frames the file holds (dropped ones too); -1 unknown
  std::vector<int64_t> empty_pts_;
  std::vector<int64_t> lost_pts_;  // packets cut short or refused by the decoder, ascending  // dropped frames read since the last seek, ascending
  std::vector<int64_t> lost_shown_pts_;  // of those, the ones whose packet carried a presentation time
  std::vector<uint8_t> palette_;  // AVPALETTE_SIZE bytes for palette AVIs
  bool send_palette_ = false;
  std::optional<PackedPixels> dib_masks_;  // BI_BITFIELDS AVIs
  std::string path_;
  // A transport stream joined byte for byte from recordings that each start
  // their time stamps again: from byte `pos` on, `offset` is added to the
  // time stamps, so the parts follow one another on one time line. The
  // demuxer's search by time cannot tell the parts apart: jumps go to the
  // byte of the key packet before the time (in `joined_keys_`, on that line).
  struct JoinedPart {
    int64_t pos = 0;
    int64_t offset = 0;
    int64_t whole_from = INT64_MAX;  // packets from here to the next part are not corrupt
  };
  struct KeyPacket {
    int64_t pts = 0;
    int64_t pos = 0;
  };
  std::vector<JoinedPart> joined_;  // empty: one time line
  std::vector<KeyPacket> joined_keys_;
  size_t joined_part_ = 0;  // the part of the packet read last
  size_t decoder_part_ = SIZE_MAX;  // the part of the packet sent last; SIZE_MAX: none since the last seek
  AvPacketPtr join_packet_;  // the first packet of the next part, held while the decoder drains
  std::map<int64_t, Cached> cache_;  // by picture time
  size_t cache_limit_ = 0;
  uint64_t cache_clock_ = 0;
  bool chain_valid_ = false;  // chain_pts_ is the picture decoded last, kept in the cache
  int64_t chain_pts_ = 0;
  bool trusted_ = false;  // a key picture was decoded since the last seek
};

// FFmpeg's own messages at error level, a repeated line shown once (done by Open).
void QuietFfmpegLog();

// Name of an FFmpeg result code ("S_OK" for success, "AVERROR_EOF", ...);
// empty for a code we do not know.
std::string FfmpegResultName(int code);
