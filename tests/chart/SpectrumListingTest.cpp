// The spectrum listing against amplitudes and frequencies known in advance.
#include "chart/SpectrumListing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/NumberText.h"
#include "support/ChartTestTables.h"

TEST(SpectrumListing, ConstantColumn) {
  const auto lines = BuildResultTable(3, 1, RowsFromValues({std::vector<double>(1100, 250.0)}));
  const auto out = SpectrumListing(lines, 3, 1024, 29.97, false);
  ASSERT_TRUE(out.Done);
  ASSERT_EQ(out.Lines.size(), 512u);
  EXPECT_EQ(out.Lines[0], "0.000000,250.000000");  // the mean: the DC term has no mirrored bin
  for (size_t k = 1; k < 512; ++k) EXPECT_EQ(out.Lines[k].substr(out.Lines[k].find(',')), ",0.000000") << k;
}

TEST(SpectrumListing, FrequencyIsBinTimesRateOverN) {
  const auto lines = BuildResultTable(3, 1, RowsFromValues({std::vector<double>(1025, 1.0)}));
  struct Row {
    double rate;
    bool fields;
    const char* line1;
  };
  for (Row r : {Row{29.97, false, "0.029268"}, Row{29.97, true, "0.058535"}, Row{25, false, "0.024414"},
                Row{25, true, "0.048828"}}) {
    const auto out = SpectrumListing(lines, 3, 1024, r.rate, r.fields);
    ASSERT_TRUE(out.Done);
    EXPECT_EQ(out.Lines[1].substr(0, out.Lines[1].find(',')), r.line1) << r.rate << " " << r.fields;
  }
}

TEST(SpectrumListing, SineAmplitudeAtItsBin) {
  std::vector<double> v(1025, 1000.0);  // the table needs N + 7 lines
  for (int i = 0; i < 1024; ++i) v[static_cast<size_t>(i)] = 1000 + 40 * std::sin(2 * M_PI * 64 * i / 1024.0);
  const auto lines = BuildResultTable(3, 1, RowsFromValues({v}));
  const auto out = SpectrumListing(lines, 3, 1024, 25, false);
  ASSERT_TRUE(out.Done);
  const std::string& l = out.Lines[64];
  EXPECT_EQ(l.substr(0, l.find(',')), "1.562500");
  EXPECT_NEAR(ParseDouble(l.substr(l.find(',') + 1)).value(), 40.0, 0.05);  // cells carry one decimal
}

TEST(SpectrumListing, ShortTablesVersion0AndBadCells) {
  const auto short_lines = BuildResultTable(3, 1, RowsFromValues({std::vector<double>(1017, 1.0)}));
  EXPECT_FALSE(SpectrumListing(short_lines, 3, 1024, 25, false).Done);  // 1023 lines < 1031
  const auto v0 = BuildResultTable(0, 1, RowsFromValues({std::vector<double>(1030, 3.0)}));
  const auto out0 = SpectrumListing(v0, 0, 1024, 25, false);
  ASSERT_TRUE(out0.Done);
  EXPECT_EQ(out0.Lines[0], "0.000000,3.000000");
  auto rows = RowsFromValues({std::vector<double>(1030, 3.0)});
  rows[5].Objects[0].Value = "";   // counts as 0
  rows[9].Objects[0].Value = "x";  // stops
  const auto bad = SpectrumListing(BuildResultTable(3, 1, rows), 3, 1024, 25, false);
  EXPECT_FALSE(bad.Done);
  EXPECT_EQ(bad.Error, "'x' is not a valid floating point value");
  EXPECT_EQ(bad.FieldTexts.size(), 10u);
  rows[9].Objects[0].Value = "3.0";
  const auto empty_cell = SpectrumListing(BuildResultTable(3, 1, rows), 3, 1024, 25, false);
  ASSERT_TRUE(empty_cell.Done);
  EXPECT_EQ(empty_cell.Lines[0], "0.000000," + FormatFixed(3.0 * 1023 / 1024, 6, 8));
}

// One huge cell among zeros: every bin holds 1e3000 / N, which fits a long
// double though its square does not.
TEST(SpectrumListing, HugeValueGivesItsAmplitudeNotInfinity) {
  auto rows = RowsFromValues({std::vector<double>(1030, 0.0)});
  rows[0].Objects[0].Value = "1e3000";
  const auto out = SpectrumListing(BuildResultTable(3, 1, rows), 3, 1024, 25, false);
  ASSERT_TRUE(out.Done);
  EXPECT_EQ(out.Lines[0], "0.000000,9.765625E2996");  // 1e3000 / 1024
  EXPECT_EQ(out.Lines[1], "0.024414,1.953125E2997");
  EXPECT_EQ(out.Lines[511].substr(out.Lines[511].find(',')), ",1.953125E2997");
}
