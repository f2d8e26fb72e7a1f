#pragma once
// Per-object aperture and background masks, and the tracking disk.
//
// A mask classifies every pixel offset (dx column, dy row) around an
// object's aperture centre: 1 aperture, 2 background, 0 neither. It depends
// only on the object's settings, not on the image, so it is rebuilt when a
// setting changes and reused for every frame.
//
// Objects are numbered 1 (A), 2 (B), 3 (C) in every function taking an
// object number k; the arrays below hold object k at index k - 1.
#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr int kMaskReach = 25;       // offsets ever written: -25..25
inline constexpr int kClassGridReach = 27;  // grid offsets -27..27 (rim of 2 stays 0)

// A square of offsets -Reach..Reach in both directions, indexed [dx][dy].
template <int Reach, class Cell = int32_t>
struct OffsetGrid {
  static constexpr int kReach = Reach;
  static constexpr int kSide = 2 * Reach + 1;
  std::array<Cell, kSide * kSide> Cells{};
  Cell& At(int dx, int dy) { return Cells[Index(dx, dy)]; }
  Cell At(int dx, int dy) const { return Cells[Index(dx, dy)]; }
  static constexpr size_t Index(int dx, int dy) { return static_cast<size_t>((dx + Reach) * kSide + (dy + Reach)); }
};

// One object's class grid, offsets -27..27 in both directions.
using ApertureClasses = OffsetGrid<kClassGridReach>;
using ApertureClassMap = std::array<ApertureClasses, 3>;

// One object's tracking disk, offsets -25..25: 1 inside, 0 outside.
using TrackDisk = OffsetGrid<kMaskReach>;
using TrackMask = std::array<TrackDisk, 3>;

// The 55 x 55 work grid of the profile tracking (offsets -27..27).
using WorkGrid = ApertureClasses;
inline void ClearWorkGrid(WorkGrid& grid) { grid.Cells.fill(0); }

// Background cut-line geometry of one object, derived from its direction
// vector (500 sin, 500 cos of the spin angle), Gap and Width.
struct BkgLineGeometry {
  int32_t DirectionX = 0;
  int32_t DirectionY = 0;
  double Slope = 0;
  double GapOffset = 0;
  double PerpSlope = 0;
  double WidthOffset = 0;
};
using BkgGeom = std::array<BkgLineGeometry, 3>;

// What one object's masks are built from.
struct MaskSettings {
  int ApertureRadius = 0;    // UpDown1
  int BackgroundInner = 0;   // UpDown2
  int BackgroundOuter = 0;   // UpDown3, at most 25
  uint8_t BackgroundForm = 0;  // 0 ring, 1 avoid sunlit face, 2 meteor/lunar limb, 3 rectangle
  int Gap = 0;               // UpDown6
  int Width = 0;             // UpDown8
  int RectangleWidth = 0;
  int RectangleHeight = 0;
  bool CutBkgUpperSide = false;  // form 1 side limits
  bool CutBkgLowerSide = false;
};

// Offsets -25..25 := 0.
void ClearApertureClasses(ApertureClasses& map);

// The digital disk of radius r written with class c: the centre column gets
// dy = -r..r; for i = 1..r the columns +-i get dy = -h..h with
// h = round(sqrt(r^2 - (i - 0.5)^2)) (halves to even). Radius 0 writes the
// centre, a negative radius nothing. Cells beyond offset 25 are not written.
void DrawClassDisk(ApertureClasses& map, int r, int32_t c);

// Rectangle aperture of exactly W x H offsets, background everywhere else in
// -25..25. An even width puts its extra column on the negative side, an even
// height its extra row on the positive side.
void BuildRectangleClasses(ApertureClasses& map, int width, int height);

// Derives Slope, GapOffset, PerpSlope, WidthOffset from geom.DirectionX/Y.
void ComputeBkgLineGeometry(BkgLineGeometry& geom, int gap, int width);

// Form 1: keeps the background on one side of a line at distance Gap.
void CutSunlitFace(ApertureClasses& map, const BkgLineGeometry& geom, const MaskSettings& s);
// Form 2: removes the gap band along the direction line and keeps the width band.
// Does nothing unless BackgroundOuter >= Gap.
void CutLunarLimb(ApertureClasses& map, const BkgLineGeometry& geom, const MaskSettings& s);

// Rebuilds one object's class map from its settings; geom's direction vector
// is the input, its derived fields are recomputed (not for the rectangle).
void BuildObjectMasks(ApertureClasses& map, BkgLineGeometry& geom, const MaskSettings& s);

// Number of offsets of class c (Edit20 shows class 1, Edit21 class 2).
int CountClassCells(const ApertureClasses& map, int32_t c);

void ClearTrackMask(TrackDisk& mask);
// The digital disk of radius r with value v, then the centre := 1.
void BuildTrackMask(TrackDisk& mask, int r, int32_t v);

// Keeps aperture < inner <= outer <= 25: the ranges the three radius
// up-downs get.
struct RadiusRanges {
  int ApertureMin, ApertureMax, InnerMin, InnerMax, OuterMin, OuterMax;
};
RadiusRanges LimitApertureRadii(int aperture, int inner, int outer);
