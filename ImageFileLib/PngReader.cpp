// PNG/MNG reader of TPNGLoader (contract in PngLoader.h).
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

[[noreturn]] void InvalidData() { throw Exception("Invalid PNG data"); }

uint32_t ReadBE32(TBaseStream& s) {
  uint8_t b[4];
  s.Read(b, 4);
  return Be32(b);
}

struct ChunkHeader {
  uint32_t Length = 0;
  char Type[5] = {};
};

// The image data of one or more consecutive IDAT chunks as one stream. At the
// first chunk of another type it ends and keeps that chunk's header.
class TIDATStream : public TBaseStream {
public:
  TIDATStream(TBaseStream& raw, TCRC32Stream& crc, uint32_t first_length, bool verify)
      : Raw(raw), Crc(crc), Left(first_length), Verify(verify) {
    CanRead = 1;
  }
  int64_t Write(const void*, int64_t) override { throw EInOutError("Stream not open for write"); }
  int64_t Read(void* buffer, int64_t count) override {
    auto* p = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
      if (Left == 0) {
        if (Ended) break;
        NextChunk();
        continue;
      }
      const int64_t n = std::min<int64_t>(count - done, Left);
      Crc.Read(p + done, n);
      Left -= n;
      done += n;
    }
    return done;
  }
  int64_t Available() override { return Ended ? Left : Left + 1; }

  bool Ended = false;
  ChunkHeader Pending;

private:
  void NextChunk() {
    const uint32_t stored = ReadBE32(Raw);
    if (Verify && stored != Crc.CRC()) throw Exception("CRC error");
    const uint32_t length = ReadBE32(Raw);
    if (length > 0x7FFFFFFFu) InvalidData();
    Crc.ResetCRC();
    char type[4];
    Crc.Read(type, 4);
    if (std::memcmp(type, "IDAT", 4) == 0) {
      Left = length;
      return;
    }
    Ended = true;
    Pending.Length = length;
    std::memcpy(Pending.Type, type, 4);
  }

  TBaseStream& Raw;
  TCRC32Stream& Crc;
  int64_t Left;
  bool Verify;
};

struct ImageHeader {
  int32_t Width = 0, Height = 0;
  int BitDepth = 0, ColourType = 0, Channels = 0, FilterMethod = 0, Interlace = 0;
};

bool ValidDepth(int colour_type, int depth) {
  switch (colour_type) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2: case 4: case 6: return depth == 8 || depth == 16;
    default: return false;
  }
}

void Unfilter(int type, uint8_t* row, const uint8_t* prev, int64_t n, int bpp) {
  switch (type) {
    case 0: break;
    case 1:
      for (int64_t i = bpp; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
      break;
    case 2:
      for (int64_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
      break;
    case 3:
      for (int64_t i = 0; i < n; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + ((a + prev[i]) >> 1));
      }
      break;
    case 4:
      for (int64_t i = 0; i < n; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + PaethPredictor(a, b, c));
      }
      break;
    default:
      InvalidData();
  }
}

struct Pass {
  int X0, Y0, DX, DY;
};
const Pass Adam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
const Pass WholeImage = {0, 0, 1, 1};

// One unfiltered row of a pass into the bitmap (and the alpha bitmap).
void PlaceRow(const uint8_t* r, int64_t pw, const ImageHeader& h, const Pass& pass, int32_t y, bool differenced,
              TLinearBitmap& bitmap, TLinearBitmap* alpha) {
  uint8_t* dst = bitmap.ScanLine(y);
  uint8_t* adst = alpha ? alpha->ScanLine(y) : nullptr;
  const int d = h.BitDepth;
  for (int64_t i = 0; i < pw; ++i) {
    const int64_t x = pass.X0 + i * pass.DX;
    if (d < 8) {
      const int64_t bit = i * d;
      dst[x] = static_cast<uint8_t>((r[bit >> 3] >> (8 - d - (bit & 7))) & ((1 << d) - 1));
      continue;
    }
    if (d == 8) {
      switch (h.Channels) {
        case 1: dst[x] = r[i]; break;
        case 2:
          dst[x] = r[2 * i];
          if (adst) adst[x] = r[2 * i + 1];
          break;
        default: {
          const uint8_t* s = r + i * h.Channels;
          uint8_t red = s[0], green = s[1], blue = s[2];
          if (differenced) {
            red = static_cast<uint8_t>(red + green);
            blue = static_cast<uint8_t>(blue + green);
          }
          dst[3 * x] = blue;
          dst[3 * x + 1] = green;
          dst[3 * x + 2] = red;
          if (adst && h.Channels == 4) adst[x] = s[3];
        }
      }
      continue;
    }
    const uint8_t* s = r + i * h.Channels * 2;
    if (h.Channels <= 2) {  // 16-bit grey kept whole, little-endian
      dst[2 * x] = s[1];
      dst[2 * x + 1] = s[0];
      if (adst && h.Channels == 2) adst[x] = s[2];
      continue;
    }
    uint32_t red = uint32_t{s[0]} << 8 | s[1], green = uint32_t{s[2]} << 8 | s[3], blue = uint32_t{s[4]} << 8 | s[5];
    if (differenced) {
      red = (red + green) & 0xFFFF;
      blue = (blue + green) & 0xFFFF;
    }
    dst[3 * x] = static_cast<uint8_t>(blue >> 8);
    dst[3 * x + 1] = static_cast<uint8_t>(green >> 8);
    dst[3 * x + 2] = static_cast<uint8_t>(red >> 8);
    if (adst && h.Channels == 4) adst[x] = s[6];
  }
}

// The filtered rows of every pass: what the zlib data inflates to.
int64_t InflatedSize(const ImageHeader& h) {
  int64_t expected = 0;
  for (int p = 0; p < (h.Interlace ? 7 : 1); ++p) {
    const Pass& pass = h.Interlace ? Adam7[p] : WholeImage;
    const int64_t pw = h.Width > pass.X0 ? (h.Width - pass.X0 + pass.DX - 1) / pass.DX : 0;
    const int64_t ph = h.Height > pass.Y0 ? (h.Height - pass.Y0 + pass.DY - 1) / pass.DY : 0;
    if (pw && ph) expected += ph * ((pw * h.Channels * h.BitDepth + 7) / 8 + 1);
  }
  return expected;
}

void DecodeImage(TBaseStream& idat, TLinearBitmap& bitmap, const ImageHeader& h, bool is_mng, TLinearBitmap* alpha,
                 bool verify) {
  uint8_t zh[2];
  if (idat.Read(zh, 2) != 2) InvalidData();
  if ((zh[0] & 15) != 8 || (zh[0] >> 4) > 7 || ((zh[0] << 8) | zh[1]) % 31 != 0 || (zh[1] & 0x20)) InvalidData();
  const bool differenced = is_mng && h.FilterMethod == 64 && h.Channels >= 3;
  TDeflateStream inflate(&idat, 0);
  TAdler32 adler;
  const int bpp = (h.Channels * h.BitDepth + 7) / 8;
  const int pass_count = h.Interlace ? 7 : 1;
  inflate.MaxOutput = InflatedSize(h) + 1;
  for (int p = 0; p < pass_count; ++p) {
    const Pass& pass = h.Interlace ? Adam7[p] : WholeImage;
    const int64_t pw = h.Width > pass.X0 ? (h.Width - pass.X0 + pass.DX - 1) / pass.DX : 0;
    const int64_t ph = h.Height > pass.Y0 ? (h.Height - pass.Y0 + pass.DY - 1) / pass.DY : 0;
    if (pw == 0 || ph == 0) continue;
    const int64_t row_bytes = (pw * h.Channels * h.BitDepth + 7) / 8;
    std::vector<uint8_t> row(static_cast<size_t>(row_bytes) + 1), prev(static_cast<size_t>(row_bytes) + 1, 0);
    for (int64_t j = 0; j < ph; ++j) {
      inflate.Read(row.data(), row_bytes + 1);
      adler.Update(row.data(), row_bytes + 1);
      if (row[0] > 4) InvalidData();
      Unfilter(row[0], row.data() + 1, prev.data() + 1, row_bytes, bpp);
      PlaceRow(row.data() + 1, pw, h, pass, static_cast<int32_t>(pass.Y0 + j * pass.DY), differenced, bitmap, alpha);
      row.swap(prev);
      if (LoaderProgress) LoaderProgress(static_cast<int32_t>(j * 100 / ph));
    }
  }
  // The zlib data must end with the image.
  inflate.SetStrictCount(false);
  uint8_t extra;
  if (inflate.Read(&extra, 1) != 0) InvalidData();
  uint8_t stored[4], computed[4];
  const bool complete = inflate.ReadTrailer(stored, 4) == 4;
  adler.ValueBytes(computed);
  if (verify && (!complete || std::memcmp(stored, computed, 4) != 0)) throw Exception("Adler32 error");
}

}  // namespace

void TPNGLoader::LoadFromStream(TBaseStream& stream, const std::string& /*ext*/, TLinearBitmap& bitmap) {
  PaletteOption.reset();
  PaletteAlpha.reset();
  AlphaBitmap.reset();
  TransparentColor = -1;
  Gamma = 0.0;
  bitmap.Dispose();
  TBufferedStream raw(-1, 0, &stream);
  uint8_t signature[8];
  if (raw.Read(signature, 8) != 8) throw Exception("Invalid PNG header");
  const bool is_mng = std::memcmp(signature, MngSignature, 8) == 0;
  if (!is_mng && std::memcmp(signature, PngSignature, 8) != 0) throw Exception("Invalid PNG header");

  TCRC32Stream crc(&raw);
  ImageHeader h;
  bool have_header = false, image_done = false;
  ChunkHeader pending;
  bool have_pending = false;
  uint8_t data[768];
  for (;;) {
    ChunkHeader c;
    if (have_pending) {
      c = pending;
      have_pending = false;
    } else {
      c.Length = ReadBE32(raw);
      if (c.Length > 0x7FFFFFFFu) InvalidData();
      crc.ResetCRC();
      crc.Read(c.Type, 4);
    }
    const std::string type(c.Type, 4);
    bool check_crc = true;
    if (type == "IHDR") {
      if (c.Length != 13 || have_header) InvalidData();
      crc.Read(data, 13);
      const uint32_t w = Be32(data), hh = Be32(data + 4);
      h.BitDepth = data[8];
      h.ColourType = data[9];
      h.FilterMethod = data[11];
      h.Interlace = data[12];
      if (w == 0 || hh == 0 || w > 0x7FFFFFFFu || hh > 0x7FFFFFFFu || data[10] != 0 || h.Interlace > 1 ||
          !ValidDepth(h.ColourType, h.BitDepth))
        InvalidData();
      if (h.FilterMethod != 0 && !(is_mng && h.FilterMethod == 64)) InvalidData();
      BitDepth = h.BitDepth;
      h.Width = static_cast<int32_t>(w);
      h.Height = static_cast<int32_t>(hh);
      uint8_t code;
      switch (h.ColourType) {
        case 0: code = h.BitDepth == 16 ? pf16Grey : pf8Bit; h.Channels = 1; break;
        case 2: code = pf24Bit; h.Channels = 3; break;
        case 3: code = pf8Bit; h.Channels = 1; break;
        case 4: code = h.BitDepth == 16 ? pf16Grey : pf8Bit; h.Channels = 2; break;
        default: code = pf24Bit; h.Channels = 4; break;
      }
      const int pixel = code == pf8Bit ? 1 : code == pf16Grey ? 2 : 3;
      if (int64_t{h.Width} * h.Height > MaxMapBytes / pixel ||
          (int64_t{h.Width} * h.Channels * h.BitDepth + 7) / 8 > MaxMapBytes)
        InvalidData();
      // Deflate gives at most 1032 bytes a byte: a header claiming more than
      // the rest of the file can give is refused before the picture is made.
      if (InflatedSize(h) / 1032 > raw.Available()) InvalidData();
      bitmap.New(h.Width, h.Height, code);
      if (code == pf8Bit) {
        std::fill(bitmap.Palette.begin(), bitmap.Palette.end(), 0);
        if (h.ColourType != 3) {
          if (h.BitDepth < 8) MakeGrayPalette(bitmap.Palette.data(), 1 << h.BitDepth);
          else std::memcpy(bitmap.Palette.data(), GrayPalette().data(), 768);
        }
      }
      if (KeepAlpha && (h.ColourType == 4 || h.ColourType == 6)) {
        AlphaBitmap = std::make_unique<TLinearBitmap>();
        AlphaBitmap->New(h.Width, h.Height, pf8Bit);
        std::memcpy(AlphaBitmap->Palette.data(), GrayPalette().data(), 768);
      }
      have_header = true;
    } else if (type == "PLTE") {
      if (c.Length > 768 || c.Length % 3 != 0) InvalidData();
      crc.Read(data, c.Length);
      const uint32_t n = c.Length / 3;
      if (have_header && h.ColourType == 3) {
        std::fill(bitmap.Palette.begin(), bitmap.Palette.end(), 0);
        for (uint32_t i = 0; i < n; ++i) {
          bitmap.Palette[3 * i] = data[3 * i + 2];
          bitmap.Palette[3 * i + 1] = data[3 * i + 1];
          bitmap.Palette[3 * i + 2] = data[3 * i];
        }
      } else if (KeepAlpha) {
        PaletteOption = std::make_unique<TPalette>();
        PaletteOption->fill(0);
        for (uint32_t i = 0; i < n; ++i) {
          (*PaletteOption)[3 * i] = data[3 * i + 2];
          (*PaletteOption)[3 * i + 1] = data[3 * i + 1];
          (*PaletteOption)[3 * i + 2] = data[3 * i];
        }
      }
    } else if (type == "gAMA") {
      if (c.Length != 4) InvalidData();
      crc.Read(data, 4);
      Gamma = Be32(data) / 100000.0;
    } else if (type == "tRNS") {
      const uint32_t n = std::min<uint32_t>(c.Length, 256);
      crc.Read(data, n);
      if (have_header && h.ColourType == 0 && n >= 2) {
        TransparentColor = data[0] << 8 | data[1];
      } else if (have_header && h.ColourType == 2 && n >= 6 && h.BitDepth == 8) {
        TransparentColor = data[1] | data[3] << 8 | data[5] << 16;
      } else if (have_header && h.ColourType == 3) {
        if (KeepAlpha) {
          PaletteAlpha = std::make_unique<std::array<uint8_t, 256>>();
          PaletteAlpha->fill(255);
          std::memcpy(PaletteAlpha->data(), data, n);
        } else {
          for (uint32_t i = 0; i < n; ++i)
            if (data[i] == 0) {
              TransparentColor = static_cast<int32_t>(i);
              break;
            }
        }
      }
      CopyStream(crc, nullptr, c.Length - n);
    } else if (type == "IDAT") {
      if (!have_header) InvalidData();
      if (image_done) {
        CopyStream(crc, nullptr, c.Length);
      } else {
        TIDATStream idat(raw, crc, c.Length, VerifyChecksums);
        DecodeImage(idat, bitmap, h, is_mng, AlphaBitmap.get(), VerifyChecksums);
        image_done = true;
        // Whatever IDAT data remains is skipped; the CRCs were checked on the way.
        CopyStream(idat, nullptr, std::numeric_limits<int64_t>::max());
        if (!idat.Ended) InvalidData();
        pending = idat.Pending;
        have_pending = true;
        continue;
      }
    } else if (type == "IEND") {
      if (c.Length != 0) InvalidData();
      const uint32_t stored = ReadBE32(raw);
      if (VerifyChecksums && stored != crc.CRC()) throw Exception("CRC error");
      break;
    } else if (type == "MHDR" || type == "MEND" || type == "DEFI" || (c.Type[0] & 0x20)) {
      CopyStream(crc, nullptr, c.Length);
      check_crc = false;
    } else {
      throw Exception("Unsupported PNG data");
    }
    const uint32_t stored = ReadBE32(raw);
    if (check_crc && VerifyChecksums && stored != crc.CRC()) throw Exception("CRC error");
  }
  if (!bitmap.Present || !image_done) throw Exception("Unsupported PNG data");
}

}  // namespace ImageFile
