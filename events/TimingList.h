#pragma once
// The event timing list the reports read: named access to an entry's fields
// and the list operations of the magnitude calculator.
#include <optional>
#include <string>
#include <vector>

#include "events/ChartEventState.h"

constexpr int kTimingListCapacity = 100;

inline std::string& Hour(TAsteroidEachEventTime& e) { return e.Texts[0]; }
inline std::string& Minute(TAsteroidEachEventTime& e) { return e.Texts[1]; }
inline std::string& Second(TAsteroidEachEventTime& e) { return e.Texts[2]; }
inline std::string& Sn(TAsteroidEachEventTime& e) { return e.Texts[3]; }
inline const std::string& Hour(const TAsteroidEachEventTime& e) { return e.Texts[0]; }
inline const std::string& Minute(const TAsteroidEachEventTime& e) { return e.Texts[1]; }
inline const std::string& Second(const TAsteroidEachEventTime& e) { return e.Texts[2]; }
inline const std::string& Sn(const TAsteroidEachEventTime& e) { return e.Texts[3]; }
inline bool IsDisappearance(const TAsteroidEachEventTime& e) { return e.Flag1 != 0; }
inline bool IsMinor(const TAsteroidEachEventTime& e) { return e.Flag2 != 0; }
inline void SetDisappearance(TAsteroidEachEventTime& e, bool d) { e.Flag1 = d ? 1 : 0; }
inline void SetMinor(TAsteroidEachEventTime& e, bool m) { e.Flag2 = m ? 1 : 0; }

// Entries in use, kept within 0..100 whatever the counter holds.
int ValidCount(const TAsteroidTiming& t);

// The list line formats, one for each operation that writes the list.
enum class ListLineFormat { Added, Deleted, Sorted, MinorChanged, MissD, MissR };
// Line of entry k (1-based).
std::string ListLine(const TAsteroidTiming& t, int k, ListLineFormat format);
std::vector<std::string> ListLines(const TAsteroidTiming& t, ListLineFormat format);

// The message shown when the list has no room for what is added.
inline constexpr const char* kTimingListFullMessage =
    "The event list is full (100 entries). Delete entries before adding more.";
inline constexpr const char* kTimingListNoRoomForPairMessage =
    "The event list has room for only one more entry (99 of 100 used), but a double star adds two. Delete entries "
    "before adding more.";

// Appends `e`; false when the list is full.
bool AppendEntry(TAsteroidTiming& t, const TAsteroidEachEventTime& e);
// Removes entry k (1-based); the later entries move up.
void DeleteEntry(TAsteroidTiming& t, int k);
// A time part that does not convert, and what it should have been.
struct SortRefusal {
  std::string Text;
  bool Integer = true;  // an hour or minute; false for a second
};
// Orders the entries by hour x 3600 + minute x 60 + second (stable bubble
// sort); a list that runs past midnight keeps the times after midnight last.
// An hour or minute that is not an integer, or a second that is no number,
// is given back and leaves the order unchanged.
std::optional<SortRefusal> SortEntries(TAsteroidTiming& t);

// A disappearance or reappearance missed by the recording: only the
// field-1 base time, seconds without their last character.
TAsteroidEachEventTime MissedEntry(const std::string& hour, const std::string& minute, const std::string& second,
                                   bool disappearance, bool minor);
