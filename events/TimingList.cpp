#include "events/TimingList.h"

#include <algorithm>
#include <iterator>

#include "base/NumberText.h"

namespace {

enum class MissMark { Never, IfApproximate, Always };

// What each list form appends to an entry: its D and R marks, its minor and
// main texts, and when " Miss" follows. The forms differ in spacing and case.
struct LineTail {
  const char* D;
  const char* R;
  const char* Minor;
  const char* Main;
  MissMark Miss;
};

// In the order of ListLineFormat.
constexpr LineTail kLineTails[] = {
    {" D", " R", "   minor change", "   Main change", MissMark::IfApproximate},        // Added
    {"  D", "  R", "  Minor light change", "  Main light change", MissMark::Never},   // Deleted
    {"  D", "  R", "   minor light change", "   Main light change", MissMark::Never},  // Sorted
    {" D", " R", "   minor light change", "   Main light change", MissMark::Never},    // MinorChanged
    {" D", " D", "   minor Change", "   Main Change", MissMark::Always},               // MissD
    {" R", " R", "   minor light change", "   Main light change", MissMark::Always},   // MissR
};
static_assert(std::size(kLineTails) == static_cast<size_t>(ListLineFormat::MissR) + 1);

// The event time that opens the list: the one after the widest gap between
// times on the 24-hour circle, so a list running past midnight puts 00:00:01
// after 23:59:58. Without a wider gap the earliest time opens it.
double FirstOfDay(std::vector<double> keys) {
  std::sort(keys.begin(), keys.end());
  double first = keys.front();
  double widest = keys.front() + 86400.0 - keys.back();
  for (size_t i = 1; i < keys.size(); ++i) {
    if (keys[i] - keys[i - 1] > widest) {
      widest = keys[i] - keys[i - 1];
      first = keys[i];
    }
  }
  return first;
}

}  // namespace

int ValidCount(const TAsteroidTiming& t) { return std::clamp(t.EntryCount, 0, kTimingListCapacity); }

std::string ListLine(const TAsteroidTiming& t, int k, ListLineFormat format) {
  const TAsteroidEachEventTime& e = t.Entries[static_cast<size_t>(k - 1)];
  std::string line = FormatInt(k) + "  " + Hour(e) + " " + Minute(e) + " " + Second(e) + " +/- " + e.Error +
                     "s,  S/N= " + Sn(e);
  const LineTail& tail = kLineTails[static_cast<size_t>(format)];
  line += IsDisappearance(e) ? tail.D : tail.R;
  line += IsMinor(e) ? tail.Minor : tail.Main;
  if (tail.Miss == MissMark::Always || (tail.Miss == MissMark::IfApproximate && e.Approximate)) line += " Miss";
  return line;
}

std::vector<std::string> ListLines(const TAsteroidTiming& t, ListLineFormat format) {
  std::vector<std::string> out;
  for (int k = 1; k <= ValidCount(t); ++k) out.push_back(ListLine(t, k, format));
  return out;
}

bool AppendEntry(TAsteroidTiming& t, const TAsteroidEachEventTime& e) {
  const int n = ValidCount(t);
  if (n >= kTimingListCapacity) return false;
  t.Entries[static_cast<size_t>(n)] = e;
  t.EntryCount = n + 1;
  return true;
}

void DeleteEntry(TAsteroidTiming& t, int k) {
  const int n = ValidCount(t);
  if (k < 1 || k > n) return;
  for (int i = k; i < n; ++i) t.Entries[static_cast<size_t>(i - 1)] = t.Entries[static_cast<size_t>(i)];
  t.EntryCount = n - 1;
}

std::optional<SortRefusal> SortEntries(TAsteroidTiming& t) {
  const int n = ValidCount(t);
  if (n < 2) return std::nullopt;
  std::vector<double> keys(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const TAsteroidEachEventTime& e = t.Entries[static_cast<size_t>(i)];
    // 32-bit integers, as the conversion message says: a longer number typed
    // into the report's event row would overflow the key.
    const auto h = ParseInt32(Hour(e));
    if (!h) return SortRefusal{Hour(e)};
    const auto m = ParseInt32(Minute(e));
    if (!m) return SortRefusal{Minute(e)};
    // A second typed wrong in the report's event row would otherwise sort as 0.
    const auto s = ParseDouble(Second(e));
    if (!s) return SortRefusal{Second(e), false};
    keys[static_cast<size_t>(i)] = static_cast<double>(int64_t{*h} * 3600 + int64_t{*m} * 60) + *s;
  }
  for (int i = 0; i < n; ++i) t.Entries[static_cast<size_t>(i)].SortKey = keys[static_cast<size_t>(i)];
  const double first = FirstOfDay(keys);
  const auto order = [first](const TAsteroidEachEventTime& e) {
    return e.SortKey < first ? e.SortKey + 86400.0 : e.SortKey;
  };
  bool swapped = true;
  while (swapped) {
    swapped = false;
    for (size_t i = 0; i + 1 < static_cast<size_t>(n); ++i) {
      if (order(t.Entries[i]) > order(t.Entries[i + 1])) {
        std::swap(t.Entries[i], t.Entries[i + 1]);
        swapped = true;
      }
    }
  }
  return std::nullopt;
}

TAsteroidEachEventTime MissedEntry(const std::string& hour, const std::string& minute, const std::string& second,
                                   bool disappearance, bool minor) {
  TAsteroidEachEventTime e;
  Hour(e) = hour;
  Minute(e) = minute;
  Second(e) = second.empty() ? second : second.substr(0, second.size() - 1);
  SetDisappearance(e, disappearance);
  SetMinor(e, minor);
  e.Approximate = 1;
  return e;
}
