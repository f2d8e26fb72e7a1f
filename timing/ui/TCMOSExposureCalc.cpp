#include "timing/ui/TCMOSExposureCalc.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "base/ui/ControlEvents.h"
#include "timing/ui/TCMOSExp2.h"
#include "timing/ui/TimingMemo.h"

CmosExposureTable& CMOSExposureTable() {
  static CmosExposureTable table;
  return table;
}

QPointer<TCMOSExposureCalc>& CMOSExposureCalc() {
  static QPointer<TCMOSExposureCalc> w;
  return w;
}

QPointer<TCMOSExp2>& CMOSExp2() {
  static QPointer<TCMOSExp2> w;
  return w;
}

void CreateCmosExposureWindows(QWidget* owner) {
  CMOSExposureCalc() = new TCMOSExposureCalc(owner);
  CMOSExp2() = new TCMOSExp2(owner);
}

TCMOSExposureCalc::TCMOSExposureCalc(QWidget* owner) : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint) {
  SetUpToolWindow(this, "CMOSExposureCalc", "CMOSExposureCalc");
  auto* grid = new QGridLayout(this);
  Memo1 = MakeMemo("Memo1", this, MemoWrap::Off);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Label1 = MakeLabel("Label1", "Explanation", this);
  Memo2 = MakeMemo("Memo2", this, MemoWrap::On);
  Label2 = MakeLabel("Label2", "Upper limit of LED capture time", this);
  UpDown1 = new TUpDown("UpDown1", "Edit1", 0, 100, 75, this);
  UpDown1->setSingleStep(5);
  UpDown1->Edit()->setReadOnly(true);
  Label4 = MakeLabel("Label4", "sec", this);
  Label6 = MakeLabel("Label6", "Percentage  of delay to exposure time", this);
  UpDown2 = new TUpDown("UpDown2", "Edit2", 0, 100, 15, this);
  UpDown2->setSingleStep(5);
  UpDown2->Edit()->setReadOnly(true);
  Label3 = MakeLabel("Label3", "%", this);
  RadioGroup1 = new TRadioGroup("RadioGroup1", "Filter", {"Recommended", "Suitable", "All (~1200msec)"}, this);
  RadioGroup1->SetItemIndex(0);
  Button1 = Named<QPushButton>("Button1", "TEST", this);
  Button1->setVisible(false);
  grid->addWidget(Memo1, 0, 0, 6, 1);
  grid->addWidget(Label2, 0, 1);
  grid->addWidget(UpDown1, 0, 2);
  grid->addWidget(Label4, 0, 3);
  grid->addWidget(Label6, 1, 1);
  grid->addWidget(UpDown2, 1, 2);
  grid->addWidget(Label3, 1, 3);
  grid->addWidget(RadioGroup1, 2, 1, 1, 3);
  grid->addWidget(Button1, 3, 1);
  grid->addWidget(Label1, 4, 1, 1, 3);
  grid->addWidget(Memo2, 5, 1, 1, 3);
  resize(900, 560);
  OnUpDownChange(UpDown1, this, &TCMOSExposureCalc::UpDown1Click);
  OnUpDownChange(UpDown2, this, &TCMOSExposureCalc::UpDown2Click);
  OnRadioGroupClick(RadioGroup1, this, &TCMOSExposureCalc::RadioGroup1Click);
  connect(Button1, &QPushButton::clicked, this, &TCMOSExposureCalc::Button1Click);
  FormCreate();
}

void TCMOSExposureCalc::FormCreate() {
  if (parentWidget()) move(parentWidget()->pos());
  CmosExposureTable& t = CMOSExposureTable();
  t.LedCaptureTimeLimit = 75;
  t.ShiftPercentLimit = 15;
  UpDown1->SetPosition(t.LedCaptureTimeLimit);
  UpDown2->SetPosition(t.ShiftPercentLimit);
  Memo1->clear();
  Memo2->clear();
  SetMemoLines(Memo2, ExposureExplanation());
  BuildExposureTable(t);
  ListTable();
}

void TCMOSExposureCalc::ListTable() {
  FilterExposureTable(CMOSExposureTable());
  Memo1->setVisible(false);
  SetMemoLines(Memo1, ListExposureTable(CMOSExposureTable(), static_cast<ExposureFilter>(RadioGroup1->ItemIndex())));
  Memo1->setVisible(true);
}

void TCMOSExposureCalc::UpDown1Click() {
  CMOSExposureTable().LedCaptureTimeLimit = UpDown1->Position();
  ListTable();
}

void TCMOSExposureCalc::UpDown2Click() {
  CMOSExposureTable().ShiftPercentLimit = UpDown2->Position();
  ListTable();
}

void TCMOSExposureCalc::RadioGroup1Click() { ListTable(); }

void TCMOSExposureCalc::Button1Click() {
  CMOSExp2() = new TCMOSExp2(parentWidget());
  CMOSExp2()->show();
  Memo1->clear();
}
