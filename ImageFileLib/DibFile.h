#pragma once
// Read-ahead buffer over a seekable stream and the library's own decoder of
// bitmap files.
//
// LoadDIBFile contract: old-style bitmaps (first word 0) and "BM" files with
// a 12-, 40-, 52-, 56-, 64-, 108- or 124-byte header; 1, 4, 8, 16, 24 and
// 32 bits per pixel uncompressed, RLE8 and RLE4, and 16 and 32 bits with
// bit-field masks (with or without an alpha mask, which is dropped); plain
// 16- and 32-bit files are 5-5-5 and B,G,R,X. 16- and 32-bit pixels come back
// as a 24-bit picture, each channel widened by bit replication. Colour-space
// fields of the longer headers are not read. Refused (result 5): other
// headers, other compressions, all-zero masks, widths or
// heights of 0 or beyond 2^24, pixel maps above max_map_bytes, more than 256
// palette entries for up to 8 bits per pixel (deeper pictures may carry a
// longer colour table, which is not read), truncated pixel data. RLE runs
// that leave the picture are clipped.
#include <cstdint>
#include <memory>
#include <vector>

#include "ImageFileLib/LibraryStreams.h"
#include "ImageFileLib/LinearBitmap.h"
#include "ImageFileLib/UniDIB.h"

namespace ImageFile {

class TBufferedFile {
public:
  explicit TBufferedFile(TSeekableStream& stream);
  // Room for at least n unread bytes (n is raised to 65536).
  void EnsureBufferSize(int32_t n);
  // Reads ahead until n unread bytes are buffered or the stream ends.
  void Fill(int32_t n);
  void Seek(int64_t position);
  // The next byte, or -1 at the end of the stream.
  int ReadByte();
  // Up to n bytes; returns the count delivered.
  int32_t Read(uint8_t* destination, int32_t n);
  int32_t Unread() const { return LastValid + 1 - ReadPos; }
  const uint8_t* Current() const { return Buffer.data() + ReadPos; }

  int64_t StartOffset;
  int32_t ReadPos = 0;
  int32_t BufferSize = 65536;
  int32_t LastValid = -1;

private:
  TSeekableStream& Stream;
  std::vector<uint8_t> Buffer;
};

// Decodes the bitmap file at the stream's position; 0 on success, 5 when
// the file is not of a kind it knows (or is broken).
int LoadDIBFile(TSeekableStream& stream, std::unique_ptr<TUniDIB>& dib, int64_t max_map_bytes = DefaultMaxMapBytes);

}  // namespace ImageFile
