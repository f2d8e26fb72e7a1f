// 'SaveToCSV-File' and 'Load CSV' through the real window: the file holds the
// table with CRLF line ends, loading it restores the table, every object's
// settings and the video, and saving again gives the same bytes.
#include <QLineEdit>
#include <QSpinBox>
#include <iterator>

#include "ObjectsFixture.h"

namespace {

std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string CrlfJoined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

struct ObjectSnapshot {
  int32_t Aperture, Inner, Outer, TrackRadius, Threshold;
  uint8_t TrackMode;
};

ObjectSnapshot Snapshot(const TPlatform& w, int k) {
  const ObjectResult& o = w.Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)];
  return {o.ApertureRadius, o.BackgroundInner, o.BackgroundOuter, o.TrackRadius, o.Threshold, o.TrackMode};
}

// Three objects measured over the whole video, A with radii 5 / 7 / 15 and
// C switched 'OFF' before the run.
void MeasureThree(ObjectsWindow& m, const DriftingStarField& f) {
  ASSERT_TRUE(m.OpenField(f));
  m.PlaceThree(f, 0, 10);
  m.Select(1);
  m.Find<QSpinBox>("UpDown3")->setValue(15);
  m.Find<QSpinBox>("UpDown2")->setValue(7);
  m.Find<QSpinBox>("UpDown1")->setValue(5);
  m.Select(3);
  m.Find<QRadioButton>("RadioButton6")->setChecked(true);
  m.Select(1);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(m.Rows().size(), static_cast<size_t>(kObjFrames));
}

TEST(CsvFile, SaveLoadAndSaveAgainGiveTheSameFileWithEveryObjectRestored) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  MeasureThree(m, f);
  TPlatform& w = m.W();
  const std::vector<std::string> table = w.Results.Lines();
  std::array<ObjectSnapshot, 3> before{};
  for (int k = 1; k <= 3; ++k) before[static_cast<size_t>(k - 1)] = Snapshot(w, k);
  EXPECT_EQ(before[0].Aperture, 5);
  EXPECT_EQ(before[0].Outer, 15);
  EXPECT_EQ(before[2].TrackMode, 2);

  const auto first = m.Path("first.csv");
  ASSERT_TRUE(m.SaveTableThroughButton6(first));
  EXPECT_EQ(ReadBytes(first), CrlfJoined(table));
  EXPECT_EQ(w.Run.CsvFileName, first.string());

  // The user changes A and C and steps on, then loads the file.
  m.Find<QSpinBox>("UpDown1")->setValue(3);
  m.Select(3);
  m.Find<QRadioButton>("RadioButton5")->setChecked(true);
  m.Select(1);
  m.dialogs.open_file_names.push_back(QString::fromStdString(first.string()));
  m.Click("Button20");
  EXPECT_TRUE(m.dialogs.messages.empty());
  EXPECT_EQ(w.Results.Lines(), table);
  EXPECT_TRUE(w.Run.CsvLoaded);
  EXPECT_TRUE(w.Run.VideoLoaded);
  EXPECT_EQ(m.Find<QLineEdit>("Edit5")->text().toStdString(), m.video.string());
  EXPECT_EQ(w.Run.ObjectCount, 3);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton9")->isEnabled());
  EXPECT_EQ(w.Run.StartFrame, 0);
  for (int k = 1; k <= 3; ++k) {
    SCOPED_TRACE("object " + std::to_string(k));
    const ObjectSnapshot a = Snapshot(w, k), b = before[static_cast<size_t>(k - 1)];
    EXPECT_EQ(a.Outer, b.Outer);
    EXPECT_EQ(a.TrackMode, b.TrackMode);
    // An 'OFF' row stores no tracking radius or threshold: the threshold
    // becomes 95, the radius stays as it was.
    EXPECT_EQ(a.Threshold, b.TrackMode == 2 ? 95 : b.Threshold);
    // The selected object is refitted on the reopened video, which sets its
    // aperture, inner and (with 'Sync-Tracking APT') tracking radius from
    // the fitted width.
    if (k != w.Run.SelectedObject) {
      EXPECT_EQ(a.Aperture, b.Aperture);
      EXPECT_EQ(a.Inner, b.Inner);
      EXPECT_EQ(a.TrackRadius, b.TrackRadius);
    }
    // Positions are those of the first row.
    const auto p = ObjectsWindow::RowPosition(m.Rows()[0], k);
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)].PrevX, p.first);
  }
  // The selected object's controls show its loaded settings.
  EXPECT_EQ(m.Find<QSpinBox>("UpDown3")->value(), 15);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton5")->isChecked());

  const auto second = m.Path("second.csv");
  m.dialogs.save_file_names.push_back(QString::fromStdString(second.string()));
  m.Click("Button6");
  EXPECT_EQ(ReadBytes(second), ReadBytes(first));
}

TEST(CsvFile, ATableWhoseVideoIsMissingLoadsWithAWarningAndKeepsItsRows) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  MeasureThree(m, f);
  TPlatform& w = m.W();
  const std::vector<std::string> table = w.Results.Lines();
  const auto csv = m.Path("kept.csv");
  ASSERT_TRUE(m.SaveTableThroughButton6(csv));

  // Another video is open when the table is loaded; the table's own is gone.
  const auto other = m.Path("other.avi");
  std::filesystem::rename(m.video, other);
  ASSERT_TRUE(m.OpenThroughButton1(other));
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(m.dialogs.messages[0].text, ".avi file is not found");
  EXPECT_EQ(w.Results.Lines(), table);
  EXPECT_EQ(w.Run.ObjectCount, 3);
  EXPECT_EQ(Snapshot(w, 3).TrackMode, 2);
}

TEST(CsvFile, CancelledDialogsChangeNothing) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  const std::vector<std::string> table = w.Results.Lines();
  m.Click("Button6");
  m.Click("Button20");
  EXPECT_EQ(m.dialogs.file_dialog_titles.size(), 3);  // the video's, the save and the load dialog
  EXPECT_EQ(w.Results.Lines(), table);
  EXPECT_FALSE(w.Run.CsvLoaded);
  EXPECT_TRUE(w.Run.CsvFileName.empty());
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// A broken file, or a CSV file that is no results table (plain numbers, an
// empty file), is refused with one clear error; the table in view stays.
TEST(CsvFile, ABrokenFileLeavesTheTableAsItWas) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  ASSERT_TRUE(m.OpenField(f));
  TPlatform& w = m.W();
  const std::vector<std::string> table = w.Results.Lines();
  const std::pair<const char*, std::string> files[] = {
      {"bad.csv", "no comma here\r\nnor here\r\n"},
      {"numbers.csv", "1,2,3\r\n4,5,6\r\n7,8,9\r\n"},
      {"empty.csv", ""},
      {"commas.csv", ",,,\r\n,,,\r\n"},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    m.dialogs.messages.clear();
    const auto csv = m.Path(name);
    std::ofstream(csv, std::ios::binary) << bytes;
    m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
    m.Click("Button20");
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(m.dialogs.messages[0].text.contains("results table")) << m.dialogs.messages[0].text.toStdString();
    EXPECT_EQ(w.Results.Lines(), table);
    EXPECT_FALSE(w.Run.CsvLoaded);
    EXPECT_TRUE(w.Run.CsvFileName.empty());
  }
}

}  // namespace

namespace {

// Reopening the table's video reloads the settings file; a 'Field Measure'
// stored there rewrites the header of the table in view, but the loaded
// table and the loaded objects stand.
TEST(CsvFile, TheSettingsReloadOfTheReopenedVideoKeepsTheLoadedTable) {
  ObjectsWindow m;
  const DriftingStarField f = SmallDriftingField(0.3, 0.2);
  MeasureThree(m, f);
  TPlatform& w = m.W();
  const std::vector<std::string> table = w.Results.Lines();
  const auto csv = m.Path("frames.csv");
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button6");
  const ObjectSnapshot c = Snapshot(w, 3);

  const auto ini = m.dir / "bin" / "tessary.ini";
  std::string text = ReadBytes(ini);
  const auto at = text.find("Measure=for each Frame");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, std::string("Measure=for each Frame").size(), "Measure=for each Field");
  std::ofstream(ini, std::ios::binary | std::ios::trunc) << text;

  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  EXPECT_TRUE(w.Run.VideoLoaded);
  EXPECT_EQ(w.Results.Lines(), table);
  EXPECT_FALSE(m.Find<QCheckBox>("CheckBox2")->isChecked());  // the rows are frame rows
  EXPECT_EQ(Snapshot(w, 3).Outer, c.Outer);
  EXPECT_EQ(Snapshot(w, 3).TrackMode, 2);
  EXPECT_EQ(w.Run.ObjectCount, 3);
}

}  // namespace
