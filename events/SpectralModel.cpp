#include "events/SpectralModel.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ResultTable.h"

namespace {

struct Knot {
  int X;
  double Y;
};
constexpr std::array<Knot, 12> kAirKnots{{{340, 0.49},
                                          {360, 0.51},
                                          {380, 0.58},
                                          {400, 0.63},
                                          {450, 0.73},
                                          {500, 0.79},
                                          {550, 0.82},
                                          {600, 0.84},
                                          {650, 0.88},
                                          {700, 0.911},
                                          {800, 0.939},
                                          {900, 0.953}}};
// The search may reach the last knot that still has a right neighbour, so
// that 650-800 nm use their own knots.
constexpr int kLastSearchKnot = 10;

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::stringstream ss;
  ss << in.rdbuf();
  return SplitTextLines(ss.str());
}

}  // namespace

double AirTransparencyAt(int L, int* knot) {
  int k = 0;
  while (k < kLastSearchKnot && L > kAirKnots[static_cast<size_t>(k)].X) ++k;
  if (k < 2) k = 2;
  if (knot) *knot = k;
  const auto X = [](int i) { return static_cast<double>(kAirKnots[static_cast<size_t>(i)].X); };
  const auto Y = [](int i) { return kAirKnots[static_cast<size_t>(i)].Y; };
  const double ha = X(k - 1) - X(k - 2), h = X(k) - X(k - 1), hb = X(k + 1) - X(k);
  const double s1 = (Y(k - 1) - Y(k - 2)) / ha, s2 = (Y(k) - Y(k - 1)) / h, s3 = (Y(k + 1) - Y(k)) / hb;
  const double m1 = (s2 - s1) / (X(k) - X(k - 2)), m2 = (s3 - s2) / (X(k + 1) - X(k - 1));
  const double l = L, a = X(k) - l, b = l - X(k - 1);
  return a * a * a * m1 / (6 * h) + b * b * b * m2 / (6 * h) + (Y(k - 1) / h - h * m1 / 6) * a +
         (Y(k) / h - h * m2 / 6) * b;
}

void InterpolateAirTransparency(SpectralModel& m) {
  m.AirTransparency.fill(0);
  for (int L = 400; L <= 800; L += 5) m.AirTransparency[static_cast<size_t>(L - 400)] = AirTransparencyAt(L);
}

std::vector<std::string> ListAirTransparency() {
  std::vector<std::string> out;
  for (int L = 400; L <= 800; L += 5) {
    int k = 0;
    const double v = AirTransparencyAt(L, &k);
    out.push_back(FormatInt(k) + "," + FormatInt(L) + "," + FormatFixed(v, 2, 3));
  }
  return out;
}

void ComputeBlackbodySpectrum(SpectralModel& m) {
  m.BlackbodySpectrum.fill(0);
  const double T = m.StarTemperature;
  std::array<double, 81> b{};
  for (int i = 0; i <= 80; ++i) {
    const double L = 400 + 5 * i;
    if (T <= 0) {
      b[static_cast<size_t>(i)] = 1;
      continue;
    }
    b[static_cast<size_t>(i)] =
        (3.7427e29 / std::pow(L, 5)) / (std::exp(0.0143 / L / (T * 0.00001) / 0.0001) - 1) * 1e-12;
  }
  double peak = 0;
  for (double v : b) peak = std::max(peak, v);
  for (int i = 0; i <= 80; ++i)
    m.BlackbodySpectrum[static_cast<size_t>(5 * i)] = peak > 0 ? b[static_cast<size_t>(i)] / peak : 1.0;
}

void LoadCcdSensitivity(SpectralModel& m, const std::string& path) {
  m.CcdSensitivity[0].fill(1.0);
  for (int j = 1; j < kSensorColumns; ++j) m.CcdSensitivity[static_cast<size_t>(j)].fill(0);
  const std::vector<std::string> lines = ReadLines(path);
  if (lines.size() < 120) {
    for (int j = 1; j < kSensorColumns; ++j)
      for (int L = 400; L <= 800; L += 5) m.CcdSensitivity[static_cast<size_t>(j)][static_cast<size_t>(L - 400)] = 1.0;
    return;
  }
  for (int j = 1; j <= 10; ++j) m.CcdNames[static_cast<size_t>(j - 1)] = StripQuotes(GetCsvField(lines[0], j + 1));
  for (int i = 0; i <= 80; ++i) {
    const std::string& row = lines[static_cast<size_t>(i + 1)];
    const int L = 400 + 5 * i;
    // A wavelength that is not an integer counts as a mismatch.
    const auto n = ParseInt32(GetCsvField(row, 1));
    for (int j = 1; j <= 10; ++j) {
      double& cell = m.CcdSensitivity[static_cast<size_t>(j)][static_cast<size_t>(L - 400)];
      if (!n || *n != L) {
        cell = 1.0;
        continue;
      }
      const std::string f = GetCsvField(row, j + 1);
      if (f.empty()) continue;
      const auto v = ParseDouble(f);
      cell = v ? *v / 100 : 1.0;
    }
  }
}

void ComputeSpectralWeights(SpectralModel& m, const std::string& path) {
  InterpolateAirTransparency(m);
  ComputeBlackbodySpectrum(m);
  LoadCcdSensitivity(m, path);
  const int index = m.CcdIndex >= 0 && m.CcdIndex < kSensorColumns ? m.CcdIndex : 0;
  const auto build = [&m](const SpectralCurve& sensor) {
    m.SpectralWeight.fill(0);
    long double sum = 0;
    for (int L = 400; L <= 800; L += 5) {
      const size_t i = static_cast<size_t>(L - 400);
      m.SpectralWeight[i] = m.BlackbodySpectrum[i] * m.AirTransparency[i] * sensor[i];
      sum += m.SpectralWeight[i];
    }
    return sum;
  };
  long double sum = build(m.CcdSensitivity[static_cast<size_t>(index)]);
  m.FlatSensorUsed = sum <= 0;
  if (m.FlatSensorUsed) sum = build(m.CcdSensitivity[0]);
  for (int L = 400; L <= 800; L += 5) {
    double& w = m.SpectralWeight[static_cast<size_t>(L - 400)];
    w = static_cast<double>(w / sum);
  }
}

void RecomputeSpectralModel(SpectralModel& m, const std::string& path) {
  LoadCcdSensitivity(m, path);
  ComputeSpectralWeights(m, path);
}
