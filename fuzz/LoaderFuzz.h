#pragma once
// One fuzz input through a registry loader's reader, with the map size capped.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ImageFileLib/BitmapLoaders.h"

template <class Loader>
int FuzzLoader(const uint8_t* data, size_t size, const std::string& ext, int64_t max_map_bytes) {
  if (size > (1 << 20)) return 0;
  ImageFile::TMemStream in;
  in.Write(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  Loader loader;
  loader.MaxMapBytes = max_map_bytes;
  ImageFile::TLinearBitmap bitmap;
  try {
    loader.LoadFromStream(in, ext, bitmap);
  } catch (const ImageFile::Exception&) {
  }
  return 0;
}
