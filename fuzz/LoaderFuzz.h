#pragma once
// One fuzz input through a registry loader's reader, with the map size capped.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ImageFileLib/BitmapLoaders.h"

// The fuzz input as a stream to read from; false when it is over the size cap.
inline bool FuzzInputStream(const uint8_t* data, size_t size, ImageFile::TMemStream& in) {
  if (size > (1 << 20)) return false;
  in.Write(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  return true;
}

// `setup` sets the loader's own options before the read.
template <class Loader, class Setup = void (*)(Loader&)>
int FuzzLoader(const uint8_t* data, size_t size, const std::string& ext, int64_t max_map_bytes,
               Setup setup = [](Loader&) {}) {
  ImageFile::TMemStream in;
  if (!FuzzInputStream(data, size, in)) return 0;
  Loader loader;
  loader.MaxMapBytes = max_map_bytes;
  setup(loader);
  ImageFile::TLinearBitmap bitmap;
  try {
    loader.LoadFromStream(in, ext, bitmap);
  } catch (const ImageFile::Exception&) {
  }
  return 0;
}
