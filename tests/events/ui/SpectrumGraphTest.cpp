// The spectrum graph drawn from a spectral model with known curves.
#include <gtest/gtest.h>

#include <QApplication>

#include "events/SpectralModel.h"
#include "events/ui/TSpectrumGraph.h"

namespace {

QRgb Pixel(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

TEST(SpectrumGraph, CurvesAtTheirValues) {
  SpectralModel m;
  for (int k = 0; k <= 400; k += 5) {
    m.CcdSensitivity[0][static_cast<size_t>(k)] = 1;          // flat sensor: the top of the frame
    m.AirTransparency[static_cast<size_t>(k)] = 0.5;          // y = 200
    m.BlackbodySpectrum[static_cast<size_t>(k)] = 0.2;        // y = 290
  }
  auto* w = new TSpectrumGraph(m);
  EXPECT_EQ(w->windowTitle(), "SpectrumGraph");
  EXPECT_TRUE(SpectrumWindowShown());
  // Away from the ticks and labels, at 600 nm (x = 200).
  EXPECT_EQ(Pixel(w->Picture, 200, 51), 0xFFFFFFu);
  EXPECT_EQ(Pixel(w->Picture, 200, 50), 0x0000FFu);
  EXPECT_EQ(Pixel(w->Picture, 200, 200), 0x00FF00u);
  EXPECT_EQ(Pixel(w->Picture, 200, 290), 0xFF00FFu);
  // Product 0.1 at y = 320, drawn two pixels wide in red.
  EXPECT_EQ(Pixel(w->Picture, 200, 320), 0xFF0000u);
  EXPECT_EQ(Pixel(w->Picture, 40, 100), 0x000000u);  // frame
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(SpectrumWindowShown());
}

}  // namespace
