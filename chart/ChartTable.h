#pragma once
// The chart's reading of the results table: which line holds record k, which
// columns hold the curves, and one parse of every record into numbers so that
// drawing, range and selection need not re-split 100,000 lines each time.
//
// Contract: lines are the results table (banner, header lines, rows) as text.
// Record k is line HeaderLineCount - 1 + k; records run to the last line.
// Cells are read without their quotes, as the loader reads them. A cell that
// is empty or does not convert counts as 0; emptiness is kept, since empty
// cells draw nothing.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/ResultCsvFormat.h"

enum ChartCurve : int { CurveA = 0, CurveB = 1, CurveC = 2, CurveL = 3 };
constexpr int kChartCurveCount = 4;

// Column of object A's value: 11 for versions 1 to 3, else 5.
int ObjectBaseColumnFor(int csv_version);
// Column of a curve (A, B, C at the object base column, L at field 2).
int CurveColumn(ChartCurve curve, int csv_version);

// The line of record k, empty when k lies outside the table.
std::string_view RecordLine(const std::vector<std::string>& lines, int header_line_count, int record);

// Records: max(1, lines - HeaderLineCount + 1).
int TotalRecordCount(size_t line_count, int header_line_count);

// 1 when the table has more than HeaderLineCount lines and field 1 of
// line HeaderLineCount (the second record) ends in '5'.
uint8_t DetectFieldMode(const std::vector<std::string>& lines, int header_line_count);

// Records a second at `frame_rate` frames a second: the frame rate over the
// median frame-number step between neighbouring records (0.5 for field
// records, n when every n-th frame was measured); without two numbers, twice
// the frame rate for field records.
long double RecordsPerSecond(const std::vector<std::string>& lines, long double frame_rate);

// The hour, minute, second texts of a record: fields 4, 5, 6, or 8, 9, 10
// when field 4 is empty.
struct RecordTime {
  std::string H, M, S;
};
RecordTime RecordTimeOf(std::string_view line);

struct ChartRecord {
  std::array<double, kChartCurveCount> Value{};  // 0 for empty cells
  uint8_t EmptyCells = 0;                        // bit c set: curve c's cell is empty
  bool LineEmpty = true;
  bool FrameEndsInZero = false;                  // field 1 ends in the character '0'
  double FrameNo = 0;                            // field 1 as a number

  bool CellEmpty(ChartCurve c) const { return (EmptyCells >> c) & 1u; }
};

struct ChartData {
  int CsvVersion = 0;
  int HeaderLineCount = 4;
  int ObjectBaseColumn = 5;
  size_t LineCount = 0;
  uint8_t FieldMode = 0;
  std::vector<ChartRecord> Records;  // TotalRecordCount entries when lines reach them

  int TotalFrameCount() const { return TotalRecordCount(LineCount, HeaderLineCount); }
  int DataLineCount() const { return static_cast<int>(LineCount) - HeaderLineCount; }
};

ChartData ReadChartData(const std::vector<std::string>& lines, int csv_version);
