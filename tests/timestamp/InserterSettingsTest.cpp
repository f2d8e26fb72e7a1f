// Inserter-type choice, the 'KIWI' tick and the tick-count time switch.
#include <gtest/gtest.h>

#include "timestamp/InserterSettings.h"

TEST(InserterSettings, ChoosingTheTypeSetsThresholdsAndSteps) {
  InserterSettings s;
  DigitXTable digitX{};
  InserterSteps st = ChangeInserterType(0, true, false, s, digitX);
  EXPECT_EQ(s.mode, TimeStampMode::Iota);
  EXPECT_EQ(s.digitThreshold, 80);
  EXPECT_EQ(s.glyphThreshold, 80);
  EXPECT_TRUE(s.stampLocated);
  EXPECT_EQ(st.locateIotaTimes, 2);
  EXPECT_TRUE(st.enableGammaGroup);
  EXPECT_TRUE(st.redraw);

  // 'KIWI' keeps the glyph threshold of the type chosen before.
  st = ChangeInserterType(1, true, false, s, digitX);
  EXPECT_EQ(s.digitThreshold, 100);
  EXPECT_EQ(s.glyphThreshold, 80);
  EXPECT_FALSE(s.stampLocated);
  EXPECT_EQ(digitX[1][7], 85);
  EXPECT_EQ(digitX[4][18], 431);
  EXPECT_EQ(digitX[5][15], 600);

  st = ChangeInserterType(2, true, false, s, digitX);
  EXPECT_EQ(s.glyphThreshold, 100);
  EXPECT_TRUE(s.ghsLocateEnabled);
  EXPECT_TRUE(st.locateGhs);
  ChangeInserterType(1, false, false, s, digitX);
  EXPECT_EQ(s.glyphThreshold, 100);

  // Without a video nothing is located.
  InserterSettings fresh;
  st = ChangeInserterType(2, false, false, fresh, digitX);
  EXPECT_FALSE(st.locateGhs);
  EXPECT_FALSE(fresh.stampLocated);

  st = ChangeInserterType(3, true, true, s, digitX);
  EXPECT_TRUE(st.selectSharpTime);
  EXPECT_TRUE(st.gammaOff);
}

TEST(InserterSettings, SharpBeforeAnyVideo) {
  InserterSettings s;
  s.frameRateFactor = 2;
  s.sharpTimeCorrection = 1;
  const SharpTimeSteps st = SelectSharpTime(false, s);
  EXPECT_EQ(s.mode, TimeStampMode::Sharp);
  EXPECT_EQ(s.frameRateFactor, 1);
  EXPECT_EQ(s.sharpTimeCorrection, 0);
  EXPECT_FALSE(st.deriveFrameRate);
  const SharpTimeSteps st2 = SelectSharpTime(true, s);
  EXPECT_TRUE(st2.deriveFrameRate);
  FinishSharpTime(30, 29.97L, s);
  EXPECT_NEAR(static_cast<double>(s.frameRateFactor), 30 / 29.97, 1e-12);
  EXPECT_EQ(s.sharpTimeCorrection, 1);
  FinishSharpTime(30, 0, s);
  EXPECT_EQ(s.frameRateFactor, 1);
}

TEST(InserterSettings, KiwiTick) {
  struct Row {
    TimeStampMode mode;
    bool ticked;
    int expected;
  };
  const Row rows[] = {{TimeStampMode::Iota, true, 80},  {TimeStampMode::Iota, false, 80},
                      {TimeStampMode::Kiwi, true, 80},  {TimeStampMode::Kiwi, false, 100},
                      {TimeStampMode::Sharp, true, 80}, {TimeStampMode::Sharp, false, 100},
                      {TimeStampMode::Ghs, true, 123},  {TimeStampMode::Ghs, false, 123}};
  for (const Row& r : rows) {
    InserterSettings s;
    s.mode = r.mode;
    s.digitThreshold = 123;
    const InserterSteps st = ChangeKiwiTick(r.ticked, true, s);
    EXPECT_EQ(s.digitThreshold, r.expected);
    EXPECT_EQ(st.clearTimeEdits, !r.ticked);
    EXPECT_EQ(st.locateIotaTimes, r.ticked && r.mode == TimeStampMode::Iota ? 1 : 0);
    EXPECT_EQ(st.locateGhs, r.ticked && r.mode == TimeStampMode::Ghs);
    EXPECT_EQ(st.gammaOff, r.ticked && r.mode == TimeStampMode::Sharp);
  }
  EXPECT_EQ(FieldOrderFromStamp(1), FieldOrder::EvenFirst);
  EXPECT_EQ(FieldOrderFromStamp(0), FieldOrder::OddFirst);
}
