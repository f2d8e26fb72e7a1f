#pragma once
// Opening a video and the frame-source interface the main window uses.
//
// The main window owns one VideoState (the video facts everybody reads) and
// one VideoSources (the two frame sources). Its handlers call:
//   ResolveVideoFile      - the file, or its twin in the result-CSV folder
//   BeginOpenVideoFile    - steps before the source is opened
//   OpenVideoStream       - closes the previous source, opens with the chosen one
//   FinishOpenVideoFile   - last frame index, NonSquarePixels, flags
//   GrabVideoFrame        - frame n through the open source
//   CloseVideo            - on exit or before capture
// and shows the returned messages; the core never opens a box itself.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Bitmap24.h"
#include "video/DirectShowSource.h"
#include "video/TGKAvi.h"

enum class VideoAccess : uint8_t { AviFile = 0, DirectShow = 1, None = 2 };

struct VideoState {
  std::string VideoFileName;
  std::string AvsFileName;
  std::string VideoFileExt;
  uint8_t UseDirectShow = 0;
  uint8_t UseAviSynth = 0;
  uint8_t VideoAccessKind = 2;
  uint8_t FrameSourceOpen = 0;
  uint8_t ReopenVideoAfterCapture = 0;
  int32_t FrameWidth = 0;
  int32_t FrameHeight = 0;
  long double VideoFrameRate = 0;
  long double VideoDuration = 0;
  long double FrameRateFactor = 1.0L;
  long double TimingFrameRate = 0;
  int32_t FrameRateRounded = 0;
  long double FrameInterval = 0;
  int32_t LastFrameIndex = 0;
  uint8_t VideoOpenedOnce = 0;
  uint8_t WavRebuildNeeded = 0;
  uint8_t NonSquarePixels = 0;
};

// The common face of both frame sources.
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual std::string Open(const std::string& path) = 0;  // empty on success
  virtual void Close() = 0;
  virtual int32_t FrameCount() = 0;
  virtual long double FrameRate() = 0;
  virtual int32_t Width() = 0;
  virtual int32_t Height() = 0;
  // "S_OK" or a reason in `status`; true when `out` holds frame n.
  virtual bool GrabFrame(int32_t n, Bitmap24& out, std::string& status) = 0;
  virtual int32_t Play() = 0;
  virtual int32_t Pause() = 0;
};

struct VideoSources {
  TGKAvi GKAvi1;
  DirectShowSource DirectShow;
};

// FrameSource over the AVIFile source (no play/pause: they return 1).
class AviFileFrameSource final : public FrameSource {
 public:
  explicit AviFileFrameSource(TGKAvi& avi) : avi_(avi) {}
  std::string Open(const std::string& path) override;
  void Close() override { avi_.CloseStreams(); }
  int32_t FrameCount() override { return avi_.FrameCount(); }
  long double FrameRate() override { return avi_.StreamRate(); }
  int32_t Width() override;
  int32_t Height() override;
  bool GrabFrame(int32_t n, Bitmap24& out, std::string& status) override;
  int32_t Play() override { return 1; }
  int32_t Pause() override { return 1; }

 private:
  TGKAvi& avi_;
  Bitmap24 first_;
};

// FrameSource over the DirectShow source; times follow the state's rates.
class DirectShowFrameSource final : public FrameSource {
 public:
  DirectShowFrameSource(DirectShowSource& ds, const VideoState& state) : ds_(ds), state_(state) {}
  std::string Open(const std::string& path) override { return ds_.DSOpenVideo(path); }
  void Close() override { ds_.DSCloseVideo(); }
  int32_t FrameCount() override { return ds_.FrameCount(state_.VideoFrameRate); }
  long double FrameRate() override { return ds_.DSFrameRate(); }
  int32_t Width() override { return ds_.DSVideoWidth(); }
  int32_t Height() override { return ds_.DSVideoHeight(); }
  bool GrabFrame(int32_t n, Bitmap24& out, std::string& status) override;
  int32_t Play() override { return ds_.DSPlay(); }
  int32_t Pause() override { return ds_.DSPause(); }

 private:
  DirectShowSource& ds_;
  const VideoState& state_;
};

struct OpenStreamOptions {
  bool DisplayCamcordersTime = false;  // the menu item's check mark
};

struct OpenStreamResult {
  bool Ok = false;
  std::string ErrorMessage;        // for an error box when not Ok
  bool ScriptForcesAviFile = false;  // ".avs": CheckBox7 unticked and disabled
  // Texts of ShowExposureLength when Ok (Edit30 and the window's hint).
  std::string Edit30Text;
  std::string HintText;
};

// The companion script of the open video, written when asked for.
bool WriteAvsScript(const VideoState& state, bool camcorder_time, std::string& error);

// The plain file, or its twin of the same name in `csv_input_directory`;
// nothing when neither is one (the caller warns ".avi file is not found" and
// the open video stays). BeginOpenVideoFile then takes the names and resets
// the seek-time factor for the file being opened.
std::optional<std::string> ResolveVideoFile(const std::string& file_name, const std::string& csv_input_directory);
void BeginOpenVideoFile(VideoState& state, const std::string& resolved_file_name);

// Closes the previous source, opens VideoFileName with the source chosen by
// UseDirectShow, sets size, rates and flags. On any failure both sources are
// closed and FrameSourceOpen, ReopenVideoAfterCapture are 0.
OpenStreamResult OpenVideoStream(VideoState& state, VideoSources& sources, const OpenStreamOptions& options);

struct ExposureLengthTexts {
  std::string Edit30;  // TimingFrameRate, "%10.7f"
  std::string Hint;    // "Exposure length : " + "%8.4f" ms
};
// TimingFrameRate, FrameRateRounded, FrameInterval from VideoFrameRate.
ExposureLengthTexts ShowExposureLength(VideoState& state);

// Frames of the open video minus one (ScrollBar1.Max).
int32_t LastFrameIndexOf(VideoState& state, VideoSources& sources);

// Sets LastFrameIndex, VideoOpenedOnce, WavRebuildNeeded, VideoLoaded and
// NonSquarePixels after a successful OpenVideoStream.
void FinishOpenVideoFile(VideoState& state, VideoSources& sources, int time_stamp_mode);


// Frame n through the source UseDirectShow chooses; "S_OK" or a reason.
bool GrabVideoFrame(const VideoState& state, VideoSources& sources, int32_t n, Bitmap24& out, std::string& status);

// Closes whichever source is open (by VideoAccessKind).
void CloseVideo(VideoState& state, VideoSources& sources);
