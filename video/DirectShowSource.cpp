#include "video/DirectShowSource.h"

#include <vector>

#include "base/NumberText.h"

int64_t FrameTimeTicks(int32_t n, long double video_frame_rate, long double frame_rate_factor) {
  return RoundHalfAway((n + 0.5L) / (video_frame_rate * frame_rate_factor) * 1e7L);
}

void DirectShowSource::Log(const std::string& entry) {
  if (DSErrorCount >= int32_t(DSErrors.size()) - 1) return;
  DSErrors[size_t(++DSErrorCount)] = entry;
}

std::string DirectShowSource::DSOpenVideo(const std::string& file_name) {
  if (DSGraphOpen) return "";
  DSCloseVideo();
  DSErrors.fill("");
  DSErrorCount = 0;
  DSGrabReady = 0;
  std::vector<FfmpegStep> steps;
  std::string why = source_.Open(file_name, &steps);
  for (const auto& s : steps) Log(s.text + FfmpegResultName(s.result));
  if (!why.empty()) {
    Log("Open : " + why);
    return "Incorrect formated file or unknown compressor.";
  }
  DSRendered = 1;
  DSGrabReady = 1;
  DSFrameRate();
  Log("VW=" + FormatInt(DSVideoWidth()) + ", VH=" + FormatInt(DSVideoHeight()));
  DSDuration();
  // Read here, not while the worker has the source.
  file_frames_ = FrameCount(source_.FrameRate());
  DSGraphOpen = 1;
  return "";
}

void DirectShowSource::DSCloseVideo() {
  ahead_.Drop();
  last_grabbed_ = -1;
  file_frames_ = 0;
  if (!DSGraphOpen) {
    source_.Close();
    DSRendered = DSGrabReady = 0;
    return;
  }
  source_.Close();
  playing_ = false;
  DSGrabReady = 0;
  DSRendered = 0;
  DSGraphOpen = 0;
  DSDurationTicks = 0;
}

// The graph calls only switch between playing and not, once something is rendered.
int32_t DirectShowSource::SetPlaying(bool on) {
  if (!DSRendered) return 1;
  playing_ = on;
  return 0;
}

int32_t DirectShowSource::DSPrimeGraph() { return SetPlaying(false); }
int32_t DirectShowSource::DSStopGraph() { return SetPlaying(false); }
int32_t DirectShowSource::DSPlay() { return SetPlaying(true); }
int32_t DirectShowSource::DSPause() { return SetPlaying(false); }

long double DirectShowSource::DSFrameRate() {
  if (!DSGrabReady) return 1.0L;
  ahead_.Drop();
  long double rate = source_.FrameRate();
  Log("AvgTimePerFrame : " + FfmpegResultName(0) + FormatFixed(rate, 6, 8));
  return rate;
}

int32_t DirectShowSource::DSVideoWidth() const {
  ahead_.Drop();
  return DSGrabReady ? source_.Width() : 0;
}

int32_t DirectShowSource::DSVideoHeight() const {
  ahead_.Drop();
  return DSGrabReady ? source_.Height() : 0;
}

long double DirectShowSource::DSDuration() {
  if (!DSGrabReady) return 0.0L;
  ahead_.Drop();
  DSDurationTicks = source_.DurationTicks();
  long double seconds = (long double)DSDurationTicks / 1e7L;
  Log("Duration : " + FfmpegResultName(0) + FormatFixed(seconds, 5, 8));
  return seconds;
}

int32_t DirectShowSource::FrameCount(long double video_frame_rate) const {
  if (!DSGrabReady) return 0;
  return int32_t(RoundHalfAway((long double)DSDurationTicks / 1e7L * video_frame_rate));
}

void DirectShowSource::DSGrabFrame(int32_t n, Bitmap24& bitmap, std::string& status, long double video_frame_rate,
                                   long double frame_rate_factor) {
  if (!DSGrabReady || n < 0) return;
  if (!ahead_.Take({n, video_frame_rate * frame_rate_factor}, bitmap, status))
    GrabNow(n, bitmap, status, video_frame_rate, frame_rate_factor);
  if (read_ahead_) ReadAheadAfter(n, video_frame_rate, frame_rate_factor);
  last_grabbed_ = n;
}

void DirectShowSource::GrabNow(int32_t n, Bitmap24& bitmap, std::string& status, long double video_frame_rate,
                               long double frame_rate_factor) {
  long double rate = video_frame_rate * frame_rate_factor;
  if (!(rate > 0)) {
    status = "The frame rate is zero.";
    return;
  }
  // The file's own frames: a capture log's rate changes the times, not the count.
  if (n >= FrameCount(source_.FrameRate())) {
    status = "The frame number is out of range.";
    return;
  }
  status = source_.GrabAtTicks(FrameTimeTicks(n, video_frame_rate, frame_rate_factor), bitmap);
}

// The next frames are guessed from the last step forward (a run's
// FrameStep). A few are kept queued, so the decoder goes on while the window
// paints; none past the end.
void DirectShowSource::ReadAheadAfter(int32_t n, long double video_frame_rate, long double frame_rate_factor) {
  constexpr int32_t kLongestStep = 64;
  constexpr size_t kFramesAhead = 3;
  const int32_t gap = n - last_grabbed_;
  const int32_t step = last_grabbed_ >= 0 && gap > 0 && gap <= kLongestStep ? gap : 1;
  const long double rate = video_frame_rate * frame_rate_factor;
  if (!(rate > 0)) return;
  int32_t next = ahead_.LastQueued().value_or(ReadAheadKey{n, rate}).Frame + step;
  for (size_t queued = ahead_.Queued(); queued < kFramesAhead && next < file_frames_; ++queued, next += step) {
    ahead_.Start({next, rate}, [this, next, video_frame_rate, frame_rate_factor](Bitmap24& out, std::string& status) {
      status = source_.GrabAtTicks(FrameTimeTicks(next, video_frame_rate, frame_rate_factor), out);
      return status == "S_OK";
    });
  }
}

void DirectShowSource::SetReadAhead(bool on) {
  read_ahead_ = on;
  if (!on) ahead_.Drop();
}
