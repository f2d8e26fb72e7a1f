#pragma once
// The image-file library's own streams: a small hierarchy of readable and/or
// writable byte streams, filter streams stacked on a target (never owning it),
// seekable file and memory streams, a buffered stream and a text stream.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ImageFileLib/LibraryErrors.h"

namespace ImageFile {

class TBaseStream {
public:
  TBaseStream() = default;
  TBaseStream(const TBaseStream&) = delete;
  TBaseStream& operator=(const TBaseStream&) = delete;
  virtual ~TBaseStream() = default;

  virtual const char* ClassName() const { return "TBaseStream"; }
  virtual void SetStrictCount(bool value) { StrictCount = value ? 1 : 0; }
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // True when Available() is 0 (named Eof: EOF is a C macro).
  virtual bool Eof() { return Available() == 0; }
  virtual int64_t Available() = 0;
  virtual void Flush() {}
  // Writes out whatever the stream still holds, for good (a compressor ends
  // its data); errors are thrown. By default Flush.
  virtual void Finish() { Flush(); }
  // Reads the source in blocks of 4096 bytes until its end and writes them here.
  virtual void CopyFrom(TBaseStream& source);
  virtual bool IsFilter() const { return false; }

  uint8_t CanWrite = 0;
  uint8_t CanRead = 0;
  uint8_t StrictCount = 1;
};

class TFilterStream : public TBaseStream {
public:
  explicit TFilterStream(TBaseStream* target) : Target(target) {}
  const char* ClassName() const override { return "TFilterStream"; }
  void SetStrictCount(bool value) override;
  int64_t Write(const void* buffer, int64_t count) override { return Target->Write(buffer, count); }
  int64_t Read(void* buffer, int64_t count) override { return Target->Read(buffer, count); }
  int64_t Available() override { return Target->Available(); }
  bool IsFilter() const override { return true; }

  TBaseStream* Target;  // not owned
};

class TSeekableStream : public TBaseStream {
public:
  const char* ClassName() const override { return "TSeekableStream"; }
  virtual int64_t GetPosition() = 0;
  virtual int64_t GetSize() = 0;
  virtual void SetPosition(int64_t position) = 0;
  // The stream ends at the current position.
  virtual void Truncate() = 0;
};

// File access modes of TFileStream.
enum : int {
  fmRead = 1,
  fmWrite = 2,
  fmCreate = 4,
  fmShareRead = 8,
  fmShareWrite = 16,
};

class TFileStream : public TSeekableStream {
public:
  TFileStream(const std::string& file_name, int mode);
  // Wraps an open descriptor (owned from now on).
  static std::unique_ptr<TFileStream> CreateFromHandle(int handle);
  ~TFileStream() override;
  const char* ClassName() const override { return "TFileStream"; }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Available() override { return GetSize() - GetPosition(); }
  void Flush() override;
  int64_t GetPosition() override;
  int64_t GetSize() override;
  void SetPosition(int64_t position) override;
  void Truncate() override;
  // Closes and deletes the file; the object stays, without a handle.
  void Delete();
  // Puts the written bytes on the disk and closes the file; a failure of
  // either is an error (delayed writes fail only here).
  void SyncAndClose();

  int Handle = -1;
  std::string FileName;

private:
  TFileStream() = default;
};

// A stream in memory made of blocks that are only ever appended.
class TMemStream : public TSeekableStream {
public:
  TMemStream();
  const char* ClassName() const override { return "TMemStream"; }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Available() override { return Size - Position; }
  int64_t GetPosition() override { return Position; }
  int64_t GetSize() override { return Size; }
  void SetPosition(int64_t position) override;
  void Truncate() override;
  void Clear();
  // The whole contents as one vector (for tests and callers that need it).
  std::vector<uint8_t> ToVector();

private:
  struct Block {
    std::vector<uint8_t> Data;  // size = capacity
  };
  std::vector<Block> Blocks;
  int64_t Current = -1;  // index of the current block, -1 while none
  int64_t Offset = 0;    // offset in the current block
  int64_t Size = 0;
  int64_t Position = 0;
};

class TBufferedStream : public TFilterStream {
public:
  // A size of -1 means 65536, 0 no buffer in that direction.
  TBufferedStream(int read_buffer_size, int write_buffer_size, TBaseStream* target);
  ~TBufferedStream() override;
  const char* ClassName() const override { return "TBufferedStream"; }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Available() override;
  void Flush() override;

protected:
  // Refills the read buffer from the target; returns the bytes now held.
  int64_t Refill();

  uint8_t RestoreStrict = 0;
  std::vector<uint8_t> ReadBuffer;
  int64_t ReadPos = 0;
  int64_t ReadFill = 0;
  int64_t ReadBufferSize = 0;
  std::vector<uint8_t> WriteBuffer;
  int64_t WriteFill = 0;
  int64_t WriteBufferSize = 0;
};

class TTextStream : public TBufferedStream {
public:
  TTextStream(int read_buffer_size, int write_buffer_size, TBaseStream* target);
  const char* ClassName() const override { return "TTextStream"; }
  using TBufferedStream::Write;
  void Write(const std::string& text);
  void WriteLn(const std::string& text);
  // Reads one line (CR LF, LF CR, CR or LF ends it); returns its length.
  int64_t ReadLn(std::string& text);

  int32_t LineNumber = 0;
  int32_t LineEnd = -1;
  int32_t SecondLineEnd = -1;
  std::string LineTerminator = "\r\n";
};

// Copies up to count bytes in blocks of at most 4096 until the source ends;
// without a target the bytes are skipped. Returns the bytes copied.
int64_t CopyStream(TBaseStream& source, TBaseStream* target, int64_t count);

// Finishes the stream and then each target down a chain of filter streams,
// frees them all, and then throws the first error a finish met (a full disk
// is not a success).
void FreeFilterChain(TBaseStream* stream);

// For chains that were only read: frees them without throwing.
struct FilterChainDeleter {
  void operator()(TBaseStream* stream) const noexcept;
};
using FilterChain = std::unique_ptr<TBaseStream, FilterChainDeleter>;

// A buffered stream over a file: for writing mode 15 and a write buffer, for
// reading mode 9 and a read buffer. Free it with FreeFilterChain.
TBufferedStream* OpenBufferedFile(const std::string& file_name, bool for_writing);

}  // namespace ImageFile
