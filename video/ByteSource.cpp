#include "video/ByteSource.h"

#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool ByteSource::ReadPieces(uint64_t offset, const iovec* pieces, int count, size_t total) const {
  for (int i = 0; i < count; ++i) {
    if (!ReadAt(offset, pieces[i].iov_base, pieces[i].iov_len)) return false;
    offset += pieces[i].iov_len;
    total -= pieces[i].iov_len;
  }
  return total == 0;
}

bool MemoryByteSource::ReadAt(uint64_t offset, void* dst, size_t n) const {
  if (offset > size_ || n > size_ - offset) return false;
  if (n) std::memcpy(dst, data_ + offset, n);
  return true;
}

std::unique_ptr<FileByteSource> FileByteSource::Open(const std::string& path) {
  const int fd = OpenPlainFileForReading(path);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileByteSource>(new FileByteSource(fd, uint64_t(st.st_size)));
}

FileByteSource::~FileByteSource() { ::close(fd_); }

bool FileByteSource::ReadAt(uint64_t offset, void* dst, size_t n) const {
  if (offset > size_ || n > size_ - offset) return false;
  auto* p = static_cast<uint8_t*>(dst);
  while (n > 0) {
    ssize_t got = ::pread(fd_, p, n, off_t(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    n -= size_t(got);
    offset += uint64_t(got);
  }
  return true;
}

bool FileByteSource::ReadPieces(uint64_t offset, const iovec* pieces, int count, size_t total) const {
  ssize_t got;
  do got = ::preadv(fd_, pieces, count, off_t(offset));
  while (got < 0 && errno == EINTR);
  return got >= 0 && size_t(got) == total;
}

uint64_t FileByteSource::SizeNow() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 ? uint64_t(st.st_size) : 0;
}
