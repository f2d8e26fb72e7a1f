#include "base/ZcToXzTable.h"

#include "base/AtomicFile.h"
#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ResultTable.h"

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

ZcToXzTable ParseZcToXz(std::string_view text) {
  ZcToXzTable table{};
  for (const std::string& line : SplitTextLines(text)) {
    if (!line.starts_with("ZC")) continue;
    auto zc = ParseInt32(TrimBlanks(GetCsvField(line, 2)));
    auto xz = ParseInt32(TrimBlanks(GetCsvField(line, 4)));
    if (!zc || !xz) continue;
    if (*zc >= 1 && *zc < 3500) table[static_cast<size_t>(*zc)] = *xz;
  }
  return table;
}

ZcToXzTable LoadZcToXz(const std::filesystem::path& path) {
  auto text = ReadWholeFile(path, 16u << 20);
  if (!text) return ZcToXzTable{};
  return ParseZcToXz(*text);
}
