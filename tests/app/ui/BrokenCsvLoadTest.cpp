// 'Load CSV' given a broken results table after a good one was loaded: a file
// that cannot be a table is refused with one clear message and the loaded
// table stays; one cut short loads only its complete rows; other line ends
// and a byte-order mark load the same table; odd cells load without harm to
// the chart.
#include <QPushButton>

#include "MainRoadFixture.h"
#include "chart/ui/Tchart1.h"
#include "support/BrokenFiles.h"
#include "support/SpreadsheetSaves.h"

namespace {

enum class Outcome { Refused, Same, CompleteRowsOnly, Loaded };

struct CsvCase {
  std::string name;
  std::string bytes;
  Outcome outcome;
};

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

std::vector<std::string> CrlfLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

std::string CrlfJoined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

// The table with cell `column` (1 the first) of line `n` (0 the first) replaced.
std::string WithCell(const std::string& good, size_t n, int column, const std::string& cell) {
  std::vector<std::string> lines = CrlfLines(good);
  std::string& line = lines.at(n);
  size_t start = 0;
  for (int c = 1; c < column; ++c) start = line.find(',', start) + 1;
  const size_t stop = line.find(',', start);
  line.replace(start, stop == std::string::npos ? std::string::npos : stop - start, cell);
  return CrlfJoined(lines);
}

// The table with line `n` cut after its first `cells` cells.
std::string WithCellsOnly(const std::string& good, size_t n, int cells) {
  std::vector<std::string> lines = CrlfLines(good);
  std::string& line = lines.at(n);
  size_t stop = 0;
  for (int c = 0; c < cells && stop != std::string::npos; ++c) stop = line.find(',', stop + (c ? 1 : 0));
  if (stop != std::string::npos) line.erase(stop);
  return CrlfJoined(lines);
}

std::vector<CsvCase> Cases(const std::string& good, size_t first_row_line) {
  size_t first_row = 0;  // where the first row begins
  for (size_t n = 0; n < first_row_line; ++n) first_row = good.find("\r\n", first_row) + 2;
  const size_t third_row_middle = good.find("\r\n", good.find("\r\n", first_row) + 2) + 20;
  std::vector<BrokenFile> cut = CutShort(good);
  cut.push_back({"cut inside the third row", good.substr(0, third_row_middle)});
  cut.push_back({"cut inside the last row", good.substr(0, good.size() - 30)});
  std::vector<CsvCase> cases;
  for (BrokenFile& c : cut) {
    const Outcome o = c.bytes.size() == good.size() - 1 ? Outcome::Same
                      : c.bytes.size() < first_row + 10 ? Outcome::Refused
                                                        : Outcome::CompleteRowsOnly;
    cases.push_back({c.name, c.bytes, o});
  }
  cases.push_back({"garbage", Garbled(good, 0).bytes, Outcome::Refused});
  cases.push_back({"garbage from the middle", Garbled(good, good.size() / 2).bytes, Outcome::Refused});
  cases.push_back({"LF line ends", Replaced(good, "\r\n", "\n"), Outcome::Same});
  cases.push_back({"CR line ends", Replaced(good, "\r\n", "\r"), Outcome::Same});
  cases.push_back({"byte-order mark", "\xEF\xBB\xBF" + good, Outcome::Same});
  cases.push_back({"saved with decimal commas and semicolons", SavedWithDecimalCommas(good, ';'), Outcome::Refused});
  cases.push_back({"saved with quoted decimal commas", SavedWithDecimalCommas(good, ','), Outcome::Refused});
  cases.push_back({"a line too long", good + std::string(size_t{1} << 21, '7') + ",1\r\n", Outcome::Refused});
  const size_t row = first_row_line + 2;
  cases.push_back({"a row with two cells", WithCellsOnly(good, row, 2), Outcome::Loaded});
  cases.push_back({"a frame number that is no number", WithCell(good, row, 1, "x"), Outcome::Loaded});
  cases.push_back({"a huge frame number", WithCell(good, row, 1, "99999999999"), Outcome::Loaded});
  cases.push_back({"a negative frame number", WithCell(good, row, 1, "-7"), Outcome::Loaded});
  cases.push_back({"a flux that is no number", WithCell(good, row, 5, "nan"), Outcome::Loaded});
  cases.push_back({"a huge flux", WithCell(good, row, 5, "1e308"), Outcome::Loaded});
  cases.push_back({"a huge radius", WithCell(good, first_row_line, 21, "2147483647"), Outcome::Loaded});
  return cases;
}

// Measures `frames` frames of a twelve-frame video with one star and saves
// them as good.csv; the path of the saved table.
std::filesystem::path MeasureAndSave(MainRoadWindow& m, std::filesystem::path& video, int frames) {
  video = m.Path("twelve.avi");
  EXPECT_TRUE(WriteSteadyStarVideo(video, 12));
  EXPECT_TRUE(m.OpenThroughButton1(video));
  m.ClickImage1(40, 30);
  for (int i = 0; i < frames; ++i) m.Click("Button16");
  const auto csv = m.Path("good.csv");
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button6");
  return csv;
}

TEST(BrokenCsvLoad, KeepsTheLoadedTableOrLoadsOnlyWhatIsWhole) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  std::filesystem::path video;
  const auto csv = MeasureAndSave(m, video, 6);
  const std::string good = ReadFileBytes(csv);
  ASSERT_FALSE(good.empty());

  auto load = [&](const std::filesystem::path& p) {
    m.dialogs.messages.clear();
    m.dialogs.open_file_names.push_back(QString::fromStdString(p.string()));
    m.Click("Button20");
  };
  load(csv);
  ASSERT_TRUE(m.dialogs.messages.empty());
  const std::vector<std::string> table = w.Results.Lines();
  const size_t header = table.size() - m.Rows().size();
  ASSERT_EQ(m.Rows().size(), 6u);

  for (const CsvCase& c : Cases(good, header)) {
    SCOPED_TRACE(c.name);
    load(csv);
    ASSERT_EQ(w.Results.Lines(), table);
    WriteFileBytes(m.Path("broken.csv"), c.bytes);
    load(m.Path("broken.csv"));
    for (const auto& message : m.dialogs.messages)
      EXPECT_TRUE(IsClearMessage(message.text)) << message.text.toStdString();
    const std::vector<std::string>& now = w.Results.Lines();
    switch (c.outcome) {
      case Outcome::Refused:
        ASSERT_EQ(m.dialogs.messages.size(), 1u);
        EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Error);
        EXPECT_EQ(now, table);
        EXPECT_EQ(w.Run.CsvFileName, csv.string());
        break;
      case Outcome::Same:
        EXPECT_TRUE(m.dialogs.messages.empty()) << m.dialogs.messages[0].text.toStdString();
        EXPECT_EQ(now, table);
        break;
      case Outcome::CompleteRowsOnly:
        // No row of the cut file may hold a value the whole file does not.
        EXPECT_EQ(w.Run.CsvFileName, m.Path("broken.csv").string());
        ASSERT_LT(now.size(), table.size());
        EXPECT_GT(now.size(), header);
        for (size_t i = 0; i < now.size(); ++i) EXPECT_EQ(now[i], table[i]) << "line " << i;
        break;
      case Outcome::Loaded:
        EXPECT_EQ(now.size(), table.size());
        break;
    }
    // The chart draws whatever was loaded.
    m.Click("Button18");
    if (Tchart1* chart = w.chart1.Window.data()) {
      EXPECT_TRUE(chart->isVisible());
      chart->close();
      QApplication::processEvents();
    }
  }
}

// A table whose video is now broken: the rows load, the video's failure is
// told once, and nothing is measured into the table.
TEST(BrokenCsvLoad, ATableWhoseVideoIsBrokenKeepsItsRowsAndMeasuresNothing) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  std::filesystem::path video;
  const auto csv = MeasureAndSave(m, video, 3);
  const std::vector<std::string> table = w.Results.Lines();
  const std::string avi = ReadFileBytes(video);

  for (const BrokenFile& c : {Garbled(avi, 0), BrokenFile{"cut at 100", avi.substr(0, 100)}}) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(video, c.bytes);
    m.dialogs.messages.clear();
    m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
    m.Click("Button20");
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_TRUE(IsClearMessage(m.dialogs.messages[0].text)) << m.dialogs.messages[0].text.toStdString();
    EXPECT_EQ(w.Results.Lines(), table);
    EXPECT_FALSE(w.Run.VideoLoaded);
    m.Click("Button16");
    m.Click("Button3");
    EXPECT_TRUE(m.WaitUntilStopped(5000));
    EXPECT_EQ(w.Results.Lines(), table);
  }
}

}  // namespace
