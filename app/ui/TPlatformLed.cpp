// Main window: LED time correction. 'SharpCap Timing Analysis' (and the
// chart's button) open the LED window over the results table; after its
// 'Apply to Analysis' the shown and stored frame times come from
// LedFrameTimes.
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/ui/TPlatform.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/Layouts.h"
#include "base/ui/NamedItems.h"
#include "base/ui/DialogService.h"
#include "timing/ui/TLEDGraph.h"

QWidget* TPlatform::CreateLedPanel() {
  auto* panel = new QWidget;
  auto* v = EdgeLayout<QVBoxLayout>(panel);
  auto* row = new QHBoxLayout;
  Edit69 = NamedReadOut("Edit69", "1. Time correct", 100);
  BitBtn2 = Named<QPushButton>("BitBtn2", "SharpCap Timing Analysis");
  row->addWidget(Edit69);
  row->addWidget(BitBtn2, 1);
  v->addLayout(row);
  ListBox1 = Named<QListWidget>("ListBox1");
  ListBox1->setFixedHeight(48);
  v->addWidget(ListBox1);
  connect(BitBtn2, &QPushButton::clicked, this, &TPlatform::BitBtn2Click);
  return panel;
}

void TPlatform::BitBtn2Click() {
  if (Chart.LEDGraphOpen || Run.Playing) return;
  if (Run.CsvCmosTime) {
    Dialogs().ShowInformation("SharpCap Timing Analysis can't be used for already analyzed CSV file.");
    return;
  }
  OpenLedGraph();
}

void TPlatform::OpenLedGraph() {
  if (Chart.LEDGraphOpen) return;
  const int header = HeaderLineCountOf(Results.Lines());
  if (Results.Count() <= header + 2) return;
  SyncMemo1();
  LedGraphHost host;
  host.Lines = [this]() -> const std::vector<std::string>& { return Results.Lines(); };
  host.ReplaceLines = [this](std::vector<std::string> lines) {
    Results.Assign(std::move(lines));
    SyncMemo1();
  };
  host.CsvVersion = [this] { return static_cast<int>(Options.CsvVersion); };
  host.StartFrame = [this] { return std::max(Run.StartFrame, 0); };
  host.LastMeasuredFrame = [this] { return Run.LastMeasuredFrame; };
  host.LastFrame = [this] { return ScrollBar1->maximum(); };
  host.TimingFrameRate = [this] { return static_cast<long double>(Video.TimingFrameRate); };
  host.SelectedFrame = [this] { return Chart.ChartState.SelectedFrame; };
  host.CurrentLine = [this] { return Chart.LedGraphCurrentLine; };
  host.GrabFrame = [this](int n, Bitmap24& bmp) { return GrabFrameText(n, bmp); };
  host.Signal1Box = [this] { return LedBox{Marks.Signal1X, Marks.Signal1Y, Options.Signal1HalfWidth, Options.Signal1HalfHeight}; };
  host.StoredPoints = [this] {
    std::vector<std::string> points;
    for (int i = 0; i < ListBox1->count(); ++i) points.push_back(ListBox1->item(i)->text().toStdString());
    return points;
  };
  host.StorePoints = [this](const std::vector<std::string>& points) {
    ListBox1->clear();
    for (const std::string& p : points) ListBox1->addItem(QString::fromStdString(p));
  };
  host.SharpCapTimeAvailable = [this] { return Options.SharpCapTimeAvailable; };
  host.CorrectedTimesReady = [this] {
    Edit26->setToolTip("Time (center of exposure) corrected by 1PPS LED light.");
    Edit27->setToolTip("Time (end of exposure) corrected by 1PPS LED light.");
  };
  host.Applied = [this] {
    Options.SharpCapTimeAvailable = true;
    PaintBase(Edit69, BgrColor(0xFFFF00));
    PaintText(Edit26, Qt::black);
    ShowNeighbor();
  };
  host.Origin = frameGeometry().topLeft();
  LEDGraph = ::OpenLedGraph(std::move(host), Led, Chart.LEDGraphOpen, this);
}

void TPlatform::LedVideoOpened() {
  ListBox1->clear();
  PaintBase(Edit69, Qt::white);
  // The calibration of the last video (or table) would time new rows wrongly.
  ForgetLedCalibration(Led);
  if (auto* led = qobject_cast<TLEDGraph*>(LEDGraph.data())) led->VideoChanged();
}

std::optional<LedFrameTime> TPlatform::LedRecordFor(int frame) const {
  if (!Options.SharpCapTimeAvailable || frame < 0 || frame >= static_cast<int>(Led.AppliedFrameTimes.size()))
    return std::nullopt;
  const TLedFrameTime& r = Led.AppliedFrameTimes[static_cast<size_t>(frame)];
  return LedFrameTime{r.CentreHour, r.CentreMinute, r.CentreSeconds, r.EndHour, r.EndMinute, r.EndSeconds};
}
