// Two seven-segment digits ('TIVi'): a click in 'Position Set' mode TIVi shows
// the program the first digit; every frame then reads the pair into Edit26 and
// column 6 of its row.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "MainRoadFixture.h"
#include "support/StampRender.h"

namespace {

std::string Column(const std::string& row, int n) { return StripQuotes(GetCsvField(row, n)); }

}  // namespace

TEST(TimeStampTivi, DigitPairsOfEveryFrameGoIntoTheRows) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  const std::vector<std::string> pairs = {"07", "40", "73", "  "};  // the last frame shows none
  const int cx = 200, cy = 150;
  std::vector<Bitmap24> frames;
  uint32_t seed = 3;
  for (const std::string& two : pairs) {
    Bitmap24 f(320, 240);
    FillFrame(f, 16);
    AddFrameNoise(f, 6, seed++);
    DrawSegmentDigits(f, two, cx + static_cast<int>(seed % 2), cy, 44, 36, 230);
    frames.push_back(f);
  }
  const auto path = m.Path("tivi.avi");
  ASSERT_TRUE(WriteAvi(path.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  ASSERT_FALSE(m.Find<QCheckBox>("CheckBox5")->isChecked());
  m.Find<QRadioButton>("RadioButton13")->setChecked(true);
  EXPECT_EQ(w.Options.PositionSetMode, 3);
  // The click lands a little above and left of the first digit.
  w.TiviDigitBoxClick(cx - 21, cy - 20);
  EXPECT_EQ(w.Options.TiviAvailable, 1);
  EXPECT_EQ(w.Options.StampLocated, 1);
  EXPECT_NEAR(w.Tivi.TiviDigitBox[0], cx * 10, 20);
  EXPECT_EQ(m.Find<QLineEdit>("Edit26")->text(), "07");
  EXPECT_TRUE(m.Find<QLineEdit>("Edit24")->text().isEmpty());

  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), pairs.size());
  const char* want[] = {"07", "40", "73", ""};
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(Column(rows[i], 6), want[i]) << rows[i];
    for (int col : {4, 5, 7}) EXPECT_EQ(Column(rows[i], col), "") << rows[i];
  }
  EXPECT_EQ(w.Options.TiviDigitsValid, 0);  // the last frame read "EE"
  EXPECT_EQ(m.Find<QLineEdit>("Edit26")->text(), "EE");
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// A frame without digits that is not dark (a grey frame at the start of a
// recording, a flash that washes the picture out) gives the box scan nothing
// to find: its row gets no digits, not the "88" the fallback box reads on a
// lit area.
TEST(TimeStampTivi, AFrameWhereNoDigitsAreFoundGetsNone) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  const int cx = 400, cy = 300;
  std::vector<Bitmap24> frames;
  for (const uint8_t grey : {0, 128, 230, 0}) {
    Bitmap24 f = NoisyFrame(720, 480, grey + 1u, grey == 0 ? 16 : grey, 4);
    if (grey == 0) DrawSegmentDigits(f, frames.empty() ? "07" : "40", cx, cy, 44, 36, 230);
    frames.push_back(f);
  }
  const auto path = m.Path("tivi.avi");
  ASSERT_TRUE(WriteAvi(path.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.Find<QRadioButton>("RadioButton13")->setChecked(true);
  w.TiviDigitBoxClick(cx - 21, cy - 20);
  ASSERT_EQ(m.Find<QLineEdit>("Edit26")->text(), "07");
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), frames.size());
  const char* want[] = {"07", "", "", "40"};
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(Column(rows[i], 6), want[i]) << rows[i];
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// With 'KIWI' ticked, 'Position Set' TIVi skips the stamp until the digits
// are shown: the rows of a run then carry no time, not the time of the
// frame last read; once 'TIVi available' is chosen every row has its own.
TEST(TimeStampTivi, RunWhileTheKiwiDigitsArePointedOutWritesNoStaleTime) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 3; ++n) {
    Bitmap24 f = NoisyFrame(720, 480, 40 + static_cast<uint32_t>(n));
    const std::string s = "12341" + std::to_string(n);
    DrawKiwiFields(f, s + "000" + "12" + std::to_string(n), s + "12" + std::to_string(n) + "000", 409);
    frames.push_back(f);
  }
  const auto path = m.Path("kiwi.avi");
  AviWriterOptions o;
  o.rate = 30;
  ASSERT_TRUE(WriteAvi(path.string(), frames, o));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  w.RadioGroup2->SetItemIndex(1);
  m.Find<QCheckBox>("CheckBox5")->setChecked(true);
  w.ShowNeighbor();
  ASSERT_EQ(m.Find<QLineEdit>("Edit26")->text(), "10.120");
  m.Find<QRadioButton>("RadioButton13")->click();
  ASSERT_EQ(w.Options.PositionSetMode, 3);
  ASSERT_EQ(w.Options.TiviAvailableKiwi, 0);

  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 3u);
  for (const std::string& r : rows)
    for (int col : {4, 5, 6, 7}) EXPECT_EQ(Column(r, col), "") << r;
  EXPECT_TRUE(m.Find<QLineEdit>("Edit26")->text().isEmpty());

  w.findChild<QAction*>("IViavailable1")->trigger();
  m.dialogs.yes_no_answers = {true};
  m.Click("Button5");
  m.Click("SpeedButton3");
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  rows = m.Rows();
  ASSERT_EQ(rows.size(), 3u);
  for (int n = 0; n < 3; ++n) {
    const std::string& r = rows[static_cast<size_t>(n)];
    EXPECT_EQ(Column(r, 6), "1" + std::to_string(n) + ".12" + std::to_string(n)) << r;
  }
}

TEST(TimeStampTivi, PopUpSwitchesTheDigitsOnAndOff) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  auto* available = w.findChild<QAction*>("IViavailable1");
  auto* unavailable = w.findChild<QAction*>("IViunavailable1");
  ASSERT_NE(available, nullptr);
  ASSERT_NE(unavailable, nullptr);
  available->trigger();
  EXPECT_EQ(w.Options.TiviAvailable, 1);
  EXPECT_EQ(w.Options.TiviAvailableKiwi, 0);
  m.Find<QLineEdit>("Edit26")->setText("12");
  unavailable->trigger();
  EXPECT_EQ(w.Options.TiviAvailable, 0);
  EXPECT_TRUE(m.Find<QLineEdit>("Edit26")->text().isEmpty());
  m.Find<QCheckBox>("CheckBox5")->setChecked(true);
  available->trigger();
  EXPECT_EQ(w.Options.TiviAvailableKiwi, 1);
  EXPECT_EQ(w.Options.TiviAvailable, 0);
}

// A loaded table with CMOS times shows its own times for the frame on screen.
// A three-frame video open, 'KIWI' ticked, and rows with CMOS times from
// start_frame as a loaded table has them.
void LoadCmosRows(MainRoadWindow& m, int start_frame, const std::vector<std::string>& rows) {
  const auto path = m.Path("plain.avi");
  ASSERT_TRUE(WriteAvi(path.string(), std::vector<Bitmap24>(3, Bitmap24(64, 48))));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.Find<QCheckBox>("CheckBox5")->setChecked(true);
  m.W().Run.StartFrame = start_frame;
  for (const std::string& r : rows) m.W().Results.Add(r);
  m.W().Run.CsvCmosTime = true;
}

TEST(TimeStampTivi, LoadedCmosTimesComeFromTheTable) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  LoadCmosRows(m, 1, {"1.0,,,21,07,33.1234567,33.1567890,,,", "2.0,,,21,07,33.1901234,33.2234567,,,"});
  w.ScrollBar1->setValue(2);
  w.ShowNeighbor();
  EXPECT_EQ(m.Find<QLineEdit>("Edit24")->text(), "21");
  EXPECT_EQ(m.Find<QLineEdit>("Edit26")->text(), "33.1901234");
  EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text(), "33.2234567");
  EXPECT_EQ(m.Find<QLineEdit>("Edit24")->palette().color(QPalette::Base), QColor(0, 255, 255));
  EXPECT_EQ(m.Find<QLineEdit>("Edit57")->text(), "1");  // the table's first frame
  w.ScrollBar1->setValue(0);  // before the table's first frame
  w.ShowNeighbor();
  EXPECT_TRUE(m.Find<QLineEdit>("Edit26")->text().isEmpty());
  EXPECT_EQ(m.Find<QLineEdit>("Edit57")->text(), "1");
}

// Measured with a step of 2: frame 2 shows its own row's time, frame 1 has
// no row and shows none.
TEST(TimeStampTivi, LoadedCmosTimesOfAStepTwoTableBelongToTheirFrames) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  LoadCmosRows(m, 0, {"0.0,,,21,07,33.1234567,33.1567890,,,", "2.0,,,21,07,33.1901234,33.2234567,,,"});
  struct Case {
    int frame;
    const char* seconds;
  };
  for (Case c : {Case{2, "33.1901234"}, Case{1, ""}, Case{0, "33.1234567"}}) {
    w.ScrollBar1->setValue(c.frame);
    w.ShowNeighbor();
    EXPECT_EQ(m.Find<QLineEdit>("Edit26")->text(), c.seconds) << c.frame;
  }
}
