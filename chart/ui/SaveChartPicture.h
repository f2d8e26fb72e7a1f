#pragma once
// 'Save .png file' of the chart and its tool windows.
#include <QImage>
#include <string>

#include "chart/ui/ChartHost.h"

// Asks for a name and type (`proposed` fills the name box) and saves
// `picture` there through the host; a failure is shown to the user.
void SaveChartPicture(ChartHost& host, const QImage& picture, const std::string& proposed);
