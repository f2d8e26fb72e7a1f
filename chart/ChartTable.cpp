#include "chart/ChartTable.h"

#include <algorithm>
#include <optional>

#include "base/CsvFields.h"
#include "base/NumberText.h"


int ObjectBaseColumnFor(int csv_version) { return (csv_version >= 1 && csv_version <= 3) ? 11 : 5; }

int CurveColumn(ChartCurve curve, int csv_version) {
  if (curve == CurveL) return 2;
  return ObjectBaseColumnFor(csv_version) + static_cast<int>(curve);
}

std::string_view RecordLine(const std::vector<std::string>& lines, int header_line_count, int record) {
  const long long index = static_cast<long long>(header_line_count) - 1 + record;
  if (record < 0 || index < 0 || index >= static_cast<long long>(lines.size())) return {};
  return lines[static_cast<size_t>(index)];
}

int TotalRecordCount(size_t line_count, int header_line_count) {
  return std::max(1, static_cast<int>(line_count) - header_line_count + 1);
}

uint8_t DetectFieldMode(const std::vector<std::string>& lines, int header_line_count) {
  if (static_cast<long long>(lines.size()) <= header_line_count || header_line_count < 0) return 0;
  const std::string f = GetCsvCell(lines[static_cast<size_t>(header_line_count)], 1);
  return (!f.empty() && f.back() == '5') ? 1 : 0;
}

long double RecordsPerSecond(const std::vector<std::string>& lines, long double frame_rate) {
  const int h = HeaderLineCountOf(lines);
  // The step most records lie apart, over the whole table: a record repeated
  // or frames missing between the first two must not set it for all.
  std::vector<long double> steps;
  std::optional<long double> previous;
  for (int r = 0;; ++r) {
    const std::string_view line = RecordLine(lines, h, r);
    if (line.data() == nullptr) break;
    const auto no = ParseLongDouble(GetCsvCell(line, 1));
    // The loader's own limit for a measuring step.
    if (no && previous && *no - *previous > 0 && *no - *previous <= 64) steps.push_back(*no - *previous);
    previous = no;
  }
  if (steps.empty()) return DetectFieldMode(lines, h) ? 2 * frame_rate : frame_rate;
  const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
  std::nth_element(steps.begin(), middle, steps.end());
  return frame_rate / *middle;
}

RecordTime RecordTimeOf(std::string_view line) {
  RecordTime t{GetCsvCell(line, 4), GetCsvCell(line, 5), GetCsvCell(line, 6)};
  if (t.H.empty()) t = {GetCsvCell(line, 8), GetCsvCell(line, 9), GetCsvCell(line, 10)};
  return t;
}

namespace {

// Fields 1..max_field of a line as views, without copying.
int SplitFields(std::string_view line, int max_field, std::array<std::string_view, 16>& out) {
  // Cells are short: a plain scan beats a library search per cell.
  int count = 0;
  const char* p = line.data();
  const char* const end = p + line.size();
  const char* start = p;
  while (count < max_field) {
    while (p != end && *p != ',') ++p;
    out[static_cast<size_t>(count++)] = std::string_view(start, static_cast<size_t>(p - start));
    if (p == end) break;
    start = ++p;
  }
  return count;
}

}  // namespace

ChartData ReadChartData(const std::vector<std::string>& lines, int csv_version) {
  ChartData data;
  data.CsvVersion = csv_version;
  data.HeaderLineCount = HeaderLineCountOf(lines);
  data.ObjectBaseColumn = ObjectBaseColumnFor(csv_version);
  data.LineCount = lines.size();
  data.FieldMode = DetectFieldMode(lines, data.HeaderLineCount);
  const int first_line = data.HeaderLineCount - 1;
  if (static_cast<long long>(lines.size()) <= first_line) return data;
  data.Records.resize(lines.size() - static_cast<size_t>(first_line));
  int columns[kChartCurveCount];
  for (int c = 0; c < kChartCurveCount; ++c) columns[c] = CurveColumn(static_cast<ChartCurve>(c), csv_version);
  const int max_field = *std::max_element(columns, columns + kChartCurveCount);
  std::array<std::string_view, 16> fields;
  std::string scratch;
  for (size_t k = 0; k < data.Records.size(); ++k) {
    const std::string& line = lines[static_cast<size_t>(first_line) + k];
    ChartRecord& rec = data.Records[k];
    rec.LineEmpty = line.empty();
    const int n = SplitFields(line, max_field, fields);
    rec.EmptyCells = 0;
    for (int c = 0; c < kChartCurveCount; ++c) {
      const int col = columns[c];
      const std::string_view raw = col <= n ? fields[static_cast<size_t>(col - 1)] : std::string_view{};
      const std::string_view cell = UnquotedCell(raw, scratch);
      // Column 2 holds the detection mark this program writes quoted, "" or
      // "***", drawn at 0 either way; elsewhere "" is what a program that
      // quotes every cell makes of an empty one.
      if (c == CurveL ? raw.empty() : cell.empty()) {
        rec.EmptyCells |= static_cast<uint8_t>(1u << c);
        rec.Value[static_cast<size_t>(c)] = 0;
      } else {
        rec.Value[static_cast<size_t>(c)] = ParseDoubleOr(cell, 0.0);
      }
    }
    const std::string_view f1 = n >= 1 ? UnquotedCell(fields[0], scratch) : std::string_view{};
    rec.FrameEndsInZero = !f1.empty() && f1.back() == '0';
    rec.FrameNo = f1.empty() ? 0.0 : ParseDoubleOr(f1, 0.0);
  }
  return data;
}
