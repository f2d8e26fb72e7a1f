#pragma once
// Fixed-column access to lines of prediction listings, with 1-based
// character positions as the listings are documented.
#include <string>
#include <string_view>

// `count` characters from 1-based `pos`, cut at the line's end; empty when
// `pos` is below 1 or past the end.
std::string Columns(std::string_view line, int pos, int count);

// The text without leading blanks and tabs.
std::string_view TrimLeading(std::string_view s);

// The text with at most `max` leading blanks removed.
std::string RemoveLeadingBlanks(std::string_view s, int max);

// Whether the line starts with `prefix`, a UTF-8 byte-order mark skipped.
bool StartsWithSkippingBom(std::string_view line, std::string_view prefix);
