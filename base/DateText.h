#pragma once
// Calendar dates kept as texts by the reports ("2026-12-7", "23-7-5",
// "2026/12/07", "2026|12|7").
#include <string>
#include <string_view>

// The date `days` days after `date` (before it when negative), in the same
// form: the same separators, a two-digit year stays two digits (read as
// 20yy), and month and day get a leading zero only when the original showed
// one. Month and year ends and 29 February follow the Gregorian calendar. A
// text that is not three numbers forming a real date comes back unchanged.
std::string DateDaysOn(std::string_view date, int days);
