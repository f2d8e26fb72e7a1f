#pragma once
// The "DirectShow" frame source, built on FFmpeg. It keeps the operations and
// the step log of the DirectShow graph it replaces: open, close, prime, stop,
// play, pause, grab frame N, rate, size, duration. Frame N is the frame shown
// at time (N + 0.5) / (VideoFrameRate x FrameRateFactor), taken as
// RoundHalfAway of that in 100-ns units.
#include <array>
#include <cstdint>
#include <string>

#include "base/Bitmap24.h"
#include "video/FfmpegVideoSource.h"
#include "video/FrameReadAhead.h"

// The seek time of frame n: RoundHalfAway((n + 0.5) / (rate x factor) x 10^7),
// in 100-ns units.
int64_t FrameTimeTicks(int32_t n, long double video_frame_rate, long double frame_rate_factor);

class DirectShowSource {
 public:
  // Empty on success, else "Incorrect formated file or unknown compressor.".
  // Does nothing while a video is open (close it first).
  std::string DSOpenVideo(const std::string& file_name);
  void DSCloseVideo();
  // 1 when nothing was rendered; otherwise 0.
  int32_t DSPrimeGraph();
  int32_t DSStopGraph();
  int32_t DSPlay();
  int32_t DSPause();
  // Frame n into `bitmap` and "S_OK" into `status`, or a reason into `status`
  // with the bitmap untouched. n < 0, or no video open: neither is touched.
  void DSGrabFrame(int32_t n, Bitmap24& bitmap, std::string& status, long double video_frame_rate,
                   long double frame_rate_factor);
  // While on (a measuring run), each grab keeps the next few frames, the same
  // step on, decoding on a worker thread; a grab of any other frame drops
  // them and reads as usual. The pictures are the same either way.
  void SetReadAhead(bool on);
  // Frames per second (1.0 when nothing is open); logs its step.
  long double DSFrameRate();
  int32_t DSVideoWidth() const;
  int32_t DSVideoHeight() const;
  // Seconds (0 when nothing is open); logs its step.
  long double DSDuration();
  // RoundHalfAway(duration x rate).
  int32_t FrameCount(long double video_frame_rate) const;

  // Step log: entries 1..DSErrorCount, each step text + result name (+ value).
  std::array<std::string, 101> DSErrors;
  int32_t DSErrorCount = 0;

  uint8_t DSGraphOpen = 0;
  uint8_t DSRendered = 0;
  uint8_t DSGrabReady = 0;
  int64_t DSDurationTicks = 0;
  bool Playing() const { return playing_; }
  const FfmpegVideoSource& Source() const {
    ahead_.Drop();
    return source_;
  }

 private:
  void Log(const std::string& entry);
  int32_t SetPlaying(bool on);
  void GrabNow(int32_t n, Bitmap24& bitmap, std::string& status, long double video_frame_rate,
               long double frame_rate_factor);
  void ReadAheadAfter(int32_t n, long double video_frame_rate, long double frame_rate_factor);
  FfmpegVideoSource source_;
  bool playing_ = false;
  bool read_ahead_ = false;
  int32_t last_grabbed_ = -1;
  int32_t file_frames_ = 0;  // FrameCount at the file's own rate
  // After source_: it stops using the source before the source goes.
  mutable FrameReadAhead ahead_;
};
