#pragma once
// Aperture and background masks of a plain ring object (form 0, no direction),
// as the tracking and profile-fit tests use them.
#include "measure/ApertureMasks.h"

ApertureClasses RingMasks(int aperture, int inner, int outer);
