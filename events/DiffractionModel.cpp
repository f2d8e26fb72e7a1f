#include "events/DiffractionModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#if defined(__SSE2__) && defined(__x86_64__)
#include <immintrin.h>
#endif
#include <vector>

#include "base/NumberText.h"

namespace {
constexpr long double kPi = 3.14159265358979324L;
}

int FitExposureHalfWidth(long double rate, uint8_t field_mode) {
  if (!(rate > 0)) return 0;
  return static_cast<int>(std::floor(1000.0L / rate / (field_mode ? 4 : 2)));
}

int DrawExposureHalfWidth(long double timing_rate, long double rate, uint8_t field_mode) {
  // The fixed widths belong to single frames: an integrated block's exposure
  // is many frames long and is drawn as the fit averaged it.
  const bool single_frames = rate == timing_rate;
  if (single_frames && timing_rate == 29.97L) return field_mode ? 8 : 16;
  if (single_frames && timing_rate == 25.0L) return field_mode ? 9 : 19;
  if (!(rate > 0)) return 0;
  return static_cast<int>(RoundHalfAway(1000.0L / rate / (field_mode ? 4 : 2)));
}

long double ModelFrameRateFor(long double timing_rate, int32_t integration_count) {
  return integration_count >= 2 ? timing_rate / integration_count : timing_rate;
}

long double RecordVelocityFactor(int step, int32_t integration_count) {
  return static_cast<long double>(std::max(1, step)) / (integration_count >= 2 ? integration_count : 1);
}

namespace {

// Whether table indices of one wavelength can fall exactly on a half: the
// scale times 1e-7 s (0.001 of a factor times 0.1 ms) is a fraction with a
// small denominator, as at 480 nm for 384,000 km and 750 m/s (781,250 per s).
bool RoundScale(long double scale) {
  long double x = scale * 1e-7L;
  long double p0 = 1, q0 = 0, p1 = std::floor(x), q1 = 1;  // continued-fraction convergents
  const long double target = x;
  for (int i = 0; i < 24 && q1 <= 65536; ++i) {
    if (std::fabs(target - p1 / q1) <= 1e-15L * target) return true;
    const long double frac = x - std::floor(x);
    if (frac < 1e-18L) return false;
    x = 1 / frac;
    const long double a = std::floor(x);
    const long double p2 = a * p1 + p0, q2 = a * q1 + q0;
    p0 = p1, q0 = q1, p1 = p2, q1 = q2;
  }
  return false;
}

}  // namespace

DiffractionModel::DiffractionModel(const FresnelTables& tables, const SpectralModel& spectrum,
                                   const DiffractionParams& params)
    : tables_(tables), p_(params) {
  edge_ = tables.Edge.data() + kFresnelEdgeCentre;
  const long double D = static_cast<long double>(p_.ObjectDistance), V = p_.ObjectVelocity;
  valid_ = D > 0 && V > 0;
  for (int i = 0; i <= 80; ++i) {
    const int L = 400 + 5 * i;
    const long double s = valid_ ? std::sqrt(2.0L / (D / 1000000000.0L * L)) * V * 10000.0L : 0.0L;
    fresnel_scale_[static_cast<size_t>(L - 400)] = s;
    scale_[static_cast<size_t>(i)] = s;
    weight_[static_cast<size_t>(i)] = spectrum.SpectralWeight[static_cast<size_t>(L - 400)];
    round_scale_[static_cast<size_t>(i)] = valid_ && RoundScale(s);
  }
  if (valid_) disk_cross_time_ = D * kPi * (p_.StarAngularDiameter / 2.0L) / (V * 648000.0L);
  disk_strip_time_ = disk_cross_time_ / kDiskStripCount;
  const long double R = kDiskStripCount;
  for (int k = -kDiskStripCount; k <= kDiskStripCount; ++k) {
    const size_t i = static_cast<size_t>(k + kDiskStripCount);
    strip_offset_[i] = k * disk_strip_time_ / 1000.0L;
    strip_weight_[i] = 2.0L * std::sqrt(R * R - static_cast<long double>(k) * k) / (kPi * R * R);
  }
}

long double DiffractionModel::FresnelScale(int L) const {
  return L >= 400 && L <= 800 ? fresnel_scale_[static_cast<size_t>(L - 400)] : 0.0L;
}

namespace {

// u rounded to the nearest integer, ties to even: adding 2^63 to an x87
// extended value leaves no fraction bits, so the default rounding mode does
// the work (std::llrint on long double is a library call).
inline int64_t Nearest(long double u) {
  const long double r = u >= 0 ? (u + 0x1p63L) - 0x1p63L : (u - 0x1p63L) + 0x1p63L;
  return static_cast<int64_t>(static_cast<double>(r));
}

}  // namespace

inline long double DiffractionModel::Point(long double scale, long double t) const {
  const long double u = scale * t;
  if (!(std::fabs(u) <= static_cast<long double>(kFresnelTableLast) + 0.5L)) return u > 0 ? 1.0L : 0.0L;
  const int64_t n = Nearest(u);
  if (n > kFresnelTableLast) return 1.0L;
  if (n < -kFresnelTableLast) return 0.0L;
  return edge_[n];
}

namespace {

// u rounded to the nearest integer, ties to even (the default rounding
// mode): one instruction where there is one.
inline int64_t NearestDouble(double u) {
#if defined(__SSE2__) && defined(__x86_64__)
  return _mm_cvtsd_si64(_mm_set_sd(u));
#else
  return static_cast<int64_t>((u + 0x1.8p52) - 0x1.8p52);
#endif
}

}  // namespace

void DiffractionModel::StarDiskIntensities(const long double* arguments, size_t n, double* out) const {
  constexpr size_t kStrips = 2 * kDiskStripCount + 1;
  // u in double differs from the extended product by a few 1e-10 at most, so
  // a look-up takes the entry `StarDiskIntensity` takes unless u lies within
  // that of a half. Where halves occur exactly (round scales), and near and
  // beyond the table's ends, the extended evaluation decides.
  constexpr double kInside = static_cast<double>(kFresnelTableLast) + 0.5 - 1e-6;
  constexpr double kHalf = 0.5 - 1e-7;
  const size_t strips = p_.StarDiameterOn ? kStrips : 1;
  const long double no_offset = 0, one = 1;
  const long double* offset = p_.StarDiameterOn ? strip_offset_.data() : &no_offset;
  const long double* weight = p_.StarDiameterOn ? strip_weight_.data() : &one;
  double strip_weight[kStrips], strip_shift[kStrips];
  for (size_t i = 0; i < n; ++i) out[i] = 0;
  for (size_t L = 0; L < scale_.size(); ++L) {
    const long double scale = scale_[L];
    for (size_t k = 0; k < strips; ++k) {
      strip_shift[k] = static_cast<double>(scale * offset[k]);
      strip_weight[k] = static_cast<double>(weight[k]);
    }
    for (size_t i = 0; i < n; ++i) {
      const long double a = arguments[i];
      const double u = static_cast<double>(scale * a);
      double acc = 0;
      // The strips lie in increasing order: when the outer two fall inside
      // the table, all do.
      if (u + strip_shift[0] > -kInside && u + strip_shift[strips - 1] < kInside && !round_scale_[L]) {
        for (size_t k = 0; k < strips; ++k) acc += edge_[NearestDouble(u + strip_shift[k])] * strip_weight[k];
      } else if (u + strip_shift[0] > -kInside && u + strip_shift[strips - 1] < kInside) {
        for (size_t k = 0; k < strips; ++k) {
          const double v = u + strip_shift[k];
          const int64_t index = NearestDouble(v);
          const bool clear = std::fabs(v - static_cast<double>(index)) < kHalf;
          acc += (clear ? edge_[index] : static_cast<double>(Point(scale, a + offset[k]))) * strip_weight[k];
        }
      } else {
        for (size_t k = 0; k < strips; ++k) acc += static_cast<double>(Point(scale, a + offset[k])) * strip_weight[k];
      }
      out[i] += acc * static_cast<double>(weight_[L]);
    }
  }
}

long double DiffractionModel::PointSourceIntensity(long double t, int L) const { return Point(FresnelScale(L), t); }

long double DiffractionModel::PolychromaticIntensity(long double t) const {
  long double sum = 0;
  for (size_t i = 0; i < 81; ++i) sum += Point(scale_[i], t) * weight_[i];
  return sum;
}

long double DiffractionModel::StarDiskIntensity(long double t) const {
  if (!p_.StarDiameterOn) return PolychromaticIntensity(t);
  long double sum = 0;
  for (size_t i = 0; i < strip_offset_.size(); ++i) sum += PolychromaticIntensity(t + strip_offset_[i]) * strip_weight_[i];
  return sum;
}

long double DiffractionModel::RecordTime(int k) const {
  const long double r = k / p_.ModelFrameRate;
  return p_.FieldMode ? r / 2 : r;
}

long double DiffractionModel::ExposureSum(long double r, long double F, int64_t o, int d, long double B,
                                          long double A, int h) const {
  // Sub-step j lies o + 10 j tenths of a millisecond from the record: the
  // fit's look-up grid computes its arguments the same way.
  const int n = 2 * h + 1;
  if (!p_.DoubleStarFit) {
    // Wavelength by wavelength: the look-ups of one wavelength lie close
    // together in the table. The same terms as the mean over the sub-steps
    // of B + A I_j, summed in another order.
    thread_local std::vector<long double> args;
    args.resize(static_cast<size_t>(n));
    for (int j = -h; j <= h; ++j) args[static_cast<size_t>(j + h)] = F * d * ((o + 10 * j) / 10000.0L + r);
    long double total = 0;
    for (size_t L = 0; L < scale_.size(); ++L) {
      const long double scale = scale_[L];
      long double acc = 0;
      for (const long double a : args) {
        if (!p_.StarDiameterOn) {
          acc += Point(scale, a);
          continue;
        }
        long double disk = 0;
        for (size_t k = 0; k < strip_offset_.size(); ++k) disk += Point(scale, a + strip_offset_[k]) * strip_weight_[k];
        acc += disk;
      }
      total += acc * weight_[L];
    }
    return B + A * (total / n);
  }
  long double sum = 0;
  for (int j = -h; j <= h; ++j) {
    const long double a = F * d * ((o + 10 * j) / 10000.0L + r);
    const long double shifted = F * d * ((o + 10 * j + 10 * d * static_cast<int64_t>(p_.ComponentSeparation)) / 10000.0L + r);
    const long double I =
        (p_.ComponentWeight * StarDiskIntensity(shifted) + (1000 - p_.ComponentWeight) * StarDiskIntensity(a)) /
        1000.0L;
    sum += B + A * I;
  }
  return sum / n;
}

long double DiffractionModel::ExposureMean(long double r, long double F, int64_t o, int d, int h) const {
  return ExposureSum(r, F, o, d, 0.0L, 1.0L, h);
}

long double DiffractionModel::RecordValue(int k, long double F, int64_t o, int d, long double B, long double A,
                                          int h) const {
  return ExposureSum(RecordTime(k), F, o, d, B, A, h);
}
