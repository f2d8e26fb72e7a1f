#pragma once
// The frame format every part shares: 24-bit pixels in blue-green-red order,
// rows top-down, each row padded to a multiple of 4 bytes (so a QImage of
// format BGR888 can wrap the buffer without copying).
#include <cstddef>
#include <cstdint>
#include <vector>

struct Bgr {
  uint8_t b = 0, g = 0, r = 0;
  friend bool operator==(const Bgr&, const Bgr&) = default;
};

class Bitmap24 {
 public:
  Bitmap24() = default;
  Bitmap24(int width, int height) { Resize(width, height); }

  // Resizes and clears to black.
  void Resize(int width, int height) {
    width_ = width > 0 ? width : 0;
    height_ = height > 0 ? height : 0;
    stride_ = StrideFor(width_);
    data_.assign(static_cast<size_t>(stride_) * static_cast<size_t>(height_), 0);
  }

  static int StrideFor(int width) { return (width * 3 + 3) & ~3; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return stride_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  uint8_t* Row(int y) { return data_.data() + static_cast<size_t>(y) * static_cast<size_t>(stride_); }
  const uint8_t* Row(int y) const {
    return data_.data() + static_cast<size_t>(y) * static_cast<size_t>(stride_);
  }
  uint8_t* Data() { return data_.data(); }
  const uint8_t* Data() const { return data_.data(); }
  size_t SizeBytes() const { return data_.size(); }

  // Reads outside the image give black.
  Bgr Get(int x, int y) const {
    if (!Contains(x, y)) return {};
    const uint8_t* p = Row(y) + x * 3;
    return {p[0], p[1], p[2]};
  }
  // Writes outside the image are ignored.
  void Set(int x, int y, Bgr c) {
    if (!Contains(x, y)) return;
    uint8_t* p = Row(y) + x * 3;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
  }

  friend bool operator==(const Bitmap24& a, const Bitmap24& b) {
    if (a.width_ != b.width_ || a.height_ != b.height_) return false;
    for (int y = 0; y < a.height_; ++y)
      for (int i = 0; i < a.width_ * 3; ++i)
        if (a.Row(y)[i] != b.Row(y)[i]) return false;
    return true;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::vector<uint8_t> data_;
};
