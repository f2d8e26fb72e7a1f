#pragma once
// The light a camera records when a straight edge passes in front of a star:
// the Fresnel pattern of the edge, weighted over the spectrum, spread over the
// star's disk and averaged over each exposure. Time t in seconds from the
// geometric edge crossing; the intensity is 0 deep in the shadow and 1 far
// outside it.
#include <array>
#include <cstddef>
#include <cstdint>

#include "events/FresnelTables.h"
#include "events/SpectralModel.h"

struct DiffractionParams {
  int64_t ObjectDistance = 384000000;  // metres
  long double ObjectVelocity = 750;    // m/s
  uint8_t StarDiameterOn = 0;
  double StarAngularDiameter = 0;      // milliarcseconds
  uint8_t DoubleStarFit = 0;
  int32_t ComponentSeparation = 0;     // ms between the two components' events
  int32_t ComponentWeight = 500;       // first component's share, per mille
  long double ModelFrameRate = 29.97;  // exposures per second
  uint8_t FieldMode = 0;               // records are video fields
  // Exposures per second of model time where one exposure is shorter than the
  // records' spacing (every n-th frame measured); 0: `ModelFrameRate`.
  long double ExposureRate = 0;

  bool operator==(const DiffractionParams&) const = default;
};

// The rate the exposure half-widths follow.
inline long double ExposureRateOf(const DiffractionParams& p) {
  return p.ExposureRate > 0 ? p.ExposureRate : p.ModelFrameRate;
}

// Exposure half-width in ms: the fit's rule and the drawing's rule.
int FitExposureHalfWidth(long double model_frame_rate, uint8_t field_mode);
int DrawExposureHalfWidth(long double timing_frame_rate, long double model_frame_rate, uint8_t field_mode);
// The timing frame rate divided by the integration count when that is 2 or more.
long double ModelFrameRateFor(long double timing_frame_rate, int32_t integration_count);
// The model spaces its records by one exposure (an integration block of an
// integrated video): the shadow's speed is scaled so that it covers in one
// model record the ground it covers between two records of the table, which
// lie `step` frames apart. Also the exposures from one record to the next.
long double RecordVelocityFactor(int step, int32_t integration_count);

class DiffractionModel {
 public:
  static constexpr int kDiskStripCount = 50;

  DiffractionModel(const FresnelTables& tables, const SpectralModel& spectrum, const DiffractionParams& params);

  // Distance and velocity above zero: otherwise the model has no scale.
  bool Valid() const { return valid_; }
  const DiffractionParams& Params() const { return p_; }
  long double FresnelScale(int wavelength_nm) const;
  long double DiskCrossTime() const { return disk_cross_time_; }  // ms
  long double DiskStripTime() const { return disk_strip_time_; }  // ms

  long double PointSourceIntensity(long double t, int wavelength_nm) const;
  long double PolychromaticIntensity(long double t) const;
  long double StarDiskIntensity(long double t) const;
  // Mean over the sub-steps j = -h..h (ms) of `StarDiskIntensity` at
  // F d (j / 1000 + o / 10000 + r), or of the two-component mix; o in 0.1 ms,
  // d +1 for a reappearance, -1 for a disappearance.
  long double ExposureMean(long double record_time_s, long double factor, int64_t offset, int direction,
                           int half_width) const;
  // B + A x the exposure mean of the record at offset k from the selection.
  long double RecordValue(int k, long double factor, int64_t offset, int direction, long double base,
                          long double amplitude, int half_width) const;
  // Seconds of the record at offset k.
  long double RecordTime(int k) const;
  // `StarDiskIntensity` of a single star at each of the n arguments (already
  // multiplied by F d), in double arithmetic: the same table entries summed
  // in another order, for the fit's look-up grid. Arguments in time order
  // keep the look-ups of one wavelength close together in the table.
  void StarDiskIntensities(const long double* arguments, size_t n, double* out) const;

 private:
  long double Point(long double u_scale, long double t) const;
  long double ExposureSum(long double record_time_s, long double factor, int64_t offset, int direction,
                          long double base, long double amplitude, int half_width) const;

  const FresnelTables& tables_;
  const double* edge_ = nullptr;  // the signed table, at index 0
  DiffractionParams p_;
  bool valid_ = false;
  std::array<long double, 401> fresnel_scale_{};
  // The 81 grid wavelengths: scale and weight side by side for the inner loop.
  std::array<long double, 81> scale_{};
  std::array<long double, 81> weight_{};
  std::array<bool, 81> round_scale_{};  // indices may fall exactly on a half
  long double disk_cross_time_ = 0, disk_strip_time_ = 0;
  std::array<long double, 2 * kDiskStripCount + 1> strip_offset_{}, strip_weight_{};
};
