// The raw scan of a transport stream for time stamps that go back (recordings
// joined byte for byte), on streams built here packet by packet.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "video/TransportStreamScan.h"

namespace {

constexpr int kPid = 0x100;

// A 5-byte PES time field with the given 4-bit prefix.
void PutTime(uint8_t* p, int prefix, int64_t t) {
  p[0] = uint8_t(prefix << 4 | (t >> 29 & 0x0E) | 1);
  p[1] = uint8_t(t >> 22);
  p[2] = uint8_t((t >> 14 & 0xFE) | 1);
  p[3] = uint8_t(t >> 7);
  p[4] = uint8_t((t << 1 & 0xFE) | 1);
}

// One packet starting a video PES on `pid`: a decoding time when dts >= 0
// (then pts is the presentation time too), else the presentation time only.
std::vector<uint8_t> PesPacket(int pid, int64_t pts, int64_t dts, bool adaptation = false) {
  std::vector<uint8_t> ts(188, 0xFF);
  ts[0] = 0x47, ts[1] = uint8_t(0x40 | pid >> 8), ts[2] = uint8_t(pid), ts[3] = adaptation ? 0x30 : 0x10;
  size_t at = 4;
  if (adaptation) {
    ts[4] = 7;  // a PCR's worth of adaptation field
    at = 12;
  }
  const uint8_t head[] = {0, 0, 1, 0xE0, 0, 0, 0x80, uint8_t(dts >= 0 ? 0xC0 : 0x80), uint8_t(dts >= 0 ? 10 : 5)};
  std::copy(std::begin(head), std::end(head), ts.begin() + std::ptrdiff_t(at));
  PutTime(&ts[at + 9], dts >= 0 ? 3 : 2, pts);
  if (dts >= 0) PutTime(&ts[at + 14], 1, dts);
  return ts;
}

std::vector<uint8_t> NullPacket() {
  std::vector<uint8_t> ts(188, 0xFF);
  ts[0] = 0x47, ts[1] = 0x1F, ts[2] = 0xFF, ts[3] = 0x10;
  return ts;
}

struct ScanCase {
  const char* name;
  std::vector<int64_t> times;  // decoding times, one PES each
  std::optional<bool> expected;
  int prefix = 0;  // bytes before each packet (192-byte packets: 4)
  int other_pid_back = 0;  // add a stream on another PID whose time goes back
};

class TsScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(TsScan, FindsAStepBackOnItsPidOnly) {
  const ScanCase& c = GetParam();
  std::vector<uint8_t> bytes;
  auto add = [&](const std::vector<uint8_t>& p) {
    bytes.insert(bytes.end(), size_t(c.prefix), 0x47);  // a prefix that looks like sync does not mislead
    bytes.insert(bytes.end(), p.begin(), p.end());
  };
  for (size_t i = 0; i < c.times.size(); ++i) {
    // Every other PES with a PCR in front of it, and with a separate decoding time.
    add(PesPacket(kPid, c.times[i] + 3600, i % 2 ? c.times[i] : -1, i % 3 == 0));
    add(NullPacket());
    if (c.other_pid_back) add(PesPacket(0x101, 900000 - int64_t(i) * 3600, -1));
  }
  for (int i = 0; i < 6; ++i) add(NullPacket());
  if (c.prefix == 0) bytes.insert(bytes.begin(), {0x00, 0x47, 0x12});  // leading garbage before the first sync
  OwnedMemoryByteSource file(bytes);
  EXPECT_EQ(TsDecodeTimeGoesBack(file, kPid), c.expected);
}

constexpr int64_t kWrap = int64_t(1) << 33;

INSTANTIATE_TEST_SUITE_P(
    Table, TsScan,
    ::testing::Values(ScanCase{"forward", {126000, 129600, 133200, 136800, 140400, 144000}, false},
                      ScanCase{"back_in_the_middle", {126000, 129600, 133200, 126000, 129600, 133200}, true},
                      ScanCase{"back_at_the_last", {126000, 129600, 133200, 136800, 140400, 126000}, true},
                      ScanCase{"clock_wraps", {kWrap - 7200, kWrap - 3600, 0, 3600, 7200, 10800}, false},
                      ScanCase{"m2ts_packets", {126000, 129600, 133200, 126000, 129600, 133200}, true, 4},
                      ScanCase{"m2ts_forward_to_the_end", {126000, 129600, 133200, 136800}, false, 4},
                      ScanCase{"other_pid_goes_back", {126000, 129600, 133200, 136800, 140400, 144000}, false, 0, 1},
                      ScanCase{"no_times", {}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TsScan, NotATransportStream) {
  std::vector<uint8_t> bytes(188 * 20, 0x55);
  OwnedMemoryByteSource file(bytes);
  EXPECT_EQ(TsDecodeTimeGoesBack(file, kPid), std::nullopt);
}

}  // namespace
