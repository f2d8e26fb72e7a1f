#pragma once
// The per-frame driver's tracking and profile-fit steps: centroid or profile
// tracking, the drift start from passed points, the linked offsets from the
// guide, the full refit of a placed object and PSF photometry.
//
// The main window owns one TrackingState and fills TrackingOptions from its
// controls; it hands these steps to the driver as they are (its drawing and
// time-stamp steps are FrameIo callbacks) and reads what the steps found from
// the frame's outcome: the shown position, the PSF results, automatic radii.
#include <array>
#include <optional>

#include "measure/DriftTracks.h"
#include "measure/FrameDriver.h"
#include "measure/PsfFit.h"
#include "measure/StarTracking.h"

// What tracking keeps between frames, per object and shared.
struct TrackingState {
  ObjectProfileTable Profiles{};
  PredictTrackTable PredictTracks{};
  PassedPointTable PassedPoints{};
  LinkedPointTable LinkedPoints{};
  PsfHistory History;
  bool DriftPassedFlag = false;  // object A was lost and its position stored as 'Frame2'
  TrackPoint LastMatchA;         // where and when the profile match last found object A
};

// Controls the tracking steps read, beyond the driver's settings.
struct TrackingOptions {
  int SmoothingIndex = 0;               // RadioGroup1 'Gaussian Filtre'
  bool EstimatedTrackChecked = false;   // CheckBox4 'Estimated track'
  bool StoreLostAsFrame2 = false;       // CheckBox17: a lost object A marks its 'Frame2' point
  bool Rotate = false;                  // CheckBox11 'Rotate'
  int FrameRateRounded = 30;
  bool PixelAspectCorrection = false;
  bool FixedWidth = true;               // CheckBox9 'Fixed'
  int LowerPercent = 50;                // UpDown15
  int UpperPercent = 140;               // UpDown16
  int SaturationLevel = 255;
  int SaturatedPeakStart = 350;
};

class TrackingHooks final : public FrameDriverHooks {
 public:
  TrackingHooks(TrackingState& state, const TrackingOptions& options) : state_(state), options_(options) {}

  std::optional<PsfFitResult> RefitStarProfile(FrameContext& ctx, int k, ObjectPosition at) override;
  void OptimizeDirection(FrameContext& ctx, int k, ObjectPosition at) override;
  ObjectPosition TrackStep(FrameContext& ctx, int k, ObjectPosition from) override;
  std::optional<ObjectPosition> DriftStart(FrameContext& ctx, int k, ObjectPosition from) override;
  std::optional<GuideLinkOffsets> GuideOffsets(FrameContext& ctx) override;
  std::optional<PsfFitResult> MeasurePsf(FrameContext& ctx, int k, ObjectPosition at) override;

 private:
  TrackingSettings Tracking(const FrameContext& ctx) const;
  PsfFitSettings Fit(const FrameContext& ctx, bool refit) const;

  TrackingState& state_;
  const TrackingOptions& options_;
};
