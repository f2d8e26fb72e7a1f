#pragma once
// The 'Graph' and 'Time' speed buttons of the event windows that work beside
// the chart. With time stamps read, the video's field view follows: frames
// while the chart is up, fields while it is minimised and the stamps are read.
#include <functional>

class QWidget;
class Tchart1;

enum class ChartBeside { Shown, Minimized };

// Shown: the chart restored and `window` raised in front of it.
void SetChartBeside(ChartBeside view, QWidget* window, Tchart1* chart, bool stamps_read,
                    const std::function<void(bool)>& set_field_view);
