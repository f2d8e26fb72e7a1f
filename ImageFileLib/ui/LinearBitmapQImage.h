#pragma once
// Copies pictures between QImage and TLinearBitmap. QImage rows are padded
// to 4 bytes; the linear bitmap's rows are packed, so rows are copied one by one.
#include <QImage>

#include "ImageFileLib/LinearBitmap.h"

namespace ImageFile {

// Indexed8 gives code 3 (colour-table entries beyond the table black),
// 32-bit formats code 7, everything else 24-bit colour (code 6). A null
// image disposes the bitmap.
void AssignFromQImage(TLinearBitmap& bitmap, const QImage& image);

// Code 3 gives Indexed8 with the palette, code 5 Indexed8 of the high bytes
// with a grey table, code 6 BGR888, code 7 RGB32; no map gives a null image.
QImage LinearBitmapToQImage(const TLinearBitmap& bitmap);

}  // namespace ImageFile
