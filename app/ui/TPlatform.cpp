// Main window: controls, layout and handler wiring.
#include "app/ui/TPlatform.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>
#include <string_view>
#include <utility>

#include "base/ui/ControlEvents.h"
#include "base/ui/Layouts.h"
#include "base/ui/NamedItems.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/WindowTeardown.h"
#include "app/ui/ResultMemoView.h"
#include "app/ui/TPlatformIdentHost.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TIdentification.h"
#include "chart/ui/TMutual_Average.h"

QPointer<TPlatform> Platform;

namespace {

QLineEdit* ReadOut(const char* name, int width) {
  auto* e = NamedReadOut(name, {}, width);
  e->setAlignment(Qt::AlignCenter);
  return e;
}

// A titled group with its choices down the left column and a caption and
// control on each row beside them.
QGridLayout* ChoiceGroup(const char* caption, std::initializer_list<QWidget*> choices,
                         std::initializer_list<std::pair<QWidget*, QWidget*>> settings) {
  auto* grid = new QGridLayout(new QGroupBox(caption));
  AddGridColumn(grid, 0, choices);
  int row = 0;
  for (auto [label, control] : settings) AddGridRow(grid, row++, {label, control}, 1);
  return grid;
}

}  // namespace

TPlatform::TPlatform(const PlatformOptions& options, QWidget* parent)
    : QMainWindow(parent), startup_(options) {
  setObjectName("Platform");
  Video.UseDirectShow = 1;  // the FFmpeg source until the settings file says otherwise
  if (startup_.ExePath.empty())
    startup_.ExePath = QCoreApplication::applicationFilePath().toStdString();
  CreateControls();
  CreateMenus();
  ConnectHandlers();
  memo_view_ = new ResultMemoView(Results, Memo1, Memo1Rows, this);
  Platform = this;
  FormCreate();
  SyncMemo1();
  // With every control built, the settings panel is as wide as they are, so
  // none is cut off at the side; its height scrolls.
  QWidget* panel = panel_scroll_->widget();
  // The groups' hints as they stand now (some changed after the layout first asked).
  for (QWidget* group : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) group->updateGeometry();
  panel->setMinimumHeight(panel->sizeHint().height());  // rows are never squeezed together
  panel_scroll_->setMinimumWidth(panel->minimumSizeHint().width() + panel_scroll_->verticalScrollBar()->sizeHint().width() +
                                 2 * panel_scroll_->frameWidth());
  // It opens at the size its controls need, and may then be made smaller.
  auto* whole = static_cast<QScrollArea*>(centralWidget());
  whole->setMinimumSize(whole->widget()->minimumSizeHint());
  const QSize need = minimumSizeHint();
  whole->setMinimumSize(0, 0);
  resize(size().expandedTo(need));
}

TPlatform::~TPlatform() {
  DetachControls(this);
  // A spin box holding typed text hands its value over when it is hidden,
  // which the teardown below does: no handler may run on a half-gone window.
  for (QAbstractSpinBox* box : findChildren<QAbstractSpinBox*>()) box->blockSignals(true);
  // The tool and identification windows reach the state below; they go first.
  delete Mutual_Average.data();
  delete AsteroidIdentification.data();
  delete Identification.data();
  delete memo_view_;
  memo_view_ = nullptr;
}

void TPlatform::CreateControls() {
  // Image area with the frame scroll bar below it.
  ScrollBox1 = Named<QScrollArea>("ScrollBox1");
  ScrollBox1->setMinimumSize(480, 360);
  ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1 = Named<QLabel>("Image1");
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1->setMinimumSize(320, 240);
  ScrollBox1->setWidget(Image1);
  ScrollBar1 = Named<QScrollBar>("ScrollBar1", Qt::Horizontal);
  ScrollBar1->setRange(0, 0);

  auto* image_column = new QWidget;
  auto* image_layout = EdgeLayout<QVBoxLayout>(image_column);
  image_layout->addWidget(ScrollBox1, 1);
  image_layout->addWidget(ScrollBar1);
  // ---- video ---- / ---- run ----
  auto* run_row = new QHBoxLayout;
  run_row->addWidget(CreateVideoPanel());
  run_row->addWidget(CreateRunPanel(), 1);
  image_layout->addLayout(run_row);
  image_layout->addWidget(CreateChartPanel());  // ---- chart ----
  image_layout->addWidget(CreateIdentificationPanel());  // ---- identification ----

  auto* panel_scroll = new QScrollArea;
  panel_scroll->setWidgetResizable(true);
  panel_scroll->setWidget(CreateControlPanel());
  panel_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  panel_scroll_ = panel_scroll;

  auto* top = new QWidget;
  auto* top_layout = new QHBoxLayout(top);
  top_layout->setContentsMargins(4, 4, 4, 4);
  top_layout->addWidget(image_column, 1);
  top_layout->addWidget(panel_scroll);

  // Results table below.
  Panel7 = Named<QWidget>("Panel7");
  auto* memo_layout = new QVBoxLayout(Panel7);
  memo_layout->setContentsMargins(4, 0, 4, 4);
  Memo1 = Named<QPlainTextEdit>("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  Memo1->setMinimumHeight(120);
  Memo2 = Named<QPlainTextEdit>("Memo2");
  Memo2->setVisible(false);
  // Beside Memo1: the scroll bar through a table too long to copy into it.
  auto* memo_row = new QHBoxLayout;
  memo_row->setSpacing(0);
  memo_row->addWidget(Memo1);
  Memo1Rows = Named<QScrollBar>("Memo1Rows");
  memo_row->addWidget(Memo1Rows);
  memo_layout->addLayout(memo_row);
  memo_layout->addWidget(Memo2);

  auto* split = Splitter1 = Named<QSplitter>("Splitter1", Qt::Vertical);
  split->addWidget(top);
  split->addWidget(Panel7);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 1);
  // On a screen smaller than the controls the whole window scrolls.
  auto* whole = Named<QScrollArea>("WindowScroll");
  whole->setWidgetResizable(true);
  whole->setFrameShape(QFrame::NoFrame);
  whole->setWidget(split);
  setCentralWidget(whole);

  Timer1 = Named<QTimer>("Timer1", this);
  Timer1->setInterval(1);
  resize(1180, 820);
}

QWidget* TPlatform::CreateControlPanel() {
  auto* panel = new QWidget;
  auto* v = new QVBoxLayout(panel);
  v->setContentsMargins(2, 2, 2, 2);
  v->setSpacing(4);

  // Video and measuring mode.
  auto* mode = new QGroupBox("Measurement");
  auto* mode_grid = new QGridLayout(mode);
  CheckBox7 = Named<QCheckBox>("CheckBox7", "DShow");
  CheckBox14 = Named<QCheckBox>("CheckBox14", "Photometry");
  CheckBox2 = Named<QCheckBox>("CheckBox2", "Field Measure");
  CheckBox1 = Named<QCheckBox>("CheckBox1", "Show Field");
  RadioGroup2 = new TRadioGroup("RadioGroup2", "Field Order", {"Even first", "Odd first"});
  Edit5 = NamedReadOut("Edit5");
  Edit5->setPlaceholderText("video file");
  mode_grid->addWidget(Edit5, 0, 0, 1, 3);
  AddGridRow(mode_grid, 1, {CheckBox7, CheckBox14, CheckBox1});
  mode_grid->addWidget(CheckBox2, 2, 0);
  mode_grid->addWidget(RadioGroup2, 2, 1, 2, 2);
  CheckBox8 = Named<QCheckBox>("CheckBox8", "Acurate");
  CheckBox8->setToolTip("Field values refer to half the frame's aperture.");
  mode_grid->addWidget(CheckBox8, 3, 0);
  v->addWidget(mode);

  // Objects and their apertures.
  auto* objects = new QGroupBox("Objects");
  auto* obj_grid = new QGridLayout(objects);
  RadioButton7 = Named<QRadioButton>("RadioButton7", "A");
  RadioButton8 = Named<QRadioButton>("RadioButton8", "B");
  RadioButton9 = Named<QRadioButton>("RadioButton9", "C");
  auto* obj_row = new QHBoxLayout;
  for (auto* b : {RadioButton7, RadioButton8, RadioButton9}) obj_row->addWidget(b);
  obj_grid->addLayout(obj_row, 0, 0, 1, 4);
  UpDown1 = new TUpDown("UpDown1", "Edit1", 0, 25, 5);
  UpDown2 = new TUpDown("UpDown2", "Edit2", 0, 25, 10);
  UpDown3 = new TUpDown("UpDown3", "Edit3", 0, 25, 25);
  AddGridRow(obj_grid, 1, {new QLabel("Radius"), new QLabel("Inner"), new QLabel("Outer")});
  AddGridRow(obj_grid, 2, {UpDown1, UpDown2, UpDown3});
  GroupBox3 = Named<QGroupBox>("GroupBox3", "Half Flux");
  auto* hf = new QVBoxLayout(GroupBox3);
  Label11 = Named<QLabel>("Label11", "Diameter");
  hf->addWidget(Label11);
  Edit23 = ReadOut("Edit23", 60);  // half-flux diameter, or the FWHM of the PSF fit
  hf->addWidget(Edit23);
  obj_grid->addWidget(GroupBox3, 1, 3, 2, 1);
  // The selected object's result and its aperture and background pixel counts.
  Edit9 = ReadOut("Edit9", 90);
  Edit20 = ReadOut("Edit20", 50);
  Edit21 = ReadOut("Edit21", 50);
  AddGridRow(obj_grid, 3, {new QLabel("Value"), Edit9});
  auto* counts = new QHBoxLayout;
  counts->addWidget(Edit20);
  counts->addWidget(Edit21);
  obj_grid->addLayout(counts, 3, 2, 1, 2);
  v->addWidget(objects);

  // Background area.
  RadioButton1 = Named<QRadioButton>("RadioButton1", "Standard");
  RadioButton2 = Named<QRadioButton>("RadioButton2", "Avoid Sunlit Face");
  RadioButton3 = Named<QRadioButton>("RadioButton3", "Meteor/Lunar Limb");
  UpDown6 = new TUpDown("UpDown6", "Edit22", 0, 25, 10);
  UpDown8 = new TUpDown("UpDown8", "Edit14", 1, 25, 25);
  Label2 = Named<QLabel>("Label2", "Gap");
  StaticText10 = Named<QLabel>("StaticText10", "Width");
  auto* bkg_grid = ChoiceGroup("Background Area", {RadioButton1, RadioButton2, RadioButton3},
                               {{Label2, UpDown6}, {StaticText10, UpDown8}});
  Button7 = Named<QPushButton>("Button7", "Direction Setting");
  bkg_grid->addWidget(Button7, 3, 0, 1, 3);
  GroupBox8 = static_cast<QGroupBox*>(bkg_grid->parentWidget());
  GroupBox8->setObjectName("GroupBox8");
  v->addWidget(GroupBox8);

  // Star tracking.
  RadioButton4 = Named<QRadioButton>("RadioButton4", "Anchor");
  RadioButton5 = Named<QRadioButton>("RadioButton5", "Drift");
  RadioButton6 = Named<QRadioButton>("RadioButton6", "OFF");
  UpDown5 = new TUpDown("UpDown5", "Edit6", 0, 25, 7);
  UpDown7 = new TUpDown("UpDown7", "Edit42", 0, 99, 50);
  auto* track_grid = ChoiceGroup("Star Tracking", {RadioButton4, RadioButton5, RadioButton6},
                                 {{new QLabel("Radius"), UpDown5}, {new QLabel("Threshold"), UpDown7}});
  CheckBox3 = Named<QCheckBox>("CheckBox3", "Sync-Tracking APT");
  track_grid->addWidget(CheckBox3, 2, 1, 1, 2);
  // 'CSV' is a sibling of 'Anchor', 'Drift', 'OFF', so exclusive with them.
  RadioButton14 = Named<QRadioButton>("RadioButton14", "CSV");
  track_grid->addWidget(RadioButton14, 3, 0);
  v->addWidget(track_grid->parentWidget());

  // Time stamp.
  GroupBox12 = Named<QGroupBox>("GroupBox12", "Time");
  auto* time_grid = new QGridLayout(GroupBox12);
  ComboBox1 = Named<QComboBox>("ComboBox1");
  ComboBox1->addItems({"IOTA", "KIWI", "GHS", "Sharp"});
  CheckBox5 = Named<QCheckBox>("CheckBox5", "KIWI");
  UpDown4 = new TUpDown("UpDown4", "Edit4", 0, 255, 100);
  AddGridRow(time_grid, 0, {ComboBox1, CheckBox5, new QLabel("Threshold"), UpDown4});
  Edit24 = ReadOut("Edit24", 40);
  Edit25 = ReadOut("Edit25", 40);
  Edit26 = ReadOut("Edit26", 90);
  Edit27 = ReadOut("Edit27", 90);
  auto* times = new QHBoxLayout;
  for (auto* e : {Edit24, Edit25, Edit26, Edit27}) times->addWidget(e);
  time_grid->addLayout(times, 1, 0, 1, 4);
  RadioButton10 = Named<QRadioButton>("RadioButton10", "Star");
  RadioButton11 = Named<QRadioButton>("RadioButton11", "Signal1");
  RadioButton12 = Named<QRadioButton>("RadioButton12", "Signal2");
  auto* marks = new QWidget;
  auto* marks_row = EdgeLayout<QHBoxLayout>(marks);
  // 'TIVi' joins the exclusive 'Position Set' buttons.
  RadioButton13 = Named<QRadioButton>("RadioButton13", "TIVi");
  for (auto* b : {RadioButton10, RadioButton11, RadioButton12, RadioButton13}) marks_row->addWidget(b);
  time_grid->addWidget(marks, 2, 0, 1, 3);
  CheckBox22 = Named<QCheckBox>("CheckBox22", "Auto Location for LED");
  time_grid->addWidget(CheckBox22, 3, 0, 1, 4);
  Edit59 = NamedReadOut("Edit59", {}, 90);
  Button39 = Named<QPushButton>("Button39", "LongLat recognition");
  time_grid->addWidget(Edit59, 4, 0, 1, 2);
  time_grid->addWidget(Button39, 4, 2, 1, 2);
  Edit55 = NamedReadOut("Edit55");
  Edit56 = NamedReadOut("Edit56");
  Edit57 = NamedReadOut("Edit57");
  Edit60 = NamedReadOut("Edit60");
  Edit61 = NamedReadOut("Edit61");
  Edit62 = NamedReadOut("Edit62");
  Edit63 = NamedReadOut("Edit63");
  Edit64 = NamedReadOut("Edit64");
  auto* stamp_row = new QHBoxLayout;
  for (auto* e : {Edit55, Edit56, Edit57}) stamp_row->addWidget(e);
  time_grid->addLayout(stamp_row, 5, 0, 1, 4);
  auto* ticks_row = new QHBoxLayout;
  for (auto* e : {Edit64, Edit63, Edit60, Edit61, Edit62}) ticks_row->addWidget(e);
  time_grid->addLayout(ticks_row, 6, 0, 1, 4);
  // A row of its own: laid over Edit59 it took the clicks meant for 'LongLat recognition'.
  CheckBox18 = Named<QCheckBox>("CheckBox18", "IOTA-VTI Wide scan ");
  time_grid->addWidget(CheckBox18, 7, 0, 1, 4);
  v->addWidget(GroupBox12);

  // Playback and view.
  auto* play = new QGroupBox("Playback");
  auto* play_grid = new QGridLayout(play);
  UpDown9 = new TUpDown("UpDown9", "Edit19", 1, 2048, 1);
  AddGridRow(play_grid, 0, {new QLabel("Step"), UpDown9});
  Edit18 = Named<QLineEdit>("Edit18");
  Edit18->setFixedWidth(60);
  AddGridRow(play_grid, 1, {new QLabel("Gamma"), Edit18});
  RadioGroup3 = new TRadioGroup("RadioGroup3", "FrameFlickerFree", {"ON", "OFF"});
  play_grid->addWidget(RadioGroup3, 0, 2, 2, 1);
  CheckBox10 = Named<QCheckBox>("CheckBox10", "Small Memo");
  play_grid->addWidget(CheckBox10, 2, 0, 1, 2);
  Button2 = Named<QPushButton>("Button2", "Exit");
  play_grid->addWidget(Button2, 2, 2);
  Edit10 = NamedReadOut("Edit10", {}, 56);
  play_grid->addWidget(new QLabel("Frame"), 3, 0);
  play_grid->addWidget(Edit10, 3, 1);
  v->addWidget(play);

  // ---- objects ----
  v->addWidget(CreateObjectsPanel());
  v->addWidget(CreateOnlinePanel());  // ---- online ----
  v->addWidget(CreateTimingPanel());  // ---- timing tools ----
  v->addWidget(CreateLedPanel());     // ---- LED time correction ----
  v->addWidget(CreateToolsPanel());   // ---- tools ----
  v->addWidget(CreateCommandsPanel());  // ---- commands ----
  v->addWidget(CreateCapturePanel());  // ---- capture, guide, utility windows ----

  v->addStretch(1);
  return panel;
}

void TPlatform::CreateMenus() {
  QMenu* file = File1 = menuBar()->addMenu("File");
  file->setObjectName("File1");
  // ---- video ----
  AVIRileOpen1 = NamedAction(file, "AVIRileOpen1", "AVI File Open");
  Exit1 = NamedAction(file, "Exit1", "Exit");
  QMenu* object = Object1 = menuBar()->addMenu("Object");
  object->setObjectName("Object1");
  Add1 = NamedAction(object, "Add1", "Object Star Add");
  Remove1 = NamedAction(object, "Remove1", "Remove Object");
  // ---- objects ----
  CreateObjectsMenus();
  CreateOnlineMenuItems();  // ---- online ----
  CreateTimingMenuItems();  // ---- timing tools ----
  CreateToolsMenuItems();   // ---- tools ----
  CreateCommandsMenuItems();  // ---- commands ----
  CreateCaptureMenuItems();  // ---- capture, guide, utility windows ----
}

QMenu* TPlatform::TopMenu(const char* name, const char* caption) {
  const std::pair<std::string_view, QMenu**> menus[] = {{"File1", &File1},     {"Edit1", &Edit1},
                                                        {"Object1", &Object1}, {"Option1", &Option1},
                                                        {"Tools1", &Tools1},   {"Analysis1", &Analysis1}};
  QMenu** member = nullptr;
  for (const auto& [n, m] : menus)
    if (n == name) member = m;
  Q_ASSERT_X(member, "TopMenu", "a menu-bar menu needs its member in TPlatform");
  if (member && *member) return *member;
  QMenu* menu = menuBar()->addMenu(caption);
  menu->setObjectName(name);
  if (member) *member = menu;
  return menu;
}

void TPlatform::ConnectHandlers() {
  ConnectEach(this, {{Button2, &TPlatform::Button2Click}, {Exit1, &TPlatform::Exit1Click},
                     {CheckBox2, &TPlatform::CheckBox2Click}, {CheckBox5, &TPlatform::CheckBox5Click},
                     {CheckBox7, &TPlatform::CheckBox7Click}, {CheckBox14, &TPlatform::CheckBox14Click},
                     {ComboBox1, &TPlatform::ComboBox1Change}, {RadioGroup2, &TPlatform::RadioGroup2Click},
                     {RadioButton1, &TPlatform::RadioButtonFormClick}, {RadioButton2, &TPlatform::RadioButtonFormClick},
                     {RadioButton3, &TPlatform::RadioButtonFormClick}, {UpDown9, &TPlatform::UpDown9Click}});
  ConnectChartHandlers();  // ---- chart ---- (also its menu item)
  ConnectIdentificationHandlers();  // ---- identification ---- (also its menu item)
  // ---- video ---- / ---- run ----
  ConnectVideoHandlers();
  ConnectRunHandlers();
  // ---- objects ----
  ConnectObjectsHandlers();
  // ---- time stamps ----
  SetUpTimeStampControls();
  SetUpImageTools();  // ---- image tools ----
  // Tab reaches these after every other control, as it always has
  // (setTabOrder passes over a control Tab never stops at).
  QWidget* last = previousInFocusChain();
  while (last != this && !(last->focusPolicy() & Qt::TabFocus)) last = last->previousInFocusChain();
  for (QWidget* c : std::initializer_list<QWidget*>{RadioButton14, RadioButton13, Edit59, Button39, Edit55, Edit56,
                                                   Edit57, Edit64, Edit63, Edit60, Edit61, Edit62, Button7, CheckBox8,
                                                   CheckBox18, Edit10, Button24, Button26, Edit15, Edit16, Button10,
                                                   Button34, Button35}) {
    QWidget::setTabOrder(last, c);
    last = c;
  }
}
