#include "timestamp/InserterSettings.h"

InserterSteps ChangeInserterType(int index, bool videoLoaded, bool kiwiTicked, InserterSettings& s,
                                 DigitXTable& digitX) {
  InserterSteps steps;
  switch (index) {
    case 0:
      s.mode = TimeStampMode::Iota;
      s.digitThreshold = 80;
      s.glyphThreshold = 80;
      if (videoLoaded) {
        s.stampLocated = true;
        s.tiviAvailableKiwi = true;
        steps.locateIotaTimes = 2;
      }
      s.sharpTimeCorrection = 0;
      steps.enableGammaGroup = true;
      break;
    case 1:
      s.mode = TimeStampMode::Kiwi;
      s.stampLocated = false;
      s.tiviAvailable = false;
      s.tiviAvailableKiwi = false;
      s.digitThreshold = 100;  // the glyph threshold stays as the last type left it
      LoadKiwiDigitPositions(digitX);
      s.sharpTimeCorrection = 0;
      break;
    case 2:
      s.mode = TimeStampMode::Ghs;
      s.digitThreshold = 100;
      s.glyphThreshold = 100;
      s.sharpTimeCorrection = 0;
      if (videoLoaded) {
        s.stampLocated = true;
        s.tiviAvailable = false;
        s.tiviAvailableKiwi = false;
        s.ghsLocateEnabled = true;
        steps.locateGhs = true;
      }
      break;
    case 3:
      steps.selectSharpTime = true;
      steps.gammaOff = kiwiTicked;
      break;
    default:
      steps.redraw = false;
      break;
  }
  return steps;
}

InserterSteps ChangeKiwiTick(bool ticked, bool videoLoaded, InserterSettings& s) {
  InserterSteps steps;
  switch (s.mode) {
    case TimeStampMode::Iota: s.digitThreshold = 80; break;
    case TimeStampMode::Kiwi:
    case TimeStampMode::Sharp: s.digitThreshold = ticked ? 80 : 100; break;
    case TimeStampMode::Ghs: break;
  }
  if (s.mode != TimeStampMode::Ghs) s.glyphThreshold = s.digitThreshold;
  if (!ticked) steps.clearTimeEdits = true;
  if (ticked && videoLoaded && s.mode == TimeStampMode::Iota) steps.locateIotaTimes = 1;
  if (ticked && videoLoaded && s.mode == TimeStampMode::Ghs) {
    steps.stopPlaying = true;
    s.stampLocated = true;
    s.ghsLocateEnabled = true;
    s.ghsSearchU = true;
    steps.locateGhs = true;
  }
  steps.gammaOff = ticked && s.mode == TimeStampMode::Sharp;
  return steps;
}

SharpTimeSteps SelectSharpTime(bool videoOpenedOnce, InserterSettings& s) {
  SharpTimeSteps steps;
  s.mode = TimeStampMode::Sharp;
  if (!videoOpenedOnce) {
    s.frameRateFactor = 1.0L;
    s.sharpTimeCorrection = 0;
    return steps;
  }
  steps.deriveFrameRate = true;
  steps.setSignal1Box = true;
  steps.redraw = true;
  return steps;
}

void FinishSharpTime(long double captureLogNominalFrameRate, long double videoFrameRate, InserterSettings& s) {
  // A rate of 0 (no usable counts and no log) would make the factor infinite.
  s.frameRateFactor = videoFrameRate != 0 ? captureLogNominalFrameRate / videoFrameRate : 1.0L;
  s.sharpTimeCorrection = 1;
}

FieldOrder FieldOrderFromStamp(uint8_t stampFieldOrder) {
  return stampFieldOrder == 1 ? FieldOrder::EvenFirst : FieldOrder::OddFirst;
}
