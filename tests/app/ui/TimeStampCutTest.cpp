// Stamps the frame cannot hold whole, run through the real window: IOTA-VTI
// lines of real captures pushed down until the frame's bottom cuts them, and
// videos only a few lines high. Every row carries its frame's time or none,
// never a time read from half a line.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <string>
#include <vector>

#include "MainRoadFixture.h"
#include "support/IotaVtiStrips.h"
#include "support/StampRender.h"

namespace {

std::vector<std::string> Columns(const std::string& row, int from, int to) {
  std::vector<std::string> c;
  for (int i = from; i <= to; ++i) c.push_back(StripQuotes(GetCsvField(row, i)));
  return c;
}

// A set as captured, then with its line moved down by `lower` lines.
TEST(TimeStampCut, IotaLinePushedOffTheBottomReadsWholeOrNotAtAll) {
  const std::filesystem::path folder = VtiDataFolder();
  const std::vector<VtiSet> sets = LoadVtiSets(folder);
  ASSERT_FALSE(sets.empty()) << folder;
  for (const VtiSet& set : sets) {
    if (set.name != "002" && set.name != "004") continue;  // one PAL, one NTSC set near the bottom
    for (const int lower : {0, 8, 10, 14}) {
      const std::string name = set.name + " " + std::to_string(lower) + " lines lower";
      MainRoadWindow m(Reader::OwnAvi);
      m.ReadStampsOf("IOTA-VTI");
      std::vector<Bitmap24> frames;
      uint32_t seed = 5;
      const size_t count = std::min<size_t>(set.frames.size(), 4);
      for (size_t i = 0; i < count; ++i) {
        const VtiFrameLabels& l = set.frames[i];
        frames.push_back(ComposeVtiFrame(LoadVtiStrip(folder / set.name / l.even.file),
                                         LoadVtiStrip(folder / set.name / l.odd.file), set.ntsc ? 480 : 576,
                                         VtiStripTop(set) + 2 * (lower / 2), lower % 2, seed++));
      }
      AviWriterOptions o;
      o.rate = set.ntsc ? 30000 : 25;
      o.scale = set.ntsc ? 1001 : 1;
      const auto path = m.Path("vti.avi");
      ASSERT_TRUE(WriteAvi(path.string(), frames, o));
      ASSERT_TRUE(m.OpenThroughButton1(path)) << name;
      m.Click("Button3");
      ASSERT_TRUE(m.WaitUntilStopped()) << name;
      const std::vector<std::string> rows = m.Rows();
      ASSERT_EQ(rows.size(), count) << name;
      int whole = 0;
      for (size_t i = 0; i < rows.size(); ++i) {
        const std::vector<std::string> want = VtiRowTimes(set.frames[i]), got = Columns(rows[i], 2, 7);
        // Counters each whole or empty; the time of both fields whole or empty.
        for (size_t c = 0; c < 2; ++c)
          EXPECT_TRUE(got[c] == want[c] || got[c].empty())
              << name << " row " << i << ": " << rows[i] << " want " << want[c];
        const std::vector<std::string> time(got.begin() + 2, got.end()), wantTime(want.begin() + 2, want.end());
        EXPECT_TRUE(time == wantTime || time == std::vector<std::string>(4)) << name << " row " << i << ": " << rows[i];
        whole += time == wantTime;
      }
      if (lower == 0) {
        EXPECT_EQ(whole, static_cast<int>(count)) << name;
      }
    }
  }
}

// Generated IOTA-VTI lines at the frame's bottom or beside a white band
// across the frame, run through the real window: each row carries the time
// drawn, or with the line cut by the bottom no time, and the window says no
// stamp was found.
TEST(TimeStampCut, IotaLineAtTheBottomOrBesideABandReadsAsDrawnOrNotAtAll) {
  struct Case {
    const char* name;
    int height, rate, top;
    int bandFirst, bandLast;  // white rows across the frame; none when first > last
    bool located;
  };
  const Case cases[] = {{"band above the line", 480, 30, 435, 420, 428, true},
                        {"band below the line", 480, 30, 435, 466, 479, true},
                        {"glyphs end on the second-last row", 480, 30, 452, 1, 0, true},
                        {"PAL, the bottom cuts the glyphs", 576, 25, 556, 1, 0, false}};
  const double pitch = (540.0 - 82.0) / 19.0;
  for (const Case& c : cases) {
    MainRoadWindow m(Reader::OwnAvi);
    m.ReadStampsOf("IOTA-VTI");
    std::vector<Bitmap24> frames;
    std::vector<std::vector<std::string>> want;
    for (int n = 0; n < 3; ++n) {
      const std::string s = "5" + std::to_string(n);
      const std::string count1 = std::to_string(4000 + 2 * n), count2 = std::to_string(4001 + 2 * n);
      Bitmap24 f = NoisyFrame(720, c.height, 70 + static_cast<uint32_t>(n));
      DrawIotaFields(f, "2359" + s + "0167    " + count1, "2359" + s + "    0333" + count2,
                     IotaCellXs(84, pitch), c.top, pitch);
      for (int y = c.bandFirst; y <= c.bandLast; ++y)
        for (int x = 0; x < 720; ++x) f.Set(x, y, {255, 255, 255});
      frames.push_back(std::move(f));
      want.push_back(c.located ? std::vector<std::string>{count1, count2, "23", "59", s + ".0167", s + ".0333"}
                               : std::vector<std::string>(6));
    }
    AviWriterOptions o;
    o.rate = c.rate;
    const auto path = m.Path("vti.avi");
    ASSERT_TRUE(WriteAvi(path.string(), frames, o));
    ASSERT_TRUE(m.OpenThroughButton1(path)) << c.name;
    EXPECT_EQ(m.Find<QLineEdit>("Edit56")->text() == "No time stamp found", !c.located) << c.name;
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped()) << c.name;
    const std::vector<std::string> rows = m.Rows();
    ASSERT_EQ(rows.size(), frames.size()) << c.name;
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(Columns(rows[i], 2, 7), want[i]) << c.name << " row " << i;
  }
}

// A video a few lines high (a strip cut from a recording) holds no stamp:
// with every inserter type the run ends, and its rows carry no time.
TEST(TimeStampCut, VideoAFewLinesHighGivesRowsWithoutTime) {
  for (const int inserter : {0, 1, 2}) {
    for (const int height : {2, 7}) {
      const std::string name = "inserter " + std::to_string(inserter) + " height " + std::to_string(height);
      MainRoadWindow m(Reader::OwnAvi);
      std::vector<Bitmap24> frames;
      for (uint32_t n = 0; n < 3; ++n) frames.push_back(NoisyFrame(720, height, 60 + n, 200, 40));
      AviWriterOptions o;
      o.rate = 30;
      const auto path = m.Path("thin.avi");
      ASSERT_TRUE(WriteAvi(path.string(), frames, o));
      ASSERT_TRUE(m.OpenThroughButton1(path)) << name;
      m.PutObject(0, 40, 0);  // in the frame: a run is refused with A below it
      m.Find<QCheckBox>("CheckBox5")->setChecked(true);
      auto* combo = m.Find<QComboBox>("ComboBox1");
      combo->setCurrentIndex(inserter);
      emit combo->activated(inserter);
      m.Click("Button3");
      ASSERT_TRUE(m.WaitUntilStopped()) << name;
      const std::vector<std::string> rows = m.Rows();
      ASSERT_EQ(rows.size(), frames.size()) << name;
      // Columns 4-7 the time; with IOTA-VTI 2 and 3 the counters.
      const int first = inserter == 0 ? 2 : 4;
      for (const std::string& row : rows)
        EXPECT_EQ(Columns(row, first, 7), std::vector<std::string>(static_cast<size_t>(8 - first)))
            << name << ": " << row;
    }
  }
}

}  // namespace
