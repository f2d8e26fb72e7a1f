#pragma once
// The amplitude spectrum of object A's values over the first N records: one
// line per bin k = 0..N/2-1, "frequency,amplitude", both with six decimals;
// the amplitude of bin 0 is the mean.
#include <string>
#include <vector>

struct SpectrumResult {
  bool Done = false;
  std::string Error;                   // a value that does not convert
  std::vector<std::string> FieldTexts;  // the texts read (up to the error)
  std::vector<std::string> Lines;       // the listing
};

// frame_rate: the timing frame rate (frames per second); field records
// double it. Nothing is done when the table has fewer than N + 7 lines.
SpectrumResult SpectrumListing(const std::vector<std::string>& lines, int csv_version, int fft_length,
                               double frame_rate, bool field_mode);
