#include "ImageFileLib/PluginLoader.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "ImageFileLib/ColorConversion.h"

namespace ImageFile {

TImageDLLLoader& ImageDLLLoader() { return SharedLoader<TImageDLLLoader>(); }

TImageDLLLoader::~TImageDLLLoader() {
  for (const TImageDLLInfo& entry : Entries)
    if (entry.Module) dlclose(entry.Module);
}

namespace {

std::string JoinFilters(const std::vector<TImageDLLInfo>& entries, bool save) {
  std::string text;
  for (const TImageDLLInfo& e : entries) {
    const std::string& filter = save ? e.SaveFilter : e.LoadFilter;
    if (filter.empty() || !(save ? e.SaveImage : e.LoadImage)) continue;
    if (!text.empty() && text.back() != '|') text += '|';
    text += filter;
  }
  return text;
}

const TImageDLLInfo* FindEntry(const std::vector<TImageDLLInfo>& entries, const std::string& ext, bool save) {
  const std::string pattern = "*." + UpperCase(ext);
  for (const TImageDLLInfo& e : entries)
    if (UpperCase(save ? e.SaveFilter : e.LoadFilter).find(pattern) != std::string::npos) return &e;
  return nullptr;
}

void FormatName(const std::string& ext, char (&buffer)[260]) {
  std::memset(buffer, 0, sizeof buffer);
  const std::string upper = UpperCase(ext);
  std::memcpy(buffer, upper.data(), std::min<size_t>(upper.size(), 259));
}

}  // namespace

std::string TImageDLLLoader::GetLoadFilter() { return JoinFilters(Entries, false); }
std::string TImageDLLLoader::GetSaveFilter() { return JoinFilters(Entries, true); }

void PluginErrorCheck(int32_t code, const std::string& format_text) {
  switch (code) {
    case 0: return;
    case 2: throw Exception("Unable to open file");
    case 3: throw Exception("Error in bitmap data");
    case 4: throw Exception("Unsupported pixel format");
    case 5: throw Exception("Unable to close file");
    default: break;
  }
  std::string text = format_text.empty() ? "Process failed: %d" : format_text;
  const auto at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(code));
  throw Exception(text);
}

void PluginImageToLinearBitmap(TLinearBitmap& bitmap, const TPluginImage& image) {
  const int n = image.Format & 15;
  const int32_t w = image.Width, h = image.Height;
  if (n == 0) throw ELinearBitmap("Unsupported bitmap format");
  if (!image.Map || w < 1 || h < 1) throw ELinearBitmap("Invalid bitmap size");
  const bool planar = (image.Format >> 4) == 1;
  // Interleaved rows copied one by one, so padded rows work too.
  auto copy_rows = [&](int32_t pixel_bytes) {
    const int64_t row = int64_t{w} * pixel_bytes;
    if (image.BytesPerLine < row) throw ELinearBitmap("Invalid bitmap size");
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(bitmap.ScanLine(y), image.Map + int64_t{y} * image.BytesPerLine, static_cast<size_t>(row));
  };
  if (n == 1) {
    bitmap.New(w, h, image.Format == 0x21 ? pf16Grey : pf8Bit);
    copy_rows(bitmap.PixelSize);
    if (bitmap.PixelFormat == pf8Bit) {
      if (image.Palette) std::memcpy(bitmap.Palette.data(), image.Palette, 768);
      else std::copy(GrayPalette().begin(), GrayPalette().end(), bitmap.Palette.begin());
    }
    return;
  }
  if (n == 2) {
    if (!planar) throw ELinearBitmap("Unsupported pixel format");
    bitmap.New(w, h, pf24Bit);
    bitmap.Clear(0);
    bitmap.SetPlanes(image.Map, 2);
    return;
  }
  if (image.Format == 3) {
    bitmap.New(w, h, pf24Bit);
    copy_rows(3);
  } else if (image.Format == 4) {
    bitmap.New(w, h, pf32Bit);
    copy_rows(4);
    bitmap.PixelFormatConvert(pf24Bit);
  } else if (planar) {
    bitmap.New(w, h, pf24Bit);
    bitmap.SetPlanes(image.Map, std::min(n, 3));
  } else {
    throw ELinearBitmap("Unsupported pixel format");
  }
}

void LinearBitmapToPluginImage(TLinearBitmap& bitmap, TPluginImage& image) {
  image = TPluginImage{};
  if (!bitmap.Present || (bitmap.PixelFormat != pf8Bit && bitmap.PixelFormat != pf24Bit))
    throw ELinearBitmap("Unsupported pixel format");
  image.Width = bitmap.Width;
  image.Height = bitmap.Height;
  image.BytesPerLine = bitmap.BytesPerLine;
  image.Map = bitmap.Map.data();
  image.Palette = bitmap.PixelFormat == pf8Bit ? bitmap.Palette.data() : nullptr;
  image.Format = bitmap.PixelFormat == pf8Bit ? 1 : 3;
}

void TImageDLLLoader::LoadFromFile(const std::string& file_name, const std::string& ext, TLinearBitmap& bitmap) {
  const TImageDLLInfo* entry = FindEntry(Entries, ext, false);
  if (!entry || !entry->LoadImage) throw ELinearBitmap("Unsupported file format");
  TPluginImage image{};
  image.ColorSpace = ColorSpace.data();
  char format[260];
  FormatName(ext, format);
  const int32_t result = entry->LoadImage(file_name.c_str(), format, &image);
  if (result != 0) PluginErrorCheck(result, "Error in bitmap data: %d");
  // The plug-in's memory is given back whatever the conversion finds.
  struct Release {
    const TImageDLLInfo* entry;
    TPluginImage* image;
    ~Release() {
      if (entry->FreeImage) entry->FreeImage(image);
    }
  } release{entry, &image};
  PluginImageToLinearBitmap(bitmap, image);
  const std::string space = image.ColorSpace ? std::string(image.ColorSpace) : std::string();
  if (space == "YCbCr") YCbCrToRGBBitmap(bitmap, ColorMatrices(), nullptr);
  else if (space == "Lab") ConvertBitmapColorSpace(bitmap, LabToRGBPixel, nullptr);
  const int planes = image.Format & 15;
  if (planes > 3)
    throw ELinearBitmap("The image contains " + std::to_string(planes) + " color planes, only 3 were loaded");
}

void TImageDLLLoader::SaveToFile(const std::string& file_name, const std::string& ext, const TLinearBitmap& bitmap) {
  const TImageDLLInfo* entry = FindEntry(Entries, ext, true);
  if (!entry || !entry->SaveImage) throw ELinearBitmap("Unsupported file format");
  TLinearBitmap copy(bitmap);
  TPluginImage image{};
  LinearBitmapToPluginImage(copy, image);
  image.ColorSpace = ColorSpace.data();
  char format[260];
  FormatName(ext, format);
  // A plug-in that fails part way must not cost the file that was there.
  SaveThroughTemporaryName(file_name, [&](const std::string& temporary) {
    const int32_t result = entry->SaveImage(temporary.c_str(), format, &image);
    if (result != 0) PluginErrorCheck(result, "Error writing image file: %d");
  });
}

bool TImageDLLLoader::AddPlugin(const std::string& library_path, std::string& error) {
  void* module = dlopen(library_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* reason = dlerror();
    error = reason ? reason : "cannot open";
    return false;
  }
  using FilterRoutine = const char* (*)();
  auto symbol = [module](const char* name) { return dlsym(module, name); };
  TImageDLLInfo entry;
  entry.Module = module;
  entry.LoadImage = reinterpret_cast<TPluginImageRoutine>(symbol("TessaryPluginLoadImage"));
  entry.SaveImage = reinterpret_cast<TPluginImageRoutine>(symbol("TessaryPluginSaveImage"));
  entry.FreeImage = reinterpret_cast<TPluginFreeRoutine>(symbol("TessaryPluginFreeImage"));
  auto load_filter = reinterpret_cast<FilterRoutine>(symbol("TessaryPluginLoadFilter"));
  auto save_filter = reinterpret_cast<FilterRoutine>(symbol("TessaryPluginSaveFilter"));
  if (!entry.LoadImage || !entry.SaveImage || !entry.FreeImage || !load_filter || !save_filter) {
    dlclose(module);
    error = "not an image plug-in";
    return false;
  }
  const char* load_text = load_filter();
  const char* save_text = save_filter();
  entry.LoadFilter = load_text ? load_text : "";
  entry.SaveFilter = save_text ? save_text : "";
  Entries.push_back(entry);
  return true;
}

int TImageDLLLoader::LoadPluginFolder(const std::string& folder) {
  std::error_code ec;
  std::vector<std::string> libraries;
  for (const auto& item : std::filesystem::directory_iterator(folder, ec))
    if (item.path().extension() == ".so") libraries.push_back(item.path().string());
  std::sort(libraries.begin(), libraries.end());
  int added = 0;
  std::string ignored;
  for (const std::string& path : libraries) added += AddPlugin(path, ignored) ? 1 : 0;
  return added;
}

}  // namespace ImageFile
