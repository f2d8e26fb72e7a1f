#pragma once
// The devices a live capture can read, found through libavdevice: V4L2
// cameras and grabbers, ALSA and PulseAudio inputs, and FFmpeg's test pattern
// (lavfi), which stands in for a camera where there is none. Lists are
// bounded: a window keeps at most 21 video, 21 audio and 101 compressor names.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

inline constexpr size_t kMaxVideoDevices = 21;
inline constexpr size_t kMaxAudioDevices = 21;
inline constexpr size_t kMaxCompressors = 101;

struct CaptureDevice {
  std::string Name;    // shown in the lists
  std::string Format;  // libavdevice input format: "v4l2", "alsa", "pulse", "lavfi"
  std::string Url;     // what avformat_open_input opens
  // Input options, "key=value" pairs (video_size, framerate, ...).
  std::vector<std::pair<std::string, std::string>> Options;
};

struct CaptureCompressor {
  std::string Name;     // shown in the list
  std::string Encoder;  // libavcodec encoder name
};

// The test pattern offered as a video device: a moving colour chart at
// `width` x `height`, `rate` frames a second, delivered in real time.
CaptureDevice TestPatternDevice(int width = 320, int height = 240, int rate = 25);
inline constexpr const char* kTestPatternName = "FFmpeg test pattern (lavfi)";

// V4L2 devices, then the test pattern; at most kMaxVideoDevices.
std::vector<CaptureDevice> EnumerateVideoDevices();
// ALSA and PulseAudio inputs present on this machine; at most kMaxAudioDevices.
std::vector<CaptureDevice> EnumerateAudioDevices();
// Encoders that can go into an AVI file, present in this libavcodec; the DV
// encoder keeps its familiar name "DV Video Encoder".
std::vector<CaptureCompressor> EnumerateCompressors();
inline constexpr const char* kDvEncoderName = "DV Video Encoder";

// Keeps the first `limit` entries.
template <class T>
void BoundList(std::vector<T>& list, size_t limit) {
  if (list.size() > limit) list.resize(limit);
}
