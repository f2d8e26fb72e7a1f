#pragma once
// Writes a video's sound track as a PCM WAV file for the sound indicator:
// 16-bit interleaved samples at the track's own rate, mono kept mono and
// everything else mixed to stereo, the first sample at the time of the first
// video frame and, when the video's length is given, the last at the end of
// its last frame. The header is 48 bytes (a 20-byte fmt chunk), so the samples
// start at byte 48 and the RIFF size is the file length - 8.
#include <cstdint>
#include <string>

inline constexpr int kWavDataOffset = 48;

struct WavTrackInfo {
  int Channels = 0;
  int SampleRate = 0;
  int64_t SampleFrames = 0;  // samples per channel
};

// "tsy.wav" in the video's folder.
std::string WavFileNameFor(const std::string& video_path);

// The 48-byte header of a PCM track of data_bytes bytes of sound data.
std::string WavHeader(int channels, int sample_rate, uint32_t data_bytes);

// The name of a result of the decoding steps: the frame source's table
// ("S_OK" for success, "AVERROR(ENOENT)", ...), empty for an unknown code.
std::string HResultToName(int code);

// Decodes the whole track into a temporary file beside wav_path and renames
// it to wav_path. True only for a complete file with at least one sample;
// otherwise no file is left and `message` (when given) says why.
// video_seconds > 0 (the frames' count over their rate) cuts the track there
// or pads it with silence, so that the sound indicator, which spreads the
// track evenly over the frames, shows every sound at its own frame.
bool MakeWavFromVideo(const std::string& video_path, const std::string& wav_path, std::string* message = nullptr,
                      WavTrackInfo* info = nullptr, double video_seconds = 0);
