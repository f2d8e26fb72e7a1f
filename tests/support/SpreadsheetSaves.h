#pragma once
// A results table as a spreadsheet set to a decimal comma saves it again:
// every decimal number written with a comma, the cells parted by `separator`
// and, when that is a comma itself, each such number quoted ("12,5").
#include "base/NumberText.h"
#include <string>
#include <string_view>

inline std::string SavedWithDecimalCommas(std::string_view crlf_text, char separator) {
  std::string out;
  for (size_t at = 0; at < crlf_text.size();) {
    size_t end = crlf_text.find("\r\n", at);
    if (end == std::string_view::npos) end = crlf_text.size();
    const std::string_view line = crlf_text.substr(at, end - at);
    for (size_t start = 0;;) {
      const size_t comma = line.find(',', start);
      std::string cell(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
      if (cell.find('.') != std::string::npos && ParseDouble(cell)) {
        cell[cell.find('.')] = ',';
        if (separator == ',') cell = "\"" + cell + "\"";
      }
      out += cell;
      if (comma == std::string_view::npos) break;
      out += separator;
      start = comma + 1;
    }
    out += "\r\n";
    at = end + 2;
  }
  return out;
}
