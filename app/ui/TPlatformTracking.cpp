// Main window: the per-frame driver's tracking and profile-fit steps. The
// tracking core does the work; the window hands it the options its controls
// show and takes back what a frame changed (the shown position and automatic
// radii come in the frame's outcome).
#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>

#include "base/ui/ControlEvents.h"
#include "app/ui/TPlatform.h"
#include "measure/StarTracking.h"

bool TPlatform::VideoNeedsPixelAspectCorrection() const {
  return NeedsPixelAspectCorrection(Video.VideoFrameRate, Video.FrameWidth, Video.FrameHeight, Options.TimeStampMode);
}

void TPlatform::PrepareTracking(FrameDriverSettings& s) {
  s.Link = CheckBox6->isChecked();
  s.ProfileTracking = CheckBox15->isChecked();
  s.Signals.Signal1.X = Marks.Signal1X;
  s.Signals.Signal1.Y = Marks.Signal1Y;
  s.Signals.Signal2X = Marks.Signal2X;
  s.Signals.Signal2Y = Marks.Signal2Y;

  TrackingOpts.EstimatedTrackChecked = CheckBox4->isChecked();
  TrackingOpts.Rotate = CheckBox11->isChecked();
  TrackingOpts.FrameRateRounded = Video.FrameRateRounded;
  TrackingOpts.PixelAspectCorrection = VideoNeedsPixelAspectCorrection();
  TrackingOpts.SaturationLevel = Options.SaturationLevel;
  TrackingOpts.SaturatedPeakStart = Options.SaturatedPeakStart;
  TrackingOpts.SmoothingIndex = std::max(0, RadioGroup1->ItemIndex());
  TrackingOpts.StoreLostAsFrame2 = CheckBox17->isChecked();
  TrackingOpts.FixedWidth = CheckBox9->isChecked();
  TrackingOpts.LowerPercent = UpDown15->Position();
  TrackingOpts.UpperPercent = UpDown16->Position();
  // Each object's star counts as lost below its own threshold, however that
  // was set (a loaded table, a preset); the selected object's follows UpDown7.
  for (size_t k = 0; k < 3; ++k)
    Tracking.Profiles[k].MatchThresholdPercent = Frames.FrameDataLines[0].Objects[k].Threshold;
  const size_t i = static_cast<size_t>(std::clamp(Run.SelectedObject, 1, 3) - 1);
  Tracking.Profiles[i].MatchThresholdPercent = UpDown7->Position();
  Display.OverlayDrawn = false;
  // Each tracking disk follows its object's radius, however that was set (a
  // loaded table, a preset); placement sizes the disk of its own set-up.
  if (!placing_)
    for (size_t k = 0; k < 3; ++k) {
      const int r = std::clamp(Frames.FrameDataLines[0].Objects[k].TrackRadius, 0, kMaskReach);
      TrackDisk& d = Driver.Track[k];
      if (d.At(0, r) == 1 && (r == kMaskReach || d.At(0, r + 1) == 0)) continue;
      ClearTrackMask(d);
      BuildTrackMask(d, r, 1);
    }
}

void TPlatform::FinishTracking(const FrameOutcome& out) {
  if (const std::optional<int> radius = out.AutoApertureRadius()) {
    // The refit set the selected object's radii; the up-downs show them.
    const int r = *radius;
    UpDown1->SetRange(0, 25);
    UpDown2->SetRange(0, 25);
    UpDown1->SetPosition(r);
    UpDown2->SetPosition(r + 2);
    if (CheckBox3->isChecked() && r <= UpDown5->maximum()) UpDown5->SetPosition(r);
    LimitApertureRadii();
  }
  if (out.ShownPosition) {
    Edit7->setText(QString::number(out.ShownPosition->X));
    Edit8->setText(QString::number(out.ShownPosition->Y));
  }
}
