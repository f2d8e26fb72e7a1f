#pragma once
// File names of saved chart pictures and lists.
#include <string>

// The name with its extension (from the last '.' of the file-name part)
// replaced by `ext`, or `ext` appended when it has none. Empty when nothing
// is to be written: an empty name, or one whose file-name part would be only
// the extension.
std::string ReplaceFileExtension(const std::string& name, const std::string& ext);

// The name with its extension replaced by ".png" (type 1 and any other type),
// ".jpg" (type 2) or ".bmp" (type 3), as ReplaceFileExtension.
std::string ImageFileNameForType(const std::string& name, int type);
