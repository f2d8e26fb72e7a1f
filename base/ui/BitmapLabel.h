#pragma once
// A frame bitmap shown on a label; the label keeps its own copy of the pixels.
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "base/Bitmap24.h"

inline void ShowBitmap(QLabel* label, const Bitmap24& bitmap) {
  const QImage wrapped(bitmap.Data(), bitmap.Width(), bitmap.Height(), bitmap.Stride(), QImage::Format_BGR888);
  label->setPixmap(QPixmap::fromImage(wrapped));
}
