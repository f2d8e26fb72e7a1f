// Measurement runs through the real window: place object A with a click,
// START, the timer, the end of the video, 'Interval', '1Frame' and 'DEL'.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <cmath>

#include "MainRoadFixture.h"
#include "app/NumberText.h"

namespace {

constexpr int kWidth = 120, kHeight = 100;
constexpr int kStarX = 60, kStarY = 50;  // the clicked pixel
// The star sits off the pixel centre so that the rounding of its pixels does
// not repeat in symmetric groups.
constexpr double kStarCx = 60.3, kStarCy = 49.8;

double FluxOfFrame(int n) { return 2000.0 + 30.0 * n; }  // peak below 255 throughout

// The net aperture value worked out by hand from the written frame: the
// digital disk of radius 6 (centre column -6..6; column +-i reaches
// round(sqrt(36 - (i - 0.5)^2)) rows, halves to even) summed, less the flat
// background of 20 per aperture pixel.
double HandAperture(const Bitmap24& frame) {
  double sum = 0;
  int count = 0;
  for (int i = -6; i <= 6; ++i) {
    const int a = std::abs(i);
    const int h = a == 0 ? 6 : static_cast<int>(RoundHalfEven(std::sqrt(36.0 - (a - 0.5) * (a - 0.5))));
    for (int dy = -h; dy <= h; ++dy) {
      sum += frame.Get(kStarX + i, kStarY + dy).b;
      ++count;
    }
  }
  return sum - 20.0 * count;
}

std::string Column(const std::string& row, int n) { return StripQuotes(GetCsvField(row, n)); }

class MainRoadRun : public ::testing::TestWithParam<Reader> {};

TEST_P(MainRoadRun, ObjectAPlacedByAClickIsMeasuredInEveryFrameToTheEnd) {
  MainRoadWindow m(GetParam());
  const std::vector<Bitmap24> frames = StarFrames(kWidth, kHeight, 20, kStarCx, kStarCy, FluxOfFrame);
  const auto path = m.Path("star.avi");
  ASSERT_TRUE(WriteAvi(path.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  m.ClickImage1(kStarX, kStarY);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].X, kStarX);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].Y, kStarY);
  EXPECT_EQ(w.Results.Count(), 6);  // placing measures but appends nothing

  m.Click("Button3");
  EXPECT_EQ(m.Find<QLineEdit>("Edit53")->text(), "0");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_TRUE(m.dialogs.messages.empty());

  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 20u);
  for (int n = 0; n < 20; ++n) {
    SCOPED_TRACE("frame " + std::to_string(n));
    const std::string& row = rows[static_cast<size_t>(n)];
    EXPECT_EQ(Column(row, 1), FormatFixed(n, 1, 8));
    const double value = ParseDoubleOr(Column(row, 11), -1e9);
    // Exactly the hand sum of the frame, and within 0.6 % of the star's flux
    // (the part outside radius 6 and the byte rounding).
    EXPECT_NEAR(value, HandAperture(frames[static_cast<size_t>(n)]), 0.05);
    EXPECT_NEAR(value, FluxOfFrame(n), 0.006 * FluxOfFrame(n));
  }
  EXPECT_EQ(w.Run.LastMeasuredFrame, 19);
  EXPECT_FALSE(w.Run.MeasuringRun);
  EXPECT_FALSE(w.Timer1->isActive());
  EXPECT_TRUE(m.Find<QSpinBox>("UpDown1")->isEnabled());
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox14")->isEnabled());
  EXPECT_EQ(m.Find<QPlainTextEdit>("Memo3")->toPlainText(), "S0\n19");
  // The last frame is measured: START does nothing more.
  m.Click("Button3");
  EXPECT_FALSE(w.Run.MeasuringRun);
  EXPECT_EQ(m.Rows().size(), 20u);
}

TEST_P(MainRoadRun, IntervalFiveOnTwelveFramesMeasuresZeroFiveAndTen) {
  MainRoadWindow m(GetParam());
  ASSERT_TRUE(m.OpenThroughButton1([&] {
    const auto path = m.Path("twelve.avi");
    EXPECT_TRUE(WriteAvi(path.string(), StarFrames(kWidth, kHeight, 12, kStarCx, kStarCy, FluxOfFrame)));
    return path;
  }()));
  m.ClickImage1(kStarX, kStarY);
  m.Find<QSpinBox>("UpDown9")->setValue(5);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Column(rows[0], 1), "0.0");
  EXPECT_EQ(Column(rows[1], 1), "5.0");
  EXPECT_EQ(Column(rows[2], 1), "10.0");
  EXPECT_EQ(m.W().Run.LastMeasuredFrame, 10);
  EXPECT_EQ(m.Find<QScrollBar>("ScrollBar1")->value(), 10);

  // 'DEL' steps back row by row, keeping position and LastMeasuredFrame on the
  // frames the rows hold.
  m.Click("Button21");
  EXPECT_EQ(m.Rows().size(), 2u);
  EXPECT_EQ(m.W().Run.LastMeasuredFrame, 5);
  EXPECT_EQ(m.Find<QScrollBar>("ScrollBar1")->value(), 5);
  // START resumes after the last measured frame, in steps of five.
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> again = m.Rows();
  ASSERT_EQ(again.size(), 3u);
  EXPECT_EQ(Column(again[2], 1), "10.0");
}

TEST_P(MainRoadRun, ARunStartedOnTheLastFrameAppendsOneRowAndEndsByItself) {
  MainRoadWindow m(GetParam());
  const auto path = m.Path("twelve.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(kWidth, kHeight, 12, kStarCx, kStarCy, FluxOfFrame)));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  m.ClickImage1(kStarX, kStarY);
  w.GoToFrame(11);
  m.Click("Button3");
  // Ended inside START, before any timer tick.
  EXPECT_FALSE(w.Run.MeasuringRun);
  EXPECT_FALSE(w.Run.Playing);
  EXPECT_FALSE(w.Timer1->isActive());
  ASSERT_EQ(m.Rows().size(), 1u);
  EXPECT_EQ(Column(m.Rows()[0], 1), "11.0");
  EXPECT_EQ(w.Run.LastMeasuredFrame, 11);
  EXPECT_TRUE(m.Find<QSpinBox>("UpDown3")->isEnabled());
  EXPECT_TRUE(w.Add1->isEnabled());
}

TEST_P(MainRoadRun, DelNeverTouchesTheHeader) {
  MainRoadWindow m(GetParam());
  const auto path = m.Path("twelve.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(kWidth, kHeight, 12, kStarCx, kStarCy, FluxOfFrame)));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  const std::vector<std::string> header = w.Results.Lines();
  ASSERT_EQ(header.size(), 6u);
  m.ClickImage1(kStarX, kStarY);
  for (int i = 0; i < 3; ++i) m.Click("Button16");  // '1Frame': frames 0, 1, 2
  ASSERT_EQ(m.Rows().size(), 3u);
  EXPECT_EQ(Column(m.Rows()[2], 1), "2.0");
  EXPECT_FALSE(w.Run.MeasuringRun);
  for (int i = 0; i < 6; ++i) m.Click("Button21");
  EXPECT_EQ(w.Results.Lines(), header);
  EXPECT_EQ(w.Run.LastMeasuredFrame, -1);
  EXPECT_EQ(m.Find<QScrollBar>("ScrollBar1")->value(), 0);

  // Field rows come two per frame; a lone row is all that 'DEL' may take.
  m.Find<QCheckBox>("CheckBox2")->setChecked(true);
  ASSERT_EQ(w.Results.Count(), 6);  // ticking 'Field Measure' wrote the field header
  w.Results.Add("0.0,,");
  w.Run.LastMeasuredFrame = 0;
  m.Click("Button21");
  EXPECT_EQ(w.Results.Count(), 6);
  EXPECT_EQ(w.Results.Line(5).substr(0, 5), "\"No.\"");
}

// Our reader fails a frame whose bytes are gone; the FFmpeg source, going by
// time, keeps showing the last frame it could decode.
TEST(MainRoadRunOwnAvi, AFrameThatCannotBeReadEndsTheRunWithoutARowAndOneBox) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto path = m.Path("cut.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(kWidth, kHeight, 12, kStarCx, kStarCy, FluxOfFrame)));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  m.ClickImage1(kStarX, kStarY);
  // The capture is cut short after it was opened: the later frames are gone.
  std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_TRUE(m.dialogs.messages[0].text.startsWith("Fail to get a bitmap.\r\n"));
  const std::vector<std::string> rows = m.Rows();
  ASSERT_FALSE(rows.empty());
  ASSERT_LT(rows.size(), 12u);
  for (size_t n = 0; n < rows.size(); ++n) EXPECT_EQ(Column(rows[n], 1), FormatFixed(double(n), 1, 8));
  EXPECT_EQ(w.Run.LastMeasuredFrame, static_cast<int>(rows.size()) - 1);
  EXPECT_FALSE(w.Timer1->isActive());
  EXPECT_TRUE(m.Find<QSpinBox>("UpDown1")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(BothReaders, MainRoadRun, ::testing::Values(Reader::OwnAvi, Reader::Ffmpeg),
                         [](const auto& info) { return info.param == Reader::OwnAvi ? "OwnAvi" : "Ffmpeg"; });

}  // namespace
