// The main window's image and tool controls, driven through the window:
// 'Show Field' against a run, STOP, 'Object Star Add' from the menu bar,
// 'Direction Setting' with the mouse, the linked 'Clr' buttons, the frame
// number, 'Acurate', the diagnostic tables, and the tool
// windows following runs and new videos.
#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextDocument>
#include <cmath>

#include "MainRoadFixture.h"
#include "chart/ui/Tchart1.h"
#include "measure/ui/THistogram.h"
#include "measure/ui/TThreeDGraph.h"
#include "support/BrokenFiles.h"
#include "support/VideoFixtures.h"
#include "support/WindowControls.h"

namespace {

constexpr int kWidth = 120, kHeight = 100, kFrames = 12;

double Flux(int n) { return 2000.0 + 150.0 * n; }

void LetClosedWindowsGo() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

void MoveMouseOver(QWidget* w, int x, int y) {
  QMouseEvent move(QEvent::MouseMove, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

class ImageTools : public ::testing::Test {
 protected:
  void Open(std::vector<Bitmap24> frames, const char* name = "star.avi") {
    frames_ = std::move(frames);
    const auto path = m.Path(name);
    ASSERT_TRUE(WriteAvi(path.string(), frames_));
    ASSERT_TRUE(m.OpenThroughButton1(path));
  }
  void OpenStar() { Open(StarFrames(kWidth, kHeight, kFrames, 60.0, 50.0, Flux)); }
  // R + G + B of frame n at (x, y), from the written frames.
  int PixelSum(int n, int x, int y) const {
    const Bgr p = frames_[static_cast<size_t>(n)].Get(x, y);
    return p.b + p.g + p.r;
  }
  QCheckBox* Box(const char* name) { return m.Find<QCheckBox>(name); }

  MainRoadWindow m{Reader::OwnAvi};
  std::vector<Bitmap24> frames_;
};

TEST_F(ImageTools, ShowFieldIsRefusedDuringARunAndStopAlwaysStops) {
  QCheckBox* show_field = Box("CheckBox1");
  show_field->click();  // no video yet
  EXPECT_FALSE(show_field->isChecked());
  OpenStar();
  m.ClickImage1(60, 50);

  // Idle: the split view takes the background, tracking and radius controls away.
  show_field->click();
  ASSERT_TRUE(show_field->isChecked());
  for (const char* name : {"RadioButton1", "RadioButton4", "Button7"})
    EXPECT_FALSE(m.Find<QWidget>(name)->isEnabled()) << name;
  EXPECT_FALSE(m.Find<QWidget>("UpDown1")->isEnabled());
  show_field->click();
  EXPECT_TRUE(m.Find<QWidget>("RadioButton1")->isEnabled());
  EXPECT_TRUE(m.Find<QWidget>("UpDown1")->isEnabled());

  m.Click("Button3");  // START
  ASSERT_TRUE(m.W().Run.MeasuringRun);
  show_field->click();
  EXPECT_FALSE(show_field->isChecked());
  {
    // However it got ticked, STOP ends the run.
    QSignalBlocker keep(show_field);
    show_field->setChecked(true);
  }
  m.Click("Button4");  // STOP
  EXPECT_FALSE(m.W().Run.MeasuringRun);
  EXPECT_FALSE(m.W().Timer1->isActive());
  EXPECT_GE(m.W().Run.LastMeasuredFrame, 0);
}

TEST_F(ImageTools, ObjectStarAddFromTheMenuBarPlacesTheObjectInTheMiddleOfTheView) {
  m.W().show();
  OpenStar();
  m.ClickImage1(60, 50);
  ASSERT_EQ(m.W().Run.ObjectCount, 1);
  QMenu* object = m.W().menuBar()->findChild<QMenu*>("Object1");
  ASSERT_NE(object, nullptr);
  object->popup(QPoint(0, 0));
  m.W().Add1->trigger();
  object->hide();
  ASSERT_EQ(m.W().Run.ObjectCount, 2);
  EXPECT_EQ(m.W().Run.SelectedObject, 2);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton8")->isChecked());
  // The whole 120 x 100 frame is in view: its middle is (60, 50), where the star is.
  const ObjectResult& b = m.W().Frames.FrameDataLines[0].Objects[1];
  EXPECT_NEAR(b.X, kWidth / 2, 2);
  EXPECT_NEAR(b.Y, kHeight / 2, 2);
  EXPECT_TRUE(m.W().Stars.ObjectPlaced[1]);
}

TEST_F(ImageTools, DirectionSettingTurnsTheBandWithTheMouseUntilTheNextClick) {
  OpenStar();
  m.ClickImage1(60, 50);
  m.Click("Button7");  // the Standard form has no direction
  EXPECT_FALSE(m.W().Run.DirectionSettingMode);

  m.Find<QRadioButton>("RadioButton3")->click();  // 'Meteor/Lunar Limb'
  Box("CheckBox14")->setChecked(true);               // 'Photometry' (PSF)
  m.Click("Button7");
  ASSERT_TRUE(m.W().Run.DirectionSettingMode);
  EXPECT_FALSE(Box("CheckBox14")->isChecked());
  for (const char* name : {"RadioButton1", "RadioButton3", "RadioButton5", "CheckBox1", "CheckBox2", "Button11"})
    EXPECT_FALSE(m.Find<QWidget>(name)->isEnabled()) << name;

  const int cx = m.W().Driver.MagnifierX[0], cy = m.W().Driver.MagnifierY[0];
  QLabel* image = m.Find<QLabel>("Image1");
  MoveMouseOver(image, cx + 20, cy - 10);
  const BkgLineGeometry& g = m.W().Driver.Geometry[0];
  EXPECT_EQ(g.DirectionX, 20);
  EXPECT_EQ(g.DirectionY, -10);
  MoveMouseOver(image, cx, cy);  // the centre itself gives no direction
  EXPECT_EQ(g.DirectionX, 20);
  MoveMouseOver(image, cx - 7, cy + 30);
  EXPECT_EQ(g.DirectionX, -7);
  EXPECT_EQ(g.DirectionY, 30);

  m.ClickImage1(cx - 7, cy + 30);  // ends the setting; the direction stays
  EXPECT_FALSE(m.W().Run.DirectionSettingMode);
  EXPECT_EQ(g.DirectionX, -7);
  EXPECT_EQ(g.DirectionY, 30);
  EXPECT_TRUE(Box("CheckBox14")->isChecked());
  for (const char* name : {"RadioButton1", "RadioButton3", "CheckBox1", "CheckBox14"})
    EXPECT_TRUE(m.Find<QWidget>(name)->isEnabled()) << name;
  EXPECT_FALSE(Box("CheckBox2")->isEnabled());  // PSF photometry measures frames only
  MoveMouseOver(image, 5, 5);  // no longer turns it
  EXPECT_EQ(g.DirectionX, -7);
  EXPECT_EQ(image->cursor().shape(), Qt::ArrowCursor);
  m.Find<QRadioButton>("RadioButton13")->setChecked(true);  // 'TIVi': the digit box is placed
  MoveMouseOver(image, 5, 5);
  EXPECT_EQ(image->cursor().shape(), Qt::CrossCursor);
}

// The direction being set belongs to the frame shown: no other video opens
// (by button, menu or a capture) until the click that ends the setting, and
// then the new video's frame is what the window shows.
TEST_F(ImageTools, NoOtherVideoOpensWhileADirectionIsBeingSet) {
  OpenStar();
  m.ClickImage1(60, 50);
  m.Find<QRadioButton>("RadioButton3")->click();  // 'Meteor/Lunar Limb'
  const auto other = m.Path("other.avi");
  Bitmap24 red(40, 30);
  for (int y = 0; y < red.Height(); ++y)
    for (int x = 0; x < red.Width(); ++x) red.Set(x, y, {0, 0, 200});
  ASSERT_TRUE(WriteAvi(other.string(), std::vector<Bitmap24>(2, red)));
  m.Click("Button7");  // 'Direction Setting'
  ASSERT_TRUE(m.W().Run.DirectionSettingMode);
  const QString shown_video = m.W().Edit5->text();
  const auto asked = m.dialogs.file_dialog_titles.size();
  m.dialogs.open_file_names.push_back(QString::fromStdString(other.string()));
  m.Click("Button1");  // 'Open AVI'
  m.W().AVIRileOpen1->trigger();
  m.Click("Button37");  // 'Capture'
  EXPECT_EQ(m.dialogs.file_dialog_titles.size(), asked);
  EXPECT_TRUE(m.W().Capture_1.isNull());
  EXPECT_FALSE(m.W().OpenWindows.CaptureWindowOpen);
  EXPECT_EQ(m.W().Edit5->text(), shown_video);
  EXPECT_TRUE(m.W().Run.DirectionSettingMode);
  EXPECT_EQ(m.ShownImage().Width(), kWidth);
  m.dialogs.open_file_names.clear();

  m.ClickImage1(10, 10);  // ends the setting
  ASSERT_FALSE(m.W().Run.DirectionSettingMode);
  ASSERT_TRUE(m.OpenThroughButton1(other));
  const Bitmap24 shown = m.ShownImage();
  ASSERT_EQ(shown.Width(), 40);
  ASSERT_EQ(shown.Height(), 30);
  EXPECT_EQ(shown.Get(3, 3), (Bgr{0, 0, 200}));
}

// The magnifier's direction line follows the mouse a pixel off the star's
// column: an unbroken green run from 26 to 50 pixels out (it was one stray
// pixel). The background ring ends at 20 pixels, so nothing else is green there.
TEST_F(ImageTools, DirectionLineFollowsANearlyVerticalMouse) {
  OpenStar();
  m.ClickImage1(60, 50);
  m.Find<QRadioButton>("RadioButton2")->click();  // 'Avoid Sunlit Face'
  m.Click("Button7");
  ASSERT_TRUE(m.W().Run.DirectionSettingMode);
  const int cx = m.W().Driver.MagnifierX[0], cy = m.W().Driver.MagnifierY[0];
  ASSERT_GE(cy, 50);
  MoveMouseOver(m.Find<QLabel>("Image1"), cx + 1, cy - 40);
  const Bitmap24 shown = m.ShownImage();
  const Bgr green{0, 255, 0};
  // The ray runs from 0.65 pixels right of the centre's column (26 out) to
  // 1.25 (50 out): the next column all the way.
  for (int d = 26; d <= 50; ++d) EXPECT_EQ(shown.Get(cx + 1, cy - d), green) << "row " << cy - d;
  m.ClickImage1(cx + 1, cy - 40);
}

// A frame that cannot be read gives its message and leaves every control usable.
TEST_F(ImageTools, DirectionSettingOnAnUnreadableFrameChangesNothing) {
  OpenStar();
  m.ClickImage1(60, 50);
  m.Find<QRadioButton>("RadioButton3")->click();
  std::filesystem::resize_file(m.Path("star.avi"), 2048);  // the frames are gone from the file
  m.W().ScrollBar1->setValue(kFrames - 1);
  m.dialogs.messages.clear();
  m.Click("Button7");
  EXPECT_FALSE(m.W().Run.DirectionSettingMode);
  ASSERT_FALSE(m.dialogs.messages.empty());
  EXPECT_TRUE(m.dialogs.messages.back().text.startsWith("Fail to get a bitmap."));
  for (const char* name : {"RadioButton1", "RadioButton3", "CheckBox1", "CheckBox14", "UpDown1"})
    EXPECT_TRUE(m.Find<QWidget>(name)->isEnabled()) << name;
}

// 'Gap' and 'Width' reshape the band at once: the background count the
// window shows follows every step.
TEST_F(ImageTools, GapAndWidthRebuildTheBandAtOnce) {
  OpenStar();
  m.ClickImage1(60, 50);
  m.Find<QRadioButton>("RadioButton3")->click();  // 'Meteor/Lunar Limb': a band of a width
  QLineEdit* background = m.Find<QLineEdit>("Edit21");
  QSpinBox* gap = m.Find<QSpinBox>("UpDown6");
  QSpinBox* width = m.Find<QSpinBox>("UpDown8");
  ASSERT_TRUE(gap->isEnabled());
  const QString before = background->text();
  gap->setValue(gap->value() == 2 ? 3 : 2);
  const QString after_gap = background->text();
  EXPECT_NE(after_gap, before);
  width->setValue(width->value() == 4 ? 5 : 4);
  EXPECT_NE(background->text(), after_gap);
  EXPECT_EQ(m.W().Frames.FrameDataLines[0].Objects[0].Gap, gap->value());
  EXPECT_EQ(m.W().Frames.FrameDataLines[0].Objects[0].BandWidth, width->value());
}

TEST_F(ImageTools, LinkedPointsAreSetAndClearedForAllObjects) {
  OpenStar();
  m.ClickImage1(60, 50);
  QLabel* image = m.Find<QLabel>("Image1");
  QMouseEvent right(QEvent::MouseButtonPress, QPointF(30, 30), image->mapToGlobal(QPointF(30, 30)), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(image, &right);
  m.W().PopupMenu1->hide();
  m.W().Add1->trigger();
  ASSERT_EQ(m.W().Run.ObjectCount, 2);
  Box("CheckBox6")->setChecked(true);  // 'Link' (object B drifts)
  ASSERT_TRUE(m.Find<QPushButton>("Button23")->isEnabled());
  EXPECT_TRUE(m.Find<QPushButton>("Button24")->isEnabled());  // 'Clr' follows 'Set'

  m.W().ScrollBar1->setValue(3);
  m.Click("Button23");
  const ObjectResult& b = m.W().Frames.FrameDataLines[0].Objects[1];
  EXPECT_EQ(m.Find<QLineEdit>("Edit11")->text(), "3");
  EXPECT_EQ(m.Find<QLineEdit>("Edit15")->text().toInt(), b.X);
  EXPECT_EQ(m.Find<QLineEdit>("Edit16")->text().toInt(), b.Y);
  m.W().ScrollBar1->setValue(7);
  m.Click("Button25");
  EXPECT_EQ(m.Find<QLineEdit>("Edit32")->text(), "7");

  m.Click("Button24");
  for (const LinkedPointSet& p : m.W().LinkedPoints) {
    EXPECT_FALSE(p.Begin.HasFrame());
    EXPECT_TRUE(p.End.HasFrame());
  }
  EXPECT_EQ(m.Find<QLineEdit>("Edit11")->text(), "Frame1");
  m.Click("Button26");
  for (const LinkedPointSet& p : m.W().LinkedPoints) EXPECT_FALSE(p.End.HasFrame());
  EXPECT_EQ(m.Find<QLineEdit>("Edit32")->text(), "Frame2");

  Box("CheckBox6")->setChecked(false);
  EXPECT_FALSE(m.Find<QPushButton>("Button24")->isEnabled());
  EXPECT_FALSE(m.Find<QPushButton>("Button26")->isEnabled());
}

TEST_F(ImageTools, FrameNumberAndAcurateFields) {
  OpenStar();
  m.ClickImage1(60, 50);
  QLineEdit* frame_no = m.Find<QLineEdit>("Edit10");
  m.W().ScrollBar1->setValue(4);
  EXPECT_EQ(frame_no->text(), "4");
  m.Click("SpeedButton4");  // '1Fr+'
  EXPECT_EQ(frame_no->text(), "5");

  // 'Acurate': field values refer to half the frame's aperture.
  const auto& lines = m.W().Frames.FrameDataLines;
  const double field1 = lines[1].Objects[0].Value, field2 = lines[2].Objects[0].Value;
  Box("CheckBox8")->setChecked(true);
  m.W().ScrollBar1->setValue(4);
  m.W().ScrollBar1->setValue(5);
  const double frame_count = lines[0].Objects[0].AperturePixelCount;
  ASSERT_GT(lines[1].Objects[0].AperturePixelCount, 0);
  EXPECT_NEAR(lines[1].Objects[0].Value, field1 * (frame_count / 2 / lines[1].Objects[0].AperturePixelCount), 1e-6);
  EXPECT_NEAR(lines[2].Objects[0].Value, field2 * (frame_count / 2 / lines[2].Objects[0].AperturePixelCount), 1e-6);
  EXPECT_NE(lines[1].Objects[0].AperturePixelCount * 2, lines[0].Objects[0].AperturePixelCount);
}

TEST_F(ImageTools, DiagnosticTablesGoToTheSecondMemoAndLeaveTheResults) {
  OpenStar();
  m.ClickImage1(60, 50);
  const auto rows_before = m.W().Results.Lines();
  m.Click("Button34");
  QPlainTextEdit* memo2 = m.Find<QPlainTextEdit>("Memo2");
  EXPECT_EQ(memo2->blockCount(), 51);
  EXPECT_EQ(memo2->document()->findBlockByNumber(0).text().size(), 51 * 3);
  EXPECT_EQ(m.W().Results.Lines(), rows_before);

  m.Click("Button10");
  ASSERT_EQ(memo2->blockCount(), 102);
  // The middle cell of the first table is the object's pixel, mean of its bytes.
  const int x = m.W().Driver.ObjectX[0], y = m.W().Driver.ObjectY[0];
  const QStringList cells = memo2->document()->findBlockByNumber(25).text().split(' ', Qt::SkipEmptyParts);
  ASSERT_EQ(cells.size(), 51);
  EXPECT_NEAR(cells[25].toDouble(), PixelSum(0, x, y) / 3.0, 0.006);

  m.W().RadioGroup3->SetItemIndex(1);  // 'FrameFlickerFree' OFF
  EXPECT_FALSE(m.Find<QWidget>("Memo1")->property("DoubleBuffered").toBool());
  m.W().RadioGroup3->SetItemIndex(0);
  EXPECT_TRUE(m.Find<QWidget>("GroupBox12")->property("DoubleBuffered").toBool());
}

TEST_F(ImageTools, FitTableShowsThePixelsAsTheProfileFitReadsThem) {
  // A star near the top edge, gamma 'Measure' at 2.00: the fit reads each
  // byte through the gamma table and leaves row 0 out (it reads 0 there), so
  // the table of what it sees must too.
  Open(StarFrames(kWidth, kHeight, kFrames, 60.0, 6.0, Flux));
  m.ClickImage1(60, 6);
  m.Find<QRadioButton>("RadioButton16")->click();  // 'Measure'
  QLineEdit* edit = m.Find<QLineEdit>("Edit18");
  edit->setText("2.00");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(edit, &enter);
  m.Click("Button10");
  QPlainTextEdit* memo2 = m.Find<QPlainTextEdit>("Memo2");
  ASSERT_EQ(memo2->blockCount(), 102);
  const int x = m.W().Driver.ObjectX[0], y = m.W().Driver.ObjectY[0];
  const int n = m.W().ScrollBar1->value();
  ASSERT_LT(y, 25);  // row 0 lies in the table
  // 255 (v / 255)^(1 / 2), to the nearest byte.
  auto gamma = [](int v) { return std::nearbyint(255.0 * std::sqrt(v / 255.0)); };
  for (int dy : {-y, 1 - y, 0, 3}) {
    const QStringList cells =
        memo2->document()->findBlockByNumber(25 + dy).text().split(' ', Qt::SkipEmptyParts);
    ASSERT_EQ(cells.size(), 51);
    for (int dx : {-2, 0, 5}) {
      const Bgr p = frames_[static_cast<size_t>(n)].Get(x + dx, y + dy);
      const double seen = y + dy < 1 ? 0.0 : (gamma(p.b) + gamma(p.g) + gamma(p.r)) / 3;
      EXPECT_NEAR(cells[25 + dx].toDouble(), seen, 0.006) << dx << ", " << dy;
    }
  }
}

TEST_F(ImageTools, StarImageFollowsTheRunAndTheChartOpensIt) {
  OpenStar();
  m.ClickImage1(60, 50);
  m.Click("Button8");
  ASSERT_TRUE(m.W().ThreeDGraph);
  m.Click("Button3");  // START: the 3-D patch follows every frame
  ASSERT_TRUE(m.WaitUntilStopped());
  const int last = m.W().ScrollBar1->value();
  ASSERT_EQ(last, kFrames - 1);
  const int x = m.W().Driver.ObjectX[0], y = m.W().Driver.ObjectY[0];
  EXPECT_EQ(m.W().ThreeDGrids.Raw[0].At(0, 0), PixelSum(last, x, y));
  EXPECT_EQ(m.W().ThreeDGrids.Raw[0].At(2, -1), PixelSum(last, x + 2, y - 1));
  EXPECT_EQ(m.Find<QLineEdit>("Edit10")->text(), QString::number(last));
  m.W().ThreeDGraph->close();
  LetClosedWindowsGo();
  ASSERT_TRUE(m.W().ThreeDGraph.isNull());

  // The chart's '[3D] Image' opens the same view.
  m.Click("Button18");
  Tchart1* chart = m.W().chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  QPushButton* button = Find<QPushButton>(chart, "Button2");
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(button->isEnabled());
  button->click();
  EXPECT_TRUE(m.W().ThreeDGraph);
}

TEST_F(ImageTools, HistogramFollowsANewlyOpenedVideo) {
  OpenStar();
  m.W().HistGram1->trigger();
  auto* hist = m.W().findChild<THistogram*>("Histogram");
  ASSERT_NE(hist, nullptr);
  Open(StarFrames(80, 60, 3, 40.0, 30.0, Flux), "small.avi");
  int64_t total = 0;
  for (int32_t b : hist->Bins) total += b;
  EXPECT_EQ(total, 80 * 60);
}

// A video that fails to open closes the one shown: the histogram counts
// the empty picture, only its axes are left.
TEST_F(ImageTools, HistogramEmptiesWhenAFailedOpenClearsThePicture) {
  OpenStar();
  m.W().HistGram1->trigger();
  auto* hist = m.W().findChild<THistogram*>("Histogram");
  ASSERT_NE(hist, nullptr);
  int64_t total = 0;
  for (int32_t b : hist->Bins) total += b;
  ASSERT_EQ(total, kWidth * kHeight);
  const auto broken = m.Path("broken.avi");
  WriteFileBytes(broken, "this is no video");
  m.OpenThroughButton1(broken);
  ASSERT_FALSE(m.W().Run.VideoLoaded);
  EXPECT_EQ(hist->Bins, HistogramBins{});
  // Nothing navy is left: the bars are gone.
  const QImage drawing = hist->Drawing();
  int navy = 0;
  for (int y = 0; y < drawing.height(); ++y)
    for (int x = 0; x < drawing.width(); ++x) navy += drawing.pixelColor(x, y) == QColor(0, 0, 0x80) ? 1 : 0;
  EXPECT_EQ(navy, 0);
}

TEST_F(ImageTools, TurnButtonsStopAtNinetyDegrees) {
  OpenStar();
  m.ClickImage1(60, 50);
  m.Click("Button8");
  TThreeDGraph* graph = m.W().ThreeDGraph.data();
  ASSERT_NE(graph, nullptr);
  QSlider* slider = Find<QSlider>(graph, "TrackBar1");
  slider->setValue(90);
  Find<QPushButton>(graph, "Button2")->click();  // '0' leaves the slider at 90
  EXPECT_EQ(graph->View.Rotation, 0);
  for (int i = 0; i < 29; ++i) Find<QPushButton>(graph, "SpeedButton3")->click();
  EXPECT_EQ(graph->View.Rotation, 87);
  Find<QPushButton>(graph, "Button3")->click();  // +30 from 87
  EXPECT_EQ(graph->View.Rotation, 90);
  EXPECT_EQ(slider->value(), 90);
  for (int i = 0; i < 7; ++i) Find<QPushButton>(graph, "Button4")->click();  // -30 each
  EXPECT_EQ(graph->View.Rotation, -90);
  EXPECT_EQ(slider->value(), -90);
}

// Reopened while the capture holds the video (no frame to read), the view
// draws the kept patch at the height its slider shows again: R + G + B.
TEST_F(ImageTools, StarImageReopenedWithoutAFrameDrawsAtTheSliderHeight) {
  OpenStar();
  m.ClickImage1(60, 50);
  m.Click("Button8");
  ASSERT_TRUE(m.W().ThreeDGraph);
  Find<QSlider>(m.W().ThreeDGraph.data(), "TrackBar2")->setValue(0);  // three times the sum
  const int x = m.W().Driver.ObjectX[0], y = m.W().Driver.ObjectY[0];
  ASSERT_EQ(m.W().ThreeDGrids.Height[0].At(0, 0), 3 * PixelSum(0, x, y));
  m.W().ThreeDGraph->close();
  LetClosedWindowsGo();
  m.Find<QAction>("VideoCapture1")->trigger();
  ASSERT_TRUE(m.W().OpenWindows.CaptureWindowOpen);
  m.Click("Button8");
  TThreeDGraph* graph = m.W().ThreeDGraph.data();
  ASSERT_NE(graph, nullptr);
  EXPECT_EQ(Find<QSlider>(graph, "TrackBar2")->value(), 20);
  EXPECT_EQ(m.W().ThreeDGrids.Height[0].At(0, 0), PixelSum(0, x, y));
  EXPECT_EQ(m.W().ThreeDGrids.Height[0].At(3, -2), PixelSum(0, x + 3, y - 2));
}

// A table loaded without its video closes the video shown: the 3-D view of
// that video's star goes with it, as it cannot be opened without one.
TEST_F(ImageTools, StarImageClosesWithTheVideo) {
  OpenStar();
  m.ClickImage1(60, 50);
  m.Click("Button3");  // START
  ASSERT_TRUE(m.WaitUntilStopped());
  const auto table = m.Path("star.csv");
  ASSERT_TRUE(m.SaveTableThroughButton6(table));
  m.Click("Button8");
  ASSERT_TRUE(m.W().ThreeDGraph);
  std::filesystem::remove(m.Path("star.avi"));
  m.dialogs.open_file_names.push_back(QString::fromStdString(table.string()));
  m.Click("Button20");  // 'Load CSV'
  ASSERT_FALSE(m.W().Run.VideoLoaded);
  LetClosedWindowsGo();
  EXPECT_TRUE(m.W().ThreeDGraph.isNull());
  // Another video opens, and its star's view with it.
  Open(StarFrames(80, 60, 3, 40.0, 30.0, Flux), "small.avi");
  m.Click("Button8");
  ASSERT_TRUE(m.W().ThreeDGraph);
  const int x = m.W().Driver.ObjectX[0], y = m.W().Driver.ObjectY[0];
  EXPECT_EQ(m.W().ThreeDGrids.Raw[0].At(0, 0), PixelSum(0, x, y));
}

}  // namespace
