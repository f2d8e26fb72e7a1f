#pragma once
// The two fields' lines of a located stamp line lie one frame row apart, and
// either field may be the upper one (a picture moved down by one line puts
// the odd field on top).
#include <array>
#include <cstdint>

#include "base/Bitmap24.h"
#include "timestamp/GlyphRecognition.h"
#include "timestamp/TimeStampReader.h"

// Frame rows of both fields' lines when one of them lies on row y (index 0
// the even rows, 1 the odd rows): the other is the neighbour of y on which
// the time digits at xs read best. {-1, -1} when neither neighbour reads.
std::array<int32_t, 2> LocatedFieldRows(const Bitmap24& frame, int y, const GlyphContext& ctx, const DigitXRow& xs);
