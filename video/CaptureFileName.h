#pragma once
// The name of the next capture file: the folder and the typed name with the
// extension ".avi", then, while a file of that name exists, a three-digit
// counter appended to or advanced in the base name (obs -> obs_001,
// obs_009 -> obs_010).
#include <functional>
#include <string>
#include <vector>

// Folder + "/" + name (one separator), "Untitled" for an empty name, the
// extension made ".avi".
std::string CaptureFilePath(const std::string& folder, const std::string& name);

struct FreeCaptureName {
  std::string File;                     // full path
  std::string BaseName;                 // the name without folder and extension (Edit2)
  std::vector<std::string> CounterTexts;  // each old counter advanced, for the message list
};

// Advances the counter until `exists` says the name is free.
FreeCaptureName NextFreeCaptureName(const std::string& file, const std::function<bool(const std::string&)>& exists);
