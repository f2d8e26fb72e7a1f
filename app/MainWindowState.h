#pragma once
// State shared by the main window and the windows that work with it. Each
// struct is owned once, by the main window, and handed to others by reference.
#include <cstdint>
#include <string>

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
  int32_t LocatedStampRow = 435;
  int32_t AutoRectangleDirection = 1;
  uint8_t StampLocated = 0;
  uint8_t TiviAvailable = 0;
  uint8_t TiviAvailableKiwi = 0;
  double GammaValue = 1.0;
  int32_t GammaMode = 0;
  double MagDrop = 0;
};
