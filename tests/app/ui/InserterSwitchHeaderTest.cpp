// The time columns of the results table are named after the inserter type and
// 'KIWI' the rows are written with: a switch before the first row renames them
// in the saved file, a switch after it leaves the measured rows' names.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include "MainRoadFixture.h"
#include "app/ui/TPreserveSetting.h"
#include "base/AtomicFile.h"

namespace {

// The cells of a CSV line split by hand at every comma (header cells hold none).
std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == ',')
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

std::vector<std::string> CrlfLines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    out.push_back(text.substr(start, end - start));
  return out;
}

void ChooseInserter(MainRoadWindow& m, int index) {
  auto* combo = m.Find<QComboBox>("ComboBox1");
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

void ChooseInDialog(MainRoadWindow& m, const char* radio) {
  m.Click("Button17");
  auto* d = m.W().findChild<TPreserveSetting*>("PreserveSetting");
  ASSERT_NE(d, nullptr);
  d->findChild<QRadioButton*>(radio)->click();
  d->close();
}

struct SwitchCase {
  const char* name;
  const char* inserter;  // in the settings file, with 'KIWI' ticked
  std::function<void(MainRoadWindow&)> choose;
  const char* names;     // cells 2 and 3 of the last header line
  int other;             // an inserter index chosen after the rows
};

class InserterSwitchHeader : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(InserterSwitchHeader, SavedTableNamesTheTimeColumnsOfItsRows) {
  const SwitchCase& c = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  m.ReadStampsOf(c.inserter);
  ASSERT_TRUE(WriteSteadyStarVideo(m.Path("six.avi"), 6));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("six.avi")));
  TPlatform& w = m.W();
  ASSERT_TRUE(w.CheckBox5->isChecked());
  ASSERT_TRUE(std::string(c.inserter).starts_with(w.ComboBox1->currentText().toStdString() + "-"));
  c.choose(m);

  m.ClickImage1(40, 30);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_TRUE(m.SaveTableThroughButton6(m.Path("six.csv")));
  const std::vector<std::string> lines = CrlfLines(ReadWholeFile(m.Path("six.csv"), 1 << 20).value_or(""));
  ASSERT_EQ(lines.size(), 12u);
  const std::vector<std::string> header = Cells(lines[5]);
  ASSERT_GT(header.size(), 3u);
  EXPECT_EQ(header[0], "\"No.\"");
  EXPECT_EQ(header[1] + "," + header[2], c.names);
  // IOTA rows carry the field counts in those columns, the others the LED marks.
  const bool iota = w.Options.TimeStampMode == 0;
  for (size_t i = 6; i < lines.size(); ++i) EXPECT_EQ(Cells(lines[i])[1] == "\"\"", !iota) << lines[i];

  // Measured rows keep the names they were written under.
  ChooseInserter(m, c.other);
  EXPECT_EQ(w.Results.Line(5), lines[5]);
}

const auto kIota = [](MainRoadWindow& m) { ChooseInserter(m, 0); };
const auto kKiwi = [](MainRoadWindow& m) { ChooseInserter(m, 1); };
const auto kUntick = [](MainRoadWindow& m) { m.W().CheckBox5->click(); };
const auto kIotaInDialog = [](MainRoadWindow& m) { ChooseInDialog(m, "RadioButton3"); };
const auto kGhsInDialog = [](MainRoadWindow& m) { ChooseInDialog(m, "RadioButton5"); };
// 'Sharp' time first: the type chosen after it in the dialog reads the LED
// marks as that type does, not the LED level of the Sharp time.
const auto kKiwiInDialogAfterSharp = [](MainRoadWindow& m) {
  ChooseInserter(m, 3);
  ChooseInDialog(m, "RadioButton4");
};
const auto kDefaultAfterSharp = [](MainRoadWindow& m) {
  ChooseInserter(m, 3);
  m.DefaultThroughSettingsDialog();
};

INSTANTIATE_TEST_SUITE_P(
    Switches, InserterSwitchHeader,
    ::testing::Values(SwitchCase{"IotaInTheCombo", "KIWI-OSD", kIota, "\"Field1\",\"Field2\"", 1},
                      SwitchCase{"KiwiInTheCombo", "IOTA-VTI", kKiwi, "\"Signal1\",\"Signal2\"", 0},
                      SwitchCase{"KiwiUnticked", "IOTA-VTI", kUntick, "\"Signal1\",\"Signal2\"", 0},
                      SwitchCase{"IotaInTheDialog", "GHS-OSD", kIotaInDialog, "\"Field1\",\"Field2\"", 2},
                      SwitchCase{"GhsInTheDialog", "IOTA-VTI", kGhsInDialog, "\"Signal1\",\"Signal2\"", 0},
                      SwitchCase{"KiwiInTheDialogAfterSharp", "KIWI-OSD", kKiwiInDialogAfterSharp,
                                 "\"Signal1\",\"Signal2\"", 0},
                      SwitchCase{"DefaultAfterSharp", "KIWI-OSD", kDefaultAfterSharp, "\"Signal1\",\"Signal2\"", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The factory settings (KIWI with 'KIWI' ticked) tick 'KIWI' before the type
// is read: the start-up table names the columns after the type read.
TEST(InserterSwitchHeaderStart, NamesTheColumnsAfterTheStoredType) {
  MainRoadWindow m(Reader::OwnAvi, "Read from KIWI-OSD=1\r\n");
  ASSERT_EQ(m.W().Options.TimeStampMode, 1);
  ASSERT_TRUE(m.W().CheckBox5->isChecked());
  const std::vector<std::string> header = Cells(m.W().Results.Lines().back());
  ASSERT_GT(header.size(), 3u);
  EXPECT_EQ(header[0] + "," + header[1] + "," + header[2], "\"No.\",\"Signal1\",\"Signal2\"");
}

}  // namespace
