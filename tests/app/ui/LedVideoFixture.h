#pragma once
// A window with a 300-frame video at 29.97 fps open and the LED table of its
// frames as its results table.
#include "MainRoadFixture.h"
#include "support/LedTestTable.h"

inline void OpenLedVideo(MainRoadWindow& m) {
  const auto path = m.Path("led.avi");
  AviWriterOptions o;
  o.rate = 30000;
  o.scale = 1001;
  ASSERT_TRUE(WriteAvi(path.string(), std::vector<Bitmap24>(kLedTableRows, Bitmap24(32, 24)), o));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  ASSERT_EQ(m.W().ScrollBar1->maximum(), kLedTableRows - 1);
  m.W().Results.Assign(BuildLedTestTable());
  m.W().DetectCsvVersion();
  m.W().Run.StartFrame = 0;
  m.W().Run.LastMeasuredFrame = kLedTableRows - 1;
  m.W().Video.TimingFrameRate = 29.97L;
}
