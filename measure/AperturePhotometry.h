#pragma once
// Aperture photometry: sums the pixels of an object's aperture and background
// masks, separately for the whole frame (block 0), field 1 (odd frame rows,
// block 1) and field 2 (even frame rows, block 2), and turns them into the
// measured value: aperture sum less the background scaled to the aperture's
// pixel count.
//
// Pixels outside the frame (x < 0, x >= width, y < 0, y >= height) are
// skipped by every sum.
#include <array>
#include <cstdint>
#include <string>

#include "base/Bitmap24.h"
#include "base/FrameResult.h"
#include "measure/ApertureMasks.h"

// The sums of one block. Plane 0 is the first colour byte of a pixel (blue),
// 1 green, 2 red.
struct ApertureBlockSums {
  std::array<double, 3> Aperture{};
  std::array<double, 3> Background{};
  int ApertureCount = 0;
  int BackgroundCount = 0;
  double Hfd = 0;  // half-flux diameter, block 0 only
  int Peak = 0;    // brightest aperture pixel (blue byte), block 0 only
};
using ApertureSums = std::array<ApertureBlockSums, 3>;

// A rectangle aperture measures relative to a reference frame: the first
// frame after a change of size or form (or start-up) becomes the reference.
struct RectangleReference {
  bool Pending = true;
  std::array<std::array<double, 3>, 3> Sums{};  // [block][plane]
  void Reset() {
    Pending = true;
    Sums = {};
  }
};
using RectangleReferences = std::array<RectangleReference, 3>;  // object k at k - 1

// Limb profile of a rectangle aperture along its shorter side, index offset + 25.
using LimbProfileValues = std::array<double, 51>;

// What one object's measurement reads besides the frame.
struct ApertureMeasureContext {
  const ApertureClasses* Classes = nullptr;
  uint8_t BackgroundForm = 0;   // 3 = rectangle
  int BackgroundOuter = 25;     // R of the summing window for forms 0..2
  RectangleReference* Reference = nullptr;  // needed for the rectangle
  LimbProfileValues* Profile = nullptr;           // rectangle with LimbProfileForRectangle
};

// The measurement switches of the main window.
struct ApertureOptions {
  bool Accurate = false;            // CheckBox8 'Acurate': field values refer to half the frame aperture
  bool SubtractBackground = false;  // Peak less the background per pixel
  bool LimbProfileForRectangle = false;
};

// Sums of forms 0, 1, 2 around (x, y) over offsets -R..R.
ApertureSums SumAperturePixels(const Bitmap24& frame, const ApertureClasses& classes, int outer, int x,
                               int y);

// Rectangle form without the profile: aperture sums over offsets -25..25,
// background counts 2 / 1 / 1, relative to the reference.
ApertureSums SumBackgroundMean(const Bitmap24& frame, const ApertureClasses& classes, int x, int y,
                               RectangleReference& ref);

// The same, also filling the limb profile (cleared first).
ApertureSums SumBackgroundProfile(const Bitmap24& frame, const ApertureClasses& classes, int x, int y,
                                  RectangleReference& ref, LimbProfileValues& profile);

// Runs the summing routine of the context's background form.
ApertureSums MeasureApertureSums(const Bitmap24& frame, const ApertureMeasureContext& ctx, int x, int y,
                                 const ApertureOptions& options);

// Background per pixel of a block (B / count, count 10 when there is no
// background pixel), as the main window shows it.
double BackgroundPerPixel(const ApertureBlockSums& s);

// Block j's peak: block 0's brightest aperture pixel, less block j's
// background per pixel when SubtractBackground is on.
double StoredPeak(const ApertureSums& sums, size_t j, const ApertureOptions& options);

// Stores the three blocks' results of object k (1..3) into blocks.
void StoreApertureSums(const ApertureSums& sums, int k, DataLineBlocks& blocks, const ApertureOptions& options);

// Measures object k at (x, y) and stores its three blocks; returns the sums
// (the selected object's numbers are shown from them).
ApertureSums StoreApertureResult(const Bitmap24& frame, int k, DataLineBlocks& blocks, int x, int y,
                                 const ApertureMeasureContext& ctx, const ApertureOptions& options);

// The selected object's numbers as the main window shows them, per block:
// Value and background per pixel with one decimal, counts in decimal, the
// half-flux diameter (block 0) with two decimals.
struct ApertureReadout {
  std::array<std::string, 3> Value, ApertureCount, BackgroundCount, BackgroundPerPixel;
  std::string HalfFluxDiameter;
};
ApertureReadout FormatApertureReadout(const ApertureSums& sums, const DataLineBlocks& blocks, int k);

// One-entry store of the last (Value, ApertureSum, BackgroundSum).
struct SameValueStore {
  double Value = 0;
  int32_t ApertureSum = 0;
  int32_t BackgroundSum = 0;
  void Reset() { *this = SameValueStore{}; }
  void Store(double v, int32_t a, int32_t b) {
    Value = v;
    ApertureSum = a;
    BackgroundSum = b;
  }
  bool IsSame(double v, int32_t a, int32_t b) const {
    return v == Value && a == ApertureSum && b == BackgroundSum;
  }
};

inline void ResetSameValueCache(SameValueStore& s) { s.Reset(); }
inline void StoreSameValue(SameValueStore& s, double v, int32_t a, int32_t b) { s.Store(v, a, b); }
inline bool IsSameValue(const SameValueStore& s, double v, int32_t a, int32_t b) { return s.IsSame(v, a, b); }
