// The LED box of 'Measurement Option': 'Available' unticked while a Signal box
// is the position-set mode, and the window left open while the main window
// changes the box.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <functional>

#include "MainRoadFixture.h"
#include "app/ui/TMeasurementOption.h"
#include "app/ui/TPreserveSetting.h"
#include "support/WindowControls.h"

namespace {

// A steady-star video of `frames` frames opened through 'Open AVI'.
bool OpenSteadyVideo(MainRoadWindow& m, int frames) {
  const auto path = m.Path("steady.avi");
  return WriteSteadyStarVideo(path, frames) && m.OpenThroughButton1(path);
}

// Option > 'Measurement Option'.
TMeasurementOption* ShowOptions(MainRoadWindow& m) {
  m.W().findChild<QAction*>("MeasuremenOption1")->trigger();
  return m.W().findChild<TMeasurementOption*>("MeasurementOption");
}

}  // namespace

// 'Star' is shown, and a click on the frame places the star, not the
// switched-off box, also when 'Show Field' was ticked at the time.
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
    ASSERT_TRUE(OpenSteadyVideo(m, 12));
    TMeasurementOption* options = ShowOptions(m);
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

// 'Measurement Option' left open while the main window changes the LED box:
// the window shows the box the frames are drawn with, so a click on its own
// controls starts from that box, not from the one it was opened with.
TEST(MeasurementOptionLed, TheOpenWindowFollowsTheMainWindow) {
  struct Row {
    const char* name;
    const char* led_key;                        // "Signal1,2" of the settings file
    std::function<void(MainRoadWindow&, TMeasurementOption&)> act;
    bool available;                             // 'Available' after the act
    int half;                                   // Signal1 half width and height after it
    int scroll_x;                               // the box's x after it (-1: not checked)
  };
  const auto open_video = [](MainRoadWindow& m, TMeasurementOption&) { ASSERT_TRUE(OpenSteadyVideo(m, 12)); };
  const Row rows[] = {
      {"'Available' unticked, then a video opened on a file that uses the boxes", "1",
       [&](MainRoadWindow& m, TMeasurementOption& o) {
         o.findChild<QCheckBox*>("CheckBox3")->click();
         open_video(m, o);
       },
       true, 2, -1},
      {"'Available' ticked, then a video opened on a file without the boxes", "0",
       [&](MainRoadWindow& m, TMeasurementOption& o) {
         o.findChild<QCheckBox*>("CheckBox3")->click();
         open_video(m, o);
       },
       false, 2, -1},
      {"'Available' unticked, then 'Default' in 'Update Setting Items'", "1",
       [](MainRoadWindow& m, TMeasurementOption& o) {
         o.findChild<QCheckBox*>("CheckBox3")->click();
         m.DefaultThroughSettingsDialog();
       },
       true, 2, -1},
      {"'Sharp' chosen after the video opened", "1",
       [&](MainRoadWindow& m, TMeasurementOption& o) {
         open_video(m, o);
         auto* combo = m.Find<QComboBox>("ComboBox1");
         combo->setCurrentIndex(3);
         emit combo->activated(3);
       },
       true, 8, -1},
      {"the Signal1 box placed by a click on the frame", "1",
       [&](MainRoadWindow& m, TMeasurementOption& o) {
         open_video(m, o);
         m.Find<QRadioButton>("RadioButton11")->click();
         m.ClickImage1(60, 20);
       },
       true, 2, 60},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MainRoadWindow m(Reader::OwnAvi, std::string("[SignalDetectionArea for LED]\r\nSignal1,2=") + r.led_key + "\r\n");
    TPlatform& w = m.W();
    TMeasurementOption* options = ShowOptions(m);
    ASSERT_NE(options, nullptr);
    r.act(m, *options);
    EXPECT_EQ(w.Options.SignalMarkersOn != 0, r.available);
    EXPECT_EQ(m.Find<QRadioButton>("RadioButton11")->isEnabled(), r.available);
    EXPECT_EQ(options->findChild<QCheckBox*>("CheckBox3")->isChecked(), r.available);
    EXPECT_EQ(w.Options.Signal1HalfWidth, r.half);
    EXPECT_EQ(options->findChild<QSpinBox*>("UpDown3")->value(), r.half);
    EXPECT_EQ(options->findChild<QSpinBox*>("UpDown4")->value(), r.half);
    auto* bar = options->findChild<QScrollBar*>("ScrollBar1");
    if (w.Run.VideoLoaded) {
      // The box may go as far right as the 80 pixels wide frame allows.
      EXPECT_EQ(bar->maximum(), 80 - r.half - 2);
    }
    if (r.scroll_x >= 0) {
      EXPECT_EQ(w.Marks.Signal1X, r.scroll_x);
      EXPECT_EQ(bar->value(), r.scroll_x);
      // One step of the bar moves the box from where it stands.
      bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      EXPECT_EQ(w.Marks.Signal1X, r.scroll_x + 1);
    }
    options->close();
  }
}

// The window follows the main window at every redraw, yet an edit the user
// is typing in (cleared to type a new size) is left as typed.
TEST(MeasurementOptionLed, ARedrawLeavesTheSizeBeingTyped) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(OpenSteadyVideo(m, 4));
  TMeasurementOption* options = ShowOptions(m);
  ASSERT_NE(options, nullptr);
  for (const char* name : {"UpDown3", "UpDown4"}) {
    SCOPED_TRACE(name);
    auto* size = options->findChild<QSpinBox*>(name);
    ASSERT_TRUE(LeaveTypingIn(options, size, ""));
    QLineEdit* edit = size->findChild<QLineEdit*>();
    edit->selectAll();
    QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(size, &erase);
    ASSERT_EQ(edit->text(), "");
    m.W().ShowNeighbor();
    EXPECT_EQ(edit->text(), "");
  }
  options->close();
}
