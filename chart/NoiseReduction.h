#pragma once
// Noise reduction of the object values of a results table: each object's
// value is rebuilt from the sums of its object block (A - B*C/D) through a
// moving average, a background-only average, Gaussian weights, a Fourier
// low-pass or wavelet hard thresholding, and written back with one decimal.
// Works on tables of versions 1 to 3; the whole table is returned rewritten.
#include <array>
#include <optional>
#include <string>
#include <vector>

enum class NoiseFilterMode : int {
  MeasurementValue = 0,
  BackgroundOnly = 1,
  Gaussian = 2,
  Fft = 3,
  Wavelet = 4,
  None = 5,  // the empty sixth item: raw values, no transform
};

struct NoiseReductionParams {
  int CsvVersion = 3;
  int ObjectCount = 1;
  NoiseFilterMode Mode = NoiseFilterMode::MeasurementValue;
  std::array<bool, 3> Objects{true, false, false};  // "Object1".."Object3"
  std::array<int, 3> HalfWidth{0, 0, 0};            // UpDown1..3 (0..50)
  int BlockStart = 0;                                // Edit12
  int FftLength = 1024;                              // block size N
  int CutoffBin = 100;                               // Edit15
  bool BandPassCheck = false;                        // explicit band Edit13..Edit14
  int BandFrom = 0, BandTo = 850;
  bool EraseInside = true;                           // "inside" / "outside"
  bool SpotErasing = false;                          // "Processing"
  int SpotFrom = 0, SpotTo = 0;                      // Edit17, Edit19
  int NoiseFrom = 0, NoiseTo = 100;                  // Edit21, Edit22
  int ThresholdPercent = 70;                         // UpDown4
};

struct NoiseReductionResult {
  bool Changed = false;        // Lines holds the new table
  std::string Error;           // conversion error: the table stays as it was
  std::vector<std::string> Lines;
  int BlockStart = 0;          // Edit12 after the run
  int SpotFrom = 0, SpotTo = 0;
  std::optional<long double> NoiseSd;  // wavelet: Edit24
};

// Record r of these tables is line 6 + r (5 + r without the video-system
// line); the last record index is lines - 7 (lines - 6).
int LastRecordIndexOf(const std::vector<std::string>& lines);
// First column of object k's block (k = 1..3): 17k, or 17k - 3 for version 1.
int ObjectBlockColumn(int csv_version, int k);

// "Apply".
NoiseReductionResult ApplyNoiseReduction(const std::vector<std::string>& lines, const NoiseReductionParams& p);

// "Reset": every object's value rebuilt unfiltered from its block.
NoiseReductionResult ResetNoiseReduction(const std::vector<std::string>& lines, int csv_version, int object_count);

// The statistics read-out over frames b..e (frame numbers): the records whose
// column 1 lies in b..e (both fields of a frame); when a record has no frame
// number, records b - first .. e - first, doubled for field records.
struct ObjectStatistics {
  int RecordFrom = 0, RecordTo = 0;  // Edit25, Edit26 (before field doubling)
  std::array<std::string, 3> Mean{"0", "0", "0"}, Sd{"0", "0", "0"};
  std::string Error;
};
ObjectStatistics AvgBkgStatistics(const std::vector<std::string>& lines, int csv_version, int object_count,
                                  int begin_frame, int end_frame, bool field_measure);

// Field 1 of record 0 rounded to an integer (ties to even), 0 when it does
// not convert.
int FirstFrameNoOf(const std::vector<std::string>& lines);
// The frame of the last record (its field 1 without the field's ".5"); the
// first frame plus the last record index when it has no frame number.
int LastFrameNoOf(const std::vector<std::string>& lines);

// Frequency of FFT bin `bin`: bin x rate / N, rate doubled for field records.
long double BinFrequency(long double bin, long double frame_rate, int fft_length, bool field_mode);

