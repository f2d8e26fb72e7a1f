#pragma once
// Image plug-ins: shared libraries that load and save further formats. The
// registry's last loader forwards to the first plug-in whose filter names
// the extension and converts between the plug-in's image record and a
// TLinearBitmap.
//
// A plug-in exports (C linkage): TessaryPluginLoadFilter and
// TessaryPluginSaveFilter returning file-dialog filters ("Name (*.abc)|*.abc"),
// and TessaryPluginLoadImage, TessaryPluginSaveImage and
// TessaryPluginFreeImage with the signatures below. Libraries are found in
// the "plugins" folder beside the executable.
#include <cstdint>
#include <string>
#include <vector>

#include "ImageFileLib/BitmapLoaders.h"

namespace ImageFile {

extern "C" {
struct TPluginImage {
  int32_t Width;
  int32_t Height;
  int32_t BytesPerLine;
  // Low 4 bits: channels or planes; high 4 bits: 0 interleaved, 1 planar, 2 16-bit.
  int32_t Format;
  uint8_t* Map;
  uint8_t* Palette;  // 256 entries of blue, green, red, or null
  char* ColorSpace;  // "YCbCr", "Lab", anything else RGB
};
using TPluginImageRoutine = int32_t (*)(const char* file_name, char* format_name, TPluginImage* image);
using TPluginFreeRoutine = void (*)(TPluginImage* image);
}

struct TImageDLLInfo {
  void* Module = nullptr;
  std::string LoadFilter;
  std::string SaveFilter;
  TPluginImageRoutine LoadImage = nullptr;
  TPluginImageRoutine SaveImage = nullptr;
  TPluginFreeRoutine FreeImage = nullptr;
};

class TImageDLLLoader : public TBitmapLoader {
public:
  ~TImageDLLLoader() override;
  std::string GetLoadFilter() override;
  std::string GetSaveFilter() override;
  void LoadFromFile(const std::string& file_name, const std::string& ext, TLinearBitmap& bitmap) override;
  void SaveToFile(const std::string& file_name, const std::string& ext, const TLinearBitmap& bitmap) override;

  // Opens a plug-in library; false (and the reason in error) when it is not one.
  bool AddPlugin(const std::string& library_path, std::string& error);
  void AddEntry(const TImageDLLInfo& entry) { Entries.push_back(entry); }
  // Every library in the folder that exports the routines; returns how many.
  int LoadPluginFolder(const std::string& folder);

  std::vector<TImageDLLInfo> Entries;
  std::string ColorSpace = std::string(1, '\0');
};

TImageDLLLoader& ImageDLLLoader();

// Raises the message for a plug-in's result code; nothing for 0.
void PluginErrorCheck(int32_t code, const std::string& format_text);
void PluginImageToLinearBitmap(TLinearBitmap& bitmap, const TPluginImage& image);
void LinearBitmapToPluginImage(TLinearBitmap& bitmap, TPluginImage& image);

}  // namespace ImageFile
