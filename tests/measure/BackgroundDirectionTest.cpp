#include "measure/BackgroundDirection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "measure/FrameDriver.h"
#include "measure/TrackingHooks.h"

namespace {

constexpr int kCx = 60, kCy = 60;

// A grey frame with one region lit, centred on the object at (kCx, kCy).
Bitmap24 LitFrame(const std::function<bool(int u, int v)>& lit) {
  Bitmap24 bmp(121, 121);
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x) {
      const uint8_t g = lit(x - kCx, y - kCy) ? 200 : 20;
      bmp.Set(x, y, {g, g, g});
    }
  return bmp;
}

MaskSettings LimbForm(int width) {
  MaskSettings m;
  m.ApertureRadius = 4;
  m.BackgroundInner = 6;
  m.BackgroundOuter = 20;
  m.BackgroundForm = 2;
  m.Gap = 2;
  m.Width = width;
  return m;
}

// Where the lit region and the masks are both mirror images about a line
// through the object, the background balances on that line: the scan must
// settle on one of its two directions.
TEST(BackgroundDirection, PicksTheLineTheLimbIsBalancedAbout) {
  struct Case {
    const char* name;
    std::function<bool(int, int)> lit;
    std::function<bool(int, int)> on_line;  // the expected direction vector
    bool exact;  // a vertical band's edges lean by the 1e-6 stand-in slope
  };
  const Case cases[] = {
      {"limb on the right", [](int u, int) { return u > 5; }, [](int dx, int dy) { return dy == 0 && dx != 0; }, true},
      {"limb below (vertical band)", [](int, int v) { return v > 5; },
       [](int dx, int dy) { return dx == 0 && (dy == 500 || dy == -500); }, false},
      {"diagonal limb", [](int u, int v) { return u + v > 8; },
       [](int dx, int dy) { return (dx == 354 && dy == 354) || (dx == -354 && dy == -354); }, true},
  };
  for (const Case& c : cases) {
    for (int width : {20, 7}) {
      DirectionWindow w;
      FillDirectionWindow(w, LitFrame(c.lit), kCx, kCy);
      const DirectionScan best = ScanBackgroundDirection(w, LimbForm(width));
      EXPECT_TRUE(c.on_line(best.DirectionX, best.DirectionY))
          << c.name << " width " << width << ": (" << best.DirectionX << ", " << best.DirectionY << ") step "
          << best.Step;
      if (c.exact) {
        EXPECT_LT(best.Score, 1e-6) << c.name;
      }
    }
  }
}

// A brightness gradient with a star 14 px off the object: the masks and the
// balance of all 200 angles, worked out on their own from the rules of the
// cut lines, put the best line at step 40 (or 140, the same line turned).
TEST(BackgroundDirection, GradientWithANeighbourStarPicksTheWorkedOutLine) {
  Bitmap24 bmp(121, 121);
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x) {
      const double dx = x - kCx - 12, dy = y - kCy + 7;
      const double v = 40 + 0.8 * (x - kCx) + 0.3 * (y - kCy) + 100 * std::exp(-2 * (dx * dx + dy * dy) / 4.0);
      const auto g = static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
      bmp.Set(x, y, {g, g, g});
    }
  DirectionWindow w;
  FillDirectionWindow(w, bmp, kCx, kCy);
  const DirectionScan best = ScanBackgroundDirection(w, LimbForm(20));
  EXPECT_TRUE(best.Step == 40 || best.Step == 140) << best.Step;
  EXPECT_EQ(std::abs(best.DirectionX), 476);
  EXPECT_EQ(std::abs(best.DirectionY), 155);
  EXPECT_NEAR(best.Score, 4109.572, 0.01);
}

// A plain gradient rising towards the angle t: the band's line follows it.
// Half a turn on, the band is the same with the opposite balance, so the
// earlier of the two steps wins. Steps and scores worked out apart (numpy,
// from the written mask and balance rules).
TEST(BackgroundDirection, GradientPicksItsOwnStepAndTheEarlierOfAHalfTurn) {
  struct Case {
    double t;
    int width, step;
    double score;
  };
  const Case cases[] = {
      {1.75, 20, 56, 2575.034}, {1.75, 7, 56, 1569.761}, {1.75, 1, 56, 309.302},
      {0.4, 20, 13, 2229.755},  {0.4, 7, 13, 1607.847},  {0.4, 1, 13, 197.075},
      {2.9, 20, 92, 2481.038},  {2.9, 7, 92, 1735.355},  {2.9, 1, 92, 227.120},
  };
  for (const Case& c : cases) {
    Bitmap24 bmp(121, 121);
    for (int y = 0; y < bmp.Height(); ++y)
      for (int x = 0; x < bmp.Width(); ++x) {
        const double v = 100 + 0.6 * ((x - kCx) * std::sin(c.t) + (y - kCy) * std::cos(c.t));
        const auto g = static_cast<uint8_t>(std::nearbyint(v));
        bmp.Set(x, y, {g, g, g});
      }
    DirectionWindow w;
    FillDirectionWindow(w, bmp, kCx, kCy);
    const DirectionScan best = ScanBackgroundDirection(w, LimbForm(c.width));
    EXPECT_EQ(best.Step, c.step) << c.t << " width " << c.width;
    EXPECT_NEAR(best.Score, c.score, 0.01) << c.t << " width " << c.width;
  }
}

TEST(BackgroundDirection, UniformBackgroundTiesAndTheFirstAngleWins) {
  DirectionWindow w;
  FillDirectionWindow(w, LitFrame([](int, int) { return false; }), kCx, kCy);
  const DirectionScan best = ScanBackgroundDirection(w, LimbForm(20));
  EXPECT_EQ(best.Step, 0);
  EXPECT_EQ(best.DirectionX, 0);
  EXPECT_EQ(best.DirectionY, 500);
  EXPECT_EQ(best.Score, 0.0);
}

TEST(BackgroundDirection, WindowSumsColoursAndBlanksOutsideTheFrame) {
  Bitmap24 bmp(10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) bmp.Set(x, y, {1, 2, static_cast<uint8_t>(x + 10 * y)});
  DirectionWindow w;
  FillDirectionWindow(w, bmp, 0, 0);
  EXPECT_EQ(w.At(3, 2), 1 + 2 + 23);
  EXPECT_EQ(w.At(3, 0), 0);   // the top row is left out
  EXPECT_EQ(w.At(-1, 4), 0);  // left of the frame
  EXPECT_EQ(w.At(10, 4), 0);  // right of the frame
  EXPECT_EQ(w.At(4, 10), 0);  // below the frame
  EXPECT_EQ(w.At(9, 9), 1 + 2 + 99);
}

TEST(BackgroundDirection, StepVectors) {
  const int table[][3] = {{0, 0, 500}, {25, 354, 354}, {50, 500, 0}, {100, 0, -500}, {150, -500, 0}, {1, 16, 500}};
  for (const auto& t : table) {
    int dx = 0, dy = 0;
    DirectionOfStep(t[0], dx, dy);
    EXPECT_EQ(dx, t[1]) << t[0];
    EXPECT_EQ(dy, t[2]) << t[0];
  }
}

// The driver's request on a placed object: only the 'Meteor/Lunar Limb' form
// turns, on the frame already read, and its own band width is kept.
TEST(BackgroundDirection, DriverRequestTurnsOnlyTheLimbForm) {
  for (uint8_t form : {uint8_t{0}, uint8_t{1}, uint8_t{2}}) {
    FrameDriverState state;
    state.Geometry[0].DirectionX = 0;
    state.Geometry[0].DirectionY = -100;
    DataLineBlocks lines{};
    FrameDriverSettings s;
    s.ScrollMax = 0;
    s.BandWidth = 4;
    s.Gap = 2;
    s.ApertureRadius = 4;
    s.BackgroundInner = 6;
    s.BackgroundOuter = 20;
    SetObjectSetting(lines, 0, &ObjectResult::ApertureRadius, 4);
    SetObjectSetting(lines, 0, &ObjectResult::BackgroundInner, 6);
    SetObjectSetting(lines, 0, &ObjectResult::BackgroundOuter, 20);
    SetObjectSetting(lines, 0, &ObjectResult::BackgroundForm, form);
    SetObjectSetting(lines, 0, &ObjectResult::BandWidth, 4);
    SetObjectSetting(lines, 0, &ObjectResult::Gap, 2);
    SetObjectSetting(lines, 0, &ObjectResult::PrevX, kCx);
    SetObjectSetting(lines, 0, &ObjectResult::PrevY, kCy);
    int grabs = 0;
    const Bitmap24 frame = LitFrame([](int u, int) { return u > 5; });
    FrameIo io;
    io.GrabFrame = [&](int, Bitmap24& bmp) {
      ++grabs;
      bmp = frame;
      return std::string();
    };
    io.AppendRows = [](const DataLineBlocks&) {};
    TrackingState tracking;
    TrackingOptions options;
    TrackingHooks hooks{tracking, options};
    state.OptimizeDirectionNow = true;
    s.AutoRectangleDirection = true;
    ShowNeighbor(state, lines, s, 0, io, hooks);
    EXPECT_FALSE(state.OptimizeDirectionNow);
    EXPECT_EQ(grabs, 1) << "the frame in hand is scanned, not read again";
    const BkgLineGeometry& g = state.Geometry[0];
    if (form != 2) {
      EXPECT_EQ(g.DirectionX, 0) << int(form);
      EXPECT_EQ(g.DirectionY, -100) << int(form);
      continue;
    }
    EXPECT_EQ(g.DirectionY, 0);
    EXPECT_EQ(std::abs(g.DirectionX), 500);
    EXPECT_EQ(lines[0].Objects[0].BandWidth, 4);
    // The masks in use are those of the object's own width in the new direction.
    ApertureClasses expect;
    BkgLineGeometry eg = g;
    MaskSettings m = LimbForm(4);
    BuildObjectMasks(expect, eg, m);
    EXPECT_EQ(CountClassCells(state.Classes[0], 2), CountClassCells(expect, 2));
  }
}

}  // namespace
