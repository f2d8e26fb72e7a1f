#pragma once
// Paints the drawing steps of a chart picture onto an image.
#include <QImage>

#include "chart/ChartPicture.h"

// A white image of the picture's size with every step painted in order.
QImage PaintChartPicture(const ChartPicture& picture);
// Paints the steps over what the image already shows.
void PaintChartOps(QImage& image, const ChartPicture& picture);

QColor ToQColor(Rgb c);
