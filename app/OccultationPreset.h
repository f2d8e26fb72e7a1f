#pragma once
// Object settings per occultation type and the small mode switches of the
// main window that only change settings. (These act on the object records,
// not on time stamps; they sit here until the main window's core takes them.)
#include <array>
#include <cstdint>
#include <string>

#include "base/FrameResult.h"

enum class OccultationType : uint8_t {
  None = 0,
  LunarBrightDrift = 1,
  LunarDimAnchor = 2,
  AsteroidalWithTrackingStar = 3,
  AsteroidalSingleBright = 4,
};

struct PresetInputs {
  bool link = false;                         // 'Link'
  std::array<double, 3> objectFitWidth{};    // of objects 1..3
};

struct PresetSteps {
  bool syncEstimatedTrack = false;  // SyncEstimatedTrack for the selected object
};

// Sets background form, tracking mode, threshold, outer radius, estimated
// track and tracking radius of the three objects for the occultation type.
PresetSteps ApplyOccultationPreset(OccultationType type, const PresetInputs& in, DataLineBlocks& blocks);

// 'Field Measure' ticked while PSF photometry is on is refused with this note.
inline constexpr const char* kFieldModeNotOnPsf = "Field mode is not available on PSF photometry.";
// True when the tick may stay; false: show kFieldModeNotOnPsf (caption "Note") and untick.
bool FieldMeasureAllowed(bool psfPhotometry, bool justTicked);

// The tracking threshold (UpDown7) that PSF tracking sets.
int PsfTrackingThreshold(bool psfTracking);
