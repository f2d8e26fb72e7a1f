#pragma once
// One live capture: a video device (and, when there is one, an audio device)
// read on worker threads; every frame becomes a preview frame for the window,
// and in recording mode it is also encoded and written to an AVI file through
// libavformat. The file is written beside its final name and renamed there
// when the capture stops cleanly (after the index is written), so a recording
// that could not start never leaves a file under the chosen name. Each frame
// reaches the file as it is written; when a write fails (a full disk) the
// recording stops at once and the frames written so far are kept.
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/Bitmap24.h"
#include "video/CaptureDevices.h"

enum class CaptureMode { Record = 0, Preview = 1 };

struct CaptureRequest {
  CaptureMode Mode = CaptureMode::Preview;
  CaptureDevice Video;
  std::optional<CaptureDevice> Audio;  // none: the recording has no sound track
  CaptureCompressor Compressor;        // recording only
  std::string FileName;                // recording only
};

class CaptureSession {
 public:
  CaptureSession();
  ~CaptureSession();
  CaptureSession(const CaptureSession&) = delete;
  CaptureSession& operator=(const CaptureSession&) = delete;

  // Opens the devices and, when recording, the file, then starts streaming.
  // Each failing step leaves a line (step text + reason) in the log. 0 when
  // streaming started, else the FFmpeg error of the step that stopped it.
  int Start(const CaptureRequest& request);
  // Stops streaming; a recording gets its index and its final name. The log
  // gets the stop lines. Does nothing when not started.
  void Stop();

  bool Running() const { return running_; }
  // A file output is connected (the recording will be kept).
  bool Recording() const { return recording_; }
  bool HasAudio() const { return audio_in_ != nullptr; }
  // The file the last recording was kept under; empty when it failed or
  // held no frame (no file is left then).
  const std::string& SavedFile() const { return saved_file_; }
  // The error of the write that stopped the recording's file (or of its
  // index at Stop), 0 while every write succeeded; kept until the next Start.
  int WriteError() const { return write_error_; }
  // The error that ended the video device's frames while it ran (a camera
  // unplugged), 0 while it delivers; kept until the next Start.
  int DeviceError() const { return device_error_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Frames per second of the video device.
  double FrameRate() const { return rate_; }
  // Frames the recording holds: the pictures, and an empty frame in the
  // place of each frame dropped between them (later frames keep their time).
  int64_t FramesWritten() const { return frames_written_; }
  int64_t FramesSeen() const { return frames_seen_; }
  // Volume of the monitored sound, -5000..0 (hundredths of a decibel).
  void SetVolume(int volume) { volume_ = volume; }
  int Volume() const { return volume_; }

  // The newest preview frame not yet taken; false when there is none.
  bool TakePreview(Bitmap24& out);
  // Log lines added since the last call.
  std::vector<std::string> TakeLog();

  struct Impl;

 private:
  void Log(const std::string& line);
  void VideoLoop();
  void AudioLoop();
  void Release();
  // Packets go to the file until a write fails; false from then on.
  bool Mux(struct AVPacket* packet);

  std::unique_ptr<Impl> impl_;
  struct AVFormatContext* audio_in_ = nullptr;  // owned by impl_; set while open
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  std::atomic<bool> recording_{false};
  std::atomic<int64_t> frames_written_{0};
  std::atomic<int64_t> frames_seen_{0};
  std::atomic<int64_t> packets_muxed_{0};
  std::atomic<int> write_error_{0};
  std::atomic<int> device_error_{0};
  std::atomic<int> volume_{-5000};
  int width_ = 0, height_ = 0;
  double rate_ = 0;
  std::string saved_file_;
  std::thread video_thread_, audio_thread_;
  std::mutex preview_mutex_;
  std::deque<Bitmap24> previews_;
  std::mutex log_mutex_;
  std::vector<std::string> log_;
};

// The name a recording is written under until it is finished; after a crash
// the recording is found there.
std::string CaptureWorkingFile(const std::string& file);

// "S_OK" for 0, else FFmpeg's text of the error.
std::string CaptureResultName(int error);
