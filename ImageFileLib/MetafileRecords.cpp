#include "ImageFileLib/MetafileRecords.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <set>

#include "ImageFileLib/BmpLoader.h"
#include "ImageFileLib/LibraryErrors.h"
#include "base/ByteOrder.h"
#include "base/TextTools.h"

namespace ImageFile {

MetaTransform MetaTransform::After(const MetaTransform& b) const {
  MetaTransform r;
  r.m11 = m11 * b.m11 + m21 * b.m12;
  r.m21 = m11 * b.m21 + m21 * b.m22;
  r.dx = m11 * b.dx + m21 * b.dy + dx;
  r.m12 = m12 * b.m11 + m22 * b.m12;
  r.m22 = m12 * b.m21 + m22 * b.m22;
  r.dy = m12 * b.dx + m22 * b.dy + dy;
  return r;
}

namespace {

MetafilePainter& Painter() {
  static MetafilePainter painter = nullptr;
  return painter;
}

[[noreturn]] void Unsupported() { throw ELinearBitmap("Unsupported file format"); }

int16_t S16(const uint8_t* p) { return static_cast<int16_t>(Le16(p)); }
int32_t S32(const uint8_t* p) { return static_cast<int32_t>(Le32(p)); }
float F32(const uint8_t* p) {
  const uint32_t bits = Le32(p);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

// Single-byte texts, up to a NUL, in the Windows code page for Western languages.
std::string AnsiText(const uint8_t* p, size_t n) {
  const auto* text = reinterpret_cast<const char*>(p);
  return Windows1252ToUtf8(std::string_view(text, static_cast<size_t>(std::find(text, text + n, '\0') - text)));
}

std::string Utf16(const uint8_t* p, size_t n) {
  return Utf16ToUtf8(std::string_view(reinterpret_cast<const char*>(p), 2 * n), true, true);
}

struct DcState {
  MetaPen pen;
  MetaBrush brush;
  MetaFont font;
  MetaColour text, background{255, 255, 255};
  bool opaque = true, winding = false;
  bool clockwise = false;  // the arc direction
  uint32_t align = 0;
  int map_mode = 1;
  double wox = 0, woy = 0, wex = 1, wey = 1, vox = 0, voy = 0, vex = 1, vey = 1;
  MetaTransform world;
  double cx = 0, cy = 0;  // current position
  // Shared: every saved state would otherwise copy up to 65535 colours.
  std::shared_ptr<const std::vector<MetaColour>> palette;
};

struct GdiObject {
  enum Kind { Other, Pen, Brush, Font, Palette } kind = Other;
  MetaPen pen;
  MetaBrush brush;
  MetaFont font;
  std::shared_ptr<const std::vector<MetaColour>> palette;
};

// The standard objects an EMF selects by number (high bit set).
GdiObject StockObject(uint32_t n) {
  GdiObject o;
  auto grey = [](uint8_t v) { return MetaColour{v, v, v}; };
  if (n <= 5 || n == 18) {
    o.kind = GdiObject::Brush;
    const uint8_t levels[5] = {255, 192, 128, 64, 0};
    if (n == 5) o.brush.none = true;
    else if (n < 5) o.brush.colour = grey(levels[n]);
  } else if (n <= 8 || n == 19) {
    o.kind = GdiObject::Pen;
    if (n == 6) o.pen.colour = grey(255);
    if (n == 8) o.pen.style = 5;
  } else if (n == 15) {
    o.kind = GdiObject::Palette;
  } else if (n >= 10 && n <= 17) {
    o.kind = GdiObject::Font;
  }
  return o;
}

// A packed DIB decoded through the BMP reader, as 24-bit top-down rows.
std::shared_ptr<TLinearBitmap> DecodeDib(const uint8_t* dib, size_t size, int64_t max_map_bytes) {
  if (size < 40) Unsupported();
  const uint32_t header = Le32(dib);
  if (header < 40 || header > size) Unsupported();
  const uint16_t bits = Le16(dib + 14);
  const uint32_t compression = Le32(dib + 16);
  uint32_t colours = Le32(dib + 32);
  if (bits <= 8 && colours == 0) colours = 1u << bits;
  if (colours > 256) Unsupported();
  // Bit-field masks follow a 40-byte header (three, or four with alpha);
  // deeper pixels may still carry a colour table of the colours used.
  const uint32_t masks = header != 40 ? 0 : compression == 3 ? 12 : compression == 6 ? 16 : 0;
  const uint32_t offset = 14 + header + masks + 4 * colours;
  TMemStream file;
  uint8_t head[14] = {'B', 'M'};
  const uint32_t total = static_cast<uint32_t>(14 + size);
  for (int k = 0; k < 4; ++k) head[2 + k] = static_cast<uint8_t>(total >> (8 * k));
  for (int k = 0; k < 4; ++k) head[10 + k] = static_cast<uint8_t>(offset >> (8 * k));
  file.Write(head, 14);
  file.Write(dib, static_cast<int64_t>(size));
  file.SetPosition(0);
  TBMPLoader reader;
  reader.MaxMapBytes = max_map_bytes;
  auto picture = std::make_shared<TLinearBitmap>();
  try {
    reader.LoadFromStream(file, "BMP", *picture);
  } catch (const EAbort&) {
    throw;
  } catch (const Exception&) {
    Unsupported();
  }
  picture->PixelFormatConvert(pf24Bit);
  return picture;
}

// DIB source rectangles count rows from the bottom of a bottom-up DIB.
int32_t TopDownRow(const uint8_t* dib, int32_t y_src, int32_t src_height) {
  const int32_t dib_height = S32(dib + 8);
  if (dib_height <= 0) return y_src;
  // Rows this far out are outside the bitmap either way.
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{dib_height} - y_src - src_height, INT32_MIN, INT32_MAX));
}

constexpr uint32_t kSourceCopy = 0x00CC0020, kPatCopy = 0x00F00021, kBlackness = 0x00000042,
                   kWhiteness = 0x00FF0062;

using Steps = std::vector<MetaPathStep>;

// Counter-clockwise on the screen from the start angle by `sweep` radians,
// as cubic Béziers (at most a quarter turn each). Angles are measured on the
// unit circle of the box, y down.
void AppendArc(Steps& steps, double cx, double cy, double rx, double ry, double start, double sweep) {
  const int parts = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / (std::numbers::pi / 2) - 1e-9)));
  const double step = sweep / parts;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  double a = start;
  for (int i = 0; i < parts; ++i) {
    const double b = a + step;
    const double x0 = std::cos(a), y0 = std::sin(a), x1 = std::cos(b), y1 = std::sin(b);
    steps.push_back({MetaPathStep::Cubic, cx + rx * (x0 - k * y0), cy + ry * (y0 + k * x0)});
    steps.push_back({MetaPathStep::Cubic, cx + rx * (x1 + k * y1), cy + ry * (y1 - k * x1)});
    steps.push_back({MetaPathStep::Cubic, cx + rx * x1, cy + ry * y1});
    a = b;
  }
}

class Player {
 public:
  Player(int64_t max_map_bytes) : max_map_bytes_(max_map_bytes) {}

  MetaDrawing drawing;
  DcState dc;
  std::vector<DcState> saved;
  std::map<uint32_t, GdiObject> objects;
  MetaTransform base;          // device units to picture pixels
  bool forced_mapping = false; // a placeable WMF: the window fills the picture
  bool signs_only = false;     // a plain WMF: one logical unit a pixel
  double device_per_mm = 96 / 25.4;
  bool in_path = false;
  Steps path;

  void Start(int64_t width, int64_t height) {
    if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX ||
        width * height > max_map_bytes_ / 3)
      throw ELinearBitmap("Invalid bitmap size");
    drawing.width = static_cast<int32_t>(width);
    drawing.height = static_cast<int32_t>(height);
  }

  MetaTransform Current() const {
    double sx = 1, sy = 1, vox = dc.vox, voy = dc.voy;
    if (forced_mapping) {
      sx = dc.wex != 0 ? drawing.width / dc.wex : 1;
      sy = dc.wey != 0 ? drawing.height / dc.wey : 1;
      vox = voy = 0;
    } else if (signs_only) {
      sx = dc.wex < 0 ? -1 : 1;
      sy = dc.wey < 0 ? -1 : 1;
      vox = voy = 0;
    } else if (dc.map_mode >= 2 && dc.map_mode <= 6) {
      const double units_per_mm[7] = {0, 0, 10, 100, 100 / 25.4, 1000 / 25.4, 1440 / 25.4};
      sx = device_per_mm / units_per_mm[dc.map_mode];
      sy = -sx;
    } else if (dc.map_mode == 7 || dc.map_mode == 8) {
      sx = dc.wex != 0 ? dc.vex / dc.wex : 1;
      sy = dc.wey != 0 ? dc.vey / dc.wey : 1;
      if (dc.map_mode == 7) {
        const double m = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
      }
    }
    const MetaTransform page{sx, 0, 0, sy, vox - dc.wox * sx, voy - dc.woy * sy};
    return base.After(page).After(dc.world);
  }

  MetaColour Colour(uint32_t ref) const {
    if (ref >> 24 == 1) {
      const size_t i = ref & 0xFFFF;
      return dc.palette && i < dc.palette->size() ? (*dc.palette)[i] : MetaColour{};
    }
    return {static_cast<uint8_t>(ref), static_cast<uint8_t>(ref >> 8), static_cast<uint8_t>(ref >> 16)};
  }

  MetaShape NewShape(MetaShape::Kind kind) const {
    MetaShape s;
    s.kind = kind;
    s.transform = Current();
    s.pen = dc.pen;
    s.brush = dc.brush;
    s.background = dc.background;
    s.opaque_background = dc.opaque;
    s.winding = dc.winding;
    return s;
  }

  // A figure: into the open path bracket, or drawn now.
  void Emit(Steps steps, bool stroke, bool fill) {
    if (steps.empty()) return;
    if (in_path) {
      path.insert(path.end(), steps.begin(), steps.end());
      return;
    }
    if ((!stroke || !dc.pen.Visible()) && (!fill || dc.brush.none)) return;
    MetaShape s = NewShape(MetaShape::Path);
    s.path = std::move(steps);
    s.stroke = stroke;
    s.fill = fill;
    drawing.shapes.push_back(std::move(s));
  }

  void EmitPath(bool stroke, bool fill) {
    Steps steps;
    steps.swap(path);
    in_path = false;
    Emit(std::move(steps), stroke, fill);
  }

  void Poly(const std::vector<double>& xy, bool closed) {
    if (xy.size() < 4) return;
    Steps steps;
    for (size_t i = 0; i < xy.size(); i += 2)
      steps.push_back({i == 0 ? MetaPathStep::Move : MetaPathStep::Line, xy[i], xy[i + 1]});
    if (closed) steps.push_back({MetaPathStep::Close, 0, 0});
    Emit(std::move(steps), true, closed);
  }

  // Several polygons filled as one (the fill mode decides the holes), or
  // several lines.
  void PolyPoly(const std::vector<double>& xy, const std::vector<uint32_t>& counts, bool closed) {
    Steps steps;
    size_t at = 0;
    for (uint32_t n : counts) {
      if (at + 2 * size_t{n} > xy.size()) Unsupported();
      for (uint32_t i = 0; i < n; ++i, at += 2)
        steps.push_back({i == 0 ? MetaPathStep::Move : MetaPathStep::Line, xy[at], xy[at + 1]});
      if (closed && n > 0) steps.push_back({MetaPathStep::Close, 0, 0});
    }
    Emit(std::move(steps), true, closed);
  }

  // Lines or Béziers from the current position (the ...To records).
  void PolyTo(const std::vector<double>& xy, bool bezier) {
    if (xy.size() < 2) return;
    Steps steps{{MetaPathStep::Move, dc.cx, dc.cy}};
    if (in_path && !path.empty()) steps.clear();
    for (size_t i = 0; i < xy.size(); i += 2)
      steps.push_back({bezier ? MetaPathStep::Cubic : MetaPathStep::Line, xy[i], xy[i + 1]});
    if (bezier && (xy.size() / 2) % 3 != 0) return;
    dc.cx = xy[xy.size() - 2];
    dc.cy = xy.back();
    Emit(std::move(steps), true, false);
  }

  void Bezier(const std::vector<double>& xy) {
    if (xy.size() < 8 || (xy.size() / 2 - 1) % 3 != 0) return;
    Steps steps{{MetaPathStep::Move, xy[0], xy[1]}};
    for (size_t i = 2; i < xy.size(); i += 2) steps.push_back({MetaPathStep::Cubic, xy[i], xy[i + 1]});
    Emit(std::move(steps), true, false);
  }

  void MoveTo(double x, double y) {
    dc.cx = x;
    dc.cy = y;
    if (in_path) path.push_back({MetaPathStep::Move, x, y});
  }

  void LineTo(double x, double y) {
    Steps steps;
    if (!in_path || path.empty()) steps.push_back({MetaPathStep::Move, dc.cx, dc.cy});
    steps.push_back({MetaPathStep::Line, x, y});
    dc.cx = x;
    dc.cy = y;
    Emit(std::move(steps), true, false);
  }

  void Rectangle(double l, double t, double r, double b) {
    Emit({{MetaPathStep::Move, l, t},
          {MetaPathStep::Line, r, t},
          {MetaPathStep::Line, r, b},
          {MetaPathStep::Line, l, b},
          {MetaPathStep::Close, 0, 0}},
         true, true);
  }

  void RoundRect(double l, double t, double r, double b, double w, double h) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    const double rx = std::min(std::abs(w) / 2, (r - l) / 2), ry = std::min(std::abs(h) / 2, (b - t) / 2);
    const double pi = std::numbers::pi;
    Steps steps{{MetaPathStep::Move, r - rx, t}};
    AppendArc(steps, r - rx, t + ry, rx, ry, -pi / 2, pi / 2);
    steps.push_back({MetaPathStep::Line, r, b - ry});
    AppendArc(steps, r - rx, b - ry, rx, ry, 0, pi / 2);
    steps.push_back({MetaPathStep::Line, l + rx, b});
    AppendArc(steps, l + rx, b - ry, rx, ry, pi / 2, pi / 2);
    steps.push_back({MetaPathStep::Line, l, t + ry});
    AppendArc(steps, l + rx, t + ry, rx, ry, pi, pi / 2);
    steps.push_back({MetaPathStep::Close, 0, 0});
    Emit(std::move(steps), true, true);
  }

  void Ellipse(double l, double t, double r, double b) {
    const double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::abs(r - l) / 2, ry = std::abs(b - t) / 2;
    Steps steps{{MetaPathStep::Move, cx + rx, cy}};
    AppendArc(steps, cx, cy, rx, ry, 0, 2 * std::numbers::pi);
    steps.push_back({MetaPathStep::Close, 0, 0});
    Emit(std::move(steps), true, true);
  }

  enum class ArcKind { Arc, Chord, Pie };

  // The arc runs counter-clockwise (or, as the arc direction says, clockwise)
  // on the screen from the ray through the start point to the ray through
  // the end point.
  void ArcShape(ArcKind kind, double l, double t, double r, double b, double xs, double ys, double xe, double ye) {
    const double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::abs(r - l) / 2, ry = std::abs(b - t) / 2;
    if (rx <= 0 || ry <= 0) return;
    const double a0 = std::atan2((ys - cy) / ry, (xs - cx) / rx), a1 = std::atan2((ye - cy) / ry, (xe - cx) / rx);
    // On a y-down screen counter-clockwise is decreasing angle; a mirrored
    // mapping or the clockwise direction turns that round.
    const bool increasing = (Current().Determinant() < 0) != dc.clockwise;
    double sweep = increasing ? a1 - a0 : a0 - a1;
    const double turn = 2 * std::numbers::pi;
    while (sweep <= 1e-12) sweep += turn;
    while (sweep > turn) sweep -= turn;
    if (!increasing) sweep = -sweep;
    Steps steps;
    if (kind == ArcKind::Pie) steps.push_back({MetaPathStep::Move, cx, cy});
    steps.push_back({kind == ArcKind::Pie ? MetaPathStep::Line : MetaPathStep::Move, cx + rx * std::cos(a0),
                     cy + ry * std::sin(a0)});
    AppendArc(steps, cx, cy, rx, ry, a0, sweep);
    if (kind != ArcKind::Arc) steps.push_back({MetaPathStep::Close, 0, 0});
    Emit(std::move(steps), true, kind != ArcKind::Arc);
  }

  void FillRect(double l, double t, double r, double b, MetaColour colour) {
    MetaShape s = NewShape(MetaShape::Path);
    s.path = {{MetaPathStep::Move, l, t},
              {MetaPathStep::Line, r, t},
              {MetaPathStep::Line, r, b},
              {MetaPathStep::Line, l, b},
              {MetaPathStep::Close, 0, 0}};
    s.fill = true;
    s.brush = MetaBrush{false, -1, colour};
    drawing.shapes.push_back(std::move(s));
  }

  // A raster operation without a source: the brush, black or white.
  void PatBlt(uint32_t rop, double x, double y, double w, double h) {
    if (rop == kPatCopy && !dc.brush.none) {
      MetaShape s = NewShape(MetaShape::Path);
      s.path = {{MetaPathStep::Move, x, y},
                {MetaPathStep::Line, x + w, y},
                {MetaPathStep::Line, x + w, y + h},
                {MetaPathStep::Line, x, y + h},
                {MetaPathStep::Close, 0, 0}};
      s.fill = true;
      drawing.shapes.push_back(std::move(s));
    } else if (rop == kBlackness || rop == kWhiteness) {
      const uint8_t v = rop == kBlackness ? 0 : 255;
      FillRect(x, y, x + w, y + h, MetaColour{v, v, v});
    }
  }

  void Text(double x, double y, std::string text, uint32_t options, const int32_t* opaque_box) {
    if (opaque_box && (options & 2))
      FillRect(opaque_box[0], opaque_box[1], opaque_box[2], opaque_box[3], dc.background);
    if (text.empty()) return;
    MetaShape s = NewShape(MetaShape::Text);
    if (dc.align & 1) x = dc.cx, y = dc.cy;  // TA_UPDATECP
    s.x = x;
    s.y = y;
    s.text = std::move(text);
    s.font = dc.font;
    s.text_colour = dc.text;
    s.align = dc.align;
    drawing.shapes.push_back(std::move(s));
  }

  void Image(std::shared_ptr<TLinearBitmap> image, int32_t sx, int32_t sy, int32_t sw, int32_t sh, double x, double y,
             double w, double h) {
    MetaShape s = NewShape(MetaShape::Image);
    s.image = std::move(image);
    s.src_x = sx, s.src_y = sy, s.src_w = sw, s.src_h = sh;
    s.x = x, s.y = y, s.width = w, s.height = h;
    drawing.shapes.push_back(std::move(s));
  }

  void Pixel(double x, double y, MetaColour colour) {
    MetaShape s = NewShape(MetaShape::Pixel);
    s.x = x;
    s.y = y;
    s.text_colour = colour;
    drawing.shapes.push_back(std::move(s));
  }

  void Select(uint32_t index) {
    const auto it = objects.find(index);
    const GdiObject o = (index & 0x80000000u) ? StockObject(index & 0x7FFFFFFF) : it != objects.end() ? it->second : GdiObject{};
    switch (o.kind) {
      case GdiObject::Pen: dc.pen = o.pen; break;
      case GdiObject::Brush: dc.brush = o.brush; break;
      case GdiObject::Font: dc.font = o.font; break;
      case GdiObject::Palette: dc.palette = o.palette; break;
      case GdiObject::Other: break;
    }
  }

  // SCALEWINDOWEXT and SCALEVIEWPORTEXT: each extent times num / denom in
  // whole units, as the device context keeps them; a zero denominator fails
  // the call and leaves both.
  static void ScaleExtents(double& ex, double& ey, double x_num, double x_denom, double y_num, double y_denom) {
    if (x_denom == 0 || y_denom == 0) return;
    auto scaled = [](double e, double num, double denom) {
      return std::clamp(std::trunc(e * num / denom), double{INT32_MIN}, double{INT32_MAX});
    };
    ex = scaled(ex, x_num, x_denom);
    ey = scaled(ey, y_num, y_denom);
  }

  void Save() {
    if (saved.size() < 10000) saved.push_back(dc);
  }

  void Restore(int32_t which) {
    // Negative: relative to the last save; positive: that save counted from the first.
    const int64_t n = static_cast<int64_t>(saved.size());
    const int64_t target = which < 0 ? n + which : int64_t{which} - 1;
    if (target < 0 || target >= n) return;
    dc = saved[static_cast<size_t>(target)];
    saved.resize(static_cast<size_t>(target));
  }

  bool Drew() const { return !drawing.shapes.empty(); }

  // A bitmap record's picture, 24-bit. Small coded records can claim large
  // pictures: together they stay within the map limit.
  std::shared_ptr<TLinearBitmap> DecodeImage(const uint8_t* dib, size_t size) {
    if (size >= 12) {
      const int64_t width = S32(dib + 4), height = S32(dib + 8);
      if (std::abs(width) * std::abs(height) > (max_map_bytes_ - images_bytes_) / 3)
        throw ELinearBitmap("Invalid bitmap size");
    }
    auto picture = DecodeDib(dib, size, max_map_bytes_ - images_bytes_);
    images_bytes_ += picture->Size;
    return picture;
  }

 private:
  int64_t max_map_bytes_;
  int64_t images_bytes_ = 0;
};

MetaPen PenOf(uint32_t style, double width, MetaColour colour) {
  MetaPen p;
  p.style = static_cast<int>(style & 0xF);
  if (p.style > 5) p.style = 0;  // inside-frame and user styles draw solid
  p.width = std::abs(width);
  p.colour = colour;
  return p;
}

MetaBrush BrushOf(uint32_t style, MetaColour colour, uint32_t hatch) {
  MetaBrush b;
  b.colour = colour;
  if (style == 1) b.none = true;                    // BS_NULL
  else if (style == 2) b.hatch = hatch <= 5 ? static_cast<int>(hatch) : -1;
  return b;
}

GdiObject PenObject(const MetaPen& pen) {
  GdiObject o;
  o.kind = GdiObject::Pen;
  o.pen = pen;
  return o;
}

GdiObject BrushObject(const MetaBrush& brush) {
  GdiObject o;
  o.kind = GdiObject::Brush;
  o.brush = brush;
  return o;
}

// `flags`: the italic, underline and strike-out bytes of a LOGFONT.
GdiObject FontObject(double height, double angle, int weight, const uint8_t* flags, std::string face) {
  GdiObject o;
  o.kind = GdiObject::Font;
  o.font.height = height;
  o.font.angle = angle;
  o.font.weight = weight;
  o.font.italic = flags[0] != 0;
  o.font.underline = flags[1] != 0;
  o.font.strike_out = flags[2] != 0;
  o.font.face = std::move(face);
  return o;
}

// ---------------------------------------------------------------- WMF

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

void PlayWmf(const std::vector<uint8_t>& data, Player& pl) {
  size_t pos = 0;
  bool sized = false;
  if (data.size() >= 22 && Le32(data.data()) == kPlaceableKey) {
    const int32_t left = S16(&data[6]), top = S16(&data[8]), right = S16(&data[10]), bottom = S16(&data[12]);
    const uint16_t inch = Le16(&data[14]);
    if (inch == 0 || right == left || bottom == top) Unsupported();
    pl.Start(std::llround(std::abs(right - left) * 96.0 / inch), std::llround(std::abs(bottom - top) * 96.0 / inch));
    pl.dc.wox = left, pl.dc.woy = top, pl.dc.wex = right - left, pl.dc.wey = bottom - top;
    pl.forced_mapping = true;
    sized = true;
    pos = 22;
  } else {
    pl.signs_only = true;
  }
  if (data.size() < pos + 18 || Le16(&data[pos + 2]) != 9) Unsupported();
  pos += 18;
  // Objects take the lowest free slot; a deleted one frees its slot. The free
  // slots below the highest used are kept, not searched for.
  std::set<uint32_t> free_slots;
  uint32_t next_slot = 0;
  auto add_object = [&](GdiObject o) {
    uint32_t slot = next_slot;
    if (free_slots.empty()) ++next_slot;
    else slot = *free_slots.begin(), free_slots.erase(free_slots.begin());
    pl.objects[slot] = std::move(o);
  };
  auto delete_object = [&](uint32_t slot) {
    if (pl.objects.erase(slot)) free_slots.insert(slot);
  };
  while (pos + 6 <= data.size()) {
    const uint64_t words = Le32(&data[pos]);
    const uint16_t function = Le16(&data[pos + 4]);
    if (words < 3 || pos + words * 2 > data.size()) Unsupported();
    const uint8_t* p = data.data() + pos + 6;  // a record without parameters ends the data
    const size_t n = static_cast<size_t>(words * 2 - 6);  // parameter bytes
    auto need = [&](size_t bytes) { return n >= bytes; };
    // A point or size, y first as WMF keeps them.
    auto yx = [&](double& y, double& x) {
      if (need(4)) y = S16(p), x = S16(p + 2);
    };
    // Drawing needs a picture size: a plain WMF takes it from its window.
    auto ready = [&] {
      if (!sized) {
        pl.Start(std::llround(std::abs(pl.dc.wex)), std::llround(std::abs(pl.dc.wey)));
        sized = true;
      }
    };
    auto points = [&](const uint8_t* q, size_t count) {
      std::vector<double> xy(2 * count);
      for (size_t i = 0; i < 2 * count; ++i) xy[i] = S16(q + 2 * i);
      return xy;
    };
    switch (function) {
      case 0x0000:  // EOF
        if (!pl.Drew()) Unsupported();
        if (!sized) ready();
        return;
      case 0x0201: if (need(4)) pl.dc.background = pl.Colour(Le32(p)); break;  // SETBKCOLOR
      case 0x0209: if (need(4)) pl.dc.text = pl.Colour(Le32(p)); break;        // SETTEXTCOLOR
      case 0x0102: if (need(2)) pl.dc.opaque = Le16(p) == 2; break;            // SETBKMODE
      case 0x0103: if (need(2)) pl.dc.map_mode = Le16(p); break;               // SETMAPMODE
      case 0x0106: if (need(2)) pl.dc.winding = Le16(p) == 2; break;           // SETPOLYFILLMODE
      case 0x012E: if (need(2)) pl.dc.align = Le16(p); break;                  // SETTEXTALIGN
      case 0x020B: yx(pl.dc.woy, pl.dc.wox); break;  // SETWINDOWORG
      case 0x020C: yx(pl.dc.wey, pl.dc.wex); break;  // SETWINDOWEXT
      case 0x020D: yx(pl.dc.voy, pl.dc.vox); break;  // SETVIEWPORTORG
      case 0x020E: yx(pl.dc.vey, pl.dc.vex); break;  // SETVIEWPORTEXT
      case 0x020F: if (need(4)) pl.dc.woy += S16(p), pl.dc.wox += S16(p + 2); break;  // OFFSETWINDOWORG
      case 0x0410:  // SCALEWINDOWEXT: y denominator, y numerator, then x
        if (need(8)) Player::ScaleExtents(pl.dc.wex, pl.dc.wey, S16(p + 6), S16(p + 4), S16(p + 2), S16(p));
        break;
      case 0x001E: pl.Save(); break;                                // SAVEDC
      case 0x0127: if (need(2)) pl.Restore(S16(p)); break;          // RESTOREDC
      case 0x012D: if (need(2)) pl.Select(Le16(p)); break;          // SELECTOBJECT
      case 0x0234: if (need(2)) pl.Select(Le16(p)); break;          // SELECTPALETTE
      case 0x01F0: if (need(2)) delete_object(Le16(p)); break;      // DELETEOBJECT
      case 0x02FA:  // CREATEPENINDIRECT
        add_object(need(10) ? PenObject(PenOf(Le16(p), S16(p + 2), pl.Colour(Le32(p + 6)))) : GdiObject{});
        break;
      case 0x02FC:  // CREATEBRUSHINDIRECT
        add_object(need(8) ? BrushObject(BrushOf(Le16(p), pl.Colour(Le32(p + 2)), Le16(p + 6))) : GdiObject{});
        break;
      case 0x02FB:  // CREATEFONTINDIRECT
        add_object(need(18) ? FontObject(S16(p), S16(p + 4), S16(p + 8), p + 10, AnsiText(p + 18, std::min<size_t>(32, n - 18)))
                            : GdiObject{});
        break;
      case 0x00F7: {  // CREATEPALETTE
        GdiObject o;
        o.kind = GdiObject::Palette;
        if (need(4)) {
          const size_t count = std::min<size_t>(Le16(p + 2), (n - 4) / 4);
          auto colours = std::make_shared<std::vector<MetaColour>>();
          for (size_t i = 0; i < count; ++i) colours->push_back({p[4 + 4 * i], p[5 + 4 * i], p[6 + 4 * i]});
          o.palette = std::move(colours);
        }
        add_object(o);
        break;
      }
      case 0x0142: case 0x01F9: case 0x06FF:  // pattern brushes and regions: a slot all the same
        add_object(GdiObject{});
        break;
      case 0x0214:  // MOVETO
        if (need(4)) pl.MoveTo(S16(p + 2), S16(p));
        break;
      case 0x0213:  // LINETO
        if (need(4)) ready(), pl.LineTo(S16(p + 2), S16(p));
        break;
      case 0x0325: case 0x0324: {  // POLYLINE, POLYGON
        if (!need(2)) break;
        const size_t count = static_cast<size_t>(std::max<int16_t>(0, S16(p)));
        if (!need(2 + 4 * count)) Unsupported();
        ready();
        pl.Poly(points(p + 2, count), function == 0x0324);
        break;
      }
      case 0x0538: {  // POLYPOLYGON
        if (!need(2)) break;
        const size_t polys = Le16(p);
        if (!need(2 + 2 * polys)) Unsupported();
        std::vector<uint32_t> counts(polys);
        size_t total = 0;
        for (size_t i = 0; i < polys; ++i) total += counts[i] = Le16(p + 2 + 2 * i);
        if (!need(2 + 2 * polys + 4 * total)) Unsupported();
        ready();
        pl.PolyPoly(points(p + 2 + 2 * polys, total), counts, true);
        break;
      }
      case 0x041B: case 0x0418:  // RECTANGLE, ELLIPSE
        if (!need(8)) break;
        ready();
        if (function == 0x041B) pl.Rectangle(S16(p + 6), S16(p + 4), S16(p + 2), S16(p));
        else pl.Ellipse(S16(p + 6), S16(p + 4), S16(p + 2), S16(p));
        break;
      case 0x061C:  // ROUNDRECT
        if (need(12)) ready(), pl.RoundRect(S16(p + 10), S16(p + 8), S16(p + 6), S16(p + 4), S16(p + 2), S16(p));
        break;
      case 0x0817: case 0x081A: case 0x0830:  // ARC, PIE, CHORD
        if (!need(16)) break;
        ready();
        pl.ArcShape(function == 0x0817 ? Player::ArcKind::Arc : function == 0x081A ? Player::ArcKind::Pie : Player::ArcKind::Chord,
                    S16(p + 14), S16(p + 12), S16(p + 10), S16(p + 8), S16(p + 6), S16(p + 4), S16(p + 2), S16(p));
        break;
      case 0x041F:  // SETPIXEL
        if (need(8)) ready(), pl.Pixel(S16(p + 6), S16(p + 4), pl.Colour(Le32(p)));
        break;
      case 0x061D:  // PATBLT
        if (need(12)) ready(), pl.PatBlt(Le32(p), S16(p + 10), S16(p + 8), S16(p + 6), S16(p + 4));
        break;
      case 0x0521: {  // TEXTOUT
        if (!need(2)) break;
        const size_t count = Le16(p), padded = (count + 1) & ~size_t{1};
        if (!need(2 + padded + 4)) Unsupported();
        ready();
        pl.Text(S16(p + 4 + padded), S16(p + 2 + padded), AnsiText(p + 2, count), 0, nullptr);
        break;
      }
      case 0x0A32: {  // EXTTEXTOUT
        if (!need(8)) break;
        const size_t count = static_cast<size_t>(std::max<int16_t>(0, S16(p + 4)));
        const uint16_t options = Le16(p + 6);
        const bool boxed = (options & 6) != 0;
        const size_t text_at = 8 + (boxed ? 8 : 0);
        if (!need(text_at + count)) Unsupported();
        int32_t box[4] = {};
        if (boxed) box[0] = S16(p + 8), box[1] = S16(p + 10), box[2] = S16(p + 12), box[3] = S16(p + 14);
        ready();
        pl.Text(S16(p + 2), S16(p), AnsiText(p + text_at, count), options, boxed ? box : nullptr);
        break;
      }
      case 0x0F43: case 0x0B41: case 0x0940: {  // STRETCHDIB, DIBSTRETCHBLT, DIBBITBLT
        const bool stretch_dib = function == 0x0F43, bit_blt = function == 0x0940;
        // DIBSTRETCHBLT and DIBBITBLT without a bitmap are pattern fills (one
        // reserved word more, no bitmap).
        const size_t fixed = stretch_dib ? 22 : bit_blt ? 16 : 20;
        if (!stretch_dib && n == fixed + 2) {
          ready();
          const uint8_t* q = p + 4;
          pl.PatBlt(Le32(p), S16(q + n - 6), S16(q + n - 8), S16(q + n - 10), S16(q + n - 12));
          break;
        }
        if (!need(fixed + 40)) Unsupported();
        const uint32_t rop = Le32(p);
        if (rop != kSourceCopy) break;
        const uint8_t* q = p + (stretch_dib ? 6 : 4);
        int32_t sh, sw, sy, sx, dh, dw, dy, dx;
        if (bit_blt) {
          sy = S16(q), sx = S16(q + 2), dh = sh = S16(q + 4), dw = sw = S16(q + 6), dy = S16(q + 8), dx = S16(q + 10);
        } else {
          sh = S16(q), sw = S16(q + 2), sy = S16(q + 4), sx = S16(q + 6);
          dh = S16(q + 8), dw = S16(q + 10), dy = S16(q + 12), dx = S16(q + 14);
        }
        const uint8_t* dib = p + fixed;
        ready();
        // Decoded first: it refuses a header too short for TopDownRow to read.
        auto image = pl.DecodeImage(dib, n - fixed);
        pl.Image(std::move(image), sx, TopDownRow(dib, sy, sh), sw, sh, dx, dy, dw, dh);
        break;
      }
      default:
        break;  // state and drawing this reader does not know: passed over
    }
    pos += static_cast<size_t>(words * 2);
  }
  Unsupported();  // no end record
}

// ---------------------------------------------------------------- EMF

void PlayEmf(const std::vector<uint8_t>& data, Player& pl) {
  if (data.size() < 88 || Le32(data.data()) != 1 || Le32(&data[40]) != 0x464D4520) Unsupported();
  const int32_t left = S32(&data[8]), top = S32(&data[12]);
  const int64_t width = int64_t{S32(&data[16])} - left + 1, height = int64_t{S32(&data[20])} - top + 1;
  // The reference device's resolution serves the metric mapping modes.
  const int32_t device_w = S32(&data[72]), mm_w = S32(&data[80]);
  if (device_w > 0 && mm_w > 0) pl.device_per_mm = double(device_w) / mm_w;
  pl.Start(width, height);
  pl.base = MetaTransform{1, 0, 0, 1, -double(left), -double(top)};
  size_t pos = 0;
  while (pos + 8 <= data.size()) {
    const uint32_t type = Le32(&data[pos]);
    const uint32_t size = Le32(&data[pos + 4]);
    if (size < 8 || size % 4 || pos + size > data.size()) Unsupported();
    const uint8_t* r = &data[pos];
    auto need = [&](size_t bytes) { return size >= bytes; };
    auto points = [&](size_t at, size_t count, bool small) {
      const size_t each = small ? 2 : 4;
      if (at + 2 * each * count > size) Unsupported();
      std::vector<double> xy(2 * count);
      for (size_t i = 0; i < 2 * count; ++i) xy[i] = small ? S16(r + at + 2 * i) : S32(r + at + 4 * i);
      return xy;
    };
    auto add_object = [&](uint32_t index, GdiObject o) { pl.objects[index] = std::move(o); };
    switch (type) {
      case 14:  // EOF
        if (!pl.Drew()) Unsupported();
        return;
      case 2: case 3: case 4: case 5: case 6:
      case 85: case 86: case 87: case 88: case 89: {  // POLYBEZIER, POLYGON, POLYLINE, -TO, and 16-bit ones
        if (!need(28)) break;
        const bool small = type >= 85;
        const uint32_t kind = small ? type - 83 : type;
        const size_t count = Le32(r + 24);
        if (count > size) Unsupported();
        const std::vector<double> xy = points(28, count, small);
        if (kind == 2) pl.Bezier(xy);
        else if (kind == 3 || kind == 4) pl.Poly(xy, kind == 3);
        else pl.PolyTo(xy, kind == 5);
        break;
      }
      case 7: case 8: case 90: case 91: {  // POLYPOLYLINE, POLYPOLYGON, and 16-bit ones
        if (!need(32)) break;
        const bool small = type >= 90;
        const size_t polys = Le32(r + 24), total = Le32(r + 28);
        if (polys > size / 4 || total > size || 32 + 4 * polys > size) Unsupported();
        std::vector<uint32_t> counts(polys);
        for (size_t i = 0; i < polys; ++i) counts[i] = Le32(r + 32 + 4 * i);
        pl.PolyPoly(points(32 + 4 * polys, total, small), counts, type == 8 || type == 91);
        break;
      }
      case 9: if (need(16)) pl.dc.wex = S32(r + 8), pl.dc.wey = S32(r + 12); break;   // SETWINDOWEXTEX
      case 10: if (need(16)) pl.dc.wox = S32(r + 8), pl.dc.woy = S32(r + 12); break;  // SETWINDOWORGEX
      case 11: if (need(16)) pl.dc.vex = S32(r + 8), pl.dc.vey = S32(r + 12); break;  // SETVIEWPORTEXTEX
      case 12: if (need(16)) pl.dc.vox = S32(r + 8), pl.dc.voy = S32(r + 12); break;  // SETVIEWPORTORGEX
      case 31: case 32:  // SCALEVIEWPORTEXTEX, SCALEWINDOWEXTEX: x numerator, x denominator, then y
        if (!need(24)) break;
        if (type == 31) Player::ScaleExtents(pl.dc.vex, pl.dc.vey, S32(r + 8), S32(r + 12), S32(r + 16), S32(r + 20));
        else Player::ScaleExtents(pl.dc.wex, pl.dc.wey, S32(r + 8), S32(r + 12), S32(r + 16), S32(r + 20));
        break;
      case 15: if (need(20)) pl.Pixel(S32(r + 8), S32(r + 12), pl.Colour(Le32(r + 16))); break;  // SETPIXELV
      case 17: if (need(12)) pl.dc.map_mode = S32(r + 8); break;            // SETMAPMODE
      case 18: if (need(12)) pl.dc.opaque = Le32(r + 8) == 2; break;        // SETBKMODE
      case 19: if (need(12)) pl.dc.winding = Le32(r + 8) == 2; break;       // SETPOLYFILLMODE
      case 57: if (need(12)) pl.dc.clockwise = Le32(r + 8) == 2; break;     // SETARCDIRECTION
      case 22: if (need(12)) pl.dc.align = Le32(r + 8); break;              // SETTEXTALIGN
      case 24: if (need(12)) pl.dc.text = pl.Colour(Le32(r + 8)); break;     // SETTEXTCOLOR
      case 25: if (need(12)) pl.dc.background = pl.Colour(Le32(r + 8)); break;  // SETBKCOLOR
      case 27: if (need(16)) pl.MoveTo(S32(r + 8), S32(r + 12)); break;     // MOVETOEX
      case 54: if (need(16)) pl.LineTo(S32(r + 8), S32(r + 12)); break;     // LINETO
      case 33: pl.Save(); break;                                            // SAVEDC
      case 34: if (need(12)) pl.Restore(S32(r + 8)); break;                 // RESTOREDC
      case 35: case 36: {                                                   // SET/MODIFYWORLDTRANSFORM
        if (!need(32)) break;
        MetaTransform x{F32(r + 8), F32(r + 12), F32(r + 16), F32(r + 20), F32(r + 24), F32(r + 28)};
        for (double v : {x.m11, x.m12, x.m21, x.m22, x.dx, x.dy})
          if (!std::isfinite(v)) x = MetaTransform{};
        const uint32_t mode = type == 35 ? 4 : need(36) ? Le32(r + 32) : 0;
        if (mode == 1) pl.dc.world = MetaTransform{};
        else if (mode == 2) pl.dc.world = pl.dc.world.After(x);
        else if (mode == 3) pl.dc.world = x.After(pl.dc.world);
        else if (mode == 4) pl.dc.world = x;
        break;
      }
      case 37: case 48: if (need(12)) pl.Select(Le32(r + 8)); break;  // SELECTOBJECT, SELECTPALETTE
      case 40: if (need(12)) pl.objects.erase(Le32(r + 8)); break;    // DELETEOBJECT
      case 38:  // CREATEPEN
        if (need(28)) add_object(Le32(r + 8), PenObject(PenOf(Le32(r + 12), S32(r + 16), pl.Colour(Le32(r + 24)))));
        break;
      case 95: {  // EXTCREATEPEN
        if (!need(44)) break;
        MetaPen pen = PenOf(Le32(r + 28), Le32(r + 32), pl.Colour(Le32(r + 40)));
        if (Le32(r + 36) == 1) pen.style = 5;  // a null brush draws nothing
        add_object(Le32(r + 8), PenObject(pen));
        break;
      }
      case 39:  // CREATEBRUSHINDIRECT
        if (need(24))
          add_object(Le32(r + 8), BrushObject(BrushOf(Le32(r + 12), pl.Colour(Le32(r + 16)), Le32(r + 20))));
        break;
      case 93: case 94:  // pattern brushes: an object all the same
        if (need(12)) add_object(Le32(r + 8), GdiObject{});
        break;
      case 82:  // EXTCREATEFONTINDIRECTW
        if (need(12 + 28 + 64))
          add_object(Le32(r + 8), FontObject(S32(r + 12), S32(r + 20), S32(r + 28), r + 32, Utf16(r + 40, 32)));
        break;
      case 49: {  // CREATEPALETTE
        if (!need(16)) break;
        GdiObject o;
        o.kind = GdiObject::Palette;
        const size_t count = std::min<size_t>(Le16(r + 14), (size - 16) / 4);
        auto colours = std::make_shared<std::vector<MetaColour>>();
        for (size_t i = 0; i < count; ++i) colours->push_back({r[16 + 4 * i], r[17 + 4 * i], r[18 + 4 * i]});
        o.palette = std::move(colours);
        add_object(Le32(r + 8), o);
        break;
      }
      case 42: case 43:  // ELLIPSE, RECTANGLE
        if (!need(24)) break;
        if (type == 42) pl.Ellipse(S32(r + 8), S32(r + 12), S32(r + 16), S32(r + 20));
        else pl.Rectangle(S32(r + 8), S32(r + 12), S32(r + 16), S32(r + 20));
        break;
      case 44:  // ROUNDRECT
        if (need(32)) pl.RoundRect(S32(r + 8), S32(r + 12), S32(r + 16), S32(r + 20), S32(r + 24), S32(r + 28));
        break;
      case 45: case 46: case 47:  // ARC, CHORD, PIE
        if (!need(40)) break;
        pl.ArcShape(type == 45 ? Player::ArcKind::Arc : type == 46 ? Player::ArcKind::Chord : Player::ArcKind::Pie,
                    S32(r + 8), S32(r + 12), S32(r + 16), S32(r + 20), S32(r + 24), S32(r + 28), S32(r + 32),
                    S32(r + 36));
        break;
      case 59: pl.path.clear(), pl.in_path = true; break;  // BEGINPATH
      case 60: pl.in_path = false; break;                   // ENDPATH: kept for the fill or stroke
      case 61:                                              // CLOSEFIGURE
        if (!pl.path.empty()) pl.path.push_back({MetaPathStep::Close, 0, 0});
        break;
      case 62: case 63: case 64:  // FILLPATH, STROKEANDFILLPATH, STROKEPATH
        pl.EmitPath(type != 62, type != 64);
        break;
      case 67: case 68: pl.path.clear(), pl.in_path = false; break;  // SELECTCLIPPATH, ABORTPATH
      case 83: case 84: {  // EXTTEXTOUTA, EXTTEXTOUTW
        if (!need(76)) break;
        const int32_t x = S32(r + 36), y = S32(r + 40);
        const size_t chars = Le32(r + 44), offset = Le32(r + 48);
        const uint32_t options = Le32(r + 52);
        const int32_t box[4] = {S32(r + 56), S32(r + 60), S32(r + 64), S32(r + 68)};
        const size_t bytes = type == 84 ? 2 * chars : chars;
        if (chars > size || offset > size || offset + bytes > size) Unsupported();
        pl.Text(x, y, type == 84 ? Utf16(r + offset, chars) : AnsiText(r + offset, chars), options, box);
        break;
      }
      case 76: case 77: {  // BITBLT, STRETCHBLT
        if (!need(100)) break;
        const int32_t dx = S32(r + 24), dy = S32(r + 28), dw = S32(r + 32), dh = S32(r + 36);
        const uint32_t rop = Le32(r + 40);
        const int32_t sx = S32(r + 44), sy = S32(r + 48);
        const uint32_t off_bmi = Le32(r + 84), cb_bmi = Le32(r + 88), off_bits = Le32(r + 92), cb_bits = Le32(r + 96);
        if (cb_bmi == 0) {
          pl.PatBlt(rop, dx, dy, dw, dh);
          break;
        }
        const bool stretch = type == 77;
        if (stretch && !need(108)) break;
        const int32_t sw = stretch ? S32(r + 100) : dw, sh = stretch ? S32(r + 104) : dh;
        if (rop != kSourceCopy) break;
        if (off_bmi < 100 || uint64_t{off_bmi} + cb_bmi > size || uint64_t{off_bits} + cb_bits > size) Unsupported();
        std::vector<uint8_t> dib(r + off_bmi, r + off_bmi + cb_bmi);
        dib.insert(dib.end(), r + off_bits, r + off_bits + cb_bits);
        auto image = pl.DecodeImage(dib.data(), dib.size());
        pl.Image(std::move(image), sx, TopDownRow(dib.data(), sy, sh), sw, sh, dx, dy, dw, dh);
        break;
      }
      case 81: {  // STRETCHDIBITS
        if (!need(80)) break;
        if (Le32(r + 68) != kSourceCopy) break;
        const int32_t dx = S32(r + 24), dy = S32(r + 28), sx = S32(r + 32), sy = S32(r + 36);
        const int32_t sw = S32(r + 40), sh = S32(r + 44);
        const uint32_t off_bmi = Le32(r + 48), cb_bmi = Le32(r + 52), off_bits = Le32(r + 56), cb_bits = Le32(r + 60);
        const int32_t dw = S32(r + 72), dh = S32(r + 76);
        if (off_bmi < 80 || uint64_t{off_bmi} + cb_bmi > size || uint64_t{off_bits} + cb_bits > size ||
            off_bits < uint64_t{off_bmi} + cb_bmi)
          Unsupported();
        // Colours and rows may be apart: join them into one packed DIB.
        std::vector<uint8_t> dib(r + off_bmi, r + off_bmi + cb_bmi);
        dib.insert(dib.end(), r + off_bits, r + off_bits + cb_bits);
        auto image = pl.DecodeImage(dib.data(), dib.size());
        pl.Image(std::move(image), sx, TopDownRow(dib.data(), sy, sh), sw, sh, dx, dy, dw, dh);
        break;
      }
      default:
        break;  // passed over
    }
    pos += size;
  }
  Unsupported();
}

}  // namespace

MetaDrawing ReadMetafile(const std::vector<uint8_t>& data, int64_t max_map_bytes) {
  Player player(max_map_bytes);
  const bool enhanced = data.size() >= 44 && Le32(data.data()) == 1 && Le32(&data[40]) == 0x464D4520;
  if (enhanced) PlayEmf(data, player);
  else PlayWmf(data, player);
  return std::move(player.drawing);
}

void SetMetafilePainter(MetafilePainter painter) { Painter() = painter; }
MetafilePainter InstalledMetafilePainter() { return Painter(); }

}  // namespace ImageFile
