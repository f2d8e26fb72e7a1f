// Burnt-in time stamps as a camera and a recorder deliver them: noise, a
// brightness and contrast change, a shifted line, blur and lossy interlaced
// encoding. A run through the real window writes every row's time either
// right or empty, never a wrong time that looks valid.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "MainRoadFixture.h"
#include "support/IotaVtiStrips.h"
#include "support/StampDegrade.h"
#include "support/StampRender.h"
#include "support/VideoFixtures.h"

namespace {

constexpr int kFrames = 12;

std::string Two(int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); }
std::string Pad(int64_t v, int digits) {
  std::string s = std::to_string(v);
  while (static_cast<int>(s.size()) < digits) s.insert(s.begin(), '0');
  return s;
}

constexpr int64_t kDay = 24LL * 3600 * 10000;

// Field times in 0.1 ms: field 1 of frame n at start + n frames (1001/30000 s,
// or 1/25 s for PAL), field 2 half a frame later; wrapped at midnight.
int64_t FieldUnits(int64_t start, int n, int field, bool pal) {
  const int64_t t = start + (n * 2 + field) * (pal ? 10000 : 10010) / (pal ? 50 : 60);
  return t % kDay;
}

std::string Hhmmss(int64_t u) {
  const int64_t s = u / 10000;
  return Two(s / 3600) + Two(s / 60 % 60) + Two(s % 60);
}
std::string SecondsText(int64_t u, int decimals) {
  return Two(u / 10000 % 60) + "." + Pad(u % 10000, 4).substr(0, static_cast<size_t>(decimals));
}

enum class Inserter { Iota = 0, Kiwi = 1, Ghs = 2 };

// A degradation of the frames, and a lossy re-encoding of the video.
struct Degradation : StampDegradation {
  std::string ffmpeg;  // ffmpeg arguments; empty: the lossless file
  std::string ext = "avi";
};

std::vector<int> CellXs(double x0, double pitch, const std::vector<int>& cells) {
  std::vector<int> xs;
  for (int c : cells) xs.push_back(static_cast<int>(std::floor(x0 + pitch * c + 0.5)));
  return xs;
}

int IotaCount(int n, int field) { return 4000 + 2 * n + field; }

// PAL frames carry an IOTA-VTI line 110 rows lower and a KIWI-OSD line at
// its 25 frames per second layout.
// `misprint` is added to the time field 2 shows.
Bitmap24 StampFrame(Inserter k, int64_t start, int n, bool pal, int64_t misprint = 0) {
  Bitmap24 f(720, pal ? 576 : 480);
  FillFrame(f, 16);
  const int64_t a = FieldUnits(start, n, 0, pal), b = FieldUnits(start, n, 1, pal) + misprint;
  const int low = pal ? 110 : 0;
  switch (k) {
    case Inserter::Iota: {
      const double pitch = (540.0 - 82.0) / 19.0;
      const std::vector<int> xs =
          CellXs(85, pitch, {0, 1, 3, 4, 6, 7, 9, 10, 11, 12, 14, 15, 16, 17, 19, 20, 21, 22, 23, 24, 25, 26});
      const StampGlyphStyle s{StampFont::Iota, 2, pitch, 4, 2, 2, 220};
      DrawStampText(f, Hhmmss(a) + Pad(a % 10000, 4) + "    " + std::to_string(IotaCount(n, 0)), xs, 435 + low, s);
      DrawStampText(f, Hhmmss(b) + "    " + Pad(b % 10000, 4) + std::to_string(IotaCount(n, 1)), xs, 434 + low,
                    s);
      break;
    }
    case Inserter::Kiwi: {
      const std::vector<int> xs = pal ? std::vector<int>{70, 94, 140, 164, 210, 234, 306, 330, 353, 424, 448, 472}
                                      : std::vector<int>{85, 109, 156, 180, 227, 251, 322, 345, 369, 440, 463, 487};
      const StampGlyphStyle s{StampFont::Kiwi, pal ? 1 : 0, 21.5, 4, 2, 1, 220};
      const int row = pal ? 509 : 409;
      DrawStampText(f, Hhmmss(a) + "000" + Pad(a % 10000 / 10, 3), xs, row, s);
      DrawStampText(f, Hhmmss(b) + Pad(b % 10000 / 10, 3) + "000", xs, row + 1, s);
      break;
    }
    case Inserter::Ghs: {
      const double pitch = 20.0;
      const int u_column = 150, top = 385;
      const std::vector<int> xs =
          CellXs(u_column + 215 + pitch / 2, pitch, {-9, -8, -6, -5, -3, -2, 0, 0, 1, 3, 4, 6, 7, 9, 10, 11});
      const StampGlyphStyle s{StampFont::Ghs, 2, pitch, 4, 2, 2, 220};
      DrawStampText(f, "261206 " + Hhmmss(a) + Pad(a % 10000 / 10, 3), xs, top, s);
      DrawStampText(f, "261206 " + Hhmmss(b) + Pad(b % 10000 / 10, 3), xs, top - 1, s);
      DrawStampChar(f, 'U', u_column, top, s);
      DrawStampChar(f, 'U', u_column, top - 1, s);
      break;
    }
  }
  return f;
}

std::vector<std::string> TimeColumns(const std::string& row) {
  std::vector<std::string> c;
  for (int i = 2; i <= 10; ++i) c.push_back(StripQuotes(GetCsvField(row, i)));
  return c;
}

struct DegradedCase {
  const char* name;
  Inserter inserter;
  Degradation degradation;
  bool evenFirst = false;     // 'Field Order' as the user sets it for the video
  bool fieldMeasure = false;  // one row per field
  bool secondUnread = false;  // field 2 lies off the rows searched: no time, not a wrong one
  bool pal = false;           // 720x576 at 25 frames per second
};

class TimeStampDegraded : public ::testing::TestWithParam<DegradedCase> {};

TEST_P(TimeStampDegraded, EveryRowCarriesTheTimeOfItsFrame) {
  const DegradedCase& c = GetParam();
  MainRoadWindow m(Reader::Ffmpeg);
  // Across midnight, and so across a minute and an hour, between the two
  // fields of one frame.
  const int64_t start = ((23 * 60 + 59) * 60 + 59) * 10000LL + 8200;
  std::vector<Bitmap24> frames;
  for (int n = 0; n < kFrames; ++n) {
    Bitmap24 f = StampFrame(c.inserter, start, n, c.pal);
    DegradeStampFrame(f, c.degradation, 1000 + static_cast<uint32_t>(n));
    frames.push_back(std::move(f));
  }
  auto path = m.Path("stamp.avi");
  AviWriterOptions o;
  o.rate = c.pal ? 25 : 30;
  ASSERT_TRUE(WriteAvi(path.string(), frames, o));
  if (!c.degradation.ffmpeg.empty()) {
    const auto coded = m.Path("coded." + c.degradation.ext);
    ASSERT_TRUE(RunFfmpeg("-i '" + path.string() + "' " + c.degradation.ffmpeg + " '" + coded.string() + "'"));
    path = coded;
  }
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  w.RadioGroup2->SetItemIndex(c.evenFirst ? 0 : 1);
  m.Find<QCheckBox>("CheckBox5")->setChecked(true);
  auto* combo = m.Find<QComboBox>("ComboBox1");
  combo->setCurrentIndex(static_cast<int>(c.inserter));
  emit combo->activated(static_cast<int>(c.inserter));
  if (c.fieldMeasure) m.Find<QCheckBox>("CheckBox2")->setChecked(true);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_TRUE(m.dialogs.messages.empty());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), static_cast<size_t>(c.fieldMeasure ? 2 * kFrames : kFrames));
  const int d = c.inserter == Inserter::Iota ? 4 : 3;
  for (size_t i = 0; i < rows.size(); ++i) {
    const int n = static_cast<int>(c.fieldMeasure ? i / 2 : i);
    const int64_t a = FieldUnits(start, n, 0, c.pal), b = FieldUnits(start, n, 1, c.pal);
    const int64_t own = c.fieldMeasure && i % 2 == 1 ? b : a;
    std::vector<std::string> want = {Hhmmss(own).substr(0, 2), Hhmmss(own).substr(2, 2), SecondsText(own, d),
                                     c.fieldMeasure || c.secondUnread ? "" : SecondsText(b, d)};
    const std::vector<std::string> got = TimeColumns(rows[i]);
    EXPECT_EQ(std::vector<std::string>(got.begin() + 2, got.begin() + 6), want) << c.name << " row " << i;
    if (c.inserter == Inserter::Iota) {
      EXPECT_EQ(got[0], std::to_string(IotaCount(n, 0))) << c.name << " row " << i;
      EXPECT_EQ(got[1], std::to_string(IotaCount(n, 1))) << c.name << " row " << i;
    }
  }
}

Degradation Noise(double s) {
  Degradation d;
  d.noiseSigma = s;
  return d;
}
Degradation Level(double gain, int offset) {
  Degradation d;
  d.gain = gain;
  d.offset = offset;
  return d;
}
Degradation Shift(int x, int y) {
  Degradation d;
  d.shiftX = x;
  d.shiftY = y;
  return d;
}
Degradation Blur() {
  Degradation d;
  d.blur = true;
  return d;
}
// Interlaced MPEG-2 at a DVD-like rate, and below it with blur as well.
Degradation Mpeg2(int kbps, bool blur = false) {
  Degradation d;
  d.noiseSigma = 3;
  d.blur = blur;
  d.ffmpeg = "-c:v mpeg2video -b:v " + std::to_string(kbps) + "k -flags +ilme+ildct -top 1 -pix_fmt yuv420p";
  return d;
}
Degradation H264(int kbps) {
  Degradation d;
  d.noiseSigma = 3;
  d.ffmpeg = "-c:v libx264 -preset veryfast -b:v " + std::to_string(kbps) +
             "k -flags +ilme+ildct -x264-params interlaced=1:tff=0 -pix_fmt yuv420p";
  d.ext = "mkv";
  return d;
}

std::vector<DegradedCase> Cases() {
  std::vector<DegradedCase> out;
  const std::pair<const char*, Inserter> ins[] = {{"Iota", Inserter::Iota}, {"Kiwi", Inserter::Kiwi}, {"Ghs", Inserter::Ghs}};
  for (auto [n, k] : ins) {
    out.push_back({n, k, Noise(8)});
    out.push_back({n, k, Level(0.5, 60)});
    out.push_back({n, k, Level(1.0, 70)});
    out.push_back({n, k, Shift(1, 0)});
    // At 30 frames per second only field 1's row offset is searched.
    out.push_back({n, k, Shift(-1, 2), false, false, k == Inserter::Kiwi});
    out.push_back({n, k, Blur()});
    out.push_back({n, k, Mpeg2(4000)});
    out.push_back({n, k, Mpeg2(1000, true), false, true});
    out.push_back({n, k, H264(1500)});
  }
  // A recorder that starts one line lower swaps the fields' rows; the user
  // says so with 'Even first'.
  out.push_back({"Kiwi", Inserter::Kiwi, Shift(0, 1), true});
  // PAL: the row offsets of both fields are searched at 25 frames per second.
  for (auto [n, k] : {std::pair{"IotaPal", Inserter::Iota}, std::pair{"KiwiPal", Inserter::Kiwi}}) {
    out.push_back({n, k, Noise(8), false, false, false, true});
    out.push_back({n, k, Shift(-1, 2), false, false, false, true});
    out.push_back({n, k, Mpeg2(1000, true), false, true, false, true});
    out.push_back({n, k, H264(1500), false, false, false, true});
  }
  return out;
}

// A GHS video whose first frame shows a wrong second in field 2 (as a misread
// would give it): that frame cannot say which field comes first, so the rows
// of the run keep the earlier field as field 1.
TEST(TimeStampDegradedGhs, OneMisprintedFieldDoesNotSwapTheFieldsOfTheRun) {
  MainRoadWindow m(Reader::OwnAvi);
  const int64_t start = ((23 * 60 + 59) * 60 + 59) * 10000LL + 8000;
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 4; ++n) frames.push_back(StampFrame(Inserter::Ghs, start, n, false, n == 0 ? -60000 : 0));
  const auto path = m.Path("ghs.avi");
  AviWriterOptions o;
  o.rate = 30;
  ASSERT_TRUE(WriteAvi(path.string(), frames, o));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  w.RadioGroup2->SetItemIndex(1);
  m.Find<QCheckBox>("CheckBox5")->setChecked(true);
  auto* combo = m.Find<QComboBox>("ComboBox1");
  combo->setCurrentIndex(2);
  emit combo->activated(2);
  EXPECT_EQ(w.RadioGroup2->ItemIndex(), 1);
  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 4u);
  for (int n = 1; n < 4; ++n) {
    const std::vector<std::string> got = TimeColumns(rows[static_cast<size_t>(n)]);
    EXPECT_EQ(got[4], SecondsText(FieldUnits(start, n, 0, false), 3)) << n;
    EXPECT_EQ(got[5], SecondsText(FieldUnits(start, n, 1, false), 3)) << n;
  }
}

// IOTA-VTI stamps cut from real captures, degraded and re-encoded: every
// field's counter and time as read by eye.
class TimeStampDegradedReal : public ::testing::TestWithParam<DegradedCase> {};

TEST_P(TimeStampDegradedReal, EveryRowCarriesBothFieldsOfItsFrame) {
  const DegradedCase& c = GetParam();
  const std::filesystem::path folder = VtiDataFolder();
  const std::vector<VtiSet> sets = LoadVtiSets(folder);
  ASSERT_FALSE(sets.empty()) << folder;
  for (const VtiSet& set : sets) {
    // A tv-safe PAL set and both NTSC sets (one of them the narrowest
    // glyphs) keep the run short.
    if (set.name != "001_tvsafe" && !set.ntsc) continue;
    MainRoadWindow m(Reader::Ffmpeg);
    m.ReadStampsOf("IOTA-VTI");
    std::vector<Bitmap24> frames = ComposeVtiFrames(folder, set, 0, 11);
    ASSERT_EQ(frames.size(), set.frames.size()) << set.name;
    uint32_t seed = 11;
    for (Bitmap24& f : frames) DegradeStampFrame(f, c.degradation, seed++);
    AviWriterOptions o;
    o.rate = set.ntsc ? 30000 : 25;
    o.scale = set.ntsc ? 1001 : 1;
    auto path = m.Path("vti.avi");
    ASSERT_TRUE(WriteAvi(path.string(), frames, o));
    if (!c.degradation.ffmpeg.empty()) {
      const auto coded = m.Path("coded." + c.degradation.ext);
      ASSERT_TRUE(RunFfmpeg("-i '" + path.string() + "' " + c.degradation.ffmpeg + " '" + coded.string() + "'"));
      path = coded;
    }
    ASSERT_TRUE(m.OpenThroughButton1(path)) << set.name;
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped()) << set.name;
    const std::vector<std::string> rows = m.Rows();
    ASSERT_EQ(rows.size(), set.frames.size()) << set.name;
    for (size_t i = 0; i < rows.size(); ++i) {
      const std::vector<std::string> want = VtiRowTimes(set.frames[i]);
      const std::vector<std::string> got = TimeColumns(rows[i]);
      EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 6), want) << c.name << " " << set.name << " row " << i;
    }
  }
}

// One case, the sets being long: dimmed, blurred and coded at a low MPEG-2 rate.
std::vector<DegradedCase> RealCases() {
  Degradation d = Mpeg2(1500, true);
  d.gain = 0.7;
  d.offset = 30;
  return {{"DimBlurredMpeg2", Inserter::Iota, d}};
}

INSTANTIATE_TEST_SUITE_P(Degraded, TimeStampDegradedReal, ::testing::ValuesIn(RealCases()),
                         [](const ::testing::TestParamInfo<DegradedCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Degraded, TimeStampDegraded, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<DegradedCase>& info) {
                           return std::string(info.param.name) + "_" + std::to_string(info.index);
                         });

}  // namespace
