#include "ImageFileLib/JpegLoader.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace ImageFile {

TJPEGLoader& JPEGLoader() { return SharedLoader<TJPEGLoader>(); }

namespace {

constexpr int DefaultQuality = 90;
constexpr int64_t MaxJpegFileBytes = int64_t{256} << 20;

// libjpeg reports errors through error_exit; we jump back and raise in C++.
struct ErrorManager {
  jpeg_error_mgr Base;
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->Message);
  longjmp(err->Jump, 1);
}

void SilentMessage(j_common_ptr, int) {}

// Every scan of a progressive file passes over all its coefficients: a small
// file of many tiny scans would take minutes. Real files have a few dozen.
constexpr int kMaxScans = 1000;

void LimitScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor || reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans) return;
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::snprintf(err->Message, sizeof err->Message, "JPEG file has more than %d scans", kMaxScans);
  longjmp(err->Jump, 1);
}

// Decoding: a file that ends before its picture does is an error, not a
// picture with a grey lower part (a missing end marker after the last row is
// not); other warnings stay quiet.
void EndIsAnError(j_common_ptr cinfo, int msg_level) {
  if (msg_level >= 0 || cinfo->err->msg_code != JWRN_JPEG_EOF || !cinfo->is_decompressor) return;
  const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->output_height == 0 || d->output_scanline < d->output_height) ErrorExit(cinfo);
}

// libjpeg's errors jump back to the caller's setjmp with their text in err;
// its warnings go to emit.
jpeg_error_mgr* UseErrorManager(ErrorManager& err, void (*emit)(j_common_ptr, int)) {
  jpeg_error_mgr* base = jpeg_std_error(&err.Base);
  err.Base.error_exit = ErrorExit;
  err.Base.emit_message = emit;
  return base;
}

// Only plain data crosses the setjmp region; nothing with a destructor lives in it.
bool EncodeJpeg(JSAMPROW const* rows, int width, int height, int components, J_COLOR_SPACE space, int quality,
                unsigned char** out, unsigned long* out_size, char* message) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  cinfo.err = UseErrorManager(err, SilentMessage);
  if (setjmp(err.Jump)) {
    jpeg_destroy_compress(&cinfo);
    std::strcpy(message, err.Message);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, out_size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height)
    jpeg_write_scanlines(&cinfo, const_cast<JSAMPARRAY>(rows + cinfo.next_scanline),
                         cinfo.image_height - cinfo.next_scanline);
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

// Adobe's files (Photoshop, and most writers after it) store CMYK inverted.
// Each channel is (255 - ink) x (255 - K) / 255, rounded as Pillow does.
void CmykToRgb(const uint8_t* cmyk, uint8_t* rgb, int width, bool inverted) {
  for (int x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    const int flip = inverted ? 255 : 0;
    const int white = 255 - (cmyk[3] ^ flip);
    for (int k = 0; k < 3; ++k) {
      const int t = (cmyk[k] ^ flip) * white + 128;
      rgb[k] = static_cast<uint8_t>(white - (((t >> 8) + t) >> 8));
    }
  }
}

struct DecodeResult {
  int FullWidth = 0, FullHeight = 0, Width = 0, Height = 0, Components = 0;
  uint8_t* Pixels = nullptr;  // malloc'd, Width x Height x Components once complete
  size_t Capacity = 0;        // bytes of Pixels so far
  uint8_t* CmykRow = nullptr;  // malloc'd; outside the stack, as errors longjmp
};

// Every block of a Huffman-coded file costs at least one bit; data that
// cannot hold the blocks the header claims is a file cut short.
bool HoldsItsBlocks(const jpeg_decompress_struct& cinfo, size_t size) {
  if (cinfo.arith_code) return true;
  uint64_t blocks = 0;
  for (int c = 0; c < cinfo.num_components; ++c)
    blocks += uint64_t{cinfo.comp_info[c].width_in_blocks} * cinfo.comp_info[c].height_in_blocks;
  return blocks <= uint64_t{size} * 8;
}

// Files of several scans keep every coefficient (two bytes a sample) until the last one.
int64_t CoefficientBytes(const jpeg_decompress_struct& cinfo) {
  if (!cinfo.progressive_mode && cinfo.comps_in_scan >= cinfo.num_components) return 0;
  int64_t bytes = 0;
  for (int c = 0; c < cinfo.num_components; ++c)
    bytes += int64_t{cinfo.comp_info[c].width_in_blocks} * cinfo.comp_info[c].height_in_blocks * DCTSIZE2 *
             static_cast<int64_t>(sizeof(JCOEF));
  return bytes;
}

bool DecodeJpeg(const uint8_t* data, size_t size, int min_width, int min_height, int64_t max_bytes,
                DecodeResult* result, char* message) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = LimitScans;
  cinfo.err = UseErrorManager(err, EndIsAnError);
  if (setjmp(err.Jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::free(result->Pixels);
    std::free(result->CmykRow);
    result->Pixels = result->CmykRow = nullptr;
    std::strcpy(message, err.Message);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  result->FullWidth = static_cast<int>(cinfo.image_width);
  result->FullHeight = static_cast<int>(cinfo.image_height);
  unsigned denom = 1;
  while (denom < 8 && static_cast<int64_t>((cinfo.image_width + denom - 1) / denom) / 2 >= min_width &&
         static_cast<int64_t>((cinfo.image_height + denom - 1) / denom) / 2 >= min_height)
    denom *= 2;
  cinfo.scale_num = 1;
  cinfo.scale_denom = denom;
  cinfo.dct_method = JDCT_ISLOW;
  // libjpeg has no CMYK-to-RGB conversion: CMYK and YCCK come out as CMYK and
  // are turned into RGB here.
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cinfo.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_calc_output_dimensions(&cinfo);
  const int components = cmyk ? 3 : cinfo.output_components;
  const int64_t bytes = int64_t{cinfo.output_width} * cinfo.output_height * components;
  if (bytes <= 0 || bytes > max_bytes || CoefficientBytes(cinfo) > max_bytes) {
    jpeg_destroy_decompress(&cinfo);
    std::strcpy(message, "Invalid bitmap size");
    return false;
  }
  if (!HoldsItsBlocks(cinfo, size)) {
    jpeg_destroy_decompress(&cinfo);
    std::strcpy(message, "Premature end of JPEG file");
    return false;
  }
  result->Width = static_cast<int>(cinfo.output_width);
  result->Height = static_cast<int>(cinfo.output_height);
  result->Components = components;
  jpeg_start_decompress(&cinfo);
  if (cmyk) {
    result->CmykRow = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(result->Width) * 4));
    if (!result->CmykRow) ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 0);
  }
  const size_t row_bytes = static_cast<size_t>(result->Width) * result->Components;
  while (cinfo.output_scanline < cinfo.output_height) {
    // The map grows with the rows decoded, so a file whose data stops early
    // has never cost the whole picture.
    const size_t needed = (static_cast<size_t>(cinfo.output_scanline) + 1) * row_bytes;
    if (needed > result->Capacity) {
      const size_t grown = std::min(static_cast<size_t>(bytes), std::max({needed, 2 * result->Capacity, size_t{1} << 16}));
      auto* more = static_cast<uint8_t*>(std::realloc(result->Pixels, grown));
      if (!more) ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 0);
      result->Pixels = more;
      result->Capacity = grown;
    }
    JSAMPROW row = result->Pixels + static_cast<size_t>(cinfo.output_scanline) * row_bytes;
    if (!cmyk) {
      jpeg_read_scanlines(&cinfo, &row, 1);
      continue;
    }
    JSAMPROW four = result->CmykRow;
    jpeg_read_scanlines(&cinfo, &four, 1);
    CmykToRgb(four, row, result->Width, cinfo.saw_Adobe_marker != 0);
  }
  std::free(result->CmykRow);
  result->CmykRow = nullptr;
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

void TJPEGLoader::SaveToStream(TBaseStream& stream, const std::string& /*ext*/, const TLinearBitmap& bitmap) {
  const uint8_t code = bitmap.PixelFormat;
  if (!bitmap.Present || (code != pf8Bit && code != pf16Grey && code != pf24Bit && code != pf32Bit))
    throw ELinearBitmap("Unsupported pixel format");
  // Grey pictures (grey ramp palette, 16-bit grey, equal channels) become grey JPEGs.
  const bool grey = bitmap.IsGrayScale();
  const int32_t w = bitmap.Width, h = bitmap.Height;
  // Colour rows of 3 or 4 bytes go to libjpeg-turbo as they are (blue,
  // green, red order); palette and grey pictures are expanded first.
  const bool direct = !grey && (code == pf24Bit || code == pf32Bit);
  const int components = grey ? 1 : direct && code == pf32Bit ? 4 : 3;
  const J_COLOR_SPACE space = grey ? JCS_GRAYSCALE : !direct ? JCS_RGB : code == pf32Bit ? JCS_EXT_BGRX : JCS_EXT_BGR;
  std::vector<uint8_t> pixels(direct ? 0 : static_cast<size_t>(w) * h * components);
  std::vector<JSAMPROW> rows(static_cast<size_t>(h));
  for (int32_t y = 0; y < h; ++y) {
    if (direct) {
      rows[static_cast<size_t>(y)] = const_cast<JSAMPROW>(bitmap.ScanLine(y));
      continue;
    }
    rows[static_cast<size_t>(y)] = &pixels[static_cast<size_t>(y) * w * components];
    const uint8_t* s = bitmap.ScanLine(y);
    uint8_t* d = &pixels[static_cast<size_t>(y) * w * components];
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t* bgr = code == pf8Bit ? &bitmap.Palette[3 * s[x]] : s + bitmap.PixelSize * x;
      if (code == pf16Grey) {
        d[x] = s[2 * x + 1];
      } else if (grey) {
        d[x] = bgr[0];
      } else {
        d[3 * x] = bgr[2];
        d[3 * x + 1] = bgr[1];
        d[3 * x + 2] = bgr[0];
      }
    }
  }
  auto encode = [&](int quality, std::vector<uint8_t>& out) {
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    ++LastEncodeCount;
    const bool ok = EncodeJpeg(rows.data(), w, h, components, space, quality, &buffer, &size, message);
    if (ok) out.assign(buffer, buffer + size);
    std::free(buffer);
    if (!ok) throw Exception(message);
  };
  LastEncodeCount = 0;
  std::vector<uint8_t> out;
  if (MaxSize < 1) {
    encode(Quality >= 1 ? std::min(Quality, 100) : DefaultQuality, out);
  } else {
    if (Quality < 1) Quality = DefaultQuality;
    int lo = 1, hi = Quality + 1, q = std::min(Quality, 100);
    for (;;) {
      encode(q, out);
      const auto size = static_cast<int64_t>(out.size());
      if (size > MaxSize) {
        hi = q;
        if (q <= 1) break;
      } else {
        if (size == MaxSize) break;
        lo = q;
        if (q >= 100 || hi == q + 1) break;
      }
      q = (lo + hi) / 2;
    }
  }
  stream.Write(out.data(), static_cast<int64_t>(out.size()));
}

void TJPEGLoader::LoadFromStream(TBaseStream& stream, const std::string& /*ext*/, TLinearBitmap& bitmap) {
  bitmap.Dispose();
  TMemStream memory;
  {
    const bool strict = stream.StrictCount != 0;
    stream.SetStrictCount(false);
    CopyStream(stream, &memory, MaxJpegFileBytes);
    if (strict) stream.SetStrictCount(true);
  }
  const std::vector<uint8_t> data = memory.ToVector();
  DecodeResult result;
  char message[JMSG_LENGTH_MAX] = {};
  if (data.empty()) throw ELinearBitmap("Error in bitmap data");
  if (!DecodeJpeg(data.data(), data.size(), MinWidth, MinHeight, MaxMapBytes, &result, message))
    throw Exception(message);
  std::unique_ptr<uint8_t, decltype(&std::free)> pixels(result.Pixels, &std::free);
  FullWidth = result.FullWidth;
  FullHeight = result.FullHeight;
  if (result.Width < 1 || result.Height < 1) throw ELinearBitmap("Error in bitmap data");
  if (result.Components == 1) {
    bitmap.New(result.Width, result.Height, pf8Bit);
    std::memcpy(bitmap.Palette.data(), GrayPalette().data(), 768);
    std::memcpy(bitmap.Map.data(), pixels.get(), static_cast<size_t>(bitmap.Size));
    return;
  }
  bitmap.New(result.Width, result.Height, pf24Bit);
  const uint8_t* s = pixels.get();
  for (int32_t i = 0; i < bitmap.Size; i += 3) {
    bitmap.Map[i] = s[i + 2];
    bitmap.Map[i + 1] = s[i + 1];
    bitmap.Map[i + 2] = s[i];
  }
}

}  // namespace ImageFile
