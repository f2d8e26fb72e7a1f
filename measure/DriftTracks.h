#pragma once
// Start positions for frame N when plain tracking from the previous frame would
// not do: the straight drift line through two passed points, the offsets of
// objects A and C from the guide star B between two linked frames, and the
// predicted track fitted to an object's recent tracked positions.
//
// Objects are numbered 1..3 (A, B, C) in the names; arrays indexed by object
// use [object - 1].
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A marked position: -100 in every field means unset.
struct TrackPoint {
  static constexpr int32_t kUnset = -100;
  int32_t Frame = kUnset;
  int32_t X = kUnset;
  int32_t Y = kUnset;
  bool HasFrame() const { return Frame >= 0; }
  void Clear() { *this = TrackPoint{}; }
  friend bool operator==(const TrackPoint&, const TrackPoint&) = default;
};

// The frame number of a set point as the passed- and linked-point edits show
// it, or `unset_text` ("Frame1", "Frame2") when the point is unset.
std::string TrackPointFrameText(const TrackPoint& p, std::string_view unset_text);

// Slot0 is the spare slot used for swapping; Frame1 and Frame2 define the drift.
struct PassedPointSet {
  TrackPoint Slot0, Frame1, Frame2;
};
using PassedPointTable = std::array<PassedPointSet, 3>;

struct LinkedPointSet {
  TrackPoint Begin, End;
};
using LinkedPointTable = std::array<LinkedPointSet, 3>;

// 'Set' of the linked 'Begin' or 'End' point: every object's (frame, x, y).
// Once object A has both points, an object whose Begin comes after its End
// gets the two swapped.
enum class LinkedPointKind { Begin, End };
void SetLinkedPoints(LinkedPointTable& points, LinkedPointKind which, int32_t frame,
                     const std::array<std::array<int32_t, 2>, 3>& positions);

// Drift start position of an object at frame N from its 'Frame1' and 'Frame2'
// points. Only when both have frames of 0 or more and differ; otherwise x and y
// are left as they are and false is returned. A position beyond the right or
// bottom edge (grabbed frame size) or left of / above 0 is moved along the drift
// line back onto that edge.
bool PredictDriftPosition(const PassedPointSet& points, int32_t frame, int32_t grabbed_width,
                          int32_t grabbed_height, int32_t& x, int32_t& y);

enum class LinkMotion { Shift, Rotate };

// Offsets of objects 1 and 3 from the guide (object 2) at one frame.
// ThirdLinked is false when object 3 has no 'Begin' or 'End' point of its own.
struct LinkedOffsets {
  int32_t Dx1 = 0, Dy1 = 0;
  int32_t Dx3 = 0, Dy3 = 0;
  bool ThirdLinked = true;
  friend bool operator==(const LinkedOffsets&, const LinkedOffsets&) = default;
};

// Interpolates (Shift) or rotates (Rotate) the offsets of objects 1 and 3 from
// the guide between the linked 'Begin' and 'End' points. Object 1's Begin and
// End frames are the time base; nothing when either is unset or they are equal,
// or when the guide has no Begin or End point of its own.
// Object 3 without both points of its own (added after they were marked) gets
// no offsets: it follows the guide's shift.
// Rotate: each object turns at its own angular rate, and the angle between
// Begin and End takes the short way round (difference in (-pi, pi]). Rows
// count 1.125 times as far as columns when frame_rate_rounded is 26 or more.
std::optional<LinkedOffsets> InterpolateLinkedOffsets(const LinkedPointTable& points, int32_t frame,
                                                      LinkMotion motion, int32_t frame_rate_rounded);

// Recent tracked positions of one object and the straight lines fitted to them.
struct PredictTrack {
  static constexpr int kRingSize = 1000;
  static constexpr int32_t kNoSlot = -1000;
  uint8_t Enabled = 0;
  int32_t FrameRange = 30;  // 10..300 in steps of 10
  int32_t LastSample = -1;  // number of stored samples minus 1
  int32_t RingIndex = -1;   // slot of the newest sample
  std::array<int32_t, kRingSize> Frames{};
  std::array<double, kRingSize> Xs{};
  std::array<double, kRingSize> Ys{};
  double SlopeX = 0, InterceptX = 0, SlopeY = 0, InterceptY = 0;
  double Spare1 = 0, Spare2 = 0;  // cleared together with the fit
};
using PredictTrackTable = std::array<PredictTrack, 3>;

// Empties the ring and turns the track on (at the start of a run or playback).
void ResetPredictTrack(PredictTrack& track);
// Appends one sample; the ring overwrites its oldest slot after 1000 samples.
void AddPredictTrackSample(PredictTrack& track, int32_t frame, double x, double y);
// Ring slot of sample j (0 newest, -1 the one before, ...), or kNoSlot when j > 0,
// j < -FrameRange or j < -LastSample.
int32_t PredictTrackRingIndex(const PredictTrack& track, int32_t j);
// Least-squares lines x(frame), y(frame) over the last FrameRange + 1 samples.
// 0 on success, 1 when fewer than 11 samples are stored (the fit is cleared).
int FitPredictTrack(PredictTrack& track);
int32_t PredictTrackX(const PredictTrack& track, int32_t frame);
int32_t PredictTrackY(const PredictTrack& track, int32_t frame);
