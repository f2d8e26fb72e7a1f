#pragma once
// Reads the structure of a RIFF AVI file: stream headers, the video stream's
// format block and the position and size of every video frame.
#include <cstdint>
#include <string>
#include <vector>

#include "video/ByteSource.h"

struct AviStreamHeader {
  uint32_t fcc_type = 0;
  uint32_t fcc_handler = 0;
  uint32_t flags = 0;
  uint32_t initial_frames = 0;
  uint32_t scale = 0;
  uint32_t rate = 0;
  uint32_t start = 0;
  uint32_t length = 0;
  uint32_t suggested_buffer = 0;
  uint32_t sample_size = 0;
};

struct AviFrameEntry {
  uint64_t offset = 0;  // file offset of the frame's data (after the chunk header)
  uint32_t size = 0;    // 0: a dropped frame that repeats the previous image
  bool keyframe = false;
};

// A palette change ('##pc') of an 8-bit stream: AVPALETTECHANGE (first
// entry, entry count with 0 for 256, flags, then R, G, B, flags per entry).
struct AviPaletteChange {
  size_t before_frame = 0;  // the frames from this one on use it
  std::vector<uint8_t> data;
};

enum class AviIndexSource { OpenDmlIndex, Idx1Relative, Idx1Absolute, Scan };

struct AviContents {
  int video_stream = -1;  // stream number of the first 'vids' stream
  AviStreamHeader video;
  std::vector<uint8_t> video_format;  // the strf block (BITMAPINFOHEADER, palette, extra data)
  bool has_audio = false;
  AviStreamHeader audio;
  std::vector<uint8_t> audio_format;  // first 18 bytes of the strf block (WAVEFORMATEX)
  std::vector<AviFrameEntry> frames;
  std::vector<AviPaletteChange> palette_changes;  // in file order
  bool keyframe_flags_present = false;  // the index said which frames are key frames
  AviIndexSource index_source = AviIndexSource::Scan;
  int riff_segments = 0;
};

// Fills `out` and returns true, or returns false with a reason in `error`.
// Without `use_index` the frames are found by a scan of the file.
bool ReadAviContents(const ByteSource& src, AviContents& out, std::string& error, bool use_index = true);

// Does a video chunk ('##db' or '##dc') of this stream and size start 8 bytes
// before `data`? An index entry that fails this points into another recording.
bool VideoChunkBefore(const ByteSource& src, uint64_t data, uint32_t size, int stream);

std::string FourCCText(uint32_t fourcc);
constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}
