#pragma once
// Helpers of the image-file tests: library error messages, running Python
// with Pillow as the independent decoder/encoder, file bytes.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "ImageFileLib/BitmapLoaders.h"
#include "ImageFileLib/LibraryErrors.h"
#include "ImageFileLib/LinearBitmap.h"
#include "support/ShellCommand.h"
#include "support/TemporaryFolder.h"

using TempFolder = TemporaryFolder;

// The message of the library error f throws ("" when it throws none).
template <class F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const ImageFile::Exception& e) {
    return e.what();
  }
  return "";
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs a Python script (with Pillow) given as a file in folder; args appended.
inline std::string RunPython(const TempFolder& folder, const std::string& script, const std::string& args, int& status) {
  const std::string path = folder.File("script.py");
  std::ofstream(path) << script;
  return RunCommand("/usr/bin/python3 " + path + " " + args + " 2>&1", status);
}

// Pillow's reading of a file: "mode width height" and then every pixel value
// as integers (RGB channels in order, or one value per pixel for grey modes).
struct PillowImage {
  std::string Mode;
  int Width = 0, Height = 0;
  std::vector<int> Values;
};

inline PillowImage PillowDecode(const TempFolder& folder, const std::string& file, const std::string& convert_to) {
  const std::string script = R"(import sys
from PIL import Image
im = Image.open(sys.argv[1])
im.load()
mode = im.mode
if sys.argv[2] != '-':
    im = im.convert(sys.argv[2])
out = [mode, str(im.size[0]), str(im.size[1])]
for p in im.getdata():
    if isinstance(p, tuple):
        out.extend(str(v) for v in p)
    else:
        out.append(str(p))
print(' '.join(out))
)";
  int status = 0;
  const std::string text = RunPython(folder, script, file + " " + (convert_to.empty() ? "-" : convert_to), status);
  PillowImage image;
  EXPECT_EQ(status, 0) << text;
  std::istringstream in(text);
  in >> image.Mode >> image.Width >> image.Height;
  int v;
  while (in >> v) image.Values.push_back(v);
  return image;
}

// The bitmap's pixels as R,G,B values, row by row.
inline std::vector<int> RgbValues(const ImageFile::TLinearBitmap& b) {
  std::vector<int> out;
  for (int32_t y = 0; y < b.Height; ++y) {
    const uint8_t* s = b.ScanLine(y);
    for (int32_t x = 0; x < b.Width; ++x) {
      const uint8_t* p = b.PixelFormat == ImageFile::pf8Bit ? &b.Palette[3 * s[x]]
                         : b.PixelFormat == ImageFile::pf16Grey ? nullptr
                                                                : s + b.PixelSize * x;
      if (!p) {
        out.insert(out.end(), 3, s[2 * x + 1]);
        continue;
      }
      out.push_back(p[2]);
      out.push_back(p[1]);
      out.push_back(p[0]);
    }
  }
  return out;
}

// A test picture of the given code: smooth ramps with some noise.
inline ImageFile::TLinearBitmap MakeTestBitmap(int32_t width, int32_t height, uint8_t code) {
  ImageFile::TLinearBitmap b;
  b.New(width, height, code);
  uint32_t seed = 99;
  for (int32_t i = 0; i < b.Size; ++i) {
    seed = seed * 1103515245u + 12345u;
    const int32_t y = i / b.BytesPerLine, x = i % b.BytesPerLine;
    b.Map[i] = static_cast<uint8_t>((x * 3 + y * 5) + ((seed >> 16) % 4));
  }
  if (code == ImageFile::pf8Bit)
    for (int i = 0; i < 768; ++i) b.Palette[i] = static_cast<uint8_t>(i * 7 + i / 3);
  return b;
}

// A loader's reading of bytes in memory.
inline ImageFile::TLinearBitmap FromBytes(ImageFile::TBitmapLoader& loader, const std::vector<uint8_t>& bytes,
                                          const std::string& ext) {
  ImageFile::TMemStream in;
  in.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  in.SetPosition(0);
  ImageFile::TLinearBitmap b;
  loader.LoadFromStream(in, ext, b);
  return b;
}

// A loader's writing of a picture, as bytes.
inline std::vector<uint8_t> ToBytes(ImageFile::TBitmapLoader& loader, const ImageFile::TLinearBitmap& b,
                                    const std::string& ext) {
  ImageFile::TMemStream out;
  loader.SaveToStream(out, ext, b);
  std::vector<uint8_t> bytes(static_cast<size_t>(out.GetSize()));
  out.SetPosition(0);
  out.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}
