#pragma once
// Locale-free text helpers shared by the file readers.
#include <optional>
#include <string>
#include <string_view>

// ASCII letters to lower case; every other byte stays as it is.
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
std::string AsciiLower(std::string s);

// Without leading blanks and tabs, and without trailing blanks, tabs and line ends.
std::string_view TrimBlanks(std::string_view s);

// Appends code point c as UTF-8.
void AppendUtf8(std::string& out, char32_t c);
// UTF-16 bytes as UTF-8; a lone surrogate or an odd last byte becomes U+FFFD.
// With stop_at_nul the text ends at the first NUL unit.
std::string Utf16ToUtf8(std::string_view bytes, bool little_endian, bool stop_at_nul = false);

// The byte-order mark editors on Windows put before UTF-8 text.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// Without a leading UTF-8 byte-order mark.
std::string_view WithoutUtf8Bom(std::string_view s);
// A file saved as "Unicode" (UTF-16 behind its byte-order mark) as UTF-8,
// without the mark; nothing when the bytes do not start with such a mark.
std::optional<std::string> Utf16FileText(std::string_view bytes);
// True when the bytes are well-formed UTF-8 (no overlong form, surrogate or
// code point beyond U+10FFFF).
bool IsValidUtf8(std::string_view s);
// Bytes of the Windows code page 1252 (Latin-1 with its 0x80..0x9F signs) as UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);
// A text file's bytes as UTF-8 text: a "Unicode" file converted, a UTF-8
// byte-order mark removed, and text without a mark that is no UTF-8 read in
// the Windows code page 1252.
std::string FileTextAsUtf8(std::string_view bytes);
