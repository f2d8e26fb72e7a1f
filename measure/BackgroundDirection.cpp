#include "measure/BackgroundDirection.h"

#include <cmath>
#include <numbers>

#include "base/NumberText.h"
#include "measure/FrameDriver.h"

void FillDirectionWindow(DirectionWindow& window, const Bitmap24& frame, int x, int y) {
  constexpr int r = DirectionWindow::kReach;
  for (int u = -r; u <= r; ++u)
    for (int v = -r; v <= r; ++v) {
      const int px = x + u, py = y + v;
      double sum = 0;
      if (px >= 0 && py >= 1 && px < frame.Width() && py < frame.Height()) {
        const Bgr c = frame.Get(px, py);
        sum = double(c.b) + c.g + c.r;
      }
      window.At(u, v) = sum;
    }
}

void DirectionOfStep(int step, int& dx, int& dy) {
  const double a = step * std::numbers::pi / 100;
  dx = static_cast<int>(RoundHalfEven(500 * std::sin(a)));
  dy = static_cast<int>(RoundHalfEven(500 * std::cos(a)));
}

DirectionScan ScanBackgroundDirection(const DirectionWindow& window, const MaskSettings& s) {
  DirectionScan best;
  best.Score = 1e13;
  ApertureClasses map;
  for (int i = 0; i < kDirectionSteps; ++i) {
    BkgLineGeometry g;
    DirectionOfStep(i, g.DirectionX, g.DirectionY);
    BuildObjectMasks(map, g, s);
    // Half a turn on, the band is the same and the balance its exact
    // negative: the terms are the earlier step's negated, so that rounding
    // cannot let the later of two equal scores win.
    const double turn = i < kDirectionSteps / 2 ? 1 : -1;
    const double a = (i % (kDirectionSteps / 2)) * std::numbers::pi / 100;
    const double ca = turn * std::cos(a), sa = turn * std::sin(a);
    // r sin(phi - a) with phi measured from the direction's axis is
    // u cos a - v sin a. Each cell is added together with its mirror through
    // the centre, whose term is the exact negative, so a uniform background
    // balances to exactly 0 at every angle.
    double t = 0;
    for (int u = 0; u <= kMaskReach; ++u)
      for (int v = -kMaskReach; v <= kMaskReach; ++v) {
        if (u == 0 && v <= 0) continue;
        const double here = map.At(u, v) == 2 ? window.At(u, v) : 0;
        const double there = map.At(-u, -v) == 2 ? window.At(-u, -v) : 0;
        t += (here - there) * (u * ca - v * sa);
      }
    const double score = std::fabs(t);
    if (score < best.Score) {
      best.Step = i;
      best.DirectionX = g.DirectionX;
      best.DirectionY = g.DirectionY;
      best.Score = score;
    }
  }
  return best;
}

namespace {

bool Optimize(FrameContext& ctx, int k, int x, int y, bool scan_width) {
  if (k < 1 || k > 3) return false;
  if (ctx.Lines[0].Objects[static_cast<size_t>(k - 1)].BackgroundForm != 2) return false;
  DirectionWindow window;
  FillDirectionWindow(window, ctx.FrameBitmap, x, y);
  MaskSettings m = MaskSettingsFor(ctx.Lines, ctx.Settings, k);
  if (scan_width) m.Width = 20;
  const DirectionScan best = ScanBackgroundDirection(window, m);
  BkgLineGeometry& g = ctx.State.Geometry[static_cast<size_t>(k - 1)];
  g.DirectionX = best.DirectionX;
  g.DirectionY = best.DirectionY;
  RebuildObjectMasks(ctx.State, ctx.Lines, ctx.Settings, k);
  return true;
}

}  // namespace

bool OptimizeBackgroundDirection(FrameContext& ctx, int k, int x, int y) { return Optimize(ctx, k, x, y, true); }

bool OptimizeBackgroundDirectionAsSet(FrameContext& ctx, int k, int x, int y) {
  return Optimize(ctx, k, x, y, false);
}
