#pragma once

#include <string_view>

// True when the text, leading blanks aside, starts with a minus sign and its
// cleaned number is not 0: SanitizeNumericText would take it as its absolute
// value.
bool NegativeNumericText(std::string_view s);
