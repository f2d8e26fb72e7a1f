#pragma once
// TGKAvi: the AVIFile frame source, built on our own RIFF AVI reader.
// Also opens AviSynth scripts of the forms the program writes (AvsScript.h):
// AVISource("x.avi") reads x.avi here, DirectShowSource("x") reads x through
// FFmpeg with frame n at time (n + 0.5) / rate.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Bitmap24.h"
#include "video/AviRiffReader.h"
#include "video/ByteSource.h"
#include "video/DibFormat.h"

class FfmpegVideoSource;
class AviCodecDecoder;

class TGKAvi {
 public:
  TGKAvi();
  ~TGKAvi();
  TGKAvi(const TGKAvi&) = delete;
  TGKAvi& operator=(const TGKAvi&) = delete;

  // Writer settings kept as plain values; no reading operation uses them.
  std::string FileName;
  uint16_t Width = 320;
  uint16_t Height = 240;
  bool Compress = true;
  bool PreCompress = false;
  int32_t FrameRate() const { return frame_rate_; }
  void SetFrameRate(int32_t rate) { frame_rate_ = rate < 1 ? 1 : rate > 30 ? 30 : rate; }
  uint8_t BitDepth() const { return bit_depth_; }
  void SetBitDepth(uint8_t bits) { bit_depth_ = bits == 24 ? 24 : 16; }

  // True when a video stream was opened (an ".avs" name opens the script's
  // source). Closes what was open before.
  bool OpenStreams(const std::string& file_name);
  // Opens an AVI held by `bytes` (tests, the fuzzer).
  bool OpenBytes(std::unique_ptr<ByteSource> bytes);
  // Frames of the video stream, -1 when none is open.
  int32_t FrameCount() const;
  // Frame n into `bitmap`; false (bitmap untouched) when no stream is open,
  // n is outside 0..FrameCount()-1 or the frame cannot be decoded (a
  // compressed frame of another size than the first one's is refused).
  bool GetFrameBitmap(int32_t n, Bitmap24& bitmap);
  // dwRate / dwScale as a 32-bit float; 30 when it cannot be read.
  float StreamRate() const;
  // Releases the video and the audio stream.
  void CloseStreams();

  // Why the last open or grab failed.
  const std::string& LastError() const { return error_; }
  // Script lines that were not honoured (DVInfo, ...), as "text : ignored".
  const std::vector<std::string>& ScriptLog() const { return script_log_; }
  bool HasAudio() const { return avi_.has_audio; }
  const std::vector<uint8_t>& AudioFormat() const { return avi_.audio_format; }
  // Packets handed to the decoder of a compressed stream so far (tests, benchmarks).
  int64_t CodecPacketsSent() const;
  // The file's structure (nothing for a DirectShowSource script).
  const AviContents* Contents() const { return file_ ? &avi_ : nullptr; }

 private:
  bool OpenAvi(const std::string& path);
  bool OpenAviSource(std::unique_ptr<ByteSource> bytes);
  bool ReadBgr24Frame(const AviFrameEntry& e, Bitmap24& bitmap);
  // The palette frame j is shown with: the format's, changed by the
  // palette changes before the frame.
  void UsePaletteOfFrame(int j);
  void RestoreFirstPalette();
  // The frame whose picture frame n shows: n, or the last one before it with
  // a chunk (a dropped frame repeats it), or before the first picture the
  // first one; -1 for none.
  int PictureFrameOf(int n) const;
  // The index entry of frame j points at its chunk; when it does not (a
  // damaged index), the frames are found again by a scan of the file.
  bool IndexEntryHolds(int j);
  bool ScanInsteadOfIndex();

  int32_t frame_rate_ = 30;
  uint8_t bit_depth_ = 16;
  std::unique_ptr<ByteSource> file_;
  AviContents avi_;
  DibFormat format_;
  PackedPixels first_palette_;        // the format's own palette
  size_t palette_changes_used_ = 0;   // changes applied to format_'s palette
  std::vector<uint8_t> chunk_;
  std::vector<uint8_t> row_gap_;  // padding between 24-bit rows is read here
  SwscaleToBgr scaler_;
  std::unique_ptr<AviCodecDecoder> codec_;
  std::unique_ptr<FfmpegVideoSource> script_source_;
  int32_t script_frames_ = 0;
  std::string error_;
  std::vector<std::string> script_log_;
};
