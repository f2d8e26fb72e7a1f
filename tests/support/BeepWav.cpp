#include "support/BeepWav.h"

#include <cstdint>

std::string BeepWav(TemporaryFolder& dir) {
  std::string s = "RIFF";
  auto put = [&s](uint32_t v, int n) {
    for (int k = 0; k < n; ++k) s.push_back(static_cast<char>(v >> (8 * k)));
  };
  const uint32_t bytes = 40 * 320 * 2;
  put(36 + bytes, 4);
  s += "WAVEfmt ";
  put(16, 4);
  put(1, 2);
  put(1, 2);
  put(8000, 4);
  put(16000, 4);
  put(2, 2);
  put(16, 2);
  s += "data";
  put(bytes, 4);
  for (int i = 0; i < 40 * 320; ++i) put(i / 320 == 20 ? static_cast<uint16_t>(i % 2 ? 10000 : -10000) : 0, 2);
  return dir.Write("tsy.wav", s);
}
