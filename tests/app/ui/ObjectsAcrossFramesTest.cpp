// Objects A, B and C when the frame under them changes: a second video of
// another size, or a still picture of another size than the open video.
#include <QLabel>
#include <QImage>
#include <QLineEdit>

#include "ObjectsFixture.h"
#include "support/BrokenFiles.h"

namespace {

// A steady star at (sx, sy) in every frame of a w x h video.
std::vector<Bitmap24> SteadyStar(int w, int h, double sx, double sy, int frames = 6) {
  return StarFrames(w, h, frames, sx, sy, [](int) { return 1500.0; });
}

// Object A's aperture sum less its background, from the row's cells.
double NetFluxA(const std::string& row) {
  auto cell = [&](int c) { return std::stod(StripQuotes(GetCsvField(row, c))); };
  return cell(17) - cell(19) * cell(18) / cell(20);
}

int ErrorCount(const MainRoadWindow& m) {
  return static_cast<int>(std::count_if(m.dialogs.messages.begin(), m.dialogs.messages.end(),
                                        [](const auto& msg) { return msg.kind == MessageKind::Error; }));
}

struct SecondVideo {
  const char* name;
  int width, height;
  bool a_inside;  // A's start position (40, 40) lies in the second video's frame
  bool star_whole;  // the star at (40, 40) lies wholly inside it too
};

class ObjectAcrossVideos : public ::testing::TestWithParam<SecondVideo> {};

// A placed on the star of an 80 x 60 video, then 'Open AVI' of a second one:
// A goes back to its start position (40, 40), where it stands on no star and
// is no longer outlined. Where that lies outside the new frame, START and
// '1Frame' say so instead of writing rows of 0; inside it, A is measured there.
TEST_P(ObjectAcrossVideos, AnObjectOutsideTheNewFrameIsToldBeforeARun) {
  const SecondVideo v = GetParam();
  ObjectsWindow m;
  ASSERT_TRUE(m.OpenFrames(SteadyStar(80, 60, 20.2, 14.9), "first.avi"));
  m.ClickImage1(20, 15);
  TPlatform& w = m.W();
  ASSERT_TRUE(w.Stars.ObjectPlaced[0]);
  ASSERT_NEAR(w.Frames.FrameDataLines[0].Objects[0].X, 20, 1);

  // The second video's star sits at A's start position when that is inside
  // its frame, else in a far corner, beyond the reach of A's tracking.
  const double sx = v.a_inside ? 40 : 5, sy = v.a_inside ? 40 : 5;
  ASSERT_TRUE(m.OpenFrames(SteadyStar(v.width, v.height, sx, sy), "second.avi"));
  const ObjectResult& a = w.Frames.FrameDataLines[0].Objects[0];
  if (!v.a_inside) {
    EXPECT_EQ(std::pair(a.X, a.Y), std::pair(40, 40));
  }
  EXPECT_FALSE(w.Stars.ObjectPlaced[0]);
  EXPECT_EQ(m.Find<QLabel>("Image1")->size(), QSize(v.width, v.height));
  m.dialogs.messages.clear();

  for (const char* button : {"Button16", "Button3"}) {
    SCOPED_TRACE(button);
    m.Click(button);
    ASSERT_TRUE(m.WaitUntilStopped());
    if (v.a_inside) {
      EXPECT_EQ(ErrorCount(m), 0);
      ASSERT_FALSE(m.Rows().empty());
      if (v.star_whole) {
        EXPECT_NEAR(NetFluxA(m.Rows().back()), 1500.0, 100.0) << m.Rows().back();
      }
    } else {
      ASSERT_EQ(ErrorCount(m), 1);
      const std::string text = m.dialogs.messages.back().text.toStdString();
      EXPECT_NE(text.find("Object A"), std::string::npos) << text;
      EXPECT_TRUE(IsClearMessage(m.dialogs.messages.back().text)) << text;
      EXPECT_TRUE(m.Rows().empty());
      EXPECT_FALSE(w.Run.MeasuringRun);
      m.dialogs.messages.clear();
    }
  }
  if (v.a_inside) return;
  // Placed on the new video's star, A is measured.
  m.ClickImage1(5, 5);
  EXPECT_TRUE(w.Stars.ObjectPlaced[0]);
  m.Click("Button16");
  EXPECT_EQ(ErrorCount(m), 0);
  ASSERT_EQ(m.Rows().size(), 1u);
  EXPECT_NEAR(NetFluxA(m.Rows()[0]), 1500.0, 100.0) << m.Rows()[0];
}

INSTANTIATE_TEST_SUITE_P(Sizes, ObjectAcrossVideos,
                         ::testing::Values(SecondVideo{"Smaller", 40, 30, false, false},
                                           SecondVideo{"Narrower", 30, 80, false, false},
                                           SecondVideo{"Lower", 80, 30, false, false},
                                           SecondVideo{"JustInside", 41, 41, true, false},
                                           SecondVideo{"Larger", 120, 90, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A 24-bit BMP of a dark field with a bright 5 x 5 square centred on (sx, sy).
std::string WriteStill(const std::filesystem::path& path, int w, int h, int sx, int sy) {
  QImage image(w, h, QImage::Format_RGB888);
  image.fill(QColor(20, 20, 20));
  for (int y = sy - 2; y <= sy + 2; ++y)
    for (int x = sx - 2; x <= sx + 2; ++x) image.setPixelColor(x, y, QColor(220, 220, 220));
  EXPECT_TRUE(image.save(QString::fromStdString(path.string()), "BMP"));
  return path.string();
}

// 'Load bmp' of a still larger than the open video: the whole still can be
// seen and clicked, and a star in the part beyond the video's frame is placed
// and measured. Back to the video (the dialog cancelled), Image1 is the
// video's size again.
TEST(ObjectsOnStill, ALargerStillIsShownWholeAndItsFarStarCanBePlaced) {
  ObjectsWindow m;
  ASSERT_TRUE(m.OpenFrames(SteadyStar(40, 30, 20, 15), "small.avi"));
  QLabel* image = m.Find<QLabel>("Image1");
  ASSERT_EQ(image->size(), QSize(40, 30));
  m.dialogs.open_file_names = {QString::fromStdString(WriteStill(m.Path("big.bmp"), 120, 90, 100, 70))};
  m.Click("Button22");
  TPlatform& w = m.W();
  ASSERT_TRUE(w.Still.BmpMode);
  EXPECT_EQ(image->size(), QSize(120, 90));
  EXPECT_EQ(m.ShownImage().Width(), 120);

  m.ClickImage1(100, 70);
  const ObjectResult& a = w.Frames.FrameDataLines[0].Objects[0];
  EXPECT_EQ(std::pair(a.X, a.Y), std::pair(100, 70));
  m.dialogs.messages.clear();
  m.Click("Button16");
  EXPECT_EQ(ErrorCount(m), 0);
  ASSERT_EQ(m.Rows().size(), 1u);
  // 25 pixels 200 above the background inside the aperture.
  EXPECT_NEAR(NetFluxA(m.Rows()[0]), 25 * 200.0, 25 * 4.0) << m.Rows()[0];

  // 'Object Star Add' from the menu bar: B goes to the middle of the still.
  m.Trigger("Add1");
  ASSERT_EQ(w.Run.ObjectCount, 2);
  const ObjectResult& b = w.Frames.FrameDataLines[0].Objects[1];
  EXPECT_NEAR(b.X, 60, 2);
  EXPECT_NEAR(b.Y, 45, 2);

  m.dialogs.open_file_names = {QString()};
  m.Click("Button22");
  EXPECT_FALSE(w.Still.BmpMode);
  EXPECT_EQ(image->size(), QSize(40, 30));
}

// A, B and C placed on a 160 x 120 video, then a 40 x 30 still: B and C lie
// beyond it. A run is refused with a word naming the first of them.
TEST(ObjectsOnStill, ObjectsBeyondASmallerStillAreToldBeforeARun) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0, 0);
  ASSERT_TRUE(m.OpenField(f));
  m.PlaceThree(f);
  TPlatform& w = m.W();
  ASSERT_EQ(w.Run.ObjectCount, 3);
  m.dialogs.open_file_names = {QString::fromStdString(WriteStill(m.Path("small.bmp"), 40, 30, 35, 25))};
  m.Click("Button22");
  ASSERT_TRUE(w.Still.BmpMode);
  m.dialogs.messages.clear();
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(ErrorCount(m), 1);
  const std::string text = m.dialogs.messages.back().text.toStdString();
  EXPECT_NE(text.find("Object B"), std::string::npos) << text;
  EXPECT_TRUE(m.Rows().empty());
}

// While a still of another size than the video is shown, 'Size' tells the
// still's size and 'Auto Location for LED' puts the LED box 20 pixels in from
// the still's right edge (ticked, and when A is placed); back to the video,
// 'Size' is the video's again.
TEST(ObjectsOnStill, SizeAndTheAutoLedBoxFollowTheShownStill) {
  struct Row {
    const char* name;
    int width, height, sx, sy;
  };
  const Row rows[] = {{"larger", 120, 90, 100, 70}, {"smaller", 40, 30, 30, 20}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ObjectsWindow m;
    ASSERT_TRUE(m.OpenFrames(SteadyStar(80, 60, 40, 30), "video.avi"));
    TPlatform& w = m.W();
    auto* size_w = m.Find<QLineEdit>("Edit48");
    auto* size_h = m.Find<QLineEdit>("Edit49");
    ASSERT_EQ(std::pair(size_w->text(), size_h->text()), std::pair(QString("80"), QString("60")));
    m.dialogs.open_file_names = {QString::fromStdString(WriteStill(m.Path("still.bmp"), r.width, r.height, r.sx, r.sy))};
    m.Click("Button22");
    ASSERT_TRUE(w.Still.BmpMode);
    EXPECT_EQ(size_w->text(), QString::number(r.width));
    EXPECT_EQ(size_h->text(), QString::number(r.height));

    m.Find<QCheckBox>("CheckBox22")->click();
    EXPECT_EQ(w.Marks.Signal1X, r.width - 20);
    w.Marks.Signal1X = 0;
    m.ClickImage1(r.sx, r.sy);
    EXPECT_EQ(std::pair(w.Marks.Signal1X, w.Marks.Signal1Y), std::pair(r.width - 20, r.sy));

    m.dialogs.open_file_names = {QString()};
    m.Click("Button22");
    ASSERT_FALSE(w.Still.BmpMode);
    EXPECT_EQ(std::pair(size_w->text(), size_h->text()), std::pair(QString("80"), QString("60")));
    EXPECT_EQ(ErrorCount(m), 0);
  }
}

}  // namespace
