// Edges of single-frame measuring and backward playback in the real window.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "MainRoadFixture.h"
#include "app/ui/TPlatformIdentHost.h"
#include "app/ui/TPreserveSetting.h"

namespace {

constexpr int kStarX = 40, kStarY = 30;

class RunEdges : public SteadyStarWindow {};

// Rows measured one frame at a time keep their layout: a click on 'Field
// Measure' would rewrite the header and drop them.
TEST_F(RunEdges, OneFrameRowsLockFieldMeasureAsARunDoes) {
  m.ClickImage1(kStarX, kStarY);
  QCheckBox* field = m.Find<QCheckBox>("CheckBox2");
  ASSERT_TRUE(field->isEnabled());
  m.Click("Button16");
  m.Click("Button16");
  ASSERT_EQ(m.Rows().size(), 2u);
  EXPECT_FALSE(field->isEnabled());
  field->click();
  EXPECT_FALSE(field->isChecked());
  EXPECT_EQ(m.Rows().size(), 2u);
}

// Backward playback with a step of 5 from frame 7 stops at frame 2 (the next
// step would pass frame 0); it must leave the direction unset so that the
// next '<' plays again.
TEST_F(RunEdges, BackwardPlaybackStoppingShortOfFrameZeroCanPlayAgain) {
  TPlatform& w = m.W();
  m.Find<QSpinBox>("UpDown9")->setValue(5);
  ASSERT_EQ(w.Run.FrameStep, 5);
  w.GoToFrame(7);
  m.Click("SpeedButton10");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(bar->value(), 2);
  EXPECT_FALSE(w.Run.PlayBackward);
  EXPECT_EQ(w.Run.FrameStep, 5);

  bar->setValue(11);  // the user drags the bar
  m.Click("SpeedButton10");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(bar->value(), 1);  // 11, 6, 1
  EXPECT_TRUE(m.Rows().empty());
}

// A step changed while playing backwards keeps the direction, from the
// up-down and from its edit alike.
TEST_F(RunEdges, AStepChangedWhilePlayingBackwardsKeepsTheDirection) {
  TPlatform& w = m.W();
  // By hand, typed, or by the identification window's search for the
  // integration interval.
  for (const char* way : {"UpDown9", "Edit19", "Identification"}) {
    SCOPED_TRACE(way);
    m.Find<QSpinBox>("UpDown9")->setValue(1);
    w.GoToFrame(11);
    m.Click("SpeedButton10");
    ASSERT_TRUE(w.Run.PlayBackward);
    if (std::string(way) == "Edit19") {
      QLineEdit* edit = m.Find<QSpinBox>("UpDown9")->findChild<QLineEdit*>();
      ASSERT_NE(edit, nullptr);
      edit->setText("2");
      w.Edit19Exit();
    } else if (std::string(way) == "Identification") {
      TPlatformIdentHost(w).SetFrameStep(2);
    } else {
      m.Find<QSpinBox>("UpDown9")->setValue(2);
    }
    EXPECT_EQ(w.Run.FrameStep, -2);
    ASSERT_TRUE(m.WaitUntilStopped(5000));
    EXPECT_LE(bar->value(), 1);
    EXPECT_EQ(w.Run.FrameStep, 2);
    EXPECT_FALSE(w.Run.PlayBackward);
  }
}

// '<' on frame 0 has nowhere to go; it must not leave the direction set either.
TEST_F(RunEdges, BackwardPlaybackFromFrameZeroLeavesNoDirectionBehind) {
  TPlatform& w = m.W();
  m.Click("SpeedButton10");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(bar->value(), 0);
  EXPECT_FALSE(w.Run.PlayBackward);
  EXPECT_EQ(w.Run.FrameStep, 1);
  bar->setValue(3);
  m.Click("SpeedButton10");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(bar->value(), 0);
}

// 'Photometry' (PSF) measures frames only; after a run of field rows it is
// refused with a note instead of unticking 'Field Measure', which would
// rewrite the header and drop the rows.
TEST_F(RunEdges, PsfAfterAFieldRunKeepsTheFieldRows) {
  m.Find<QCheckBox>("CheckBox2")->click();
  m.ClickImage1(kStarX, kStarY);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(m.Rows().size(), 24u);
  QCheckBox* psf = m.Find<QCheckBox>("CheckBox14");
  ASSERT_TRUE(psf->isEnabled());
  m.dialogs.messages.clear();
  psf->click();
  EXPECT_FALSE(psf->isChecked());
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox2")->isChecked());
  EXPECT_EQ(m.Rows().size(), 24u);
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text, "Field mode is not available on PSF photometry.");
}

// 'Default' of 'Update Setting Items' after a field run: the factory set-up
// asks for frames, but the measured field rows stay with their header.
TEST_F(RunEdges, DefaultSettingsAfterAFieldRunKeepTheFieldRows) {
  m.Find<QCheckBox>("CheckBox2")->click();
  m.ClickImage1(kStarX, kStarY);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> measured = m.W().Results.Lines();
  ASSERT_EQ(m.Rows().size(), 24u);
  m.Click("Button17");
  auto* d = m.W().findChild<TPreserveSetting*>("PreserveSetting");
  ASSERT_NE(d, nullptr);
  m.dialogs.messages.clear();
  m.dialogs.yes_no_answers = {true};
  d->findChild<QPushButton*>("Button3")->click();
  EXPECT_EQ(m.W().Results.Lines(), measured);
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox2")->isChecked());
  EXPECT_FALSE(m.Find<QCheckBox>("CheckBox2")->isEnabled());
  ASSERT_EQ(m.dialogs.messages.size(), 2u);
  EXPECT_EQ(m.dialogs.messages[0].text, "Field mode is not available on PSF photometry.");
  EXPECT_EQ(m.dialogs.messages[1].text, "Default Setting was saved.");
  d->close();
}

// Switching PSF off after a PSF run frees 'Field Measure' only when no rows
// are measured: its click would rewrite the header and drop them.
TEST_F(RunEdges, PsfOffAfterAPsfRunKeepsFieldMeasureLocked) {
  QCheckBox* psf = m.Find<QCheckBox>("CheckBox14");
  QCheckBox* field = m.Find<QCheckBox>("CheckBox2");
  psf->click();
  ASSERT_TRUE(psf->isChecked());
  psf->click();
  EXPECT_TRUE(field->isEnabled());  // no rows yet
  psf->click();
  m.ClickImage1(kStarX, kStarY);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(m.Rows().size(), 12u);
  psf->click();
  ASSERT_FALSE(psf->isChecked());
  EXPECT_FALSE(field->isEnabled());
  field->click();
  EXPECT_EQ(m.Rows().size(), 12u);
}

// 'Show Field' and 'Direction Setting' take 'Field Measure' away for a while;
// they give it back as it was, so rows measured before stay locked in.
enum class Interlude { ShowField, DirectionSetting };

void PassThrough(MainRoadWindow& m, Interlude way) {
  if (way == Interlude::ShowField) {
    m.Find<QCheckBox>("CheckBox1")->click();
    m.Find<QCheckBox>("CheckBox1")->click();
    return;
  }
  m.Find<QRadioButton>("RadioButton2")->click();  // a form with a direction
  m.Click("Button7");
  ASSERT_TRUE(m.W().Run.DirectionSettingMode);
  m.ClickImage1(kStarX + 5, kStarY);  // ends the setting
  ASSERT_FALSE(m.W().Run.DirectionSettingMode);
}

class FieldMeasureAfter : public RunEdges, public ::testing::WithParamInterface<Interlude> {};

TEST_P(FieldMeasureAfter, RowsKeepItLockedAndAnEmptyTableFreesIt) {
  QCheckBox* field = m.Find<QCheckBox>("CheckBox2");
  m.ClickImage1(kStarX, kStarY);
  PassThrough(m, GetParam());
  EXPECT_TRUE(field->isEnabled());  // no rows yet

  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(m.Rows().size(), 12u);
  PassThrough(m, GetParam());
  EXPECT_FALSE(field->isEnabled());
  field->click();
  EXPECT_EQ(m.Rows().size(), 12u);
}

INSTANTIATE_TEST_SUITE_P(Interludes, FieldMeasureAfter,
                         ::testing::Values(Interlude::ShowField, Interlude::DirectionSetting));

}  // namespace
