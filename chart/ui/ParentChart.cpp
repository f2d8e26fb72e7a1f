#include "chart/ui/ParentChart.h"

#include "chart/ui/Tchart1.h"

void RedrawParentChart(QWidget* tool, const ChartSession& session) {
  if (!session.ChartOpen) return;
  if (auto* chart = qobject_cast<Tchart1*>(tool->parentWidget())) chart->GraphShow3();
}
