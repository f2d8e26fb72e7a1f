// The event timing list: list lines, add with its limit, delete and sort.
#include "events/TimingList.h"

#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/events/ReportFixtures.h"

TEST(TimingList, LineFormats) {
  TAsteroidTiming t;
  AppendEntry(t, Timed("10", "30", "05.123", "0.012", "4.5", true));
  AppendEntry(t, MissedEntry("12", "38", "21.4567", false, true));
  struct Row {
    int k;
    ListLineFormat f;
    const char* line;
  };
  for (Row r : {Row{1, ListLineFormat::Added, "1  10 30 05.123 +/- 0.012s,  S/N= 4.5 D   Main change"},
                Row{1, ListLineFormat::Deleted, "1  10 30 05.123 +/- 0.012s,  S/N= 4.5  D  Main light change"},
                Row{1, ListLineFormat::Sorted, "1  10 30 05.123 +/- 0.012s,  S/N= 4.5  D   Main light change"},
                Row{1, ListLineFormat::MinorChanged, "1  10 30 05.123 +/- 0.012s,  S/N= 4.5 D   Main light change"},
                Row{2, ListLineFormat::Added, "2  12 38 21.456 +/- s,  S/N=  R   minor change Miss"},
                Row{2, ListLineFormat::MissR, "2  12 38 21.456 +/- s,  S/N=  R   minor light change Miss"},
                Row{2, ListLineFormat::MissD, "2  12 38 21.456 +/- s,  S/N=  D   minor Change Miss"},
                Row{2, ListLineFormat::Deleted, "2  12 38 21.456 +/- s,  S/N=   R  Minor light change"}}) {
    EXPECT_EQ(ListLine(t, r.k, r.f), r.line) << r.line;
  }
}

TEST(TimingList, AddStopsAtOneHundred) {
  TAsteroidTiming t;
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(AppendEntry(t, Timed("1", "2", "3", "0.1", "1", true)));
  EXPECT_FALSE(AppendEntry(t, Timed("1", "2", "3", "0.1", "1", true)));
  EXPECT_EQ(t.EntryCount, 100);
  t.EntryCount = 250;  // a damaged counter still stays inside the array
  EXPECT_EQ(ValidCount(t), 100);
  EXPECT_FALSE(AppendEntry(t, Timed("1", "2", "3", "0.1", "1", true)));
}

TEST(TimingList, DeleteAndSort) {
  TAsteroidTiming t;
  AppendEntry(t, Timed("10", "30", "05.5", "0.1", "1", true));
  AppendEntry(t, Timed("10", "29", "59.0", "0.2", "2", false));
  AppendEntry(t, Timed("9", "59", "59.9", "0.3", "3", true));
  AppendEntry(t, Timed("10", "30", "05.5", "0.4", "4", true));
  EXPECT_FALSE(SortEntries(t));
  std::vector<std::string> errors;
  for (int i = 0; i < 4; ++i) errors.push_back(t.Entries[static_cast<size_t>(i)].Error);
  EXPECT_EQ(errors, (std::vector<std::string>{"0.3", "0.2", "0.1", "0.4"}));  // equal keys keep their order
  EXPECT_DOUBLE_EQ(t.Entries[0].SortKey, 9 * 3600 + 59 * 60 + 59.9);
  DeleteEntry(t, 2);
  EXPECT_EQ(ListLines(t, ListLineFormat::Deleted),
            (std::vector<std::string>{"1  9 59 59.9 +/- 0.3s,  S/N= 3  D  Main light change",
                                      "2  10 30 05.5 +/- 0.1s,  S/N= 1  D  Main light change",
                                      "3  10 30 05.5 +/- 0.4s,  S/N= 4  D  Main light change"}));
  DeleteEntry(t, 7);
  EXPECT_EQ(t.EntryCount, 3);
  Hour(t.Entries[1]) = "1O";
  const auto refused = SortEntries(t);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->Text, "1O");
  EXPECT_EQ(t.Entries[0].Error, "0.3");
}

// Which error texts come out in which order after Sort.
static std::vector<std::string> SortedErrors(std::vector<std::array<const char*, 3>> times) {
  TAsteroidTiming t;
  int i = 0;
  for (const auto& hms : times) {
    const std::string err = std::to_string(++i);
    AppendEntry(t, Timed(hms[0], hms[1], hms[2], err.c_str(), "1", true));
  }
  EXPECT_FALSE(SortEntries(t));
  std::vector<std::string> out;
  for (int k = 0; k < ValidCount(t); ++k) out.push_back(t.Entries[static_cast<size_t>(k)].Error);
  return out;
}

TEST(TimingList, SortAcrossMidnight) {
  struct Row {
    const char* name;
    std::vector<std::array<const char*, 3>> times;
    std::vector<std::string> order;
  };
  const Row rows[] = {
      {"after midnight last", {{"0", "0", "01.0"}, {"23", "59", "58.0"}}, {"2", "1"}},
      {"three across midnight", {{"0", "0", "40"}, {"23", "59", "58.5"}, {"0", "0", "02"}}, {"2", "3", "1"}},
      {"evening only", {{"23", "10", "0"}, {"22", "0", "0"}}, {"2", "1"}},
      {"morning only", {{"0", "30", "0"}, {"0", "10", "0"}}, {"2", "1"}},
      {"half a day apart", {{"18", "0", "0"}, {"6", "0", "0"}}, {"2", "1"}},
      {"hours past 24", {{"24", "0", "5"}, {"23", "59", "50"}}, {"2", "1"}},
  };
  for (const Row& r : rows) EXPECT_EQ(SortedErrors(r.times), r.order) << r.name;
}

// An hour or minute beyond a 32-bit integer (typed into the report window's
// event row) stops the sort like any text that is no integer; the entries
// keep their order.
TEST(TimingList, SortRefusesAnHourOrMinuteBeyondAnInteger) {
  struct Row {
    const char *hour, *minute, *refused;
  };
  for (const Row& r : {Row{"9000000000000000000", "0", "9000000000000000000"},
                       Row{"10", "-9000000000000000000", "-9000000000000000000"},
                       Row{"2147483648", "0", "2147483648"}}) {
    SCOPED_TRACE(std::string(r.hour) + " " + r.minute);
    TAsteroidTiming t;
    AppendEntry(t, Timed("10", "30", "05.5", "1", "1", true));
    AppendEntry(t, Timed(r.hour, r.minute, "00.0", "2", "1", true));
    AppendEntry(t, Timed("9", "0", "00.0", "3", "1", true));
    const auto bad = SortEntries(t);
    ASSERT_TRUE(bad.has_value());
    EXPECT_EQ(bad->Text, r.refused);
    EXPECT_EQ(t.Entries[0].Error + t.Entries[1].Error + t.Entries[2].Error, "123");
  }
  // The largest hour an integer holds still sorts.
  TAsteroidTiming t;
  AppendEntry(t, Timed("2147483647", "0", "0", "1", "1", true));
  AppendEntry(t, Timed("9", "0", "0", "2", "1", true));
  EXPECT_FALSE(SortEntries(t));
}

// A second that is no number stops the sort like an hour that is no integer;
// a second without decimals after its point still reads.
TEST(TimingList, SortRefusesASecondThatIsNoNumber) {
  for (const char* second : {"9,5", "", "abc", "5s"}) {
    SCOPED_TRACE(second);
    TAsteroidTiming t;
    AppendEntry(t, Timed("10", "30", "05.5", "1", "1", true));
    AppendEntry(t, Timed("10", "30", second, "2", "1", true));
    const auto bad = SortEntries(t);
    ASSERT_TRUE(bad.has_value());
    EXPECT_EQ(bad->Text, second);
    EXPECT_FALSE(bad->Integer);
    EXPECT_EQ(t.Entries[0].Error + t.Entries[1].Error, "12");
  }
  EXPECT_EQ(SortedErrors({{"10", "30", "05."}, {"10", "30", "04.9"}}), (std::vector<std::string>{"2", "1"}));
}
