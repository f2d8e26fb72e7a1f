#pragma once
// The XZ catalogue number of each ZC number, from "ZC2XZ.txt".
//
// Contract: lines (CR LF, LF or CR) whose first two characters are exactly
// "ZC" give the ZC number in comma field 2 and the XZ number in field 4.
// Entries with 1 <= ZC < 3500 are stored. Other lines are skipped, and so is a
// "ZC" line whose field 2 or 4 is not an integer (blanks around are allowed).
// A UTF-8 byte-order mark is skipped and a "Unicode" (UTF-16) file converted.
// Files larger than 16 MB are not read.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

// Index = ZC number (1..3600); 0 = no entry.
using ZcToXzTable = std::array<int32_t, 3601>;

ZcToXzTable ParseZcToXz(std::string_view text);
// An empty table when the file is missing or unreadable.
ZcToXzTable LoadZcToXz(const std::filesystem::path& path);
// The XZ number of a ZC number text; none when the text is no whole number
// inside the table or the table has no entry for it.
std::optional<int32_t> XzNumberOf(std::string_view zc_number, const ZcToXzTable& table);
