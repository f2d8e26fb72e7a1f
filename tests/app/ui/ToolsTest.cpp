// The main window's tools: the background direction turned onto a bright
// limb, the 3-D view and the histogram of the shown frame, the sound track.
#include <QAction>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <cmath>

#include "MainRoadFixture.h"
#include "base/NumberText.h"
#include "measure/ui/THistogram.h"
#include "measure/ui/TThreeDGraph.h"
#include "support/VideoFixtures.h"

namespace {

// A star at (60, 50) on a background of 20 whose columns from 75 on are lit
// (a limb to the right of the star).
std::vector<Bitmap24> LimbFrames() {
  auto frames = StarFrames(120, 100, 3, 60.0, 50.0, [](int) { return 3000.0; });
  for (Bitmap24& f : frames)
    for (int y = 0; y < f.Height(); ++y)
      for (int x = 75; x < f.Width(); ++x) f.Set(x, y, {150, 150, 150});
  return frames;
}

void DeletePosted() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// Opens the limb video and gives object A the 'Meteor/Lunar Limb' background.
void OpenLimbObject(MainRoadWindow& m) {
  const auto path = m.Path("limb.avi");
  ASSERT_TRUE(WriteAvi(path.string(), LimbFrames()));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.Find<QRadioButton>("RadioButton3")->click();
}

TEST(Tools, PlacingALimbObjectTurnsItsBandAlongTheLimbAndOpitimizeAgrees) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_NO_FATAL_FAILURE(OpenLimbObject(m));
  ASSERT_EQ(m.W().Frames.FrameDataLines[0].Objects[0].BackgroundForm, 2);
  const BkgLineGeometry& g = m.W().Driver.Geometry[0];
  EXPECT_EQ(g.DirectionY, -100);
  m.ClickImage1(60, 50);
  EXPECT_EQ(g.DirectionY, 0) << g.DirectionX;
  EXPECT_EQ(std::abs(g.DirectionX), 500);

  m.W().Driver.Geometry[0].DirectionX = 0;
  m.W().Driver.Geometry[0].DirectionY = 500;
  m.W().UpDown7->SetPosition(40);
  m.Click("Button31");  // 'Opitimize'
  EXPECT_EQ(g.DirectionY, 0);
  EXPECT_EQ(std::abs(g.DirectionX), 500);
  EXPECT_EQ(m.W().UpDown7->Position(), 95);
  EXPECT_EQ(m.W().Frames.FrameDataLines[0].Objects[0].Threshold, 95);
}

TEST(Tools, OpitimizeResetsTheThresholdByTheCabinetStepCount) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_NO_FATAL_FAILURE(OpenLimbObject(m));
  m.ClickImage1(60, 50);
  struct Case {
    int cabinet_steps;
    int threshold;
  };
  for (const Case c : {Case{0, 95}, Case{1, 0}, Case{2, 0}, Case{0, 95}}) {
    m.W().UpDown12->SetPosition(c.cabinet_steps);
    m.W().UpDown7->SetPosition(40);
    m.Click("Button31");  // 'Opitimize'
    EXPECT_EQ(m.W().UpDown7->Position(), c.threshold) << c.cabinet_steps;
    EXPECT_EQ(m.W().UpDown7->Edit()->text().toStdString(), std::to_string(c.threshold));
    EXPECT_EQ(m.W().Frames.FrameDataLines[2].Objects[0].Threshold, c.threshold);
    EXPECT_EQ(m.W().Tracking.Profiles[0].MatchThresholdPercent, c.threshold);
  }
}

// A star at (60, 50) on a background rising by 0.6 a pixel towards the angle
// 1.75 rad (measured like the direction vectors), with a fainter neighbour at
// (51, 63).
std::vector<Bitmap24> GradientFrames() {
  Bitmap24 b(120, 100);
  const double t = 1.75;
  auto bump = [](double dx, double dy, double s2) { return std::exp(-(dx * dx + dy * dy) / (2 * s2)); };
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const double v = 40 + 0.6 * ((x - 60) * std::sin(t) + (y - 50) * std::cos(t)) + 200 * bump(x - 60, y - 50, 1.44) +
                       120 * bump(x - 51, y - 63, 2.25);
      const auto g = static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
      b.Set(x, y, {g, g, g});
    }
  return std::vector<Bitmap24>(3, b);
}

// The directions and class counts below were worked out apart from the
// program (numpy, from the written mask and balance rules) for radii 6 / 8 /
// 25: the scan follows 'Gap' and 'Width', and the read-outs and the rows
// show the band it chose.
TEST(Tools, OpitimizeTurnsTheBandOnAGradientAsWorkedOut) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto path = m.Path("gradient.avi");
  ASSERT_TRUE(WriteAvi(path.string(), GradientFrames()));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.Find<QRadioButton>("RadioButton3")->click();  // 'Meteor/Lunar Limb'
  m.ClickImage1(60, 50);
  TPlatform& w = m.W();
  ASSERT_EQ(w.Driver.ObjectX[0], 60);
  ASSERT_EQ(w.Driver.ObjectY[0], 50);
  ASSERT_EQ(w.UpDown3->Position(), 25);
  const BkgLineGeometry& g = w.Driver.Geometry[0];
  EXPECT_EQ(g.DirectionX, 499);  // placement scans with width 20 (gap 10)
  EXPECT_EQ(g.DirectionY, -31);
  struct Case {
    int gap, width, dx, dy;
    const char* background;
  };
  for (const Case c : {Case{3, 5, 491, -94, "370"}, Case{0, 1, 491, -94, "72"}, Case{10, 25, 499, -31, "1076"}}) {
    SCOPED_TRACE(std::to_string(c.gap) + " / " + std::to_string(c.width));
    w.UpDown6->setValue(c.gap);
    w.UpDown8->setValue(c.width);
    w.Driver.Geometry[0].DirectionX = 0;
    w.Driver.Geometry[0].DirectionY = 500;
    m.Click("Button31");  // 'Opitimize'
    EXPECT_EQ(g.DirectionX, c.dx);
    EXPECT_EQ(g.DirectionY, c.dy);
    EXPECT_EQ(w.Edit20->text(), "137");
    EXPECT_EQ(w.Edit21->text().toStdString(), c.background);
    m.Click("Button16");  // '1Frame'
    const std::string row = m.Rows().back();
    EXPECT_EQ(GetCsvField(row, 20), c.background);
    EXPECT_EQ(GetCsvField(row, 27), std::to_string(c.dx));
    EXPECT_EQ(GetCsvField(row, 28), std::to_string(c.dy));
    EXPECT_EQ(GetCsvField(row, 29), std::to_string(c.width));
    EXPECT_EQ(GetCsvField(row, 30), std::to_string(c.gap));
  }
}

// A one-frame video, lit from column 101 on, with the star in a corner pixel
// on the first counted row, the last row or the first column: the window
// around it is mostly outside the frame. Directions worked out apart (numpy)
// for placement (band width 20) and 'Opitimize' (the object's width 25).
TEST(Tools, StarInACornerOfAOneFrameVideo) {
  struct Case {
    int x, y, placed_dx, placed_dy, dx, dy;
  };
  for (const Case c : {Case{119, 99, 319, 385, 306, 395}, Case{119, 1, 319, -385, 306, -395},
                       Case{0, 99, 354, -354, 354, -354}}) {
    SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
    MainRoadWindow m(Reader::OwnAvi);
    Bitmap24 frame(120, 100);
    for (int y = 0; y < frame.Height(); ++y)
      for (int x = 0; x < frame.Width(); ++x) {
        const uint8_t g = x > 100 ? 150 : 20;
        frame.Set(x, y, {g, g, g});
      }
    frame.Set(c.x, c.y, {250, 250, 250});
    const auto path = m.Path("corner.avi");
    ASSERT_TRUE(WriteAvi(path.string(), {frame}));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    m.Find<QRadioButton>("RadioButton3")->click();  // 'Meteor/Lunar Limb'
    m.ClickImage1(c.x, c.y);
    TPlatform& w = m.W();
    ASSERT_EQ(w.Driver.ObjectX[0], c.x);
    ASSERT_EQ(w.Driver.ObjectY[0], c.y);
    ASSERT_EQ(w.UpDown8->Position(), 25);
    const BkgLineGeometry& g = w.Driver.Geometry[0];
    EXPECT_EQ(g.DirectionX, c.placed_dx);
    EXPECT_EQ(g.DirectionY, c.placed_dy);
    w.Driver.Geometry[0].DirectionX = 0;
    w.Driver.Geometry[0].DirectionY = 500;
    m.Click("Button31");  // 'Opitimize'
    EXPECT_EQ(g.DirectionX, c.dx);
    EXPECT_EQ(g.DirectionY, c.dy);
    m.Click("Button16");  // '1Frame'
    ASSERT_EQ(m.Rows().size(), 1u);
    EXPECT_EQ(GetCsvField(m.Rows()[0], 27), std::to_string(g.DirectionX));
    EXPECT_EQ(GetCsvField(m.Rows()[0], 28), std::to_string(g.DirectionY));
  }
}

// The band 'Opitimize' chose is written with the rows and comes back with
// them: 'Load CSV' restores its direction, gap and width, into this window
// and into a freshly started one.
TEST(Tools, OpitimizedBandComesBackFromTheSavedTable) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto path = m.Path("gradient.avi");
  ASSERT_TRUE(WriteAvi(path.string(), GradientFrames()));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.Find<QRadioButton>("RadioButton3")->click();
  m.ClickImage1(60, 50);
  m.W().UpDown6->setValue(3);
  m.W().UpDown8->setValue(5);
  m.Click("Button31");  // 'Opitimize'
  m.Click("Button16");  // '1Frame'
  const auto csv = m.Path("band.csv");
  ASSERT_TRUE(m.SaveTableThroughButton6(csv));
  m.W().UpDown6->setValue(10);
  m.W().UpDown8->setValue(25);
  m.W().Driver.Geometry[0].DirectionX = 0;
  m.W().Driver.Geometry[0].DirectionY = 500;
  m.W().ShowNeighbor();
  ASSERT_NE(m.W().Edit21->text(), "370");
  auto load_and_check = [&](MainRoadWindow& into) {
    into.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
    into.Click("Button20");  // 'Load CSV'
    EXPECT_TRUE(into.dialogs.messages.empty());
    TPlatform& w = into.W();
    EXPECT_EQ(w.Driver.Geometry[0].DirectionX, 491);
    EXPECT_EQ(w.Driver.Geometry[0].DirectionY, -94);
    EXPECT_EQ(w.UpDown6->Position(), 3);
    EXPECT_EQ(w.UpDown8->Position(), 5);
    EXPECT_TRUE(w.RadioButton3->isChecked());
    EXPECT_EQ(w.Edit21->text(), "370");
  };
  load_and_check(m);
  MainRoadWindow fresh(Reader::OwnAvi);  // its scripted dialogs answer from now on
  load_and_check(fresh);
}

// A frame that cannot be read is told, and neither the direction nor the
// threshold changes: the frame read before it is not the one at the bar.
TEST(Tools, OpitimizeOnAnUnreadableFrameChangesNothing) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto path = m.Path("gradient.avi");
  std::vector<Bitmap24> frames = GradientFrames();
  frames.resize(12, frames[0]);
  ASSERT_TRUE(WriteAvi(path.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.Find<QRadioButton>("RadioButton3")->click();
  m.ClickImage1(60, 50);
  std::filesystem::resize_file(path, 2048);  // the frames are gone from the file
  m.W().ScrollBar1->setValue(11);
  m.dialogs.messages.clear();
  m.W().Driver.Geometry[0].DirectionX = 0;
  m.W().Driver.Geometry[0].DirectionY = 500;
  m.W().UpDown7->SetPosition(40);
  m.Click("Button31");  // 'Opitimize'
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_TRUE(m.dialogs.messages[0].text.startsWith("Fail to get a bitmap.\r\n"));
  EXPECT_EQ(m.W().Driver.Geometry[0].DirectionX, 0);
  EXPECT_EQ(m.W().Driver.Geometry[0].DirectionY, 500);
  EXPECT_EQ(m.W().UpDown7->Position(), 40);
}

// While the capture window holds the video there is no frame to read:
// 'Opitimize' waits, without a box and without touching the threshold.
TEST(Tools, OpitimizeWaitsWhileTheCaptureHoldsTheVideo) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_NO_FATAL_FAILURE(OpenLimbObject(m));
  m.ClickImage1(60, 50);
  m.W().Driver.Geometry[0].DirectionX = 0;
  m.W().Driver.Geometry[0].DirectionY = 500;
  m.W().UpDown7->SetPosition(40);
  m.Find<QAction>("VideoCapture1")->trigger();
  ASSERT_TRUE(m.W().OpenWindows.CaptureWindowOpen);
  m.dialogs.messages.clear();
  m.Click("Button31");  // 'Opitimize'
  EXPECT_TRUE(m.dialogs.messages.empty());
  EXPECT_EQ(m.W().Driver.Geometry[0].DirectionY, 500);
  EXPECT_EQ(m.W().UpDown7->Position(), 40);
}

TEST(Tools, StarImageAndHistogramFollowTheShownFrame) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto path = m.Path("star.avi");
  ASSERT_TRUE(WriteAvi(path.string(), LimbFrames()));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.ClickImage1(60, 50);

  m.Click("Button8");  // 'Star Image [3D]'
  auto* graph = m.W().findChild<TThreeDGraph*>("ThreeDGraph");
  ASSERT_NE(graph, nullptr);
  const int x = m.W().Driver.ObjectX[0], y = m.W().Driver.ObjectY[0];
  // Column 75 onwards is lit: R + G + B = 450 there, 60 on the dark side far from the star.
  EXPECT_EQ(m.W().ThreeDGrids.Raw[0].At(80 - x, 10 - y), 450);
  EXPECT_EQ(m.W().ThreeDGrids.Raw[0].At(40 - x, 80 - y), 60);
  EXPECT_EQ(graph->LastDrawing.size() >= 2500u, true);
  // Opening another video waits until the 3-D view is closed.
  const auto asked = m.dialogs.file_dialog_titles.size();
  m.Click("Button1");
  EXPECT_EQ(m.dialogs.file_dialog_titles.size(), asked);
  graph->findChild<QPushButton*>("Button1")->click();  // 'Close'
  DeletePosted();
  EXPECT_TRUE(m.W().ThreeDGraph.isNull());

  m.W().HistGram1->trigger();
  auto* hist = m.W().findChild<THistogram*>("Histogram");
  ASSERT_NE(hist, nullptr);
  int64_t total = 0;
  for (int32_t b : hist->Bins) total += b;
  EXPECT_EQ(total, 120 * 100);
  EXPECT_GE(hist->Bins[150], 44 * 100);  // the lit columns, less any marker drawn on them
  m.W().ScrollBar1->setValue(1);  // a frame change redraws it
  int64_t again = 0;
  for (int32_t b : hist->Bins) again += b;
  EXPECT_EQ(again, 120 * 100);
}

TEST(Tools, SoundTrackIsWrittenBesideTheVideoOrExplained) {
  MainRoadWindow m(Reader::Ffmpeg);
  const auto tone = m.Path("tone.avi");
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -f lavfi -i "
                        "sine=frequency=1000:sample_rate=8000:duration=1 -c:v mjpeg -c:a pcm_s16le '" +
                        tone.string() + "'"));
  ASSERT_TRUE(m.OpenThroughButton1(tone));
  QPushButton* button = m.Find<QPushButton>("Button9");
  EXPECT_TRUE(button->isEnabled());
  m.dialogs.yes_no_answers.push_back(true);
  // The note stays up while the track is written.
  QString note_text, note_title;
  QTimer::singleShot(0, [&] {
    if (auto* note = m.W().findChild<QLabel*>("Tmsg")) note_text = note->text(), note_title = note->windowTitle();
  });
  button->click();
  EXPECT_EQ(note_text.toStdString(), "Please wait for a while.");
  EXPECT_EQ(note_title.toStdString(), "WAV-file being create , now ");
  EXPECT_EQ(m.dialogs.questions.size(), 1);
  EXPECT_TRUE(m.dialogs.messages.empty());
  EXPECT_TRUE(std::filesystem::exists(m.Path("tsy.wav")));
  EXPECT_EQ(std::filesystem::file_size(m.Path("tsy.wav")), 48u + 2u * 8000u);
  ASSERT_TRUE(m.W().SoundIndicator);  // the sound indicator opens on the written track
  m.W().SoundIndicator->close();
  button->click();  // made before: used without asking
  EXPECT_EQ(m.dialogs.questions.size(), 1);
  m.W().SoundIndicator->close();
  // A track damaged since is told, and made again on the next click.
  std::filesystem::resize_file(m.Path("tsy.wav"), 20);
  button->click();
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text.toStdString(),
            "WAV data could not be read.\r\nThe sound file " + m.Path("tsy.wav").string() + " is damaged or too short.");
  EXPECT_FALSE(m.W().OpenWindows.SoundGraphOpen);
  m.dialogs.yes_no_answers.push_back(true);
  button->click();
  EXPECT_EQ(m.dialogs.questions.size(), 2);
  EXPECT_EQ(std::filesystem::file_size(m.Path("tsy.wav")), 48u + 2u * 8000u);
  ASSERT_TRUE(m.W().SoundIndicator);
  m.W().SoundIndicator->close();
  m.dialogs.messages.clear();

  const auto mute = m.Path("mute.avi");
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -c:v mjpeg '" + mute.string() + "'"));
  std::filesystem::remove(m.Path("tsy.wav"));
  ASSERT_TRUE(m.OpenThroughButton1(mute));
  m.dialogs.yes_no_answers.push_back(true);
  button->click();
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text, "WAV data could not be read.\r\nThe video has no sound track.");
  EXPECT_FALSE(std::filesystem::exists(m.Path("tsy.wav")));
}

std::string Column(const std::string& row, int n) { return StripQuotes(GetCsvField(row, n)); }

// A beep in frame 10 of 25 (8000 Hz sound, 320 samples a frame): with the
// sound indicator open and the signal boxes on, a run notes the beep's share
// of the frame in that frame's row only.
TEST(Tools, ARunNotesTheBeepInItsFramesRow) {
  MainRoadWindow m(Reader::Ffmpeg);
  const auto beep = m.Path("beep.avi");
  ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -f lavfi -i "
                        "\"aevalsrc='if(between(t,0.4,0.43999),0.5*sin(2*PI*1000*t),0)':s=8000:d=1\" "
                        "-c:v mjpeg -c:a pcm_s16le '" + beep.string() + "'"));
  ASSERT_TRUE(m.OpenThroughButton1(beep));
  TPlatform& w = m.W();
  m.dialogs.yes_no_answers.push_back(true);
  m.Click("Button9");
  ASSERT_TRUE(w.SoundIndicator);
  EXPECT_TRUE(w.OpenWindows.SoundGraphOpen);
  m.Click("Button9");  // open already: nothing more
  EXPECT_EQ(m.dialogs.questions.size(), 1);
  w.Options.SignalMarkersOn = 1;
  m.ClickImage1(30, 24);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 25u);
  for (int n = 0; n < 25; ++n) {
    SCOPED_TRACE("frame " + std::to_string(n));
    const std::string note = Column(rows[static_cast<size_t>(n)], 10);
    if (n == 10)
      EXPECT_GT(ParseDoubleOr(note, 0), 50);
    else
      EXPECT_EQ(note, "0.00");
  }
  // Closed, the indicator leaves no note behind.
  w.SoundIndicator->close();
  DeletePosted();
  EXPECT_FALSE(w.OpenWindows.SoundGraphOpen);
  EXPECT_TRUE(w.Driver.PendingSoundNote.empty());
}

}  // namespace
