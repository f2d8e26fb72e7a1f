#include "ImageFileLib/Bitmap24Copy.h"

#include <cstring>

namespace ImageFile {

void AssignFromBitmap24(TLinearBitmap& bitmap, const Bitmap24& frame) {
  if (frame.Empty()) {
    bitmap.Dispose();
    return;
  }
  bitmap.New(frame.Width(), frame.Height(), pf24Bit);
  for (int y = 0; y < frame.Height(); ++y)
    std::memcpy(bitmap.ScanLine(y), frame.Row(y), static_cast<size_t>(bitmap.BytesPerLine));
}

Bitmap24 LinearBitmapToBitmap24(const TLinearBitmap& bitmap) {
  if (!bitmap.Present) return {};
  TLinearBitmap colour;
  const TLinearBitmap* source = &Copy24BitIf(bitmap.PixelFormat != pf24Bit, bitmap, colour);
  Bitmap24 frame(source->Width, source->Height);
  for (int y = 0; y < source->Height; ++y)
    std::memcpy(frame.Row(y), source->ScanLine(y), static_cast<size_t>(source->Width) * 3);
  return frame;
}

}  // namespace ImageFile
