#pragma once
// A small WAV for the sound windows: 40 frames of 320 mono 16-bit samples at
// 8000 Hz, a square beep in frame 20.
#include <string>

#include "support/TemporaryFolder.h"

std::string BeepWav(TemporaryFolder& dir);
