// Stamps an observer cannot fully see: a digit covered (a star label, a
// reflection), or a line cut by the frame's bottom edge. Every field gets its
// whole time or none, never a time with zeros or misread digits in the gaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/StampContexts.h"
#include "support/StampRender.h"
#include "timestamp/FrameTimeDisplay.h"
#include "timestamp/TimeStampReader.h"

namespace {

enum class Inserter { Iota, Kiwi, Ghs };

// Both fields one frame across midnight; the cells of the time digits.
struct DrawnStamp {
  Inserter inserter;
  const char* name;
  std::string field1, field2;     // as drawn, one character per cell
  std::vector<int> timeCells;     // indices into the cell columns of the hh mm ss digits
  std::vector<int> dateCells;     // GHS: the date digits
  StampTexts truth;
};

std::vector<DrawnStamp> Stamps() {
  std::vector<DrawnStamp> out;
  {
    DrawnStamp s{Inserter::Iota, "IOTA-VTI", "2359599833    1234567", "000000    01661234568",
                 {0, 1, 2, 3, 4, 5}, {}, {}};
    s.truth.StampH1 = "23", s.truth.StampM1 = "59", s.truth.StampS1Full = "59.9833";
    s.truth.StampH2 = "00", s.truth.StampM2 = "00", s.truth.StampS2Full = "00.0166";
    s.truth.StampCount1 = "1234567", s.truth.StampCount2 = "1234568";
    out.push_back(s);
  }
  {
    DrawnStamp s{Inserter::Kiwi, "KIWI-OSD", "235959000983", "000000016000", {0, 1, 2, 3, 4, 5}, {}, {}};
    s.truth.StampH1 = "23", s.truth.StampM1 = "59", s.truth.StampS1Full = "59.983";
    s.truth.StampH2 = "00", s.truth.StampM2 = "00", s.truth.StampS2Full = "00.016";
    out.push_back(s);
  }
  {
    // Cells -9..-2 the date, one filler for field 6, then the time.
    DrawnStamp s{Inserter::Ghs, "GHS", "261231 235959990", "270101 000000007", {7, 8, 9, 10, 11, 12},
                 {0, 1, 2, 3, 4, 5}, {}};
    s.truth.StampH1 = "23", s.truth.StampM1 = "59", s.truth.StampS1Full = "59.990";
    s.truth.StampH2 = "00", s.truth.StampM2 = "00", s.truth.StampS2Full = "00.007";
    s.truth.StampDate1 = "26", s.truth.StampDate2 = "12", s.truth.StampDate3 = "31";
    out.push_back(s);
  }
  return out;
}

struct Drawn {
  Bitmap24 frame;
  std::vector<int> xs;  // the cell columns
  int top = 0;          // glyph top of the upper field
};

// The stamp drawn into a 720-pixel frame of the given height; the character
// of cell `covered` (when not -1) is hidden in both fields.
Drawn Draw(DrawnStamp s, int height, int covered = -1) {
  if (covered >= 0) s.field1[static_cast<size_t>(covered)] = s.field2[static_cast<size_t>(covered)] = ' ';
  Drawn d{NoisyFrame(720, height, 77), {}, 0};
  switch (s.inserter) {
    case Inserter::Iota: {
      d.xs = IotaCellXs(85, 24.1);
      d.top = 436;
      DrawIotaFields(d.frame, s.field1, s.field2, d.xs, 437, 24.1);
      break;
    }
    case Inserter::Kiwi:
      d.xs = {85, 109, 156, 180, 227, 251, 322, 345, 369, 440, 463, 487};
      d.top = 409;
      DrawKiwiFields(d.frame, s.field1, s.field2, 409);
      break;
    case Inserter::Ghs: {
      d.xs = GhsCellXs(380, 20.0);
      d.top = 382;
      const StampGlyphStyle style{StampFont::Ghs, 2, 20.0, 4, 2, 2, kStampStroke};
      DrawStampText(d.frame, s.field1, d.xs, 383, style);
      DrawStampText(d.frame, s.field2, d.xs, 382, style);
      break;
    }
  }
  return d;
}

StampTexts Read(const DrawnStamp& s, const Drawn& d) {
  TimeStampState state;
  GlyphContext ctx;
  switch (s.inserter) {
    case Inserter::Iota:
      for (size_t i = 0; i < d.xs.size(); ++i) state.DigitX[5][7 + i] = d.xs[i];
      state.LocatedStampRow = 435;
      ctx = IotaContext(24.1);
      break;
    case Inserter::Kiwi:
      LoadKiwiDigitPositions(state.DigitX);
      ctx = KiwiContext(30);
      break;
    case Inserter::Ghs:
      for (size_t i = 0; i < d.xs.size(); ++i) state.DigitX[5][i] = d.xs[i];
      state.LocatedStampRow = 383;
      ctx = GhsContext(20.0);
      break;
  }
  StampReadOptions opt;
  opt.fieldMeasure = true;
  StampTexts t;
  ReadTimeStamp(d.frame, ctx, opt, state, t);
  // As the main window takes the texts: a field that reads as no time can be is dropped.
  DropImpossibleFieldTimes(t, opt.fieldMeasure, ctx.mode == TimeStampMode::Ghs);
  return t;
}

std::string Field1(const StampTexts& t) { return t.StampH1 + "|" + t.StampM1 + "|" + t.StampS1Full; }
std::string Field2(const StampTexts& t) { return t.StampH2 + "|" + t.StampM2 + "|" + t.StampS2Full; }
std::string Date(const StampTexts& t) { return t.StampDate1 + t.StampDate2 + t.StampDate3; }
const std::string kNoTime = "||";

}  // namespace

// One covered digit of the time (both fields' lines) takes the time of both
// fields, not only its digit (03:59:59 for 23:59:59); a covered date digit
// takes the date only.
TEST(StampCover, ACoveredDigitGivesNoTimeNotAZero) {
  for (const DrawnStamp& s : Stamps()) {
    const StampTexts whole = Read(s, Draw(s, 480));
    ASSERT_EQ(Field1(whole), Field1(s.truth)) << s.name;
    ASSERT_EQ(Field2(whole), Field2(s.truth)) << s.name;
    ASSERT_EQ(Date(whole), Date(s.truth)) << s.name;
    auto covered = [&](int cell) { return Read(s, Draw(s, 480, cell)); };
    for (int cell : s.timeCells) {
      const StampTexts t = covered(cell);
      EXPECT_EQ(Field1(t), kNoTime) << s.name << " cell " << cell;
      EXPECT_EQ(Field2(t), kNoTime) << s.name << " cell " << cell;
    }
    for (int cell : s.dateCells) {
      const StampTexts t = covered(cell);
      EXPECT_EQ(Date(t), "") << s.name << " cell " << cell;
      EXPECT_EQ(Field1(t), Field1(s.truth)) << s.name << " cell " << cell;
    }
  }
}

// A frame whose bottom cuts through the stamp line (a video cropped or
// digitised with fewer lines): every field, counter and date reads whole or
// not at all, whatever the number of lines left.
TEST(StampCover, ALineCutByTheFrameBottomReadsWholeOrNotAtAll) {
  for (const DrawnStamp& s : Stamps()) {
    const int top = Draw(s, 480).top;
    int whole = 0;
    for (int height = top + 40; height >= top - 2; --height) {
      const StampTexts t = Read(s, Draw(s, height));
      const std::string at = std::string(s.name) + " height " + std::to_string(height);
      EXPECT_TRUE(Field1(t) == Field1(s.truth) || Field1(t) == kNoTime) << at << ": " << Field1(t);
      EXPECT_TRUE(Field2(t) == Field2(s.truth) || Field2(t) == kNoTime) << at << ": " << Field2(t);
      EXPECT_TRUE(t.StampCount1 == s.truth.StampCount1 || t.StampCount1.empty()) << at << ": " << t.StampCount1;
      EXPECT_TRUE(t.StampCount2 == s.truth.StampCount2 || t.StampCount2.empty()) << at << ": " << t.StampCount2;
      EXPECT_TRUE(Date(t) == Date(s.truth) || Date(t).empty()) << at << ": " << Date(t);
      whole += Field1(t) == Field1(s.truth);
    }
    EXPECT_GT(whole, 5) << s.name;  // the frames that hold the whole line read it
  }
}
