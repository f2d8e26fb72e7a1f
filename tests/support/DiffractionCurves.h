#pragma once
// Light curves made by the diffraction model itself, for the panel's and the
// event time's window tests and the benchmarks (header only: its users link
// the events library).
#include <vector>

#include "events/DiffractionModel.h"

// A lunar event's model at 384,000 km and 750 m/s for a star of the given
// temperature, with the built-in sensitivity curve (no file); `p` brings the
// other settings.
inline DiffractionModel LunarDiffractionModel(int star_temperature, DiffractionParams p = {}) {
  SpectralModel s;
  s.StarTemperature = star_temperature;
  RecomputeSpectralModel(s, "/nonexistent/CCDSpectralSensitivity.csv");
  p.ObjectDistance = 384000000;
  p.ObjectVelocity = 750;
  return DiffractionModel(MakeFresnelTables(), s, p);
}

// Object A of a disappearance 12.3 ms after record `selected` at 29.97 frames
// per second, 384,000 km, 750 m/s: levels 1000 and 200.
inline std::vector<double> ModelDisappearance(int records, int selected) {
  const DiffractionModel m = LunarDiffractionModel(6650);
  std::vector<double> v;
  for (int r = 0; r < records; ++r)
    v.push_back(static_cast<double>(m.RecordValue(r - selected, 1, -123, -1, 200, 800, 16)));
  return v;
}
