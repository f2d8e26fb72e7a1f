// An observer's whole road on a synthetic occultation whose truth is known:
// a video whose frames carry the capture program's time, a target star that
// drops to a known fraction partway through one frame's exposure and a steady
// comparison star, both measured through the main window, saved as CSV, then
// timed through the chart, the diffraction panel and the magnitude calculator.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "DiffractionFitSteps.h"
#include "ObjectsFixture.h"
#include "base/IniFile.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TLightCurveReport.h"
#include "events/ui/TMagnitudeCalculator.h"
#include "support/StampRender.h"
#include "support/WindowControls.h"

namespace {

constexpr int kWidth = 96, kHeight = 64, kFrames = 150;
constexpr int64_t kFrameTicks = 400000;  // 25 frames per second
constexpr double kFrameMs = 40.0;
// End of frame 0's exposure: 14:03:12.3456789 on 7 Dec 2026.
constexpr int64_t kStartRest = 123456789;
constexpr int kHour = 14, kMinute = 3;
// The event falls 30 % of an exposure before the end of frame 75 (or, in
// one case, on that end).
constexpr int kEventFrame = 75;
constexpr double kEventBeforeEnd = 0.3;
constexpr double kTargetFlux = 3500, kRemaining = 0.3, kComparisonFlux = 2500;
constexpr double kStarSigma = 2.0, kBackground = 50, kNoise = 12;
constexpr double kTargetX = 30.3, kTargetY = 32.2, kComparisonX = 66.4, kComparisonY = 31.7;

int64_t EndRest(int n) { return kStartRest + static_cast<int64_t>(n) * kFrameTicks; }

// The target's flux averaged over frame n's exposure (which ends at its
// stamp); a reappearance swaps the levels before and after the event.
double TargetFlux(int n, bool reappearance, double before_end, int event_frame = kEventFrame) {
  const double first = reappearance ? kTargetFlux * kRemaining : kTargetFlux;
  const double last = reappearance ? kTargetFlux : kTargetFlux * kRemaining;
  if (n < event_frame) return first;
  if (n > event_frame) return last;
  const double before = 1 - before_end;
  return first * before + last * (1 - before);
}

int64_t FirstEndTicks() { return TicksOf(2026, 12, 7, kHour, kMinute, kStartRest); }

// Frame n's exposure ends `first_end` ticks plus n frames.
Bitmap24 EventFrame(int n, double target_flux, int64_t first_end = FirstEndTicks()) {
  SyntheticFrame f;
  f.Width = kWidth;
  f.Height = kHeight;
  f.Background = kBackground;
  f.NoiseSigma = kNoise;
  f.Seed = 9000 + static_cast<uint32_t>(n);
  f.Stars = {SyntheticStar{kTargetX, kTargetY, target_flux, kStarSigma},
             SyntheticStar{kComparisonX, kComparisonY, kComparisonFlux, kStarSigma}};
  Bitmap24 frame = MakeStarFrame(f);
  WriteTickCount(frame, 0, first_end + static_cast<int64_t>(n) * kFrameTicks);
  return frame;
}

// A 25 fps video whose target has flux(n) in frame n, written and opened with
// 'Open AVI'; false when either failed.
bool OpenEventVideo(ObjectsWindow& m, const char* name, const std::function<double(int)>& flux,
                    int64_t first_end = FirstEndTicks()) {
  std::vector<Bitmap24> frames;
  for (int n = 0; n < kFrames; ++n) frames.push_back(EventFrame(n, flux(n), first_end));
  const auto video = m.Path(name);
  return WriteAvi(video.string(), frames) && m.OpenThroughButton1(video);
}

std::string Pad(int64_t v, int digits) {
  std::string s = std::to_string(v);
  while (static_cast<int>(s.size()) < digits) s.insert(s.begin(), '0');
  return s;
}

// "ss.sssssss" of a rest of the minute.
std::string RestText(int64_t rest) { return Pad(rest / 10000000, 2) + "." + Pad(rest % 10000000, 7); }

std::string Column(const std::string& row, int n) { return StripQuotes(GetCsvField(row, n)); }

std::vector<std::string> FileLines(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

void TypeAndEnter(QLineEdit* e, const QString& text) {
  e->setFocus();
  e->selectAll();
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(e, &press);
  }
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(e, &enter);
}

// The share of a star's flux that falls on the digital disk of radius r
// around pixel (cx, cy): column offset i reaches round(sqrt(r^2 - (|i| - 0.5)^2))
// rows either side (r rows at i = 0).
double DiskShare(double sx, double sy, int cx, int cy, int r) {
  SyntheticFrame f;
  f.Background = 0;
  f.Stars = {SyntheticStar{sx, sy, 1.0, kStarSigma}};
  double share = 0;
  for (int i = -r; i <= r; ++i) {
    const double a = std::abs(i) - 0.5;
    const int h = i == 0 ? r : static_cast<int>(std::nearbyint(std::sqrt(r * r - a * a)));
    for (int dy = -h; dy <= h; ++dy) share += SyntheticPixelValue(f, cx + i, cy + dy);
  }
  return share;
}

// Milliseconds of the day of a time shown as hours, minutes and seconds.
double DayMs(int h, int m, double s) { return (h * 3600.0 + m * 60.0 + s) * 1000.0; }

// A on the target by a click, B on the comparison star through the popup,
// START and the run to the end; false when the run did not end.
bool MeasureTwoStars(ObjectsWindow& m, QPoint target, QPoint comparison) {
  m.ClickImage1(target.x(), target.y());
  m.RightClickImage1(comparison.x(), comparison.y());
  m.Trigger("Add1");
  m.Select(1);
  m.Click("Button3");
  return m.WaitUntilStopped();
}

// The observer's steps after the run: the chart with only A's curve and the
// clicked record shown in the main window, a click on `record`, the
// diffraction panel with a shadow fast enough that its fringes (0.3 ms) are
// far shorter than an exposure, and the fit. Null when a step failed.
TFresnelCtrl* FitAtRecord(MainRoadWindow& m, int record) {
  TPlatform& w = m.W();
  m.Click("Button18");
  Tchart1* chart = w.chart1.Window.data();
  if (!chart) return nullptr;
  Find<QCheckBox>(chart, "CheckBox2")->setChecked(true);
  QCheckBox* curve_b = Find<QCheckBox>(chart, "CheckBox5");
  if (curve_b->isChecked()) curve_b->click();
  const ChartView& v = chart->View();
  ReleaseAt(chart->ChartImg1, IndexToPixelX(v, record - w.Chart.ChartState.FirstShownFrame),
            ValueToPixelY(v, chart->Data().Records[static_cast<size_t>(record)].Value[CurveA]));
  if (w.Chart.ChartState.SelectedFrame != record) return nullptr;
  chart->Button8->click();
  TFresnelCtrl* panel = chart->FresnelCtrl.data();
  if (!panel) return nullptr;
  TypeAndEnter(Find<QLineEdit>(panel, "Edit2"), "30000");
  FitAndWait(panel, chart);
  return w.Events.Diffraction.DiffractionFitted == 1 ? panel : nullptr;
}

// Milliseconds of the day of an "Event Time : HHhMMmSS.sss" line.
double EventLineMs(const QString& line) {
  return DayMs(line.mid(13, 2).toInt(), line.mid(16, 2).toInt(), line.mid(19, 6).toDouble());
}

struct Mean {
  double Value = 0, Error = 0;  // the mean and its standard error
};

Mean MeanOf(const std::vector<double>& v) {
  double sum = 0;
  for (double x : v) sum += x;
  const double mean = sum / v.size();
  double ss = 0;
  for (double x : v) ss += (x - mean) * (x - mean);
  return {mean, std::sqrt(ss / (v.size() - 1) / v.size())};
}

struct EventCase {
  const char* name;
  bool psf;
  bool reappearance;
  double before_end = kEventBeforeEnd;  // of an exposure, before the end of frame 75
};

void PrintTo(const EventCase& c, std::ostream* os) { *os << c.name; }

class EventTimingEndToEnd : public ::testing::TestWithParam<EventCase> {};

TEST_P(EventTimingEndToEnd, MeasuredAndTimedEventMatchesTheTruth) {
  const EventCase& c = GetParam();
  ObjectsWindow m;
  TPlatform& w = m.W();
  ASSERT_TRUE(OpenEventVideo(m, "event.avi", [&](int n) { return TargetFlux(n, c.reappearance, c.before_end); }));
  ASSERT_EQ(w.Options.TimeStampMode, 3);
  if (c.psf) m.Find<QCheckBox>("CheckBox14")->click();

  ASSERT_TRUE(MeasureTwoStars(m, {30, 32}, {66, 32}));
  const int radius = w.Frames.FrameDataLines[0].Objects[0].ApertureRadius;
  const int radius_b = w.Frames.FrameDataLines[0].Objects[1].ApertureRadius;
  EXPECT_TRUE(m.dialogs.messages.empty());

  const auto csv = m.Path("event.csv");
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button6");
  const std::vector<std::string> lines = FileLines(csv);
  ASSERT_EQ(lines.size(), 6u + kFrames);
  // What the measurement should see of each star: its whole volume for the
  // profile fit, the part on the aperture's pixels otherwise.
  const double share_a = c.psf ? 1.0 : DiskShare(kTargetX, kTargetY, 30, 32, radius);
  const double share_b = c.psf ? 1.0 : DiskShare(kComparisonX, kComparisonY, 66, 32, radius_b);
  std::vector<double> bright, faint, comparison;
  for (int n = 0; n < kFrames; ++n) {
    SCOPED_TRACE("frame " + std::to_string(n));
    const std::string& row = lines[static_cast<size_t>(6 + n)];
    EXPECT_EQ(ParseDoubleOr(Column(row, 1), -1), n);
    EXPECT_EQ(Column(row, 8), std::to_string(kHour)) << row;
    EXPECT_EQ(Column(row, 9), Pad(kMinute, 2)) << row;
    EXPECT_EQ(Column(row, 10), RestText(EndRest(n))) << row;
    const double a = ParseDoubleOr(Column(row, 11), -1e9);
    if (n != kEventFrame) ((n < kEventFrame) != c.reappearance ? bright : faint).push_back(a);
    comparison.push_back(ParseDoubleOr(Column(row, 12), -1e9));
  }
  // The means of many frames hold the stars' fluxes within their noise; the
  // profile fit keeps the width it found when the star was placed, and a few
  // per cent off in width move the volume by as much.
  const double slack = c.psf ? 0.03 : 0.0;
  const struct {
    const char* what;
    Mean measured;
    double truth;
  } means[] = {{"target bright", MeanOf(bright), kTargetFlux * share_a},
               {"target faint", MeanOf(faint), kTargetFlux * kRemaining * share_a},
               {"comparison", MeanOf(comparison), kComparisonFlux * share_b}};
  for (const auto& e : means)
    EXPECT_NEAR(e.measured.Value, e.truth, 4 * e.measured.Error + slack * e.truth) << e.what;
  // A frame's scatter is what the pixel noise over about a disk of radius 7 gives.
  const double frame_noise = MeanOf(bright).Error * std::sqrt(bright.size());
  EXPECT_LT(frame_noise, kNoise * std::sqrt(3.1416 * 49) * 1.5);
  const double straddling = ParseDoubleOr(Column(lines[6 + kEventFrame], 11), -1e9);
  EXPECT_NEAR(straddling, TargetFlux(kEventFrame, c.reappearance, c.before_end) * share_a, 5 * frame_noise);

  TFresnelCtrl* panel = FitAtRecord(m, kEventFrame);
  ASSERT_NE(panel, nullptr);
  // The main window shows the middle of the clicked frame's exposure.
  const double mid_ms = DayMs(kHour, kMinute, (EndRest(kEventFrame) - kFrameTicks / 2) / 1e7);
  EXPECT_NEAR(DayMs(w.Edit24->text().toInt(), w.Edit25->text().toInt(), w.Edit26->text().toDouble()), mid_ms, 0.01);

  // The event lies (0.5 - before_end) of a frame after the middle of frame 75.
  const double true_offset_ms = (0.5 - c.before_end) * kFrameMs;
  const double offset_ms = panel->Edit10->text().toDouble();
  const double error_ms = panel->Edit12->text().toDouble();
  // The error follows from the scatter over the step height.
  const double step = kTargetFlux * (1 - kRemaining) * share_a;
  const double rough_ms = frame_noise / step * kFrameMs;
  EXPECT_GT(error_ms, rough_ms / 4) << error_ms << " ms, rough " << rough_ms;
  EXPECT_LT(error_ms, rough_ms * 4) << error_ms << " ms, rough " << rough_ms;
  EXPECT_NEAR(offset_ms, true_offset_ms, 3 * error_ms + 1) << panel->Edit10->text().toStdString();

  EXPECT_EQ(w.Events.Diffraction.ReappearanceFit, c.reappearance ? 1 : 0);

  // 'Make Report': the shown stretch's first time and span, and its values.
  Tchart1* chart = w.chart1.Window.data();
  chart->Button17->click();
  const auto reports = w.findChildren<TLightCurveReport*>();
  ASSERT_EQ(reports.size(), 1);
  const QStringList report = reports.front()->Memo1->toPlainText().split('\n');
  ASSERT_GE(report.size(), 5);
  // The visible width may reach past the last record.
  const int first = w.Chart.ChartState.FirstShownFrame;
  const int shown = std::min(w.Chart.ChartState.VisibleFrameCount, kFrames - first);
  ASSERT_GT(shown, 1);
  // Each record's time is the end of its exposure (the capture's stamp).
  char head[64];
  std::snprintf(head, sizeof head, "Date:  %d:%d:%.2f: %.2f: %d", kHour, kMinute, EndRest(first) / 1e7,
                (shown - 1) * kFrameMs / 1000, shown);
  EXPECT_EQ(report[0].toStdString(), head);
  QString values;
  for (int i = 4; i < report.size(); ++i) values += report[i];
  const QStringList cells = values.split(':');
  ASSERT_EQ(cells.size(), shown + 1) << values.toStdString();
  for (int i = 0; i < shown; ++i) {
    const double a = ParseDoubleOr(Column(lines[static_cast<size_t>(6 + first + i)], 11), -1e9);
    EXPECT_EQ(cells[i + 1].toInt(), static_cast<int>(std::nearbyint(a))) << "record " << first + i;
  }

  // The calculator: event time and magnitude drop of an asteroidal event.
  w.Events.ReportLightCurveElement.Kind = ReportKind::Asteroid;
  panel->Button2->click();
  TMagnitudeCalculator* calc = MagnitudeCalculator();
  ASSERT_NE(calc, nullptr);
  calc->Button2->click();
  const QString text = calc->Memo1->toPlainText();
  const QStringList memo = text.split('\n');
  ASSERT_GE(memo.size(), 5) << text.toStdString();
  const QString& event = memo[2];
  ASSERT_TRUE(event.startsWith("Event Time : ")) << text.toStdString();
  const double true_ms = DayMs(kHour, kMinute, (EndRest(kEventFrame) - c.before_end * kFrameTicks) / 1e7);
  EXPECT_NEAR(EventLineMs(event), true_ms, 3 * error_ms + 1.5) << text.toStdString();
  const double error_s = event.mid(event.indexOf("+/- ") + 4, 5).toDouble();
  EXPECT_NEAR(error_s * 1000, error_ms, 1.5) << text.toStdString();
  // The drop of the level windows' means of the saved rows (-30..-11 and
  // +11..+30 around the clicked record), and the true drop within the noise
  // of those 20-record means.
  std::vector<double> upper, lower;
  for (int k = 11; k <= 30; ++k) {
    upper.push_back(ParseDoubleOr(Column(lines[static_cast<size_t>(6 + kEventFrame - k)], 11), 0));
    lower.push_back(ParseDoubleOr(Column(lines[static_cast<size_t>(6 + kEventFrame + k)], 11), 0));
  }
  if (c.reappearance) std::swap(upper, lower);
  const Mean hi = MeanOf(upper), lo = MeanOf(lower);
  const int drop_at = memo.indexOf(QRegularExpression("^Mag Drop \\(measured \\).*"));
  ASSERT_GE(drop_at, 0) << text.toStdString();
  const double drop = memo[drop_at].mid(21, 6).toDouble();
  EXPECT_NEAR(drop, -2.5 * std::log10(lo.Value / hi.Value), 0.006) << text.toStdString();
  // S/N: the step over the larger of the two windows' standard deviations.
  const double sd = std::max(hi.Error, lo.Error) * std::sqrt(20.0);
  EXPECT_NEAR(event.mid(event.indexOf("S/N=") + 4).toDouble(), (hi.Value - lo.Value) / sd, 0.01) << text.toStdString();
  const double drop_noise = 1.0857 * std::hypot(hi.Error / hi.Value, lo.Error / lo.Value);
  EXPECT_NEAR(drop, -2.5 * std::log10(kRemaining), 3 * drop_noise + 0.01) << text.toStdString();
  calc->close();
}

INSTANTIATE_TEST_SUITE_P(Events, EventTimingEndToEnd,
                         ::testing::Values(EventCase{"ApertureDisappearance", false, false},
                                           EventCase{"PsfDisappearance", true, false},
                                           EventCase{"ApertureReappearance", false, true},
                                           EventCase{"ApertureDisappearanceOnFrameEnd", false, false, 0.0},
                                           EventCase{"ApertureReappearanceOnFrameStart", false, true, 1.0}),
                         [](const ::testing::TestParamInfo<EventCase>& info) { return std::string(info.param.name); });

// An event 30 % of an exposure before the end of a frame near the first or
// the last frame, where the level windows meet an end of the table: the fit
// and the calculator still give the true event time.
struct PlacedEvent {
  const char* name;
  int frame;
};

void PrintTo(const PlacedEvent& c, std::ostream* os) { *os << c.name; }

class EventTimingEndToEndPlaced : public ::testing::TestWithParam<PlacedEvent> {};

TEST_P(EventTimingEndToEndPlaced, EventIsTimedAtItsTrueTime) {
  const PlacedEvent& c = GetParam();
  ObjectsWindow m;
  TPlatform& w = m.W();
  ASSERT_TRUE(
      OpenEventVideo(m, "placed.avi", [&](int n) { return TargetFlux(n, false, kEventBeforeEnd, c.frame); }));
  ASSERT_TRUE(MeasureTwoStars(m, {30, 32}, {66, 32}));

  TFresnelCtrl* panel = FitAtRecord(m, c.frame);
  ASSERT_NE(panel, nullptr);
  const double error_ms = panel->Edit12->text().toDouble();
  w.Events.ReportLightCurveElement.Kind = ReportKind::Asteroid;
  panel->Button2->click();
  TMagnitudeCalculator* calc = MagnitudeCalculator();
  ASSERT_NE(calc, nullptr);
  calc->Button2->click();
  const QString text = calc->Memo1->toPlainText();
  const QStringList memo = text.split('\n');
  ASSERT_GE(memo.size(), 3) << text.toStdString();
  ASSERT_TRUE(memo[2].startsWith("Event Time : ")) << text.toStdString();
  const double true_ms = DayMs(kHour, kMinute, (EndRest(c.frame) - kEventBeforeEnd * kFrameTicks) / 1e7);
  EXPECT_NEAR(EventLineMs(memo[2]), true_ms, 3 * error_ms + 1.5)
      << text.toStdString() << " offset " << panel->Edit10->text().toStdString() << " ms";
  calc->close();
}

INSTANTIATE_TEST_SUITE_P(Events, EventTimingEndToEndPlaced,
                         ::testing::Values(PlacedEvent{"NearFirstFrame", 4}, PlacedEvent{"NearLastFrame", kFrames - 4}),
                         [](const ::testing::TestParamInfo<PlacedEvent>& info) { return std::string(info.param.name); });

// An asteroid's shadow: the target is faint from 30 % of an exposure before
// the end of frame 75 to 60 % before the end of frame 115. Both events are
// timed and added to the report's list, the disappearance first.
constexpr double kShadowStart = kEventFrame - 0.3, kShadowEnd = 115 - 0.6;  // in frames from frame 0's end

double ShadowedFlux(int n) {
  const double faint = std::max(0.0, std::min<double>(n, kShadowEnd) - std::max<double>(n - 1, kShadowStart));
  return kTargetFlux * (1 - faint) + kTargetFlux * kRemaining * faint;
}

// The entry of the event list: hour, minute, seconds, error in seconds, D or R.
struct ListEntry {
  double Ms = 0, ErrorMs = 0;
  QString Kind;
};

std::vector<ListEntry> ListEntries(const QListWidget* list) {
  static const QRegularExpression line(R"(^\d+\s+(\d+) (\d+) ([\d.]+) \+/- ([\d.]+)s,\s+S/N=\s*\S+\s+([DR])\b)");
  std::vector<ListEntry> out;
  for (int i = 0; i < list->count(); ++i) {
    const QRegularExpressionMatch mt = line.match(list->item(i)->text());
    if (!mt.hasMatch()) {
      ADD_FAILURE() << "list line " << list->item(i)->text().toStdString();
      continue;
    }
    out.push_back({DayMs(mt.captured(1).toInt(), mt.captured(2).toInt(), mt.captured(3).toDouble()),
                   mt.captured(4).toDouble() * 1000, mt.captured(5)});
  }
  return out;
}

// Both events of the measured shadow timed and added to the report's list:
// the fit at frame 75 and the calculator's 'Add to report'; then the
// calculator closed (the panel waits for it), a click on frame 115, a new
// fit, the calculator again and 'Add to report'. The calculator stays open;
// null when a step failed.
TMagnitudeCalculator* AddShadowEvents(MainRoadWindow& m) {
  TPlatform& w = m.W();
  TFresnelCtrl* panel = FitAtRecord(m, kEventFrame);
  if (!panel) return nullptr;
  w.Events.ReportLightCurveElement.Kind = ReportKind::Asteroid;
  panel->Button2->click();
  TMagnitudeCalculator* calc = MagnitudeCalculator();
  if (!calc) return nullptr;
  calc->Button2->click();
  calc->Button4->click();
  calc->close();
  QApplication::processEvents();
  Tchart1* chart = w.chart1.Window.data();
  const ChartView& v = chart->View();
  constexpr int r_frame = 115;
  ReleaseAt(chart->ChartImg1, IndexToPixelX(v, r_frame - w.Chart.ChartState.FirstShownFrame),
            ValueToPixelY(v, chart->Data().Records[r_frame].Value[CurveA]));
  if (w.Chart.ChartState.SelectedFrame != r_frame) return nullptr;
  FitAndWait(panel, chart);
  if (w.Events.Diffraction.DiffractionFitted != 1 || w.Events.Diffraction.ReappearanceFit != 1) return nullptr;
  panel->Button2->click();
  calc = MagnitudeCalculator();
  if (!calc) return nullptr;
  calc->Button2->click();
  calc->Button4->click();
  return calc;
}

TEST(EventTimingEndToEndShadow, BothEventsOfTheShadowGoIntoTheListAtTheirTrueTimes) {
  ObjectsWindow m;
  ASSERT_TRUE(OpenEventVideo(m, "shadow.avi", ShadowedFlux));
  ASSERT_TRUE(MeasureTwoStars(m, {30, 32}, {66, 32}));

  TMagnitudeCalculator* calc = AddShadowEvents(m);
  ASSERT_NE(calc, nullptr);

  const std::vector<ListEntry> list = ListEntries(Find<QListWidget>(calc, "ListBox1"));
  ASSERT_EQ(list.size(), 2u);
  const double start_ms = DayMs(kHour, kMinute, EndRest(0) / 1e7);
  const struct {
    const char* kind;
    double frames;
  } truth[] = {{"D", kShadowStart}, {"R", kShadowEnd}};
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(truth[i].kind);
    EXPECT_EQ(list[i].Kind, truth[i].kind);
    EXPECT_GT(list[i].ErrorMs, 0);
    EXPECT_NEAR(list[i].Ms, start_ms + truth[i].frames * kFrameMs, 3 * std::max(1.0, list[i].ErrorMs) + 1.5);
  }
  calc->close();
}

// The same shadow on New Year's Eve: frame 0 ends at 23:59:56.5, so the
// disappearance falls at 23:59:59.488 and the reappearance at 00:00:01.076 of
// 1 January 2027. The rows, the event list, the chart's report and the
// observation reports give the short positive span (1.588 s) and the times
// of the day each event falls on.
TEST(EventTimingEndToEndShadow, ShadowAcrossMidnightKeepsItsShortSpan) {
  constexpr int64_t kStart = 565000000;  // 56.5 s into 23:59
  constexpr double kStartS = 23 * 3600 + 59 * 60 + 56.5, kDayMs = 86400000;
  ObjectsWindow m;
  TPlatform& w = m.W();
  ASSERT_TRUE(OpenEventVideo(m, "midnight.avi", ShadowedFlux, TicksOf(2026, 12, 31, 23, 59, kStart)));
  ASSERT_TRUE(MeasureTwoStars(m, {30, 32}, {66, 32}));

  // Every row's capture time is the end of its frame, on the clock of its day.
  const auto csv = m.Path("midnight.csv");
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button6");
  const std::vector<std::string> lines = FileLines(csv);
  ASSERT_EQ(lines.size(), 6u + kFrames);
  for (int n = 0; n < kFrames; ++n) {
    const std::string& row = lines[static_cast<size_t>(6 + n)];
    const double shown = DayMs(static_cast<int>(ParseDoubleOr(Column(row, 8), -1)),
                               static_cast<int>(ParseDoubleOr(Column(row, 9), -1)), ParseDoubleOr(Column(row, 10), -1));
    EXPECT_NEAR(shown, std::fmod((kStartS + n * kFrameMs / 1000) * 1000, kDayMs), 1e-3) << row;
  }

  TMagnitudeCalculator* calc = AddShadowEvents(m);
  ASSERT_NE(calc, nullptr);
  calc->Button6->click();  // 'Sort' keeps the event after midnight second

  const std::vector<ListEntry> list = ListEntries(Find<QListWidget>(calc, "ListBox1"));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Kind, "D");
  EXPECT_EQ(list[1].Kind, "R");
  const double slack = 3 * std::max({1.0, list[0].ErrorMs, list[1].ErrorMs}) + 1.5;
  EXPECT_NEAR(list[0].Ms, (kStartS + kShadowStart * kFrameMs / 1000) * 1000, slack);
  EXPECT_NEAR(list[1].Ms, (kStartS + kShadowEnd * kFrameMs / 1000) * 1000 - kDayMs, slack);
  // The span across midnight: the short one, not about a day.
  EXPECT_NEAR(std::fmod(list[1].Ms - list[0].Ms + kDayMs, kDayMs), (kShadowEnd - kShadowStart) * kFrameMs, 2 * slack);
  calc->close();

  // The chart's report: its stretch starts at its first record's time and
  // spans its records, however midnight falls in it.
  w.chart1.Window->Button17->click();
  const auto reports = w.findChildren<TLightCurveReport*>();
  ASSERT_EQ(reports.size(), 1);
  TLightCurveReport* report = reports.front();
  const int first = w.Chart.ChartState.FirstShownFrame;
  const int shown = std::min(w.Chart.ChartState.VisibleFrameCount, kFrames - first);
  const double first_s = std::fmod(kStartS + first * kFrameMs / 1000, 86400.0);
  const int first_h = static_cast<int>(first_s / 3600), first_m = static_cast<int>(first_s / 60) % 60;
  char head[80];
  std::snprintf(head, sizeof head, "Date:  %d:%d:%.2f: %.2f: %d", first_h, first_m,
                first_s - first_h * 3600 - first_m * 60, (shown - 1) * kFrameMs / 1000, shown);
  EXPECT_EQ(report->Memo1->toPlainText().split('\n')[0].toStdString(), head);

  // The observation reports: each event at its own time of day, the
  // recording from 23:59:56 (56.5 s rounds to even) to 0:0:2.
  report->Button3->click();
  const QString xml = report->Memo2->toPlainText(), text = report->Memo3->toPlainText();
  const QRegularExpression d_line(R"(<D>23 59 59\.(\d+)\|D\|)"), r_line(R"(<R> 0  0  1\.(\d+)\|R\|)");
  EXPECT_TRUE(d_line.match(xml).hasMatch()) << xml.toStdString();
  EXPECT_TRUE(r_line.match(xml).hasMatch()) << xml.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression(R"(D: 23h59m59\.\d+s \+/- )"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression(R"(R: 00h00m01\.\d+s \+/- )"))) << text.toStdString();
  EXPECT_TRUE(text.contains("[Recorded  ]  From  23h59m56s")) << text.toStdString();
  EXPECT_TRUE(text.contains("              To    0h0m2s")) << text.toStdString();
}

// The shadow's video open in the window, objects A and B placed on the
// target and the comparison star; false when a step failed.
bool OpenShadowAndPlace(ObjectsWindow& m) {
  if (!OpenEventVideo(m, "shadow.avi", ShadowedFlux)) return false;
  m.ClickImage1(30, 32);
  m.RightClickImage1(66, 32);
  m.Trigger("Add1");
  m.Select(1);
  return m.W().Run.ObjectCount == 2;
}

// 'SaveToCSV-File' under `name`; the file's lines.
std::vector<std::string> SaveCsv(ObjectsWindow& m, const std::string& name) {
  m.dialogs.save_file_names.push_back(QString::fromStdString(m.Path(name).string()));
  m.Click("Button6");
  return FileLines(m.Path(name));
}

// START, and STOP once the run has measured frame `frame` (inside the
// shadow); 'DEL' `deletes` times, START again and the run to the end. False
// when a run did not end.
bool RunWithAPause(ObjectsWindow& m, int frame, int deletes) {
  TPlatform& w = m.W();
  m.Click("Button3");
  QElapsedTimer clock;
  clock.start();
  while (w.Run.MeasuringRun && w.Run.LastMeasuredFrame < frame && clock.elapsed() < 60000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  m.Click("Button4");
  if (w.Run.MeasuringRun || w.Run.LastMeasuredFrame >= kFrames - 1) return false;
  const int stopped = w.Run.LastMeasuredFrame;
  for (int k = 0; k < deletes; ++k) m.Click("Button21");
  if (w.Run.LastMeasuredFrame != stopped - deletes) return false;
  m.Click("Button3");
  return m.WaitUntilStopped();
}

struct ReportTexts {
  TLightCurveReport* Window = nullptr;
  QString LightCurve, Text;  // the light-curve memo and the text report
};

// The chart's 'Make Report' and the report window's 'Make Reports'; the
// window is the one other than `before`.
ReportTexts MakeReports(TPlatform& w, TLightCurveReport* before) {
  ReportTexts out;
  w.chart1.Window->Button17->click();
  for (TLightCurveReport* r : w.findChildren<TLightCurveReport*>())
    if (r != before) out.Window = r;
  if (!out.Window) return out;
  out.Window->Button3->click();
  out.LightCurve = out.Window->Memo1->toPlainText();
  out.Text = out.Window->Memo3->toPlainText();
  out.Window->close();
  QApplication::processEvents();
  return out;
}

// STOP in the shadow and START again, with or without taking the last rows
// back by 'DEL' first: the saved table is the one an uninterrupted run saves,
// row by row and cell by cell.
TEST(EventTimingEndToEndShadow, StopAndStartAgainSaveTheRowsOfOneRun) {
  std::vector<std::string> expected;
  {
    ObjectsWindow whole;
    ASSERT_TRUE(OpenShadowAndPlace(whole));
    whole.Click("Button3");
    ASSERT_TRUE(whole.WaitUntilStopped());
    expected = SaveCsv(whole, "whole.csv");
    ASSERT_EQ(expected.size(), 6u + kFrames);
  }
  for (int deletes : {0, 3}) {
    SCOPED_TRACE(std::to_string(deletes) + " rows deleted");
    ObjectsWindow paused;
    ASSERT_TRUE(OpenShadowAndPlace(paused));
    ASSERT_TRUE(RunWithAPause(paused, 95, deletes));
    EXPECT_TRUE(paused.dialogs.messages.empty());
    const std::vector<std::string> lines = SaveCsv(paused, "paused.csv");
    ASSERT_EQ(lines.size(), expected.size());
    // Line 1 names the video, each window's own copy.
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i == 1) continue;
      EXPECT_EQ(lines[i], expected[i]) << "line " << i;
    }
  }
}

// The saved table loaded again through 'Load CSV' gives the chart the same
// curve, the calculator the same two event times (each row keeps only the end
// of its exposure; the shown times come from the video's ticks again), the
// report the same light curve and recording span, and saves as the same file.
TEST(EventTimingEndToEndShadow, ReloadedCsvGivesTheSameCurveAndEventTimes) {
  ObjectsWindow m;
  TPlatform& w = m.W();
  ASSERT_TRUE(OpenShadowAndPlace(m));
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> saved = SaveCsv(m, "shadow.csv");
  ASSERT_EQ(saved.size(), 6u + kFrames);

  TMagnitudeCalculator* calc = AddShadowEvents(m);
  ASSERT_NE(calc, nullptr);
  const QString memo = calc->Memo1->toPlainText();
  calc->close();
  QApplication::processEvents();
  std::vector<double> curve;
  for (const ChartRecord& r : w.chart1.Window->Data().Records) curve.push_back(r.Value[CurveA]);
  const ReportTexts report = MakeReports(w, nullptr);
  ASSERT_TRUE(report.Window);
  // The recording from the end of frame 0 (12.3 s) to that of frame 149 (18.3 s).
  EXPECT_TRUE(report.Text.contains("[Recorded  ]  From  14h3m12s")) << report.Text.toStdString();
  EXPECT_TRUE(report.Text.contains("              To    14h3m18s")) << report.Text.toStdString();
  w.chart1.Window->close();
  QApplication::processEvents();

  m.dialogs.open_file_names.push_back(QString::fromStdString(m.Path("shadow.csv").string()));
  m.Click("Button20");
  EXPECT_TRUE(m.dialogs.messages.empty());
  ASSERT_TRUE(w.Run.CsvLoaded);
  calc = AddShadowEvents(m);
  ASSERT_NE(calc, nullptr);
  std::vector<double> reloaded;
  for (const ChartRecord& r : w.chart1.Window->Data().Records) reloaded.push_back(r.Value[CurveA]);
  EXPECT_EQ(reloaded, curve);
  EXPECT_EQ(calc->Memo1->toPlainText().toStdString(), memo.toStdString());

  // The list holds both events twice: before and after loading.
  const std::vector<ListEntry> list = ListEntries(Find<QListWidget>(calc, "ListBox1"));
  ASSERT_EQ(list.size(), 4u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(list[i + 2].Kind, list[i].Kind);
    EXPECT_EQ(list[i + 2].Ms, list[i].Ms);
    EXPECT_EQ(list[i + 2].ErrorMs, list[i].ErrorMs);
  }
  calc->close();
  QApplication::processEvents();
  const ReportTexts again = MakeReports(w, report.Window);
  ASSERT_TRUE(again.Window);
  EXPECT_EQ(again.LightCurve.toStdString(), report.LightCurve.toStdString());
  for (const char* recorded : {"[Recorded  ]  From  14h3m12s", "              To    14h3m18s"})
    EXPECT_TRUE(again.Text.contains(recorded)) << again.Text.toStdString();
  EXPECT_EQ(SaveCsv(m, "again.csv"), saved);
}

// Every second frame measured, from frame 1: frame 75, whose exposure holds
// the disappearance 30 % of an exposure before its end, is record 37. The
// fit and the calculator (on its first field) time the event from the middle
// of that frame, and keep doing so when the observer sets the step back to 1
// afterwards (to look at the frames one by one): the records stay two frames
// apart.
TEST(EventTimingEndToEndStep, EveryOtherFrameMeasuredTimesTheEventWhateverTheStepShownLater) {
  constexpr double kBeforeEnd = 0.3;
  constexpr int kRecord = (kEventFrame - 1) / 2;
  ObjectsWindow m;
  TPlatform& w = m.W();
  ASSERT_TRUE(OpenEventVideo(m, "step.avi", [&](int n) { return TargetFlux(n, false, kBeforeEnd); }));
  m.Find<QSpinBox>("UpDown9")->setValue(2);
  w.GoToFrame(1);
  ASSERT_TRUE(MeasureTwoStars(m, {30, 32}, {66, 32}));
  std::vector<int> odd;
  for (int n = 1; n < kFrames; n += 2) odd.push_back(n);
  ASSERT_EQ(m.RowFrames(), odd);

  const double true_offset_ms = (0.5 - kBeforeEnd) * kFrameMs;
  const double true_ms = DayMs(kHour, kMinute, (EndRest(kEventFrame) - kBeforeEnd * kFrameTicks) / 1e7);
  TFresnelCtrl* panel = FitAtRecord(m, kRecord);
  ASSERT_NE(panel, nullptr);
  Tchart1* chart = w.chart1.Window.data();
  for (int shown_step : {2, 1}) {
    SCOPED_TRACE("step shown " + std::to_string(shown_step));
    m.Find<QSpinBox>("UpDown9")->setValue(shown_step);
    FitAndWait(panel, chart);
    ASSERT_EQ(w.Events.Diffraction.DiffractionFitted, 1);
    const double error_ms = std::max(1.0, panel->Edit12->text().toDouble());
    EXPECT_NEAR(panel->Edit10->text().toDouble(), true_offset_ms, 3 * error_ms + 1) << error_ms;

    panel->Button2->click();
    TMagnitudeCalculator* calc = MagnitudeCalculator();
    ASSERT_NE(calc, nullptr);
    // A step above 1 opens the calculator on "Second field", as for a camera
    // that integrates frames; this video's frames are single exposures.
    Find<QRadioButton>(calc, "RadioButton4")->click();
    calc->Button2->click();
    const QStringList memo = calc->Memo1->toPlainText().split('\n');
    ASSERT_GE(memo.size(), 3);
    ASSERT_TRUE(memo[2].startsWith("Event Time : ")) << memo[2].toStdString();
    EXPECT_NEAR(EventLineMs(memo[2]), true_ms, 3 * error_ms + 1.5) << memo[2].toStdString();
    calc->close();
    QApplication::processEvents();
  }
}

// The same road field by field, on an interlaced video whose two fields carry
// IOTA-VTI stamps: each field's stamp is the end of that field's exposure, and
// the event falls 30 % of a field before the end of one field of frame 18.
namespace field_road {

constexpr int kFrames = 36, kWidth = 720, kHeight = 480;
constexpr double kFieldS = 1.001 / 60;  // 29.97 frames per second
constexpr double kStartS = 12.0;        // end of the first field, seconds into 14:03
constexpr double kBeforeEnd = 0.3;
constexpr double kBright = 3000, kFaint = 900, kComparison = 2500;
constexpr double kFieldNoise = 5, kFieldBackground = 40;

double FieldEnd(int record) { return kStartS + record * kFieldS; }

// The target's flux in a field when the event falls in field `event`.
double FieldFlux(int record, int event) {
  if (record < event) return kBright;
  if (record > event) return kFaint;
  return kBright * (1 - kBeforeEnd) + kFaint * kBeforeEnd;
}

// "ssffff" of a time: the seconds and four fraction digits, rounded.
std::string StampSeconds(double s) {
  const long long tenth_ms = std::llround(s * 10000);
  return Pad(tenth_ms / 10000, 2) + Pad(tenth_ms % 10000, 4);
}

// Frame n: field 1 (the earlier exposure, record 2n) on the odd rows with
// its stamp, field 2 (record 2n + 1) on the even rows; the stars in the top
// left 480 x 150 pixels, the rest the dark background the inserter leaves.
Bitmap24 InterlacedFrame(int n, int event, const std::vector<int>& xs, double pitch) {
  Bitmap24 out = NoisyFrame(kWidth, kHeight, 700 + static_cast<uint32_t>(n));
  for (int f = 0; f < 2; ++f) {
    SyntheticFrame s;
    s.Width = 480;
    s.Height = 150;
    s.Background = kFieldBackground;
    s.NoiseSigma = kFieldNoise;
    s.Seed = 5000 + 2 * static_cast<uint32_t>(n) + static_cast<uint32_t>(f);
    s.Stars = {SyntheticStar{200.3, 100.2, FieldFlux(2 * n + f, event), kStarSigma},
               SyntheticStar{400.4, 100.7, kComparison, kStarSigma}};
    const Bitmap24 field = MakeStarFrame(s);
    for (int y = f == 0 ? 1 : 0; y < s.Height; y += 2)
      for (int x = 0; x < s.Width; ++x) out.Set(x, y, field.Get(x, y));
  }
  const std::string hm = Pad(kHour, 2) + Pad(kMinute, 2);
  const std::string s1 = StampSeconds(FieldEnd(2 * n)), s2 = StampSeconds(FieldEnd(2 * n + 1));
  DrawIotaFields(out, hm + s1 + "    " + Pad(2 * n + 1001, 8), hm + s2.substr(0, 2) + "    " + s2.substr(2) + Pad(2 * n + 1002, 8),
                 xs, 435, pitch);
  return out;
}

// The interlaced video of an event in field record `event`, made once.
bool WriteInterlacedVideo(const std::filesystem::path& path, int event) {
  static std::map<int, std::vector<Bitmap24>> made;
  std::vector<Bitmap24>& frames = made[event];
  if (frames.empty()) {
    const double pitch = (540.0 - 82.0) / 19.0;
    const std::vector<int> xs = IotaCellXs(84, pitch);
    for (int n = 0; n < kFrames; ++n) frames.push_back(InterlacedFrame(n, event, xs, pitch));
  }
  AviWriterOptions o;
  o.rate = 30000;
  o.scale = 1001;
  return WriteAvi(path.string(), frames, o);
}

// Measured frame by frame the same video times the event from the middle of
// the frame, which is the end of its first field.
struct InterlacedCase {
  const char* name;
  bool fields;
  int event;  // the field record holding the event
};

void PrintTo(const InterlacedCase& c, std::ostream* os) { *os << c.name; }

class EventTimingEndToEndInterlaced : public ::testing::TestWithParam<InterlacedCase> {};

TEST_P(EventTimingEndToEndInterlaced, EventTimeFromTheMiddleOfTheClickedRecord) {
  const bool fields = GetParam().fields;
  const int event_field = GetParam().event;
  ObjectsWindow m;
  TPlatform& w = m.W();
  IniFile ini(w.SettingsPlace.IniPath);
  ini.WriteString("TimeSignal", "VideoTimeInserter", "IOTA-VTI");
  ini.WriteString("TimeSignal", "Read from KIWI-OSD", "1");
  const auto video = m.Path("fields.avi");
  ASSERT_TRUE(WriteInterlacedVideo(video, event_field));
  ASSERT_TRUE(m.OpenThroughButton1(video));
  ASSERT_EQ(w.Options.TimeStampMode, 0);
  ASSERT_EQ(w.Options.StampLocated, 1);
  if (fields) m.Find<QCheckBox>("CheckBox2")->click();  // 'Field Measure'
  ASSERT_EQ(m.Find<QCheckBox>("CheckBox2")->isChecked(), fields);

  ASSERT_TRUE(MeasureTwoStars(m, {200, 100}, {400, 101}));
  EXPECT_TRUE(m.dialogs.messages.empty());
  const auto csv = m.Path("fields.csv");
  m.dialogs.save_file_names.push_back(QString::fromStdString(csv.string()));
  m.Click("Button6");
  const std::vector<std::string> lines = FileLines(csv);
  const int records = fields ? 2 * kFrames : kFrames;
  ASSERT_EQ(lines.size(), 6u + records);
  // Records of frames: a frame's middle is the end of its first field.
  const int step = fields ? 1 : 2;
  const int event_record = event_field / step;
  std::vector<double> bright, faint;
  for (int r = 0; r < records; ++r) {
    SCOPED_TRACE("record " + std::to_string(r));
    const std::string& row = lines[static_cast<size_t>(6 + r)];
    EXPECT_EQ(ParseDoubleOr(Column(row, 1), -1), fields ? r / 2 + (r % 2 ? 0.5 : 0.0) : r);
    EXPECT_EQ(Column(row, 4), Pad(kHour, 2)) << row;
    EXPECT_EQ(Column(row, 5), Pad(kMinute, 2)) << row;
    const std::string s = StampSeconds(FieldEnd(r * step));
    EXPECT_EQ(Column(row, 6), s.substr(0, 2) + "." + s.substr(2)) << row;
    if (!fields) {
      const std::string e = StampSeconds(FieldEnd(r * step + 1));
      EXPECT_EQ(Column(row, 7), e.substr(0, 2) + "." + e.substr(2)) << row;
    }
    const double a = ParseDoubleOr(Column(row, 11), -1e9);
    if (r < event_record) bright.push_back(a);
    if (r > event_record) faint.push_back(a);
  }
  // Each record measures its own exposure: the levels keep the true ratio.
  const Mean hi = MeanOf(bright), lo = MeanOf(faint);
  EXPECT_NEAR(lo.Value / hi.Value, kFaint / kBright,
              4 * std::hypot(hi.Error / hi.Value, lo.Error / lo.Value) * kFaint / kBright);

  TFresnelCtrl* panel = FitAtRecord(m, event_record);
  ASSERT_NE(panel, nullptr);
  const double offset_ms = panel->Edit10->text().toDouble();
  // The error shows in whole milliseconds: at least 1.
  const double error_ms = std::max(1.0, panel->Edit12->text().toDouble());
  // The offset counts from the middle of the record's exposure.
  const double middle = fields ? FieldEnd(event_field) - kFieldS / 2 : FieldEnd(event_field / 2 * 2);
  const double true_s = FieldEnd(event_field) - kBeforeEnd * kFieldS;
  EXPECT_NEAR(offset_ms, (true_s - middle) * 1000, 3 * error_ms + 1) << error_ms;

  panel->Button2->click();
  TMagnitudeCalculator* calc = MagnitudeCalculator();
  ASSERT_NE(calc, nullptr);
  // A field record's own field; a frame's time is its first field's.
  const bool second = fields && event_field % 2 == 1;
  Find<QRadioButton>(calc, second ? "RadioButton5" : "RadioButton4")->click();
  calc->Button2->click();
  const QString text = calc->Memo1->toPlainText();
  const QStringList memo = text.split('\n');
  ASSERT_GE(memo.size(), 3) << text.toStdString();
  const QString& event = memo[2];
  ASSERT_TRUE(event.startsWith("Event Time : ")) << text.toStdString();
  EXPECT_NEAR(EventLineMs(event), DayMs(kHour, kMinute, true_s), 3 * error_ms + 1.5)
      << text.toStdString() << " error " << error_ms;
  calc->close();
}

INSTANTIATE_TEST_SUITE_P(Records, EventTimingEndToEndInterlaced,
                         ::testing::Values(InterlacedCase{"FieldsEventInField1", true, 36},
                                           InterlacedCase{"FieldsEventInField2", true, 37},
                                           InterlacedCase{"FramesEventInField2", false, 37}),
                         [](const ::testing::TestParamInfo<InterlacedCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace field_road

}  // namespace
