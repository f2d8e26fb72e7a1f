#include "app/OccultationPreset.h"

#include "base/NumberText.h"

PresetSteps ApplyOccultationPreset(OccultationType type, const PresetInputs& in, DataLineBlocks& blocks) {
  PresetSteps steps;
  const auto form = [](BackgroundFormKind f) { return static_cast<uint8_t>(f); };
  const auto track = [](TrackModeKind t) { return static_cast<uint8_t>(t); };
  for (int k = 0; k < 3; ++k) {
    ObjectResult& o = blocks[0].Objects[k];
    switch (type) {
      case OccultationType::None:
        o.TrackMode = track(TrackModeKind::Anchor);
        o.Threshold = 50;
        o.BackgroundOuter = 25;
        o.EstimatedTrack = 0;
        break;
      case OccultationType::LunarBrightDrift:
        SetObjectSetting(blocks, k, &ObjectResult::BackgroundForm, form(BackgroundFormKind::MeteorLunarLimb));
        o.TrackMode = track(TrackModeKind::Drift);
        o.Threshold = 50;
        if (k == 0) o.BackgroundOuter = 25;
        o.EstimatedTrack = 0;
        steps.syncEstimatedTrack = true;
        break;
      case OccultationType::LunarDimAnchor:
        SetObjectSetting(blocks, k, &ObjectResult::BackgroundForm, form(BackgroundFormKind::MeteorLunarLimb));
        SetObjectSetting(blocks, k, &ObjectResult::TrackMode, track(TrackModeKind::Anchor));
        o.Threshold = 50;
        o.BackgroundOuter = 25;
        break;
      case OccultationType::AsteroidalWithTrackingStar:
        SetObjectSetting(blocks, k, &ObjectResult::BackgroundForm, form(BackgroundFormKind::Standard));
        o.TrackMode = track(k == 1 ? TrackModeKind::Drift : TrackModeKind::Anchor);
        o.Threshold = 50;
        if (o.BackgroundInner <= 17) o.BackgroundOuter = 17;
        break;
      case OccultationType::AsteroidalSingleBright:
        SetObjectSetting(blocks, k, &ObjectResult::BackgroundForm, form(BackgroundFormKind::Standard));
        o.TrackMode = track(TrackModeKind::Drift);
        o.Threshold = 75;
        if (o.BackgroundInner <= 15) o.BackgroundOuter = 17;
        o.EstimatedTrack = 0;
        break;
    }
  }
  if (type != OccultationType::None) {
    ObjectResult& a = blocks[0].Objects[0];
    ObjectResult& c = blocks[0].Objects[2];
    // No fitted width yet (aperture photometry without profile tracking):
    // a radius of 0 would stop the tracking, so the radius stays.
    const auto fitted = [](double width, int32_t& radius) {
      if (width > 0) radius = static_cast<int32_t>(RoundHalfAway(width));
    };
    if (!in.link) {
      fitted(in.objectFitWidth[0], a.TrackRadius);
      fitted(in.objectFitWidth[2], c.TrackRadius);
    } else if (type == OccultationType::AsteroidalWithTrackingStar && in.objectFitWidth[0] > 0) {
      a.TrackRadius = c.TrackRadius = static_cast<int32_t>(RoundHalfAway((in.objectFitWidth[0] + 1) / 2));
    }
  }
  // Rows of the two fields take the object cells of blocks 1 and 2: they
  // must state the settings the objects are now measured and tracked with.
  for (int k = 0; k < 3; ++k) {
    const ObjectResult& o = blocks[0].Objects[k];
    for (size_t b = 1; b < blocks.size(); ++b) {
      ObjectResult& f = blocks[b].Objects[k];
      f.TrackMode = o.TrackMode;
      f.Threshold = o.Threshold;
      f.BackgroundOuter = o.BackgroundOuter;
      f.EstimatedTrack = o.EstimatedTrack;
      f.TrackRadius = o.TrackRadius;
    }
  }
  return steps;
}

bool FieldMeasureAllowed(bool psfPhotometry, bool justTicked) { return !(psfPhotometry && justTicked); }

int PsfTrackingThreshold(bool psfTracking) { return psfTracking ? 50 : 95; }
