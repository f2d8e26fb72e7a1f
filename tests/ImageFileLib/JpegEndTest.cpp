// A JPEG file cut short is refused with libjpeg's own reason, never shown
// with a grey lower part; a whole file still loads.
#include <gtest/gtest.h>

#include "ImageFileLib/LinearBitmap.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

namespace {

TEST(JpegEnd, AFileCutShortIsRefused) {
  TempFolder folder;
  const std::string whole = folder.File("whole.jpg");
  MakeTestBitmap(64, 48, pf24Bit).SaveToFile(whole);
  const std::vector<uint8_t> bytes = ReadFileBytes(whole);
  struct Case {
    const char* name;
    size_t keep;  // bytes kept
    bool loads;
  };
  const Case cases[] = {
      {"whole", bytes.size(), true},
      {"cut in the middle", bytes.size() / 2, false},
      {"cut after the headers", bytes.size() / 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = folder.File(std::string(c.name) + ".jpg");
    WriteFileBytes(file, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(c.keep)));
    TLinearBitmap b;
    const std::string error = ErrorOf([&] { b.LoadFromFile(file); });
    if (c.loads) {
      EXPECT_EQ(error, "");
      EXPECT_EQ(b.Width, 64);
    } else {
      EXPECT_NE(error.find("Premature end of JPEG file"), std::string::npos) << error;
    }
  }
}

// The last scan of a progressive file written again and again: each pass
// goes over every coefficient, so a small file would take minutes.
TEST(JpegEnd, AFileOfCountlessScansIsRefused) {
  TempFolder folder;
  int status = 0;
  const std::string said = RunPython(folder, R"(import io, sys
from PIL import Image
im = Image.new('L', (64, 64))
im.putdata([(x * 4 + y) % 256 for y in range(64) for x in range(64)])
b = io.BytesIO()
im.save(b, 'JPEG', progressive=True, quality=80)
d = b.getvalue()
last = d[d.rindex(b'\xff\xda'):-2]
for repeats in (500, 2000):
    open('%s/scans%d.jpg' % (sys.argv[1], repeats), 'wb').write(d[:-2] + last * repeats + d[-2:])
)", folder.File(""), status);
  ASSERT_EQ(status, 0) << said;
  const struct {
    int repeats;
    const char* error;
  } cases[] = {{500, ""}, {2000, "JPEG file has more than 1000 scans"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.repeats);
    TLinearBitmap b;
    EXPECT_EQ(ErrorOf([&] { b.LoadFromFile(folder.File("scans" + std::to_string(c.repeats) + ".jpg")); }), c.error);
  }
}

}  // namespace
