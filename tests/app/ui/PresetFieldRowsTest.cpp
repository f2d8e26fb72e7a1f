// Field rows take each object's cells from the blocks of the two fields. After
// an occultation preset or 'Set  radius to recorded' they must state the
// settings the objects were measured and tracked with, for every object and
// not only the selected one (a loaded table restores its objects from them).
#include <QCheckBox>
#include <QPushButton>

#include "ObjectsFixture.h"
#include "app/ui/TPreserveSetting.h"
#include "base/CsvFields.h"

namespace {

// The cells of object k (1-based) in a result row.
struct ObjectCells {
  std::string outer, mode, track_radius, threshold;
};

ObjectCells CellsOf(const std::string& row, int k) {
  const int c = 17 * (k - 1);
  return {GetCsvField(row, 23 + c), GetCsvField(row, 31 + c), GetCsvField(row, 32 + c), GetCsvField(row, 33 + c)};
}

std::string ModeCell(uint8_t mode) {
  const char* names[] = {"\"Anchor\"", "\"Drift\"", "\"OFF\""};
  return names[std::min<uint8_t>(mode, 2)];
}

}  // namespace

TEST(PresetFieldRows, BothFieldRowsStateTheSettingsMeasuredWith) {
  struct Row {
    const char* name;
    int type;       // -1: 'Set  radius to recorded'
    int threshold;  // of every object after the action; 0: not set by it
  };
  const Row rows[] = {{"none", 0, 50},          {"lunar bright star", 1, 50}, {"lunar dim star", 2, 50},
                      {"asteroidal, tracking star", 3, 50}, {"asteroidal single star", 4, 75},
                      {"radius to recorded", -1, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ObjectsWindow m;
    TPlatform& w = m.W();
    const DriftingStarField f = SmallDriftingField(0.2, 0.1);
    ASSERT_TRUE(m.OpenField(f));
    m.Find<QCheckBox>("CheckBox2")->click();  // 'Field Measure'
    m.PlaceThree(f);
    m.Select(2);
    m.Find<QSpinBox>("UpDown3")->setValue(15);  // B's outer radius apart from the file's 20
    m.Select(1);
    if (r.type >= 0) {
      w.Options.OccultationTypeIndex = r.type;
      w.ApplyOccultationPreset();
    } else {
      m.Click("Button40");
    }
    m.Click("Button16");  // '1Frame'
    const std::vector<std::string> measured = m.Rows();
    ASSERT_EQ(measured.size(), 2u);
    for (int k = 1; k <= 3; ++k) {
      SCOPED_TRACE(k);
      const ObjectResult& used = w.Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)];
      if (r.threshold > 0) {
        EXPECT_EQ(used.Threshold, r.threshold);
      }
      if (r.type < 0) {
        EXPECT_EQ(used.BackgroundOuter, 20);  // the settings file's
      }
      for (const std::string& row : measured) {
        const ObjectCells cells = CellsOf(row, k);
        EXPECT_EQ(cells.outer, std::to_string(used.BackgroundOuter));
        EXPECT_EQ(cells.mode, ModeCell(used.TrackMode));
        EXPECT_EQ(cells.track_radius, std::to_string(used.TrackRadius));
        EXPECT_EQ(cells.threshold, std::to_string(used.Threshold));
      }
    }
  }
}

// 'Default' of 'Update Setting Items' gives object A the factory background
// form while B is selected: A's rows of both fields state it too.
TEST(PresetFieldRows, DefaultSettingsGiveObjectAItsFormInBothFields) {
  ObjectsWindow m;
  TPlatform& w = m.W();
  const DriftingStarField f = SmallDriftingField(0.2, 0.1);
  ASSERT_TRUE(m.OpenField(f));  // the settings file's 'Standard'
  m.PlaceThree(f);
  m.Select(2);
  m.Click("Button17");
  auto* d = w.findChild<TPreserveSetting*>("PreserveSetting");
  ASSERT_NE(d, nullptr);
  m.dialogs.yes_no_answers = {true};
  d->findChild<QPushButton*>("Button3")->click();  // 'Default': 'Meteor/Lunar Limb'
  d->close();
  m.Find<QCheckBox>("CheckBox14")->setChecked(false);  // aperture photometry, so that fields can be measured
  m.Find<QCheckBox>("CheckBox2")->setChecked(true);
  m.Click("Button16");
  const std::vector<std::string> measured = m.Rows();
  ASSERT_EQ(measured.size(), 2u);
  ASSERT_EQ(w.Frames.FrameDataLines[0].Objects[0].BackgroundForm, 2);
  for (const std::string& row : measured) EXPECT_EQ(GetCsvField(row, 24), "\"Meteor/LunarLimb\"");
}
