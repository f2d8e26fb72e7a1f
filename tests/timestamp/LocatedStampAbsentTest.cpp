// A located layout over a frame that shows no stamp gives no time at all,
// not 00:00:00.
#include <gtest/gtest.h>

#include "support/StampRender.h"
#include "timestamp/TimeStampReader.h"

TEST(LocatedStampAbsent, IotaAndKiwiFramesWithoutAStampReadNothing) {
  for (TimeStampMode mode : {TimeStampMode::Iota, TimeStampMode::Kiwi, TimeStampMode::Sharp}) {
    Bitmap24 f(720, 480);
    FillFrame(f, 16);
    AddFrameNoise(f, 6, 5);
    TimeStampState state;
    for (int i = 7; i <= 28; ++i) state.DigitX[5][i] = 80 + 24 * (i - 7);
    state.LocatedStampRow = 435;
    GlyphContext ctx;
    ctx.mode = mode;
    ctx.stampLocated = true;
    ctx.stampCharPitch = 24.1L;
    ctx.stampBackgroundLevel = 48;
    ctx.digitThreshold = 80;
    StampTexts t;
    t.StampH1 = "12";
    t.StampS1Full = "34.5678";
    t.StampCount1 = "42";
    StampReadOptions opt;
    opt.fieldMeasure = true;
    EXPECT_EQ(ReadTimeStamp(f, ctx, opt, state, t), 2) << static_cast<int>(mode);
    EXPECT_EQ(t.StampH1 + t.StampM1 + t.StampS1 + t.StampS1Full + t.StampS2Full + t.StampCount1, "")
        << static_cast<int>(mode);
  }
}
