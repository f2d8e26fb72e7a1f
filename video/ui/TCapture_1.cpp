#include "video/ui/TCapture_1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/StdText.h"
#include "video/CaptureFileName.h"

namespace {

template <class T>
void FillList(QListWidget* box, const std::vector<T>& items) {
  QSignalBlocker block(box);
  box->clear();
  for (const auto& item : items) box->addItem(Q(item.Name));
}

}  // namespace

TCapture_1::TCapture_1(CaptureHost host, QWidget* opener)
    : QWidget(opener, Qt::Window | Qt::WindowStaysOnTopHint), host_(std::move(host)) {
  SetUpToolWindow(this, "Capture_1", "Video Capture");
  if (opener) move(opener->geometry().topLeft());

  ListBox1 = Named<QListWidget>("ListBox1");
  ListBox2 = Named<QListWidget>("ListBox2");
  ListBox3 = Named<QListWidget>("ListBox3");
  Edit1 = Named<QLineEdit>("Edit1");
  Edit2 = Named<QLineEdit>("Edit2");
  Edit4 = Named<QLineEdit>("Edit4");
  Edit4->setReadOnly(true);
  SpeedButton1 = Named<QPushButton>("SpeedButton1", "...");
  SpeedButton2 = Named<QPushButton>("SpeedButton2", "F1");
  SpeedButton3 = Named<QPushButton>("SpeedButton3", "ESC");
  TrackBar1 = Named<QSlider>("TrackBar1", Qt::Horizontal);
  TrackBar1->setRange(-5000, 0);
  TrackBar1->setValue(-5000);
  CheckBox1 = Named<QCheckBox>("CheckBox1", "Analizing after the current capture");
  CheckBox2 = Named<QCheckBox>("CheckBox2", "Small preview");
  Memo1 = Named<QPlainTextEdit>("Memo1");
  Memo1->setReadOnly(true);
  GroupBox1 = Named<QGroupBox>("GroupBox1", "Status");
  StaticText1 = Named<QLabel>("StaticText1");
  Panel1 = Named<QLabel>("Panel1");
  Panel1->setMinimumSize(320, 240);
  Panel1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Panel1->setStyleSheet("background: black");
  Button1 = Named<QPushButton>("Button1", "Restart");
  Button2 = Named<QPushButton>("Button2", "Folder");
  Button3 = Named<QPushButton>("Button3", "Close");
  Label6 = Named<QLabel>("Label6", "Use of DV Video Encoder is highly recommended");

  auto* status = new QVBoxLayout(GroupBox1);
  status->addWidget(StaticText1);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Video input Device"), 0, 0);
  grid->addWidget(ListBox1, 1, 0);
  grid->addWidget(new QLabel("Compressors"), 0, 1);
  grid->addWidget(ListBox2, 1, 1);
  grid->addWidget(new QLabel("Audio input Device"), 0, 2);
  grid->addWidget(ListBox3, 1, 2);
  grid->addWidget(Label6, 2, 1);
  grid->addWidget(Edit4, 2, 2);
  auto* path_row = new QHBoxLayout;
  path_row->addWidget(new QLabel("Path"));
  path_row->addWidget(Edit1, 1);
  path_row->addWidget(SpeedButton1);
  path_row->addWidget(new QLabel("FileName"));
  path_row->addWidget(Edit2, 1);
  auto* button_row = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{SpeedButton2, SpeedButton3, new QLabel("Volume"), TrackBar1,
                                                    CheckBox1, CheckBox2, Button1, Button2, Button3})
    button_row->addWidget(w);
  auto* right = new QVBoxLayout;
  right->addWidget(GroupBox1);
  right->addWidget(Memo1, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(Panel1, 1);
  bottom->addLayout(right);
  auto* v = new QVBoxLayout(this);
  v->addLayout(grid);
  v->addLayout(path_row);
  v->addLayout(button_row);
  v->addLayout(bottom, 1);

  const Handlers<TCapture_1> button_handlers = {
      {SpeedButton1, &TCapture_1::SpeedButton1Click}, {SpeedButton2, &TCapture_1::SpeedButton2Click},
      {SpeedButton3, &TCapture_1::SpeedButton3Click}, {Button1, &TCapture_1::Button1Click},
      {Button2, &TCapture_1::Button2Click},           {Button3, &TCapture_1::Button3Click}};
  ConnectEach(this, button_handlers);
  // A row chosen with the arrow keys is chosen as much as a clicked one: the
  // highlighted device and compressor are the ones recorded with.
  connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { ListBox1Click(); });
  connect(ListBox2, &QListWidget::currentRowChanged, this, [this] { ListBox2Click(); });
  connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
  OnCheckBoxClick(CheckBox1, this, &TCapture_1::CheckBox1Click);
  // The frames are scaled as the box says at once; the area they go in follows.
  connect(CheckBox2, &QCheckBox::toggled, this, [this] { SizePreview(); });
  preview_timer_ = new QTimer(this);
  preview_timer_->setInterval(20);
  connect(preview_timer_, &QTimer::timeout, this, &TCapture_1::PollSession);

  CaptureFolder = host_.CaptureFolder;
  Edit1->setText(Q(CaptureFolder));
  AnalyseAfterCapture = true;
  CheckBox1->setChecked(true);
  capturedevices();
  if (!video_devices_.empty()) {
    FillList(ListBox1, video_devices_);
    ListBox1->setCurrentRow(selected_video_);
    audiodevices();
    FillList(ListBox3, audio_devices_);
    compressors();
    FillList(ListBox2, compressors_);
    ListBox2->setCurrentRow(selected_compressor_);
    Edit4->setText(QString::number(selected_compressor_));
    SetStatus("Viewing source now..", Qt::black);
    SpeedButton2->setEnabled(true);
    SpeedButton3->setEnabled(false);
    // Without an audio input the preview and the recording go on silent.
    AviCapture(1);
  }
}

TCapture_1::~TCapture_1() { session_->Stop(); }

void TCapture_1::AddLine(const std::string& line) { Memo1->appendPlainText(Q(line)); }

void TCapture_1::SetStatus(const QString& text, const QColor& colour) {
  StaticText1->setText(text);
  QPalette p = StaticText1->palette();
  p.setColor(QPalette::WindowText, colour);
  StaticText1->setPalette(p);
}

void TCapture_1::capturedevices() {
  video_devices_ = host_.VideoDevices ? host_.VideoDevices() : std::vector<CaptureDevice>{};
  BoundList(video_devices_, kMaxVideoDevices);
  if (video_devices_.empty()) {
    AddLine("No device is detected");
    StaticText1->setText("No device is detected");
  }
  selected_video_ = video_devices_.empty() ? -1 : 0;
  SpeedButton2->setEnabled(!video_devices_.empty());
  SpeedButton3->setEnabled(!video_devices_.empty());
}

void TCapture_1::audiodevices() {
  audio_devices_ = host_.AudioDevices ? host_.AudioDevices() : std::vector<CaptureDevice>{};
  BoundList(audio_devices_, kMaxAudioDevices);
  no_audio_device_ = audio_devices_.empty();
  if (no_audio_device_) AddLine("No audio device is detected");
  selected_audio_ = audio_devices_.empty() ? -1 : 0;
}

void TCapture_1::compressors() {
  compressors_ = host_.Compressors ? host_.Compressors() : std::vector<CaptureCompressor>{};
  BoundList(compressors_, kMaxCompressors);
  if (compressors_.empty()) AddLine("No compresser is detected");
  dv_encoder_index_ = 0;
  for (size_t i = 0; i < compressors_.size(); ++i)
    if (compressors_[i].Name == kDvEncoderName) dv_encoder_index_ = static_cast<int>(i);
  selected_compressor_ = compressors_.empty() ? -1 : dv_encoder_index_;
}

int TCapture_1::CaptureFileNameSetting() {
  if (Edit2->text().isEmpty()) Edit2->setText("Untitled");
  std::string file = CaptureFilePath(Edit1->text().toStdString(), Edit2->text().toStdString());
  if (!host_.AnalysedVideo.empty() && file == host_.AnalysedVideo &&
      !Dialogs().AskYesNo("New captured file will be overwrited onto the now analyzed file. Are you sure?",
                          "File name was still assigned by analyzer."))
    return 1;
  // A recording left under its working name by a crash is taken too.
  const FreeCaptureName free = NextFreeCaptureName(file, [](const std::string& f) {
    std::error_code ec;
    return std::filesystem::exists(f, ec) || std::filesystem::exists(CaptureWorkingFile(f), ec);
  });
  for (const std::string& digits : free.CounterTexts) AddLine(digits);
  if (free.File != file) Edit2->setText(Q(free.BaseName));
  capture_file_name_ = free.File;
  return 0;
}

int TCapture_1::AviCapture(int mode) {
  SpeedButton2->setEnabled(mode != 0);
  SpeedButton3->setEnabled(mode == 0);
  if (capturing_) StopCapture();
  capturing_ = true;
  mode_ = mode;
  if (selected_video_ < 0 || selected_video_ >= static_cast<int>(video_devices_.size())) {
    AddLine("No video device is detected");
    return 0;
  }
  CaptureRequest r;
  r.Mode = mode == 0 ? CaptureMode::Record : CaptureMode::Preview;
  r.Video = video_devices_[static_cast<size_t>(selected_video_)];
  if (!audio_devices_.empty()) r.Audio = audio_devices_.front();
  if (mode == 0) {
    if (selected_compressor_ < 0 || selected_compressor_ >= static_cast<int>(compressors_.size())) {
      AddLine("No device is detected");
      // Nothing to record with: the preview goes on and F1 can try again.
      AviCapture(1);
      return 1;
    }
    r.Compressor = compressors_[static_cast<size_t>(selected_compressor_)];
    r.FileName = capture_file_name_;
  }
  const int result = session_->Start(r);
  if (mode == 0 && session_->Recording()) recorded_ = true;
  session_->SetVolume(TrackBar1->value());
  SizePreview();
  // A recording whose file could not be opened is not reported as recording:
  // the preview goes on and F1 can try again.
  const bool recording = mode == 0 && session_->Recording();
  if (mode == 0 && !recording) {
    mode_ = 1;
    SpeedButton2->setEnabled(true);
    SpeedButton3->setEnabled(false);
  }
  if (recording)
    SetStatus("Recording now..", Qt::red);
  else
    SetStatus("Preview", Qt::blue);
  PollSession();
  if (session_->Running()) preview_timer_->start();
  // A preview that did not start, or a recording without its file, counts as failed.
  if (!session_->Running()) return result != 0 ? result : 1;
  return mode == 0 && !session_->Recording() ? (result != 0 ? result : 1) : 0;
}

void TCapture_1::StopCapture() {
  const bool was_recording = session_->Recording();
  preview_timer_->stop();
  session_->Stop();
  PollSession();
  if (was_recording && !session_->SavedFile().empty()) {
    recorded_file_ = session_->SavedFile();
    frames_recorded_ = session_->FramesWritten();
  }
  capturing_ = false;
  if (was_recording && session_->WriteError() == 0 && session_->SavedFile().empty()) {
    SetStatus("Preview", Qt::blue);
    Dialogs().ShowWarning("Nothing was recorded: the video device delivered no frame before the recording stopped.");
  }
  if (was_recording && session_->WriteError() != 0) {
    const std::string kept = session_->SavedFile();
    SetStatus("Preview", Qt::blue);
    Dialogs().ShowError(Q("The recording stopped: the file could not be written (" +
                          CaptureResultName(session_->WriteError()) + ").\r\n" +
                          (kept.empty() ? std::string("Nothing was recorded.")
                                        : "The frames recorded until then are kept in " + kept)));
  }
}

void TCapture_1::SizePreview() {
  int w = session_->Width(), h = session_->Height();
  if (CheckBox2->isChecked()) {
    w = (w + 1) / 2;
    h = (h + 1) / 2;
  }
  if (w > 0 && h > 0) Panel1->setFixedSize(w, h);
}

void TCapture_1::PollSession() {
  for (const std::string& line : session_->TakeLog()) AddLine(line);
  if (mode_ == 0 && session_->Recording() && session_->WriteError() != 0) {
    RecordingWriteFailed();
    return;
  }
  if (mode_ == 0 && session_->Recording() && session_->DeviceError() != 0) {
    RecordingDeviceEnded();
    return;
  }
  Bitmap24 frame;
  if (!session_->TakePreview(frame)) return;
  QImage image(frame.Data(), frame.Width(), frame.Height(), frame.Stride(), QImage::Format_BGR888);
  QPixmap pixmap = QPixmap::fromImage(image);  // copies the pixels
  if (CheckBox2->isChecked())
    pixmap = pixmap.scaled((frame.Width() + 1) / 2, (frame.Height() + 1) / 2, Qt::IgnoreAspectRatio,
                           Qt::SmoothTransformation);
  Panel1->setPixmap(pixmap);
}

// A full disk ends the recording at once; the frames written until then are
// kept, and the window goes back to the preview.
void TCapture_1::RecordingWriteFailed() {
  StopCapture();  // says what was kept
  AviCapture(1);
}

// A device that stops delivering ends the recording: the frames recorded
// until then are kept, and the window goes back to the preview.
void TCapture_1::RecordingDeviceEnded() {
  const int error = session_->DeviceError();
  StopCapture();  // says when nothing was kept or the file failed
  if (session_->WriteError() == 0 && !session_->SavedFile().empty())
    Dialogs().ShowError(Q("The recording stopped: the video device delivered no more frames (" +
                          CaptureResultName(error) + ").\r\nThe frames recorded until then are kept in " +
                          session_->SavedFile()));
  AviCapture(1);
}

void TCapture_1::SpeedButton1Click() {
  const QString folder = Dialogs().GetExistingDirectory("Select directory", Q(CaptureFolder));
  if (folder.isEmpty()) return;
  CaptureFolder = folder.toStdString();
  Edit1->setText(folder);
  if (host_.StoreCaptureFolder) host_.StoreCaptureFolder(CaptureFolder);
}

void TCapture_1::SpeedButton2Click() {
  if (CaptureFileNameSetting() != 0) return;
  StartRecording();
}

void TCapture_1::StartRecording() {
  if (AviCapture(0) == 0) return;
  StopCapture();
  if (AviCapture(0) == 0) return;
  Dialogs().ShowError("The recording could not be started; the message list says why.");
}

void TCapture_1::SpeedButton3Click() {
  if (AviCapture(1) == 0) return;
  StopCapture();
  AviCapture(1);
}

void TCapture_1::ListBox1Click() {
  const int row = ListBox1->currentRow();
  if (row < 0 || row == selected_video_) return;
  selected_video_ = row;
  AviCapture(1);
}

void TCapture_1::ListBox2Click() {
  if (ListBox2->currentRow() < 0) return;
  selected_compressor_ = ListBox2->currentRow();
  Edit4->setText(QString::number(selected_compressor_));
}

void TCapture_1::TrackBar1Change() { session_->SetVolume(TrackBar1->value()); }

void TCapture_1::CheckBox1Click() { AnalyseAfterCapture = CheckBox1->isChecked(); }

void TCapture_1::Button1Click() {
  if (!capturing_) return;
  if (mode_ == 0) {
    // The recording must be finished under its name before the next name is
    // chosen, or the new one would take the same name and replace it.
    StopCapture();
    if (CaptureFileNameSetting() != 0) {
      AviCapture(1);
      return;
    }
    StartRecording();
    return;
  }
  AviCapture(mode_);
}

void TCapture_1::Button2Click() {
  const QString folder = Dialogs().GetExistingDirectory("Select directory", Q(CaptureFolder));
  if (!folder.isEmpty()) Dialogs().ShowInformation(folder);
}

void TCapture_1::Button3Click() { close(); }

void TCapture_1::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    if (SpeedButton2->isEnabled()) SpeedButton2Click();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    if (SpeedButton3->isEnabled()) SpeedButton3Click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TCapture_1::closeEvent(QCloseEvent* event) {
  if (capturing_) StopCapture();
  // Only a recording that was kept can be opened.
  const bool open_recording = AnalyseAfterCapture && recorded_ && !recorded_file_.empty();
  if (host_.Closed) {
    auto closed = std::move(host_.Closed);
    host_.Closed = nullptr;
    closed(open_recording, recorded_file_);
  }
  event->accept();
}
