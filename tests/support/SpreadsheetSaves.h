#pragma once
// Results tables as other programs save them again.
#include "base/NumberText.h"
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

// The CRLF text with every cell replaced by cell_fn(cell) and the cells
// parted by `separator`.
template <class CellFn>
std::string WithCellsRewritten(std::string_view crlf_text, char separator, CellFn cell_fn) {
  std::string out;
  for (size_t at = 0; at < crlf_text.size();) {
    size_t end = crlf_text.find("\r\n", at);
    if (end == std::string_view::npos) end = crlf_text.size();
    const std::string_view line = crlf_text.substr(at, end - at);
    for (size_t start = 0;;) {
      const size_t comma = line.find(',', start);
      const size_t count = comma == std::string_view::npos ? std::string_view::npos : comma - start;
      out += cell_fn(std::string(line.substr(start, count)));
      if (comma == std::string_view::npos) break;
      out += separator;
      start = comma + 1;
    }
    out += "\r\n";
    at = end + 2;
  }
  return out;
}

// A results table as a spreadsheet set to a decimal comma saves it again:
// every decimal number written with a comma, the cells parted by `separator`
// and, when that is a comma itself, each such number quoted ("12,5").
inline std::string SavedWithDecimalCommas(std::string_view crlf_text, char separator) {
  return WithCellsRewritten(crlf_text, separator, [separator](std::string cell) {
    if (cell.find('.') != std::string::npos && ParseDouble(cell)) {
      cell[cell.find('.')] = ',';
      if (separator == ',') cell = "\"" + cell + "\"";
    }
    return cell;
  });
}

// The table as a program that quotes every cell saves it (Python's csv module
// reading it and writing it with QUOTE_ALL): each cell between double quotes,
// an empty cell as "". The table's cells hold no quotes or commas inside.
inline std::string SavedWithEveryCellQuoted(std::string_view crlf_text) {
  return WithCellsRewritten(crlf_text, ',', [](std::string cell) {
    const bool quoted = cell.size() >= 2 && cell.front() == '"' && cell.back() == '"';
    return quoted ? cell : "\"" + cell + "\"";
  });
}

// The table with every line as long as the longest, as a spreadsheet keeps
// it: empty cells added at the ends of the shorter lines.
inline std::string WithEveryLineAsLongAsTheLongest(std::string_view crlf_text) {
  std::vector<std::string> lines;
  size_t widest = 0;
  for (size_t at = 0; at < crlf_text.size();) {
    size_t end = crlf_text.find("\r\n", at);
    if (end == std::string_view::npos) end = crlf_text.size();
    lines.emplace_back(crlf_text.substr(at, end - at));
    widest = std::max<size_t>(widest, std::count(lines.back().begin(), lines.back().end(), ','));
    at = end + 2;
  }
  std::string out;
  for (const std::string& line : lines)
    out += line + std::string(widest - static_cast<size_t>(std::count(line.begin(), line.end(), ',')), ',') + "\r\n";
  return out;
}

// The same for a table held as lines.
inline std::vector<std::string> EveryCellQuoted(const std::vector<std::string>& lines) {
  std::string crlf;
  for (const std::string& line : lines) crlf += line + "\r\n";
  const std::string saved = SavedWithEveryCellQuoted(crlf);
  std::vector<std::string> out;
  for (size_t at = 0; at < saved.size(); at = saved.find("\r\n", at) + 2)
    out.push_back(saved.substr(at, saved.find("\r\n", at) - at));
  return out;
}
