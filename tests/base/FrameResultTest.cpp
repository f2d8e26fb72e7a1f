#include <gtest/gtest.h>

#include "base/FrameResult.h"

TEST(FrameResult, ObjectSettingReachesAllThreeBlocks) {
  DataLineBlocks blocks{};
  SetObjectSetting(blocks, 1, &ObjectResult::ApertureRadius, 7);
  for (const auto& b : blocks) {
    EXPECT_EQ(b.Objects[1].ApertureRadius, 7);
    EXPECT_EQ(b.Objects[0].ApertureRadius, 0);
  }
}
