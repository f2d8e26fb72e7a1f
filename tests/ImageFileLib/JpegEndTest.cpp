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

}  // namespace
