// The next day's date in the form the date came in; expected dates from
// Python's datetime (date + timedelta(days=1)).
#include "base/DateText.h"

#include <gtest/gtest.h>

TEST(DateDaysOn, CalendarEndsInTheSameForm) {
  struct Row {
    const char *date, *next;
  };
  for (Row r : {Row{"2026-12-7", "2026-12-8"}, Row{"2026-12-31", "2027-1-1"}, Row{"2026-4-30", "2026-5-1"},
                Row{"2024-2-28", "2024-2-29"}, Row{"2024-2-29", "2024-3-1"}, Row{"2023-2-28", "2023-3-1"},
                Row{"1900-2-28", "1900-3-1"}, Row{"2000-2-28", "2000-2-29"}, Row{"2100-2-28", "2100-3-1"},
                Row{"2026-12-06", "2026-12-07"}, Row{"2026/03/31", "2026/04/01"}, Row{"2026/12/31", "2027/1/1"}, Row{"2026|1|31", "2026|2|1"},
                Row{"23-7-5", "23-7-6"}, Row{"23-12-31", "24-1-1"}, Row{"99-12-31", "00-1-1"},
                Row{"24-2-28", "24-2-29"}}) {
    EXPECT_EQ(DateDaysOn(r.date, 1), r.next) << r.date;
  }
}

TEST(DateDaysOn, DaysBackAndOn) {
  struct Row {
    const char* date;
    int days;
    const char* moved;
  };
  for (Row r : {Row{"2027-1-1", -1, "2026-12-31"}, Row{"2024-3-1", -1, "2024-2-29"}, Row{"2023-3-1", -1, "2023-2-28"},
                Row{"24-1-1", -1, "23-12-31"}, Row{"2026-12-7", 0, "2026-12-7"}, Row{"2026-12-30", 2, "2027-1-1"}}) {
    EXPECT_EQ(DateDaysOn(r.date, r.days), r.moved) << r.date << " " << r.days;
  }
}

TEST(DateDaysOn, TextsThatAreNoDateStayAsTheyAre) {
  for (const char* s : {"", "2026", "2026-12", "2026-13-1", "2023-2-29", "2026-4-31", "2026-x-1", "2026-12-7-1",
                        "2026--7", "-2026-1-1", "2026-12-7 "}) {
    EXPECT_EQ(DateDaysOn(s, 1), s) << s;
  }
}

// A two-digit year turns its century at 88; four-digit years and texts that
// are no number keep their old reading.
TEST(FourDigitYearText, CenturyTurnsAt88) {
  struct Row {
    const char *year, *four;
  };
  for (Row r : {Row{"87", "2087"}, Row{"88", "1988"}, Row{"99", "1999"}, Row{"00", "2000"}, Row{"0", "2000"},
                Row{"5", "2005"}, Row{"2024", "2024"}, Row{"1999", "1999"}, Row{"123", "123"}, Row{"x", "20x"},
                Row{"", "20"}, Row{"-1", "20-1"}}) {
    EXPECT_EQ(FourDigitYearText(r.year), r.four) << r.year;
  }
}
