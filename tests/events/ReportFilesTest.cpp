// Proposed file names of the saved reports and the camera-setting file.
#include "events/ReportFiles.h"

#include <gtest/gtest.h>

#include "events/ObservationReport.h"
#include "tests/events/ReportFixtures.h"

TEST(MakeXmlFileName, Names) {
  struct Row {
    const char* date;
    const char* hour;
    const char* observer;
    const char* name;
  };
  for (Row r : {Row{"2023|7|17", "10.5", "Obs One", "(1234)Name23071710_105-Obs_One.xml"},
                Row{"2023|12|1", "9.25", "A B C", "(1234)Name23120109_925-A_B C.xml"},
                // An hour without a point is taken whole, not the year again.
                Row{"2023|7|17", "10", "Obs", "(1234)Name23071710_10-Obs.xml"},
                Row{"", "", "", "(1234)Name_-.xml"}}) {
    TReportLightCurveElement e = AsteroidRecord();
    e.EventDate = r.date;
    e.EventHour = r.hour;
    EXPECT_EQ(MakeXmlFileName(e, r.observer), r.name) << r.date << " " << r.hour;
  }
}

// The identification window shows an hour below 10 with a blank in front
// (" 9.5"); the file name carries no blank and the two-digit hour.
TEST(MakeXmlFileName, HourShownWithALeadingBlank) {
  struct Row {
    const char* hour;
    const char* name;
  };
  for (Row r : {Row{" 9.5", "(1234)Name23071709_95-Obs_One.xml"}, Row{"  0.1", "(1234)Name23071700_01-Obs_One.xml"},
                Row{" 9", "(1234)Name23071709_9-Obs_One.xml"}}) {
    TReportLightCurveElement e = AsteroidRecord();
    e.EventDate = "2023|7|17";
    e.EventHour = r.hour;
    EXPECT_EQ(MakeXmlFileName(e, "Obs One"), r.name) << r.hour;
  }
}

// A start second that rounds up to 60 carries into the minute and hour.
TEST(MakeLightCurveFileName, SecondsRoundedToSixtyCarry) {
  struct Row {
    const char* h;
    const char* m;
    const char* s;
    const char* time;
  };
  for (Row r : {Row{"9", "4", "59.96", "090500_"}, Row{"9", "59", "59.95", "100000_"}, Row{"9", "4", "59.94", "090459_"},
                Row{"9", "4", "9.96", "090410_"}}) {
    TReportLightCurveElement e = AsteroidRecord();
    e.StartH = r.h;
    e.StartM = r.m;
    e.StartS = r.s;
    EXPECT_EQ(MakeLightCurveFileName(e), std::string("(1234)_20230705_") + r.time + "Obs_One.dat") << r.s;
  }
}

// A start that rounds up to midnight names the next day at 00:00:00, also
// when 'Make Report' has already written it so (next days from Python's
// datetime).
TEST(MakeLightCurveFileName, StartRoundedToMidnightNamesTheNextDay) {
  struct Row {
    const char *recording;
    int days;
    const char *h, *m, *s, *name;
  };
  for (Row r : {Row{"23-7-5", 0, "23", "59", "59.99", "(1234)_20230706_000000_Obs_One.dat"},
                Row{"2023-12-31", 0, "23", "59", "59.95", "(1234)_20240101_000000_Obs_One.dat"},
                Row{"98-12-31", 0, "23", "59", "59.99", "(1234)_19990101_000000_Obs_One.dat"},
                Row{"99-12-31", 0, "23", "59", "59.99", "(1234)_20000101_000000_Obs_One.dat"},
                Row{"2024-2-28", 0, "23", "59", "59.97", "(1234)_20240229_000000_Obs_One.dat"},
                Row{"2023-12-31", 0, "23", "59", "59.94", "(1234)_20231231_235959_Obs_One.dat"},
                Row{"2023-12-31", 1, "0", "0", "0.00", "(1234)_20240101_000000_Obs_One.dat"},
                // Times that count on past midnight, as LED-corrected tables have them.
                Row{"2024-2-28", 0, "24", "0", "1.25", "(1234)_20240229_000001_Obs_One.dat"}}) {
    TReportLightCurveElement e = AsteroidRecord();
    e.RecordingDate = r.recording;
    e.StartDays = r.days;
    e.StartH = r.h, e.StartM = r.m, e.StartS = r.s;
    EXPECT_EQ(MakeLightCurveFileName(e), r.name) << r.recording << " " << r.s;
  }
}

TEST(MakeLightCurveFileName, Names) {
  TReportLightCurveElement e = AsteroidRecord();
  e.StartH = "9";
  e.StartM = "4";
  e.StartS = "7.96";
  EXPECT_EQ(MakeLightCurveFileName(e), "(1234)_20230705_090408_Obs_One.dat");
  e.StartS = "12.04";
  e.RecordingDate = "2024-11-23";
  EXPECT_EQ(MakeLightCurveFileName(e), "(1234)_20241123_090412_Obs_One.dat");
  e.ObjectLabel = "Name only";
  EXPECT_EQ(MakeLightCurveFileName(e), "()_20241123_090412_Obs_One.dat");
  e.Kind = ReportKind::Lunar;
  e.Catalogue = "SAO";
  e.StarNumber = "98765";
  e.StartS = "7.96";
  e.RecordingDate = "23-7-5";
  EXPECT_EQ(MakeLightCurveFileName(e), "S98765_20230705_090408_.dat");
  e.Catalogue = "XZ80Q";
  e.RecordingDate = "";
  EXPECT_EQ(MakeLightCurveFileName(e), "X98765_000000_090408_.dat");
}

TEST(ParseCameraSettings, KeysExposureAndRepeats) {
  const CameraSettings s = ParseCameraSettings({"[ZWO ASI290MM]", "Capture Area=1936x1096", "Binning=2",
                                                "High Speed Mode=On", "Gain=100", "Gain=250", "gain=9",
                                                "Exposure=33.3330ms", "Brightness=1=2", "Other=1"});
  EXPECT_EQ(s.CaptureArea, "1936x1096");
  EXPECT_EQ(s.Binning, "2");
  EXPECT_EQ(s.HighSpeedMode, "On");
  EXPECT_EQ(s.Gain, "250");
  EXPECT_EQ(s.Exposure, "33.333");
  EXPECT_EQ(s.Brightness, "1=2");
  struct Row {
    const char* line;
    const char* exposure;
  };
  for (Row r : {Row{"Exposure=12.5000ms", "12.5"}, Row{"Exposure=10.000ms", "10.0"}, Row{"Exposure=40", ""},
                Row{"Exposure=100ms", "100"}}) {
    EXPECT_EQ(ParseCameraSettings({r.line}).Exposure, r.exposure) << r.line;
  }
}

TEST(WithLimbSlope, ReplacesTheFourthLunarValue) {
  EXPECT_EQ(WithLimbSlope("Object: Moon: 0: 1: 2: 3: 4: 5: 6: 7: 8: 9: 10", "-1.25"),
            std::optional<std::string>("Object: Moon: 0: 1: 2: -1.25: 4: 5: 6: 7: 8: 9: 10"));
  EXPECT_EQ(WithLimbSlope("Object: Asteroid: 1234: Name", "1.00"), std::nullopt);
}
