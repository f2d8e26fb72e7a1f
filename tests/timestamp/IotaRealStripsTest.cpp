// IOTA-VTI stamps cut from real captures, put back into interlaced frames:
// the locator finds the line, measures each field's glyph rows, and every
// field's time, fraction and counter read as labelled by eye, with the
// earlier field as field 1 (in every set here the even field).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/IotaVtiStrips.h"
#include "timestamp/StampLocator.h"

namespace {

struct Layout {
  const char* name;
  FieldOrder order;
  int oddLinesHigher;
  int dx, dy;  // the strips moved right and down from their usual place
  int glyphLevel;
};

const Layout kLayouts[] = {{"odd first", FieldOrder::OddFirst, 0, 0, 0, 235},
                           {"even first", FieldOrder::EvenFirst, 0, 0, 0, 235},
                           {"odd strip one line higher", FieldOrder::OddFirst, 1, 0, 0, 235},
                           {"3 columns right, 20 rows up, dim", FieldOrder::OddFirst, 0, 3, -20, 100},
                           {"2 columns left, 10 rows up", FieldOrder::EvenFirst, 1, -2, -10, 235},
                           {"one line lower", FieldOrder::OddFirst, 0, 0, 1, 235}};

// Strip rows of the glyphs of each set, counted by eye on the strips.
struct SetGlyphRows {
  const char* set;
  int top, lines;
};
const SetGlyphRows kGlyphRows[] = {
    {"001_tvsafe", 4, 14}, {"002", 5, 12}, {"003", 3, 14}, {"004", 6, 14}, {"005_tvsafe", 6, 14}, {"006", 6, 13}};

std::string Expected(const VtiFieldLabel& f) { return f.time + " " + f.fraction + " " + f.counter; }

// hh:mm:ss ffff counter of a field as read.
std::string Read(const std::string& h, const std::string& m, const std::string& full, const std::string& count) {
  if (full.size() != 7) return "seconds " + full;
  return h + ":" + m + ":" + full.substr(0, 2) + " " + full.substr(3) + " " + count;
}

TEST(IotaRealStrips, EveryFieldOfEverySetReadsRight) {
  const std::filesystem::path folder = VtiDataFolder();
  const std::vector<VtiSet> sets = LoadVtiSets(folder);
  ASSERT_EQ(sets.size(), 6u) << "no labels in " << folder;
  for (const Layout& l : kLayouts)
    for (const VtiSet& set : sets) {
      const std::string name = std::string(l.name) + ", set " + set.name;
      GlyphContext ctx;
      ctx.mode = TimeStampMode::Iota;
      ctx.frameRateRounded = set.ntsc ? 30 : 25;
      ctx.digitThreshold = 80;
      TimeStampState state;
      StampLocatorState loc;
      StampReadOptions opt;
      opt.fieldOrder = l.order;
      opt.fieldMeasure = true;
      uint32_t seed = 1;
      for (size_t n = 0; n < set.frames.size(); ++n) {
        const VtiFrameLabels& fr = set.frames[n];
        const VtiStrip even = LoadVtiStrip(folder / set.name / fr.even.file);
        const VtiStrip odd = LoadVtiStrip(folder / set.name / fr.odd.file);
        ASSERT_GT(even.width, 0) << fr.even.file;
        ASSERT_GT(odd.width, 0) << fr.odd.file;
        const int top = VtiStripTop(set) + l.dy;
        const Bitmap24 f =
            ComposeVtiFrame(even, odd, set.ntsc ? 480 : 576, top, l.oddLinesHigher, seed++, l.dx, l.glyphLevel);
        if (n == 0) {
          ASSERT_TRUE(LocateIotaTimeStamp(f, ctx, state, loc, {})) << name;
          ctx.stampLocated = true;
          for (const SetGlyphRows& g : kGlyphRows) {
            if (set.name != g.set) continue;
            // Moved by an odd number of lines, the even field's strip lies on odd rows.
            const int earlyTop = top + 2 * g.top, lateTop = top + 2 * g.top + 1 - 2 * l.oddLinesHigher;
            EXPECT_EQ(state.LocatedFieldTop[earlyTop & 1], earlyTop) << name;
            EXPECT_EQ(state.LocatedFieldTop[lateTop & 1], lateTop) << name;
            EXPECT_EQ(ctx.stampCharHeight, 2 * g.lines) << name;
          }
        }
        StampTexts t;
        ASSERT_EQ(ReadTimeStamp(f, ctx, opt, state, t), 1) << name;
        EXPECT_EQ(Read(t.StampH1, t.StampM1, t.StampS1Full, t.StampCount1), Expected(fr.even))
            << name << " " << fr.even.file;
        EXPECT_EQ(Read(t.StampH2, t.StampM2, t.StampS2Full, t.StampCount2), Expected(fr.odd))
            << name << " " << fr.odd.file;
        EXPECT_EQ(state.StampFieldOrder, (top & 1) ? 0 : 1) << name;
      }
    }
}

}  // namespace
