#pragma once
// AviWriter: writes uncompressed RIFF AVI files for tests and benchmarks.
//
// Usage:
//   AviWriterOptions o;                 // 24-bit bottom-up DIB, 25 fps, idx1
//   o.format = AviPixelFormat::Pal8;    // optional: another pixel layout
//   AviWriter w(path, width, height, o);
//   w.AddFrame(bitmap);                 // Bitmap24 in, converted to the format
//   w.AddEmptyFrame();                  // a zero-length chunk (dropped frame)
//   w.Finish();                         // headers and indexes; false on I/O error
// or in one call: WriteAvi(path, frames, options).
//
// What a correct reader must return for a written frame is Expected(bitmap):
// the frame quantised to the format (555/565 expanded by bit replication,
// palette formats mapped to the nearest palette entry). YUV formats are
// converted with BT.601 limited-range integer maths; their read-back is only
// approximately the input.
//
// Layout options: idx1 with offsets relative to 'movi' or absolute, or none
// (a crashed capture); 'rec ' lists around each frame; an interleaved PCM audio
// stream; OpenDML (an 'indx' super index, one 'ix00' per RIFF segment, 'RIFF
// AVIX' segments started whenever a segment would pass `segment_bytes`).
// AddJunk() leaves a sparse hole (a JUNK chunk) to push frames past 4 GB.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Bitmap24.h"

enum class AviPixelFormat {
  Bgr24,          // 24-bit BI_RGB, bottom-up
  Bgr24TopDown,   // 24-bit BI_RGB, negative biHeight
  Bgr32,          // 32-bit BI_RGB (fourth byte 0)
  Rgb555,         // 16-bit BI_RGB (x555)
  Rgb555Fields,   // 16-bit BI_BITFIELDS with 555 masks
  Rgb565,         // 16-bit BI_BITFIELDS with 565 masks
  Pal8,           // 8-bit palette
  Pal4,           // 4-bit palette
  Pal1,           // 1-bit palette
  Y800,           // 8-bit grey, FourCC "Y800"
  Grey,           // 8-bit grey, FourCC "GREY"
  Yuy2,
  Uyvy,
  I420,
  Yv12,
};

enum class AviIndexKind { Idx1Relative, Idx1Absolute, None };

struct AviWriterOptions {
  AviPixelFormat format = AviPixelFormat::Bgr24;
  uint32_t rate = 25;   // dwRate
  uint32_t scale = 1;   // dwScale
  AviIndexKind idx1 = AviIndexKind::Idx1Relative;
  bool rec_lists = false;
  bool audio = false;             // adds a 8 kHz mono 16-bit PCM stream
  bool open_dml = false;
  uint64_t segment_bytes = 1000000000;  // OpenDML: size at which a RIFF segment ends
  // Palette formats: the palette written to strf (up to 2^bpp entries). Empty:
  // a grey ramp over the whole range. clr_used_zero writes biClrUsed 0 (then
  // the palette must have all 2^bpp entries).
  std::vector<Bgr> palette;
  bool clr_used_zero = false;
};

class AviWriter;

// One call: writes `frames` to `path`; false on I/O error.
bool WriteAvi(const std::string& path, const std::vector<Bitmap24>& frames, const AviWriterOptions& options = {});

class AviWriter {
 public:
  AviWriter(const std::string& path, int width, int height, AviWriterOptions options = {});
  ~AviWriter();
  AviWriter(const AviWriter&) = delete;
  AviWriter& operator=(const AviWriter&) = delete;

  void AddFrame(const Bitmap24& frame);
  void AddEmptyFrame();
  // Already encoded data written as a '00dc' chunk (with the given FourCC in
  // the headers, set before the first frame by SetCompressed).
  void SetCompressed(const std::string& fourcc, int bit_count);
  void AddEncodedFrame(const std::vector<uint8_t>& data, bool keyframe);
  void AddJunk(uint64_t bytes);
  bool Finish();

  // The frame a correct reader returns for `frame` written in this format.
  Bitmap24 Expected(const Bitmap24& frame) const;
  // The bytes of one frame in the file's layout.
  std::vector<uint8_t> Encode(const Bitmap24& frame) const;
  const std::vector<Bgr>& Palette() const { return palette_; }

 private:
  struct Entry {
    uint64_t header_pos;  // file offset of the chunk header
    uint32_t size;
    bool keyframe;
    bool video;
  };
  struct Segment {
    uint64_t riff_pos;
    uint64_t movi_pos;  // offset of the 'movi' FourCC
    std::vector<Entry> entries;
    uint64_t ix_pos = 0;
    uint32_t ix_size = 0;
    uint32_t frames = 0;
  };

  void WriteHeaders();
  void WriteChunk(const char id[4], const uint8_t* data, uint32_t size, bool keyframe, bool video);
  void AddChunkedFrame(const uint8_t* data, uint32_t size, bool keyframe);
  void CloseSegment();
  void StartAvixSegment();
  void Put(const void* p, size_t n);
  void Put32(uint32_t v);
  void Put16(uint16_t v);
  void PutId(const char* id);
  void Patch32(uint64_t pos, uint32_t v);
  uint64_t Tell() const;
  std::vector<uint8_t> StrfBytes() const;
  int BitCount() const;
  uint32_t Compression() const;
  size_t FrameBytes() const;

  std::FILE* file_ = nullptr;
  bool ok_ = true;
  int width_, height_;
  AviWriterOptions opt_;
  std::vector<Bgr> palette_;
  std::string compressed_fourcc_;
  int compressed_bits_ = 24;
  std::vector<Segment> segments_;
  uint64_t avih_pos_ = 0, strh_pos_ = 0, indx_pos_ = 0, dmlh_pos_ = 0, audio_strh_pos_ = 0;
  uint32_t total_frames_ = 0;
  uint32_t max_chunk_ = 0;
  bool headers_written_ = false;
  bool finished_ = false;
  static constexpr int kMaxSegments = 32;
};
