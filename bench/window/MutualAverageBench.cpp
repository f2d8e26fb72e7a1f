// The mutual-event window on long tables of three objects: a whole
// calculation with its unit list and drawing, a scroll-bar step and a unit
// marked on the picture, as the observer does them. Arguments: rows and the
// frames-per-unit item.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <benchmark/benchmark.h>

#include "bench/NoisyChartTables.h"
#include "chart/ui/ChartFakeHost.h"
#include "chart/ui/TMutual_Average.h"

namespace {

struct MutualWindow {
  FakeHost host;
  TMutual_Average* w;
  MutualWindow(int rows, int unit_item) {
    host.table.lines = NoisyChartTable(static_cast<size_t>(rows), 5);
    w = new TMutual_Average(host);
    Find<QComboBox>(w, "ComboBox1")->setCurrentIndex(unit_item);
  }
  ~MutualWindow() { delete w; }
  void Calculate() { Find<QPushButton>(w, "Button1")->click(); }
};

void Args(benchmark::internal::Benchmark* b) {
  for (int rows : {10000, 100000})
    for (int item : {0, 2, 5, 10}) b->Args({rows, item});
  b->Unit(benchmark::kMillisecond);
}

void MutualCalculate(benchmark::State& state) {
  MutualWindow m(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) m.Calculate();
  state.counters["units"] = m.w->Units().size() - 1.0;
}
BENCHMARK(MutualCalculate)->Apply(Args);

void MutualScrollStep(benchmark::State& state) {
  MutualWindow m(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  m.Calculate();
  QScrollBar* bar = Find<QScrollBar>(m.w, "ScrollBar1");
  int v = 100;
  for (auto _ : state) bar->setValue(v = v == 100 ? 99 : 100);
}
BENCHMARK(MutualScrollStep)->Apply(Args);

void MutualSetFirst(benchmark::State& state) {
  MutualWindow m(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  m.Calculate();
  QLabel* image = Find<QLabel>(m.w, "Image1");
  QMenu* popup = Find<QMenu>(m.w, "PopupMenu1");
  QAction* set_first = Find<QAction>(m.w, "SetFirst1");
  const QPointF p(200, 100);
  for (auto _ : state) {
    QMouseEvent press(QEvent::MouseButtonPress, p, image->mapToGlobal(p), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(image, &press);
    set_first->trigger();
    popup->hide();
  }
}
BENCHMARK(MutualSetFirst)->Apply(Args);

}  // namespace
