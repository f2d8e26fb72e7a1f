// Run and playback details checked through the real window: what START and
// play reset before the timer starts.
#include <QCheckBox>

#include "MainRoadFixture.h"

namespace {

constexpr int kWidth = 120, kHeight = 100;

// Every ring of the predicted tracks filled with samples of an earlier pass.
void FillStaleRings(TPlatform& w) {
  for (PredictTrack& t : w.Tracking.PredictTracks) {
    t.LastSample = 7;
    t.RingIndex = 7;
    for (size_t j = 0; j < 8; ++j) {
      t.Frames[j] = 500 + static_cast<int32_t>(j);
      t.Xs[j] = 33.0;
      t.Ys[j] = 44.0;
    }
  }
}

// The ring slots 1..7 hold the reset values (slot 0 may take this frame's sample).
void ExpectRingsReset(const TPlatform& w) {
  for (size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE("object " + std::to_string(k + 1));
    const PredictTrack& t = w.Tracking.PredictTracks[k];
    EXPECT_LE(t.LastSample, 0);
    for (size_t j = 1; j < 8; ++j) {
      EXPECT_EQ(t.Frames[j], 0);
      EXPECT_EQ(t.Xs[j], 100.0);
      EXPECT_EQ(t.Ys[j], 100.0);
    }
  }
}

struct Opened {
  MainRoadWindow m{Reader::OwnAvi};
  Opened() {
    const auto frames = StarFrames(kWidth, kHeight, 12, 60.3, 49.8, [](int) { return 2000.0; });
    const auto path = m.Path("star.avi");
    EXPECT_TRUE(WriteAvi(path.string(), frames));
    EXPECT_TRUE(m.OpenThroughButton1(path));
    m.ClickImage1(60, 50);
  }
};

TEST(RunConformance, StartWithEstimatedTrackEmptiesThePredictedTrackRings) {
  Opened o;
  TPlatform& w = o.m.W();
  FillStaleRings(w);
  o.m.Find<QCheckBox>("CheckBox4")->setChecked(true);
  o.m.Click("Button3");
  o.m.Click("Button4");
  ExpectRingsReset(w);
}

TEST(RunConformance, PlayWithEstimatedTrackEmptiesThePredictedTrackRings) {
  Opened o;
  TPlatform& w = o.m.W();
  FillStaleRings(w);
  o.m.Find<QCheckBox>("CheckBox4")->setChecked(true);
  o.m.Click("SpeedButton1");
  o.m.Click("SpeedButton2");
  ExpectRingsReset(w);
}

TEST(RunConformance, WithoutEstimatedTrackTheRingsAreKept) {
  Opened o;
  TPlatform& w = o.m.W();
  FillStaleRings(w);
  o.m.Find<QCheckBox>("CheckBox4")->setChecked(false);
  o.m.Click("Button3");
  o.m.Click("Button4");
  o.m.Click("SpeedButton1");
  o.m.Click("SpeedButton2");
  EXPECT_EQ(w.Tracking.PredictTracks[0].LastSample, 7);
  EXPECT_EQ(w.Tracking.PredictTracks[2].Frames[3], 503);
}

}  // namespace
