#pragma once
// A light curve made by the diffraction model itself, for the panel's and the
// event time's window tests (header only: its users link the events library).
#include <vector>

#include "events/DiffractionModel.h"

// Object A of a disappearance 12.3 ms after record `selected` at 29.97 frames
// per second, 384,000 km, 750 m/s: levels 1000 and 200.
inline std::vector<double> ModelDisappearance(int records, int selected) {
  SpectralModel s;
  s.StarTemperature = 6650;
  RecomputeSpectralModel(s, "/nonexistent/x.csv");
  DiffractionParams p;
  p.ObjectDistance = 384000000;
  p.ObjectVelocity = 750;
  const DiffractionModel m(MakeFresnelTables(), s, p);
  std::vector<double> v;
  for (int r = 0; r < records; ++r)
    v.push_back(static_cast<double>(m.RecordValue(r - selected, 1, -123, -1, 200, 800, 16)));
  return v;
}
