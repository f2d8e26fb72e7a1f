// 'SaveToCSV-File' and 'Load CSV' with videos and tables whose names hold
// commas, quotes, blanks, '#', '=' and non-ASCII characters: the file-name
// line keeps the path whole, the load reopens that very video, and the table
// comes back line for line.
#include <QLineEdit>

#include "ObjectsFixture.h"

namespace {

struct OddName {
  const char* name;
  std::string video;
  std::string csv;
};

class CsvOddPaths : public ::testing::TestWithParam<OddName> {};

TEST_P(CsvOddPaths, SavedTableReopensItsOwnVideo) {
  const OddName& c = GetParam();
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f, c.video));
  m.ClickImage1(ObjectsWindow::Px(f.X(1, 0)), ObjectsWindow::Px(f.Y(1, 0)));
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  TPlatform& w = m.W();
  const std::vector<std::string> table = w.Results.Lines();
  ASSERT_GT(table.size(), 7u);
  EXPECT_EQ(table[1], "\"FileName : " + m.video.string() + "\"");

  const auto csv = m.Path(c.csv);
  ASSERT_TRUE(m.SaveTableThroughButton6(csv));

  // Another video in between, so the load has to find the table's own.
  const auto other = m.Path("other.avi");
  std::filesystem::copy_file(m.video, other);
  ASSERT_TRUE(m.OpenThroughButton1(other));
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  EXPECT_TRUE(m.dialogs.messages.empty()) << m.dialogs.messages[0].text.toStdString();
  EXPECT_EQ(w.Results.Lines(), table);
  EXPECT_TRUE(w.Run.VideoLoaded);
  EXPECT_EQ(m.Find<QLineEdit>("Edit5")->text().toStdString(), m.video.string());
  EXPECT_EQ(w.Run.CsvFileName, csv.string());
}

INSTANTIATE_TEST_SUITE_P(
    Names, CsvOddPaths,
    ::testing::Values(OddName{"CommasAndBlanks", "run 1, west, 2026.avi", "table, one.csv"},
                      OddName{"Quotes", "the \"west\" run.avi", "\"t\".csv"},
                      OddName{"NonAscii", "\xC3\xA9toile \xE6\x98\x9F.avi", "r\xC3\xA9sultat.csv"},
                      OddName{"HashEqualsSemicolon", "a#1=b;c.avi", "x=1;y#2.csv"},
                      OddName{"TrailingBlank", "star .avi", "t .csv"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
