// The magnitude calculator window driven through its controls: cameras and
// fields, the base-time edits, the event list and the overlay on the chart.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <limits>

#include "IdentFakeHost.h"
#include "chart/ui/ChartFakeHost.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/ReportWindowHost.h"
#include "events/ui/TIdentification.h"
#include "events/ui/TLightCurveReport.h"
#include "events/ui/TMagnitudeCalculator.h"
#include "support/ChartTestTables.h"
#include "support/ShellCommand.h"
#include "support/TemporaryFolder.h"
#include "support/WindowControls.h"
#include "tests/events/ReportFixtures.h"

namespace {

struct Host : MagnitudeCalculatorHost {
  MagnitudePanelState panel;
  std::array<std::string, 4> time{"12", "34", "56.7891", "56.7891"};
  int interval = 1, aqua = -1, panel_enabled = -1;
  double combined = 0;
  std::string camera, main_camera;
  double PredictionCombinedMagnitude() const override { return combined; }
  std::string PredictionCamera() const override { return camera; }
  void SetMainCameraText(const std::string& t) override { main_camera = t; }
  Tchart1* chart = nullptr;
  MagnitudePanelState PanelState() const override { return panel; }
  void SetPanelEnabled(bool e) override { panel_enabled = e; }
  std::array<std::string, 4> FrameTime() const override { return time; }
  int MeasurementInterval() const override { return interval; }
  void SetDiffractionStepAqua(bool a) override { aqua = a; }
  Tchart1* Chart() const override { return chart; }
};

// As the main window does: a click on the chart refreshes the open calculator.
struct CalculatorChartHost : FakeHost {
  void RefreshTool(ChartTool tool) override {
    if (tool != ChartTool::MagnitudeCalculator) return;
    if (TMagnitudeCalculator* calculator = MagnitudeCalculator()) calculator->AfterChartClick();
  }
};

struct Fixture {
  CalculatorChartHost chart_host;
  ChartSession session;
  ChartEventState events;
  Host host;
  QPointer<Tchart1> chart;
  QPointer<TMagnitudeCalculator> w;

  Fixture() {
    host.panel.Levels.Mean = {100, 0, 20};
    host.panel.Levels.StdError = {1.0, 0, 0.5};
    host.panel.Levels.Count = {16, 0, 16};
    events.ReportLightCurveElement.Kind = ReportKind::Lunar;
    events.ReportLightCurveElement.RecordingDate = "2023-7-17";
    events.ReportLightCurveElement.Catalogue = "XZ80Q";
    events.ReportLightCurveElement.StarNumber = "1234";
  }
  ~Fixture() {
    delete w.data();
    delete chart.data();
  }
  void Open() { w = OpenMagnitudeCalculator(events, host); }
  QString Line(int i) const { return w->Memo1->toPlainText().split('\n').value(i); }
  // Calculates an event at this frame time, a disappearance (light falling
  // from 100 to 20) or a reappearance.
  void Time(const char* h, const char* m, const char* s, bool disappearance) {
    host.time = {h, m, s, s};
    host.panel.Levels.Mean = disappearance ? std::array<double, 3>{100, 0, 20} : std::array<double, 3>{20, 0, 100};
    w->Button2->click();
  }
  QStringList List() const {
    QStringList lines;
    for (int i = 0; i < w->ListBox1->count(); ++i) lines << w->ListBox1->item(i)->text();
    return lines;
  }
  std::string LastMessage() const {
    return chart_host.dialogs.messages.empty() ? std::string() : chart_host.dialogs.messages.back().text.toStdString();
  }
};

void Leave(QWidget* edit) {
  QFocusEvent e(QEvent::FocusOut);
  QApplication::sendEvent(edit, &e);
}

}  // namespace

TEST(TMagnitudeCalculator, OpensAndCalculatesForEachCameraAndField) {
  Fixture f;
  f.Open();
  EXPECT_EQ(f.events.Flags.MagnitudeWindowShown, 1);
  EXPECT_EQ(f.host.panel_enabled, 0);
  EXPECT_EQ(MagnitudeCalculator(), f.w.data());
  EXPECT_EQ(OpenMagnitudeCalculator(f.events, f.host), f.w.data());  // one at a time
  EXPECT_TRUE(f.w->RadioButton2->isChecked());
  EXPECT_EQ(f.w->Edit1->text(), "100.0");
  EXPECT_EQ(f.w->Edit9->text(), "80.0");
  EXPECT_EQ(f.w->Edit5->text(), "-0.24");
  EXPECT_EQ(f.w->Memo1->toPlainText(), "");

  f.w->Button2->click();  // re-read the time stamp
  EXPECT_EQ(f.Line(2), "Event Time : 12h34m56.789s  +/- 0.001s  S/N=20.00");
  f.w->RadioButton3->click();
  EXPECT_EQ(f.Line(2), "Event Time : 12h34m56.756s  +/- 0.001s  S/N=20.00");
  f.w->RadioButton5->click();
  f.w->UpDown4->setValue(3);
  EXPECT_EQ(f.w->Edit17->text(), "4");
  EXPECT_EQ(f.Line(2), "Event Time : 12h34m56.647s  +/- 0.005s  S/N=20.00");
  f.w->RadioButton6->click();
  EXPECT_EQ(f.Line(2), "Event Time : 12h34m56.656s  +/- 0.005s  S/N=20.00");
  f.w->UpDown5->setValue(1);
  EXPECT_EQ(f.w->Edit24->text(), "1");
  EXPECT_EQ(f.Line(2), "Event Time : 12h34m56.7s  +/- 0.005s  S/N=20.00");
  f.w->RadioButton1->click();  // OFF: no event line
  EXPECT_EQ(f.Line(2), "");

  f.w->UpDown1->setValue(12);
  f.w->UpDown2->setValue(3);
  f.w->UpDown3->setValue(4);
  EXPECT_EQ(f.w->Edit12->text(), "12.34");
  EXPECT_EQ(f.w->Edit5->text(), "12.10");

  f.w->Button1->click();
  EXPECT_EQ(f.w->Memo1->toPlainText().split('\n').back(), "14 9.9458");

  f.w->Button9->click();
  EXPECT_EQ(f.events.Flags.MagnitudeWindowShown, 0);
  EXPECT_EQ(f.host.panel_enabled, 1);
}

// At 23:59 the minute turned between the fields reads 24:00 for the second
// field; its event time is the next day's 00h.
TEST(TMagnitudeCalculator, SecondFieldPastMidnightIsTheNextDay) {
  Fixture f;
  f.host.time = {"23", "59", "59.98", "0.02"};
  f.Open();
  EXPECT_EQ(f.w->Edit21->text(), "24");
  EXPECT_EQ(f.w->Edit22->text(), "0");
  f.w->RadioButton5->click();
  EXPECT_EQ(f.Line(2), "Event Time : 00h00m00.020s  +/- 0.001s  S/N=20.00");
  f.w->RadioButton4->click();
  EXPECT_EQ(f.Line(2), "Event Time : 23h59m59.980s  +/- 0.001s  S/N=20.00");
}

// A stamp half a millisecond before midnight ("59.9995", whose binary value
// lies just below the half) rounds to the next day's 00h, in the memo, the
// lunar report line and the event list alike.
TEST(TMagnitudeCalculator, StampHalfAMillisecondBeforeMidnightIsTheNextDay) {
  Fixture f;
  f.host.time = {"23", "59", "59.9995", "59.9995"};
  f.Open();
  f.w->Button2->click();
  EXPECT_EQ(f.Line(2), "Event Time : 00h00m00.000s  +/- 0.001s  S/N=20.00");
  EXPECT_EQ(f.w->Memo2->toPlainText().left(18), "20230718000000.000");
  f.w->Button4->click();
  ASSERT_EQ(f.w->ListBox1->count(), 1);
  EXPECT_EQ(f.w->ListBox1->item(0)->text(), "1  00 00 00.000 +/- 0.001s,  S/N= 20.00 D   Main change");
}

// A frame whose stamp gave no time (empty edits, or the captions the main
// window shows before any frame) has no base time: the calculator says so
// instead of timing the event at 00:00:00 (or at the next minute's 00 s for
// a second field without seconds), and adds nothing to the list. A time
// typed into the edits is the base time.
TEST(TMagnitudeCalculator, FrameWithoutAStampGivesNoEventTime) {
  struct Row {
    std::array<std::string, 4> stamp;
    bool first_field_read;
  };
  const Row rows[] = {{{"", "", "", ""}, false},
                      {{"h", "m", "s(Field1)", "s(Field2)"}, false},
                      {{"12", "34", "56.7891", ""}, true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.stamp[0] + " " + r.stamp[2] + " " + r.stamp[3]);
    Fixture f;
    f.host.time = r.stamp;
    f.Open();
    f.w->Button2->click();
    if (r.first_field_read) {
      EXPECT_EQ(f.Line(2), "Event Time : 12h34m56.789s  +/- 0.001s  S/N=20.00");
      f.w->RadioButton5->click();
    }
    EXPECT_EQ(f.w->Memo1->toPlainText().toStdString(), kNoBaseTimeMessage);
    EXPECT_TRUE(f.w->Memo2->toPlainText().isEmpty());
    f.w->Button4->click();
    EXPECT_EQ(f.events.AsteroidTiming.EntryCount, 0);

    const bool second = f.w->RadioButton5->isChecked();
    const std::array<QLineEdit*, 3> edits =
        second ? std::array{f.w->Edit21, f.w->Edit22, f.w->Edit23} : std::array{f.w->Edit18, f.w->Edit19, f.w->Edit20};
    for (const auto& [edit, typed] : {std::pair{edits[0], "12"}, std::pair{edits[1], "34"}, std::pair{edits[2], "56.5"}}) {
      edit->setText(typed);
      Leave(edit);
    }
    f.w->Button3->click();
    EXPECT_EQ(f.Line(2), "Event Time : 12h34m56.500s  +/- 0.001s  S/N=20.00");
    f.w->Button4->click();
    EXPECT_EQ(f.events.AsteroidTiming.EntryCount, 1);
  }
}

TEST(TMagnitudeCalculator, BaseTimeEditsAndMinuteTurn) {
  Fixture f;
  f.host.time = {"12", "59", "59.98", "0.02"};
  f.Open();
  EXPECT_EQ(f.w->Edit21->text(), "13");
  EXPECT_EQ(f.w->Edit22->text(), "0");
  f.w->Edit18->setText("25");
  Leave(f.w->Edit18);
  EXPECT_EQ(f.w->Edit18->text(), "12");
  f.w->Edit19->setText("60");
  Leave(f.w->Edit19);
  EXPECT_EQ(f.w->Edit19->text(), "60");
  f.w->Edit20->setText("5.5");
  Leave(f.w->Edit20);
  EXPECT_EQ(f.w->Edit20->text(), "05.5000");
  f.w->Edit20->setText("abc");
  Leave(f.w->Edit20);
  EXPECT_EQ(f.w->Edit20->text(), "05.5000");
}

// A second field stamped a little earlier than the first (the fields in the
// other order, or a misread digit) is in the same minute: its event is not
// timed a minute late. Seconds that went back from 59.98 to 0.02 are the
// next minute's.
TEST(TMagnitudeCalculator, SecondFieldSlightlyEarlierStaysInItsMinute) {
  struct Row {
    std::array<std::string, 4> stamp;
    const char *minute, *line;
  };
  const Row rows[] = {
      {{"12", "34", "56.8057", "56.7891"}, "34", "Event Time : 12h34m56.789s  +/- 0.001s  S/N=20.00"},
      {{"12", "34", "10.5", "10.2"}, "34", "Event Time : 12h34m10.200s  +/- 0.001s  S/N=20.00"},
      {{"12", "34", "59.98", "0.02"}, "35", "Event Time : 12h35m00.020s  +/- 0.001s  S/N=20.00"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.stamp[2] + " " + r.stamp[3]);
    Fixture f;
    f.host.time = r.stamp;
    f.Open();
    EXPECT_EQ(f.w->Edit22->text().toStdString(), r.minute);
    f.w->RadioButton5->click();
    EXPECT_EQ(f.Line(2).toStdString(), r.line);
  }
}

// The hour and seconds typed into the lunar identification's time edits (the
// stamp misread) are the event's base time in the calculator opened after it;
// the minute left alone comes from the frame.
TEST(TMagnitudeCalculator, TimesTypedInTheLunarIdentificationAreTheBaseTime) {
  Fixture f;
  struct SharedEventsHost : IdentFakeHost {
    ChartEventState* shared = nullptr;
    ChartEventState& Events() override { return *shared; }
  } ident;
  ident.shared = &f.events;
  ident.time_edits = {"12", "34", "56.7891"};
  {
    TIdentification lunar(ident, false);
    for (auto [edit, typed] : {std::pair{lunar.Edit9, "13"}, std::pair{lunar.Edit11, "7.5"}}) {
      QFocusEvent in(QEvent::FocusIn);
      QApplication::sendEvent(edit, &in);
      TypeAndEnter(edit, typed);
    }
    EXPECT_EQ(lunar.Edit9->text(), "13");
    EXPECT_EQ(lunar.Edit11->text(), "07.5000");
  }
  f.Open();
  EXPECT_EQ(f.w->Edit18->text().toStdString(), "13");
  EXPECT_EQ(f.w->Edit19->text().toStdString(), "34");
  EXPECT_EQ(ParseDoubleOr(f.w->Edit20->text().toStdString(), -1), 7.5);
  f.w->Button2->click();
  EXPECT_EQ(f.Line(2).toStdString(), "Event Time : 13h34m07.500s  +/- 0.001s  S/N=20.00");
  // An hour typed here afterwards is the base time from then on, also when
  // the stamp is read again.
  f.w->Edit18->setText("15");
  Leave(f.w->Edit18);
  f.w->Button2->click();
  EXPECT_EQ(f.w->Edit18->text().toStdString(), "15");
  EXPECT_EQ(f.Line(2).toStdString(), "Event Time : 15h34m07.500s  +/- 0.001s  S/N=20.00");
}

// Base seconds are shown as rounded: a leading "0" only when the shown text is
// below 10.
TEST(TMagnitudeCalculator, BaseSecondsShownWithoutAnExtraZero) {
  Fixture f;
  f.Open();
  struct Case {
    const char* typed;
    const char* shown;
  };
  for (Case c : {Case{"9.99999", "10.0000"}, Case{"9.99994", "09.9999"}, Case{"0", "00.0000"}, Case{"12", "12.0000"}}) {
    for (QLineEdit* e : {f.w->Edit20, f.w->Edit23}) {
      e->setText(c.typed);
      Leave(e);
      EXPECT_EQ(e->text().toStdString(), c.shown) << c.typed;
    }
  }
}

TEST(TMagnitudeCalculator, EventListOperations) {
  Fixture f;
  f.Open();
  f.w->Button2->click();
  f.w->Button4->click();
  ASSERT_EQ(f.w->ListBox1->count(), 1);
  EXPECT_EQ(f.w->ListBox1->item(0)->text(), "1  12 34 56.789 +/- 0.001s,  S/N= 20.00 D   Main change");
  EXPECT_EQ(f.host.aqua, 0);
  f.w->ComboBox1->setCurrentIndex(1);
  emit f.w->ComboBox1->activated(1);  // marks the selected entry
  EXPECT_EQ(f.w->ListBox1->item(0)->text(), "1  12 34 56.789 +/- 0.001s,  S/N= 20.00 D   minor light change");
  EXPECT_EQ(f.w->ListBox1->currentRow(), -1);
  f.w->Button8->click();  // missed reappearance, minor
  EXPECT_EQ(f.w->ListBox1->item(1)->text(), "2  12 34 56.789 +/- s,  S/N=  R   minor light change Miss");
  EXPECT_EQ(f.events.AsteroidTiming.Entries[1].Approximate, 1);
  f.host.time = {"12", "30", "01.2346", "01.2346"};
  f.w->Button2->click();
  f.w->ComboBox1->setCurrentIndex(0);
  f.w->Button4->click();
  EXPECT_EQ(f.w->ListBox1->count(), 3);
  f.w->Button6->click();  // sort
  EXPECT_EQ(f.w->ListBox1->item(0)->text(), "1  12 30 01.235 +/- 0.001s,  S/N= 20.00  D   Main light change");
  f.w->ListBox1->setCurrentRow(1);
  f.w->Button5->click();  // delete
  ASSERT_EQ(f.w->ListBox1->count(), 2);
  EXPECT_EQ(f.w->ListBox1->item(1)->text(), "2  12 34 56.789 +/- s,  S/N=   R  Minor light change");

  f.events.AsteroidTiming.EntryCount = 100;
  f.w->Button4->click();
  f.w->Button7->click();
  EXPECT_EQ(f.events.AsteroidTiming.EntryCount, 100);
  EXPECT_EQ(f.chart_host.dialogs.messages.size(), 2u);

  f.w->Memo2->setPlainText("line");
  f.w->Button11->click();
  EXPECT_EQ(QApplication::clipboard()->text(), "line");
}

// "Add to report" takes the event time of the last calculation only: after
// "OFF" or a calculation that stopped with a message there is none, and the
// earlier event's time must not go into the report as this event's.
TEST(TMagnitudeCalculator, AddRefusesWhenTheLastCalculationGaveNoEventTime) {
  struct Row {
    const char* what;
    std::array<double, 3> means;
    bool off;
  };
  for (const Row& r : {Row{"camera OFF", {100, 0, 20}, true}, Row{"no combined intensity", {100, 0, 100}, false}}) {
    Fixture f;
    f.Open();
    f.w->Button2->click();
    f.w->Button4->click();
    ASSERT_EQ(f.events.AsteroidTiming.EntryCount, 1) << r.what;
    if (r.off) {
      f.w->RadioButton1->click();
    } else {
      // The levels of another event, as a click on the chart would read them.
      f.host.panel.Levels.Mean = r.means;
      f.w->close();
      delete f.w.data();
      f.Open();
      f.w->Button2->click();
      ASSERT_EQ(f.Line(0), "Value contains two object is zero or minus. Calculation is not possible.") << r.what;
    }
    const size_t messages = f.chart_host.dialogs.messages.size();
    f.w->Button4->click();
    EXPECT_EQ(f.events.AsteroidTiming.EntryCount, 1) << r.what;
    EXPECT_EQ(f.chart_host.dialogs.messages.size(), messages + 1) << r.what;
    // Timed again, the event is added.
    if (r.off) {
      f.w->RadioButton2->click();
      f.w->Button4->click();
      EXPECT_EQ(f.events.AsteroidTiming.EntryCount, 2) << r.what;
    }
  }
}

TEST(TMagnitudeCalculator, DoubleStarAddsTwoEntries) {
  Fixture f;
  f.host.panel.DoubleStar = true;
  f.host.panel.StepHeightPercent = 50;
  // The fit found both components, the second 50 ms before the first.
  f.events.Diffraction.DiffractionFitted = 1;
  f.host.panel.Offset2Text = "-50";
  f.Open();
  f.w->Button2->click();
  f.w->Button4->click();
  ASSERT_EQ(f.events.AsteroidTiming.EntryCount, 2);
  EXPECT_EQ(f.events.AsteroidTiming.Entries[0].Flag2, 1);
  EXPECT_EQ(f.events.AsteroidTiming.Entries[1].Flag2, 1);
  EXPECT_EQ(f.host.aqua, 1);
  // Listed as the result lines show them: the earlier time first.
  EXPECT_EQ(Second(f.events.AsteroidTiming.Entries[0]), "56.739");
  EXPECT_EQ(Second(f.events.AsteroidTiming.Entries[1]), "56.789");
}

// Each listed time keeps the S/N and main or minor change of its own event,
// as the result lines pair them. In a reappearance the lighter-weighted
// (30 %) component, fitted 300 ms before the other, comes back first: its
// noise ratio is NSstep / 0.3, S/N 18.3 (NSstep = 0.01389 + 0.3 x 0.00833 of
// the total line), and it is the minor change.
TEST(TMagnitudeCalculator, DoubleStarEntriesKeepTheirOwnSnAndMinorFlag) {
  struct Row {
    const char* name;
    std::array<double, 3> mean, error;
    std::array<int32_t, 3> count;
    const char* offset2;
    const char* first_time;
    const char* second_time;
  };
  const Row rows[] = {
      {"disappearance", {100, 40, 10}, {0.5, 0.8, 0.25}, {16, 9, 25}, "300", "56.989", "57.089"},
      {"reappearance", {10, 40, 100}, {0.25, 0.8, 0.5}, {25, 9, 16}, "-100", "56.689", "56.989"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Fixture f;
    f.host.panel.Levels.Mean = r.mean;
    f.host.panel.Levels.StdError = r.error;
    f.host.panel.Levels.Count = r.count;
    f.host.panel.DoubleStar = true;
    f.host.panel.StepHeightPercent = 30;
    f.host.panel.Offset1Text = "200";
    f.host.panel.Offset2Text = r.offset2;
    f.events.Diffraction.DiffractionFitted = 1;
    f.Open();
    f.w->Button2->click();
    const bool reappearance = r.mean[0] < r.mean[2];
    const char* first_sn = reappearance ? "18.3" : "42.7";
    const char* second_sn = reappearance ? "42.7" : "18.3";
    // The timing-error polynomial of N/S 0.0546 is 0.038 frames, of 0.0234 0.012.
    auto line = [](const char* time, const char* sn) {
      return std::string("Event Time : 12h34m") + time + "s  +/- " + (sn == std::string("18.3") ? "0.001" : "0.000") +
             "s  S/N=" + sn;
    };
    EXPECT_EQ(f.Line(2).toStdString(), line(r.first_time, first_sn));
    EXPECT_EQ(f.Line(3).toStdString(), line(r.second_time, second_sn));
    f.w->Button4->click();
    ASSERT_EQ(f.events.AsteroidTiming.EntryCount, 2);
    const auto& e = f.events.AsteroidTiming.Entries;
    EXPECT_EQ(Second(e[0]), r.first_time);
    EXPECT_EQ(Sn(e[0]), first_sn);
    EXPECT_EQ(Second(e[1]), r.second_time);
    EXPECT_EQ(Sn(e[1]), second_sn);
    // Each entry's error is that of its memo line (the whole drop's N/S of
    // 0.022 would give 0.000 s for both).
    EXPECT_EQ("Event Time : 12h34m" + std::string(r.first_time) + "s  +/- " + e[0].Error + "s  S/N=" + Sn(e[0]),
              line(r.first_time, first_sn));
    EXPECT_EQ("Event Time : 12h34m" + std::string(r.second_time) + "s  +/- " + e[1].Error + "s  S/N=" + Sn(e[1]),
              line(r.second_time, second_sn));
    // The 30 % component is the minor change.
    EXPECT_EQ(IsMinor(e[0]), reappearance);
    EXPECT_EQ(IsMinor(e[1]), !reappearance);
  }
}

// A double star timed without a fit that found both components (a click on
// the chart clears the fit) has no second time: nothing is added, not an
// entry with an empty time.
TEST(TMagnitudeCalculator, DoubleStarWithoutASecondTimeAddsNothing) {
  struct Row {
    const char* name;
    uint8_t fitted;
    const char* offset2;
  };
  for (const Row& r : {Row{"no fit", 0, "-50"}, Row{"fit found one event", 1, ""}}) {
    SCOPED_TRACE(r.name);
    Fixture f;
    f.host.panel.DoubleStar = true;
    f.events.Diffraction.DiffractionFitted = r.fitted;
    f.host.panel.Offset2Text = r.offset2;
    f.Open();
    f.w->Button2->click();
    f.w->Button4->click();
    EXPECT_EQ(f.events.AsteroidTiming.EntryCount, 0);
    EXPECT_EQ(f.w->ListBox1->count(), 0);
    EXPECT_EQ(f.chart_host.dialogs.messages.size(), 1u);
  }
}

TEST(TMagnitudeCalculator, DrawsItsResultOnTheChart) {
  Fixture f;
  f.chart_host.table.lines = BuildResultTable(3, 1, RowsFromValues({{10, 12, 10, 12, 11, 13}}));
  f.chart = new Tchart1(f.chart_host, f.session, f.events);
  f.host.chart = f.chart;
  f.Open();
  f.w->Button2->click();
  const QImage clean = f.chart->Picture().copy();
  ASSERT_FALSE(clean.isNull());
  f.w->RadioGroup1->SetItemIndex(2);
  EXPECT_NE(f.chart->Picture(), clean);
  const QImage with_info = f.chart->Picture().copy();
  EXPECT_EQ(f.w->RadioGroup2->ItemIndex(), 0);  // one field a frame: event lines only
  f.w->RadioGroup2->SetItemIndex(1);  // and the information lines
  EXPECT_NE(f.chart->Picture(), with_info);
  f.w->ScrollBar2->setValue(100);
  EXPECT_NE(f.chart->Picture(), with_info);
  f.w->RadioGroup1->SetItemIndex(0);
  EXPECT_EQ(f.chart->Picture(), clean);

  // A click on the chart refreshes the open calculator.
  f.w->RadioGroup1->SetItemIndex(1);
  f.host.time = {"1", "2", "3.0", "3.0"};
  const auto& rec = f.chart->Data().Records[2];
  ReleaseAt(f.chart->ChartImg1, IndexToPixelX(f.chart->View(), 2 - f.session.ChartState.FirstShownFrame),
            ValueToPixelY(f.chart->View(), rec.Value[CurveA]));
  EXPECT_EQ(f.Line(2), "Event Time : 01h02m03.000s  +/- 0.001s  S/N=20.00");
  EXPECT_NE(f.chart->Picture(), f.w->ChartBackup());
}

TEST(TMagnitudeCalculator, PairMagnitudeFromThePredictionAndTheVMagnitude) {
  Fixture f;
  f.host.combined = 12.34;
  f.host.camera = "WAT-910HX";
  f.host.interval = 2;  // one row a field: second field, information on the right
  f.events.Flags.IntegrationCount = 8;
  f.Open();
  EXPECT_EQ(f.w->UpDown1->Position(), 12);
  EXPECT_EQ(f.w->UpDown2->Position(), 3);
  EXPECT_EQ(f.w->UpDown3->Position(), 4);
  EXPECT_EQ(f.w->Edit12->text(), "12.34");
  EXPECT_EQ(f.host.main_camera, "WAT-910HX");
  EXPECT_TRUE(f.w->RadioButton6->isChecked());
  EXPECT_TRUE(f.w->RadioButton5->isChecked());
  EXPECT_EQ(f.w->RadioGroup2->ItemIndex(), 1);
  EXPECT_EQ(f.w->UpDown4->Position(), 4);
  EXPECT_EQ(f.w->Edit17->text(), "8");

  f.events.ReportLightCurveElement.VMag = "9.87";
  f.w->FormActivate();
  EXPECT_EQ(f.w->UpDown1->Position(), 9);
  EXPECT_EQ(f.w->UpDown2->Position(), 8);
  EXPECT_EQ(f.w->UpDown3->Position(), 7);
  EXPECT_EQ(f.w->Edit12->text(), "9.87");

  // A step window set on the panel turns the step correction on for 120N.
  f.events.Diffraction.ThirdWindowFrom = -3;
  f.events.Diffraction.ThirdWindowTo = 2;
  f.w->RadioButton3->click();
  EXPECT_TRUE(f.w->CheckBox1->isChecked());
}

// The chosen prediction's combined magnitude, shown as the pair's magnitude
// when the window opens, is the one the first calculation adds:
// -2.5 log10(100 / 80) + m.
TEST(TMagnitudeCalculator, OpeningCalculatesWithThePairMagnitudeItShows) {
  struct Row {
    double combined;
    const char *pair_shown, *first_magnitude;
  } rows[] = {{12.34, "12.34", "12.10"}, {-1.45, "-1.45", "-1.69"}, {0, "0.00", "-0.24"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.pair_shown);
    Fixture f;
    f.host.combined = r.combined;
    f.Open();
    EXPECT_EQ(f.w->Edit12->text().toStdString(), r.pair_shown);
    EXPECT_EQ(f.w->Edit5->text().toStdString(), r.first_magnitude);
  }
}

// A pair brighter than magnitude -1: the negative whole part carries the
// sign, the tenths and hundredths hold the fraction's size, so the up-downs
// stand for the magnitude shown and a click moves it by 0.01.
TEST(TMagnitudeCalculator, NegativePairMagnitudeKeepsItsFraction) {
  struct Row {
    double combined;
    std::array<int, 3> positions;
    const char* after_click;  // one up on the hundredths
  } rows[] = {{-1.45, {-1, 4, 5}, "-1.46"}, {-2.07, {-2, 0, 7}, "-2.08"}, {12.34, {12, 3, 4}, "12.35"},
              {-0.45, {0, 4, 5}, "-0.46"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.combined);
    Fixture f;
    f.host.combined = r.combined;
    f.Open();
    EXPECT_EQ((std::array<int, 3>{f.w->UpDown1->Position(), f.w->UpDown2->Position(), f.w->UpDown3->Position()}),
              r.positions);
    f.w->UpDown3->setValue(f.w->UpDown3->Position() + 1);
    EXPECT_EQ(f.w->Edit12->text().toStdString(), r.after_click);
  }
  // The V magnitude at activation: -2.5 log10(80 / 100) - 1.46 = -1.70.
  Fixture f;
  f.Open();
  f.events.ReportLightCurveElement.VMag = "-1.46";
  f.w->FormActivate();
  EXPECT_EQ(f.w->UpDown2->Position(), 4);
  EXPECT_EQ(f.w->UpDown3->Position(), 6);
  EXPECT_EQ(f.w->Edit12->text(), "-1.46");
  EXPECT_EQ(f.w->Edit5->text(), "-1.70");
  // Brighter than 0 but not than -1: the whole part 0 keeps the sign,
  // -2.5 log10(80 / 100) - 0.5 = -0.74, also after a click on the tenths.
  f.events.ReportLightCurveElement.VMag = "-0.5";
  f.w->FormActivate();
  EXPECT_EQ((std::array<int, 3>{f.w->UpDown1->Position(), f.w->UpDown2->Position(), f.w->UpDown3->Position()}),
            (std::array<int, 3>{0, 5, 0}));
  EXPECT_EQ(f.w->Edit12->text(), "-0.50");
  EXPECT_EQ(f.w->Edit5->text(), "-0.74");
  f.w->UpDown2->setValue(6);
  EXPECT_EQ(f.w->Edit12->text(), "-0.60");
  f.w->UpDown1->setValue(1);
  EXPECT_EQ(f.w->Edit12->text(), "1.60");
  f.w->UpDown1->setValue(0);
  EXPECT_EQ(f.w->Edit12->text(), "0.60");
}

// A magnitude is shown rounded to hundredths, carried into the tenths and
// the whole part: 9.999 stands as 10.00 on the up-downs, not 9.90 with the
// tenths held at their limit. From the prediction and from the V magnitude.
TEST(TMagnitudeCalculator, PairMagnitudeIsRoundedToHundredthsWithCarry) {
  struct Row {
    double value;
    std::array<int, 3> positions;
    const char* shown;
  } rows[] = {{9.999, {10, 0, 0}, "10.00"},  {9.996, {10, 0, 0}, "10.00"}, {12.997, {13, 0, 0}, "13.00"},
              {0.999, {1, 0, 0}, "1.00"},    {15.999, {16, 0, 0}, "16.00"}, {9.899, {9, 9, 0}, "9.90"},
              {9.994, {9, 9, 9}, "9.99"},    {-1.999, {-2, 0, 0}, "-2.00"}, {-2.897, {-2, 9, 0}, "-2.90"},
              {12.34, {12, 3, 4}, "12.34"},  {-1.46, {-1, 4, 6}, "-1.46"}, {-0.999, {-1, 0, 0}, "-1.00"},
              {-0.45, {0, 4, 5}, "-0.45"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    Fixture f;
    f.host.combined = r.value;
    f.Open();
    EXPECT_EQ((std::array<int, 3>{f.w->UpDown1->Position(), f.w->UpDown2->Position(), f.w->UpDown3->Position()}),
              r.positions);
    EXPECT_EQ(f.w->Edit12->text().toStdString(), r.shown);

    Fixture g;
    g.Open();
    g.events.ReportLightCurveElement.VMag = FormatFixed(r.value, 3, 18);
    g.w->FormActivate();
    EXPECT_EQ((std::array<int, 3>{g.w->UpDown1->Position(), g.w->UpDown2->Position(), g.w->UpDown3->Position()}),
              r.positions);
    EXPECT_EQ(g.w->Edit12->text().toStdString(), r.shown);
  }
}

// A prediction whose combined magnitude has no value, or lies far outside any
// up-down, leaves the window with finite texts and up-downs in their ranges.
TEST(TMagnitudeCalculator, AbsurdCombinedMagnitudeGivesFiniteTexts) {
  struct Row {
    double combined;
    int messages, whole;
  } rows[] = {{-std::numeric_limits<double>::infinity(), 1, 0},
              {std::numeric_limits<double>::quiet_NaN(), 1, 0},
              {-1e30, 0, -3},
              {1e30, 0, 16}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.combined);
    Fixture f;
    f.host.combined = r.combined;
    f.Open();
    EXPECT_EQ(static_cast<int>(f.chart_host.dialogs.messages.size()), r.messages);
    EXPECT_EQ(f.w->UpDown1->Position(), r.whole);
    if (r.messages) {
      EXPECT_EQ(f.w->Edit12->text(), "0.00");
    }
    for (QLineEdit* e : {f.w->Edit5, f.w->Edit6, f.w->Edit12}) {
      EXPECT_FALSE(e->text().contains("INF")) << e->objectName().toStdString();
      EXPECT_FALSE(e->text().contains("NAN")) << e->objectName().toStdString();
    }
  }
  // A V magnitude typed far out of range sets the whole part to its limit.
  for (const auto& [v, whole] : {std::pair{"1e30", 16}, std::pair{"-1e30", -3}}) {
    SCOPED_TRACE(v);
    Fixture f;
    f.Open();
    f.events.ReportLightCurveElement.VMag = v;
    f.w->FormActivate();
    EXPECT_EQ(f.w->UpDown1->Position(), whole);
  }
}

TEST(TMagnitudeCalculator, EveryNamedControlExists) {
  Fixture f;
  f.Open();
  for (const char* name :
       {"UpDown1", "UpDown2", "UpDown3", "UpDown4", "UpDown5", "UpDown6", "Edit1", "Edit2", "Edit3", "Edit4",
        "Edit5", "Edit6", "Edit7", "Edit8", "Edit9", "Edit10", "Edit11", "Edit12", "Edit13", "Edit14", "Edit17",
        "Edit18", "Edit19", "Edit20", "Edit21", "Edit22", "Edit23", "Edit24", "Edit26", "RadioButton1",
        "RadioButton2", "RadioButton3", "RadioButton4", "RadioButton5", "RadioButton6", "CheckBox1", "Button1",
        "Button2", "Button3", "Button4", "Button5", "Button6", "Button7", "Button8", "Button9", "Button11",
        "SpeedButton1", "SpeedButton2", "RadioGroup1", "RadioGroup2", "RadioGroup3", "ScrollBar1", "ScrollBar2",
        "Memo1", "Memo2", "ListBox1", "ComboBox1"})
    EXPECT_NE(f.w->findChild<QWidget*>(name), nullptr) << name;
  EXPECT_EQ(f.w->windowTitle(), "Magnitude Calculator");
  EXPECT_EQ(f.w->ScrollBar1->value(), 380);
  EXPECT_EQ(f.w->ScrollBar2->value(), 30);
}

// A typo in a base-time edit after the stamp was read again (a chart click or
// "Re-read") brings back what the edit showed, the event's frame time, not the
// time of the frame the window opened on.
TEST(TMagnitudeCalculator, BaseTimeTypoRestoresTheTimeReadLast) {
  struct Case {
    QLineEdit* TMagnitudeCalculator::* edit;
    const char* typo;
    const char* shown;
  };
  const Case cases[] = {{&TMagnitudeCalculator::Edit18, "25", "13"},   {&TMagnitudeCalculator::Edit19, "70", "40"},
                        {&TMagnitudeCalculator::Edit20, "abc", "05.2500"}, {&TMagnitudeCalculator::Edit21, "-1", "13"},
                        {&TMagnitudeCalculator::Edit22, "x", "40"},      {&TMagnitudeCalculator::Edit23, "61", "05.2500"}};
  for (const Case& c : cases) {
    Fixture f;
    f.host.time = {"12", "38", "21.4567", "21.4567"};
    f.Open();
    f.w->RadioButton2->click();
    f.host.time = {"13", "40", "5.25", "5.25"};
    f.w->Button2->click();
    QLineEdit* edit = f.w.data()->*c.edit;
    edit->setText(c.typo);
    Leave(edit);
    EXPECT_EQ(edit->text().toStdString(), c.shown) << c.typo;
    if (edit == f.w->Edit21 || edit == f.w->Edit22 || edit == f.w->Edit23) f.w->RadioButton5->click();
    f.w->Button3->click();
    EXPECT_EQ(f.Line(2).toStdString(), "Event Time : 13h40m05.250s  +/- 0.001s  S/N=20.00") << c.typo;
  }
}

// An observation across midnight: the list sorts the events before midnight
// first, equal times keep the order they were added in, and both reports
// carry each entry's time, error and main or minor change as the list holds
// them (the saved XML read back by Python's own parser).
TEST(TMagnitudeCalculator, EventsAcrossMidnightSortAndReachTheReports) {
  Fixture f;
  f.events.ReportLightCurveElement = AsteroidRecord();
  f.Open();
  f.Time("00", "00", "00.1", false);
  f.w->Button4->click();
  f.Time("23", "59", "59.9", true);
  f.w->Button4->click();
  f.w->Button4->click();
  // The entry just added is selected: the change marks it minor.
  f.w->ComboBox1->setCurrentIndex(1);
  emit f.w->ComboBox1->activated(1);
  f.Time("00", "00", "05.55555", false);
  f.w->Button8->click();  // a missed minor reappearance
  EXPECT_EQ(f.List(), (QStringList{"1  00 00 00.100 +/- 0.001s,  S/N= 20.00 R   Main light change",
                                   "2  23 59 59.900 +/- 0.001s,  S/N= 20.00 D   Main light change",
                                   "3  23 59 59.900 +/- 0.001s,  S/N= 20.00 D   minor light change",
                                   "4  00 00 05.5555 +/- s,  S/N=  R   minor light change Miss"}));
  f.w->Button6->click();
  EXPECT_EQ(f.List(), (QStringList{"1  23 59 59.900 +/- 0.001s,  S/N= 20.00  D   Main light change",
                                   "2  23 59 59.900 +/- 0.001s,  S/N= 20.00  D   minor light change",
                                   "3  00 00 00.100 +/- 0.001s,  S/N= 20.00  R   Main light change",
                                   "4  00 00 05.5555 +/- s,  S/N=   R   minor light change"}));
  EXPECT_TRUE(f.chart_host.dialogs.messages.empty()) << f.LastMessage();

  ReportWindowHost report_host;
  TLightCurveReport report(f.events, report_host);
  report.show();
  const QStringList text = report.Memo3->toPlainText().split('\n');
  EXPECT_EQ(text.mid(13, 4), (QStringList{"[Event time]  D: 23h59m59.900s +/- 0.001s (UTC)  S/N=20.00",
                                          "              D: 23h59m59.900s +/- 0.001s (UTC)  S/N=20.00* 2nd star",
                                          "              R: 00h00m00.100s +/- 0.001s (UTC)  S/N=20.00",
                                          ""}));
  TemporaryFolder folder{"tessary-timing-list"};
  const std::string path = folder.File("midnight.xml");
  f.chart_host.dialogs.save_file_names = {QString::fromStdString(path)};
  report.Button4->click();
  // The main pair in block 1, the minor pair (its reappearance missed) in the next.
  EXPECT_EQ(CommandOutput("/usr/bin/python3 -c \"import sys, xml.etree.ElementTree as T\n"
                          "for o in T.parse(sys.argv[1]).getroot().iter('Observer'):\n"
                          "  print(o.find('ID').text.split('|')[0], repr(o.find('D').text), repr(o.find('R').text))\" " +
                          path),
            "1 '23 59 59.900|D|0.001||| ' ' 0  0  0.100|R|0.001||| '\n"
            "2 '23 59 59.900|D|0.001||| ' '        . |R|||| '\n");
}

// Delete takes the selected entry only, first, last or only one; without a
// selection it removes nothing. The list outlives the window.
TEST(TMagnitudeCalculator, DeleteTakesTheSelectedEntryAndTheListOutlivesTheWindow) {
  Fixture f;
  f.Open();
  for (const char* s : {"01.0", "02.0", "03.0"}) {
    f.Time("12", "00", s, true);
    f.w->Button4->click();
  }
  f.w->ListBox1->clearSelection();
  f.w->Button5->click();
  EXPECT_EQ(f.events.AsteroidTiming.EntryCount, 3);
  ClickListRow(f.w->ListBox1, 2);
  f.w->Button5->click();
  ClickListRow(f.w->ListBox1, 0);
  f.w->Button5->click();
  EXPECT_EQ(f.List(), QStringList{"1  12 00 02.000 +/- 0.001s,  S/N= 20.00  D  Main light change"});
  f.w->Button5->click();  // the rebuilt list has no selection
  EXPECT_EQ(f.events.AsteroidTiming.EntryCount, 1);
  f.w->close();
  delete f.w.data();
  f.Open();
  EXPECT_EQ(f.List(), QStringList{"1  12 00 02.000 +/- 0.001s,  S/N= 20.00 D   Main change"});
  ClickListRow(f.w->ListBox1, 0);
  f.w->Button5->click();
  EXPECT_EQ(f.events.AsteroidTiming.EntryCount, 0);
  EXPECT_EQ(f.w->ListBox1->count(), 0);
}

// A full list refuses what it cannot hold with a message that says why, and
// keeps every entry. With 99 entries a double star's pair does not fit: the
// list is not full, and the message must not say so.
TEST(TMagnitudeCalculator, AFullListRefusesWhatItCannotHoldAndKeepsEveryEntry) {
  Fixture f;
  f.Open();
  f.Time("12", "00", "01.0", true);
  for (int i = 0; i < 99; ++i) f.w->Button7->click();
  ASSERT_EQ(f.events.AsteroidTiming.EntryCount, 99);
  f.host.panel.DoubleStar = true;
  f.host.panel.StepHeightPercent = 50;
  f.events.Diffraction.DiffractionFitted = 1;
  f.host.panel.Offset2Text = "-50";
  f.w->Button2->click();
  f.w->Button4->click();
  EXPECT_EQ(f.events.AsteroidTiming.EntryCount, 99);
  EXPECT_EQ(f.LastMessage(), kTimingListNoRoomForPairMessage);
  f.host.panel.DoubleStar = false;
  f.w->Button2->click();
  f.w->Button4->click();
  ASSERT_EQ(f.events.AsteroidTiming.EntryCount, 100);
  const QStringList full = f.List();
  ASSERT_EQ(full.size(), 100);
  EXPECT_EQ(full.back(), "100  12 00 01.000 +/- 0.001s,  S/N= 20.00 D   Main change");
  for (QPushButton* add : {f.w->Button4, f.w->Button7, f.w->Button8}) {
    const size_t messages = f.chart_host.dialogs.messages.size();
    add->click();
    EXPECT_EQ(f.chart_host.dialogs.messages.size(), messages + 1) << add->text().toStdString();
    EXPECT_EQ(f.LastMessage(), kTimingListFullMessage);
    EXPECT_EQ(f.List(), full);
  }
}

// A second corrected in the report's event row to something that is no
// number ("09,5") stops Sort with a message naming it, as an hour or minute
// does; it must not sort as second 0 and move its event.
TEST(TMagnitudeCalculator, SortRefusesASecondThatIsNoNumber) {
  Fixture f;
  f.Open();
  f.Time("10", "30", "05.0", true);
  f.w->Button4->click();
  f.Time("10", "30", "09.0", false);
  f.w->Button4->click();
  {
    ReportWindowHost report_host;
    TLightCurveReport report(f.events, report_host);
    report.show();
    TypeInto(Find<QLineEdit>(&report, "Edit24"), "09,5");
  }
  ASSERT_EQ(Second(f.events.AsteroidTiming.Entries[1]), "09,5");
  f.w->Button6->click();
  EXPECT_EQ(f.LastMessage(), "'09,5' is not a valid floating point value");
  EXPECT_EQ(Second(f.events.AsteroidTiming.Entries[0]), "05.000");
  EXPECT_EQ(Second(f.events.AsteroidTiming.Entries[1]), "09,5");
}
