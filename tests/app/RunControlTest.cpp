#include "app/RunControl.h"

#include <gtest/gtest.h>

#include "base/ResultTable.h"

namespace {

// A version-3 style table: six header lines, then rows "n.0,...".
std::vector<std::string> Table(int header_lines, std::vector<std::string> rows) {
  std::vector<std::string> t;
  t.push_back("Tessary File Format (for Ver.0.9.99.5 later)");
  for (int i = 1; i < header_lines; ++i) t.push_back("header " + std::to_string(i));
  for (auto& r : rows) t.push_back(r);
  return t;
}

}  // namespace

TEST(RunControl, RowFrameNumberTruncates) {
  EXPECT_EQ(RowFrameNumber("123.5,1,2"), 123);
  EXPECT_EQ(RowFrameNumber("10.0"), 10);
  EXPECT_EQ(RowFrameNumber("\"7.0\",x"), 7);
  EXPECT_EQ(RowFrameNumber("No.,H,M"), -1);
  EXPECT_EQ(RowFrameNumber(""), -1);
  EXPECT_EQ(RowFrameNumber("1e30"), -1);
  EXPECT_EQ(LastMeasuredFrameFromTable(Table(6, {}), 6), -1);
  EXPECT_EQ(LastMeasuredFrameFromTable(Table(6, {"0.0,a", "5.0,b"}), 6), 5);
  // Lines a spreadsheet added after the rows name no frame.
  EXPECT_EQ(LastMeasuredFrameFromTable(Table(6, {"0.0,a", "5.0,b", "Average,3", "-,,"}), 6), 5);
  EXPECT_EQ(LastMeasuredFrameFromTable(Table(6, {"nan,a", "-7,b"}), 6), -1);
}

TEST(RunControl, RowLineOfFrameFindsTheFramesOwnRow) {
  struct Case {
    const char* name;
    std::vector<std::string> rows;
    int start, frame, line;
  } cases[] = {
      {"one per frame", {"4.0,a", "5.0,b", "6.0,c"}, 4, 5, 7},
      {"step 2", {"4.0,a", "6.0,b", "8.0,c"}, 4, 6, 7},
      {"step 2, last row", {"4.0,a", "6.0,b", "8.0,c"}, 4, 8, 8},
      {"step 2, frame between rows", {"4.0,a", "6.0,b", "8.0,c"}, 4, 7, -1},
      {"field rows", {"4.0,a", "4.5,b", "5.0,c", "5.5,d"}, 4, 5, 8},
      {"field rows, step 3", {"4.0,a", "4.5,b", "7.0,c", "7.5,d", "10.0,e", "10.5,f"}, 4, 7, 8},
      {"field rows, step 2", {"4.0,a", "4.5,b", "6.0,c", "6.5,d"}, 4, 6, 8},
      {"after the last row", {"4.0,a", "5.0,b"}, 4, 6, -1},
      {"before the first row", {"4.0,a", "5.0,b"}, 4, 3, -1},
      {"no rows", {}, 4, 4, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(RowLineOfFrame(Table(6, c.rows), 6, c.start, c.frame), c.line) << c.name;
}

TEST(RunControl, TimerTickEndsInsteadOfTickingInPlace) {
  struct Row {
    const char* name;
    int pos, step, max;
    bool back;
    bool move;
    int to;
    bool stop, end, playing_off;
  } rows[] = {
      {"forward", 3, 1, 11, false, true, 4, false, false, false},
      {"forward onto last", 10, 1, 11, false, true, 11, false, false, true},
      {"forward past last", 8, 5, 11, false, false, 0, true, true, true},
      {"at last", 11, 1, 11, false, false, 0, true, true, true},
      {"backward", 5, -2, 11, true, true, 3, false, false, false},
      {"backward onto 0", 2, -2, 11, true, true, 0, false, false, true},
      {"backward at 0", 0, -2, 11, true, false, 0, true, false, true},
      {"backward past 0", 3, -5, 11, true, false, 0, true, true, true},
  };
  for (const Row& r : rows) {
    const TimerTick t = PlanTimerTick(r.pos, r.step, r.max, r.back);
    EXPECT_EQ(t.Move, r.move) << r.name;
    if (r.move) {
      EXPECT_EQ(t.NewPosition, r.to) << r.name;
    }
    EXPECT_EQ(t.StopTimer, r.stop) << r.name;
    EXPECT_EQ(t.EndOfRange, r.end) << r.name;
    EXPECT_EQ(t.PlayingOff, r.playing_off) << r.name;
  }
}

TEST(RunControl, StepButtonsAndGoToFrame) {
  struct Row {
    StepButton b;
    int pos, max, fps;
    std::optional<int> to;
  } rows[] = {
      {StepButton::Forward1, 5, 11, 25, 6},     {StepButton::Forward1, 11, 11, 25, std::nullopt},
      {StepButton::Back1, 0, 11, 25, std::nullopt}, {StepButton::Back1, 1, 11, 25, 0},
      {StepButton::Forward1s, 0, 100, 25, 25},  {StepButton::Forward1s, 76, 100, 25, std::nullopt},
      {StepButton::Forward1s, 75, 100, 25, 100}, {StepButton::Back1s, 24, 100, 25, std::nullopt},
      {StepButton::Back1s, 25, 100, 25, 0},     {StepButton::Forward10s, 0, 1000, 25, 250},
      {StepButton::Forward10s, 751, 1000, 25, std::nullopt}, {StepButton::Forward10s, 750, 1000, 25, 1000},
      {StepButton::Back10s, 249, 1000, 25, std::nullopt}, {StepButton::Back10s, 250, 1000, 25, 0},
      {StepButton::Forward1s, 0, 100, 0, std::nullopt}, {StepButton::ToStart, 50, 100, 25, 0},
  };
  for (const Row& r : rows) EXPECT_EQ(StepButtonTarget(r.b, r.pos, r.max, r.fps), r.to) << static_cast<int>(r.b) << " " << r.pos;
  EXPECT_EQ(GoToFrameTarget(0, 11), 0);
  EXPECT_EQ(GoToFrameTarget(11, 11), 11);
  EXPECT_EQ(GoToFrameTarget(12, 11), std::nullopt);
  EXPECT_EQ(GoToFrameTarget(-1, 11), std::nullopt);
}

TEST(RunControl, StartFindsNothingLeftToMeasure) {
  struct Row {
    const char* name;
    int pos, last, max;
    bool nothing_left;
  } rows[] = {
      {"last frame measured and shown", 11, 11, 11, true},
      {"last frame measured, another shown", 5, 11, 11, false},
      {"rows end before the last frame", 4, 4, 11, false},
      {"no rows", 0, -1, 0, false},
      {"rows past the video's end", 0, 4, 2, true},
  };
  for (const Row& r : rows) EXPECT_EQ(LastFrameAlreadyMeasured(r.pos, r.last, r.max), r.nothing_left) << r.name;
}

TEST(RunControl, FieldRowsAreTold) {
  struct Row {
    const char* name;
    std::vector<std::string> rows;
    bool fields;
  } rows[] = {
      {"frame rows", {"10.0,a", "11.0,b"}, false},
      {"field pair", {"10.0,a", "10.5,b", "11.0,c"}, true},
      {"quoted field pair", {"\"3.0\",a", "\"3.5\",b"}, true},
      {"frame rows a step of 2 apart", {"0.0,a", "2.0,b"}, false},
      {"one row", {"10.0,a"}, false},
      {"no rows", {}, false},
      {"not numbers", {"x,a", "y,b"}, false},
  };
  for (const Row& r : rows) EXPECT_EQ(TableHasFieldRows(Table(6, r.rows), 6), r.fields) << r.name;
}

// The header the writer makes, with and without the video-system line (the
// start-up table has none), names the layout; the oldest tables' header names
// none.
TEST(RunControl, HeaderNamesTheRowLayout) {
  for (bool fields : {false, true})
    for (bool video_line : {false, true}) {
      CsvFormatParams p;
      p.FieldMode = fields;
      ResultTable t;
      if (video_line)
        WriteCsvHeader(t, p);
      else
        WriteInitialCsvHeader(t, p);
      const int header = DetectCsvVersion(t).CsvHeaderLines;
      ASSERT_EQ(header, video_line ? 6 : 5);
      EXPECT_EQ(HeaderNamesFieldRows(t.Lines(), header), std::optional<bool>(fields)) << fields << video_line;
    }
  EXPECT_EQ(HeaderNamesFieldRows({"FileName : a.avi", "old header", "No.,Value"}, 3), std::nullopt);
  EXPECT_EQ(HeaderNamesFieldRows({}, 6), std::nullopt);
}

TEST(RunControl, StartResumesInStepAfterTheLastMeasuredFrame) {
  struct Row {
    const char* name;
    int pos, last, max, step;
    int resume;
  } rows[] = {
      {"no rows", 3, -1, 11, 1, 3},
      {"on the last measured frame", 4, 4, 11, 2, 4},
      {"moved back, step 1", 0, 4, 11, 1, 5},
      {"moved back, step 2", 0, 4, 11, 2, 6},
      {"moved on, step 5", 9, 0, 11, 5, 5},
      {"no frame in step left", 0, 10, 11, 5, 10},
      {"last frame measured", 3, 11, 11, 1, 11},
  };
  for (const Row& r : rows) EXPECT_EQ(ResumePosition(r.pos, r.last, r.max, r.step), r.resume) << r.name;
}

// 'DEL' takes the rows of the last frame only: both of a field pair, never a
// row of the frame before.
TEST(RunControl, DeleteTakesTheLastFramesRowsOnly) {
  struct Case {
    const char* name;
    std::vector<std::string> rows;
    bool field;
    int position;
    int lines_deleted;
    int new_last;
  };
  const Case cases[] = {
      {"FramePerRow", {"3.0,a", "4.0,a", "5.0,a"}, false, 5, 1, 4},
      {"FieldPair", {"3.0,a", "3.5,a", "4.0,a", "4.5,a"}, true, 4, 2, 3},
      {"HalfPairLast", {"2.0,a", "2.5,a", "3.0,a"}, true, 3, 1, 2},
      {"OnlyHalfPair", {"3.0,a"}, true, 3, 1, -1},
      {"OnlyPair", {"3.0,a", "3.5,a"}, true, 3, 2, -1},
      {"StepTwoFieldPairs", {"1.0,a", "1.5,a", "3.0,a", "3.5,a"}, true, 3, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::string> lines = Table(6, c.rows);
    const DeletePlan p = PlanDeleteLastRows(lines, 6, c.position, c.position, 20, c.field);
    ASSERT_TRUE(p.Acted);
    EXPECT_EQ(p.LinesToDelete, c.lines_deleted);
    EXPECT_EQ(p.NewLastMeasuredFrame, c.new_last);
  }
}
