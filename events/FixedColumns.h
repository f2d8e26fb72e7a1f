#pragma once
// Fixed-column report texts are built by overwriting columns of a blank
// template; the template keeps its length.
#include <string>
#include <string_view>

// Writes `text` from 1-based column `col` on; what would run past the end is cut.
void PutAtColumn(std::string& line, size_t col, std::string_view text);
// Writes `text` so that its last character sits at 1-based column `col`; a
// text longer than `col` loses its leading characters.
void PutEndingAtColumn(std::string& line, size_t col, std::string_view text);

// A one-character text with "0" in front ("7" -> "07"); others unchanged.
std::string ZeroPadOne(std::string_view s);
