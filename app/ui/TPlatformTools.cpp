// Main window: the tool windows (3-D star profile, histogram), the sound
// track of the video and the background-direction optimisation.
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/ui/TPlatform.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/OpenWindow.h"
#include "base/ui/NamedItems.h"
#include "base/ui/DialogService.h"
#include "measure/BackgroundDirection.h"
#include "measure/ImageFilters.h"
#include "measure/ui/THistogram.h"
#include "measure/ui/TThreeDGraph.h"
#include "video/WavFromVideo.h"

QWidget* TPlatform::CreateToolsPanel() {
  auto* box = new QGroupBox("Tools");
  box->setObjectName("ToolsGroup");
  auto* layout = new QVBoxLayout(box);
  auto add = [&](const char* name, const char* caption) {
    auto* b = new QPushButton(caption, box);
    b->setObjectName(name);
    layout->addWidget(b);
    return b;
  };
  Button31 = add("Button31", "Opitimize");
  Button8 = add("Button8", "Star Image [3D]");
  // Acts only with a video open, no run and the sound indicator closed.
  Button9 = add("Button9", "Audio Channel Display");
  Button10 = add("Button10", "Fit Tables");
  Button34 = add("Button34", "Model Table");
  Button35 = add("Button35", "GHS GPS Line");
  connect(Button31, &QPushButton::clicked, this, &TPlatform::Button31Click);
  connect(Button8, &QPushButton::clicked, this, &TPlatform::Button8Click);
  connect(Button9, &QPushButton::clicked, this, &TPlatform::Button9Click);
  return box;
}

void TPlatform::CreateToolsMenuItems() {
  QMenu* tools = TopMenu("Tools1", "Tools");
  HistGram1 = NamedAction(tools, "HistGram1", "Histogram");
  connect(HistGram1, &QAction::triggered, this, &TPlatform::HistGram1Click);
}

void TPlatform::Button8Click() { StarImg3DShow(); }

void TPlatform::StarImg3DShow() {
  if (!Run.VideoLoaded || Run.MeasuringRun || ThreeDGraph) return;
  CheckBox1->setChecked(false);
  ThreeDGraph = new TThreeDGraph(ThreeDGrids, Driver.Classes, this);
  ThreeDGraph->move(geometry().topLeft());
  ThreeDGraph->show();
  ShowNeighbor();  // reads the pixels around every object
  RedrawThreeDGraph();
}

void TPlatform::RedrawThreeDGraph() {
  if (ThreeDGraph) ThreeDGraph->ThreeDGraphDraw(Run.SelectedObject);
}

void TPlatform::RedrawHistogram() {
  if (Histogram) Histogram->DrawHistogram();
}

void TPlatform::ReadThreeDPixels(FrameContext& ctx, int k) {
  if (!ThreeDGraph || k < 1 || k > 3) return;
  const size_t i = static_cast<size_t>(k - 1);
  ThreeDGraph->ThreeDPixelread(k, ctx.FrameBitmap, ctx.State.ObjectX[i], ctx.State.ObjectY[i],
                               ctx.FrameBitmap.Width(), ctx.FrameBitmap.Height());
}

void TPlatform::HistGram1Click() {
  RaiseOrShow(Histogram, [this] { return new THistogram(Display.Image1Bitmap, this); });
}

void TPlatform::Button31Click() {
  if (!Run.VideoLoaded || Run.MeasuringRun) return;
  // While capturing the video is closed: there is no frame to read.
  if (OpenWindows.CaptureWindowOpen && !Still.BmpMode) return;
  const int k = std::clamp(Run.SelectedObject, 1, 3);
  const size_t i = static_cast<size_t>(k - 1);
  // The frame at the bar, read afresh and filtered as it is measured: the
  // frame in hand is an older one when the last read failed, and a frame
  // that cannot be read changes nothing.
  Bitmap24 frame;
  if (!GrabCurrentFrame(frame)) return;
  PutControlsIntoSelectedObject();
  const FrameDriverSettings s = DriverSettings();
  ApplyFrameFilters(frame, s.Filters, Driver.Gamma);
  FrameContext ctx{ScrollBar1->value(), frame, Driver, Frames.FrameDataLines, s};
  if (OptimizeBackgroundDirectionAsSet(ctx, k, Driver.ObjectX[i], Driver.ObjectY[i])) ShowNeighbor();
  // A new direction asks the tracking to find the star again from scratch;
  // the 'Filing Cabinet' step count chooses how strict it starts.
  UpDown7->SetPosition(UpDown12->Position() == 0 ? 95 : 0);
  UpDown7Click();
}

void TPlatform::Button9Click() {
  if (!Run.VideoLoaded || Run.MeasuringRun || OpenWindows.SoundGraphOpen || Still.BmpMode) return;
  CheckBox1->setChecked(false);
  const std::string video = Edit5->text().toStdString();
  if (video.empty() || !QFileInfo::exists(Edit5->text())) {
    Dialogs().ShowError(".AVI file not found");
    return;
  }
  Sound.WavFileName = WavFileNameFor(video);
  std::string why;
  bool ok = Sound.WavMadeFor == video && std::filesystem::exists(Sound.WavFileName);
  if (!ok) {
    if (!Dialogs().Question("Creating Wavfile. From several seconds to several minutes are required to this "
                            "processing. Starting this proccess?",
                            "Confirmation"))
      return;
    auto* note = new QLabel("Please wait for a while.", this, Qt::Tool | Qt::WindowStaysOnTopHint);
    note->setObjectName("Tmsg");
    note->setWindowTitle("WAV-file being create , now ");
    PaintWindow(note, Qt::white);
    note->setAttribute(Qt::WA_DeleteOnClose);
    note->setMargin(20);
    note->show();
    Tmsg = note;
    QApplication::processEvents();
    // The track spans the frames as the frame source times them.
    const long double rate = Video.VideoFrameRate * Video.FrameRateFactor;
    const double seconds = rate > 0 ? static_cast<double>((ScrollBar1->maximum() + 1) / rate) : 0;
    ok = MakeWavFromVideo(video, Sound.WavFileName, &why, nullptr, seconds);
    note->close();
    if (ok) Sound.WavMadeFor = video;
  }
  if (!ok) {
    Dialogs().ShowWarning(QString::fromStdString("WAV data could not be read.\r\n" + why));
    return;
  }
  OpenSoundIndicator();
}
