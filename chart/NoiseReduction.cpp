#include "chart/NoiseReduction.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "chart/ChartTable.h"
#include "chart/Fourier.h"
#include "chart/Wavelet.h"

namespace {

constexpr long double kGaussianWeights[3][5] = {
    {0, 0, 1, 0, 0}, {0, 0.369L, 1, 0.369L, 0}, {0.36L, 0.775L, 1, 0.775L, 0.36L}};

struct ConversionError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

long double ReadReal(const std::string& s) {
  const auto v = ParseLongDouble(s);
  if (!v) throw ConversionError("'" + s + "' is not a valid floating point value");
  return *v;
}

long double ReadInteger(const std::string& s) {
  const auto v = ParseInt32(s);
  if (!v) throw ConversionError("'" + s + "' is not a valid integer value");
  return static_cast<long double>(*v);
}

// The four block fields of every record of one object, kept as texts and
// converted on use, so a field that is never read cannot fail.
class ObjectBlocks {
 public:
  ObjectBlocks(const std::vector<std::string>& lines, int first_line, int csv_version, int k, int last)
      : lines_(lines), first_(first_line), column_(ObjectBlockColumn(csv_version, k)), last_(last) {}

  std::string Field(int r, int offset) const {
    return GetCsvCell(lines_[static_cast<size_t>(first_ + r)], column_ + offset);
  }
  long double Real(int r, int offset) const { return ReadReal(Field(r, offset)); }
  long double Integer(int r, int offset) const { return ReadInteger(Field(r, offset)); }
  int Last() const { return last_; }

 private:
  const std::vector<std::string>& lines_;
  int first_;
  int column_;
  int last_;
};

struct Window {
  int lo, hi;
};

Window CutWindow(int r, int p, int last) {
  return Window{p > r ? 0 : r - p, r < last - p ? r + p : last};
}

long double MovingAverageField(const ObjectBlocks& b, int offset, int r, int p) {
  const Window w = CutWindow(r, p, b.Last());
  long double sum = 0;
  int count = 0;
  for (int i = w.lo; i <= w.hi; ++i, ++count) sum += b.Real(i, offset);
  return sum / (count == 0 ? 1 : count);
}

// nullopt: a zero background count; the record keeps its value.
std::optional<long double> Divide(long double num, long double den) {
  if (den == 0) return std::nullopt;
  return num / den;
}

std::optional<long double> GaussianValue(const ObjectBlocks& b, int r, int p) {
  p = std::min(p, 2);
  const Window w = CutWindow(r, p, b.Last());
  long double sum = 0, weights = 0;
  for (int i = w.lo; i <= w.hi; ++i) {
    const long double a = b.Real(i, 0), bg = b.Real(i, 1), c = b.Integer(i, 2), d = b.Integer(i, 3);
    const auto part = Divide(c * bg, d);
    if (!part) return std::nullopt;
    const long double wt = kGaussianWeights[p][i - r + 2];
    sum += (a - *part) * wt;
    weights += wt;
  }
  if (!(weights > 0)) weights = 1;
  return sum / weights;
}

std::optional<long double> FilteredValue(const ObjectBlocks& b, NoiseFilterMode mode, int r, int p) {
  r = std::clamp(r, 0, b.Last());
  switch (mode) {
    case NoiseFilterMode::MeasurementValue: {
      const long double a = MovingAverageField(b, 0, r, p), bg = MovingAverageField(b, 1, r, p);
      const long double c = MovingAverageField(b, 2, r, p), d = MovingAverageField(b, 3, r, p);
      const auto part = Divide(bg * c, d);
      if (!part) return std::nullopt;
      return a - *part;
    }
    case NoiseFilterMode::BackgroundOnly: {
      const long double a = b.Integer(r, 0), c = b.Integer(r, 2);
      const long double bg = MovingAverageField(b, 1, r, p), d = MovingAverageField(b, 3, r, p);
      const auto part = Divide(bg * c, d);
      if (!part) return std::nullopt;
      return a - *part;
    }
    case NoiseFilterMode::Gaussian:
      return GaussianValue(b, r, p);
    default: {
      const long double a = b.Integer(r, 0), bg = b.Integer(r, 1), c = b.Integer(r, 2), d = b.Integer(r, 3);
      const auto part = Divide(bg * c, d);
      if (!part) return std::nullopt;
      return a - *part;
    }
  }
}

void ZeroBins(FftBlock& block, int from, int to) {
  const int n = static_cast<int>(block.Length());
  from = std::max(from, 0);
  to = std::min(to, n - 1);
  for (int k = from; k <= to; ++k) {
    block.InputRe[static_cast<size_t>(k)] = 0;
    block.InputIm[static_cast<size_t>(k)] = 0;
  }
}

}  // namespace

int LastRecordIndexOf(const std::vector<std::string>& lines) {
  return static_cast<int>(lines.size()) - HeaderLineCountOf(lines);
}

int ObjectBlockColumn(int csv_version, int k) { return csv_version == 1 ? 17 * k - 3 : 17 * k; }

long double BinFrequency(long double bin, long double frame_rate, int fft_length, bool field_mode) {
  const long double rate = field_mode ? 2 * frame_rate : frame_rate;
  return fft_length > 0 ? bin * rate / fft_length : 0;
}

namespace {

// Frame numbers (column 1) of every record; nothing when one has none.
std::optional<std::vector<long double>> RecordFrameNumbers(const std::vector<std::string>& lines) {
  const int h = HeaderLineCountOf(lines);
  const int last = static_cast<int>(lines.size()) - h;
  std::vector<long double> numbers;
  for (int r = 0; r <= last; ++r) {
    const auto v = ParseLongDouble(GetCsvCell(RecordLine(lines, h, r), 1));
    if (!v) return std::nullopt;
    numbers.push_back(*v);
  }
  return numbers;
}

}  // namespace

int LastFrameNoOf(const std::vector<std::string>& lines) {
  const int first = FirstFrameNoOf(lines), last = std::max(LastRecordIndexOf(lines), 0);
  const auto no = ParseLongDouble(GetCsvCell(RecordLine(lines, HeaderLineCountOf(lines), last), 1));
  if (!no || !(std::fabs(*no) < 2e9L)) return first + last;
  // Both field records of the last frame (N.0, N.5) belong to frame N.
  return std::max(first, static_cast<int>(std::floor(*no)));
}

int FirstFrameNoOf(const std::vector<std::string>& lines) {
  const std::string f = GetCsvCell(RecordLine(lines, HeaderLineCountOf(lines), 0), 1);
  const long double v = ParseLongDouble(f).value_or(0);
  if (!(std::fabs(v) < 2e9L)) return 0;
  return static_cast<int>(RoundHalfEven(v));
}

NoiseReductionResult ApplyNoiseReduction(const std::vector<std::string>& lines, const NoiseReductionParams& p) {
  NoiseReductionResult out;
  out.BlockStart = p.BlockStart;
  out.SpotFrom = p.SpotFrom;
  out.SpotTo = p.SpotTo;
  const CsvLayoutInfo layout = DetectCsvVersion(lines);
  const int first = layout.CsvHeaderLines;
  const int m = static_cast<int>(lines.size()) - layout.HeaderLineCount();
  if (m < 0 || layout.CsvVersion == 0 || HeaderLineCountFor(p.CsvVersion) != 7) return out;
  if (!p.Objects[0] && !p.Objects[1] && !p.Objects[2]) return out;
  const bool fft = p.Mode == NoiseFilterMode::Fft;
  const bool wavelet = p.Mode == NoiseFilterMode::Wavelet;
  const int n = wavelet ? 1024 : (IsFftLength(static_cast<size_t>(std::max(p.FftLength, 0))) ? p.FftLength : 1024);

  // Block start.
  int s = p.BlockStart;
  // A table that fills the block is filtered from one of its own records: a
  // start below 0, left by a longer block, would put the block before it.
  if (m >= n - 1)
    s = std::clamp(s, 0, m - (n - 1));
  else
    s = (m - (n - 1)) / 2;
  out.BlockStart = s;

  std::vector<long double> input(static_cast<size_t>(n), 0.0L);
  const bool transform = (fft || wavelet) && p.Objects[0];
  std::vector<std::string> result = lines;
  try {
    for (int k = 1; k <= std::min(p.ObjectCount, 3); ++k) {
      if (!p.Objects[static_cast<size_t>(k - 1)]) continue;
      const ObjectBlocks blocks(lines, first, p.CsvVersion, k, m);
      const int half = std::clamp(p.HalfWidth[static_cast<size_t>(k - 1)], 0, 50);
      for (int r = 0; r <= m; ++r) {
        std::string& line = result[static_cast<size_t>(first + r)];
        const auto filtered = FilteredValue(blocks, p.Mode, r, half);
        long double v;
        if (filtered) {
          v = *filtered;
          SetCsvField(line, 10 + k, FormatOneDecimal(v));
        } else {
          v = ParseLongDouble(GetCsvCell(line, 10 + k)).value_or(0);
        }
        if (!(transform && k == 1)) continue;
        // Wide: the block start is whatever the edit held.
        const long long j = static_cast<long long>(r) - s;
        // A table shorter than the block is padded with its end values, also
        // when it is one record short and its start comes out as 0.
        if (s >= 0 && m >= n - 1) {
          if (j >= 0 && j <= n - 1) input[static_cast<size_t>(j)] = v;
        } else {
          // A single record is both the first and the last: it fills the whole block.
          if (r == 0)
            for (long long q = 0; q <= std::min(-static_cast<long long>(s), n - 1LL); ++q)
              input[static_cast<size_t>(q)] = v;
          if (r == m) {
            if (j <= n - 1)
              for (long long q = j; q <= n - 1; ++q) input[static_cast<size_t>(q)] = v;
          } else if (r != 0 && j <= n - 1) {
            input[static_cast<size_t>(j)] = v;
          }
        }
      }
    }
  } catch (const ConversionError& e) {
    out.Error = e.what();
    return out;
  }

  if (transform) {
    std::vector<long double> filtered;
    if (fft) {
      FftBlock block;
      block.Resize(static_cast<size_t>(n));
      block.InputRe = input;
      FastFourierTransform(block, FftDirection::Forward);
      block.InputRe = block.OutputRe;
      block.InputIm = block.OutputIm;
      // The band is kept inside the block whatever the edits hold.
      long long wide_lo = p.BandPassCheck ? p.BandFrom : p.CutoffBin;
      // Bin k of a real series mirrors bin N - k: the low-pass band c..N-c
      // drops both halves of each wave at or above the cut-off.
      long long wide_hi = p.BandPassCheck ? p.BandTo : static_cast<long long>(n) - p.CutoffBin;
      if (wide_hi - wide_lo >= n) wide_hi = n + wide_lo - 1;
      int lo = static_cast<int>(std::clamp(wide_lo, 0LL, n - 1LL));
      const int hi = static_cast<int>(std::clamp(wide_hi, 0LL, n - 1LL));
      if (p.EraseInside) {
        ZeroBins(block, lo, hi);
      } else {
        if (lo == 0) lo = 1;
        ZeroBins(block, 0, lo - 1);
        ZeroBins(block, hi + 1, n - 1);
      }
      if (p.SpotErasing) {
        int a = p.SpotFrom, b = p.SpotTo;
        if (a < 0 || a > n - 1) a = 0;
        if (b < 0 || b > n - 1) b = 0;
        out.SpotFrom = a;
        out.SpotTo = b;
        if (b >= a) {
          ZeroBins(block, a, b);
          ZeroBins(block, n - b, n - a);
        }
      }
      FastFourierTransform(block, FftDirection::Inverse);
      filtered = block.OutputRe;
    } else {
      const WaveletFilter f = InitWaveletCoefficients();
      std::vector<long double> work = input;
      WaveletDecompose(work, 10, f);
      // Noise from the unfiltered values of object 1 over the chosen records.
      int lo = std::max(p.NoiseFrom, 0), hi = std::max(p.NoiseTo, 0);
      if (hi < lo) std::swap(lo, hi);
      hi = std::min(hi, m);
      long double sigma = 0;
      try {
        const ObjectBlocks blocks(lines, first, p.CsvVersion, 1, m);
        long double mean = 0, m2 = 0;
        long count = 0;
        for (int r = lo; r <= hi; ++r) {
          const auto v = FilteredValue(blocks, NoiseFilterMode::Wavelet, r, 0);
          if (!v) continue;
          ++count;
          const long double d = *v - mean;
          mean += d / count;
          m2 += d * (*v - mean);
        }
        // No record to measure the noise on: a threshold of 0 would pass
        // the block unfiltered under a noise of "0.0".
        if (count == 0) {
          out.Error = "The standard deviation range " + std::to_string(p.NoiseFrom) + " to " +
                      std::to_string(p.NoiseTo) + " holds no record of the table (records 0 to " +
                      std::to_string(m) + ").";
          return out;
        }
        sigma = std::sqrt(m2 / count);
      } catch (const ConversionError& e) {
        out.Error = e.what();
        return out;
      }
      out.NoiseSd = sigma;
      const long double lambda = std::sqrt(2 * std::log(1024.0L)) * sigma * p.ThresholdPercent / 100;
      for (auto& w : work)
        if (std::fabs(w) < lambda) w = 0;
      WaveletRebuild(work, 10, f);
      filtered = work;
    }
    for (int r = 0; r <= m; ++r) {
      const long long j = static_cast<long long>(r) - s;
      if (j >= 0 && j <= n - 1)
        SetCsvField(result[static_cast<size_t>(first + r)], 11, FormatOneDecimal(filtered[static_cast<size_t>(j)]));
    }
  }
  out.Lines = std::move(result);
  out.Changed = true;
  return out;
}

NoiseReductionResult ResetNoiseReduction(const std::vector<std::string>& lines, int csv_version, int object_count) {
  NoiseReductionParams p;
  p.CsvVersion = csv_version;
  p.ObjectCount = object_count;
  p.Mode = NoiseFilterMode::MeasurementValue;
  p.Objects = {true, true, true};
  p.HalfWidth = {0, 0, 0};
  p.FftLength = 1024;
  // The block start only matters to the transform modes.
  p.BlockStart = 0;
  NoiseReductionResult r = ApplyNoiseReduction(lines, p);
  r.BlockStart = 0;
  return r;
}

ObjectStatistics AvgBkgStatistics(const std::vector<std::string>& lines, int /*csv_version*/, int object_count,
                                  int begin_frame, int end_frame, bool field_measure) {
  ObjectStatistics st;
  const int h = HeaderLineCountOf(lines);
  const int first = FirstFrameNoOf(lines);
  // Wide: the frames are whatever the edits held.
  long long wide0 = static_cast<long long>(begin_frame) - first, wide1 = static_cast<long long>(end_frame) - first;
  st.RecordFrom = static_cast<int>(std::clamp<long long>(wide0, INT_MIN, INT_MAX));
  st.RecordTo = static_cast<int>(std::clamp<long long>(wide1, INT_MIN, INT_MAX));
  if (field_measure) {
    // Two records a frame: the last frame brings its second field too.
    wide0 *= 2;
    wide1 = wide1 * 2 + 1;
  }
  // The range stays inside the table (field records double the offsets).
  const int last = static_cast<int>(lines.size()) - h;
  if (last < 0) return st;  // no records
  int i0 = static_cast<int>(std::clamp<long long>(wide0, 0, last + 1LL));
  int i1 = static_cast<int>(std::clamp<long long>(wide1, -1, last));
  // Records measured every few frames, or with rows taken out, are found by
  // their own frame numbers; both field records of frame e count.
  if (const auto numbers = RecordFrameNumbers(lines)) {
    const auto& no = *numbers;
    const long double b = begin_frame, e = end_frame + 1.0L;
    i0 = static_cast<int>(std::find_if(no.begin(), no.end(), [&](long double n) { return n >= b; }) - no.begin());
    i1 = static_cast<int>(no.rend() - std::find_if(no.rbegin(), no.rend(), [&](long double n) { return n < e; })) - 1;
  }
  if (i1 < i0) return st;
  try {
    for (int k = 1; k <= std::min(object_count, 3); ++k) {
      std::vector<long double> v;
      for (int r = i0; r <= i1; ++r)
        v.push_back(ReadReal(GetCsvCell(RecordLine(lines, h, r), 10 + k)));
      long double sum = 0;
      for (long double x : v) sum += x;
      const long double mean = sum / static_cast<long double>(i1 - i0 + 1);
      long double sq = 0;
      for (long double x : v) sq += (x - mean) * (x - mean);
      const long double sd = i1 > i0 ? std::sqrt(sq / (i1 - i0)) : 0;
      st.Mean[static_cast<size_t>(k - 1)] = FormatOneDecimal(mean);
      st.Sd[static_cast<size_t>(k - 1)] = FormatOneDecimal(sd);
    }
  } catch (const ConversionError& e) {
    st.Error = e.what();
  }
  return st;
}
