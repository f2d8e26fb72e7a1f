// Videos rebuilt from IOTA-VTI stamps of real captures, run through the real
// window with IOTA chosen: the stamp is located when the video opens and
// every result row carries both fields' counters, the hours and minutes, and
// the seconds with four fraction digits, the earlier field as field 1,
// whatever 'Field Order' says and also when the odd field's glyphs start one
// line higher than the even field's.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <ostream>
#include <string>
#include <vector>

#include "MainRoadFixture.h"
#include "base/ui/ControlEvents.h"
#include "support/IotaVtiStrips.h"

namespace {

struct RunCase {
  const char* name;
  const char* fieldOrder;  // the 'Field Order' button clicked before the run
  int oddLinesHigher;
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

const RunCase kCases[] = {{"EvenFirst", "Even first", 0},
                          {"OddFirst", "Odd first", 0},
                          {"OddStripHigher", "Odd first", 1}};

std::vector<std::string> TimeColumns(const std::string& row) {
  std::vector<std::string> c;
  for (int i = 2; i <= 7; ++i) c.push_back(StripQuotes(GetCsvField(row, i)));
  return c;
}

void ClickRadio(MainRoadWindow& m, const char* group, const QString& caption) {
  for (QRadioButton* b : m.Find<QWidget>(group)->findChildren<QRadioButton*>())
    if (b->text() == caption) {
      b->click();
      return;
    }
  ADD_FAILURE() << "no button " << caption.toStdString() << " in " << group;
}

class TimeStampIotaReal : public ::testing::TestWithParam<RunCase> {};

TEST_P(TimeStampIotaReal, EveryRowCarriesBothFieldsOfItsFrame) {
  const RunCase& c = GetParam();
  const std::filesystem::path folder = VtiDataFolder();
  const std::vector<VtiSet> sets = LoadVtiSets(folder);
  ASSERT_EQ(sets.size(), 6u) << "no labels in " << folder;
  for (const VtiSet& set : sets) {
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    m.ReadStampsOf("IOTA-VTI");

    const std::vector<Bitmap24> frames = ComposeVtiFrames(folder, set, c.oddLinesHigher, 7);
    ASSERT_EQ(frames.size(), set.frames.size()) << set.name;
    AviWriterOptions o;
    o.rate = set.ntsc ? 30000 : 25;
    o.scale = set.ntsc ? 1001 : 1;
    const auto path = m.Path("vti.avi");
    ASSERT_TRUE(WriteAvi(path.string(), frames, o));
    ASSERT_TRUE(m.OpenThroughButton1(path)) << set.name;
    EXPECT_EQ(w.Options.TimeStampMode, 0) << set.name;
    EXPECT_EQ(w.Options.StampLocated, 1) << set.name;
    EXPECT_TRUE(m.Find<QCheckBox>("CheckBox5")->isChecked());
    // The stamp's own order was taken when the video opened.
    EXPECT_EQ(w.RadioGroup2->ItemIndex(), 0) << set.name;

    ClickRadio(m, "RadioGroup2", c.fieldOrder);
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped()) << set.name;
    EXPECT_TRUE(m.dialogs.messages.empty()) << set.name;

    const std::vector<std::string> rows = m.Rows();
    ASSERT_EQ(rows.size(), set.frames.size()) << set.name;
    for (size_t i = 0; i < rows.size(); ++i) {
      const std::vector<std::string> want = VtiRowTimes(set.frames[i]);
      EXPECT_EQ(TimeColumns(rows[i]), want) << set.name << " row " << i << ": " << rows[i];
    }
    const VtiFieldLabel& last = set.frames.back().even;
    EXPECT_EQ(m.Find<QLineEdit>("Edit26")->text().toStdString(), last.time.substr(6, 2) + "." + last.fraction)
        << set.name;
  }
}

INSTANTIATE_TEST_SUITE_P(FieldOrders, TimeStampIotaReal, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

}  // namespace
