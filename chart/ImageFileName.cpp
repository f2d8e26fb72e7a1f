#include "chart/ImageFileName.h"

std::string ReplaceFileExtension(const std::string& name, const std::string& ext) {
  const size_t slash = name.find_last_of("\\/");
  const size_t file_start = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = name.find_last_of('.');
  std::string out = (dot != std::string::npos && dot >= file_start) ? name.substr(0, dot) : name;
  out += ext;
  if (out.size() <= file_start || out[file_start] == '.') return {};
  return out;
}
