// PNG/MNG writer of TPNGLoader: one IDAT chunk, our own deflate (method 0),
// per-row filter selection. Every check happens before the first byte is
// written, so a refused bitmap never leaves a partial file.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "base/ByteOrder.h"

#include "ImageFileLib/Checksums.h"
#include "ImageFileLib/DeflateStream.h"
#include "ImageFileLib/PngLoader.h"
#include "ImageFileLib/PngFormat.h"

namespace ImageFile {

namespace {

void WriteBE32(TBaseStream& s, uint32_t v) {
  uint8_t b[4];
  PutBe32(b, v);
  s.Write(b, 4);
}

void WriteChunk(TBaseStream& stream, TCRC32Stream& crc, const char* type, const uint8_t* data, uint32_t length) {
  WriteBE32(stream, length);
  crc.ResetCRC();
  crc.Write(type, 4);
  if (length) crc.Write(data, length);
  WriteBE32(stream, crc.CRC());
}

// Raw PNG row y of the bitmap (packed samples, big-endian 16-bit).
void TakeRow(const TLinearBitmap& bitmap, int32_t y, int channels, int bit_depth, uint8_t* out) {
  const uint8_t* s = bitmap.ScanLine(y);
  const int32_t w = bitmap.Width;
  if (bit_depth == 8 && channels == 1) {
    std::memcpy(out, s, static_cast<size_t>(w));
  } else if (bit_depth == 8 && channels == 3) {
    for (int32_t x = 0; x < w; ++x, s += 3, out += 3) {
      out[0] = s[2];
      out[1] = s[1];
      out[2] = s[0];
    }
  } else if (bit_depth == 16 && channels == 1) {
    for (int32_t x = 0; x < w; ++x, s += 2, out += 2) {
      out[0] = s[1];
      out[1] = s[0];
    }
  } else {  // 1, 2, 4 bits of palette index, leftmost sample in the high bits
    const int per_byte = 8 / bit_depth;
    const int64_t row_bytes = (int64_t{w} * bit_depth + 7) / 8;
    std::memset(out, 0, static_cast<size_t>(row_bytes));
    for (int32_t x = 0; x < w; ++x)
      out[x / per_byte] |= static_cast<uint8_t>(s[x] << (8 - bit_depth * (x % per_byte + 1)));
  }
}

// True when every index of the 8-bit map is below 2^depth.
bool FitsDepth(const TLinearBitmap& bitmap, int depth) {
  for (int32_t i = 0; i < bitmap.Size; ++i)
    if (bitmap.Map[i] >> depth) return false;
  return true;
}

}  // namespace

TPNGLoader::TPNGLoader() = default;

std::string TPNGLoader::GetLoadFilter() {
  return "Portable Network Graphics (*.png)|*.png|Multiple-image Network Graphics (*.mng)|*.mng";
}

TPNGLoader& PNGLoader() { return SharedLoader<TPNGLoader>(); }

void TPNGLoader::SaveToStream(TBaseStream& stream, const std::string& ext, const TLinearBitmap& bitmap) {
  const bool is_mng = UpperCase(ext) == "MNG";
  int32_t opt = FilterOption;
  if (opt < -3 || opt > 4) throw Exception("Invalid filter option");
  if (!bitmap.Present) throw ELinearBitmap("Unsupported pixel format");
  // A 32-bit bitmap is written as its 24-bit colours.
  TLinearBitmap converted;
  const TLinearBitmap* source = &Copy24BitIf(bitmap.PixelFormat == pf32Bit, bitmap, converted);
  if (source->PixelFormat != pf8Bit && source->PixelFormat != pf16Grey && source->PixelFormat != pf24Bit)
    throw ELinearBitmap("Unsupported pixel format");
  TLinearBitmap reduced;
  if (ReduceTolerance > 0 && source->PixelFormat != pf16Grey && !(is_mng && source->PixelFormat == pf24Bit)) {
    reduced.Assign(*source);
    opt = ReduceColours(reduced, ReduceTolerance, TransparentColor);
    WriteImage(stream, is_mng, reduced, opt);
    return;
  }
  if (opt == -3) {
    int64_t best = std::numeric_limits<int64_t>::max();
    TMemStream best_file;
    for (int32_t f = -2; f <= 4; ++f) {
      TMemStream trial;
      WriteImage(trial, is_mng, *source, f);
      if (trial.GetSize() < best) {
        best = trial.GetSize();
        opt = f;
        best_file.Clear();
        trial.SetPosition(0);
        best_file.CopyFrom(trial);
      }
      if (LoaderProgress) LoaderProgress((f + 3) * 100 / 8);
    }
    best_file.SetPosition(0);
    stream.CopyFrom(best_file);
    return;
  }
  WriteImage(stream, is_mng, *source, opt);
}

void TPNGLoader::WriteImage(TBaseStream& out, bool is_mng, const TLinearBitmap& bitmap, int32_t filter_option) {
  // The IDAT length is patched afterwards, so the target must seek.
  auto* seekable = dynamic_cast<TSeekableStream*>(&out);
  TMemStream memory;
  TSeekableStream& stream = seekable ? *seekable : memory;

  const uint8_t code = bitmap.PixelFormat;
  int bit_depth = 8;
  // A transparent index the small depth cannot hold keeps the 8-bit depth.
  if (code == pf8Bit && (BitDepth == 1 || BitDepth == 2 || BitDepth == 4) && FitsDepth(bitmap, BitDepth) &&
      !(TransparentColor >= (1 << BitDepth) && TransparentColor <= 255))
    bit_depth = BitDepth;
  else if (code == pf16Grey) bit_depth = 16;
  int colour_type, channels;
  const TLinearBitmap* image = &bitmap;
  TLinearBitmap differenced;
  uint8_t filter_method = 0;
  if (code == pf8Bit || code == pf16Grey) {
    colour_type = (bit_depth >= 8 && bitmap.IsGrayScale()) ? 0 : 3;
    channels = 1;
  } else {
    colour_type = 2;
    channels = 3;
    if (is_mng) {
      differenced.Assign(bitmap);
      for (int32_t i = 0; i + 2 < differenced.Size; i += 3) {
        differenced.Map[i] = static_cast<uint8_t>(differenced.Map[i] - differenced.Map[i + 1]);
        differenced.Map[i + 2] = static_cast<uint8_t>(differenced.Map[i + 2] - differenced.Map[i + 1]);
      }
      image = &differenced;
      filter_method = 64;
    }
  }

  stream.Write(is_mng ? MngSignature : PngSignature, 8);
  TCRC32Stream crc(&stream);
  uint8_t ihdr[13];
  PutBe32(ihdr, static_cast<uint32_t>(bitmap.Width));
  PutBe32(ihdr + 4, static_cast<uint32_t>(bitmap.Height));
  ihdr[8] = static_cast<uint8_t>(bit_depth);
  ihdr[9] = static_cast<uint8_t>(colour_type);
  ihdr[10] = 0;
  ihdr[11] = filter_method;
  ihdr[12] = 0;
  WriteChunk(stream, crc, "IHDR", ihdr, 13);

  if (colour_type == 3 || (PaletteOption && colour_type == 2)) {
    const uint8_t* pal = colour_type == 3 ? bitmap.Palette.data() : PaletteOption->data();
    int n = 0;
    for (int i = 255; i >= 1; --i)
      if (pal[3 * i] || pal[3 * i + 1] || pal[3 * i + 2]) {
        n = i;
        break;
      }
    // Black entries above the last coloured one may still be used by pixels.
    if (colour_type == 3)
      for (int32_t i = 0; i < bitmap.Size; ++i) n = std::max<int>(n, bitmap.Map[i]);
    // tRNS may not hold more entries than PLTE.
    if (colour_type == 3 && TransparentColor >= 0 && TransparentColor <= 255) n = std::max<int>(n, TransparentColor);
    // A palette may not hold more entries than the bit depth can index.
    if (colour_type == 3) n = std::min(n, (1 << bit_depth) - 1);
    uint8_t plte[768];
    for (int i = 0; i <= n; ++i) {
      plte[3 * i] = pal[3 * i + 2];
      plte[3 * i + 1] = pal[3 * i + 1];
      plte[3 * i + 2] = pal[3 * i];
    }
    WriteChunk(stream, crc, "PLTE", plte, static_cast<uint32_t>(3 * (n + 1)));
  }
  if (Gamma != 0.0) {
    uint8_t g[4];
    PutBe32(g, static_cast<uint32_t>(std::nearbyint(Gamma * 100000.0)));
    WriteChunk(stream, crc, "gAMA", g, 4);
  }
  if (TransparentColor != -1) {
    const auto t = static_cast<uint32_t>(TransparentColor);
    if (colour_type == 0) {
      const uint8_t d[2] = {static_cast<uint8_t>(t >> 8), static_cast<uint8_t>(t)};
      WriteChunk(stream, crc, "tRNS", d, 2);
    } else if (colour_type == 2) {
      const uint8_t d[6] = {0, static_cast<uint8_t>(t), 0, static_cast<uint8_t>(t >> 8), 0, static_cast<uint8_t>(t >> 16)};
      WriteChunk(stream, crc, "tRNS", d, 6);
    } else if (t <= 255) {
      uint8_t d[256];
      std::memset(d, 255, t);
      d[t] = 0;
      WriteChunk(stream, crc, "tRNS", d, t + 1);
    }
  }
  WriteIDAT(stream, crc, *image, channels, bit_depth, filter_option);
  WriteChunk(stream, crc, "IEND", nullptr, 0);
  if (!seekable) {
    memory.SetPosition(0);
    out.CopyFrom(memory);
  }
}

void TPNGLoader::WriteIDAT(TSeekableStream& stream, TCRC32Stream& crc, const TLinearBitmap& bitmap, int channels,
                           int bit_depth, int32_t opt) {
  const int64_t p = stream.GetPosition();
  WriteBE32(stream, 0);
  crc.ResetCRC();
  TBufferedStream buffered(0, 65536, &crc);
  buffered.Write("IDAT", 4);
  const uint8_t zlib_header[2] = {0x78, 0xDA};
  buffered.Write(zlib_header, 2);

  const int64_t row_bytes = (int64_t{bitmap.Width} * channels * bit_depth + 7) >> 3;
  const int bpp = std::max(1, (channels * bit_depth) >> 3);
  {
    TDeflateStream deflate(&buffered, 1);
    const auto n = static_cast<size_t>(row_bytes);
    std::vector<uint8_t> raw(n), prev(n, 0);
    std::vector<uint8_t> filtered[5];
    for (auto& f : filtered) f.resize(n + 1);
    TAdler32 adler;
    for (int32_t y = 0; y < bitmap.Height; ++y) {
      TakeRow(bitmap, y, channels, bit_depth, raw.data());
      const uint8_t* x = raw.data();
      const uint8_t* b = prev.data();
      const bool all = opt < 0;
      const size_t lead = std::min(n, static_cast<size_t>(bpp));  // bytes without a left neighbour
      if (all || opt == 0) std::memcpy(filtered[0].data() + 1, x, n);
      if (all || opt == 1) {
        uint8_t* f = filtered[1].data() + 1;
        for (size_t i = 0; i < lead; ++i) f[i] = x[i];
        for (size_t i = lead; i < n; ++i) f[i] = static_cast<uint8_t>(x[i] - x[i - bpp]);
      }
      if (all || opt == 2) {
        uint8_t* f = filtered[2].data() + 1;
        for (size_t i = 0; i < n; ++i) f[i] = static_cast<uint8_t>(x[i] - b[i]);
      }
      if (all || opt == 3) {
        uint8_t* f = filtered[3].data() + 1;
        for (size_t i = 0; i < lead; ++i) f[i] = static_cast<uint8_t>(x[i] - (b[i] >> 1));
        for (size_t i = lead; i < n; ++i) f[i] = static_cast<uint8_t>(x[i] - ((x[i - bpp] + b[i]) >> 1));
      }
      if (all || opt == 4) {
        uint8_t* f = filtered[4].data() + 1;
        for (size_t i = 0; i < lead; ++i) f[i] = static_cast<uint8_t>(x[i] - b[i]);  // a = c = 0: predicts b
        for (size_t i = lead; i < n; ++i) f[i] = static_cast<uint8_t>(x[i] - PaethPredictor(x[i - bpp], b[i], b[i - bpp]));
      }
      int type = opt;
      if (opt < 0) {
        int64_t best_cost = std::numeric_limits<int64_t>::max();
        for (int t = 0; t < 5; ++t) {
          const uint8_t* f = filtered[t].data() + 1;
          int64_t cost = 0;
          if (opt == -1) {
            uint64_t sum = 0;
            for (size_t i = 0; i < n; ++i) {
              const int v = static_cast<int8_t>(f[i]);
              sum += static_cast<uint64_t>(v < 0 ? -v : v);
            }
            cost = static_cast<int64_t>(sum);
          } else {
            for (size_t i = 4; i < n; ++i)
              if (f[i] == f[i - 1] && f[i] == f[i - 2] && f[i] == f[i - 3] && f[i] == f[i - 4]) --cost;
          }
          if (cost < best_cost) {
            best_cost = cost;
            type = t;
          }
        }
      }
      uint8_t* row = filtered[type].data();
      row[0] = static_cast<uint8_t>(type);
      adler.Update(row, static_cast<int64_t>(n) + 1);
      deflate.Write(row, static_cast<int64_t>(n) + 1);
      raw.swap(prev);
    }
    deflate.Finish();
    uint8_t trailer[4];
    adler.ValueBytes(trailer);
    buffered.Write(trailer, 4);
  }
  buffered.Flush();
  const int64_t e = stream.GetPosition();
  stream.SetPosition(p);
  WriteBE32(stream, static_cast<uint32_t>(e - p - 8));
  stream.SetPosition(e);
  WriteBE32(stream, crc.CRC());
}

}  // namespace ImageFile
