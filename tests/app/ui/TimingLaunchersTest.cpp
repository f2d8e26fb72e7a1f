// The main window's launchers of the timing tools.
#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "MainRoadFixture.h"
#include "events/ui/TLunarVelocityCalculator.h"
#include "app/ui/TMeasurementOption.h"
#include "timing/ui/TCMOSExposureCalc.h"
#include "timing/ui/TLinearity.h"
#include "timing/ui/TTimingError.h"
#include "timing/ui/TTimingErrorSimulation.h"

namespace {

// Records whether a modal `Window` came up, then closes it.
template <class Window>
void CloseWhenModalOpens(TPlatform& main, bool& seen) {
  QTimer::singleShot(0, &main, [&main, &seen] {
    Window* w = main.findChild<Window*>();
    seen = w && w->isModal();
    if (w) w->close();
  });
}

TEST(TimingLaunchers, ToolsMenuAndButton) {
  MainRoadWindow m(Reader::OwnAvi);
  QAction* cmos = m.Find<QAction>("ExposureTimeCalculationforCMOSCam1");
  EXPECT_EQ(cmos->text(), "Exposure Time Calculation for CMOS Cam");
  cmos->trigger();
  ASSERT_TRUE(CMOSExposureCalc());
  EXPECT_TRUE(CMOSExposureCalc()->isVisible());
  EXPECT_TRUE(CMOSExposureCalc()->Memo1->toPlainText().isEmpty());
  CMOSExposureCalc()->close();

  m.Find<QAction>("Errorestimation1")->trigger();
  EXPECT_TRUE(TimingErrorOpen());
  m.Find<QAction>("Errorestimation1")->trigger();
  EXPECT_EQ(m.W().findChildren<TTimingError*>().size(), 1);
  m.W().findChild<TTimingError*>()->close();

  for (int round = 0; round < 2; ++round) {  // closing and choosing it again shows it again
    bool seen = false;
    CloseWhenModalOpens<TLinearity>(m.W(), seen);
    m.Find<QAction>("LinearityofVideo1")->trigger();
    EXPECT_TRUE(seen);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(LinearityOpen());
  }

  bool seen = false;
  CloseWhenModalOpens<TTimingErrorSimulation>(m.W(), seen);
  m.Click("Button30");
  EXPECT_TRUE(seen);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(m.W().findChild<TTimingErrorSimulation*>(), nullptr);

  // Without a chart the calculator works on its own and writes nowhere.
  QAction* velocity = m.Find<QAction>("LunarVelocityCalculator1");
  EXPECT_EQ(velocity->text(), "Lunar Velocity Calculator");
  EXPECT_TRUE(velocity->isEnabled());
  EXPECT_EQ(m.W().findChildren<QAction*>("LunarVelocityCalculator1").size(), 1);
  velocity->trigger();
  velocity->trigger();
  ASSERT_EQ(m.W().findChildren<TLunarVelocityCalculator*>().size(), 1);
  auto* calculator = m.W().findChild<TLunarVelocityCalculator*>();
  calculator->Button4->click();
  EXPECT_EQ(calculator->Edit5->text(), "24000");
  calculator->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(TLunarVelocityCalculator::IsOpen());
  EXPECT_EQ(m.W().findChild<TLunarVelocityCalculator*>(), nullptr);
}

// Choosing a tool window's menu item again while it is open shows that one
// window, not a second copy beside it.
TEST(TimingLaunchers, ChoosingAnOpenWindowAgainKeepsOneWindow) {
  MainRoadWindow m(Reader::OwnAvi);
  for (int round = 0; round < 2; ++round) {
    m.Find<QAction>("ExposureTimeCalculationforCMOSCam1")->trigger();
    m.Find<QAction>("MeasuremenOption1")->trigger();
  }
  auto visible = [&](auto* sample) {
    using Window = std::remove_pointer_t<decltype(sample)>;
    int n = 0;
    for (Window* w : m.W().findChildren<Window*>()) n += w->isVisible();
    return n;
  };
  EXPECT_EQ(visible(static_cast<TCMOSExposureCalc*>(nullptr)), 1);
  EXPECT_EQ(visible(static_cast<TMeasurementOption*>(nullptr)), 1);
  // Closed, it opens again.
  CMOSExposureCalc()->close();
  m.W().MeasurementOption->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  m.Find<QAction>("ExposureTimeCalculationforCMOSCam1")->trigger();
  m.Find<QAction>("MeasuremenOption1")->trigger();
  EXPECT_EQ(visible(static_cast<TCMOSExposureCalc*>(nullptr)), 1);
  EXPECT_EQ(visible(static_cast<TMeasurementOption*>(nullptr)), 1);
  ASSERT_TRUE(CMOSExposureCalc());
  EXPECT_TRUE(CMOSExposureCalc()->isVisible());
  CMOSExposureCalc()->close();
}

}  // namespace
