#pragma once
// The video's sound track (a PCM WAV file) read around the current frame:
// waveform columns for the indicator and the detection of a time-signal beep.
//
// Contract: the "data" chunk is found by walking the RIFF chunks; a file
// whose chunks do not lead to one is taken to hold its sound from byte 48
// (RIFF size - 40 bytes). A file cut short keeps the header's length, so its
// frames stay where they were; sizes left unknown (0 or 0xFFFFFFFF, as a
// writer into a pipe leaves them) take the file's length. The format comes from the "fmt " chunk, or from the
// fixed header offsets when there is none. 16-bit samples are signed, any
// other width is read as unsigned 8-bit; 2 channels are stereo, others mono.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

enum class SoundChannel { Left = 0, Right = 1, Both = 2 };
enum class SoundWidth { Wide = 0, Expansion = 1 };

struct WavInfo {
  uint32_t RiffSize = 0;
  uint16_t FormatTag = 0;
  uint16_t Channels = 0;
  uint32_t SampleRate = 0;
  uint16_t Bits = 0;
  uint64_t DataOffset = 48;
  uint64_t DataLength = 0;  // as the header gives it: frames are mapped on it
  uint64_t DataInFile = 0;  // the part of it the file holds
  int BytesPerFrame() const { return (Bits == 16 ? 2 : 1) * (Channels == 2 ? 2 : 1); }
};

// Reads the header; false when the file is missing, empty or shorter than a header.
bool ReadWavInfo(const std::string& path, WavInfo& info);

struct SoundColumn {
  int x = 0, y_from = 0, y_to = 0;  // a vertical red segment (one pixel when equal)
};

struct SoundFrameResult {
  bool Detected = false;            // SoundSignalDetected
  std::string PercentText = "0.00";  // SoundSignalPercentText
  std::vector<SoundColumn> Columns;
};

class SoundTrack {
 public:
  static constexpr int kBlockFrames = 48001;
  static constexpr int kCentreX = 166;
  static constexpr int kCentreY = 70;
  // A quiet sample with signal this near on both sides counts as signal.
  static constexpr int kSignalDistance = 30;

  // Opens the WAV file for a video of `frame_count` frames at `frame_rate`.
  bool SoundInit(const std::string& path, int frame_count, double frame_rate);
  // Opens it again and reads the first block, for plain sample access.
  bool SoundInit2(const std::string& path);
  void CloseWavFile() { file_.close(); }

  // Reads the block around frame f and detects the signal in it.
  SoundFrameResult GraphDraw(int f, SoundChannel channel, SoundWidth width, int gain);

  int GetSoundSample(int i) const { return Sample(i, SoundChannel::Both); }
  int GetChannelSample(int i, SoundChannel c) const { return Sample(i, c); }
  bool HasSignalAround(int i, int distance, int threshold, SoundChannel c, int gain) const;
  int SamplesRead() const { return frames_read_; }

  const WavInfo& Info() const { return info_; }
  double SamplesPerFrame = 0;
  int SamplesPerFrameRounded = 0;
  int AudioDiscordance = 0;  // thousandths of a per cent

  // Texts of the header fields.
  std::string SampleFrameText() const;
  std::string DataTypeText() const;
  std::string DataSizeText() const;
  std::string SamplingRateText() const;
  std::string DiscordanceText() const;
  bool DiscordanceWarning() const { return AudioDiscordance > 1000; }
  // x of the frame boundaries drawn as guide lines.
  std::vector<int> FrameBoundaries(SoundWidth width) const;

 private:
  bool Open(const std::string& path);
  void ReadBlock(uint64_t offset, int64_t frames);
  int Sample(int i, SoundChannel c) const;
  int Scaled(int i, SoundChannel c, int gain) const;

  std::ifstream file_;
  WavInfo info_;
  std::vector<uint8_t> block_;
  int frames_read_ = 0;
};
