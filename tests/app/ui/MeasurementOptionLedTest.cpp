// 'Available' of the LED box in 'Measurement Option' unticked while a Signal
// box is the position-set mode: 'Star' is shown, and a click on the frame
// places the star, not the switched-off box, also when 'Show Field' was
// ticked at the time.
#include <QAction>
#include <QCheckBox>
#include <QRadioButton>

#include "MainRoadFixture.h"
#include "app/ui/TMeasurementOption.h"

TEST(MeasurementOptionLed, UntickingAvailableMakesAClickPlaceTheStar) {
  struct Row {
    const char* signal_button;
    bool show_field;
  };
  const Row rows[] = {{"RadioButton11", false}, {"RadioButton12", false}, {"RadioButton11", true},
                      {"RadioButton12", true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.signal_button) + (r.show_field ? " with 'Show Field'" : ""));
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    const auto path = m.Path("twelve.avi");
    ASSERT_TRUE(WriteSteadyStarVideo(path, 12));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    w.findChild<QAction*>("MeasuremenOption1")->trigger();
    auto* options = w.findChild<TMeasurementOption*>("MeasurementOption");
    ASSERT_NE(options, nullptr);
    m.Find<QRadioButton>(r.signal_button)->click();
    ASSERT_NE(w.Options.PositionSetMode, 0);
    if (r.show_field) m.Find<QCheckBox>("CheckBox1")->click();
    options->findChild<QCheckBox*>("CheckBox3")->click();  // 'Available' off
    EXPECT_TRUE(m.Find<QRadioButton>("RadioButton10")->isChecked());
    EXPECT_EQ(w.Options.PositionSetMode, 0);
    if (r.show_field) m.Find<QCheckBox>("CheckBox1")->click();
    const auto signals_before = std::tuple(w.Marks.Signal1X, w.Marks.Signal1Y, w.Marks.Signal2X, w.Marks.Signal2Y);
    m.ClickImage1(40, 30);
    EXPECT_EQ(std::tuple(w.Marks.Signal1X, w.Marks.Signal1Y, w.Marks.Signal2X, w.Marks.Signal2Y), signals_before);
    EXPECT_TRUE(w.Stars.ObjectPlaced[0]);
    options->close();
  }
}
