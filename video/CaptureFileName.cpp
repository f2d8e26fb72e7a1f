#include "video/CaptureFileName.h"

#include <cctype>

namespace {

struct PathParts {
  std::string folder;  // with its trailing separator, or empty
  std::string base;
  std::string ext;     // with its dot, or empty
};

PathParts Split(const std::string& file) {
  PathParts p;
  const size_t slash = file.find_last_of("/\\");
  p.folder = slash == std::string::npos ? "" : file.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) {
    p.ext = name.substr(dot);
    name.resize(dot);
  }
  p.base = name;
  return p;
}

bool EndsInCounter(const std::string& base) {
  const size_t n = base.size();
  if (n < 4 || base[n - 4] != '_') return false;
  for (size_t i = n - 3; i < n; ++i)
    if (!std::isdigit(static_cast<unsigned char>(base[i]))) return false;
  return true;
}

std::string ThreeDigits(int n) {
  std::string s = std::to_string(n);
  while (s.size() < 3) s.insert(s.begin(), '0');
  return s;
}

}  // namespace

std::string CaptureFilePath(const std::string& folder, const std::string& name) {
  std::string file = name.empty() ? "Untitled" : name;
  PathParts p = Split(file);
  file = p.folder + p.base + ".avi";
  if (folder.empty()) return file;
  const bool has_sep = folder.back() == '/' || folder.back() == '\\';
  return folder + (has_sep ? "" : "/") + file;
}

FreeCaptureName NextFreeCaptureName(const std::string& file, const std::function<bool(const std::string&)>& exists) {
  FreeCaptureName r;
  r.File = file;
  r.BaseName = Split(file).base;
  // Each turn makes a longer or larger name, so the loop ends; the bound
  // only guards against a predicate that never says "free".
  for (int turn = 0; turn < 100000 && exists(r.File); ++turn) {
    PathParts p = Split(r.File);
    if (p.base.size() < 5 || !EndsInCounter(p.base)) {
      p.base += "_001";
    } else {
      const std::string digits = p.base.substr(p.base.size() - 3);
      r.CounterTexts.push_back(digits);
      p.base = p.base.substr(0, p.base.size() - 4) + "_" + ThreeDigits(std::stoi(digits) + 1);
    }
    r.File = p.folder + p.base + p.ext;
    r.BaseName = p.base;
  }
  return r;
}
