// Prediction texts (elements file or pasted listing) on arbitrary bytes:
// never crashes, one list line per opened event at most, and the chosen
// event, when any, is one of the list's.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/ResultTable.h"
#include "events/PredictionElements.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const auto lines = SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto list = ReadPredictionText(lines);
  if (!list) return 0;
  if (list->Lines.size() > list->Events.size() || list->Events.size() > kMaxPredictionEvents) std::abort();
  for (const Occelmnt_Format& e : list->Events) (void)DescribePredictionEvent(e);
  const int k = SelectEventByVideoTime(list->Events, VideoDateText("24", "5", "12"), 3.0);
  if (k >= static_cast<int>(list->Events.size())) std::abort();
  return 0;
}
