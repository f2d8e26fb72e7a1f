#include "chart/SpectrumListing.h"

#include <cmath>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "chart/ChartTable.h"
#include "chart/Fourier.h"
#include "chart/NoiseReduction.h"

SpectrumResult SpectrumListing(const std::vector<std::string>& lines, int csv_version, int fft_length,
                               double frame_rate, bool field_mode) {
  SpectrumResult out;
  const CsvLayoutInfo layout = DetectCsvVersion(lines);
  const int h = layout.HeaderLineCount();
  const int column = ObjectBaseColumnFor(csv_version);
  if (!IsFftLength(static_cast<size_t>(std::max(fft_length, 0)))) return out;
  const size_t n = static_cast<size_t>(fft_length);
  // One record beyond the block (a version-0 table needs three more).
  const size_t needed = n + static_cast<size_t>(layout.CsvVersion == 0 ? 7 : h);
  if (lines.size() < needed) return out;
  FftBlock block;
  block.Resize(n);
  for (size_t i = 0; i < n; ++i) {
    const std::string f = GetCsvCell(RecordLine(lines, h, static_cast<int>(i)), column);
    out.FieldTexts.push_back(f);
    if (f.empty()) continue;
    const auto v = ParseLongDouble(f);
    if (!v) {
      out.Error = "'" + f + "' is not a valid floating point value";
      return out;
    }
    block.InputRe[i] = *v;
  }
  FastFourierTransform(block, FftDirection::Forward);
  for (size_t k = 0; k < n / 2; ++k) {
    const long double f = BinFrequency(static_cast<long double>(k), frame_rate, fft_length, field_mode);
    // A wave's amplitude is split between bin k and its mirror N - k; the
    // DC term has no mirror, so it is the mean itself.
    const long double both = k == 0 ? 1 : 2;
    // hypot: squaring a bin of a very large value would overflow to infinity.
    const long double a = both * std::hypot(block.OutputRe[k], block.OutputIm[k]);
    out.Lines.push_back(FormatFixed(f, 6, 8) + "," + FormatFixed(a, 6, 8));
  }
  out.Done = true;
  return out;
}
