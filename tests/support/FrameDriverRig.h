#pragma once
// One fixed frame behind the per-frame driver and the tracking steps, for
// tests that check what a frame's steps hand back.
#include "measure/TrackingHooks.h"

struct FrameDriverRig {
  Bitmap24 Frame;
  FrameDriverState State;
  DataLineBlocks Lines{};
  FrameDriverSettings Settings;
  TrackingState Tracking;
  TrackingOptions Options;
  TrackingHooks Steps{Tracking, Options};
  FrameIo Io;

  // Three objects, object 1 selected, frames 0..9 all showing `frame`.
  explicit FrameDriverRig(Bitmap24 frame);
  FrameDriverRig(const FrameDriverRig&) = delete;
  FrameDriverRig& operator=(const FrameDriverRig&) = delete;

  // Object k at (x, y) with radii 5 / 7 / 14, its masks and tracking disk built.
  void Place(int k, int x, int y, TrackModeKind mode, int track_radius = 8, int threshold_percent = 0);
  FrameOutcome Show(int n = 0);
  // The context of frame n for calling one step directly.
  FrameContext Context(int n = 0);
};
