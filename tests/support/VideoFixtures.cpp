#include "VideoFixtures.h"

#include <unistd.h>

#include <array>
#include <cstdint>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "support/ShellCommand.h"
#include "support/TemporaryFolder.h"

Bitmap24 NumberedFrame(int width, int height, int n, int block) {
  Bitmap24 b(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      // Smooth enough for chroma subsampling, different in every frame.
      b.Set(x, y, {uint8_t(40 + (x * 3 + n * 7) % 160), uint8_t(60 + (y * 5 + n * 3) % 140),
                   uint8_t(50 + (x + y + n * 11) % 150)});
    }
  for (int bit = 0; bit < 10; ++bit) {
    uint8_t v = (n >> bit & 1) ? 255 : 0;
    for (int y = 0; y < block && y < height; ++y)
      for (int x = bit * block; x < (bit + 1) * block && x < width; ++x) b.Set(x, y, {v, v, v});
  }
  return b;
}

std::vector<Bitmap24> NumberedFrames(int count, int width, int height, int block) {
  std::vector<Bitmap24> frames;
  for (int n = 0; n < count; ++n) frames.push_back(NumberedFrame(width, height, n, block));
  return frames;
}

int ReadFrameNumber(const Bitmap24& f, int block) {
  int n = 0;
  for (int bit = 0; bit < 10; ++bit) {
    Bgr c = f.Get(bit * block + block / 2, block / 2);
    int v = (c.r + c.g + c.b) / 3;
    if (v > 60 && v < 195) return -1;
    if (v >= 195) n |= 1 << bit;
  }
  return n;
}

namespace {

// Up to `frames` top-down BGR24 frames of a raw file.
std::vector<Bitmap24> RawBgr24Frames(const std::string& raw, int width, int height, int frames) {
  std::FILE* f = std::fopen(raw.c_str(), "rb");
  if (!f) return {};
  std::vector<Bitmap24> out;
  for (int n = 0; n < frames; ++n) {
    Bitmap24 b(width, height);
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) ok = std::fread(b.Row(y), 3, size_t(width), f) == size_t(width);
    if (!ok) break;
    out.push_back(std::move(b));
  }
  std::fclose(f);
  return out;
}

}  // namespace

const std::string& VideoFixtureFolder() {
  static const TemporaryFolder dir("tessary-video");
  static const std::string path = dir.Path().string();
  return path;
}

std::string FixturePath(const std::string& name) { return VideoFixtureFolder() + "/" + name; }

bool RunFfmpeg(const std::string& args) {
  std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

std::optional<ProbeResult> ProbeVideo(const std::string& path) {
  std::string out = CommandOutput("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                            "stream=nb_read_frames,r_frame_rate,codec_name,width,height -of default=noprint_wrappers=1 '" +
                            path + "' 2>/dev/null");
  ProbeResult r;
  size_t a = out.find("r_frame_rate=");
  size_t b = out.find("nb_read_frames=");
  if (a == std::string::npos || b == std::string::npos) return std::nullopt;
  r.rate = out.substr(a + 13, out.find('\n', a) - a - 13);
  r.frames = std::strtol(out.c_str() + b + 15, nullptr, 10);
  const auto value = [&out](const std::string& key) {
    const size_t at = out.find(key + "=");
    return at == std::string::npos ? std::string() : out.substr(at + key.size() + 1, out.find('\n', at) - at - key.size() - 1);
  };
  r.codec = value("codec_name");
  r.width = std::atoi(value("width").c_str());
  r.height = std::atoi(value("height").c_str());
  return r;
}

bool FfmpegHasEncoder(const std::string& name) {
  std::string out = CommandOutput("ffmpeg -hide_banner -encoders 2>/dev/null");
  return out.find(" " + name + " ") != std::string::npos;
}

std::vector<Bitmap24> FfmpegTestPattern(int width, int height, int rate, int frames) {
  const std::string raw = FixturePath("testsrc2_" + std::to_string(width) + "x" + std::to_string(height) + ".raw");
  if (!RunFfmpeg("-f lavfi -i testsrc2=size=" + std::to_string(width) + "x" + std::to_string(height) +
                 ":rate=" + std::to_string(rate) + ",format=bgr24 -frames:v " + std::to_string(frames) +
                 " -f rawvideo '" + raw + "'"))
    return {};
  return RawBgr24Frames(raw, width, height, frames);
}

std::vector<Bitmap24> FfmpegBgr24Frames(const std::string& path, int width, int height) {
  const std::string raw = path + ".bgr";
  if (!RunFfmpeg("-i '" + path + "' -f rawvideo -pix_fmt bgr24 '" + raw + "'")) return {};
  return RawBgr24Frames(raw, width, height, INT_MAX);
}

int ProbeStreamCount(const std::string& path, const std::string& type) {
  const std::string out = CommandOutput("ffprobe -v error -select_streams " + type +
                                        " -show_entries stream=index -of csv=p=0 '" + path + "' 2>/dev/null");
  if (out.empty()) return 0;
  int n = 0;
  for (char c : out) n += c == '\n';
  return n;
}

bool CutInSoundPacket(const std::string& path, double after_seconds, long long bytes_in) {
  std::istringstream packets(CommandOutput("ffprobe -v error -select_streams a:0 -show_entries packet=pts_time,pos "
                                           "-of csv=p=0 '" + path + "' 2>/dev/null"));
  for (std::string line; std::getline(packets, line);) {
    const auto comma = line.find(',');
    if (comma == std::string::npos || std::atof(line.c_str()) <= after_seconds) continue;
    std::error_code ec;
    std::filesystem::resize_file(path, static_cast<uintmax_t>(std::atoll(line.c_str() + comma + 1) + bytes_in), ec);
    return !ec;
  }
  return false;
}

bool MarkSoundAsConstantBitRate(const std::string& avi_path, double seconds) {
  std::istringstream sizes(CommandOutput("ffprobe -v error -select_streams a:0 -show_entries packet=size -of csv=p=0 '" +
                                         avi_path + "' 2>/dev/null"));
  long long bytes = 0;
  for (std::string line; std::getline(sizes, line);) bytes += std::atoll(line.c_str());
  std::string avi;
  {
    std::ifstream in(avi_path, std::ios::binary);
    avi.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const size_t sound = avi.find("auds");
  const size_t format = sound == std::string::npos ? sound : avi.find("strf", sound);
  if (format == std::string::npos || format + 22 > avi.size() || bytes <= 0) return false;
  const auto average = static_cast<uint32_t>(static_cast<double>(bytes) / seconds);
  auto put32 = [&avi](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) avi[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put32(sound + 20, 1);            // dwScale
  put32(sound + 24, average);      // dwRate
  put32(sound + 44, 1);            // dwSampleSize
  put32(format + 8 + 8, average);  // nAvgBytesPerSec
  avi[format + 8 + 12] = 1;        // nBlockAlign
  avi[format + 8 + 13] = 0;
  std::ofstream out(avi_path, std::ios::binary | std::ios::trunc);
  out << avi;
  return static_cast<bool>(out);
}
