// Measuring on from a loaded results table: the rows still to come carry the
// loaded objects' radii, tracking and signal cells, whether the table is
// loaded first (it reopens its video) or into the video already open, and in
// a window started afresh on the settings file of the measuring one.
#include <QCheckBox>
#include <QSpinBox>
#include <algorithm>
#include <string>
#include <vector>

#include "MainRoadFixture.h"
#include "support/StampRender.h"

namespace {

// A steady star at (40.2, 29.9) of a 80 x 60 video; with `ticks` every frame
// also carries a capture tick count in its top row and a bright band under
// it at the right edge, where no LED box belongs.
bool WriteStarVideo(const std::filesystem::path& path, bool ticks) {
  std::vector<Bitmap24> frames = StarFrames(80, 60, 12, 40.2, 29.9, [](int) { return 1500.0; });
  if (ticks)
    for (size_t n = 0; n < frames.size(); ++n) {
      WriteTickCount(frames[n], 0, TicksOf(2026, 12, 31, 23, 58, static_cast<int64_t>(n) * 333333));
      for (int y = 1; y <= 3; ++y) std::fill(frames[n].Row(y) + 50 * 3, frames[n].Row(y) + 80 * 3, uint8_t{200});
    }
  AviWriterOptions o;
  o.rate = 30;
  return WriteAvi(path.string(), frames, o);
}

// Cells of a row that hold the signal, the selected object's radii and its
// tracking settings.
const std::vector<int> kSettingCells = {2, 3, 21, 22, 23, 24, 31, 32, 33};

std::vector<std::string> SettingCells(const std::string& row) {
  std::vector<std::string> out;
  for (int c : kSettingCells) out.push_back(std::to_string(c) + "=" + GetCsvField(row, c));
  return out;
}

struct Case {
  const char* name;
  bool ticks;
  bool video_first;  // the fresh window opens the video before loading the table
  bool psf = false;  // measured with PSF photometry: placement sized the radii by the fit
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class LoadedRadii : public ::testing::TestWithParam<Case> {};

TEST_P(LoadedRadii, RowsMeasuredOnMatchTheLoadedRows) {
  const Case& c = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  const auto video = m.Path("star.avi");
  ASSERT_TRUE(WriteStarVideo(video, c.ticks));
  ASSERT_TRUE(m.OpenThroughButton1(video));
  ASSERT_EQ(m.W().Options.TimeStampMode, c.ticks ? 3 : 1);
  if (c.psf) m.Find<QCheckBox>("CheckBox14")->click();
  m.ClickImage1(40, 30);
  for (int i = 0; i < 3; ++i) m.Click("Button16");
  const std::vector<std::string> saved = m.Rows();
  ASSERT_EQ(saved.size(), 3u);
  const double psf_width = m.W().Tracking.Profiles[0].PsfWidth;
  const int radius = std::stoi(GetCsvField(saved[0], 21));
  const int track_radius = std::stoi(GetCsvField(saved[0], 32));
  if (!c.psf) {
    ASSERT_EQ(radius, 6);
    ASSERT_EQ(GetCsvField(saved[0], 22), "8");
  }
  const auto csv = m.Path("table.csv");
  ASSERT_TRUE(m.SaveTableThroughButton6(csv));

  // The observer quits and starts the program again.
  m.window.reset();
  m.window = std::make_unique<TPlatform>(PlatformOptions{m.Path("bin") / "tessary"});
  if (c.video_first) {
    ASSERT_TRUE(m.OpenThroughButton1(video));
  }
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  ASSERT_EQ(m.Rows(), saved);
  // The FWHM column gives back the profile width the rows were fitted with.
  if (c.psf) {
    EXPECT_NEAR(m.W().Tracking.Profiles[0].PsfWidth, psf_width, 1e-4);
  }
  // The controls and the tracking disk show the table's object A.
  EXPECT_EQ(m.Find<QSpinBox>("UpDown1")->value(), radius);
  EXPECT_EQ(m.Find<QSpinBox>("UpDown5")->value(), track_radius);
  const TrackDisk& disk = m.W().Driver.Track[0];
  EXPECT_EQ(disk.At(0, track_radius), 1);
  EXPECT_EQ(disk.At(0, track_radius + 1), 0);
  m.W().GoToFrame(2);  // the last loaded row: '1Frame' goes on from it
  for (int i = 0; i < 3; ++i) m.Click("Button16");
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 6u);
  for (size_t n = 3; n < rows.size(); ++n) EXPECT_EQ(SettingCells(rows[n]), SettingCells(saved[0])) << rows[n];
}

INSTANTIATE_TEST_SUITE_P(Videos, LoadedRadii,
                         ::testing::Values(Case{"TableReopensItsVideo", false, false},
                                           Case{"TableIntoTheOpenVideo", false, true},
                                           Case{"TickVideoTableReopensIt", true, false},
                                           Case{"TickVideoTableIntoIt", true, true},
                                           Case{"PsfTableReopensItsVideo", false, false, true},
                                           Case{"PsfTableIntoTheOpenVideo", false, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
