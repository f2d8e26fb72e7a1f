#include "video/VideoOpening.h"

#include <cctype>
#include <filesystem>

#include "base/NumberText.h"
#include "base/PixelAspect.h"
#include "base/TextTools.h"
#include "video/AvsScript.h"

namespace {

// A folder or a named pipe under a video's name is no video: it is not
// found, and the video open before stays.
bool IsPlainFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

void CloseBoth(VideoState& state, VideoSources& sources) {
  sources.GKAvi1.CloseStreams();
  sources.DirectShow.DSCloseVideo();
  state.FrameSourceOpen = 0;
  state.ReopenVideoAfterCapture = 0;
  state.VideoAccessKind = uint8_t(VideoAccess::None);
}

}  // namespace

std::string AviFileFrameSource::Open(const std::string& path) {
  first_ = Bitmap24();
  if (!avi_.OpenStreams(path)) return avi_.LastError().empty() ? "The file cannot be opened." : avi_.LastError();
  return "";
}

int32_t AviFileFrameSource::Width() {
  if (first_.Empty()) avi_.GetFrameBitmap(0, first_);
  return first_.Width();
}

int32_t AviFileFrameSource::Height() {
  if (first_.Empty()) avi_.GetFrameBitmap(0, first_);
  return first_.Height();
}

bool AviFileFrameSource::GrabFrame(int32_t n, Bitmap24& out, std::string& status) {
  if (avi_.GetFrameBitmap(n, out)) {
    status = "S_OK";
    return true;
  }
  status = avi_.LastError();
  return false;
}

bool DirectShowFrameSource::GrabFrame(int32_t n, Bitmap24& out, std::string& status) {
  status.clear();
  ds_.DSGrabFrame(n, out, status, state_.VideoFrameRate, state_.FrameRateFactor);
  if (status.empty()) status = "No frame.";
  return status == "S_OK";
}

namespace {
// A script string cannot hold a double quote or a line break: the script would
// name another file, or none. Empty when the path can be written.
std::string UnscriptablePathReason(const VideoState& state) {
  const std::string& path = state.VideoFileName;
  if (path.find('"') != std::string::npos)
    return "The AviSynth script cannot name a video whose path holds a double quote (\"); rename the file or its folder.";
  if (path.find_first_of("\r\n") != std::string::npos)
    return "The AviSynth script cannot name a video whose path holds a line break; rename the file or its folder.";
  return {};
}
bool ScriptReadsVideo(const std::string& avs_path, const std::string& video_path) {
  AvsScriptSource source;
  std::string why;
  std::error_code ec;
  return ReadAvsScript(avs_path, source, why) && std::filesystem::equivalent(source.video_path, video_path, ec);
}
}  // namespace

bool WriteAvsScript(const VideoState& state, bool camcorder_time, std::string& error) {
  if (state.VideoFileExt == ".avs") return true;
  error = UnscriptablePathReason(state);
  if (!error.empty()) return false;
  // A relative path would be read from the script's folder, not from ours.
  std::error_code ec;
  std::string full = std::filesystem::absolute(state.VideoFileName, ec).string();
  if (ec) full = state.VideoFileName;
  return WriteAvsScriptFile(state.AvsFileName, AvsScriptLines(full, camcorder_time), error);
}

std::optional<std::string> ResolveVideoFile(const std::string& file_name, const std::string& csv_input_directory) {
  if (IsPlainFile(file_name)) return file_name;
  std::string twin = csv_input_directory + "/" + FileNamePart(file_name);
  if (!csv_input_directory.empty() && IsPlainFile(twin)) return twin;
  return std::nullopt;
}

void BeginOpenVideoFile(VideoState& state, const std::string& resolved_file_name) {
  state.FrameRateFactor = 1.0L;
  state.VideoFileName = resolved_file_name;
  state.AvsFileName = ChangeExtension(resolved_file_name, ".avs");
  state.VideoFileExt = ExtensionOf(resolved_file_name);
}

ExposureLengthTexts ShowExposureLength(VideoState& state) {
  state.TimingFrameRate = state.VideoFrameRate;
  state.FrameRateRounded = int32_t(RoundHalfEven(state.VideoFrameRate));
  state.FrameInterval = state.TimingFrameRate > 0 ? 1.0L / state.TimingFrameRate : 0.0L;
  ExposureLengthTexts t;
  t.Edit30 = FormatWidth(state.TimingFrameRate, 10, 7);
  t.Hint = "Exposure length : " + FormatWidth(1000.0L * state.FrameInterval, 8, 4) + "ms";
  return t;
}

OpenStreamResult OpenVideoStream(VideoState& state, VideoSources& sources, const OpenStreamOptions& options) {
  QuietFfmpegLog();
  OpenStreamResult r;
  const std::string ext = AsciiLower(state.VideoFileExt);
  if (ext == ".avs") {
    state.UseDirectShow = 0;
    r.ScriptForcesAviFile = true;
  }
  // Close whatever is open, whichever flag says so: a source left open by an
  // earlier failure must not survive.
  CloseBoth(state, sources);
  const std::string name = FileNamePart(state.VideoFileName);
  if (state.UseDirectShow) {
    std::string why = sources.DirectShow.DSOpenVideo(state.VideoFileName);
    if (!why.empty()) {
      CloseBoth(state, sources);
      r.ErrorMessage = "Could not open .AVI file.\r\n" + name + "\r\n" + why;
      return r;
    }
    state.FrameWidth = sources.DirectShow.DSVideoWidth();
    state.FrameHeight = sources.DirectShow.DSVideoHeight();
    state.VideoFrameRate = sources.DirectShow.DSFrameRate();
    state.VideoDuration = sources.DirectShow.DSDuration();
    state.VideoAccessKind = uint8_t(VideoAccess::DirectShow);
    // A file whose first frame does not decode is refused now, not frame by frame later.
    Bitmap24 first;
    std::string status;
    if (!GrabVideoFrame(state, sources, 0, first, status) || first.Empty()) {
      CloseBoth(state, sources);
      r.ErrorMessage = "Could not open .AVI file.\r\n" + name + "\r\n" + status;
      return r;
    }
    ExposureLengthTexts t = ShowExposureLength(state);
    r.Edit30Text = t.Edit30, r.HintText = t.Hint;
    sources.DirectShow.DSPrimeGraph();
  } else {
    std::string script_error;
    if ((state.UseAviSynth || options.DisplayCamcordersTime) && ext == ".avi")
      WriteAvsScript(state, options.DisplayCamcordersTime, script_error);  // a read-only folder must not stop the open
    std::string path = state.UseAviSynth && ext != ".avs" ? state.AvsFileName : state.VideoFileName;
    // A script left from before would name another file.
    bool stale_script = path == state.AvsFileName && !UnscriptablePathReason(state).empty();
    if (stale_script) script_error = UnscriptablePathReason(state);
    // An old script that could not be replaced is used only when it reads this very video.
    if (!stale_script && !script_error.empty() && path == state.AvsFileName)
      stale_script = !ScriptReadsVideo(state.AvsFileName, state.VideoFileName);
    if (stale_script || !sources.GKAvi1.OpenStreams(path)) {
      const std::string why = stale_script ? std::string() : sources.GKAvi1.LastError();
      CloseBoth(state, sources);
      r.ErrorMessage = "Could not open .AVI file.\r\n" + name + (why.empty() ? "" : "\r\n" + why);
      // A script that could not be written is the reason to give.
      if (!script_error.empty() && path == state.AvsFileName) r.ErrorMessage += "\r\n" + script_error;
      return r;
    }
    Bitmap24 first;
    if (!sources.GKAvi1.GetFrameBitmap(0, first) || first.Empty()) {
      const std::string why = sources.GKAvi1.LastError();
      CloseBoth(state, sources);
      r.ErrorMessage = state.UseAviSynth
                           ? "Fail to get a bitmap.\r\nIt is necessary to install AVISynth"
                           : "Fail to get a bitmap.\r\nSet \"Use AVISynth\" in Update Setting Items - File reading";
      if (!why.empty()) r.ErrorMessage += "\r\n" + why;
      return r;
    }
    state.FrameWidth = first.Width();
    state.FrameHeight = first.Height();
    state.VideoAccessKind = uint8_t(VideoAccess::AviFile);
    state.VideoFrameRate = sources.GKAvi1.StreamRate();
    ExposureLengthTexts t = ShowExposureLength(state);
    r.Edit30Text = t.Edit30, r.HintText = t.Hint;
  }
  state.FrameSourceOpen = 1;
  state.ReopenVideoAfterCapture = 1;
  r.Ok = true;
  return r;
}

int32_t LastFrameIndexOf(VideoState& state, VideoSources& sources) {
  if (state.VideoAccessKind == uint8_t(VideoAccess::DirectShow))
    return int32_t(RoundHalfAway(state.VideoDuration * state.VideoFrameRate)) - 1;
  return sources.GKAvi1.FrameCount() - 1;
}

void FinishOpenVideoFile(VideoState& state, VideoSources& sources, int time_stamp_mode) {
  state.VideoOpenedOnce = 1;
  state.LastFrameIndex = LastFrameIndexOf(state, sources);
  state.WavRebuildNeeded = 1;
  state.NonSquarePixels = NeedsPixelAspectCorrection(state.VideoFrameRate, state.FrameWidth, state.FrameHeight, time_stamp_mode);
}

bool GrabVideoFrame(const VideoState& state, VideoSources& sources, int32_t n, Bitmap24& out, std::string& status) {
  if (state.VideoAccessKind == uint8_t(VideoAccess::DirectShow)) {
    DirectShowFrameSource s(sources.DirectShow, state);
    return s.GrabFrame(n, out, status);
  }
  if (state.VideoAccessKind == uint8_t(VideoAccess::AviFile)) {
    AviFileFrameSource s(sources.GKAvi1);
    return s.GrabFrame(n, out, status);
  }
  status = "No video is open.";
  return false;
}

void CloseVideo(VideoState& state, VideoSources& sources) { CloseBoth(state, sources); }
