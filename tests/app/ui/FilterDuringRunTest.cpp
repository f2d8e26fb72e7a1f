// A filter changed while a run measures: the frames measured after it use the
// new filter, and no frame gets a second row.
#include <QCheckBox>
#include <QSpinBox>
#include <functional>

#include "MainRoadFixture.h"
#include "support/WindowControls.h"

TEST_F(SteadyStarWindow, FilterChangedDuringARunAddsNoSecondRow) {
  struct Row {
    const char* name;
    std::function<void(MainRoadWindow&)> change;
  } rows[] = {
      {"Gaussian", [](MainRoadWindow& w) { Find<TRadioGroup>(w.window.get(), "RadioGroup5")->Item(1)->click(); }},
      {"moving average", [](MainRoadWindow& w) { Find<TRadioGroup>(w.window.get(), "RadioGroup4")->Item(1)->click(); }},
      {"gain", [](MainRoadWindow& w) { w.Find<QSpinBox>("UpDown17")->setValue(12); }},
      {"rotation", [](MainRoadWindow& w) { w.Find<QSpinBox>("UpDown19")->setValue(1); }},
      {"contour line", [](MainRoadWindow& w) { w.Find<QCheckBox>("CheckBox19")->click(); }},
      {"enhance contrast", [](MainRoadWindow& w) { w.Find<QCheckBox>("CheckBox24")->click(); }},
  };
  m.ClickImage1(40, 30);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    bar->setValue(0);
    m.Click("Button3");  // START
    ASSERT_TRUE(m.W().Run.MeasuringRun);
    r.change(m);
    ASSERT_TRUE(m.WaitUntilStopped());
    const std::vector<int> frames = m.RowFrames();
    ASSERT_EQ(frames.size(), 12u);  // a run from frame 0 rewrites the table
    for (int n = 0; n < 12; ++n) EXPECT_EQ(frames[static_cast<size_t>(n)], n);
  }
}
