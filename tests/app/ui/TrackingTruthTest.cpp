// Stars on known paths (a jump, a fade, a drift), placed and measured through
// the main window; every row is held against where the star was drawn.
#include <QCheckBox>
#include <QSpinBox>
#include <functional>

#include "ObjectsFixture.h"
#include "base/NumberText.h"

namespace {

using StarPath = std::function<std::vector<GaussianStar>(int n)>;

std::vector<Bitmap24> PathFrames(int count, const StarPath& stars, double noise, int width = 160, int height = 120) {
  std::vector<Bitmap24> out;
  for (int n = 0; n < count; ++n)
    out.push_back(RenderGaussianStars(width, height, 25, stars(n), {noise, static_cast<uint32_t>(n + 1)}));
  return out;
}

// Tracking radius of object k in a result row (the cell after its mode).
int RowTrackRadius(const std::string& row, int k) {
  return StrToIntOrZero(StripQuotes(GetCsvField(row, 17 + 17 * (k - 1) + 15)));
}

// A star placed by a click keeps the tracking radius the window shows: the
// rows record it and the tracking uses it, so a jump of (3, 2) pixels, within
// the radius of 4 placement leaves at least, is followed by either tracking.
TEST(TrackingTruth, PlacedStarTracksWithTheRadiusShownAndFollowsAJump) {
  const StarPath jump = [](int n) {
    const double shift = n >= 20 ? 1 : 0;
    return std::vector<GaussianStar>{{60.3 + 3 * shift, 50.2 + 2 * shift, 150, 2.0}};
  };
  struct Case {
    const char* name;
    bool profile;  // 'Tracking': the profile match instead of the centroid
  };
  for (const Case c : {Case{"centroid", false}, Case{"profile", true}}) {
    ObjectsWindow m;
    ASSERT_TRUE(m.OpenFrames(PathFrames(40, jump, 2.0))) << c.name;
    m.Find<QCheckBox>("CheckBox15")->setChecked(c.profile);
    m.ClickImage1(60, 50);
    const int shown = m.Find<QSpinBox>("UpDown5")->value();
    EXPECT_GE(shown, 4) << c.name;
    EXPECT_EQ(m.W().Frames.FrameDataLines[0].Objects[0].TrackRadius, shown) << c.name;
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped()) << c.name;
    const std::vector<std::string> rows = m.Rows();
    ASSERT_EQ(rows.size(), 40u) << c.name;
    for (int n = 0; n < 40; ++n) {
      const std::string& row = rows[static_cast<size_t>(n)];
      const GaussianStar s = jump(n)[0];
      ASSERT_TRUE(OnStar(ObjectsWindow::RowPosition(row, 1), s.X, s.Y)) << c.name << ", frame " << n;
      ASSERT_EQ(RowTrackRadius(row, 1), shown) << c.name << ", frame " << n;
    }
  }
}

// A table saved with a tracking radius of 12 and loaded into a fresh window:
// the radius the window shows is the one the run tracks with, so a star that
// jumps 9 pixels to the right is held.
TEST(TrackingTruth, LoadedTableTracksWithItsOwnRadius) {
  const StarPath jump = [](int n) { return std::vector<GaussianStar>{{60.3 + (n >= 15 ? 9 : 0), 50.2, 150, 2.0}}; };
  ObjectsWindow first;
  ASSERT_TRUE(first.OpenFrames(PathFrames(30, jump, 2.0)));
  first.ClickImage1(60, 50);
  first.SetTrackRadius(12);
  first.Click("Button16");  // '1Frame': the row of frame 0
  const auto csv = first.Path("radius12.csv");
  first.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  first.Click("Button6");
  ASSERT_TRUE(std::filesystem::exists(csv));

  ObjectsWindow m;
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  ASSERT_EQ(m.Find<QSpinBox>("UpDown5")->value(), 12);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 30u);
  for (int n = 0; n < 30; ++n) {
    const GaussianStar s = jump(n)[0];
    ASSERT_TRUE(OnStar(ObjectsWindow::RowPosition(rows[static_cast<size_t>(n)], 1), s.X, s.Y)) << "frame " << n;
  }
}

}  // namespace
