#pragma once
// One tracking step moves an object's working position onto its star in the
// current frame: a thresholded centroid search, or a match of the object's
// fitted star profile that can fall back on the predicted track.
//
// Scans run in ascending offsets and a later candidate replaces the best one
// only when it is strictly better, so ties go to the earliest candidate.
// Row 0 of a frame is never read.
#include <array>
#include <cstdint>

#include "base/Bitmap24.h"
#include "base/PixelAspect.h"
#include "measure/ApertureMasks.h"
#include "measure/DriftTracks.h"
#include "measure/ImageFilters.h"
#include "measure/ProfileWindows.h"

// An object's fitted star profile, offsets -25..25 (dx outer, dy inner).
using ProfileModel = SquareWindow<25>;

// What the profile tracking and the profile fit keep per object between frames.
struct ObjectProfileState {
  ProfileModel Model;
  int MatchThresholdPercent = 0;  // copied from UpDown7 when the selected object's threshold changes
  double ReferenceValue = 0;      // net star value recorded by the last full profile fit
  double PsfWidth = 0;            // reference width s set at placement
};
using ObjectProfileTable = std::array<ObjectProfileState, 3>;

// Main-window choices read by the tracking steps and the profile fit.
struct TrackingSettings {
  int SmoothingIndex = 0;               // RadioGroup1 'Gaussian Filtre': 0 off, 1 3 x 3, 2 5 x 5
  const GammaTable* MeasureGamma = nullptr;  // the gamma table while GammaMode is 'Measure'
  bool PixelAspectCorrection = false;   // rows count 1.125 times as far
  bool EstimatedTrackChecked = false;   // CheckBox4 'Estimated track'
  bool PsfRefitPending = false;
};

struct CentroidTrackParams {
  int TrackRadius = 0;       // object's tracking radius, 0..25
  int ThresholdPercent = 0;  // object's threshold, percent of the peak, 0..99
  int SmoothingIndex = 0;    // RadioGroup1
};

// One centroid step from (x, y). Returns false (position unchanged) when no
// pixel above 0 lies in the tracking disk. The result is clamped to 0..width
// and 0..height (the width and height themselves included).
bool TrackStarByCentroid(const Bitmap24& bmp, const CentroidTrackParams& params, const TrackDisk& disk,
                         int32_t& x, int32_t& y);

// The outcome of one profile step.
struct ProfileTrackResult {
  double MatchedValue = 0;  // net star value at the best match of the last search
  bool Moved = false;       // the match moved the position
  bool Lost = false;        // the match fell below the threshold
  bool Predicted = false;   // the position came from the predicted track
  bool WideSearch = false;  // the guide was searched again over radius 25
};

// What one profile step of object k needs besides the frame.
struct ProfileTrackInputs {
  int Object = 1;            // 1..3; object 2 is the guide
  int TrackRadius = 0;       // object's tracking radius: search radius 1.4 r, move limit r
  bool EstimatedTrack = false;  // object's EstimatedTrack flag: matched positions feed its track
  const ApertureClasses* Classes = nullptr;  // object's aperture/background classes
};

// One profile-template step from (x, y) at frame `frame`.
ProfileTrackResult TrackStarByProfile(const Bitmap24& bmp, int32_t frame, const ProfileTrackInputs& in,
                                      const TrackingSettings& settings, const ObjectProfileState& profile,
                                      PredictTrack& track, int32_t& x, int32_t& y);

// Fills an object's profile model: A / exp(2 (d / s)^2), s raised to 1.
void BuildProfileModel(ProfileModel& model, long double width, long double amplitude, bool pixel_aspect_correction);

enum class MatchSearch { Narrow, Wide };

// The best offset of the model within the search disk and the net star value
// there (aperture sum less the background scaled to the aperture's count).
struct ProfileMatch {
  int U = 0, V = 0;    // column and row offset of the best match
  double Score = 0;    // root of the summed squared differences
  double Value = 0;    // net star value at (U, V)
};
// Scans every offset (u, v) with u^2 + v^2 <= R^2 (R = 25 when wide, else
// round-half-away(1.4 x track radius), at most 25), u outer, v inner.
ProfileMatch FindProfileMatch(MatchSearch search, const ProfileTrackWindow& window, double background,
                              const ProfileModel& model, const ApertureClasses& classes, int track_radius);

// One match of the step: finds the best offset, then moves (x, y) from the
// window centre (start_x, start_y) when the match is near enough and bright
// enough, or takes the predicted track when the star is lost. With no star in
// reach (every image pixel the search reads alike) the offset is (0, 0).
// Returns the matched net star value.
double MatchProfileTemplate(MatchSearch search, const ProfileTrackWindow& window, double background,
                            int32_t start_x, int32_t start_y, int frame_width, int frame_height, int32_t frame, const ProfileTrackInputs& in,
                            const TrackingSettings& settings, const ObjectProfileState& profile,
                            PredictTrack& track, int32_t& x, int32_t& y, ProfileTrackResult& result);
