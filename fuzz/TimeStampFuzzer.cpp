// libFuzzer target: the burnt-in time readers on frames of any size and
// content: locating an IOTA-VTI or GHS line, the GPS screen, the time texts
// of every inserter and the embedded tick count.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "timestamp/GpsLine.h"
#include "timestamp/StampLocator.h"
#include "timestamp/TickStamp.h"
#include "timestamp/TimeStampReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8 || size > (1u << 18)) return 0;
  const int width = 1 + ((data[0] << 8 | data[1]) % 800);
  const int height = 1 + ((data[2] << 8 | data[3]) % 600);
  const uint8_t flags = data[4];
  const int threshold = data[5];
  const int gx = data[6] * 3, gy = data[7] * 2;
  // The pixels repeat the rest of the input over the frame.
  const uint8_t* pixels = data + 8;
  const size_t count = size - 8;
  Bitmap24 frame(width, height);
  if (count > 0)
    for (int y = 0; y < height; ++y) {
      uint8_t* row = frame.Row(y);
      for (size_t i = 0; i < static_cast<size_t>(width) * 3; ++i)
        row[i] = pixels[(static_cast<size_t>(y) * static_cast<size_t>(width) * 3 + i) % count];
    }

  GlyphContext ctx;
  ctx.mode = static_cast<TimeStampMode>(flags & 3);
  ctx.showField = flags & 4;
  ctx.enhanceContrast = flags & 8;
  ctx.frameRateRounded = flags & 16 ? 25 : 30;
  ctx.digitThreshold = threshold;
  ctx.glyphThreshold = threshold;
  TimeStampState state;
  LoadKiwiDigitPositions(state.DigitX);
  StampLocatorState loc;
  LocatorOptions lo;
  lo.iotaWideScan = flags & 32;
  lo.ghsLocateEnabled = flags & 64;
  if (ctx.mode == TimeStampMode::Ghs) {
    int x = gx, y = gy;
    ctx.stampLocated = LocateGhsTimeStamp(frame, x, y, ctx, state, loc, lo);
  } else {
    ctx.stampLocated = LocateIotaTimeStamp(frame, ctx, state, loc, lo);
  }
  GpsStation station;
  (void)ReadIotaGpsLine(frame, ctx, state, station);
  StampReadOptions options;
  options.fieldOrder = flags & 128 ? FieldOrder::EvenFirst : FieldOrder::OddFirst;
  options.fieldMeasure = flags & 1;
  StampTexts texts;
  (void)ReadTimeStamp(frame, ctx, options, state, texts);
  EmbeddedStampOptions eo;
  eo.ticksRow = flags & 1;
  eo.frameInterval = 1.0L / ctx.frameRateRounded;
  (void)ReadEmbeddedTimeStamp(frame, eo, texts);
  (void)DetectEmbeddedTicksRow(frame, frame);
  return 0;
}
