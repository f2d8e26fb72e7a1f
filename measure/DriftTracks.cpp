#include "measure/DriftTracks.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <utility>

#include "base/NumberText.h"

namespace {

// Nearest integer, halves to even, held within the 32-bit range (0 for NaN):
// marks far outside any frame must not overflow.
int32_t RoundEven(long double v) {
  if (std::isnan(v)) return 0;
  v = std::clamp<long double>(v, INT32_MIN, INT32_MAX);
  return static_cast<int32_t>(RoundHalfEven(v));
}

int32_t RoundAway(long double v) {
  if (std::isnan(v)) return 0;
  v = std::clamp<long double>(v, INT32_MIN, INT32_MAX);
  return static_cast<int32_t>(RoundHalfAway(v));
}

// Angle of an offset with the row scaled by a, in -pi/2 .. 3 pi/2.
double OffsetAngle(double u, double v, double a) {
  if (u > 0) return std::atan((v * a) / u);
  if (u < 0) return std::atan((v * a) / u) + std::numbers::pi;
  return v >= 0 ? std::numbers::pi / 2 : 3 * std::numbers::pi / 2;
}

// Rotated offset (x, y) of one object: the angle moves linearly from Begin at
// its own rate over the shorter arc; the distance is the mean of both ends.
void RotateOffset(double ub, double vb, double ue, double ve, double a, double t, double total,
                  int32_t& out_x, int32_t& out_y) {
  const double begin_angle = OffsetAngle(ub, vb, a);
  double turn = OffsetAngle(ue, ve, a) - begin_angle;
  while (turn > std::numbers::pi) turn -= 2 * std::numbers::pi;
  while (turn <= -std::numbers::pi) turn += 2 * std::numbers::pi;
  const double distance =
      (std::sqrt((vb * a) * (vb * a) + ub * ub) + std::sqrt((ve * a) * (ve * a) + ue * ue)) / 2;
  const double angle = begin_angle + t * (turn / total);
  out_x = RoundEven(distance * std::cos(angle));
  out_y = RoundEven(distance * std::sin(angle) / a);
}

}  // namespace

std::string TrackPointFrameText(const TrackPoint& p, std::string_view unset_text) {
  if (!p.HasFrame()) return std::string(unset_text);
  return FormatInt(p.Frame);
}

void SetLinkedPoints(LinkedPointTable& points, LinkedPointKind which, int32_t frame,
                     const std::array<std::array<int32_t, 2>, 3>& positions) {
  for (size_t k = 0; k < 3; ++k) {
    TrackPoint& p = which == LinkedPointKind::Begin ? points[k].Begin : points[k].End;
    p = {frame, positions[k][0], positions[k][1]};
  }
  if (!points[0].Begin.HasFrame() || !points[0].End.HasFrame()) return;
  for (auto& set : points)
    if (set.Begin.Frame > set.End.Frame) std::swap(set.Begin, set.End);
}

bool PredictDriftPosition(const PassedPointSet& points, int32_t frame, int32_t grabbed_width,
                          int32_t grabbed_height, int32_t& x, int32_t& y) {
  const TrackPoint& p1 = points.Frame1;
  const TrackPoint& p2 = points.Frame2;
  if (!p1.HasFrame() || !p2.HasFrame() || p1.Frame == p2.Frame) return false;
  const double x1 = p1.X, y1 = p1.Y;
  const double vx = (static_cast<double>(p2.X) - x1) / (static_cast<double>(p2.Frame) - p1.Frame);
  const double vy = (static_cast<double>(p2.Y) - y1) / (static_cast<double>(p2.Frame) - p1.Frame);
  const double lead = static_cast<double>(p1.Frame) - frame;
  int32_t px = RoundEven(x1 - lead * vx);
  int32_t py = RoundEven(y1 - lead * vy);
  // A zero rate only guards the divisions; the products keep the true rate,
  // so a horizontal drift stays on its row when it is put back on an edge.
  const double vx_div = vx == 0 ? 1.0 : vx;
  const double vy_div = vy == 0 ? 1.0 : vy;
  if (px < 0) {
    px = 0;
    py = std::max(0, RoundEven(y1 - x1 / vx_div * vy));
  }
  if (py < 0) {
    py = 0;
    px = std::max(0, RoundEven(x1 - y1 / vy_div * vx));
  }
  if (px > grabbed_width) {
    px = grabbed_width;
    py = std::max(0, RoundEven((grabbed_width - x1) / vx_div * vy + y1));
  }
  if (py > grabbed_height) {
    py = grabbed_height;
    px = std::max(0, RoundEven((grabbed_height - y1) / vy_div * vx + x1));
  }
  x = px;
  y = py;
  return true;
}

std::optional<LinkedOffsets> InterpolateLinkedOffsets(const LinkedPointTable& points, int32_t frame,
                                                      LinkMotion motion, int32_t frame_rate_rounded) {
  const TrackPoint& b1 = points[0].Begin;
  const TrackPoint& e1 = points[0].End;
  if (!b1.HasFrame() || !e1.HasFrame() || b1.Frame == e1.Frame) return std::nullopt;
  const LinkedPointSet& guide = points[1];
  // Offsets from a guide without marks of its own would count from the unset
  // value, far off the frame.
  if (!guide.Begin.HasFrame() || !guide.End.HasFrame()) return std::nullopt;
  const double t = static_cast<double>(frame) - b1.Frame;
  const double total = static_cast<double>(e1.Frame) - b1.Frame;
  // Begin and End offsets of object `index` from the guide.
  auto offsets = [&](int index, double& ub, double& vb, double& ue, double& ve) {
    ub = static_cast<double>(points[index].Begin.X) - guide.Begin.X;
    vb = static_cast<double>(points[index].Begin.Y) - guide.Begin.Y;
    ue = static_cast<double>(points[index].End.X) - guide.End.X;
    ve = static_cast<double>(points[index].End.Y) - guide.End.Y;
  };
  LinkedOffsets out;
  double ub1, vb1, ue1, ve1, ub3, vb3, ue3, ve3;
  offsets(0, ub1, vb1, ue1, ve1);
  offsets(2, ub3, vb3, ue3, ve3);
  out.ThirdLinked = points[2].Begin.HasFrame() && points[2].End.HasFrame();
  if (!out.ThirdLinked) ub3 = vb3 = ue3 = ve3 = 0;
  if (motion == LinkMotion::Shift) {
    out.Dx1 = RoundEven(ub1 + t * (ue1 - ub1) / total);
    out.Dy1 = RoundEven(vb1 + t * (ve1 - vb1) / total);
    out.Dx3 = RoundEven(ub3 + t * (ue3 - ub3) / total);
    out.Dy3 = RoundEven(vb3 + t * (ve3 - vb3) / total);
    return out;
  }
  const double a = frame_rate_rounded < 26 ? 1.0 : 1.125;
  RotateOffset(ub1, vb1, ue1, ve1, a, t, total, out.Dx1, out.Dy1);
  RotateOffset(ub3, vb3, ue3, ve3, a, t, total, out.Dx3, out.Dy3);
  return out;
}

void ResetPredictTrack(PredictTrack& track) {
  track.Enabled = 1;
  track.LastSample = -1;
  track.RingIndex = -1;
  track.Frames.fill(0);
  track.Xs.fill(100.0);
  track.Ys.fill(100.0);
}

namespace {
void ClearPredictFit(PredictTrack& track) {
  track.SlopeX = track.InterceptX = track.SlopeY = track.InterceptY = 0;
  track.Spare1 = track.Spare2 = 0;
}
}  // namespace

void AddPredictTrackSample(PredictTrack& track, int32_t frame, double x, double y) {
  if (track.LastSample < INT32_MAX) ++track.LastSample;
  ++track.RingIndex;
  if (track.RingIndex >= PredictTrack::kRingSize) track.RingIndex = 0;
  track.Frames[track.RingIndex] = frame;
  track.Xs[track.RingIndex] = x;
  track.Ys[track.RingIndex] = y;
  ClearPredictFit(track);
}

int32_t PredictTrackRingIndex(const PredictTrack& track, int32_t j) {
  if (j > 0 || j < -track.FrameRange || j < -track.LastSample) return PredictTrack::kNoSlot;
  if (track.RingIndex < 0) return PredictTrack::kNoSlot;
  if (j >= -track.RingIndex) return track.RingIndex + j;
  return PredictTrack::kRingSize + (track.RingIndex + j);
}

int FitPredictTrack(PredictTrack& track) {
  if (track.LastSample < 10) {
    ClearPredictFit(track);
    return 1;
  }
  double m = 0, sf = 0, sff = 0, sfx = 0, sx = 0, sfy = 0, sy = 0;
  for (int32_t j = -track.FrameRange; j <= 0; ++j) {
    const int32_t slot = PredictTrackRingIndex(track, j);
    if (slot < 0) continue;
    const double f = track.Frames[slot];
    m += 1;
    sf += f;
    sff += f * f;
    sfx += f * track.Xs[slot];
    sx += track.Xs[slot];
    sfy += f * track.Ys[slot];
    sy += track.Ys[slot];
  }
  double d = m * sff - sf * sf;
  if (d <= 1e-16) {
    // Every sample from one frame: no slope can be told, and dividing by a
    // stand-in for zero would put the track at (0, 0). The mean position holds.
    ClearPredictFit(track);
    track.InterceptX = sx / m;
    track.InterceptY = sy / m;
    return 0;
  }
  track.SlopeX = (m * sfx - sf * sx) / d;
  track.InterceptX = (sff * sx - sfx * sf) / d;
  track.SlopeY = (m * sfy - sf * sy) / d;
  track.InterceptY = (sff * sy - sfy * sf) / d;
  return 0;
}

int32_t PredictTrackX(const PredictTrack& track, int32_t frame) {
  return RoundAway(static_cast<long double>(frame) * track.SlopeX + track.InterceptX);
}

int32_t PredictTrackY(const PredictTrack& track, int32_t frame) {
  return RoundAway(static_cast<long double>(frame) * track.SlopeY + track.InterceptY);
}
