#include "ImageFileLib/ui/MetafilePainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "ImageFileLib/MetafileRecords.h"

namespace ImageFile {

namespace {

QColor ToQColor(const MetaColour& c) { return QColor(c.r, c.g, c.b); }

QTransform ToQTransform(const MetaTransform& t) { return QTransform(t.m11, t.m12, t.m21, t.m22, t.dx, t.dy); }

QPainterPath ToPath(const std::vector<MetaPathStep>& steps, bool winding) {
  QPainterPath path;
  path.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
  for (size_t i = 0; i < steps.size(); ++i) {
    const MetaPathStep& s = steps[i];
    switch (s.kind) {
      case MetaPathStep::Move: path.moveTo(s.x, s.y); break;
      case MetaPathStep::Line: path.lineTo(s.x, s.y); break;
      case MetaPathStep::Close: path.closeSubpath(); break;
      case MetaPathStep::Cubic:
        if (i + 2 < steps.size() && steps[i + 1].kind == MetaPathStep::Cubic && steps[i + 2].kind == MetaPathStep::Cubic) {
          path.cubicTo(s.x, s.y, steps[i + 1].x, steps[i + 1].y, steps[i + 2].x, steps[i + 2].y);
          i += 2;
        } else {
          path.lineTo(s.x, s.y);
        }
        break;
    }
  }
  return path;
}

QPen ToQPen(const MetaPen& p) {
  static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};
  QPen pen(ToQColor(p.colour));
  pen.setStyle(styles[std::clamp(p.style, 0, 4)]);
  // Width 0 is one pixel whatever the mapping; wider pens scale with it.
  if (p.width <= 0) {
    pen.setWidth(0);
    pen.setCosmetic(true);
  } else {
    pen.setWidthF(p.width);
  }
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

void DrawPath(QPainter& painter, const MetaShape& s) {
  painter.setTransform(ToQTransform(s.transform));
  const QPainterPath path = ToPath(s.path, s.winding);
  if (s.fill && !s.brush.none) {
    if (s.brush.hatch < 0) {
      painter.fillPath(path, ToQColor(s.brush.colour));
    } else {
      static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                               Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
      if (s.opaque_background) painter.fillPath(path, ToQColor(s.background));
      painter.fillPath(path, QBrush(ToQColor(s.brush.colour), hatches[s.brush.hatch]));
    }
  }
  if (s.stroke && s.pen.Visible()) {
    QPen pen = ToQPen(s.pen);
    if (s.pen.style != 0 && s.opaque_background) {
      // Gaps of dashed lines show the background colour.
      QPen under(pen);
      under.setStyle(Qt::SolidLine);
      under.setColor(ToQColor(s.background));
      painter.strokePath(path, under);
    }
    painter.strokePath(path, pen);
  }
}

// Text stands upright whatever the mapping: only its reference point and its
// height are mapped.
void DrawText(QPainter& painter, const MetaShape& s, double largest) {
  const MetaTransform& t = s.transform;
  const QPointF at(t.MapX(s.x, s.y), t.MapY(s.x, s.y));
  const double scale = std::hypot(t.m21, t.m22);
  double height = std::abs(s.font.height) * scale;
  if (s.font.height > 0) height *= 0.8;  // a cell height: the characters are about four fifths of it
  if (s.font.height == 0) height = 16;  // the default font
  // Letters mapped below a pixel stay that small; letters beyond the picture
  // cost time and show nothing more.
  height = std::clamp(height, 1.0, largest);
  QFont font(s.font.face.empty() ? QStringLiteral("Sans Serif") : QString::fromStdString(s.font.face));
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(height))));
  font.setWeight(static_cast<QFont::Weight>(std::clamp(s.font.weight > 0 ? s.font.weight / 10 : 40, 1, 1000)));
  font.setItalic(s.font.italic);
  font.setUnderline(s.font.underline);
  font.setStrikeOut(s.font.strike_out);
  font.setStyleStrategy(QFont::NoAntialias);
  painter.setFont(font);
  const QString text = QString::fromStdString(s.text);
  const QFontMetricsF metrics(font);
  const double width = metrics.horizontalAdvance(text);
  double dx = 0, dy = 0;
  switch (s.align & 6) {
    case 2: dx = -width; break;      // TA_RIGHT
    case 6: dx = -width / 2; break;  // TA_CENTER
    default: break;
  }
  switch (s.align & 24) {
    case 8: dy = -metrics.descent(); break;  // TA_BOTTOM
    case 24: break;                          // TA_BASELINE
    default: dy = metrics.ascent(); break;   // TA_TOP
  }
  painter.setTransform(QTransform());
  painter.translate(at);
  painter.rotate(-s.font.angle / 10);
  if (s.opaque_background)
    painter.fillRect(QRectF(dx, dy - metrics.ascent(), width, metrics.height()), ToQColor(s.background));
  painter.setPen(ToQColor(s.text_colour));
  painter.drawText(QPointF(dx, dy), text);
}

// No smoothing: a drawing keeps exactly its own colours, as on a plain screen.
void PaintShapes(const std::vector<const MetaShape*>& shapes, TLinearBitmap& picture) {
  const int w = picture.Width, h = picture.Height;
  QImage image(w, h, QImage::Format_RGB32);
  if (image.isNull()) throw ELinearBitmap("Out of memory");
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = picture.ScanLine(y);
    auto* d = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x, s += 3) d[x] = qRgb(s[2], s[1], s[0]);
  }
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    for (const MetaShape* shape : shapes) {
      if (shape->kind == MetaShape::Path) DrawPath(painter, *shape);
      else if (shape->kind == MetaShape::Text) DrawText(painter, *shape, 2.0 * (w + h));
    }
  }
  for (int y = 0; y < h; ++y) {
    uint8_t* d = picture.ScanLine(y);
    const auto* s = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < w; ++x, d += 3) d[0] = qBlue(s[x]), d[1] = qGreen(s[x]), d[2] = qRed(s[x]);
  }
}

}  // namespace

void InstallMetafilePainter() { SetMetafilePainter(&PaintShapes); }

}  // namespace ImageFile
