// Main window: Tools > 'for Mutual Event' opens the mutual-event averaging
// window over the results table.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/ui/TPlatform.h"
#include "base/ui/NamedItems.h"
#include "chart/ui/TMutual_Average.h"

void TPlatform::CreateMutualMenuItems() {
  QMenu* tools = TopMenu("Tools1", "Tools");
  forMutualEvent1 = NamedAction(tools, "forMutualEvent1", "for Mutual Event");
  connect(forMutualEvent1, &QAction::triggered, this, &TPlatform::forMutualEvent1Click);
}

void TPlatform::forMutualEvent1Click() {
  if (Run.MeasuringRun || Chart.MutualAverageOpen || Mutual_Average) return;
  Chart.MutualAverageOpen = 1;
  // The window reads the table inside its calculation; the memo is not involved.
  Mutual_Average = new TMutual_Average(ChartLink, &Chart.MutualAverageOpen, this);
  Mutual_Average->show();
}
