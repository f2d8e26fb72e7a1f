// A small image plug-in for the tests. Loading answers by the file name:
// "open-fails" gives code 2, "code7" code 7, "four" a 4-plane picture,
// anything else a 2 x 1 planar YCbCr picture. Saving writes the record's
// width, height, format and map bytes into the file; for a name holding
// "save-fails" it writes a few bytes and then answers code 3.
#include <cstdio>
#include <cstring>

#include "ImageFileLib/PluginLoader.h"

using ImageFile::TPluginImage;

static int live_maps = 0;

extern "C" {
const char* TessaryPluginLoadFilter() { return "Test pictures (*.abc)|*.abc"; }
const char* TessaryPluginSaveFilter() { return "Test pictures (*.abc)|*.abc"; }

int32_t TessaryPluginLoadImage(const char* file_name, char* format_name, TPluginImage* image) {
  if (std::strcmp(format_name, "ABC") != 0) return 9;
  if (std::strstr(file_name, "open-fails")) return 2;
  if (std::strstr(file_name, "code7")) return 7;
  const bool four = std::strstr(file_name, "four") != nullptr;
  const int planes = four ? 4 : 3;
  image->Width = 2;
  image->Height = 1;
  image->BytesPerLine = 2;
  image->Format = 0x10 | planes;
  image->Map = new uint8_t[2 * planes];
  ++live_maps;
  // Planes fill bytes 0, 1, 2 of each pixel: Cr, Cb, then Y (128 and 255).
  const uint8_t values[8] = {128, 128, 128, 128, 128, 255, 9, 9};
  std::memcpy(image->Map, values, static_cast<size_t>(2 * planes));
  static char space[] = "YCbCr";
  if (!four) image->ColorSpace = space;
  return 0;
}

int32_t TessaryPluginSaveImage(const char* file_name, char*, TPluginImage* image) {
  FILE* f = std::fopen(file_name, "wb");
  if (!f) return 2;
  if (std::strstr(file_name, "save-fails")) {
    std::fputs("half", f);
    std::fclose(f);
    return 3;
  }
  std::fwrite(&image->Width, 4, 1, f);
  std::fwrite(&image->Height, 4, 1, f);
  std::fwrite(&image->Format, 4, 1, f);
  std::fwrite(image->Map, 1, static_cast<size_t>(image->BytesPerLine * image->Height), f);
  std::fclose(f);
  return 0;
}

void TessaryPluginFreeImage(TPluginImage* image) {
  delete[] image->Map;
  image->Map = nullptr;
  --live_maps;
}

int TessaryPluginLiveMaps() { return live_maps; }
}
