// The timing windows under a monkey: nonsense in every edit and clicks in
// any order never crash them.
#include "support/BeepWav.h"
#include "support/WindowMonkey.h"
#include "timing/ui/TCMOSExp2.h"
#include "timing/ui/TLinearity.h"
#include "timing/ui/TSoundIndicator.h"
#include "timing/ui/TTimingErrorSimulation.h"
#include "base/ui/DialogService.h"

namespace {

class TimingWindowMonkey : public ::testing::TestWithParam<MonkeyWindow> {};

TEST_P(TimingWindowMonkey, NonsenseInputAndAnyClickOrderKeepTheWindowAlive) {
  ScriptedDialogService dialogs;
  ScopedDialogService use(dialogs);
  RunMonkeyOn(GetParam());
}

TemporaryFolder& WavFolder() {
  static TemporaryFolder dir;
  return dir;
}

QWidget* SoundIndicator() {
  SoundIndicatorHost host;
  host.WavFileName = BeepWav(WavFolder());
  host.CurrentFrame = [] { return 20; };
  host.FrameCount = [] { return 40; };
  host.TimingFrameRate = [] { return 25.0; };
  host.MeasuringRun = [] { return false; };
  host.Report = [](bool, const std::string&) {};
  host.Closed = [] {};
  auto* w = new TSoundIndicator(host);
  if (w->SoundInit()) {
    w->SamplingRateShow();
    w->GraphDraw();
  }
  return w;
}

const MonkeyWindow kWindows[] = {
    {"Linearity", [] { return new TLinearity; }, {}, 41},
    {"TimingErrorSimulation", [] { return new TTimingErrorSimulation; }, {}, 42},
    {"CMOSExp2", [] { return new TCMOSExp2; }, {}, 43},
    {"SoundIndicator", SoundIndicator, {}, 44},
};

INSTANTIATE_TEST_SUITE_P(Windows, TimingWindowMonkey, ::testing::ValuesIn(kWindows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
