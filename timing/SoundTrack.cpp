#include "timing/SoundTrack.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "base/ByteOrder.h"
#include "base/NumberText.h"

namespace {

// The fields of a "fmt " chunk's body that the sound track uses.
void ReadFormatFields(const uint8_t* fmt, WavInfo& info) {
  info.FormatTag = Le16(fmt);
  info.Channels = Le16(fmt + 2);
  info.SampleRate = Le32(fmt + 4);
  info.Bits = Le16(fmt + 14);
}

int64_t Nint(long double x) { return RoundHalfEven(x); }

}  // namespace

bool ReadWavInfo(const std::string& path, WavInfo& info) {
  std::ifstream f(path, std::ios::binary | std::ios::ate);
  if (!f) return false;
  const std::streamoff end = f.tellg();
  if (end < 48) return false;
  const uint64_t size = static_cast<uint64_t>(end);
  // Only the header and the chunk headers are read: the samples of a long
  // video run to gigabytes.
  auto read_at = [&f](uint64_t pos, uint8_t* dst, size_t n) {
    f.clear();
    f.seekg(static_cast<std::streamoff>(pos));
    f.read(reinterpret_cast<char*>(dst), static_cast<std::streamsize>(n));
    return static_cast<size_t>(f.gcount()) == n;
  };
  uint8_t head[48];
  if (!read_at(0, head, sizeof head)) return false;
  info = WavInfo{};
  info.RiffSize = Le32(head + 4);
  ReadFormatFields(head + 20, info);  // where a plain header has its "fmt " body
  info.DataOffset = 48;
  info.DataLength = info.RiffSize >= 40 ? info.RiffSize - 40u : 0;
  // Walk the chunks for "fmt " and "data"; a file of nothing but empty chunks
  // is not walked to its end.
  constexpr int kMaxChunks = 10000;
  uint64_t pos = 12;
  for (int n = 0; n < kMaxChunks && pos + 8 <= size; ++n) {
    uint8_t h[8 + 16];
    const bool whole_format = pos + 8 + 16 <= size;
    if (!read_at(pos, h, whole_format ? sizeof h : 8)) break;
    const uint64_t len = Le32(h + 4);
    if (std::equal(h, h + 4, "fmt ") && len >= 16 && whole_format) {
      ReadFormatFields(h + 8, info);
    }
    if (std::equal(h, h + 4, "data")) {
      info.DataOffset = pos + 8;
      info.DataLength = len;
      break;
    }
    pos += 8 + len + (len & 1);
  }
  // Never past the end of the file.
  const uint64_t rest = size > info.DataOffset ? size - info.DataOffset : 0;
  if (info.DataLength == 0 || info.DataLength >= 0xFFFFFFFFu - 40) info.DataLength = rest;
  info.DataInFile = std::min(info.DataLength, rest);
  return true;
}

bool SoundTrack::Open(const std::string& path) {
  file_.close();
  if (!ReadWavInfo(path, info_)) return false;
  file_.open(path, std::ios::binary);
  return static_cast<bool>(file_);
}

bool SoundTrack::SoundInit(const std::string& path, int frame_count, double frame_rate) {
  if (!Open(path)) return false;
  const int b = info_.BytesPerFrame();
  const int n = std::max(frame_count, 1);
  SamplesPerFrame = static_cast<double>(info_.DataLength) / b / n;
  SamplesPerFrameRounded = static_cast<int>(Nint(SamplesPerFrame));
  AudioDiscordance = 0;
  // Measured on the sound the file holds, so a cut file shows as a discordance.
  if (info_.DataInFile > 0 && frame_rate > 0) {
    // In long double: a nonsense sample rate must not overflow the product.
    const long double need = static_cast<long double>(n) * info_.SampleRate * b * 100000;
    AudioDiscordance = static_cast<int>(std::clamp<int64_t>(Nint(need / frame_rate / info_.DataInFile - 100000),
                                                            INT32_MIN, INT32_MAX));
  }
  block_.clear();
  frames_read_ = 0;
  return true;
}

bool SoundTrack::SoundInit2(const std::string& path) {
  if (!Open(path)) return false;
  ReadBlock(info_.DataOffset, kBlockFrames);
  return true;
}

void SoundTrack::ReadBlock(uint64_t offset, int64_t frames) {
  const int b = info_.BytesPerFrame();
  const uint64_t end = info_.DataOffset + info_.DataInFile;
  const uint64_t want = std::min<uint64_t>(static_cast<uint64_t>(frames) * b, end > offset ? end - offset : 0);
  block_.assign(want, 0);
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(offset));
  file_.read(reinterpret_cast<char*>(block_.data()), static_cast<std::streamsize>(want));
  frames_read_ = static_cast<int>(file_.gcount() / b);
}

int SoundTrack::Sample(int i, SoundChannel c) const {
  if (i < 0 || i >= frames_read_) return 0;
  const bool stereo = info_.Channels == 2;
  const size_t b = static_cast<size_t>(info_.BytesPerFrame());
  const uint8_t* p = &block_[static_cast<size_t>(i) * b];
  auto one = [&](int k) {
    if (info_.Bits == 16) return static_cast<int>(static_cast<int16_t>(Le16(p + 2 * k)));
    return (static_cast<int>(p[k]) - 128) * 256;
  };
  if (!stereo) return one(0);
  if (c == SoundChannel::Left) return one(0);
  if (c == SoundChannel::Right) return one(1);
  return one(0) + one(1);
}

int SoundTrack::Scaled(int i, SoundChannel c, int gain) const {
  return static_cast<int>(Nint(Sample(i, c) / 7000.0L * gain));
}

bool SoundTrack::HasSignalAround(int i, int distance, int threshold, SoundChannel c, int gain) const {
  bool before = false, after = false;
  const int last = std::min(i + distance, frames_read_ - 1);
  for (int j = std::max(i - distance, 0); j <= last; ++j) {
    if (std::abs(Scaled(j, c, gain)) < threshold) continue;
    (j < i ? before : after) = true;
  }
  return before && after;
}

SoundFrameResult SoundTrack::GraphDraw(int f, SoundChannel channel, SoundWidth width, int gain) {
  SoundFrameResult r;
  const int b = info_.BytesPerFrame();
  const long double s = SamplesPerFrame;
  const long double k = width == SoundWidth::Expansion ? 1.5L : 14.5L;
  const int S = SamplesPerFrameRounded;
  const uint64_t end = info_.DataOffset + info_.DataInFile;
  uint64_t offset = info_.DataOffset;
  long double centre = (f + 0.5L) * s;
  int64_t first = static_cast<int64_t>(f) * S;
  if (f >= 15) {
    offset = info_.DataOffset + static_cast<uint64_t>(Nint((f - 15) * s)) * b;
    centre = 15.5L * s;
    first = 15LL * S;
  }
  frames_read_ = 0;
  // A slow camera's frame holds thousands of samples: the block reaches at
  // least past the current frame and the samples that decide its last one.
  constexpr int64_t kMaxBlockFrames = int64_t{1} << 22;
  const int64_t block = std::clamp<int64_t>(first + S + kSignalDistance + 1, kBlockFrames, kMaxBlockFrames);
  if (offset < end && s > 0) ReadBlock(offset, block);
  // Nothing read leaves no signal in this frame.
  int count = 0;
  int lo = 65535, hi = -65535;
  for (int i = 0; i < frames_read_; ++i) {
    // 64-bit: a nonsense header puts samples far outside the picture.
    const int64_t x = Nint((i - centre) * 160 / s / k);
    const int a = Scaled(i, channel, gain);
    if (i >= first && i < first + S) {
      if (std::abs(a) >= 40) {
        r.Detected = true;
        ++count;
      } else if (HasSignalAround(i, kSignalDistance, 40, channel, gain)) {
        ++count;
      }
    }
    hi = std::max(hi, a);
    lo = std::min(lo, a);
    const int64_t x2 = Nint((i + 1 - centre) * 160 / s / k);
    if (x >= -kCentreX && x < 333 - kCentreX && x2 != x) {
      r.Columns.push_back({static_cast<int>(kCentreX + x), kCentreY - lo, kCentreY - hi});
      lo = 65535;
      hi = -65535;
    }
  }
  const int64_t p = S > 0 ? Nint(count * 10000.0L / S) : 0;
  r.PercentText = FormatFixed(p / 100.0L, 2, 15);
  return r;
}

std::vector<int> SoundTrack::FrameBoundaries(SoundWidth width) const {
  std::vector<int> out;
  if (SamplesPerFrame <= 0) return out;
  const long double k = width == SoundWidth::Expansion ? 1.5L : 14.5L;
  const int from = width == SoundWidth::Expansion ? -4 : -15, to = width == SoundWidth::Expansion ? 3 : 15;
  for (int j = from; j <= to; ++j)
    out.push_back(kCentreX + static_cast<int>(Nint(SamplesPerFrameRounded * (j + 0.5L) * 160 / SamplesPerFrame / k)));
  return out;
}

std::string SoundTrack::SampleFrameText() const { return "Sample/Frame= " + FormatInt(SamplesPerFrameRounded); }

std::string SoundTrack::DataTypeText() const {
  std::string ch;
  switch (info_.Channels) {
    case 0: ch = " [unkown]"; break;
    case 1: ch = " [monoral]"; break;
    case 2: ch = " [stereo]"; break;
    case 3: break;
    default: ch = " [unknown]"; break;
  }
  return "Data Type : " + FormatInt(info_.Bits) + (info_.FormatTag == 1 ? " Bit  PCM  " : " Bit  UnKnown  ") + ch;
}

std::string SoundTrack::DataSizeText() const { return "Datasize=" + FormatInt(info_.RiffSize); }
std::string SoundTrack::SamplingRateText() const { return "SamplingRate = " + FormatInt(info_.SampleRate); }

std::string SoundTrack::DiscordanceText() const {
  return "Discordance of Video/Audio = " + FormatFixed(AudioDiscordance / 1000.0L, 3, 15) + "%";
}
