#pragma once
// Icon files made in memory for the image-file and window tests.
#include <cstdint>
#include <utility>

#include "ImageFileLib/IconFile.h"
#include "ImageFileLib/LibraryStreams.h"

// A 16 x 16 4-bit and a 32 x 32 8-bit icon; every image's top-left pixel
// transparent, the others red (200, 0, 0).
inline void TwoIcons(ImageFile::TMemStream& out) {
  ImageFile::TIconList list;
  list.Kind = ImageFile::IconKind::Icon;
  for (auto [size, bits] : {std::pair{16, 4}, std::pair{32, 8}}) {
    ImageFile::TIconImage& im = list.AddImage(size, size, bits);
    im.Palette[4 * 1] = 200;  // index 1 is red
    for (int32_t r = 0; r < size; ++r)
      for (int32_t x = 0; x < size; ++x) {
        uint8_t& byte = im.XOR[static_cast<size_t>(r * im.XORBytesPerLine + x * bits / 8)];
        byte |= static_cast<uint8_t>(bits == 8 ? 1 : (x % 2 ? 1 : 0x10));
      }
    im.AND[static_cast<size_t>((size - 1) * im.ANDBytesPerLine)] = 0x80;
  }
  list.SaveToStream(out);
  out.SetPosition(0);
}

// The two icons above, read back as a list.
inline ImageFile::TIconList TwoIconList() {
  ImageFile::TMemStream file;
  TwoIcons(file);
  ImageFile::TIconList list;
  list.LoadFromStream(file);
  return list;
}
