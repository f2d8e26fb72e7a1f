#include <gtest/gtest.h>

#include <functional>

#include "base/ResultTable.h"

TEST(ResultTable, LinesOutsideAreEmpty) {
  ResultTable t;
  t.Add("a");
  EXPECT_EQ(t.Line(0), "a");
  EXPECT_EQ(t.Line(1), "");
  EXPECT_EQ(t.Line(-1), "");
  t.SetLine(5, "x");
  t.Delete(5);
  EXPECT_EQ(t.Count(), 1);
}

TEST(ResultTable, TextUsesCrLf) {
  ResultTable t;
  t.Assign({"a,b", "", "c"});
  EXPECT_EQ(t.Text(), "a,b\r\n\r\nc\r\n");
}

struct SplitCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
};

class SplitLines : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLines, AnyLineEnd) { EXPECT_EQ(SplitTextLines(GetParam().text), GetParam().lines); }

INSTANTIATE_TEST_SUITE_P(
    Ends, SplitLines,
    ::testing::Values(SplitCase{"CrLf", "a\r\nb\r\n", {"a", "b"}}, SplitCase{"Lf", "a\nb", {"a", "b"}},
                      SplitCase{"Cr", "a\rb\r", {"a", "b"}},
                      SplitCase{"Mixed", "a\r\n\nb\r\rc", {"a", "", "b", "", "c"}},
                      SplitCase{"Empty", "", {}}, SplitCase{"OnlyEnd", "\r\n", {""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResultTable, GenerationChangesOnlyForEdits) {
  ResultTable t;
  int calls = 0;
  t.SetChangeListener([&] { ++calls; });
  uint64_t g = t.Generation();
  t.Add("a");
  t.Add("b");
  t.Insert(2, "c");
  EXPECT_EQ(t.Generation(), g);
  t.SetLine(0, "x");
  EXPECT_GT(t.Generation(), g);
  g = t.Generation();
  t.Delete(0);
  EXPECT_GT(t.Generation(), g);
  g = t.Generation();
  t.Truncate(1);
  EXPECT_GT(t.Generation(), g);
  EXPECT_EQ(t.Lines(), (std::vector<std::string>{"b"}));
  EXPECT_EQ(calls, 6);
}

// Rows are built by appending; a million of them must not carry the spare room.
TEST(ResultTable, AppendedRowsKeepNoSpareCapacity) {
  auto grown = [] {
    std::string row;
    for (int i = 0; i < 200; ++i) row += 'x';  // grown by appending, as rows are built
    EXPECT_GT(row.capacity(), 215u);
    return row;
  };
  ResultTable table;
  table.Add(grown());
  table.Insert(0, grown());
  table.SetLine(1, grown());
  for (int i = 0; i < table.Count(); ++i) EXPECT_LT(table.Line(i).capacity(), 216u) << i;
}

// What happens to a saved table ["h", "1", "2"], and whether it then differs
// from the saved one.
struct SavedMarkCase {
  const char* name;
  std::function<void(ResultTable&)> edit;
  bool changed;
};

class SavedMark : public ::testing::TestWithParam<SavedMarkCase> {};

TEST_P(SavedMark, TellsAChangedTableFromTheSavedOne) {
  ResultTable t;
  t.Assign({"h", "1", "2"});
  t.MarkSaved();
  GetParam().edit(t);
  EXPECT_EQ(t.ChangedSinceSaved(), GetParam().changed);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, SavedMark,
    ::testing::Values(SavedMarkCase{"Nothing", [](ResultTable&) {}, false},
                      SavedMarkCase{"Append", [](ResultTable& t) { t.Add("3"); }, true},
                      SavedMarkCase{"Delete", [](ResultTable& t) { t.Delete(2); }, true},
                      SavedMarkCase{"EditALine", [](ResultTable& t) { t.SetLine(1, "9"); }, true},
                      SavedMarkCase{"SameLineAgain", [](ResultTable& t) { t.SetLine(1, "1"); }, false},
                      SavedMarkCase{"SameTableAgain", [](ResultTable& t) { t.Assign({"h", "1", "2"}); }, false},
                      SavedMarkCase{"RowsSwapped", [](ResultTable& t) { t.Assign({"h", "2", "1"}); }, true},
                      SavedMarkCase{"LineSplitElsewhere", [](ResultTable& t) { t.Assign({"h1", "", "2"}); }, true},
                      SavedMarkCase{"AppendThenTruncate",
                                    [](ResultTable& t) {
                                      t.Add("3");
                                      t.Truncate(3);
                                    },
                                    false},
                      SavedMarkCase{"ReplacedBySameCount",
                                    [](ResultTable& t) {
                                      t.Truncate(2);
                                      t.Add("x");
                                    },
                                    true},
                      SavedMarkCase{"Cleared", [](ResultTable& t) { t.Clear(); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResultTable, ANewTableAndOneMarkedAfterAnEditAreSaved) {
  ResultTable t;
  EXPECT_FALSE(t.ChangedSinceSaved());
  t.Add("a");
  EXPECT_TRUE(t.ChangedSinceSaved());
  t.MarkSaved();
  EXPECT_FALSE(t.ChangedSinceSaved());
}
