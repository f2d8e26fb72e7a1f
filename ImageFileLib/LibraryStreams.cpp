#include "ImageFileLib/LibraryStreams.h"

#include "base/AtomicFile.h"

#include <exception>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ImageFile {

std::string FormatMessage(const std::string& pattern, const std::string& a, const std::string& b) {
  std::string out;
  const std::string* args[2] = {&a, &b};
  int next = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && next < 2) {
      out += *args[next++];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string SystemErrorText(int error_number) {
  char buffer[256] = {};
  // The GNU variant may return a static text instead of filling the buffer.
  const char* text = strerror_r(error_number, buffer, sizeof buffer);
  return text ? std::string(text) : std::string(buffer);
}

// ---------------------------------------------------------------- TBaseStream

void TBaseStream::CopyFrom(TBaseStream& source) {
  const bool was_strict = source.StrictCount != 0;
  source.SetStrictCount(false);
  uint8_t block[4096];
  try {
    while (!source.Eof()) {
      const int64_t n = source.Read(block, sizeof block);
      if (n <= 0) break;
      Write(block, n);
    }
  } catch (...) {
    if (was_strict) source.SetStrictCount(true);
    throw;
  }
  if (was_strict) source.SetStrictCount(true);
}

void TFilterStream::SetStrictCount(bool value) {
  TBaseStream::SetStrictCount(value);
  Target->SetStrictCount(value);
}

// ---------------------------------------------------------------- TFileStream

TFileStream::TFileStream(const std::string& file_name, int mode) : FileName(file_name) {
  const bool read = (mode & fmRead) != 0;
  const bool write = (mode & fmWrite) != 0;
  if (!read && !write)
    throw EInOutError("Either read, write or full access must be specified in call to CreateFile");
  int flags = read && write ? O_RDWR : (write ? O_WRONLY : O_RDONLY);
  if (mode & fmCreate) flags |= O_CREAT | O_TRUNC;
  flags |= O_CLOEXEC;
  // A picture chosen to read must be a plain file: a named pipe would wait for ever.
  Handle = read && !write && !(mode & fmCreate) ? OpenPlainFileForReading(file_name)
                                                : ::open(file_name.c_str(), flags, 0666);
  if (Handle < 0)
    throw EInOutError(FormatMessage("Error opening \"%s\" - %s", file_name, SystemErrorText(errno)));
  CanRead = read;
  CanWrite = write;
}

std::unique_ptr<TFileStream> TFileStream::CreateFromHandle(int handle) {
  if (handle < 0) throw EInOutError(SystemErrorText(EBADF));
  std::unique_ptr<TFileStream> stream(new TFileStream());
  stream->Handle = handle;
  stream->CanRead = 1;
  stream->CanWrite = 1;
  return stream;
}

TFileStream::~TFileStream() {
  if (Handle >= 0) ::close(Handle);
}

namespace {

// Moves count bytes with ::read or ::write, retrying after signals; stops early
// at the end of the file (or a write that takes nothing).
template <typename Byte, typename Op>
int64_t TransferAll(Op op, int handle, Byte* p, int64_t count, bool strict, const char* failed, const char* short_text) {
  int64_t done = 0;
  while (done < count) {
    const ssize_t n = op(handle, p + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EInOutError(FormatMessage(failed, SystemErrorText(errno)));
    }
    if (n == 0) break;
    done += n;
  }
  if (done < count && strict) throw EInOutError(short_text);
  return done;
}

}  // namespace

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  return TransferAll(::write, Handle, static_cast<const uint8_t*>(buffer), count, StrictCount != 0,
                     "Error writing to stream - %s", "Written less than expected");
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  return TransferAll(::read, Handle, static_cast<uint8_t*>(buffer), count, StrictCount != 0,
                     "Error reading from stream - %s", "Read less than expected");
}

void TFileStream::Flush() { ::fsync(Handle); }

int64_t TFileStream::GetPosition() {
  const off_t p = ::lseek(Handle, 0, SEEK_CUR);
  if (p < 0) throw EInOutError(FormatMessage("IO-error: %s", SystemErrorText(errno)));
  return p;
}

int64_t TFileStream::GetSize() {
  struct stat st {};
  if (::fstat(Handle, &st) != 0) throw EInOutError(FormatMessage("IO-error: %s", SystemErrorText(errno)));
  return st.st_size;
}

void TFileStream::SetPosition(int64_t position) {
  if (position < 0 || ::lseek(Handle, position, SEEK_SET) < 0)
    throw EInOutError(FormatMessage("Error moving file pointer - %s", SystemErrorText(position < 0 ? EINVAL : errno)));
}

void TFileStream::Truncate() {
  if (::ftruncate(Handle, GetPosition()) != 0)
    throw EInOutError(FormatMessage("Error truncating file \"%s\" - %s", FileName, SystemErrorText(errno)));
}

void TFileStream::Delete() {
  if (Handle >= 0) {
    const int h = Handle;
    Handle = -1;
    if (::close(h) != 0)
      throw EInOutError(FormatMessage("Error closing \"%s\" - %s", FileName, SystemErrorText(errno)));
  }
  if (::unlink(FileName.c_str()) != 0)
    throw EInOutError(FormatMessage("Error deleting \"%s\" - %s", FileName, SystemErrorText(errno)));
}

void TFileStream::SyncAndClose() {
  if (Handle < 0) return;
  const int h = Handle;
  Handle = -1;
  int error = ::fsync(h) == 0 ? 0 : errno;
  if (::close(h) != 0 && error == 0) error = errno;
  if (error != 0) throw EInOutError(FormatMessage("Error writing to stream - %s", SystemErrorText(error)));
}

// ---------------------------------------------------------------- TMemStream

TMemStream::TMemStream() {
  CanRead = 1;
  CanWrite = 1;
}

int64_t TMemStream::Write(const void* buffer, int64_t count) {
  if (count < 1) {
    Size = std::max(Size, Position);
    return 0;
  }
  const auto* p = static_cast<const uint8_t*>(buffer);
  int64_t left = count;
  while (left > 0) {
    if (Current < 0 || Offset == static_cast<int64_t>(Blocks[Current].Data.size())) {
      if (Current + 1 < static_cast<int64_t>(Blocks.size())) {
        ++Current;
      } else {
        Blocks.push_back(Block{std::vector<uint8_t>(static_cast<size_t>(std::max<int64_t>(4096, left)))});
        Current = static_cast<int64_t>(Blocks.size()) - 1;
      }
      Offset = 0;
    }
    auto& data = Blocks[Current].Data;
    const int64_t n = std::min(left, static_cast<int64_t>(data.size()) - Offset);
    std::memcpy(data.data() + Offset, p, static_cast<size_t>(n));
    p += n;
    Offset += n;
    left -= n;
  }
  Position += count;
  Size = std::max(Size, Position);
  return count;
}

int64_t TMemStream::Read(void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t left = std::max<int64_t>(count, 0);
  while (left > 0 && Position < Size) {
    if (Current < 0 || Offset == static_cast<int64_t>(Blocks[Current].Data.size())) {
      if (Current + 1 >= static_cast<int64_t>(Blocks.size())) break;
      ++Current;
      Offset = 0;
    }
    auto& data = Blocks[Current].Data;
    const int64_t n = std::min({left, Size - Position, static_cast<int64_t>(data.size()) - Offset});
    std::memcpy(p, data.data() + Offset, static_cast<size_t>(n));
    p += n;
    Offset += n;
    Position += n;
    left -= n;
  }
  if (left > 0 && StrictCount)
    throw EInOutError(FormatMessage("Error reading from stream - %s", ClassName()));
  return std::max<int64_t>(count, 0) - left;
}

void TMemStream::SetPosition(int64_t position) {
  if (position == Position) return;
  if (position < 0 || position > Size) throw EInOutError("Error moving stream pointer");
  if (position < Position) {
    Current = Blocks.empty() ? -1 : 0;
    Offset = 0;
    Position = 0;
  }
  bool first = true;
  while (Position < position) {
    if (Current < 0) throw Exception(first ? "Error in MemStream.Seek" : "Error in MemStream.Seek 2");
    const int64_t avail = static_cast<int64_t>(Blocks[Current].Data.size()) - Offset;
    if (avail == 0) {
      if (Current + 1 >= static_cast<int64_t>(Blocks.size()))
        throw Exception(first ? "Error in MemStream.Seek" : "Error in MemStream.Seek 2");
      ++Current;
      Offset = 0;
      first = false;
      continue;
    }
    const int64_t step = std::min(avail, position - Position);
    Offset += step;
    Position += step;
    first = false;
  }
}

void TMemStream::Truncate() {
  if (Current >= 0) Blocks.resize(static_cast<size_t>(Current + 1));
  Size = Position;
}

void TMemStream::Clear() {
  Blocks.clear();
  Current = -1;
  Offset = 0;
  Size = 0;
  Position = 0;
}

std::vector<uint8_t> TMemStream::ToVector() {
  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(Size));
  for (const auto& b : Blocks) {
    const int64_t n = std::min<int64_t>(static_cast<int64_t>(b.Data.size()), Size - static_cast<int64_t>(out.size()));
    if (n <= 0) break;
    out.insert(out.end(), b.Data.begin(), b.Data.begin() + n);
  }
  return out;
}

// ---------------------------------------------------------------- TBufferedStream

TBufferedStream::TBufferedStream(int read_buffer_size, int write_buffer_size, TBaseStream* target)
    : TFilterStream(target) {
  if (read_buffer_size == -1) read_buffer_size = 65536;
  if (write_buffer_size == -1) write_buffer_size = 65536;
  if ((read_buffer_size != 0 && read_buffer_size < 2) || (write_buffer_size != 0 && write_buffer_size < 2))
    throw EStreamCreate("Invalid buffer size");
  CanRead = target->CanRead;
  CanWrite = target->CanWrite;
  if (target->CanRead && read_buffer_size > 0) {
    ReadBufferSize = read_buffer_size;
    ReadBuffer.resize(static_cast<size_t>(read_buffer_size));
    if (target->StrictCount) {
      target->SetStrictCount(false);
      RestoreStrict = 1;
    }
  }
  if (target->CanWrite && write_buffer_size > 0) {
    WriteBufferSize = write_buffer_size;
    WriteBuffer.resize(static_cast<size_t>(write_buffer_size));
  }
}

TBufferedStream::~TBufferedStream() {
  try {
    Flush();
  } catch (...) {
    // A failed final flush cannot be reported from a destructor; writers flush first.
  }
  if (RestoreStrict) Target->SetStrictCount(true);
}

int64_t TBufferedStream::Refill() {
  ReadPos = 0;
  ReadFill = Target->Read(ReadBuffer.data(), ReadBufferSize);
  return ReadFill;
}

int64_t TBufferedStream::Read(void* buffer, int64_t count) {
  if (ReadBufferSize == 0) return Target->Read(buffer, count);
  if (count <= 0) return 0;
  auto* p = static_cast<uint8_t*>(buffer);
  const int64_t held = ReadFill - ReadPos;
  if (held >= count) {
    std::memcpy(p, ReadBuffer.data() + ReadPos, static_cast<size_t>(count));
    ReadPos += count;
    return count;
  }
  if (held > 0) std::memcpy(p, ReadBuffer.data() + ReadPos, static_cast<size_t>(held));
  ReadPos = ReadFill = 0;
  const int64_t rest = count - held;
  if (rest < ReadBufferSize) {
    const int64_t arrived = Refill();
    if (arrived >= rest) {
      std::memcpy(p + held, ReadBuffer.data(), static_cast<size_t>(rest));
      ReadPos = rest;
      return count;
    }
    if (arrived > 0) std::memcpy(p + held, ReadBuffer.data(), static_cast<size_t>(arrived));
    ReadPos = ReadFill = 0;
    if (StrictCount) throw EInOutError("Read less than expected");
    return held + arrived;
  }
  const int64_t n = Target->Read(p + held, rest);
  if (n < rest && StrictCount) throw EInOutError("Read less than expected");
  return held + n;
}

int64_t TBufferedStream::Write(const void* buffer, int64_t count) {
  if (WriteBufferSize == 0) return Target->Write(buffer, count);
  if (count <= 0) return 0;
  const auto* p = static_cast<const uint8_t*>(buffer);
  if (WriteFill + count <= WriteBufferSize) {
    std::memcpy(WriteBuffer.data() + WriteFill, p, static_cast<size_t>(count));
    WriteFill += count;
    return count;
  }
  const int64_t first = WriteBufferSize - WriteFill;
  std::memcpy(WriteBuffer.data() + WriteFill, p, static_cast<size_t>(first));
  WriteFill = 0;
  Target->Write(WriteBuffer.data(), WriteBufferSize);
  const int64_t rest = count - first;
  if (rest < WriteBufferSize) {
    std::memcpy(WriteBuffer.data(), p + first, static_cast<size_t>(rest));
    WriteFill = rest;
  } else {
    Target->Write(p + first, rest);
  }
  return count;
}

int64_t TBufferedStream::Available() { return Target->Available() + ReadFill - ReadPos; }

void TBufferedStream::Flush() {
  if (WriteFill > 0) {
    const int64_t n = WriteFill;
    WriteFill = 0;
    Target->Write(WriteBuffer.data(), n);
  }
}

// ---------------------------------------------------------------- TTextStream

TTextStream::TTextStream(int read_buffer_size, int write_buffer_size, TBaseStream* target)
    : TBufferedStream(read_buffer_size, write_buffer_size, target) {
  if (read_buffer_size == 0) CanRead = 0;
}

void TTextStream::Write(const std::string& text) {
  TBufferedStream::Write(text.data(), static_cast<int64_t>(text.size()));
}

void TTextStream::WriteLn(const std::string& text) {
  Write(text);
  Write(LineTerminator);
  ++LineNumber;
}

int64_t TTextStream::ReadLn(std::string& text) {
  if (!CanRead || ReadBufferSize == 0) throw EInOutError("Cannot read from stream");
  text.clear();
  bool found_end = false;
  bool read_any = false;
  while (!found_end) {
    if (ReadPos >= ReadFill && Refill() <= 0) break;
    read_any = true;
    const uint8_t* begin = ReadBuffer.data() + ReadPos;
    const uint8_t* end = ReadBuffer.data() + ReadFill;
    if (LineEnd < 0) {
      for (const uint8_t* q = begin; q < end; ++q) {
        if (*q == '\n' || *q == '\r') {
          LineEnd = *q;
          if (SecondLineEnd < 0) SecondLineEnd = *q == '\n' ? '\r' : '\n';
          break;
        }
      }
    }
    const uint8_t* q = begin;
    for (; q < end; ++q) {
      if (LineEnd >= 0 && *q == LineEnd) {
        found_end = true;
        break;
      }
      if (SecondLineEnd >= 0 && *q == SecondLineEnd) continue;
      text.push_back(static_cast<char>(*q));
    }
    ReadPos = (q - ReadBuffer.data()) + (found_end ? 1 : 0);
  }
  // The second byte of a two-byte line end belongs to this line, so that the
  // text's last line end leaves nothing behind for Eof to see.
  if (found_end && SecondLineEnd >= 0 && (ReadPos < ReadFill || Refill() > 0) &&
      ReadBuffer[static_cast<size_t>(ReadPos)] == SecondLineEnd)
    ++ReadPos;
  if (!read_any && !found_end)
    throw EInOutError(FormatMessage("Error reading from stream - %s", "Read less than expected"));
  ++LineNumber;
  return static_cast<int64_t>(text.size());
}

// ---------------------------------------------------------------- helpers

int64_t CopyStream(TBaseStream& source, TBaseStream* target, int64_t count) {
  uint8_t block[4096];
  int64_t done = 0;
  while (done < count && !source.Eof()) {
    const int64_t want = std::min<int64_t>(4096, count - done);
    const int64_t n = source.Read(block, want);
    if (n <= 0) break;
    if (target) target->Write(block, n);
    done += n;
  }
  return done;
}

void FreeFilterChain(TBaseStream* stream) {
  std::exception_ptr first_error;
  for (TBaseStream* s = stream; s; s = s->IsFilter() ? static_cast<TFilterStream*>(s)->Target : nullptr) {
    try {
      s->Finish();
    } catch (...) {
      if (!first_error) first_error = std::current_exception();
    }
  }
  while (stream) {
    TBaseStream* next = stream->IsFilter() ? static_cast<TFilterStream*>(stream)->Target : nullptr;
    delete stream;
    stream = next;
  }
  if (first_error) std::rethrow_exception(first_error);
}

void FilterChainDeleter::operator()(TBaseStream* stream) const noexcept {
  try {
    FreeFilterChain(stream);
  } catch (...) {
    // Only read: nothing was left to write.
  }
}

TBufferedStream* OpenBufferedFile(const std::string& file_name, bool for_writing) {
  auto file = std::make_unique<TFileStream>(file_name, for_writing ? 15 : 9);
  auto* buffered = for_writing ? new TBufferedStream(0, -1, file.get()) : new TBufferedStream(-1, 0, file.get());
  file.release();
  return buffered;
}

}  // namespace ImageFile
