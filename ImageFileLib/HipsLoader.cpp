#include "ImageFileLib/HipsLoader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace ImageFile {

THIPSLoader& HIPSLoader() { return SharedLoader<THIPSLoader>(); }

namespace {

enum class HipsPixels { Grey, Float, ColourBytes, ColourFloats };

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool ParseInt(const std::string& text, int64_t& value) {
  const std::string t = Trimmed(text);
  const char* end = t.data() + t.size();
  const char* begin = t.data() + (!t.empty() && t[0] == '+' ? 1 : 0);
  auto [p, ec] = std::from_chars(begin, end, value);
  return !t.empty() && ec == std::errc() && p == end;
}

int64_t RequireInt(const std::string& text) {
  int64_t value = 0;
  if (!ParseInt(text, value)) throw ELinearBitmap("'" + Trimmed(text) + "' is not a valid integer value");
  return value;
}

uint8_t FloatByte(float v) {
  if (std::isnan(v)) return 0;
  return static_cast<uint8_t>(std::clamp(std::nearbyint(double(v)), 0.0, 255.0));
}

float FloatFrom(const uint8_t* p, bool big_endian) {
  uint32_t bits = 0;
  for (int k = 0; k < 4; ++k) bits |= uint32_t{p[big_endian ? 3 - k : k]} << (8 * k);
  float v;
  std::memcpy(&v, &bits, 4);
  return v;
}

}  // namespace

void THIPSLoader::LoadFromStream(TBaseStream& stream, const std::string& /*ext*/, TLinearBitmap& bitmap) {
  TTextStream in(-1, 0, &stream);
  // Lines end in a line feed alone: a carriage return after one is already
  // a pixel (or history) byte. Returns before it are trimmed off the values.
  in.LineEnd = '\n';
  std::string line;
  auto next = [&]() -> const std::string& {
    in.ReadLn(line);
    return line;
  };
  next();
  next();
  int64_t frames = 1;
  for (int k = 0; k < 201; ++k) {
    int64_t v = 0;
    const bool whole = ParseInt(next(), v);
    if (whole && v < 500) {
      frames = v;
      break;
    }
    if (k == 200) frames = whole ? v : 1;
  }
  next();  // date
  const std::string rows_text = next();
  const int64_t height = RequireInt(rows_text);
  const int64_t width = RequireInt(next());
  const std::string third = next();
  HipsPixels kind = HipsPixels::Grey;
  int64_t planes = frames;
  if (third == rows_text) {
    next();
    next();
    next();
    const std::string code = Trimmed(next());
    if (code == "0") kind = HipsPixels::Grey;
    else if (code == "3") kind = HipsPixels::Float;
    else if (code == "35") kind = HipsPixels::ColourBytes;
    else if (code == "37") kind = HipsPixels::ColourFloats;
    else throw ELinearBitmap("Unsupported bitmap format");
    if (!ParseInt(next(), planes) || planes < 1 || planes > 500) planes = 1;
    for (int block = 0; block < 2; ++block) {
      const int64_t n = RequireInt(next());
      if (n < 0) throw ELinearBitmap("Error in bitmap data");
      CopyStream(in, nullptr, n);
    }
    const int64_t parameters = RequireInt(next());
    for (int64_t k = 0; k < parameters; ++k) next();
    next();
  } else {
    if (Trimmed(third) != "8") throw ELinearBitmap("Unsupported bitmap format");
    for (int k = 0; k < 4; ++k) next();
  }
  if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX) throw ELinearBitmap("Invalid bitmap size");
  const int64_t n = width * height;
  const int64_t bytes_per_value = kind == HipsPixels::Float || kind == HipsPixels::ColourFloats ? 4 : 1;
  const int64_t values_per_pixel = kind == HipsPixels::ColourBytes || kind == HipsPixels::ColourFloats ? 3 : 1;
  if (n > MaxMapBytes / 3 || n * bytes_per_value * values_per_pixel > MaxMapBytes) throw ELinearBitmap("Invalid bitmap size");
  // The values follow uncoded: the picture is made only when the file holds them.
  if (n * bytes_per_value * values_per_pixel > in.Available()) throw ELinearBitmap("Error in bitmap data");
  const auto w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);
  in.SetStrictCount(true);
  auto progress = [&](int64_t i) {
    if (LoaderProgress && (i & 0x511) == 0) LoaderProgress(static_cast<int32_t>(i * 100 / n));
  };

  if (kind == HipsPixels::Grey) {
    int32_t plane = 1;
    if (planes >= 2 && LoaderProgress && PlaneQuestion) {
      if (!PlaneQuestion(static_cast<int32_t>(planes), plane)) throw EAbort();
      plane = std::clamp<int32_t>(plane, 1, static_cast<int32_t>(planes));
    }
    if (plane > 1) CopyStream(in, nullptr, (plane - 1) * n);
    bitmap.New(w, h, pf8Bit);
    std::copy(GrayPalette().begin(), GrayPalette().end(), bitmap.Palette.begin());
    in.Read(bitmap.Map.data(), n);
    return;
  }
  if (kind == HipsPixels::ColourBytes || kind == HipsPixels::ColourFloats) {
    bitmap.New(w, h, pf24Bit);
    std::vector<uint8_t> values(static_cast<size_t>(3 * bytes_per_value));
    for (int64_t i = 0; i < n; ++i) {
      in.Read(values.data(), static_cast<int64_t>(values.size()));
      uint8_t* px = &bitmap.Map[static_cast<size_t>(3 * i)];
      if (kind == HipsPixels::ColourBytes) {
        px[2] = values[0];
        px[1] = values[1];
        px[0] = values[2];
      } else {
        for (int k = 0; k < 3; ++k) px[k] = FloatByte(FloatFrom(&values[static_cast<size_t>(4 * k)], false));
      }
      progress(i + 1);
    }
    return;
  }
  uint8_t value[4];
  if (planes == 1) {
    bitmap.New(w, h, pf8Bit);
    std::copy(GrayPalette().begin(), GrayPalette().end(), bitmap.Palette.begin());
    for (int64_t i = 0; i < n; ++i) {
      in.Read(value, 4);
      bitmap.Map[static_cast<size_t>(i)] = FloatByte(FloatFrom(value, true));
      progress(i + 1);
    }
    return;
  }
  bitmap.New(w, h, pf24Bit);
  bitmap.Clear(0);
  const int64_t used = std::min<int64_t>(planes, 3);
  for (int64_t p = 0; p < used; ++p) {
    for (int64_t i = 0; i < n; ++i) {
      in.Read(value, 4);
      bitmap.Map[static_cast<size_t>(3 * i + (2 - p))] = FloatByte(FloatFrom(value, false));
    }
    if (!LoaderProgress) continue;
    if (p == 0) LoaderProgress(static_cast<int32_t>(100 / planes));
    if (p == 1 && used == 3) LoaderProgress(static_cast<int32_t>(200 / planes));
    if (p == 2) LoaderProgress(100);
  }
}

}  // namespace ImageFile
