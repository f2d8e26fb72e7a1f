#pragma once
// Test videos: frames that carry their own frame number, a per-program
// temporary folder for fixtures, and the ffmpeg/ffprobe command-line tools.
#include <optional>
#include <string>
#include <vector>

#include "base/Bitmap24.h"

// A frame whose pixels all depend on n (bit-exact checks) and which carries n
// as 10 black/white blocks of `block` pixels in its top band, readable after
// lossy compression (ReadFrameNumber).
Bitmap24 NumberedFrame(int width, int height, int n, int block = 16);
// Frames 0 .. count - 1 drawn by NumberedFrame.
std::vector<Bitmap24> NumberedFrames(int count, int width, int height, int block = 16);
// The number NumberedFrame drew, or -1 when the blocks are not clean.
int ReadFrameNumber(const Bitmap24& frame, int block = 16);

// A folder made once per test program and removed when it ends.
const std::string& VideoFixtureFolder();
// Path of a file in that folder.
std::string FixturePath(const std::string& name);

// Runs the ffmpeg CLI with these arguments (quiet, overwrite); true on success.
bool RunFfmpeg(const std::string& args);
// ffprobe: frames counted by decoding, the stream's r_frame_rate text, its
// codec's name and its frame size.
struct ProbeResult {
  long frames = -1;
  std::string rate;
  std::string codec;
  int width = 0, height = 0;
};
std::optional<ProbeResult> ProbeVideo(const std::string& path);
// Whether the ffmpeg CLI has this encoder.
bool FfmpegHasEncoder(const std::string& name);

// The first `frames` frames of FFmpeg's testsrc2 pattern at this size and
// rate, made by the ffmpeg CLI (a reference for what a capture of the test
// pattern device must hold). Empty when ffmpeg fails.
std::vector<Bitmap24> FfmpegTestPattern(int width, int height, int rate, int frames);
// Every frame of a video as the ffmpeg tool decodes it to BGR24 (a reference
// no code of ours touches). Empty when ffmpeg fails.
std::vector<Bitmap24> FfmpegBgr24Frames(const std::string& path, int width, int height);
// ffprobe: the number of streams of a type ("v" or "a") in a file.
int ProbeStreamCount(const std::string& path, const std::string& type);
// Cuts the file `bytes_in` bytes into its first sound packet that starts
// after `after_seconds` (a recording that stopped in the middle of a sound
// chunk); false when there is no such packet.
bool CutInSoundPacket(const std::string& path, double after_seconds, long long bytes_in);
// Rewrites an AVI's sound header the way a muxer that takes a variable bit
// rate track for a constant one writes it: time counted in bytes (scale 1,
// sample size and block align 1) at the track's mean byte rate over
// `seconds`. False when the file has no sound header.
bool MarkSoundAsConstantBitRate(const std::string& avi_path, double seconds);
