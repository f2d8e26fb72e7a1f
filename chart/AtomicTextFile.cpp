#include "chart/AtomicTextFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

std::string WriteTextLinesAtomically(const std::string& path, const std::vector<std::string>& lines) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  std::random_device rd;
  const fs::path temp = target.parent_path() / (target.filename().string() + ".tmp" + std::to_string(rd()));
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return "Cannot create the file " + temp.string();
    for (const std::string& l : lines) {
      out.write(l.data(), static_cast<std::streamsize>(l.size()));
      out.write("\r\n", 2);
    }
    out.flush();
    if (!out) {
      out.close();
      std::error_code ec;
      fs::remove(temp, ec);
      return "Cannot write the file " + path;
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    return "Cannot write the file " + path;
  }
  return {};
}
