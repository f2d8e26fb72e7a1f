#pragma once
// Calendar dates kept as texts by the reports ("2026-12-7", "23-7-5",
// "2026/12/07", "2026|12|7").
#include <string>
#include <string_view>

// The year a two-digit year of a time stamp or a prediction stands for:
// 88..99 are 1988..1999, 0..87 are 2000..2087.
int YearOfTwoDigits(int yy);

// A date text's year part with four digits: a number 0..99 of at most two
// characters read as above, any other text of fewer than three characters
// with "20" in front, a longer text unchanged.
std::string FourDigitYearText(std::string_view year);

// The date `days` days after `date` (before it when negative), in the same
// form: the same separators, a two-digit year stays two digits (read as
// above), and month and day get a leading zero only when the original showed
// one. Month and year ends and 29 February follow the Gregorian calendar. A
// text that is not three numbers forming a real date comes back unchanged.
std::string DateDaysOn(std::string_view date, int days);
