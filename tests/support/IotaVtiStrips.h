#pragma once
// IOTA-VTI stamp strips cut from real captures (tests/data/iota-vti): their
// labels, and interlaced frames rebuilt from them the way the video carries a
// stamp (white glyphs on a dark, slightly noisy background; the even field's
// strip on even frame rows, the odd field's on odd rows).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Bitmap24.h"

// One field as read by eye: hh:mm:ss, four fraction digits, the counter.
struct VtiFieldLabel {
  std::string file;
  std::string time;
  std::string fraction;
  std::string counter;
};

// The two fields of one frame of a set.
struct VtiFrameLabels {
  VtiFieldLabel even, odd;
};

struct VtiSet {
  std::string name;
  bool ntsc = false;    // 480-row frames at 29.97 fps, else 576 rows at 25 fps
  bool tvSafe = false;  // the stamp sits higher in the frame
  std::vector<VtiFrameLabels> frames;
};

// The folder of the strips: under TESSARY_TEST_DATA when set, else under the
// source tree's tests/data.
std::filesystem::path VtiDataFolder();

// Every set of labels.csv in file order; empty when the file cannot be read.
std::vector<VtiSet> LoadVtiSets(const std::filesystem::path& folder);

// Ink mask of one strip (true where the strip is dark); width 0 when unreadable.
struct VtiStrip {
  int width = 0, height = 0;
  std::vector<uint8_t> ink;
  bool Ink(int x, int y) const { return ink[static_cast<size_t>(y) * width + x] != 0; }
};
VtiStrip LoadVtiStrip(const std::filesystem::path& file);

// A frame of the set's size with both strips put back: strip row k of the
// even field on frame row evenTop + 2k, of the odd field on evenTop + 2k + 1
// - 2 oddLinesHigher, both moved xShift columns right. Background 16, glyphs
// glyphLevel, both with +-3 noise.
Bitmap24 ComposeVtiFrame(const VtiStrip& even, const VtiStrip& odd, int frameHeight, int evenTop,
                         int oddLinesHigher, uint32_t seed, int xShift = 0, int glyphLevel = 235);

// Every frame of a set composed as above at the set's size and strip top,
// seeds counting up from `seed`; empty when a strip cannot be read.
std::vector<Bitmap24> ComposeVtiFrames(const std::filesystem::path& folder, const VtiSet& set, int oddLinesHigher,
                                       uint32_t seed);

// Columns 2-7 of the result row of a frame, as read by eye: both counters,
// the first field's hours and minutes, both fields' seconds with four
// fraction digits (the even field is the earlier in every set).
std::vector<std::string> VtiRowTimes(const VtiFrameLabels& frame);

// The even row the set's strips start on: near the bottom of the frame, or
// higher for the tv-safe sets.
int VtiStripTop(const VtiSet& set);
