#pragma once
// The per-frame driver without the window: fetch frame N, filter it, move
// each object onto its star (through hooks), measure every object into the
// three result blocks (whole frame, field 1, field 2), read the LED signal
// areas and, during a run, hand the blocks to the results table.
//
// The main window calls ShowNeighbor with a snapshot of its controls
// (FrameDriverSettings), the frame position, a frame source and a row sink
// (FrameIo, with its drawing and stamp callbacks) and the tracking/PSF steps
// (FrameDriverHooks); it then acts on the returned FrameOutcome (error box,
// timer, panels, redraw, the shown position and automatic radii).
// Tests and benchmarks run the same code without a window.
//
// The window's side, in short:
//   - keep one FrameDriverState and FrameResults::FrameDataLines; after any
//     change of an object's radii, form, gap, width, rectangle or direction
//     call RebuildObjectMasks (it returns the Edit20 / Edit21 counts);
//     BuildGammaTable(Edit18, state.Gamma) when the gamma value changes;
//     a rectangle change calls state.Rectangles[k - 1].Reset();
//   - ShowNeighbor(state, Frames.FrameDataLines, snapshot, ScrollBar1 position,
//     io, hooks); io.AppendRows is AppendResultRows; then act on the outcome:
//     StopTimer -> stop Timer1 first, GrabError -> error box, RunEnded ->
//     enable UpDown1..3, Signal1 / Signal2Detected -> paint Panel1 / Panel2,
//     SelectedSums -> FormatApertureReadout for the result edits,
//     FieldImage (Show Field) or state.FrameBitmap -> Image1;
//   - the run flags (MeasuringRun, SingleFrameRun, LastMeasuredFrame) are
//     passed as RunFlags references to where the window keeps them; START,
//     STOP, DEL and Timer1 use RunControl.h.
//
// Objects are numbered 1 (A), 2 (B), 3 (C); arrays hold object k at k - 1.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "base/Bitmap24.h"
#include "base/FrameResult.h"
#include "measure/ApertureMasks.h"
#include "measure/AperturePhotometry.h"
#include "measure/ImageFilters.h"
#include "measure/PsfFit.h"
#include "measure/SignalAreas.h"

// The LED signal settings of the main window.
struct SignalSettings {
  bool SignalMarkersOn = false;
  Signal1Box Signal1;
  int Signal2X = 0, Signal2Y = 0;
  int Threshold = 0;            // UpDown4
  int TimeStampMode = 0;        // 0 IOTA, 1 KIWI, 2 GHS, 3 Sharp
  bool SoundGraphOpen = false;  // the sound indicator replaces Signal1
  bool SoundSignalDetected = false;
};

// Snapshot of the controls the driver reads, taken by the window per call.
struct FrameDriverSettings {
  int ScrollMax = 0;  // ScrollBar1.Max: the last frame
  int ObjectCount = 1;
  int SelectedObject = 1;
  bool ShowField = false;        // CheckBox1 'Show Field': split view, nothing measured
  bool PsfPhotometry = false;    // CheckBox14 'Photometry' ticked
  bool Link = false;             // CheckBox6 'Link'
  bool ProfileTracking = false;  // CheckBox15 'Tracking'
  bool DirectionSettingMode = false;
  FilterSettings Filters;
  ApertureOptions Aperture;
  // The radius and band controls; they show the selected object's settings
  // and are written into its blocks after each frame.
  int ApertureRadius = 6;   // UpDown1
  int BackgroundInner = 8;  // UpDown2
  int BackgroundOuter = 25; // UpDown3
  int BandWidth = 1;        // UpDown8 'Width'
  int Gap = 0;              // UpDown6 'Gap'
  int Threshold = 0;        // UpDown7
  bool SyncTracking = false;  // CheckBox3
  std::array<int, 3> RectangleWidth{10, 10, 10};
  std::array<int, 3> RectangleHeight{10, 10, 10};
  bool CutBkgUpperSide = false;
  bool CutBkgLowerSide = false;
  // 'Measurement Option' CheckBox4: OptimizeDirectionNow searches the
  // direction; without it the request is dropped.
  bool AutoRectangleDirection = false;
  SignalSettings Signals;
};

// The driver's state that lives between frames (owned by the main window).
struct FrameDriverState {
  ApertureClassMap Classes{};
  TrackMask Track{};
  BkgGeom Geometry{};
  RectangleReferences Rectangles{};
  LimbProfileValues Limb{};
  SameValueStore SameValue;
  GammaTable Gamma = IdentityGammaTable();

  // The working frame: filled by the frame source, filtered, then measured.
  // It persists so that direction-setting mode can measure the last frame
  // again without re-reading it, and so the buffer is reused.
  Bitmap24 FrameBitmap;

  std::array<int, 3> ObjectX{}, ObjectY{};        // measured positions for drawing
  std::array<int, 3> MagnifierX{}, MagnifierY{};  // magnifier and outline centres

  // One-shot requests consumed by the driver.
  bool PsfRefitPending = false;       // consumed at the selected object
  bool PsfRefitKeepsRadii = false;    // with it: the refit leaves the radii; cleared with each frame
  bool OptimizeDirectionNow = false;  // consumed at the selected object
  bool PositionJustSet = false;       // consumed at the object being placed
  std::array<bool, 3> ObjectBeingPlaced{};  // set and cleared by the caller

  // Run flags used when ShowNeighbor is called without RunFlags.
  bool MeasuringRun = false;
  bool SingleFrameRun = false;  // consumed at the end of the frame
  int32_t LastMeasuredFrame = -1;
  std::string PendingSoundNote;

  bool InDriver = false;  // re-entry guard
};

// The object settings the masks of object k are built from: block 0 of k,
// plus the window's gap, width, rectangle and cut settings.
MaskSettings MaskSettingsFor(const DataLineBlocks& lines, const FrameDriverSettings& s, int k);

// Rebuilds object k's class map (and its background geometry from the
// direction vector already in state.Geometry). Returns the class-1 and
// class-2 counts the window shows in Edit20 / Edit21 (both empty with PSF
// photometry); nothing for the rectangle form, whose counts are not shown.
std::optional<std::pair<int, int>> RebuildObjectMasks(FrameDriverState& state, const DataLineBlocks& lines,
                                                      const FrameDriverSettings& s, int k);

struct FrameContext;

// The frame source, the row sink and the window's own per-frame steps.
struct FrameIo {
  // Reads frame n into bmp (resizing it); returns an empty text on success,
  // else the text of the error box ("Fail to get a bitmap.\r\n..."). A source
  // may leave bmp untouched when it already holds frame n.
  std::function<std::string(int n, Bitmap24& bmp)> GrabFrame;
  // AppendResultRows: adds the frame's row(s) to the results table.
  std::function<void(const DataLineBlocks&)> AppendRows;
  // After object k is positioned, before it is measured: the 3-D view's pixels.
  std::function<void(FrameContext&, int k)> ObjectPositioned;
  // After the object loop, before any row is appended: outlines, drawing and
  // the time stamp of the frame (the row builder reads the stamp texts).
  // Draw on a copy of FrameBitmap: direction-setting mode measures it again.
  std::function<void(FrameContext&)> AfterObjects;
};

// What the steps and the callbacks see of the frame being processed.
struct FrameContext {
  int Frame;
  Bitmap24& FrameBitmap;
  FrameDriverState& State;
  DataLineBlocks& Lines;
  const FrameDriverSettings& Settings;
};

// Offsets of objects 1 and 3 from the guide (object 2) at this frame.
struct GuideLinkOffsets {
  int32_t Dx1 = 0, Dy1 = 0;
  int32_t Dx3 = 0, Dy3 = 0;
  bool ThirdLinked = true;  // false: object 3 follows the guide's shift
};

// An object's position in frame pixels.
struct ObjectPosition {
  int X = 0, Y = 0;
  bool operator==(const ObjectPosition&) const = default;
};

// The tracking, PSF-fit and direction steps, called in the driver's order;
// each returns what it found. Every default does nothing, so an object is
// measured where it stands. The window's drawing and readers are FrameIo
// callbacks, not steps.
class FrameDriverHooks {
 public:
  virtual ~FrameDriverHooks() = default;
  // Pending full PSF fit of the selected object at its position with widened
  // searches; may set the aperture radii (the result says which).
  virtual std::optional<PsfFitResult> RefitStarProfile(FrameContext&, int /*k*/, ObjectPosition /*at*/) {
    return std::nullopt;
  }
  // Background direction of the selected object (only with Settings.AutoRectangleDirection);
  // writes State.Geometry[k - 1].DirectionX/Y and rebuilds the masks.
  virtual void OptimizeDirection(FrameContext&, int /*k*/, ObjectPosition /*at*/) {}
  // One tracking step ('Anchor' and 'Drift' objects): TrackStarByProfile when
  // Settings.ProfileTracking, else TrackStarByCentroid. Returns the new position.
  virtual ObjectPosition TrackStep(FrameContext&, int /*k*/, ObjectPosition from) { return from; }
  // 'Drift' start: the predicted position when both 'Frame1' and 'Frame2'
  // passed points of object k are set.
  virtual std::optional<ObjectPosition> DriftStart(FrameContext&, int /*k*/, ObjectPosition /*from*/) {
    return std::nullopt;
  }
  // With 'Link' and a drifting guide: the offsets of objects 1 and 3 from the
  // guide when object 1's 'Begin' and 'End' linked points are set; nothing
  // makes objects 1 and 3 follow the guide's shift instead.
  virtual std::optional<GuideLinkOffsets> GuideOffsets(FrameContext&) { return std::nullopt; }
  // PSF photometry of object k into the three blocks (StorePsfResult); nothing
  // when there is no fit.
  virtual std::optional<PsfFitResult> MeasurePsf(FrameContext&, int /*k*/, ObjectPosition /*at*/) {
    return std::nullopt;
  }
};

struct FrameOutcome {
  int Frame = 0;
  bool Reentered = false;   // called while already running: nothing done
  bool BlackFrame = false;  // frame outside 0..max: show black, nothing measured
  bool Measured = false;    // objects were measured
  std::string GrabError;    // show this error box (after acting on StopTimer)
  bool StopTimer = false;   // Timer1 must stop
  bool RunEnded = false;    // the run ended here: enable the radius up-downs again
  int RowsAppended = 0;     // AppendRows calls (0 or 1)
  bool SameValueWarning = false;  // object 1 repeats the stored (value, sums) triple
  std::optional<Signal1Reading> Signal1;  // for Panel1
  std::optional<bool> Signal2Detected;    // for Panel2 (none: leave it)
  bool HasSelectedSums = false;
  ApertureSums SelectedSums{};  // the selected object's numbers to show
  Bitmap24 FieldImage;          // ShowFieldImage: even rows on top, odd rows below
  // The selected object's position after its last tracking step, or where it
  // stands when it is not tracked (Edit7, Edit8).
  std::optional<ObjectPosition> ShownPosition;
  std::optional<PsfFitResult> SelectedPsf;  // the selected object's PSF photometry
  std::optional<PsfFitResult> LastRefit;    // this frame's full fit (placement reads width and residual)
  // Radii set by this frame's refit: UpDown1 := r, UpDown2 := r + 2 (and
  // UpDown5 := r with 'Sync-Tracking APT'); the masks are already rebuilt.
  // The window must put them into its controls before the next frame, since
  // the driver writes the controls' radii back into the selected object at
  // the end of every frame.
  std::optional<int> AutoApertureRadius() const { return LastRefit ? LastRefit->AutoApertureRadius : std::nullopt; }
};

// The run flags the driver reads and changes, where the window keeps them.
struct RunFlags {
  bool& MeasuringRun;
  bool& SingleFrameRun;     // a '1Frame' or 'DEL' step: the run ends after this frame
  int32_t& LastMeasuredFrame;
};

// TPlatform.ShowNeighbor without the window: runs ShowFieldImage when
// 'Show Field' is ticked, else ProcessFrame, and keeps block 0's background
// forms as they were. Not re-entrant: a nested call returns Reentered.
FrameOutcome ShowNeighbor(FrameDriverState& state, RunFlags run, DataLineBlocks& lines,
                          const FrameDriverSettings& settings, int position, FrameIo& io, FrameDriverHooks& hooks);
// The same with the run flags kept in state.
FrameOutcome ShowNeighbor(FrameDriverState& state, DataLineBlocks& lines, const FrameDriverSettings& settings,
                          int position, FrameIo& io, FrameDriverHooks& hooks);

// The object order: 1 -> {1}; 2 -> {2, 1}; 3 -> {2, 3, 1}.
std::array<int, 3> ObjectOrder(int object_count, int& n);

// Rows 2i of the frame into the upper half, rows 2i + 1 into the lower half;
// an odd last row is dropped.
Bitmap24 SplitFieldRows(const Bitmap24& frame);
