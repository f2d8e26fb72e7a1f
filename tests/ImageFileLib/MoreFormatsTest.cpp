// PCX, ICO/CUR, HIPS and metafiles: round trips, Pillow as the independent
// decoder and encoder, libwmf and libemf2svg as independent metafile readers,
// and the hand-made cases of each format's rules.
#include <cmath>
#include <cstring>

#include "ImageFileLib/ColorConversion.h"
#include "ImageFileLib/HipsLoader.h"
#include "ImageFileLib/IconFile.h"
#include "ImageFileLib/MetafileLoader.h"
#include "ImageFileLib/PcxLoader.h"
#include "ImageFileTestUtil.h"

using namespace ImageFile;

TEST(Pcx, OurFilesDecodeWithPillowAndPillowFilesWithUs) {
  TempFolder folder;
  for (const uint8_t code : {pf8Bit, pf24Bit}) {
    SCOPED_TRACE(int(code));
    const TLinearBitmap b = MakeTestBitmap(37, 11, code);
    const std::string file = folder.File("ours.pcx");
    b.SaveToFile(file);
    EXPECT_EQ(PillowDecode(folder, file, "RGB").Values, RgbValues(b));
    TLinearBitmap back;
    back.LoadFromFile(file);
    EXPECT_EQ(RgbValues(back), RgbValues(b));
  }
  int status = 0;
  const std::string out = RunPython(folder, R"(import sys
from PIL import Image
w, h = 21, 9
rgb = Image.new('RGB', (w, h))
rgb.putdata([((x * 13) % 256, (y * 29) % 256, (x * y) % 256) for y in range(h) for x in range(w)])
rgb.save(sys.argv[1] + '/rgb.pcx')
rgb.convert('P', palette=Image.ADAPTIVE, colors=50).save(sys.argv[1] + '/p.pcx')
)", folder.Path().string(), status);
  ASSERT_EQ(status, 0) << out;
  for (const char* name : {"rgb.pcx", "p.pcx"}) {
    TLinearBitmap b;
    b.LoadFromFile(folder.File(name));
    EXPECT_EQ(RgbValues(b), PillowDecode(folder, folder.File(name), "RGB").Values) << name;
  }
}

TEST(Pcx, RunsTrueWidthAndBrokenData) {
  TLinearBitmap row;
  row.New(100, 1, pf8Bit);
  row.Clear(7);
  row.Map[99] = 200;
  const auto bytes = ToBytes(PCXLoader(), row, "PCX");
  // Runs stop at 63; a lone 200 needs a count byte.
  const std::vector<uint8_t> data(bytes.begin() + 128, bytes.end() - 769);
  EXPECT_EQ(data, (std::vector<uint8_t>{192 + 63, 7, 192 + 36, 7, 193, 200}));
  EXPECT_EQ(bytes[bytes.size() - 769], 12);

  // Bytes per line 10, x max - x min + 1 = 9: the picture is 9 wide.
  std::vector<uint8_t> file(128, 0);
  file[0] = 10, file[1] = 5, file[2] = 1, file[3] = 8, file[8] = 8, file[10] = 1, file[65] = 1, file[66] = 10;
  for (int k = 0; k < 20; ++k) file.push_back(static_cast<uint8_t>(k));
  const TLinearBitmap narrow = FromBytes(PCXLoader(), file, "PCX");
  EXPECT_EQ(narrow.Width, 9);
  EXPECT_EQ(narrow.ScanLine(1)[0], 10);
  // The palette is missing: grey stays.
  EXPECT_EQ(narrow.Palette[3 * 5], 5);

  auto overflow = file;
  overflow.resize(128);
  overflow.insert(overflow.end(), {192 + 30, 1});
  EXPECT_EQ(ErrorOf([&] { FromBytes(PCXLoader(), overflow, "PCX"); }), "Error in bitmap data");
  auto version = file;
  version[1] = 3;
  EXPECT_EQ(ErrorOf([&] { FromBytes(PCXLoader(), version, "PCX"); }), "Unsupported file format");
  file.resize(140);
  EXPECT_NE(ErrorOf([&] { FromBytes(PCXLoader(), file, "PCX"); }), "");
}

TEST(Ico, PillowReadsOurIconsAndWeReadPillows) {
  TempFolder folder;
  TLinearBitmap colour = MakeTestBitmap(24, 20, pf24Bit);
  colour.ScanLine(3)[3 * 5] = 0xFF, colour.ScanLine(3)[3 * 5 + 1] = 0, colour.ScanLine(3)[3 * 5 + 2] = 0xFF;
  const std::string file = folder.File("ours.ico");
  colour.SaveToFile(file);
  // Pillow reads the mask as alpha: the magenta pixel is transparent and black.
  const PillowImage pillow = PillowDecode(folder, file, "RGBA");
  ASSERT_EQ(pillow.Width, 24);
  const size_t at = (3 * 24 + 5) * 4;
  EXPECT_EQ(pillow.Values[at + 3], 0);
  EXPECT_EQ(pillow.Values[at + 3 + 4], 255);
  TLinearBitmap back;
  ICOLoader().NoSelection = 1;
  back.LoadFromFile(file);
  EXPECT_EQ(RgbValues(back), RgbValues(colour));

  int status = 0;
  const std::string out = RunPython(folder, R"(import sys
from PIL import Image
rgb = Image.new('RGB', (32, 32))
rgb.putdata([((x * 7) % 256, (y * 9) % 256, 40) for y in range(32) for x in range(32)])
rgb.save(sys.argv[1] + '/p.ico', sizes=[(32, 32)], bitmap_format='bmp')
rgb.save(sys.argv[1] + '/p.png')
)", folder.Path().string(), status);
  ASSERT_EQ(status, 0) << out;
  TLinearBitmap theirs;
  theirs.LoadFromFile(folder.File("p.ico"));
  EXPECT_EQ(RgbValues(theirs), PillowDecode(folder, folder.File("p.png"), "RGB").Values);
  ICOLoader().NoSelection = 0;
}

TEST(Ico, PaletteDepthMaskCursorAndLimits) {
  TICOLoader loader;
  loader.NoSelection = 1;
  TLinearBitmap indexed;
  indexed.New(16, 16, pf8Bit);
  std::fill(indexed.Palette.begin(), indexed.Palette.end(), 0);
  indexed.Palette[3 * 9 + 2] = 200;
  indexed.Clear(9);
  const auto small = ToBytes(loader, indexed, "ICO");
  EXPECT_EQ(small[22 + 14], 4);  // the image header's bit count: indexes 0-9 fit 4 bits
  indexed.Map[0] = 200;
  EXPECT_EQ(ToBytes(loader, indexed, "ICO")[22 + 14], 8);

  // Magenta (red in the low byte) marks transparency: B,G,R bytes 255, 0, 255.
  indexed.Palette[3 * 200] = 255, indexed.Palette[3 * 200 + 2] = 255;
  loader.HotspotX = 3;
  loader.HotspotY = 4;
  const auto cursor = ToBytes(loader, indexed, "CUR");
  EXPECT_EQ(cursor[2], 2);
  EXPECT_EQ(cursor[6 + 4], 3);
  EXPECT_EQ(cursor[6 + 6], 4);
  TICOLoader reader;
  reader.NoSelection = 1;
  reader.TransparentColor = 0x00FF00;
  const TLinearBitmap back = FromBytes(reader, cursor, "CUR");
  EXPECT_EQ(reader.HotspotX, 3);
  EXPECT_EQ(RgbValues(back)[0 * 3 + 1], 255);  // the transparent pixel takes green
  EXPECT_EQ(RgbValues(back)[1 * 3], 200);

  TLinearBitmap wide;
  wide.New(300, 10, pf24Bit);
  EXPECT_EQ(ErrorOf([&] { ToBytes(loader, wide, "ICO"); }), "Image is too large for icon");
  // 1-bit rows of 16 pixels take 4 bytes, colour and mask alike.
  const TIconImage mono(16, 1, 16);
  EXPECT_EQ(mono.XORBytesPerLine, 4);
  EXPECT_EQ(mono.ANDBytesPerLine, 4);
  auto big = cursor;
  big[6] = 0;  // a 256-pixel entry
  EXPECT_EQ(ErrorOf([&] { FromBytes(reader, big, "ICO"); }), "Size mismatch in icon 0");
  std::vector<uint8_t> none{0, 0, 1, 0, 0, 0};
  EXPECT_EQ(ErrorOf([&] { FromBytes(reader, none, "ICO"); }), "No icons in file");
}

TEST(Hips, BothHeaderGenerationsPlanesAndFloats) {
  auto file = [](const std::string& header, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
  };
  const std::string older = "name\nseq\n1\ndate\n2\n3\n8\na\nb\nc\nd\n";
  const TLinearBitmap grey = FromBytes(HIPSLoader(), file(older, {1, 2, 3, 4, 5, 6}), "HIP");
  EXPECT_EQ(grey.PixelFormat, pf8Bit);
  EXPECT_EQ(grey.Width, 3);
  EXPECT_EQ(grey.ScanLine(1)[2], 6);
  std::string sixteen = older;
  sixteen.replace(sixteen.find("\n8\n"), 3, "\n16\n");
  EXPECT_EQ(ErrorOf([&] { FromBytes(HIPSLoader(), file(sixteen, {}), "HIP"); }), "Unsupported bitmap format");

  // Newer generation: rows repeated, then the format code, planes, history,
  // description and parameters.
  auto newer = [](const std::string& code, int planes) {
    return "n\ns\n1\nd\n1\n2\n1\n2\n0\n0\n" + code + "\n" + std::to_string(planes) + "\n3\nabc4\nwxyz1\np\nend\n";
  };
  const TLinearBitmap three = FromBytes(HIPSLoader(), file(newer("0", 3), {1, 2, 3, 4, 5, 6}), "HIPS");
  EXPECT_EQ(three.Map[0], 1);  // no progress hook: plane 1 without a question
  HIPSLoader().PlaneQuestion = [](int32_t count, int32_t& plane) {
    EXPECT_EQ(count, 3);
    plane = 2;
    return true;
  };
  LoaderProgress = [](int32_t) {};
  EXPECT_EQ(FromBytes(HIPSLoader(), file(newer("0", 3), {1, 2, 3, 4, 5, 6}), "HIPS").Map[0], 3);
  LoaderProgress = nullptr;
  HIPSLoader().PlaneQuestion = nullptr;

  auto floats = [](std::initializer_list<float> values, bool big_endian) {
    std::vector<uint8_t> out;
    for (float v : values) {
      uint8_t b[4];
      std::memcpy(b, &v, 4);
      if (big_endian) std::reverse(b, b + 4);
      out.insert(out.end(), b, b + 4);
    }
    return out;
  };
  const TLinearBitmap clamped = FromBytes(HIPSLoader(), file(newer("3", 1), floats({-5.2f, 300.7f}, true)), "HIP");
  EXPECT_EQ(clamped.Map[0], 0);
  EXPECT_EQ(clamped.Map[1], 255);
  const TLinearBitmap planes = FromBytes(HIPSLoader(), file(newer("3", 2), floats({10, 20, 30, 40}, false)), "HIP");
  EXPECT_EQ(RgbValues(planes), (std::vector<int>{10, 30, 0, 20, 40, 0}));
  const TLinearBitmap colour = FromBytes(HIPSLoader(), file(newer("35", 1), {1, 2, 3, 4, 5, 6}), "HIP");
  EXPECT_EQ(RgbValues(colour), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_NE(ErrorOf([&] { FromBytes(HIPSLoader(), file(newer("35", 1), {1, 2}), "HIP"); }), "");
}

// A carriage return right after a header line is data: a first pixel or
// history byte of 13 is read as such; headers with CR LF lines still load.
TEST(Hips, ACarriageReturnAfterTheHeaderIsData) {
  struct Case {
    const char* name;
    std::string header;
    std::vector<uint8_t> data;
    std::vector<int> rgb;  // the picture's pixels, R, G, B each
  };
  const std::string older = "name\nseq\n1\ndate\n1\n2\n8\na\nb\nc\nd\n";
  const std::string newer_colour = "n\ns\n1\nd\n1\n1\n1\n1\n0\n0\n35\n1\n0\n0\n0\nend\n";
  const std::string cr_history = "n\ns\n1\nd\n1\n2\n1\n2\n0\n0\n0\n1\n3\n\rbc2\nxy0\nend\n";
  std::string crlf = older;
  for (size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2)) crlf.insert(at, "\r");
  const Case cases[] = {{"grey", older, {13, 200}, {13, 13, 13, 200, 200, 200}},
                        {"colour bytes", newer_colour, {13, 10, 13}, {13, 10, 13}},
                        {"history starting with CR", cr_history, {13, 7}, {13, 13, 13, 7, 7, 7}},
                        {"CR LF header", crlf, {13, 9}, {13, 13, 13, 9, 9, 9}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes(c.header.begin(), c.header.end());
    bytes.insert(bytes.end(), c.data.begin(), c.data.end());
    TLinearBitmap picture;
    EXPECT_EQ(ErrorOf([&] { picture = FromBytes(HIPSLoader(), bytes, "HIP"); }), "");
    EXPECT_EQ(RgbValues(picture), c.rgb);
  }
}

TEST(Metafile, WrittenFilesPassIndependentReadersAndReadBack) {
  TempFolder folder;
  TLinearBitmap b;
  b.New(40, 30, pf24Bit);
  const uint32_t colours[5] = {0x0000FF, 0x00FF00, 0xFF0000, 0x123456, 0xFFFFFF};
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      const uint32_t c = colours[(x / 8 + y / 10) % 5];
      uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = c >> 16, p[1] = (c >> 8) & 255, p[2] = c & 255;
    }
  for (const char* ext : {"wmf", "emf"}) {
    SCOPED_TRACE(ext);
    const std::string file = folder.File(std::string("ours.") + ext);
    b.SaveToFile(file);
    // A picture of 5 colours comes back as 8-bit with those colours first.
    TLinearBitmap back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.PixelFormat, pf8Bit);
    EXPECT_EQ(RgbValues(back), RgbValues(b));
    EXPECT_EQ(back.Palette[2], 255);
    const std::string svg = folder.File("out.svg");
    const std::string tool = std::string(ext) == "wmf" ? "wmf2svg -o " + svg + " " + file
                                                        : "emf2svg-conv -i " + file + " -o " + svg;
    int status = 0;
    const std::string said = RunCommand(tool + " 2>&1", status);
    EXPECT_EQ(status, 0) << said;
    const std::string text = CommandOutput("cat " + svg);
    EXPECT_NE(text.find("image"), std::string::npos) << text.substr(0, 400);
  }
  TLinearBitmap many = MakeTestBitmap(40, 30, pf24Bit);
  ASSERT_GT(CountColors(many), 256);
  const std::string file = folder.File("many.emf");
  many.SaveToFile(file);
  TLinearBitmap back;
  back.LoadFromFile(file);
  EXPECT_EQ(back.PixelFormat, pf24Bit);
  EXPECT_EQ(RgbValues(back), RgbValues(many));
  // A line needs the painter the program installs; the core alone refuses it.
  auto bytes = ReadFileBytes(folder.File("ours.wmf"));
  bytes[22 + 18 + 4] = 0x13, bytes[22 + 18 + 5] = 0x02;  // META_LINETO
  EXPECT_EQ(ErrorOf([&] { FromBytes(WMFLoader(), bytes, "WMF"); }), "Unsupported file format");
}

TEST(ColorConversion, CountsGreyAndColourSpaces) {
  TLinearBitmap flat;
  flat.New(4, 3, pf24Bit);
  flat.ClearColor(0x1E140A);
  EXPECT_EQ(CountColors(flat), 1);
  TLinearBitmap indexed;
  indexed.New(3, 1, pf8Bit);
  indexed.Map[0] = 0, indexed.Map[1] = 5, indexed.Map[2] = 9;
  EXPECT_EQ(CountColors(indexed), 3);
  EXPECT_EQ(GreyValue(255, 0, 0), 85);
  EXPECT_EQ(GreyValue(0, 255, 0), 128);
  EXPECT_EQ(GreyValue(0, 0, 255), 43);
  EXPECT_EQ(GreyValue(255, 255, 255), 255);

  // The inverse of the RGB-to-YCbCr matrix against the textbook JFIF one.
  const TColorMatrix& m = ColorMatrices();
  EXPECT_NEAR(m[0][2], 1.402, 1e-4);
  EXPECT_NEAR(m[1][1], -0.34414, 1e-4);
  EXPECT_NEAR(m[1][2], -0.71414, 1e-4);
  EXPECT_NEAR(m[2][1], 1.772, 1e-4);
  TLinearBitmap ycc;
  ycc.New(1, 1, pf24Bit);
  ycc.Map[0] = ycc.Map[1] = ycc.Map[2] = 128;
  YCbCrToRGBBitmap(ycc, m, nullptr);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(ycc.Map[k], 128, 1);
  uint8_t blue, green, red;
  // Worked out by hand from the CIE formulas: red 257.66 clamps, green 254.38, blue 253.31.
  LabToRGBPixel(255, 128, 128, blue, green, red);
  EXPECT_EQ(std::vector<int>({red, green, blue}), std::vector<int>({255, 254, 253}));
  ConvertToGrayscale(flat);
  EXPECT_EQ(flat.PixelFormat, pf8Bit);
  EXPECT_EQ(flat.Map[0], GreyValue(10, 20, 30));
}
