// Going on with a loaded results table: START, '1Frame' and 'DEL' continue
// from the table's last row and never write a frame it already holds; rows
// still to come take the loaded rows' frame or field layout.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <functional>

#include "MainRoadFixture.h"
#include "app/OccultationPreset.h"

namespace {

// Opens `video` (12 frames of a steady star) in `first`, measures `rows`
// frames from frame 0 with '1Frame', as fields when asked, and saves them;
// the table's path.
enum class Layout { Frames, Fields };
std::filesystem::path SaveMeasuredRows(MainRoadWindow& first, const std::filesystem::path& video, int rows,
                                       Layout layout = Layout::Frames) {
  EXPECT_TRUE(WriteSteadyStarVideo(video, 12));
  EXPECT_TRUE(first.OpenThroughButton1(video));
  if (layout == Layout::Fields) first.Find<QCheckBox>("CheckBox2")->click();
  first.ClickImage1(40, 30);
  for (int i = 0; i < rows; ++i) first.Click("Button16");
  const auto csv = first.Path("table.csv");
  first.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  first.Click("Button6");
  EXPECT_TRUE(std::filesystem::exists(csv));
  return csv;
}

struct Case {
  const char* name;
  int frames_at_load;  // the video may have lost frames since the table was saved
  std::function<void(MainRoadWindow&)> act;
  std::vector<int> expected;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class RunAfterLoad : public ::testing::TestWithParam<Case> {};

// Rows of frames 0..4 of a 12-frame video, saved; a fresh window loads them
// (and reopens the video), then the case acts.
TEST_P(RunAfterLoad, GoesOnFromTheLastLoadedRow) {
  const Case& c = GetParam();
  MainRoadWindow first(Reader::OwnAvi);
  const auto video = first.Path("twelve.avi");
  const auto csv = SaveMeasuredRows(first, video, 5);
  ASSERT_EQ(first.RowFrames(), FrameRange(0, 4));
  if (c.frames_at_load != 12) {
    ASSERT_TRUE(WriteSteadyStarVideo(video, c.frames_at_load));
  }

  MainRoadWindow m(Reader::OwnAvi);
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  ASSERT_EQ(m.RowFrames(), FrameRange(0, 4));
  c.act(m);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), c.expected);
}

void Start(MainRoadWindow& m) { m.Click("Button3"); }
void StartFrom(MainRoadWindow& m, int n) {
  m.W().GoToFrame(n);
  m.Click("Button3");
}
void OneFrameAt(MainRoadWindow& m, int n) {
  m.W().GoToFrame(n);
  m.Click("Button16");
}
void DeleteAt(MainRoadWindow& m, int n) {
  m.W().GoToFrame(n);
  m.Click("Button21");
}

INSTANTIATE_TEST_SUITE_P(
    Actions, RunAfterLoad,
    ::testing::Values(Case{"StartOnTheFrameShown", 12, Start, FrameRange(0, 11)},
                      Case{"StartInsideTheLoadedRows", 12, [](MainRoadWindow& m) { StartFrom(m, 2); },
                           FrameRange(0, 11)},
                      Case{"OneFrameOnTheFirstFrame", 12, [](MainRoadWindow& m) { OneFrameAt(m, 0); },
                           FrameRange(0, 4)},
                      Case{"OneFrameOnTheLastLoadedFrame", 12, [](MainRoadWindow& m) { OneFrameAt(m, 4); },
                           FrameRange(0, 5)},
                      Case{"DelOnTheLastLoadedFrame", 12, [](MainRoadWindow& m) { DeleteAt(m, 4); }, FrameRange(0, 3)},
                      // Rows reach past the video's end: there is nothing left to measure.
                      Case{"StartWhenTheRowsPassTheVideosEnd", 3, Start, FrameRange(0, 4)}),
    [](const auto& info) { return std::string(info.param.name); });

// Frame rows or field rows of frames 0..4 saved; a fresh window, itself set
// to frames or to fields, loads them, deletes frame 4 and runs on to the
// last frame.
struct Layouts {
  bool table_fields, window_fields;
};
void PrintTo(const Layouts& l, std::ostream* os) { *os << l.table_fields << l.window_fields; }
class RowLayoutAfterLoad : public ::testing::TestWithParam<Layouts> {};

std::vector<std::string> FirstCells(MainRoadWindow& m) {
  std::vector<std::string> out;
  for (const std::string& row : m.Rows()) out.push_back(StripQuotes(GetCsvField(row, 1)));
  return out;
}

std::vector<std::string> ExpectedFirstCells(int last, bool fields) {
  std::vector<std::string> out;
  for (int n = 0; n <= last; ++n) {
    out.push_back(std::to_string(n) + ".0");
    if (fields) out.push_back(std::to_string(n) + ".5");
  }
  return out;
}

TEST_P(RowLayoutAfterLoad, RowsStillToComeKeepTheLoadedLayout) {
  const Layouts l = GetParam();
  MainRoadWindow first(Reader::OwnAvi);
  const auto csv =
      SaveMeasuredRows(first, first.Path("twelve.avi"), 5, l.table_fields ? Layout::Fields : Layout::Frames);
  ASSERT_EQ(FirstCells(first), ExpectedFirstCells(4, l.table_fields));

  MainRoadWindow m(Reader::OwnAvi);
  m.Find<QLineEdit>("Edit53")->setText("7");  // a start frame shown before the load
  QCheckBox* field = m.Find<QCheckBox>("CheckBox2");
  if (l.window_fields) field->click();
  ASSERT_EQ(field->isChecked(), l.window_fields);
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  EXPECT_EQ(field->isChecked(), l.table_fields);
  EXPECT_FALSE(field->isEnabled());
  EXPECT_EQ(m.W().Run.StartFrame, 0);
  EXPECT_EQ(m.Find<QLineEdit>("Edit53")->text().toStdString(), "0");  // not the window's earlier start
  field->click();  // held: it would rewrite the header and drop the rows
  ASSERT_EQ(FirstCells(m), ExpectedFirstCells(4, l.table_fields));

  m.W().GoToFrame(4);
  m.Click("Button21");  // 'DEL' takes the last frame's rows
  EXPECT_EQ(FirstCells(m), ExpectedFirstCells(3, l.table_fields));
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(FirstCells(m), ExpectedFirstCells(11, l.table_fields));
}

// A table saved before its first row (the video opened, 'Field Measure' set)
// names its rows' layout in its header only: the window loading it takes that
// layout, so the rows measured into it are the ones its header announces.
TEST_P(RowLayoutAfterLoad, ATableWithoutRowsGivesTheLayoutItsHeaderNames) {
  const Layouts l = GetParam();
  MainRoadWindow first(Reader::OwnAvi);
  const auto csv =
      SaveMeasuredRows(first, first.Path("twelve.avi"), 0, l.table_fields ? Layout::Fields : Layout::Frames);
  const std::vector<std::string> saved = first.W().Results.Lines();
  ASSERT_TRUE(first.Rows().empty());
  ASSERT_EQ(StripQuotes(GetCsvField(saved[4], 6)), l.table_fields ? "Field" : "Frame");

  MainRoadWindow m(Reader::OwnAvi);
  QCheckBox* field = m.Find<QCheckBox>("CheckBox2");
  if (l.window_fields) field->click();
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  EXPECT_EQ(m.W().Results.Lines(), saved);
  EXPECT_EQ(field->isChecked(), l.table_fields);
  EXPECT_TRUE(field->isEnabled());  // no rows hold it yet

  m.W().GoToFrame(3);
  m.Click("Button16");
  const std::vector<std::string> rows =
      l.table_fields ? std::vector<std::string>{"3.0", "3.5"} : std::vector<std::string>{"3.0"};
  EXPECT_EQ(FirstCells(m), rows);
  EXPECT_EQ(std::vector<std::string>(m.W().Results.Lines().begin(), m.W().Results.Lines().begin() + 6), saved);
}

INSTANTIATE_TEST_SUITE_P(TableAndWindow, RowLayoutAfterLoad,
                         ::testing::Values(Layouts{false, false}, Layouts{false, true}, Layouts{true, false},
                                           Layouts{true, true}),
                         [](const auto& info) {
                           return std::string(info.param.table_fields ? "FieldTable" : "FrameTable") +
                                  (info.param.window_fields ? "IntoFieldWindow" : "IntoFrameWindow");
                         });

// 'Load CSV' answered with Cancel, or given a file that is no results table,
// changes nothing: not the selected object's background form, not the digit
// threshold, not the start frame of the rows.
class LoadRefused : public ::testing::TestWithParam<bool> {};

TEST_P(LoadRefused, LeavesTheObjectsAndTheRunAsTheyWere) {
  const bool broken_file = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(WriteSteadyStarVideo(m.Path("twelve.avi"), 12));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("twelve.avi")));
  TPlatform& w = m.W();
  w.ComboBox1->setCurrentIndex(0);  // IOTA-VTI
  emit w.ComboBox1->activated(0);
  ASSERT_EQ(w.Options.TimeStampMode, 0);
  m.ClickImage1(40, 30);
  m.Find<QRadioButton>("RadioButton2")->click();  // 'Avoid Sunlit Face'
  w.UpDown4->setValue(60);
  w.GoToFrame(3);
  m.Click("Button16");
  ASSERT_EQ(m.RowFrames(), FrameRange(3, 3));
  ASSERT_EQ(w.Run.StartFrame, 3);
  const int threshold = w.UpDown4->value();

  if (broken_file) {
    const auto csv = m.Path("numbers.csv");
    std::ofstream(csv, std::ios::binary) << "1,2,3\r\n4,5,6\r\n";
    m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  }
  m.Click("Button20");
  EXPECT_EQ(m.dialogs.messages.size(), broken_file ? 1u : 0u);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].BackgroundForm, 1);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton2")->isChecked());
  EXPECT_EQ(w.UpDown4->value(), threshold);
  EXPECT_EQ(w.Run.StartFrame, 3);
  EXPECT_EQ(m.RowFrames(), FrameRange(3, 3));
}

INSTANTIATE_TEST_SUITE_P(CancelOrBrokenFile, LoadRefused, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "BrokenFile" : "Cancelled"); });

// A table whose video is gone, loaded while another video is open: the rows
// of that other video must not be measured into it.
TEST(LoadWithoutItsVideo, NoRowsOfTheVideoStillOpenGoIntoTheTable) {
  MainRoadWindow first(Reader::OwnAvi);
  const auto gone = first.Path("gone.avi");
  const auto csv = SaveMeasuredRows(first, gone, 3);
  first.window.reset();
  ASSERT_TRUE(std::filesystem::remove(gone));

  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(WriteSteadyStarVideo(m.Path("other.avi"), 12));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("other.avi")));
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_FALSE(m.dialogs.messages.empty());
  EXPECT_EQ(m.dialogs.messages.back().text, ".avi file is not found");
  ASSERT_EQ(m.RowFrames(), FrameRange(0, 2));
  EXPECT_FALSE(m.W().Run.VideoLoaded);
  m.W().GoToFrame(2);
  for (const char* button : {"Button3", "Button16"}) m.Click(button);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 2));
}

// A table measured with a step of 2 goes on in step from wherever START is
// pressed, as it does from its last measured frame.
TEST(RunAfterLoadInStep, AStepOfTwoStaysInStep) {
  for (const int start_at : {0, 4, 7}) {
    SCOPED_TRACE(start_at);
    MainRoadWindow first(Reader::OwnAvi);
    first.Find<QSpinBox>("UpDown9")->setValue(2);
    const auto csv = SaveMeasuredRows(first, first.Path("twelve.avi"), 3);
    ASSERT_EQ(first.RowFrames(), (std::vector<int>{0, 2, 4}));

    MainRoadWindow m(Reader::OwnAvi);
    m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
    m.Click("Button20");
    ASSERT_EQ(m.W().Run.FrameStep, 2);
    m.W().GoToFrame(start_at);
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped());
    EXPECT_EQ(m.RowFrames(), (std::vector<int>{0, 2, 4, 6, 8, 10}));
  }
}

// Field rows come in pairs half a frame apart; the step is that of the pairs.
TEST(RunAfterLoadInStep, FieldRowsOfEveryOtherFrameStayInStep) {
  MainRoadWindow first(Reader::OwnAvi);
  first.Find<QSpinBox>("UpDown9")->setValue(2);
  const auto csv = SaveMeasuredRows(first, first.Path("twelve.avi"), 3, Layout::Fields);
  ASSERT_EQ(first.RowFrames(), (std::vector<int>{0, 0, 2, 2, 4, 4}));

  MainRoadWindow m(Reader::OwnAvi);
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  EXPECT_EQ(m.W().Run.FrameStep, 2);
  EXPECT_EQ(m.Find<QSpinBox>("UpDown9")->value(), 2);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), (std::vector<int>{0, 0, 2, 2, 4, 4, 6, 6, 8, 8, 10, 10}));
}

// Rows cleared in a spreadsheet stay in the file as lines of commas after the
// last row: START still goes on after the table's last frame.
TEST(RunAfterLoadWithClearedRows, StartGoesOnAfterTheLastRow) {
  MainRoadWindow first(Reader::OwnAvi);
  const auto csv = SaveMeasuredRows(first, first.Path("twelve.avi"), 5);
  std::ofstream(csv, std::ios::app | std::ios::binary) << std::string(72, ',') << "\r\n" << std::string(72, ',') << "\r\n";

  MainRoadWindow m(Reader::OwnAvi);
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 11));
}


// A line added after the rows in a spreadsheet (a sum, a remark) has no frame
// number: the rows still go on after the last frame the table holds, and no
// frame is measured twice.
class RunAfterLoadWithTrailingLine : public ::testing::TestWithParam<const char*> {};

TEST_P(RunAfterLoadWithTrailingLine, StartAndOneFrameGoOnAfterTheLastFrame) {
  MainRoadWindow first(Reader::OwnAvi);
  const auto csv = SaveMeasuredRows(first, first.Path("twelve.avi"), 5);
  std::ofstream(csv, std::ios::app | std::ios::binary) << GetParam() << "\r\n";

  MainRoadWindow m(Reader::OwnAvi);
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  std::vector<int> expected = FrameRange(0, 4);
  expected.push_back(-1);  // the added line stays where it is
  ASSERT_EQ(m.RowFrames(), expected);
  m.W().GoToFrame(4);  // where the observer left off
  m.Click("Button21");  // 'DEL' takes back no frame's row in place of the added line
  ASSERT_EQ(m.RowFrames(), expected);
  m.Click("Button16");
  expected.push_back(5);
  EXPECT_EQ(m.RowFrames(), expected);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  for (int n = 6; n <= 11; ++n) expected.push_back(n);
  EXPECT_EQ(m.RowFrames(), expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, RunAfterLoadWithTrailingLine,
                         ::testing::Values("Average,,,,,,,,,,1500.0", "-,,,,,", "nan,1,2", "1e999,1,2"),
                         [](const auto& info) { return "Line" + std::to_string(info.index); });

// Field rows are measured with aperture photometry only ('Photometry' and
// 'Field Measure' refuse each other). A window set to PSF photometry, by hand
// or by its settings file, that loads a table of field rows measures on as
// the table was measured: the steady star's rows go on with the same
// aperture, pixel counts and flux.
struct PsfWindow {
  const char* name;
  bool through_menu;
  bool settings_name_psf;  // the reopened video's settings reload ticks 'Photometry'
  bool video_gone;
};
void PrintTo(const PsfWindow& c, std::ostream* os) { *os << c.name; }
class FieldTableIntoPsfWindow : public ::testing::TestWithParam<PsfWindow> {};

TEST_P(FieldTableIntoPsfWindow, RowsMeasuredOnAreApertureRowsLikeTheLoadedOnes) {
  const PsfWindow& c = GetParam();
  MainRoadWindow first(Reader::OwnAvi);
  const auto video = first.Path("twelve.avi");
  const auto csv = SaveMeasuredRows(first, video, 3, Layout::Fields);
  ASSERT_EQ(FirstCells(first), ExpectedFirstCells(2, true));
  if (c.video_gone) {
    first.window.reset();
    ASSERT_TRUE(std::filesystem::remove(video));
  }

  MainRoadWindow m(Reader::OwnAvi);
  if (c.settings_name_psf)
    IniFile(m.W().SettingsPlace.IniPath).WriteString("Measurement", "Photometry", "PSF photometry");
  QCheckBox* psf = m.Find<QCheckBox>("CheckBox14");
  psf->click();
  ASSERT_TRUE(psf->isChecked());
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  if (c.through_menu)
    m.W().LoadCSVFile1->trigger();
  else
    m.Click("Button20");
  ASSERT_EQ(m.W().Run.VideoLoaded, !c.video_gone);
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox2")->isChecked());
  EXPECT_FALSE(psf->isChecked());
  EXPECT_TRUE(m.Find<QPushButton>("Button40")->isEnabled());  // 'Set radius to recorded' is aperture photometry's
  int notes = 0;
  for (const auto& message : m.dialogs.messages) notes += message.text == kFieldModeNotOnPsf;
  EXPECT_LE(notes, 1);
  if (c.video_gone) return;

  m.W().GoToFrame(2);
  m.Click("Button16");
  ASSERT_EQ(FirstCells(m), ExpectedFirstCells(3, true));
  const std::vector<std::string> rows = m.Rows();
  for (size_t i = 6; i < 8; ++i) {
    SCOPED_TRACE(rows[i]);
    const std::string& loaded = rows[i - 2];
    // Aperture and background pixel counts of the same radii on the same star.
    for (int column : {19, 20}) EXPECT_EQ(GetCsvField(rows[i], column), GetCsvField(loaded, column)) << column;
    const double flux = ParseDouble(GetCsvField(rows[i], 11)).value_or(0);
    const double loaded_flux = ParseDouble(GetCsvField(loaded, 11)).value_or(0);
    ASSERT_GT(loaded_flux, 0);
    EXPECT_NEAR(flux, loaded_flux, 0.05 * loaded_flux);
  }
}

INSTANTIATE_TEST_SUITE_P(LoadCommand, FieldTableIntoPsfWindow,
                         ::testing::Values(PsfWindow{"Button20", false, false, false},
                                           PsfWindow{"Button20SettingsPsf", false, true, false},
                                           PsfWindow{"Menu", true, false, false},
                                           PsfWindow{"MenuSettingsPsf", true, true, false},
                                           PsfWindow{"MenuVideoGone", true, false, true},
                                           PsfWindow{"Button20VideoGone", false, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
