// Headers that claim a picture their file cannot hold: each loader refuses
// them with its own message before it makes the picture (files from Pillow
// or our writers, their sizes raised afterwards; sanitizer builds also see
// that nothing large was allocated).
#include <zlib.h>

#include <functional>

#include "ImageFileLib/BmpLoader.h"
#include "ImageFileLib/HipsLoader.h"
#include "ImageFileLib/IconFile.h"
#include "ImageFileLib/JpegLoader.h"
#include "ImageFileLib/MetafileLoader.h"
#include "ImageFileLib/PcxLoader.h"
#include "ImageFileLib/PngLoader.h"
#include "ImageFileTestUtil.h"
#include "support/AllocationProbe.h"

using namespace ImageFile;

namespace {

void PutBe(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) b[at + static_cast<size_t>(k)] = static_cast<uint8_t>(v >> (8 * (bytes - 1 - k)));
}

void PutLe(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) b[at + static_cast<size_t>(k)] = static_cast<uint8_t>(v >> (8 * k));
}

std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

// The frame header (SOF0 or SOF2) of a JPEG file with its height and width replaced.
std::vector<uint8_t> JpegSized(std::vector<uint8_t> jpeg, uint32_t width, uint32_t height) {
  for (size_t at = 2; at + 9 < jpeg.size(); ++at)
    if (jpeg[at] == 0xFF && (jpeg[at + 1] == 0xC0 || jpeg[at + 1] == 0xC2)) {
      PutBe(jpeg, at + 5, height, 2);
      PutBe(jpeg, at + 7, width, 2);
      return jpeg;
    }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

}  // namespace

TEST(SizeClaims, HeadersClaimingMoreThanTheFileHoldsAreRefused) {
  TempFolder folder;
  int status = 0;
  const std::string made = RunPython(folder, R"(import sys
from PIL import Image
im = Image.new('RGB', (16, 16))
im.putdata([(x * 16, y * 16, 99) for y in range(16) for x in range(16)])
out = sys.argv[1]
im.convert('L').save(out + '/grey.png')
im.save(out + '/colour.bmp')
im.save(out + '/base.jpg', quality=90)
im.save(out + '/prog.jpg', quality=90, progressive=True, subsampling=0)
)", folder.File(""), status);
  ASSERT_EQ(status, 0) << made;

  // 20000 x 20000 grey: within the map limit, far beyond what 70 bytes inflate to.
  std::vector<uint8_t> png = ReadFileBytes(folder.File("grey.png"));
  for (size_t at : {16, 20}) PutBe(png, at, 20000, 4);
  PutBe(png, 29, static_cast<uint32_t>(crc32(0, &png[12], 17)), 4);

  std::vector<uint8_t> bmp = ReadFileBytes(folder.File("colour.bmp"));
  PutLe(bmp, 18, 10000, 4);
  PutLe(bmp, 22, 10000, 4);

  std::vector<uint8_t> pcx(128, 0);
  pcx[0] = 10, pcx[1] = 5, pcx[2] = 1, pcx[3] = 8, pcx[65] = 1;
  PutLe(pcx, 8, 9999, 2);
  PutLe(pcx, 10, 9999, 2);
  PutLe(pcx, 66, 10000, 2);
  pcx.insert(pcx.end(), 10, 7);

  const std::vector<uint8_t> hips = Text("name\nseq\n1\ndate\n10000\n10000\n8\na\nb\nc\nd\n\1\2\3\4\5\6");

  // One 16 x 16 icon listed a thousand times, every entry on the same data.
  const std::vector<uint8_t> one_icon = ToBytes(ICOLoader(), MakeTestBitmap(16, 16, pf24Bit), "ICO");
  const size_t icons = 1000, data_at = 6 + 16 * icons;
  std::vector<uint8_t> ico(one_icon.begin(), one_icon.begin() + 6);
  PutLe(ico, 4, icons, 2);
  for (size_t i = 0; i < icons; ++i) {
    ico.insert(ico.end(), one_icon.begin() + 6, one_icon.begin() + 22);
    PutLe(ico, ico.size() - 4, static_cast<uint32_t>(data_at), 4);
  }
  ico.insert(ico.end(), one_icon.begin() + 22, one_icon.end());

  // An enhanced metafile whose bounds are as large as they can be stated.
  std::vector<uint8_t> emf(88, 0);
  PutLe(emf, 0, 1, 4);
  PutLe(emf, 4, 88, 4);
  PutLe(emf, 16, 0x7FFFFFFE, 4);
  PutLe(emf, 20, 0x7FFFFFFE, 4);
  PutLe(emf, 40, 0x464D4520, 4);

  // Read at 1/8: a small picture, but every coefficient of the claimed one
  // is kept until the last scan.
  TJPEGLoader thumbnail;
  thumbnail.MinWidth = thumbnail.MinHeight = 1;
  const std::vector<uint8_t> progressive = JpegSized(ReadFileBytes(folder.File("prog.jpg")), 20000, 20000);
  // The data of 16 x 16 pixels ends at its end marker: libjpeg alone would
  // show the rest of the claimed picture grey.
  const std::vector<uint8_t> baseline = JpegSized(ReadFileBytes(folder.File("base.jpg")), 8000, 8000);

  const struct {
    const char* what;
    TBitmapLoader& loader;
    const char* ext;
    const std::vector<uint8_t>& bytes;
    const char* message;
  } cases[] = {
      {"PNG", PNGLoader(), "PNG", png, "Invalid PNG data"},
      {"BMP", BMPLoader(), "BMP", bmp, "Unsupported file format"},
      {"PCX", PCXLoader(), "PCX", pcx, "Error in bitmap data"},
      {"HIPS", HIPSLoader(), "HIPS", hips, "Error in bitmap data"},
      {"ICO", ICOLoader(), "ICO", ico, "Invalid bitmap size"},
      {"progressive JPEG", thumbnail, "JPG", progressive, "Invalid bitmap size"},
      {"baseline JPEG", JPEGLoader(), "JPG", baseline, "Premature end of JPEG file"},
      {"EMF", WMFLoader(), "EMF", emf, "Invalid bitmap size"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AllocationProbe probe;
    EXPECT_EQ(ErrorOf([&] { FromBytes(c.loader, c.bytes, c.ext); }), c.message);
    if (AllocationProbe::Available()) {
      EXPECT_LT(probe.Largest(), size_t{16} << 20);
    }
  }
  // The files as they were written still load.
  EXPECT_EQ(FromBytes(PNGLoader(), ReadFileBytes(folder.File("grey.png")), "PNG").Width, 16);
  EXPECT_EQ(FromBytes(BMPLoader(), ReadFileBytes(folder.File("colour.bmp")), "BMP").Width, 16);
  EXPECT_EQ(FromBytes(thumbnail, ReadFileBytes(folder.File("prog.jpg")), "JPG").Width, 2);
  EXPECT_EQ(FromBytes(JPEGLoader(), ReadFileBytes(folder.File("base.jpg")), "JPG").Width, 16);
  EXPECT_EQ(FromBytes(ICOLoader(), one_icon, "ICO").Width, 16);
}
