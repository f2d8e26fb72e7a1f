// The measuring road tried as a new user would: the rectangle aperture, what
// 'Open AVI' and 'Load CSV' reset, load warnings, broken videos and exit, all
// through the real controls.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <cstring>

#include "MainRoadFixture.h"
#include "support/VideoFixtures.h"
#include "timestamp/TimeStampReader.h"

namespace {

constexpr int kWidth = 120, kHeight = 100, kStarX = 60, kStarY = 50;

double Flux(int n) { return 2000.0 + 30.0 * n; }

std::filesystem::path StarVideo(MainRoadWindow& m, const std::string& name, int frames = 6) {
  const auto path = m.Path(name);
  std::filesystem::create_directories(path.parent_path());
  EXPECT_TRUE(WriteAvi(path.string(), StarFrames(kWidth, kHeight, frames, 60.3, 49.8, Flux)));
  return path;
}

int ApertureCells(const TPlatform& w, int k) { return CountClassCells(w.Driver.Classes[size_t(k - 1)], 1); }

// One row measured with '1Frame', then saved with 'SaveToCSV-File'.
std::filesystem::path SavedTable(MainRoadWindow& m) {
  m.ClickImage1(kStarX, kStarY);
  m.Click("Button16");
  EXPECT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.Rows().size(), 1u);
  const auto csv = m.Path("table.csv");
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button6");
  EXPECT_TRUE(std::filesystem::exists(csv));
  return csv;
}

class RoadFaults : public ::testing::TestWithParam<Reader> {};

TEST_P(RoadFaults, RectangleApertureTakesWidthAndHeightIntoEveryBlock) {
  MainRoadWindow m(GetParam());
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m, "star.avi")));
  TPlatform& w = m.W();
  m.ClickImage1(kStarX, kStarY);
  w.RectangleAperture1->trigger();
  ASSERT_TRUE(w.RectangleAperture1->isChecked());
  EXPECT_EQ(m.Find<QSpinBox>("UpDown8")->value(), 5);
  EXPECT_EQ(m.Find<QSpinBox>("UpDown6")->value(), 51);
  for (size_t j = 0; j < 3; ++j) {
    SCOPED_TRACE("block " + std::to_string(j));
    EXPECT_EQ(w.Frames.FrameDataLines[j].Objects[0].BackgroundForm, 3);
    EXPECT_EQ(w.Frames.FrameDataLines[j].Objects[0].TrackMode, 2);
  }
  struct Size {
    int width, height;
  };
  // 'Width' x 'Height' aperture cells, after each change and a one-frame measurement.
  for (const Size s : {Size{5, 51}, Size{7, 51}, Size{7, 9}, Size{1, 1}}) {
    SCOPED_TRACE(std::to_string(s.width) + " x " + std::to_string(s.height));
    m.Find<QSpinBox>("UpDown8")->setValue(s.width);
    m.Find<QSpinBox>("UpDown6")->setValue(s.height);
    m.Click("Button16");
    ASSERT_TRUE(m.WaitUntilStopped());
    EXPECT_EQ(ApertureCells(w, 1), s.width * s.height);
  }
  // The band's own width and gap are untouched by the rectangle's size.
  w.RectangleAperture1->trigger();
  EXPECT_NE(w.Frames.FrameDataLines[0].Objects[0].BackgroundForm, 3);
  EXPECT_EQ(m.Find<QLabel>("Label2")->text(), "Gap");
}

// 'Open AVI' and 'Load CSV' both take the rectangle away and free the event times.
TEST_P(RoadFaults, OpenAviAndLoadCsvResetTheRectangleAndTheEventTimes) {
  for (const char* command : {"Button1", "Button20"}) {
    SCOPED_TRACE(command);
    MainRoadWindow m(GetParam());
    const auto video = StarVideo(m, "star.avi");
    ASSERT_TRUE(m.OpenThroughButton1(video));
    TPlatform& w = m.W();
    const auto csv = SavedTable(m);
    w.RectangleAperture1->trigger();
    ASSERT_EQ(m.Find<QLabel>("Label2")->text(), "Height");
    w.Events.Flags.TimeFieldEdited = {1, 1, 1};
    m.dialogs.open_file_names.push_back(QString::fromStdString((command == std::string("Button1") ? video : csv).string()));
    m.Click(command);
    EXPECT_TRUE(w.Run.VideoLoaded);
    EXPECT_FALSE(w.RectangleAperture1->isChecked());
    EXPECT_EQ(m.Find<QLabel>("Label2")->text(), "Gap");
    for (const char* b : {"RadioButton1", "RadioButton2", "RadioButton3"}) EXPECT_TRUE(m.Find<QRadioButton>(b)->isEnabled()) << b;
    EXPECT_EQ(w.Events.Flags.TimeFieldEdited, (std::array<uint8_t, 3>{0, 0, 0}));
    for (size_t j = 0; j < 3; ++j) EXPECT_NE(w.Frames.FrameDataLines[j].Objects[0].BackgroundForm, 3) << "block " << j;
    EXPECT_TRUE(m.dialogs.messages.empty()) << m.dialogs.messages[0].text.toStdString();
  }
}

TEST_P(RoadFaults, PlacingAStarFreesTheEventTimes) {
  MainRoadWindow m(GetParam());
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m, "star.avi")));
  m.W().Events.Flags.TimeFieldEdited = {1, 0, 1};
  m.ClickImage1(kStarX, kStarY);
  EXPECT_EQ(m.W().Events.Flags.TimeFieldEdited, (std::array<uint8_t, 3>{0, 0, 0}));
}

// Cells that are not whole numbers are told once, in one message.
TEST_P(RoadFaults, LoadWarningsAreShownOnceTogether) {
  MainRoadWindow m(GetParam());
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m, "star.avi")));
  const auto csv = SavedTable(m);
  std::vector<std::string> lines;
  {
    std::ifstream in(csv, std::ios::binary);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
  }
  // The first row: tracking radius (32) and threshold (33) of object A.
  std::string& row = lines[lines.size() - 1];
  std::vector<std::string> cells;
  for (size_t at = 0;;) {
    const size_t comma = row.find(',', at);
    cells.push_back(row.substr(at, comma - at));
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  ASSERT_GE(cells.size(), 34u);
  cells[31] = "x4";
  cells[32] = "12.5";
  row.clear();
  for (size_t i = 0; i < cells.size(); ++i) row += (i ? "," : "") + cells[i];
  {
    std::ofstream out(csv, std::ios::binary | std::ios::trunc);
    for (const std::string& l : lines) out << l << '\n';
  }
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  const QString text = m.dialogs.messages[0].text;
  EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Warning);
  EXPECT_TRUE(text.contains("column 32: \"x4\"")) << text.toStdString();
  EXPECT_TRUE(text.contains("column 33: \"12.5\"")) << text.toStdString();
}

TEST_P(RoadFaults, OpenAviStartsTheNextVideoClean) {
  MainRoadWindow m(GetParam());
  const auto first = StarVideo(m, "a/first.avi");
  const auto second = StarVideo(m, "b/second.avi");
  for (const auto& folder : {first.parent_path(), second.parent_path()}) std::ofstream(folder / "tsy.wav") << "RIFF";
  ASSERT_TRUE(m.OpenThroughButton1(first));
  TPlatform& w = m.W();
  m.ClickImage1(kStarX, kStarY);
  m.Find<QRadioButton>("RadioButton5")->click();  // 'Drift'
  m.Click("Button11");  // 'Frame1' of object A at frame 0
  ASSERT_EQ(m.Find<QLineEdit>("Edit40")->text(), "0");
  w.Stamp.DigitX[1][7] = 999;
  ASSERT_TRUE(m.OpenThroughButton1(second));
  EXPECT_EQ(m.Find<QLineEdit>("Edit40")->text(), "Frame1");
  EXPECT_EQ(m.Find<QLineEdit>("Edit41")->text(), "Frame2");
  EXPECT_EQ(w.Stamp.DigitX[1][7], KiwiDigitPositions[0][0]);
  // The sound track made beside the first video goes; the second video's folder keeps its file.
  EXPECT_FALSE(std::filesystem::exists(first.parent_path() / "tsy.wav"));
  EXPECT_TRUE(std::filesystem::exists(second.parent_path() / "tsy.wav"));
}

TEST_P(RoadFaults, ExitClosesTheFrameSources) {
  MainRoadWindow m(GetParam());
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m, "star.avi")));
  TPlatform& w = m.W();
  ASSERT_EQ(w.VideoIn.FrameSourceOpen, 1);
  m.Click("Button2");
  EXPECT_EQ(w.VideoIn.FrameSourceOpen, 0);
  EXPECT_EQ(w.Sources.GKAvi1.FrameCount(), -1);
  EXPECT_EQ(w.Sources.DirectShow.DSGraphOpen, 0);
}

// A file that cannot be read: one message with the reader's reason, the
// previous video's frame, path, size and rate gone, and no later boxes.
TEST_P(RoadFaults, BrokenVideoIsRefusedWithOneMessageAndClearsTheScreen) {
  MainRoadWindow m(GetParam());
  TPlatform& w = m.W();
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m, "good.avi")));
  ASSERT_FALSE(m.Find<QLineEdit>("Edit48")->text().isEmpty());
  std::vector<char> bytes;
  {
    std::ifstream in(m.Path("good.avi"), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  auto at = [&](const char* id) {
    return size_t(std::search(bytes.begin(), bytes.end(), id, id + 4) - bytes.begin());
  };
  const char* reason;
  if (GetParam() == Reader::OwnAvi) {
    bytes[at("strf") + 8 + 14] = 7;  // biBitCount
    reason = "Unsupported bit count 7.";
  } else {
    // Raw pictures labelled as Motion JPEG: no frame ever decodes.
    std::memcpy(&bytes[at("strh") + 8 + 4], "MJPG", 4);
    std::memcpy(&bytes[at("strf") + 8 + 16], "MJPG", 4);
    reason = "Could not open .AVI file.";
  }
  const auto broken = m.Path("broken.avi");
  std::ofstream(broken, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  bool busy_during_box = false;
  struct Watch : ScriptedDialogService {
    TPlatform* w = nullptr;
    bool* busy = nullptr;
    void ShowMessage(MessageKind kind, const QString& text, const QString& caption) override {
      *busy = w->Run.FrameSourceBusy;
      ScriptedDialogService::ShowMessage(kind, text, caption);
    }
  } watch;
  watch.w = &w;
  watch.busy = &busy_during_box;
  {
    ScopedDialogService use(watch);
    watch.open_file_names.push_back(QString::fromStdString(broken.string()));
    m.Click("Button1");
    QCoreApplication::processEvents();
  }
  ASSERT_EQ(watch.messages.size(), 1u);
  EXPECT_TRUE(watch.messages[0].text.contains(reason)) << watch.messages[0].text.toStdString();
  EXPECT_TRUE(busy_during_box);  // exit waits while the reader is at work
  EXPECT_FALSE(w.Run.VideoLoaded);
  EXPECT_FALSE(w.Run.FrameSourceBusy);
  for (const char* e : {"Edit5", "Edit48", "Edit49", "Edit30"}) EXPECT_TRUE(m.Find<QLineEdit>(e)->text().isEmpty()) << e;
  EXPECT_TRUE(m.Find<QLabel>("Image1")->pixmap().isNull());
  // Later commands show nothing more.
  m.Click("Button1");  // the dialog is cancelled
  m.Click("Button3");
  m.Click("Button16");
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// A failed test grab before a resumed run gives back both switches it took.
TEST(RoadFaultsFfmpeg, FailedTestGrabGivesFieldMeasureBack) {
  MainRoadWindow m(Reader::Ffmpeg);
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m, "star.avi")));
  TPlatform& w = m.W();
  m.ClickImage1(kStarX, kStarY);
  m.Click("Button16");
  ASSERT_TRUE(m.WaitUntilStopped());
  m.Find<QScrollBar>("ScrollBar1")->setValue(w.Run.LastMeasuredFrame);
  w.Sources.DirectShow.DSCloseVideo();  // the file went away under the reader
  m.Click("Button3");
  ASSERT_FALSE(m.dialogs.messages.empty());
  EXPECT_TRUE(m.dialogs.messages.back().text.startsWith("Fail to get a bitmap.\r\n"));
  EXPECT_FALSE(w.Run.MeasuringRun);
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox14")->isEnabled());
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox2")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(BothReaders, RoadFaults, ::testing::Values(Reader::OwnAvi, Reader::Ffmpeg),
                         [](const auto& info) { return std::string(info.param == Reader::OwnAvi ? "Own" : "Ffmpeg"); });

}  // namespace
