#include "base/NumericSign.h"

#include <string>

#include "base/CsvFields.h"
#include "base/NumberText.h"

bool NegativeNumericText(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos || s[first] != '-') return false;
  std::string cleaned(s);
  SanitizeNumericText(cleaned);
  return ParseLongDouble(cleaned).value_or(0) != 0;
}
