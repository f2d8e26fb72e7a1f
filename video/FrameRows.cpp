#include "video/FrameRows.h"

#include <algorithm>
#include <cstdlib>

#include "video/PixelConvert.h"

Bgr24Rows DibBgr24Rows(int width, int height, bool top_down) {
  const int64_t stride = (int64_t(width) * 24 + 31) / 32 * 4;
  if (top_down) return {0, stride, width, height};
  return {stride * (height - 1), -stride, width, height};
}

bool ReadBgr24Rows(const ByteSource& src, uint64_t data_pos, const Bgr24Rows& rows, Bitmap24& out,
                   std::vector<uint8_t>& gap) {
  const int w = rows.width, h = rows.height;
  if (w <= 0 || h <= 0) return false;
  const size_t row_bytes = size_t(w) * 3, pitch = size_t(std::abs(rows.step));
  if (pitch < row_bytes) return false;
  EnsureSize(out, w, h);
  if (gap.size() < std::max<size_t>(1, pitch - row_bytes)) gap.resize(std::max<size_t>(1, pitch - row_bytes));
  // Rows in the order the file holds them, in batches below the system's limit of pieces per call.
  constexpr int kBatch = 512;
  iovec batch[kBatch];
  int n = 0;
  size_t want = 0;
  uint64_t offset = data_pos + uint64_t(rows.FirstByte());
  for (int k = 0; k < h; ++k) {
    batch[n++] = {out.Row(rows.step > 0 ? k : h - 1 - k), row_bytes};
    want += row_bytes;
    if (pitch > row_bytes && k + 1 < h) {
      batch[n++] = {gap.data(), pitch - row_bytes};
      want += pitch - row_bytes;
    }
    if (n + 2 > kBatch || k + 1 == h) {
      if (!src.ReadPieces(offset, batch, n, want)) return false;
      offset += want;
      n = 0;
      want = 0;
    }
  }
  return true;
}
