// Object settings per occultation type.
#include <gtest/gtest.h>

#include "app/OccultationPreset.h"

namespace {

DataLineBlocks Blocks(int inner, int outer) {
  DataLineBlocks b{};
  for (DataLine& l : b)
    for (ObjectResult& o : l.Objects) {
      o.BackgroundInner = inner;
      o.BackgroundOuter = outer;
      o.BackgroundForm = 1;
      o.TrackMode = 2;
      o.Threshold = 10;
      o.EstimatedTrack = 1;
      o.TrackRadius = 3;
    }
  return b;
}

}  // namespace

TEST(OccultationPreset, Types) {
  PresetInputs in;
  in.objectFitWidth = {6.5, 7.4, 8.5};

  DataLineBlocks b = Blocks(10, 20);
  ApplyOccultationPreset(OccultationType::None, in, b);
  EXPECT_EQ(b[0].Objects[1].TrackMode, 0);
  EXPECT_EQ(b[0].Objects[1].BackgroundForm, 1);  // unchanged
  EXPECT_EQ(b[0].Objects[2].BackgroundOuter, 25);
  EXPECT_EQ(b[0].Objects[0].TrackRadius, 3);     // no radius change for type 0
  EXPECT_EQ(b[1].Objects[0].TrackMode, 2);       // other blocks untouched

  b = Blocks(10, 20);
  EXPECT_TRUE(ApplyOccultationPreset(OccultationType::LunarBrightDrift, in, b).syncEstimatedTrack);
  EXPECT_EQ(b[2].Objects[1].BackgroundForm, 2);
  EXPECT_EQ(b[0].Objects[1].TrackMode, 1);
  EXPECT_EQ(b[0].Objects[0].BackgroundOuter, 25);
  EXPECT_EQ(b[0].Objects[1].BackgroundOuter, 20);  // outer 25 for object 1 only
  EXPECT_EQ(b[0].Objects[0].EstimatedTrack, 0);
  EXPECT_EQ(b[0].Objects[0].TrackRadius, 7);       // 6.5 rounds away from zero
  EXPECT_EQ(b[0].Objects[2].TrackRadius, 9);
  EXPECT_EQ(b[0].Objects[1].TrackRadius, 3);

  b = Blocks(10, 20);
  ApplyOccultationPreset(OccultationType::LunarDimAnchor, in, b);
  EXPECT_EQ(b[1].Objects[2].TrackMode, 0);
  EXPECT_EQ(b[0].Objects[2].BackgroundOuter, 25);
  EXPECT_EQ(b[0].Objects[0].EstimatedTrack, 1);

  b = Blocks(18, 22);
  ApplyOccultationPreset(OccultationType::AsteroidalWithTrackingStar, in, b);
  EXPECT_EQ(b[0].Objects[0].BackgroundOuter, 22);  // inner 18 keeps the outer radius
  EXPECT_EQ(b[0].Objects[1].TrackMode, 1);
  EXPECT_EQ(b[0].Objects[2].TrackMode, 0);
  EXPECT_EQ(b[2].Objects[0].BackgroundForm, 0);
  b = Blocks(17, 22);
  in.link = true;
  ApplyOccultationPreset(OccultationType::AsteroidalWithTrackingStar, in, b);
  EXPECT_EQ(b[0].Objects[0].BackgroundOuter, 17);  // inner 17 sets 17 even when larger
  EXPECT_EQ(b[0].Objects[0].TrackRadius, 4);       // (6.5 + 1) / 2 = 3.75
  EXPECT_EQ(b[0].Objects[2].TrackRadius, 4);

  b = Blocks(15, 22);
  ApplyOccultationPreset(OccultationType::AsteroidalSingleBright, in, b);
  EXPECT_EQ(b[0].Objects[0].Threshold, 75);
  EXPECT_EQ(b[0].Objects[0].BackgroundOuter, 17);
  EXPECT_EQ(b[0].Objects[0].TrackRadius, 3);  // linked, not type 3: unchanged
  b = Blocks(16, 22);
  ApplyOccultationPreset(OccultationType::AsteroidalSingleBright, in, b);
  EXPECT_EQ(b[0].Objects[0].BackgroundOuter, 22);
}
