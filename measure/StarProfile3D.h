#pragma once
// The wire-mesh view of the brightness around an object: pixel heights,
// smoothing, projection and the back-to-front list of quads and outline
// lines a window paints.
#include <array>
#include <cstdint>
#include <vector>

#include "base/Bitmap24.h"
#include "measure/ApertureMasks.h"

struct ProfileCellGrid {
  static constexpr int kReach = 27;
  static constexpr int kSide = 2 * kReach + 1;
  std::array<int32_t, kSide * kSide> Cells{};
  int32_t At(int dx, int dy) const { return Cells[Index(dx, dy)]; }
  int32_t& At(int dx, int dy) { return Cells[Index(dx, dy)]; }
  static constexpr size_t Index(int dx, int dy) { return static_cast<size_t>((dx + kReach) * kSide + (dy + kReach)); }
};

// Per object: R + G + B of each pixel around it (-1 outside the shown image)
// and the scaled heights.
struct ProfileGrids {
  std::array<ProfileCellGrid, 3> Raw{};
  std::array<ProfileCellGrid, 3> Height{};
  int HeightStep = 20;  // TrackBar2: 0 triples the sum, 30 flattens it
};

enum class ProfileSmoothing { Off, Size3, Size5 };

struct ProfileView {
  double Rotation = 0;  // degrees, -90..90
  double Tilt = -30;    // degrees
  ProfileSmoothing Size = ProfileSmoothing::Off;
  bool Median = false;
  bool ShowAperture = true;
};

// Reads the pixels around (ox, oy) for object k (1..3); image_width/height
// bound the shown image.
void ReadProfilePixels(ProfileGrids& grids, int k, const Bitmap24& frame, int ox, int oy, int image_width,
                       int image_height);
// Rescales every object's heights after a HeightStep change.
void RecomputeProfileHeights(ProfileGrids& grids);
int32_t ProfileHeightOf(int32_t raw, int height_step);

// Heights -25..25 after the chosen smoothing. Cells with no usable
// neighbour (all outside the image) keep the outside mark -1.
ProfileCellGrid SmoothProfile(const ProfileCellGrid& heights, ProfileSmoothing size, bool median);

struct ScreenPoint {
  int X = 0, Y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

struct ProfileDrawItem {
  bool IsQuad = true;
  std::array<ScreenPoint, 4> Points{};  // a line uses the first two
  uint32_t Colour = 0;                  // lines: $00BBGGRR
};

// Screen position of mesh vertex (x, y) for a height h.
ScreenPoint ProjectProfilePoint(int x, int y, int32_t h, const ProfileView& view);

// The items in painting order for object k.
std::vector<ProfileDrawItem> BuildProfileDrawing(const ProfileGrids& grids, int k, const ApertureClasses& classes,
                                                 const ProfileView& view);
