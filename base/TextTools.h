#pragma once
// Locale-free text helpers shared by the file readers.
#include <string>
#include <string_view>

// ASCII letters to lower case; every other byte stays as it is.
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
std::string AsciiLower(std::string s);

// Without leading blanks and tabs, and without trailing blanks, tabs and line ends.
std::string_view TrimBlanks(std::string_view s);
