#pragma once
// Correction of the target star (object 1, column 11) for absorption that
// dims it and the comparison star (object 2, column 12) together: the target
// of every record is scaled by the smoothed comparison at a reference record
// over the smoothed comparison at that record. The raw texts are captured
// when the window opens so that they can be put back.
#include <string>
#include <vector>

struct AbsorbCorrect {
  std::string RawTarget, RawComparison;
  std::string CorrectedTarget, CorrectedComparison;
  double ComparisonValue = 0;
  double SmoothedComparison = 0;
  bool Stored = false;  // the raw texts were captured (comparison not empty)
  // The record's line without the cells the chart's tools rewrite (times and
  // values, fields 4 to 13): tells whether the table is still the one captured.
  size_t Identity = 0;
};

struct AbsorptionResult {
  bool Changed = false;  // Lines holds the new table
  std::string Error;
  std::vector<std::string> Lines;
  std::vector<std::string> SmoothedList;  // the window's list of smoothed values
  std::string ReferenceText;              // Edit5
};

class AbsorptionCorrection {
 public:
  // Captures the raw texts of records 0..total-1. Returns an error text when
  // a target or comparison does not convert (its record is not captured).
  std::string Open(const std::vector<std::string>& lines, int csv_version, int total_frame_count);

  // "Correction" with the reference record `selected` and half-width w.
  // Correction and Restore refuse, with an error text, a table whose records
  // are not the ones captured (another table loaded since).
  AbsorptionResult Correct(const std::vector<std::string>& lines, int csv_version, int selected, int half_width);

  // "Restore to raw data": the captured texts back into columns 11 and 12,
  // whatever frame is selected on the chart (or none).
  AbsorptionResult Restore(const std::vector<std::string>& lines, int csv_version) const;

  const std::vector<AbsorbCorrect>& Entries() const { return AbsorbCorrections; }

  std::vector<AbsorbCorrect> AbsorbCorrections;
  int TotalFrameCount = 0;
};
