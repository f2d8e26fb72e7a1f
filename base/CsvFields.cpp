#include "base/CsvFields.h"

#include "base/NumberText.h"

std::string GetCsvField(std::string_view line, int n) {
  if (n < 1) n = 1;
  // Field n lies between comma n-1 and comma n of the line with one comma
  // appended; the appended comma stands at line.size().
  size_t start = 0;
  for (int k = 1; k < n; ++k) {
    size_t c = line.find(',', start);
    if (c == std::string_view::npos) return {};
    start = c + 1;
  }
  size_t end = line.find(',', start);
  if (end == std::string_view::npos) end = line.size();
  return std::string(line.substr(start, end - start));
}

void SetCsvField(std::string& line, int n, std::string_view value) {
  if (line.empty()) return;
  if (n < 1) n = 1;
  int commas = 0;
  for (char c : line) commas += c == ',';
  if (commas < n) line.append(static_cast<size_t>(n - commas), ',');
  size_t start = 0;
  for (int k = 1; k < n; ++k) start = line.find(',', start) + 1;
  size_t end = line.find(',', start);
  line.replace(start, end - start, value);
}

std::string StripQuotes(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    if (c != '"') out += c;
  return out;
}

std::string GetCsvCell(std::string_view line, int n) { return StripQuotes(GetCsvField(line, n)); }

std::string_view UnquotedCell(std::string_view field, std::string& scratch) {
  if (field.find('"') == std::string_view::npos) return field;
  scratch = StripQuotes(field);
  return scratch;
}

void SanitizeNumericText(std::string& s) {
  // Built by appending characters: GCC 12 at -O3 warns falsely (-Wrestrict)
  // on inserting a literal into the string being cleaned.
  if (s.empty()) {
    s.assign(1, '0');
    return;
  }
  // Decimal-point pass: the first point stays ("0" before it when it leads,
  // "0" after it when it ends the text); later points go.
  std::string pointed;
  pointed.reserve(s.size() + 2);
  bool seen_point = false;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c != '.') {
      pointed.push_back(c);
      continue;
    }
    if (seen_point) continue;
    seen_point = true;
    if (i == 0) pointed.push_back('0');
    pointed.push_back('.');
    if (i + 1 == s.size()) pointed.push_back('0');
  }
  // Character pass: digits and the point only.
  std::string out;
  out.reserve(pointed.size());
  for (char c : pointed)
    if ((c >= '0' && c <= '9') || c == '.') out.push_back(c);
  if (out.empty()) out.assign(1, '0');
  s.swap(out);
}

bool NegativeNumericText(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos || s[first] != '-') return false;
  std::string cleaned(s);
  SanitizeNumericText(cleaned);
  return ParseLongDouble(cleaned).value_or(0) != 0;
}

int32_t StrToIntOrZero(std::string_view s) {
  auto v = ParseInt32(s);
  return v ? *v : 0;
}
