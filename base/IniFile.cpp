#include "base/IniFile.h"

#include <system_error>

#include "base/AtomicFile.h"
#include "base/NumberText.h"
#include "base/ResultTable.h"
#include "base/TextTools.h"

namespace {


bool SameName(std::string_view a, std::string_view b) {
  a = TrimBlanks(a);
  b = TrimBlanks(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// Reading drops blanks around a value and one pair of quotes around it; a
// value that would lose anything that way is written inside quotes.
std::string StoredValue(std::string value) {
  if (value.empty()) return value;
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  const bool blank_end = blank(value.front()) || blank(value.back());
  const bool quoted =
      value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
  return blank_end || quoted ? '"' + value + '"' : value;
}

// A file larger than the reader takes is never written: the next start would
// lose every setting in it.
void WriteDocument(const std::filesystem::path& path, const IniDocument& doc) {
  const std::string text = doc.Text();
  if (text.size() > kMaxIniBytes)
    throw IniWriteError("Cannot write the settings file " + path.string() + ": it would grow past the " +
                        std::to_string(kMaxIniBytes / (1024 * 1024)) + " MB the program reads. It is left as it is.");
  std::string error;
  if (!WriteFileAtomic(path, text, &error)) throw IniWriteError(error);
}

}  // namespace

IniDocument::IniDocument(std::string_view text) {
  // Notepad's "Unicode" files: read as UTF-8, written back as UTF-8.
  std::string converted;
  if (auto utf8 = Utf16FileText(text)) {
    converted = std::string(kUtf8Bom) + *utf8;
    text = converted;
  }
  byte_order_mark_ = text.starts_with(kUtf8Bom);
  text = WithoutUtf8Bom(text);
  int current = -1;
  for (std::string& raw : SplitTextLines(text)) {
    Line line;
    std::string_view t = TrimBlanks(raw);
    if (t.starts_with('[')) {
      size_t close = t.find(']');
      std::string_view name = t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
      line.is_header = true;
      line.name = std::string(TrimBlanks(name));
      current = static_cast<int>(sections_.size());
      sections_.push_back(line.name);
    } else if (!t.starts_with(';') && t.find('=') != std::string_view::npos && current >= 0) {
      line.is_key = true;
      line.name = std::string(TrimBlanks(t.substr(0, t.find('='))));
    }
    line.section = current;
    line.text = std::move(raw);
    lines_.push_back(std::move(line));
  }
}

int IniDocument::SectionIndex(std::string_view section) const {
  for (size_t i = 0; i < sections_.size(); ++i)
    if (SameName(sections_[i], section)) return static_cast<int>(i);
  return -1;
}

bool IniDocument::HasSection(std::string_view section) const { return SectionIndex(section) >= 0; }

bool IniDocument::Find(std::string_view section, std::string_view key, std::string* value) const {
  int s = SectionIndex(section);
  if (s < 0) return false;
  for (const Line& l : lines_) {
    if (l.section != s || !l.is_key || !SameName(l.name, key)) continue;
    std::string_view v = TrimBlanks(std::string_view(l.text).substr(l.text.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    // A value saved in the Windows code page (an "ANSI" editor) is no UTF-8:
    // it is read in that code page, as the program's other text files are.
    if (value) *value = IsValidUtf8(v) ? std::string(v) : Windows1252ToUtf8(v);
    return true;
  }
  return false;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view raw_value) {
  // A line break inside a value would split it into lines of their own.
  std::string value(raw_value);
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  value = StoredValue(std::move(value));
  std::string key_name(TrimBlanks(key));
  int s = SectionIndex(section);
  if (s < 0) {
    s = static_cast<int>(sections_.size());
    sections_.emplace_back(TrimBlanks(section));
    lines_.push_back({"[" + sections_.back() + "]", s, true, false, sections_.back()});
    lines_.push_back({key_name + "=" + value, s, false, true, key_name});
    return;
  }
  int last_filled = -1;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Line& l = lines_[i];
    if (l.section != s) continue;
    if (l.is_key && SameName(l.name, key)) {
      l.text = l.name + "=" + value;
      return;
    }
    if (!TrimBlanks(l.text).empty()) last_filled = static_cast<int>(i);
  }
  lines_.insert(lines_.begin() + last_filled + 1, Line{key_name + "=" + value, s, false, true, key_name});
}

std::string IniDocument::Text() const {
  std::string out;
  if (byte_order_mark_) out += kUtf8Bom;
  for (const Line& l : lines_) {
    out += l.text;
    out += "\r\n";
  }
  return out;
}

IniDocument IniFile::Load() const {
  if (pending_) return *pending_;
  auto text = ReadWholeFile(path_, kMaxIniBytes);
  return text ? IniDocument(*text) : IniDocument();
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  std::string v;
  if (!Load().Find(section, key, &v)) return std::string(fallback);
  return v;
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const {
  std::string v;
  if (!Load().Find(section, key, &v)) return fallback;
  auto n = ParseInt32(v);
  return n ? *n : fallback;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  std::string v;
  if (!Load().Find(section, key, &v)) return fallback;
  auto n = ParseInt64(v);
  return n ? *n != 0 : fallback;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  return Load().Find(section, key, nullptr);
}

IniDocument IniFile::LoadForWrite() const {
  std::error_code ec;
  bool exists = std::filesystem::exists(path_, ec);
  auto text = exists ? ReadWholeFile(path_, kMaxIniBytes) : std::optional<std::string>(std::string());
  // Never replace a file that could not be read: its keys would be lost.
  if (!text) throw IniWriteError("Cannot read the settings file " + path_.string());
  return IniDocument(*text);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (batching_) {
    if (!pending_) pending_ = LoadForWrite();
    pending_->Set(section, key, value);
    return;
  }
  IniDocument doc = LoadForWrite();
  doc.Set(section, key, value);
  WriteDocument(path_, doc);
}

void IniFile::Batch::Commit() {
  ini_.batching_ = false;
  if (!ini_.pending_) return;
  IniDocument doc = std::move(*ini_.pending_);
  ini_.pending_.reset();
  WriteDocument(ini_.path_, doc);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, FormatInt(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool IniFileExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}
