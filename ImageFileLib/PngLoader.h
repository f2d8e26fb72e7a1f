#pragma once
// PNG (and single-image MNG) writer and reader.
//
// Reader contract: PNG files of every colour type (0, 2, 3, 4, 6) and bit
// depth (1, 2, 4, 8, 16), interlaced or not, with any number of IDAT chunks;
// MNG-signed files holding one PNG image (MHDR, MEND, DEFI skipped; filter
// method 64 undone). Deviations: only the first image of an MNG is read;
// unknown critical chunks are refused ("Unsupported PNG data"); 16-bit colour
// is reduced to its high bytes; the zlib data must end with the image (extra
// image data is "Invalid PNG data"); images whose map would exceed MaxMapBytes,
// or whose image data could not come from the rest of the file, are refused
// ("Invalid PNG data").
#include <memory>
#include <string>

#include "ImageFileLib/BitmapLoaders.h"

namespace ImageFile {

class TPNGLoader : public TBitmapLoader {
public:
  TPNGLoader();
  bool CanLoad(const std::string& ext) override { return ext == "PNG" || ext == "MNG"; }
  bool CanSave(const std::string& ext) override { return ext == "PNG" || ext == "MNG"; }
  std::string GetLoadFilter() override;
  void SaveToStream(TBaseStream& stream, const std::string& ext, const TLinearBitmap& bitmap) override;
  void LoadFromStream(TBaseStream& stream, const std::string& ext, TLinearBitmap& bitmap) override;

  uint8_t KeepAlpha = 0;
  std::unique_ptr<TPalette> PaletteOption;  // B,G,R
  std::unique_ptr<TLinearBitmap> AlphaBitmap;
  std::unique_ptr<std::array<uint8_t, 256>> PaletteAlpha;
  double Gamma = 0.0;
  int32_t TransparentColor = -1;
  // Writer: 1, 2 or 4 packs 8-bit palette pictures whose indexes all fit
  // (others are written with 8 bits); reader: the file's bit depth.
  int32_t BitDepth = 0;
  int32_t FilterOption = -1;
  int32_t ReduceTolerance = 0;
  int64_t MaxMapBytes = DefaultMaxMapBytes;
  // Checksums are checked unless this is cleared (fuzzing reaches deeper without them).
  bool VerifyChecksums = true;

private:
  void WriteImage(TBaseStream& stream, bool is_mng, const TLinearBitmap& bitmap, int32_t filter_option);
  void WriteIDAT(TSeekableStream& stream, class TCRC32Stream& crc, const TLinearBitmap& bitmap, int channels,
                 int bit_depth, int32_t filter_option);
};

TPNGLoader& PNGLoader();

// The writer's lossy colour reduction of an 8-bit or 24-bit bitmap (changed
// in place, tolerance > 0); returns the filter type to write it with.
int32_t ReduceColours(TLinearBitmap& bitmap, int32_t tolerance, int32_t transparent);

}  // namespace ImageFile
