#pragma once
// Random-access bytes of a video file: a file read with pread (64-bit offsets,
// no shared file position) or a memory block (tests, the fuzzer).
#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly n bytes at offset; false when they are not all there.
  virtual bool ReadAt(uint64_t offset, void* dst, size_t n) const = 0;
  // Reads the `total` bytes at offset into the pieces in turn; false when
  // they are not all there (the pieces may be partly written then).
  virtual bool ReadPieces(uint64_t offset, const iovec* pieces, int count, size_t total) const;
  // The size now: a file may have been cut since it was opened.
  virtual uint64_t SizeNow() const { return Size(); }
};

class MemoryByteSource final : public ByteSource {
 public:
  MemoryByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* dst, size_t n) const override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// A memory block the source owns.
class OwnedMemoryByteSource final : public ByteSource {
 public:
  explicit OwnedMemoryByteSource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, void* dst, size_t n) const override {
    return MemoryByteSource(bytes_.data(), bytes_.size()).ReadAt(offset, dst, n);
  }

 private:
  std::vector<uint8_t> bytes_;
};

class FileByteSource final : public ByteSource {
 public:
  // Nothing when the file cannot be opened for reading.
  static std::unique_ptr<FileByteSource> Open(const std::string& path);
  ~FileByteSource() override;
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* dst, size_t n) const override;
  // One system call: the kernel copies straight into the pieces.
  bool ReadPieces(uint64_t offset, const iovec* pieces, int count, size_t total) const override;
  uint64_t SizeNow() const override;

 private:
  FileByteSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
  int fd_;
  uint64_t size_;
};
