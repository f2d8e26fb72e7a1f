#pragma once
// A whole file's bytes, for tests that compare files byte for byte.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::string ReadFileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
