#include "support/IotaVtiStrips.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "ImageFileLib/BitmapLoaders.h"
#include "ImageFileLib/LinearBitmap.h"

std::filesystem::path VtiDataFolder() {
  const char* data = std::getenv("TESSARY_TEST_DATA");
  return std::filesystem::path(data && *data ? data : TESSARY_TEST_DATA_DIR) / "iota-vti";
}

std::vector<VtiSet> LoadVtiSets(const std::filesystem::path& folder) {
  std::ifstream in(folder / "labels.csv");
  std::vector<VtiSet> sets;
  if (!in) return sets;
  std::string line;
  std::getline(in, line);  // header
  std::map<std::string, std::map<std::string, VtiFrameLabels>> byFrame;
  std::vector<std::string> order;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f;
    std::stringstream s(line);
    for (std::string cell; std::getline(s, cell, ',');) f.push_back(cell);
    if (f.size() != 6) continue;
    const std::string frame = f[1].substr(0, f[1].find('-'));
    if (!byFrame.count(f[0])) order.push_back(f[0]);
    VtiFrameLabels& fr = byFrame[f[0]][frame];
    (f[2] == "odd" ? fr.odd : fr.even) = VtiFieldLabel{f[1], f[3], f[4], f[5]};
  }
  for (const std::string& name : order) {
    VtiSet set;
    set.name = name;
    set.ntsc = name == "004" || name == "005_tvsafe";
    set.tvSafe = name.find("tvsafe") != std::string::npos;
    for (auto& [frame, labels] : byFrame[name]) set.frames.push_back(labels);
    sets.push_back(set);
  }
  return sets;
}

VtiStrip LoadVtiStrip(const std::filesystem::path& file) {
  // Some strips hold PNG data under a .bmp name: the content picks the loader.
  std::ifstream in(file, std::ios::binary);
  char magic[4] = {};
  in.read(magic, 4);
  const std::string ext = std::string(magic + 1, 3) == "PNG" ? "PNG" : "BMP";
  VtiStrip strip;
  try {
    ImageFile::TLinearBitmap b;
    ImageFile::BitmapLoaders().FindLoadLoader(ext).LoadFromFile(file.string(), ext, b);
    if (b.PixelFormat != ImageFile::pf24Bit) b.PixelFormatConvert(ImageFile::pf24Bit);
    strip.width = b.Width;
    strip.height = b.Height;
    strip.ink.resize(static_cast<size_t>(b.Width) * b.Height);
    for (int y = 0; y < b.Height; ++y) {
      const uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < b.Width; ++x, p += 3)
        strip.ink[static_cast<size_t>(y) * b.Width + x] = (p[0] + p[1] + p[2]) < 3 * 128 ? 1 : 0;
    }
  } catch (...) {
    return {};
  }
  return strip;
}

Bitmap24 ComposeVtiFrame(const VtiStrip& even, const VtiStrip& odd, int frameHeight, int evenTop,
                         int oddLinesHigher, uint32_t seed, int xShift, int glyphLevel) {
  const int width = std::max(even.width, odd.width);
  Bitmap24 frame(width, frameHeight);
  std::mt19937 rng(seed);
  auto level = [&](int base) {
    const int n = static_cast<int>(rng() % 7) - 3;
    const auto v = static_cast<uint8_t>(std::clamp(base + n, 0, 255));
    return Bgr{v, v, v};
  };
  for (int y = 0; y < frameHeight; ++y)
    for (int x = 0; x < width; ++x) frame.Set(x, y, level(16));
  auto put = [&](const VtiStrip& s, int top) {
    for (int k = 0; k < s.height; ++k) {
      const int y = top + 2 * k;
      if (y < 0 || y >= frameHeight) continue;
      for (int x = 0; x < s.width; ++x)
        if (s.Ink(x, k) && x + xShift >= 0 && x + xShift < width) frame.Set(x + xShift, y, level(glyphLevel));
    }
  };
  put(even, evenTop);
  put(odd, evenTop + 1 - 2 * oddLinesHigher);
  return frame;
}

int VtiStripTop(const VtiSet& set) {
  if (set.ntsc) return set.tvSafe ? 386 : 420;
  return set.tvSafe ? 500 : 536;
}

std::vector<Bitmap24> ComposeVtiFrames(const std::filesystem::path& folder, const VtiSet& set, int oddLinesHigher,
                                       uint32_t seed) {
  std::vector<Bitmap24> frames;
  for (const VtiFrameLabels& fr : set.frames) {
    const VtiStrip even = LoadVtiStrip(folder / set.name / fr.even.file);
    const VtiStrip odd = LoadVtiStrip(folder / set.name / fr.odd.file);
    if (even.width == 0 || odd.width == 0) return {};
    frames.push_back(ComposeVtiFrame(even, odd, set.ntsc ? 480 : 576, VtiStripTop(set), oddLinesHigher, seed++));
  }
  return frames;
}

std::vector<std::string> VtiRowTimes(const VtiFrameLabels& frame) {
  const VtiFieldLabel& first = frame.even;
  const VtiFieldLabel& second = frame.odd;
  return {first.counter,
          second.counter,
          first.time.substr(0, 2),
          first.time.substr(3, 2),
          first.time.substr(6, 2) + "." + first.fraction,
          second.time.substr(6, 2) + "." + second.fraction};
}
