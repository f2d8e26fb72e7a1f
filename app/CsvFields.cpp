#include "app/CsvFields.h"

#include "app/NumberText.h"

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

void SanitizeNumericText(std::string& s) {
  if (s.empty()) {
    s = "0";
    return;
  }
  bool seen_point = false;
  for (size_t i = 0; i < s.size();) {
    if (s[i] != '.') {
      ++i;
      continue;
    }
    if (seen_point) {
      s.erase(i, 1);
      continue;
    }
    seen_point = true;
    if (i == 0) {
      s.insert(0, "0");
      ++i;
    }
    if (i == s.size() - 1) s += '0';
    ++i;
  }
  std::string out;
  for (char c : s)
    if ((c >= '0' && c <= '9') || c == '.') out += c;
  s = out.empty() ? "0" : out;
}

int32_t StrToIntOrZero(std::string_view s) {
  auto v = ParseInt32(s);
  return v ? *v : 0;
}
