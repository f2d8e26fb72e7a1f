#include <algorithm>

#include "events/FixedColumns.h"

void PutAtColumn(std::string& line, size_t col, std::string_view text) {
  if (col == 0 || col > line.size()) return;
  const size_t n = std::min(text.size(), line.size() - (col - 1));
  line.replace(col - 1, n, text.substr(0, n));
}

void PutEndingAtColumn(std::string& line, size_t col, std::string_view text) {
  if (text.size() > col) text.remove_prefix(text.size() - col);
  PutAtColumn(line, col + 1 - text.size(), text);
}

std::string ZeroPadOne(std::string_view s) { return s.size() == 1 ? "0" + std::string(s) : std::string(s); }
