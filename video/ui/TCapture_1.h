#pragma once
// 'Video Capture': records a live video device into an AVI file with a
// preview, or previews only. The devices, the recording and its file live in
// a CaptureSession; this window lists the devices, names the file, shows the
// preview frames the session queues and, when it closes, hands the recording
// (or the previous video) back to its opener.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/ui/ControlsForward.h"
#include "video/CaptureDevices.h"
#include "video/CaptureSession.h"

// What the window needs of its opener.
struct CaptureHost {
  std::string CaptureFolder;  // settings "Capture" / "Capture File Path"
  // The video open for measurement (asked before it is overwritten).
  std::string AnalysedVideo;
  // A folder chosen with the folder button, to be kept in the settings file.
  std::function<void(const std::string& folder)> StoreCaptureFolder;
  // The window is closing: open `file` for measurement when `open_recording`,
  // otherwise reopen the previous video.
  std::function<void(bool open_recording, const std::string& file)> Closed;
  // Device lists (the machine's devices unless a test gives others).
  std::function<std::vector<CaptureDevice>()> VideoDevices = EnumerateVideoDevices;
  std::function<std::vector<CaptureDevice>()> AudioDevices = EnumerateAudioDevices;
  std::function<std::vector<CaptureCompressor>()> Compressors = EnumerateCompressors;
};

class TCapture_1 : public QWidget {
  Q_OBJECT
 public:
  TCapture_1(CaptureHost host, QWidget* opener);
  ~TCapture_1() override;

  // Fill the device and compressor lists (bounded).
  void capturedevices();
  void audiodevices();
  void compressors();
  // 1 = abort, 0 = go on; the capture file name is set on 0.
  int CaptureFileNameSetting();
  // Mode 0 records to the capture file with preview, mode 1 previews only.
  // Non-zero when the recording could not be started.
  int AviCapture(int mode);
  void StopCapture();

  void SpeedButton1Click();  // folder
  void SpeedButton2Click();  // 'F1': record
  void SpeedButton3Click();  // 'ESC': stop recording
  void ListBox1Click();
  void ListBox2Click();
  void TrackBar1Change();
  void CheckBox1Click();
  void Button1Click();  // restart the capture
  void Button2Click();  // show a chosen folder
  void Button3Click();  // 'Close'

  // State the tests and the opener read.
  const CaptureSession& Session() const { return *session_; }
  const std::string& CaptureFileName() const { return capture_file_name_; }
  bool Recorded() const { return recorded_; }
  // Frames of the last recording that was kept, and its file.
  int64_t FramesRecorded() const { return frames_recorded_; }
  const std::string& RecordedFile() const { return recorded_file_; }
  bool Capturing() const { return capturing_; }
  bool NoAudioDevice() const { return no_audio_device_; }
  int SelectedVideoDevice() const { return selected_video_; }
  int SelectedCompressor() const { return selected_compressor_; }
  bool AnalyseAfterCapture = true;
  std::string CaptureFolder;
  // Shows the newest preview frame and the session's messages now.
  void PollSession();

  QListWidget* ListBox1 = nullptr;  // video input devices
  QListWidget* ListBox2 = nullptr;  // compressors
  QListWidget* ListBox3 = nullptr;  // audio input devices
  QLineEdit* Edit1 = nullptr;       // 'Path'
  QLineEdit* Edit2 = nullptr;       // 'FileName'
  QLineEdit* Edit4 = nullptr;       // chosen compressor index
  QPushButton* SpeedButton1 = nullptr;
  QPushButton* SpeedButton2 = nullptr;  // 'F1'
  QPushButton* SpeedButton3 = nullptr;  // 'ESC'
  QSlider* TrackBar1 = nullptr;         // 'Volume'
  QCheckBox* CheckBox1 = nullptr;       // 'Analizing after the current capture'
  QCheckBox* CheckBox2 = nullptr;       // 'Small preview'
  QPlainTextEdit* Memo1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;  // 'Status'
  QLabel* StaticText1 = nullptr;
  QLabel* Panel1 = nullptr;  // preview
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;  // 'Close'
  QLabel* Label6 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void AddLine(const std::string& line);
  void SetStatus(const QString& text, const QColor& colour);
  // The preview area: the device's frame size, halved for 'Small preview'.
  void SizePreview();
  // Records to the capture file; a failed start is tried once more, then reported.
  void StartRecording();
  void RecordingWriteFailed();
  void RecordingDeviceEnded();
  CaptureHost host_;
  std::unique_ptr<CaptureSession> session_ = std::make_unique<CaptureSession>();
  std::vector<CaptureDevice> video_devices_, audio_devices_;
  std::vector<CaptureCompressor> compressors_;
  int selected_video_ = -1, selected_audio_ = -1, selected_compressor_ = -1;
  int dv_encoder_index_ = 0;
  int mode_ = 1;
  bool recorded_ = false, capturing_ = false, no_audio_device_ = false;
  std::string capture_file_name_;
  std::string recorded_file_;
  int64_t frames_recorded_ = 0;
  QTimer* preview_timer_ = nullptr;
};
