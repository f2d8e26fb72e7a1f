#pragma once
// The measurement of one frame together with each object's measuring settings.
// Block 0 of FrameDataLines is the whole frame, block 1 field 1, block 2 field 2.
// A setting changed in the main window goes into the same object of all three
// blocks; results are rewritten for every frame.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

enum class BackgroundFormKind : uint8_t { Standard = 0, AvoidSunlitFace = 1, MeteorLunarLimb = 2, Rectangle = 3 };
enum class TrackModeKind : uint8_t { Anchor = 0, Drift = 1, Off = 2, FromLoadedCsv = 3 };

// FWHM of the PSF profile A / exp(2 (d / s)^2) per unit of its width s: a
// Gaussian of sigma s / 2, so FWHM = 2 sqrt(2 ln 2) s / 2.
inline constexpr double kFwhmPerWidth = 1.17741;

struct ObjectResult {
  double Value = 0;              // aperture sum less scaled background, or PSF volume
  int32_t ApertureSum = 0;       // rounded aperture pixel sum (or rounded Value with PSF)
  double PsfAmplitude = 0;       // fitted PSF amplitude
  int32_t BackgroundSum = 0;     // rounded background pixel sum (0 with PSF)
  int32_t AperturePixelCount = 0;
  int32_t BackgroundPixelCount = 0;
  double FwhmHfd = 0;            // PSF FWHM or half-flux diameter (block 0)
  int32_t ApertureRadius = 0;    // UpDown1
  int32_t BackgroundInner = 0;   // UpDown2
  int32_t BackgroundOuter = 0;   // UpDown3, at most 25
  uint8_t BackgroundForm = 0;    // BackgroundFormKind
  int32_t PrevX = 0, PrevY = 0;  // where the next frame's tracking starts
  int32_t X = 0, Y = 0;          // current aperture centre, frame pixels
  int32_t DirectionX = 0, DirectionY = 0;  // 500 sin, 500 cos of the spin angle
  int32_t BandWidth = 0;         // UpDown8, 1..25
  int32_t Gap = 0;               // UpDown6, 0..25
  uint8_t TrackMode = 0;         // TrackModeKind
  int32_t TrackRadius = 0;       // UpDown5, 0..25
  int32_t Threshold = 0;         // UpDown7, percent of the peak, 0..99
  uint8_t SyncTracking = 0;      // CheckBox3 'Sync-Tracking APT'
  uint8_t EstimatedTrack = 0;    // follows the predicted track
  double Peak = 0;               // brightest aperture pixel value
};

struct DataLine {
  int32_t FrameNumberX10 = 0;
  uint8_t Signal1Detected = 0;
  uint8_t Signal2Detected = 0;
  double Signal1Level = 0;
  // Objects[0] is object 1 (A, target), [1] is B (guide), [2] is C.
  std::array<ObjectResult, 3> Objects{};
  std::string SoundNote;
  std::string RowNote;
};

using DataLineBlocks = std::array<DataLine, 3>;

// Sets one object's setting in all three blocks.
template <class Field, class Value>
void SetObjectSetting(DataLineBlocks& blocks, int object_index, Field ObjectResult::*field, Value v) {
  for (auto& block : blocks) block.Objects[object_index].*field = static_cast<Field>(v);
}

// The radius up-downs hold 0..25 with aperture < inner <= outer. Radii that
// come crossed from a file keep the aperture and move the background outward,
// so the object still has a background ring.
inline void KeepRadiiInOrder(int32_t& aperture, int32_t& inner, int32_t& outer) {
  constexpr int32_t kMaxRadius = 25;
  aperture = std::clamp(aperture, 0, kMaxRadius - 1);
  inner = std::clamp(inner, aperture + 1, kMaxRadius);
  outer = std::clamp(outer, inner, kMaxRadius);
}

// The current frame's blocks, the copy taken after the start-up defaults, and
// the radii read from the settings file.
struct FrameResults {
  DataLineBlocks FrameDataLines{};
  DataLineBlocks InitialDataLines{};
  DataLineBlocks RecordedDataLines{};
};
