#include "chart/ui/ChartPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

QColor ToQColor(Rgb c) { return QColor(c.R, c.G, c.B); }

QImage PaintChartPicture(const ChartPicture& picture) {
  QImage image(std::max(picture.Width, 1), std::max(picture.Height, 1), QImage::Format_RGB32);
  image.fill(Qt::white);
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
        // The box covers X1..X2-1 and Y1..Y2-1; the outline is drawn inside it.
        p.setPen(ToQColor(op.Pen));
        p.setBrush(ToQColor(op.Brush));
        p.drawEllipse(QRect(op.X1, op.Y1, std::max(op.X2 - op.X1 - 1, 0), std::max(op.Y2 - op.Y1 - 1, 0)));
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
  return image;
}
