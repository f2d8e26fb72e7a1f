// Main window: measuring and showing the current frame (ShowNeighbor), and a
// click on the frame placing the selected object.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cstdlib>

#include "base/NumberText.h"
#include "base/SteadyClock.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "app/ui/TMeasurementOption.h"
#include "app/ui/TPlatform.h"
#include "app/ui/TProfile.h"
#include "app/ui/UtilityWindows.h"
#include "base/ui/BitmapLabel.h"

namespace {

// Playback and runs show at most one frame per this many milliseconds; the
// measurement itself never waits for the screen.
constexpr qint64 kImage1DrawMs = 30;

bool SameMaskSettings(const MaskSettings& a, const MaskSettings& b) {
  return a.ApertureRadius == b.ApertureRadius && a.BackgroundInner == b.BackgroundInner &&
         a.BackgroundOuter == b.BackgroundOuter && a.BackgroundForm == b.BackgroundForm && a.Gap == b.Gap &&
         a.Width == b.Width && a.RectangleWidth == b.RectangleWidth && a.RectangleHeight == b.RectangleHeight &&
         a.CutBkgUpperSide == b.CutBkgUpperSide && a.CutBkgLowerSide == b.CutBkgLowerSide;
}

// Red ($0000FF) while the LED is lit, white otherwise.
void PaintSignalPanel(QLabel* panel, bool lit) {
  PaintWindow(panel, BgrColor(lit ? 0x0000FFu : 0xFFFFFFu));
}

}  // namespace

FrameDriverState TPlatform::InitialFrameDriverState() {
  FrameDriverState st;
  for (BkgLineGeometry& g : st.Geometry) {
    g.DirectionX = 0;
    g.DirectionY = -100;
  }
  return st;
}

FrameDriverSettings TPlatform::DriverSettings() const {
  FrameDriverSettings s;
  s.ScrollMax = ScrollBar1->maximum();
  s.ObjectCount = Run.ObjectCount;
  s.SelectedObject = Run.SelectedObject;
  s.ShowField = CheckBox1->isChecked();
  s.PsfPhotometry = CheckBox14->isChecked();
  s.DirectionSettingMode = Run.DirectionSettingMode;
  s.Filters = FilterControls();
  s.CutBkgUpperSide = Options.CutBkgUpperSide;
  s.CutBkgLowerSide = Options.CutBkgLowerSide;
  s.AutoRectangleDirection = Options.AutoRectangleDirection != 0;
  s.Aperture.SubtractBackground = Options.SubtractBackground;
  s.Aperture.LimbProfileForRectangle = Options.LimbProfileForRectangle != 0;
  s.ApertureRadius = UpDown1->Position();
  s.BackgroundInner = UpDown2->Position();
  s.BackgroundOuter = UpDown3->Position();
  s.BandWidth = UpDown8->Position();
  s.Gap = UpDown6->Position();
  s.Threshold = UpDown7->Position();
  s.SyncTracking = CheckBox3->isChecked();
  s.Aperture.Accurate = CheckBox8 && CheckBox8->isChecked();
  s.RectangleWidth = RectAperture.RectangleWidth;
  s.RectangleHeight = RectAperture.RectangleHeight;
  // With the rectangle on, 'Width' and 'Gap' (read "Height") size the selected object's rectangle.
  if (const int k = Run.SelectedObject; k >= 1 && k <= 3 && SelectedIsRectangle()) {
    s.RectangleWidth[static_cast<size_t>(k - 1)] = UpDown8->Position();
    s.RectangleHeight[static_cast<size_t>(k - 1)] = UpDown6->Position();
  }
  s.Signals.SignalMarkersOn = Options.SignalMarkersOn != 0;
  s.Signals.Signal1.HalfWidth = Options.Signal1HalfWidth;
  s.Signals.Signal1.HalfHeight = Options.Signal1HalfHeight;
  s.Signals.Threshold = UpDown4->Position();
  s.Signals.TimeStampMode = Options.TimeStampMode;
  s.Signals.SoundGraphOpen = OpenWindows.SoundGraphOpen;
  s.Signals.SoundSignalDetected = Sound.SoundSignalDetected;
  return s;
}

// The radius and band controls show the selected object; its blocks hold the
// same values, so its masks are built from what the user sees.
bool TPlatform::SelectedIsRectangle() const {
  const int k = Run.SelectedObject;
  return k >= 1 && k <= 3 &&
         Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)].BackgroundForm ==
             static_cast<uint8_t>(BackgroundFormKind::Rectangle);
}

void TPlatform::PutControlsIntoSelectedObject() {
  const int i = Run.SelectedObject - 1;
  if (i < 0 || i > 2) return;
  SetObjectSetting(Frames.FrameDataLines, i, &ObjectResult::ApertureRadius, UpDown1->Position());
  SetObjectSetting(Frames.FrameDataLines, i, &ObjectResult::BackgroundInner, UpDown2->Position());
  SetObjectSetting(Frames.FrameDataLines, i, &ObjectResult::BackgroundOuter, UpDown3->Position());
  if (SelectedIsRectangle()) {
    // The band keeps its width and gap while the controls size the rectangle.
    RectAperture.RectangleWidth[static_cast<size_t>(i)] = UpDown8->Position();
    RectAperture.RectangleHeight[static_cast<size_t>(i)] = UpDown6->Position();
    return;
  }
  SetObjectSetting(Frames.FrameDataLines, i, &ObjectResult::BandWidth, UpDown8->Position());
  SetObjectSetting(Frames.FrameDataLines, i, &ObjectResult::Gap, UpDown6->Position());
}

// Rebuilds the masks of every object whose settings or background direction
// changed since they were built (a rectangle also takes a new reference frame).
void TPlatform::RefreshObjectMasks(const FrameDriverSettings& s, bool force) {
  for (int k = 1; k <= 3; ++k) {
    const size_t i = static_cast<size_t>(k - 1);
    MaskSettings m = MaskSettingsFor(Frames.FrameDataLines, s, k);
    const BkgLineGeometry& g = Driver.Geometry[i];
    const bool same_direction = g.DirectionX == built_directions_[i].first && g.DirectionY == built_directions_[i].second;
    if (!force && built_masks_[i] && SameMaskSettings(*built_masks_[i], m) && same_direction) continue;
    if (m.BackgroundForm == 3 || (built_masks_[i] && built_masks_[i]->BackgroundForm == 3))
      Driver.Rectangles[i].Reset();
    const auto counts = RebuildObjectMasks(Driver, Frames.FrameDataLines, s, k);
    if (k == s.SelectedObject) ShowClassPixelCounts(counts);
    built_masks_[i] = m;
    built_directions_[i] = {g.DirectionX, g.DirectionY};
  }
}

std::string TPlatform::GrabFrameText(int n, Bitmap24& bmp) {
  std::string status;
  if (Still.BmpMode) return GrabStillBitmap(bmp);
  BusyFlag busy(Run.FrameSourceBusy);
  if (GrabVideoFrame(Video, Sources, n, bmp, status)) return {};
  if (Video.VideoAccessKind == static_cast<uint8_t>(VideoAccess::DirectShow))
    return "Fail to get a bitmap.\r\n" + status;
  return Video.UseAviSynth ? "Fail to get a bitmap.\r\nIt is necessary to install AVISynth"
                             : "Fail to get a bitmap.\r\nSet \"Use AVISynth\" in Update Setting Items - File reading";
}

FrameOutcome TPlatform::ShowNeighbor() {
  // Whatever changed the LED box before this redraw, an open 'Measurement
  // Option' shows the box the frame is drawn with.
  if (MeasurementOption) MeasurementOption->ShowLedBox();
  if (!Run.VideoLoaded || Driver.InDriver) return {};
  // While capturing the video is closed; the last picture stays up.
  if (OpenWindows.CaptureWindowOpen && !Still.BmpMode) return {};
  // The sound indicator decides on this frame before its rows are built.
  RedrawSoundIndicator();
  PutControlsIntoSelectedObject();
  FrameDriverSettings s = DriverSettings();
  PrepareTracking(s);  // ---- objects ----
  RefreshObjectMasks(s, false);
  FrameIo io;
  io.GrabFrame = [this](int n, Bitmap24& bmp) { return GrabFrameText(n, bmp); };
  io.AppendRows = [this](const DataLineBlocks&) { AppendResultRows(); };
  io.ObjectPositioned = [this](FrameContext& c, int k) { ReadThreeDPixels(c, k); };
  // The time stamp is read after the drawing and before the rows are built.
  io.AfterObjects = [this](FrameContext& c) {
    DrawFrameOverlay(c);
    if (c.Settings.DirectionSettingMode) return;
    LocateTiviDigits(c.FrameBitmap);
    FrameTimeStep(c.FrameBitmap, false);
  };
  TrackingHooks steps(Tracking, TrackingOpts);
  const bool was_measuring = Run.MeasuringRun;
  // A control changed during a run shows the frame again: a frame whose rows
  // the table holds already is shown, not measured a second time.
  const bool shown_again = Run.MeasuringRun && !Run.SingleFrameRun && ScrollBar1->value() == Run.LastMeasuredFrame;
  bool not_measuring = false, not_single = false;
  int32_t last_measured = Run.LastMeasuredFrame;
  const RunFlags flags = shown_again ? RunFlags{not_measuring, not_single, last_measured}
                                     : RunFlags{Run.MeasuringRun, Run.SingleFrameRun, Run.LastMeasuredFrame};
  FrameOutcome out = ::ShowNeighbor(Driver, flags, Frames.FrameDataLines, s, ScrollBar1->value(), io, steps);
  if (out.Reentered) return out;
  // A frame gone from the file ends the run as it would on the next tick.
  if (shown_again && !out.GrabError.empty()) Run.MeasuringRun = false;
  // A frame that could not be read leaves the last picture up, and its number.
  if (!out.BlackFrame && out.GrabError.empty()) ShowFrameNumber(out.Frame);  // ---- image tools ----
  FinishTracking(out);  // ---- objects ----
  // ---- time stamps ---- the split view shows the time of its fields
  if (!out.FieldImage.Empty()) FrameTimeStep(out.FieldImage, true);
  ActOnFrameOutcome(out, was_measuring);
  RedrawThreeDGraph();  // ---- tools ----
  // The guide plots the star where this frame has it: a star placed or
  // moved on the same frame moves no scroll bar.
  if (Profile) Profile->FrameShown(out);
  return out;
}

void TPlatform::ShowClassPixelCounts(std::optional<std::pair<int, int>> counts) {
  const bool shown = counts && !CheckBox14->isChecked();
  Edit20->setText(shown ? QString::number(counts->first) : QString());
  Edit21->setText(shown ? QString::number(counts->second) : QString());
}

void TPlatform::ShowSelectedResult(const FrameOutcome& out) {
  const int k = Run.SelectedObject;
  if (k < 1 || k > 3) return;
  if (CheckBox14->isChecked()) {
    // The PSF fit stores its volume and FWHM in every block.
    const ObjectResult& o = Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)];
    Edit9->setText(QString::fromStdString(FormatOneDecimal(o.Value)));
    Edit23->setText(QString::fromStdString(FormatWidth(o.FwhmHfd, 0, 2)));
    Edit20->clear();
    Edit21->clear();
    return;
  }
  if (!out.HasSelectedSums) return;
  const ApertureReadout r = FormatApertureReadout(out.SelectedSums, Frames.FrameDataLines, k);
  Edit9->setText(QString::fromStdString(r.Value[0]));
  Edit23->setText(QString::fromStdString(r.HalfFluxDiameter));
  if (ColorValueDisplay) ColorValueDisplay->ShowSums(out.SelectedSums, r, out.Frame);
}

void TPlatform::ActOnFrameOutcome(const FrameOutcome& out, bool was_measuring) {
  // The timer stops before any box, so no tick runs the driver meanwhile.
  if (out.StopTimer) Timer1->stop();
  if (!out.GrabError.empty() && Run.Playing) Timer1->stop();
  if (out.RunEnded) {
    run_end_pending_ = true;
    for (auto* u : {UpDown1, UpDown2, UpDown3}) u->setEnabled(true);
  }
  if (out.Measured) ShowSelectedResult(out);
  if (out.Signal1) PaintSignalPanel(Panel1, out.Signal1->Detected);
  if (out.Signal2Detected) PaintSignalPanel(Panel2, *out.Signal2Detected);

  if (!Run.DirectionSettingMode) {
    if (!out.FieldImage.Empty()) {
      Display.Image1Bitmap = out.FieldImage;
      image1_source_ = &Display.Image1Bitmap;
      ShowImage1Bitmap();
    } else if (out.BlackFrame) {
      ShowBlackImage1();
    } else if (out.Measured) {
      image1_source_ = MeasuredImage();  // ---- objects ----
      ShowImage1Bitmap();
    }
  }

  if (out.GrabError.empty()) return;
  if (was_measuring && !Run.MeasuringRun) {
    // The failed frame ended the run without a row. The bar goes back to the
    // last row's frame, whose picture is still up: '1Frame' and 'DEL' act
    // only there.
    FinishRun();
    if (Run.LastMeasuredFrame >= 0 && Run.LastMeasuredFrame <= ScrollBar1->maximum()) {
      const QSignalBlocker quiet(ScrollBar1);
      ScrollBar1->setValue(Run.LastMeasuredFrame);
    }
  } else if (Run.Playing) {
    EndPlayback();
    ReleasePlaybackLocks();
  }
  PaceDisplays();  // the read-outs show the stopped state behind the box
  Dialogs().ShowError(QString::fromStdString(out.GrabError));
}

void TPlatform::ShowImage1Bitmap() {
  image1_pending_ = true;
  const qint64 now = SteadyMs();
  if (!Run.Playing || now - image1_drawn_ms_ >= kImage1DrawMs) {
    DrawImage1Now();
    return;
  }
  if (!image1_timer_) {
    image1_timer_ = new QTimer(this);
    image1_timer_->setSingleShot(true);
    connect(image1_timer_, &QTimer::timeout, this, &TPlatform::DrawImage1Now);
  }
  if (!image1_timer_->isActive()) image1_timer_->start(static_cast<int>(kImage1DrawMs));
}

void TPlatform::ShowBlackImage1() {
  Display.Image1Bitmap.Resize(720, 480);
  image1_source_ = &Display.Image1Bitmap;
  ShowImage1Bitmap();
}

void TPlatform::DrawImage1Now() {
  if (!image1_pending_) return;
  image1_pending_ = false;
  if (image1_timer_) image1_timer_->stop();
  if (image1_source_ && image1_source_ != &Display.Image1Bitmap) Display.Image1Bitmap = *image1_source_;
  image1_drawn_ms_ = SteadyMs();
  RedrawHistogram();  // ---- tools ----
  if (Display.Image1Bitmap.Empty()) return;
  ShowBitmap(Image1, Display.Image1Bitmap);
}

// ---- objects ----: Image1MouseDown is in TPlatformObjects.cpp.

bool TPlatform::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image1 && event->type() == QEvent::MouseButtonPress) {
    const auto* me = static_cast<QMouseEvent*>(event);
    const QPoint p = me->position().toPoint();
    Image1MouseDown(me->button(), p.x(), p.y());
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}
