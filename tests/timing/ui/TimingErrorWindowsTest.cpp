// Timing-error graph, simulation and linearity windows driven through their
// controls.
#include <algorithm>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "base/NumberText.h"
#include "base/ProgramRandom.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "timing/ui/FindControl.h"
#include "timing/Linearity.h"
#include "timing/TimingError.h"
#include "timing/ui/TLinearity.h"
#include "timing/ui/TTimingError.h"
#include "timing/ui/TTimingErrorSimulation.h"

namespace {

QRgb Pixel(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

TEST(TimingErrorWindow, DrawsCurveAndPointsOnce) {
  QWidget owner;
  OpenTimingError(&owner);
  ASSERT_TRUE(TimingErrorOpen());
  auto* w = owner.findChild<TTimingError*>();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Estimated error of timing");
  OpenTimingError(&owner);  // open already: nothing new
  EXPECT_EQ(owner.findChildren<TTimingError*>().size(), 1);
  // Axes in black; a red point at x = 1.5 (px 510) on its simulated value.
  EXPECT_EQ(Pixel(w->Picture, 60, 300), 0x000000u);
  const int py = TimingErrorPy(SimulatedTimingErrors()[30]);
  EXPECT_EQ(Pixel(w->Picture, 510 + 2, py), 0xFF0000u);
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(TimingErrorOpen());
}

// Curve vertices worked out apart from the program with Python's decimal
// (px = 300 x + 60, py = 452 - 36 y, halves away from zero). From x = 0.46
// the second coefficient set holds: with the first one x = 0.47..0.50 would
// each lie a pixel higher. At the vertices of the switch the curve is one
// pixel thick, so the column holds just that blue pixel.
TEST(TimingErrorWindow, CurveVerticesSitWhereTheScaleSays) {
  QWidget owner;
  OpenTimingError(&owner);
  auto* w = owner.findChild<TTimingError*>();
  ASSERT_NE(w, nullptr);
  const struct {
    int x, y;
    bool alone;
  } rows[] = {{60, 452, false},  {150, 437, false}, {195, 414, true}, {198, 413, true}, {201, 411, true},
              {204, 409, true},  {207, 408, true},  {210, 406, true}, {360, 265, false}, {525, 30, true}};
  for (const auto& r : rows) {
    std::vector<int> blue;
    for (int y = 0; y < 460; ++y)
      if (Pixel(w->Picture, r.x, y) == 0x0000FFu) blue.push_back(y);
    SCOPED_TRACE(testing::Message() << "column " << r.x);
    EXPECT_NE(std::find(blue.begin(), blue.end(), r.y), blue.end());
    if (r.alone) {
      EXPECT_EQ(blue, std::vector<int>{r.y});
    }
  }
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The vertical axis caption is drawn whole: ink in its column, none at the picture's top edge.
TEST(TimingErrorWindow, VerticalCaptionFitsThePicture) {
  QWidget owner;
  OpenTimingError(&owner);
  auto* w = owner.findChild<TTimingError*>();
  ASSERT_NE(w, nullptr);
  int top = -1;
  for (int y = 0; y < w->Picture.height() && top < 0; ++y)
    for (int x = 10; x < 32; ++x)
      if (Pixel(w->Picture, x, y) != 0xFFFFFFu) {
        top = y;
        break;
      }
  EXPECT_GE(top, 4);
  EXPECT_LT(top, 200);
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(TimingErrorSimulationWindow, StartsWithASeededSingleSimulation) {
  SetRandomState(0);
  TTimingErrorSimulation w;
  EXPECT_EQ(w.windowTitle(), "Timing Error Simulation");
  const QStringList lines = Find<QPlainTextEdit>(w, "Memo1")->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 203);
  EXPECT_EQ(lines[100], "Shift= 0.6982");
  EXPECT_EQ(lines.last(), "Difference= -0.0182");
  EXPECT_EQ(Find<QLineEdit>(w, "Edit5")->text(), "0.0861");
  // The true event is a red line at gx(0.198) = 451.
  EXPECT_EQ(Pixel(w.Picture, 451, 130), 0xFF0000u);
}

TEST(TimingErrorSimulationWindow, UpDownsMoveNoiseWidthAndEstimate) {
  TTimingErrorSimulation w;
  Find<TUpDown>(w, "UpDown1")->setValue(46);  // Related: both noise levels follow
  EXPECT_EQ(Find<QLineEdit>(w, "Edit1")->text(), "0.46");
  EXPECT_EQ(Find<QLineEdit>(w, "Edit2")->text(), "0.46");
  EXPECT_EQ(Find<TUpDown>(w, "UpDown2")->Position(), 46);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit5")->text(), "1.1099");  // first coefficient set up to 0.5
  Find<TUpDown>(w, "UpDown5")->setValue(2);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit7")->text(), "4");
  EXPECT_EQ(Find<QLabel>(w, "Label9")->text(), "Each point means a unit of integration");
  EXPECT_EQ(Find<QLineEdit>(w, "Edit6")->text(), "0.1481");
  Find<QCheckBox>(w, "CheckBox1")->click();
  Find<TUpDown>(w, "UpDown2")->setValue(20);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit1")->text(), "0.46");
  EXPECT_DOUBLE_EQ(static_cast<double>(w.Settings.STDV1), 0.2);
  Find<TUpDown>(w, "UpDown3")->setValue(0);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit3")->text(), "0.00");
  Find<TUpDown>(w, "UpDown4")->setValue(3);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit4")->text(), "8");
}

// The estimate against independently evaluated polynomial values; past the
// curve's turning point (1.885) it would fall and turn negative, so it is blank.
TEST(TimingErrorSimulationWindow, EstimateOnlyWhereTheCurveRises) {
  TTimingErrorSimulation w;
  const struct {
    int position;
    const char* frames;
    const char* seconds;
  } rows[] = {{150, "11.1494", "0.3720"}, {188, "13.9343", "0.4649"}, {189, "", ""},
              {250, "", ""},              {400, "", ""},              {10, "0.0861", "0.0029"}};
  for (const auto& r : rows) {
    Find<TUpDown>(w, "UpDown1")->setValue(r.position);
    EXPECT_EQ(Find<QLineEdit>(w, "Edit5")->text(), r.frames) << r.position;
    EXPECT_EQ(Find<QLineEdit>(w, "Edit6")->text(), r.seconds) << r.position;
  }
  // A huge or negative noise typed into the other edit gives no estimate either.
  Find<QCheckBox>(w, "CheckBox1")->click();
  for (const char* typed : {"1e300", "-5"}) {
    Find<QLineEdit>(w, "Edit1")->setText(typed);
    Find<QLineEdit>(w, "Edit2")->setText(typed);
    Find<TUpDown>(w, "UpDown5")->setValue(Find<TUpDown>(w, "UpDown5")->Position() + 1);
    EXPECT_EQ(Find<QLineEdit>(w, "Edit5")->text(), "") << typed;
  }
}

// A noise level the estimate cannot read (a decimal comma, a word) is
// reported and the estimate stays as it was, instead of being worked out as
// if that level were 0. Expected values from the polynomial's published
// coefficients, evaluated in Python's decimal.
TEST(TimingErrorSimulationWindow, EstimateReportsAnUnreadableNoiseLevel) {
  ScriptedDialogService dialogs;
  ScopedDialogService use{dialogs};
  TTimingErrorSimulation w;
  Find<QCheckBox>(w, "CheckBox1")->click();  // the levels apart
  const struct {
    const char *edit2, *edit1;
    int integration;  // UpDown5 position
    const char *message, *frames, *seconds;
  } steps[] = {
      {"0.3", "0.10", 1, "", "0.4060", "0.0271"},
      {"0,3", "0.10", 2, "'0,3' is not a valid floating point value", "0.4060", "0.0271"},
      {"0.25", "abc", 3, "'abc' is not a valid floating point value", "0.4060", "0.0271"},
      {"0.25", "", 2, "'' is not a valid floating point value", "0.4060", "0.0271"},
      {"0.25", "0.10", 0, "", "0.2878", "0.0096"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(std::string(s.edit2) + " / " + s.edit1);
    dialogs.messages.clear();
    Find<QLineEdit>(w, "Edit2")->setText(s.edit2);
    Find<QLineEdit>(w, "Edit1")->setText(s.edit1);
    Find<TUpDown>(w, "UpDown5")->setValue(s.integration);
    if (*s.message) {
      ASSERT_EQ(dialogs.messages.size(), 1u);
      EXPECT_EQ(dialogs.messages[0].text, s.message);
    } else {
      EXPECT_TRUE(dialogs.messages.empty());
    }
    EXPECT_EQ(Find<QLineEdit>(w, "Edit5")->text(), s.frames);
    EXPECT_EQ(Find<QLineEdit>(w, "Edit6")->text(), s.seconds);
  }
}

TEST(TimingErrorSimulationWindow, ListingButtons) {
  TTimingErrorSimulation w;
  QPlainTextEdit* memo = Find<QPlainTextEdit>(w, "Memo1");
  memo->clear();
  Find<QPushButton>(w, "Button6")->click();
  QStringList lines = memo->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 101);
  EXPECT_EQ(lines[49], "-1 0.7300");
  memo->clear();
  Find<QPushButton>(w, "Button2")->click();
  lines = memo->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 1001);
  EXPECT_EQ(lines[500], "0 0.5000");
  EXPECT_EQ(lines[502], "2 0.7000");
  QWidget* before = QApplication::activeWindow();
  (void)before;
  Find<QPushButton>(w, "Button8")->click();
  EXPECT_TRUE(TimingErrorOpen());
  for (TTimingError* t : w.findChildren<TTimingError*>()) t->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(LinearityWindow, GraphAndText) {
  auto* w = new TLinearity;
  EXPECT_TRUE(LinearityOpen());
  EXPECT_EQ(w->windowTitle(), "Linearity");
  const QStringList lines = w->Memo1->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], "Explanation");
  EXPECT_EQ(lines[1], "");
  EXPECT_TRUE(lines[2].contains("appears to \"drift\" through"));
  // Plateau point at index 32 in blue; the fitted line reaches ~43950 at 33.
  EXPECT_EQ(Pixel(w->Picture, LinearityPx(1001, 32) + 2, LinearityPy(541, 39079.2)), 0x0000FFu);
  EXPECT_NEAR(LinearityFit(33), 43949.5, 1);
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(LinearityOpen());
}

// Circle centres worked out apart from the program with Python's decimal
// (x: 931 i / 70 + 40, y: 481 - 461 v / 45000, halves away from zero): the
// blue ink around each centre is symmetric about it. Indices 5, 15 and 45
// fall on half pixels; 2 and 63 hold negative intensities.
TEST(LinearityWindow, PointsAndFittedLineSitWhereTheScaleSays) {
  TLinearity w;
  const struct {
    int i, x, y;
  } rows[] = {{0, 40, 481},  {2, 67, 481},  {5, 107, 472}, {15, 240, 311},
              {32, 466, 81}, {45, 639, 209}, {63, 878, 482}, {70, 971, 481}};
  for (const auto& r : rows) {
    int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
    for (int y = r.y - 3; y <= r.y + 3; ++y)
      for (int x = r.x - 3; x <= r.x + 3; ++x)
        if (x >= 0 && x < w.Picture.width() && Pixel(w.Picture, x, y) == 0x0000FFu) {
          left = std::min(left, x), right = std::max(right, x);
          top = std::min(top, y), bottom = std::max(bottom, y);
        }
    ASSERT_GE(right, 0) << r.i;
    EXPECT_EQ(left + right, 2 * r.x) << r.i;
    EXPECT_EQ(top + bottom, 2 * r.y) << r.i;
  }
  // The red line runs from index 3 to 33: (80, 501) to (479, 31).
  EXPECT_EQ(Pixel(w.Picture, 80, 501), 0xFF0000u);
  EXPECT_EQ(Pixel(w.Picture, 479, 31), 0xFF0000u);
}

// Escape closes the modal window as the close box does: the flag drops and
// the window is freed, so the menu command can show it again.
TEST(LinearityWindow, EscapeClosesAndFreesIt) {
  QWidget owner;
  for (int round = 0; round < 2; ++round) {
    ASSERT_FALSE(LinearityOpen());
    QPointer<TLinearity> w = new TLinearity(&owner);
    QTimer::singleShot(0, w, [w] {
      QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(w, &esc);
    });
    w->exec();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_FALSE(LinearityOpen());
  }
}

}  // namespace

namespace {

void PressOn(QWidget* w, QEvent::Type type) {
  const QPointF p(w->width() - 4, 4);  // the up arrow
  QMouseEvent e(type, p, w->mapToGlobal(p), Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// Holding the noise up-down's arrow: steps of 1, then 2, 5 and 10 after 1, 2
// and 3 seconds; released, steps of 1 again.
TEST(TimingErrorSimulationWindow, NoiseUpDownAcceleratesWhileHeld) {
  qint64 now = 50000;
  auto& clock = TUpDown::AccelerationClock();
  const auto real = clock;
  clock = [&now] { return now; };
  TTimingErrorSimulation w;
  w.show();
  auto* up = Find<TUpDown>(w, "UpDown3");
  const int start = up->Position();
  PressOn(up, QEvent::MouseButtonPress);  // the first step comes with the press
  const int pressed = up->Position();
  EXPECT_EQ(pressed, start + 1);
  const struct {
    qint64 held;
    int step;
  } rows[] = {{500, 1}, {1200, 2}, {2500, 5}, {3100, 10}, {9000, 10}};
  int at = pressed;
  for (const auto& r : rows) {
    now = 50000 + r.held;
    up->stepUp();
    EXPECT_EQ(up->Position(), at + r.step) << r.held;
    at = up->Position();
  }
  PressOn(up, QEvent::MouseButtonRelease);
  up->stepUp();
  EXPECT_EQ(up->Position(), at + 1);
  EXPECT_EQ(Find<QLineEdit>(w, "Edit3")->text(), FormatFixed((at + 1) / 100.0L, 2, 4).c_str());
  clock = real;
}

// A run goes on off the window's thread with its progress shown; closing the
// window stops it and adds nothing.
TEST(TimingErrorSimulationWindow, LongRunShowsProgressAndStopsOnClose) {
  TTimingErrorSimulation w;
  w.show();
  auto* progress = Find<QProgressBar>(w, "ProgressBar1");
  auto* memo = Find<QPlainTextEdit>(w, "Memo1");
  Find<QPushButton>(w, "Button4")->click();
  EXPECT_TRUE(w.Running());
  EXPECT_TRUE(memo->toPlainText().isEmpty());
  EXPECT_FALSE(Find<QPushButton>(w, "Button7")->isEnabled());
  Find<QPushButton>(w, "Button4")->click();  // running already: nothing
  QElapsedTimer t;
  t.start();
  while (progress->value() < 1 && t.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_GE(progress->value(), 1);
  w.close();
  EXPECT_FALSE(w.Running());
  QApplication::processEvents();
  EXPECT_TRUE(memo->toPlainText().isEmpty());
  EXPECT_TRUE(Find<QPushButton>(w, "Button4")->isEnabled());
  EXPECT_EQ(progress->value(), 0);
}

}  // namespace

namespace {

// Whether the last modality news a timing-error graph got was that it is blocked.
struct GraphBlockWatch : QObject {
  bool blocked = false;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (qobject_cast<TTimingError*>(o) && (e->type() == QEvent::WindowBlocked || e->type() == QEvent::WindowUnblocked))
      blocked = e->type() == QEvent::WindowBlocked;
    return false;
  }
};

// "A set of estimation" pressed in the modal simulation: the graph can be used
// (moved, closed) while the simulation is open, and stays when it closes.
TEST(TimingErrorSimulationWindow, GraphOpenedFromItIsNotBlockedByIt) {
  QWidget owner;
  owner.show();
  auto* sim = new TTimingErrorSimulation(&owner);
  sim->setAttribute(Qt::WA_DeleteOnClose);
  sim->setWindowModality(Qt::ApplicationModal);  // as exec() shows it
  sim->show();
  QApplication::processEvents();
  GraphBlockWatch watch;
  qApp->installEventFilter(&watch);
  Find<QPushButton>(*sim, "Button8")->click();
  QApplication::processEvents();
  qApp->removeEventFilter(&watch);
  auto* graph = owner.findChild<TTimingError*>();
  ASSERT_TRUE(graph);
  EXPECT_FALSE(watch.blocked);
  sim->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(TimingErrorOpen());
  EXPECT_TRUE(graph->isVisible());
  graph->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(TimingErrorOpen());
}

}  // namespace

namespace {

// Enter pressed in any of the window's edits (a typed noise level, say) runs
// nothing: no simulation is made, no random numbers drawn, no line added.
TEST(TimingErrorSimulationWindow, EnterInAnEditRunsNothing) {
  TTimingErrorSimulation w;
  w.show();
  w.activateWindow();
  QApplication::processEvents();
  auto* memo = Find<QPlainTextEdit>(w, "Memo1");
  const QString before = memo->toPlainText();
  const uint32_t state = RandomState();
  for (const char* name : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit7", "UpDown1Position"}) {
    SCOPED_TRACE(name);
    QLineEdit* edit = Find<QLineEdit>(w, name);
    edit->setFocus();
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
      QKeyEvent press(QEvent::KeyPress, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
      QApplication::sendEvent(edit, &press);
    }
    QApplication::processEvents();
    EXPECT_EQ(memo->toPlainText(), before);
    EXPECT_EQ(RandomState(), state);
    EXPECT_TRUE(w.isVisible());
  }
}

}  // namespace
