#pragma once
#include <string_view>

// Whether a result row of a table with CMOS times holds a time to show in
// fields 4..7: a capture program's tick stamps keep only the end of the
// exposure (fields 8..10).
bool CsvRowShowsTime(std::string_view line);
