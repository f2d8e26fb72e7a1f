#include <gtest/gtest.h>

#include "base/CsvFields.h"

namespace {

TEST(GetCsvField, CountsFieldsFromOne) {
  EXPECT_EQ(GetCsvField("a,b,c", 1), "a");
  EXPECT_EQ(GetCsvField("a,b,c", 3), "c");
  EXPECT_EQ(GetCsvField("a,b,c", 4), "");
  EXPECT_EQ(GetCsvField("a,b,c", 0), "a");
  EXPECT_EQ(GetCsvField("a,b,c", -5), "a");
  EXPECT_EQ(GetCsvField(",,x", 3), "x");
  EXPECT_EQ(GetCsvField(",,x", 1), "");
  EXPECT_EQ(GetCsvField(",,x", 2), "");
  EXPECT_EQ(GetCsvField("\" q \",b", 1), "\" q \"");  // quotes and blanks stay
  EXPECT_EQ(GetCsvField("\"a,b\"", 2), "b\"");         // quotes do not protect commas
  for (int n = -1; n < 5; ++n) EXPECT_EQ(GetCsvField("", n), "");
}

TEST(GetCsvField, LongRowsAndManyFieldsHaveNoLimit) {
  std::string row;
  for (int i = 1; i <= 2000; ++i) {
    row += 'v';
    row += std::to_string(i);
    row += "xxxxx,";
  }
  ASSERT_GT(row.size(), 400u);
  EXPECT_EQ(GetCsvField(row, 60), "v60xxxxx");
  EXPECT_EQ(GetCsvField(row, 1500), "v1500xxxxx");
  EXPECT_EQ(GetCsvField(row, 2001), "");
  EXPECT_EQ(GetCsvField(row, 2002), "");
}

TEST(SetCsvField, ReplacesOrExtends) {
  struct Row {
    const char* before;
    int n;
    const char* after;
  } rows[] = {
      {"a,b,c", 3, "a,b,X,"}, {"abc", 1, "X,"},     {"a,b,c,d", 2, "a,X,c,d"},
      {"a", 3, "a,,X,"},      {"a,b", 0, "X,b"},    {",", 1, "X,"},
      {"a,b,c,d", 4, "a,b,c,X,"},
  };
  for (const auto& r : rows) {
    std::string line = r.before;
    SetCsvField(line, r.n, "X");
    EXPECT_EQ(line, r.after) << r.before << " n=" << r.n;
  }
  std::string empty;
  SetCsvField(empty, 3, "X");
  EXPECT_EQ(empty, "");
}

TEST(SetCsvField, ValueWithCommasBecomesSeveralFields) {
  std::string line = "a,b,c";
  SetCsvField(line, 2, "x,y");
  EXPECT_EQ(line, "a,x,y,c");
}

TEST(SanitizeNumericText, CleansEditTexts) {
  struct Row {
    const char* before;
    const char* after;
  } rows[] = {{"", "0"},        {".5", "0.5"}, {"12.", "12.0"}, {".", "0.0"},
              {"1.2.3", "1.23"}, {"-.5", ".5"}, {"-3", "3"},     {"abc", "0"},
              {" 4 2 ", "42"},  {"1,5", "15"}, {"..", "0."}};
  for (const auto& r : rows) {
    std::string s = r.before;
    SanitizeNumericText(s);
    EXPECT_EQ(s, r.after) << '"' << r.before << '"';
  }
}

TEST(NegativeNumericText, TellsTheSignCleaningDrops) {
  const struct {
    const char* text;
    bool negative;
  } rows[] = {{"-2", true}, {" -0.5", true}, {"-.5", true}, {"-2x", true}, {"-0", false}, {"-0.0", false},
              {"-", false}, {"2", false},    {"2-", false}, {"", false},   {"1e-3", false}};
  for (const auto& r : rows) EXPECT_EQ(NegativeNumericText(r.text), r.negative) << '"' << r.text << '"';
}

TEST(StrToIntOrZero, ConvertsOrGivesZero) {
  EXPECT_EQ(StrToIntOrZero("12a"), 0);
  EXPECT_EQ(StrToIntOrZero("-7"), -7);
  EXPECT_EQ(StrToIntOrZero(" 15"), 15);
  EXPECT_EQ(StrToIntOrZero(""), 0);
  EXPECT_EQ(StrToIntOrZero("99999999999"), 0);
  EXPECT_EQ(StrToIntOrZero("1.5"), 0);
}

}  // namespace

TEST(GetCsvCell, ReadsACellWithoutItsQuotes) {
  struct Case {
    const char* line;
    int n;
    const char* cell;
  } cases[] = {
      {"1.0,\"1167.6\",x", 2, "1167.6"}, {"\"\",7", 1, ""},   {"1,2,3", 2, "2"},
      {"\"a\"\"b\",c", 1, "ab"},          {"\"12\"", 2, ""}, {" \"5\" ,1", 1, " 5 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(GetCsvCell(c.line, c.n), c.cell);
    std::string scratch;
    const std::string field = GetCsvField(c.line, c.n);
    EXPECT_EQ(UnquotedCell(field, scratch), c.cell);
  }
  // A cell without quotes is the field itself, not a copy.
  std::string scratch;
  const std::string_view plain = "1167.6";
  EXPECT_EQ(UnquotedCell(plain, scratch).data(), plain.data());
}
