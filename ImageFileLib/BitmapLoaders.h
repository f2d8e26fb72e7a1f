#pragma once
// File-format loaders and their registry. A loader answers for the
// extensions in its filter text; the registry hands a file operation to the
// first registered loader that accepts the (upper-case) extension.
#include <functional>
#include <string>
#include <vector>

#include "ImageFileLib/LinearBitmap.h"
#include "ImageFileLib/LibraryStreams.h"

namespace ImageFile {

class TBitmapLoader {
public:
  virtual ~TBitmapLoader() = default;
  virtual bool CanLoad(const std::string& ext);
  virtual bool CanSave(const std::string& ext);
  virtual std::string GetLoadFilter() { return {}; }
  virtual std::string GetSaveFilter() { return GetLoadFilter(); }
  // Default: through a temporary file and LoadFromFile.
  virtual void LoadFromStream(TBaseStream& stream, const std::string& ext, TLinearBitmap& bitmap);
  // Default: SaveToFile into a temporary file, then copied into the stream.
  virtual void SaveToStream(TBaseStream& stream, const std::string& ext, const TLinearBitmap& bitmap);
  virtual void LoadFromFile(const std::string& file_name, const std::string& ext, TLinearBitmap& bitmap);
  // Writes a temporary file in the same folder and renames it over the name,
  // so a failed save leaves an existing file intact.
  virtual void SaveToFile(const std::string& file_name, const std::string& ext, const TLinearBitmap& bitmap);
};

class TBitmapLoaders {
public:
  void Add(TBitmapLoader* loader);
  TBitmapLoader& FindLoadLoader(const std::string& ext);
  TBitmapLoader& FindSaveLoader(const std::string& ext);
  int32_t Count() const { return static_cast<int32_t>(Loaders.size()); }
  TBitmapLoader* operator[](int32_t i) const { return Loaders[static_cast<size_t>(i)]; }

private:
  std::vector<TBitmapLoader*> Loaders;  // not owned
};

// The one instance of a built-in loader, the one the registry holds.
template <class Loader>
Loader& SharedLoader() {
  static Loader loader;
  return loader;
}

// The registry with the built-in loaders registered in start-up order
// (WMF/EMF, PCX, BMP, HIPS, PNG with MNG, JPEG, ICO/CUR, image plug-ins).
TBitmapLoaders& BitmapLoaders();
void RegisterBitmapLoader(TBitmapLoader* loader);

// Creates a new empty file with a unique name (mkstemp) in folder; returns the
// open descriptor and sets path. Failure names shown_name (or the pattern).
int CreateUniqueFile(const std::string& folder, const std::string& prefix, std::string& path,
                     const std::string& shown_name = {}, const std::string& suffix = {});
std::string TemporaryFolder();
std::string FolderOf(const std::string& file_name);

// Writes through `write` into a temporary file in file_name's folder and
// renames it over the name, so a failed save leaves an existing file intact.
void SaveThroughTemporaryFile(const std::string& file_name, const std::function<void(TFileStream&)>& write);
// The same for writers that open the file by name: they get the temporary
// file's name, which ends in file_name's extension.
void SaveThroughTemporaryName(const std::string& file_name, const std::function<void(const std::string&)>& write);

}  // namespace ImageFile
