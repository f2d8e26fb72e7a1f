// Magnitudes, noise and the corrected event time on given levels; expected
// texts worked out by hand (logarithms and the timing-error polynomial by a
// separate Python computation).
#include <gtest/gtest.h>

#include "events/MagnitudeCalculation.h"
#include "events/TimingError.h"

namespace {

TReportLightCurveElement LunarStar() {
  TReportLightCurveElement e;
  e.Kind = ReportKind::Lunar;
  e.RecordingDate = "2023-7-17";
  e.Catalogue = "XZ80Q";
  e.StarNumber = "1234";
  e.VMag = "6.5";
  e.RMag = "6.1";
  return e;
}

// Pre 100 (SD 4, n 16), post 20 (SD 2, n 16), no step window; base time
// 12:34:56.7891 in both fields.
MagnitudeInputs SingleStar(const TReportLightCurveElement& e) {
  MagnitudeInputs in;
  in.Levels.Mean = {100, 0, 20};
  in.Levels.StdError = {1.0, 0, 0.5};
  in.Levels.Count = {16, 0, 16};
  in.Intensities = CaptureIntensities(in.Levels, false, 50);
  in.Camera = EventCamera::Wat100N;
  in.BaseTimes = {BaseTime{12, 34, 56.7891}, BaseTime{12, 34, 56.7891}};
  in.Element = &e;
  return in;
}

// The single star of SingleStar timed from `base` in both fields.
MagnitudeResult AtBaseTime(const TReportLightCurveElement& e, BaseTime base, EventCamera camera, int digits,
                           EventResultTexts& keep) {
  MagnitudeInputs in = SingleStar(e);
  in.BaseTimes = {base, base};
  in.Camera = camera;
  in.SecondsDigits = digits;
  return MagnitudeCalculation(in, keep);
}

}  // namespace

TEST(MagnitudeCalculation, SingleStarGoldenMemo) {
  const TReportLightCurveElement e = LunarStar();
  EventResultTexts keep;
  const MagnitudeResult r = MagnitudeCalculation(SingleStar(e), keep);
  EXPECT_EQ(r.Edit5, "-0.24");
  EXPECT_EQ(r.Edit6, "1.51");
  EXPECT_EQ(r.Edit7, "0.02");
  EXPECT_EQ(r.Edit8, "0.03");
  const std::vector<std::string> memo = {
      "2023-7-17 / XZ80Q 1234 V=6.5  R=6.1 mag",           "",
      "Event Time : 12h34m56.789s  +/- 0.001s  S/N=20.00", "",
      "-Statistical analysis of Light Intensity-",         "Light intensity    Average   Stdv      n",
      "  Combined  :       100.0      4.0     16 ",        "  Background:        20.0      2.0     16",
      "Noise Level (N/S)  Upper    Lower   (S/N)",         "  First event:     0.0400   0.0000    ",
      "  Total event:     0.0500   0.0250   20.00",
  };
  EXPECT_EQ(r.Memo1, memo);
  EXPECT_EQ(r.Memo2, (std::vector<std::string>{"20230717123456.789X  1234 DD     EG G0.001 9.9      T      AA"}));
  EXPECT_EQ(keep.EventSnText, "20.00");
  EXPECT_EQ(keep.FirstEventSnText, "20.00");
  EXPECT_EQ(keep.EventIsDisappearance, 1);
}

TEST(MagnitudeCalculation, CameraDelayRowsAndFields) {
  struct Row {
    EventCamera camera;
    int field, position;
    const char* integration;
    const char* seconds;
    const char* error;
  };
  // 56.789 s less the delay; the error 0.0011254 s times the integrated frames.
  for (Row r : {Row{EventCamera::Wat100N, 0, 5, "16", "56.789", "0.001"},
                Row{EventCamera::Wat120N, 0, 0, "0", "56.756", "0.001"},
                Row{EventCamera::Wat120N, 0, 9, "256", "48.255", "0.288"},
                Row{EventCamera::Wat120N, 1, 3, "4", "56.647", "0.005"},
                Row{EventCamera::Wat120N, 1, 9, "256", "48.239", "0.288"},
                Row{EventCamera::Wat910HX, 0, 0, "0", "56.772", "0.001"},
                Row{EventCamera::Wat910HX, 0, 8, "128", "52.535", "0.144"},
                Row{EventCamera::Wat910HX, 1, 2, "2", "56.722", "0.002"},
                Row{EventCamera::Wat910HX, 1, 8, "128", "52.518", "0.144"}}) {
    const TReportLightCurveElement e = LunarStar();
    MagnitudeInputs in = SingleStar(e);
    in.Camera = r.camera;
    in.FieldSelection = r.field;
    in.IntegrationPosition = r.position;
    in.IntegrationText = r.integration;
    EventResultTexts keep;
    const MagnitudeResult m = MagnitudeCalculation(in, keep);
    EXPECT_EQ(keep.EventSecondText, r.seconds) << r.seconds;
    EXPECT_EQ(keep.TimingErrorText, r.error) << r.seconds;
    EXPECT_EQ(m.Memo1[2], std::string("Event Time : 12h34m") + r.seconds + "s  +/- " + r.error + "s  S/N=20.00");
  }
}

TEST(MagnitudeCalculation, StepCorrectionAndDigits) {
  const TReportLightCurveElement e = LunarStar();
  MagnitudeInputs in = SingleStar(e);
  in.Levels.Mean[1] = 60;  // half way: q' = 0.5
  in.Levels.Count[1] = 10;
  in.Levels.StdError[1] = 0.5;
  in.StepWindowSet = true;
  in.StepCorrection = true;
  in.Camera = EventCamera::Wat120N;
  in.IntegrationPosition = 4;
  in.IntegrationText = "8";
  EventResultTexts keep;
  MagnitudeResult m = MagnitudeCalculation(in, keep);
  // + 0.5 x 8 x 1000 / 29.97 = 133.467 ms, - 259 ms.
  EXPECT_EQ(keep.EventSecondText, "56.663");
  EXPECT_EQ(m.Memo1[3], "");  // the second event line, empty for one event
  EXPECT_EQ(m.Memo1[4], "Assuming magnitude of Pair is  0.00 Mag.");
  in.SecondsDigits = 1;
  in.BaseTimes[0] = BaseTime{3, 4, 5.0};
  in.Camera = EventCamera::Wat100N;  // + 0.5 x 1000 / 29.97 = 16.683 ms
  m = MagnitudeCalculation(in, keep);
  EXPECT_EQ(keep.EventHourText + keep.EventMinuteText + keep.EventSecondText, "030405.0");
}

TEST(MagnitudeCalculation, MessagesReplaceTheMemo) {
  const TReportLightCurveElement e = LunarStar();
  MagnitudeInputs in = SingleStar(e);
  in.Levels.Mean = {50, 0, 50};
  in.Intensities = CaptureIntensities(in.Levels, false, 50);
  EventResultTexts keep;
  keep.EventSecondText = "older";
  MagnitudeResult m = MagnitudeCalculation(in, keep);
  EXPECT_EQ(m.Memo1,
            (std::vector<std::string>{"Value contains two object is zero or minus. Calculation is not possible."}));
  EXPECT_EQ(keep.EventSecondText, "older");
  EXPECT_TRUE(m.Memo2.empty());

  in = SingleStar(e);
  in.StepCorrection = true;
  in.Levels.Mean[1] = 10;  // step below the background
  m = MagnitudeCalculation(in, keep);
  EXPECT_EQ(m.Memo1.size(), 1u);
  EXPECT_EQ(m.Memo1[0].rfind("The result of calculation indicates that background is brighter than step.", 0), 0u);
}

// The step level lies between the star's and the background's: its place
// gives the event's share of the exposure, q' x 1000 / 29.97 ms after the
// stamp. A step above the star's level has no such place.
TEST(MagnitudeCalculation, StepCorrectionNeedsTheStepBetweenTheLevels) {
  struct Row {
    const char* name;
    double pre, step, post;
    const char* seconds;  // empty: no event time
  };
  for (const Row& r : {Row{"D, step half way", 100, 60, 20, "56.806"},  // + 16.683 ms
                       Row{"D, step at the star", 100, 100, 20, "56.822"},  // + 33.367 ms
                       Row{"D, step above the star", 100, 150, 20, ""},
                       Row{"R, step at the star", 20, 100, 100, "56.789"},
                       Row{"R, step above the star", 20, 101, 100, ""}}) {
    SCOPED_TRACE(r.name);
    const TReportLightCurveElement e = LunarStar();
    MagnitudeInputs in = SingleStar(e);
    in.Levels.Mean = {r.pre, r.step, r.post};
    in.Levels.StdError = {1.0, 1.0, 1.0};
    in.Levels.Count = {16, 16, 16};
    in.Intensities = CaptureIntensities(in.Levels, false, 50);
    in.StepWindowSet = true;
    in.StepCorrection = true;
    EventResultTexts keep;
    keep.EventSecondText = "older";
    const MagnitudeResult m = MagnitudeCalculation(in, keep);
    EXPECT_EQ(m.EventTimed, *r.seconds != 0);
    if (*r.seconds) {
      EXPECT_EQ(keep.EventSecondText, r.seconds);
      continue;
    }
    EXPECT_EQ(keep.EventSecondText, "older");
    EXPECT_TRUE(m.Memo2.empty());
    ASSERT_EQ(m.Memo1.size(), 1u);
    EXPECT_EQ(m.Memo1[0].rfind("The result of calculation indicates that step is brighter than star.", 0), 0u);
  }
}

TEST(MagnitudeCalculation, DoubleStarFitAndStepHeights) {
  TReportLightCurveElement e = LunarStar();
  e.Kind = ReportKind::Asteroid;
  MagnitudeInputs in = SingleStar(e);
  in.DoubleStar = true;
  in.StepHeightPercent = 25;
  in.Intensities = CaptureIntensities(in.Levels, true, 25);  // first 60, second 20
  in.DiffractionFitted = true;
  in.Offset1Text = "100";
  in.Offset2Text = "-50";
  EventResultTexts keep;
  MagnitudeResult m = MagnitudeCalculation(in, keep);
  // NSstep = 0.025 + 0.025 x 0.25 = 0.03125; D: NS1 = /0.75, NS2 = /0.25.
  EXPECT_EQ(keep.FirstEventSnText, "24.0");
  EXPECT_EQ(keep.SecondEventSnText, "8.0");
  EXPECT_EQ(m.Memo1[2], "Event Time : 12h34m56.739s  +/- " + keep.FirstTimingErrorText + "s  S/N=24.0");
  EXPECT_EQ(m.Memo1[3], "Event Time : 12h34m56.889s  +/- " + keep.SecondTimingErrorText + "s  S/N=8.0");
  EXPECT_EQ(keep.SecondEventSecondText, "56.739");
  EXPECT_EQ(m.Memo1[4], "");     // no drop lines for a double star
  EXPECT_EQ(m.Edit5, "0.31");    // log_B(80 / 60)
  EXPECT_TRUE(m.Memo2.empty());  // asteroidal: no report line
  for (double h : {0.0, 100.0}) {
    in.StepHeightPercent = h;
    m = MagnitudeCalculation(in, keep);
    EXPECT_TRUE(keep.FirstEventSnText == "---" || keep.SecondEventSnText == "---") << h;
    EXPECT_TRUE(keep.FirstTimingErrorText == "---" || keep.SecondTimingErrorText == "---") << h;
  }
  // The double-star box turned off after the fit: one event, at the first
  // component's time, with the error and S/N of the whole drop (N/S 0.05:
  // 0.0337 frames, 0.001 s), not "---" and the earlier calculation's S/N.
  in.DoubleStar = false;
  in.Intensities = CaptureIntensities(in.Levels, false, 25);
  m = MagnitudeCalculation(in, keep);
  EXPECT_EQ(m.Memo1[2], "Event Time : 12h34m56.889s  +/- 0.001s  S/N=20.00");
  EXPECT_EQ(m.Memo1[3].rfind("Mag Drop (predicted):", 0), 0u);  // no second event line
  EXPECT_EQ(keep.SecondEventHourText + keep.SecondEventMinuteText + keep.SecondEventSecondText, "");
  EXPECT_FALSE(keep.SecondComponentFirst);
  in.DoubleStar = true;
  in.Intensities = CaptureIntensities(in.Levels, true, 25);

  // A refit that finds one event only: the earlier fit's second time must not
  // stay behind for "Add to report" to store.
  in.StepHeightPercent = 25;
  in.Offset2Text.clear();
  m = MagnitudeCalculation(in, keep);
  EXPECT_EQ(m.Memo1[3], "");
  EXPECT_EQ(keep.SecondEventHourText + keep.SecondEventMinuteText + keep.SecondEventSecondText, "");
}

// A lunar double star: each report line carries the error of its own
// component, as its S/N and memo line do. Pre 100 (SD 6), step 40, post 10
// (SD 5), 30 %: N/S 0.0667 for the whole drop, 0.0841 and 0.1963 for the
// components; the polynomial gives 0.0502, 0.0687 and 0.2009 frames.
TEST(MagnitudeCalculation, LunarDoubleStarReportLinesCarryEachComponentsError) {
  const TReportLightCurveElement e = LunarStar();
  MagnitudeInputs in = SingleStar(e);
  in.Levels.Mean = {100, 40, 10};
  in.Levels.StdError = {1.5, 1.0, 1.0};
  in.Levels.Count = {16, 9, 25};
  in.DoubleStar = true;
  in.StepWindowSet = true;
  in.StepHeightPercent = 30;
  in.Intensities = CaptureIntensities(in.Levels, true, 30);
  in.DiffractionFitted = true;
  in.Offset1Text = "0";
  in.Offset2Text = "200";
  EventResultTexts keep;
  const MagnitudeResult m = MagnitudeCalculation(in, keep);
  EXPECT_EQ(keep.TimingErrorText, "0.002");
  EXPECT_EQ(m.Memo1[2], "Event Time : 12h34m56.789s  +/- 0.002s  S/N=11.9");
  EXPECT_EQ(m.Memo1[3], "Event Time : 12h34m56.989s  +/- 0.007s  S/N=5.1");
  EXPECT_EQ(m.Memo2, (std::vector<std::string>{"20230717123456.789X  1234 DD     EG G0.002 9.9      T      AA",
                                                "20230717123456.989X  1234 DD     EG G0.007 5.1      T      AA"}));
}

// A fitted offset counts from the middle of the selected record's exposure.
// A frame's shown time is that middle; a field's stamp is the end of the
// field, half a field (1000 / 29.97 / 4 = 8.342 ms) after its middle.
TEST(MagnitudeCalculation, FittedOffsetOfAFieldCountsFromTheFieldsMiddle) {
  struct Row {
    bool fields, fitted;
    const char* offset2;
    const char* first;   // seconds of the first component's event
    const char* second;  // of the second component's, empty for one event
  };
  const Row rows[] = {
      {false, true, "", "56.889", ""},          // 56.789 + 100 ms
      {true, true, "", "56.881", ""},           // - 8.342 ms
      {true, false, "", "56.789", ""},          // a clicked record without a fit keeps its stamp
      {true, true, "-50", "56.881", "56.731"},  // both components move
  };
  for (const Row& r : rows) {
    const TReportLightCurveElement e = LunarStar();
    MagnitudeInputs in = SingleStar(e);
    in.FieldRecords = r.fields;
    in.DiffractionFitted = r.fitted;
    in.Offset1Text = "100";
    in.Offset2Text = r.offset2;
    in.DoubleStar = *r.offset2 != 0;
    EventResultTexts keep;
    const MagnitudeResult m = MagnitudeCalculation(in, keep);
    SCOPED_TRACE(std::string(r.first) + (r.fields ? " fields" : " frames"));
    ASSERT_GE(m.Memo1.size(), 3u);
    EXPECT_EQ(keep.EventSecondText, r.first);
    if (*r.second) {
      EXPECT_EQ(keep.SecondEventSecondText, r.second);
      // The earlier event is listed first.
      EXPECT_EQ(m.Memo1[2].substr(0, 25), std::string("Event Time : 12h34m") + r.second);
    } else {
      EXPECT_EQ(m.Memo1[2].substr(0, 25), std::string("Event Time : 12h34m") + r.first);
    }
  }
}

// The polynomial's error locates the step within one exposure: an averaged
// block of an integrated video whatever camera is chosen, or the camera's own
// integration, and is never finer than the records' spacing. A Monte Carlo of
// a step in averaged blocks with known noise gives the polynomial times the
// block (also when each block is measured on all of its frames), and at least
// the spacing when every 2nd frame is measured. N/S 0.2: 0.2060 frames.
TEST(MagnitudeCalculation, TimingErrorCountsInTheRecordsExposure) {
  struct Row {
    EventCamera camera;
    const char* integration;  // the calculator's integrated frames
    int step, block;
    bool fields;
    double seconds;  // 0.2060 x frames / 29.97
  };
  const Row rows[] = {
      {EventCamera::Wat120N, "8", 8, 8, false, 0.054992},  // averaged blocks of 8
      {EventCamera::Wat100N, "8", 8, 8, false, 0.054992},  // the same blocks, another camera chosen
      {EventCamera::Wat120N, "8", 1, 8, false, 0.054992},  // blocks of 8 measured on every frame
      {EventCamera::Wat120N, "8", 1, 0, false, 0.054992},  // the camera's integration, no blocks
      {EventCamera::Wat120N, "8", 2, 0, false, 0.054992},  // the same measured every 2nd frame
      {EventCamera::Wat120N, "8", 16, 0, false, 0.109983},  // records further apart than the exposure
      {EventCamera::Wat120N, "8", 1, 0, true, 0.054992},   // fields of one integrated exposure
      {EventCamera::Wat100N, "0", 2, 0, false, 0.013748},  // every 2nd frame
      {EventCamera::Wat100N, "0", 1, 0, false, 0.006874},
      {EventCamera::Wat100N, "0", 1, 0, true, 0.003437},   // a field
  };
  const TReportLightCurveElement e = LunarStar();
  for (const Row& r : rows) {
    MagnitudeInputs in = SingleStar(e);
    in.Levels.StdError = {4.0, 0, 0.5};  // SD 16 over a drop of 80
    in.Camera = r.camera;
    in.IntegrationText = r.integration;
    in.RecordStep = r.step;
    in.BlockFrames = r.block;
    in.FieldRecords = r.fields;
    EventResultTexts keep;
    MagnitudeCalculation(in, keep);
    SCOPED_TRACE(::testing::Message() << "step " << r.step << " block " << r.block << " fields " << r.fields
                                      << " camera " << static_cast<int>(r.camera));
    EXPECT_NEAR(std::stod(keep.TimingErrorText), r.seconds, 0.0005) << keep.TimingErrorText;
  }
}

// The event time is a time of day: a delay that takes it before midnight
// gives the previous day's time, a time past midnight the next day's, and
// seconds that round up to 60 with fewer decimals carry into the minute.
TEST(MagnitudeCalculation, EventTimeAcrossMinuteAndMidnight) {
  struct Row {
    BaseTime base;
    EventCamera camera;
    int digits;
    const char* time;    // hour, minute and second texts joined
    const char* report;  // columns 9-18 of the report line
  };
  for (const Row& r : {Row{BaseTime{0, 0, 0.010}, EventCamera::Wat120N, 3, "235959.977", "235959.977"},
                       Row{BaseTime{0, 0, 0.033}, EventCamera::Wat120N, 3, "000000.000", "000000.000"},
                       Row{BaseTime{0, 0, 5.0}, EventCamera::Wat120N, 3, "000004.967", "000004.967"},
                       Row{BaseTime{12, 34, 59.97}, EventCamera::Wat100N, 1, "123500.0", "123500.0"},
                       Row{BaseTime{12, 59, 59.96}, EventCamera::Wat100N, 1, "130000.0", "130000.0"},
                       Row{BaseTime{12, 34, 59.94}, EventCamera::Wat100N, 1, "123459.9", "123459.9"},
                       Row{BaseTime{12, 34, 59.9996}, EventCamera::Wat100N, 3, "123500.000", "123500.000"},
                       Row{BaseTime{12, 34, 9.96}, EventCamera::Wat100N, 1, "123410.0", "123410.0"},
                       Row{BaseTime{12, 34, 9.996}, EventCamera::Wat100N, 2, "123410.00", "123410.00"},
                       Row{BaseTime{12, 34, 9.94}, EventCamera::Wat100N, 1, "123409.9", "123409.9"},
                       // Past midnight, also by rounding, is the next day's time.
                       Row{BaseTime{23, 59, 59.97}, EventCamera::Wat100N, 1, "000000.0", "000000.0"},
                       Row{BaseTime{24, 0, 0.02}, EventCamera::Wat100N, 3, "000000.020", "000000.020"},
                       // A stamp's half millisecond rounds away from zero, though
                       // its binary value lies just below the half.
                       Row{BaseTime{12, 34, 56.7895}, EventCamera::Wat100N, 3, "123456.790", "123456.790"},
                       Row{BaseTime{12, 34, 21.4565}, EventCamera::Wat100N, 3, "123421.457", "123421.457"},
                       Row{BaseTime{12, 34, 1.0005}, EventCamera::Wat100N, 3, "123401.001", "123401.001"},
                       Row{BaseTime{12, 34, 33.3335}, EventCamera::Wat100N, 3, "123433.334", "123433.334"},
                       Row{BaseTime{12, 34, 33.3334}, EventCamera::Wat100N, 3, "123433.333", "123433.333"},
                       Row{BaseTime{23, 59, 59.9995}, EventCamera::Wat100N, 3, "000000.000", "000000.000"}}) {
    const TReportLightCurveElement e = LunarStar();
    EventResultTexts keep;
    const MagnitudeResult m = AtBaseTime(e, r.base, r.camera, r.digits, keep);
    EXPECT_EQ(keep.EventHourText + keep.EventMinuteText + keep.EventSecondText, r.time) << r.time;
    ASSERT_EQ(m.Memo2.size(), 1u) << r.time;
    EXPECT_EQ(m.Memo2[0].substr(8, std::string(r.report).size()), r.report) << r.time;
  }
}

// A base time or fitted offset far out of range (a damaged stamp or table)
// still gives a time of day, without overflowing the sum of milliseconds.
TEST(MagnitudeCalculation, BaseTimeOrOffsetFarOutOfRangeGivesATimeOfDay) {
  struct Row {
    double second;
    const char *offset1, *offset2;
  };
  for (const Row& r : {Row{1e300, "0", ""}, Row{-1e300, "0", ""}, Row{56.7891, "9223372036854775807", ""},
                       Row{56.7891, "-9223372036854775808", "9223372036854775807"}}) {
    SCOPED_TRACE(std::to_string(r.second) + " " + r.offset1);
    const TReportLightCurveElement e = LunarStar();
    MagnitudeInputs in = SingleStar(e);
    in.Camera = EventCamera::Wat120N;
    in.BaseTimes = {BaseTime{12, 34, r.second}, BaseTime{12, 34, r.second}};
    in.DiffractionFitted = true;
    in.Offset1Text = r.offset1;
    in.Offset2Text = r.offset2;
    EventResultTexts keep;
    const MagnitudeResult m = MagnitudeCalculation(in, keep);
    ASSERT_TRUE(m.EventTimed);
    for (const std::string& t : {keep.EventHourText, keep.EventMinuteText}) {
      ASSERT_EQ(t.size(), 2u) << t;
      EXPECT_LT(std::stoi(t), 60) << t;
    }
    ASSERT_EQ(keep.EventSecondText.size(), 6u) << keep.EventSecondText;
    EXPECT_LT(std::stod(keep.EventSecondText), 60) << keep.EventSecondText;
  }
}

// The report line's date is the event's own: a day back when a delay takes
// the event before midnight, a day on when it passes midnight (also by
// rounding); month, year and leap-day ends from Python's datetime.
TEST(MagnitudeCalculation, ReportLineDateFollowsTheEventAcrossMidnight) {
  struct Row {
    const char* recording;
    BaseTime base;
    EventCamera camera;
    int digits;
    const char* start;  // columns 1-18 of the report line
  };
  for (const Row& r : {Row{"2023-7-17", BaseTime{0, 0, 0.010}, EventCamera::Wat120N, 3, "20230716235959.977"},
                       Row{"2024-3-01", BaseTime{0, 0, 0.010}, EventCamera::Wat120N, 3, "20240229235959.977"},
                       Row{"2023-1-01", BaseTime{0, 0, 0.010}, EventCamera::Wat120N, 3, "20221231235959.977"},
                       Row{"2023-7-17", BaseTime{0, 0, 0.033}, EventCamera::Wat120N, 3, "20230717000000.000"},
                       Row{"2023-7-17", BaseTime{23, 59, 59.97}, EventCamera::Wat100N, 1, "20230718000000.0"},
                       // A one-digit day leaves column 8 blank, as it always has.
                       Row{"2023-12-31", BaseTime{23, 59, 59.97}, EventCamera::Wat100N, 1, "2024011 000000.0"},
                       Row{"2023-7-17", BaseTime{24, 0, 0.02}, EventCamera::Wat100N, 3, "20230718000000.020"},
                       Row{"2023-7-17", BaseTime{23, 59, 59.94}, EventCamera::Wat100N, 1, "20230717235959.9"},
                       Row{"2023-7-17", BaseTime{23, 59, 59.9995}, EventCamera::Wat100N, 3, "20230718000000.000"}}) {
    TReportLightCurveElement e = LunarStar();
    e.RecordingDate = r.recording;
    EventResultTexts keep;
    const MagnitudeResult m = AtBaseTime(e, r.base, r.camera, r.digits, keep);
    ASSERT_EQ(m.Memo2.size(), 1u) << r.start;
    EXPECT_EQ(m.Memo2[0].substr(0, std::string(r.start).size()), r.start);
    EXPECT_EQ(m.Memo1[0].substr(0, std::string(r.recording).size() + 3), std::string(r.recording) + " / ")
        << "the memo keeps the recording date";
  }
}

TEST(MagnitudeCalculation, AsteroidDropLines) {
  TReportLightCurveElement e = LunarStar();
  e.Kind = ReportKind::Asteroid;
  e.ObjectNumber = "1234";
  e.ObjectName = "Name";
  MagnitudeInputs in = SingleStar(e);
  in.PredictedDropText = "1.5";
  in.DropConsidered = true;
  EventResultTexts keep;
  const MagnitudeResult m = MagnitudeCalculation(in, keep);
  EXPECT_EQ(m.Memo1[0], "2023-7-17 / (1234)Name / XZ80Q 1234 V=6.5  R=6.1 mag");
  EXPECT_EQ(m.Memo1[3], "Mag Drop (predicted):  1.5   Mag. [for fitting]");
  EXPECT_EQ(m.Memo1[4], "Mag Drop (measured ):  1.75  Mag.");  // -log_B(0.2)
}

// The predicted contact angle is the record's contact-angle slot among the
// eleven lunar values (the lunar listing's text, "0.0" for an asteroid), not
// the cusp angle next to the limb slope.
TEST(MagnitudeCalculation, PredictedContactAngleFromTheRecordsSlot) {
  TReportLightCurveElement e = LunarStar();
  e.LunarValues = {"PA", "AA", "CA", "slope", "-120", "RM", "Ill", "Alt", "L", "B", "r"};
  MagnitudeInputs in = SingleStar(e);
  in.ContactAngleText = "60.0";
  EventResultTexts keep;
  MagnitudeCalculation(in, keep);
  EXPECT_EQ(keep.PredictedContactAngleText, "-120");
  EXPECT_EQ(keep.MeasuredContactAngleText, "60.0");
}

TEST(TimingErrorFrames, SplitAtOneHalf) {
  EXPECT_DOUBLE_EQ(static_cast<double>(TimingErrorFrames(0)), 0.000861085973516832);
  EXPECT_NEAR(static_cast<double>(TimingErrorFrames(0.05L)), 0.0337267, 1e-6);
  EXPECT_NEAR(static_cast<double>(TimingErrorFrames(2)), 13.52925911, 1e-6);
}

// The timing-error polynomial peaks at a noise ratio of 1.885 (13.9
// frames), falls beyond it (2.22 frames at 2.4, 0.074 s) and turns negative
// above about 2.44 (at 3.0 it reads -76.07 frames): no error is shown or
// reported beyond the peak, where more noise would read as a smaller error.
TEST(MagnitudeCalculation, NoTimingErrorWhereThePolynomialTurnsNegative) {
  struct Row {
    double pre_std_error;  // n 16: SD 4x this, noise ratio SD / 80
    const char* error;
  };
  // Noise ratio 1.8: 13.751562 frames / 29.97 = 0.4588 s.
  for (Row r : {Row{36, "0.459"}, Row{40, "---"}, Row{48, "---"}, Row{60, "---"}}) {
    const TReportLightCurveElement e = LunarStar();
    MagnitudeInputs in = SingleStar(e);
    in.Levels.StdError = {r.pre_std_error, 0, 0.5};
    in.Intensities = CaptureIntensities(in.Levels, false, 50);
    EventResultTexts keep;
    const MagnitudeResult m = MagnitudeCalculation(in, keep);
    EXPECT_EQ(keep.TimingErrorText, r.error) << r.pre_std_error;
    ASSERT_GE(m.Memo1.size(), 3u);
    EXPECT_NE(m.Memo1[2].find(std::string("+/- ") + r.error + "s"), std::string::npos) << m.Memo1[2];
    ASSERT_EQ(m.Memo2.size(), 1u);
    EXPECT_EQ(m.Memo2[0].substr(37, std::string(r.error).size()), r.error) << m.Memo2[0];
  }
}

// A level window that holds no record reads as a level of 0, and one record
// as a level without scatter: the event would be timed at the selected
// record with an error of about 0. No time is given, older texts stay.
TEST(MagnitudeCalculation, ALevelWindowOfFewerThanTwoRecordsGivesNoEventTime) {
  struct Row {
    const char* name;
    std::array<double, 3> mean, std_error;
    std::array<int32_t, 3> count;
    bool timed;
  };
  for (const Row& r : {Row{"pre empty", {0, 0, 20}, {0, 0, 0.5}, {0, 0, 16}, false},
                       Row{"post empty", {100, 0, 0}, {1, 0, 0}, {16, 0, 0}, false},
                       Row{"pre one record", {100, 0, 20}, {0, 0, 0.5}, {1, 0, 16}, false},
                       Row{"both one record", {100, 0, 20}, {0, 0, 0}, {1, 0, 1}, false},
                       Row{"two records each", {100, 0, 20}, {1, 0, 0.5}, {2, 0, 2}, true}}) {
    SCOPED_TRACE(r.name);
    const TReportLightCurveElement e = LunarStar();
    MagnitudeInputs in = SingleStar(e);
    in.Camera = EventCamera::Wat120N;
    in.Levels.Mean = r.mean;
    in.Levels.StdError = r.std_error;
    in.Levels.Count = r.count;
    in.Intensities = CaptureIntensities(in.Levels, false, 50);
    EventResultTexts keep;
    keep.EventSecondText = "older";
    keep.TimingErrorText = "older";
    const MagnitudeResult m = MagnitudeCalculation(in, keep);
    EXPECT_EQ(m.EventTimed, r.timed);
    EXPECT_EQ(keep.EventSecondText == "older", !r.timed);
    EXPECT_EQ(keep.TimingErrorText == "older", !r.timed);
    EXPECT_EQ(m.Memo2.empty(), !r.timed);
    ASSERT_FALSE(m.Memo1.empty());
    if (!r.timed) {
      EXPECT_EQ(m.Memo1.size(), 1u);
      EXPECT_NE(m.Memo1[0].find("fewer than two records: no event time"), std::string::npos) << m.Memo1[0];
    }
  }
}
