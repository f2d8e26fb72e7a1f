#include "support/FrameDriverRig.h"

#include <string>

FrameDriverRig::FrameDriverRig(Bitmap24 frame) : Frame(std::move(frame)) {
  Settings.ScrollMax = 9;
  Settings.ObjectCount = 3;
  Settings.SelectedObject = 1;
  Settings.ApertureRadius = 5;
  Settings.BackgroundInner = 7;
  Settings.BackgroundOuter = 14;
  Io.GrabFrame = [this](int, Bitmap24& bmp) {
    bmp = Frame;
    return std::string();
  };
}

void FrameDriverRig::Place(int k, int x, int y, TrackModeKind mode, int track_radius, int threshold_percent) {
  const int i = k - 1;
  SetObjectSetting(Lines, i, &ObjectResult::ApertureRadius, 5);
  SetObjectSetting(Lines, i, &ObjectResult::BackgroundInner, 7);
  SetObjectSetting(Lines, i, &ObjectResult::BackgroundOuter, 14);
  SetObjectSetting(Lines, i, &ObjectResult::TrackRadius, track_radius);
  SetObjectSetting(Lines, i, &ObjectResult::Threshold, threshold_percent);
  SetObjectSetting(Lines, i, &ObjectResult::TrackMode, mode);
  SetObjectSetting(Lines, i, &ObjectResult::PrevX, x);
  SetObjectSetting(Lines, i, &ObjectResult::PrevY, y);
  RebuildObjectMasks(State, Lines, Settings, k);
  TrackDisk& disk = State.Track[static_cast<size_t>(i)];
  ClearTrackMask(disk);
  BuildTrackMask(disk, track_radius, 1);
}

FrameOutcome FrameDriverRig::Show(int n) { return ShowNeighbor(State, Lines, Settings, n, Io, Steps); }

FrameContext FrameDriverRig::Context(int n) {
  State.FrameBitmap = Frame;
  return FrameContext{n, State.FrameBitmap, State, Lines, Settings};
}
