// A window's open flag follows the window: up while it lives, down once it
// closes even if it is not deleted yet, and down when it goes.
#include <gtest/gtest.h>

#include "base/ui/OpenWindow.h"

namespace {

TEST(OpenFlag, UpWhileTheWindowLivesDownOnCloseOrDeletion) {
  bool open = false;
  {
    OpenFlag closed_first(open);
    EXPECT_TRUE(open);
    closed_first.Closed();
    EXPECT_FALSE(open);
  }
  EXPECT_FALSE(open);
  {
    OpenFlag deleted_open(open);
    EXPECT_TRUE(open);
  }
  EXPECT_FALSE(open);
}

}  // namespace
