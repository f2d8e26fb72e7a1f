// The histogram and the 3-D star-profile windows driven through their controls.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <gtest/gtest.h>

#include "base/ui/ControlEvents.h"
#include "measure/ui/THistogram.h"
#include "measure/ui/TThreeDGraph.h"

namespace {

template <class T>
T* Child(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}

void ChooseItem(QWidget* w, const char* group, const char* caption) {
  for (QRadioButton* b : Child<QWidget>(w, group)->findChildren<QRadioButton*>())
    if (b->text() == caption) b->click();
}

Bitmap24 Grey(int w, int h, uint8_t level) {
  Bitmap24 bmp(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp.Set(x, y, {level, level, level});
  return bmp;
}

bool Navy(const QImage& img, int x, int y) { return img.pixelColor(x, y) == QColor(0, 0, 0x80); }

TEST(HistogramWindow, UniformGreyBarAndGainWithoutRecount) {
  Bitmap24 shown = Grey(40, 30, 100);
  auto* w = new THistogram(shown, nullptr);
  EXPECT_EQ(w->Bins[100], 40 * 30);
  QImage img = w->Drawing();
  // One bar at columns 230..231, 250 pixels high at gain 1.
  for (int x : {230, 231}) {
    EXPECT_TRUE(Navy(img, x, 529));
    EXPECT_TRUE(Navy(img, x, 280));
    EXPECT_FALSE(Navy(img, x, 279));
  }
  EXPECT_FALSE(Navy(img, 229, 400));
  EXPECT_FALSE(Navy(img, 232, 400));

  shown = Grey(40, 30, 7);  // a new frame that is not counted by the gain
  auto* gain = Child<QSpinBox>(w, "UpDown1");
  gain->stepUp();
  EXPECT_EQ(Child<QLineEdit>(w, "Edit1")->text(), "2");
  img = w->Drawing();
  EXPECT_TRUE(Navy(img, 230, 31));  // 500 pixels: up to row 30
  EXPECT_FALSE(Navy(img, 2 * 7 + 30, 500));
  w->DrawHistogram();
  EXPECT_EQ(w->Bins[7], 40 * 30);
  EXPECT_EQ(w->Bins[100], 0);
  delete w;
}

TEST(HistogramWindow, EmptyFrameShowsOnlyTheAxes) {
  Bitmap24 none;
  auto* w = new THistogram(none, nullptr);
  const QImage img = w->Drawing();
  for (int x = 31; x < 550; x += 7) EXPECT_FALSE(Navy(img, x, 500)) << x;
  EXPECT_EQ(img.pixelColor(30, 300), QColor(Qt::black));
  delete w;
}

struct Graph {
  ProfileGrids grids;
  ApertureClassMap classes{};
  TThreeDGraph* w = nullptr;
  Graph() {
    // A 3 x 3 bright block (R+G+B = 300) around the object at (30, 30).
    Bitmap24 frame = Grey(60, 60, 10);
    for (int y = 29; y <= 31; ++y)
      for (int x = 29; x <= 31; ++x) frame.Set(x, y, {100, 100, 100});
    for (int dx = -2; dx <= 2; ++dx)
      for (int dy = -2; dy <= 2; ++dy) classes[0].At(dx, dy) = (dx * dx + dy * dy <= 1) ? 1 : 2;
    w = new TThreeDGraph(grids, classes, nullptr);
    w->ThreeDPixelread(1, frame, 30, 30, 60, 60);
    w->ThreeDGraphDraw(1);
  }
  ~Graph() { delete w; }
  int Lines() const {
    int n = 0;
    for (const auto& i : w->LastDrawing) n += i.IsQuad ? 0 : 1;
    return n;
  }
};

TEST(ThreeDGraphWindow, ControlsTurnTiltSmoothAndHide) {
  Graph g;
  TThreeDGraph* w = g.w;
  EXPECT_EQ(g.grids.Raw[0].At(0, 0), 300);
  EXPECT_EQ(g.grids.Height[0].At(0, 0), 300);  // slider at 20: x 1
  EXPECT_EQ(g.grids.Height[0].At(5, 5), 30);
  EXPECT_EQ(w->LastDrawing.size() - size_t(g.Lines()), 2500u);
  EXPECT_GT(g.Lines(), 0);

  struct Step {
    const char* button;
    double rotation, tilt;
    int slider;
  };
  const Step steps[] = {
      {"Button3", 30, -30, 30},       // the right '-30' turns by +30
      {"Button4", 0, -30, 0},         // the left one by -30
      {"Button4", -30, -30, -30},
      {"SpeedButton3", -27, -30, -27},
      {"SpeedButton1", -27, -27, -27},
      {"SpeedButton2", -27, -30, -27},
      {"SpeedButton4", -30, -30, -30},
      {"Button2", 0, 0, -30},         // '0' leaves the slider
  };
  for (const Step& s : steps) {
    Child<QPushButton>(w, s.button)->click();
    EXPECT_DOUBLE_EQ(w->View.Rotation, s.rotation) << s.button;
    EXPECT_DOUBLE_EQ(w->View.Tilt, s.tilt) << s.button;
    EXPECT_EQ(Child<QSlider>(w, "TrackBar1")->value(), s.slider) << s.button;
  }
  Child<QSlider>(w, "TrackBar1")->setValue(60);
  EXPECT_DOUBLE_EQ(w->View.Rotation, 60);
  // The third traversal starts at the far corner.
  EXPECT_EQ(w->LastDrawing[0].Points[0], ProjectProfilePoint(25, -25, 30, w->View));

  ChooseItem(w, "MedianSelect", "3");
  EXPECT_EQ(w->View.Size, ProfileSmoothing::Size3);
  ChooseItem(w, "RadioGroup2", "Median");
  EXPECT_TRUE(w->View.Median);
  ChooseItem(w, "RadioGroup1", "Hide");
  EXPECT_EQ(g.Lines(), 0);
  EXPECT_EQ(w->LastDrawing.size(), 2500u);

  Child<QSlider>(w, "TrackBar2")->setValue(30);  // flat
  for (int32_t h : g.grids.Height[0].Cells) EXPECT_EQ(h, 0);
  Child<QSlider>(w, "TrackBar2")->setValue(10);  // twice the sum
  EXPECT_EQ(g.grids.Height[0].At(0, 0), 600);
  // One arrow key moves the slider by a whole step of 10.
  Child<QSlider>(w, "TrackBar2")->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(Child<QSlider>(w, "TrackBar2")->value(), 20);
  EXPECT_EQ(g.grids.Height[0].At(0, 0), 300);
  EXPECT_FALSE(w->findChild<QLabel*>("TDGImage1")->pixmap().isNull());
}

// The height slider has 0 at its top: the up arrow key moves its handle up,
// towards 0 and a taller surface, and the down arrow key back down.
TEST(ThreeDGraphWindow, HeightSliderKeysMoveTheHandleTheirWay) {
  Graph g;
  QSlider* slider = Child<QSlider>(g.w, "TrackBar2");
  ASSERT_EQ(slider->value(), 20);
  const struct {
    Qt::Key key;
    int value, height;
  } presses[] = {{Qt::Key_Up, 10, 600}, {Qt::Key_Up, 0, 900}, {Qt::Key_Down, 10, 600}, {Qt::Key_PageDown, 20, 300}};
  for (const auto& p : presses) {
    QKeyEvent press(QEvent::KeyPress, p.key, Qt::NoModifier);
    QApplication::sendEvent(slider, &press);
    EXPECT_EQ(slider->value(), p.value) << p.key;
    EXPECT_EQ(g.grids.Height[0].At(0, 0), p.height) << p.key;
  }
}

}  // namespace
