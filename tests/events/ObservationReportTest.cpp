// The XML and text observation reports against hand-written golden texts.
#include "events/ObservationReport.h"

#include <gtest/gtest.h>

#include "tests/events/ReportFixtures.h"

namespace {

const std::vector<std::string> kXmlHead = {
    "<Observations>",
    "  <Event>",
    "    <Date>2023|7|17|10.5</Date>",
    "    <Details>",
    "      <Star>Tycho2|1234-567-1|0||0.0000000000|0.000000000|0.00|0.00|0.00|0|0.00000000|0.0000000|25.00|25.00|25.00|0</Star>",
    "      <Asteroid>1234|Name|0.00000000|0.00000000|0.0000000|0.0000000|0.0000000|0.0000000|1.00000|0.00000|0.0|1.0|20.00</Asteroid>",
    "    </Details>",
    "    <Observations>",
};
const std::vector<std::string> kXmlTail = {
    "    </Observations>",
    "    <LastEdited>2026|12|7</LastEdited>",
    "  </Event>",
    "</Observations>",
};
const std::string kId = "|Obs One||0|Home|JP|+135 30 15.0|-5 2 3|40| |20|2|a|a</ID>";

std::vector<std::string> Xml(std::vector<std::string> body) {
  std::vector<std::string> all = kXmlHead;
  all.insert(all.end(), body.begin(), body.end());
  all.insert(all.end(), kXmlTail.begin(), kXmlTail.end());
  return all;
}

TAsteroidTiming List(std::initializer_list<TAsteroidEachEventTime> entries) {
  TAsteroidTiming t;
  for (const auto& e : entries) AppendEntry(t, e);
  return t;
}

}  // namespace

TEST(BuildXmlReport, GoldenReports) {
  TAsteroidEachEventTime approx_minor_d = Timed("10", "30", "", "", "", true, true);
  approx_minor_d.Approximate = 1;
  struct Case {
    const char* name;
    TAsteroidTiming timing;
    std::vector<std::string> body;
  };
  const std::vector<Case> cases = {
      {"empty list", List({}), {}},
      {"one disappearance only", List({Timed("10", "30", "05.123", "0.012", "4.5", true)}), {}},
      // 9.5 s rounds (halves to even) to 10: the leading zero stays.
      {"one observer, D and R",
       List({Timed("10", "30", "05.123", "0.012", "4.5", true), Timed("10", "30", "09.5", "0.02", "5.5", false)}),
       {"      <Observer>", "        <ID>1" + kId, "        <Conditions>1|1|5.00||clear</Conditions>",
        "        <D>10 30  5.123|D|0.012||| </D>", "        <R>10 30 09.5|R|0.02||| </R>", "      </Observer>"}},
      {"three observers, double star",
       List({Timed("09", "05", "59.9", "0.01", "8", true), Timed("09", "06", "10.25", "0.01", "x", false),
             Timed("10", "00", "01.0", "0.03", "4.5", true), Timed("10", "00", "02.0", "0.03", "4.", false),
             approx_minor_d, Timed("10", "31", "00.000", "0.05", "3.1", false, true)}),
       {"      <Observer>", "        <ID>1" + kId, "        <Conditions>1|1|8.00||clear</Conditions>",
        "        <D> 9  5 59.9|D|0.01||| </D>", "        <R> 9  6 10.25|R|0.01||| </R>", "      </Observer>",
        "      <Observer>", "        <ID>2" + kId, "        <Conditions>1|1|4.50||clear</Conditions>",
        "        <D>10  0  1.0|D|0.03||| </D>", "        <R>10  0  2.0|R|0.03||| </R>", "      </Observer>",
        "      <Observer>", "        <ID>3" + kId, "        <Conditions>1|1|3.10||clear</Conditions>",
        "        <D>        . |d|||| </D>", "        <R>10 31  0.000|R|0.05||| </R>", "      </Observer>"}},
      {"three D and two R: first pair only",
       List({Timed("10", "30", "01", "0.1", "2", true), Timed("10", "30", "02", "0.1", "2", true),
             Timed("10", "30", "03", "0.1", "2", true), Timed("10", "30", "04", "0.1", "4", false),
             Timed("10", "30", "05", "0.1", "4", false)}),
       {"      <Observer>", "        <ID>1" + kId, "        <Conditions>1|1|3.00||clear</Conditions>",
        "        <D>10 30  1|D|0.1||| </D>", "        <R>10 30  4|R|0.1||| </R>", "      </Observer>"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BuildXmlReport(c.timing, AsteroidRecord(), AsteroidForm(), "2026|12|7"), Xml(c.body));
  }
}

TEST(BuildXmlReport, EscapesInsertedTextsAndCodesTheLists) {
  ReportFormInputs in = AsteroidForm();
  in.Observer = "A&B <C>";
  in.Remarks = "x<y";
  in.DatumIndex = 3;
  in.DatumText = "Tokyo";
  in.Aperture = "20 cm";
  in.TelescopeIndex = 0;
  in.RecordingText = "  Unspecified";
  in.StabilityText = "  Unspecified";
  in.TransparencyText = "7 Averted vision";
  const auto t = List({Timed("10", "30", "05", "0.1", "4.5", true), Timed("10", "30", "06", "0.1", "", false)});
  const auto x = BuildXmlReport(t, AsteroidRecord(), in, "2026|12|7");
  ASSERT_GT(x.size(), 10u);
  EXPECT_EQ(x[9], "        <ID>1|A&amp;B &lt;C&gt;||0|Home|JP|+135 30 15.0|-5 2 3|40|T| | | |a</ID>");
  EXPECT_EQ(x[10], "        <Conditions> |7|4.50||x&lt;y</Conditions>");
}

TEST(BuildXmlReport, InputsThatWouldSplitAFieldAreNamed) {
  struct Row {
    const char* name;
    void (*edit)(TReportLightCurveElement&, ReportFormInputs&);
  };
  const Row rows[] = {
      {"", [](TReportLightCurveElement&, ReportFormInputs& in) { in.Remarks = "A&B <C> \"x\" 'y'\tz"; }},
      {"observer", [](TReportLightCurveElement&, ReportFormInputs& in) { in.Observer = "A|B"; }},
      {"co-observer", [](TReportLightCurveElement&, ReportFormInputs& in) { in.CoObserver = "|"; }},
      {"site", [](TReportLightCurveElement&, ReportFormInputs& in) { in.Site = "Hill|top"; }},
      {"country code", [](TReportLightCurveElement&, ReportFormInputs& in) { in.Country = "J\x01P"; }},
      {"star number", [](TReportLightCurveElement&, ReportFormInputs& in) { in.StarNumber = "12|3"; }},
      {"remarks", [](TReportLightCurveElement&, ReportFormInputs& in) { in.Remarks = "a\nb"; }},
      {"asteroid name", [](TReportLightCurveElement& e, ReportFormInputs&) { e.ObjectName = "Na|me"; }},
      {"altitude", [](TReportLightCurveElement& e, ReportFormInputs&) { e.Altitude = "4|0"; }},
      // A typed catalogue other than TYC, HIP or UCAC4 is not written.
      {"", [](TReportLightCurveElement&, ReportFormInputs& in) { in.Catalogue = "X|Y"; }},
      {"catalogue", [](TReportLightCurveElement& e, ReportFormInputs& in) {
         in.Catalogue = "X|Y";
         e.Catalogue = "S|AO";
       }},
  };
  for (const Row& r : rows) {
    TReportLightCurveElement e = AsteroidRecord();
    ReportFormInputs in = AsteroidForm();
    r.edit(e, in);
    EXPECT_EQ(XmlReportUnsafeInput(e, in), r.name);
  }
}

TEST(BuildXmlReport, EventTextsThatWouldSplitAFieldAreNamed) {
  struct Row {
    int entry;  // 0-based
    int field;  // 0 hour, 1 minute, 2 second, 3 error, 4 S/N
    const char* text;
    const char* named;
  };
  for (const Row& r : {Row{0, 0, "1|0", "time of event 1"}, Row{1, 1, "3|0", "time of event 2"},
                       Row{1, 2, "05\n", "time of event 2"}, Row{0, 3, "0.1|", "error of event 1"},
                       Row{0, 4, "4|5", ""}, Row{1, 2, "05.5 <&>", ""}}) {
    TAsteroidTiming t =
        List({Timed("10", "30", "05", "0.1", "4.5", true), Timed("10", "30", "06", "0.1", "4.5", false)});
    TAsteroidEachEventTime& e = t.Entries[static_cast<size_t>(r.entry)];
    std::string* fields[] = {&Hour(e), &Minute(e), &Second(e), &e.Error, &Sn(e)};
    *fields[r.field] = r.text;
    EXPECT_EQ(XmlReportUnsafeEvent(t), r.named) << r.text;
  }
  // Entries past the count are not written.
  TAsteroidTiming t = List({Timed("10", "30", "05", "0.1", "4.5", true)});
  Hour(t.Entries[1]) = "1|0";
  EXPECT_EQ(XmlReportUnsafeEvent(t), "");
}

// A position, altitude or event time that is no number would be read as
// nonsense from the saved report: named, so that the window can refuse it.
TEST(BuildXmlReport, PositionsAndTimesThatAreNoNumberAreNamed) {
  struct Row {
    void (*edit)(TReportLightCurveElement&, TAsteroidTiming&);
    const char* named;
  };
  const Row rows[] = {
      {[](TReportLightCurveElement&, TAsteroidTiming&) {}, ""},
      // West, south, below sea level, and parts not yet typed are numbers or nothing.
      {[](TReportLightCurveElement& e, TAsteroidTiming&) {
         e.Longitude = "-0 5 59.99995";
         e.Latitude = "+  ";
         e.Altitude = "-12.5";
       },
       ""},
      {[](TReportLightCurveElement& e, TAsteroidTiming&) { e.Altitude = ""; }, ""},
      {[](TReportLightCurveElement& e, TAsteroidTiming&) { e.Longitude = "+135 3O 15.0"; }, "longitude"},
      {[](TReportLightCurveElement& e, TAsteroidTiming&) { e.Latitude = "-5 2 3,5"; }, "latitude"},
      {[](TReportLightCurveElement& e, TAsteroidTiming&) { e.Altitude = "40m"; }, "altitude"},
      {[](TReportLightCurveElement&, TAsteroidTiming& t) { Hour(t.Entries[0]) = "ten"; }, "time of event 1"},
      {[](TReportLightCurveElement&, TAsteroidTiming& t) { Second(t.Entries[1]) = "06,5"; }, "time of event 2"},
      // An approximate time is not written.
      {[](TReportLightCurveElement&, TAsteroidTiming& t) {
         Second(t.Entries[1]) = "x";
         t.Entries[1].Approximate = 1;
       },
       ""},
  };
  for (const Row& r : rows) {
    TReportLightCurveElement e = AsteroidRecord();
    TAsteroidTiming t =
        List({Timed("10", "30", "05", "0.1", "4.5", true), Timed("10", "30", "06", "0.1", "4.5", false)});
    r.edit(e, t);
    EXPECT_EQ(XmlReportNoNumber(e, t), r.named);
  }
}

// Times the magnitude calculator never gives (an hour 24, a second 60) are
// typed ones; the day's first and last instants and untyped parts are not.
TEST(BuildXmlReport, TimesBeyondADaysClockAreNamed) {
  struct Row {
    int entry;
    const char *h, *m, *s;
    const char* named;
  };
  for (const Row& r : {Row{0, "0", "00", "00.000", ""}, Row{1, "23", "59", "59.999", ""}, Row{1, "", "+", "", ""},
                       Row{1, "10.0", "5", "7", ""}, Row{0, "24", "0", "0", "time of event 1"},
                       Row{1, "23", "60", "0", "time of event 2"}, Row{1, "23", "59", "60", "time of event 2"},
                       Row{1, "23", "59", "60.00", "time of event 2"}, Row{0, "-1", "5", "5", "time of event 1"},
                       Row{0, "10", "-0.5", "5", "time of event 1"}, Row{0, "10", "5", "-0.01", "time of event 1"},
                       Row{0, "10.5", "5", "5", "time of event 1"}, Row{1, "10", "5.5", "5", "time of event 2"},
                       // Not a number: XmlReportNoNumber names it.
                       Row{0, "ten", "5", "5", ""}}) {
    TAsteroidTiming t =
        List({Timed("10", "30", "05", "0.1", "4.5", true), Timed("10", "30", "06", "0.1", "4.5", false)});
    TAsteroidEachEventTime& e = t.Entries[static_cast<size_t>(r.entry)];
    Hour(e) = r.h, Minute(e) = r.m, Second(e) = r.s;
    EXPECT_EQ(XmlReportNoTimeOfDay(t), r.named) << r.h << ":" << r.m << ":" << r.s;
    // An approximate time is not written.
    e.Approximate = 1;
    EXPECT_EQ(XmlReportNoTimeOfDay(t), "");
  }
}

TEST(ReportTextTests, DecimalAndDigitTexts) {
  struct Row {
    const char* s;
    bool decimal, digits;
  };
  for (Row r : {Row{"4.5", true, true}, Row{"45", true, true}, Row{"4.", false, true}, Row{".5", false, true},
                Row{"1.2.3", false, true}, Row{"", false, false}, Row{"2 0", false, false}, Row{"-1", false, false}}) {
    EXPECT_EQ(IsDecimalNumberText(r.s), r.decimal) << r.s;
    EXPECT_EQ(IsDigitsAndPoints(r.s), r.digits) << r.s;
  }
}

TEST(BuildTextReport, GoldenReport) {
  TAsteroidEachEventTime approx = Timed("10", "30", "0", "", "", true);
  approx.Approximate = 1;
  approx.MeasuredDrop = "";
  approx.PredictedDrop = "";
  TAsteroidEachEventTime r = Timed("10", "5", "09.50", "0.020", "5.5", false, true);
  r.ContactAngle = "45.0";
  TAsteroidEachEventTime d2 = Timed("9", "31", "01.00", "0.030", "3.0", true);
  d2.ContactAngle = "";  // added without a fit
  const TAsteroidTiming t = List({approx, r, d2});
  ReportFormInputs in = AsteroidForm();
  in.CoObserver = "Obs Two";
  in.CameraModel = "WAT910HX";
  in.Exposure = "33.3";
  in.CaptureArea = "640x480";
  in.Binning = "1";
  in.Gain = "300";
  in.Brightness = "10";
  in.HighSpeedMode = "On";
  in.TimeKeepingModel = "GT902MGG";
  ReportClock clock;
  clock.TimeStampMode = 3;
  clock.TimingFrameRate = 29.97;
  clock.FirstFrameTicks = 638251868525000000;  // 2023-07-17 10:34:12.5
  clock.LastFrameTicks = -5;
  const std::vector<std::string> expected = {
      "**************  Asteroid occultation Report  **************",
      "",
      "[Date      ]  2023. 7.17  [Approx hour]  10.5",
      "[Star      ]  Tycho2 1234-567-1",
      "[Asteroid  ]  (1234)Name",
      "",
      "[Observer  ]  1: Obs One  2: Obs Two",
      "[Location  ]  Home, JP",
      "[Longitude ]  135o30'15.0\"  E",
      "[Latitude  ]    5o2'3\"  S",
      "[Altitude  ]  40m",
      "[Datum     ]  WGS84",
      "",
      "              R: 10h 5m09.50s +/- 0.020s (UTC)  S/N=5.5* 2nd star  Ctt=45.0 ",
      "              D:  9h31m01.00s +/- 0.030s (UTC)  S/N=3.0",
      "",
      "[Recorded  ]  From  10h34m12s",
      "              To    ",
      "",
      "[Mag. drop ]  D: Measured:  ; Predicted: ",
      "              R: Measured: 1.2 ; Predicted: 1.5",
      "              D: Measured: 1.2 ; Predicted: 1.5",
      "",
      "[Telescope ]  Aperture: 20cm   Type: Newtonian   F=4.0",
      "[Camera    ]  Analog or Digital video ,  Model= WAT910HX",
      "[Exposure  ]  Set: 33.3msec,  Measure: 33.4msec",
      "[Setting   ]  Area: 640x480  ;  Binning=1",
      "              Gain: 300  ;  Brightness: 10  ;  High Speed Mode: On",
      "[Time keep ]  GPS  ;  Model: GT902MGG",
      "[Evidence  ]  GPS Time Log : Recorded  ;  Screen shot: Recorded",
      "",
      "[Condition ]  Stability: Steady  Transparency: Clear",
      "[Remarks   ]  clear",
      "",
      "[Additional comment] ",
      "",
      "",
      "",
      "***********************************************************",
  };
  EXPECT_EQ(BuildTextReport(t, AsteroidRecord(), in, clock), expected);
}

TEST(BuildTextReport, EmptyListAndEmptyFields) {
  TReportLightCurveElement e;  // nothing identified
  e.EventDate = "2023";
  ReportFormInputs in;
  in.Aperture = "";
  const auto lines = BuildTextReport(TAsteroidTiming{}, e, in, ReportClock{});
  EXPECT_EQ(lines[2], "[Date      ]  ..  [Approx hour]  ");
  EXPECT_EQ(lines[8], "[Longitude ]  ");
  EXPECT_EQ(lines[13], "[Event time]  No occultation has been detected.");
  EXPECT_EQ(lines[15], "[Recorded  ]  From  ");
  EXPECT_EQ(lines[17], "");  // no magnitude-drop block
  EXPECT_EQ(lines[18], "[Telescope ]  Aperture:  cm   Type: Newtonian   F=4.0");
}

// The recorded span's seconds are rounded to whole seconds, ties to even; a
// second that rounds up to 60 carries into the minute and the hour.
TEST(BuildTextReport, RecordedTimesCarryRoundedSeconds) {
  struct Row {
    int64_t ticks;
    const char* text;
  };
  for (Row r : {Row{638251868985000000, "10h34m58s"},    // 2023-07-17 10:34:58.5
                Row{638251868995000000, "10h35m0s"},     // 10:34:59.5
                Row{638251883996000000, "11h0m0s"},      // 10:59:59.6
                Row{638252351997000000, "0h0m0s"}}) {    // 23:59:59.7
    ReportClock clock;
    clock.TimeStampMode = 3;
    clock.TimingFrameRate = 29.97;
    clock.FirstFrameTicks = r.ticks;
    clock.LastFrameTicks = r.ticks;
    const auto lines = BuildTextReport(TAsteroidTiming{}, TReportLightCurveElement{}, ReportFormInputs{}, clock);
    EXPECT_EQ(lines[15], std::string("[Recorded  ]  From  ") + r.text);
    EXPECT_EQ(lines[16], std::string("              To    ") + r.text);
  }
}

TEST(BuildTextReport, MeasuredExposureByFrameRate) {
  struct Row {
    double rate;
    const char* text;
  };
  for (Row r : {Row{29.97, "33.4"}, Row{25, "40.0"}, Row{5, "200"}, Row{500, "2.00"}, Row{2000, "0.500"}}) {
    ReportClock c;
    c.TimingFrameRate = r.rate;
    const auto lines = BuildTextReport(TAsteroidTiming{}, TReportLightCurveElement{}, ReportFormInputs{}, c);
    EXPECT_EQ(lines[20], std::string("[Exposure  ]  Set: msec,  Measure: ") + r.text + "msec") << r.rate;
  }
}

// Map coordinates west of Greenwich or south of the equator come with the
// minutes and seconds negative too; both reports put the sign on the degrees
// alone, and the text report names the hemisphere by it.
TEST(ObservationReports, MinusOnMinutesOrSecondsBelongsToTheDegrees) {
  struct Row {
    const char* longitude;
    const char* latitude;
    const char* xml_position;  // "|longitude|latitude|" of the <ID> line
    const char* text_longitude;
    const char* text_latitude;
  };
  const Row rows[] = {
      {"+135 30 15.0", "-5 2 3", "|+135 30 15.0|-5 2 3|", "135o30'15.0\"  E", "  5o2'3\"  S"},
      {"-5 -30 -15.0", "-33 -5 -59.9", "|-5 30 15.0|-33 5 59.9|", "  5o30'15.0\"  W", " 33o5'59.9\"  S"},
      {"-0 -30 -15.0", "-0 0 -0.5", "|-0 30 15.0|-0 0 0.5|", "  0o30'15.0\"  W", "  0o0'0.5\"  S"},
      {"+0 -30 0.0", "+12 0 -1.0", "|-0 30 0.0|-12 0 1.0|", "  0o30'0.0\"  W", " 12o0'1.0\"  S"},
      {"+0 30 0.0", "+0 0 0.5", "|+0 30 0.0|+0 0 0.5|", "  0o30'0.0\"  E", "  0o0'0.5\"  N"},
  };
  const TAsteroidTiming t =
      List({Timed("10", "30", "05", "0.1", "4.5", true), Timed("10", "30", "06", "0.1", "4.5", false)});
  for (const Row& r : rows) {
    TReportLightCurveElement e = AsteroidRecord();
    e.Longitude = r.longitude;
    e.Latitude = r.latitude;
    const auto xml = BuildXmlReport(t, e, AsteroidForm(), "2026|12|7");
    ASSERT_GT(xml.size(), 10u);
    EXPECT_NE(xml[9].find(std::string("|Home|JP") + r.xml_position + "40|"), std::string::npos) << xml[9];
    const auto text = BuildTextReport(t, e, AsteroidForm(), ReportClock{});
    EXPECT_EQ(text[8], std::string("[Longitude ]  ") + r.text_longitude) << r.longitude;
    EXPECT_EQ(text[9], std::string("[Latitude  ]  ") + r.text_latitude) << r.latitude;
  }
}

// Times typed into the report's event rows as single digits: "0" h is an
// hour like "00", not an empty field, and "0.5" s keeps its zero.
TEST(BuildXmlReport, SingleDigitZeroTimesKeepTheirField) {
  struct Row {
    const char *h, *m, *s;
    const char* xml;  // text between <D> and |D|
  };
  for (Row r : {Row{"0", "0", "0", " 0  0  0"}, Row{"00", "00", "00.000", " 0  0  0.000"},
                Row{"0", "5", "0.5", " 0  5  0.5"}, Row{"5", "0", "9", " 5  0  9"},
                Row{"23", "59", "59.99995", "23 59 59.99995"}, Row{"00", "0", "09.96", " 0  0 09.96"}}) {
    const auto t = List({Timed(r.h, r.m, r.s, "0.1", "4.5", true), Timed("10", "30", "06", "0.1", "4.5", false)});
    const auto x = BuildXmlReport(t, AsteroidRecord(), AsteroidForm(), "2026|12|7");
    ASSERT_GT(x.size(), 11u);
    EXPECT_EQ(x[11], std::string("        <D>") + r.xml + "|D|0.1||| </D>") << r.h << ":" << r.m << ":" << r.s;
  }
}
