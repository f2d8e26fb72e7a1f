#pragma once
// A unique temporary folder for a test (or a whole test program), removed with
// everything in it when the object goes.
#include <filesystem>
#include <string>
#include <vector>

class TemporaryFolder {
 public:
  // The folder is made below the system's temporary folder as <prefix>-XXXXXX.
  explicit TemporaryFolder(const std::string& prefix = "tessary-test");
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The path of name inside the folder, as text.
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Writes bytes to name inside the folder and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;
  // The names of the entries directly inside the folder.
  std::vector<std::string> Names() const;

 private:
  std::filesystem::path path_;
};
