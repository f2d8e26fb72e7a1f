// A video whose first frame shows no time stamp: the locate on opening finds
// no line, the window says so, and the first frame that shows the stamp is
// located, so the rows of the frames after it carry their times; a later
// frame without a stamp gets none.
#include <QCheckBox>
#include <QLineEdit>
#include <string>
#include <vector>

#include "MainRoadFixture.h"
#include "base/IniFile.h"
#include "base/NumberText.h"
#include "support/StampRender.h"

namespace {

constexpr int kFrames = 4;

// Frame n shows 12:34:(50 + n) in both fields: the odd-row field with the
// fraction 1000 (IOTA) or 100 (GHS), the even-row field 1167 or 116.
Bitmap24 IotaFrame(int n) {
  const double pitch = (540.0 - 82.0) / 19.0;
  Bitmap24 f = NoisyFrame(720, 480, 500 + static_cast<uint32_t>(n));
  const std::string hms = "1234" + std::to_string(50 + n);
  DrawIotaFields(f, hms + "1000    4000    ", hms + "    11674001    ", IotaCellXs(85, pitch), 435, pitch);
  return f;
}

Bitmap24 GhsFrame(int n) {
  const double pitch = 20.0;
  const int u_column = 150, top = 385;
  Bitmap24 f = NoisyFrame(720, 480, 600 + static_cast<uint32_t>(n));
  const std::vector<int> xs = GhsCellXs(u_column + 215 + pitch / 2, pitch);
  const StampGlyphStyle s{StampFont::Ghs, 2, pitch, 4, 2, 2, kStampStroke};
  const std::string date_hms = "261206 1234" + std::to_string(50 + n);
  DrawStampText(f, date_hms + "100", xs, top, s);
  DrawStampText(f, date_hms + "116", xs, top - 1, s);
  DrawStampChar(f, 'U', u_column, top, s);
  DrawStampChar(f, 'U', u_column, top - 1, s);
  return f;
}

struct RetryCase {
  const char* inserter;  // the settings file's VideoTimeInserter
  Bitmap24 (*frame)(int);
  const char* fraction1;
  const char* fraction2;
};

class TimeStampLocateRetry : public ::testing::TestWithParam<RetryCase> {};

TEST_P(TimeStampLocateRetry, FramesAfterAStamplessFirstFrameCarryTheirTimes) {
  const RetryCase& c = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  IniFile ini(w.SettingsPlace.IniPath);
  ini.WriteString("TimeSignal", "VideoTimeInserter", c.inserter);
  ini.WriteString("TimeSignal", "Read from KIWI-OSD", "1");
  // Frames 0 and 2 show no stamp.
  std::vector<Bitmap24> frames;
  for (int n = 0; n < kFrames; ++n) frames.push_back(n % 2 == 0 ? NoisyFrame(720, 480, 7 + n) : c.frame(n));
  const auto path = m.Path("late-stamp.avi");
  AviWriterOptions o;
  o.rate = 30;
  ASSERT_TRUE(WriteAvi(path.string(), frames, o));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  ASSERT_TRUE(m.Find<QCheckBox>("CheckBox5")->isChecked());
  EXPECT_EQ(w.Options.StampLocated, 1);
  EXPECT_EQ(m.Find<QLineEdit>("Edit56")->text(), "No time stamp found") << c.inserter;
  w.RadioGroup2->SetItemIndex(1);  // 'Odd first'

  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_TRUE(m.dialogs.messages.empty());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), static_cast<size_t>(kFrames));
  // The frames without a stamp get no time: GHS cells over the first, with no
  // stamp background measured yet, all read as lit ("88:88:88.888"), which is
  // no time; the third is not 00:00 with the second frame's fractions.
  for (int n = 0; n < kFrames; ++n) {
    std::vector<std::string> got;
    for (int i = 4; i <= 7; ++i) got.push_back(StripQuotes(GetCsvField(rows[static_cast<size_t>(n)], i)));
    const std::string s = std::to_string(50 + n) + ".";
    const std::vector<std::string> want =
        n % 2 == 0 ? std::vector<std::string>(4) : std::vector<std::string>{"12", "34", s + c.fraction1, s + c.fraction2};
    EXPECT_EQ(got, want) << c.inserter << " frame " << n << ": " << rows[static_cast<size_t>(n)];
  }
  EXPECT_NE(m.Find<QLineEdit>("Edit56")->text(), "No time stamp found") << c.inserter;
}

// Frames 1-3 of a video whose stamp says the even field comes first: frame n
// shows 12:34:(50 + n) with the fraction 1000 on the even rows and 1167 on
// the odd ones (IOTA; 100 and 116 for GHS). Every frame, the first without a
// stamp too, holds a lit square whose even rows are brighter than its odd ones.
constexpr int kSquareLeft = 100, kSquareTop = 100, kSquareSize = 20;

void DrawFieldSquare(Bitmap24& f) {
  for (int y = kSquareTop; y < kSquareTop + kSquareSize; ++y) {
    const uint8_t level = y % 2 == 0 ? 200 : 60;
    for (int x = kSquareLeft; x < kSquareLeft + kSquareSize; ++x) f.Set(x, y, Bgr{level, level, level});
  }
}

Bitmap24 EvenFirstFrame(bool ghs, int n) {
  Bitmap24 f = NoisyFrame(720, 480, 900 + static_cast<uint32_t>(n));
  DrawFieldSquare(f);
  if (n == 0) return f;
  const std::string hms = "1234" + std::to_string(50 + n);
  if (!ghs) {
    const double pitch = (540.0 - 82.0) / 19.0;
    DrawIotaFields(f, hms + "    1167" + "4001", hms + "1000    " + "4000", IotaCellXs(85, pitch), 435, pitch);
    return f;
  }
  const double pitch = 20.0;
  const int u_column = 150, top = 385;
  const StampGlyphStyle s{StampFont::Ghs, 2, pitch, 4, 2, 2, kStampStroke};
  const std::vector<int> xs = GhsCellXs(u_column + 215 + pitch / 2, pitch);
  DrawStampText(f, "261206 " + hms + "116", xs, top, s);
  DrawStampText(f, "261206 " + hms + "100", xs, top - 1, s);
  DrawStampChar(f, 'U', u_column, top, s);
  DrawStampChar(f, 'U', u_column, top - 1, s);
  return f;
}

// The line found on the second frame gives 'Field Order' as a stamp on the
// first frame would: each field row carries its own field's time and light,
// the earlier field first, whatever order the settings held.
TEST(TimeStampLocateRetryOrder, FieldOrderComesFromTheFirstFrameWithAStamp) {
  for (const bool ghs : {false, true}) {
    SCOPED_TRACE(ghs ? "GHS" : "IOTA");
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    m.ReadStampsOf(ghs ? "GHS-OSD" : "IOTA-VTI");
    std::vector<Bitmap24> frames;
    for (int n = 0; n < kFrames; ++n) frames.push_back(EvenFirstFrame(ghs, n));
    const auto path = m.Path("late-stamp.avi");
    AviWriterOptions o;
    o.rate = 30;
    ASSERT_TRUE(WriteAvi(path.string(), frames, o));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    ASSERT_EQ(m.Find<QLineEdit>("Edit56")->text(), "No time stamp found");
    w.RadioGroup2->SetItemIndex(1);  // 'Odd first', as the settings may hold it
    m.Find<QCheckBox>("CheckBox2")->click();  // 'Field Measure'
    ASSERT_TRUE(m.Find<QCheckBox>("CheckBox2")->isChecked());
    m.ClickImage1(kSquareLeft + kSquareSize / 2, kSquareTop + kSquareSize / 2);
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped());
    EXPECT_TRUE(m.dialogs.messages.empty());
    EXPECT_EQ(w.RadioGroup2->ItemIndex(), 0);  // 'Even first'
    const std::vector<std::string> rows = m.Rows();
    ASSERT_EQ(rows.size(), static_cast<size_t>(2 * kFrames));
    for (int n = 1; n < kFrames; ++n) {
      const std::string& early = rows[static_cast<size_t>(2 * n)];
      const std::string& late = rows[static_cast<size_t>(2 * n + 1)];
      const std::string s = std::to_string(50 + n) + ".";
      EXPECT_EQ(StripQuotes(GetCsvField(early, 6)), s + (ghs ? "100" : "1000")) << early;
      EXPECT_EQ(StripQuotes(GetCsvField(late, 6)), s + (ghs ? "116" : "1167")) << late;
      // The earlier field is the even rows' one: the brighter.
      EXPECT_GT(ParseDoubleOr(StripQuotes(GetCsvField(early, 11)), 0),
                2 * ParseDoubleOr(StripQuotes(GetCsvField(late, 11)), 0))
          << early << "\n" << late;
    }
  }
}

// A video that shows no stamp says nothing about its fields: opening it and
// measuring keep the 'Field Order' of the settings, with either inserter.
TEST(TimeStampLocateRetryOrder, NoStampKeepsTheChosenFieldOrder) {
  for (const char* inserter : {"IOTA-VTI", "GHS-OSD"}) {
    for (const int chosen : {0, 1}) {
      SCOPED_TRACE(std::string(inserter) + (chosen == 0 ? " even first" : " odd first"));
      MainRoadWindow m(Reader::OwnAvi);
      TPlatform& w = m.W();
      m.ReadStampsOf(inserter);
      std::vector<Bitmap24> frames;
      for (int n = 0; n < 2; ++n) frames.push_back(NoisyFrame(720, 480, 40 + static_cast<uint32_t>(n)));
      const auto path = m.Path("no-stamp.avi");
      AviWriterOptions o;
      o.rate = 30;
      ASSERT_TRUE(WriteAvi(path.string(), frames, o));
      IniFile(w.SettingsPlace.IniPath).WriteString("Measurement", "FieldOrder", chosen == 0 ? "Top first" : "Bottom first");
      ASSERT_TRUE(m.OpenThroughButton1(path));
      EXPECT_EQ(m.Find<QLineEdit>("Edit56")->text(), "No time stamp found");
      EXPECT_EQ(w.RadioGroup2->ItemIndex(), chosen);
      m.Click("Button3");
      ASSERT_TRUE(m.WaitUntilStopped());
      EXPECT_EQ(w.RadioGroup2->ItemIndex(), chosen);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Inserters, TimeStampLocateRetry,
                         ::testing::Values(RetryCase{"IOTA-VTI", IotaFrame, "1000", "1167"},
                                           RetryCase{"GHS-OSD", GhsFrame, "100", "116"}),
                         [](const ::testing::TestParamInfo<RetryCase>& info) {
                           return std::string(info.param.inserter).substr(0, 3) == "GHS" ? "Ghs" : "Iota";
                         });

}  // namespace
