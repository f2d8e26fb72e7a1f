#pragma once
// 24-bit pictures read from a file straight into a Bitmap24: the kernel copies
// each row to its place in one system call, with no frame-sized buffer in
// between (one copy less, and nothing else to push the bitmap out of the
// processor's cache).
#include <cstdint>
#include <vector>

#include "base/Bitmap24.h"
#include "video/ByteSource.h"

// Where the rows of a 24-bit BGR picture lie in its chunk's data.
struct Bgr24Rows {
  int64_t top = 0;   // offset of the top row
  int64_t step = 0;  // to the next row down (negative: bottom-up)
  int width = 0, height = 0;
  // Offset of the row stored first, and one past the last pixel of the row stored last.
  int64_t FirstByte() const { return step > 0 ? top : top + step * (height - 1); }
  int64_t EndByte() const { return (step > 0 ? top + step * (height - 1) : top) + int64_t(width) * 3; }
};

// The rows of an uncompressed 24-bit DIB: padded to 4 bytes, bottom-up unless top-down.
Bgr24Rows DibBgr24Rows(int width, int height, bool top_down);

// Reads the picture whose chunk data start at `data_pos` into `out` (resized
// when its size differs); padding between rows goes to `gap`. False when not
// every byte was there; `out` may be partly written then, so callers check
// the file's size first.
bool ReadBgr24Rows(const ByteSource& src, uint64_t data_pos, const Bgr24Rows& rows, Bitmap24& out,
                   std::vector<uint8_t>& gap);
