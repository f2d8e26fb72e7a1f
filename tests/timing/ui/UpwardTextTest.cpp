// The timing graphs' upward axis caption: read bottom to top, its first letter
// at the given point, its top towards the left edge of the picture.
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "timing/ui/TimingMemo.h"

namespace {

TEST(UpwardText, LiesAboveAndRightOfItsAnchor) {
  struct Case {
    int x, y;
  };
  const QString text = "Luminous intensity";
  for (const Case c : {Case{10, 280}, Case{4, 150}, Case{40, 299}}) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    QImage picture(120, 300, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setPen(Qt::black);
    const QFontMetrics metrics = p.fontMetrics();
    DrawUpwardText(p, c.x, c.y, text);
    p.end();
    int lowest = -1, highest = picture.height();
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) {
        if (picture.pixelColor(x, y) == QColor(Qt::white)) continue;
        EXPECT_GE(x, c.x);
        EXPECT_LT(x, c.x + metrics.height());
        lowest = std::max(lowest, y);
        highest = std::min(highest, y);
      }
    // The first letter starts at the anchor and the caption runs upwards.
    ASSERT_GE(lowest, 0);
    EXPECT_LE(lowest, c.y);
    EXPECT_GT(lowest, c.y - metrics.horizontalAdvance("L") - 2);
    EXPECT_GE(highest, c.y - metrics.horizontalAdvance(text) - 1);
    EXPECT_LT(highest, c.y - metrics.horizontalAdvance(text) / 2);
  }
}

}  // namespace
