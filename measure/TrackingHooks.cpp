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
  f.RefitKeepsRadii = refit && ctx.State.PsfRefitKeepsRadii;
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
void TrackingHooks::OptimizeDirection(FrameContext& ctx, int k, ObjectPosition at) {
  OptimizeBackgroundDirection(ctx, k, at.X, at.Y);
}

std::optional<PsfFitResult> TrackingHooks::RefitStarProfile(FrameContext& ctx, int k, ObjectPosition at) {
  const PsfFitTarget target{k, k == ctx.Settings.SelectedObject, &ctx.State.Classes[Idx(k)]};
  const PsfFitResult fit = FitStarProfile(PsfFitKind::Full, target, ctx.FrameBitmap, at.X, at.Y, Fit(ctx, true),
                                          state_.Profiles[Idx(k)], state_.History, ctx.Lines);
  if (!fit.AutoApertureRadius) return fit;
  RebuildObjectMasks(ctx.State, ctx.Lines, ctx.Settings, k);
  if (ctx.Settings.SyncTracking) {
    ClearTrackMask(ctx.State.Track[Idx(k)]);
    BuildTrackMask(ctx.State.Track[Idx(k)], *fit.AutoApertureRadius, 1);
  }
  return fit;
}

ObjectPosition TrackingHooks::TrackStep(FrameContext& ctx, int k, ObjectPosition from) {
  const ObjectResult& o = ctx.Lines[0].Objects[Idx(k)];
  int32_t tx = from.X, ty = from.Y;
  if (ctx.Settings.ProfileTracking) {
    ObjectProfileState& profile = state_.Profiles[Idx(k)];
    if (profile.Model.At(0, 0) == 0 || profile.ReferenceValue == 0) {
      // Placed while 'Tracking' was off, or loaded from a table without a
      // refit of its own: no profile or no reference to match yet. Fitted on
      // the star as placement would, without touching the rows or the
      // placement's fit history. An 'Anchor' start can lie pixels off the
      // star by now, further than the fit's centre search reaches, so the
      // centroid finds the star first.
      int32_t fx = from.X, fy = from.Y;
      const CentroidTrackParams star{o.TrackRadius, o.Threshold, options_.SmoothingIndex};
      TrackStarByCentroid(ctx.FrameBitmap, star, ctx.State.Track[Idx(k)], fx, fy);
      DataLineBlocks scratch_lines = ctx.Lines;
      PsfHistory scratch_history;
      const PsfFitTarget target{k, false, &ctx.State.Classes[Idx(k)]};
      FitStarProfile(PsfFitKind::Full, target, ctx.FrameBitmap, fx, fy, Fit(ctx, false), profile, scratch_history,
                     scratch_lines);
    }
    const ProfileTrackInputs in{k, o.TrackRadius, o.EstimatedTrack != 0, &ctx.State.Classes[Idx(k)]};
    const ProfileTrackResult r = TrackStarByProfile(ctx.FrameBitmap, ctx.Frame, in, Tracking(ctx),
                                                    state_.Profiles[Idx(k)], state_.PredictTracks[Idx(k)], tx, ty);
    if (k == 1 && r.Moved) state_.LastMatchA = {ctx.Frame, tx, ty};
    if (r.Lost && k == 1 && options_.StoreLostAsFrame2) {
      // The position a lost star keeps is the one of its last match: stored
      // with that match's frame, the drift line through the passed points
      // keeps the star's own rate.
      state_.PassedPoints[0].Frame2 =
          state_.LastMatchA.HasFrame() && !r.Predicted ? state_.LastMatchA : TrackPoint{ctx.Frame, tx, ty};
      state_.DriftPassedFlag = true;
    }
  } else {
    const CentroidTrackParams p{o.TrackRadius, o.Threshold, options_.SmoothingIndex};
    TrackStarByCentroid(ctx.FrameBitmap, p, ctx.State.Track[Idx(k)], tx, ty);
  }
  return {tx, ty};
}

std::optional<ObjectPosition> TrackingHooks::DriftStart(FrameContext& ctx, int k, ObjectPosition from) {
  int32_t px = from.X, py = from.Y;
  if (!PredictDriftPosition(state_.PassedPoints[Idx(k)], ctx.Frame, ctx.FrameBitmap.Width(),
                            ctx.FrameBitmap.Height(), px, py))
    return std::nullopt;
  return ObjectPosition{px, py};
}

std::optional<GuideLinkOffsets> TrackingHooks::GuideOffsets(FrameContext& ctx) {
  const auto off = InterpolateLinkedOffsets(state_.LinkedPoints, ctx.Frame,
                                            options_.Rotate ? LinkMotion::Rotate : LinkMotion::Shift,
                                            options_.FrameRateRounded);
  if (!off) return std::nullopt;
  return GuideLinkOffsets{off->Dx1, off->Dy1, off->Dx3, off->Dy3, off->ThirdLinked};
}

std::optional<PsfFitResult> TrackingHooks::MeasurePsf(FrameContext& ctx, int k, ObjectPosition at) {
  const PsfFitTarget target{k, k == ctx.Settings.SelectedObject, &ctx.State.Classes[Idx(k)]};
  return StorePsfResult(target, ctx.FrameBitmap, at.X, at.Y, Fit(ctx, false), state_.Profiles[Idx(k)],
                        state_.History, ctx.Lines);
}
