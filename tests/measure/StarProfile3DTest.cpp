#include "measure/StarProfile3D.h"

#include <gtest/gtest.h>

namespace {

TEST(StarProfile3D, HeightScaleHalvesToEven) {
  const int table[][3] = {
      // raw, slider, height
      {300, 20, 300}, {300, 10, 600}, {300, 0, 900}, {300, 30, 0}, {-1, 20, -1},
      {-1, 25, -1},   {5, 25, 2},     {15, 25, 8},   {7, 29, 1},
  };
  for (const auto& t : table) EXPECT_EQ(ProfileHeightOf(t[0], t[1]), t[2]) << t[0] << " " << t[1];
}

TEST(StarProfile3D, PixelsBeyondTheImageReadMinusOne) {
  Bitmap24 frame(10, 8);
  frame.Set(3, 2, {1, 2, 3});
  ProfileGrids g;
  ReadProfilePixels(g, 2, frame, 3, 2, 10, 8);
  EXPECT_EQ(g.Raw[1].At(0, 0), 6);
  EXPECT_EQ(g.Height[1].At(0, 0), 6);
  EXPECT_EQ(g.Raw[1].At(-4, 0), -1);  // x = -1
  EXPECT_EQ(g.Raw[1].At(0, -3), -1);  // y = -1
  EXPECT_EQ(g.Raw[1].At(6, 5), 0);    // (9, 7): inside, black
  EXPECT_EQ(g.Raw[1].At(7, 0), -1);   // x = 10
  EXPECT_EQ(g.Raw[0].At(0, 0), 0);    // other objects untouched
  g.HeightStep = 0;
  RecomputeProfileHeights(g);
  EXPECT_EQ(g.Height[1].At(0, 0), 18);
  EXPECT_EQ(g.Height[1].At(-4, 0), -3);
}

// An even grey frame with the object on its corner: at every height slider
// position the smoothed surface is flat wherever a neighbour lies on the
// frame, so no cell beyond the edge is taken for a black pixel.
TEST(StarProfile3D, CellsBeyondTheFrameStayOutOfTheSmoothing) {
  Bitmap24 frame(30, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) frame.Set(x, y, {100, 100, 100});
  for (int step = 0; step <= 29; ++step) {
    ProfileGrids g;
    g.HeightStep = step;
    ReadProfilePixels(g, 1, frame, 1, 0, 30, 30);
    const int32_t flat = ProfileHeightOf(300, step);  // 300 x (30 - step) / 10
    for (ProfileSmoothing size : {ProfileSmoothing::Size3, ProfileSmoothing::Size5})
      for (bool median : {false, true}) {
        const ProfileCellGrid s = SmoothProfile(g.Height[0], size, median);
        const int reach = size == ProfileSmoothing::Size3 ? 1 : 2;
        for (int dy = -reach; dy <= 2; ++dy)
          for (int dx = -1 - reach; dx <= 2; ++dx) {
            if (dx < -1 && dy < 0) continue;  // beyond both edges
            EXPECT_EQ(s.At(dx, dy), flat) << "slider " << step << " size " << 2 * reach + 1 << " median " << median
                                          << " cell " << dx << ", " << dy;
          }
      }
  }
}

// A spike of 90 at the centre: every window's sum is 90 or 0.
TEST(StarProfile3D, SmoothingByHand) {
  ProfileCellGrid spike;
  spike.At(0, 0) = 90;
  struct Case {
    ProfileSmoothing size;
    bool median;
    int x, y, expect;
  };
  const Case cases[] = {
      {ProfileSmoothing::Size3, false, 0, 0, 10},  {ProfileSmoothing::Size3, false, 1, 1, 10},
      {ProfileSmoothing::Size3, false, 2, 0, 0},   {ProfileSmoothing::Size5, false, 0, 0, 4},  // 90 / 21
      {ProfileSmoothing::Size5, false, 2, 1, 4},   {ProfileSmoothing::Size5, false, 2, 2, 0},  // corner left out
      {ProfileSmoothing::Size3, true, 0, 0, 0},    {ProfileSmoothing::Off, false, 0, 0, 90},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SmoothProfile(spike, c.size, c.median).At(c.x, c.y), c.expect)
        << int(c.size) << c.median << " at " << c.x << "," << c.y;
}

TEST(StarProfile3D, SmoothingSkipsOutsideCellsAndNeverDividesByZero) {
  ProfileCellGrid g;
  g.Cells.fill(-1);
  for (int v = -1; v <= 1; ++v) {
    g.At(0, v) = 20 + 10 * v;  // 10, 20, 30
    g.At(1, v) = 50 + 10 * v;  // 40, 50, 60
  }
  // Six usable values: mean 35, median the larger middle one (40).
  EXPECT_EQ(SmoothProfile(g, ProfileSmoothing::Size3, false).At(0, 0), 35);
  EXPECT_EQ(SmoothProfile(g, ProfileSmoothing::Size3, true).At(0, 0), 40);
  // Nothing usable around: the cell stays outside.
  EXPECT_EQ(SmoothProfile(g, ProfileSmoothing::Size3, false).At(-10, -10), -1);
  EXPECT_EQ(SmoothProfile(g, ProfileSmoothing::Size5, true).At(20, 20), -1);
}

TEST(StarProfile3D, ProjectionWithTheViewAngles) {
  struct Case {
    int x, y, h;
    double rot, tilt;
    ScreenPoint expect;
  };
  // Values worked out separately from the rotation formulas.
  const Case cases[] = {
      {3, 4, 30, 0, 0, {140, 270}},      {3, 4, 30, 90, 0, {145, 270}},    {0, 10, 0, 0, -30, {125, 305}},
      {-25, -25, 300, 0, -30, {0, 131}}, {10, -7, 100, 30, -30, {151, 224}}, {20, 20, 0, -60, 45, {88, 183}},
  };
  for (const Case& c : cases) {
    ProfileView v;
    v.Rotation = c.rot;
    v.Tilt = c.tilt;
    EXPECT_EQ(ProjectProfilePoint(c.x, c.y, c.h, v), c.expect) << c.x << "," << c.y << " rot " << c.rot;
  }
}

TEST(StarProfile3D, TraversalFollowsTheRotation) {
  ProfileGrids g;
  ApertureClasses none;
  struct Case {
    double rot;
    int x, y;          // first quad's cell
    int nx, ny;        // its second vertex
  };
  const Case cases[] = {{-46, -25, 25, -25, 24}, {-45, -25, -25, -24, -25}, {44, -25, -25, -24, -25},
                        {45, 25, -25, 25, -24}, {90, 25, -25, 25, -24}};
  for (const Case& c : cases) {
    ProfileView v;
    v.Rotation = c.rot;
    const auto items = BuildProfileDrawing(g, 1, none, v);
    ASSERT_EQ(items.size(), 2500u) << c.rot;
    EXPECT_EQ(items[0].Points[0], ProjectProfilePoint(c.x, c.y, 0, v)) << c.rot;
    EXPECT_EQ(items[0].Points[1], ProjectProfilePoint(c.nx, c.ny, 0, v)) << c.rot;
  }
}

// An aperture of five cells (a plus sign): its four arms are boundary cells,
// and the second traversal joins (-1,0)-(0,1), (0,-1)-(1,0), (0,-1)-(-1,0)
// and (1,0)-(0,1).
TEST(StarProfile3D, ApertureOutlineDrawnAfterItsQuads) {
  ProfileGrids g;
  ApertureClasses plus;
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {-1, 0}, {0, 1}, {0, -1}}) plus.At(x, y) = 1;
  ProfileView v;
  v.Tilt = 0;
  auto lines = [&] {
    int n = 0;
    for (const auto& i : BuildProfileDrawing(g, 1, plus, v))
      if (!i.IsQuad) {
        EXPECT_EQ(i.Colour, 0x0000FFu);
        ++n;
      }
    return n;
  };
  EXPECT_EQ(lines(), 4);
  v.ShowAperture = false;
  EXPECT_EQ(lines(), 0);
}

}  // namespace
