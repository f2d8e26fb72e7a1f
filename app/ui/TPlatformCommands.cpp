// Main window: image and table commands, gamma reverse correction, frame
// step, the filter controls, display aids, the 'Filing Cabinet' group and the
// launchers of the options window and the settings dialog.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <tuple>
#include <utility>

#include "ImageFileLib/Bitmap24Copy.h"
#include "ImageFileLib/IconFile.h"
#include "ImageFileLib/LibraryErrors.h"
#include "ImageFileLib/LinearBitmap.h"
#include "ImageFileLib/SavePicture.h"
#include "app/ui/TMeasurementOption.h"
#include "app/ui/ResultMemoView.h"
#include "app/ui/TPlatform.h"
#include "app/ui/TPreserveSetting.h"
#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/NamedItems.h"
#include "base/ui/Layouts.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/DialogService.h"
#include "base/ui/WindowTeardown.h"
#include "events/SpectralModel.h"
#include "timing/ui/TLEDGraph.h"

namespace {

// Reads a still picture. An icon file asks which image to show (and its
// transparent colour) only while `choice` holds no answer yet.
void ReadStill(const std::string& path, std::optional<std::pair<int32_t, uint32_t>>& choice,
               ImageFile::TLinearBitmap& picture) {
  auto& icons = ImageFile::ICOLoader();
  auto kept = [&choice](const ImageFile::TIconList& list, int32_t& index, uint32_t& transparent) {
    if (!choice) {
      int32_t asked_index = 0;
      uint32_t asked_colour = transparent;
      if (!Dialogs().ChooseIconImage(list, asked_index, asked_colour)) return false;
      choice = {asked_index, asked_colour};
    }
    std::tie(index, transparent) = *choice;
    return true;
  };
  const auto installed = std::exchange(icons.SelectImage, kept);
  try {
    picture.LoadFromFile(path);
  } catch (...) {
    icons.SelectImage = installed;
    throw;
  }
  icons.SelectImage = installed;
}

// The number an edit's text stands for after SanitizeNumericText.
std::optional<double> CleanedNumber(const QString& text) {
  std::string s = text.toStdString();
  SanitizeNumericText(s);
  return ParseDouble(s);
}

QString Fixed(double v, int decimals) { return QString::fromStdString(FormatFixed(v, decimals, 18)); }

}  // namespace

QWidget* TPlatform::CreateCommandsPanel() {
  auto* box = Named<QWidget>("CommandsGroup");
  auto* v = EdgeLayout<QVBoxLayout>(box);

  RadioButton15 = Named<QRadioButton>("RadioButton15", "OFF");
  RadioButton16 = Named<QRadioButton>("RadioButton16", "Measure");
  RadioButton17 = Named<QRadioButton>("RadioButton17", "Field");
  RadioButton15->setChecked(true);
  GammaGroup = GroupOf("Gamma Reverse Correction", {RadioButton15, RadioButton16, RadioButton17});
  v->addWidget(GammaGroup);

  const QStringList sizes{"OFF", "3 x 3", "5 x 5"};
  auto* filters = new QGridLayout;
  RadioGroup5 = new TRadioGroup("RadioGroup5", "Gaussian Filtre for all", sizes, 3, box);
  RadioGroup1 = new TRadioGroup("RadioGroup1", "Gaussian Filtre", sizes, 3, box);
  RadioGroup4 = new TRadioGroup("RadioGroup4", "Moving Average", sizes, 3, box);
  for (TRadioGroup* g : {RadioGroup5, RadioGroup1, RadioGroup4}) g->SetItemIndex(0);
  filters->addWidget(RadioGroup5, 0, 0, 1, 3);
  filters->addWidget(RadioGroup1, 1, 0, 1, 3);
  filters->addWidget(RadioGroup4, 2, 0, 1, 3);
  CheckBox24 = Named<QCheckBox>("CheckBox24", "Enhance contrast");
  CheckBox19 = Named<QCheckBox>("CheckBox19", "Contour line");
  AddGridRow(filters, 3, {CheckBox24, CheckBox19});
  UpDown17 = new TUpDown("UpDown17", "UpDown17Text", 0, 50, 10);
  Edit66 = NamedReadOut("Edit66", {}, 48);
  Edit66->setText("1.0");
  UpDown19 = new TUpDown("UpDown19", "UpDown19Text", -8, 8, 0);
  Edit67 = NamedReadOut("Edit67", {}, 48);
  Edit67->setText("0");
  auto* gain_row = new QHBoxLayout;
  gain_row->addWidget(new QLabel("Gain"));
  gain_row->addWidget(UpDown17);
  gain_row->addWidget(Edit66);
  gain_row->addWidget(new QLabel("Field Rotate"));
  gain_row->addWidget(UpDown19);
  gain_row->addWidget(Edit67);
  filters->addLayout(gain_row, 4, 0, 1, 3);
  v->addLayout(filters);

  // The PSF fit's width limits and the drift bookkeeping of object A.
  auto* psf = new QHBoxLayout;
  CheckBox9 = Named<QCheckBox>("CheckBox9", "Fixed");
  CheckBox9->setChecked(true);
  UpDown15 = new TUpDown("UpDown15", "UpDown15Text", 10, 100, 50);
  UpDown16 = new TUpDown("UpDown16", "UpDown16Text", 100, 200, 140);
  Edit51 = NamedReadOut("Edit51", {}, 48);
  Edit51->setText("0.50");
  Edit52 = NamedReadOut("Edit52", {}, 48);
  Edit52->setText("1.40");
  CheckBox17 = Named<QCheckBox>("CheckBox17", "");
  CheckBox17->setToolTip("Drift: play and stop start the passed points of object A afresh");
  for (QWidget* w : std::initializer_list<QWidget*>{CheckBox9, UpDown15, Edit51, UpDown16, Edit52, CheckBox17})
    psf->addWidget(w);
  v->addLayout(psf);

  auto* view = new QHBoxLayout;
  CheckBox10->setText("More");
  CheckBox16 = Named<QCheckBox>("CheckBox16", "Hide Main Menu");
  CheckBox16->setChecked(true);
  UpDown13 = new TUpDown("UpDown13", "UpDown13Text", 0, 2, 0);
  UpDown13->setToolTip("Change position of the main controls");
  view->addWidget(CheckBox16);
  view->addWidget(UpDown13);
  v->addLayout(view);

  auto* cabinet = new QGroupBox("Filing Cabinet");
  auto* cab = new QGridLayout(cabinet);
  UpDown10 = new TUpDown("UpDown10", "UpDown10Text", -20, 20, 0);
  Edit29 = NamedReadOut("Edit29", {}, 48);
  UpDown11 = new TUpDown("UpDown11", "UpDown11Text", 0, 250, 0);
  Edit31 = NamedReadOut("Edit31", {}, 48);
  UpDown12 = new TUpDown("UpDown12", "UpDown12Text", 0, 2, 0);
  Edit46 = NamedReadOut("Edit46", {}, 48);
  Edit29->setText("0");
  Edit31->setText("0");
  Edit46->setText("1");
  AddGridRow(cab, 0, {new QLabel("adjust"), UpDown10, Edit29});
  AddGridRow(cab, 1, {UpDown11, Edit31}, 1);
  AddGridRow(cab, 2, {UpDown12, Edit46}, 1);
  Button28 = Named<QPushButton>("Button28", "Button28");
  Button33 = Named<QPushButton>("Button33", "Button33");
  AddGridColumn(cab, 3, {Button28, Button33});
  v->addWidget(cabinet);

  auto* buttons = new QGridLayout;
  Button17 = Named<QPushButton>("Button17", "Update Setting Items");
  Button22 = Named<QPushButton>("Button22", "Load bmp");
  Button42 = Named<QPushButton>("Button42", "Copy CSV");
  AddGridRow(buttons, 0, {Button17, Button22});
  buttons->addWidget(Button42, 1, 0);
  v->addLayout(buttons);

  ConnectEach(this, {{RadioButton15, &TPlatform::RadioButton15Click}, {RadioButton16, &TPlatform::RadioButton16Click},
                     {RadioButton17, &TPlatform::RadioButton17Click}, {RadioGroup5, &TPlatform::RadioGroup5Click},
                     {RadioGroup1, &TPlatform::RadioGroup5Click}, {RadioGroup4, &TPlatform::RadioGroup4Click},
                     {CheckBox19, &TPlatform::CheckBox19Click}, {CheckBox24, &TPlatform::CheckBox24Click},
                     {CheckBox16, &TPlatform::CheckBox16Click}, {CheckBox10, &TPlatform::CheckBox10Click},
                     {CheckBox22, &TPlatform::CheckBox22Click}, {UpDown17, &TPlatform::UpDown17Click},
                     {UpDown19, &TPlatform::UpDown19Click}, {UpDown15, &TPlatform::UpDown15Click},
                     {UpDown16, &TPlatform::UpDown16Click}, {UpDown13, &TPlatform::UpDown13Click},
                     {UpDown10, &TPlatform::UpDown10Click}, {UpDown11, &TPlatform::UpDown11Click},
                     {UpDown12, &TPlatform::UpDown12Click}, {Button28, &TPlatform::Button28Click},
                     {Button33, &TPlatform::Button33Click}, {Button17, &TPlatform::Button17Click},
                     {Button22, &TPlatform::Button22Click}, {Button42, &TPlatform::Button42Click}});

  new EventHook(Edit18, [this](QEvent* e) {
    if (e->type() == QEvent::FocusIn) Edit18Enter();
    if (e->type() == QEvent::FocusOut) Edit18Exit();
    if (e->type() == QEvent::KeyPress) Edit18KeyPress(static_cast<QKeyEvent*>(e)->key());
    return false;
  });
  // Edit19 is UpDown9's text: Enter and leaving it take the typed step, not each keystroke.
  UpDown9->setKeyboardTracking(false);
  new EventHook(UpDown9, [this](QEvent* e) {
    if (e->type() == QEvent::FocusIn) Edit19Enter();
    if (e->type() == QEvent::FocusOut) Edit19Exit();
    if (!IsEnterKey(e)) return false;
    Edit19Exit();
    return true;
  });
  Edit30->setReadOnly(false);
  connect(Edit30, &QLineEdit::textEdited, this, [this] { Edit30Change(); });
  return box;
}

void TPlatform::CreateCommandsMenuItems() {
  QMenu* file = TopMenu("File1", "File");
  auto add = [this](QMenu* menu, const char* name, const char* caption, void (TPlatform::*handler)()) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  SaveImage1 = add(file, "SaveImage1", "Save Image", &TPlatform::SaveImage1Click);
  LoadBMP1 = add(file, "LoadBMP1", "Load BMP", &TPlatform::LoadBMP1Click);
  QMenu* edit = TopMenu("Edit1", "Edit");
  CopyImagetoClipBoard1 =
      add(edit, "CopyImagetoClipBoard1", "Copy Image to ClipBoard", &TPlatform::CopyImagetoClipBoard1Click);
  CopyCurrentTimetoClipboard1 = add(edit, "CopyCurrentTimetoClipboard1", "Copy Current Time to Clipboard",
                                    &TPlatform::CopyCurrentTimetoClipboard1Click);
  QMenu* option = TopMenu("Option1", "Option");
  MeasuremenOption1 = add(option, "MeasuremenOption1", "Measurement Option", &TPlatform::MeasuremenOption1Click);
  UpdateSettingItems1 =
      add(option, "UpdateSettingItems1", "Update Setting Items", &TPlatform::UpdateSettingItems1Click);
  QMenu* tools = TopMenu("Tools1", "Tools");
  LunarVelocityCalculator1 = add(tools, "LunarVelocityCalculator1", "Lunar Velocity Calculator",
                                 &TPlatform::LunarVelocityCalculator1Click);
}

// ---- File and Edit ----

void TPlatform::SaveImage1Click() {
  // Nothing is shown yet: say so rather than ask for a name and fail.
  if (Display.Image1Bitmap.Empty()) {
    Dialogs().ShowError("No video is open.");
    return;
  }
  const auto type_change = [](const QString& name, int type) {
    return QString::fromStdString(ImageFile::PictureNameForTypeChange(name.toStdString(), type));
  };
  const DialogService::SaveChoice c = Dialogs().GetSaveFileNameAndType(
      "Save Image", {}, "Portable Network Graphics (*.png);;Joint Picture Expert Group (*.jpg);;Windows Bitmap (*.bmp)",
      type_change);
  if (c.name.isEmpty()) return;
  try {
    ImageFile::TLinearBitmap picture;
    ImageFile::AssignFromBitmap24(picture, Display.Image1Bitmap);
    if (!ImageFile::SavePicture(picture, c.name.toStdString(), c.type))
      Dialogs().ShowError(QString::fromStdString(
          ImageFile::NamelessPictureMessage(ImageFile::PictureFileName(c.name.toStdString(), c.type))));
  } catch (const std::exception& e) {
    Dialogs().ShowError(QString::fromStdString(e.what()));
  }
}

void TPlatform::LoadBMP1Click() {
  if (Run.MeasuringRun || Run.DirectionSettingMode) return;
  const QString name = Dialogs().GetOpenFileName("Load BMP", QString::fromStdString(Settings.LastVideoDirectory),
                                                 "bmp (*.bmp)");
  // An icon file asks for its image now, once; cancelling opens nothing.
  std::optional<std::pair<int32_t, uint32_t>> icon;
  bool cancelled = false;
  int width = 0, height = 0;
  if (!name.isEmpty()) {
    // A picture that cannot be read is told; the one shown before stays.
    std::string error;
    try {
      ImageFile::TLinearBitmap picture;
      ReadStill(name.toStdString(), icon, picture);
      const Bitmap24 still = ImageFile::LinearBitmapToBitmap24(picture);
      if (still.Empty()) error = "The file holds no picture.";
      width = still.Width();
      height = still.Height();
    } catch (const ImageFile::EAbort&) {
      cancelled = true;
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (!error.empty()) {
      Dialogs().ShowError(QString::fromStdString("Fail to get a bitmap.\r\n" + name.toStdString() + "\r\n" + error));
      return;
    }
  }
  // The station read from the picture shown so far is not the next one's.
  Station = GpsStation{};
  if (name.isEmpty() || cancelled) {
    Still.BmpMode = false;
    // Without a video nothing is left to show: a redraw could only fail, and
    // would blame the video reader.
    if (!Video.FrameSourceOpen && !OpenWindows.CaptureWindowOpen) {
      ClearClosedVideo();
      return;
    }
    // The video's frames are shown again, at their size.
    if (Video.FrameWidth > 0 && Video.FrameHeight > 0) SizeImage1(Video.FrameWidth, Video.FrameHeight);
  } else {
    // A still has no sound: the video's track is neither shown nor noted in its rows.
    if (SoundIndicator) SoundIndicator->close();
    Still.BmpFileName = name.toStdString();
    Still.IconChoice = icon;
    Still.Width = width;
    Still.Height = height;
    Still.BmpMode = true;
    // All of the still can be seen and clicked, also beyond the video's frame.
    SizeImage1(width, height);
    Run.VideoLoaded = true;
  }
  // 'Size' tells the frame shown: the still's, or the video's again.
  const auto [shown_width, shown_height] = ShownFrameSize();
  Edit48->setText(QString::number(shown_width));
  Edit49->setText(QString::number(shown_height));
  ShowNeighbor();
}

void TPlatform::Button22Click() { LoadBMP1Click(); }

std::string TPlatform::GrabStillBitmap(Bitmap24& bmp) {
  try {
    ImageFile::TLinearBitmap still;
    ReadStill(Still.BmpFileName, Still.IconChoice, still);
    bmp = ImageFile::LinearBitmapToBitmap24(still);
    if (!bmp.Empty()) return {};
  } catch (const std::exception&) {
  }
  return "Fail to get a bitmap.\r\n" + Still.BmpFileName;
}

void TPlatform::CopyImagetoClipBoard1Click() {
  if (!Run.VideoLoaded || Run.MeasuringRun || Display.Image1Bitmap.Empty()) return;
  const Bitmap24& b = Display.Image1Bitmap;
  QImage image(b.Width(), b.Height(), QImage::Format_BGR888);
  for (int y = 0; y < b.Height(); ++y) std::copy_n(b.Row(y), static_cast<size_t>(b.Width()) * 3, image.scanLine(y));
  QApplication::clipboard()->setImage(image);
}

void TPlatform::CopyCurrentTimetoClipboard1Click() {
  Memo2->setPlainText("Event Time obtained from Tessary:" + Edit24->text() + Edit25->text() + Edit26->text());
  Memo2->selectAll();
  QApplication::clipboard()->setText(Memo2->toPlainText());
}

void TPlatform::Button42Click() {
  SyncMemo1();
  Memo1->selectAll();
  QApplication::clipboard()->setText(memo_view_->WholeText());
}

// ---- gamma, step, frame rate ----

void TPlatform::RedrawWhenIdle() {
  if (!Run.VideoLoaded || Run.MeasuringRun || Run.DirectionSettingMode) return;
  ShowNeighbor();
  RedrawThreeDGraph();
}

void TPlatform::RadioButton15Click() {
  Options.GammaMode = 0;
  Edit18->setEnabled(false);
  RedrawWhenIdle();
}

void TPlatform::RadioButton16Click() {
  Options.GammaMode = 1;
  Edit18->setEnabled(true);
  RedrawWhenIdle();
}

void TPlatform::RadioButton17Click() {
  Options.GammaMode = 2;
  Edit18->setEnabled(true);
  RedrawWhenIdle();
}

void TPlatform::Edit18Enter() { PaintText(Edit18, Qt::blue); }

void TPlatform::Edit18KeyPress(int key) {
  if (!IsEnterKey(key)) {
    PaintText(Edit18, Qt::blue);
    return;
  }
  // Cleaning would take "-2" as 2: a gamma of 0 or less is refused.
  const std::optional<double> v = CleanedNumber(Edit18->text());
  const QString kept = Fixed(Options.GammaValue, 2);
  if (!v || *v <= 0 || NegativeNumericText(Edit18->text().toStdString())) {
    Dialogs().ShowWarning("The gamma must be greater than 0: it stays " + kept + ".");
    return;
  }
  // A gamma the edit would show as "0.00" is refused as 0 is.
  const QString shown = Fixed(*v, 2);
  if (!(ParseDouble(shown.toStdString()).value_or(0) > 0)) {
    Dialogs().ShowWarning("The gamma must be 0.005 or more: it stays " + kept + ".");
    return;
  }
  Options.GammaValue = *v;
  Edit18->setText(shown);
  BuildGammaTable(*v, Driver.Gamma);
  PaintText(Edit18, Qt::black);
  RedrawWhenIdle();
}

void TPlatform::Edit18Exit() {
  Edit18->setText(Fixed(Options.GammaValue, 2));
  BuildGammaTable(Options.GammaValue, Driver.Gamma);
  PaintText(Edit18, Qt::black);
  RedrawWhenIdle();
}

void TPlatform::Edit19Enter() { PaintText(UpDown9->Edit(), Qt::blue); }

void TPlatform::Edit19Exit() {
  if (const std::optional<double> v = CleanedNumber(UpDown9->Edit()->text())) {
    const int64_t step = RoundHalfEven(*v);
    if (step >= 1 && step <= 256) Run.FrameStep = static_cast<int32_t>(Run.PlayBackward ? -step : step);
  }
  UpDown9->SetPosition(std::abs(Run.FrameStep));
  PaintText(UpDown9->Edit(), Qt::black);
}

// A text that is not a positive number keeps the rate in use: a half-typed
// number must not stop the timing.
void TPlatform::Edit30Change() {
  const std::optional<double> v = ParseDouble(Edit30->text().toStdString());
  if (!v || *v <= 0) return;
  Video.TimingFrameRate = *v;
  if (auto* led = qobject_cast<TLEDGraph*>(LEDGraph.data())) led->RateChanged();
}

void TPlatform::CheckBox22Click() {
  if (CheckBox22->isChecked()) {
    if (Video.VideoFrameRate < 1 || RoundHalfEven(Video.TimingFrameRate) > 2048) return;
    Marks.Signal1X = ShownFrameSize().first - 20;
    Marks.Signal1Y = Mouse.LastStarClickX == 0 && Mouse.LastStarClickY == 0 ? 100 : Mouse.LastStarClickY;
    ShowNeighbor();
    Position1Show(Run.SelectedObject);
    return;
  }
  // Backward playback keeps the step negative; its direction stays.
  if (std::abs(Run.FrameStep) > 1) {
    UpDown9->SetPosition(1);
    Run.FrameStep = Run.FrameStep < 0 ? -1 : 1;
    ShowNeighbor();
  }
}

// ---- display aids ----

void TPlatform::CheckBox10Click() { Memo1->setFixedHeight(CheckBox10->isChecked() ? 158 : 337); }

void TPlatform::CheckBox16Click() {
  const bool shown = CheckBox16->isChecked();
  menuBar()->setVisible(shown);
  CheckBox16->setText(shown ? "Hide Main Menu" : "Show Main Menu");
}

// The results panel sits below the frame (0) or above it (1, 2), the form
// shorter then.
void TPlatform::UpDown13Click() {
  const int p = UpDown13->Position();
  if (Splitter1) Splitter1->insertWidget(p == 0 ? 1 : 0, Panel7);
  resize(width(), p == 0 ? 724 : 581);
}

// ---- filters ----

const GammaTable* TPlatform::MeasureGamma() const { return Options.GammaMode == 1 ? &Driver.Gamma : nullptr; }

FilterSettings TPlatform::FilterControls() const {
  FilterSettings f;
  f.GammaMode = Options.GammaMode == 2 ? GammaModeKind::Field
                : Options.GammaMode == 1 ? GammaModeKind::Measure
                                         : GammaModeKind::Off;
  if (!RadioGroup5) return f;
  f.GaussianIndex = std::max(0, RadioGroup5->ItemIndex());
  f.MovingAverageIndex = std::max(0, RadioGroup4->ItemIndex());
  f.GainTenths = UpDown17->Position();
  f.FieldRotation = UpDown19->Position();
  return f;
}

void TPlatform::ShowFilterChange() {
  if (!Run.MeasuringRun) ShowNeighbor();
}

void TPlatform::RadioGroup5Click() { ShowFilterChange(); }
void TPlatform::RadioGroup4Click() { ShowFilterChange(); }
void TPlatform::CheckBox19Click() { ShowFilterChange(); }
void TPlatform::CheckBox24Click() { ShowFilterChange(); }

void TPlatform::UpDown17Click() {
  Edit66->setText(Fixed(UpDown17->Position() / 10.0, 1));
  ShowFilterChange();
}

void TPlatform::UpDown19Click() {
  Edit67->setText(QString::number(UpDown19->Position()));
  ShowFilterChange();
}

void TPlatform::UpDown10Click() {
  Edit29->setText(QString::number(UpDown10->Position()));
  ShowNeighbor();
}

void TPlatform::UpDown11Click() { Edit31->setText(QString::number(UpDown11->Position())); }
void TPlatform::UpDown12Click() { Edit46->setText(QString::number(2 * UpDown12->Position() + 1)); }
void TPlatform::UpDown15Click() { Edit51->setText(Fixed(UpDown15->Position() / 100.0, 2)); }
void TPlatform::UpDown16Click() { Edit52->setText(Fixed(UpDown16->Position() / 100.0, 2)); }

void TPlatform::Button28Click() {
  QStringList lines;
  for (const std::string& l : ListAirTransparency()) lines << QString::fromStdString(l);
  Memo2->setPlainText(lines.join('\n'));
}

void TPlatform::Button33Click() {
  Tivi.TiviTemplate = DefaultTiviSampleTemplate();
  for (auto& digit : Tivi.TiviPoints)
    for (TiviPoint& p : digit) p = {1000, 1000};
}

void TPlatform::RestartDriftPassedPoints(bool store_frame1) {
  if (Run.SelectedObject != 1 || !RadioButton5->isChecked() || !CheckBox17 || !CheckBox17->isChecked()) return;
  PassedPointSet& p = PassedPoints[0];
  p.Frame1.Clear();
  p.Frame2.Clear();
  if (store_frame1) {
    const ObjectResult& o = Frames.FrameDataLines[0].Objects[0];
    p.Frame1 = TrackPoint{ScrollBar1->value(), o.X, o.Y};
    Tracking.DriftPassedFlag = false;
  }
  ShowPassedPoints();
}

// ---- windows ----

void TPlatform::MeasuremenOption1Click() {
  if (Run.MeasuringRun) return;
  // An open window is brought forward rather than doubled, showing the
  // options as they are now (a video opened since may have changed them).
  if (!MeasurementOption)
    MeasurementOption = new TMeasurementOption(*this);
  else
    MeasurementOption->FormCreate();
  MeasurementOption->show();
  MeasurementOption->raise();
  CheckBox1->setChecked(false);
  LimitApertureRadii();
  RefreshObjectMasks(DriverSettings(), true);
  ShowNeighbor();
  ShowApertureValues();
  Position1Show(Run.SelectedObject);
  RedrawThreeDGraph();
}

void TPlatform::Button17Click() {
  if (Run.MeasuringRun || Run.Playing) return;
  UpdateSettingItems1Click();
}

void TPlatform::UpdateSettingItems1Click() {
  if (Run.MeasuringRun) return;
  // Modal without a nested loop: the dialog frees itself when closed.
  auto* d = new TPreserveSetting(*this);
  PreserveSetting = d;
  d->setWindowModality(Qt::ApplicationModal);
  d->show();
}
