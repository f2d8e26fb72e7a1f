// The 3-D star view opened from the main window, seen from the side (tilt and
// rotation 0): a flat frame draws its mesh as one line at the height the
// height slider gives R + G + B, and the cells beyond the frame's edge lie at
// the outside mark, whatever the slider.
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "MainRoadFixture.h"
#include "measure/ui/TThreeDGraph.h"
#include "support/WindowControls.h"

namespace {

struct BlackRun {
  int count = 0, first = -1, last = -1;
};

BlackRun BlackOnRow(const QImage& img, int y) {
  BlackRun r;
  for (int x = 0; x < img.width(); ++x)
    if (img.pixelColor(x, y) == QColor(Qt::black)) {
      if (r.count++ == 0) r.first = x;
      r.last = x;
    }
  return r;
}

}  // namespace

TEST(StarViewPicture, FlatFrameNearTheEdgeDrawsTwoLevels) {
  constexpr int kLevel = 60;  // R + G + B = 180
  MainRoadWindow m(Reader::OwnAvi);
  Bitmap24 flat(120, 100);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 120; ++x) flat.Set(x, y, {kLevel, kLevel, kLevel});
  ASSERT_TRUE(WriteAvi(m.Path("flat.avi").string(), {flat, flat}));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("flat.avi")));
  m.Find<QRadioButton>("RadioButton6")->click();  // tracking 'OFF': the object stays where clicked
  m.ClickImage1(10, 90);
  ASSERT_EQ(m.W().Driver.ObjectX[0], 10);
  ASSERT_EQ(m.W().Driver.ObjectY[0], 90);
  m.Click("Button8");  // 'Star Image [3D]'
  TThreeDGraph* view = m.W().ThreeDGraph.data();
  ASSERT_NE(view, nullptr);
  Find<QPushButton>(view, "Button2")->click();  // '0': seen from the side
  Find<TRadioGroup>(view, "RadioGroup1")->Item(1)->click();  // 'Hide'
  // Cells dx = -10..25 lie on the frame (x = 0..35): screen columns 75..250.
  struct Row {
    int slider;
    int frame_row;    // 280 - 180 x (30 - slider) / 30
    int outside_row;  // the outside mark -1 scaled the same way, then a third of it
  } rows[] = {{20, 220, 280}, {10, 160, 281}, {0, 100, 281}, {30, 280, 280}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "slider " << r.slider);
    Find<QSlider>(view, "TrackBar2")->setValue(r.slider);
    const QImage img = Find<QLabel>(view, "TDGImage1")->pixmap().toImage();
    for (int y = 0; y < r.frame_row; ++y) ASSERT_EQ(BlackOnRow(img, y).count, 0) << "row " << y;
    const BlackRun top = BlackOnRow(img, r.frame_row);
    EXPECT_EQ(top.first, r.frame_row == r.outside_row ? 0 : 75);
    EXPECT_EQ(top.last, 250);
    const BlackRun bottom = BlackOnRow(img, r.outside_row);
    EXPECT_EQ(bottom.first, 0);
    EXPECT_EQ(bottom.last, 250);
    for (int y = r.outside_row + 1; y < img.height(); ++y) ASSERT_EQ(BlackOnRow(img, y).count, 0) << "row " << y;
  }
}
