#pragma once
// Field access on the comma-separated lines of the results table.
// Quotes have no special meaning here: a comma inside a quoted cell splits.
// Fields are counted from 1. Lines of any length and any number of fields.
#include <cstdint>
#include <string>
#include <string_view>

// The n-th field (n < 1 counts as 1); empty when the line has fewer fields.
// Surrounding quotes and blanks stay in the result.
std::string GetCsvField(std::string_view line, int n);

// Replaces the n-th field (n < 1 counts as 1). When the line has fewer than n
// commas, commas are appended until it has n, so the field then ends with a
// comma. An empty line is left unchanged.
void SetCsvField(std::string& line, int n, std::string_view value);

// The text without any double-quote characters.
std::string StripQuotes(std::string_view s);

// Cleans an edit text to a plain unsigned decimal number: "" -> "0",
// ".5" -> "0.5", "12." -> "12.0", "1.2.3" -> "1.23", "-3" -> "3".
void SanitizeNumericText(std::string& s);

// Decimal integer text (optional sign, leading blanks) to a 32-bit integer;
// 0 when the text does not convert or is out of range.
int32_t StrToIntOrZero(std::string_view s);
