#pragma once
// A small ZIP archive reader for the update packages: the whole archive is
// held in memory, each member is inflated whole.
//
// Contract: members are found by walking the local headers in file order; the
// central directory that follows is read into CentralEntries (one slot per
// local entry, surplus central entries ignored) and supplies the sizes of
// members written with a trailing data descriptor (flag bit 3). Stored
// (method 0) and deflated (method 8) members are read; a member streamed with
// ZIP64 fields but 4-byte sizes in the directory is read too. Refused with
// EZipFileError, unlike the format allows: encrypted members, ZIP64 archives,
// other compression methods, and (on extraction) member names that would leave
// the target folder. Multi-disk archives are read as if they were one disk.
// Members not followed by the directory's end record are a damaged archive, as
// is a directory naming more members than the local headers give or not
// naming one of them; a member whose data gives more or fewer bytes than
// stated is a CRC error.
#include <cstdint>
#include <filesystem>
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Any refused or unreadable archive or member.
class EZipFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A member whose inflated bytes do not match its CRC-32.
class EZipFileCRCError : public EZipFileError {
 public:
  using EZipFileError::EZipFileError;
};

// The 26 bytes a local header and a central directory header share.
struct TZipEntryFields {
  uint16_t VersionNeeded = 0;
  uint16_t Flags = 0;
  uint16_t Method = 0;
  uint16_t Time = 0;  // DOS form
  uint16_t Date = 0;  // DOS form
  uint32_t Crc32 = 0;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t NameLength = 0;
  uint16_t ExtraLength = 0;
};

struct TLocalFile : TZipEntryFields {
  uint32_t Signature = 0;
  std::string Name;
  std::string Extra;
  std::string Data;  // the member's compressed bytes
};

struct TFileHeader : TZipEntryFields {
  uint32_t Signature = 0;
  uint16_t VersionMadeBy = 0;
  uint16_t CommentLength = 0;
  uint16_t DiskNumberStart = 0;
  uint16_t InternalAttributes = 0;
  uint32_t ExternalAttributes = 0;
  uint32_t LocalHeaderOffset = 0;
  std::string Name;
  std::string Extra;
  std::string Comment;
};

struct TEndRecord {
  uint32_t Signature = 0;
  uint16_t DiskNumber = 0;
  uint16_t CentralDirectoryDisk = 0;
  uint16_t EntriesOnDisk = 0;
  uint16_t TotalEntries = 0;
  uint32_t CentralDirectorySize = 0;
  uint32_t CentralDirectoryOffset = 0;
  uint16_t CommentLength = 0;
  std::string Comment;
};

class TZipFile {
 public:
  // Archives above this size are refused before they are read.
  static constexpr uint64_t kMaxArchiveBytes = 1ull << 30;

  void LoadFromFile(const std::filesystem::path& file_name);
  void LoadFromStream(std::istream& stream);
  void LoadFromBytes(std::string_view bytes);

  int Count() const { return static_cast<int>(LocalEntries.size()); }
  // As UTF-8: a name packed on DOS or Windows without the UTF-8 flag is read
  // as code page 437.
  const std::string& Name(int i) const { return LocalEntries.at(static_cast<size_t>(i)).Name; }
  // The member's inflated bytes, checked against its CRC-32.
  std::string GetUncompressed(int i) const;

  std::vector<TLocalFile> LocalEntries;
  std::vector<TFileHeader> CentralEntries;
  TEndRecord EndRecord;
  bool HasEndRecord = false;
};

// The CRC-32 of ZIP and PNG; 0 for an empty input.
uint32_t ZipCrc32(std::string_view bytes);

// True when the member name stays inside the folder it is unpacked into: no
// ".." part, no leading slash or backslash, no drive.
bool IsSafeMemberName(std::string_view name);

// Unpacks every member of `zip_name` into dest_dir/<archive name without
// extension>/, creating folders as needed. Every member name and method is
// checked before anything is written; an unsafe name, names that cannot all
// be written (a file where a folder is needed, too long, no file name), a
// link in the target where a member's folder or file goes or an unknown method
// refuse the whole archive.
void ExtractZipToFolder(const std::filesystem::path& zip_name, const std::filesystem::path& dest_dir);
