// Measurement runs through the real window: place object A with a click,
// START, the timer, the end of the video, 'Interval', '1Frame' and 'DEL'.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <cmath>

#include "MainRoadFixture.h"
#include "base/NumberText.h"
#include "support/VideoFixtures.h"
#include "video/TGKAvi.h"

namespace {

constexpr int kWidth = 120, kHeight = 100;
constexpr int kStarX = 60, kStarY = 50;  // the clicked pixel
// The star sits off the pixel centre so that the rounding of its pixels does
// not repeat in symmetric groups.
constexpr double kStarCx = 60.3, kStarCy = 49.8;

double FluxOfFrame(int n) { return 2000.0 + 30.0 * n; }  // peak below 255 throughout

// The net aperture value worked out by hand from the written frame: the
// digital disk of radius r (centre column -r..r; column +-i reaches
// round(sqrt(r^2 - (i - 0.5)^2)) rows, halves to even) summed, less the flat
// background of 20 per aperture pixel.
double HandAperture(const Bitmap24& frame, int x = kStarX, int y = kStarY, int r = 6) {
  double sum = 0;
  int count = 0;
  for (int i = -r; i <= r; ++i) {
    const int a = std::abs(i);
    const int h = a == 0 ? r : static_cast<int>(RoundHalfEven(std::sqrt(double(r * r) - (a - 0.5) * (a - 0.5))));
    for (int dy = -h; dy <= h; ++dy) {
      sum += frame.Get(x + i, y + dy).b;
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

TEST_P(MainRoadRun, ThreeObjectsFillTheirOwnColumns) {
  MainRoadWindow m(GetParam());
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 6; ++n) {
    SyntheticFrame f;
    f.Width = kWidth;
    f.Height = kHeight;
    f.Background = 20;
    f.Stars = {SyntheticStar{30.3, 30.2, 1500.0 + 100 * n, 1.5}, SyntheticStar{90.2, 30.4, 2500, 1.4},
               SyntheticStar{60.3, 70.2, 1000, 1.6}};
    frames.push_back(MakeStarFrame(f));
  }
  const auto path = m.Path("three.avi");
  ASSERT_TRUE(WriteAvi(path.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  m.ClickImage1(30, 30);
  // B and C stand where the add command would put them (radius 5 from start-up).
  w.Run.ObjectCount = 3;
  m.PutObject(1, 90, 30);
  m.PutObject(2, 60, 70);
  const int radius_bc = w.Frames.FrameDataLines[0].Objects[1].ApertureRadius;
  ASSERT_EQ(w.Frames.FrameDataLines[0].Objects[2].ApertureRadius, radius_bc);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 6u);
  for (size_t n = 0; n < rows.size(); ++n) {
    SCOPED_TRACE("frame " + std::to_string(n));
    EXPECT_NEAR(ParseDoubleOr(Column(rows[n], 11), -1e9), HandAperture(frames[n], 30, 30, 6), 0.05);
    EXPECT_NEAR(ParseDoubleOr(Column(rows[n], 12), -1e9), HandAperture(frames[n], 90, 30, radius_bc), 0.05);
    EXPECT_NEAR(ParseDoubleOr(Column(rows[n], 13), -1e9), HandAperture(frames[n], 60, 70, radius_bc), 0.05);
  }
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

// Both sources fail the first frame whose bytes are gone; neither shows the
// frame before it in its place.
TEST_P(MainRoadRun, AFrameThatCannotBeReadEndsTheRunWithoutARowAndOneBox) {
  MainRoadWindow m(GetParam());
  const auto path = m.Path("cut.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(kWidth, kHeight, 12, kStarCx, kStarCy, FluxOfFrame)));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  m.ClickImage1(kStarX, kStarY);
  // The capture is cut short after it was opened: the later frames are gone.
  const uint64_t cut = std::filesystem::file_size(path) / 2;
  size_t readable = 0;
  {
    TGKAvi index;
    ASSERT_TRUE(index.OpenStreams(path.string()));
    while (readable < index.Contents()->frames.size() &&
           index.Contents()->frames[readable].offset + index.Contents()->frames[readable].size <= cut)
      ++readable;
  }
  ASSERT_GT(readable, 0u);
  std::filesystem::resize_file(path, cut);
  // A real box spins the event loop while it is up; the run timer must not
  // tick meanwhile.
  struct ModalDialogs : ScriptedDialogService {
    void ShowMessage(MessageKind kind, const QString& text, const QString& caption) override {
      ScriptedDialogService::ShowMessage(kind, text, caption);
      QElapsedTimer up;
      up.start();
      while (up.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
  } modal;
  ScopedDialogService use_modal(modal);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(modal.messages.size(), 1u);
  EXPECT_TRUE(modal.messages[0].text.startsWith("Fail to get a bitmap.\r\n"));
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), readable);
  for (size_t n = 0; n < rows.size(); ++n) EXPECT_EQ(Column(rows[n], 1), FormatFixed(double(n), 1, 8));
  EXPECT_EQ(w.Run.LastMeasuredFrame, static_cast<int>(rows.size()) - 1);
  EXPECT_FALSE(w.Timer1->isActive());
  EXPECT_TRUE(m.Find<QSpinBox>("UpDown1")->isEnabled());
}

// A capture that crashed: an FFV1 AVI cut short before it is opened, with no
// index. Our reader finds the whole frames only, so the run ends on the last
// of them; the FFmpeg source goes by the header's length and fails the first
// frame that is gone, with one box. Neither writes a row for a missing frame.
TEST_P(MainRoadRun, ARunOverACutCompressedFileEndsAtTheFirstFrameThatIsGone) {
  MainRoadWindow m(GetParam());
  const auto raw = m.Path("raw.avi");
  ASSERT_TRUE(WriteAvi(raw.string(), StarFrames(kWidth, kHeight, 16, kStarCx, kStarCy, FluxOfFrame)));
  const auto full = m.Path("full.avi");
  ASSERT_TRUE(RunFfmpeg("-i '" + raw.string() + "' -c:v ffv1 '" + full.string() + "'"));
  TGKAvi index;
  ASSERT_TRUE(index.OpenStreams(full.string()));
  const auto& frames = index.Contents()->frames;
  ASSERT_EQ(frames.size(), 16u);
  const uint64_t cut = frames[9].offset + frames[9].size / 2;  // frames 0..8 whole
  {
    std::ifstream in(full, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::ofstream(m.Path("cut.avi"), std::ios::binary).write(bytes.data(), std::streamsize(cut));
  }
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("cut.avi")));
  TPlatform& w = m.W();
  m.ClickImage1(kStarX, kStarY);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 9u);
  for (size_t n = 0; n < rows.size(); ++n) EXPECT_EQ(Column(rows[n], 1), FormatFixed(double(n), 1, 8));
  // Both readers count the frames the file holds.
  EXPECT_EQ(m.Find<QScrollBar>("ScrollBar1")->maximum(), 8);
  EXPECT_TRUE(m.dialogs.messages.empty());
  EXPECT_FALSE(w.Timer1->isActive());
}

TEST_P(MainRoadRun, FieldMeasureWritesTwoRowsPerFrameAndDelTakesBothBack) {
  MainRoadWindow m(GetParam());
  const auto path = m.Path("fields.avi");
  ASSERT_TRUE(WriteAvi(path.string(), StarFrames(kWidth, kHeight, 4, kStarCx, kStarCy, FluxOfFrame)));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  m.Find<QCheckBox>("CheckBox2")->setChecked(true);  // 'Field Measure' (rewrites the header)
  ASSERT_EQ(w.Results.Count(), 6);
  m.ClickImage1(kStarX, kStarY);
  m.Click("Button16");
  m.Click("Button16");
  std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(Column(rows[0], 1), "0.0");
  EXPECT_EQ(Column(rows[1], 1), "0.5");
  EXPECT_EQ(Column(rows[2], 1), "1.0");
  EXPECT_EQ(Column(rows[3], 1), "1.5");
  m.Click("Button21");
  rows = m.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Column(rows[1], 1), "0.5");
  EXPECT_EQ(w.Run.LastMeasuredFrame, 0);
  EXPECT_EQ(m.Find<QScrollBar>("ScrollBar1")->value(), 0);
  // The rest of the run goes on from frame 1, two rows a frame.
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  rows = m.Rows();
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(Column(rows[7], 1), "3.5");
}

TEST_P(MainRoadRun, TheLedInTheCornerMarksTheRowsAndPaintsS1) {
  MainRoadWindow m(GetParam());
  std::vector<Bitmap24> frames = StarFrames(kWidth, kHeight, 6, kStarCx, kStarCy, FluxOfFrame);
  for (size_t n = 1; n < frames.size(); n += 2)
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) frames[n].Set(x, y, Bgr{250, 250, 250});
  const auto path = m.Path("led.avi");
  ASSERT_TRUE(WriteAvi(path.string(), frames));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.ClickImage1(kStarX, kStarY);
  QLabel* s1 = m.Find<QLabel>("Panel1");
  EXPECT_EQ(s1->palette().color(QPalette::Window), QColor(Qt::white));
  m.Click("SpeedButton4");
  EXPECT_EQ(s1->palette().color(QPalette::Window), QColor(Qt::red));
  m.Click("SpeedButton3");
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 6u);
  for (size_t n = 0; n < rows.size(); ++n) {
    const std::string lit = n % 2 == 1 ? "***" : "";
    EXPECT_EQ(Column(rows[n], 2), lit) << n;
    EXPECT_EQ(Column(rows[n], 3), lit) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(BothReaders, MainRoadRun, ::testing::Values(Reader::OwnAvi, Reader::Ffmpeg),
                         [](const auto& info) { return info.param == Reader::OwnAvi ? "OwnAvi" : "Ffmpeg"; });

}  // namespace
