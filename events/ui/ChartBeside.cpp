#include "events/ui/ChartBeside.h"

#include <QWidget>

#include "chart/ui/Tchart1.h"

void SetChartBeside(ChartBeside view, QWidget* window, Tchart1* chart, bool stamps_read,
                    const std::function<void(bool)>& set_field_view) {
  const bool shown = view == ChartBeside::Shown;
  if (chart) {
    if (shown) chart->showNormal();
    else chart->showMinimized();
  }
  if (shown) window->raise();
  if (stamps_read) set_field_view(!shown);
}
