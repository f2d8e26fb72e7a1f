// Lunar prediction listings on arbitrary bytes: the search, the listing and
// applying every listed line never crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/ResultTable.h"
#include "events/LunarPrediction.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 18)) return 0;
  const auto lines = SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size));
  const int header = LunarHeaderLineIndex(lines);
  if (header < 0) return 0;
  const LunarColumnPositions cols = ComputeLunarColumns(lines[static_cast<size_t>(header)]);
  const StampDateTime stamp{"24", "5", "12", "14", "30", "5"};
  const auto found = SearchPredictionByStampTime(lines, stamp);
  (void)ReadStarBlock(lines);
  const LunarListing list = ListPredictionLines(found ? found->Lines : lines, cols.Duration, true, "24");
  if (list.Selected >= static_cast<int>(list.Lines.size())) std::abort();
  static const ZcToXzTable zc{};
  const std::string second = list.Lines.size() > 1 ? list.Lines[1] : std::string();
  for (const std::string& l : list.Lines) (void)ApplyLunarLine(l, second, cols, stamp, zc);
  return 0;
}
