// The operation guide on a synthetic star video: 'Preview', 'Stop',
// 'Measure', 'Stop', 'Back to Starting point' and 'Graph' drive the main
// window; 'Back' waits until there is a starting point to go back to.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <cmath>

#include "CaptureRecording.h"
#include "MainRoadFixture.h"
#include "app/ui/TPlatformIdentHost.h"
#include "app/ui/TProfile.h"
#include "base/ResultTable.h"
#include "base/ui/ControlEvents.h"
#include "chart/ui/Tchart1.h"
#include "support/WindowControls.h"

namespace {

constexpr int kStarX = 40, kStarY = 30;

template <class Done>
bool Spin(Done done, int limit_ms = 30000) {
  return SpinUntil(done, limit_ms);
}

struct GuideFixture {
  MainRoadWindow m{Reader::OwnAvi};
  TProfile* guide = nullptr;

  GuideFixture() {
    const auto path = m.Path("stars.avi");
    EXPECT_TRUE(WriteAvi(path.string(), StarFrames(80, 60, 40, kStarX + 0.3, kStarY - 0.2, [](int) { return 1500.0; })));
    EXPECT_TRUE(m.OpenThroughButton1(path));
    m.ClickImage1(kStarX, kStarY);
    m.Click("Button32");
    guide = m.W().Profile;
  }
  QPushButton* Button(const char* name) { return Find<QPushButton>(guide, name); }
  // Object B added on the star through the guide's star button.
  void AddObjectB() {
    m.W().Mouse.PopupX = kStarX;
    m.W().Mouse.PopupY = kStarY;
    Find<QRadioButton>(guide, "RadioButton2")->setChecked(true);
  }
  // 'Preview' from frame 5 until frame 10 or later is shown, then 'Stop'.
  bool PreviewFromFrame5() {
    m.W().GoToFrame(5);
    Button("Button3")->click();
    const bool moved = Spin([&] { return m.Find<QScrollBar>("ScrollBar1")->value() >= 10; });
    Button("Button4")->click();
    return moved;
  }
};

// Two stars on a flat sky of 20, alike in every frame, opened through 'Open AVI'.
SyntheticFrame OpenTwoStars(MainRoadWindow& m, int width, int height, int frames, SyntheticStar a, SyntheticStar b) {
  SyntheticFrame f;
  f.Width = width;
  f.Height = height;
  f.Background = 20;
  f.Stars = {a, b};
  EXPECT_TRUE(WriteAvi(m.Path("two.avi").string(), std::vector<Bitmap24>(static_cast<size_t>(frames), MakeStarFrame(f))));
  EXPECT_TRUE(m.OpenThroughButton1(m.Path("two.avi")));
  return f;
}

// Object A placed at (x, y) with PSF photometry, which opens the guide.
TProfile* PlaceWithPsf(MainRoadWindow& m, int x, int y) {
  m.W().CheckBox14->setChecked(true);  // 'Photometry': PSF
  m.ClickImage1(x, y);
  return m.W().Profile;
}

TEST(OperationGuide, OpensOnceBesideTheMainWindow) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  EXPECT_EQ(g.guide->windowTitle(), "Operation guide");
  EXPECT_TRUE(g.guide->windowFlags() & Qt::WindowStaysOnTopHint);
  g.m.Click("Button32");
  EXPECT_EQ(g.m.W().findChildren<TProfile*>().size(), 1);
  EXPECT_TRUE(Find<QRadioButton>(g.guide, "RadioButton1")->isChecked());
  EXPECT_FALSE(g.Button("Button1")->isEnabled());
  EXPECT_FALSE(g.Button("Button2")->isEnabled());
  EXPECT_FALSE(Find<QCheckBox>(g.guide, "CheckBox1")->isEnabled());
  // The main window's step boxes of the analysis.
  EXPECT_EQ(g.m.Find<QLineEdit>("Edit72")->text(), "4. Diffraction tit");
  EXPECT_EQ(g.m.Find<QLineEdit>("Edit73")->text(), "5. Make report");

  auto* control = Find<TRadioGroup>(g.guide, "RadioGroup1");
  control->SetItemIndex(0);
  EXPECT_EQ(g.guide->height(), 246);
  control->SetItemIndex(1);
  EXPECT_EQ(g.guide->height(), 416);

  g.guide->close();
  QCoreApplication::processEvents();
  EXPECT_FALSE(g.m.W().Profile);
}

TEST(OperationGuide, BackIsOfferedOnlyAfterAPreviewOrAMeasurement) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  EXPECT_FALSE(g.Button("Button5")->isEnabled());
  EXPECT_FALSE(g.guide->DataLineBackup);

  w.GoToFrame(5);
  const DataLineBlocks at_start = w.Frames.FrameDataLines;
  g.Button("Button3")->click();  // 'Preview'
  EXPECT_TRUE(w.Run.Playing);
  EXPECT_FALSE(g.Button("Button5")->isEnabled());
  ASSERT_TRUE(Spin([&] { return g.m.Find<QScrollBar>("ScrollBar1")->value() >= 10; }));
  g.Button("Button4")->click();  // 'Stop'
  EXPECT_FALSE(w.Run.Playing);
  ASSERT_TRUE(g.Button("Button5")->isEnabled());
  g.Button("Button5")->click();  // 'Back to Starting point'
  EXPECT_EQ(g.m.Find<QScrollBar>("ScrollBar1")->value(), 5);
  EXPECT_EQ(w.Frames.FrameDataLines[0].FrameNumberX10, 50);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].X, at_start[0].Objects[0].X);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].Y, at_start[0].Objects[0].Y);

  g.Button("Button6")->click();  // 'Measure'
  EXPECT_TRUE(w.Run.MeasuringRun);
  EXPECT_FALSE(g.Button("Button5")->isEnabled());
  ASSERT_TRUE(Spin([&] { return g.m.Rows().size() >= 5; }));
  g.Button("Button7")->click();  // 'Stop'
  EXPECT_FALSE(w.Run.MeasuringRun);
  const size_t rows = g.m.Rows().size();
  EXPECT_GE(rows, 5u);
  EXPECT_EQ(StripQuotes(GetCsvField(g.m.Rows().front(), 1)), "5.0");
  g.Button("Button5")->click();
  EXPECT_EQ(g.m.Find<QScrollBar>("ScrollBar1")->value(), 5);
  EXPECT_EQ(g.m.Rows().size(), rows);  // going back keeps the measured rows

  g.Button("Button8")->click();  // 'Graph'
  ASSERT_TRUE(w.chart1.Window);
  w.chart1.Window->close();
}

// The other pair's 'Stop' stops nothing. 'Back to Starting point' then
// waits while a run measures (restoring the objects mid-run would move the
// apertures of the rows still to come), and after playback it gives back the
// switches that playback held.
TEST(OperationGuide, TheOtherStopLeavesNoRunOrPlaybackHalfUndone) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  auto* speed = g.m.Find<QSlider>("TrackBar1");
  speed->setValue(1000);  // the run or playback waits for its next tick meanwhile

  g.Button("Button6")->click();  // 'Measure'
  ASSERT_TRUE(w.Run.MeasuringRun);
  g.Button("Button4")->click();  // the preview's 'Stop'
  EXPECT_TRUE(w.Run.MeasuringRun);
  EXPECT_FALSE(g.Button("Button5")->isEnabled());
  g.Button("Button7")->click();  // the measurement's 'Stop'
  EXPECT_FALSE(w.Run.MeasuringRun);
  EXPECT_TRUE(g.Button("Button5")->isEnabled());

  g.m.dialogs.yes_no_answers = {true};
  g.m.Click("Button5");  // 'DataRemove'
  g.Button("Button3")->click();  // 'Preview'
  ASSERT_TRUE(w.Run.Playing);
  EXPECT_FALSE(w.CheckBox14->isEnabled());
  g.Button("Button7")->click();  // the measurement's 'Stop'
  EXPECT_TRUE(w.Run.Playing);
  ASSERT_TRUE(g.Button("Button5")->isEnabled());
  g.Button("Button5")->click();  // 'Back to Starting point' ends the playback
  EXPECT_FALSE(w.Run.Playing);
  EXPECT_FALSE(w.Timer1->isActive());
  EXPECT_TRUE(w.CheckBox14->isEnabled());
  EXPECT_TRUE(w.CheckBox7->isEnabled());
  EXPECT_TRUE(w.Button40->isEnabled());
}

TEST(OperationGuide, OccultationTypeSetsTheLinkBox) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  auto* type = Find<QComboBox>(g.guide, "ComboBox1");
  auto* link = Find<QCheckBox>(g.guide, "CheckBox1");
  for (int t : {1, 4, 0}) {
    type->setCurrentIndex(t);
    emit type->activated(t);
    EXPECT_EQ(g.m.W().Options.OccultationTypeIndex, t);
    EXPECT_FALSE(link->isChecked()) << t;
    EXPECT_FALSE(link->isEnabled()) << t;
  }
}

// Opened again, the guide shows the type chosen before, which the main
// window's presets go on applying when the next video opens.
TEST(OperationGuide, ReopenedItShowsTheTypeInUse) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  EXPECT_EQ(Find<QComboBox>(g.guide, "ComboBox1")->currentIndex(), 0);
  auto* type = Find<QComboBox>(g.guide, "ComboBox1");
  type->setCurrentIndex(4);
  emit type->activated(4);
  ASSERT_EQ(w.Options.OccultationTypeIndex, 4);
  g.guide->close();
  QCoreApplication::processEvents();
  ASSERT_FALSE(w.Profile);
  g.m.Click("Button32");
  ASSERT_TRUE(w.Profile);
  EXPECT_EQ(Find<QComboBox>(w.Profile, "ComboBox1")->currentIndex(), 4);
  EXPECT_EQ(w.Profile->OccultationType, 4);
  EXPECT_EQ(w.Options.OccultationTypeIndex, 4);
  ASSERT_TRUE(g.m.OpenThroughButton1(g.m.Path("stars.avi")));
  // Type 4: object A drifts with a threshold of 75.
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].TrackMode, static_cast<uint8_t>(TrackModeKind::Drift));
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].Threshold, 75);
}

// The star buttons add and select objects B and C in the main window; the
// 'Delete' buttons follow the count of objects.
TEST(OperationGuide, StarButtonsAddAndSelectObjects) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  g.AddObjectB();
  EXPECT_EQ(w.Run.ObjectCount, 2);
  EXPECT_EQ(w.Run.SelectedObject, 2);
  EXPECT_TRUE(w.RadioButton8->isChecked());
  EXPECT_TRUE(Find<QCheckBox>(g.guide, "CheckBox1")->isEnabled());
  EXPECT_TRUE(g.Button("Button1")->isEnabled());
  Find<QRadioButton>(g.guide, "RadioButton3")->setChecked(true);
  EXPECT_EQ(w.Run.ObjectCount, 3);
  EXPECT_EQ(w.Run.SelectedObject, 3);
  EXPECT_TRUE(g.Button("Button2")->isEnabled());
  EXPECT_FALSE(g.Button("Button1")->isEnabled());
  g.Button("Button2")->click();
  EXPECT_EQ(w.Run.ObjectCount, 2);
  Find<QRadioButton>(g.guide, "RadioButton1")->setChecked(true);
  EXPECT_EQ(w.Run.SelectedObject, 1);
}

// The first 'Delete' refused during a run leaves the object and its link as
// they are; once the run has stopped it removes both.
TEST(OperationGuide, DeleteRefusedDuringARunKeepsTheLink) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  g.AddObjectB();
  ASSERT_EQ(w.Run.ObjectCount, 2);
  auto* link = Find<QCheckBox>(g.guide, "CheckBox1");
  link->click();
  ASSERT_TRUE(w.CheckBox6->isChecked());
  g.m.Find<QSlider>("TrackBar1")->setValue(1000);
  g.Button("Button6")->click();  // 'Measure'
  ASSERT_TRUE(w.Run.MeasuringRun);
  g.Button("Button1")->click();  // 'Delete'
  EXPECT_EQ(w.Run.ObjectCount, 2);
  EXPECT_TRUE(w.CheckBox6->isChecked());
  EXPECT_TRUE(link->isChecked());
  g.Button("Button7")->click();  // 'Stop'
  ASSERT_FALSE(w.Run.MeasuringRun);
  g.Button("Button1")->click();
  EXPECT_EQ(w.Run.ObjectCount, 1);
  EXPECT_FALSE(w.CheckBox6->isChecked());
  EXPECT_FALSE(link->isChecked());
}

// The link box ticked in the guide is cleared with the main window's 'Link'
// when object B is removed there or stops drifting: the two never disagree.
TEST(OperationGuide, TheLinkBoxFollowsTheMainWindowsLink) {
  for (const bool by_track_mode : {false, true}) {
    SCOPED_TRACE(by_track_mode);
    GuideFixture g;
    ASSERT_NE(g.guide, nullptr);
    TPlatform& w = g.m.W();
    g.AddObjectB();
    ASSERT_EQ(w.Run.ObjectCount, 2);
    w.RadioButton5->click();  // B drifts: the main window offers its 'Link'
    ASSERT_TRUE(w.CheckBox6->isEnabled());
    auto* link = Find<QCheckBox>(g.guide, "CheckBox1");
    link->click();
    ASSERT_TRUE(w.CheckBox6->isChecked());
    ASSERT_TRUE(g.guide->LinkAnalyzerToBase);
    if (by_track_mode) {
      w.RadioButton4->click();  // B anchored: no drift to link to
      EXPECT_EQ(w.Run.ObjectCount, 2);
    } else {
      g.m.Find<QAction>("Remove1")->trigger();
      EXPECT_EQ(w.Run.ObjectCount, 1);
    }
    EXPECT_FALSE(w.CheckBox6->isChecked());
    EXPECT_FALSE(link->isChecked());
    EXPECT_FALSE(g.guide->LinkAnalyzerToBase);
  }
}

// The analysis-step boxes marked for one video are white again when the next
// is opened: its event is not yet identified, timed or reported.
TEST(OperationGuide, ANewVideoClearsTheStepsDone) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  w.IdentLink->MarkXmlElementStep();
  w.ReportLink.SetDiffractionStepAqua(true);
  w.ReportLink.MarkReportStepDone();
  auto base = [&](const char* name) { return g.m.Find<QLineEdit>(name)->palette().color(QPalette::Base); };
  ASSERT_EQ(base("Edit70"), QColor(0, 255, 255));
  ASSERT_EQ(base("Edit72"), QColor(0, 255, 255));
  ASSERT_EQ(base("Edit73"), QColor(255, 255, 0));
  ASSERT_TRUE(g.m.OpenThroughButton1(g.m.Path("stars.avi")));
  for (const char* step : {"Edit69", "Edit70", "Edit71", "Edit72", "Edit73"})
    EXPECT_EQ(base(step), QColor(Qt::white)) << step;
}

TEST(OperationGuide, ANewVideoClosesTheGuide) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  ASSERT_TRUE(g.m.OpenThroughButton1(g.m.Path("stars.avi")));
  QCoreApplication::processEvents();
  EXPECT_FALSE(g.m.W().Profile);
}

// Objects added, removed and selected in the main window show in the guide.
TEST(OperationGuide, FollowsTheMainWindowsObjects) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  w.Mouse.PopupX = kStarX;
  w.Mouse.PopupY = kStarY;
  g.m.Find<QAction>("Add1")->trigger();
  ASSERT_EQ(w.Run.ObjectCount, 2);
  EXPECT_TRUE(Find<QRadioButton>(g.guide, "RadioButton2")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>(g.guide, "RadioButton3")->isEnabled());
  EXPECT_TRUE(g.Button("Button1")->isEnabled());
  EXPECT_TRUE(Find<QCheckBox>(g.guide, "CheckBox1")->isEnabled());
  w.RadioButton7->setChecked(true);
  EXPECT_EQ(w.Run.SelectedObject, 1);
  EXPECT_TRUE(Find<QRadioButton>(g.guide, "RadioButton1")->isChecked());
  w.RadioButton8->setChecked(true);
  g.m.Find<QAction>("Remove1")->trigger();
  EXPECT_EQ(w.Run.ObjectCount, 1);
  EXPECT_TRUE(Find<QRadioButton>(g.guide, "RadioButton1")->isChecked());
  EXPECT_FALSE(g.Button("Button1")->isEnabled());
  EXPECT_FALSE(Find<QCheckBox>(g.guide, "CheckBox1")->isEnabled());
}

// The plot shows the star's peak at distance 0 and the flat sky of 20 at the
// outer edge, in the colour of object A.
TEST(OperationGuide, PlotsTheSelectedStarsProfile) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  const QImage plot = g.guide->Image1->pixmap().toImage();
  ASSERT_EQ(plot.size(), QSize(240, 150));
  const Bitmap24& frame = g.m.W().Driver.FrameBitmap;
  const ObjectResult& a = g.m.W().Frames.FrameDataLines[0].Objects[0];
  const Bgr peak = frame.Get(a.X, a.Y);
  const double v = (peak.b + peak.g + peak.r) / 3.0;
  const int row = static_cast<int>(std::lround(149 - v / 255.0 * 149));
  auto coloured = [&](int x, int y) { return plot.pixelColor(x, y) != QColor(Qt::white); };
  EXPECT_TRUE(coloured(0, row) || coloured(0, row - 1) || coloured(0, row + 1)) << row;
  const int sky = static_cast<int>(std::lround(149 - 20 / 255.0 * 149));
  EXPECT_TRUE(coloured(239, sky) || coloured(239, sky - 1) || coloured(239, sky + 1));
  EXPECT_FALSE(coloured(120, 5));  // nothing bright halfway out
}

// Placing a star with PSF photometry opens the guide for its profile plot.
TEST(OperationGuide, OpensWhenAStarIsPlacedWithPsfPhotometry) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(WriteAvi(m.Path("s.avi").string(), StarFrames(80, 60, 3, kStarX + 0.3, kStarY, [](int) { return 1500.0; })));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("s.avi")));
  m.W().CheckBox14->setChecked(true);  // 'Photometry': PSF
  EXPECT_FALSE(m.W().Profile);
  m.ClickImage1(kStarX, kStarY);
  ASSERT_TRUE(m.W().Profile);
  EXPECT_GT(m.W().Frames.FrameDataLines[0].Objects[0].FwhmHfd, 0);
}

// A loaded table brings its own objects and maybe no video: the guide's
// starting point belongs to the objects before it, so the guide closes as it
// does for a new video, and nothing can put the old objects back.
TEST(OperationGuide, ALoadedTableClosesTheGuide) {
  for (const bool video_found : {true, false}) {
    SCOPED_TRACE(video_found);
    GuideFixture g;
    ASSERT_NE(g.guide, nullptr);
    TPlatform& w = g.m.W();
    g.Button("Button6")->click();  // 'Measure'
    ASSERT_TRUE(Spin([&] { return g.m.Rows().size() >= 3; }));
    g.Button("Button7")->click();  // 'Stop'
    ASSERT_TRUE(g.Button("Button5")->isEnabled());
    const auto saved = g.m.Path("saved.csv");
    g.m.dialogs.save_file_names.push_back(QString::fromStdString(saved.string()));
    g.m.Click("Button6");
    ASSERT_TRUE(std::filesystem::exists(saved));

    // The same table with object A elsewhere (columns 25 and 26).
    std::vector<std::string> lines = w.Results.Lines();
    const size_t first_row = static_cast<size_t>(DetectCsvVersion(w.Results).CsvHeaderLines);
    SetCsvField(lines[first_row], 25, "61");
    SetCsvField(lines[first_row], 26, "44");
    if (!video_found) lines[1] = "\"FileName : " + g.m.Path("gone").string() + "/gone.avi\"";
    const auto edited = g.m.Path("edited.csv");
    std::ofstream(edited, std::ios::binary) << JoinCrlfLines(lines);
    g.m.dialogs.open_file_names.push_back(QString::fromStdString(edited.string()));
    g.m.Click("Button20");  // 'Load CSV'
    ASSERT_EQ(w.Run.VideoLoaded, video_found);
    QCoreApplication::processEvents();
    if (w.Profile) Find<QPushButton>(w.Profile, "Button5")->click();  // 'Back to Starting point'
    EXPECT_FALSE(w.Profile);
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].X, 61);
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].Y, 44);
  }
}

// A recording opened from 'Video Capture' is a new video too: the starting
// point of the video measured before must not be put back into it.
TEST(OperationGuide, ARecordingOpenedFromTheCaptureClosesTheGuide) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  ASSERT_TRUE(g.PreviewFromFrame5());
  ASSERT_TRUE(g.Button("Button5")->isEnabled());
  TCapture_1* cap = RecordTestPattern(g.m, 3);
  ASSERT_NE(cap, nullptr);
  Find<QPushButton>(cap, "Button3")->click();  // 'Close' opens the recording
  QCoreApplication::processEvents();
  ASSERT_EQ(w.Video.VideoFileName, (g.m.dir.Path() / "obs.avi").string());
  const DataLineBlocks recording = w.Frames.FrameDataLines;
  const int shown = w.ScrollBar1->value();
  if (w.Profile) Find<QPushButton>(w.Profile, "Button5")->click();  // 'Back to Starting point'
  EXPECT_FALSE(w.Profile);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].X, recording[0].Objects[0].X);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].Y, recording[0].Objects[0].Y);
  EXPECT_EQ(w.ScrollBar1->value(), shown);
}

// The occultation type sets the objects' tracking and radii: during a run it
// is refused, so the rows go on with the settings they started with and no
// frame is measured twice.
TEST(OperationGuide, TheTypeIsRefusedDuringARun) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  g.m.Find<QSlider>("TrackBar1")->setValue(1000);
  g.Button("Button6")->click();  // 'Measure'
  ASSERT_TRUE(w.Run.MeasuringRun);
  const DataLineBlocks before = w.Frames.FrameDataLines;
  auto* type = Find<QComboBox>(g.guide, "ComboBox1");
  type->setCurrentIndex(4);
  emit type->activated(4);  // as the user picks it
  EXPECT_EQ(type->currentIndex(), 0);
  EXPECT_EQ(g.guide->OccultationType, 0);
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[k].TrackMode, before[0].Objects[k].TrackMode);
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[k].Threshold, before[0].Objects[k].Threshold);
  }
  g.Button("Button7")->click();  // 'Stop'
  const std::vector<int> frames = g.m.RowFrames();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames, FrameRange(frames.front(), frames.back()));
}

// 'Preview' or 'Measure' pressed again while a run measures is refused; the
// starting point stays where the run began.
TEST(OperationGuide, AStartRefusedDuringARunKeepsTheStartingPoint) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  w.GoToFrame(2);
  g.Button("Button6")->click();  // 'Measure'
  ASSERT_TRUE(w.Run.MeasuringRun);
  ASSERT_TRUE(Spin([&] { return g.m.Rows().size() >= 4; }));
  g.Button("Button3")->click();  // 'Preview'
  g.Button("Button6")->click();  // 'Measure'
  ASSERT_TRUE(Spin([&] { return g.m.Rows().size() >= 6; }));
  g.Button("Button7")->click();  // 'Stop'
  ASSERT_FALSE(w.Run.MeasuringRun);
  ASSERT_TRUE(g.Button("Button5")->isEnabled());
  g.Button("Button5")->click();  // 'Back to Starting point'
  EXPECT_EQ(g.m.Find<QScrollBar>("ScrollBar1")->value(), 2);
}

// A video that fails to open closes the one before: the guide, which acts on
// the open video's objects, closes with it, so its star buttons cannot tick an
// object in the main window that is not selected.
TEST(OperationGuide, AVideoThatFailsToOpenClosesTheGuide) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  const auto bad = g.m.Path("bad.avi");
  std::ofstream(bad, std::ios::binary) << "RIFF\x10\0\0\0AVI junk";
  g.m.dialogs.open_file_names.push_back(QString::fromStdString(bad.string()));
  g.m.Click("Button1");
  ASSERT_FALSE(w.Run.VideoLoaded);
  QCoreApplication::processEvents();
  if (w.Profile) Find<QRadioButton>(w.Profile, "RadioButton2")->click();  // 'Base star for tracking'
  EXPECT_FALSE(w.Profile);
  EXPECT_EQ(w.Run.SelectedObject, 1);
  EXPECT_TRUE(w.RadioButton7->isChecked());
  EXPECT_FALSE(w.RadioButton8->isChecked());
}

// While 'Direction Setting' waits for its click the frame cannot change:
// 'Back to Starting point' then leaves the objects as they are rather than
// putting the starting frame's objects over the frame still shown.
TEST(OperationGuide, BackWaitsDuringDirectionSetting) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  ASSERT_TRUE(g.PreviewFromFrame5());
  ASSERT_TRUE(g.Button("Button5")->isEnabled());
  const int shown = g.m.Find<QScrollBar>("ScrollBar1")->value();
  g.m.Find<QRadioButton>("RadioButton2")->click();  // 'Avoid Sunlit Face'
  g.m.Click("Button7");                             // 'Direction Setting'
  ASSERT_TRUE(w.Run.DirectionSettingMode);
  const DataLineBlocks before = w.Frames.FrameDataLines;
  g.Button("Button5")->click();  // 'Back to Starting point'
  EXPECT_EQ(g.m.Find<QScrollBar>("ScrollBar1")->value(), shown);
  EXPECT_EQ(w.Frames.FrameDataLines[0].FrameNumberX10, before[0].FrameNumberX10);
  EXPECT_EQ(w.Frames.FrameDataLines[0].FrameNumberX10, shown * 10);
}

// A star added after the starting point was taken has no place in it: going
// back keeps that star where the user put it, with its own settings.
TEST(OperationGuide, BackKeepsAStarAddedSinceTheStartingPoint) {
  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  ASSERT_TRUE(g.PreviewFromFrame5());
  ASSERT_EQ(w.Run.ObjectCount, 1);
  w.Mouse.PopupX = 20;
  w.Mouse.PopupY = 12;
  w.Mouse.PopupPlacement = true;
  Find<QRadioButton>(g.guide, "RadioButton2")->click();  // 'Base star for tracking' adds object B
  ASSERT_EQ(w.Run.ObjectCount, 2);
  const ObjectResult added = w.Frames.FrameDataLines[0].Objects[1];
  ASSERT_EQ(added.X, 20);
  g.Button("Button5")->click();  // 'Back to Starting point'
  EXPECT_EQ(g.m.Find<QScrollBar>("ScrollBar1")->value(), 5);
  EXPECT_EQ(w.Run.ObjectCount, 2);
  for (const DataLine& block : w.Frames.FrameDataLines) {
    EXPECT_EQ(block.Objects[1].X, 20);
    EXPECT_EQ(block.Objects[1].Y, 12);
    EXPECT_EQ(block.Objects[1].Threshold, added.Threshold);
    EXPECT_EQ(block.Objects[1].TrackMode, added.TrackMode);
  }
}

// An object removed after the starting point was taken leaves it too: going
// back puts each object left on the star it stood on then (C, moved up into
// B's place, on C's star, not on the removed B's) and no removed object comes
// back.
TEST(OperationGuide, BackAfterAnObjectWasRemovedKeepsEachStarsOwnPlace) {
  constexpr int kStars[3][2] = {{30, 30}, {70, 40}, {90, 70}};
  const struct {
    const char* what;
    int remove;  // the object selected for removal
    bool through_guide;
    std::vector<int> left;  // the stars (0 A, 1 B, 2 C) of the objects left
  } cases[] = {
      {"B of three, main window", 2, false, {0, 2}},
      {"C of three, guide", 3, true, {0, 1}},
      {"B of three, guide", 2, true, {0, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MainRoadWindow m(Reader::OwnAvi);
    SyntheticFrame f;
    f.Width = 120;
    f.Height = 90;
    f.Background = 20;
    for (const auto& s : kStars) f.Stars.push_back(SyntheticStar{s[0] + 0.2, s[1] + 0.1, 1500, 1.5});
    ASSERT_TRUE(WriteAvi(m.Path("three.avi").string(), std::vector<Bitmap24>(20, MakeStarFrame(f))));
    ASSERT_TRUE(m.OpenThroughButton1(m.Path("three.avi")));
    TPlatform& w = m.W();
    m.ClickImage1(kStars[0][0], kStars[0][1]);
    m.Click("Button32");
    TProfile* guide = w.Profile;
    ASSERT_NE(guide, nullptr);
    const char* buttons[] = {"RadioButton2", "RadioButton3"};
    for (int k = 1; k <= 2; ++k) {
      w.Mouse.PopupX = kStars[k][0];
      w.Mouse.PopupY = kStars[k][1];
      w.Mouse.PopupPlacement = true;
      Find<QRadioButton>(guide, buttons[k - 1])->click();
    }
    ASSERT_EQ(w.Run.ObjectCount, 3);
    w.GoToFrame(3);
    const DataLineBlocks start = w.Frames.FrameDataLines;
    for (int k = 0; k < 3; ++k) {
      ASSERT_NEAR(start[0].Objects[static_cast<size_t>(k)].X, kStars[k][0], 1);
      ASSERT_NEAR(start[0].Objects[static_cast<size_t>(k)].Y, kStars[k][1], 1);
    }
    Find<QPushButton>(guide, "Button3")->click();  // 'Preview'
    ASSERT_TRUE(SpinUntil([&] { return m.Find<QScrollBar>("ScrollBar1")->value() >= 6; }, 30000));
    Find<QPushButton>(guide, "Button4")->click();  // 'Stop'

    (c.remove == 2 ? w.RadioButton8 : w.RadioButton9)->setChecked(true);
    ASSERT_EQ(w.Run.SelectedObject, c.remove);
    if (c.through_guide)
      Find<QPushButton>(guide, "Button2")->click();  // 'Delete' with three objects
    else
      m.Find<QAction>("Remove1")->trigger();
    ASSERT_EQ(w.Run.ObjectCount, 2);

    Find<QPushButton>(guide, "Button5")->click();  // 'Back to Starting point'
    EXPECT_EQ(m.Find<QScrollBar>("ScrollBar1")->value(), 3);
    EXPECT_EQ(w.Run.ObjectCount, 2);
    for (size_t b = 0; b < 3; ++b)
      for (size_t k = 0; k < c.left.size(); ++k) {
        const ObjectResult& was = start[b].Objects[static_cast<size_t>(c.left[k])];
        const ObjectResult& now = w.Frames.FrameDataLines[b].Objects[k];
        EXPECT_EQ(now.X, was.X) << "block " << b << ", object " << k;
        EXPECT_EQ(now.Y, was.Y) << "block " << b << ", object " << k;
      }
    // The freed place holds no star.
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[2].X, w.Frames.InitialDataLines[0].Objects[2].X);
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[2].Y, w.Frames.InitialDataLines[0].Objects[2].Y);
  }
}

// 'Preview' or 'Measure' that the main window refuses (here while
// 'Direction Setting' holds the frame) starts nothing: the starting point and
// 'Back to Starting point' stay as they were. 'Measure' pressed during the
// preview does start a run, which then is the starting point.
TEST(OperationGuide, AStartThatDoesNotTakePlaceKeepsTheStartingPoint) {
  for (const char* start : {"Button6", "Button3"}) {
    SCOPED_TRACE(start);
    GuideFixture g;
    ASSERT_NE(g.guide, nullptr);
    TPlatform& w = g.m.W();
    ASSERT_TRUE(g.PreviewFromFrame5());
    ASSERT_TRUE(g.Button("Button5")->isEnabled());
    g.m.Find<QRadioButton>("RadioButton2")->click();  // 'Avoid Sunlit Face'
    g.m.Click("Button7");                             // 'Direction Setting'
    ASSERT_TRUE(w.Run.DirectionSettingMode);
    g.Button(start)->click();
    EXPECT_FALSE(w.Run.MeasuringRun);
    EXPECT_FALSE(w.Run.Playing);
    EXPECT_TRUE(g.Button("Button5")->isEnabled());
    g.m.ClickImage1(kStarX, kStarY - 20);  // the direction: the setting ends
    ASSERT_FALSE(w.Run.DirectionSettingMode);
    g.Button("Button5")->click();  // 'Back to Starting point'
    EXPECT_EQ(g.m.Find<QScrollBar>("ScrollBar1")->value(), 5);
    EXPECT_EQ(w.Frames.FrameDataLines[0].FrameNumberX10, 50);
  }

  GuideFixture g;
  ASSERT_NE(g.guide, nullptr);
  TPlatform& w = g.m.W();
  g.m.Find<QSlider>("TrackBar1")->setValue(1000);  // the preview waits on its frame
  w.GoToFrame(7);
  g.Button("Button3")->click();  // 'Preview'
  ASSERT_TRUE(w.Run.Playing);
  const int at = g.m.Find<QScrollBar>("ScrollBar1")->value();
  g.Button("Button6")->click();  // 'Measure' during the preview
  ASSERT_TRUE(w.Run.MeasuringRun);
  EXPECT_FALSE(g.Button("Button5")->isEnabled());
  g.Button("Button7")->click();  // 'Stop'
  ASSERT_TRUE(g.Button("Button5")->isEnabled());
  g.Button("Button5")->click();
  EXPECT_EQ(g.m.Find<QScrollBar>("ScrollBar1")->value(), at);
}

// 'Back to Starting point' pressed on the starting frame itself, after
// object A was put on another star there: A is back on its first star in the
// picture and the position read-out too, not only in the rows to come.
TEST(OperationGuide, BackOnTheStartingFrameShowsTheObjectsPutBack) {
  MainRoadWindow m(Reader::OwnAvi);
  OpenTwoStars(m, 120, 90, 20, {30.2, 30.1, 1500, 1.5}, {80.2, 60.1, 1500, 1.5});
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  TPlatform& w = m.W();
  m.ClickImage1(30, 30);
  m.Click("Button32");
  TProfile* guide = w.Profile;
  ASSERT_NE(guide, nullptr);
  w.GoToFrame(5);
  Find<QPushButton>(guide, "Button3")->click();  // 'Preview'
  ASSERT_TRUE(SpinUntil([&] { return m.Find<QScrollBar>("ScrollBar1")->value() >= 8; }, 30000));
  Find<QPushButton>(guide, "Button4")->click();  // 'Stop'
  Find<QPushButton>(guide, "Button5")->click();  // 'Back to Starting point'
  ASSERT_EQ(m.Find<QScrollBar>("ScrollBar1")->value(), 5);

  m.ClickImage1(80, 60);  // A onto the other star
  ASSERT_EQ(w.Frames.FrameDataLines[0].Objects[0].X, 80);
  const int radius = m.Find<QSpinBox>("UpDown1")->value();
  ASSERT_TRUE(m.ShownImage().Get(80 + radius, 60) == (Bgr{0, 0, 255}));
  Find<QPushButton>(guide, "Button5")->click();  // again, on frame 5 itself
  EXPECT_EQ(m.Find<QScrollBar>("ScrollBar1")->value(), 5);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].X, 30);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].Y, 30);
  EXPECT_EQ(m.Find<QLineEdit>("Edit12")->text(), "30");
  EXPECT_EQ(m.Find<QLineEdit>("Edit13")->text(), "30");
  const Bitmap24 shown = m.ShownImage();
  EXPECT_TRUE(shown.Get(30 + radius, 30) == (Bgr{0, 0, 255}));  // A's aperture rim, red
  EXPECT_TRUE(shown.Get(80 + radius, 60) == w.Driver.FrameBitmap.Get(80 + radius, 60));
}

// A moved onto another star of the same frame: the plot shows that star's
// peak at distance 0 (its pixel as the frame was drawn), not the first one's.
TEST(OperationGuide, ThePlotFollowsAStarMovedOnTheSameFrame) {
  MainRoadWindow m(Reader::OwnAvi);
  const SyntheticFrame f = OpenTwoStars(m, 160, 120, 3, {40, 30, 3000, 1.5}, {110, 80, 4000, 2.5});
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  m.ClickImage1(40, 30);
  m.Click("Button32");
  TProfile* guide = m.W().Profile;
  ASSERT_NE(guide, nullptr);
  auto row_of = [&](int x, int y) {
    const long level = std::lround(SyntheticPixelValue(f, x, y));
    return static_cast<int>(std::lround(149 - level / 255.0 * 149));
  };
  auto lit_near = [&](int row) {
    const QImage plot = guide->Image1->pixmap().toImage();
    for (int y = row - 1; y <= row + 1; ++y)
      if (plot.pixelColor(0, y) != QColor(Qt::white)) return true;
    return false;
  };
  const int first = row_of(40, 30), second = row_of(110, 80);
  ASSERT_GT(second - first, 50);
  ASSERT_TRUE(lit_near(first));
  m.ClickImage1(110, 80);
  ASSERT_EQ(m.W().Frames.FrameDataLines[0].Objects[0].X, 110);
  ASSERT_EQ(m.W().Frames.FrameDataLines[0].Objects[0].Y, 80);
  EXPECT_TRUE(lit_near(second));
  EXPECT_FALSE(lit_near(first));
}

// With PSF photometry the fitted curve ends on the fit's background, the
// mean of the frame over the object's background ring, even when a
// neighbour star brightens the plot's own outer ring.
TEST(OperationGuide, TheFittedCurveEndsOnTheFitsBackground) {
  MainRoadWindow m(Reader::OwnAvi);
  const Bitmap24 frame = MakeStarFrame(OpenTwoStars(m, 160, 120, 8, {60, 60, 3000, 1.5}, {73, 60, 6000, 1.5}));
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  TProfile* guide = PlaceWithPsf(m, 60, 60);
  ASSERT_NE(guide, nullptr);
  const ObjectResult& a = m.W().Frames.FrameDataLines[0].Objects[0];
  ASSERT_EQ(a.X, 60);
  ASSERT_EQ(a.Y, 60);
  auto ring_mean = [&](double inner, double outer) {
    double sum = 0;
    int n = 0;
    for (int dy = -25; dy <= 25; ++dy)
      for (int dx = -25; dx <= 25; ++dx) {
        const double d = std::hypot(dx, dy);
        if (d <= inner || d > outer) continue;
        sum += frame.Get(60 + dx, 60 + dy).r;
        ++n;
      }
    return sum / n;
  };
  auto row_of = [](double level) { return static_cast<int>(std::lround(149 - level / 255.0 * 149)); };
  const int fit_row = row_of(ring_mean(a.BackgroundInner - 0.5, a.BackgroundOuter + 0.5));
  const int plot_ring_row = row_of(ring_mean(12, 15));
  ASSERT_GE(fit_row - plot_ring_row, 4);
  // Column 238 (distance 14.94) holds no pixel's point, only the curve.
  const QImage plot = guide->Image1->pixmap().toImage();
  auto lit_near = [&](int row) {
    for (int y = row - 1; y <= row + 1; ++y)
      if (plot.pixelColor(238, y) != QColor(Qt::white)) return true;
    return false;
  };
  EXPECT_TRUE(lit_near(fit_row)) << fit_row;
  EXPECT_FALSE(lit_near(plot_ring_row)) << plot_ring_row;
}

// A star half a pixel off its brightest pixel's middle: with PSF photometry
// that pixel is plotted half a pixel out, where the star's centre truly is,
// as the fitted curve counts; not at distance 0.
TEST(OperationGuide, ThePlotCountsDistancesFromTheFittedCentre) {
  MainRoadWindow m(Reader::OwnAvi);
  const SyntheticFrame f = OpenTwoStars(m, 160, 120, 8, {60.5, 60, 3000, 1.5}, {130, 100, 1500, 1.5});
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  TProfile* guide = PlaceWithPsf(m, 60, 60);
  ASSERT_NE(guide, nullptr);
  const ObjectResult& a = m.W().Frames.FrameDataLines[0].Objects[0];
  ASSERT_DOUBLE_EQ(std::hypot(a.X - 60.5, a.Y - 60.0), 0.5);
  const long level = std::lround(SyntheticPixelValue(f, a.X, a.Y));
  const int row = static_cast<int>(std::lround(149 - level / 255.0 * 149));
  const QImage plot = guide->Image1->pixmap().toImage();
  auto lit_near = [&](int from_x, int to_x) {
    for (int x = from_x; x <= to_x; ++x)
      for (int y = row - 1; y <= row + 1; ++y)
        if (plot.pixelColor(x, y) != QColor(Qt::white)) return true;
    return false;
  };
  EXPECT_FALSE(lit_near(0, 0));
  EXPECT_TRUE(lit_near(6, 10));  // 0.5 of 15 on 240 columns: 8
}

}  // namespace
