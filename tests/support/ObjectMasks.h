#pragma once
// Aperture and background masks of one object, built the way the measuring
// code builds them, for the tests that need a mask as input.
#include "measure/ApertureMasks.h"

// Mask settings of an object: radii, background form, gap, width and side cuts.
MaskSettings MaskOf(int aperture, int inner, int outer, uint8_t form = 0, int gap = 0, int width = 0,
                    bool cut_upper = false, bool cut_lower = false);

// The masks of settings s for a limb direction (direction_x, direction_y).
ApertureClasses ObjectMasks(const MaskSettings& s, int direction_x = 0, int direction_y = 0);

// A plain ring object (form 0, no direction).
ApertureClasses RingMasks(int aperture, int inner, int outer);
