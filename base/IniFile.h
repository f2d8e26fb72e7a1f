#pragma once
// A settings file in the INI form with the semantics of the Windows
// private-profile functions, which earlier settings files were written with.
//
// Contract:
// - "[Section]" lines open sections; "key=value" lines hold keys. Section and
//   key names compare without regard to ASCII case; surrounding blanks of
//   names and values are ignored on reading, and one pair of matching quotes
//   around a value is removed, as the private-profile reader does. A value
//   that would lose blanks or quotes that way is written inside quotes.
// - The first of duplicated sections or keys is the one read and written.
// - Every other line (comments, blank lines, lines before the first section,
//   unknown sections and keys) stays as it is.
// - Each write re-reads the file and replaces it at once (atomically). A
//   changed key keeps its line position and spelling; a new key goes after the
//   last non-blank line of its section; a new section goes at the end.
// - Lines are read with CR LF, LF or CR ends and written with CR LF; a UTF-8
//   byte-order mark is skipped on reading and kept on writing; a UTF-16 file
//   (with its byte-order mark) is read and written back as UTF-8; a value
//   that is no UTF-8 is read as Windows-1252. A file larger than
//   kMaxIniBytes is not read, and a write that would make one is refused.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t kMaxIniBytes = 4 * 1024 * 1024;

// A write that did not reach the file; the settings keys after it are not written.
class IniWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The parsed lines of an INI text; usable without a file.
class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string_view text);

  bool Find(std::string_view section, std::string_view key, std::string* value) const;
  bool HasSection(std::string_view section) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // The text with CR LF line ends.
  std::string Text() const;

 private:
  struct Line {
    std::string text;
    int section = -1;       // index of the section the line belongs to
    bool is_header = false;
    bool is_key = false;
    std::string name;       // trimmed section or key name
  };
  int SectionIndex(std::string_view section) const;
  std::vector<Line> lines_;
  std::vector<std::string> sections_;
  bool byte_order_mark_ = false;
};

class IniFile {
 public:
  explicit IniFile(std::filesystem::path path) : path_(std::move(path)) {}
  const std::filesystem::path& Path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
  // Decimal integer; a missing key or a text that is not an integer gives the fallback.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // Any integer other than 0 is true; a missing key or a non-integer gives the fallback.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  // Each throws IniWriteError when the file cannot be written.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // The writes of one save, from construction to Commit, replace the file
  // once: a save that fails half-way leaves the whole old file, not half of
  // the new settings. Without Commit the writes are dropped.
  class Batch {
   public:
    explicit Batch(IniFile& ini) : ini_(ini) { ini_.batching_ = true; }
    ~Batch() {
      ini_.batching_ = false;
      ini_.pending_.reset();
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    void Commit();  // writes the file when anything was written; throws IniWriteError
   private:
    IniFile& ini_;
  };

 private:
  IniDocument Load() const;
  IniDocument LoadForWrite() const;
  std::filesystem::path path_;
  bool batching_ = false;
  std::optional<IniDocument> pending_;  // the batch's writes, from its first write on
};

// True when a directory entry of any kind exists at `path`.
bool IniFileExists(const std::filesystem::path& path);
