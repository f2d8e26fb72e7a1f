#pragma once
// One colour channel of a packed pixel given by its bit mask (bitmap
// bit-field masks, 5-6-5 and the like), widened to 8 bits by bit replication.
#include <cstdint>
#include <vector>

struct MaskField {
  int shift = 0;
  int bits = 0;
  std::vector<uint8_t> expand;  // field value -> 8 bits

  explicit MaskField(uint32_t mask = 0) {
    if (!mask) return;
    while (!(mask >> shift & 1)) ++shift;
    while (shift + bits < 32 && (mask >> (shift + bits) & 1)) ++bits;
    const int used = bits > 16 ? 16 : bits;  // keep the top 16 bits of wider fields
    shift += bits - used;
    bits = used;
    expand.resize(size_t(1) << bits);
    for (uint32_t v = 0; v < expand.size(); ++v) {
      if (bits >= 8) {
        expand[v] = uint8_t(v >> (bits - 8));
        continue;
      }
      uint32_t r = v << (8 - bits);
      for (int s = bits; s < 8; s += s) r |= r >> s;
      expand[v] = uint8_t(r);
    }
  }

  // The channel of a pixel in 8 bits; 0 for an empty mask.
  uint8_t operator()(uint32_t pixel) const {
    return bits ? expand[(pixel >> shift) & ((1u << bits) - 1)] : 0;
  }
};
