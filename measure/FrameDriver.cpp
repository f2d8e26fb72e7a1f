#include "measure/FrameDriver.h"

#include <algorithm>

namespace {

size_t Idx(int k) { return static_cast<size_t>(k - 1); }

ObjectResult& Obj(DataLineBlocks& lines, size_t block, int k) { return lines[block].Objects[Idx(k)]; }

void SetPrev(DataLineBlocks& lines, int k, int x, int y) {
  for (auto& b : lines) {
    b.Objects[Idx(k)].PrevX = x;
    b.Objects[Idx(k)].PrevY = y;
  }
}

void SetCurrent(DataLineBlocks& lines, int k, int x, int y) {
  for (auto& b : lines) {
    b.Objects[Idx(k)].X = x;
    b.Objects[Idx(k)].Y = y;
  }
}

void MovePrev(DataLineBlocks& lines, int k, int dx, int dy) {
  for (auto& b : lines) {
    b.Objects[Idx(k)].PrevX += dx;
    b.Objects[Idx(k)].PrevY += dy;
  }
}

// Per-frame working values of ProcessFrame (x[k], y[k] and the link bookkeeping).
struct Work {
  std::array<int, 3> x{}, y{};
  std::array<int, 3> pre_x{}, pre_y{};  // positions before tracking (Link)
  int guide_x = 0, guide_y = 0;         // object 2 before its tracking step
  int link_dx = 0, link_dy = 0;
};

class Driver {
 public:
  Driver(FrameDriverState& state, RunFlags run, DataLineBlocks& lines, const FrameDriverSettings& s, int n,
         FrameIo& io, FrameDriverHooks& hooks)
      : st_(state), run_(run), lines_(lines), s_(s), n_(n), io_(io), hooks_(hooks),
        ctx_{n, state.FrameBitmap, state, lines, s} {}

  FrameOutcome ProcessFrame();
  FrameOutcome ShowFieldImage();

 private:
  bool Fetch(FrameOutcome& out);
  void ProcessObject(int k, bool refit_copy, FrameOutcome& out);
  void TrackAndPlace(int k, FrameOutcome& out);
  void Drift(int k, FrameOutcome& out);
  void Measure(int k, FrameOutcome& out);
  void SignalsAndBookkeeping(int k, FrameOutcome& out);
  void SetMagnifier(int k) {
    if (s_.DirectionSettingMode) return;
    st_.MagnifierX[Idx(k)] = w_.x[Idx(k)];
    st_.MagnifierY[Idx(k)] = w_.y[Idx(k)];
  }
  ObjectPosition At(int k) const { return {w_.x[Idx(k)], w_.y[Idx(k)]}; }
  void Step(int k, FrameOutcome& out) {
    const ObjectPosition p = hooks_.TrackStep(ctx_, k, At(k));
    w_.x[Idx(k)] = p.X;
    w_.y[Idx(k)] = p.Y;
    if (k == s_.SelectedObject) out.ShownPosition = p;
  }
  void EndChecks(FrameOutcome& out);

  FrameDriverState& st_;
  RunFlags run_;
  DataLineBlocks& lines_;
  const FrameDriverSettings& s_;
  int n_;
  FrameIo& io_;
  FrameDriverHooks& hooks_;
  FrameContext ctx_;
  Work w_;
  bool signals_read_ = false;
};

bool Driver::Fetch(FrameOutcome& out) {
  if (!io_.GrabFrame) {
    out.GrabError = "Fail to get a bitmap.\r\n";
    return false;
  }
  out.GrabError = io_.GrabFrame(n_, st_.FrameBitmap);
  return out.GrabError.empty();
}

FrameOutcome Driver::ProcessFrame() {
  FrameOutcome out;
  out.Frame = n_;
  if (n_ < 0 || n_ > s_.ScrollMax) {
    out.BlackFrame = true;
    EndChecks(out);
    return out;
  }
  if (!s_.DirectionSettingMode) {
    const bool fetched = Fetch(out);
    if (!fetched && run_.MeasuringRun) {
      // A failed read during a run must not add rows of a blank frame: end the
      // run and stop the timer before the caller shows the box.
      run_.MeasuringRun = false;
      run_.SingleFrameRun = false;
      out.StopTimer = true;
      return out;
    }
    // A failed read leaves the frame filtered last time: filtering it again
    // would brighten, blur or turn it further with every redraw.
    if (fetched) ApplyFrameFilters(st_.FrameBitmap, s_.Filters, st_.Gamma);
  }

  const bool refit_copy = st_.PsfRefitPending;
  st_.PsfRefitPending = false;
  // Only a rectangle measured in this frame gives its rows a limb profile.
  st_.Limb.fill(0);
  int count = 0;
  const std::array<int, 3> order = ObjectOrder(s_.ObjectCount, count);
  for (int i = 0; i < count; ++i) ProcessObject(order[static_cast<size_t>(i)], refit_copy, out);
  // A placement request for an object that is not tracked this frame must not
  // linger into later frames.
  st_.PositionJustSet = false;
  st_.PsfRefitKeepsRadii = false;
  out.Measured = true;

  if (io_.AfterObjects) io_.AfterObjects(ctx_);
  if (run_.MeasuringRun) {
    if (io_.AppendRows) io_.AppendRows(lines_);
    out.RowsAppended = 1;
    run_.LastMeasuredFrame = n_;
    if (n_ == s_.ScrollMax) {
      run_.MeasuringRun = false;
      out.RunEnded = true;
    }
  }
  EndChecks(out);
  return out;
}

void Driver::EndChecks(FrameOutcome& out) {
  if (run_.SingleFrameRun) {
    run_.MeasuringRun = false;
    run_.SingleFrameRun = false;
  }
  if (n_ >= s_.ScrollMax) {
    out.StopTimer = true;
    run_.MeasuringRun = false;
  }
}

void Driver::ProcessObject(int k, bool refit_copy, FrameOutcome& out) {
  const size_t i = Idx(k);
  w_.x[i] = Obj(lines_, 0, k).PrevX;
  w_.y[i] = Obj(lines_, 0, k).PrevY;
  if (refit_copy && k == s_.SelectedObject) st_.PsfRefitPending = true;
  if (s_.Link && k != 2) {
    w_.pre_x[i] = w_.x[i];
    w_.pre_y[i] = w_.y[i];
  }
  SetMagnifier(k);
  if (st_.PsfRefitPending) {
    out.LastRefit = hooks_.RefitStarProfile(ctx_, k, At(k));
    st_.PsfRefitPending = false;
  }
  // The direction belongs to the selected object, so the request is consumed there.
  if (st_.OptimizeDirectionNow && k == s_.SelectedObject) {
    if (s_.AutoRectangleDirection) hooks_.OptimizeDirection(ctx_, k, At(k));
    st_.OptimizeDirectionNow = false;
  }

  const auto mode = static_cast<TrackModeKind>(Obj(lines_, 0, k).TrackMode);
  if (mode == TrackModeKind::Off || mode == TrackModeKind::FromLoadedCsv) {
    if (k == s_.SelectedObject) out.ShownPosition = At(k);
  } else {
    TrackAndPlace(k, out);
  }

  st_.ObjectX[i] = w_.x[i];
  st_.ObjectY[i] = w_.y[i];
  if (io_.ObjectPositioned) io_.ObjectPositioned(ctx_, k);
  if (s_.DirectionSettingMode) RebuildObjectMasks(st_, lines_, s_, s_.SelectedObject);
  Measure(k, out);
  SignalsAndBookkeeping(k, out);
}

void Driver::TrackAndPlace(int k, FrameOutcome& out) {
  const size_t i = Idx(k);
  if (k == 2 && s_.Link) {
    w_.guide_x = w_.x[i];
    w_.guide_y = w_.y[i];
  }
  Step(k, out);
  if (k == 2 && s_.Link) {
    w_.link_dx = w_.x[i] - w_.guide_x;
    w_.link_dy = w_.y[i] - w_.guide_y;
  }
  SetMagnifier(k);
  // Link without a drifting guide: the object follows the guide's shift from
  // where it stood.
  if (s_.Link && k != 2 && Obj(lines_, 0, 2).TrackMode != static_cast<uint8_t>(TrackModeKind::Drift)) {
    w_.x[i] = w_.pre_x[i] + w_.link_dx;
    w_.y[i] = w_.pre_y[i] + w_.link_dy;
    SetMagnifier(k);
  }
  SetCurrent(lines_, k, w_.x[i], w_.y[i]);

  if (st_.PositionJustSet) {
    const bool any_placed = std::any_of(st_.ObjectBeingPlaced.begin(), st_.ObjectBeingPlaced.end(),
                                        [](bool b) { return b; });
    if (st_.ObjectBeingPlaced[i]) {
      SetPrev(lines_, k, w_.x[i], w_.y[i]);
      SetCurrent(lines_, k, w_.x[i], w_.y[i]);
      st_.PositionJustSet = false;
      SetMagnifier(k);
      return;
    }
    if (!any_placed) {
      st_.PositionJustSet = false;
      SetMagnifier(k);
      return;
    }
  }
  if (Obj(lines_, 0, k).TrackMode != static_cast<uint8_t>(TrackModeKind::Drift)) return;
  Drift(k, out);
}

void Driver::Drift(int k, FrameOutcome& out) {
  const size_t i = Idx(k);
  if (const std::optional<ObjectPosition> start = hooks_.DriftStart(ctx_, k, At(k))) {
    w_.x[i] = start->X;
    w_.y[i] = start->Y;
    SetPrev(lines_, k, start->X, start->Y);
    Step(k, out);
    SetCurrent(lines_, k, w_.x[i], w_.y[i]);
  } else {
    SetPrev(lines_, k, w_.x[i], w_.y[i]);
    SetCurrent(lines_, k, w_.x[i], w_.y[i]);
    const int limit = st_.ObjectBeingPlaced[i] ? 1 : 5;
    for (int step = 0; step < limit; ++step) {
      Step(k, out);
      const int dx = w_.x[i] - Obj(lines_, 0, k).X;
      const int dy = w_.y[i] - Obj(lines_, 0, k).Y;
      SetPrev(lines_, k, w_.x[i], w_.y[i]);
      SetCurrent(lines_, k, w_.x[i], w_.y[i]);
      if (dx == 0 && dy == 0) break;
    }
  }
  SetMagnifier(k);
  if (k != 2 || !s_.Link) return;
  const int gx = w_.x[i], gy = w_.y[i];
  const std::optional<GuideLinkOffsets> off = hooks_.GuideOffsets(ctx_);
  if (!off || !off->ThirdLinked) {
    w_.link_dx = gx - w_.guide_x;
    w_.link_dy = gy - w_.guide_y;
    MovePrev(lines_, 3, w_.link_dx, w_.link_dy);
  }
  if (!off) {
    MovePrev(lines_, 1, w_.link_dx, w_.link_dy);
    return;
  }
  SetPrev(lines_, 1, gx + off->Dx1, gy + off->Dy1);
  if (off->ThirdLinked) SetPrev(lines_, 3, gx + off->Dx3, gy + off->Dy3);
}

void Driver::Measure(int k, FrameOutcome& out) {
  const size_t i = Idx(k);
  const ObjectResult& o = Obj(lines_, 0, k);
  if (s_.PsfPhotometry) {
    std::optional<PsfFitResult> fit = hooks_.MeasurePsf(ctx_, k, At(k));
    if (fit && k == s_.SelectedObject) out.SelectedPsf = fit;
    // The fit has no peak of its own; the peak column must still be this
    // frame's, so it takes what the aperture would read here.
    ApertureSums sums{};
    if (o.BackgroundForm != 3)
      sums = SumAperturePixels(st_.FrameBitmap, st_.Classes[i], o.BackgroundOuter, w_.x[i], w_.y[i]);
    for (size_t j = 0; j < 3; ++j) lines_[j].Objects[i].Peak = StoredPeak(sums, j, s_.Aperture);
    return;
  }
  ApertureMeasureContext m;
  m.Classes = &st_.Classes[i];
  m.BackgroundForm = o.BackgroundForm;
  m.BackgroundOuter = o.BackgroundOuter;
  m.Reference = &st_.Rectangles[i];
  m.Profile = &st_.Limb;
  const ApertureSums sums = StoreApertureResult(st_.FrameBitmap, k, lines_, w_.x[i], w_.y[i], m, s_.Aperture);
  if (k == s_.SelectedObject) {
    out.HasSelectedSums = true;
    out.SelectedSums = sums;
  }
}

void Driver::SignalsAndBookkeeping(int k, FrameOutcome& out) {
  const SignalSettings& sig = s_.Signals;
  if (sig.SignalMarkersOn) {
    // The areas are frame-wide: read once, written into every block.
    if (!signals_read_) {
      out.Signal1 = DetectSignal1(st_.FrameBitmap, sig.Signal1, sig.Threshold);
      out.Signal2Detected = DetectSignal2(st_.FrameBitmap, sig.Signal2X, sig.Signal2Y, sig.Threshold,
                                          sig.TimeStampMode);
      signals_read_ = true;
    }
    for (auto& b : lines_) {
      b.Signal1Detected = out.Signal1->Detected ? 1 : 0;
      b.Signal1Level = out.Signal1->Level;
      if (out.Signal2Detected) b.Signal2Detected = *out.Signal2Detected ? 1 : 0;
      if (sig.SoundGraphOpen) {
        b.Signal1Detected = sig.SoundSignalDetected ? 1 : 0;
        b.SoundNote = st_.PendingSoundNote;
      } else {
        // The note of the last frame shown with the sound display open is not this frame's.
        b.SoundNote.clear();
      }
    }
    if (!sig.SoundGraphOpen) st_.PendingSoundNote.clear();
  } else {
    // Without the signal boxes no row carries a sound note.
    for (auto& b : lines_) b.SoundNote.clear();
  }

  const ObjectResult& o = Obj(lines_, 0, k);
  if (k == 1) out.SameValueWarning = st_.SameValue.IsSame(o.Value, o.ApertureSum, o.BackgroundSum);
  st_.SameValue.Store(o.Value, o.ApertureSum, o.BackgroundSum);

  const BkgLineGeometry& g = st_.Geometry[Idx(k)];
  for (auto& b : lines_) {
    b.FrameNumberX10 = 10 * n_;
    ObjectResult& r = b.Objects[Idx(k)];
    if (k == s_.SelectedObject) {
      r.ApertureRadius = s_.ApertureRadius;
      r.BackgroundInner = s_.BackgroundInner;
      r.BackgroundOuter = s_.BackgroundOuter;
      r.BandWidth = s_.BandWidth;
      r.Gap = s_.Gap;
      r.Threshold = s_.Threshold;
      r.SyncTracking = s_.SyncTracking ? 1 : 0;
    }
    r.DirectionX = g.DirectionX;
    r.DirectionY = g.DirectionY;
  }
}

FrameOutcome Driver::ShowFieldImage() {
  FrameOutcome out;
  out.Frame = n_;
  if (n_ < 0 || n_ > s_.ScrollMax) return out;
  if (!Fetch(out)) return out;
  out.FieldImage = SplitFieldRows(st_.FrameBitmap);
  return out;
}

// Clears the guard on every way out.
struct ReentryGuard {
  bool& flag;
  explicit ReentryGuard(bool& f) : flag(f) { flag = true; }
  ~ReentryGuard() { flag = false; }
};

}  // namespace

std::array<int, 3> ObjectOrder(int object_count, int& n) {
  if (object_count <= 1) {
    n = 1;
    return {1, 0, 0};
  }
  if (object_count == 2) {
    n = 2;
    return {2, 1, 0};
  }
  n = 3;
  return {2, 3, 1};
}

Bitmap24 SplitFieldRows(const Bitmap24& frame) {
  Bitmap24 field(frame.Width(), frame.Height());
  const int half = frame.Height() / 2;
  const size_t bytes = static_cast<size_t>(frame.Width()) * 3;
  for (int i = 0; i < half; ++i) {
    std::copy_n(frame.Row(2 * i), bytes, field.Row(i));
    std::copy_n(frame.Row(2 * i + 1), bytes, field.Row(half + i));
  }
  return field;
}

MaskSettings MaskSettingsFor(const DataLineBlocks& lines, const FrameDriverSettings& s, int k) {
  const ObjectResult& o = lines[0].Objects[Idx(k)];
  MaskSettings m;
  m.ApertureRadius = o.ApertureRadius;
  m.BackgroundInner = o.BackgroundInner;
  m.BackgroundOuter = o.BackgroundOuter;
  m.BackgroundForm = o.BackgroundForm;
  // The Gap and Width controls show the selected object; the others keep theirs.
  m.Gap = k == s.SelectedObject ? s.Gap : o.Gap;
  m.Width = k == s.SelectedObject ? s.BandWidth : o.BandWidth;
  m.RectangleWidth = s.RectangleWidth[Idx(k)];
  m.RectangleHeight = s.RectangleHeight[Idx(k)];
  m.CutBkgUpperSide = s.CutBkgUpperSide;
  m.CutBkgLowerSide = s.CutBkgLowerSide;
  return m;
}

std::optional<std::pair<int, int>> RebuildObjectMasks(FrameDriverState& state, const DataLineBlocks& lines,
                                                      const FrameDriverSettings& s, int k) {
  if (k < 1 || k > 3) return std::nullopt;
  ApertureClasses& map = state.Classes[Idx(k)];
  const MaskSettings m = MaskSettingsFor(lines, s, k);
  BuildObjectMasks(map, state.Geometry[Idx(k)], m);
  if (m.BackgroundForm == 3) return std::nullopt;
  return std::pair{CountClassCells(map, 1), CountClassCells(map, 2)};
}

FrameOutcome ShowNeighbor(FrameDriverState& state, DataLineBlocks& lines, const FrameDriverSettings& settings,
                          int position, FrameIo& io, FrameDriverHooks& hooks) {
  return ShowNeighbor(state, RunFlags{state.MeasuringRun, state.SingleFrameRun, state.LastMeasuredFrame}, lines,
                      settings, position, io, hooks);
}

FrameOutcome ShowNeighbor(FrameDriverState& state, RunFlags run, DataLineBlocks& lines,
                          const FrameDriverSettings& settings, int position, FrameIo& io, FrameDriverHooks& hooks) {
  if (state.InDriver) {
    FrameOutcome out;
    out.Frame = position;
    out.Reentered = true;
    return out;
  }
  ReentryGuard guard(state.InDriver);
  std::array<uint8_t, 3> forms{};
  for (size_t i = 0; i < 3; ++i) forms[i] = lines[0].Objects[i].BackgroundForm;
  Driver driver(state, run, lines, settings, position, io, hooks);
  FrameOutcome out = settings.ShowField ? driver.ShowFieldImage() : driver.ProcessFrame();
  for (size_t i = 0; i < 3; ++i) lines[0].Objects[i].BackgroundForm = forms[i];
  return out;
}
