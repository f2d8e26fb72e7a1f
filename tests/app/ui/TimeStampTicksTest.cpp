// Videos whose frames carry the capture program's 64-bit tick count: opening
// one switches the window to 'Sharp', and every frame reads back to the exact
// tick and date through both frame sources, into the edits and the rows.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <fstream>
#include <string>
#include <vector>

#include "MainRoadFixture.h"
#include "app/ui/TPlatformReports.h"
#include "video/ui/TRestoreNoTimeRecorded.h"
#include "support/StampRender.h"

namespace {

constexpr int kFrames = 6;
constexpr int64_t kFrameTicks = 333666;  // 29.97 frames per second, to the tick
constexpr int64_t kHalfFrameTicks = 166833;
// 59.8999102 s into 23:58: frame 3 is captured 10 us after 23:59 starts,
// with the middle of its exposure still in 23:58.
constexpr int64_t kStartRest = 598999102;
constexpr int64_t kMinute = 600000000;

int64_t FrameTicks(int n) { return TicksOf(2026, 12, 31, 23, 58, kStartRest + n * kFrameTicks); }

std::string Pad(int64_t v, int digits) {
  std::string s = std::to_string(v);
  while (static_cast<int>(s.size()) < digits) s.insert(s.begin(), '0');
  return s;
}

// "ss.sssssss" of a rest of the minute, by integer arithmetic.
std::string RestText(int64_t rest) {
  rest %= kMinute;
  return Pad(rest / 10000000, 2) + "." + Pad(rest % 10000000, 7);
}
// The minute of a rest counted from 23:58.
std::string MinuteOf(int64_t rest) { return rest >= kMinute ? "59" : "58"; }

Bitmap24 TickFrame(int n, int row) {
  Bitmap24 f(64, 48);
  FillFrame(f, 16);
  AddFrameNoise(f, 6, 500 + static_cast<uint32_t>(n));
  WriteTickCount(f, row, FrameTicks(n));
  return f;
}

std::string Column(const std::string& row, int n) { return StripQuotes(GetCsvField(row, n)); }

struct TickCase {
  const char* name;
  int row;
  Reader reader;
  bool fieldMode;
};

class TimeStampTicks : public ::testing::TestWithParam<TickCase> {};

TEST_P(TimeStampTicks, ReadBackExactlyAndTimeEveryRow) {
  const TickCase& c = GetParam();
  MainRoadWindow m(c.reader);
  std::vector<Bitmap24> frames;
  for (int n = 0; n < kFrames; ++n) frames.push_back(TickFrame(n, c.row));
  const auto path = m.Path("ticks.avi");
  AviWriterOptions o;
  o.rate = 30000;
  o.scale = 1001;
  ASSERT_TRUE(WriteAvi(path.string(), frames, o));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  EXPECT_TRUE(m.dialogs.messages.empty());

  // Opening found the count and set the program up for it.
  EXPECT_EQ(w.Ticks.EmbeddedTicksRow, c.row);
  EXPECT_EQ(w.Ticks.StampYear, 2026);
  EXPECT_EQ(w.Options.TimeStampMode, 3);
  EXPECT_EQ(m.Find<QComboBox>("ComboBox1")->currentIndex(), 3);
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox5")->isChecked());
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox22")->isChecked());
  EXPECT_EQ(w.Options.SharpTimeCorrection, 1);
  EXPECT_EQ(w.Ticks.FirstFrameTicks, FrameTicks(0));
  EXPECT_EQ(w.Ticks.LastFrameTicks, FrameTicks(kFrames - 1));
  EXPECT_NEAR(static_cast<double>(w.Video.VideoFrameRate), 1e7 / kFrameTicks, 1e-9);
  // Frames are sought on the file's own 30000/1001 time line (single precision through our reader).
  EXPECT_NEAR(static_cast<double>(w.Video.FrameRateFactor), 30000.0 / 1001 * kFrameTicks / 1e7, 1e-8);
  EXPECT_EQ(w.Options.Signal1HalfWidth, 8);
  EXPECT_EQ(m.Find<QLineEdit>("Edit27")->toolTip(), "Time (end of exposure) recorded by SharpCap.");
  // Frame 0 on screen: its capture time and date.
  EXPECT_EQ(m.Find<QLineEdit>("Edit24")->text(), "23");
  EXPECT_EQ(m.Find<QLineEdit>("Edit25")->text(), "58");
  EXPECT_EQ(m.Find<QLineEdit>("Edit26")->text().toStdString(), RestText(kStartRest - kHalfFrameTicks));
  EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text().toStdString(), RestText(kStartRest));
  EXPECT_EQ(m.Find<QLineEdit>("Edit59")->text(), "26 12 31");
  // The span of the counts: last, first, difference, last index, seconds.
  EXPECT_EQ(m.Find<QLineEdit>("Edit63")->text().toStdString(), std::to_string(FrameTicks(kFrames - 1)));
  EXPECT_EQ(m.Find<QLineEdit>("Edit64")->text().toStdString(), std::to_string(FrameTicks(0)));
  EXPECT_EQ(m.Find<QLineEdit>("Edit60")->text().toStdString(), std::to_string((kFrames - 1) * kFrameTicks));
  EXPECT_EQ(m.Find<QLineEdit>("Edit61")->text().toStdString(), std::to_string(kFrames - 1));
  EXPECT_EQ(m.Find<QLineEdit>("Edit62")->text(), "0.1668330");  // 5 x 333666 ticks

  if (c.fieldMode) m.Find<QCheckBox>("CheckBox2")->setChecked(true);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_TRUE(m.dialogs.messages.empty());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), static_cast<size_t>(c.fieldMode ? 2 * kFrames : kFrames));
  for (size_t i = 0; i < rows.size(); ++i) {
    const int n = static_cast<int>(c.fieldMode ? i / 2 : i);
    const bool second = c.fieldMode && i % 2 == 1;
    const int64_t rest = kStartRest + n * kFrameTicks;
    const std::string& r = rows[i];
    // Columns 8-10: hours and minutes of the capture instant and its seconds.
    EXPECT_EQ(Column(r, 8), "23") << c.name << " " << r;
    EXPECT_EQ(Column(r, 9), MinuteOf(rest)) << c.name << " " << r;
    EXPECT_EQ(Column(r, 10), RestText(rest)) << c.name << " " << r;
    EXPECT_EQ(Column(r, 3), "") << r;
    EXPECT_EQ(Column(r, 7), "") << r;
    if (!c.fieldMode) {
      for (int col : {4, 5, 6}) EXPECT_EQ(Column(r, col), "") << r;
    } else if (!second) {
      // The first field row: the middle of the exposure.
      EXPECT_EQ(Column(r, 4), "23") << r;
      EXPECT_EQ(Column(r, 5), MinuteOf(rest - kHalfFrameTicks)) << r;
      EXPECT_EQ(Column(r, 6), RestText(rest - kHalfFrameTicks)) << r;
    } else {
      EXPECT_EQ(Column(r, 4), "23") << r;
      EXPECT_EQ(Column(r, 5), MinuteOf(rest)) << r;
      EXPECT_EQ(Column(r, 6), RestText(rest)) << r;
    }
  }
  // Frame 3 across the minute: 23:58:59.98 in the middle, 23:59:00.00001 at its end.
  ASSERT_TRUE(MinuteOf(kStartRest + 3 * kFrameTicks) == "59" && MinuteOf(kStartRest + 3 * kFrameTicks - kHalfFrameTicks) == "58");
  EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text().toStdString(), RestText(kStartRest + (kFrames - 1) * kFrameTicks));
}

INSTANTIATE_TEST_SUITE_P(Sources, TimeStampTicks,
                         ::testing::Values(TickCase{"row0_AVIFile", 0, Reader::OwnAvi, false},
                                           TickCase{"row1_AVIFile", 1, Reader::OwnAvi, true},
                                           TickCase{"row0_DirectShow", 0, Reader::Ffmpeg, true},
                                           TickCase{"row1_DirectShow", 1, Reader::Ffmpeg, false}),
                         [](const ::testing::TestParamInfo<TickCase>& info) { return std::string(info.param.name); });

// The split view moves row 1 into the lower half; the count is still exact.
TEST(TimeStampTicks, SplitViewReadsTheCountOfTheWholeFrame) {
  MainRoadWindow m(Reader::OwnAvi);
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 3; ++n) frames.push_back(TickFrame(n, 1));
  const auto path = m.Path("ticks.avi");
  AviWriterOptions o;
  o.rate = 30000;
  o.scale = 1001;
  ASSERT_TRUE(WriteAvi(path.string(), frames, o));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.Find<QCheckBox>("CheckBox1")->setChecked(true);
  m.W().ScrollBar1->setValue(2);
  m.W().ShowNeighbor();
  EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text().toStdString(), RestText(kStartRest + 2 * kFrameTicks));
  EXPECT_EQ(m.Find<QLineEdit>("Edit59")->text(), "26 12 31");
}

// A video without a count stays with the inserter type of the settings.
TEST(TimeStampTicks, PlainVideoKeepsTheInserterType) {
  MainRoadWindow m(Reader::OwnAvi);
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 3; ++n) {
    Bitmap24 f(64, 48);
    FillFrame(f, 16);
    frames.push_back(f);
  }
  const auto path = m.Path("plain.avi");
  ASSERT_TRUE(WriteAvi(path.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  EXPECT_EQ(m.W().Options.TimeStampMode, 1);
  EXPECT_EQ(m.Find<QComboBox>("ComboBox1")->currentIndex(), 1);
  EXPECT_EQ(m.W().Ticks.EmbeddedTicksRow, 0);
  EXPECT_TRUE(m.W().Times.StampDate1.empty());
}

// A missing file chosen while a tick-count video is open changes nothing:
// the open video is still sought on its own time line, so a run over it
// reads every frame's own count.
TEST(TimeStampTicks, AMissingFileLeavesTheOpenVideosTimeLine) {
  MainRoadWindow m(Reader::Ffmpeg);
  std::vector<Bitmap24> frames;
  for (int n = 0; n < kFrames; ++n) frames.push_back(TickFrame(n, 0));
  AviWriterOptions o;
  o.rate = 30000;
  o.scale = 1001;
  ASSERT_TRUE(WriteAvi(m.Path("ticks.avi").string(), frames, o));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("ticks.avi")));
  const long double factor = m.W().Video.FrameRateFactor;
  ASSERT_NE(factor, 1.0L);

  EXPECT_TRUE(m.OpenThroughButton1(m.Path("nowhere.avi")));  // the open video stays
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text, ".avi file is not found");
  EXPECT_EQ(m.W().Video.FrameRateFactor, factor);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), static_cast<size_t>(kFrames));
  for (int n = 0; n < kFrames; ++n) EXPECT_EQ(Column(rows[n], 10), RestText(kStartRest + n * kFrameTicks)) << rows[n];
}

// A video without a count opened after one with counts: its rows carry the
// LED marks of the settings' inserter type in column 2, as they do when it is
// the first video opened, not the Sharp time's LED level.
TEST(TimeStampTicks, PlainVideoAfterATickVideoCarriesTheLedMarks) {
  MainRoadWindow m(Reader::OwnAvi);
  std::vector<Bitmap24> ticks, plain;
  for (int n = 0; n < 3; ++n) {
    ticks.push_back(TickFrame(n, 0));
    Bitmap24 f(64, 48);
    FillFrame(f, 16);
    plain.push_back(f);
  }
  ASSERT_TRUE(WriteAvi(m.Path("ticks.avi").string(), ticks));
  ASSERT_TRUE(WriteAvi(m.Path("plain.avi").string(), plain));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("ticks.avi")));
  ASSERT_EQ(m.W().Options.TimeStampMode, 3);
  m.Click("Button16");
  ASSERT_EQ(m.Rows().size(), 1u);
  const std::string sharp_cell = GetCsvField(m.Rows()[0], 2);  // the Sharp row: the LED box's level
  EXPECT_TRUE(!sharp_cell.empty() && sharp_cell.front() != '"') << sharp_cell;

  ASSERT_TRUE(m.OpenThroughButton1(m.Path("plain.avi")));
  EXPECT_EQ(m.W().Options.TimeStampMode, 1);
  EXPECT_EQ(m.W().Video.FrameRateFactor, 1.0L);
  m.Click("Button16");
  m.Click("Button16");
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 2u);
  for (const std::string& row : rows) EXPECT_EQ(GetCsvField(row, 2), "\"\"") << row;
}

// A tick-count video opened after another: when its last frame carries no
// count (or a capture log times a video without counts) its span cannot be
// read, and the report's recording span and the span read-outs are those of
// the same video opened first, never the video's before.
TEST(TimeStampTicks, AVideoWhoseSpanDoesNotReadShowsNoneOfTheVideoBefore) {
  std::vector<Bitmap24> ticks, later;
  for (int n = 0; n < kFrames; ++n) {
    ticks.push_back(TickFrame(n, 0));
    Bitmap24 f = TickFrame(n, 0);
    if (n == kFrames - 1) FillFrame(f, 16);
    else WriteTickCount(f, 0, FrameTicks(n) + 2 * kMinute);
    later.push_back(f);
  }
  std::vector<Bitmap24> plain(4, Bitmap24(64, 48));
  for (Bitmap24& f : plain) FillFrame(f, 16);
  const char* const log =
      "StartCapture=2026-12-06 12:00:09.9600000\nActualFrameRate=25.000000 fps\nFrameCount=4\n";
  const struct {
    const char* name;
    const std::vector<Bitmap24>& frames;
    const char* log;
  } cases[] = {{"last frame without a count", later, nullptr}, {"capture log", plain, log}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto open_second = [&](MainRoadWindow& m) {
      if (c.log) {
        std::ofstream(m.Path("capture.txt"), std::ios::binary) << c.log;
        m.W().findChild<QAction*>("AddTimeToNoCmosTime1")->trigger();
        m.dialogs.open_file_names.push_back(QString::fromStdString(m.Path("capture.txt").string()));
        m.W().RestoreNoTimeRecorded->Button1->click();
      }
      ASSERT_TRUE(WriteAvi(m.Path("second.avi").string(), c.frames));
      ASSERT_TRUE(m.OpenThroughButton1(m.Path("second.avi")));
      ASSERT_EQ(m.W().Options.TimeStampMode, 3);
    };
    MainRoadWindow alone(Reader::OwnAvi);
    open_second(alone);
    MainRoadWindow m(Reader::OwnAvi);
    ASSERT_TRUE(WriteAvi(m.Path("ticks.avi").string(), ticks));
    ASSERT_TRUE(m.OpenThroughButton1(m.Path("ticks.avi")));
    ASSERT_EQ(TPlatformReportHost(m.W()).Clock().FirstFrameTicks, FrameTicks(0));
    open_second(m);
    const ReportClock want = TPlatformReportHost(alone.W()).Clock(), got = TPlatformReportHost(m.W()).Clock();
    EXPECT_EQ(got.FirstFrameTicks, want.FirstFrameTicks);
    EXPECT_EQ(got.LastFrameTicks, want.LastFrameTicks);
    for (const char* e : {"Edit60", "Edit61", "Edit62", "Edit63", "Edit64"})
      EXPECT_EQ(m.Find<QLineEdit>(e)->text().toStdString(), alone.Find<QLineEdit>(e)->text().toStdString()) << e;
  }
}

// A video of a single frame has no second frame to compare its count with:
// the count is found on whichever row carries it, and the frame shows its time.
TEST(TimeStampTicks, ASingleFrameVideoFindsItsCountOnEitherRow) {
  for (const int row : {0, 1}) {
    SCOPED_TRACE(row);
    MainRoadWindow m(Reader::OwnAvi);
    ASSERT_TRUE(WriteAvi(m.Path("one.avi").string(), {TickFrame(2, row)}));
    ASSERT_TRUE(m.OpenThroughButton1(m.Path("one.avi")));
    EXPECT_TRUE(m.dialogs.messages.empty());
    EXPECT_EQ(m.W().Ticks.EmbeddedTicksRow, row);
    EXPECT_EQ(m.W().Options.TimeStampMode, 3);
    EXPECT_EQ(m.Find<QLineEdit>("Edit24")->text(), "23");
    EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text().toStdString(), RestText(kStartRest + 2 * kFrameTicks));
    EXPECT_EQ(m.Find<QLineEdit>("Edit59")->text(), "26 12 31");
  }
}

}  // namespace

// A table of tick-count times loaded and measured on: the frames it has no
// row for take their times from the video's counts, as when first measured.
TEST(TimeStampTicks, RowsMeasuredOnFromALoadedTableCarryTheirTimes) {
  MainRoadWindow first(Reader::OwnAvi);
  std::vector<Bitmap24> frames;
  for (int n = 0; n < kFrames; ++n) frames.push_back(TickFrame(n, 0));
  const auto video = first.Path("ticks.avi");
  AviWriterOptions o;
  o.rate = 30;
  ASSERT_TRUE(WriteAvi(video.string(), frames, o));
  ASSERT_TRUE(first.OpenThroughButton1(video));
  ASSERT_EQ(first.W().Options.TimeStampMode, 3);
  for (int i = 0; i < 3; ++i) first.Click("Button16");
  const auto csv = first.Path("table.csv");
  first.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  first.Click("Button6");

  MainRoadWindow m(Reader::OwnAvi);
  m.dialogs.open_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button20");
  ASSERT_TRUE(m.W().Run.VideoLoaded);
  ASSERT_TRUE(m.W().Run.CsvCmosTime);
  m.W().GoToFrame(3);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), static_cast<size_t>(kFrames));
  for (int n = 0; n < kFrames; ++n) {
    const std::string& r = rows[static_cast<size_t>(n)];
    const int64_t rest = kStartRest + n * kFrameTicks;
    EXPECT_EQ(Column(r, 8), "23") << r;
    EXPECT_EQ(Column(r, 9), MinuteOf(rest)) << r;
    EXPECT_EQ(Column(r, 10), RestText(rest)) << r;
  }
}
