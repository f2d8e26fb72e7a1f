#pragma once
// The file name of a saved chart picture for the chosen file type.
#include <string>

// The name with its extension replaced by ".png" (type 1 and any other type),
// ".jpg" (type 2) or ".bmp" (type 3). Empty when nothing is to be written:
// an empty name, or one whose file-name part is only an extension.
std::string ImageFileNameForType(const std::string& name, int type);
