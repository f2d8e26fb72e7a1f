// Run control faults met through the real window: controls a run holds.
#include <QCheckBox>
#include <QAction>
#include <QKeyEvent>
#include <QRadioButton>
#include <QSlider>

#include "MainRoadFixture.h"

namespace {

class RunControlFaults : public SteadyStarWindow {
 protected:
  void SetUp() override {
    SteadyStarWindow::SetUp();
    speed = m.Find<QSlider>("TrackBar1");
    m.ClickImage1(40, 30);
  }
  QSlider* speed = nullptr;
};

// Keys on the frame bar while a run waits for its next tick: the run must
// still measure every frame once, in turn.
TEST_F(RunControlFaults, TheFrameBarIsHeldDuringARun) {
  TPlatform& w = m.W();
  speed->setValue(1000);
  m.Click("Button3");
  ASSERT_TRUE(w.Run.MeasuringRun);
  ASSERT_EQ(m.RowFrames(), FrameRange(0, 0));
  for (const Qt::Key key : {Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
  }
  EXPECT_EQ(bar->value(), 0);
  speed->setValue(1);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 11));
  EXPECT_TRUE(bar->isEnabled());

  // STOP in the middle gives the bar back as well.
  m.dialogs.yes_no_answers = {true};
  m.Click("Button5");
  m.Click("SpeedButton3");
  speed->setValue(1000);
  m.Click("Button3");
  EXPECT_FALSE(bar->isEnabled());
  m.Click("Button4");
  EXPECT_TRUE(bar->isEnabled());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 0));
}

// A click on 'DShow' during a run would be refused by its handler after the
// box had already turned: it would show the other reader from then on.
TEST_F(RunControlFaults, TheReaderBoxIsHeldDuringARun) {
  TPlatform& w = m.W();
  QCheckBox* reader = m.Find<QCheckBox>("CheckBox7");
  const bool before = reader->isChecked();
  ASSERT_EQ(before, w.Video.UseDirectShow != 0);
  speed->setValue(1000);
  m.Click("Button3");
  ASSERT_TRUE(w.Run.MeasuringRun);
  reader->click();
  EXPECT_EQ(reader->isChecked(), before);
  speed->setValue(1);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 11));
  EXPECT_TRUE(reader->isEnabled());
  EXPECT_EQ(reader->isChecked(), w.Video.UseDirectShow != 0);
}

// The object and tracking-mode buttons refuse a change during a run; they
// must go on showing the object and mode in use, or a radius set after the
// run would go to another object than the one ticked.
TEST_F(RunControlFaults, ObjectAndTrackingButtonsShowWhatTheRunUses) {
  TPlatform& w = m.W();
  w.Mouse.PopupX = 20;
  w.Mouse.PopupY = 20;
  m.Find<QAction>("Add1")->trigger();
  ASSERT_EQ(w.Run.ObjectCount, 2);
  m.Find<QRadioButton>("RadioButton7")->click();
  ASSERT_EQ(w.Run.SelectedObject, 1);
  m.Find<QRadioButton>("RadioButton5")->click();  // 'Drift'
  ASSERT_EQ(w.Frames.FrameDataLines[0].Objects[0].TrackMode, 1);

  speed->setValue(1000);
  m.Click("Button3");
  ASSERT_TRUE(w.Run.MeasuringRun);
  m.Find<QRadioButton>("RadioButton8")->click();  // object B
  m.Find<QRadioButton>("RadioButton6")->click();  // 'OFF'
  m.Find<QRadioButton>("RadioButton14")->click();  // 'CSV'
  speed->setValue(1);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(w.Run.SelectedObject, 1);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton7")->isChecked());
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton8")->isChecked());
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].TrackMode, 1);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton5")->isChecked());
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton6")->isChecked());
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton14")->isChecked());
}

// Playback that meets a frame it cannot read stops with a box; the switches
// it held come back, so the user can change the reader, say.
TEST_F(RunControlFaults, PlaybackStoppedByAnUnreadableFrameGivesItsSwitchesBack) {
  TPlatform& w = m.W();
  const auto path = m.Path("twelve.avi");
  std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
  m.Click("SpeedButton1");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_TRUE(m.dialogs.messages[0].text.startsWith("Fail to get a bitmap."));
  EXPECT_LT(bar->value(), 11);
  EXPECT_TRUE(m.Rows().empty());
  EXPECT_TRUE(w.CheckBox14->isEnabled());
  EXPECT_TRUE(w.CheckBox7->isEnabled());
  EXPECT_TRUE(w.Button40->isEnabled());
}

// 'DEL' down to an empty table frees 'Field Measure' as 'DataRemove' does:
// no row is left whose layout it must keep.
TEST_F(RunControlFaults, DeletingEveryRowFreesFieldMeasure) {
  QCheckBox* field = m.Find<QCheckBox>("CheckBox2");
  m.Click("Button16");
  m.Click("Button16");
  ASSERT_EQ(m.RowFrames(), FrameRange(0, 1));
  ASSERT_FALSE(field->isEnabled());
  m.Click("Button21");
  EXPECT_FALSE(field->isEnabled());  // frame 0's row stands
  m.Click("Button21");
  ASSERT_TRUE(m.Rows().empty());
  EXPECT_TRUE(field->isEnabled());
  field->click();
  ASSERT_TRUE(field->isChecked());
  m.Click("Button16");
  std::vector<std::string> cells;
  for (const std::string& row : m.Rows()) cells.push_back(StripQuotes(GetCsvField(row, 1)));
  EXPECT_EQ(cells, (std::vector<std::string>{"0.0", "0.5"}));
}

// A field table whose last frame kept one row (cut in a spreadsheet): 'DEL'
// takes that row only, and the frame before keeps both of its fields.
TEST_F(RunControlFaults, DelOnAHalfFieldPairKeepsTheFrameBefore) {
  m.Find<QCheckBox>("CheckBox2")->setChecked(true);
  for (int i = 0; i < 4; ++i) m.Click("Button16");
  ASSERT_EQ(m.RowFrames(), (std::vector<int>{0, 0, 1, 1, 2, 2, 3, 3}));
  const auto csv = m.Path("fields.csv");
  ASSERT_TRUE(m.SaveTableThroughButton6(csv));
  std::vector<std::string> lines = m.W().Results.Lines();
  lines.pop_back();
  std::ofstream out(csv, std::ios::binary);
  for (const std::string& line : lines) out << line << "\r\n";
  out.close();
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_EQ(m.RowFrames(), (std::vector<int>{0, 0, 1, 1, 2, 2, 3}));
  ASSERT_TRUE(m.Find<QCheckBox>("CheckBox2")->isChecked());
  m.W().GoToFrame(3);
  m.Click("Button21");
  EXPECT_EQ(m.RowFrames(), (std::vector<int>{0, 0, 1, 1, 2, 2}));
  EXPECT_EQ(bar->value(), 2);
  m.Click("Button16");
  std::vector<std::string> cells;
  for (const std::string& row : m.Rows()) cells.push_back(StripQuotes(GetCsvField(row, 1)));
  EXPECT_EQ(cells, (std::vector<std::string>{"0.0", "0.5", "1.0", "1.5", "2.0", "2.5", "3.0", "3.5"}));
}

}  // namespace
