#include "measure/TrackingHooks.h"

#include "measure/BackgroundDirection.h"

namespace {
size_t Idx(int k) { return static_cast<size_t>(k - 1); }
}  // namespace

TrackingSettings TrackingHooks::Tracking(const FrameContext& ctx) const {
  TrackingSettings t;
  t.SmoothingIndex = options_.SmoothingIndex;
  t.MeasureGamma = ctx.Settings.Filters.GammaMode == GammaModeKind::Measure ? &ctx.State.Gamma : nullptr;
  t.PixelAspectCorrection = options_.PixelAspectCorrection;
  t.EstimatedTrackChecked = options_.EstimatedTrackChecked;
  t.PsfRefitPending = ctx.State.PsfRefitPending;
  return t;
}

PsfFitSettings TrackingHooks::Fit(const FrameContext& ctx, bool refit) const {
  PsfFitSettings f;
  f.RefitPending = refit;
  f.FixedWidth = options_.FixedWidth;
  f.LowerPercent = options_.LowerPercent;
  f.UpperPercent = options_.UpperPercent;
  f.SaturationLevel = options_.SaturationLevel;
  f.SaturatedPeakStart = options_.SaturatedPeakStart;
  f.SmoothingIndex = options_.SmoothingIndex;
  f.MeasureGamma = ctx.Settings.Filters.GammaMode == GammaModeKind::Measure ? &ctx.State.Gamma : nullptr;
  f.PixelAspectCorrection = options_.PixelAspectCorrection;
  f.SyncTracking = ctx.Settings.SyncTracking;
  return f;
}

// Scans the frame in hand: it is already filtered, so it is not read again.
void TrackingHooks::OptimizeDirection(FrameContext& ctx, int k, int x, int y) {
  OptimizeBackgroundDirection(ctx, k, x, y);
}

void TrackingHooks::RefitStarProfile(FrameContext& ctx, int k, int& x, int& y) {
  const PsfFitTarget target{k, k == ctx.Settings.SelectedObject, &ctx.State.Classes[Idx(k)]};
  AutoApertureRadius.reset();
  LastRefit = FitStarProfile(PsfFitKind::Full, target, ctx.FrameBitmap, x, y, Fit(ctx, true),
                             state_.Profiles[Idx(k)], state_.History, ctx.Lines);
  if (!LastRefit->AutoApertureRadius) return;
  AutoApertureRadius = LastRefit->AutoApertureRadius;
  RebuildObjectMasks(ctx.State, ctx.Lines, ctx.Settings, k);
  if (ctx.Settings.SyncTracking) {
    ClearTrackMask(ctx.State.Track[Idx(k)]);
    BuildTrackMask(ctx.State.Track[Idx(k)], *AutoApertureRadius, 1);
  }
}

void TrackingHooks::TrackStep(FrameContext& ctx, int k, int& x, int& y) {
  const ObjectResult& o = ctx.Lines[0].Objects[Idx(k)];
  int32_t tx = x, ty = y;
  if (ctx.Settings.ProfileTracking) {
    const ProfileTrackInputs in{k, o.TrackRadius, o.EstimatedTrack != 0, &ctx.State.Classes[Idx(k)]};
    const ProfileTrackResult r = TrackStarByProfile(ctx.FrameBitmap, ctx.Frame, in, Tracking(ctx),
                                                    state_.Profiles[Idx(k)], state_.PredictTracks[Idx(k)], tx, ty);
    if (r.Lost && k == 1 && options_.StoreLostAsFrame2) {
      state_.PassedPoints[0].Frame2 = {ctx.Frame, tx, ty};
      state_.DriftPassedFlag = true;
    }
  } else {
    const CentroidTrackParams p{o.TrackRadius, o.Threshold, options_.SmoothingIndex};
    TrackStarByCentroid(ctx.FrameBitmap, p, ctx.State.Track[Idx(k)], tx, ty);
  }
  x = tx;
  y = ty;
  if (k == ctx.Settings.SelectedObject) ShownPosition = std::array<int, 2>{x, y};
}

bool TrackingHooks::DriftStart(FrameContext& ctx, int k, int& x, int& y) {
  int32_t px = x, py = y;
  if (!PredictDriftPosition(state_.PassedPoints[Idx(k)], ctx.Frame, ctx.FrameBitmap.Width(),
                            ctx.FrameBitmap.Height(), px, py))
    return false;
  x = px;
  y = py;
  return true;
}

std::optional<GuideLinkOffsets> TrackingHooks::GuideOffsets(FrameContext& ctx) {
  const auto off = InterpolateLinkedOffsets(state_.LinkedPoints, ctx.Frame,
                                            options_.Rotate ? LinkMotion::Rotate : LinkMotion::Shift,
                                            options_.FrameRateRounded);
  if (!off) return std::nullopt;
  return GuideLinkOffsets{off->Dx1, off->Dy1, off->Dx3, off->Dy3};
}

void TrackingHooks::ShowUntrackedPosition(FrameContext&, int x, int y) { ShownPosition = std::array<int, 2>{x, y}; }

void TrackingHooks::MeasurePsf(FrameContext& ctx, int k, int x, int y) {
  const PsfFitTarget target{k, k == ctx.Settings.SelectedObject, &ctx.State.Classes[Idx(k)]};
  const PsfFitResult r = StorePsfResult(target, ctx.FrameBitmap, x, y, Fit(ctx, false), state_.Profiles[Idx(k)],
                                        state_.History, ctx.Lines);
  if (target.IsSelected) SelectedPsf = r;
}
