// Rows of the results table that were never saved: every command that would
// drop them asks Save / Don't save / Cancel first, through the real controls.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <iterator>

#include "CaptureRecording.h"
#include "MainRoadFixture.h"
#include "timing/ui/TLEDGraph.h"
#include "support/WindowControls.h"
#include "video/ui/TCapture_1.h"

namespace {

const QString kQuestion = "The results table has rows that are not saved. Save them first?";

std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file's lines, each of which must end in CR LF.
std::vector<std::string> CrlfLines(const std::string& bytes) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "a line without CR LF at byte " << start;
      break;
    }
    out.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

// A window with a 12-frame video open and object A measured by '1Frame' in
// frames 0, 1 and 2; a second, smaller video beside it.
class UnsavedResults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteSteadyStarVideo(first, 12));
    ASSERT_TRUE(WriteAvi(second.string(), StarFrames(64, 48, 6, 30.2, 20.1, [](int) { return 1500.0; })));
    ASSERT_TRUE(m.OpenThroughButton1(first));
    m.ClickImage1(40, 30);
    for (int i = 0; i < 3; ++i) m.Click("Button16");
    ASSERT_EQ(m.RowFrames(), FrameRange(0, 2));
    table = m.W().Results.Lines();
    m.dialogs.file_dialog_titles.clear();
  }

  // The open video, its table and frame position are those measured.
  void ExpectNothingChanged() {
    TPlatform& w = m.W();
    EXPECT_EQ(w.Results.Lines(), table);
    EXPECT_TRUE(w.Run.VideoLoaded);
    EXPECT_EQ(w.Video.VideoFileName, first.string());
    EXPECT_EQ(m.Find<QLineEdit>("Edit5")->text().toStdString(), first.string());
    EXPECT_EQ(m.Find<QLineEdit>("Edit48")->text(), "80");
    EXPECT_EQ(m.Find<QScrollBar>("ScrollBar1")->value(), position);
    EXPECT_EQ(w.Run.LastMeasuredFrame, 2);
  }

  MainRoadWindow m{Reader::OwnAvi};
  std::filesystem::path first = m.Path("first.avi"), second = m.Path("second.avi");
  std::vector<std::string> table;
  int position = 0;
};

enum class SaveName { None, Good, NoSuchFolder };

struct OpenCase {
  const char* name;
  std::vector<SaveAnswer> answers;  // none: the scripted default
  SaveName save;
  bool opened;
};

class UnsavedOpen : public UnsavedResults, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(UnsavedOpen, OpenAviAsksFirstAndDoesWhatTheAnswerSays) {
  const OpenCase& c = GetParam();
  TPlatform& w = m.W();
  position = m.Find<QScrollBar>("ScrollBar1")->value();
  const auto csv = c.save == SaveName::NoSuchFolder ? m.Path("gone") / "rows.csv" : m.Path("rows.csv");
  if (c.save != SaveName::None) m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  m.dialogs.save_answers.assign(c.answers.begin(), c.answers.end());

  m.OpenThroughButton1(second);
  EXPECT_EQ(m.dialogs.save_questions, QStringList{kQuestion});
  // The save dialog comes up for Save only.
  const bool save = !c.answers.empty() && c.answers[0] == SaveAnswer::Save;
  EXPECT_EQ(m.dialogs.save_file_proposals.size(), save ? 1 : 0);

  const bool written = c.save == SaveName::Good;
  EXPECT_EQ(std::filesystem::exists(csv), written);
  if (written) {
    // Three rows behind the header, frames 0, 1, 2 in the first field.
    const std::vector<std::string> lines = CrlfLines(ReadBytes(csv));
    EXPECT_EQ(lines, table);
    ASSERT_EQ(lines.size(), 9u);
    for (int n = 0; n < 3; ++n) EXPECT_EQ(lines[static_cast<size_t>(6 + n)].substr(0, 4), std::to_string(n) + ".0,");
  }
  if (c.save == SaveName::NoSuchFolder) {
    EXPECT_EQ(m.dialogs.messages.size(), 1u);
  }

  if (c.opened) {
    // The open dialog was shown and the new video replaced the table's rows.
    EXPECT_TRUE(m.dialogs.open_file_names.empty());
    EXPECT_EQ(w.Video.VideoFileName, second.string());
    EXPECT_EQ(m.Find<QLineEdit>("Edit48")->text(), "64");
    EXPECT_TRUE(m.Rows().empty());
  } else {
    // The open dialog never came up.
    EXPECT_EQ(m.dialogs.open_file_names.size(), 1u);
    ExpectNothingChanged();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UnsavedOpen,
    ::testing::Values(OpenCase{"NothingScripted", {}, SaveName::None, true},
                      OpenCase{"DontSave", {SaveAnswer::DontSave}, SaveName::None, true},
                      OpenCase{"Save", {SaveAnswer::Save}, SaveName::Good, true},
                      OpenCase{"SaveDialogCancelled", {SaveAnswer::Save}, SaveName::None, false},
                      OpenCase{"SaveFails", {SaveAnswer::Save}, SaveName::NoSuchFolder, false},
                      OpenCase{"Cancel", {SaveAnswer::Cancel}, SaveName::None, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Every way of dropping the table, answered Cancel: nothing changes, no file
// dialog comes up and the window stays.
struct DropCommand {
  const char* name;
  std::function<void(MainRoadWindow&)> act;
};

class UnsavedCancel : public UnsavedResults, public ::testing::WithParamInterface<DropCommand> {};

TEST_P(UnsavedCancel, KeepsEverything) {
  position = m.Find<QScrollBar>("ScrollBar1")->value();
  m.dialogs.open_file_names.push_back(QString::fromStdString(second.string()));
  m.dialogs.save_answers = {SaveAnswer::Cancel};
  GetParam().act(m);
  EXPECT_EQ(m.dialogs.save_questions, QStringList{kQuestion});
  EXPECT_EQ(m.dialogs.open_file_names.size(), 1u);
  EXPECT_TRUE(m.dialogs.file_dialog_titles.isEmpty());
  EXPECT_TRUE(m.dialogs.save_answers.empty());
  ExpectNothingChanged();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, UnsavedCancel,
    ::testing::Values(DropCommand{"OpenAvi", [](MainRoadWindow& m) { m.Click("Button1"); }},
                      DropCommand{"AviFileOpenMenu", [](MainRoadWindow& m) { m.W().AVIRileOpen1->trigger(); }},
                      DropCommand{"LoadCsv", [](MainRoadWindow& m) { m.Click("Button20"); }},
                      DropCommand{"LoadCsvMenu", [](MainRoadWindow& m) { m.W().LoadCSVFile1->trigger(); }},
                      DropCommand{"Exit", [](MainRoadWindow& m) { m.Click("Button2"); }},
                      DropCommand{"CloseWindow", [](MainRoadWindow& m) { EXPECT_FALSE(m.W().close()); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnsavedResults, AfterASaveNothingIsAskedUntilTheTableChanges) {
  const auto csv = m.Path("rows.csv");
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button6");
  ASSERT_EQ(CrlfLines(ReadBytes(csv)), table);
  // The saved rows give way to the next video without a question.
  ASSERT_TRUE(m.OpenThroughButton1(second));
  EXPECT_TRUE(m.dialogs.save_questions.isEmpty());

  // A row measured onto a loaded table: the next load asks, here "Don't save".
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  EXPECT_TRUE(m.dialogs.save_questions.isEmpty());
  ASSERT_EQ(m.W().Results.Lines(), table);
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  m.W().GoToFrame(2);  // '1Frame' goes on from the last measured frame
  m.Click("Button16");
  ASSERT_EQ(m.RowFrames(), FrameRange(0, 3));
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  EXPECT_EQ(m.dialogs.save_questions, QStringList{kQuestion});
  EXPECT_EQ(m.W().Results.Lines(), table);
  // Freshly loaded: closing asks nothing more.
  EXPECT_TRUE(m.W().close());
  EXPECT_EQ(m.dialogs.save_questions.size(), 1);
}

TEST_F(UnsavedResults, DataRemoveEmptiesTheTableAndNothingIsAsked) {
  m.dialogs.yes_no_answers = {true};
  m.Click("Button5");
  ASSERT_TRUE(m.Rows().empty());
  EXPECT_TRUE(m.W().close());
  EXPECT_TRUE(m.dialogs.save_questions.isEmpty());
}

TEST_F(UnsavedResults, ExitAsksOnceAndSaveWritesTheFileBeforeClosing) {
  const auto csv = m.Path("rows.csv");
  m.dialogs.save_answers = {SaveAnswer::Save};
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button2");
  EXPECT_EQ(m.dialogs.save_questions.size(), 1);
  EXPECT_EQ(CrlfLines(ReadBytes(csv)), table);
  EXPECT_FALSE(m.W().Run.VideoLoaded);
}

// Saving is refused while 'Show Field' is on: Save says why and the window stays.
TEST_F(UnsavedResults, SaveRefusedByShowFieldKeepsTheWindowAndSaysWhy) {
  m.Find<QCheckBox>("CheckBox1")->click();
  ASSERT_TRUE(m.Find<QCheckBox>("CheckBox1")->isChecked());
  m.dialogs.save_answers = {SaveAnswer::Save};
  EXPECT_FALSE(m.W().close());
  EXPECT_EQ(m.dialogs.save_questions.size(), 1);
  EXPECT_TRUE(m.dialogs.save_file_proposals.isEmpty());
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_TRUE(m.dialogs.messages[0].text.contains("'Show Field'"));
  EXPECT_EQ(m.W().Results.Lines(), table);
}

TEST_F(UnsavedResults, ExitWithDontSaveAsksOnlyOnce) {
  m.Click("Button2");
  EXPECT_EQ(m.dialogs.save_questions.size(), 1);
  EXPECT_FALSE(m.W().Run.VideoLoaded);
}

// A recording made with 'Video Capture' would replace the table on 'Close';
// answered Cancel, the measured video comes back with its rows instead.
TEST_F(UnsavedResults, CancelAfterACaptureKeepsTheTableAndItsVideo) {
  TPlatform& w = m.W();
  position = m.Find<QScrollBar>("ScrollBar1")->value();
  TCapture_1* cap = RecordTestPattern(m, 3);
  ASSERT_NE(cap, nullptr);

  m.dialogs.save_answers = {SaveAnswer::Cancel};
  Find<QPushButton>(cap, "Button3")->click();  // 'Close'
  QCoreApplication::processEvents();
  EXPECT_FALSE(w.Capture_1);
  EXPECT_EQ(m.dialogs.save_questions, QStringList{kQuestion});
  EXPECT_EQ(w.Video.FrameSourceOpen, 1);
  ExpectNothingChanged();
}

// The LED window's 'Apply to Analysis' rewrites the time fields of saved rows:
// they are unsaved again.
TEST(UnsavedResultsLed, RowsCorrectedAfterTheSaveAreAskedFor) {
  MainRoadWindow m{Reader::OwnAvi};
  OpenLedVideo(m);
  TPlatform& w = m.W();
  m.dialogs.save_file_names.push_back(QString::fromStdString(m.Path("led.csv").string()));
  m.Click("Button6");
  const std::vector<std::string> saved = w.Results.Lines();

  m.Click("BitBtn2");
  auto* led = qobject_cast<TLEDGraph*>(w.LEDGraph.data());
  ASSERT_NE(led, nullptr);
  led->Button4->click();
  led->RadioGroup1->SetItemIndex(1);
  const QPoint dot = led->SignalDot(kLedPulseFrame);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(dot), led->LEDImage1->mapToGlobal(QPointF(dot)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(led->LEDImage1, &press);
  led->UpDown1->setValue(-5);
  led->UpDown2->setValue(4);
  led->Button5->click();
  led->Button7->click();
  led->Button6->click();  // 'Apply to Analysis'
  led->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_FALSE(w.Results.Lines() == saved);

  m.dialogs.save_answers = {SaveAnswer::Cancel};
  EXPECT_FALSE(w.close());
  EXPECT_EQ(m.dialogs.save_questions, QStringList{kQuestion});
}

// A window measuring a 30-frame video, with its first row in.
class UnsavedResultsRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto path = m.Path("long.avi");
    ASSERT_TRUE(WriteSteadyStarVideo(path, 30));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    m.ClickImage1(40, 30);
    m.Click("Button3");
    QElapsedTimer clock;
    clock.start();
    while (m.Rows().empty() && clock.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_TRUE(m.W().Run.MeasuringRun);
  }
  MainRoadWindow m{Reader::OwnAvi};
};

// Closing while a run measures, answered Cancel: the run goes on to the end.
TEST_F(UnsavedResultsRun, CancelledCloseLetsTheRunGoOn) {
  TPlatform& w = m.W();
  m.dialogs.save_answers = {SaveAnswer::Cancel};
  EXPECT_FALSE(w.close());
  EXPECT_EQ(m.dialogs.save_questions.size(), 1);
  EXPECT_TRUE(w.Timer1->isActive());
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 29));
}

// Answered Save: the run ends where it is, its rows are written, the window closes.
TEST_F(UnsavedResultsRun, SaveEndsTheRunAndWritesItsRows) {
  TPlatform& w = m.W();
  const auto csv = m.Path("run.csv");
  m.dialogs.save_answers = {SaveAnswer::Save};
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  EXPECT_TRUE(w.close());
  EXPECT_FALSE(w.Run.MeasuringRun);
  EXPECT_FALSE(w.Timer1->isActive());
  EXPECT_EQ(CrlfLines(ReadBytes(csv)), w.Results.Lines());
  EXPECT_FALSE(m.Rows().empty());
}

}  // namespace
