#pragma once
// Frame-integrated analogue video: a camera repeats one image for a block of
// N frames, so the frame-by-frame light curve is a staircase. The blocks'
// phase follows from the largest brightness jumps; the table is then turned
// into one averaged record per block.
#include <optional>
#include <string>
#include <vector>

struct BrightnessJump {
  double RecordNumber = 0;  // field 1
  double Value = 0;         // field 11
  double Size = 0;          // |jump| from the record before
  double SortKey = 0;
  int Index = 0;            // record index
  double SignedJump = 0;
};

struct IntegrationBoundaries {
  // Ranked ascending by jump size (equal sizes keep their order): the largest
  // jump is last. Record number, value and size stay with their position.
  std::vector<BrightnessJump> Jumps;
  std::vector<int> Candidates;  // record indices of the largest jumps, largest first
};

// Records 0..n (record i is line header_lines + i).
IntegrationBoundaries FindIntegrationBoundaries(const std::vector<std::string>& lines, int header_lines, int n);

// The frames per block for the items of the block-length list.
int IntegrationCountForIndex(int index);

struct IntegrationPhase {
  int Phase = 0;         // index of the chosen jump modulo the block length
  int SampleOffset = 0;  // the record measured in each block
};
// Two of the largest jumps a whole number of blocks apart; nothing when none.
std::optional<IntegrationPhase> FindIntegrationPhase(const IntegrationBoundaries& b, int count);

// The header lines, then for every record i with (i - offset) a multiple of
// `count` its line with field 11 the mean of records i-count/2+1 .. i+count/2
// (cut at the table's ends).
std::vector<std::string> AverageIntegrationBlocks(const std::vector<std::string>& lines, int header_lines,
                                                  int count, int offset);

// The video frame a record of the table was measured from (its "No."); a
// record without a readable number falls back to `fallback`.
int FrameOfRecord(const std::vector<std::string>& lines, int header_lines, int record, int fallback);

// Whether the records were measured from every frame: most neighbouring
// records lie one frame apart. A table measured every n-th frame holds fewer
// records per block than frames, so its blocks cannot be found or averaged.
bool MeasuredEveryFrame(const std::vector<std::string>& lines, int header_lines);

// Field 1 of every line.
std::vector<std::string> RecordNumbers(const std::vector<std::string>& lines);

// The record index of the largest drop among the ranked jumps; -1 when no
// jump is a drop (the user then clicks the record).
int SelectLargestDrop(const IntegrationBoundaries& b);
