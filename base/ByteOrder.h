#pragma once
// Numbers read from and written to file bytes, whatever the machine's order:
// little-endian (RIFF, ZIP, BMP, ICO, WMF) and big-endian (PNG).
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline uint64_t Le64(const uint8_t* p) { return uint64_t{Le32(p)} | uint64_t{Le32(p + 4)} << 32; }
inline void PutLe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(v >> (8 * k));
}

inline uint32_t Be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
inline void PutBe32(uint8_t* p, uint32_t v) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(v >> (24 - 8 * k));
}

// Appends the low 2 or 4 bytes of v, least significant first, to a byte string or vector.
template <class Bytes>
void AppendLe16(Bytes& out, uint32_t v) {
  out.push_back(static_cast<typename Bytes::value_type>(v & 0xFF));
  out.push_back(static_cast<typename Bytes::value_type>((v >> 8) & 0xFF));
}
template <class Bytes>
void AppendLe32(Bytes& out, uint32_t v) {
  AppendLe16(out, v & 0xFFFF);
  AppendLe16(out, v >> 16);
}

// Little-endian fields read in order from a byte range, never past its end.
// A read that does not fit calls `on_short` (which should throw the format's
// own error) and throws std::out_of_range should it return.
class LeReader {
 public:
  explicit LeReader(std::string_view bytes, void (*on_short)() = nullptr) : bytes_(bytes), on_short_(on_short) {}
  size_t Position() const { return pos_; }
  size_t Left() const { return bytes_.size() - pos_; }
  bool AtEnd() const { return pos_ >= bytes_.size(); }
  void Seek(size_t pos) { pos_ = pos < bytes_.size() ? pos : bytes_.size(); }
  uint16_t U16() { return Le16(Take(2)); }
  uint32_t U32() { return Le32(Take(4)); }
  std::string Bytes(size_t n) { return std::string(reinterpret_cast<const char*>(Take(n)), n); }
  void Skip(size_t n) { Take(n); }
  // Reads each field in turn, as wide as its type.
  template <class... Fields>
  void Read(Fields&... fields) {
    (ReadOne(fields), ...);
  }

 private:
  template <class T>
  void ReadOne(T& field) {
    static_assert(std::is_same_v<T, uint8_t> || std::is_same_v<T, uint16_t> || std::is_same_v<T, uint32_t> ||
                  std::is_same_v<T, uint64_t>);
    const uint8_t* p = Take(sizeof(T));
    if constexpr (sizeof(T) == 1) field = p[0];
    if constexpr (sizeof(T) == 2) field = Le16(p);
    if constexpr (sizeof(T) == 4) field = Le32(p);
    if constexpr (sizeof(T) == 8) field = Le64(p);
  }
  const uint8_t* Take(size_t n) {
    if (Left() < n) {
      if (on_short_) on_short_();
      throw std::out_of_range("A field runs past the end of the data.");
    }
    const auto* p = reinterpret_cast<const uint8_t*>(bytes_.data() + pos_);
    pos_ += n;
    return p;
  }
  std::string_view bytes_;
  void (*on_short_)();
  size_t pos_ = 0;
};
