#pragma once
// The main window's results table seen through the chart's table access.
#include "base/ResultTable.h"
#include "chart/ui/ChartHost.h"

class ResultTableAdapter : public ResultTableAccess {
 public:
  explicit ResultTableAdapter(ResultTable& table) : table_(table) {}
  const std::vector<std::string>& Lines() const override { return table_.Lines(); }
  void ReplaceLines(std::vector<std::string> lines) override { table_.Assign(std::move(lines)); }
  // The generation does not count appends; the line count does, and appends
  // are the only changes the generation leaves out.
  uint64_t Revision() const override {
    return (table_.Generation() << 32) ^ static_cast<uint64_t>(static_cast<uint32_t>(table_.Count()));
  }

 private:
  ResultTable& table_;
};
