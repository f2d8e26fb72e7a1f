#pragma once
// Names that look like files but are not readable files: a folder called
// "run.csv", a path that vanished after it was chosen, a named pipe. A pipe
// that nobody writes makes a plain open() wait for ever; the watch frees
// such a reader (it opens the pipe for writing and closes it, so the reader
// sees an empty file) and remembers that it had to.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

enum class NotAFileKind { Folder, Vanished, Pipe };

class NamedPipeWatch {
 public:
  explicit NamedPipeWatch(const std::filesystem::path& path) : path_(path) {
    ::mkfifo(path.c_str(), 0600);
    thread_ = std::thread([this] { Watch(); });
  }
  ~NamedPipeWatch() {
    stop_ = true;
    thread_.join();
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  NamedPipeWatch(const NamedPipeWatch&) = delete;
  NamedPipeWatch& operator=(const NamedPipeWatch&) = delete;

  // True when a reader waited on the pipe for seconds.
  bool ReaderWasStuck() const { return stuck_; }

 private:
  void Watch() {
    using namespace std::chrono;
    auto since = steady_clock::now();
    while (!stop_) {
      std::this_thread::sleep_for(milliseconds(50));
      if (steady_clock::now() - since < seconds(2)) continue;
      // Succeeds only while a reader holds the pipe open.
      const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        stuck_ = true;
        ::close(fd);
      }
      since = steady_clock::now();
    }
  }
  std::filesystem::path path_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> stuck_{false};
  std::thread thread_;
};

// Makes `path` into the kind asked for; a pipe comes with its watch.
inline std::unique_ptr<NamedPipeWatch> MakeNotAFile(const std::filesystem::path& path, NotAFileKind kind) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
  if (kind == NotAFileKind::Folder) std::filesystem::create_directories(path / "inside");
  if (kind == NotAFileKind::Pipe) return std::make_unique<NamedPipeWatch>(path);
  return nullptr;
}
