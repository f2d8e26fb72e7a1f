// The main window's commands: 'Save Image' with the type-change rename, the
// filter controls reaching the measured frame, gamma and step edits, the
// frame-rate edit, and the options of 'Measurement Option'.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImageReader>
#include <QKeyEvent>
#include <QMenuBar>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <cmath>

#include "MainRoadFixture.h"
#include "app/ui/TMeasurementOption.h"
#include "base/IniFile.h"
#include "base/ui/ControlEvents.h"
#include "measure/ImageFilters.h"
#include "ImageFileLib/ui/TIconSelectionForm.h"
#include "support/IconFiles.h"
#include "support/WindowControls.h"

namespace {

constexpr int kW = 80, kH = 60;

std::vector<Bitmap24> Frames() { return StarFrames(kW, kH, 3, 40.0, 30.0, [](int) { return 2000.0; }); }

struct OpenWindow : MainRoadWindow {
  OpenWindow() : MainRoadWindow(Reader::OwnAvi) {
    raw = Frames();
    const auto path = Path("star.avi");
    EXPECT_TRUE(WriteAvi(path.string(), raw));
    EXPECT_TRUE(OpenThroughButton1(path));
  }
  void PressKey(QWidget* w, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  void Leave(QWidget* w) {
    QFocusEvent e(QEvent::FocusOut);
    QApplication::sendEvent(w, &e);
  }
  // Option > 'Measurement Option'.
  TMeasurementOption* OpenOptions() {
    Find<QAction>("MeasuremenOption1")->trigger();
    return ::Find<TMeasurementOption>(window.get(), "MeasurementOption");
  }
  std::vector<Bitmap24> raw;
};

bool SamePixels(const Bitmap24& a, const Bitmap24& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Get(x, y).r != b.Get(x, y).r || a.Get(x, y).g != b.Get(x, y).g || a.Get(x, y).b != b.Get(x, y).b)
        return false;
  return true;
}

}  // namespace

TEST(Commands, SaveImageTakesTheExtensionOfTheChosenType) {
  OpenWindow m;
  const auto png = m.Path("shot.png");
  m.dialogs.save_file_types = {2};  // JPEG
  m.dialogs.save_file_names = {QString::fromStdString(png.string())};
  m.Find<QAction>("SaveImage1")->trigger();
  ASSERT_EQ(m.dialogs.type_change_names.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(png));
  const auto jpg = m.Path("shot.jpg");
  ASSERT_TRUE(std::filesystem::exists(jpg));
  QImageReader reader(QString::fromStdString(jpg.string()));
  EXPECT_EQ(reader.format(), "jpeg");
  const QImage read = reader.read();
  EXPECT_EQ(read.width(), m.W().Display.Image1Bitmap.Width());
  EXPECT_EQ(read.height(), m.W().Display.Image1Bitmap.Height());
  EXPECT_TRUE(m.dialogs.messages.empty());

  // A name that is only an extension writes nothing, and says so.
  m.dialogs.save_file_types = {3};
  m.dialogs.save_file_names = {QString::fromStdString(m.Path(".png").string())};
  m.Find<QAction>("SaveImage1")->trigger();
  EXPECT_FALSE(std::filesystem::exists(m.Path(".bmp")));
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_TRUE(m.dialogs.messages[0].text.endsWith(QString::fromStdString(m.Path(".bmp").string())));
  // A hidden file's name is a name: the picture is written.
  m.dialogs.messages.clear();
  m.dialogs.save_file_types = {1};
  m.dialogs.save_file_names = {QString::fromStdString(m.Path(".shot.png").string())};
  m.Find<QAction>("SaveImage1")->trigger();
  EXPECT_TRUE(m.dialogs.messages.empty());
  QImageReader hidden(QString::fromStdString(m.Path(".shot.png").string()));
  EXPECT_EQ(hidden.format(), "png");
  EXPECT_EQ(hidden.read().width(), m.W().Display.Image1Bitmap.Width());
}

// Each filter control changes the measured frame exactly as the filter
// itself changes the raw frame.
TEST(Commands, FilterControlsReachTheMeasuredFrame) {
  struct Row {
    const char* name;
    std::function<void(OpenWindow&)> set;
    std::function<void(Bitmap24&)> expect;
  };
  const Row rows[] = {
      {"Gaussian 3 x 3", [](OpenWindow& m) { Find<TRadioGroup>(m.window.get(), "RadioGroup5")->Item(1)->click(); },
       [](Bitmap24& b) { GaussianFilter(b, 1); }},
      {"moving average 5 x 5",
       [](OpenWindow& m) { Find<TRadioGroup>(m.window.get(), "RadioGroup4")->Item(2)->click(); },
       [](Bitmap24& b) { MovingAverageFilter(b, 2); }},
      {"gain 2.0", [](OpenWindow& m) { m.Find<QSpinBox>("UpDown17")->setValue(20); },
       [](Bitmap24& b) { ApplyGain(b, 20); }},
      {"field rotation -2", [](OpenWindow& m) { m.Find<QSpinBox>("UpDown19")->setValue(-2); },
       [](Bitmap24& b) { RotateFieldRows(b, -2); }},
  };
  for (const Row& r : rows) {
    OpenWindow m;
    ASSERT_TRUE(SamePixels(m.W().Driver.FrameBitmap, m.raw[0])) << r.name;
    r.set(m);
    Bitmap24 expected = m.raw[0];
    r.expect(expected);
    EXPECT_TRUE(SamePixels(m.W().Driver.FrameBitmap, expected)) << r.name;
  }
}

TEST(Commands, GainDoublesTheStarsMeasuredFlux) {
  MainRoadWindow m(Reader::OwnAvi);
  // Peak about 57 above 20: doubled, nothing reaches 255.
  const auto path = m.Path("faint.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(kW, kH, 2, 40.0, 30.0, [](int) { return 800.0; })));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.ClickImage1(40, 30);
  const double plain = m.W().Frames.FrameDataLines[0].Objects[0].Value;
  ASSERT_GT(plain, 400);
  m.Find<QSpinBox>("UpDown17")->setValue(20);
  EXPECT_EQ(m.Find<QLineEdit>("Edit66")->text(), "2.0");
  // Star and background both double, so the background-subtracted sum does too.
  EXPECT_NEAR(m.W().Frames.FrameDataLines[0].Objects[0].Value, 2 * plain, 0.01 * plain);
}

TEST(Commands, ContourLinePaintsTheShownFrame) {
  OpenWindow m;
  m.Find<QCheckBox>("CheckBox19")->click();
  Bitmap24 expected = m.raw[0];
  DrawContourLines(expected);
  // The background of 20 is a multiple of 10: yellow everywhere but the star.
  const Bgr corner = m.W().Display.Image1Bitmap.Get(2, 50);
  EXPECT_EQ(corner.r, 255);
  EXPECT_EQ(corner.g, 255);
  EXPECT_EQ(corner.b, 0);
  EXPECT_EQ(m.W().Display.Image1Bitmap.Get(70, 5).r, expected.Get(70, 5).r);
}

TEST(Commands, GammaFieldModeAppliesTheTypedGamma) {
  OpenWindow m;
  QLineEdit* edit18 = m.Find<QLineEdit>("Edit18");
  EXPECT_FALSE(edit18->isEnabled());
  m.Find<QRadioButton>("RadioButton17")->click();  // 'Field'
  EXPECT_TRUE(edit18->isEnabled());
  edit18->setText("0");
  m.PressKey(edit18, Qt::Key_Return);
  EXPECT_DOUBLE_EQ(m.W().Options.GammaValue, 1.0);  // 0 changes nothing
  edit18->setText("2");
  m.PressKey(edit18, Qt::Key_Return);
  EXPECT_EQ(edit18->text(), "2.00");
  // Pixel 20 through gamma 2: round(255 x (20 / 255)^0.5) = 71.
  EXPECT_EQ(m.W().Driver.FrameBitmap.Get(2, 50).r, 71);
  // Leaving the edit drops a text not confirmed by Enter.
  edit18->setText("3");
  m.Leave(edit18);
  EXPECT_EQ(edit18->text(), "2.00");
  m.Find<QRadioButton>("RadioButton15")->click();
  EXPECT_EQ(m.W().Driver.FrameBitmap.Get(2, 50).r, 20);
}

// A gamma too small to show in two decimals reads "0.00": it is refused as 0
// is, rather than blackening the frame under a gamma the edit cannot show.
TEST(Commands, GammaThatShowsAsZeroChangesNothing) {
  OpenWindow m;
  QLineEdit* edit18 = m.Find<QLineEdit>("Edit18");
  m.Find<QRadioButton>("RadioButton17")->click();  // 'Field'
  edit18->setText("2");
  m.PressKey(edit18, Qt::Key_Return);
  ASSERT_EQ(m.W().Driver.FrameBitmap.Get(2, 50).r, 71);  // round(255 x (20 / 255)^0.5)
  const struct {
    const char* typed;
    const char* shown;
    double gamma;
    int pixel;  // of the background 20, worked out apart: round(255 x (20 / 255)^(1 / gamma))
  } rows[] = {{"0.004", "0.004", 2.0, 71}, {"0.0049", "0.0049", 2.0, 71}, {"0.00001", "0.00001", 2.0, 71},
              {"0.005", "0.01", 0.005, 0}, {"0.5", "0.50", 0.5, 2}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.typed);
    m.W().Options.GammaValue = 2.0;
    m.Leave(edit18);
    edit18->setText(r.typed);
    m.PressKey(edit18, Qt::Key_Return);
    EXPECT_EQ(edit18->text(), r.shown);
    EXPECT_DOUBLE_EQ(m.W().Options.GammaValue, r.gamma);
    EXPECT_EQ(m.W().Driver.FrameBitmap.Get(2, 50).r, r.pixel);
    const bool refused = r.gamma == 2.0;
    ASSERT_EQ(m.dialogs.messages.size(), refused ? 1u : 0u);
    if (refused) {
      EXPECT_EQ(m.dialogs.messages[0].text, "The gamma must be 0.005 or more: it stays 2.00.");
    }
    m.dialogs.messages.clear();
  }
}

// Cleaning the text alone would read "-2" as 2: a gamma of 0 or less is
// refused with a message and the gamma in use stays.
TEST(Commands, GammaOfZeroOrLessIsRefusedAndSaysSo) {
  for (const char* typed : {"-2", " -0.5", "0"}) {
    SCOPED_TRACE(typed);
    OpenWindow m;
    QLineEdit* edit18 = m.Find<QLineEdit>("Edit18");
    m.Find<QRadioButton>("RadioButton17")->click();  // 'Field'
    edit18->setText("1.5");
    m.PressKey(edit18, Qt::Key_Return);
    ASSERT_DOUBLE_EQ(m.W().Options.GammaValue, 1.5);
    const Bgr before = m.W().Driver.FrameBitmap.Get(2, 50);
    edit18->setText(typed);
    m.PressKey(edit18, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(m.W().Options.GammaValue, 1.5);
    EXPECT_EQ(m.W().Driver.FrameBitmap.Get(2, 50).r, before.r);
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_EQ(m.dialogs.messages[0].text, "The gamma must be greater than 0: it stays 1.50.");
    m.Leave(edit18);
    EXPECT_EQ(edit18->text(), "1.50");
  }
}

// The program ends while the gamma or step edit holds typed text: leaving it
// must not run a handler of the half-destroyed main window.
TEST(Commands, ClosedWhileAnEditHasTheFocus) {
  for (const char* name : {"Edit18", "UpDown9"}) {
    SCOPED_TRACE(name);
    OpenWindow m;
    m.Find<QRadioButton>("RadioButton17")->click();  // 'Field' enables the gamma edit
    ASSERT_TRUE(LeaveTypingIn(m.window.get(), m.Find<QWidget>(name), "3"));
    m.window.reset();
  }
}

TEST(Commands, StepEditAcceptsOneTo256) {
  OpenWindow m;
  auto* updown = m.Find<QSpinBox>("UpDown9");
  QLineEdit* edit19 = m.Find<QLineEdit>("Edit19");
  edit19->setText("12");
  m.PressKey(updown, Qt::Key_Return);
  EXPECT_EQ(m.W().Run.FrameStep, 12);
  edit19->setText("300");
  m.PressKey(updown, Qt::Key_Return);
  EXPECT_EQ(m.W().Run.FrameStep, 12);
  EXPECT_EQ(edit19->text(), "12");
  edit19->setText("4");
  m.Leave(updown);
  EXPECT_EQ(m.W().Run.FrameStep, 4);
  // 'Auto Location for LED': ticked, the Signal1 box goes to the right edge;
  // unticked, the step returns to 1.
  auto* auto_led = m.Find<QCheckBox>("CheckBox22");
  auto_led->click();
  EXPECT_EQ(m.W().Marks.Signal1X, kW - 20);
  EXPECT_EQ(m.W().Marks.Signal1Y, 100);
  auto_led->click();
  EXPECT_EQ(m.W().Run.FrameStep, 1);
  EXPECT_EQ(edit19->text(), "1");
}

// A half-typed or nonsense rate keeps the rate in use.
TEST(Commands, FrameRateEditKeepsTheRateForTextThatIsNoRate) {
  OpenWindow m;
  QLineEdit* edit30 = m.Find<QLineEdit>("Edit30");
  const long double before = m.W().Video.TimingFrameRate;
  // Typed as a user types: each keystroke is a change.
  auto type = [&](const QString& text) {
    edit30->clear();
    for (QChar c : text) {
      QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(edit30, &e);
    }
  };
  for (const char* text : {"abc", "0", "-25", "0.", ""}) {
    type(text);
    EXPECT_EQ(edit30->text(), text);
    EXPECT_EQ(m.W().Video.TimingFrameRate, before) << text;
  }
  type("2x");  // the rate of "2" stays while the "x" is there
  EXPECT_EQ(m.W().Video.TimingFrameRate, 2);
  type("29.97");
  EXPECT_NEAR(static_cast<double>(m.W().Video.TimingFrameRate), 29.97, 1e-9);
  EXPECT_TRUE(m.dialogs.messages.empty());
}

TEST(Commands, CopyCommandsFillTheClipboard) {
  OpenWindow m;
  m.Find<QAction>("CopyCurrentTimetoClipboard1")->trigger();
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith("Event Time obtained from Tessary:"));
  m.Click("Button42");
  EXPECT_EQ(QApplication::clipboard()->text(), m.Find<QPlainTextEdit>("Memo1")->toPlainText());
  m.Find<QAction>("CopyImagetoClipBoard1")->trigger();
  const QImage copied = QApplication::clipboard()->image();
  EXPECT_EQ(copied.width(), m.W().Display.Image1Bitmap.Width());
  EXPECT_EQ(copied.pixelColor(70, 5).red(), m.W().Display.Image1Bitmap.Get(70, 5).r);
}

TEST(Commands, LoadBmpShowsTheStillImage) {
  MainRoadWindow m(Reader::OwnAvi);
  Bitmap24 still(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) still.Set(x, y, {0, static_cast<uint8_t>(x * 5), 200});
  QImage image(40, 30, QImage::Format_BGR888);
  for (int y = 0; y < 30; ++y) std::copy_n(still.Row(y), 40 * 3, image.scanLine(y));
  const auto path = m.Path("still.bmp");
  ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "BMP"));
  m.dialogs.open_file_names = {QString::fromStdString(path.string())};
  m.Click("Button22");
  EXPECT_TRUE(m.W().Still.BmpMode);
  EXPECT_TRUE(m.W().Run.VideoLoaded);
  ASSERT_EQ(m.W().Driver.FrameBitmap.Width(), 40);
  EXPECT_EQ(m.W().Driver.FrameBitmap.Get(7, 3).g, 35);
  EXPECT_EQ(m.W().Driver.FrameBitmap.Get(7, 3).r, 200);
}

// A video opened after a still picture shows and measures its own frames,
// not the still.
TEST(Commands, VideoOpenedAfterAStillShowsItsOwnFrames) {
  MainRoadWindow m(Reader::OwnAvi);
  ShowPlainStill(m);
  ASSERT_TRUE(m.W().Still.BmpMode);

  const std::vector<Bitmap24> frames = StarFrames(80, 60, 5, 40.2, 29.9, [](int n) { return 500.0 + 300.0 * n; });
  const auto video = m.Path("brightening.avi");
  ASSERT_TRUE(WriteAvi(video.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(video));
  EXPECT_FALSE(m.W().Still.BmpMode);
  m.Find<QScrollBar>("ScrollBar1")->setValue(3);
  EXPECT_TRUE(SamePixels(m.W().Driver.FrameBitmap, frames[3]));
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// 'Load bmp' cancelled ends the still: with a video open its frames show
// again; without one nothing is left to show, and no redraw after complains
// that a frame cannot be read.
TEST(Commands, CancelledStillLeavesTheVideoOrNothing) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto still = ShowPlainStill(m);
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  m.Click("Button22");  // the dialog cancelled
  EXPECT_FALSE(m.W().Still.BmpMode);
  EXPECT_FALSE(m.W().Run.VideoLoaded);
  EXPECT_TRUE(m.W().Display.Image1Bitmap.Empty());
  m.Find<QRadioButton>("RadioButton16")->click();  // 'Measure' gamma: redraw when a video is open
  EXPECT_TRUE(m.dialogs.messages.empty()) << m.dialogs.messages[0].text.toStdString();

  const std::vector<Bitmap24> frames = StarFrames(80, 60, 3, 40.2, 29.9, [](int n) { return 500.0 + 300.0 * n; });
  const auto video = m.Path("brightening.avi");
  ASSERT_TRUE(WriteAvi(video.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(video));
  m.Find<QRadioButton>("RadioButton15")->click();  // gamma 'OFF' again
  m.Find<QScrollBar>("ScrollBar1")->setValue(2);
  m.dialogs.open_file_names = {QString::fromStdString(still.string())};
  m.Click("Button22");
  EXPECT_EQ(m.W().Driver.FrameBitmap.Width(), 40);
  m.Click("Button22");  // cancelled
  EXPECT_TRUE(m.W().Run.VideoLoaded);
  EXPECT_TRUE(SamePixels(m.W().Driver.FrameBitmap, frames[2]));
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// An icon file holding two images asks which to show once, when it is opened;
// the frames after show that image without asking again. Opened again and
// cancelled, nothing is opened.
TEST(Commands, LoadBmpAsksForAnIconsImageOnce) {
  // As the program starts: the icon loader asks through the dialog service.
  InstallIconSelectionDialog();
  struct Uninstall {
    ~Uninstall() { ImageFile::ICOLoader().SelectImage = nullptr; }
  } uninstall;
  MainRoadWindow m(Reader::OwnAvi);
  ImageFile::TMemStream icon;
  TwoIcons(icon);
  const std::vector<uint8_t> bytes = icon.ToVector();
  const auto path = m.Path("two.ico");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
  m.dialogs.open_file_names = {QString::fromStdString(path.string())};
  m.dialogs.icon_choices = {{1, 0x00FF00}};  // the 32 x 32 image, transparent shown green
  m.Click("Button22");
  EXPECT_EQ(m.dialogs.icon_questions, 1);
  EXPECT_TRUE(m.W().Still.BmpMode);
  for (int frame = 0; frame < 3; ++frame) {
    SCOPED_TRACE(frame);
    ASSERT_EQ(m.W().Driver.FrameBitmap.Width(), 32);
    EXPECT_EQ(m.W().Driver.FrameBitmap.Get(0, 0).g, 255);
    EXPECT_EQ(m.W().Driver.FrameBitmap.Get(5, 5).r, 200);
    m.ClickImage1(16, 16);
    m.W().ShowNeighbor();
  }
  EXPECT_EQ(m.dialogs.icon_questions, 1);
  EXPECT_TRUE(m.dialogs.messages.empty());

  m.dialogs.open_file_names = {QString::fromStdString(path.string())};
  m.Click("Button22");
  EXPECT_EQ(m.dialogs.icon_questions, 2);
  EXPECT_FALSE(m.W().Still.BmpMode);
}

// ---- 'Measurement Option' ----

TEST(MeasurementOption, ControlsChangeTheMeasurement) {
  OpenWindow m;
  m.Find<QRadioButton>("RadioButton2")->click();  // 'Avoid Sunlit Face': a band the cut applies to
  m.ClickImage1(40, 30);
  const int bkg_pixels = m.Find<QLineEdit>("Edit21")->text().toInt();
  ASSERT_GT(bkg_pixels, 0);
  auto* o = m.OpenOptions();
  ASSERT_NE(o, nullptr);

  // 'Upper' cuts one side off the band.
  Find<QCheckBox>(o, "CheckBox1")->click();
  EXPECT_TRUE(m.W().Options.CutBkgUpperSide);
  m.W().ShowNeighbor();
  EXPECT_LT(m.Find<QLineEdit>("Edit21")->text().toInt(), bkg_pixels);

  // 'Hide' draws no outline: the shown frame is the measured one.
  Find<TRadioGroup>(o, "RadioGroup1")->Item(2)->click();
  EXPECT_EQ(m.W().Display.OutlineDisplayMode, 2);
  EXPECT_TRUE(SamePixels(m.W().Display.OverlayBitmap, m.W().Driver.FrameBitmap));

  // 'Available' off: the LED boxes are out of use and a click places a star.
  m.Find<QRadioButton>("RadioButton11")->click();
  Find<QCheckBox>(o, "CheckBox3")->click();
  EXPECT_EQ(m.W().Options.SignalMarkersOn, 0);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton10")->isChecked());
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton11")->isEnabled());

  // The saturation level reaches the PSF fit's options.
  Find<QSpinBox>(o, "UpDown1")->setValue(200);
  EXPECT_EQ(m.W().TrackingOpts.SaturationLevel, 200);

  auto* edit5 = Find<QLineEdit>(o, "Edit5");
  edit5->setText("abc");
  Find<QPushButton>(o, "Button1")->click();
  EXPECT_EQ(edit5->text(), "0.00000");
  EXPECT_EQ(m.W().Ticks.FixedFrameInterval, 0);
  edit5->setText("0.0333");
  Find<QPushButton>(o, "Button1")->click();
  EXPECT_EQ(edit5->text(), "0.03330");
}

TEST(MeasurementOption, NarrowFrameGivesTheLedScrollBarMaximum25) {
  OpenWindow m;  // 80 pixels wide
  auto* o = m.OpenOptions();
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(Find<QScrollBar>(o, "ScrollBar1")->maximum(), kW - 2 - 2);
  m.W().Video.FrameWidth = 40;
  o->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  o = m.OpenOptions();
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(Find<QScrollBar>(o, "ScrollBar1")->maximum(), 25);
}

// 'Measurement Option' CheckBox4 decides on the next frame whether a pending
// search of the band's direction runs: off, the direction set by hand stays;
// on, it becomes one of the searched directions (500 pixels long).
TEST(MeasurementOption, CheckBox4DecidesTheNextFramesDirectionSearch) {
  OpenWindow m;
  m.Find<QRadioButton>("RadioButton3")->click();  // 'Meteor/Lunar Limb': the band that turns
  m.ClickImage1(40, 30);
  auto* o = m.OpenOptions();
  ASSERT_NE(o, nullptr);
  auto* box = Find<QCheckBox>(o, "CheckBox4");
  EXPECT_TRUE(box->isChecked());
  for (bool on : {false, true}) {
    if (box->isChecked() != on) box->click();
    BkgLineGeometry& g = m.W().Driver.Geometry[0];
    g.DirectionX = 37;
    g.DirectionY = 11;
    m.W().Driver.OptimizeDirectionNow = true;
    m.W().ShowNeighbor();
    EXPECT_FALSE(m.W().Driver.OptimizeDirectionNow) << on;
    if (on) {
      EXPECT_NEAR(std::hypot(g.DirectionX, g.DirectionY), 500, 1);
    } else {
      EXPECT_EQ(g.DirectionX, 37);
      EXPECT_EQ(g.DirectionY, 11);
    }
  }
}

// With 'Make easy operation for click', placing object A applies the preset
// of the occultation type (type 4: threshold 75).
TEST(MeasurementOption, EasyClickAppliesThePresetWhenAIsPlaced) {
  for (bool easy : {false, true}) {
    OpenWindow m;
    m.W().Options.OccultationTypeIndex = 4;
    m.W().UpDown7->SetPosition(40);
    auto* o = m.OpenOptions();
    ASSERT_NE(o, nullptr);
    if (easy) Find<QCheckBox>(o, "CheckBox6")->click();
    EXPECT_EQ(m.W().Options.EasyClickOperation, easy);
    m.ClickImage1(40, 30);
    EXPECT_EQ(m.W().UpDown7->Position() == 75, easy);
  }
}

// Drift passed points: play stores A's 'Frame1' where it stands, stop clears both.
TEST(Commands, DriftTickRestartsThePassedPointsOnPlayAndStop) {
  OpenWindow m;
  m.ClickImage1(40, 30);
  m.Find<QRadioButton>("RadioButton5")->click();  // 'Drift'
  m.Find<QCheckBox>("CheckBox17")->click();
  m.W().ScrollBar1->setValue(1);
  m.W().StartPlayback();
  EXPECT_EQ(m.W().PassedPoints[0].Frame1.Frame, 1);
  EXPECT_FALSE(m.W().PassedPoints[0].Frame2.HasFrame());
  m.W().StopPlayback();
  EXPECT_FALSE(m.W().PassedPoints[0].Frame1.HasFrame());
}

TEST(Commands, PsfControlsReachTheFitOptions) {
  OpenWindow m;
  m.Find<QCheckBox>("CheckBox9")->click();  // 'Fixed' off
  m.Find<QSpinBox>("UpDown15")->setValue(70);
  m.Find<QSpinBox>("UpDown16")->setValue(120);
  Find<TRadioGroup>(m.window.get(), "RadioGroup1")->Item(2)->click();
  m.W().ShowNeighbor();
  EXPECT_EQ(m.Find<QLineEdit>("Edit51")->text(), "0.70");
  EXPECT_EQ(m.Find<QLineEdit>("Edit52")->text(), "1.20");
  EXPECT_FALSE(m.W().TrackingOpts.FixedWidth);
  EXPECT_EQ(m.W().TrackingOpts.LowerPercent, 70);
  EXPECT_EQ(m.W().TrackingOpts.UpperPercent, 120);
  EXPECT_EQ(m.W().TrackingOpts.SmoothingIndex, 2);
  EXPECT_FALSE(m.W().TrackingOpts.StoreLostAsFrame2);
  m.Find<QCheckBox>("CheckBox17")->click();
  m.W().ShowNeighbor();
  EXPECT_TRUE(m.W().TrackingOpts.StoreLostAsFrame2);
  EXPECT_FALSE(m.W().StampGlyphContext(false).enhanceContrast);
  m.Find<QCheckBox>("CheckBox24")->click();  // 'Enhance contrast' reaches the GHS stamp reading
  EXPECT_TRUE(m.W().StampGlyphContext(false).enhanceContrast);
}

TEST(Commands, DisplayAids) {
  OpenWindow m;
  auto* menu = m.Find<QCheckBox>("CheckBox16");
  menu->click();
  EXPECT_FALSE(m.W().menuBar()->isVisibleTo(m.window.get()));
  EXPECT_EQ(menu->text(), "Show Main Menu");
  menu->click();
  EXPECT_EQ(menu->text(), "Hide Main Menu");
  m.Find<QCheckBox>("CheckBox10")->click();  // 'More'
  EXPECT_EQ(m.Find<QPlainTextEdit>("Memo1")->height(), 158);
  m.Find<QSpinBox>("UpDown12")->setValue(2);
  EXPECT_EQ(m.Find<QLineEdit>("Edit46")->text(), "5");
  m.Click("Button28");  // the air-transparency curve, 400 to 800 nm in steps of 5
  EXPECT_EQ(m.Find<QPlainTextEdit>("Memo2")->toPlainText().split('\n').size(), 81);
}

// With PSF photometry the fitted width of a star that widens on the next
// frame stays at the placed width while 'Fixed' is ticked and follows the
// star (within the UpDown15..UpDown16 band) when it is not.
TEST(Commands, FixedKeepsThePsfWidthOfThePlacedStar) {
  double fwhm[2] = {};
  for (bool fixed : {true, false}) {
    MainRoadWindow m(Reader::OwnAvi);
    std::vector<Bitmap24> frames;
    for (double sigma : {1.5, 1.9}) {
      SyntheticFrame f;
      f.Width = kW;
      f.Height = kH;
      f.Stars = {SyntheticStar{40.0, 30.0, 2500.0, sigma}};
      frames.push_back(MakeStarFrame(f));
    }
    const auto path = m.Path("widening.avi");
    ASSERT_TRUE(WriteAvi(path.string(), frames));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    m.Find<QCheckBox>("CheckBox14")->setChecked(true);  // PSF photometry
    if (!fixed) m.Find<QCheckBox>("CheckBox9")->click();
    m.ClickImage1(40, 30);
    const double placed = m.W().Frames.FrameDataLines[0].Objects[0].FwhmHfd;
    ASSERT_GT(placed, 0);
    m.W().ScrollBar1->setValue(1);
    fwhm[fixed ? 0 : 1] = m.W().Frames.FrameDataLines[0].Objects[0].FwhmHfd;
    if (fixed) {
      EXPECT_NEAR(fwhm[0], placed, 1e-9);
    }
  }
  EXPECT_GT(fwhm[1], fwhm[0] + 0.4);
}

// What 'Set' shows is the interval in use: one that shows as 0.00000 is off.
TEST(MeasurementOption, SetUsesTheFrameIntervalItShows) {
  OpenWindow m;
  auto* o = m.OpenOptions();
  ASSERT_NE(o, nullptr);
  auto* edit5 = Find<QLineEdit>(o, "Edit5");
  const struct {
    const char* typed;
    const char* shown;
    long double interval;
  } rows[] = {
      {"0.0333", "0.03330", 0.0333L},  {"0.04", "0.04000", 0.04L},       {"1e-310", "0.00000", 0},
      {"0.000004", "0.00000", 0},      {"0.000006", "0.00001", 0.000006L}, {"-0.5", "0.00000", 0},
      {"-0.04", "0.00000", 0},         {"abc", "0.00000", 0},
  };
  for (const auto& r : rows) {
    edit5->setText(r.typed);
    Find<QPushButton>(o, "Button1")->click();
    EXPECT_EQ(edit5->text(), r.shown) << r.typed;
    EXPECT_EQ(m.W().Ticks.FixedFrameInterval, static_cast<long double>(static_cast<double>(r.interval))) << r.typed;
  }
}

// Choosing the menu item again while the window is open shows the options as
// they are now, not as they were when it first opened: here the settings
// file read when the video was opened again turned the LED boxes off.
TEST(MeasurementOption, ChoosingItAgainShowsTheCurrentOptions) {
  OpenWindow m;
  auto* o = m.OpenOptions();
  ASSERT_NE(o, nullptr);
  auto* available = Find<QCheckBox>(o, "CheckBox3");
  ASSERT_TRUE(available->isChecked());
  IniFile(m.Path("bin/tessary.ini")).WriteBool("SignalDetectionArea for LED", "Signal1,2", false);
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("star.avi")));
  ASSERT_EQ(m.W().Options.SignalMarkersOn, 0);
  m.W().Options.SaturationLevel = 200;
  m.W().Options.CutBkgLowerSide = true;

  EXPECT_EQ(m.OpenOptions(), o);
  EXPECT_FALSE(available->isChecked());
  EXPECT_TRUE(Find<QCheckBox>(o, "CheckBox2")->isChecked());
  EXPECT_EQ(Find<QSpinBox>(o, "UpDown1")->value(), 200);
  EXPECT_EQ(m.W().Options.SignalMarkersOn, 0);
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton11")->isEnabled());
}

// The window opened again shows the frame interval still in use, so the
// observer sees that the next videos are timed by it.
TEST(MeasurementOption, ReopenedWindowShowsTheFrameIntervalInUse) {
  OpenWindow m;
  const struct {
    const char* typed;
    const char* shown_again;
  } rows[] = {{"0.04", "0.04000"}, {"0.0333", "0.03330"}, {"abc", "0.00000"}};
  for (const auto& r : rows) {
    TMeasurementOption* o = m.OpenOptions();
    ASSERT_NE(o, nullptr);
    Find<QLineEdit>(o, "Edit5")->setText(r.typed);
    Find<QPushButton>(o, "Button1")->click();
    o->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(m.W().MeasurementOption.isNull());
    o = m.OpenOptions();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(Find<QLineEdit>(o, "Edit5")->text(), r.shown_again) << r.typed;
    o->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// A negative interval typed into 'Set' is off: opening a video without
// embedded times keeps its inserter type instead of switching to Sharp time.
TEST(MeasurementOption, NegativeFrameIntervalDoesNotTurnAVideoIntoSharpTime) {
  OpenWindow m;
  const int type = m.Find<QComboBox>("ComboBox1")->currentIndex();
  ASSERT_NE(type, 3);
  auto* o = m.OpenOptions();
  ASSERT_NE(o, nullptr);
  Find<QLineEdit>(o, "Edit5")->setText("-0.5");
  Find<QPushButton>(o, "Button1")->click();
  o->close();
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("star.avi")));
  EXPECT_EQ(m.Find<QComboBox>("ComboBox1")->currentIndex(), type);
  EXPECT_EQ(m.W().Options.TimeStampMode, type);
}
