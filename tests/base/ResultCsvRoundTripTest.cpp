// The result table as the row writer makes it, saved and loaded back: the
// lines come back byte for byte and the load reads from them what the run
// wrote (object count, first frame, step, frame rate, CMOS times, positions).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ResultCsvFormat.h"
#include "base/ResultCsvLoad.h"
#include "base/ResultTable.h"
#include "support/ObjectSettings.h"
#include "support/TemporaryFolder.h"

namespace {

struct RoundTripCase {
  const char* name;
  int objects;
  bool field_mode;
  int stamp_mode;  // 0 IOTA, 1 KIWI, 3 CMOS
  bool kiwi;
  bool psf;
  bool cmos_times;        // CMOS mode without corrected times: H, M, S in columns 8-10
  const char* sound_note;  // what the sound indicator leaves in column 10
  bool limb_profile;
  long double rate;
  int rate_rounded;
  double expected_rate;
  int first_frame_x10;
};

// Positions, radii and tracking of the three objects as a run leaves them.
DataLineBlocks Measured(int frame_x10, const char* sound_note) {
  DataLineBlocks b{};
  const ObjectResult objs[3] = {ObjectWithSettings(5, 7, 18, 0, 123, 45, 0, 0, 9, 3, 0, 4, 75),
                                ObjectWithSettings(3, 6, 22, 1, 400, 300, -433, 250, 9, 5, 1, 7, 60),
                                ObjectWithSettings(8, 10, 25, 2, 700, 470, 0, -500, 15, 2, 2, 6, 30)};
  for (DataLine& d : b) {
    d.FrameNumberX10 = frame_x10;
    d.SoundNote = sound_note;
    for (size_t k = 0; k < 3; ++k) {
      d.Objects[k] = objs[k];
      d.Objects[k].Value = -1234.5 * static_cast<double>(k + 1);
      d.Objects[k].ApertureSum = 98765;
      d.Objects[k].PsfAmplitude = 250.25;
      d.Objects[k].FwhmHfd = 1.17741 * static_cast<double>(k + 1);
    }
  }
  return b;
}

FrameTimeTexts Times() {
  FrameTimeTexts t;
  t.StampH1 = "23";
  t.StampM1 = "59";
  t.StampS1Full = "59.9833";
  t.StampH2 = "00";
  t.StampM2 = "00";
  t.StampS2Full = "00.0167";
  t.StampCount1 = "0001234";
  t.StampCount2 = "0001235";
  return t;
}

void AppendFrame(ResultTable& table, const RoundTripCase& c, const CsvFormatParams& p, int frame_x10) {
  AppendResultRows(table, Measured(frame_x10, c.sound_note), p, Times());
}

void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

class ResultCsvRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ResultCsvRoundTrip, SavedTableLoadsBackAsWritten) {
  const RoundTripCase& c = GetParam();
  CsvFormatParams p;
  p.FieldMode = c.field_mode;
  p.TimeStampMode = c.stamp_mode;
  p.Kiwi = c.kiwi;
  p.PsfPhotometry = c.psf;
  p.ObjectCount = c.objects;
  p.TimingFrameRate = c.rate;
  p.FrameRateRounded = c.rate_rounded;
  p.SharpCapTimeAvailable = !c.cmos_times;
  p.LimbProfileForRectangle = c.limb_profile;
  const std::vector<double> profile(kLimbProfileCount, 1234.5);
  if (c.limb_profile) p.LimbProfile = profile;
  p.VideoFileName = "/obs/2026-12-07 run, \"west\" \xC3\xA9toile/occ.avi";
  ResultTable table;
  WriteCsvHeader(table, p);
  AppendFrame(table, c, p, c.first_frame_x10);
  AppendFrame(table, c, p, c.first_frame_x10 + 20);

  TemporaryFolder dir("tessary-csvround");
  ASSERT_TRUE(SaveResultCsv(dir.File("t.csv"), table.Lines()).Ok);
  ResultCsvLoadParams lp;
  for (DataLine& d : lp.CurrentObjects)
    for (size_t k = 0; k < 3; ++k) d.Objects[k] = ObjectWithSettings(2, 4, 6, 3, 11 + int(k), 22, 1, 2, 3, 4, 1, 5, 6);
  const ResultCsvLoadResult r = LoadResultCsv(dir.File("t.csv"), lp);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Lines, table.Lines());
  EXPECT_EQ(r.CsvVersion, 3);
  EXPECT_EQ(r.RowCount, c.field_mode ? 4 : 2);
  EXPECT_EQ(r.ObjectCount, c.objects);
  EXPECT_EQ(r.StartFrame, c.first_frame_x10 / 10);
  EXPECT_EQ(r.FrameStep, 2);  // the frames, and the field pairs, are two frames apart
  EXPECT_DOUBLE_EQ(r.TimingFrameRate, c.expected_rate);
  EXPECT_EQ(r.CsvCmosTime, c.cmos_times);
  EXPECT_EQ(r.VideoFileName, p.VideoFileName);
  ASSERT_EQ(r.Warnings.size(), 1u);  // the video is not there
  EXPECT_EQ(r.Warnings[0], kVideoNotFoundMessage);

  const DataLineBlocks written = Measured(0, "");
  for (size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE("object " + std::to_string(k + 1));
    const ObjectResult& got = r.ObjectBlocks[0].Objects[k];
    const ObjectResult& before = lp.CurrentObjects[0].Objects[k];
    if (c.limb_profile) {
      // Rows of the limb profile store no object settings: all stay as they were.
      EXPECT_EQ(got.X, before.X);
      EXPECT_EQ(got.Y, before.Y);
      EXPECT_EQ(got.ApertureRadius, before.ApertureRadius);
      EXPECT_EQ(got.BackgroundForm, before.BackgroundForm);
      EXPECT_EQ(got.TrackMode, before.TrackMode);
      EXPECT_EQ(got.Threshold, before.Threshold);
      // The FWHM columns stand before the profile and are read.
      EXPECT_EQ(r.Objects[k].ProfileWidth.has_value(), static_cast<int>(k) < c.objects);
      continue;
    }
    const ObjectResult& want = written[0].Objects[k];
    // Positions are read for every object (defaults beyond the count).
    EXPECT_EQ(got.X, static_cast<int>(k) < c.objects ? want.X : 40 + 40 * static_cast<int>(k));
    if (static_cast<int>(k) >= c.objects) continue;
    EXPECT_EQ(got.Y, want.Y);
    EXPECT_EQ(got.ApertureRadius, want.ApertureRadius);
    EXPECT_EQ(got.BackgroundInner, want.BackgroundInner);
    EXPECT_EQ(got.BackgroundOuter, want.BackgroundOuter);
    EXPECT_EQ(got.BackgroundForm, want.BackgroundForm);
    // A standard background stores no direction, width or gap.
    EXPECT_EQ(got.Gap, want.BackgroundForm == 0 ? before.Gap : want.Gap);
    EXPECT_EQ(got.TrackMode, want.TrackMode);
    ASSERT_TRUE(r.Objects[k].ProfileWidth.has_value());
    EXPECT_NEAR(*r.Objects[k].ProfileWidth, static_cast<double>(k + 1), 1e-4);
  }
}

// A night of field rows with three objects (the widest rows a run writes,
// PSF cells included) is a table the default limits load; at a lowered limit
// the saved file loads up to its own size and is refused, with the reason,
// one byte below it.
TEST(ResultCsvLimitsTest, EveryTableARunWritesLoadsBack) {
  CsvFormatParams p;
  p.FieldMode = true;
  p.TimeStampMode = 1;
  p.Kiwi = true;
  p.PsfPhotometry = true;
  p.ObjectCount = 3;
  p.TimingFrameRate = 30000.0L / 1001;
  p.FrameRateRounded = 30;
  p.VideoFileName = "/obs/occ.avi";
  ResultTable table;
  WriteCsvHeader(table, p);
  const RoundTripCase c{"", 3, true, 1, true, true, false, "", false, p.TimingFrameRate, 30, 29.97, 1234560};
  constexpr int kFrames = 50;
  for (int f = 0; f < kFrames; ++f) AppendFrame(table, c, p, c.first_frame_x10 + 10 * f);
  const std::string text = JoinCrlfLines(table.Lines());
  size_t header_bytes = 0;
  for (size_t i = 0; i < 6; ++i) header_bytes += table.Lines()[i].size() + 2;
  const double row_bytes = static_cast<double>(text.size() - header_bytes) / (2 * kFrames);
  // Twelve hours of fields at 59.94 a second.
  const double night_bytes = header_bytes + row_bytes * 12 * 3600 * 59.94;
  EXPECT_GT(night_bytes, 256.0 * 1024 * 1024);  // beyond what loading took before
  EXPECT_GE(static_cast<double>(ResultCsvLimits{}.MaxFileBytes), 2 * night_bytes);

  TemporaryFolder dir("tessary-csvlimit");
  ASSERT_TRUE(SaveResultCsv(dir.File("t.csv"), table.Lines()).Ok);
  ResultCsvLoadParams lp;
  lp.Limits.MaxFileBytes = text.size();
  const ResultCsvLoadResult r = LoadResultCsv(dir.File("t.csv"), lp);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.RowCount, 2 * kFrames);
  lp.Limits.MaxFileBytes = text.size() - 1;
  const ResultCsvLoadResult refused = LoadResultCsv(dir.File("t.csv"), lp);
  EXPECT_FALSE(refused.Ok);
  EXPECT_NE(refused.Error.find("too large"), std::string::npos) << refused.Error;

  // A video chosen by mistake is told for what it is, whatever its size.
  std::string video = "RIFF";
  video += std::string(4, '\0') + "AVI LIST";
  video.resize(2 * text.size(), 'x');
  const ResultCsvLoadResult binary = LoadResultCsv(dir.Write("occ.csv", video), lp);
  EXPECT_FALSE(binary.Ok);
  EXPECT_NE(binary.Error.find("not a text file"), std::string::npos) << binary.Error;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ResultCsvRoundTrip,
    ::testing::Values(
        RoundTripCase{"KiwiFramesOneObject", 1, false, 1, true, false, false, "", false, 30000.0L / 1001, 30, 29.97,
                      0},
        RoundTripCase{"IotaFieldsTwoObjects", 2, true, 0, false, false, false, "", false, 25, 25, 25, 120},
        RoundTripCase{"PsfThreeObjects", 3, false, 1, true, true, false, "", false, 25, 25, 25, 50},
        RoundTripCase{"CmosTimes", 2, false, 3, true, false, true, "", false, 59.94L, 60, 59.94, 10},
        // The sound indicator's share of signal samples is a number in
        // column 10 too, but the row holds no hour and minute before it.
        RoundTripCase{"SoundNoteIsNoCmosTime", 3, false, 1, true, false, false, "3.05", false, 30000.0L / 1001, 30,
                      29.97, 0},
        RoundTripCase{"SoundNoteInFields", 1, true, 1, true, false, false, "12.50", false, 25, 25, 25, 0},
        RoundTripCase{"LimbProfileRows", 1, false, 1, true, false, false, "", true, 25, 25, 25, 30},
        RoundTripCase{"LimbProfileRowsThreeObjects", 3, false, 1, true, false, false, "", true, 25, 25, 25, 30}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
