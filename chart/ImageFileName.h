#pragma once
// File names of the lists the chart's windows save.
#include <string>

// The name with its extension (from the last '.' of the file-name part)
// replaced by `ext`, or `ext` appended when it has none. Empty when nothing
// is to be written: an empty name, or one whose file-name part would be only
// the extension.
std::string ReplaceFileExtension(const std::string& name, const std::string& ext);
