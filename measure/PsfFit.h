#pragma once
// Point-spread-function photometry: a circular profile A / exp(2 (d / s)^2)
// plus a flat background B fitted to the pixels around an object by a fixed
// sequence of grid searches (width, centre, width again, amplitude). The
// reported values are those of the grids, so the sequence and its scan orders
// are part of the result: each search keeps the first strictly smaller RMS
// residual in ascending order.
#include <cstdint>
#include <optional>
#include <vector>

#include "base/Bitmap24.h"
#include "base/FrameResult.h"
#include "measure/ApertureMasks.h"
#include "measure/ImageFilters.h"
#include "measure/StarTracking.h"

// Main-window and option choices the fit reads.
struct PsfFitSettings {
  bool RefitPending = false;     // a full fit with widened searches and automatic radii
  bool RefitKeepsRadii = false;  // the refit leaves the radii (a loaded table holds them)
  bool FixedWidth = true;        // CheckBox9 'Fixed': keep the stored width unless refitting
  int LowerPercent = 50;         // UpDown15: lowest width, percent of the stored width
  int UpperPercent = 140;        // UpDown16: highest width, percent of the stored width
  int SaturationLevel = 255;     // cells at or above it are left out
  int SaturatedPeakStart = 350;  // start amplitude for a saturated star
  int SmoothingIndex = 0;        // RadioGroup1 'Gaussian Filtre'
  const GammaTable* MeasureGamma = nullptr;  // the gamma table while GammaMode is 'Measure'
  bool PixelAspectCorrection = false;        // rows count 1.125 times as far
  bool SyncTracking = false;     // CheckBox3: automatic radii also set the tracking radius
};

enum class PsfFitKind { Full, MeasureOnly };

struct PsfFitResult {
  double Rms = 0;        // RMS residual of the last amplitude stage
  double Amplitude = 0;  // A
  double Width = 0;      // s
  double Fwhm = 0;       // kFwhmPerWidth s (the loader divides by it)
  double Volume = 0;     // pi s^2 A / 2 (divided by 1.125 with the aspect correction)
  double CenterX = 0;    // sub-pixel centre offset from (x, y), pixels (steps of 0.1)
  double CenterY = 0;
  double Background = 0;      // B
  double StartAmplitude = 0;  // A0
  int FitRadius = 0;          // R
  bool Saturated = false;
  bool NoPixels = false;  // no pixel of the fit disk lies in the frame: nothing was measured
  std::optional<int> AutoApertureRadius;  // set when a refit of the selected object set the radii
};

// One full fit's residual, amplitude and width; object placement fits several
// frames in turn (stepping Index) and averages the widths.
struct PsfHistoryRecord {
  double Rms = 0;
  double Amplitude = 0;
  double Width = 0;
};
struct PsfHistory {
  static constexpr int kMaxRecords = 1024;
  std::vector<std::optional<PsfHistoryRecord>> Records;
  int Index = 0;
  // The record at i, or nothing when it was never written.
  std::optional<PsfHistoryRecord> At(int i) const;
  void Store(const PsfHistoryRecord& r);
};

// What one fit of object k reads and changes besides the frame.
struct PsfFitTarget {
  int Object = 1;          // 1..3
  bool IsSelected = false;  // the selected object gets the automatic radii
  const ApertureClasses* Classes = nullptr;  // object's aperture/background classes
};

// Fits object k around (x, y). Stores PsfAmplitude of k in block 0. A full fit
// also writes the history record at history.Index, rebuilds the object's
// profile model and its tracking reference value, and (while a refit is
// pending, for the selected object) sets the aperture radii from the width.
// The stored width profile.PsfWidth is read, never changed.
PsfFitResult FitStarProfile(PsfFitKind kind, const PsfFitTarget& target, const Bitmap24& bmp, int32_t x, int32_t y,
                            const PsfFitSettings& settings, ObjectProfileState& profile, PsfHistory& history,
                            DataLineBlocks& blocks);

// Measure-only fit stored into all three blocks: Value := volume, ApertureSum
// := volume rounded half away, BackgroundSum 0, both pixel counts 1,
// FwhmHfd := FWHM. An object whose fit disk lies wholly beyond the frame gets
// what aperture photometry gives one there: values, counts and width all 0.
PsfFitResult StorePsfResult(const PsfFitTarget& target, const Bitmap24& bmp, int32_t x, int32_t y,
                            const PsfFitSettings& settings, ObjectProfileState& profile, PsfHistory& history,
                            DataLineBlocks& blocks);
