// An observer's road on a synthetic frame-integrated video whose truth is
// known: the camera shows one exposure of N frames for a block of N frames,
// the blocks start at a known frame, the star disappears partway through one
// block's exposure, and every frame carries the capture program's time. The
// run is measured frame by frame, the integration phase found, the blocks
// averaged, the drop fitted without a further click on the chart, and the
// event timed in the magnitude calculator and added to the event list.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <cmath>
#include <string>
#include <vector>

#include "DiffractionFitSteps.h"
#include "ObjectsFixture.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "events/TimingError.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TMagnitudeCalculator.h"
#include "support/StampRender.h"
#include "support/WindowControls.h"

namespace {

constexpr int kWidth = 96, kHeight = 64;
constexpr double kFrameS = 1.001 / 30;  // 29.97 frames per second
constexpr double kFirstEndDayS = 21 * 3600 + 17 * 60 + 3.0;  // end of frame 0's exposure, 21:17:03
constexpr double kBright = 3500, kFaint = 1050;
constexpr double kStarX = 40.3, kStarY = 30.2;
constexpr double kBeforeEvent = 0.35;  // share of the event block's exposure before the event

double DayMs(int h, int m, double s) { return (h * 3600.0 + m * 60.0 + s) * 1000.0; }
// The clock time of a time in ms (or seconds) counted from the first day's
// midnight: a time before it is the day before's.
double ClockOfMs(double ms) { return std::fmod(std::fmod(ms, 86'400'000.0) + 86'400'000.0, 86'400'000.0); }
double ClockMs(double day_s) { return ClockOfMs(day_s * 1000.0); }

struct IntegratedCase {
  const char* name;
  int frames_per_block;  // N
  int first_block;       // first frame of a whole block in the video
  int start_frame;       // first measured frame
  int event_block;       // block (counted from first_block) whose exposure holds the event
  int frames;
  int delay_ms;  // 120N, first field, N integrated frames: hand-copied from the camera's table
  int combo_index;
  bool reappearance = false;  // clicked on the chart, since the guide selects the largest drop
  double first_end_day_s = kFirstEndDayS;
};

void PrintTo(const IntegratedCase& c, std::ostream* os) { *os << c.name; }

// Block k shows frames first_block + kN .. + N - 1; the frame just before the
// block's middle is the one the table keeps, and its shown time lies the
// camera's delay after the middle of the block's exposure.
struct Camera {
  const IntegratedCase& c;
  double EndS(int frame) const { return c.first_end_day_s + frame * kFrameS; }
  // The time the main window shows for a frame: the middle of its exposure.
  double CentreS(int frame) const { return EndS(frame) - kFrameS / 2; }
  int Block(int frame) const {
    const int d = frame - c.first_block;
    return d >= 0 ? d / c.frames_per_block : -1 - (-d - 1) / c.frames_per_block;
  }
  int SampleFrame(int block) const { return c.first_block + block * c.frames_per_block + c.frames_per_block / 2 - 1; }
  double ExposureCentreS(int block) const { return CentreS(SampleFrame(block)) - c.delay_ms / 1000.0; }
  double EventS() const {
    const double length = c.frames_per_block * kFrameS;
    return ExposureCentreS(c.event_block) - length / 2 + kBeforeEvent * length;
  }
  // A slow twinkle from block to block marks every block boundary.
  double Flux(int frame) const {
    const int k = Block(frame);
    const double length = c.frames_per_block * kFrameS;
    const double start = ExposureCentreS(k) - length / 2;
    const double bright_share = std::clamp((EventS() - start) / length, 0.0, 1.0);
    const double twinkle = 1 + 0.03 * std::sin(2.1 * k + 0.4);
    const double before = c.reappearance ? kFaint : kBright, after = c.reappearance ? kBright : kFaint;
    return twinkle * (before * bright_share + after * (1 - bright_share));
  }
};

Bitmap24 VideoFrame(const Camera& cam, int n) {
  SyntheticFrame f;
  f.Width = kWidth;
  f.Height = kHeight;
  f.Background = 50;
  f.NoiseSigma = 4;
  f.Seed = 3100 + static_cast<uint32_t>(n);
  f.Stars = {SyntheticStar{kStarX, kStarY, cam.Flux(n), 2.0}};
  Bitmap24 frame = MakeStarFrame(f);
  WriteTickCount(frame, 0, TicksOf(2026, 12, 7, 0, 0, std::llround(cam.EndS(n) * 1e7)));
  return frame;
}

double ShownMs(TPlatform& w) {
  return DayMs(w.Edit24->text().toInt(), w.Edit25->text().toInt(), w.Edit26->text().toDouble());
}

double EventLineMs(const QString& line) {
  return DayMs(line.mid(13, 2).toInt(), line.mid(16, 2).toInt(), line.mid(19, 6).toDouble());
}

// The road up to the averaged blocks: measure, save, the guide's event and
// camera, the blocks' phase, then 'Show Graph'.
void MeasureAndAverageBlocks(ObjectsWindow& m, const IntegratedCase& c, TAsteroidIdentification*& guide_out) {
  const int n_block = c.frames_per_block;
  const Camera cam{c};
  TPlatform& w = m.W();
  std::vector<Bitmap24> frames;
  for (int n = 0; n < c.frames; ++n) frames.push_back(VideoFrame(cam, n));
  const auto video = m.Path("integrated.avi");
  AviWriterOptions o;
  o.rate = 30000;
  o.scale = 1001;
  ASSERT_TRUE(WriteAvi(video.string(), frames, o));
  ASSERT_TRUE(m.OpenThroughButton1(video));
  ASSERT_EQ(w.Options.TimeStampMode, 3);

  w.ScrollBar1->setValue(c.start_frame);
  m.ClickImage1(40, 30);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  ASSERT_EQ(m.RowFrames(), FrameRange(c.start_frame, c.frames - 1));
  const auto csv = m.Path("integrated.csv");
  ASSERT_TRUE(m.SaveTableThroughButton6(csv));

  // The asteroid guide: an event, the camera, integration of N frames.
  m.Click("Button41");
  TAsteroidIdentification* guide = guide_out = w.AsteroidIdentification.data();
  ASSERT_NE(guide, nullptr);
  guide->Memo1->setPlainText(
      "<Occultations>\n<Event>\n<Elements>a,b,2026,12,7,21.3,x,y,0.5,0.5</Elements>\n"
      "<Star>HIP 1,,,11,10,9,0</Star>\n<Object>4,Vesta,6,500,1.2</Object>\n</Event>\n</Occultations>\n");
  ASSERT_EQ(guide->ListBox1->count(), 1);
  guide->ListBox1->setCurrentRow(0);
  emit guide->ListBox1->itemPressed(guide->ListBox1->item(0));
  guide->ComboBox1->setCurrentIndex(1);
  emit guide->ComboBox1->activated(1);  // WAT-120N
  ASSERT_TRUE(guide->Button7->isEnabled());
  guide->Button7->click();
  guide->ComboBox3->setCurrentIndex(c.combo_index);
  emit guide->ComboBox3->activated(c.combo_index);
  ASSERT_EQ(w.Events.Flags.IntegrationCount, n_block);
  guide->Button8->click();

  // The blocks' phase in records of the table, and the kept record of the
  // first block shown in the main window.
  const int phase = ((c.first_block - c.start_frame) % n_block + n_block) % n_block;
  const int offset = (n_block / 2 + phase - 1) % n_block;
  EXPECT_EQ(w.Events.Flags.IntegrationPhase, phase);
  EXPECT_EQ(w.Events.Identification.IntegrationSampleOffset, offset);
  EXPECT_EQ(w.Run.FrameStep, n_block);
  EXPECT_EQ(w.ScrollBar1->value(), c.start_frame + offset);
  EXPECT_EQ(cam.Block(c.start_frame + offset + 1), cam.Block(c.start_frame + offset + 1 - n_block / 2));

  guide->Button9->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The measured and averaged video of the case, the guide still open.
class IntegratedRun : public ::testing::TestWithParam<IntegratedCase> {
 protected:
  void SetUp() override { MeasureAndAverageBlocks(m, GetParam(), guide); }
  ObjectsWindow m;
  TAsteroidIdentification* guide = nullptr;
};

using IntegratedVideoEndToEnd = IntegratedRun;

TEST_P(IntegratedVideoEndToEnd, EventTimeOfTheAveragedBlocksMatchesTheTruth) {
  const IntegratedCase& c = GetParam();
  const int n_block = c.frames_per_block;
  const Camera cam{c};
  TPlatform& w = m.W();
  const int phase = ((c.first_block - c.start_frame) % n_block + n_block) % n_block;
  const int offset = (n_block / 2 + phase - 1) % n_block;
  const int records = static_cast<int>(m.Rows().size());
  EXPECT_EQ(records, (c.frames - c.start_frame - offset + n_block - 1) / n_block);
  // The largest drop is the block that holds the event; the main window shows its kept frame.
  const int event_frame = cam.SampleFrame(c.event_block);
  const int event_record = (event_frame - c.start_frame - offset) / n_block;
  Tchart1* chart = w.chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  if (c.reappearance) {
    Find<QCheckBox>(chart, "CheckBox2")->setChecked(true);
    const ChartView& v = chart->View();
    ReleaseAt(chart->ChartImg1, IndexToPixelX(v, event_record - w.Chart.ChartState.FirstShownFrame),
              ValueToPixelY(v, chart->Data().Records[static_cast<size_t>(event_record)].Value[CurveA]));
  }
  ASSERT_EQ(w.Chart.ChartState.SelectedFrame, event_record);
  // The report takes the elements written in the prediction by hand.
  const TReportLightCurveElement& r = w.Events.ReportLightCurveElement;
  EXPECT_EQ(r.EventDate, "2026|12|7");
  EXPECT_EQ(r.EventHour, "21.3");
  EXPECT_EQ(r.ObjectLabel, "4: Vesta");
  EXPECT_EQ(r.Catalogue, "HIP");
  EXPECT_EQ(r.StarNumber, "1");
  EXPECT_EQ(RowFrameNumber(m.Rows()[static_cast<size_t>(event_record)]), event_frame);
  EXPECT_EQ(w.ScrollBar1->value(), event_frame);
  EXPECT_NEAR(ShownMs(w), ClockMs(cam.CentreS(event_frame)), 0.01);

  TFresnelCtrl* panel = chart->FresnelCtrl.data();
  ASSERT_NE(panel, nullptr);
  panel->Edit2->setText("30000");  // a shadow fast enough that the fringes vanish in a block
  emit panel->Edit2->editingFinished();
  FitAndWait(panel, chart);
  ASSERT_EQ(w.Events.Diffraction.DiffractionFitted, 1);
  const double offset_ms = panel->Edit10->text().toDouble();
  const double error_ms = std::max(1.0, panel->Edit12->text().toDouble());
  // The fit counts from the middle of the record's exposure.
  const double exposure_centre = cam.ExposureCentreS(c.event_block);
  EXPECT_NEAR(offset_ms, (cam.EventS() - exposure_centre) * 1000, 3 * error_ms + 1) << error_ms;

  w.Events.ReportLightCurveElement.Kind = ReportKind::Asteroid;
  panel->Button2->click();
  TMagnitudeCalculator* calc = MagnitudeCalculator();
  ASSERT_NE(calc, nullptr);
  EXPECT_TRUE(calc->RadioButton3->isChecked());  // 120N
  EXPECT_EQ(calc->Edit17->text(), QString::number(n_block));
  calc->RadioButton4->click();  // the base time is the frame's middle
  const QStringList memo = calc->Memo1->toPlainText().split('\n');
  ASSERT_GE(memo.size(), 3);
  const QString event = memo[2];
  ASSERT_TRUE(event.startsWith("Event Time : ")) << event.toStdString();
  // By hand: the kept frame's time plus the fitted offset less the delay.
  const double base_ms = DayMs(calc->Edit18->text().toInt(), calc->Edit19->text().toInt(),
                               calc->Edit20->text().toDouble());
  EXPECT_NEAR(base_ms, ClockMs(cam.CentreS(event_frame)), 0.06);
  EXPECT_NEAR(EventLineMs(event), ClockOfMs(base_ms + std::round(offset_ms) - c.delay_ms), 1.0) << event.toStdString();
  EXPECT_NEAR(EventLineMs(event), ClockMs(cam.EventS()), 3 * error_ms + 1.5) << event.toStdString();
  const double shown_error_ms = event.mid(event.indexOf("+/- ") + 4, 5).toDouble() * 1000;
  EXPECT_GT(shown_error_ms, 0);
  EXPECT_LT(shown_error_ms, n_block * kFrameS * 1000);
  // The error in blocks of N frames: the polynomial of N/S times N frames.
  const double sn = event.mid(event.indexOf("S/N=") + 4).toDouble();
  ASSERT_GT(sn, 1) << event.toStdString();
  EXPECT_NEAR(shown_error_ms, static_cast<double>(TimingErrorFrames(1 / sn)) * n_block * kFrameS * 1000, 1.0)
      << event.toStdString();

  calc->Button4->click();  // 'Add to report'
  ASSERT_EQ(calc->ListBox1->count(), 1);
  const QString entry = calc->ListBox1->item(0)->text();
  const QStringList parts = entry.split(' ', Qt::SkipEmptyParts);
  ASSERT_GE(parts.size(), 4) << entry.toStdString();
  EXPECT_NEAR(DayMs(parts[1].toInt(), parts[2].toInt(), parts[3].toDouble()), EventLineMs(event), 0.5)
      << entry.toStdString();
  EXPECT_TRUE(entry.contains(c.reappearance ? " R" : " D")) << entry.toStdString();
  // The panel states the same error; the averaged blocks are N frames long
  // whatever camera the calculator is set to.
  EXPECT_NEAR(shown_error_ms, panel->Edit12->text().toDouble(), 1.5);
  calc->RadioButton2->click();  // WAT100N
  const QString other = calc->Memo1->toPlainText().split('\n').value(2);
  EXPECT_NEAR(other.mid(other.indexOf("+/- ") + 4, 5).toDouble() * 1000, shown_error_ms, 0.5) << other.toStdString();
  calc->close();
  m.dialogs.yes_no_answers.push_back(false);
  guide->close();
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, IntegratedVideoEndToEnd,
    ::testing::Values(IntegratedCase{"Four", 4, 2, 0, 22, 160, 125, 3},
                      IntegratedCase{"EightCutByTheStart", 8, 5, 10, 14, 256, 259, 4},
                      IntegratedCase{"FourCutByTheStart", 4, 1, 7, 20, 160, 125, 3},
                      IntegratedCase{"EightReappearanceClicked", 8, 3, 5, 15, 256, 259, 4, true},
                      // The kept frame reads 00:00:00.070, the event less the delay 23:59:59.92.
                      IntegratedCase{"FourEventBeforeMidnightKeptAfterIt", 4, 2, 0, 22, 160, 125, 3, false, 86397.05},
                      IntegratedCase{"EightReappearanceAfterMidnight", 8, 3, 5, 15, 256, 259, 4, true, 86396.0}),
    [](const ::testing::TestParamInfo<IntegratedCase>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// An event in the first or last blocks of the table leaves the level window
// before or after it empty or one record long: the fit and the magnitude calculator either
// refuse with a message or give a time that the truth lies within three
// errors of, never a time off by a block with an error of a few ms.
using IntegratedEventNearAnEnd = IntegratedRun;

TEST_P(IntegratedEventNearAnEnd, IsRefusedOrTimedWithinItsError) {
  const IntegratedCase& c = GetParam();
  const Camera cam{c};
  TPlatform& w = m.W();
  Tchart1* chart = w.chart1.Window.data();
  ASSERT_NE(chart, nullptr);
  TFresnelCtrl* panel = chart->FresnelCtrl.data();
  ASSERT_NE(panel, nullptr);
  panel->Edit2->setText("30000");
  emit panel->Edit2->editingFinished();
  FitAndWait(panel, chart);
  const QString fit_memo = panel->Memo1->toPlainText();
  if (w.Events.Diffraction.DiffractionFitted == 1) {
    const double offset_ms = panel->Edit10->text().toDouble();
    const double error_ms = panel->Edit12->text().toDouble();
    const int selected = w.Chart.ChartState.SelectedFrame;
    const double centre_s = cam.CentreS(RowFrameNumber(m.Rows()[static_cast<size_t>(selected)])) - c.delay_ms / 1000.0;
    EXPECT_NEAR(offset_ms, (cam.EventS() - centre_s) * 1000, 3 * error_ms + 1) << error_ms;
  } else {
    EXPECT_TRUE(fit_memo.contains("no fit") || fit_memo.contains("No event time")) << fit_memo.toStdString();
  }

  w.Events.ReportLightCurveElement.Kind = ReportKind::Asteroid;
  panel->Button2->click();
  TMagnitudeCalculator* calc = MagnitudeCalculator();
  ASSERT_NE(calc, nullptr);
  calc->RadioButton4->click();
  const QString text = calc->Memo1->toPlainText();
  EXPECT_FALSE(text.contains("nan", Qt::CaseInsensitive) || text.contains("inf", Qt::CaseInsensitive))
      << text.toStdString();
  const QStringList memo = text.split('\n');
  if (memo.size() >= 3 && memo[2].startsWith("Event Time : ")) {
    const QString event = memo[2];
    const double shown_error_ms = event.mid(event.indexOf("+/- ") + 4, 5).toDouble() * 1000;
    EXPECT_NEAR(EventLineMs(event), ClockMs(cam.EventS()), 3 * shown_error_ms + 1.5)
        << event.toStdString();
  } else {
    EXPECT_TRUE(text.contains("no event time")) << text.toStdString();
  }
  calc->close();
  m.dialogs.yes_no_answers.push_back(false);
  guide->close();
}

INSTANTIATE_TEST_SUITE_P(Blocks, IntegratedEventNearAnEnd,
                         ::testing::Values(IntegratedCase{"FirstWholeBlock", 4, 2, 0, 0, 64, 125, 3},
                                           IntegratedCase{"SecondWholeBlock", 4, 2, 0, 1, 64, 125, 3},
                                           IntegratedCase{"ThirdWholeBlock", 4, 2, 0, 2, 64, 125, 3},
                                           IntegratedCase{"FourEventInTheLastWholeBlock", 4, 2, 0, 38, 160, 125, 3},
                                           IntegratedCase{"SecondLastWholeBlock", 4, 2, 0, 37, 160, 125, 3}),
                         [](const ::testing::TestParamInfo<IntegratedCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
