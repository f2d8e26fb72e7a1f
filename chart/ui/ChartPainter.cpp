#include "chart/ui/ChartPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <vector>

QColor ToQColor(Rgb c) { return QColor(c.R, c.G, c.B); }

namespace {

// Pixels of a filled ellipse in a box of w x h: 1 inside, 2 on its outline
// (an inside pixel with a 4-neighbour outside). Cached per box size, since a
// drawing of 100,000 records stamps the same few circles over and over.
struct EllipseMask {
  int w = 0, h = 0;
  std::vector<uint8_t> cells;
};

const EllipseMask& MaskFor(int w, int h) {
  thread_local std::vector<EllipseMask> cache;
  for (const EllipseMask& m : cache)
    if (m.w == w && m.h == h) return m;
  EllipseMask m;
  m.w = w;
  m.h = h;
  m.cells.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  const double rx = w / 2.0, ry = h / 2.0, cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
  auto inside = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= w || y >= h) return false;
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0 + 1e-9;
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!inside(x, y)) continue;
      const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
      m.cells[static_cast<size_t>(y * w + x)] = edge ? 2 : 1;
    }
  cache.push_back(std::move(m));
  return cache.back();
}

// Stamps an ellipse (box X1..X2-1, Y1..Y2-1) straight into the image.
void StampEllipse(QImage& image, const DrawOp& op) {
  const int w = op.X2 - op.X1, h = op.Y2 - op.Y1;
  if (w <= 0 || h <= 0 || w > 64 || h > 64) return;
  const EllipseMask& m = MaskFor(w, h);
  const QRgb colours[3] = {0, qRgb(op.Brush.R, op.Brush.G, op.Brush.B), qRgb(op.Pen.R, op.Pen.G, op.Pen.B)};
  const int x0 = std::max(0, -op.X1), x1 = std::min(w, image.width() - op.X1);
  const int y0 = std::max(0, -op.Y1), y1 = std::min(h, image.height() - op.Y1);
  for (int y = y0; y < y1; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(op.Y1 + y)) + op.X1;
    const uint8_t* cells = &m.cells[static_cast<size_t>(y * w)];
    for (int x = x0; x < x1; ++x)
      if (cells[x]) row[x] = colours[cells[x]];
  }
}

}  // namespace

QImage PaintChartPicture(const ChartPicture& picture) {
  QImage image(std::max(picture.Width, 1), std::max(picture.Height, 1), QImage::Format_RGB32);
  image.fill(Qt::white);
  PaintChartOps(image, picture);
  return image;
}

void PaintChartOps(QImage& image, const ChartPicture& picture) {
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  QFont base = p.font();
  base.setPixelSize(11);
  p.setFont(base);
  int last_text_right = 0;
  QPolygon poly;
  for (const DrawOp& op : picture.Ops) {
    switch (op.Kind) {
      case DrawKind::Line:
        p.setPen(ToQColor(op.Pen));
        p.drawLine(op.X1, op.Y1, op.X2, op.Y2);
        break;
      case DrawKind::Polyline: {
        p.setPen(ToQColor(op.Pen));
        poly.resize(static_cast<int>(op.Count));
        for (uint32_t i = 0; i < op.Count; ++i) {
          const auto& pt = picture.Points[op.Index + i];
          poly.setPoint(static_cast<int>(i), pt.first, pt.second);
        }
        if (op.Count == 1)
          p.drawPoint(poly.point(0));
        else
          p.drawPolyline(poly);
        break;
      }
      case DrawKind::Ellipse:
        // The raster engine paints at once, so stamping pixels between the
        // painter's own steps keeps the order of the steps.
        StampEllipse(image, op);
        break;
      case DrawKind::Text: {
        QFont f = base;
        if (op.FontSize > 0) f.setPointSize(op.FontSize);
        f.setBold(op.Bold);
        p.setFont(f);
        const QString text = QString::fromStdString(picture.Texts[op.Index]);
        const QFontMetrics fm(f);
        const int x = op.FollowPrevious ? last_text_right + op.X1 : op.X1;
        const QRect box(x, op.Y1, fm.horizontalAdvance(text), fm.height());
        p.fillRect(box, ToQColor(op.Brush));
        p.setPen(ToQColor(op.Pen));
        p.drawText(x, op.Y1 + fm.ascent(), text);
        last_text_right = box.right() + 1;
        p.setFont(base);
        break;
      }
    }
  }
}
