// The main window's launchers of the capture window, the operation guide and
// the small utility windows, and the capture window's hand-back.
#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <filesystem>

#include "app/ui/TPlatform.h"
#include "app/ui/TProfile.h"
#include "app/ui/UtilityWindows.h"
#include "chart/ui/Tchart1.h"
#include "base/IniFile.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/Layouts.h"
#include "base/ui/NamedItems.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/DialogService.h"
#include "video/ui/TCapture_1.h"

void TPlatform::CreateCaptureMenuItems() {
  QMenu* tools = TopMenu("Tools1", "Tools");
  VideoCapture1 = NamedAction(tools, "VideoCapture1", "Video Capture");
  ErrorMessagesfromDSHOW1 = HiddenNamedAction(tools, "ErrorMessagesfromDSHOW1", "Error Messages from DShow", "Ctrl+E",
                                              this, &TPlatform::ErrorMessagesfromDSHOW1Click);
  QMenu* option = TopMenu("Option1", "Option");
  AVSFileEdit1 = NamedAction(option, "AVSFileEdit1", "AVS File Edit");
  ImageWindowSetting1 = NamedAction(option, "ImageWindowSetting1", "ImageWindowSetting");
  ConnectEach(this, {{VideoCapture1, &TPlatform::VideoCapture1Click},
                     {ErrorMessagesfromDSHOW1, &TPlatform::ErrorMessagesfromDSHOW1Click},
                     {AVSFileEdit1, &TPlatform::AVSFileEdit1Click},
                     {ImageWindowSetting1, &TPlatform::ImageWindowSetting1Click}});
}

QWidget* TPlatform::CreateCapturePanel() {
  auto* panel = new QWidget;
  auto* row = EdgeLayout<QHBoxLayout>(panel);
  Button37 = Named<QPushButton>("Button37", "Capture");
  Button32 = Named<QPushButton>("Button32", "Operation Guide");
  Button15 = Named<QPushButton>("Button15", "Color Value");
  Edit72 = NamedReadOut("Edit72", "4. Diffraction tit");
  Edit73 = NamedReadOut("Edit73", "5. Make report");
  for (QWidget* w : std::initializer_list<QWidget*>{Button37, Button32, Button15, Edit72, Edit73}) row->addWidget(w);
  ConnectEach(this, {{Button37, &TPlatform::Button37Click}, {Button32, &TPlatform::Button32Click},
                     {Button15, &TPlatform::Button15Click}});
  return panel;
}

// ---- capture ----

void TPlatform::VideoCapture1Click() {
  // A recording opened afterwards would replace the video a direction is being set on.
  if (Run.MeasuringRun || Run.DirectionSettingMode || OpenWindows.CaptureWindowOpen || Capture_1) return;
  // The capture takes over the frame path; playback cannot go on without it.
  if (Run.Playing) StopPlayback();
  // Closing for the capture keeps the right to reopen the video afterwards.
  const uint8_t reopen = Video.ReopenVideoAfterCapture;
  CloseVideo(Video, Sources);
  Video.FrameSourceOpen = 0;
  Video.ReopenVideoAfterCapture = reopen;
  OpenWindows.CaptureWindowOpen = true;
  CaptureHost host;
  host.CaptureFolder = Settings.CaptureFolder;
  host.AnalysedVideo = Video.VideoFileName;
  host.StoreCaptureFolder = [this](const std::string& folder) {
    Settings.CaptureFolder = folder;
    try {
      IniFile(SettingsPlace.IniPath).WriteString("Capture", "Capture File Path", folder);
    } catch (const IniWriteError& e) {
      Dialogs().ShowError(QString::fromStdString(e.what()));
    }
  };
  host.Closed = [this](bool open_recording, const std::string& file) { CaptureClosed(open_recording, file); };
  Button1->setEnabled(false);
  Button20->setEnabled(false);
  Capture_1 = new TCapture_1(std::move(host), this);
  Capture_1->show();
}

void TPlatform::Button37Click() {
  if (Run.Playing) return;
  VideoCapture1Click();
}

void TPlatform::CaptureClosed(bool open_recording, const std::string& file) {
  OpenWindows.CaptureWindowOpen = false;
  Button1->setEnabled(true);
  Button20->setEnabled(true);
  if (open_recording && ResultsMayBeDropped()) {
    OpenVideoFile(file, 0);
    Edit5->setText(QString::fromStdString(file));
    return;
  }
  if (Video.ReopenVideoAfterCapture && OpenVideoStream() && Run.VideoLoaded) ShowNeighbor();
}

// ---- operation guide ----

void TPlatform::Button32Click() {
  if (!Run.VideoLoaded || Profile) return;
  OpenOperationGuide();
  ShowNeighbor();
}

void TPlatform::OpenOperationGuide() {
  if (Profile) return;
  Profile = new TProfile(*this);
  Profile->show();
}

void TPlatform::CloseOperationGuide() {
  if (Profile) Profile->close();
}

// ---- utility windows ----

void TPlatform::AVSFileEdit1Click() {
  if (Run.MeasuringRun || Chart.ChartOpen || chart1.Window || AvsEdit) return;
  const QString folder = Settings.LastVideoDirectory.empty() ? DialogFallbackFolder()
                                                             : QString::fromStdString(Settings.LastVideoDirectory);
  const QString file = Dialogs().GetOpenFileName("Open", folder, "AviSynth File (*.avs)");
  if (file.isEmpty()) return;
  if (!QFileInfo::exists(file)) {
    Dialogs().ShowError("Could not open .AVS file.\n" + QFileInfo(file).fileName());
    return;
  }
  AvsEdit = new TAvsEdit(file, this);
  if (AvsEdit->FileName().isEmpty()) {
    // A folder, or a file too large or unreadable: no empty editor in its place.
    delete AvsEdit.data();
    Dialogs().ShowError("Could not open .AVS file.\n" + QFileInfo(file).fileName());
    return;
  }
  AvsEdit->show();
}

void TPlatform::ImageWindowSetting1Click() {
  if (IMGWindowSetting) return;
  // The view is a scroll area: the bars pan it.
  IMGWindowSetting = new TIMGWindowSetting(
      Video.FrameWidth, Video.FrameHeight,
      [this](Qt::Orientation o, int v) {
        (o == Qt::Horizontal ? ScrollBox1->horizontalScrollBar() : ScrollBox1->verticalScrollBar())->setValue(v);
        if (Run.VideoLoaded && !Run.MeasuringRun) ShowNeighbor();
      },
      this);
  ShowPanInImageWindowSetting();
  // Panned by the view's own scroll bars, or clamped when another frame
  // size takes effect, the window's bars move with it.
  for (QScrollBar* bar : {ScrollBox1->horizontalScrollBar(), ScrollBox1->verticalScrollBar()})
    connect(bar, &QScrollBar::valueChanged, IMGWindowSetting, [this] { ShowPanInImageWindowSetting(); });
  IMGWindowSetting->show();
}

void TPlatform::ShowPanInImageWindowSetting() {
  if (!IMGWindowSetting) return;
  // The bars span the open video's frame and start where the view stands.
  IMGWindowSetting->SetFrameSize(Video.FrameWidth, Video.FrameHeight);
  QSignalBlocker bx(IMGWindowSetting->ScrollBar1), by(IMGWindowSetting->ScrollBar2);
  IMGWindowSetting->ScrollBar1->setValue(ScrollBox1->horizontalScrollBar()->value());
  IMGWindowSetting->ScrollBar2->setValue(ScrollBox1->verticalScrollBar()->value());
}

void TPlatform::ErrorMessagesfromDSHOW1Click() {
  if (DshowErrors) return;
  const DirectShowSource& ds = Sources.DirectShow;
  std::vector<std::string> lines;
  for (int i = 1; i <= ds.DSErrorCount && i < static_cast<int>(ds.DSErrors.size()); ++i)
    lines.push_back(ds.DSErrors[static_cast<size_t>(i)]);
  DshowErrors = new TDshowErrors(lines, this);
  DshowErrors->show();
}

void TPlatform::Button15Click() {
  if (ColorValueDisplay) return;
  ColorValueDisplay = new TColorValueDisplay(this);
  ColorValueDisplay->show();
  if (Run.VideoLoaded && !Run.MeasuringRun) ShowNeighbor();
}
