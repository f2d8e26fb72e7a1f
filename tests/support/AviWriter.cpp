#include "AviWriter.h"

#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

constexpr uint32_t kAviifList = 0x01;
constexpr uint32_t kAviifKeyframe = 0x10;

bool IsPalette(AviPixelFormat f) {
  return f == AviPixelFormat::Pal8 || f == AviPixelFormat::Pal4 || f == AviPixelFormat::Pal1;
}
bool IsYuv(AviPixelFormat f) {
  return f == AviPixelFormat::Yuy2 || f == AviPixelFormat::Uyvy || f == AviPixelFormat::I420 ||
         f == AviPixelFormat::Yv12;
}
uint32_t FourCC(const char* s) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}
uint8_t Expand5(unsigned v) { return uint8_t(v << 3 | v >> 2); }
uint8_t Expand6(unsigned v) { return uint8_t(v << 2 | v >> 4); }
uint8_t GreyOf(Bgr c) { return uint8_t((c.r * 77 + c.g * 150 + c.b * 29 + 128) >> 8); }
uint8_t ClampByte(int v) { return uint8_t(std::clamp(v, 0, 255)); }
uint8_t YOf(Bgr c) { return ClampByte(((66 * c.r + 129 * c.g + 25 * c.b + 128) >> 8) + 16); }
uint8_t UOf(int r, int g, int b) { return ClampByte(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128); }
uint8_t VOf(int r, int g, int b) { return ClampByte(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128); }

}  // namespace

AviWriter::AviWriter(const std::string& path, int width, int height, AviWriterOptions options)
    : width_(width), height_(height), opt_(std::move(options)) {
  file_ = std::fopen(path.c_str(), "w+b");
  if (!file_) throw std::runtime_error("AviWriter: cannot create " + path);
  if (IsPalette(opt_.format)) {
    int n = 1 << BitCount();
    palette_ = opt_.palette;
    if (palette_.empty()) {
      for (int i = 0; i < n; ++i) {
        uint8_t v = uint8_t(i * 255 / (n - 1));
        palette_.push_back({v, v, v});
      }
    }
    if (int(palette_.size()) > n) palette_.resize(size_t(n));
  }
}

AviWriter::~AviWriter() {
  if (file_) std::fclose(file_);
}

int AviWriter::BitCount() const {
  if (!compressed_fourcc_.empty()) return compressed_bits_;
  switch (opt_.format) {
    case AviPixelFormat::Bgr24:
    case AviPixelFormat::Bgr24TopDown: return 24;
    case AviPixelFormat::Bgr32: return 32;
    case AviPixelFormat::Rgb555:
    case AviPixelFormat::Rgb555Fields:
    case AviPixelFormat::Rgb565:
    case AviPixelFormat::Yuy2:
    case AviPixelFormat::Uyvy: return 16;
    case AviPixelFormat::Pal8:
    case AviPixelFormat::Y800:
    case AviPixelFormat::Grey: return 8;
    case AviPixelFormat::Pal4: return 4;
    case AviPixelFormat::Pal1: return 1;
    case AviPixelFormat::I420:
    case AviPixelFormat::Yv12: return 12;
  }
  return 24;
}

uint32_t AviWriter::Compression() const {
  if (!compressed_fourcc_.empty()) return FourCC(compressed_fourcc_.c_str());
  switch (opt_.format) {
    case AviPixelFormat::Rgb555Fields:
    case AviPixelFormat::Rgb565: return 3;
    case AviPixelFormat::Y800: return FourCC("Y800");
    case AviPixelFormat::Grey: return FourCC("GREY");
    case AviPixelFormat::Yuy2: return FourCC("YUY2");
    case AviPixelFormat::Uyvy: return FourCC("UYVY");
    case AviPixelFormat::I420: return FourCC("I420");
    case AviPixelFormat::Yv12: return FourCC("YV12");
    default: return 0;
  }
}

size_t AviWriter::FrameBytes() const {
  size_t w = size_t(width_), h = size_t(height_);
  if (IsYuv(opt_.format)) return opt_.format == AviPixelFormat::Yuy2 || opt_.format == AviPixelFormat::Uyvy
                                     ? w * h * 2 : w * h + 2 * (w / 2) * (h / 2);
  size_t stride = (w * size_t(BitCount()) + 31) / 32 * 4;
  return stride * h;
}

std::vector<uint8_t> AviWriter::StrfBytes() const {
  std::vector<uint8_t> b(40, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); };
  put32(0, 40);
  put32(4, uint32_t(width_));
  int32_t h = opt_.format == AviPixelFormat::Bgr24TopDown ? -height_ : height_;
  put32(8, uint32_t(h));
  put16(12, 1);
  put16(14, uint16_t(BitCount()));
  put32(16, Compression());
  put32(20, compressed_fourcc_.empty() ? uint32_t(FrameBytes()) : 0);
  if (IsPalette(opt_.format) && compressed_fourcc_.empty()) {
    put32(32, opt_.clr_used_zero ? 0 : uint32_t(palette_.size()));
    for (Bgr c : palette_) {
      b.push_back(c.b);
      b.push_back(c.g);
      b.push_back(c.r);
      b.push_back(0);
    }
  }
  if (Compression() == 3) {
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (opt_.format == AviPixelFormat::Rgb565) {
      masks[0] = 0xF800;
      masks[1] = 0x07E0;
    }
    for (uint32_t m : masks)
      for (int i = 0; i < 4; ++i) b.push_back(uint8_t(m >> (8 * i)));
  }
  return b;
}

std::vector<uint8_t> AviWriter::Encode(const Bitmap24& f) const {
  const int w = width_, h = height_;
  std::vector<uint8_t> out(FrameBytes(), 0);
  const size_t stride = (size_t(w) * size_t(BitCount()) + 31) / 32 * 4;
  auto nearest = [&](Bgr c) {
    int best = 0, best_d = 1 << 30;
    for (size_t i = 0; i < palette_.size(); ++i) {
      Bgr p = palette_[i];
      int d = std::abs(p.r - c.r) + std::abs(p.g - c.g) + std::abs(p.b - c.b);
      if (d < best_d) best_d = d, best = int(i);
    }
    return best;
  };
  switch (opt_.format) {
    case AviPixelFormat::Yuy2:
    case AviPixelFormat::Uyvy: {
      bool uyvy = opt_.format == AviPixelFormat::Uyvy;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x + 1 < w; x += 2) {
          Bgr a = f.Get(x, y), c = f.Get(x + 1, y);
          int r = (a.r + c.r) / 2, g = (a.g + c.g) / 2, b = (a.b + c.b) / 2;
          uint8_t* p = &out[size_t(y) * size_t(w) * 2 + size_t(x) * 2];
          uint8_t q[4] = {YOf(a), UOf(r, g, b), YOf(c), VOf(r, g, b)};
          if (uyvy) std::swap(q[0], q[1]), std::swap(q[2], q[3]);
          std::memcpy(p, q, 4);
        }
      return out;
    }
    case AviPixelFormat::I420:
    case AviPixelFormat::Yv12: {
      size_t cw = size_t(w / 2), ch = size_t(h / 2);
      uint8_t* yp = out.data();
      uint8_t* up = yp + size_t(w) * size_t(h);
      uint8_t* vp = up + cw * ch;
      if (opt_.format == AviPixelFormat::Yv12) std::swap(up, vp);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) yp[size_t(y) * size_t(w) + size_t(x)] = YOf(f.Get(x, y));
      for (size_t y = 0; y < ch; ++y)
        for (size_t x = 0; x < cw; ++x) {
          int r = 0, g = 0, b = 0;
          for (int k = 0; k < 4; ++k) {
            Bgr c = f.Get(int(2 * x) + (k & 1), int(2 * y) + (k >> 1));
            r += c.r, g += c.g, b += c.b;
          }
          up[y * cw + x] = UOf(r / 4, g / 4, b / 4);
          vp[y * cw + x] = VOf(r / 4, g / 4, b / 4);
        }
      return out;
    }
    default: break;
  }
  for (int y = 0; y < h; ++y) {
    int src_y = opt_.format == AviPixelFormat::Bgr24TopDown || opt_.format == AviPixelFormat::Y800 ||
                        opt_.format == AviPixelFormat::Grey
                    ? y
                    : h - 1 - y;
    uint8_t* row = &out[size_t(y) * stride];
    for (int x = 0; x < w; ++x) {
      Bgr c = f.Get(x, src_y);
      switch (opt_.format) {
        case AviPixelFormat::Bgr24:
        case AviPixelFormat::Bgr24TopDown:
          row[3 * x] = c.b, row[3 * x + 1] = c.g, row[3 * x + 2] = c.r;
          break;
        case AviPixelFormat::Bgr32:
          row[4 * x] = c.b, row[4 * x + 1] = c.g, row[4 * x + 2] = c.r, row[4 * x + 3] = 0;
          break;
        case AviPixelFormat::Rgb555:
        case AviPixelFormat::Rgb555Fields:
        case AviPixelFormat::Rgb565: {
          uint16_t v = opt_.format == AviPixelFormat::Rgb565
                           ? uint16_t((c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3)
                           : uint16_t((c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3);
          row[2 * x] = uint8_t(v), row[2 * x + 1] = uint8_t(v >> 8);
          break;
        }
        case AviPixelFormat::Pal8: row[x] = uint8_t(nearest(c)); break;
        case AviPixelFormat::Pal4:
          row[x / 2] = uint8_t(row[x / 2] | nearest(c) << (x % 2 ? 0 : 4));
          break;
        case AviPixelFormat::Pal1:
          row[x / 8] = uint8_t(row[x / 8] | nearest(c) << (7 - x % 8));
          break;
        case AviPixelFormat::Y800:
        case AviPixelFormat::Grey: row[x] = GreyOf(c); break;
        default: break;
      }
    }
  }
  return out;
}

Bitmap24 AviWriter::Expected(const Bitmap24& f) const {
  Bitmap24 e(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      Bgr c = f.Get(x, y), o = c;
      switch (opt_.format) {
        case AviPixelFormat::Bgr32:
        case AviPixelFormat::Bgr24:
        case AviPixelFormat::Bgr24TopDown: break;
        case AviPixelFormat::Rgb555:
        case AviPixelFormat::Rgb555Fields:
          o = {Expand5(c.b >> 3), Expand5(c.g >> 3), Expand5(c.r >> 3)};
          break;
        case AviPixelFormat::Rgb565:
          o = {Expand5(c.b >> 3), Expand6(c.g >> 2), Expand5(c.r >> 3)};
          break;
        case AviPixelFormat::Pal8:
        case AviPixelFormat::Pal4:
        case AviPixelFormat::Pal1: {
          int best = 0, best_d = 1 << 30;
          for (size_t i = 0; i < palette_.size(); ++i) {
            Bgr p = palette_[i];
            int d = std::abs(p.r - c.r) + std::abs(p.g - c.g) + std::abs(p.b - c.b);
            if (d < best_d) best_d = d, best = int(i);
          }
          o = palette_[size_t(best)];
          break;
        }
        case AviPixelFormat::Y800:
        case AviPixelFormat::Grey: {
          uint8_t g = GreyOf(c);
          o = {g, g, g};
          break;
        }
        default: break;  // YUV: only approximately the input
      }
      e.Set(x, y, o);
    }
  return e;
}

uint64_t AviWriter::Tell() const { return uint64_t(ftello(file_)); }

void AviWriter::Put(const void* p, size_t n) {
  if (n && std::fwrite(p, 1, n, file_) != n) ok_ = false;
}
void AviWriter::Put32(uint32_t v) { Put(&v, 4); }
void AviWriter::Put16(uint16_t v) { Put(&v, 2); }
void AviWriter::PutId(const char* id) { Put(id, 4); }
void AviWriter::Patch32(uint64_t pos, uint32_t v) {
  uint64_t here = Tell();
  fseeko(file_, off_t(pos), SEEK_SET);
  Put32(v);
  fseeko(file_, off_t(here), SEEK_SET);
}

void AviWriter::SetCompressed(const std::string& fourcc, int bit_count) {
  compressed_fourcc_ = fourcc;
  compressed_bits_ = bit_count;
}

void AviWriter::WriteHeaders() {
  headers_written_ = true;
  const int streams = opt_.audio ? 2 : 1;
  PutId("RIFF");
  Put32(0);
  PutId("AVI ");
  PutId("LIST");
  uint64_t hdrl_size_pos = Tell();
  Put32(0);
  PutId("hdrl");
  PutId("avih");
  Put32(56);
  avih_pos_ = Tell();
  Put32(uint32_t(uint64_t(1000000) * opt_.scale / std::max<uint32_t>(opt_.rate, 1)));
  Put32(0);
  Put32(0);
  Put32((opt_.idx1 != AviIndexKind::None ? 0x10u : 0u) | 0x100u);
  Put32(0);  // total frames, patched
  Put32(0);
  Put32(uint32_t(streams));
  Put32(0);  // suggested buffer, patched
  Put32(uint32_t(width_));
  Put32(uint32_t(height_));
  for (int i = 0; i < 4; ++i) Put32(0);

  std::vector<uint8_t> strf = StrfBytes();
  uint32_t indx_size = opt_.open_dml ? 24 + 16 * kMaxSegments : 0;
  PutId("LIST");
  Put32(4 + 64 + 8 + uint32_t(strf.size()) + (indx_size ? 8 + indx_size : 0));
  PutId("strl");
  PutId("strh");
  Put32(56);
  strh_pos_ = Tell();
  PutId("vids");
  uint32_t handler = compressed_fourcc_.empty() ? (Compression() > 3 ? Compression() : 0) : Compression();
  Put32(handler);
  Put32(0);
  Put32(0);
  Put32(0);
  Put32(opt_.scale);
  Put32(opt_.rate);
  Put32(0);
  Put32(0);  // length, patched
  Put32(0);
  Put32(0xFFFFFFFFu);
  Put32(0);
  Put16(0), Put16(0), Put16(uint16_t(width_)), Put16(uint16_t(height_));
  PutId("strf");
  Put32(uint32_t(strf.size()));
  Put(strf.data(), strf.size());
  if (opt_.open_dml) {
    PutId("indx");
    Put32(indx_size);
    indx_pos_ = Tell();
    std::vector<uint8_t> zero(indx_size, 0);
    Put(zero.data(), zero.size());
  }
  if (opt_.audio) {
    PutId("LIST");
    Put32(4 + 64 + 8 + 18 + 2);
    PutId("strl");
    PutId("strh");
    Put32(56);
    audio_strh_pos_ = Tell();
    PutId("auds");
    Put32(0), Put32(0), Put32(0), Put32(0);
    Put32(2), Put32(16000), Put32(0), Put32(0), Put32(0), Put32(0xFFFFFFFFu), Put32(2);
    Put16(0), Put16(0), Put16(0), Put16(0);
    PutId("strf");
    Put32(18);
    Put16(1), Put16(1), Put32(8000), Put32(16000), Put16(2), Put16(16), Put16(0);
    Put16(0);  // pad to even
  }
  if (opt_.open_dml) {
    PutId("LIST");
    Put32(4 + 8 + 248);
    PutId("odml");
    PutId("dmlh");
    Put32(248);
    dmlh_pos_ = Tell();
    std::vector<uint8_t> zero(248, 0);
    Put(zero.data(), zero.size());
  }
  Patch32(hdrl_size_pos, uint32_t(Tell() - hdrl_size_pos - 4));
  PutId("LIST");
  Put32(0);
  Segment s;
  s.riff_pos = 0;
  s.movi_pos = Tell();
  PutId("movi");
  segments_.push_back(s);
}

void AviWriter::WriteChunk(const char id[4], const uint8_t* data, uint32_t size, bool keyframe, bool video) {
  Segment& s = segments_.back();
  s.entries.push_back({Tell(), size, keyframe, video});
  PutId(id);
  Put32(size);
  Put(data, size);
  if (size & 1) Put("\0", 1);
  max_chunk_ = std::max(max_chunk_, size);
}

void AviWriter::AddChunkedFrame(const uint8_t* data, uint32_t size, bool keyframe) {
  if (!headers_written_) WriteHeaders();
  if (opt_.open_dml) {
    Segment& s = segments_.back();
    uint64_t seg_size = Tell() - s.riff_pos;
    if (!s.entries.empty() && seg_size + size + 1024 > opt_.segment_bytes &&
        int(segments_.size()) < kMaxSegments) {
      CloseSegment();
      StartAvixSegment();
    }
  }
  uint64_t rec_pos = 0;
  if (opt_.rec_lists) {
    rec_pos = Tell();
    segments_.back().entries.push_back({rec_pos, 0, true, false});
    PutId("LIST");
    Put32(0);
    PutId("rec ");
  }
  const char* id = compressed_fourcc_.empty() ? "00db" : "00dc";
  WriteChunk(id, data, size, keyframe, true);
  if (opt_.audio) {
    uint8_t pcm[320];
    for (int i = 0; i < 320; ++i) pcm[i] = uint8_t(i * 7);
    WriteChunk("01wb", pcm, sizeof pcm, true, false);
  }
  if (opt_.rec_lists) {
    uint32_t list_size = uint32_t(Tell() - rec_pos - 8);
    Patch32(rec_pos + 4, list_size);
    // The 'rec ' entry in idx1 carries the list's size.
    for (auto& e : segments_.back().entries)
      if (e.header_pos == rec_pos) e.size = list_size;
  }
  segments_.back().frames++;
  total_frames_++;
}

void AviWriter::AddFrame(const Bitmap24& frame) {
  std::vector<uint8_t> bytes = Encode(frame);
  AddChunkedFrame(bytes.data(), uint32_t(bytes.size()), true);
}

void AviWriter::AddEmptyFrame() { AddChunkedFrame(nullptr, 0, false); }

void AviWriter::AddEncodedFrame(const std::vector<uint8_t>& data, bool keyframe) {
  AddChunkedFrame(data.data(), uint32_t(data.size()), keyframe);
}

void AviWriter::AddJunk(uint64_t bytes) {
  if (!headers_written_) WriteHeaders();
  PutId("JUNK");
  Put32(uint32_t(bytes));
  fseeko(file_, off_t(bytes), SEEK_CUR);  // a hole: the file system keeps it sparse
}

void AviWriter::CloseSegment() {
  Segment& s = segments_.back();
  const char* id = compressed_fourcc_.empty() ? "00db" : "00dc";
  if (opt_.open_dml) {
    std::vector<const Entry*> video;
    for (const auto& e : s.entries)
      if (e.video) video.push_back(&e);
    s.ix_pos = Tell();
    s.ix_size = 24 + 8 * uint32_t(video.size());
    PutId("ix00");
    Put32(s.ix_size);
    Put16(2);
    Put("\0\x01", 2);  // sub type 0, AVI_INDEX_OF_CHUNKS
    Put32(uint32_t(video.size()));
    PutId(id);
    uint64_t base = s.riff_pos;
    Put(&base, 8);
    Put32(0);
    for (const Entry* e : video) {
      Put32(uint32_t(e->header_pos + 8 - base));
      Put32(e->size | (e->keyframe ? 0u : 0x80000000u));
    }
  }
  uint64_t end = Tell();
  Patch32(s.movi_pos - 4, uint32_t(end - s.movi_pos));
  if (segments_.size() == 1 && opt_.idx1 != AviIndexKind::None) {
    PutId("idx1");
    Put32(16 * uint32_t(s.entries.size()));
    for (const auto& e : s.entries) {
      bool rec = false;
      char eid[5];
      uint64_t hp = e.header_pos;
      // Read back the chunk id we wrote.
      uint64_t here = Tell();
      fflush(file_);
      fseeko(file_, off_t(hp), SEEK_SET);
      if (std::fread(eid, 1, 4, file_) != 4) ok_ = false;
      fseeko(file_, off_t(here), SEEK_SET);
      if (std::memcmp(eid, "LIST", 4) == 0) std::memcpy(eid, "rec ", 4), rec = true;
      Put(eid, 4);
      Put32(rec ? kAviifList : (e.keyframe ? kAviifKeyframe : 0u));
      uint64_t off = opt_.idx1 == AviIndexKind::Idx1Absolute ? hp : hp - s.movi_pos;
      Put32(uint32_t(off));
      Put32(e.size);
    }
  }
  Patch32(s.riff_pos + 4, uint32_t(Tell() - s.riff_pos - 8));
}

void AviWriter::StartAvixSegment() {
  Segment s;
  s.riff_pos = Tell();
  PutId("RIFF");
  Put32(0);
  PutId("AVIX");
  PutId("LIST");
  Put32(0);
  s.movi_pos = Tell();
  PutId("movi");
  segments_.push_back(s);
}

bool AviWriter::Finish() {
  if (finished_) return ok_;
  finished_ = true;
  if (!headers_written_) WriteHeaders();
  CloseSegment();
  Patch32(avih_pos_ + 16, segments_[0].frames);
  Patch32(avih_pos_ + 28, max_chunk_ + 8);
  Patch32(strh_pos_ + 32, total_frames_);
  Patch32(strh_pos_ + 36, max_chunk_ + 8);
  if (opt_.audio) Patch32(audio_strh_pos_ + 32, total_frames_ * 160);
  if (opt_.open_dml) {
    Patch32(dmlh_pos_, total_frames_);
    uint64_t here = Tell();
    fseeko(file_, off_t(indx_pos_), SEEK_SET);
    Put16(4);
    Put("\0\0", 2);
    Put32(uint32_t(segments_.size()));
    PutId(compressed_fourcc_.empty() ? "00db" : "00dc");
    Put32(0), Put32(0), Put32(0);
    for (const Segment& s : segments_) {
      Put(&s.ix_pos, 8);
      Put32(s.ix_size + 8);
      Put32(s.frames);
    }
    fseeko(file_, off_t(here), SEEK_SET);
  }
  if (std::fflush(file_) != 0) ok_ = false;
  if (std::fclose(file_) != 0) ok_ = false;
  file_ = nullptr;
  return ok_;
}

bool WriteAvi(const std::string& path, const std::vector<Bitmap24>& frames, const AviWriterOptions& options) {
  if (frames.empty()) return false;
  AviWriter w(path, frames[0].Width(), frames[0].Height(), options);
  for (const Bitmap24& f : frames) w.AddFrame(f);
  return w.Finish();
}
