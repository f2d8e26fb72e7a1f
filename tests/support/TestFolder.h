#pragma once
// A unique temporary folder for one test, removed with everything in it.
// It also points HOME and XDG_CONFIG_HOME into itself while it lives.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "support/TemporaryFolder.h"

class TestFolder {
 public:
  TestFolder() : path_(folder_.Path()) {
    Save("HOME", old_home_, had_home_);
    Save("XDG_CONFIG_HOME", old_xdg_, had_xdg_);
    std::filesystem::create_directories(path_ / "home");
    ::setenv("HOME", (path_ / "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (path_ / "xdg").c_str(), 1);
  }
  ~TestFolder() {
    Restore("HOME", old_home_, had_home_);
    Restore("XDG_CONFIG_HOME", old_xdg_, had_xdg_);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  static void Save(const char* name, std::string& value, bool& had) {
    const char* v = ::getenv(name);
    had = v != nullptr;
    if (had) value = v;
  }
  static void Restore(const char* name, const std::string& value, bool had) {
    if (had)
      ::setenv(name, value.c_str(), 1);
    else
      ::unsetenv(name);
  }
  TemporaryFolder folder_;
  const std::filesystem::path& path_;
  std::string old_home_, old_xdg_;
  bool had_home_ = false, had_xdg_ = false;
};
