#include "ImageFileLib/BitmapLoaders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "ImageFileLib/BmpLoader.h"
#include "ImageFileLib/HipsLoader.h"
#include "ImageFileLib/IconFile.h"
#include "ImageFileLib/JpegLoader.h"
#include "ImageFileLib/MetafileLoader.h"
#include "ImageFileLib/PcxLoader.h"
#include "ImageFileLib/PluginLoader.h"
#include "ImageFileLib/PngLoader.h"
#include "base/AtomicFile.h"

namespace ImageFile {

namespace {
constexpr int64_t MaxStreamCopy = 104857600;

// Removes a temporary file when the scope ends unless released.
struct TempFileGuard {
  std::string Path;
  ~TempFileGuard() {
    if (!Path.empty()) ::unlink(Path.c_str());
  }
};
}  // namespace

std::string TemporaryFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = dir && *dir ? dir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string FolderOf(const std::string& file_name) {
  const size_t at = file_name.find_last_of('/');
  return at == std::string::npos ? std::string() : file_name.substr(0, at + 1);
}

int CreateUniqueFile(const std::string& folder, const std::string& prefix, std::string& path,
                     const std::string& shown_name, const std::string& suffix) {
  std::string pattern = folder + prefix + "XXXXXX" + suffix;
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = ::mkostemps(buffer.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd < 0) throw EInOutError(FormatMessage("Error opening \"%s\" - %s", shown_name.empty() ? pattern : shown_name,
                                              SystemErrorText(errno)));
  path = buffer.data();
  if (!shown_name.empty()) {  // it becomes a user's file: usual rights, not mkstemp's private ones
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  return fd;
}

bool TBitmapLoader::CanLoad(const std::string& ext) {
  if (ext.empty()) return false;
  return UpperCase(GetLoadFilter()).find("*." + UpperCase(ext)) != std::string::npos;
}

bool TBitmapLoader::CanSave(const std::string& ext) {
  if (ext.empty()) return false;
  return UpperCase(GetSaveFilter()).find("*." + UpperCase(ext)) != std::string::npos;
}

void TBitmapLoader::LoadFromFile(const std::string& file_name, const std::string& ext, TLinearBitmap& bitmap) {
  TFileStream file(file_name, 9);
  LoadFromStream(file, ext, bitmap);
}

namespace {

void SaveThroughTemporary(const std::string& file_name, const std::string& suffix,
                          const std::function<void(TFileStream&)>& write) {
  if (IsReadOnlyFile(file_name))
    throw EInOutError(FormatMessage("Error opening \"%s\" - %s", file_name, SystemErrorText(EACCES)));
  TempFileGuard temp;
  const std::string folder = FolderOf(file_name);
  const std::string leaf = file_name.substr(folder.size());
  // Part of the name only: the whole one with the temporary suffix could
  // exceed the longest file name the folder takes.
  const int fd = CreateUniqueFile(folder, "." + leaf.substr(0, 64) + ".", temp.Path, file_name, suffix);
  {
    auto file = TFileStream::CreateFromHandle(fd);
    file->FileName = temp.Path;
    write(*file);
    // Only bytes on the disk may replace the earlier file.
    file->SyncAndClose();
  }
  if (::rename(temp.Path.c_str(), file_name.c_str()) != 0)
    throw EInOutError(FormatMessage("Error opening \"%s\" - %s", file_name, SystemErrorText(errno)));
  temp.Path.clear();
}

}  // namespace

void SaveThroughTemporaryFile(const std::string& file_name, const std::function<void(TFileStream&)>& write) {
  SaveThroughTemporary(file_name, {}, write);
}

void SaveThroughTemporaryName(const std::string& file_name, const std::function<void(const std::string&)>& write) {
  const std::string leaf = file_name.substr(FolderOf(file_name).size());
  const size_t dot = leaf.find_last_of('.');
  const std::string suffix = dot == std::string::npos || leaf.size() - dot > 16 ? std::string() : leaf.substr(dot);
  // The writer opens the file by its name; the open handle here only syncs it.
  SaveThroughTemporary(file_name, suffix, [&](TFileStream& file) { write(file.FileName); });
}

void TBitmapLoader::SaveToFile(const std::string& file_name, const std::string& ext, const TLinearBitmap& bitmap) {
  SaveThroughTemporaryFile(file_name, [&](TFileStream& file) { SaveToStream(file, ext, bitmap); });
}

void TBitmapLoader::LoadFromStream(TBaseStream& stream, const std::string& ext, TLinearBitmap& bitmap) {
  TempFileGuard temp;
  const int fd = CreateUniqueFile(TemporaryFolder(), "tessary-", temp.Path);
  {
    auto file = TFileStream::CreateFromHandle(fd);
    const bool was_strict = stream.StrictCount != 0;
    stream.SetStrictCount(false);
    CopyStream(stream, file.get(), MaxStreamCopy);
    if (was_strict) stream.SetStrictCount(true);
  }
  const std::string named = temp.Path + "." + ext;
  if (::rename(temp.Path.c_str(), named.c_str()) != 0)
    throw EInOutError(FormatMessage("Error opening \"%s\" - %s", named, SystemErrorText(errno)));
  temp.Path = named;
  LoadFromFile(named, ext, bitmap);
}

void TBitmapLoader::SaveToStream(TBaseStream& stream, const std::string& ext, const TLinearBitmap& bitmap) {
  TempFileGuard temp;
  const int fd = CreateUniqueFile(TemporaryFolder(), "tessary-", temp.Path);
  ::close(fd);
  const std::string named = temp.Path + "." + ext;
  if (::rename(temp.Path.c_str(), named.c_str()) != 0)
    throw EInOutError(FormatMessage("Error opening \"%s\" - %s", named, SystemErrorText(errno)));
  temp.Path = named;
  SaveToFile(named, ext, bitmap);
  TFileStream file(named, 1);
  stream.CopyFrom(file);
}

void TBitmapLoaders::Add(TBitmapLoader* loader) { Loaders.push_back(loader); }

TBitmapLoader& TBitmapLoaders::FindLoadLoader(const std::string& ext) {
  const std::string upper = UpperCase(ext);
  for (TBitmapLoader* loader : Loaders)
    if (loader->CanLoad(upper)) return *loader;
  throw EUnsupportedFileFormat("Unsupported file format: " + upper);
}

TBitmapLoader& TBitmapLoaders::FindSaveLoader(const std::string& ext) {
  const std::string upper = UpperCase(ext);
  for (TBitmapLoader* loader : Loaders)
    if (loader->CanSave(upper)) return *loader;
  throw EUnsupportedFileFormat("Unsupported file format: " + upper);
}

TBitmapLoaders& BitmapLoaders() {
  static TBitmapLoaders registry = [] {
    TBitmapLoaders r;
    r.Add(&WMFLoader());
    r.Add(&PCXLoader());
    r.Add(&BMPLoader());
    r.Add(&HIPSLoader());
    r.Add(&PNGLoader());
    r.Add(&JPEGLoader());
    r.Add(&ICOLoader());
    r.Add(&ImageDLLLoader());
    return r;
  }();
  return registry;
}

void RegisterBitmapLoader(TBitmapLoader* loader) { BitmapLoaders().Add(loader); }

}  // namespace ImageFile
