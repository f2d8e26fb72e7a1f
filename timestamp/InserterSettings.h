#pragma once
// What choosing the time-inserter type, ticking 'KIWI' and selecting the
// tick-count ('Sharp') time change in the time-stamp settings. The window
// runs the steps these return (locating needs the current frame, redrawing
// the window); the settings themselves change here.
#include <cstdint>

#include "timestamp/GlyphRecognition.h"
#include "timestamp/TimeStampReader.h"

struct InserterSettings {
  TimeStampMode mode = TimeStampMode::Iota;
  int digitThreshold = 80;  // the up-down UpDown4 (Edit4 shows it)
  int glyphThreshold = 80;
  bool stampLocated = false;
  bool tiviAvailable = false;
  bool tiviAvailableKiwi = false;
  bool ghsLocateEnabled = false;
  bool ghsSearchU = true;
  int sharpTimeCorrection = 0;
  long double frameRateFactor = 1.0L;
};

// The GHS start point of the inserter-type switches: x = 20 x 18 + 14, y = 18 x 21 + 9.
inline constexpr int kGhsStartX = 374;
inline constexpr int kGhsStartY = 387;

// What the window does after the settings changed, in this order.
struct InserterSteps {
  int locateIotaTimes = 0;         // LocateIotaTimeStamp + ApplyStampFieldOrder, with a redraw between two
  bool locateGhs = false;          // LocateGhsTimeStamp from the GHS start point, redraw, ApplyStampFieldOrder
  bool selectSharpTime = false;    // run SelectSharpTime
  bool enableGammaGroup = false;   // group 'Gamma Reverse Correction' enabled
  bool gammaOff = false;           // select the gamma button 'OFF'
  bool clearTimeEdits = false;     // empty Edit24..Edit27 and the IOTA counters
  bool stopPlaying = false;
  bool redraw = true;
};

// The inserter type combo box (0 IOTA, 1 KIWI, 2 GHS, 3 Sharp) changed by the user.
InserterSteps ChangeInserterType(int index, bool videoLoaded, bool kiwiTicked, InserterSettings& settings,
                                 DigitXTable& digitX);

// The 'KIWI' tick changed.
InserterSteps ChangeKiwiTick(bool ticked, bool videoLoaded, InserterSettings& settings);

struct SharpTimeSteps {
  bool deriveFrameRate = false;  // DeriveFrameRateFromTicks, then the exposure length
  bool setSignal1Box = false;    // Signal1 box half width and height 8 and 8
  bool redraw = false;
};
// 'Sharp' chosen: the first part; after the frame rate is derived the window
// calls FinishSharpTime with the new video rate.
SharpTimeSteps SelectSharpTime(bool videoOpenedOnce, InserterSettings& settings);
void FinishSharpTime(long double captureLogNominalFrameRate, long double videoFrameRate, InserterSettings& settings);

// 'Field Order' as the stamp says: 'Even first' for 1, 'Odd first' for 0.
FieldOrder FieldOrderFromStamp(uint8_t stampFieldOrder);
