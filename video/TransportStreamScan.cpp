#include "video/TransportStreamScan.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint8_t kSync = 0x47;
constexpr int kTsPacket = 188;

// The packet size (188, or 192 and 204 with a prefix or check bytes) and the
// offset of the first sync byte; false when no run of sync bytes is found.
bool FindPacketGrid(const std::vector<uint8_t>& head, int& size, size_t& first) {
  constexpr int kRun = 5;
  for (int candidate : {188, 192, 204}) {
    const size_t need = size_t(candidate) * (kRun - 1) + 1;
    auto run_at = [&](size_t o) {
      if (o + need > head.size()) return false;
      for (int k = 0; k < kRun; ++k)
        if (head[o + size_t(k) * size_t(candidate)] != kSync) return false;
      return true;
    };
    for (size_t o = 0; o < size_t(candidate) && o + need <= head.size(); ++o) {
      if (!run_at(o)) continue;
      // A prefix before each packet may hold sync bytes itself: the packet
      // starts at the last of them.
      for (size_t later = o + size_t(candidate - kTsPacket); later > o; --later)
        if (run_at(later)) {
          o = later;
          break;
        }
      size = candidate, first = o;
      return true;
    }
  }
  return false;
}

int64_t PesTime(const uint8_t* p) {
  return (int64_t(p[0] >> 1 & 7) << 30) | (int64_t(p[1]) << 22) | (int64_t(p[2] >> 1) << 15) | (int64_t(p[3]) << 7) |
         int64_t(p[4] >> 1);
}

// The PES header that starts this packet's payload, when `room` bytes of it
// lie inside the packet; null otherwise.
const uint8_t* PesHeader(const uint8_t* ts, int room) {
  int at = 4;
  const int control = ts[3] >> 4 & 3;
  if (!(control & 1)) return nullptr;  // no payload
  if (control & 2) at += 1 + ts[4];
  if (at + room > kTsPacket) return nullptr;
  const uint8_t* pes = ts + at;
  return pes[0] == 0 && pes[1] == 0 && pes[2] == 1 ? pes : nullptr;
}

// The decoding time (or, without one, the presentation time) of the PES
// header that starts this packet's payload; -1 when it has none.
int64_t PesDecodeTime(const uint8_t* ts) {
  const uint8_t* pes = PesHeader(ts, 19);
  if (!pes || (pes[6] & 0xC0) != 0x80) return -1;
  const int flags = pes[7] >> 6;
  if (flags == 3) return PesTime(pes + 14);
  if (flags == 2) return PesTime(pes + 9);
  return -1;
}

}  // namespace

std::optional<bool> TsDecodeTimeGoesBack(const ByteSource& file, int pid, bool* same_time_on_key) {
  const uint64_t size = file.SizeNow();
  constexpr size_t kBlock = size_t(1) << 20;
  std::vector<uint8_t> buf(std::min<uint64_t>(size, kBlock));
  if (buf.empty() || !file.ReadAt(0, buf.data(), buf.size())) return std::nullopt;
  int packet = 0;
  size_t pos = 0;
  if (!FindPacketGrid(buf, packet, pos)) return std::nullopt;
  constexpr int64_t kHalfClock = int64_t(1) << 32;  // a drop this large is the clock wrapping
  uint64_t base = 0;  // the file offset of buf[0]
  size_t have = buf.size();
  int64_t last = -1;
  bool timed = false;
  for (;;) {
    if (have - pos < size_t(packet) + 1 && base + have < size) {
      // Keep the bytes not looked at yet and read on behind them.
      std::copy(buf.begin() + std::ptrdiff_t(pos), buf.begin() + std::ptrdiff_t(have), buf.begin());
      base += pos, have -= pos, pos = 0;
      const size_t more = size_t(std::min<uint64_t>(buf.size() - have, size - (base + have)));
      if (!file.ReadAt(base + have, buf.data() + have, more)) break;  // cut short since: what was read counts
      have += more;
    }
    if (have - pos < size_t(kTsPacket)) break;
    const uint8_t* ts = buf.data() + pos;
    // Lost sync (a damaged stretch): step on to the next sync byte that the
    // packet after it confirms.
    if (ts[0] != kSync || (have - pos > size_t(packet) && ts[packet] != kSync)) {
      ++pos;
      continue;
    }
    pos = std::min(pos + size_t(packet), have);  // the last packet may lack its check bytes
    const bool error = ts[1] & 0x80, starts = ts[1] & 0x40;
    if (error || !starts || ((ts[1] & 0x1F) << 8 | ts[2]) != pid) continue;
    const int64_t t = PesDecodeTime(ts);
    if (t < 0) continue;
    timed = true;
    if (last >= 0 && t < last && last - t < kHalfClock) return true;
    // A recording of one picture ends at the decoding time the next one
    // starts again from: a random-access packet at the time before it may be a join.
    if (same_time_on_key && last >= 0 && t == last && (ts[3] & 0x20) && ts[4] > 0 && (ts[5] & 0x40))
      *same_time_on_key = true;
    last = t;
  }
  if (!timed) return std::nullopt;
  return false;
}

std::optional<uint64_t> TsCutPesStart(const ByteSource& file, int pid) {
  const uint64_t size = file.SizeNow();
  std::vector<uint8_t> head(std::min<uint64_t>(size, 4096));
  if (head.empty() || !file.ReadAt(0, head.data(), head.size())) return std::nullopt;
  int packet = 0;
  size_t first = 0;
  if (!FindPacketGrid(head, packet, first)) return std::nullopt;
  // A 192-byte packet starts with its 4-byte time prefix; the last 204-byte
  // one may lack its check bytes.
  const uint64_t prefix = packet == 192 ? 4 : 0;
  if (first < prefix) return std::nullopt;
  const uint64_t start = first - prefix, rest = (size - start) % uint64_t(packet);
  if (rest == 0 || (packet == 204 && rest == kTsPacket)) return std::nullopt;
  // Back from the last whole packet to the one that starts a PES packet on `pid`.
  constexpr uint64_t kLookBack = uint64_t(16) << 20;  // far more than a picture
  uint8_t p[kTsPacket];
  const uint64_t whole = (size - start) / uint64_t(packet);
  for (uint64_t k = whole; k-- > 0 && (whole - k) * uint64_t(packet) <= kLookBack;) {
    const uint64_t at = start + k * uint64_t(packet);
    if (!file.ReadAt(at + prefix, p, sizeof p)) return std::nullopt;
    if (p[0] != kSync || (p[1] & 0x80) || !(p[1] & 0x40) || ((p[1] & 0x1F) << 8 | p[2]) != pid) continue;
    const uint8_t* pes = PesHeader(p, 6);
    if (!pes) continue;
    if ((pes[4] << 8 | pes[5]) != 0) return std::nullopt;  // a length the demuxer checks itself
    return at;
  }
  return std::nullopt;
}
