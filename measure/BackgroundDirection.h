#pragma once
// Turns a 'Meteor/Lunar Limb' background band through the full circle and
// keeps the direction about which the brightness of its background cells is
// most evenly balanced.
#include <array>

#include "base/Bitmap24.h"
#include "measure/ApertureMasks.h"

struct FrameContext;

// 55 x 55 brightness sums (blue + green + red) around a position, offsets
// -27..27; cells outside the frame (and the frame's top row) hold 0.
struct DirectionWindow {
  static constexpr int kReach = 27;
  static constexpr int kSide = 2 * kReach + 1;
  std::array<double, kSide * kSide> Cells{};
  double At(int u, int v) const { return Cells[static_cast<size_t>((u + kReach) * kSide + (v + kReach))]; }
  double& At(int u, int v) { return Cells[static_cast<size_t>((u + kReach) * kSide + (v + kReach))]; }
};

void FillDirectionWindow(DirectionWindow& window, const Bitmap24& frame, int x, int y);

inline constexpr int kDirectionSteps = 200;  // 1.8 degrees apart

struct DirectionScan {
  int Step = 0;  // angle = Step * pi / 100
  int DirectionX = 0, DirectionY = 500;
  double Score = 0;
};

// The direction vector (round(500 sin a), round(500 cos a)) of step i.
void DirectionOfStep(int step, int& dx, int& dy);

// Balance |sum r sin(phi - a) w| over the background cells (class 2, centre
// excluded) of the masks built from s for each of the 200 angles; the first
// smallest score wins.
DirectionScan ScanBackgroundDirection(const DirectionWindow& window, const MaskSettings& s);

// The per-frame driver's request: for object k of form 2 only, scans with the
// band width set to 20 on the frame in hand, stores the best direction and
// rebuilds the object's masks at its own band width.
bool OptimizeBackgroundDirection(FrameContext& ctx, int k, int x, int y);

// The on-demand variant: the band width left as set.
bool OptimizeBackgroundDirectionAsSet(FrameContext& ctx, int k, int x, int y);
