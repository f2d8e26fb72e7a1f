// Input and click orders that once broke the main window: each row is the
// window's state, the input, the click; the window must take it (a message
// or nothing) and go away cleanly.
#include <functional>

#include "MainRoadFixture.h"
#include "support/WindowMonkey.h"

namespace {

struct Fault {
  const char* name;
  std::function<void(MainRoadWindow&)> act;
};

class MainWindowFaults : public ::testing::TestWithParam<Fault> {};

TEST_P(MainWindowFaults, TheWindowTakesTheInputAndClosesCleanly) {
  auto m = std::make_unique<MainRoadWindow>(Reader::OwnAvi);
  m->W().show();
  GetParam().act(*m);
  QApplication::processEvents();
  m.reset();  // the sanitizers watch the teardown too
}

const Fault kFaults[] = {
    // The step's typed text is taken on Enter or leaving; a window going away
    // before either must not run the handler on itself half torn down.
    {"StepTypedButNotTakenWhenTheWindowGoes", [](MainRoadWindow& m) { TypeOver(m.Find<QWidget>("UpDown9"), "7"); }},
};

INSTANTIATE_TEST_SUITE_P(Rows, MainWindowFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
