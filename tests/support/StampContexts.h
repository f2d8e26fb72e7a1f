#pragma once
// Glyph contexts the time-stamp tests read the generated stamps with: the
// background and thresholds match the levels StampRender paints with.
#include "support/StampRender.h"
#include "timestamp/GlyphRecognition.h"

// A located IOTA-VTI line of the given pitch.
inline GlyphContext IotaContext(double pitch) {
  GlyphContext c;
  c.mode = TimeStampMode::Iota;
  c.stampLocated = true;
  c.stampCharPitch = pitch;
  c.gpsCharPitch = pitch;
  c.stampBackgroundLevel = 3 * kStampDark;
  c.digitThreshold = 80;
  return c;
}

// A located GHS line; its background level is the located one (brightest / 3 - 40).
inline GlyphContext GhsContext(double pitch) {
  GlyphContext c;
  c.mode = TimeStampMode::Ghs;
  c.stampLocated = true;
  c.stampCharPitch = pitch;
  c.gpsCharPitch = pitch;
  c.stampBackgroundLevel = kStampStroke - 40;
  c.glyphThreshold = 100;
  c.digitThreshold = 100;
  return c;
}

// KIWI-OSD at a fixed layout.
inline GlyphContext KiwiContext(int fps, bool showField = false) {
  GlyphContext c;
  c.mode = TimeStampMode::Kiwi;
  c.frameRateRounded = fps;
  c.showField = showField;
  c.digitThreshold = 100;
  return c;
}

// What a locator starts from: nothing located yet.
inline GlyphContext IotaSearchContext(int fps) {
  GlyphContext c;
  c.mode = TimeStampMode::Iota;
  c.frameRateRounded = fps;
  c.digitThreshold = 80;
  return c;
}

inline GlyphContext GhsSearchContext() {
  GlyphContext c;
  c.mode = TimeStampMode::Ghs;
  c.frameRateRounded = 30;
  c.glyphThreshold = 100;
  c.digitThreshold = 100;
  return c;
}
