#include "ImageFileLib/ui/LinearBitmapQImage.h"

#include <cstring>

namespace ImageFile {

void AssignFromQImage(TLinearBitmap& bitmap, const QImage& image) {
  if (image.isNull() || image.width() == 0 || image.height() == 0) {
    bitmap.Dispose();
    return;
  }
  QImage source = image;
  uint8_t code;
  switch (image.format()) {
    case QImage::Format_Indexed8: code = pf8Bit; break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32: code = pf32Bit; break;
    case QImage::Format_ARGB32_Premultiplied:
      source = image.convertToFormat(QImage::Format_ARGB32);
      code = pf32Bit;
      break;
    case QImage::Format_BGR888: code = pf24Bit; break;
    default:
      source = image.convertToFormat(QImage::Format_BGR888);
      code = pf24Bit;
      break;
  }
  bitmap.New(source.width(), source.height(), code);
  for (int32_t y = 0; y < bitmap.Height; ++y)
    std::memcpy(bitmap.ScanLine(y), source.constScanLine(y), static_cast<size_t>(bitmap.BytesPerLine));
  if (code == pf8Bit) {
    std::fill(bitmap.Palette.begin(), bitmap.Palette.end(), 0);
    const QList<QRgb> table = source.colorTable();
    for (int i = 0; i < std::min<int>(256, static_cast<int>(table.size())); ++i) {
      bitmap.Palette[3 * i] = static_cast<uint8_t>(qBlue(table[i]));
      bitmap.Palette[3 * i + 1] = static_cast<uint8_t>(qGreen(table[i]));
      bitmap.Palette[3 * i + 2] = static_cast<uint8_t>(qRed(table[i]));
    }
  }
}

QImage LinearBitmapToQImage(const TLinearBitmap& bitmap) {
  if (!bitmap.Present) return {};
  const int w = bitmap.Width, h = bitmap.Height;
  switch (bitmap.PixelFormat) {
    case pf8Bit:
    case pf16Grey: {
      QImage image(w, h, QImage::Format_Indexed8);
      const uint8_t* pal = bitmap.PixelFormat == pf8Bit ? bitmap.Palette.data() : GrayPalette().data();
      QList<QRgb> table(256);
      for (int i = 0; i < 256; ++i) table[i] = qRgb(pal[3 * i + 2], pal[3 * i + 1], pal[3 * i]);
      image.setColorTable(table);
      for (int y = 0; y < h; ++y) {
        uchar* d = image.scanLine(y);
        const uint8_t* s = bitmap.ScanLine(y);
        if (bitmap.PixelFormat == pf8Bit) std::memcpy(d, s, static_cast<size_t>(w));
        else
          for (int x = 0; x < w; ++x) d[x] = s[2 * x + 1];
      }
      return image;
    }
    case pf24Bit: {
      QImage image(w, h, QImage::Format_BGR888);
      for (int y = 0; y < h; ++y) std::memcpy(image.scanLine(y), bitmap.ScanLine(y), static_cast<size_t>(w) * 3);
      return image;
    }
    default: {
      QImage image(w, h, QImage::Format_RGB32);
      for (int y = 0; y < h; ++y) {
        auto* d = reinterpret_cast<QRgb*>(image.scanLine(y));
        const uint8_t* s = bitmap.ScanLine(y);
        for (int x = 0; x < w; ++x) d[x] = qRgb(s[4 * x + 2], s[4 * x + 1], s[4 * x]);
      }
      return image;
    }
  }
}

}  // namespace ImageFile
