// RIFF AVI structure reader.
//
// Contract: reads the first RIFF 'AVI ' form and any following 'RIFF AVIX'
// segments (OpenDML) of a file of any size; never trusts a size field. A
// chunk whose size runs past its parent or the file is cut at the end of what
// is there (a capture that crashed leaves zero or stale sizes). The frame list
// comes from, in this order of preference:
//   1. the OpenDML 'indx' super index and its 'ix##' standard indexes (which
//      list no palette changes: those of a palette stream are found by a scan),
//   2. 'idx1', with offsets relative to the 'movi' FourCC or absolute (detected
//      by checking that the chunk headers are where the entries say); frames
//      after the last one it lists (an index cut short) are found by a scan,
//   3. a scan of every 'movi' list (also inside 'rec ' lists; a first RIFF
//      whose size was never written is scanned to the end of the file,
//      through the 'movi' lists of the segments after it).
// An index that points outside the file or at the wrong chunks is dropped for
// the next one. Deviations from the format: dwLength and dwTotalFrames are
// ignored (the index is the truth); a partial last chunk of a scan is dropped;
// a scan stops at the first chunk id that is not printable text; after a
// chunk of odd size whose pad byte is missing, the next chunk is found one
// byte early. A stream whose every frame was dropped (empty chunks only) is
// refused.
#include "video/AviRiffReader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "base/ByteOrder.h"

namespace {

constexpr uint32_t kRiff = MakeFourCC('R', 'I', 'F', 'F');
constexpr uint32_t kList = MakeFourCC('L', 'I', 'S', 'T');
constexpr uint32_t kAvi = MakeFourCC('A', 'V', 'I', ' ');
constexpr uint32_t kAvix = MakeFourCC('A', 'V', 'I', 'X');
constexpr uint32_t kHdrl = MakeFourCC('h', 'd', 'r', 'l');
constexpr uint32_t kStrl = MakeFourCC('s', 't', 'r', 'l');
constexpr uint32_t kStrh = MakeFourCC('s', 't', 'r', 'h');
constexpr uint32_t kStrf = MakeFourCC('s', 't', 'r', 'f');
constexpr uint32_t kIndx = MakeFourCC('i', 'n', 'd', 'x');
constexpr uint32_t kMovi = MakeFourCC('m', 'o', 'v', 'i');
constexpr uint32_t kRec = MakeFourCC('r', 'e', 'c', ' ');
constexpr uint32_t kIdx1 = MakeFourCC('i', 'd', 'x', '1');
constexpr uint32_t kVids = MakeFourCC('v', 'i', 'd', 's');
constexpr uint32_t kAuds = MakeFourCC('a', 'u', 'd', 's');

constexpr size_t kMaxFormatBytes = 1 << 20;
constexpr size_t kMaxFrames = 50'000'000;
constexpr int kMaxStreams = 100;
constexpr int kMaxSegments = 100'000;


struct Chunk {
  uint32_t id = 0;
  uint64_t pos = 0;   // header position
  uint64_t data = 0;  // first data byte
  uint64_t size = 0;  // data bytes actually present
  bool cut = false;   // the size field ran past its parent
  uint32_t list_type = 0;
};

// A chunk id writers use between and around frames: '##xx' of a stream,
// 'ix##', 'LIST', 'JUNK', 'RIFF' or 'idx1'.
bool FrameLevelId(uint32_t id) {
  auto digit = [](char ch) { return ch >= '0' && ch <= '9'; };
  auto letter = [](char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); };
  const char c0 = char(id), c1 = char(id >> 8), c2 = char(id >> 16), c3 = char(id >> 24);
  if (digit(c0) && digit(c1) && (letter(c2) || c2 == '_') && (letter(c3) || c3 == '_')) return true;
  if (c0 == 'i' && c1 == 'x' && digit(c2) && digit(c3)) return true;
  return id == kList || id == kRiff || id == MakeFourCC('J', 'U', 'N', 'K') || id == kIdx1;
}

// Walks the chunks of [begin, end).
class ChunkWalker {
 public:
  ChunkWalker(const ByteSource& src, uint64_t begin, uint64_t end) : src_(src), pos_(begin), end_(end) {}
  bool Next(Chunk& c) {
    // Some writers leave out the pad byte after a chunk of odd size: the
    // next chunk then starts one byte early.
    if (after_odd_ && !ChunkHeaderAt(pos_) && ChunkHeaderAt(pos_ - 1)) --pos_;
    after_odd_ = false;
    if (pos_ + 8 > end_) return false;
    uint8_t h[12];
    if (!src_.ReadAt(pos_, h, 8)) return false;
    c.id = Le32(h);
    c.pos = pos_;
    c.data = pos_ + 8;
    uint64_t size = Le32(h + 4);
    c.cut = size > end_ - c.data;
    c.size = c.cut ? end_ - c.data : size;
    c.list_type = 0;
    // A list whose size was never written (a crashed capture) still names its type.
    if ((c.id == kList || c.id == kRiff) && c.data + 4 <= end_ && src_.ReadAt(c.data, h + 8, 4)) c.list_type = Le32(h + 8);
    pos_ = c.data + c.size + (c.size & 1);
    after_odd_ = (c.size & 1) != 0;
    return true;
  }
  // Walks on inside list or RIFF chunk c (after its type) instead of past it.
  void Enter(const Chunk& c) {
    pos_ = c.data + 4;
    after_odd_ = false;
  }

 private:
  // A header of a frame-level chunk that fits in what is left.
  bool ChunkHeaderAt(uint64_t pos) const {
    uint8_t h[8];
    return pos + 8 <= end_ && src_.ReadAt(pos, h, 8) && FrameLevelId(Le32(h)) && Le32(h + 4) <= end_ - pos - 8;
  }

  const ByteSource& src_;
  uint64_t pos_, end_;
  bool after_odd_ = false;
};

bool Printable(uint32_t id) {
  for (int i = 0; i < 4; ++i) {
    char ch = char(id >> (8 * i));
    if (!(ch == ' ' || (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z')))
      return false;
  }
  return true;
}

// '##db' or '##dc' of the given stream.
bool IsVideoChunk(uint32_t id, int stream) {
  char c0 = char(id), c1 = char(id >> 8), c2 = char(id >> 16), c3 = char(id >> 24);
  if (c0 != char('0' + stream / 10) || c1 != char('0' + stream % 10)) return false;
  return (c2 == 'd' || c2 == 'D') && (c3 == 'b' || c3 == 'c' || c3 == 'B' || c3 == 'C');
}

AviStreamHeader ParseStrh(const uint8_t* p) {
  AviStreamHeader h;
  h.fcc_type = Le32(p);
  h.fcc_handler = Le32(p + 4);
  h.flags = Le32(p + 8);
  h.initial_frames = Le32(p + 16);
  h.scale = Le32(p + 20);
  h.rate = Le32(p + 24);
  h.start = Le32(p + 28);
  h.length = Le32(p + 32);
  h.suggested_buffer = Le32(p + 36);
  h.sample_size = Le32(p + 44);
  return h;
}

struct Layout {
  std::vector<std::pair<uint64_t, uint64_t>> movi;  // [begin, end) of each movi list's chunks
  uint64_t first_movi_fourcc = 0;
  bool has_movi = false;
  uint64_t idx1_pos = 0, idx1_size = 0;
  bool has_idx1 = false, idx1_cut = false;
  uint64_t indx_pos = 0, indx_size = 0;
  bool has_indx = false;
};

bool ReadBlock(const ByteSource& src, uint64_t pos, uint64_t size, std::vector<uint8_t>& out) {
  out.resize(size_t(size));
  return src.ReadAt(pos, out.data(), out.size());
}

// '##pc' of the given stream.
bool IsPaletteChunk(uint32_t id, int stream) {
  return char(id) == char('0' + stream / 10) && char(id >> 8) == char('0' + stream % 10) && char(id >> 16) == 'p' &&
         char(id >> 24) == 'c';
}

constexpr size_t kMaxPaletteChange = 4 + 256 * 4;
constexpr size_t kMaxPaletteChanges = 1'000'000;

// Keeps the palette change whose data lie at [data, data + size).
void AddPaletteChange(const ByteSource& src, uint64_t data, uint64_t size, size_t before_frame,
                      std::vector<AviPaletteChange>& changes) {
  if (size < 4 || changes.size() >= kMaxPaletteChanges) return;
  AviPaletteChange c;
  c.before_frame = before_frame;
  if (!ReadBlock(src, data, std::min<uint64_t>(size, kMaxPaletteChange), c.data)) return;
  changes.push_back(std::move(c));
}

// Entries of one OpenDML standard index ('ix##' chunk body or an 'indx' of chunks).
bool ParseStandardIndex(const uint8_t* p, size_t n, uint64_t file_size, std::vector<AviFrameEntry>& frames) {
  if (n < 24) return false;
  unsigned longs = Le16(p);
  if (p[3] != 1 || (longs != 2 && longs != 3)) return false;
  uint64_t count = std::min<uint64_t>(Le32(p + 4), (n - 24) / (4 * longs));
  uint64_t base = Le64(p + 12);
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* e = p + 24 + i * 4 * longs;
    uint64_t off = base + Le32(e);
    uint32_t size = Le32(e + 4) & 0x7FFFFFFFu;
    if (off < 8 || off > file_size || size > file_size - off) return false;
    if (frames.size() >= kMaxFrames) return false;
    frames.push_back({off, size, (Le32(e + 4) & 0x80000000u) == 0});
  }
  return true;
}

bool ReadOpenDmlIndex(const ByteSource& src, const Layout& l, std::vector<AviFrameEntry>& frames);

// Spot checks through the file: an index from another recording fails here.
bool SpotCheck(const ByteSource& src, const std::vector<AviFrameEntry>& frames, int stream) {
  if (frames.empty()) return false;
  size_t step = std::max<size_t>(1, frames.size() / 16);
  for (size_t i = 0; i < frames.size(); i += step)
    if (!VideoChunkBefore(src, frames[i].offset, frames[i].size, stream)) return false;
  return VideoChunkBefore(src, frames.back().offset, frames.back().size, stream);
}

bool FromOpenDmlIndex(const ByteSource& src, const Layout& l, int stream, std::vector<AviFrameEntry>& frames) {
  if (ReadOpenDmlIndex(src, l, frames) && SpotCheck(src, frames, stream)) return true;
  frames.clear();
  return false;
}

bool ReadOpenDmlIndex(const ByteSource& src, const Layout& l, std::vector<AviFrameEntry>& frames) {
  std::vector<uint8_t> indx;
  if (l.indx_size < 24 || l.indx_size > kMaxFormatBytes || !ReadBlock(src, l.indx_pos, l.indx_size, indx)) return false;
  if (indx[3] == 1) return ParseStandardIndex(indx.data(), indx.size(), src.Size(), frames) && !frames.empty();
  if (indx[3] != 0 || Le16(indx.data()) != 4) return false;
  uint64_t count = std::min<uint64_t>(Le32(&indx[4]), (indx.size() - 24) / 16);
  std::vector<uint8_t> ix;
  // The standard indexes follow one another through the file. One that starts
  // before the previous one ends repeats it: a small file could otherwise
  // name one index thousands of times and claim millions of frames.
  uint64_t previous_end = 0;
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* e = &indx[24 + i * 16];
    uint64_t pos = Le64(e);
    uint8_t h[8];
    if (pos < previous_end || !src.ReadAt(pos, h, 8)) return false;
    uint32_t id = Le32(h);
    bool named = (char(id) == 'i' && char(id >> 8) == 'x') || (char(id >> 16) == 'i' && char(id >> 24) == 'x');
    uint64_t size = Le32(h + 4);
    if (!named || size > src.Size() - pos - 8 || !ReadBlock(src, pos + 8, size, ix)) return false;
    previous_end = pos + 8 + size;
    if (!ParseStandardIndex(ix.data(), ix.size(), src.Size(), frames)) return false;
  }
  return !frames.empty();
}

// Does a chunk with this id and size start at pos?
bool ChunkAt(const ByteSource& src, uint64_t pos, uint32_t id, uint32_t size) {
  uint8_t h[8];
  return src.ReadAt(pos, h, 8) && Le32(h) == id && Le32(h + 4) == size;
}

bool FromIdx1(const ByteSource& src, const Layout& l, int stream, AviContents& out) {
  if (!l.has_idx1 || l.idx1_cut || !l.has_movi) return false;
  std::vector<uint8_t> idx;
  if (!ReadBlock(src, l.idx1_pos, l.idx1_size - l.idx1_size % 16, idx)) return false;
  struct Raw { uint32_t id, flags, off, size; };
  std::vector<Raw> raw;
  struct PaletteEntry { size_t before_frame; uint32_t off, size; };
  std::vector<PaletteEntry> palettes;
  for (size_t i = 0; i + 16 <= idx.size(); i += 16) {
    uint32_t id = Le32(&idx[i]);
    if (IsPaletteChunk(id, stream) && palettes.size() < kMaxPaletteChanges)
      palettes.push_back({raw.size(), Le32(&idx[i + 8]), Le32(&idx[i + 12])});
    if (!IsVideoChunk(id, stream)) continue;
    if (raw.size() >= kMaxFrames) return false;
    raw.push_back({id, Le32(&idx[i + 4]), Le32(&idx[i + 8]), Le32(&idx[i + 12])});
  }
  if (raw.empty()) return false;
  // Relative offsets count from the 'movi' FourCC; some writers count from the
  // list header. Absolute offsets count from the start of the file.
  const uint64_t bases[3] = {l.first_movi_fourcc, 0, l.first_movi_fourcc - 8};
  int chosen = -1;
  for (int b = 0; b < 3 && chosen < 0; ++b)
    if (ChunkAt(src, bases[b] + raw[0].off, raw[0].id, raw[0].size)) chosen = b;
  if (chosen < 0) return false;
  uint64_t base = bases[chosen];
  const uint64_t file_size = src.Size();
  bool any_key = false;
  std::vector<AviFrameEntry> frames;
  frames.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    uint64_t data = base + raw[i].off + 8;
    if (data > file_size || raw[i].size > file_size - data) return false;
    bool key = (raw[i].flags & 0x10) != 0;
    any_key = any_key || key;
    frames.push_back({data, raw[i].size, key});
  }
  // Spot checks through the file: a stale index from another recording fails here.
  size_t step = std::max<size_t>(1, raw.size() / 16);
  for (size_t i = 0; i < raw.size(); i += step)
    if (!ChunkAt(src, frames[i].offset - 8, raw[i].id, raw[i].size)) return false;
  if (!ChunkAt(src, frames.back().offset - 8, raw.back().id, raw.back().size)) return false;
  out.frames = std::move(frames);
  out.palette_changes.clear();
  for (const PaletteEntry& p : palettes)
    if (ChunkAt(src, base + p.off, MakeFourCC(char('0' + stream / 10), char('0' + stream % 10), 'p', 'c'), p.size))
      AddPaletteChange(src, base + p.off + 8, p.size, p.before_frame, out.palette_changes);
  out.keyframe_flags_present = any_key;
  out.index_source = chosen == 1 ? AviIndexSource::Idx1Absolute : AviIndexSource::Idx1Relative;
  return true;
}

// Collects the video chunks of [begin, end), descending into 'rec ' lists.
// False when the walk met garbage or a cut chunk (the rest is unreadable).
bool ScanMovi(const ByteSource& src, uint64_t begin, uint64_t end, int stream, int depth,
              std::vector<AviFrameEntry>& frames, std::vector<AviPaletteChange>& palettes) {
  ChunkWalker w(src, begin, end);
  Chunk c;
  while (w.Next(c)) {
    if (!Printable(c.id)) return false;
    // A capture that crashed before its first RIFF's size was written is
    // scanned to the end of the file, through its later segments: their
    // frames are in their 'movi' lists, whatever sizes those got.
    if ((c.id == kRiff && c.list_type == kAvix) || (c.id == kList && c.list_type == kMovi)) {
      w.Enter(c);
      continue;
    }
    if (c.id == kList) {
      if (c.cut || depth > 4) return false;
      if (c.list_type == kRec && c.size >= 4 &&
          !ScanMovi(src, c.data + 4, c.data + c.size, stream, depth + 1, frames, palettes))
        return false;
      continue;
    }
    if (c.cut) return false;
    if (IsPaletteChunk(c.id, stream)) AddPaletteChange(src, c.data, c.size, frames.size(), palettes);
    if (IsVideoChunk(c.id, stream)) {
      if (frames.size() >= kMaxFrames) return false;
      frames.push_back({c.data, uint32_t(c.size), true});
    }
  }
  return true;
}

// MPEG-4 video (DivX, Xvid) with B-frames: the encoder holds a picture back
// for each B-frame and writes an empty chunk after the first frame in its
// place. No picture belongs to those chunks (the decoder gives none, and the
// pictures after them come in their own time), so they are no dropped frames:
// counted, each would repeat the first picture and shift every later one.
void LeaveOutEncoderDelay(const ByteSource& src, AviContents& out) {
  constexpr size_t kMaxDelay = 8, kChunksLooked = 8;
  constexpr uint32_t kMpeg4[] = {MakeFourCC('X', 'V', 'I', 'D'), MakeFourCC('D', 'I', 'V', 'X'),
                                 MakeFourCC('D', 'X', '5', '0'), MakeFourCC('F', 'M', 'P', '4'),
                                 MakeFourCC('M', 'P', '4', 'V'), MakeFourCC('M', '4', 'S', '2'),
                                 MakeFourCC('3', 'I', 'V', '2')};
  auto upper = [](uint32_t f) {
    for (int i = 0; i < 4; ++i)
      if (uint8_t c = uint8_t(f >> (8 * i)); c >= 'a' && c <= 'z') f -= uint32_t(0x20) << (8 * i);
    return f;
  };
  const uint32_t compression = out.video_format.size() >= 20 ? upper(Le32(&out.video_format[16])) : 0;
  if (std::find(std::begin(kMpeg4), std::end(kMpeg4), compression) == std::end(kMpeg4)) return;
  auto& frames = out.frames;
  if (frames.empty() || frames[0].size == 0) return;
  size_t empty = 0;
  while (1 + empty < frames.size() && frames[1 + empty].size == 0) ++empty;
  if (empty == 0 || empty > kMaxDelay) return;
  // A B-picture (VOP start code, then coding type 2) in the chunks after them.
  bool b_frames = false;
  std::vector<uint8_t> chunk;
  for (size_t i = 1 + empty; i < frames.size() && i <= empty + kChunksLooked && !b_frames; ++i) {
    if (frames[i].size == 0 || frames[i].size > kMaxFormatBytes) continue;
    chunk.resize(frames[i].size);
    if (!src.ReadAt(frames[i].offset, chunk.data(), chunk.size())) return;
    for (size_t k = 0; k + 4 < chunk.size() && !b_frames; ++k)
      b_frames = chunk[k] == 0 && chunk[k + 1] == 0 && chunk[k + 2] == 1 && chunk[k + 3] == 0xB6 &&
                 (chunk[k + 4] >> 6) == 2;
  }
  if (b_frames) frames.erase(frames.begin() + 1, frames.begin() + 1 + std::ptrdiff_t(empty));
}

// An uncompressed format of 8 bits or fewer per pixel: its colours come from a palette.
bool HasPalette(const std::vector<uint8_t>& format) {
  return format.size() >= 20 && Le16(&format[14]) <= 8 && Le32(&format[16]) == 0;
}

void ParseStrl(const ByteSource& src, const Chunk& list, int stream, AviContents& out, Layout& l) {
  ChunkWalker w(src, list.data + 4, list.data + list.size);
  Chunk c;
  AviStreamHeader h;
  bool have_h = false;
  std::vector<uint8_t> strf;
  uint64_t indx_pos = 0, indx_size = 0;
  while (w.Next(c)) {
    if (c.id == kStrh && c.size >= 48) {
      uint8_t b[48];
      if (src.ReadAt(c.data, b, 48)) h = ParseStrh(b), have_h = true;
    } else if (c.id == kStrf && c.size <= kMaxFormatBytes) {
      ReadBlock(src, c.data, c.size, strf);
    } else if (c.id == kIndx) {
      indx_pos = c.data, indx_size = c.size;
    }
  }
  if (!have_h) return;
  if (h.fcc_type == kVids && out.video_stream < 0) {
    out.video_stream = stream;
    out.video = h;
    out.video_format = std::move(strf);
    if (indx_size) l.has_indx = true, l.indx_pos = indx_pos, l.indx_size = indx_size;
  } else if (h.fcc_type == kAuds && !out.has_audio) {
    out.has_audio = true;
    out.audio = h;
    strf.resize(std::min<size_t>(strf.size(), 18));
    out.audio_format = std::move(strf);
  }
}

}  // namespace

bool VideoChunkBefore(const ByteSource& src, uint64_t data, uint32_t size, int stream) {
  uint8_t h[8];
  return data >= 8 && src.ReadAt(data - 8, h, 8) && IsVideoChunk(Le32(h), stream) && Le32(h + 4) == size;
}

std::string FourCCText(uint32_t f) {
  std::string s;
  for (int i = 0; i < 4; ++i) {
    char ch = char(f >> (8 * i));
    s += (ch >= 32 && ch < 127) ? ch : '?';
  }
  return s;
}

bool ReadAviContents(const ByteSource& src, AviContents& out, std::string& error, bool use_index) {
  out = AviContents{};
  const uint64_t file_size = src.Size();
  uint8_t h[12];
  if (file_size < 12 || !src.ReadAt(0, h, 12) || Le32(h) != kRiff || Le32(h + 8) != kAvi) {
    error = file_size == 0 ? "The file is empty." : "Not an AVI file.";
    return false;
  }
  Layout l;
  ChunkWalker top(src, 0, file_size);
  Chunk riff;
  int stream_count = 0;
  bool first = true;
  while (top.Next(riff) && out.riff_segments < kMaxSegments) {
    if (riff.id != kRiff) {
      if (!Printable(riff.id)) break;
      continue;  // JUNK between segments
    }
    uint64_t riff_end = riff.data + riff.size;
    if (riff.size < 4) riff_end = file_size;  // never finalised: a capture that crashed
    if (!first && riff.list_type != kAvix) continue;
    out.riff_segments++;
    ChunkWalker w(src, riff.data + 4, riff_end);
    Chunk c;
    while (w.Next(c)) {
      if (c.id == kList && c.list_type == kHdrl && first) {
        ChunkWalker hw(src, c.data + 4, c.data + c.size);
        Chunk s;
        while (hw.Next(s) && stream_count < kMaxStreams)
          if (s.id == kList && s.list_type == kStrl) ParseStrl(src, s, stream_count++, out, l);
      } else if (c.id == kList && c.list_type == kMovi) {
        uint64_t end = c.data + c.size;
        const bool stale = riff.size < 4 || (c.size <= 4 && riff_end > end);  // a crashed capture
        if (stale) end = riff_end;
        l.movi.emplace_back(c.data + 4, end);
        if (!l.has_movi) l.has_movi = true, l.first_movi_fourcc = c.data;
        if (stale) break;  // the frames run to the end; nothing after them was written
      } else if (c.id == kIdx1 && first) {
        l.has_idx1 = true, l.idx1_pos = c.data, l.idx1_size = c.size, l.idx1_cut = c.cut;
      }
    }
    first = false;
    if (riff.size < 4) break;  // its end is the file's end
  }
  if (out.video_stream < 0) {
    error = "No video stream in the file.";
    return false;
  }
  if (out.video_stream > 99) {
    error = "Too many streams.";
    return false;
  }
  std::vector<AviFrameEntry> frames;
  if (!use_index) l.has_indx = l.has_idx1 = false;
  if (l.has_indx && FromOpenDmlIndex(src, l, out.video_stream, frames)) {
    out.frames = std::move(frames);
    out.keyframe_flags_present = true;
    out.index_source = AviIndexSource::OpenDmlIndex;
    // The standard indexes list no palette changes: a scan finds them.
    if (HasPalette(out.video_format)) {
      std::vector<AviFrameEntry> scanned;
      for (const auto& m : l.movi)
        if (!ScanMovi(src, m.first, m.second, out.video_stream, 0, scanned, out.palette_changes)) break;
    }
  } else if (FromIdx1(src, l, out.video_stream, out)) {
    // Frames after the last one idx1 lists (an index cut short) are found by
    // a scan; whether they are key frames is not known.
    uint64_t after = 0;
    for (const AviFrameEntry& e : out.frames) after = std::max(after, e.offset + e.size + (e.size & 1));
    const size_t listed = out.frames.size();
    if (after >= l.movi[0].first && after < l.movi[0].second)
      ScanMovi(src, after, l.movi[0].second, out.video_stream, 0, out.frames, out.palette_changes);
    if (out.keyframe_flags_present)
      for (size_t i = listed; i < out.frames.size(); ++i) out.frames[i].keyframe = false;
    // idx1 covers only the first RIFF form; later segments are scanned.
    for (size_t i = 1; i < l.movi.size(); ++i)
      ScanMovi(src, l.movi[i].first, l.movi[i].second, out.video_stream, 0, out.frames, out.palette_changes);
  } else {
    out.frames.clear();
    out.palette_changes.clear();
    for (const auto& m : l.movi)
      if (!ScanMovi(src, m.first, m.second, out.video_stream, 0, out.frames, out.palette_changes)) break;
    out.index_source = AviIndexSource::Scan;
    out.keyframe_flags_present = false;
  }
  if (out.frames.empty()) {
    error = "The video stream has no frames.";
    return false;
  }
  if (std::all_of(out.frames.begin(), out.frames.end(), [](const AviFrameEntry& e) { return e.size == 0; })) {
    error = "The video stream holds no picture: every frame was dropped.";
    return false;
  }
  LeaveOutEncoderDelay(src, out);
  return true;
}
