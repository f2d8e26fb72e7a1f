#include "timing/ui/TCMOSExp2.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "base/NumberText.h"
#include "base/ui/DialogService.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/WindowTeardown.h"
#include "timing/ui/TimingMemo.h"

TCMOSExp2::TCMOSExp2(QWidget* owner) : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName("CMOSExp2");
  setWindowTitle("CMOSExp2");
  auto* grid = new QGridLayout(this);
  Memo2 = MakeMemo("Memo2", this, MemoWrap::Off);
  Memo2->setMaximumHeight(80);
  Memo1 = MakeMemo("Memo1", this, MemoWrap::Off);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Button2 = Named<QPushButton>("Button2", "Read me", this);
  CheckBox1 = Named<QCheckBox>("CheckBox1", this);
  Label9 = MakeLabel("Label9", "include ", this);
  Label10 = MakeLabel("Label10", "Integer value of ", this);
  Label11 = MakeLabel("Label11", "exposure time", this);
  Label4 = MakeLabel("Label4", "Lower Limit of ", this);
  Label1 = MakeLabel("Label1", "Process dot", this);
  UpDown7 = new TUpDown("UpDown7", "Edit4", 0, 100, 5, this);
  Label3 = MakeLabel("Label3", "Upper Limit of", this);
  Label2 = MakeLabel("Label2", "LED capture time", this);
  UpDown1 = new TUpDown("UpDown1", "Edit1", 5, 300, 30, this);
  UpDown1->setSingleStep(5);
  Label6 = MakeLabel("Label6", "Upper Limit of", this);
  Label5 = MakeLabel("Label5", "Shift / Exposure (%)", this);
  UpDown8 = new TUpDown("UpDown8", "Edit5", 5, 50, 8, this);
  Edit1 = UpDown1->Edit();
  Edit4 = UpDown7->Edit();
  Edit5 = UpDown8->Edit();
  Label7 = MakeLabel("Label7", "Frame Rate", this);
  Edit3 = Named<QLineEdit>("Edit3", this);
  Label8 = MakeLabel("Label8", "Exposure Time", this);
  Edit2 = Named<QLineEdit>("Edit2", this);
  UpDown2 = new TUpDown("UpDown2", "UpDown2Digit", 0, 8, 0, this);
  UpDown3 = new TUpDown("UpDown3", "UpDown3Digit", 0, 9, 3, this);
  UpDown4 = new TUpDown("UpDown4", "UpDown4Digit", 0, 9, 0, this);
  UpDown5 = new TUpDown("UpDown5", "UpDown5Digit", 0, 9, 0, this);
  UpDown6 = new TUpDown("UpDown6", "UpDown6Digit", 0, 9, 0, this);
  UpDown6->setVisible(false);
  Button1 = Named<QPushButton>("Button1", "Calculate", this);

  grid->addWidget(Memo2, 0, 0, 1, 6);
  grid->addWidget(Memo1, 1, 0, 8, 3);
  grid->addWidget(Label8, 1, 3);
  grid->addWidget(Edit2, 1, 4);
  auto* digits = new QHBoxLayout;
  for (TUpDown* u : {UpDown2, UpDown3, UpDown4, UpDown5, UpDown6}) digits->addWidget(u);
  grid->addLayout(digits, 2, 3, 1, 3);
  grid->addWidget(Label7, 3, 3);
  grid->addWidget(Edit3, 3, 4);
  grid->addWidget(Label4, 4, 3);
  grid->addWidget(Label1, 4, 4);
  grid->addWidget(UpDown7, 4, 5);
  grid->addWidget(Label3, 5, 3);
  grid->addWidget(Label2, 5, 4);
  grid->addWidget(UpDown1, 5, 5);
  grid->addWidget(Label6, 6, 3);
  grid->addWidget(Label5, 6, 4);
  grid->addWidget(UpDown8, 6, 5);
  auto* check = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{CheckBox1, Label9, Label10, Label11}) check->addWidget(w);
  grid->addLayout(check, 7, 3, 1, 3);
  grid->addWidget(Button1, 8, 3);
  grid->addWidget(Button2, 8, 4);
  resize(640, 520);

  connect(Button1, &QPushButton::clicked, this, &TCMOSExp2::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TCMOSExp2::Button2Click);
  connect(Edit2, &QLineEdit::returnPressed, this, &TCMOSExp2::Edit2KeyPress);
  connect(Edit2, &QLineEdit::editingFinished, this, &TCMOSExp2::Edit2Exit);
  OnUpDownChange(UpDown1, this, &TCMOSExp2::UpDown1Click);
  OnUpDownChange(UpDown7, this, &TCMOSExp2::UpDown7Click);
  OnUpDownChange(UpDown8, this, &TCMOSExp2::UpDown8Click);
  for (TUpDown* u : {UpDown2, UpDown3, UpDown4, UpDown5, UpDown6})
    OnUpDownChange(u, this, &TCMOSExp2::DigitClick);
  FormCreate();
}

TCMOSExp2::~TCMOSExp2() { DetachControls(this); }

void TCMOSExp2::FormCreate() {
  SetMemoLines(Memo2, Exp2Header());
  ShowExp2ReadMe();
  State.TargetExposure = 30;
  State.TargetFrameRate = 1000 / State.TargetExposure;
  ExposureDigits = {0, 3, 0, 0, 0};
  SetDigitPositions(ExposureDigits);
  State.Exp2CaptureTimeLimit = 30;
  UpDown1->SetPosition(30);
  State.Exp2ShiftPercentLimit = 8;
  UpDown8->SetPosition(8);
  LastExposureText = FormatFixed(30, 2, 7);
  Edit2->setText(QString::fromStdString(LastExposureText));
  Edit3->setText(QString::fromStdString(FrameRateEditText(30)));
  State.ProcessDotLimit = 5;
  UpDown7->SetPosition(5);
}

void TCMOSExp2::ShowExp2ReadMe() { SetMemoLines(Memo1, Exp2ReadMe()); }

void TCMOSExp2::Button1Click() {
  TakeExposureEntry();
  // A typed exposure that gave no target stays in the edit: searching the last
  // target under it would list exposures for a value other than the one shown.
  if (TellExposureNotTaken("so nothing is searched")) return;
  SetMemoLines(Memo1, SearchExposures(State, CheckBox1->isChecked()));
}

void TCMOSExp2::Edit2KeyPress() {
  TakeExposureEntry();
  TellExposureNotTaken(QString::fromStdString("it stays " + ExposureEditText(State.TargetExposure) + " ms"));
}

bool TCMOSExp2::TellExposureNotTaken(const QString& outcome) {
  const QString typed = Edit2->text();
  if (typed.toStdString() == LastExposureText) return false;
  Dialogs().ShowWarning("The exposure time must be 0.1 ms or more and below 900 ms: \"" + typed + "\" is not taken, " +
                        outcome + ".");
  return true;
}

ExposureDigitSet TCMOSExp2::DigitPositions() const {
  return {UpDown2->Position(), UpDown3->Position(), UpDown4->Position(), UpDown5->Position(), UpDown6->Position()};
}

void TCMOSExp2::SetDigitPositions(const ExposureDigitSet& d) {
  TUpDown* const all[] = {UpDown2, UpDown3, UpDown4, UpDown5, UpDown6};
  for (size_t i = 0; i < 5; ++i) all[i]->SetPosition(d[i]);
}

void TCMOSExp2::TakeExposureEntry() {
  const std::string typed = Edit2->text().toStdString();
  if (typed != LastExposureText) {
    const std::optional<double> v = ParseDouble(typed);
    if (!v) {
      Edit2->setText(QString::fromStdString(LastExposureText));
      return;
    }
    if (!(*v > 0) || !(*v < 900)) return;
    const TypedExposure t = SplitTypedExposure(*v);
    if (!t.accepted) {  // below 0.1 ms the target would be 0
      Edit2->setText(QString::fromStdString(LastExposureText));
      return;
    }
    SetDigitPositions(t.digits);
    // The digits now show the typed target: a later step is measured from them.
    ExposureDigits = t.digits;
    State.TargetExposure = t.target;
  } else {
    const ExposureDigitSet d = DigitPositions();
    if (d == ExposureDigits) return;
    const double v = ExposureFromDigits(d);
    if (!(v > 0) || !(v < 900)) {
      SetDigitPositions(ExposureDigits);
      return;
    }
    State.TargetExposure = v;
    ExposureDigits = d;
  }
  LastExposureText = ExposureEditText(State.TargetExposure);
  Edit2->setText(QString::fromStdString(LastExposureText));
  State.TargetFrameRate = 1000 / State.TargetExposure;
  Edit3->setText(QString::fromStdString(FrameRateEditText(State.TargetExposure)));
}

void TCMOSExp2::DigitClick() {
  TakeExposureEntry();
  // A typed text that gave no target would keep the click from being taken,
  // leaving digits that differ from the target the search uses: the click wins.
  if (DigitPositions() != ExposureDigits) {
    Edit2->setText(QString::fromStdString(LastExposureText));
    TakeExposureEntry();
  }
}

void TCMOSExp2::UpDown1Click() { State.Exp2CaptureTimeLimit = UpDown1->Position(); }
void TCMOSExp2::UpDown7Click() { State.ProcessDotLimit = UpDown7->Position(); }
void TCMOSExp2::UpDown8Click() { State.Exp2ShiftPercentLimit = UpDown8->Position(); }
