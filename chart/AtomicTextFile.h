#pragma once
// Writes text lines to a file through a temporary file in the same folder
// and a rename, so a failed save leaves an existing file intact.
#include <string>
#include <vector>

// Lines end with CR LF. Returns an error text, empty on success.
std::string WriteTextLinesAtomically(const std::string& path, const std::vector<std::string>& lines);
