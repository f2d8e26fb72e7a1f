// Stars on known paths (a jump, a fade, a drift), placed and measured through
// the main window; every row is held against where the star was drawn.
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QSlider>
#include <QSpinBox>
#include <functional>

#include "ObjectsFixture.h"
#include "app/ui/TSetPredictTrack.h"
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
  ASSERT_TRUE(first.SaveTableThroughButton6(csv));

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

// The table holds one row for each of `frames` frames, with objects
// 1..objects on their stars of `path`.
::testing::AssertionResult RowsOnStars(ObjectsWindow& m, const StarPath& path, int frames, int objects) {
  const std::vector<std::string> rows = m.Rows();
  if (rows.size() != static_cast<size_t>(frames))
    return ::testing::AssertionFailure() << rows.size() << " rows, not " << frames;
  for (int n = 0; n < frames; ++n) {
    const std::vector<GaussianStar> s = path(n);
    for (int k = 1; k <= objects; ++k) {
      const GaussianStar& star = s[static_cast<size_t>(k - 1)];
      const auto at = ObjectsWindow::RowPosition(rows[static_cast<size_t>(n)], k);
      if (!OnStar(at, star.X, star.Y)) return OnStar(at, star.X, star.Y) << ", object " << k << ", frame " << n;
    }
  }
  return ::testing::AssertionSuccess();
}

// A and B drift on straight lines; B is gone for frames 40..44.
std::vector<GaussianStar> BFadesWhileBothDrift(int n) {
  const double fade = n >= 40 && n < 45 ? 0 : 1;
  return {{40.3 + 0.2 * n, 30.2 + 0.1 * n, 150, 2.0}, {70.2 + 0.4 * n, 50.3 + 0.3 * n, 170 * fade, 2.0}};
}

// 'Tracking' ticked, A placed by a click at (40, 30) and B added at (bx, by);
// A is selected again.
void PlaceTrackedPair(ObjectsWindow& m, int bx, int by) {
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);  // 'Tracking'
  m.ClickImage1(40, 30);
  m.RightClickImage1(bx, by);
  m.Trigger("Add1");
  m.Select(1);
}

// The predicted-track window, opened by a right click on 'Estimated track'.
void OpenPredictTrackWindow(QCheckBox* estimated) {
  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(2, 2), estimated->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(estimated, &menu);
}

// 'Object B' ticked in the predicted-track window while A is selected turns
// on B's own estimated track: when B fades for a few frames its rows follow
// the straight line it drifted along, and selecting B shows the tick.
TEST(TrackingTruth, PredictedTrackWindowTickCarriesAnUnselectedObjectThroughAFade) {
  const StarPath drift = BFadesWhileBothDrift;
  ObjectsWindow m;
  ASSERT_TRUE(m.OpenFrames(PathFrames(60, drift, 1.0)));
  TPlatform& w = m.W();
  PlaceTrackedPair(m, 70, 50);
  QCheckBox* estimated = m.Find<QCheckBox>("CheckBox4");
  ASSERT_TRUE(estimated->isEnabled());
  estimated->setChecked(true);
  OpenPredictTrackWindow(estimated);
  ASSERT_TRUE(w.SetPredictTrack);
  w.SetPredictTrack->CheckBox[1]->setChecked(true);  // 'Object B'
  EXPECT_TRUE(estimated->isChecked());  // A's own tick stands
  m.Select(2);
  EXPECT_TRUE(estimated->isChecked());
  m.Select(1);

  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_TRUE(RowsOnStars(m, drift, 60, 2));
}

// An object with the rectangle aperture is not tracked: a click moves it,
// and the rows of both fields stand where it was measured, the clicked point.
TEST(TrackingTruth, ClickedRectangleApertureStandsWhereClickedInBothFields) {
  const StarPath still = [](int) { return std::vector<GaussianStar>{{60.3, 50.2, 150, 2.0}, {100.2, 70.4, 120, 2.0}}; };
  ObjectsWindow m;
  ASSERT_TRUE(m.OpenFrames(PathFrames(10, still, 1.0)));
  m.Find<QCheckBox>("CheckBox2")->setChecked(true);  // 'Field Measure'
  m.ClickImage1(60, 50);
  m.Trigger("RectangleAperture1");
  ASSERT_EQ(m.W().Frames.FrameDataLines[0].Objects[0].TrackMode, 2);  // 'OFF'
  m.ClickImage1(100, 70);
  m.Click("Button16");  // '1Frame'
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 2u);
  for (const std::string& row : rows) EXPECT_EQ(ObjectsWindow::RowPosition(row, 1), std::make_pair(100, 70)) << row;
}

// Removing B of three moves C into B's slot together with C's settings in
// 'Setting for predicted track': its tick and its frame range.
TEST(TrackingTruth, RemovingBKeepsCsPredictedTrackSettings) {
  const StarPath still = [](int) {
    return std::vector<GaussianStar>{{40.3, 30.2, 150, 2.0}, {90.2, 50.4, 150, 2.0}, {120.4, 90.1, 150, 2.0}};
  };
  ObjectsWindow m;
  ASSERT_TRUE(m.OpenFrames(PathFrames(5, still, 1.0)));
  TPlatform& w = m.W();
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);  // 'Tracking'
  m.ClickImage1(40, 30);
  for (auto [x, y] : {std::pair{90, 50}, std::pair{120, 90}}) {
    m.RightClickImage1(x, y);
    m.Trigger("Add1");
  }
  QCheckBox* estimated = m.Find<QCheckBox>("CheckBox4");
  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(2, 2), estimated->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(estimated, &menu);
  ASSERT_TRUE(w.SetPredictTrack);
  w.SetPredictTrack->CheckBox[2]->setChecked(true);  // 'Object C'
  w.SetPredictTrack->UpDown[2]->setValue(120);
  m.Select(2);
  m.Trigger("Remove1");
  ASSERT_EQ(w.Run.ObjectCount, 2);
  EXPECT_EQ(w.Tracking.PredictTracks[1].Enabled, 1);
  EXPECT_EQ(w.Tracking.PredictTracks[1].FrameRange, 120);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[1].EstimatedTrack, 1);
  EXPECT_TRUE(estimated->isChecked());  // B (C before) is selected and shows its tick
  // The window open all the while shows the same.
  EXPECT_TRUE(w.SetPredictTrack->CheckBox[1]->isChecked());
  EXPECT_EQ(w.SetPredictTrack->UpDown[1]->value(), 120);
}

// B's 'Estimated track' ticked, then the video opened again and B placed
// anew: selecting B shows the tick of B's predicted track, and that tick is
// what B tracks with through a fade.
TEST(TrackingTruth, SelectedObjectTracksWithTheEstimatedTrackTickItShows) {
  const StarPath drift = BFadesWhileBothDrift;
  ObjectsWindow m;
  const std::vector<Bitmap24> frames = PathFrames(60, drift, 1.0);
  ASSERT_TRUE(m.OpenFrames(frames));
  TPlatform& w = m.W();
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);  // 'Tracking'
  m.ClickImage1(40, 30);
  m.RightClickImage1(70, 50);
  m.Trigger("Add1");
  QCheckBox* estimated = m.Find<QCheckBox>("CheckBox4");
  ASSERT_TRUE(estimated->isEnabled());
  estimated->setChecked(true);  // B's
  m.Select(1);
  ASSERT_TRUE(m.OpenFrames(frames, "again.avi"));
  m.ClickImage1(40, 30);
  m.RightClickImage1(70, 50);
  m.Trigger("Add1");
  ASSERT_EQ(w.Run.ObjectCount, 2);
  m.Select(1);
  m.Select(2);
  ASSERT_TRUE(estimated->isChecked());
  m.Select(1);
  estimated->setChecked(true);  // A's

  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 60u);
  for (int n = 0; n < 60; ++n) {
    const GaussianStar b = drift(n)[1];
    ASSERT_TRUE(OnStar(ObjectsWindow::RowPosition(rows[static_cast<size_t>(n)], 2), b.X, b.Y)) << "frame " << n;
  }
}

// Playback with the lost-star box (CheckBox17) ticked: A's 'Frame1' is where
// playback starts; when A fades its 'Frame2' is the last place and frame it
// was found, so the drift line through them keeps A on its star to the end.
TEST(TrackingTruth, LostStarMarksItsLastMatchAsTheSecondPassedPoint) {
  const StarPath fade = [](int n) {
    return std::vector<GaussianStar>{{40.3 + 0.8 * n, 50.2 + 0.4 * n, n >= 30 && n < 34 ? 0.0 : 150.0, 2.0}};
  };
  ObjectsWindow m;
  ASSERT_TRUE(m.OpenFrames(PathFrames(60, fade, 1.0)));
  TPlatform& w = m.W();
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);  // 'Tracking'
  m.ClickImage1(40, 50);
  m.Find<QCheckBox>("CheckBox17")->setChecked(true);
  m.Click("SpeedButton1");  // play
  ASSERT_TRUE(m.WaitUntilStopped());
  const TrackPoint& f2 = w.PassedPoints[0].Frame2;
  EXPECT_EQ(f2.Frame, 29);
  EXPECT_TRUE(OnStar({f2.X, f2.Y}, fade(29)[0].X, fade(29)[0].Y));
  const ObjectResult& a = w.Frames.FrameDataLines[0].Objects[0];
  EXPECT_TRUE(OnStar({a.X, a.Y}, fade(59)[0].X, fade(59)[0].Y));
}

}  // namespace

namespace {

// Passed points marked by clicks on the star at two frames: every row of a
// run from frame 0 starts on the drift line through them (before the first
// point it runs backwards), so a star drifting below a pixel or several
// pixels a frame is held in every row, of both fields and of a run that
// steps three frames at a time.
TEST(TrackingTruth, DriftThroughPassedPointsHoldsTheStarBeforeBetweenAndAfterThem) {
  struct Case {
    const char* name;
    double rate_x, rate_y;
    int frame1, frame2;
    bool fields;  // 'Field Measure'
    int step = 1;  // frames a run steps
  };
  const Case cases[] = {
      {"sub-pixel", 0.3, -0.2, 12, 30, false},
      {"several pixels", 2.5, 1.25, 10, 25, false},
      {"several pixels, fields", -2.0, 1.5, 8, 20, true},
      {"several pixels, every third frame", 1.5, -2.0, 9, 24, false, 3},
  };
  for (const Case& c : cases) {
    const StarPath path = [&c](int n) {
      return std::vector<GaussianStar>{{70.3 + c.rate_x * (n - 20), 50.2 + c.rate_y * (n - 20), 150, 2.0}};
    };
    ObjectsWindow m;
    ASSERT_TRUE(m.OpenFrames(PathFrames(40, path, 1.0))) << c.name;
    TPlatform& w = m.W();
    m.Find<QCheckBox>("CheckBox2")->setChecked(c.fields);
    for (auto [frame, button] : {std::pair{c.frame1, "Button11"}, std::pair{c.frame2, "Button13"}}) {
      w.GoToFrame(frame);
      const GaussianStar s = path(frame)[0];
      m.ClickImage1(ObjectsWindow::Px(s.X), ObjectsWindow::Px(s.Y));
      m.Find<QRadioButton>("RadioButton5")->setChecked(true);  // 'Drift'
      m.Click(button);
    }
    ASSERT_TRUE(w.PassedPoints[0].Frame1.HasFrame() && w.PassedPoints[0].Frame2.HasFrame()) << c.name;
    w.GoToFrame(0);
    m.Find<QSpinBox>("UpDown9")->setValue(c.step);
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped()) << c.name;
    EXPECT_TRUE(m.dialogs.messages.empty()) << c.name;
    const std::vector<std::string> rows = m.Rows();
    const size_t per_frame = c.fields ? 2 : 1;
    ASSERT_EQ(rows.size(), static_cast<size_t>((39 / c.step + 1)) * per_frame) << c.name;
    for (size_t r = 0; r < rows.size(); ++r) {
      const int n = static_cast<int>(r / per_frame) * c.step;
      if (!c.fields) {
        ASSERT_EQ(m.RowFrames()[r], n) << c.name;
      }
      const GaussianStar s = path(n)[0];
      ASSERT_TRUE(OnStar(ObjectsWindow::RowPosition(rows[r], 1), s.X, s.Y)) << c.name << ", frame " << n;
    }
  }
}


// A star drifting 3 pixels a frame out through the right edge: while it is in
// the frame every row is on it; once it has left, the start is put back on
// the edge along the drift line, with no message and no row lost.
TEST(TrackingTruth, DriftLeavingTheFrameEndsOnTheEdge) {
  const StarPath path = [](int n) { return std::vector<GaussianStar>{{100.3 + 3 * n, 40.2 + 1.5 * n, 150, 2.0}}; };
  ObjectsWindow m;
  ASSERT_TRUE(m.OpenFrames(PathFrames(40, path, 1.0)));
  TPlatform& w = m.W();
  for (auto [frame, button] : {std::pair{0, "Button11"}, std::pair{10, "Button13"}}) {
    w.GoToFrame(frame);
    const GaussianStar s = path(frame)[0];
    m.ClickImage1(ObjectsWindow::Px(s.X), ObjectsWindow::Px(s.Y));
    m.Find<QRadioButton>("RadioButton5")->setChecked(true);  // 'Drift'
    m.Click(button);
  }
  w.GoToFrame(0);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_TRUE(m.dialogs.messages.empty());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 40u);
  // The drift line through the marks (100, 40) and (130, 55) meets x = 160 at y = 70.
  const int radius = m.Find<QSpinBox>("UpDown5")->value();
  for (int n = 0; n < 40; ++n) {
    const GaussianStar s = path(n)[0];
    const auto at = ObjectsWindow::RowPosition(rows[static_cast<size_t>(n)], 1);
    if (s.X < 157) {
      ASSERT_TRUE(OnStar(at, s.X, s.Y)) << "frame " << n;
    } else {
      ASSERT_GE(at.first, 160 - radius) << "frame " << n;
      ASSERT_LE(at.first, 160) << "frame " << n;
      ASSERT_NEAR(at.second, 70, 1) << "frame " << n;
    }
  }
}


// B's predicted track filled on one video, then a run on another with
// 'Estimated track' ticked only after it started: B's track starts afresh with
// the run, so when B's star fades early the rows hold it where it stands, not
// on the line B drew on the first video.
TEST(TrackingTruth, EstimatedTrackTickedMidRunUsesNoSamplesOfAnEarlierRun) {
  ObjectsWindow m;
  ASSERT_TRUE(m.OpenFrames(PathFrames(60, BFadesWhileBothDrift, 1.0)));
  TPlatform& w = m.W();
  PlaceTrackedPair(m, 70, 50);
  QCheckBox* estimated = m.Find<QCheckBox>("CheckBox4");
  OpenPredictTrackWindow(estimated);
  ASSERT_TRUE(w.SetPredictTrack);
  w.SetPredictTrack->CheckBox[1]->setChecked(true);  // 'Object B'
  ASSERT_FALSE(estimated->isChecked());
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());

  const StarPath still = [](int n) {
    return std::vector<GaussianStar>{{40.3, 30.2, 150, 2.0}, {120.2, 90.3, n >= 6 && n < 10 ? 0.0 : 170.0, 2.0}};
  };
  ASSERT_TRUE(m.OpenFrames(PathFrames(20, still, 1.0), "second.avi"));
  PlaceTrackedPair(m, 120, 90);
  ASSERT_FALSE(estimated->isChecked());
  m.Click("Button3");
  ASSERT_TRUE(w.Run.MeasuringRun);
  estimated->setChecked(true);  // A's, once the run goes
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 20u);
  for (int n = 0; n < 20; ++n)
    ASSERT_TRUE(OnStar(ObjectsWindow::RowPosition(rows[static_cast<size_t>(n)], 2), 120.2, 90.3)) << "frame " << n;
}


// A black or a white frame in the middle of a run with profile tracking and a
// threshold of 0: the guide B used to take the first candidate of its wide
// search, 25 pixels to the left, and never came back. Both stars are held in
// every row before and after it, and the blank frame's row stands where the
// stars were last found.
TEST(TrackingTruth, BlankFrameLeavesTheGuideOnItsStar) {
  const StarPath two = [](int n) {
    return std::vector<GaussianStar>{{50.3 + 0.4 * n, 50.2, 150, 2.0}, {100.2 + 0.4 * n, 70.3, 170, 2.2}};
  };
  for (const uint8_t level : {uint8_t{0}, uint8_t{255}}) {
    std::vector<Bitmap24> frames = PathFrames(14, two, 2.0);
    for (int y = 0; y < frames[6].Height(); ++y) std::fill_n(frames[6].Row(y), frames[6].Width() * 3, level);
    ObjectsWindow m;
    ASSERT_TRUE(m.OpenFrames(frames));
    m.Find<QCheckBox>("CheckBox15")->setChecked(true);  // 'Tracking'
    m.ClickImage1(50, 50);
    m.RightClickImage1(100, 70);
    m.Trigger("Add1");
    m.SetTrackRadius(6, 0);
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped());
    const std::vector<std::string> rows = m.Rows();
    ASSERT_EQ(rows.size(), 14u);
    for (int n = 0; n < 14; ++n)
      for (int k = 1; k <= 2; ++k) {
        const GaussianStar s = two(n == 6 ? 5 : n)[static_cast<size_t>(k - 1)];
        EXPECT_TRUE(OnStar(ObjectsWindow::RowPosition(rows[static_cast<size_t>(n)], k), s.X, s.Y))
            << "level " << int{level} << ", frame " << n << ", object " << k;
      }
  }
}

}  // namespace

namespace {

// A playback leaves where the profile match last found A, on a star far off. A is
// then placed on another star, on another video or the same one, for PSF
// photometry with 'Tracking' off, so no match has found it there yet; then,
// with 'Tracking', 'Drift' and the lost-star box (CheckBox17) ticked, a run or
// playback starts where that star has faded. The 'Frame2' the loss marks must
// be of this star, or the drift line through it drags A off towards the other
// star and A never finds its own again.
TEST(TrackingTruth, LossAtTheStartOfAPassKeepsTheNewlyPlacedStarsPlace) {
  const StarPath far = [](int) { return std::vector<GaussianStar>{{120.3, 90.2, 150, 2.0}}; };
  const StarPath both = [](int n) {
    return std::vector<GaussianStar>{{120.3, 90.2, 150, 2.0}, {40.3, 50.2, n >= 4 && n < 12 ? 0.0 : 150.0, 2.0}};
  };
  struct Case {
    const char* name;
    bool other_video;
    bool playback;
  };
  for (const Case c : {Case{"other video, run", true, false}, Case{"other video, playback", true, true},
                       Case{"same video, run", false, false}}) {
    ObjectsWindow m;
    ASSERT_TRUE(m.OpenFrames(PathFrames(30, c.other_video ? far : both, 1.0))) << c.name;
    TPlatform& w = m.W();
    m.Find<QCheckBox>("CheckBox15")->setChecked(true);  // 'Tracking'
    m.ClickImage1(120, 90);
    m.Click("SpeedButton1");  // play
    ASSERT_TRUE(m.WaitUntilStopped()) << c.name;

    if (c.other_video)
      ASSERT_TRUE(m.OpenFrames(PathFrames(30, both, 1.0), "second.avi")) << c.name;
    else
      w.GoToFrame(0);
    m.Find<QCheckBox>("CheckBox15")->setChecked(false);
    m.Find<QCheckBox>("CheckBox14")->setChecked(true);  // 'Photometry'
    m.ClickImage1(40, 50);
    m.Find<QRadioButton>("RadioButton5")->setChecked(true);  // 'Drift'
    m.Find<QCheckBox>("CheckBox17")->setChecked(true);
    w.GoToFrame(6);
    m.Find<QCheckBox>("CheckBox15")->setChecked(true);
    if (c.playback) {
      m.Click("SpeedButton1");  // play: marks 'Frame1' here
    } else {
      m.Click("Button11");  // 'Frame1' marked by hand
      m.Click("Button3");
    }
    ASSERT_TRUE(m.WaitUntilStopped()) << c.name;
    const TrackPoint& f2 = w.PassedPoints[0].Frame2;
    EXPECT_GE(f2.Frame, 6) << c.name;
    EXPECT_LE(std::abs(f2.X - 40) + std::abs(f2.Y - 50), 4) << c.name;
    const ObjectResult& a = w.Frames.FrameDataLines[0].Objects[0];
    EXPECT_TRUE(OnStar({a.X, a.Y}, 40.3, 50.2)) << c.name;
    if (c.playback) continue;
    const std::vector<std::string> rows = m.Rows();
    ASSERT_EQ(rows.size(), 24u) << c.name;
    for (size_t r = 6; r < rows.size(); ++r)  // frames 12.., the star back
      EXPECT_TRUE(OnStar(ObjectsWindow::RowPosition(rows[r], 1), 40.3, 50.2)) << c.name << ", frame " << r + 6;
  }
}

}  // namespace

namespace {

// A and B drifting together, with A linked to B ('Link', B on 'Drift') by
// 'Begin' and 'End' marked on both stars; C added afterwards on 'Drift'; then
// B removed, so C becomes the guide without marks of its own. A's offset
// cannot count from C's unset marks (it put A some 200 pixels off the frame):
// every row holds A and C on their stars, and the marks read as unset.
TEST(TrackingTruth, RemovingTheGuideForAnUnmarkedCKeepsAOnItsStar) {
  const StarPath path = [](int n) {
    const double dx = 0.5 * n, dy = 0.3 * n;
    return std::vector<GaussianStar>{{40.3 + dx, 30.2 + dy, 150, 2.0}, {80.3 + dx, 60.2 + dy, 170, 2.2},
                                     {110.2 + dx, 85.3 + dy, 140, 2.0}};
  };
  ObjectsWindow m;
  ASSERT_TRUE(m.OpenFrames(PathFrames(40, path, 1.0)));
  TPlatform& w = m.W();
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);  // 'Tracking'
  // Objects 1..count put on their stars at frame n: new ones added, the others moved.
  auto place = [&](int n, int count) {
    w.GoToFrame(n);
    const std::vector<GaussianStar> s = path(n);
    for (int k = 1; k <= count; ++k) {
      const int x = ObjectsWindow::Px(s[static_cast<size_t>(k - 1)].X);
      const int y = ObjectsWindow::Px(s[static_cast<size_t>(k - 1)].Y);
      if (w.Run.ObjectCount < k) {
        m.RightClickImage1(x, y);
        m.Trigger("Add1");
      } else {
        m.Select(k);
        m.ClickImage1(x, y);
      }
      if (k > 1) m.Find<QRadioButton>("RadioButton5")->setChecked(true);  // 'Drift'
    }
  };
  place(0, 2);
  for (auto [frame, button] : {std::pair{4, "Button23"}, std::pair{30, "Button25"}}) {
    place(frame, 2);
    m.Find<QCheckBox>("CheckBox6")->setChecked(true);  // 'Link'
    m.Click(button);
  }
  place(0, 3);
  m.Select(2);
  m.Trigger("Remove1");
  ASSERT_EQ(w.Run.ObjectCount, 2);
  EXPECT_EQ(w.Edit11->text(), "Frame1");
  EXPECT_EQ(w.Edit32->text(), "Frame2");
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 40u);
  for (int n = 0; n < 40; ++n) {
    const std::vector<GaussianStar> s = path(n);
    const std::string& row = rows[static_cast<size_t>(n)];
    ASSERT_TRUE(OnStar(ObjectsWindow::RowPosition(row, 1), s[0].X, s[0].Y)) << "A, frame " << n;
    ASSERT_TRUE(OnStar(ObjectsWindow::RowPosition(row, 2), s[2].X, s[2].Y)) << "C, frame " << n;
  }
}

}  // namespace

namespace {

// A and B placed for profile tracking with a threshold of 50, saved after one
// frame and loaded into another window, where both get 'Estimated track' (B's
// through the predicted-track window, so B is never selected there). When B's
// star fades it must count as lost at the threshold the table gave it, against
// a reference fitted on its own star (not on a brighter star the window
// tracked before), so the predicted track carries it along its drift instead
// of the match wandering over the noise or never following the star at all.
TEST(TrackingTruth, LoadedTableLosesAFadingStarAtItsOwnThreshold) {
  const StarPath path = [](int n) {
    const double fade = n >= 12 && n < 22 ? 0 : 1;
    return std::vector<GaussianStar>{{50.3 + 0.5 * n, 50.2 + 0.3 * n, 150, 2.0},
                                     {100.2 + 0.5 * n, 60.3 + 0.3 * n, 90 * fade, 2.0}};
  };
  const StarPath bright = [](int) {
    return std::vector<GaussianStar>{{50.3, 50.2, 150, 2.0}, {100.2, 60.3, 250, 2.0}};
  };
  // A and B on their stars of frame 0, 'Drift', radius 6, threshold 50.
  auto place = [](ObjectsWindow& w) {
    w.Find<QCheckBox>("CheckBox15")->setChecked(true);  // 'Tracking'
    w.ClickImage1(50, 50);
    w.RightClickImage1(100, 60);
    w.Trigger("Add1");
    for (int k = 1; k <= 2; ++k) {
      w.Select(k);
      w.Find<QRadioButton>("RadioButton5")->setChecked(true);  // 'Drift'
    }
    w.SetTrackRadius(6, 50);
    w.Select(1);
  };
  for (const bool tracked_before : {false, true}) {
    ObjectsWindow first;
    ASSERT_TRUE(first.OpenFrames(PathFrames(40, path, 2.0)));
    place(first);
    first.Click("Button16");  // '1Frame'
    const auto csv = first.Path("pair.csv");
    ASSERT_TRUE(first.SaveTableThroughButton6(csv));

    ObjectsWindow m;
    if (tracked_before) {
      ASSERT_TRUE(m.OpenFrames(PathFrames(10, bright, 2.0), "bright.avi"));
      place(m);
      m.Click("Button3");
      ASSERT_TRUE(m.WaitUntilStopped());
    }
    m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
    m.Click("Button20");
    ASSERT_TRUE(m.W().Run.VideoLoaded);
    ASSERT_EQ(m.W().ScrollBar1->maximum(), 39);
    m.Find<QCheckBox>("CheckBox15")->setChecked(true);
    QCheckBox* estimated = m.Find<QCheckBox>("CheckBox4");
    estimated->setChecked(true);  // A's
    OpenPredictTrackWindow(estimated);
    ASSERT_TRUE(m.W().SetPredictTrack);
    m.W().SetPredictTrack->CheckBox[1]->setChecked(true);  // 'Object B'
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped());
    EXPECT_TRUE(RowsOnStars(m, path, 40, 2)) << "tracked before " << tracked_before;
  }
}

}  // namespace

namespace {

// A placed with 'Tracking' off on 'Anchor', so every frame tracks from where
// it was placed; 'Tracking' ticked once the run goes and the star has drifted
// some pixels, still well within the tracking radius of 10. The profile
// tracking must take its profile from the star, not from the placed point
// beside it: every row is on the star.
TEST(TrackingTruth, TrackingTickedMidRunOnAnchorHoldsTheDriftedStar) {
  const StarPath path = [](int n) { return std::vector<GaussianStar>{{60.3 + 0.5 * n, 50.2 + 0.3 * n, 150, 2.0}}; };
  ObjectsWindow m;
  ASSERT_TRUE(m.OpenFrames(PathFrames(18, path, 1.0)));
  TPlatform& w = m.W();
  m.ClickImage1(60, 50);
  m.Find<QRadioButton>("RadioButton4")->setChecked(true);  // 'Anchor'
  m.SetTrackRadius(10, 50);
  // A slow pace, so that the box is ticked at frame 8 on a busy machine too.
  auto* pace = m.Find<QSlider>("TrackBar1");
  pace->setValue(100);
  m.Click("Button3");
  QElapsedTimer clock;
  clock.start();
  while (w.Run.MeasuringRun && w.ScrollBar1->value() < 8 && clock.elapsed() < 60000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  ASSERT_TRUE(w.Run.MeasuringRun);
  EXPECT_LE(w.ScrollBar1->value(), 9);
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);  // 'Tracking'
  pace->setValue(1);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_TRUE(RowsOnStars(m, path, 18, 1));
}

}  // namespace
