#pragma once
// Copies between the program's frame format (Bitmap24: B,G,R rows padded to
// 4 bytes) and the library bitmap (packed rows).
#include "ImageFileLib/LinearBitmap.h"
#include "base/Bitmap24.h"

namespace ImageFile {

// An empty frame disposes the bitmap; otherwise it becomes 24-bit colour.
void AssignFromBitmap24(TLinearBitmap& bitmap, const Bitmap24& frame);

// Any pixel format as 24-bit colour (palette entries, the high byte of 16-bit
// grey, the first three bytes of 32-bit pixels); no map gives an empty frame.
Bitmap24 LinearBitmapToBitmap24(const TLinearBitmap& bitmap);

}  // namespace ImageFile
