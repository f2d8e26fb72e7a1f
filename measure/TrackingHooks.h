#pragma once
// The per-frame driver's tracking and profile-fit steps: centroid or profile
// tracking, the drift start from passed points, the linked offsets from the
// guide, the full refit of a placed object and PSF photometry.
//
// The main window owns one TrackingState and fills TrackingOptions from its
// controls; it derives its own hooks from TrackingHooks to add the drawing
// and time-stamp steps, and after each frame reads ShownPosition (Edit7 /
// Edit8), the selected object's PSF result and any automatic radii.
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

class TrackingHooks : public FrameDriverHooks {
 public:
  TrackingHooks(TrackingState& state, const TrackingOptions& options) : state_(state), options_(options) {}

  void RefitStarProfile(FrameContext& ctx, int k, int& x, int& y) override;
  void OptimizeDirection(FrameContext& ctx, int k, int x, int y) override;
  void TrackStep(FrameContext& ctx, int k, int& x, int& y) override;
  bool DriftStart(FrameContext& ctx, int k, int& x, int& y) override;
  std::optional<GuideLinkOffsets> GuideOffsets(FrameContext& ctx) override;
  void ShowUntrackedPosition(FrameContext& ctx, int x, int y) override;
  void MeasurePsf(FrameContext& ctx, int k, int x, int y) override;

  // The selected object's position after its last step (ShowPosition).
  std::optional<std::array<int, 2>> ShownPosition;
  // The selected object's PSF result of the last frame (Edit9, Edit23).
  std::optional<PsfFitResult> SelectedPsf;
  // The last full fit (object placement reads its width and residual).
  std::optional<PsfFitResult> LastRefit;
  // Radii set by the last refit (cleared by each refit): UpDown1 := r,
  // UpDown2 := r + 2 (and UpDown5 := r with 'Sync-Tracking APT'); the masks
  // are already rebuilt. The window must put them into its controls before
  // the next frame, since the driver writes the controls' radii back into the
  // selected object at the end of every frame.
  std::optional<int> AutoApertureRadius;

 private:
  TrackingSettings Tracking(const FrameContext& ctx) const;
  PsfFitSettings Fit(const FrameContext& ctx, bool refit) const;

  TrackingState& state_;
  const TrackingOptions& options_;
};
