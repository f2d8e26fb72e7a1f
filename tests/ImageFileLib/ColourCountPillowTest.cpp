// Colour counts of pictures read from the bitmap files Pillow writes, against
// Pillow's own count of the same files: 1, 2, 256, 257 and tens of thousands
// of colours at odd widths (padded rows), and every palette depth.
#include <gtest/gtest.h>

#include <sstream>

#include "ImageFileLib/BmpLoader.h"
#include "ImageFileLib/ColorConversion.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

namespace {

// Writes the files into argv[1] and prints "name count" for each, the count
// being Pillow's getcolors of the file read back (palette indexes for P, 1
// and L pictures, colours for RGB ones).
const char* const kColourFiles = R"(import sys, random
from PIL import Image
folder = sys.argv[1]
random.seed(5)
def save(name, im):
    im.save(folder + '/' + name)
    back = Image.open(folder + '/' + name)
    print(name, len(back.getcolors(1 << 25)))
for w, h, n in [(7, 3, 1), (9, 5, 2), (33, 17, 256), (31, 19, 257), (301, 257, 70000)]:
    colours = [(random.randrange(256), random.randrange(256), random.randrange(256)) for _ in range(n)]
    pixels = [colours[i % n] for i in range(w * h)]
    random.shuffle(pixels)
    im = Image.new('RGB', (w, h))
    im.putdata(pixels)
    save('rgb%d.bmp' % n, im)
noise = Image.new('RGB', (13, 7))
noise.putdata([(random.randrange(256), random.randrange(256), random.randrange(256)) for _ in range(13 * 7)])
save('two_level.bmp', noise.convert('1'))
save('grey.bmp', noise.convert('L'))
save('palette.bmp', noise.convert('P', palette=Image.ADAPTIVE, colors=40))
)";

}  // namespace

TEST(ColourCount, AgreesWithPillowOnTheBitmapsItWrites) {
  TempFolder folder;
  int status = 0;
  std::istringstream counts(RunPython(folder, kColourFiles, folder.Path().string(), status));
  ASSERT_EQ(status, 0) << counts.str();
  std::string name;
  int want = 0, files = 0;
  while (counts >> name >> want) {
    SCOPED_TRACE(name);
    ++files;
    TLinearBitmap picture;
    picture.LoadFromFile(folder.File(name));
    EXPECT_EQ(CountColors(picture), want);
  }
  EXPECT_EQ(files, 8);
}
