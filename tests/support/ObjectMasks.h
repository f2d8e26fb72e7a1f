#pragma once
// Aperture and background masks of one object, built the way the measuring
// code builds them, for the tests that need a mask as input.
#include "measure/ApertureMasks.h"

// The masks of settings s for a limb direction (direction_x, direction_y).
ApertureClasses ObjectMasks(const MaskSettings& s, int direction_x = 0, int direction_y = 0);

// A plain ring object (form 0, no direction).
ApertureClasses RingMasks(int aperture, int inner, int outer);
