// The occultation preset set up by 'Open AVI' and by placing object A, and
// the estimated-track flag reaching the predicted track and its window.
#include <QCheckBox>
#include <QRadioButton>
#include <QSpinBox>

#include "MainRoadFixture.h"
#include "app/ui/TSetPredictTrack.h"

namespace {

constexpr int kStarX = 40, kStarY = 30;

std::filesystem::path StarVideo(MainRoadWindow& m) {
  const auto path = m.Path("star.avi");
  EXPECT_TRUE(WriteAvi(path.string(), StarFrames(80, 60, 4, 40.2, 29.9, [](int) { return 2500.0; })));
  return path;
}

}  // namespace

// The settings file asks for Drift, threshold from the file and outer radius
// 20; opening a video applies the preset of the occultation type.
TEST(PresetWiring, OpenAviAppliesThePresetOfTheType) {
  struct Row {
    const char* name;
    int type;
    uint8_t trackA, trackB;
    int outer, threshold;
    uint8_t formA;
  };
  const Row rows[] = {
      {"none: Anchor, outer 25", 0, 0, 0, 25, 50, 0},
      {"lunar bright: limb form, Drift", 1, 1, 1, 25, 50, 2},
      {"asteroidal with tracking star: B drifts, inner 8 gives outer 17", 3, 0, 1, 17, 50, 0},
      {"asteroidal single: all Drift, 75, outer 17", 4, 1, 1, 17, 75, 0},
  };
  for (const Row& r : rows) {
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    w.Options.OccultationTypeIndex = r.type;
    for (auto& o : w.Frames.FrameDataLines[0].Objects) o.TrackMode = 2;  // none of the preset's modes
    ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m))) << r.name;
    const auto& objects = w.Frames.FrameDataLines[0].Objects;
    EXPECT_EQ(objects[0].TrackMode, r.trackA) << r.name;
    EXPECT_EQ(objects[1].TrackMode, r.trackB) << r.name;
    EXPECT_EQ(objects[0].BackgroundOuter, r.outer) << r.name;
    EXPECT_EQ(objects[0].BackgroundForm, r.formA) << r.name;
    EXPECT_EQ(m.Find<QSpinBox>("UpDown3")->value(), r.outer) << r.name;
    EXPECT_EQ(m.Find<QSpinBox>("UpDown7")->value(), r.threshold) << r.name;
    EXPECT_EQ(w.Tracking.Profiles[0].MatchThresholdPercent, r.threshold) << r.name;
    EXPECT_TRUE(m.Find<QRadioButton>(r.trackA == 1 ? "RadioButton5" : "RadioButton4")->isChecked()) << r.name;
    EXPECT_TRUE(m.dialogs.messages.empty()) << r.name;
  }
}

// 'Estimated track' reaches the predicted track of the selected object and
// the open window's box; the lunar bright-star preset turns it off there too,
// the single-bright-star preset clears only the object's flag.
TEST(PresetWiring, EstimatedTrackFollowsTheTickAndThePreset) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m)));
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);  // profile tracking
  m.Find<QRadioButton>("RadioButton5")->setChecked(true);  // Drift
  auto* estimated = m.Find<QCheckBox>("CheckBox4");
  ASSERT_TRUE(estimated->isEnabled());
  w.OpenSetPredictTrack();
  ASSERT_TRUE(w.SetPredictTrack);
  auto* window_a = w.SetPredictTrack->findChild<QCheckBox*>("CheckBox1");
  ASSERT_NE(window_a, nullptr);

  estimated->setChecked(true);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].EstimatedTrack, 1);
  EXPECT_EQ(w.Tracking.PredictTracks[0].Enabled, 1);
  EXPECT_TRUE(window_a->isChecked());

  // Single bright star: Drift stays, the flag goes off, the track is not synced.
  w.Options.OccultationTypeIndex = 4;
  w.ApplyOccultationPreset();
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].EstimatedTrack, 0);
  EXPECT_EQ(w.Tracking.PredictTracks[0].Enabled, 1);
  EXPECT_TRUE(window_a->isChecked());
  estimated->setChecked(false);
  estimated->setChecked(true);

  w.Options.OccultationTypeIndex = 1;
  w.ApplyOccultationPreset();
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].EstimatedTrack, 0);
  EXPECT_EQ(w.Tracking.PredictTracks[0].Enabled, 0);
  EXPECT_FALSE(window_a->isChecked());
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// After any preset 'Estimated track' shows the object's own flag, which
// tracking goes by: the drift presets turn it off and must untick the box.
TEST(PresetWiring, EstimatedTrackBoxShowsTheFlagThePresetLeft) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m)));
  m.Find<QCheckBox>("CheckBox15")->setChecked(true);  // profile tracking
  auto* estimated = m.Find<QCheckBox>("CheckBox4");
  for (int type = 0; type <= 4; ++type) {
    SCOPED_TRACE(type);
    m.Find<QRadioButton>("RadioButton5")->setChecked(true);  // Drift
    estimated->setChecked(true);
    ASSERT_EQ(w.Frames.FrameDataLines[0].Objects[0].EstimatedTrack, 1);
    w.Options.OccultationTypeIndex = type;
    w.ApplyOccultationPreset();
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].EstimatedTrack, 0);
    EXPECT_FALSE(estimated->isChecked());
  }
}

// Placing A with 'Make easy operation for click' sizes the tracking radius
// from the star's fitted width (sigma 1.5 gives a width near 3); without a
// profile fit there is no width, and the radius must not drop to 0.
TEST(PresetWiring, PlacingASizesTheTrackingRadiusFromTheFittedWidth) {
  struct Row {
    const char* name;
    bool psf;
    double width_min, width_max;
    int radius;  // 0: unchanged by the preset
  };
  const Row rows[] = {
      {"PSF photometry: width near 3, radius 3", true, 2.7, 3.3, 3},
      {"aperture photometry: no width, radius kept", false, 0, 0, 0},
  };
  for (const Row& r : rows) {
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    w.Options.OccultationTypeIndex = 1;  // lunar bright star, Drift
    w.Options.EasyClickOperation = true;
    ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m))) << r.name;
    m.Find<QCheckBox>("CheckBox6")->setChecked(false);  // not linked
    m.Find<QCheckBox>("CheckBox14")->setChecked(r.psf);
    const int radius_before = m.Find<QSpinBox>("UpDown5")->value();
    m.ClickImage1(kStarX, kStarY);
    const double width = w.Stars.ObjectFitWidth[0];
    EXPECT_GE(width, r.width_min) << r.name;
    EXPECT_LE(width, r.width_max) << r.name;
    const int expected = r.radius != 0 ? r.radius : std::max(radius_before, 4);
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].TrackRadius, expected) << r.name;
    EXPECT_EQ(m.Find<QSpinBox>("UpDown5")->value(), expected) << r.name;
    EXPECT_TRUE(m.dialogs.messages.empty()) << r.name;
  }
}

// A star's fitted width belongs to its video: after 'Open AVI' of another,
// the preset leaves A's tracking radius as a video opened first would, not
// sized from the last video's wide star (sigma 4.5: width near 9).
TEST(PresetWiring, OpenAviForgetsTheLastVideosFittedWidth) {
  const auto star_video = [](MainRoadWindow& m, const char* name, double sigma) {
    SyntheticFrame f;
    f.Width = 80;
    f.Height = 60;
    f.Background = 20;
    f.Stars = {SyntheticStar{40.2, 29.9, 2500.0, sigma}};
    const auto path = m.Path(name);
    EXPECT_TRUE(WriteAvi(path.string(), std::vector<Bitmap24>(4, MakeStarFrame(f))));
    return path;
  };
  struct Opened {
    int radius, shown;
    std::array<double, 3> widths;
  };
  // Aperture photometry (no refit sizes the radius), not linked; opening
  // takes the radius of the settings file, then the preset may size it.
  const auto open_narrow = [&](MainRoadWindow& m) {
    m.Find<QCheckBox>("CheckBox6")->setChecked(false);
    m.Find<QCheckBox>("CheckBox14")->setChecked(false);
    EXPECT_TRUE(m.OpenThroughButton1(star_video(m, "narrow.avi", 1.5)));
    EXPECT_TRUE(m.dialogs.messages.empty());
    return Opened{m.W().Frames.FrameDataLines[0].Objects[0].TrackRadius, m.Find<QSpinBox>("UpDown5")->value(),
                  m.W().Stars.ObjectFitWidth};
  };
  const auto prepare = [](MainRoadWindow& m) {
    m.W().Options.OccultationTypeIndex = 1;  // lunar bright star, Drift
    m.W().Options.EasyClickOperation = true;
  };

  MainRoadWindow first(Reader::OwnAvi);
  prepare(first);
  const Opened alone = open_narrow(first);
  ASSERT_NE(alone.radius, 9);  // else the wide star's radius could not show

  MainRoadWindow m(Reader::OwnAvi);
  prepare(m);
  TPlatform& w = m.W();
  ASSERT_TRUE(m.OpenThroughButton1(star_video(m, "wide.avi", 4.5)));
  m.Find<QCheckBox>("CheckBox6")->setChecked(false);
  m.Find<QCheckBox>("CheckBox14")->setChecked(true);
  m.ClickImage1(kStarX, kStarY);
  ASSERT_GE(w.Stars.ObjectFitWidth[0], 8.1);
  ASSERT_LE(w.Stars.ObjectFitWidth[0], 9.9);
  ASSERT_EQ(w.Frames.FrameDataLines[0].Objects[0].TrackRadius, 9);
  const Opened after = open_narrow(m);
  EXPECT_EQ(after.widths, (std::array<double, 3>{}));
  EXPECT_EQ(after.radius, alone.radius);
  EXPECT_EQ(after.shown, alone.shown);
}
