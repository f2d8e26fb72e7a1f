#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace {

std::string ErrnoText(const std::string& what, const std::filesystem::path& p) {
  return what + " " + p.string() + ": " + std::strerror(errno);
}

bool IsReadOnlyMode(mode_t mode) { return S_ISREG(mode) && (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

}  // namespace

bool IsReadOnlyFile(const std::filesystem::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && IsReadOnlyMode(st.st_mode);
}

bool WriteFileAtomic(const std::filesystem::path& named_path, std::string_view data, std::string* error) {
  static std::atomic<unsigned> counter{0};
  // A link (a settings file kept in a synchronised folder) stays: the file it
  // names is the one replaced.
  std::filesystem::path path = named_path;
  std::error_code ec;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) {
    std::filesystem::path target = std::filesystem::canonical(path, ec);
    if (!ec) path = std::move(target);
  }
  // Part of the name only: the whole one with a suffix could exceed the
  // longest file name the folder takes.
  const std::string leaf = path.filename().string().substr(0, 64);
  const std::filesystem::path temp =
      path.parent_path() / ("." + leaf + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  // Messages name the file the user chose, not the hidden temporary one.
  auto fail = [&](const std::string& reason) {
    if (error) *error = reason;
    return false;
  };
  struct stat old_stat {};
  const bool replacing = ::stat(path.c_str(), &old_stat) == 0;
  // A file marked read-only is one the observer protected: the rename would
  // replace it all the same, so it is refused here.
  if (replacing && IsReadOnlyMode(old_stat.st_mode)) {
    errno = EACCES;
    return fail(ErrnoText("Cannot replace", named_path));
  }
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return fail(ErrnoText("Cannot create", named_path));
  // Keep the permissions of a file being replaced.
  if (replacing) ::fchmod(fd, old_stat.st_mode & 07777);
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::string reason = ErrnoText("Cannot write", named_path);
      ::close(fd);
      ::unlink(temp.c_str());
      return fail(reason);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  // The descriptor is closed whether or not the sync went through.
  const bool synced = ::fsync(fd) == 0;
  std::string reason = synced ? std::string() : ErrnoText("Cannot write", named_path);
  if (::close(fd) != 0 && synced) reason = ErrnoText("Cannot write", named_path);
  if (!reason.empty()) {
    ::unlink(temp.c_str());
    return fail(reason);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    std::string reason = ErrnoText("Cannot replace", named_path);
    ::unlink(temp.c_str());
    return fail(reason);
  }
  return true;
}

int OpenPlainFileForReading(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int reason = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = reason;
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, size_t max_bytes) {
  int fd = OpenPlainFileForReading(path);
  if (fd < 0) return std::nullopt;
  std::string out;
  // One allocation of the file's size: growing by doubling would hold up to
  // twice a large file while it is read.
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0 && static_cast<uint64_t>(st.st_size) <= max_bytes)
    out.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || out.size() + static_cast<size_t>(n) > max_bytes) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return out;
}

bool IsPlainFileLargerThan(const std::filesystem::path& path, size_t max_bytes) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  const auto size = std::filesystem::file_size(path, ec);
  return !ec && size > max_bytes;
}
