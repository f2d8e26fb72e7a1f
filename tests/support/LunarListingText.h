#pragma once
// Prediction listing texts for tests: fixed-column lines built by placing
// texts at 1-based columns, and a lunar listing whose header labels put each
// value at a known column.
#include <string>
#include <utility>
#include <vector>

// A line of `width` blanks with each text placed at its 1-based column;
// trailing blanks removed when `trim`.
std::string PutColumns(const std::vector<std::pair<int, std::string>>& cells, size_t width = 160, bool trim = true);

// An event line of the sample listing: date and time (columns 1-18), the
// catalogue character (20), the star number (21-26) and the contact angle (59-63).
std::string LunarEventLine(const std::string& date_time, const std::string& kind, const std::string& number,
                           const std::string& contact = "-120 ");

// Heading (site line, header line with "Cct") and event lines: ZC 1234 at
// 24 May 12 14:30:05 with a continuation line, SAO 9000 at 14:30:26, XZ 777 on
// 23 Dec 31 and ZC 8999 on 24 Jun 11. Values: spectrum "K ", V 7.2, R 6.5,
// contact angle -120, velocity 612.3, distance 380.12 (thousand km).
std::vector<std::string> SampleLunarListing();

// ASCII text as a file saved as "Unicode" (UTF-16, little-endian, with its mark).
std::string Utf16LeFileBytes(const std::string& ascii);
