#pragma once
// State shared by the main window and the windows that work with it. Each
// struct is owned once, by the main window, and handed to others by reference.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "base/Bitmap24.h"
#include "timestamp/SevenSegmentDigits.h"

// Run and playback flags and the measuring objects in use.
struct RunState {
  bool VideoLoaded = false;      // a video (or still image) is open
  bool Playing = false;          // Timer1 is advancing frames
  bool MeasuringRun = false;     // a run is appending result rows
  bool PlayBackward = false;
  bool CsvLoaded = false;        // the table came from a loaded file
  bool DirectionSettingMode = false;
  bool FrameSourceBusy = false;  // a frame-source operation is in progress
  int32_t FrameStep = 1;         // frames per tick (negative backwards)
  int32_t StartFrame = -1;       // first frame of the run, -1 none
  int32_t LastMeasuredFrame = -1;
  int32_t ObjectCount = 1;       // 1..3
  int32_t SelectedObject = 1;    // 1 A, 2 B, 3 C
  bool CsvCmosTime = false;      // the loaded table carries CMOS times
  bool KeepObjectCount = false;  // the next video keeps ObjectCount (a loaded table's objects)
  bool SingleFrameRun = false;   // a '1Frame' or 'DEL' step: the run ends after this frame
  std::string CsvFileName;       // the results file last saved or loaded
};

// Raises a flag for the lifetime of a scope (a frame-source operation), and
// puts back what it was.
class BusyFlag {
 public:
  explicit BusyFlag(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~BusyFlag() { flag_ = was_; }
  BusyFlag(const BusyFlag&) = delete;
  BusyFlag& operator=(const BusyFlag&) = delete;

 private:
  bool& flag_;
  bool was_;
};

// Measuring, time-stamp and table options of the main window.
struct MainOptions {
  uint8_t CsvVersion = 3;
  int32_t CsvHeaderLines = 6;
  uint8_t TimeStampMode = 0;     // 0 IOTA-VTI, 1 KIWI-OSD, 2 GHS-OSD, 3 Sharp
  uint8_t SharpTimeCorrection = 0;
  int32_t SaturationLevel = 255;
  int32_t SaturatedPeakStart = 350;
  uint8_t MeasurePixelPeak = 0;
  uint8_t LimbProfileForRectangle = 0;
  uint8_t TiviDigitsValid = 0;
  bool SharpCapTimeAvailable = false;
  uint8_t PositionSetMode = 0;   // 0 star, 1 Signal1, 2 Signal2, 3 TIVi digit box
  uint8_t SignalMarkersOn = 1;
  int32_t Signal1HalfWidth = 2;
  int32_t Signal1HalfHeight = 2;
  uint8_t StampFieldOrder = 0;   // 1 when the top (even) field comes first
  int32_t GlyphThreshold = 80;
  int32_t GhsSearchU = 1;
  bool GhsLocateEnabled = false;
  int32_t LocatedStampRow = 435;
  int32_t AutoRectangleDirection = 1;
  uint8_t StampLocated = 0;
  uint8_t TiviAvailable = 0;
  uint8_t TiviAvailableKiwi = 0;
  double GammaValue = 1.0;
  int32_t GammaMode = 0;
  double MagDrop = 0;
  int OccultationTypeIndex = 0;     // 0 none .. 4 asteroidal single bright star
  bool EasyClickOperation = false;  // 'Make easy operation for click': placing A applies the preset
  // 'Measurement Option': the background's side limits, and the peak less
  // the background per pixel.
  bool CutBkgUpperSide = false;
  bool CutBkgLowerSide = false;
  bool SubtractBackground = false;
};

// What 'Position Set' placed on the frame: the LED signal boxes (Signal1,
// Signal2) and the time inserter's digit box.
struct PositionMarks {
  int Signal1X = 0, Signal1Y = 0, Signal2X = 0, Signal2Y = 0;
  int DigitBoxX = 0, DigitBoxY = 0;
  bool DigitBoxSet = false;
};

// 'Play' and 'Stop': the video playing in Panel3 at its own rate.
struct PanelPlayState {
  int PlayStartFrame = 0;
  int PlayShownFrame = -1;
  int64_t PlayStartMs = 0;  // start on the steady clock (SteadyMs)
  Bitmap24 PlayBitmap;
};

// A still bitmap ('Load bmp') the driver shows instead of the video's frames.
struct StillImageState {
  bool BmpMode = false;
  std::string BmpFileName;
  // An icon file's chosen image and transparent colour, asked once when it
  // is opened and kept for every frame after.
  std::optional<std::pair<int32_t, uint32_t>> IconChoice;
  int Width = 0, Height = 0;  // the still's size, which Image1 takes while it is shown
};

// Tick-count stamps burnt into the frames, and a frame interval that
// overrides their rate.
struct TickStampState {
  int EmbeddedTicksRow = 0;
  int32_t StampYear = 0;
  int64_t FirstFrameTicks = 0, LastFrameTicks = 0;
  long double FixedFrameInterval = 0;  // seconds; > 0 overrides the tick-count rate
};

// The two large digits of a TIVi inserter: the clicked point, the box found
// from it and the sampling points in the frame.
struct TiviDigitState {
  bool TiviLocateOn = false;
  bool TiviLocatePending = false;  // the box is found on the next frame shown
  int TiviPickX = 0, TiviPickY = 0;
  TiviBox TiviDigitBox{};
  TiviSampleTemplate TiviTemplate = DefaultTiviSampleTemplate();
  TiviSamplePoints TiviPoints{};
};

// Per object: the rectangle aperture's sizes, and the background width, gap,
// form and tracking mode it replaced, restored when it is switched off.
struct RectangleApertureState {
  std::array<int32_t, 3> SavedBkgWidth{}, SavedBkgGap{};
  std::array<int, 3> RectangleWidth{10, 10, 10}, RectangleHeight{10, 10, 10};
  std::array<uint8_t, 3> SavedBkgForm{}, SavedTrackingMode{};
};

// Where the mouse last acted on Image1 (frame pixels), and what a click
// that ends 'Direction Setting' puts back.
struct ImageMouseState {
  int LastStarClickX = 0, LastStarClickY = 0;  // the last star placed by a click
  int PopupX = 0, PopupY = 0;     // the last right click on Image1
  bool PopupPlacement = false;    // the next 'Object Star Add' came from the image's pop-up
  bool DirectionPhotometryWas = false;  // 'Photometry' before 'Direction Setting'
};

// Tool windows whose being open changes what the main window does.
struct OpenWindowFlags {
  bool PredictTrackFormOpen = false;  // 'Setting for predicted track'
  bool SoundGraphOpen = false;        // the sound indicator stands in for Signal1
  bool CaptureWindowOpen = false;
};

// What Image1 shows: the frame, and the measured frame with its outlines.
struct FrameDisplayState {
  Bitmap24 Image1Bitmap;            // what Image1 shows
  Bitmap24 OverlayBitmap;           // the measured frame with its outlines and markers
  bool OverlayDrawn = false;        // OverlayBitmap belongs to the last measured frame
  uint8_t OutlineDisplayMode = 0;   // 0 Hilight, 1 Faint, 2 Hide
};

// Per object: placed on the frame (outlined from then on), and its star's
// fitted width, from which the occultation preset sizes the tracking radius.
struct ObjectStarState {
  std::array<bool, 3> ObjectPlaced{};
  std::array<double, 3> ObjectFitWidth{};
};

// The sound track written beside the open video and what its display found.
struct SoundTrackState {
  std::string WavFileName;          // tsy.wav beside the open video
  std::string WavMadeFor;           // the video whose sound track tsy.wav holds
  bool SoundSignalDetected = false; // the sound display's decision for the frame
};
