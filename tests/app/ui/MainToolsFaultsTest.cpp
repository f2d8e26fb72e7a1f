// Faults of the main window's tools met through its controls.
#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QLineEdit>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include "MainRoadFixture.h"
#include "support/ShellCommand.h"
#include "base/ui/ControlEvents.h"
#include <functional>

namespace {

// A second object is placed beside object A on the steady-star video.
class TwoObjects : public SteadyStarWindow {
 protected:
  void SetUp() override {
    SteadyStarWindow::SetUp();
    m.ClickImage1(40, 30);
    m.W().Mouse.PopupX = 20;
    m.W().Mouse.PopupY = 20;
    m.W().Mouse.PopupPlacement = true;
    m.Find<QAction>("Add1")->trigger();
    ASSERT_EQ(m.W().Run.ObjectCount, 2);
    m.Find<QRadioButton>("RadioButton7")->click();
    ASSERT_EQ(m.W().Run.SelectedObject, 1);
  }
};

// While 'Direction Setting' waits for its click the object cannot change; the
// object buttons go on showing the object the radii go to.
TEST_F(TwoObjects, ObjectButtonsRefusedInDirectionSettingShowTheSelectedObject) {
  TPlatform& w = m.W();
  m.Find<QRadioButton>("RadioButton2")->click();  // 'Avoid Sunlit Face'
  m.Click("Button7");                             // 'Direction Setting'
  ASSERT_TRUE(w.Run.DirectionSettingMode);
  m.Find<QRadioButton>("RadioButton8")->click();  // object B
  EXPECT_EQ(w.Run.SelectedObject, 1);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton7")->isChecked());
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton8")->isChecked());
}

}  // namespace

namespace {

// The RGB bytes of a picture file as Pillow decodes them, hashed.
std::string PillowRgbMd5(const std::filesystem::path& file) {
  return CommandOutput("/usr/bin/python3 -c \"import hashlib,sys; from PIL import Image; "
                       "print(hashlib.md5(Image.open(sys.argv[1]).convert('RGB').tobytes()).hexdigest())\" '" +
                       file.string() + "'");
}

std::string RgbMd5(const Bitmap24& b) {
  QByteArray rgb;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const Bgr p = b.Get(x, y);
      rgb.append(static_cast<char>(p.r)).append(static_cast<char>(p.g)).append(static_cast<char>(p.b));
    }
  return QCryptographicHash::hash(rgb, QCryptographicHash::Md5).toHex().toStdString() + "\n";
}

// 'Save Image' writes the frame as drawn, outlines included, in a frame of
// odd width and height: Pillow reads back every pixel of the PNG and BMP files.
TEST(SaveImage, PngAndBmpHoldThePixelsShown) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto path = m.Path("odd.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(83, 57, 2, 41.2, 28.9, [](int) { return 1500.0; })));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.ClickImage1(41, 29);
  const Bitmap24 shown = m.ShownImage();
  ASSERT_EQ(shown.Width(), 83);
  ASSERT_EQ(shown.Height(), 57);
  // Object A's aperture outline (radius 6, red while selected) is centred on
  // the position the window shows and reaches 6 pixels each way.
  const int ax = m.Find<QLineEdit>("Edit12")->text().toInt(), ay = m.Find<QLineEdit>("Edit13")->text().toInt();
  int count = 0, sum_x = 0, sum_y = 0, reach_x = 0, reach_y = 0;
  for (int y = 0; y < shown.Height(); ++y)
    for (int x = 0; x < shown.Width(); ++x) {
      const Bgr p = shown.Get(x, y);
      if (p.r != 255 || p.g != 0 || p.b != 0) continue;
      ++count;
      sum_x += x - ax;
      sum_y += y - ay;
      reach_x = std::max(reach_x, std::abs(x - ax));
      reach_y = std::max(reach_y, std::abs(y - ay));
    }
  EXPECT_GT(count, 0);
  EXPECT_EQ(sum_x, 0);
  EXPECT_EQ(sum_y, 0);
  EXPECT_EQ(reach_x, 6);
  EXPECT_EQ(reach_y, 6);
  for (const auto& [type, name] : {std::pair{1, "shot.png"}, std::pair{3, "shot.bmp"}}) {
    SCOPED_TRACE(name);
    m.dialogs.save_file_types = {type};
    m.dialogs.save_file_names = {QString::fromStdString(m.Path(name).string())};
    m.Find<QAction>("SaveImage1")->trigger();
    ASSERT_TRUE(std::filesystem::exists(m.Path(name)));
    EXPECT_EQ(PillowRgbMd5(m.Path(name)), RgbMd5(shown));
  }
}

}  // namespace

namespace {

class PlaybackThenOpen : public SteadyStarWindow {};

// The menu's 'AVI File Open' and 'Load CSV File' may be chosen during
// playback: the new video starts at its first frame, with playback ended.
TEST_F(PlaybackThenOpen, MenuOpenDuringPlaybackEndsThePlayback) {
  TPlatform& w = m.W();
  const auto other = m.Path("other.avi");
  ASSERT_TRUE(WriteSteadyStarVideo(other, 30));
  m.Find<QSlider>("TrackBar1")->setValue(50);
  m.Click("SpeedButton1");
  ASSERT_TRUE(w.Timer1->isActive());
  m.dialogs.open_file_names.push_back(QString::fromStdString(other.string()));
  m.Find<QAction>("AVIRileOpen1")->trigger();
  ASSERT_EQ(bar->maximum(), 29);
  EXPECT_FALSE(w.Run.Playing);
  EXPECT_FALSE(w.Timer1->isActive());
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(bar->value(), 0);
  EXPECT_TRUE(w.CheckBox14->isEnabled());
  EXPECT_TRUE(w.CheckBox7->isEnabled());

  // A table whose video is missing closes the playing video.
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const auto csv = m.Path("t.csv");
  ASSERT_TRUE(m.SaveTableThroughButton6(csv));
  std::filesystem::remove(other);
  ASSERT_TRUE(WriteSteadyStarVideo(other, 30));
  m.dialogs.open_file_names.push_back(QString::fromStdString(other.string()));
  m.Find<QAction>("AVIRileOpen1")->trigger();
  std::filesystem::remove(other);
  m.Click("SpeedButton1");
  ASSERT_TRUE(w.Timer1->isActive());
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Find<QAction>("LoadCSVFile1")->trigger();
  EXPECT_FALSE(w.Run.VideoLoaded);
  EXPECT_FALSE(w.Run.Playing);
  EXPECT_FALSE(w.Timer1->isActive());
  EXPECT_TRUE(w.CheckBox14->isEnabled());
}

}  // namespace

namespace {

// A control that shows the frame again while a run waits for its next tick.
struct RedrawDuringRun {
  const char* name;
  std::function<void(MainRoadWindow&)> act;
};

class RedrawDuringRunTest : public SteadyStarWindow, public ::testing::WithParamInterface<RedrawDuringRun> {};

// The frame shown again during a run is not measured again: every frame has
// its one row, in turn.
TEST_P(RedrawDuringRunTest, NoFrameGetsASecondRow) {
  TPlatform& w = m.W();
  m.ClickImage1(40, 30);
  auto* speed = m.Find<QSlider>("TrackBar1");
  speed->setValue(1000);
  m.Click("Button3");
  ASSERT_TRUE(w.Run.MeasuringRun);
  GetParam().act(m);
  EXPECT_TRUE(w.Run.MeasuringRun);
  speed->setValue(1);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 11));
}

INSTANTIATE_TEST_SUITE_P(
    Controls, RedrawDuringRunTest,
    ::testing::Values(RedrawDuringRun{"FilingCabinetAdjust", [](MainRoadWindow& m) {
                        auto* up = m.Find<TUpDown>("UpDown10");
                        up->setValue(up->value() + 1);
                      }},
                      RedrawDuringRun{"AutoLocationForLed", [](MainRoadWindow& m) {
                        m.Find<QCheckBox>("CheckBox22")->click();
                      }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// 'Direction Setting' near the frame's right edge, in a frame of odd size:
// the magnifier shows the frame's own pixels, the direction line runs 26 to
// 50 pixels from the object, and nothing is drawn past the edge.
TEST(Magnifier, NearTheRightEdgeOfAnOddFrame) {
  MainRoadWindow m(Reader::OwnAvi);
  const std::vector<Bitmap24> frames = StarFrames(81, 61, 2, 70.3, 40.2, [](int) { return 1500.0; });
  ASSERT_TRUE(WriteAvi(m.Path("edge.avi").string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("edge.avi")));
  m.ClickImage1(70, 40);
  TPlatform& w = m.W();
  m.Find<QRadioButton>("RadioButton3")->click();  // 'Meteor/Lunar Limb'
  m.Click("Button7");                             // 'Direction Setting'
  ASSERT_TRUE(w.Run.DirectionSettingMode);
  const int cx = w.Driver.MagnifierX[0], cy = w.Driver.MagnifierY[0];
  ASSERT_GE(cx, 81 - 50);
  QLabel* image = m.Find<QLabel>("Image1");
  QMouseEvent move(QEvent::MouseMove, QPointF(cx - 20, cy), image->mapToGlobal(QPointF(cx - 20, cy)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(image, &move);
  ASSERT_EQ(w.Driver.Geometry[0].DirectionX, -20);
  ASSERT_EQ(w.Driver.Geometry[0].DirectionY, 0);

  const Bitmap24 shown = m.ShownImage();
  ASSERT_EQ(shown.Width(), 81);
  ASSERT_EQ(shown.Height(), 61);
  const auto is = [](Bgr p, int r, int g, int b) { return p.r == r && p.g == g && p.b == b; };
  // The line: one pixel per column, straight left of the object.
  for (int x = cx - 50; x <= cx - 26; ++x) EXPECT_TRUE(is(shown.Get(x, cy), 0, 255, 0)) << x;
  EXPECT_FALSE(is(shown.Get(cx - 25, cy), 0, 255, 0));
  EXPECT_FALSE(is(shown.Get(cx - 51, cy), 0, 255, 0));
  // Off the line and the outlines, the patch is the frame itself.
  int same = 0, other = 0;
  for (int y = std::max(0, cy - 50); y < 61; ++y)
    for (int x = std::max(0, cx - 50); x < 81; ++x) {
      const Bgr s = shown.Get(x, y), f = frames[0].Get(x, y);
      const bool overlay = is(s, 0, 255, 0) || is(s, 255, 0, 0);
      if (overlay) continue;
      (s.r == f.r && s.g == f.g && s.b == f.b ? same : other) += 1;
    }
  EXPECT_EQ(other, 0);
  EXPECT_GT(same, 1000);
}

}  // namespace
