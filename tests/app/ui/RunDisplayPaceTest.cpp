// The read-outs a run or playback changes with every frame paint at the pace
// of the frame picture, and what they last painted is their final state as
// soon as the run stops; single steps paint at once.
#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <functional>

#include "MainRoadFixture.h"
#include "support/WindowControls.h"

namespace {

constexpr int kFrames = 80;

// Counts the paints of a widget and keeps the state it painted last.
class PaintLog : public QObject {
 public:
  PaintLog(QWidget* w, std::function<QString()> state) : state_(std::move(state)) { w->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      ++paints;
      last = state_();
    }
    return false;
  }
  int paints = 0;
  QString last;

 private:
  std::function<QString()> state_;
};

// Lets the event loop work until `done` holds or a generous time has passed.
bool PumpUntil(const std::function<bool()>& done) { return SpinUntil(done, 5000); }

struct PacedWindow {
  MainRoadWindow m{Reader::OwnAvi};
  QScrollBar* bar = nullptr;
  QLineEdit* value = nullptr;

  PacedWindow() {
    m.W().show();
    const auto path = m.Path("star.avi");
    EXPECT_TRUE(WriteAvi(path.string(), StarFrames(120, 100, kFrames, 60.3, 49.8, [](int n) {
                           return 2000.0 + 20.0 * n;
                         })));
    EXPECT_TRUE(m.OpenThroughButton1(path));
    m.ClickImage1(60, 50);
    m.Find<QSlider>("TrackBar1")->setValue(1);
    bar = m.Find<QScrollBar>("ScrollBar1");
    value = m.Find<QLineEdit>("Edit9");
  }
};

struct PaceCase {
  const char* name;
  const char* start;  // the button that starts frames coming
};

class RunDisplayPace : public ::testing::TestWithParam<PaceCase> {};

TEST_P(RunDisplayPace, ReadoutsPaintSeldomAndShowTheEndStateOnceStopped) {
  PacedWindow p;
  ASSERT_TRUE(PumpUntil([&] { return p.bar->isVisible(); }));
  PaintLog bar_log(p.bar, [&] { return QString::number(p.bar->value()); });
  PaintLog value_log(p.value, [&] { return p.value->text(); });
  QElapsedTimer clock;
  clock.start();
  p.m.Click(GetParam().start);
  ASSERT_TRUE(p.m.WaitUntilStopped());
  const qint64 run_ms = clock.elapsed();
  const int during = bar_log.paints;
  ASSERT_EQ(p.bar->value(), kFrames - 1);
  // Once stopped, the painted state is the final one.
  EXPECT_TRUE(PumpUntil([&] { return bar_log.last == QString::number(kFrames - 1); }));
  EXPECT_TRUE(PumpUntil([&] { return value_log.last == p.value->text(); })) << value_log.last.toStdString();
  // About one paint per 30 ms while frames came one per millisecond (with
  // room for a slow machine), never one per frame.
  EXPECT_LE(during, run_ms / 30 + 4) << run_ms << " ms";
  EXPECT_LT(during, kFrames / 2);
}

INSTANTIATE_TEST_SUITE_P(Runs, RunDisplayPace,
                         ::testing::Values(PaceCase{"Start", "Button3"}, PaceCase{"Playback", "SpeedButton1"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunDisplayPace, ReadoutsAfterARunEqualThoseOfTheSameFramesStepByStep) {
  PacedWindow run, steps;
  run.m.Click("Button3");
  ASSERT_TRUE(run.m.WaitUntilStopped());
  for (int n = 0; n < kFrames; ++n) steps.m.Click("Button16");
  EXPECT_EQ(run.m.Rows(), steps.m.Rows());
  EXPECT_EQ(run.bar->value(), steps.bar->value());
  for (const char* edit : {"Edit7", "Edit8", "Edit9", "Edit23", "Edit24", "Edit25", "Edit26", "Edit27"})
    EXPECT_EQ(run.m.Find<QLineEdit>(edit)->text(), steps.m.Find<QLineEdit>(edit)->text()) << edit;
}

TEST(RunDisplayPace, SingleStepsPaintAtOnce) {
  PacedWindow p;
  ASSERT_TRUE(PumpUntil([&] { return p.bar->isVisible(); }));
  PaintLog bar_log(p.bar, [&] { return QString::number(p.bar->value()); });
  PaintLog value_log(p.value, [&] { return p.value->text(); });
  for (const char* button : {"Button16", "Button16", "SpeedButton4", "SpeedButton5"}) {
    p.m.Click(button);
    EXPECT_TRUE(PumpUntil([&] { return bar_log.last == QString::number(p.bar->value()); })) << button;
    EXPECT_TRUE(PumpUntil([&] { return value_log.last == p.value->text(); })) << button;
  }
}

// Counts the boxes and notes whether the scroll bar was free to paint when
// each came up.
struct BoxWatch : ScriptedDialogService {
  QWidget* watched = nullptr;
  std::vector<bool> free_to_paint;
  void ShowMessage(MessageKind kind, const QString& text, const QString& caption) override {
    if (watched) free_to_paint.push_back(watched->updatesEnabled());
    ScriptedDialogService::ShowMessage(kind, text, caption);
  }
};

TEST(RunDisplayPace, ABoxThatStopsPlaybackFindsTheReadoutsShowingTheirState) {
  PacedWindow p;
  ASSERT_TRUE(PumpUntil([&] { return p.bar->isVisible(); }));
  BoxWatch boxes;
  boxes.watched = p.bar;
  ScopedDialogService use(boxes);
  // The frames past the middle are cut off the file after it was opened.
  const auto path = p.m.Path("star.avi");
  std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
  p.m.Click("SpeedButton1");
  ASSERT_TRUE(p.m.WaitUntilStopped());
  ASSERT_EQ(boxes.free_to_paint.size(), 1u);
  EXPECT_TRUE(boxes.free_to_paint[0]);
  EXPECT_GT(p.bar->value(), 5);
  EXPECT_LT(p.bar->value(), kFrames - 1);
}

}  // namespace

namespace {

// Ways playback ends without a frame of the video being shown afterwards.
struct EndCase {
  const char* name;
  const char* play;  // the button that plays
  std::function<void(PacedWindow&)> end;
};

class PlaybackEndedWithoutAFrame : public ::testing::TestWithParam<EndCase> {};

TEST_P(PlaybackEndedWithoutAFrame, ReadoutsPaintAgain) {
  PacedWindow p;
  ASSERT_TRUE(PumpUntil([&] { return p.bar->isVisible(); }));
  p.m.Find<QSlider>("TrackBar1")->setValue(5);
  if (std::string(GetParam().play) == "SpeedButton10") p.m.W().GoToFrame(kFrames - 1);
  const int from = p.bar->value();
  p.m.Click(GetParam().play);
  ASSERT_TRUE(PumpUntil([&] { return std::abs(p.bar->value() - from) >= 3; }));
  ASSERT_TRUE(p.m.W().Run.Playing);
  GetParam().end(p);
  EXPECT_FALSE(p.m.W().Run.Playing);
  EXPECT_FALSE(p.m.W().Timer1->isActive());
  PaintLog bar_log(p.bar, [&] { return QString::number(p.bar->value()); });
  for (const char* name : {"ScrollBar1", "Edit7", "Edit9", "Edit24", "Panel1", "Memo3"})
    EXPECT_TRUE(p.m.Find<QWidget>(name)->updatesEnabled()) << name;
  p.bar->update();
  EXPECT_TRUE(PumpUntil([&] { return bar_log.last == QString::number(p.bar->value()); }));
}

void OpenAnotherThroughTheMenu(PacedWindow& p) {
  const auto other = p.m.Path("other.avi");
  ASSERT_TRUE(WriteAvi(other.string(), StarFrames(120, 100, 20, 60.3, 49.8, [](int) { return 2000.0; })));
  p.m.dialogs.open_file_names.push_back(QString::fromStdString(other.string()));
  p.m.W().findChild<QAction*>("AVIRileOpen1")->trigger();
  ASSERT_EQ(p.bar->maximum(), 19);
  ASSERT_EQ(p.bar->value(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, PlaybackEndedWithoutAFrame,
    ::testing::Values(EndCase{"AnotherVideoOpened", "SpeedButton1", OpenAnotherThroughTheMenu},
                      EndCase{"AnotherVideoOpenedPlayingBackwards", "SpeedButton10", OpenAnotherThroughTheMenu},
                      EndCase{"GoToPastTheEnd", "SpeedButton1", [](PacedWindow& p) { p.m.W().GoToFrame(kFrames); }},
                      EndCase{"GoToBeforeTheStart", "SpeedButton10", [](PacedWindow& p) { p.m.W().GoToFrame(-1); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
