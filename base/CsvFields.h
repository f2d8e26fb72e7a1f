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

// A cell of the results table as the loader reads it: the n-th field without
// its quotes. A table saved by a program that quotes every cell ("1167.6")
// holds the same numbers, and "" is an empty cell.
std::string GetCsvCell(std::string_view line, int n);

// The same for a field already split off: `field` itself when it holds no
// quote, else its text without quotes, kept in `scratch`.
std::string_view UnquotedCell(std::string_view field, std::string& scratch);

// Cleans an edit text to a plain unsigned decimal number: "" -> "0",
// ".5" -> "0.5", "12." -> "12.0", "1.2.3" -> "1.23", "-3" -> "3".
void SanitizeNumericText(std::string& s);

// True when the text, leading blanks aside, starts with a minus sign and its
// cleaned number is not 0: SanitizeNumericText would take it as its absolute
// value.
bool NegativeNumericText(std::string_view s);

// Decimal integer text (optional sign, leading blanks) to a 32-bit integer;
// 0 when the text does not convert or is out of range.
int32_t StrToIntOrZero(std::string_view s);
