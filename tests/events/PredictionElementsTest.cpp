// Prediction texts: the elements file (LF, CR LF, closing tags on the field
// line) and the pasted lunar listing; expected values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/NumberText.h"
#include "base/ResultTable.h"
#include "events/PredictionElements.h"
#include "support/LunarListingText.h"

namespace {

const char* kElements =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<Occultations>\n"
    "  <Event>\n"
    "    <Elements>JPL,2.0,2024,5,12,14.25,a,b,1.2,-0.9,x</Elements>\n"
    "    <Earth>1,2,3</Earth>\n"
    "    <Star>TYC 1234-00567-1,1,2,11.9,11.2,10.1,0.3,x</Star>\n"
    "\t<Object>1234,Somename,14.5,123.4,2.1</Object>\n"
    "  </Event>\n"
    "  <Event>\n"
    "    <Elements>a,b,2024,13,3,bad,,,0.5,0.5\n"
    "    <Star>HIP 99,,, ,9.5,,\n"
    "    <Object>x,Other,,10,1.0\n"
    "  </Event>\n"
    "</Occultations>\n";

std::vector<std::string> SplitOnLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  return lines;
}

std::string WithCrlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

std::string Put(const std::vector<std::pair<int, std::string>>& cells) { return PutColumns(cells, 150, false); }

}  // namespace

TEST(PredictionElements, ElementsFileGivesTheEventFieldsWithAnyLineEnds) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {{"LF", SplitOnLf(kElements)},
                                   {"CRLF split at LF", SplitOnLf(WithCrlf(kElements))},
                                   {"CRLF split as text", SplitTextLines(WithCrlf(kElements))}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto list = ParseXmlPredictionFile(c.lines);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->Events.size(), 2u);
    ASSERT_EQ(list->Lines.size(), 2u);
    const Occelmnt_Format& e = list->Events[0];
    EXPECT_EQ(e.Date, "2024 May 12");
    EXPECT_DOUBLE_EQ(e.UT, 14.25);
    EXPECT_NEAR(e.Velocity, 2657.541666666667, 1e-9);  // hypot(1.2, 0.9) * 6378.1 / 3.6
    EXPECT_EQ(e.Star, "TYC 1234-00567-1");
    EXPECT_DOUBLE_EQ(e.B, 11.9);
    EXPECT_DOUBLE_EQ(e.V, 11.2);
    EXPECT_NEAR(e.BminusV, 0.7, 1e-12);
    EXPECT_DOUBLE_EQ(e.R, 10.1);
    EXPECT_DOUBLE_EQ(e.StarDiameter, 0.3);
    EXPECT_EQ(e.ObjectNumber, 1234);
    EXPECT_EQ(e.ObjectName, "Somename");
    EXPECT_DOUBLE_EQ(e.ObjectMagnitude, 14.5);
    EXPECT_NEAR(e.CombinedMagnitude, 11.149236609078185, 1e-9);
    EXPECT_DOUBLE_EQ(e.ObjectDiameter, 123.4);
    EXPECT_NEAR(e.Distance, 314155528.47, 1e-4);
    EXPECT_EQ(e.SpectralType, "0");
    EXPECT_EQ(list->Lines[0], "2024 May 12 14.3h UT ,  (1234)Somename occults TYC 1234-00567-1");

    const Occelmnt_Format& f = list->Events[1];
    EXPECT_EQ(f.Date, "2024 13 3");  // a month that is no month number stays
    EXPECT_EQ(f.UT, 0);
    EXPECT_NEAR(f.Velocity, 1252.78, 0.005);
    EXPECT_EQ(f.BminusV, -1);
    EXPECT_EQ(f.ObjectNumber, 0);
    EXPECT_EQ(f.CombinedMagnitude, 0);
    EXPECT_NEAR(f.Distance, 149597870.7, 1e-6);
    ASSERT_TRUE(list->LastBminusV);
    EXPECT_EQ(*list->LastBminusV, -1);
  }
}

TEST(PredictionElements, ElementsFileWithoutItsStructureGivesNoEvents) {
  // No "<Event>" line: nothing, the previous list stays.
  EXPECT_FALSE(ParseXmlPredictionFile({"<Occultations><Event><Elements>1,2,2024,5,12,1</Elements></Event>"}));
  EXPECT_FALSE(ParseXmlPredictionFile({}));
  // Events but no list start: reset records and no list lines.
  const auto no_start = ParseXmlPredictionFile({"<Event>", "<Star>HIP 1,,,1,2", "</Event>"});
  ASSERT_TRUE(no_start);
  EXPECT_EQ(no_start->Events.size(), 1u);
  EXPECT_TRUE(no_start->Lines.empty());
  EXPECT_EQ(no_start->Events[0].Star, "");
  // A tag with trailing text counts but opens nothing.
  const auto trailing = ParseXmlPredictionFile({"<Occultations>", "<Event> x", "<Star>HIP 1", "</Event>"});
  ASSERT_TRUE(trailing);
  EXPECT_TRUE(trailing->Lines.empty());
}

// A file cut short ends inside its last event: that event is left out (its
// fields may be cut too), the events before it are listed, and the cut is told.
TEST(PredictionElements, AnEventCutShortIsLeftOut) {
  const std::vector<std::string> whole = {"<Occultations>", "<Event>", "<Elements>JPL,2.0,2024,5,12,14.25,a,b,1.2,-0.9</Elements>",
                                          "<Star>HIP 5,,,9.5,9.0,,</Star>", "<Object>7,Iris,10,10,1.0</Object>", "</Event>",
                                          "<Event>", "<Elements>JPL,2.0,2024,5,13,3.5,a,b,0.5,0.5</Elements>",
                                          "<Star>HIP 99,,,8.0,7.0,,</Star>", "<Object>12,Vic", "</Event>", "</Occultations>"};
  for (size_t keep = 7; keep <= 10; ++keep) {
    SCOPED_TRACE(keep);
    const auto list = ParseXmlPredictionFile({whole.begin(), whole.begin() + static_cast<long>(keep)});
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->LastEventCut);
    ASSERT_EQ(list->Lines.size(), 1u);
    EXPECT_EQ(list->Lines[0], "2024 May 12 14.3h UT ,  (7)Iris occults HIP 5");
    EXPECT_EQ(list->Events[1].Star, "");
    ASSERT_TRUE(list->LastBminusV);
    EXPECT_DOUBLE_EQ(*list->LastBminusV, 0.5);  // the listed event's B - V
  }
  const auto complete = ParseXmlPredictionFile(whole);
  ASSERT_TRUE(complete);
  EXPECT_FALSE(complete->LastEventCut);
  EXPECT_EQ(complete->Lines.size(), 2u);
}

// An event whose "</Event>" line was lost ends where the next event begins:
// both are listed with their own fields, none takes the other's.
TEST(PredictionElements, AnEventWithoutItsEndLineEndsAtTheNextEvent) {
  const std::vector<std::string> lines = {"<Occultations>", "<Event>",
                                          "<Elements>JPL,2.0,2024,5,12,14.25,a,b,1.2,-0.9</Elements>",
                                          "<Star>HIP 5,,,9.5,9.0,,</Star>", "<Object>7,Iris,10,10,1.0</Object>",
                                          "  <Event>", "<Elements>JPL,2.0,2024,5,13,3.5,a,b,0.5,0.5</Elements>",
                                          "<Star>HIP 99,,,8.0,7.0,,</Star>", "</Event>", "</Occultations>"};
  const auto list = ParseXmlPredictionFile(lines);
  ASSERT_TRUE(list);
  EXPECT_FALSE(list->LastEventCut);
  ASSERT_EQ(list->Lines.size(), 2u);
  EXPECT_EQ(list->Lines[0], "2024 May 12 14.3h UT ,  (7)Iris occults HIP 5");
  EXPECT_EQ(list->Lines[1], "2024 May 13 3.5h UT ,  (0) occults HIP 99");
  EXPECT_EQ(list->Events[0].Star, "HIP 5");
  EXPECT_EQ(list->Events[1].ObjectName, "");
  EXPECT_DOUBLE_EQ(list->Events[1].UT, 3.5);
}

TEST(PredictionElements, PastedListingReadsColumns) {
  const std::vector<std::string> text = {
      "Occultation prediction for Tokyo",
      "yy mmm dd  h  m   s",
      Put({{1, "24 May 12  0 30 34.5"}, {24, " "}, {25, "   123"}, {32, "G5"}, {35, " 8.1"}, {40, " 7.6"},
           {107, "-120.0"}, {139, "380.5"}, {145, "  612"}}),
      Put({{1, "24 May  5 23 59 59.0"}, {24, "X"}, {25, "  1234"}, {32, "  "}, {35, "11.5"}, {40, "10.9"},
           {139, "  abc"}}),
      Put({{1, "95 Jan  1  1  0  0"}, {25, " 12345"}, {32, "Q5"}, {107, "  90.0"}}),
      Put({{1, "24 Jun  1  1  0  0"}, {25, "   12a"}}),
  };
  const auto list = ReadPredictionText(text);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->Events.size(), 4u);
  EXPECT_EQ(list->Lines[1], text[3]);

  const Occelmnt_Format& a = list->Events[0];
  EXPECT_EQ(a.ObjectName, "Moon");
  EXPECT_EQ(a.Date, "2024 May 12");
  EXPECT_NEAR(a.UT, 0.5095833333333333, 1e-12);
  EXPECT_EQ(a.Star, "ZC123");
  EXPECT_EQ(a.SpectralType, "G5");
  EXPECT_EQ(a.BminusV, -1);
  EXPECT_DOUBLE_EQ(a.ContactAngle, 60);
  EXPECT_DOUBLE_EQ(a.Distance, 380500);
  EXPECT_DOUBLE_EQ(a.Velocity, 612);

  const Occelmnt_Format& b = list->Events[1];
  EXPECT_EQ(b.Date, "2024 May  5");
  EXPECT_EQ(b.Star, "XZ1234");
  EXPECT_EQ(b.SpectralType, "");
  EXPECT_NEAR(b.BminusV, 1.052, 1e-12);  // (11.5 - 10.9) * 1.845 - 0.055
  EXPECT_DOUBLE_EQ(b.Distance, 388400);
  EXPECT_DOUBLE_EQ(b.Velocity, 750);
  EXPECT_DOUBLE_EQ(b.ContactAngle, 0);

  EXPECT_EQ(list->Events[2].Date, "1995 Jan  1");
  EXPECT_EQ(list->Events[2].Star, "SAO12345");
  EXPECT_EQ(list->Events[2].SpectralType, "");
  EXPECT_DOUBLE_EQ(list->Events[2].ContactAngle, 90);
  EXPECT_EQ(list->Events[3].Star, "");
}

// A copied listing whose selection stopped inside a value of its last line:
// "38" of the distance "380.1" would be 38000 km, "61" of the velocity
// "612.3" 61 m/s. Such a line is left out and the cut is told; a line that
// stops between its columns keeps its values and the defaults of the rest.
TEST(PredictionElements, APastedLineCutInsideAValueIsLeftOut) {
  const std::string whole = PutColumns({{1, "24 May 12 14 30 05.5"}, {25, "  1234"}, {32, "K5"}, {35, " 7.2"},
                                        {40, " 6.5"}, {107, "-120.5"}, {139, "380.1"}, {145, "612.3"}},
                                       160, true);
  ASSERT_EQ(whole.size(), 149u);
  const std::string first = Put({{1, "24 May 12 14 29 00.0"}, {25, "  1111"}, {139, "381.0"}, {145, "700.0"}});
  struct Row {
    size_t length;
    bool cut;
    const char* star;
    double v, contact, distance, velocity;
  };
  for (const Row r : {Row{27, true, "", 0, 0, 0, 0}, Row{37, true, "", 0, 0, 0, 0}, Row{42, true, "", 0, 0, 0, 0},
                      Row{110, true, "", 0, 0, 0, 0}, Row{141, true, "", 0, 0, 0, 0}, Row{147, true, "", 0, 0, 0, 0},
                      Row{30, false, "ZC1234", 0, 0, 388400, 750}, Row{38, false, "ZC1234", 7.2, 0, 388400, 750},
                      Row{112, false, "ZC1234", 7.2, 59.5, 388400, 750},
                      Row{143, false, "ZC1234", 7.2, 59.5, 380100, 750},
                      Row{149, false, "ZC1234", 7.2, 59.5, 380100, 612.3}}) {
    SCOPED_TRACE(r.length);
    const auto list = ReadPredictionText({"Occultation prediction for Tokyo", first, whole.substr(0, r.length)});
    ASSERT_TRUE(list);
    EXPECT_EQ(list->LastEventCut, r.cut);
    ASSERT_EQ(list->Events.size(), r.cut ? 1u : 2u);
    ASSERT_EQ(list->Lines.size(), list->Events.size());
    EXPECT_EQ(list->Events[0].Star, "ZC1111");
    if (r.cut) continue;
    const Occelmnt_Format& e = list->Events[1];
    EXPECT_EQ(e.Star, r.star);
    EXPECT_DOUBLE_EQ(e.V, r.v);
    EXPECT_DOUBLE_EQ(e.ContactAngle, r.contact);
    EXPECT_DOUBLE_EQ(e.Distance, r.distance);
    EXPECT_DOUBLE_EQ(e.Velocity, r.velocity);
  }
  // Every event line cut: nothing to list.
  EXPECT_FALSE(ReadPredictionText({"Occultation prediction for Tokyo", whole.substr(0, 141)}));
}

// Listed contact angles of either sign and beyond 180 degrees all land in
// 0..90, in the pasted listing as in the lunar window.
// Expected values from the sum of powers evaluated with 50 digits: an absurd
// magnitude in an elements file still gives the finite combined magnitude.
TEST(PredictionElements, CombinedMagnitudeStaysFiniteForAbsurdMagnitudes) {
  struct Row {
    double m1, m2, expected;
  } rows[] = {{14.5, 11.2, 11.149236609078185},
              {-1000, 11.2, -999.99981348455559},
              {11.2, -1000, -999.99981348455559},
              {-1000, -1000, -1000.7523884737155},
              {400, 400, 399.24735040466228},
              {1e30, 11.2, 11.199997911027022}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.m1) + " " + std::to_string(r.m2));
    EXPECT_NEAR(CombinedMagnitude(r.m1, r.m2), r.expected, 1e-9);
  }
  EXPECT_TRUE(std::isfinite(CombinedMagnitude(1e30, 1e30)));
}

TEST(PredictionElements, ContactAnglesFoldIntoZeroToNinety) {
  struct Row {
    const char* text;  // columns 107-112
    double angle;
  };
  const Row rows[] = {{"-120.0", 60}, {"  90.0", 90}, {" 270.0", 90}, {" 350.0", 10}, {"-350.0", 10},
                      {" 190.0", 10}, {" 540.0", 0},  {" 405.0", 45}, {"   abc", 0}, {" 180.0", 0}};
  for (const Row& r : rows) {
    const auto list = ReadPredictionText(
        {"Occultation prediction for Tokyo", Put({{1, "24 May 12  0 30 34.5"}, {25, "   123"}, {107, r.text}})});
    ASSERT_TRUE(list) << r.text;
    EXPECT_DOUBLE_EQ(list->Events[0].ContactAngle, r.angle) << r.text;
    EXPECT_DOUBLE_EQ(FoldedContactAngle(ParseDoubleOr(r.text, 0)), r.angle) << r.text;
  }
}

TEST(PredictionElements, EventIsChosenOnlyWithinFiveHundredthsOfAnHour) {
  std::vector<Occelmnt_Format> events(3);
  for (auto& e : events) e.ObjectName = "Moon";
  events[0].Date = "2024 May 11", events[0].UT = 3.0;
  events[1].Date = "2024 May 12", events[1].UT = 3.0;
  events[2].Date = "2024 May  5", events[2].UT = 7.5;
  const std::string may12 = VideoDateText("24", "5", "12");
  EXPECT_EQ(may12, "2024 May 12");
  EXPECT_EQ(VideoDateText("24", "5", "5"), "2024 May  5");
  EXPECT_EQ(VideoDateText("95", "1", "5"), "1995 Jan  5");
  EXPECT_EQ(VideoDateText("24", "13", "5"), "");
  EXPECT_EQ(VideoDateText("24", "0", "5"), "");
  struct Case {
    std::string date;
    double ut;
    int expected;
  };
  const std::vector<Case> cases = {{may12, 3.0, 1},  {may12, 3.049, 1}, {may12, 2.951, 1}, {may12, 3.051, -1},
                                   {may12, 2.949, -1}, {"2024 May  5", 7.5, 2}, {"", 3.0, -1}};
  for (const Case& c : cases) EXPECT_EQ(SelectEventByVideoTime(events, c.date, c.ut), c.expected) << c.ut;
  events[0].ObjectName = "Pallas";
  EXPECT_EQ(SelectEventByVideoTime(events, may12, 3.0), -1);
}

// An event just before midnight is found from a video just after it, on the
// next day's date, within the same 0.05 h.
TEST(PredictionElements, EventIsChosenAcrossMidnight) {
  struct Row {
    const char* event_date;
    double event_ut;
    const char* video_date;
    double video_ut;
    int expected;
  };
  const Row rows[] = {
      {"2024 May 12", 23.99, "2024 May 13", 0.02, 0}, {"2024 May 12", 23.99, "2024 May 13", 0.05, -1},
      {"2024 May 13", 0.02, "2024 May 12", 23.98, 0},  {"2024 May 31", 23.98, "2024 Jun  1", 0.01, 0},
      {"2023 Dec 31", 23.99, "2024 Jan  1", 0.02, 0},  {"2024 May 11", 23.99, "2024 May 13", 0.02, -1},
      {"2024 Feb 28", 23.99, "2024 Mar  1", 0.02, -1}, {"2024 Feb 29", 23.99, "2024 Mar  1", 0.02, 0},
  };
  for (const Row& r : rows) {
    std::vector<Occelmnt_Format> events(1);
    events[0].ObjectName = "Moon";
    events[0].Date = r.event_date;
    events[0].UT = r.event_ut;
    EXPECT_EQ(SelectEventByVideoTime(events, r.video_date, r.video_ut), r.expected)
        << r.event_date << " " << r.video_date << " " << r.video_ut;
  }
}

// Stars of a cluster reach the limb minutes apart: of the events within
// 0.05 h of the video the nearest in time is chosen, across midnight too.
TEST(PredictionElements, TheEventNearestTheVideoTimeIsChosen) {
  auto hours = [](int h, int m, int s) { return h + m / 60.0 + s / 3600.0; };
  const std::vector<std::pair<const char*, double>> listed = {
      {"2024 Feb 15", hours(20, 0, 0)},   {"2024 Feb 15", hours(20, 1, 40)}, {"2024 Feb 15", hours(20, 4, 0)},
      {"2024 Feb 15", hours(23, 59, 50)}, {"2024 Feb 16", hours(0, 0, 40)}};
  std::vector<Occelmnt_Format> events;
  for (const auto& [date, ut] : listed) {
    Occelmnt_Format e;
    e.ObjectName = "Moon", e.Date = date, e.UT = ut;
    events.push_back(e);
  }
  struct Row {
    const char* video_date;
    int h, m, s;
    int expected;
  };
  const Row rows[] = {
      {"2024 Feb 15", 20, 0, 30, 0}, {"2024 Feb 15", 20, 1, 30, 1}, {"2024 Feb 15", 20, 3, 30, 2},
      {"2024 Feb 15", 19, 57, 30, 0}, {"2024 Feb 15", 20, 6, 50, 2}, {"2024 Feb 15", 20, 7, 30, -1},
      {"2024 Feb 15", 23, 59, 55, 3}, {"2024 Feb 16", 0, 0, 30, 4},  {"2024 Feb 16", 0, 0, 5, 3},
  };
  for (const Row& r : rows)
    EXPECT_EQ(SelectEventByVideoTime(events, r.video_date, hours(r.h, r.m, r.s)), r.expected)
        << r.video_date << " " << r.h << ":" << r.m << ":" << r.s;
}

TEST(PredictionElements, ShownTextsAndFresnelNumber) {
  Occelmnt_Format e;
  e.ObjectName = "Vesta", e.ObjectNumber = 4, e.ObjectDiameter = 10, e.Distance = 1.5e8;
  e.UT = 5.25, e.V = 11.2, e.ObjectMagnitude = 14.5, e.Velocity = 1252.7771558572;
  e.BminusV = -1, e.B = 12, e.R = 10;
  const PredictionEventTexts t = DescribePredictionEvent(e);
  EXPECT_NEAR(FresnelNumber(10, 1.5e8), 277.7777777777, 1e-6);
  EXPECT_EQ(t.FresnelNumber, "278");
  EXPECT_EQ(t.UT, " 5.3");
  EXPECT_EQ(t.Object, "(4)Vesta");
  EXPECT_EQ(t.Velocity, "1252.8");
  EXPECT_EQ(t.BminusV, "--");
  EXPECT_EQ(t.CombinedMagnitude, "11.15");
  EXPECT_EQ(t.MagnitudeDrop, "3.4");  // 14.5 - 11.149
  EXPECT_EQ(DescribePredictionEvent(Occelmnt_Format{}).B, " - ");
  Occelmnt_Format small = e;
  small.ObjectDiameter = 1;  // F = 2.78
  EXPECT_EQ(DescribePredictionEvent(small).FresnelNumber, "2.78");
  small.ObjectDiameter = 5;  // F = 69.4
  EXPECT_EQ(DescribePredictionEvent(small).FresnelNumber, "69.4");
}

// Velocity components or a distance too large to hold once converted keep
// the reset value 0, which the diffraction panel replaces by its defaults,
// instead of handing it an infinite speed or distance. Values just inside
// the range are taken (hand-computed: hypot x 6378.1 x 1000 / 3600).
TEST(PredictionElements, AbsurdVelocityAndDistanceKeepTheResetValue) {
  struct Row {
    const char *v1, *v2, *au;
    double velocity, distance;
  };
  for (const Row& r : {Row{"1e306", "1e306", "1e301", 0, 0}, Row{"-1e307", "0", "-1e308", 0, 0},
                       Row{"3e304", "4e304", "1e299", 5e304 * 6378.1 * 1000.0 / 3600.0, 1e299 * 149597870.7},
                       Row{"0.5", "0.5", "1.0", 1252.7771558572001, 149597870.7}}) {
    const std::string text = std::string("<Occultations>\n<Event>\n<Elements>a,b,2024,5,12,14.25,c,d,") + r.v1 + "," +
                             r.v2 + "\n<Object>7,Iris,10,10," + r.au + "\n</Event>\n</Occultations>\n";
    const auto list = ParseXmlPredictionFile(SplitOnLf(text));
    ASSERT_TRUE(list) << r.v1;
    ASSERT_EQ(list->Events.size(), 1u) << r.v1;
    const Occelmnt_Format& e = list->Events[0];
    EXPECT_TRUE(std::isfinite(e.Velocity)) << r.v1;
    EXPECT_TRUE(std::isfinite(e.Distance)) << r.au;
    EXPECT_NEAR(e.Velocity, r.velocity, std::fabs(r.velocity) * 1e-12) << r.v1;
    EXPECT_NEAR(e.Distance, r.distance, std::fabs(r.distance) * 1e-12) << r.au;
  }
}
