#include "base/ZcToXzTable.h"

#include "base/AtomicFile.h"
#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ResultTable.h"
#include "base/TextTools.h"

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
  // Saved by a Windows editor the file may begin with a byte-order mark, or be "Unicode".
  return ParseZcToXz(FileTextAsUtf8(*text));
}

std::optional<int32_t> XzNumberOf(std::string_view zc_number, const ZcToXzTable& table) {
  const auto zc = ParseInt64(zc_number);
  if (!zc || *zc < 1 || *zc >= static_cast<int64_t>(table.size()) || table[static_cast<size_t>(*zc)] == 0)
    return std::nullopt;
  return table[static_cast<size_t>(*zc)];
}
