// 'Direction Setting' draws the 101 x 101 magnifier over the frame around the
// selected object. Near the frame's corners, and on a frame smaller than the
// patch, every shown pixel is checked against the written frame and the
// object's mask: aperture rim red, background rim green, the direction ray
// green, the rest the frame itself; outside the patch the picture stays.
#include <QMouseEvent>
#include <QRadioButton>
#include <cmath>

#include "MainRoadFixture.h"

namespace {

void MoveMouseOver(QWidget* w, int x, int y) {
  QMouseEvent move(QEvent::MouseMove, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

// A cell of class c on the map's rim or beside a cell of another class.
bool RimOf(const ApertureClasses& classes, int dx, int dy, int c) {
  if (std::abs(dx) > 25 || std::abs(dy) > 25 || classes.At(dx, dy) != c) return false;
  if (std::abs(dx) == 25 || std::abs(dy) == 25) return true;
  return classes.At(dx - 1, dy) != c || classes.At(dx + 1, dy) != c || classes.At(dx, dy - 1) != c ||
         classes.At(dx, dy + 1) != c;
}

// Within a pixel of the ray from 26 to 50 pixels off the centre.
bool NearRay(int dx, int dy, int dir_x, int dir_y) {
  const double len = std::hypot(dir_x, dir_y), ux = dir_x / len, uy = dir_y / len;
  const double along = dx * ux + dy * uy, across = std::abs(-dx * uy + dy * ux);
  return along >= 25 && along <= 51 && across <= 1.0;
}

}  // namespace

TEST(MagnifierCorners, PatchShowsTheFrameAndTheMaskCutAtTheFrameEdges) {
  const Bgr red{0, 0, 255}, green{0, 255, 0};
  struct Case {
    int w, h;
    double sx, sy;   // the star
    int mx, my;      // the mouse, which sets the direction
    const char* form;
  } cases[] = {
      {40, 30, 20, 15, 35, 5, "RadioButton3"},  // the patch overhangs all four edges; the ray too
      {40, 30, 3, 3, 30, 20, "RadioButton3"},
      {40, 30, 37, 27, 2, 2, "RadioButton2"},
      {40, 30, 3, 27, 30, 2, "RadioButton3"},
      {120, 100, 112, 93, 60, 50, "RadioButton3"},  // cut at the right and bottom only
      {120, 100, 114, 5, 20, 90, "RadioButton2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << ", star at " << c.sx << ", " << c.sy);
    MainRoadWindow m(Reader::OwnAvi);
    const std::vector<Bitmap24> frames = StarFrames(c.w, c.h, 3, c.sx, c.sy, [](int) { return 3000.0; });
    ASSERT_TRUE(WriteAvi(m.Path("corner.avi").string(), frames));
    ASSERT_TRUE(m.OpenThroughButton1(m.Path("corner.avi")));
    m.ClickImage1(static_cast<int>(c.sx), static_cast<int>(c.sy));
    m.Find<QRadioButton>(c.form)->click();
    const Bitmap24 before = m.ShownImage();
    m.Click("Button7");  // 'Direction Setting'
    ASSERT_TRUE(m.W().Run.DirectionSettingMode);
    MoveMouseOver(m.Find<QLabel>("Image1"), c.mx, c.my);
    const int cx = m.W().Driver.MagnifierX[0], cy = m.W().Driver.MagnifierY[0];
    ASSERT_EQ(cx, static_cast<int>(c.sx));
    ASSERT_EQ(cy, static_cast<int>(c.sy));
    const int dir_x = c.mx - cx, dir_y = c.my - cy;
    ASSERT_EQ(m.W().Driver.Geometry[0].DirectionX, dir_x);
    ASSERT_EQ(m.W().Driver.Geometry[0].DirectionY, dir_y);
    const ApertureClasses& classes = m.W().Driver.Classes[0];
    const Bitmap24 shown = m.ShownImage();
    ASSERT_EQ(shown.Width(), c.w);
    ASSERT_EQ(shown.Height(), c.h);
    int wrong = 0, rim_red = 0, rim_green = 0, ray = 0, ray_room = 0;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        const int dx = x - cx, dy = y - cy;
        const Bgr s = shown.Get(x, y);
        Bgr expected = before.Get(x, y);
        bool may_be_ray = false;
        if (std::abs(dx) <= 50 && std::abs(dy) <= 50) {
          expected = frames[0].Get(x, y);
          if (RimOf(classes, dx, dy, 1)) {
            expected = red;
            ++rim_red;
          } else if (RimOf(classes, dx, dy, 2)) {
            expected = green;
            ++rim_green;
          } else {
            may_be_ray = NearRay(dx, dy, dir_x, dir_y);
            ray_room += may_be_ray ? 1 : 0;
          }
        }
        if (may_be_ray && s == green) {
          ++ray;
          continue;
        }
        if (!(s == expected) && wrong++ < 5)
          ADD_FAILURE() << "pixel " << x << ", " << y << ": shown " << int(s.r) << "," << int(s.g) << "," << int(s.b)
                        << " expected " << int(expected.r) << "," << int(expected.g) << "," << int(expected.b);
      }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(rim_red, 0);
    EXPECT_GT(rim_green, 0);
    // The ray shows wherever it crosses the frame (on the smallest frame not at all).
    EXPECT_EQ(ray > 0, ray_room > 1);
    m.ClickImage1(c.mx, c.my);  // ends the setting
    EXPECT_FALSE(m.W().Run.DirectionSettingMode);
  }
}
