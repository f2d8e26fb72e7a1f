// The measuring road tried as a new user would: the rectangle aperture, what
// 'Open AVI' and 'Load CSV' reset, load warnings, broken videos and exit, all
// through the real controls.
#include <QAction>
#include <QDir>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "MainRoadFixture.h"
#include "base/NumberText.h"
#include "measure/ApertureMasks.h"
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

// Object A placed on the star and one row measured with '1Frame'.
bool MeasureOneFrame(MainRoadWindow& m) {
  m.ClickImage1(kStarX, kStarY);
  m.Click("Button16");
  return m.WaitUntilStopped();
}

// One row measured, then saved with 'SaveToCSV-File'.
std::filesystem::path SavedTable(MainRoadWindow& m) {
  EXPECT_TRUE(MeasureOneFrame(m));
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
  ASSERT_EQ(w.Video.FrameSourceOpen, 1);
  m.Click("Button2");
  EXPECT_EQ(w.Video.FrameSourceOpen, 0);
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

// A table cut short in its last row: the whole rows load, the cut row is left
// out, and the user is told.
TEST(RoadFaultsCsv, ATableCutInItsLastRowLoadsTheWholeRowsAndSaysSo) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m, "star.avi")));
  m.ClickImage1(kStarX, kStarY);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 6u);
  const auto csv = m.Path("table.csv");
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button6");
  std::string text;
  {
    std::ifstream in(csv, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  // Cut in the middle of the last row.
  const size_t last_row = text.rfind("\r\n", text.size() - 3) + 2;
  text.resize(last_row + (text.size() - last_row) / 2);
  std::ofstream(csv, std::ios::binary | std::ios::trunc) << text;
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  EXPECT_EQ(m.Rows(), std::vector<std::string>(rows.begin(), rows.end() - 1));
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(m.dialogs.messages[0].text, "The last line of the file is cut short and was left out.");

  // A table whose last row lacks only its line end loads whole, without a word.
  m.dialogs.messages.clear();
  std::ofstream(csv, std::ios::binary | std::ios::trunc) << text.substr(0, last_row - 2);
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  EXPECT_EQ(m.Rows(), std::vector<std::string>(rows.begin(), rows.end() - 1));
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// A failed test grab before a resumed run gives back both switches as they
// were: 'Photometry' free, 'Field Measure' still locked by the row measured,
// so a click on it cannot drop that row.
TEST(RoadFaultsFfmpeg, FailedTestGrabGivesTheSwitchesBackAsTheyWere) {
  MainRoadWindow m(Reader::Ffmpeg);
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m, "star.avi")));
  TPlatform& w = m.W();
  ASSERT_TRUE(MeasureOneFrame(m));
  QCheckBox* field = m.Find<QCheckBox>("CheckBox2");
  ASSERT_FALSE(field->isEnabled());
  m.Find<QScrollBar>("ScrollBar1")->setValue(w.Run.LastMeasuredFrame);
  w.Sources.DirectShow.DSCloseVideo();  // the file went away under the reader
  m.Click("Button3");
  ASSERT_FALSE(m.dialogs.messages.empty());
  EXPECT_TRUE(m.dialogs.messages.back().text.startsWith("Fail to get a bitmap.\r\n"));
  EXPECT_FALSE(w.Run.MeasuringRun);
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox14")->isEnabled());
  EXPECT_FALSE(field->isEnabled());
  field->click();
  EXPECT_EQ(m.Rows().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothReaders, RoadFaults, ::testing::Values(Reader::OwnAvi, Reader::Ffmpeg),
                         [](const auto& info) { return std::string(info.param == Reader::OwnAvi ? "Own" : "Ffmpeg"); });

}  // namespace

namespace {

// Cells of the digital disk of radius r, counted from its definition: the
// centre column spans -r..r, columns +-i span round(sqrt(r^2 - (i - 0.5)^2))
// rows each way, halves to even.
std::string Fixed(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

int DiskCells(int r) {
  if (r < 0) return 0;
  int n = 2 * r + 1;
  for (int i = 1; i <= r; ++i) n += 2 * (2 * int(std::nearbyint(std::sqrt(double(r * r) - (i - 0.5) * (i - 0.5)))) + 1);
  return n;
}

TEST(RoadReadouts, SelectedObjectResultAndPixelCountsAreShown) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m, "star.avi")));
  TPlatform& w = m.W();
  ASSERT_TRUE(MeasureOneFrame(m));
  const int r = m.Find<QSpinBox>("UpDown1")->value();
  const int inner = m.Find<QSpinBox>("UpDown2")->value();
  const int outer = m.Find<QSpinBox>("UpDown3")->value();
  // Standard form: the aperture disk, and the ring from the inner radius out.
  EXPECT_EQ(m.Find<QLineEdit>("Edit20")->text().toStdString(), std::to_string(DiskCells(r)));
  EXPECT_EQ(m.Find<QLineEdit>("Edit21")->text().toStdString(), std::to_string(DiskCells(outer) - DiskCells(inner - 1)));
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 1u);
  // The row's value (column 11) with one decimal, halves to even.
  const double value = ParseDoubleOr(StripQuotes(GetCsvField(rows[0], 11)), -1e9);
  EXPECT_EQ(m.Find<QLineEdit>("Edit9")->text().toStdString(), Fixed(std::nearbyint(value * 10) / 10, 1));
  EXPECT_FALSE(m.Find<QLineEdit>("Edit23")->text().isEmpty());

  // PSF photometry: no pixel counts; the fitted volume and FWHM.
  m.Find<QCheckBox>("CheckBox14")->setChecked(true);
  EXPECT_TRUE(m.Find<QLineEdit>("Edit20")->text().isEmpty());
  EXPECT_TRUE(m.Find<QLineEdit>("Edit21")->text().isEmpty());
  const ObjectResult& a = w.Frames.FrameDataLines[0].Objects[0];
  EXPECT_EQ(m.Find<QLineEdit>("Edit23")->text().toStdString(), Fixed(a.FwhmHfd, 2));
  EXPECT_EQ(m.Find<QLineEdit>("Edit9")->text().toStdString(), Fixed(std::nearbyint(a.Value * 10) / 10, 1));
  // The star was placed under aperture photometry, so no profile width was
  // stored: the fit still finds the star's own. A Gaussian of sigma 1.5 has
  // an FWHM of 2 sqrt(2 ln 2) 1.5 = 3.53 (3.59 integrated over the pixels).
  EXPECT_NEAR(a.FwhmHfd, 3.59, 0.18);
  EXPECT_NEAR(a.Value, Flux(w.ScrollBar1->value()), 0.03 * Flux(0));
}

TEST(RoadReadouts, DisplayCamcordersTimeWritesTheScriptWithTheDvTime) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto video = StarVideo(m, "dv.avi");
  ASSERT_TRUE(m.OpenThroughButton1(video));
  TPlatform& w = m.W();
  ASSERT_NE(w.DisplayCamcordersTime2, nullptr);
  w.DisplayCamcordersTime2->trigger();
  EXPECT_TRUE(w.DisplayCamcordersTime2->isChecked());
  EXPECT_TRUE(w.Run.VideoLoaded);
  std::ifstream script(m.Path("dv.avs"), std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(script), {}};
  EXPECT_NE(text.find("DVInfo(\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"rec_time\""), std::string::npos) << text;
}

// Chosen while a run measures, the command cannot reopen the video: its mark
// stays as the video is shown, not ticked over frames without the time. Once
// the run has ended it works.
TEST(RoadReadouts, DisplayCamcordersTimeDuringARunKeepsItsMark) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(m.OpenThroughButton1(StarVideo(m, "dv.avi", 12)));
  TPlatform& w = m.W();
  m.ClickImage1(kStarX, kStarY);
  auto* speed = m.Find<QSlider>("TrackBar1");
  speed->setValue(1000);
  m.Click("Button3");
  ASSERT_TRUE(w.Run.MeasuringRun);
  w.DisplayCamcordersTime2->trigger();
  EXPECT_FALSE(w.DisplayCamcordersTime2->isChecked());
  speed->setValue(1);
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_EQ(m.RowFrames(), FrameRange(0, 11));
  EXPECT_FALSE(w.DisplayCamcordersTime2->isChecked());
  EXPECT_FALSE(std::filesystem::exists(m.Path("dv.avs")));

  w.DisplayCamcordersTime2->trigger();
  EXPECT_TRUE(w.DisplayCamcordersTime2->isChecked());
  std::ifstream script(m.Path("dv.avs"), std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(script), {}};
  EXPECT_NE(text.find("DVInfo(\""), std::string::npos) << text;
}

}  // namespace

namespace {

// File dialogs start in the remembered folder, else the video's, else home.
TEST(RoadDialogs, FileDialogsStartInAFolderThatExists) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto video = StarVideo(m, "clips/star.avi");
  const QString home = QDir::homePath();
  SetDialogFallbackFolder({});
  struct Case {
    QString given, expected;
  };
  const QString there = QString::fromStdString(m.Path("clips").string());
  for (const Case& c : {Case{"", home}, Case{"/no/such/folder", home}, Case{"ABC123", home + "/ABC123"},
                        Case{there, there}, Case{there + "/event.png", there + "/event.png"}})
    EXPECT_EQ(DialogStartPath(c.given).toStdString(), c.expected.toStdString()) << c.given.toStdString();
  // After a video is opened, dialogs without a folder start beside it.
  ASSERT_TRUE(m.OpenThroughButton1(video));
  EXPECT_EQ(DialogStartPath({}).toStdString(), there.toStdString());
  EXPECT_EQ(DialogStartPath("ABC123").toStdString(), (there + "/ABC123").toStdString());
  SetDialogFallbackFolder({});
}

}  // namespace
