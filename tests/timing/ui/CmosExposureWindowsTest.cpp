// The two CMOS exposure windows driven through their controls.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "support/WindowControls.h"
#include "timing/ui/FindControl.h"
#include "timing/ui/TCMOSExp2.h"
#include "timing/ui/TCMOSExposureCalc.h"

namespace {

int LineCount(QPlainTextEdit* memo) { return memo->document()->blockCount(); }

// A target typed into the exposure edit and taken, then one digit stepped.
void TypeThenStep(TCMOSExp2& w, const char* typed, const char* updown, bool up) {
  QLineEdit* edit = Find<QLineEdit>(w, "Edit2");
  edit->setText(typed);
  emit edit->editingFinished();
  TUpDown* digit = Find<TUpDown>(w, updown);
  if (up)
    digit->stepUp();
  else
    digit->stepDown();
}

TEST(CmosExposureCalcWindow, LimitsAndFilterRelistTheTable) {
  auto* w = new TCMOSExposureCalc;
  EXPECT_EQ(w->windowTitle(), "CMOSExposureCalc");
  EXPECT_FALSE(Find<QPushButton>(*w, "Button1")->isVisibleTo(w));
  QPlainTextEdit* memo = Find<QPlainTextEdit>(*w, "Memo1");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit1")->text(), "75");
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit2")->text(), "15");
  EXPECT_EQ(LineCount(memo), 7 + 35);  // the recommended rows with the defaults
  EXPECT_EQ(Find<QPlainTextEdit>(*w, "Memo2")->toPlainText().split('\n').size(), 12);

  Find<QRadioButton>(*w, "RadioGroup1_2")->click();
  EXPECT_EQ(LineCount(memo), 7 + 1200);
  Find<QRadioButton>(*w, "RadioGroup1_1")->click();
  EXPECT_EQ(LineCount(memo), 7 + 427);
  // A stricter drift share leaves fewer suitable exposures.
  Find<TUpDown>(*w, "UpDown2")->stepDown();
  EXPECT_EQ(Find<QLineEdit>(*w, "Edit2")->text(), "10");
  EXPECT_EQ(CMOSExposureTable().ShiftPercentLimit, 10);
  EXPECT_LT(LineCount(memo), 7 + 427);
  Find<TUpDown>(*w, "UpDown1")->stepUp();
  EXPECT_EQ(CMOSExposureTable().LedCaptureTimeLimit, 80);
  // A new window starts again from the defaults.
  delete w;
  TCMOSExposureCalc again;
  EXPECT_EQ(CMOSExposureTable().ShiftPercentLimit, 15);
}

TEST(CmosExp2Window, CalculateListsCandidatesForThirtyMilliseconds) {
  TCMOSExp2 w;
  EXPECT_EQ(Find<QLineEdit>(w, "Edit2")->text(), "30.00");
  EXPECT_EQ(Find<QLineEdit>(w, "Edit3")->text(), "33.33333");
  EXPECT_EQ(Find<QPlainTextEdit>(w, "Memo2")->toPlainText().split('\n').first(), "Exp       FR     Delay   P      L");
  Find<QPushButton>(w, "Button1")->click();
  const QStringList lines = Find<QPlainTextEdit>(w, "Memo1")->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 10);
  EXPECT_EQ(lines.first(), "  20.8    48     -2       -8     -26");
  Find<QPushButton>(w, "Button2")->click();
  EXPECT_TRUE(Find<QPlainTextEdit>(w, "Memo1")->toPlainText().startsWith("This program can obtain"));
}

// The window goes (with the program) while the exposure edit holds typed
// text: its leaving must not run a handler of the half-destroyed window.
TEST(CmosExp2Window, DestroyedWhileAnEditHasTheFocus) {
  auto* w = new TCMOSExp2;
  ASSERT_TRUE(LeaveTypingIn(w, Find<QLineEdit>(*w, "Edit2"), "4"));
  delete w;
}

TEST(CmosExp2Window, TypedAndDigitTargets) {
  TCMOSExp2 w;
  QLineEdit* edit = Find<QLineEdit>(w, "Edit2");
  struct Step {
    const char* typed;
    const char* shown;
    double target;
  };
  const Step steps[] = {
      {"4.6", "4.6", 4.6},      // split from whole hundredths
      {"abc", "4.6", 4.6},      // not a number: the last text comes back
      {"0.05", "4.6", 4.6},     // would be a zero target: refused
      {"950", "950", 4.6},      // out of range: left for the user to correct
      {"123.45", "123.4", 123.4},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.typed);
    edit->setText(s.typed);
    emit edit->editingFinished();
    EXPECT_EQ(edit->text(), s.shown);
    EXPECT_NEAR(w.State.TargetExposure, s.target, 1e-12);
  }
  EXPECT_EQ(Find<TUpDown>(w, "UpDown2")->Position(), 1);
  EXPECT_EQ(Find<TUpDown>(w, "UpDown5")->Position(), 4);
  // The tens digit moves the target by 10 ms; the hidden hundredths stay out.
  Find<TUpDown>(w, "UpDown3")->stepDown();
  EXPECT_NEAR(w.State.TargetExposure, 113.4, 1e-9);
  EXPECT_EQ(edit->text(), "113.4");
  EXPECT_EQ(Find<QLineEdit>(w, "Edit3")->text(), "8.81834");
}

// Typed just below the 900 ms limit, the figures past the hundredths are
// dropped: the target and the digits stay below 900 and agree.
TEST(CmosExp2Window, TypedTargetJustBelowTheLimit) {
  TCMOSExp2 w;
  QLineEdit* edit = Find<QLineEdit>(w, "Edit2");
  edit->setText("899.9995");
  emit edit->editingFinished();
  EXPECT_EQ(edit->text(), "899.9");
  EXPECT_NEAR(w.State.TargetExposure, 899.9, 1e-9);
  const ExposureDigitSet shown = {Find<TUpDown>(w, "UpDown2")->Position(), Find<TUpDown>(w, "UpDown3")->Position(),
                                  Find<TUpDown>(w, "UpDown4")->Position(), Find<TUpDown>(w, "UpDown5")->Position(),
                                  Find<TUpDown>(w, "UpDown6")->Position()};
  EXPECT_EQ(shown, (ExposureDigitSet{8, 9, 9, 9, 9}));
  EXPECT_EQ(Find<QLineEdit>(w, "Edit3")->text(), "1.11123");
}

// After a typed target the digits belong to it: stepping a digit back to the
// value it had before the typing moves the target too.
TEST(CmosExp2Window, DigitStepAfterTypingFollowsTheDigits) {
  TCMOSExp2 w;
  QLineEdit* edit = Find<QLineEdit>(w, "Edit2");
  struct Case {
    const char* typed;
    const char* updown;
    bool up;
    const char* shown;
    double target;
  };
  const Case cases[] = {
      {"30.1", "UpDown5", false, "30.0", 30.0},  // back to the digits of the start
      {"40", "UpDown3", false, "30.0", 30.0},
      {"31", "UpDown4", false, "30.0", 30.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    TypeThenStep(w, c.typed, c.updown, c.up);
    EXPECT_EQ(edit->text(), c.shown);
    EXPECT_NEAR(w.State.TargetExposure, c.target, 1e-9);
    EXPECT_EQ(Find<QLineEdit>(w, "Edit3")->text(), "33.33333");
  }
}

// A digit clicked while the edit still holds a text that gave no target is
// taken: the digits, the edit and the target used stay one value.
TEST(CmosExp2Window, DigitClickAfterAnUntakenTextIsTaken) {
  struct Case {
    const char* typed;
    bool left;  // the edit was left (or Enter pressed) before the click
    const char* updown;
    const char* shown;
    double target;
  } cases[] = {
      {"950", true, "UpDown3", "40.0", 40.0},    // out of range
      {"950", false, "UpDown2", "130.0", 130.0},
      {"abc", false, "UpDown4", "31.0", 31.0},   // not a number
      {"0.05", false, "UpDown5", "30.1", 30.1},  // below a tenth
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    TCMOSExp2 w;
    QLineEdit* edit = Find<QLineEdit>(w, "Edit2");
    edit->setText(c.typed);
    if (c.left) emit edit->editingFinished();
    Find<TUpDown>(w, c.updown)->stepUp();
    EXPECT_EQ(edit->text(), c.shown);
    EXPECT_NEAR(w.State.TargetExposure, c.target, 1e-9);
    EXPECT_NEAR(ExposureFromDigits({Find<TUpDown>(w, "UpDown2")->Position(), Find<TUpDown>(w, "UpDown3")->Position(),
                                    Find<TUpDown>(w, "UpDown4")->Position(), Find<TUpDown>(w, "UpDown5")->Position(),
                                    Find<TUpDown>(w, "UpDown6")->Position()}),
                c.target, 1e-9);
  }
}

// A typed target keeps its hundredths on the hidden digit; a later digit step
// must not bring them back: the exposure shown, its frame rate and the range
// searched stay one value. Rates and ranges from exact fractions in Python.
TEST(CmosExp2Window, DigitStepAfterTypedHundredthsKeepsTheShownTarget) {
  struct Case {
    const char* typed;
    const char* updown;
    bool up;
    const char* shown;
    const char* rate;
    double first, last;  // the candidates searched, ms
  } cases[] = {
      {"30.15", "UpDown5", true, "30.2", "33.11258", 15.1, 60.4},
      {"59.95", "UpDown4", false, "58.9", "16.97793", 29.4, 117.8},
      {"0.15", "UpDown5", false, "0.1", "10000.00000", 0.1, 0.2},  // 0.0 is refused
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    TCMOSExp2 w;
    QLineEdit* edit = Find<QLineEdit>(w, "Edit2");
    TypeThenStep(w, c.typed, c.updown, c.up);
    EXPECT_EQ(edit->text(), c.shown);
    EXPECT_EQ(Find<QLineEdit>(w, "Edit3")->text(), c.rate);
    EXPECT_EQ(w.State.TargetExposure, std::stod(c.shown));
    Find<QPushButton>(w, "Button1")->click();
    ASSERT_GT(w.State.count, 0);
    EXPECT_NEAR(w.State.rec[1].E, c.first, 1e-9);
    EXPECT_NEAR(w.State.rec[w.State.count].E, c.last, 1e-9);
  }
}

// Enter, and "Calculate", while the exposure edit holds a number that gave no
// target tell so; "Calculate" keeps the last list instead of listing the old
// target's exposures under the new text.
TEST(CmosExp2Window, CalculateRefusesAnExposureNotTaken) {
  ScriptedDialogService dialogs;
  ScopedDialogService use(dialogs);
  TCMOSExp2 w;
  QLineEdit* edit = Find<QLineEdit>(w, "Edit2");
  QPlainTextEdit* memo = Find<QPlainTextEdit>(w, "Memo1");
  QPushButton* calculate = Find<QPushButton>(w, "Button1");
  calculate->click();
  const QString listed = memo->toPlainText();
  for (const char* typed : {"950", "900", "0", "-3", "1e-400"}) {
    SCOPED_TRACE(typed);
    dialogs.messages.clear();
    edit->setText(typed);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
    calculate->click();
    const QString refused = QString("The exposure time must be 0.1 ms or more and below 900 ms: \"") + typed +
                            "\" is not taken, ";
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, refused + "it stays 30.0 ms.");
    EXPECT_EQ(dialogs.messages[1].text, refused + "so nothing is searched.");
    EXPECT_EQ(edit->text(), typed);
    EXPECT_EQ(memo->toPlainText(), listed);
    EXPECT_EQ(w.State.TargetExposure, 30);
  }
  // Not a number, the last text comes back; corrected, the search runs for
  // the new target: 22.5 .. 90.0 ms.
  dialogs.messages.clear();
  for (const char* typed : {"abc", "45"}) {
    edit->setText(typed);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
  }
  calculate->click();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(edit->text(), "45.0");
  EXPECT_EQ(w.State.count, 900 - 225 + 1);
}

TEST(CmosExposureCalcWindow, TestButtonMakesANewSearchWindowCurrent) {
  QWidget owner;
  CreateCmosExposureWindows(&owner);
  ASSERT_TRUE(CMOSExposureCalc());
  ASSERT_TRUE(CMOSExp2());
  EXPECT_FALSE(CMOSExposureCalc()->isVisible());
  EXPECT_FALSE(CMOSExp2()->isVisible());
  TCMOSExp2* first = CMOSExp2();
  CMOSExposureCalc()->Button1Click();
  EXPECT_NE(CMOSExp2().data(), first);
  EXPECT_TRUE(CMOSExp2()->isVisible());
  EXPECT_TRUE(CMOSExposureCalc()->Memo1->toPlainText().isEmpty());
}

}  // namespace
