#include "support/LedTestTable.h"

#include <algorithm>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "support/ChartTestTables.h"

namespace {

constexpr int64_t kSecond = 1000000, kExposure = 33367, kLit = 100000;

int64_t Offset(int frame) { return (static_cast<int64_t>(frame) * 100000000 + 1498) / 2997; }

int64_t Start() { return 77405 * kSecond + (kSecond - Offset(kLedPulseFrame) % kSecond) + 6000; }

int64_t LitOverlap(int64_t end) {
  int64_t sum = 0;
  for (int64_t w = (end / kSecond - 1) * kSecond; w <= end; w += kSecond)
    sum += std::max<int64_t>(0, std::min(end, w + kLit) - std::max(end - kExposure, w));
  return sum;
}

std::string Padded(int64_t v, size_t digits) {
  std::string s = FormatInt(v);
  while (s.size() < digits) s.insert(s.begin(), '0');
  return s;
}

}  // namespace

int64_t LedTableFrameEndMicros(int frame) { return Start() + Offset(frame); }

std::vector<std::string> BuildLedTestTable() {
  std::vector<TableRowCells> rows(kLedTableRows);
  for (int f = 0; f < kLedTableRows; ++f) {
    const int64_t end = LedTableFrameEndMicros(f);
    const int64_t v = 20000 + 2 * f + 200000 * LitOverlap(end) / kExposure;
    rows[static_cast<size_t>(f)].No = FormatInt(f);
    rows[static_cast<size_t>(f)].Signal1 = FormatInt(v / 1000) + "." + Padded(v % 1000, 3);
    rows[static_cast<size_t>(f)].Objects[0].Value = "100.0";
  }
  std::vector<std::string> lines = BuildResultTable(3, 1, rows);
  for (int f = 0; f < kLedTableRows; ++f) {
    const int64_t pc = LedTableFrameEndMicros(f) / 100 + 3127 + 5 * ((37 * f) % 21 - 10);
    std::string& line = lines[static_cast<size_t>(6 + f)];
    SetCsvField(line, 8, FormatInt(pc / 36000000));
    SetCsvField(line, 9, FormatInt(pc / 600000 % 60));
    SetCsvField(line, 10, Padded(pc % 600000 / 10000, 2) + "." + Padded(pc % 10000, 4));
  }
  return lines;
}

std::vector<std::string> BuildLedTestTable(int step, bool field_rows) {
  const std::vector<std::string> all = BuildLedTestTable();
  std::vector<std::string> lines(all.begin(), all.begin() + 6);
  for (int f = 0; f < kLedTableRows; f += std::max(step, 1)) {
    const std::string& row = all[static_cast<size_t>(6 + f)];
    if (!field_rows) {
      lines.push_back(row);
      continue;
    }
    for (const char* half : {".0", ".5"}) {
      lines.push_back(row);
      SetCsvField(lines.back(), 1, FormatInt(f) + half);
    }
  }
  return lines;
}
