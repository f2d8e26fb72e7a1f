// The run and playback controls pressed in the orders an observer uses, on a
// video whose star brightens by a known step every frame: each row names the
// frame it measured, and its value is that frame's flux.
#include <QCheckBox>
#include <QMenu>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QSpinBox>

#include "MainRoadFixture.h"
#include "base/NumberText.h"

namespace {

double Rising(int n) { return 1200.0 + 60.0 * n; }

// Object A's value in every row is the flux of the frame the row names: the
// flux steps by 60 a frame, so within 20 names exactly one frame.
template <class FluxOf>
void ExpectValuesOfTheirFrames(MainRoadWindow& m, FluxOf flux, int column = 11) {
  const std::vector<int> frames = m.RowFrames();
  const std::vector<std::string> rows = m.Rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + " frame " + std::to_string(frames[i]));
    const double value = ParseDoubleOr(StripQuotes(GetCsvField(rows[i], column)), -1e9);
    EXPECT_NEAR(value, flux(frames[i]), 20.0);
  }
}

// The rows are those of `frames`, each with its frame's flux, and no box came up.
void ExpectRowsOfFrames(MainRoadWindow& m, const std::vector<int>& frames) {
  EXPECT_EQ(m.RowFrames(), frames);
  ExpectValuesOfTheirFrames(m, Rising);
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// A video of `frames` rising-star frames opened, with object A placed on the star.
void OpenRisingStar(MainRoadWindow& m, int frames) {
  const auto path = m.Path("rising.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(80, 60, frames, 40.2, 29.9, Rising)));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.ClickImage1(40, 30);
}

// Lets the run go on until it holds `rows` rows.
void RunUntilRows(MainRoadWindow& m, size_t rows) {
  while (m.W().Run.MeasuringRun && m.Rows().size() < rows) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

class RunClickOrder : public ::testing::Test {
 protected:
  void Open(int frames) {
    OpenRisingStar(m, frames);
    bar = m.Find<QScrollBar>("ScrollBar1");
  }
  // A run at 5 ms a frame, stopped by nothing yet, with its first rows in.
  void StartSlowRunOf30Frames() {
    Open(30);
    m.Find<QSlider>("TrackBar1")->setValue(5);
    m.Click("Button3");
    RunUntilRows(m, 5);
  }
  MainRoadWindow m{Reader::OwnAvi};
  QScrollBar* bar = nullptr;
};

class DelInTheMiddle : public ::testing::TestWithParam<Reader> {};

TEST_P(DelInTheMiddle, ThenAnotherStepGoesOnFromTheRowLeft) {
  MainRoadWindow m(GetParam());
  OpenRisingStar(m, 40);
  QScrollBar* bar = m.Find<QScrollBar>("ScrollBar1");
  // Paced, so that a busy machine cannot let the run reach the last frame,
  // where DEL removes nothing, before it is stopped.
  m.Find<QSlider>("TrackBar1")->setValue(5);
  m.Click("Button3");
  RunUntilRows(m, 8);
  m.Click("Button4");
  const int last = m.W().Run.LastMeasuredFrame;
  ASSERT_GE(last, 7);
  ASSERT_LT(last, 39);
  m.Click("Button21");
  m.Click("Button21");
  EXPECT_EQ(m.RowFrames(), FrameRange(0, last - 2));
  EXPECT_EQ(bar->value(), last - 2);
  m.Find<QSpinBox>("UpDown9")->setValue(3);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  std::vector<int> want = FrameRange(0, last - 2);
  for (int n = last + 1; n <= 39; n += 3) want.push_back(n);
  ExpectRowsOfFrames(m, want);
}

INSTANTIATE_TEST_SUITE_P(BothReaders, DelInTheMiddle, ::testing::Values(Reader::OwnAvi, Reader::Ffmpeg),
                         [](const auto& info) { return info.param == Reader::OwnAvi ? "OwnAvi" : "Ffmpeg"; });

// The table cleared, 'Field Measure' and the step changed, and measured again.
TEST_F(RunClickOrder, FieldMeasureAndStepChangedAfterDataRemove) {
  Open(12);
  QCheckBox* field = m.Find<QCheckBox>("CheckBox2");
  field->setChecked(true);
  m.Find<QSpinBox>("UpDown9")->setValue(2);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), (std::vector<int>{0, 0, 2, 2, 4, 4, 6, 6, 8, 8, 10, 10}));
  EXPECT_FALSE(field->isEnabled());
  m.dialogs.yes_no_answers = {true};
  m.Click("Button5");
  ASSERT_TRUE(field->isEnabled());
  field->setChecked(false);
  m.Find<QSpinBox>("UpDown9")->setValue(3);
  m.W().GoToFrame(1);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), (std::vector<int>{1, 4, 7, 10}));
  ExpectValuesOfTheirFrames(m, Rising);
  EXPECT_EQ(m.W().Run.StartFrame, 1);
  EXPECT_EQ(DetectCsvVersion(m.W().Results).CsvHeaderLines, 6);
}

// '1Frame' from an empty table measures the frame shown, then goes on in
// step; past the end it adds nothing.
TEST_F(RunClickOrder, OneFrameAfterStopAndAtTheEnd) {
  Open(6);
  m.Find<QSpinBox>("UpDown9")->setValue(2);
  m.Click("Button16");
  m.Click("Button16");
  m.Click("Button16");
  m.Click("Button16");
  EXPECT_EQ(m.RowFrames(), (std::vector<int>{0, 2, 4}));
  ExpectValuesOfTheirFrames(m, Rising);
  EXPECT_TRUE(m.W().Results.ChangedSinceSaved());
}

// Closing the window during a run asks about the unsaved rows; whatever the
// answer, no row is lost and none is measured twice.
TEST_F(RunClickOrder, ClosingDuringARunAnsweredCancelLosesNothing) {
  StartSlowRunOf30Frames();
  m.dialogs.save_answers = {SaveAnswer::Cancel};
  EXPECT_FALSE(m.W().close());
  EXPECT_EQ(m.dialogs.save_questions.size(), 1u);
  EXPECT_TRUE(m.W().Run.MeasuringRun);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 29));
  ExpectValuesOfTheirFrames(m, Rising);
}

TEST_F(RunClickOrder, ClosingDuringARunAnsweredSaveWritesEveryRow) {
  StartSlowRunOf30Frames();
  m.dialogs.save_answers = {SaveAnswer::Save};
  const auto csv = m.Path("closing.csv");
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  EXPECT_TRUE(m.W().close());
  EXPECT_FALSE(m.W().Run.MeasuringRun);
  ResultTable back;
  std::ifstream in(csv, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  back.SetText(text);
  EXPECT_EQ(back.Lines(), m.W().Results.Lines());
  EXPECT_FALSE(m.W().Results.ChangedSinceSaved());
}

TEST_F(RunClickOrder, SaveAskedOnClosingButCancelledStopsTheRunAndKeepsEveryRow) {
  StartSlowRunOf30Frames();
  m.dialogs.save_answers = {SaveAnswer::Save};  // and then the save dialog is cancelled
  EXPECT_FALSE(m.W().close());
  EXPECT_FALSE(m.W().Run.MeasuringRun);
  EXPECT_FALSE(m.W().Timer1->isActive());
  EXPECT_TRUE(bar->isEnabled());
  const int last = m.W().Run.LastMeasuredFrame;
  EXPECT_EQ(m.RowFrames(), FrameRange(0, last));
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 29));
  ExpectValuesOfTheirFrames(m, Rising);
  EXPECT_TRUE(m.W().Results.ChangedSinceSaved());
}

// Buttons a run refuses, and the speed changed twice, leave its rows whole.
TEST_F(RunClickOrder, ButtonsPressedDuringARunLoseNoFrame) {
  Open(40);
  m.Find<QSlider>("TrackBar1")->setValue(3);
  m.Click("Button3");
  RunUntilRows(m, 5);
  for (const char* b : {"SpeedButton4", "SpeedButton5", "SpeedButton3", "SpeedButton9", "SpeedButton8", "Button16",
                        "Button21", "SpeedButton1", "SpeedButton10", "SpeedButton2", "Button3"})
    m.Click(b);
  m.dialogs.yes_no_answers = {true};
  m.Click("Button5");
  m.Find<QSlider>("TrackBar1")->setValue(40);
  RunUntilRows(m, 12);
  m.Find<QSlider>("TrackBar1")->setValue(1);
  ASSERT_TRUE(m.WaitUntilStopped());
  ExpectRowsOfFrames(m, FrameRange(0, 39));
}

// With 'Fast' the memo is not painted during the run; afterwards it shows
// the table as it stands.
TEST_F(RunClickOrder, MemoShowsTheTableAfterDelAndDataRemove) {
  Open(10);
  m.Find<QCheckBox>("CheckBox21")->setChecked(true);
  m.Click("Button3");
  RunUntilRows(m, 5);
  m.Click("Button4");
  m.Click("Button21");
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  auto memo = m.Find<QPlainTextEdit>("Memo1");
  auto joined = [&] {
    std::string s;
    for (size_t i = 0; i < m.W().Results.Lines().size(); ++i) {
      if (i) s += "\n";
      s += m.W().Results.Lines()[i];
    }
    return s;
  };
  EXPECT_EQ(memo->toPlainText().toStdString(), joined());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 9));
  m.dialogs.yes_no_answers = {true};
  ASSERT_TRUE(m.W().RemoveMeasurementData());
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 400) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(memo->toPlainText().toStdString(), joined());
}

// A dropped frame is a row of its own number measuring the picture before it.
class DroppedFrames : public ::testing::TestWithParam<Reader> {};

TEST_P(DroppedFrames, RepeatThePictureBefore) {
  MainRoadWindow m(GetParam());
  const auto path = m.Path("dropped.avi");
  auto frames = StarFrames(80, 60, 10, 40.2, 29.9, Rising);
  {
    AviWriter w(path.string(), 80, 60);
    for (int n = 0; n < 10; ++n) {
      if (n == 4 || n == 5 || n == 9)
        w.AddEmptyFrame();
      else
        w.AddFrame(frames[static_cast<size_t>(n)]);
    }
    ASSERT_TRUE(w.Finish());
  }
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.ClickImage1(40, 30);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 9));
  ExpectValuesOfTheirFrames(m, [](int n) { return Rising(n == 4 || n == 5 ? 3 : n == 9 ? 8 : n); });
  EXPECT_TRUE(m.dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(BothReaders, DroppedFrames, ::testing::Values(Reader::OwnAvi, Reader::Ffmpeg),
                         [](const auto& info) { return info.param == Reader::OwnAvi ? "OwnAvi" : "Ffmpeg"; });

// Objects added, removed and moved between single steps fill only their own
// columns, each with its own star.
TEST_F(RunClickOrder, ObjectsAddedMovedAndRemovedBetweenRuns) {
  const auto path = m.Path("two.avi");
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 12; ++n) {
    SyntheticFrame f;
    f.Width = 120;
    f.Height = 60;
    f.Background = 20;
    f.Stars = {SyntheticStar{30.2, 29.9, Rising(n), 1.5}, SyntheticStar{90.1, 30.2, 3000.0 - 50.0 * n, 1.5}};
    frames.push_back(MakeStarFrame(f));
  }
  ASSERT_TRUE(WriteAvi(path.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.ClickImage1(30, 30);
  m.Click("Button16");
  m.Click("Button16");
  {
    // A right click on the second star opens the popup; 'Object Star Add' places B there.
    QLabel* image = m.Find<QLabel>("Image1");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(90, 30), image->mapToGlobal(QPointF(90, 30)), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(image, &press);
    m.W().PopupMenu1->close();
    m.W().Add1->trigger();
  }
  EXPECT_EQ(m.W().Run.ObjectCount, 2);
  m.Click("Button16");
  m.Click("Button16");
  auto falling = [](int n) { return 3000.0 - 50.0 * n; };
  auto rows = m.Rows();
  ASSERT_EQ(m.RowFrames(), FrameRange(0, 3));
  const double b2 = ParseDoubleOr(StripQuotes(GetCsvField(rows[2], 12)), -1e9);
  const double b3 = ParseDoubleOr(StripQuotes(GetCsvField(rows[3], 12)), -1e9);
  // B's own smaller aperture holds the same share of its star in both frames.
  EXPECT_NEAR(b3 / b2, falling(3) / falling(2), 0.005);
  EXPECT_NEAR(b2, falling(2), 0.1 * falling(2));
  ExpectValuesOfTheirFrames(m, Rising);
  m.W().Remove1->trigger();
  EXPECT_EQ(m.W().Run.ObjectCount, 1);
  m.Click("Button16");
  rows = m.Rows();
  EXPECT_EQ(StripQuotes(GetCsvField(rows.back(), 12)), "");
  ExpectValuesOfTheirFrames(m, Rising);
  m.ClickImage1(90, 30);
  m.Click("Button16");
  rows = m.Rows();
  EXPECT_NEAR(ParseDoubleOr(StripQuotes(GetCsvField(rows.back(), 11)), -1e9), falling(5), 20.0);
}


// START while 'Play' shows the video in its panel: the run reads the same
// source, and its rows are still every frame once.
TEST(RunClickOrderFfmpeg, PlayPanelThenStartMeasuresEveryFrameOnce) {
  MainRoadWindow m(Reader::Ffmpeg);
  OpenRisingStar(m, 40);
  m.Click("Button19");
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ExpectRowsOfFrames(m, FrameRange(0, 39));
}


// A video of one frame read through FFmpeg: START, '1Frame' and the step
// buttons keep to frame 0 and measure it once.
TEST(RunClickOrderFfmpeg, OneFrameVideoIsMeasuredOnce) {
  MainRoadWindow m(Reader::Ffmpeg);
  OpenRisingStar(m, 1);
  QScrollBar* bar = m.Find<QScrollBar>("ScrollBar1");
  ASSERT_EQ(bar->maximum(), 0);
  for (const char* b : {"Button3", "Button4", "Button16", "SpeedButton4", "SpeedButton1", "Button3", "Button16"}) {
    m.Click(b);
    ASSERT_TRUE(m.WaitUntilStopped()) << b;
    EXPECT_EQ(bar->value(), 0) << b;
  }
  ExpectRowsOfFrames(m, std::vector<int>{0});
}


// Field rows through FFmpeg: stopped, resumed, cut back with 'DEL' and
// stepped with '1Frame', each frame keeps its pair, measured in its turn.
TEST(RunClickOrderFfmpeg, FieldPairsStayWholeThroughStopDelAndOneFrame) {
  MainRoadWindow m(Reader::Ffmpeg);
  OpenRisingStar(m, 24);
  m.Find<QCheckBox>("CheckBox2")->setChecked(true);
  m.Find<QSpinBox>("UpDown9")->setValue(3);
  m.W().GoToFrame(2);
  m.Click("Button3");
  m.Click("Button4");
  m.Click("Button16");
  m.Click("Button16");
  m.Click("Button21");
  m.Click("Button3");
  RunUntilRows(m, 8);
  m.Click("Button4");
  m.Click("Button21");
  m.Click("Button16");
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  std::vector<int> want;
  for (int n = 2; n <= 23; n += 3) want.insert(want.end(), {n, n});
  EXPECT_EQ(m.RowFrames(), want);
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), want.size());
  // Each field holds the same share of the frame's star.
  const double share = ParseDoubleOr(StripQuotes(GetCsvField(rows[0], 11)), -1e9) / Rising(2);
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_NEAR(ParseDoubleOr(StripQuotes(GetCsvField(rows[i], 11)), -1e9), share * Rising(want[i]), 0.01 * share * 1200);
  }
  EXPECT_TRUE(m.dialogs.messages.empty());
}


// Closing during playback, answered 'Cancel': the playback goes on in its
// direction to the end and adds no row.
TEST(RunClickOrderClose, PlaybackGoesOnInItsDirectionAfterACancelledClose) {
  for (const char* play : {"SpeedButton1", "SpeedButton10"}) {
    SCOPED_TRACE(play);
    MainRoadWindow m(Reader::OwnAvi);
    OpenRisingStar(m, 30);
    QScrollBar* bar = m.Find<QScrollBar>("ScrollBar1");
    m.Click("Button16");  // one unsaved row
    m.W().GoToFrame(15);
    m.Find<QSlider>("TrackBar1")->setValue(5);
    m.Click(play);
    m.dialogs.save_answers = {SaveAnswer::Cancel};
    EXPECT_FALSE(m.W().close());
    EXPECT_TRUE(m.W().Run.Playing);
    ASSERT_TRUE(m.WaitUntilStopped());
    EXPECT_EQ(bar->value(), std::string(play) == "SpeedButton1" ? 29 : 0);
    EXPECT_EQ(m.RowFrames(), std::vector<int>{0});
    EXPECT_TRUE(m.Find<QWidget>("CheckBox14")->isEnabled());
  }
}

}  // namespace

namespace {

// A capture cut off in the tenth frame without its index: the video is its
// nine whole frames, and the run measures each once without a box.
class CrashedCapture : public ::testing::TestWithParam<Reader> {};

TEST_P(CrashedCapture, RunMeasuresTheWholeFramesOnce) {
  MainRoadWindow m(GetParam());
  const auto path = m.Path("crashed.avi");
  AviWriterOptions o;
  o.idx1 = AviIndexKind::None;
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(80, 60, 12, 40.2, 29.9, Rising), o));
  // 12 frames of 14,400 bytes: cut in the middle of the tenth.
  std::filesystem::resize_file(path, std::filesystem::file_size(path) - 2 * 14408 - 7000);
  ASSERT_TRUE(m.OpenThroughButton1(path));
  EXPECT_EQ(m.W().ScrollBar1->maximum(), 8);
  m.ClickImage1(40, 30);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ExpectRowsOfFrames(m, FrameRange(0, 8));
}

INSTANTIATE_TEST_SUITE_P(BothReaders, CrashedCapture, ::testing::Values(Reader::OwnAvi, Reader::Ffmpeg),
                         [](const auto& info) { return info.param == Reader::OwnAvi ? "OwnAvi" : "Ffmpeg"; });

}  // namespace

namespace {

// Closed during a run through FFmpeg, answered 'Don't save': the window goes
// while the next frames are still being decoded ahead.
TEST(RunClickOrderClose, DontSaveDuringAnFfmpegRunClosesCleanly) {
  MainRoadWindow m(Reader::Ffmpeg);
  OpenRisingStar(m, 60);
  m.Find<QSlider>("TrackBar1")->setValue(5);
  m.Click("Button3");
  RunUntilRows(m, 5);
  m.dialogs.save_answers = {SaveAnswer::DontSave};
  EXPECT_TRUE(m.W().close());
  EXPECT_EQ(m.dialogs.save_questions.size(), 1u);
  m.window.reset();
}

}  // namespace
