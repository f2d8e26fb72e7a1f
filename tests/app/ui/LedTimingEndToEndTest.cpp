// The LED time correction on a synthetic video whose truth is known: a GPS
// pulse lights an LED for 100 ms from every whole second of UTC, each frame's
// exposure integrates the part of the pulse it overlaps, and the capture
// program stamps every frame with its PC clock, which runs a constant delay
// behind UTC with a little jitter. Measured through the main window, then
// calibrated through the LED window; the corrected times must be UTC.
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "MainRoadFixture.h"
#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "support/StampRender.h"
#include "timing/ui/TLEDGraph.h"

namespace {

constexpr int kWidth = 64, kHeight = 48, kFrames = 300;
constexpr double kLitSeconds = 0.1;
// Frame 200 is the first one lit by the pulse of 21:30:11; its exposure ends
// 6.3 ms after that second.
constexpr int kPulseFrame = 200;
constexpr double kPulseSecond = 21 * 3600 + 30 * 60 + 11;
constexpr double kEndAfterPulse = 0.0063;
constexpr double kDark = 20, kLitRise = 200;
constexpr int kLedX = 46, kLedY = 26, kLedHalf = 8, kStarX = 16, kStarY = 26;

// The camera's rate (rate / scale frames per second, each exposure a whole
// frame long) and the PC clock, which reads `delay` later than UTC.
struct LedClock {
  uint32_t rate = 30000, scale = 1001;
  double delay = 0;
  double sky_drift = 0;  // grey levels per frame the dark LED brightens by
  double noise = 0;      // Gaussian noise of each LED pixel

  double Period() const { return static_cast<double>(scale) / rate; }
  int CycleFrames() const { return static_cast<int>(std::lround(static_cast<double>(rate) / scale)); }
  // UTC of the end of frame f's exposure, seconds of the day.
  double TrueEnd(int f) const { return kPulseSecond + kEndAfterPulse + (f - kPulseFrame) * Period(); }
  double TrueCentre(int f) const { return TrueEnd(f) - Period() / 2; }
  // The time the capture program stamps: the end seen on the PC clock, with
  // a zero-mean jitter of up to 0.5 ms.
  double StampedTime(int f) const { return TrueEnd(f) + delay + 0.00005 * ((37 * f) % 21 - 10); }
  double LedLevel(int f) const {
    const double end = TrueEnd(f), start = end - Period();
    double lit = 0;
    for (double s = std::floor(start) - 1; s <= end; s += 1)
      lit += std::max(0.0, std::min(end, s + kLitSeconds) - std::max(start, s));
    return kDark + sky_drift * f + kLitRise * lit / Period();
  }
};

// A star for object A, the LED box dithered so that its mean is the level
// to 1/289 of a grey step, and the PC time in the tick stamp of row 0.
Bitmap24 LedFrame(const LedClock& clock, int f) {
  SyntheticFrame s;
  s.Width = kWidth;
  s.Height = kHeight;
  s.Background = kDark;
  s.Stars = {SyntheticStar{kStarX, kStarY, 3000, 1.5}};
  Bitmap24 frame = MakeStarFrame(s);
  const double level = clock.LedLevel(f);
  const int base = static_cast<int>(std::floor(level));
  const int side = 2 * kLedHalf + 1;
  const int raised = static_cast<int>(std::lround((level - base) * side * side));
  std::mt19937 random(static_cast<uint32_t>(f) + 1);
  std::normal_distribution<double> gauss(0.0, std::max(clock.noise, 1.0));
  int i = 0;
  for (int y = kLedY - kLedHalf; y <= kLedY + kLedHalf; ++y)
    for (int x = kLedX - kLedHalf; x <= kLedX + kLedHalf; ++x, ++i) {
      const double noise = clock.noise > 0 ? std::round(gauss(random)) : 0.0;
      const auto v = static_cast<uint8_t>(std::clamp(base + (i < raised ? 1 : 0) + noise, 0.0, 255.0));
      frame.Set(x, y, Bgr{v, v, v});
    }
  const auto ticks = static_cast<int64_t>(std::llround(clock.StampedTime(f) * 1e7));
  WriteTickCount(frame, 0, TicksOf(2026, 12, 7, 0, 0, ticks));
  return frame;
}

void PressAt(QWidget* w, QPoint p) {
  QMouseEvent e(QEvent::MouseButtonPress, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton, Qt::LeftButton,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

double Field(const std::string& row, int n) { return ParseDoubleOr(StripQuotes(GetCsvField(row, n)), -1e9); }

double DaySeconds(const std::string& row, int h, int m, int s) {
  return Field(row, h) * 3600 + Field(row, m) * 60 + Field(row, s);
}

// The video of `frames` frames opened, A placed on the star and the LED box
// on the LED, and measured from `first_frame` to the end; its result rows.
std::vector<std::string> MeasureLedVideo(MainRoadWindow& m, const LedClock& clock, int frames, int first_frame) {
  TPlatform& w = m.W();
  std::vector<Bitmap24> images;
  for (int f = 0; f < frames; ++f) images.push_back(LedFrame(clock, f));
  const auto video = m.Path("led.avi");
  AviWriterOptions o;
  o.rate = clock.rate;
  o.scale = clock.scale;
  EXPECT_TRUE(WriteAvi(video.string(), images, o));
  if (!m.OpenThroughButton1(video)) return {};
  EXPECT_EQ(w.Options.TimeStampMode, 3);
  EXPECT_EQ(w.Options.Signal1HalfWidth, kLedHalf);
  EXPECT_EQ(w.Options.Signal1HalfHeight, kLedHalf);
  m.ClickImage1(kStarX, kStarY);
  m.Find<QRadioButton>("RadioButton11")->click();
  m.ClickImage1(kLedX, kLedY);
  m.Find<QRadioButton>("RadioButton10")->click();
  EXPECT_EQ(w.Marks.Signal1X, kLedX);
  EXPECT_EQ(w.Marks.Signal1Y, kLedY);
  w.ScrollBar1->setValue(first_frame);
  m.Click("Button3");
  if (!m.WaitUntilStopped()) return {};
  EXPECT_TRUE(m.dialogs.messages.empty());
  const std::vector<std::string> rows = m.Rows();
  EXPECT_EQ(rows.size(), static_cast<size_t>(frames - first_frame));
  for (int f = first_frame; f < first_frame + static_cast<int>(rows.size()); ++f) {
    SCOPED_TRACE("frame " + std::to_string(f));
    const std::string& row = rows[static_cast<size_t>(f - first_frame)];
    EXPECT_EQ(Field(row, 1), f) << row;
    EXPECT_NEAR(Field(row, 2), clock.LedLevel(f), 0.06 + clock.noise / 3) << row;
    EXPECT_NEAR(DaySeconds(row, 8, 9, 10), clock.StampedTime(f), 1e-6) << row;
  }
  return rows;
}

// A click on the pulse line's dot (the graph scrolled to `scroll`), the
// cycle range and the fit.
void FitPulse(TLEDGraph* led, int pulse_line, int lower, int upper, int scroll = 0) {
  led->ScrollBar1->setValue(scroll);
  PressAt(led->LEDImage1, led->SignalDot(pulse_line));
  EXPECT_EQ(led->Edit20->text().toStdString(), std::to_string(pulse_line));
  led->UpDown1->setValue(lower);
  led->UpDown2->setValue(upper);
  led->Button5->click();
}

// Fields 4 and 5 carry the centre's hour and minute, 6 the centre's seconds
// and 7 the end's seconds (4 decimals); both must be UTC.
void ExpectUtcRows(const LedClock& clock, const std::vector<std::string>& rows, int first_frame) {
  for (int f = first_frame; f < first_frame + static_cast<int>(rows.size()); ++f) {
    SCOPED_TRACE("frame " + std::to_string(f));
    const std::string& row = rows[static_cast<size_t>(f - first_frame)];
    EXPECT_NEAR(DaySeconds(row, 4, 5, 6), clock.TrueCentre(f), 0.0003) << row;
    EXPECT_NEAR(Field(row, 4) * 3600 + Field(row, 5) * 60 + Field(row, 7), clock.TrueEnd(f), 0.0003) << row;
  }
}

struct LedCase {
  const char* name;
  LedClock clock;
  int first_frame;  // the frame the measurement starts at
  int lower, upper;  // the cycle range around the pulse frame, all partly lit
};

void PrintTo(const LedCase& c, std::ostream* os) { *os << c.name; }

class LedTimingEndToEnd : public ::testing::TestWithParam<LedCase> {};

TEST_P(LedTimingEndToEnd, CorrectedTimesAreUtc) {
  const LedCase& c = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  const std::vector<std::string> rows = MeasureLedVideo(m, c.clock, kFrames, c.first_frame);
  ASSERT_EQ(rows.size(), static_cast<size_t>(kFrames - c.first_frame));

  m.Click("BitBtn2");
  auto* led = qobject_cast<TLEDGraph*>(w.LEDGraph.data());
  ASSERT_NE(led, nullptr);
  led->Button4->click();
  led->RadioGroup1->SetItemIndex(1);
  FitPulse(led, kPulseFrame - c.first_frame, c.lower, c.upper);
  // Every standard rate's cycle lasts 1.001 s, so the edge moves 1 ms
  // through the frame per cycle: it meets the end of the exposure 6.3 cycles
  // before the pulse frame, and the calibration frame is 6 cycles before it.
  EXPECT_EQ(led->Edit21->text().toStdString(), std::to_string(kPulseFrame - 6 * c.clock.CycleFrames()));
  // The offset added to the PC time is the clock's delay, negated.
  EXPECT_NEAR(led->Edit18->text().toDouble(), -c.clock.delay, 0.0001) << led->Edit18->text().toStdString();

  led->Button6->click();
  EXPECT_TRUE(w.Options.SharpCapTimeAvailable);
  const std::vector<std::string> corrected = m.Rows();
  ASSERT_EQ(corrected.size(), rows.size());
  ExpectUtcRows(c.clock, corrected, c.first_frame);
  // 'Save' writes the corrected rows.
  const auto csv = m.Path("led.csv");
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button6");
  std::ifstream in(csv, std::ios::binary);
  std::vector<std::string> saved;
  for (std::string line; std::getline(in, line);) saved.push_back(line.substr(0, line.find('\r')));
  ASSERT_EQ(saved.size(), 6 + rows.size());
  ExpectUtcRows(c.clock, std::vector<std::string>(saved.begin() + 6, saved.end()), c.first_frame);
  // The main window shows a frame's corrected centre and end (inserter texts ticked).
  m.Find<QCheckBox>("CheckBox5")->setChecked(true);
  w.ScrollBar1->setValue(kPulseFrame + 7);
  const double shown_h = w.Edit24->text().toDouble() * 3600 + w.Edit25->text().toDouble() * 60;
  EXPECT_NEAR(shown_h + w.Edit26->text().toDouble(), c.clock.TrueCentre(kPulseFrame + 7), 0.0003);
  EXPECT_NEAR(shown_h + w.Edit27->text().toDouble(), c.clock.TrueEnd(kPulseFrame + 7), 0.0003);
  led->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Two calibrations 1000 frames apart, memorised: 'Apply to Analysis' times
// every frame from the line through them.
TEST(LedTimingEndToEndPoints, TwoMemorisedCalibrationsGiveUtc) {
  constexpr int kLongFrames = 1290;
  const LedClock clock{30000, 1001, 0.1234};
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  const std::vector<std::string> rows = MeasureLedVideo(m, clock, kLongFrames, 0);
  ASSERT_EQ(rows.size(), static_cast<size_t>(kLongFrames));
  m.Click("BitBtn2");
  auto* led = qobject_cast<TLEDGraph*>(w.LEDGraph.data());
  ASSERT_NE(led, nullptr);
  led->Button4->click();
  led->RadioGroup1->SetItemIndex(1);
  FitPulse(led, kPulseFrame, -5, 3);
  EXPECT_EQ(led->Edit21->text().toStdString(), "20");
  EXPECT_NEAR(led->Edit18->text().toDouble(), -clock.delay, 0.0001) << led->Edit18->text().toStdString();
  led->Button7->click();
  // A thousand frames on, frame 1129 is the first lit by its pulse, 3.933 ms
  // before the end of its exposure; the edge meets the end 3.933 cycles
  // earlier, so the calibration frame is 3 cycles before it.
  FitPulse(led, 1129, -3, 5, 1000);
  EXPECT_EQ(led->Edit21->text().toStdString(), "1039");
  EXPECT_NEAR(led->Edit18->text().toDouble(), -clock.delay, 0.0001) << led->Edit18->text().toStdString();
  led->Button7->click();
  ASSERT_EQ(led->ListBox1->count(), 2);
  for (int i = 0; i < 2; ++i) {
    const std::string point = led->ListBox1->item(i)->text().toStdString();
    const int frame = i == 0 ? 20 : 1039;
    EXPECT_EQ(point.substr(0, 10), (i == 0 ? "0001 00020" : "0002 01039")) << point;
    EXPECT_NEAR(std::stod(point.substr(11, 2)) * 3600 + std::stod(point.substr(14, 2)) * 60 +
                    std::stod(point.substr(17)),
                clock.TrueEnd(frame), 0.0002)
        << point;
  }
  led->Button6->click();
  EXPECT_TRUE(w.Options.SharpCapTimeAvailable);
  EXPECT_TRUE(led->Memo3->toPlainText().contains("PPSNum=2"));
  ExpectUtcRows(clock, m.Rows(), 0);
  led->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The histogram panel reads the LED box of the video's own frames: the
// noise figure from the frame selected on the chart, the mean and spread of
// the last cycle frame it draws, each worked out from the box's pixels.
TEST(LedTimingEndToEndHistogram, PanelReadsTheLedBoxOfTheChosenFrames) {
  const LedClock clock{30000, 1001, 0.2345};
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  ASSERT_EQ(MeasureLedVideo(m, clock, kFrames, 0).size(), static_cast<size_t>(kFrames));
  w.Chart.ChartState.SelectedFrame = kPulseFrame;
  m.Click("BitBtn2");
  auto* led = qobject_cast<TLEDGraph*>(w.LEDGraph.data());
  ASSERT_NE(led, nullptr);
  led->Button4->click();
  led->Button1->click();
  // The box of frame f: `raised` of its 289 pixels one grey step above the rest.
  struct Box {
    double mean, variance;
  };
  auto box = [&](int f) {
    const double level = clock.LedLevel(f), base = std::floor(level);
    const double p = std::lround((level - base) * 289) / 289.0;
    return Box{base + p, p * (1 - p)};
  };
  const Box selected = box(kPulseFrame);
  const double vratio = std::sqrt(selected.variance) / (0.55 + 0.33 * std::sqrt(selected.mean));
  EXPECT_EQ(led->Edit13->text().toStdString(), FormatFixed(vratio, 2, 15));
  EXPECT_EQ(led->Edit1->text().toStdString(), std::to_string(kPulseFrame));
  // Cycles -5..9 from frame 200; frame 290 is the last inside the video.
  const Box last = box(kPulseFrame + 3 * 30);
  EXPECT_EQ(led->Edit7->text().toStdString(), FormatFixed(last.mean, 4, 8));
  EXPECT_EQ(led->Edit8->text().toStdString(), FormatFixed(std::sqrt(last.variance * 289 / 288), 4, 8));
  led->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

INSTANTIATE_TEST_SUITE_P(Clocks, LedTimingEndToEnd,
                         ::testing::Values(LedCase{"ClockBehind", {30000, 1001, 0.2345}, 0, -5, 3},
                                           LedCase{"ClockAhead", {30000, 1001, -0.3871}, 0, -5, 3},
                                           LedCase{"FromFrame40", {30000, 1001, 0.2345}, 40, -5, 3},
                                           LedCase{"Rate5994", {60000, 1001, 0.2345}, 0, -3, 1},
                                           LedCase{"Rate23976", {24000, 1001, 0.2345}, 0, -5, 3},
                                           LedCase{"NoisyDriftingSky", {30000, 1001, 0.2345, 0.01, 3.0}, 0, -5, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
