#include "events/IntegratedVideo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ResultCsvFormat.h"

IntegrationBoundaries FindIntegrationBoundaries(const std::vector<std::string>& lines, int header_lines, int n) {
  IntegrationBoundaries b;
  if (n < 0) return b;
  std::vector<BrightnessJump>& j = b.Jumps;
  j.resize(static_cast<size_t>(n) + 1);
  // A blank or unreadable row has no brightness: it makes no jump of its own,
  // and the next readable row jumps from the last readable one.
  std::optional<double> last_value;
  for (int i = 0; i <= n; ++i) {
    const int line = header_lines + i;
    const std::string& text =
        line >= 0 && line < static_cast<int>(lines.size()) ? lines[static_cast<size_t>(line)] : std::string();
    BrightnessJump& e = j[static_cast<size_t>(i)];
    e.RecordNumber = ParseDoubleOr(GetCsvCell(text, 1), 0);
    const std::optional<double> value = ParseDouble(GetCsvCell(text, 11));
    e.Value = value.value_or(0);
    e.Index = i;
    if (value && last_value) {
      e.SignedJump = *value - *last_value;
      e.Size = std::fabs(e.SignedJump);
      e.SortKey = e.Size;
    }
    if (value) last_value = value;
  }
  // A stable sort on the key moves key, index and signed jump only, as the
  // ranking always has.
  std::vector<size_t> order(j.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t c) { return j[a].SortKey < j[c].SortKey; });
  std::vector<BrightnessJump> ranked = j;
  for (size_t k = 0; k < order.size(); ++k) {
    ranked[k].SortKey = j[order[k]].SortKey;
    ranked[k].Index = j[order[k]].Index;
    ranked[k].SignedJump = j[order[k]].SignedJump;
  }
  j = std::move(ranked);
  const int last = static_cast<int>(RoundHalfAway(n / 2.0L));
  for (int k = 0; k <= last && n - k >= 0; ++k) b.Candidates.push_back(j[static_cast<size_t>(n - k)].Index);
  return b;
}

int IntegrationCountForIndex(int index) {
  static constexpr std::array<int, 10> kCounts{0, 1, 2, 4, 8, 16, 32, 64, 128, 256};
  if (index < 0 || index >= static_cast<int>(kCounts.size())) return 0;
  return kCounts[static_cast<size_t>(index)];
}

std::optional<IntegrationPhase> FindIntegrationPhase(const IntegrationBoundaries& b, int count) {
  const int n = static_cast<int>(b.Jumps.size()) - 1;
  if (count < 1 || n < 1) return std::nullopt;
  for (int k = n; k >= std::max(n / 2, 1); --k) {
    const int at = b.Jumps[static_cast<size_t>(k)].Index;
    const int d = at - b.Jumps[static_cast<size_t>(k) - 1].Index;
    if (d % count != 0) continue;
    IntegrationPhase p;
    p.SampleOffset = static_cast<int>(((count / 2 + at - 1) % count + count) % count);
    p.Phase = at % count;
    return p;
  }
  return std::nullopt;
}

std::vector<std::string> AverageIntegrationBlocks(const std::vector<std::string>& lines, int header_lines,
                                                  int count, int offset) {
  const int header = std::clamp(header_lines, 0, static_cast<int>(lines.size()));
  std::vector<std::string> out(lines.begin(), lines.begin() + header);
  if (count < 1) return out;
  const int n = static_cast<int>(lines.size()) - header - 1;
  const int h = count / 2;
  auto value = [&](int r) { return ParseDouble(GetCsvCell(lines[static_cast<size_t>(header + r)], 11)); };
  for (int i = 0; i <= n; ++i) {
    if (((i - offset) % count + count) % count != 0) continue;
    // A block of one frame is the record itself, not an empty window.
    const int from = std::max(0, std::min(i, i - h + 1)), to = std::min(n, i + h);
    // A blank or unreadable row has no brightness to add: the block's mean
    // is that of its readable rows.
    double sum = 0;
    int readable = 0;
    for (int r = from; r <= to; ++r)
      if (const auto v = value(r)) sum += *v, ++readable;
    std::string line = lines[static_cast<size_t>(header + i)];
    SetCsvField(line, 11, FormatFixed(readable > 0 ? sum / readable : 0, 1, 6));
    out.push_back(std::move(line));
  }
  return out;
}

int SelectLargestDrop(const IntegrationBoundaries& b) {
  for (size_t k = b.Jumps.size(); k-- > 0;)
    if (b.Jumps[k].SignedJump < 0) return b.Jumps[k].Index;
  return -1;
}

int FrameOfRecord(const std::vector<std::string>& lines, int header_lines, int record, int fallback) {
  const long long line = static_cast<long long>(header_lines) + record;
  if (record < 0 || header_lines < 0 || line >= static_cast<long long>(lines.size())) return fallback;
  const int frame = RowFrameNumber(lines[static_cast<size_t>(line)]);
  return frame >= 0 ? frame : fallback;
}

bool MeasuredEveryFrame(const std::vector<std::string>& lines, int header_lines) {
  int single = 0, wider = 0, last = -1;
  size_t last_line = 0;
  for (size_t i = static_cast<size_t>(std::max(header_lines, 0)); i < lines.size(); ++i) {
    const int frame = RowFrameNumber(lines[i]);
    if (frame < 0) continue;
    // A row without a number between two still stands for a frame.
    const long long span = static_cast<long long>(i - last_line);
    if (last >= 0 && frame - last == span) ++single;
    if (last >= 0 && frame - last > span) ++wider;
    last = frame;
    last_line = i;
  }
  return wider <= single;
}

std::vector<std::string> RecordNumbers(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (const std::string& line : lines) out.push_back(GetCsvField(line, 1));
  return out;
}
