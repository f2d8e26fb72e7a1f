#pragma once
// Objects that save and load themselves, a growable typed array on top, and
// small memory and arithmetic helpers.
#include <cstdint>
#include <string>

#include "ImageFileLib/LinearBitmap.h"
#include "ImageFileLib/LibraryStreams.h"

namespace ImageFile {

class TStreamClass : public TAssignObject {
public:
  const char* ClassName() const override { return "TStreamClass"; }
  virtual void SaveToStream(TBaseStream& stream);
  virtual void LoadFromStream(TBaseStream& stream);
  virtual void SaveToFile(const std::string& file_name);
  virtual void LoadFromFile(const std::string& file_name);
};

// Count as 4 bytes (little-endian) and then the elements, on a stream.
class TDynamicList : public TStreamClass {
public:
  // array_variable: the owner's pointer, kept pointing at the data.
  TDynamicList(int32_t element_size, void** array_variable);
  ~TDynamicList() override;
  TDynamicList(const TDynamicList&) = delete;
  TDynamicList& operator=(const TDynamicList&) = delete;
  const char* ClassName() const override { return "TDynamicList"; }
  void Assign(const TAssignObject& source) override;
  void SaveToStream(TBaseStream& stream) override;
  void LoadFromStream(TBaseStream& stream) override;
  virtual void Clear() { SetCapacity(0); }
  virtual void Pack() { SetCapacity(Count); }
  void SetCapacity(int32_t n);
  void SetCount(int32_t n);

  void** ArrayVariable;
  int32_t Capacity = 0;
  int32_t ElementSize;
  uint8_t* Data = nullptr;
  int32_t Count = 0;
  // Lists larger than this are refused when loading.
  int64_t MaxLoadBytes = int64_t{256} << 20;
};

// Index (from the buffer's start) of the first byte equal to value in
// positions start..end-1, or -1.
int64_t FindByte(uint8_t value, int64_t end, int64_t start, const uint8_t* buffer);
uint32_t SwapDWord(uint32_t x);
inline void SwapDWordBytes(uint32_t& x) { x = SwapDWord(x); }
inline void SwapValues(int32_t& a, int32_t& b) {
  const int32_t t = a;
  a = b;
  b = t;
}
inline int64_t EnsureRange(int64_t value, int64_t low, int64_t high) { return value < low ? low : (value < high ? value : high); }
inline uint32_t DWordAlign(uint32_t n) { return (n + 3) & ~3u; }
inline uint32_t QWordAlign(uint32_t n) { return (n + 7) & ~7u; }

}  // namespace ImageFile
