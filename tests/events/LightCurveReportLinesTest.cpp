// The five report lines and their display form.
#include "events/LightCurveReportLines.h"

#include <gtest/gtest.h>

namespace {

TReportLightCurveElement Element() {
  TReportLightCurveElement e;
  e.Kind = ReportKind::Lunar;
  e.RecordingDate = "2026-12-06";
  e.StartH = "10";
  e.StartM = "20";
  e.StartS = "30.5";
  e.EndH = "10";
  e.EndM = "21";
  e.EndS = "0";
  e.LongitudeD = "139";
  e.LongitudeM = "45";
  e.LongitudeS = "10.5";
  e.LatitudeD = "35";
  e.LatitudeM = "40";
  e.LatitudeS = "2";
  e.Altitude = "40";
  e.Observer = "Observer Name";
  e.Catalogue = "TYC";
  e.StarNumber = "1234-567-1";
  for (size_t i = 0; i < 11; ++i) e.LunarValues[i] = std::to_string(i);
  e.ValueCount = 3;
  e.Values = {10.5, 11.5, -2.5};
  return e;
}

}  // namespace

TEST(MakeReportLines, AllFiveLines) {
  TReportLightCurveElement e = Element();
  const TReportLightCurveData d = MakeReportLines(e);
  EXPECT_EQ(e.Duration, "29.50");
  EXPECT_EQ(e.StartS, "30.50");
  EXPECT_EQ(e.EndS, "0.00");
  EXPECT_EQ(d.Lines[0], "Date: 2026-12-06 10:20:30.50: 29.50: 3");
  EXPECT_EQ(d.Lines[1], "Star: 0: 0: 0: 0: 1234-567-1: 0-0");
  EXPECT_EQ(d.Lines[2], "Observer: 139:45:10.5: 35:40:2: 40: Observer Name");
  EXPECT_EQ(d.Lines[3], "Object: Moon: 0: 1: 2: 3: 4: 5: 6: 7: 8: 9: 10");
  EXPECT_EQ(d.Lines[4], "Values:10:12:-2");  // ties to even
}

TEST(MakeReportLines, CataloguesAndAsteroids) {
  struct Row {
    const char* cat;
    const char* line;
  };
  for (Row r : {Row{"HIP", "Star: 77: 0: 0: 0: 0-0-0: 0-0"}, Row{"SAO", "Star: 0: 77: 0: 0: 0-0-0: 0-0"},
                Row{"XZ", "Star: 0: 0: 77: 0: 0-0-0: 0-0"}, Row{"XZ80Q", "Star: 0: 0: 77: 0: 0-0-0: 0-0"},
                // A ZC star without an XZ number: XZ 77 is another star.
                Row{"ZC", "Star: 0: 0: 0: 0: 0-0-0: 0-0"},
                Row{"Kepler2", "Star: 0: 0: 0: 77: 0-0-0: 0-0"}, Row{"UCAC4", "Star: 0: 0: 0: 0: 0-0-0: 77"},
                Row{"GAIA", "Star: 0: 0: 0: 0: 0-0-0: 0-0"}}) {
    TReportLightCurveElement e = Element();
    e.Catalogue = r.cat;
    e.StarNumber = "77";
    EXPECT_EQ(MakeReportLines(e).Lines[1], r.line) << r.cat;
  }
  TReportLightCurveElement a = Element();
  a.Kind = ReportKind::Asteroid;
  a.ObjectLabel = "(123) Example";
  EXPECT_EQ(MakeReportLines(a).Lines[3], "Object: Asteroid: (123) Example");
  TAsteroidTiming t;
  t.EntryCount = 1;
  EXPECT_FALSE(ReportAllowed(a, t));
  t.EntryCount = 2;
  EXPECT_TRUE(ReportAllowed(a, t));
  EXPECT_TRUE(ReportAllowed(Element(), TAsteroidTiming{}));
}

TEST(MakeReportLines, TimesThatDoNotConvertCountAsZero) {
  TReportLightCurveElement e = Element();
  e.StartH = "x";
  e.StartM = "";
  e.StartS = "abc";
  e.EndH = "0";
  e.EndM = "0";
  e.EndS = "1.234";
  MakeReportLines(e);
  EXPECT_EQ(e.StartH, "0");
  EXPECT_EQ(e.StartS, "0.00");
  EXPECT_EQ(e.Duration, "1.23");
}

TEST(MakeReportLines, SpanPastMidnight) {
  struct Row {
    const char *sh, *sm, *ss, *eh, *em, *es, *span;
  };
  for (Row r : {Row{"23", "59", "58.5", "0", "0", "3.25", "4.75"}, Row{"23", "0", "0", "1", "0", "0", "7200.00"},
                Row{"23", "30", "0", "0", "29", "59.5", "3599.50"}, Row{"12", "0", "0", "12", "0", "0", "0.00"}}) {
    TReportLightCurveElement e = Element();
    e.StartH = r.sh, e.StartM = r.sm, e.StartS = r.ss;
    e.EndH = r.eh, e.EndM = r.em, e.EndS = r.es;
    const TReportLightCurveData d = MakeReportLines(e);
    EXPECT_EQ(e.Duration, r.span) << r.span;
    EXPECT_NE(d.Lines[0].find(std::string(": ") + r.span + ": 3"), std::string::npos) << d.Lines[0];
  }
}

// Seconds that round to 60.00 carry into the minute and hour of the times
// written into the report.
TEST(MakeReportLines, SecondsRoundedToSixtyCarry) {
  struct Row {
    const char *h, *m, *s;  // start, and the same end
    const char *th, *tm, *ts;
  };
  for (Row r : {Row{"10", "20", "59.996", "10", "21", "0.00"}, Row{"10", "59", "59.999", "11", "0", "0.00"},
                Row{"10", "20", "59.994", "10", "20", "59.99"}, Row{"22", "59", "59.9999", "23", "0", "0.00"}}) {
    TReportLightCurveElement e = Element();
    e.StartH = e.EndH = r.h;
    e.StartM = e.EndM = r.m;
    e.StartS = e.EndS = r.s;
    const TReportLightCurveData d = MakeReportLines(e);
    EXPECT_EQ(e.StartH + ":" + e.StartM + ":" + e.StartS, std::string(r.th) + ":" + r.tm + ":" + r.ts) << r.s;
    EXPECT_EQ(e.EndH + ":" + e.EndM + ":" + e.EndS, std::string(r.th) + ":" + r.tm + ":" + r.ts) << r.s;
    EXPECT_EQ(e.Duration, "0.00") << r.s;
    EXPECT_EQ(d.Lines[0], std::string("Date: 2026-12-06 ") + r.th + ":" + r.tm + ":" + r.ts + ": 0.00: 3") << r.s;
  }
}

TEST(ReportDisplayLines, TwoHundredValuesGiveFiveLines) {
  TReportLightCurveElement e = Element();
  e.ValueCount = 200;
  e.Values.assign(200, 7.0);
  const auto shown = ReportDisplayLines(MakeReportLines(e));
  ASSERT_EQ(shown.size(), 4u + 5u);
  auto pieces = [](const std::string& s) { return std::count(s.begin(), s.end(), ':'); };
  EXPECT_EQ(shown[4].rfind("Values:", 0), 0u);
  EXPECT_EQ(pieces(shown[4]), 50);
  EXPECT_EQ(pieces(shown[7]), 50);
  EXPECT_EQ(shown[8], "7");
  std::string joined;
  for (size_t i = 4; i < shown.size(); ++i) joined += shown[i];
  EXPECT_EQ(joined, MakeReportLines(e).Lines[4]);
}

// A start that rounds up to midnight is written as 0:0:0.00 of the next day;
// next days from Python's datetime.
TEST(MakeReportLines, StartRoundedToMidnightMovesToTheNextDay) {
  struct Row {
    const char *date, *s, *line0, *end;
  };
  for (Row r : {Row{"2026-12-6", "59.996", "Date: 2026-12-7 0:0:0.00: 3.00: 3", "0:0:3.00"},
                Row{"2026-12-31", "59.9951", "Date: 2027-1-1 0:0:0.00: 3.00: 3", "0:0:3.00"},
                Row{"2024-2-28", "59.999", "Date: 2024-2-29 0:0:0.00: 3.00: 3", "0:0:3.00"},
                Row{"2023-2-28", "59.996", "Date: 2023-3-1 0:0:0.00: 3.00: 3", "0:0:3.00"},
                Row{"2026-12-6", "59.994", "Date: 2026-12-6 23:59:59.99: 3.01: 3", "0:0:3.00"}}) {
    TReportLightCurveElement e = Element();
    e.RecordingDate = r.date;
    e.StartH = "23", e.StartM = "59", e.StartS = r.s;
    e.EndH = "0", e.EndM = "0", e.EndS = "3.0";
    const TReportLightCurveData d = MakeReportLines(e);
    EXPECT_EQ(d.Lines[0], r.line0) << r.date << " " << r.s;
    EXPECT_EQ(e.EndH + ":" + e.EndM + ":" + e.EndS, r.end) << r.s;
    EXPECT_EQ(e.RecordingDate, r.date) << "the recording date itself stays";
  }
  // A table whose times count on past midnight (LED-corrected): hour 24 is
  // the next day's 0, for the start and the end.
  {
    TReportLightCurveElement e = Element();
    e.RecordingDate = "2026-12-31";
    e.StartH = "24", e.StartM = "0", e.StartS = "1.5";
    e.EndH = "24", e.EndM = "1", e.EndS = "0";
    EXPECT_EQ(MakeReportLines(e).Lines[0], "Date: 2027-1-1 0:0:1.50: 58.50: 3");
    EXPECT_EQ(e.EndH + ":" + e.EndM + ":" + e.EndS, "0:1:0.00");
    // A second report finds the times already of their own day.
    EXPECT_EQ(MakeReportLines(e).Lines[0], "Date: 2027-1-1 0:0:1.50: 58.50: 3");
  }
  // An end that rounds up to midnight wraps as well.
  TReportLightCurveElement e = Element();
  e.StartH = "23", e.StartM = "59", e.StartS = "58";
  e.EndH = "23", e.EndM = "59", e.EndS = "59.999";
  EXPECT_EQ(MakeReportLines(e).Lines[0], "Date: 2026-12-06 23:59:58.00: 2.00: 3");
  EXPECT_EQ(e.EndH + ":" + e.EndM + ":" + e.EndS, "0:0:0.00");
}
