#include "chart/ui/TCorrection.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>

#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/FormRows.h"
#include "chart/ChartTable.h"
#include "chart/ui/ParentChart.h"

namespace {
const char* const kGuide[] = {
    "*****  Guide for operation  *****",
    "",
    "1) Two stars must be selected for measurement.",
    "  --> There are two measurement regions. Blue on the target star and Yellow on comparison.",
    "",
    "2) Click the lightcurve at the brightest value which is considered as a result of minimum absorption.",
    "  --> The frame will be displayed as a red dot.",
    "",
    "3) Click Correction button.",
    "   --> The light curve will be normalized based on the selected (red) frame. ",
    "",
    "4) Back the data to original with clicking the Restore button.",
};
}  // namespace

TCorrection::TCorrection(ChartHost& host, ChartSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), host_(host), session_(session) {
  SetUpToolWindow(this, "Correction", "Correction for absorption");
  auto* g = new QGridLayout(this);
  Memo1 = Named<QPlainTextEdit>("Memo1", this);
  Memo1->setReadOnly(true);
  g->addWidget(Memo1, 0, 0, 1, 4);
  UpDown1 = Named<QSpinBox>("UpDown1", this);
  UpDown1->setRange(1, 5);
  UpDown1->setValue(1);
  Edit3 = AddUpDownRow(g, 1, "Smoothing", UpDown1, "Edit3", "3");
  Button1 = Named<QPushButton>("Button1", "Correction", this);
  Button2 = Named<QPushButton>("Button2", "Restore to raw data", this);
  g->addWidget(Button1, 2, 0, 1, 2);
  g->addWidget(Button2, 2, 2, 1, 2);
  Edit4 = Named<QLineEdit>("Edit4", this);
  Edit4->setReadOnly(true);
  Edit5 = Named<QLineEdit>("Edit5", this);
  Edit5->setReadOnly(true);
  g->addWidget(Edit4, 3, 0, 1, 2);
  g->addWidget(Edit5, 3, 2, 1, 2);
  Memo2 = Named<QPlainTextEdit>("Memo2", this);
  Memo2->setReadOnly(true);
  g->addWidget(Memo2, 4, 0, 1, 4);
  ProgressBar1 = Named<QProgressBar>("ProgressBar1", this);
  g->addWidget(ProgressBar1, 5, 0, 1, 4);

  connect(Button1, &QPushButton::clicked, this, &TCorrection::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TCorrection::Button2Click);
  connect(UpDown1, &QSpinBox::valueChanged, this, [this](int p) { Edit3->setText(QString::number(2 * p + 1)); });

  // Opening: this window stays on top instead of the chart.
  session_.CorrectionOpen = 1;
  SetChartOnTop(false);
  const QRect main = host_.MainWindowGeometry();
  move(main.topLeft());
  for (const char* line : kGuide) Memo1->appendPlainText(line);
  // The records of the table as it is now: the chart's count is that of its
  // last drawing, which a table loaded since has not yet replaced.
  const std::vector<std::string>& lines = host_.Table().Lines();
  const std::string error = session_.Absorption.Open(
      lines, host_.CsvVersion(), TotalRecordCount(lines.size(), HeaderLineCountOf(lines)));
  if (!error.empty()) Dialogs().ShowError(QString::fromStdString(error));
}

void TCorrection::Button1Click() {
  const int total = session_.Absorption.TotalFrameCount;
  ProgressBar1->setRange(0, 7 + total);
  ProgressBar1->setValue(0);
  const int w = UpDown1->value();
  const AbsorptionResult r =
      session_.Absorption.Correct(host_.Table().Lines(), host_.CsvVersion(), session_.ChartState.SelectedFrame, w);
  if (!r.Error.empty()) Dialogs().ShowError(QString::fromStdString(r.Error));
  if (!r.Changed) return;
  Edit4->setText(QString::number(w));
  QString list;
  for (const auto& s : r.SmoothedList) list += QString::fromStdString(s) + '\n';
  list.chop(1);
  Memo2->setPlainText(list);
  Edit5->setText(QString::fromStdString(r.ReferenceText));
  host_.Table().ReplaceLines(r.Lines);
  ProgressBar1->setValue(7 + total);
  RedrawParentChart(this, session_);
}

void TCorrection::Button2Click() {
  const AbsorptionResult r = session_.Absorption.Restore(host_.Table().Lines(), host_.CsvVersion());
  if (!r.Error.empty()) Dialogs().ShowError(QString::fromStdString(r.Error));
  if (!r.Changed) return;
  host_.Table().ReplaceLines(r.Lines);
  RedrawParentChart(this, session_);
}

void TCorrection::SetChartOnTop(bool on) {
  QWidget* chart = parentWidget();
  if (!chart || chart->testAttribute(Qt::WA_WState_Created) == false) return;
  const bool visible = chart->isVisible();
  chart->setWindowFlag(Qt::WindowStaysOnTopHint, on);
  if (visible) chart->show();
}

void TCorrection::closeEvent(QCloseEvent* e) {
  SetChartOnTop(true);
  session_.CorrectionOpen = 0;
  e->accept();
}
