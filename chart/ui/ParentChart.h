#pragma once
// The chart a tool window of the chart sits on.
#include "chart/ChartSession.h"

class QWidget;

// Redraws the chart that `tool` is a child of, while the chart is open.
void RedrawParentChart(QWidget* tool, const ChartSession& session);
