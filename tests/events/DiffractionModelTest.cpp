// The Fresnel tables, spectral weights and the light-curve model against
// values computed independently (mpmath's Fresnel integrals, an own Planck
// and spline sum), and the timing-error polynomials.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <utility>

#include "events/DiffractionModel.h"
#include "events/TimingError.h"
#include "support/TemporaryFolder.h"

namespace {

const FresnelTables& Tables() { return MakeFresnelTables(); }

struct TableRow {
  int Index;
  long double C, S;  // Fresnel integrals at i / 10000 plus the running-sum bias
};

TEST(FresnelTables, EqualTheIntegralsPlusTheRunningSumBias) {
  // mpmath: fresnelc(x) + 0.5e-4 (1 + cos(pi x^2 / 2)), fresnels(x) + 0.5e-4 sin(pi x^2 / 2).
  const TableRow rows[] = {
      {0, 0.0001L, 0.0L},
      {1, 0.00019999999999999999L, 1.3089969389957471e-12L},
      {5000, 0.49244041984807196L, 0.064751567031617532L},
      {10000, 0.77994340037682283L, 0.43830914739035477L},
      {12345, 0.69178047801264952L, 0.64849939448727707L},
      {25000, 0.45741681566515148L, 0.61916262164797468L},
      {100000, 0.49999869420551572L, 0.46816997858488224L},
      {1000000, 0.5000998986788179L, 0.49681690114783755L},
      {2400000, 0.50009999267063197L, 0.49867370880768905L},
  };
  for (const TableRow& r : rows) {
    SCOPED_TRACE(r.Index);
    // Beyond the bias the sums differ by the trapezoid rule's error.
    const long double tol = 1e-12L + 2.7e-9L * r.Index / 10000;  // h^2 / 12 x pi x
    EXPECT_NEAR(Tables().C[static_cast<size_t>(r.Index)], r.C, tol);
    EXPECT_NEAR(Tables().S[static_cast<size_t>(r.Index)], r.S, tol);
  }
  EXPECT_EQ(Tables().C[0], 0.0001L);
  EXPECT_EQ(Tables().S[0], 0.0L);
}

std::string NoFile() { return "/nonexistent/CCDSpectralSensitivity.csv"; }

SpectralModel Spectrum(int temperature, const std::string& file = NoFile()) {
  SpectralModel m;
  m.StarTemperature = temperature;
  ComputeSpectralWeights(m, file);
  return m;
}

TEST(SpectralModel, AirTransparencyUsesEveryKnot) {
  const struct {
    int L;
    double Value;
  } rows[] = {{400, 0.63}, {600, 0.84}, {650, 0.88}, {700, 0.911}, {800, 0.939}, {750, 0.9268541666666665}};
  for (const auto& r : rows) EXPECT_NEAR(AirTransparencyAt(r.L), r.Value, 1e-12) << r.L;
  const auto listing = ListAirTransparency();
  ASSERT_EQ(listing.size(), 81u);
  EXPECT_EQ(listing.front(), "3,400,0.63");
  EXPECT_EQ(listing.back(), "10,800,0.94");
}

TEST(SpectralModel, WeightsSumToOneOnTheGridOnly) {
  const SpectralModel m = Spectrum(6650);
  long double sum = 0;
  for (int i = 0; i <= 400; ++i) {
    if (i % 5) {
      EXPECT_EQ(m.SpectralWeight[static_cast<size_t>(i)], 0) << i;
    }
    sum += m.SpectralWeight[static_cast<size_t>(i)];
  }
  EXPECT_NEAR(static_cast<double>(sum), 1.0, 1e-12);
  // 6650 K peaks near 436 nm: the largest grid value is 1 at 435 nm.
  EXPECT_EQ(m.BlackbodySpectrum[35], 1.0);
  for (const std::string& n : m.CcdNames) EXPECT_TRUE(n.empty());
}

TEST(SpectralModel, SensitivityFileColumnsAndFaults) {
  TemporaryFolder dir;
  const std::string path = (dir.Path() / kSensitivityFileName).string();
  {
    std::ofstream f(path, std::ios::binary);
    f << "nm,\"ICX428ALL\",IMX290,Zero,S4,S5,S6,S7,S8,S9,S10\r\n";
    for (int i = 0; i <= 80; ++i) {
      const int L = 400 + 5 * i;
      const int written = i == 40 ? 999 : L;  // 600 nm: a wavelength out of place
      f << written << ",50," << (L == 500 ? "abc" : "25") << ",0,,1,1,1,1,1,1\r\n";
    }
    for (int i = 0; i < 40; ++i) f << "\r\n";
  }
  SpectralModel m;
  m.CcdIndex = 3;  // zero everywhere but at 600 nm
  m.StarTemperature = 5000;
  ComputeSpectralWeights(m, path);
  EXPECT_EQ(m.CcdNames[0], "ICX428ALL");
  EXPECT_EQ(m.CcdNames[1], "IMX290");
  EXPECT_EQ(m.CcdSensitivity[1][0], 0.5);
  EXPECT_EQ(m.CcdSensitivity[2][100], 1.0);  // "abc"
  EXPECT_EQ(m.CcdSensitivity[2][105], 0.25);
  EXPECT_EQ(m.CcdSensitivity[4][0], 0.0);    // empty field
  EXPECT_EQ(m.CcdSensitivity[4][200], 1.0);  // mismatched row
  EXPECT_FALSE(m.FlatSensorUsed);
  EXPECT_NEAR(m.SpectralWeight[200], 1.0, 1e-12);

  // A sensor without any sensitivity weighs with the flat one instead of
  // dividing by zero.
  {
    std::ofstream f(path, std::ios::binary);
    f << "nm,A,B\r\n";
    for (int i = 0; i <= 80; ++i) f << 400 + 5 * i << ",0,0\r\n";
    for (int i = 0; i < 40; ++i) f << "x\r\n";
  }
  m.CcdIndex = 1;
  ComputeSpectralWeights(m, path);
  EXPECT_TRUE(m.FlatSensorUsed);
  const SpectralModel flat = Spectrum(5000);
  for (size_t i = 0; i < 401; ++i) EXPECT_DOUBLE_EQ(m.SpectralWeight[i], flat.SpectralWeight[i]);
}

TEST(SpectralModel, NonPositiveTemperatureGivesAFlatSpectrum) {
  const SpectralModel m = Spectrum(0);
  for (int L = 400; L <= 800; L += 5) EXPECT_EQ(m.BlackbodySpectrum[static_cast<size_t>(L - 400)], 1.0);
}

DiffractionParams Lunar() {
  DiffractionParams p;
  p.ObjectDistance = 380000000;
  p.ObjectVelocity = 700;
  p.ModelFrameRate = 29.97L;
  return p;
}

TEST(DiffractionModel, PolychromaticIntensityEqualsAnIndependentSpectralSum) {
  // mpmath: Fresnel integrals with the running-sum bias at the rounded table
  // index of each wavelength, Planck at 6000 K times the air spline.
  const SpectralModel s = Spectrum(6000);
  const DiffractionModel m(Tables(), s, Lunar());
  const struct {
    long double T, I;
  } rows[] = {{-0.05L, 0.00464653787375203L}, {-0.01L, 0.0707707724225067L}, {0.0L, 0.250050005L},
              {0.002L, 0.326522734034646L},   {0.0075L, 0.654585789577458L}, {0.02L, 1.29092037645529L},
              {0.1L, 1.00286017291912L}};
  for (const auto& r : rows) EXPECT_NEAR(m.PolychromaticIntensity(r.T), r.I, 1e-6) << static_cast<double>(r.T);
}

TEST(DiffractionModel, PointSourceEdgesAndTheDisk) {
  const SpectralModel s = Spectrum(6650);
  DiffractionParams p = Lunar();
  const DiffractionModel point(Tables(), s, p);
  EXPECT_EQ(point.PointSourceIntensity(1e3L, 600), 1.0L);
  EXPECT_EQ(point.PointSourceIntensity(-1e3L, 600), 0.0L);
  EXPECT_NEAR(static_cast<double>(point.StarDiskIntensity(0)), 0.250050005, 1e-12);
  // Scale: sqrt(2 / (D / 1e9 x L)) x V x 10000 at 600 nm.
  EXPECT_NEAR(static_cast<double>(point.FresnelScale(600)), std::sqrt(2.0 / (0.38 * 600)) * 7e6, 1e-6);
  EXPECT_EQ(point.FresnelScale(601), 0.0L);

  p.StarDiameterOn = 1;
  p.StarAngularDiameter = 0;  // zero strip spacing: the strip weights' sum
  const DiffractionModel disk0(Tables(), s, p);
  EXPECT_NEAR(static_cast<double>(disk0.StarDiskIntensity(0.01L) / point.StarDiskIntensity(0.01L)), 0.99894, 1e-5);

  p.StarAngularDiameter = 5;
  const DiffractionModel disk(Tables(), s, p);
  // 380,000 km x pi x 2.5 mas / (700 m/s x 648000) ms.
  EXPECT_NEAR(static_cast<double>(disk.DiskCrossTime()), 380000000.0 * M_PI * 2.5 / (700 * 648000.0), 1e-12);
  // A disk lowers the first fringe's peak.
  long double point_peak = 0, disk_peak = 0;
  for (int i = 0; i < 400; ++i) {
    point_peak = std::max(point_peak, point.StarDiskIntensity(i * 0.0001L));
    disk_peak = std::max(disk_peak, disk.StarDiskIntensity(i * 0.0001L));
  }
  EXPECT_GT(point_peak, 1.2L);
  EXPECT_LT(disk_peak, point_peak - 0.01L);
}

TEST(DiffractionModel, RecordValuesMirrorAndMixComponents) {
  const SpectralModel s = Spectrum(6650);
  DiffractionParams p = Lunar();
  const DiffractionModel m(Tables(), s, p);
  const int h = FitExposureHalfWidth(p.ModelFrameRate, 0);
  EXPECT_EQ(h, 16);
  for (int k : {-3, -1, 0, 2, 5})
    EXPECT_NEAR(static_cast<double>(m.RecordValue(k, 1, 0, -1, 100, 900, h)),
                static_cast<double>(m.RecordValue(-k, 1, 0, 1, 100, 900, h)), 1e-9)
        << k;

  p.DoubleStarFit = 1;
  p.ComponentSeparation = 40;
  p.ComponentWeight = 1000;
  const DiffractionModel first(Tables(), s, p);
  p.ComponentWeight = 0;
  const DiffractionModel second(Tables(), s, p);
  // The first component is shifted by d x 40 ms; the second is the plain model.
  EXPECT_NEAR(static_cast<double>(first.RecordValue(0, 1, 0, 1, 0, 1, h)),
              static_cast<double>(m.RecordValue(0, 1, 400, 1, 0, 1, h)), 1e-15);
  EXPECT_NEAR(static_cast<double>(second.RecordValue(3, 1, 0, 1, 0, 1, h)),
              static_cast<double>(m.RecordValue(3, 1, 0, 1, 0, 1, h)), 1e-15);
}

TEST(DiffractionModel, ExposureHalfWidths) {
  const struct {
    long double Timing, Model;
    uint8_t Field;
    int Fit, Draw;
  } rows[] = {{29.97L, 29.97L, 0, 16, 16}, {29.97L, 29.97L, 1, 8, 8}, {25, 25, 0, 20, 19},
              {25, 25, 1, 10, 9},          {30, 15, 0, 33, 33},       {50, 50, 0, 10, 10},
              // Integrated video: the drawn curve averages the blocks' exposure as the fit does.
              {29.97L, 29.97L / 8, 0, 133, 133}, {25, 6.25L, 1, 40, 40}};
  for (const auto& r : rows) {
    EXPECT_EQ(FitExposureHalfWidth(r.Model, r.Field), r.Fit);
    EXPECT_EQ(DrawExposureHalfWidth(r.Timing, r.Model, r.Field), r.Draw);
  }
  EXPECT_EQ(ModelFrameRateFor(30, 4), 7.5L);
  EXPECT_EQ(ModelFrameRateFor(30, 1), 30.0L);
}

// Exposure means of the record values against numpy: Fresnel integrals by
// power series and asymptotic expansion, Planck times the air's knots
// interpolated linearly (times a sensor's band when it has one), a uniform
// disk of 2001 chords, averaged over the same 1-ms sub-steps. Cases the
// recorded curves do not reach: a narrow band read from a sensor file, a
// large disk, extreme velocities, a slow grazing edge, fields, an event on
// the boundary of two exposures and double stars (their Fresnel integrals by
// a fine trapezoid sum). Within 0.0015 of the step: the 50-strip
// disk's weights sum to 0.99894 and the spectra differ by their constants.
TEST(DiffractionModel, RecordValuesEqualAnIndependentComputation) {
  TemporaryFolder dir("tessary-band");
  std::string csv = "nm,Band\n";
  for (int L = 400; L <= 800; L += 5) csv += std::to_string(L) + (L >= 600 && L <= 650 ? ",100\n" : ",0\n");
  csv += std::string(40, '\n');
  const std::string band = dir.Write("CCDSpectralSensitivity.csv", csv);
  const struct {
    const char* Name;
    int64_t Distance;
    long double Velocity;
    int Temperature;
    long double Rate;
    uint8_t Field;
    int64_t EventTenthMs;  // after record 0
    long double Factor;
    int Direction;
    double Diameter;
    bool Band;
    int FirstRecord;
    std::vector<double> Truth;
    int32_t Separation = 0, Weight = 500;  // a double star: its first component shifted d x Separation ms
  } rows[] = {
      {"600-650 nm sensor, 300 m/s, 25 frames/s", 384000000, 300, 6650, 25, 0, 123, 1, -1, 0, true, -10,
       {1.000385, 1.000402, 1.000396, 1.000763, 1.001700, 1.001335, 1.003358, 1.007373, 1.018628, 1.116135, 0.548038,
       0.072035, 0.015393, 0.005992, 0.003149, 0.001938, 0.001312, 0.000947, 0.000716, 0.000560, 0.000450}},
      {"5 mas disk of a 4000 K star, reappearance", 390000000, 600, 4000, 29.97, 0, -52, 1, 1, 5, false, -10,
       {0.000162, 0.000201, 0.000256, 0.000336, 0.000462, 0.000675, 0.001080, 0.002005, 0.004998, 0.028373, 0.566179,
       1.038315, 1.003223, 1.001647, 1.000923, 1.000598, 1.000416, 1.000308, 1.000236, 1.000187, 1.000152}},
      {"asteroid at 20 km/s, 0.5 mas", 150000000000, 20000, 6650, 25, 0, 187, 1, -1, 0.5, false, -5,
       {1.000119, 1.000178, 1.000296, 1.000601, 1.001893, 0.911827, 0.044127, 0.001703, 0.000569, 0.000286, 0.000172}},
      {"graze at a factor of 0.05, event 3 frames on", 384000000, 700, 6650, 29.97, 0, 1000, 0.05, 1, 0, false, -30,
       {0.003828, 0.004070, 0.004335, 0.004626, 0.004947, 0.005303, 0.005698, 0.006139, 0.006632, 0.007185, 0.007810,
       0.008517, 0.009323, 0.010244, 0.011305, 0.012532, 0.013961, 0.015635, 0.017609, 0.019953, 0.022756, 0.026134,
       0.030235, 0.035250, 0.041430, 0.049100, 0.058683, 0.070730, 0.085952, 0.105260, 0.129808, 0.161029, 0.200652,
       0.250680, 0.313298, 0.390652, 0.484457, 0.595388, 0.722219, 0.860826, 1.003244, 1.137247, 1.247054, 1.315813,
       1.330096, 1.285709, 1.192705, 1.076324, 0.970956, 0.907251, 0.897719, 0.930214, 0.976347, 1.011190, 1.028659,
       1.037673, 1.043453, 1.038017, 1.014821, 0.987044, 0.977337}},
      {"video fields", 390000000, 550, 6650, 29.97, 1, -21, 1, -1, 0, false, -10,
       {1.000797, 1.000674, 1.001042, 1.001302, 1.002961, 1.001437, 1.001178, 1.017258, 1.068168, 0.955776, 0.228539,
       0.047212, 0.015347, 0.007147, 0.004087, 0.002639, 0.001844, 0.001361, 0.001045, 0.000828, 0.000672}},
      {"event on the boundary of two exposures", 384000000, 750, 6650, 29.97, 0, 167, 1, -1, 0, false, -5,
       {1.000306, 1.000443, 1.000758, 1.001603, 1.007121, 0.924415, 0.057382, 0.004513, 0.001516, 0.000758, 0.000455}},
      {"double star of 3 mas disks in fields, 25 ms apart, 30 %", 390000000, 550, 5000, 29.97, 1, -47, 1, 1, 3, false,
       -12,
       {0.000573, 0.000692, 0.000853, 0.001078, 0.001407, 0.001917, 0.002774, 0.004401, 0.008153, 0.020162, 0.077572,
        0.319644, 0.651032, 1.118406, 0.987771, 1.009882, 1.004781, 1.002699, 1.001517, 1.001240, 1.000955, 1.000791,
        1.000623, 1.000529, 1.000448},
       25, 300},
      {"double star disappearing 60 ms apart, 70 %", 384000000, 750, 6650, 25, 0, 79, 1, -1, 0, false, -6,
       {1.000157, 1.000145, 1.000230, 1.000400, 1.000750, 1.002006, 0.901444, 0.733459, 0.101454, 0.003318, 0.001013,
        0.000500, 0.000300, 0.000200, 0.000144},
       60, 700},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.Name);
    SpectralModel s;
    s.StarTemperature = r.Temperature;
    s.CcdIndex = r.Band ? 1 : 0;
    ComputeSpectralWeights(s, r.Band ? band : NoFile());
    DiffractionParams p;
    p.ObjectDistance = r.Distance;
    p.ObjectVelocity = r.Velocity;
    p.ModelFrameRate = r.Rate;
    p.FieldMode = r.Field;
    p.StarDiameterOn = r.Diameter > 0;
    p.StarAngularDiameter = r.Diameter;
    p.DoubleStarFit = r.Separation > 0;
    p.ComponentSeparation = r.Separation;
    p.ComponentWeight = r.Weight;
    const DiffractionModel m(Tables(), s, p);
    const int h = FitExposureHalfWidth(r.Rate, r.Field);
    for (size_t i = 0; i < r.Truth.size(); ++i) {
      const int k = r.FirstRecord + static_cast<int>(i);
      EXPECT_NEAR(static_cast<double>(m.RecordValue(k, r.Factor, -r.EventTenthMs, r.Direction, 0, 1, h)), r.Truth[i],
                  0.0015)
          << "record " << k;
    }
  }
}

TEST(DiffractionModel, ZeroDistanceOrVelocityIsNotValid) {
  const SpectralModel s = Spectrum(6650);
  DiffractionParams p = Lunar();
  p.ObjectVelocity = 0;
  EXPECT_FALSE(DiffractionModel(Tables(), s, p).Valid());
  p = Lunar();
  p.ObjectDistance = 0;
  EXPECT_FALSE(DiffractionModel(Tables(), s, p).Valid());
  EXPECT_TRUE(DiffractionModel(Tables(), s, Lunar()).Valid());
}

TEST(TimingError, EqualsTheTwoPolynomials) {
  // mpmath sums of the two coefficient sets.
  const struct {
    long double X, Frames;
  } rows[] = {{0, 0.000861085973516832L},   {0.1L, 0.08612299465336448L}, {0.25L, 0.28778605511996363L},
              {0.5L, 1.2999037433159273L},  {0.50001L, 1.2822038526396989L}, {1.0L, 5.2005275398409786L},
              {1.4L, 9.9458269541823934L}};
  for (const auto& r : rows) EXPECT_NEAR(TimingErrorFrames(r.X), r.Frames, 1e-14L) << static_cast<double>(r.X);
}

TEST(TimingError, ReportLineColumns) {
  TReportLightCurveElement e;
  e.Kind = ReportKind::Lunar;
  e.RecordingDate = "2024-3-5";
  e.ZcLabel = "ZC";
  e.ZcNumber = "1234";
  const std::string line =
      BuildReportLine("Event Time : 1h2m3.456s  +/- 0.033s  S/N=12.3", e, true, "0.03", 3).value_or("");
  ASSERT_EQ(line.size(), 61u);
  EXPECT_EQ(line.substr(0, 8), "2024035 ");
  EXPECT_EQ(line.substr(8, 10), "010203.456");
  EXPECT_EQ(line.substr(18, 7), "R  1234");
  EXPECT_EQ(line.substr(26, 2), "DD");
  EXPECT_EQ(line.substr(33, 4), "EG G");
  EXPECT_EQ(line.substr(37, 4), "0.03");
  EXPECT_EQ(line.substr(43, 3), "9.9");
  EXPECT_EQ(line.substr(52, 1), "T");
  EXPECT_EQ(line.substr(59, 2), "AA");

  e.ZcLabel.clear();
  e.Catalogue = "SAO";
  e.StarNumber = "98765";
  const std::string other =
      BuildReportLine("Event Time : 11h22m33.4s  +/- 0.033s  S/N=10", e, false, "0.03", 3).value_or("");
  EXPECT_EQ(other.substr(8, 10), "112233.4  ");
  EXPECT_EQ(other.substr(18, 7), "S 98765");
  EXPECT_EQ(other.substr(26, 2), "RD");
  EXPECT_EQ(other.substr(43, 4), "10.0");
  // The S/N text's halves round away from zero, as Python's decimal rounds
  // them, though "9.85" and "1.15" lie just below the half in binary.
  for (const auto& [sn, shown] : {std::pair{"9.95", "10.0"}, std::pair{"9.85", "9.9 "}, std::pair{"1.15", "1.2 "},
                                  std::pair{"3.25", "3.3 "}, std::pair{"9.94", "9.9 "}}) {
    const std::string l =
        BuildReportLine(std::string("Event Time : 11h22m33.4s  +/- 0.033s  S/N=") + sn, e, false, "0.03", 3)
            .value_or("");
    EXPECT_EQ(l.substr(43, 4), shown) << sn;
  }
  e.Kind = ReportKind::Asteroid;
  EXPECT_FALSE(BuildReportLine("Event Time : 11h22m33.4s", e, false, "0.03", 3));
}

}  // namespace
