#include "measure/StarProfile3D.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "base/NumberText.h"

namespace {

constexpr int kMesh = 25;
constexpr uint32_t kApertureRed = 0x0000FF, kBackgroundBlue = 0xFF0000;

int Nearest(long double v) { return static_cast<int>(RoundHalfEven(v)); }

}  // namespace

int32_t ProfileHeightOf(int32_t raw, int height_step) {
  const int32_t h = Nearest(static_cast<long double>(raw * (30 - height_step)) / 10);
  // Slider positions 25 to 29 scale the outside mark -1 to 0,
  // which the smoothing would take for a black pixel on the frame.
  return raw < 0 ? std::min(h, -1) : h;
}

void ReadProfilePixels(ProfileGrids& grids, int k, const Bitmap24& frame, int ox, int oy, int image_width,
                       int image_height) {
  if (k < 1 || k > 3) return;
  ProfileCellGrid& raw = grids.Raw[static_cast<size_t>(k - 1)];
  ProfileCellGrid& height = grids.Height[static_cast<size_t>(k - 1)];
  constexpr int r = ProfileCellGrid::kReach;
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx) {
      const int px = ox + dx, py = oy + dy;
      int32_t v = -1;
      if (px >= 0 && px < image_width && py >= 0 && py < image_height) {
        const Bgr c = frame.Get(px, py);
        v = int32_t(c.r) + c.g + c.b;
      }
      raw.At(dx, dy) = v;
      height.At(dx, dy) = ProfileHeightOf(v, grids.HeightStep);
    }
}

void RecomputeProfileHeights(ProfileGrids& grids) {
  for (size_t k = 0; k < 3; ++k)
    for (size_t i = 0; i < grids.Raw[k].Cells.size(); ++i)
      grids.Height[k].Cells[i] = ProfileHeightOf(grids.Raw[k].Cells[i], grids.HeightStep);
}

ProfileCellGrid SmoothProfile(const ProfileCellGrid& heights, ProfileSmoothing size, bool median) {
  if (size == ProfileSmoothing::Off) return heights;
  ProfileCellGrid out = heights;
  const int reach = size == ProfileSmoothing::Size3 ? 1 : 2;
  std::vector<int32_t> values;
  for (int x = -kMesh; x <= kMesh; ++x)
    for (int y = -kMesh; y <= kMesh; ++y) {
      values.clear();
      for (int i = -reach; i <= reach; ++i)
        for (int j = -reach; j <= reach; ++j) {
          if (reach == 2 && std::abs(i) == 2 && std::abs(j) == 2) continue;  // the 5 x 5 without corners
          const int32_t h = heights.At(x + i, y + j);
          if (h >= 0) values.push_back(h);
        }
      // Nothing usable around a cell beyond the image edge: it stays outside.
      if (values.empty()) {
        out.At(x, y) = -1;
        continue;
      }
      if (median) {
        std::sort(values.begin(), values.end(), std::greater<>());
        out.At(x, y) = values[(values.size() + 1) / 2 - 1];
      } else {
        long double sum = 0;
        for (int32_t v : values) sum += v;
        out.At(x, y) = Nearest(sum / static_cast<long double>(values.size()));
      }
    }
  return out;
}

ScreenPoint ProjectProfilePoint(int x, int y, int32_t h, const ProfileView& view) {
  const double X = 5.0 * x, Y = -Nearest(static_cast<long double>(h) / 3), Z = 5.0 * y;
  // 3.14 rather than pi: the view's angles have always been turned with it.
  const double r = 3.14 * view.Rotation / 180, t = 3.14 * view.Tilt / 180;
  const double xr = std::cos(r) * X + std::sin(r) * Z;
  const double zr = -std::sin(r) * X + std::cos(r) * Z;
  const double yt = std::cos(t) * Y - std::sin(t) * zr;
  return {Nearest(xr) + 125, Nearest(yt) + 280};
}

namespace {

bool BoundaryCell(const ApertureClasses& classes, int x, int y, int32_t c) {
  if (x < -kMesh || x > kMesh || y < -kMesh || y > kMesh) return false;
  if (classes.At(x, y) != c) return false;
  if (std::abs(x) == kMesh || std::abs(y) == kMesh) return true;
  return classes.At(x + 1, y) != c || classes.At(x - 1, y) != c || classes.At(x, y + 1) != c ||
         classes.At(x, y - 1) != c;
}

}  // namespace

std::vector<ProfileDrawItem> BuildProfileDrawing(const ProfileGrids& grids, int k, const ApertureClasses& classes,
                                                 const ProfileView& view) {
  std::vector<ProfileDrawItem> items;
  if (k < 1 || k > 3) return items;
  const ProfileCellGrid heights = SmoothProfile(grids.Height[static_cast<size_t>(k - 1)], view.Size, view.Median);
  std::array<ScreenPoint, 51 * 51> screen{};
  auto V = [&](int x, int y) -> ScreenPoint& { return screen[static_cast<size_t>((x + kMesh) * 51 + (y + kMesh))]; };
  for (int x = -kMesh; x <= kMesh; ++x)
    for (int y = -kMesh; y <= kMesh; ++y) V(x, y) = ProjectProfilePoint(x, y, heights.At(x, y), view);

  using Offsets = std::array<std::array<int, 2>, 4>;
  auto emit = [&](int x, int y, const Offsets& quad, const Offsets& neighbours) {
    ProfileDrawItem q;
    for (size_t i = 0; i < 4; ++i) q.Points[i] = V(x + quad[i][0], y + quad[i][1]);
    items.push_back(q);
    if (!view.ShowAperture) return;
    for (const auto& [c, colour] : {std::pair{1, kApertureRed}, std::pair{2, kBackgroundBlue}}) {
      if (!BoundaryCell(classes, x, y, c)) continue;
      for (const auto& n : neighbours) {
        if (!BoundaryCell(classes, x + n[0], y + n[1], c)) continue;
        ProfileDrawItem line;
        line.IsQuad = false;
        line.Points[0] = V(x, y);
        line.Points[1] = V(x + n[0], y + n[1]);
        line.Colour = colour;
        items.push_back(line);
      }
    }
  };
  if (view.Rotation < -45) {
    for (int x = -kMesh; x <= kMesh - 1; ++x)
      for (int y = kMesh; y >= -kMesh + 1; --y)
        emit(x, y, {{{0, 0}, {0, -1}, {1, -1}, {1, 0}}}, {{{0, -1}, {1, -1}, {1, 0}, {1, 1}}});
  } else if (view.Rotation < 45) {
    for (int y = -kMesh; y <= kMesh - 1; ++y)
      for (int x = -kMesh; x <= kMesh - 1; ++x)
        emit(x, y, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}, {{{1, 0}, {1, 1}, {0, 1}, {-1, 1}}});
  } else {
    for (int x = kMesh; x >= -kMesh + 1; --x)
      for (int y = -kMesh; y <= kMesh - 1; ++y)
        emit(x, y, {{{0, 0}, {0, 1}, {-1, 1}, {-1, 0}}}, {{{0, 1}, {-1, 1}, {-1, 0}, {-1, -1}}});
  }
  return items;
}
