#include "ImageFileLib/DynamicList.h"

#include "ImageFileLib/BitmapLoaders.h"
#include "base/ByteOrder.h"

#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ImageFile {

void TStreamClass::SaveToStream(TBaseStream&) { throw Exception(std::string(ClassName()) + ".SaveToStream not implemented"); }

void TStreamClass::LoadFromStream(TBaseStream&) {
  throw Exception(std::string(ClassName()) + ".LoadFromStream not implemented");
}

void TStreamClass::SaveToFile(const std::string& file_name) {
  SaveThroughTemporaryFile(file_name, [&](TFileStream& file) {
    TBufferedStream buffered(0, -1, &file);
    SaveToStream(buffered);
    buffered.Flush();
  });
}

void TStreamClass::LoadFromFile(const std::string& file_name) {
  FilterChain chain(OpenBufferedFile(file_name, false));
  LoadFromStream(*chain);
}

TDynamicList::TDynamicList(int32_t element_size, void** array_variable)
    : ArrayVariable(array_variable), ElementSize(element_size) {
  if (ArrayVariable) *ArrayVariable = nullptr;
}

TDynamicList::~TDynamicList() { Clear(); }

void TDynamicList::SetCapacity(int32_t n) {
  assert(Count <= Capacity);
  if (n == Capacity) return;
  if (n <= 0) {
    std::free(Data);
    Data = nullptr;
  } else {
    void* grown = std::realloc(Data, static_cast<size_t>(n) * static_cast<size_t>(ElementSize));
    if (!grown) throw Exception("Out of memory");
    Data = static_cast<uint8_t*>(grown);
  }
  Capacity = n < 0 ? 0 : n;
  if (ArrayVariable) *ArrayVariable = Data;
  if (Count > Capacity) Count = Capacity;
}

void TDynamicList::SetCount(int32_t n) {
  if (n > Capacity) SetCapacity(n);
  Count = n < 0 ? 0 : n;
}

void TDynamicList::Assign(const TAssignObject& source) {
  const auto* other = dynamic_cast<const TDynamicList*>(&source);
  if (!other) {
    TAssignObject::Assign(source);
    return;
  }
  if (other == this) return;
  assert(other->ElementSize == ElementSize);
  if (other->ElementSize != ElementSize) throw Exception("Cannot assign lists of different element sizes");
  Clear();
  SetCapacity(other->Count);
  Count = Capacity;
  if (Count) std::memcpy(Data, other->Data, static_cast<size_t>(Count) * static_cast<size_t>(ElementSize));
}

void TDynamicList::SaveToStream(TBaseStream& stream) {
  const auto c = static_cast<uint32_t>(Count);
  const uint8_t head[4] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16),
                           static_cast<uint8_t>(c >> 24)};
  stream.Write(head, 4);
  if (Count) stream.Write(Data, int64_t{Count} * ElementSize);
}

void TDynamicList::LoadFromStream(TBaseStream& stream) {
  SetCapacity(0);
  Count = 0;
  uint8_t head[4];
  const bool strict = stream.StrictCount != 0;
  stream.SetStrictCount(false);
  const int64_t got = stream.Read(head, 4);
  if (strict) stream.SetStrictCount(true);
  if (got < 4) return;
  const uint32_t n = Le32(head);
  if (n > 0x7FFFFFFFu || int64_t{n} * ElementSize > MaxLoadBytes) throw EInOutError("Read less than expected");
  SetCount(static_cast<int32_t>(n));
  if (!n) return;
  // Elements the stream did not hold are no list: it is left empty.
  int64_t got_data = 0;
  try {
    got_data = stream.Read(Data, int64_t{n} * ElementSize);
  } catch (...) {
    Clear();
    throw;
  }
  if (got_data < int64_t{n} * ElementSize) {
    Clear();
    throw EInOutError("Read less than expected");
  }
}

int64_t FindByte(uint8_t value, int64_t end, int64_t start, const uint8_t* buffer) {
  for (int64_t i = start; i < end; ++i)
    if (buffer[i] == value) return i;
  return -1;
}

uint32_t SwapDWord(uint32_t x) {
  return (x >> 24) | ((x >> 8) & 0xFF00u) | ((x << 8) & 0xFF0000u) | (x << 24);
}

}  // namespace ImageFile
