#include "online/ZipFile.h"

#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/ByteOrder.h"
#include "base/TextTools.h"

namespace {

constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kDescriptorSignature = 0x08074B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint16_t kFlagEncrypted = 1;
constexpr uint16_t kFlagDataDescriptor = 8;
// Deflate cannot expand data by more than about 1032 times.
constexpr uint64_t kMaxDeflateRatio = 1032;

[[noreturn]] void Damaged() { throw EZipFileError("The archive is damaged or incomplete."); }

[[noreturn]] void Zip64() { throw EZipFileError("ZIP64 archives are not supported."); }

// Field reads of the archive's bytes; a short one is damage.
class Reader : public LeReader {
 public:
  explicit Reader(std::string_view bytes) : LeReader(bytes, Damaged) {}
};

void ReadEntryFields(Reader& r, TZipEntryFields& f) {
  r.Read(f.VersionNeeded, f.Flags, f.Method, f.Time, f.Date, f.Crc32, f.CompressedSize, f.UncompressedSize,
         f.NameLength, f.ExtraLength);
}

void ReadCentral(Reader& r, TFileHeader& h) {
  h.Signature = kCentralSignature;
  r.Read(h.VersionMadeBy);
  ReadEntryFields(r, h);
  r.Read(h.CommentLength, h.DiskNumberStart, h.InternalAttributes, h.ExternalAttributes, h.LocalHeaderOffset);
  h.Name = r.Bytes(h.NameLength);
  h.Extra = r.Bytes(h.ExtraLength);
  h.Comment = r.Bytes(h.CommentLength);
}

// The central directory found through the end record, by local header offset.
// Only members written with a data descriptor need it; a missing or broken
// directory gives an empty map.
// Where the end record starts, searched back over the longest comment: the
// last one whose comment ends the archive, else the last one found. A comment
// may hold the signature itself.
std::optional<size_t> EndRecordAt(std::string_view bytes) {
  if (bytes.size() < 22) return std::nullopt;
  const size_t lowest = bytes.size() >= 22 + 65535 ? bytes.size() - 22 - 65535 : 0;
  std::optional<size_t> last;
  for (size_t at = bytes.size() - 22 + 1; at-- > lowest;) {
    Reader r(bytes);
    r.Seek(at);
    if (r.U32() != kEndSignature) continue;
    if (!last) last = at;
    r.Seek(at + 20);
    if (at + 22 + r.U16() == bytes.size()) return at;
  }
  return last;
}

std::map<uint32_t, TFileHeader> CentralByOffset(std::string_view bytes) {
  std::map<uint32_t, TFileHeader> out;
  const std::optional<size_t> at = EndRecordAt(bytes);
  if (!at) return out;
  if (*at >= 20) {
    Reader locator(bytes);
    locator.Seek(*at - 20);
    if (locator.U32() == kZip64LocatorSignature) Zip64();
  }
  Reader r(bytes);
  r.Seek(*at + 4);
  r.Skip(6);
  const uint16_t total = r.U16();
  r.Skip(4);
  const uint32_t offset = r.U32();
  if (total == 0xFFFF || offset == 0xFFFFFFFF) Zip64();
  if (offset >= bytes.size()) return out;
  Reader c(bytes);
  c.Seek(offset);
  try {
    for (int i = 0; i < total && c.Left() >= 4 && c.U32() == kCentralSignature; ++i) {
      TFileHeader h;
      ReadCentral(c, h);
      out.emplace(h.LocalHeaderOffset, std::move(h));
    }
  } catch (const EZipFileError&) {
    // A truncated directory: the entries read so far serve.
  }
  return out;
}

// The entries the end record counts; 0 without one.
uint16_t EndRecordEntries(std::string_view bytes) {
  const std::optional<size_t> at = EndRecordAt(bytes);
  if (!at) return 0;
  Reader r(bytes);
  r.Seek(*at + 10);
  return r.U16();
}

// True when the extra fields hold a ZIP64 one (id 1).
bool HasZip64Field(std::string_view extra) {
  Reader r(extra);
  while (r.Left() >= 4) {
    const uint16_t id = r.U16();
    const uint16_t size = r.U16();
    if (id == 1) return true;
    if (r.Left() < size) return false;
    r.Skip(size);
  }
  return false;
}

// Bytes 0x80..0xFF of code page 437, the name encoding of DOS and Windows
// archivers that do not set the UTF-8 flag.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// A member name as UTF-8: one without the UTF-8 flag, packed on DOS or
// Windows, is code page 437; names from other systems keep their bytes.
std::string NameAsUtf8(const std::string& name, uint16_t flags, uint16_t version_made_by) {
  constexpr uint16_t kFlagUtf8 = 0x800;
  const int host = version_made_by >> 8;
  const bool dos_or_windows = host == 0 || host == 6 || host == 11 || host == 14;
  if ((flags & kFlagUtf8) || !dos_or_windows || IsValidUtf8(name)) return name;
  std::string out;
  for (const char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80)
      out += c;
    else
      AppendUtf8(out, kCp437High[b - 0x80]);
  }
  return out;
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

// Also for data giving more or fewer bytes than stated, whose CRC field may
// happen to match what came out.
[[noreturn]] void CrcError(const TLocalFile& e) { throw EZipFileCRCError("CRC Error in " + Quoted(e.Name) + "."); }

// Inflates exactly the stated size; data that would give more is refused. The
// result grows with what the data gives, not with what the header claims.
std::string Inflate(const TLocalFile& e) {
  const uint64_t limit = static_cast<uint64_t>(e.Data.size()) * kMaxDeflateRatio + 1024;
  if (e.UncompressedSize > limit) CrcError(e);  // cannot come from this much data
  const size_t size = e.UncompressedSize;
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw EZipFileError("The inflater could not be started.");
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(e.Data.data()));
  z.avail_in = static_cast<uInt>(e.Data.size());
  std::string out;
  size_t produced = 0;
  int ret = Z_OK;
  try {
    while (ret == Z_OK && produced < size) {
      out.resize(produced + std::min(size - produced, std::max<size_t>(produced, 1 << 16)));
      z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
      z.avail_out = static_cast<uInt>(out.size() - produced);
      while (z.avail_out > 0 && ret == Z_OK) ret = inflate(&z, Z_NO_FLUSH);
      produced = out.size() - z.avail_out;
    }
  } catch (const std::bad_alloc&) {
    inflateEnd(&z);
    throw EZipFileError("Member " + Quoted(e.Name) + " is too large to unpack.");
  }
  if (ret == Z_OK) {
    // Full but not at its end: the data must end without another byte.
    Bytef spare = 0;
    z.next_out = &spare;
    z.avail_out = 1;
    ret = inflate(&z, Z_NO_FLUSH);
    if (ret == Z_OK && z.avail_out == 0) ret = Z_BUF_ERROR;
  }
  const std::string message = z.msg ? z.msg : "invalid compressed data";
  inflateEnd(&z);
  if (ret == Z_DATA_ERROR || ret == Z_NEED_DICT || ret == Z_MEM_ERROR)
    throw EZipFileError("Inflate error in " + Quoted(e.Name) + ": " + message + ".");
  if (ret != Z_STREAM_END || produced != size) CrcError(e);
  return out;
}

constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;

void RequireKnownMethod(const TLocalFile& e) {
  if (e.Method != kStored && e.Method != kDeflated)
    throw EZipFileError("Compression method " + std::to_string(e.Method) + " of member " + Quoted(e.Name) +
                        " is not supported.");
}

// The member's path below the root folder, "/" for every separator.
std::string RelativeName(const std::string& name) {
  std::string relative = name;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return relative;
}

// The longest name of one file or folder the usual file systems take.
constexpr size_t kLongestFileName = 255;

// Names that cannot all be written: a name that is no file ("." or ending in
// "/."), a part longer than a file system takes, or a file where another
// member needs a folder.
void RequireWritableNames(const TZipFile& zip) {
  namespace fs = std::filesystem;
  std::map<fs::path, std::string> files;  // by path, the member name
  std::set<fs::path> folders;
  for (int i = 0; i < zip.Count(); ++i) {
    const std::string relative = RelativeName(zip.Name(i));
    const fs::path p = fs::path(relative).lexically_normal();
    for (const fs::path& part : p)
      if (part.native().size() > kLongestFileName)
        throw EZipFileError("The member name " + Quoted(zip.Name(i)) + " is too long; the archive is refused.");
    fs::path folder = p.parent_path();
    if (relative.back() == '/') {
      folder = p.has_filename() ? p : p.parent_path();
    } else {
      if (!p.has_filename() || p == ".")
        throw EZipFileError("The member name " + Quoted(zip.Name(i)) + " is not a file name; the archive is refused.");
      files.emplace(p, zip.Name(i));
    }
    for (; !folder.empty() && folder != "."; folder = folder.parent_path()) folders.insert(folder);
  }
  for (const auto& [path, name] : files)
    if (folders.count(path))
      throw EZipFileError("The member " + Quoted(name) +
                          " is a file where other members need a folder; the archive is refused.");
}

// A link already in the target (the root folder, a folder below it or a file
// a member replaces) would lead members out of it: a file is written through
// its link.
void RequireNoLinks(const TZipFile& zip, const std::filesystem::path& dest_dir, const std::filesystem::path& root) {
  namespace fs = std::filesystem;
  std::set<fs::path> checked;
  auto check = [&](const fs::path& below, const char* what) {  // below dest_dir
    if (!checked.insert(below).second) return;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(dest_dir / below, ec)))
      throw EZipFileError(std::string("The ") + what + " " + Quoted(below.generic_string()) +
                          " in the target is a link; the archive is refused.");
  };
  check(root.filename(), "folder");
  for (int i = 0; i < zip.Count(); ++i) {
    const std::string relative = RelativeName(zip.Name(i));
    const fs::path p = fs::path(relative).lexically_normal();
    const bool folder_member = relative.back() == '/';
    fs::path below = root.filename();
    for (const fs::path& part : folder_member ? p : p.parent_path()) {
      if (part.empty() || part == ".") continue;
      below /= part;
      check(below, "folder");
    }
    if (!folder_member) check(below / p.filename(), "file");
  }
}

// The execute bits of a member packed on Unix (its central entry's upper
// external attributes); none for other members, links and folders.
std::filesystem::perms MemberExecuteBits(const TZipFile& zip, int i) {
  const size_t k = static_cast<size_t>(i);
  if (k >= zip.CentralEntries.size()) return std::filesystem::perms::none;
  const TFileHeader& h = zip.CentralEntries[k];
  constexpr int kMadeOnUnix = 3;
  if (h.Signature != kCentralSignature || h.Name != zip.LocalEntries[k].Name || (h.VersionMadeBy >> 8) != kMadeOnUnix)
    return std::filesystem::perms::none;
  const uint32_t mode = h.ExternalAttributes >> 16;
  const uint32_t type = mode & 0170000;
  if (type != 0 && type != 0100000) return std::filesystem::perms::none;
  return static_cast<std::filesystem::perms>(mode & 0111);
}

}  // namespace

void TZipFile::LoadFromFile(const std::filesystem::path& file_name) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(file_name, ec);
  if (!ec && size > kMaxArchiveBytes) throw EZipFileError("The archive is too large.");
  const auto bytes = ReadWholeFile(file_name, kMaxArchiveBytes);
  if (!bytes) throw EZipFileError("Could not read the archive " + Quoted(file_name.string()) + ".");
  LoadFromBytes(*bytes);
}

void TZipFile::LoadFromStream(std::istream& stream) {
  std::string bytes;
  char buf[65536];
  while (stream.read(buf, sizeof buf) || stream.gcount() > 0) {
    bytes.append(buf, static_cast<size_t>(stream.gcount()));
    if (bytes.size() > kMaxArchiveBytes) throw EZipFileError("The archive is too large.");
  }
  LoadFromBytes(bytes);
}

void TZipFile::LoadFromBytes(std::string_view bytes) {
  LocalEntries.clear();
  CentralEntries.clear();
  EndRecord = {};
  HasEndRecord = false;
  Reader r(bytes);
  auto next_word = [&r]() -> uint32_t { return r.Left() >= 4 ? r.U32() : 0; };

  // The first local header on a 4-byte boundary. None, while an end record
  // counts members, is a damaged first header rather than no archive.
  auto no_member = [bytes] {
    if (EndRecordEntries(bytes) > 0) Damaged();
  };
  uint32_t word = 0;
  do {
    if (r.Left() < 4) return no_member();
    word = r.U32();
    if (r.AtEnd()) return no_member();
  } while (word != kLocalSignature);

  std::map<uint32_t, TFileHeader> central;
  bool central_read = false;
  while (word == kLocalSignature) {
    const size_t header_offset = r.Position() - 4;
    TLocalFile e;
    e.Signature = word;
    ReadEntryFields(r, e);
    e.Name = r.Bytes(e.NameLength);
    e.Extra = r.Bytes(e.ExtraLength);
    if (e.Flags & kFlagEncrypted) throw EZipFileError("Encrypted member " + Quoted(e.Name) + " is not supported.");
    const bool descriptor = (e.Flags & kFlagDataDescriptor) != 0;
    // A member with a data descriptor takes its sizes from the directory.
    if (!descriptor && (e.CompressedSize == 0xFFFFFFFF || e.UncompressedSize == 0xFFFFFFFF)) Zip64();
    if (descriptor) {
      if (!central_read) central = CentralByOffset(bytes);
      central_read = true;
      const auto it = central.find(static_cast<uint32_t>(header_offset));
      if (it == central.end())
        throw EZipFileError("The sizes of member " + Quoted(e.Name) + " are missing from the archive.");
      if (it->second.CompressedSize == 0xFFFFFFFF || it->second.UncompressedSize == 0xFFFFFFFF) Zip64();
      e.Crc32 = it->second.Crc32;
      e.CompressedSize = it->second.CompressedSize;
      e.UncompressedSize = it->second.UncompressedSize;
    }
    e.Data = r.Bytes(e.CompressedSize);
    if (descriptor) {
      // CRC and sizes again, with or without their own signature; the sizes
      // take 8 bytes each when the local header carries a ZIP64 field, even
      // for a small member whose directory entry holds them in 4.
      const size_t sizes = HasZip64Field(e.Extra) ? 16 : 8;
      r.Skip(next_word() == kDescriptorSignature ? 4 + sizes : sizes);
    }
    LocalEntries.push_back(std::move(e));
    word = next_word();
  }

  // The central directory, one slot per local entry; surplus entries are read
  // past and dropped.
  CentralEntries.resize(LocalEntries.size());
  size_t slot = 0;
  std::set<uint32_t> member_offsets;
  std::set<std::string> member_names;
  do {
    if (word == kCentralSignature) {
      TFileHeader h;
      ReadCentral(r, h);
      member_offsets.insert(h.LocalHeaderOffset);
      member_names.insert(h.Name);
      if (slot < CentralEntries.size()) CentralEntries[slot] = std::move(h);
      ++slot;
    }
    word = next_word();
  } while (word == kCentralSignature);

  if (word == kZip64LocatorSignature || word == 0x06064B50) Zip64();
  // The directory names more members than were found: a damaged header made
  // the search skip them.
  if (member_offsets.size() > LocalEntries.size()) Damaged();
  // No checksum covers a name: one the directory does not know is damaged.
  for (const TLocalFile& m : LocalEntries)
    if (!member_names.count(m.Name)) Damaged();
  // Members without the directory's end: a cut-off download, not a smaller archive.
  if (word != kEndSignature) Damaged();
  TEndRecord& e = EndRecord;
  e.Signature = word;
  r.Read(e.DiskNumber, e.CentralDirectoryDisk, e.EntriesOnDisk, e.TotalEntries, e.CentralDirectorySize,
         e.CentralDirectoryOffset, e.CommentLength);
  // A comment cut short keeps what is there.
  e.Comment = r.Bytes(std::min<size_t>(e.CommentLength, r.Left()));
  HasEndRecord = true;
  for (size_t i = 0; i < LocalEntries.size(); ++i) {
    TLocalFile& m = LocalEntries[i];
    TFileHeader& h = CentralEntries[i];
    if (h.Signature != kCentralSignature || h.Name != m.Name) continue;
    m.Name = h.Name = NameAsUtf8(m.Name, m.Flags, h.VersionMadeBy);
  }
  if (e.TotalEntries == 0xFFFF || e.CentralDirectoryOffset == 0xFFFFFFFF) Zip64();
}

std::string TZipFile::GetUncompressed(int i) const {
  if (i < 0 || i >= Count()) throw EZipFileError("Index out of range.");
  const TLocalFile& e = LocalEntries[static_cast<size_t>(i)];
  RequireKnownMethod(e);
  std::string out;
  if (e.Method == kStored) {
    if (e.Data.size() != e.UncompressedSize) CrcError(e);
    out = e.Data;
  } else if (e.Data.empty() && e.UncompressedSize == 0) {
    // An empty file some archivers mark deflated without writing a stream.
  } else {
    out = Inflate(e);
  }
  if (ZipCrc32(out) != e.Crc32) CrcError(e);
  return out;
}

uint32_t ZipCrc32(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t n = std::min<size_t>(bytes.size() - pos, 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + pos), static_cast<uInt>(n));
    pos += n;
  }
  return static_cast<uint32_t>(crc);
}

bool IsSafeMemberName(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
  if (name.find(':') != std::string_view::npos || name.find('\0') != std::string_view::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = std::min(name.find_first_of("/\\", start), name.size());
    if (name.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

void ExtractZipToFolder(const std::filesystem::path& zip_name, const std::filesystem::path& dest_dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(dest_dir, ec);
  if (!fs::is_directory(dest_dir, ec)) return;
  const fs::path root = dest_dir / zip_name.stem();
  TZipFile zip;
  zip.LoadFromFile(zip_name);
  // What the headers alone refuse is refused before anything is written.
  for (int i = 0; i < zip.Count(); ++i) {
    if (!IsSafeMemberName(zip.Name(i)))
      throw EZipFileError("The member name " + Quoted(zip.Name(i)) +
                          " leads outside the folder; the archive is refused.");
    RequireKnownMethod(zip.LocalEntries[static_cast<size_t>(i)]);
  }
  RequireWritableNames(zip);
  RequireNoLinks(zip, dest_dir, root);
  for (int i = 0; i < zip.Count(); ++i) {
    const std::string bytes = zip.GetUncompressed(i);
    const std::string relative = RelativeName(zip.Name(i));
    const fs::path path = root / fs::path(relative);
    const bool folder = relative.back() == '/';
    const fs::path folder_part = folder ? path : path.parent_path();
    fs::create_directories(folder_part, ec);
    if (!fs::is_directory(folder_part, ec))
      throw EZipFileError("Could not create the folder " + Quoted(folder_part.string()) + ".");
    if (folder) continue;
    std::string error;
    if (!WriteFileAtomic(path, bytes, &error))
      throw EZipFileError("Could not write " + Quoted(path.string()) + ": " + error);
    const fs::perms exec = MemberExecuteBits(zip, i);
    if (exec != fs::perms::none) fs::permissions(path, exec, fs::perm_options::add, ec);
  }
}
