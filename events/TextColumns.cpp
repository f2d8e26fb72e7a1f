#include "events/TextColumns.h"

#include "base/TextTools.h"

std::string Columns(std::string_view line, int pos, int count) {
  if (pos < 1 || count < 1 || static_cast<size_t>(pos) > line.size()) return {};
  return std::string(line.substr(static_cast<size_t>(pos - 1), static_cast<size_t>(count)));
}

std::string_view TrimLeading(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

std::string RemoveLeadingBlanks(std::string_view s, int max) {
  for (int k = 0; k < max && !s.empty() && s.front() == ' '; ++k) s.remove_prefix(1);
  return std::string(s);
}

bool StartsWithSkippingBom(std::string_view line, std::string_view prefix) {
  return WithoutUtf8Bom(line).starts_with(prefix);
}
