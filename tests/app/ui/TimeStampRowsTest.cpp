// Measurement runs through the real window over videos whose frames carry a
// burnt-in time stamp (IOTA-VTI, KIWI-OSD, GHS) or a tick count: every result
// row carries its frame's time in columns 2-10, in frame and in field mode,
// through both frame sources.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <cmath>
#include <string>
#include <vector>

#include "MainRoadFixture.h"
#include "base/ui/ControlEvents.h"
#include "support/StampRender.h"

namespace {

constexpr uint8_t kDark = 16;
constexpr uint8_t kStroke = 220;
constexpr int kFrames = 4;

Bitmap24 NoisyFrame(int w, int h, uint32_t seed) {
  Bitmap24 f(w, h);
  FillFrame(f, kDark);
  AddFrameNoise(f, 6, seed);
  return f;
}

std::string Two(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }
std::string Pad(int64_t v, int digits) {
  std::string s = std::to_string(v);
  while (static_cast<int>(s.size()) < digits) s.insert(s.begin(), '0');
  return s;
}

// Field times of frame n in units of 0.1 ms: field 1 from 12:34:59.9000 on,
// field 2 half a frame later; the third frame crosses into 12:35.
int64_t Field1Units(int n) { return ((12 * 60 + 34) * 60 + 59) * 10000LL + 9000 + n * 334; }
int64_t Field2Units(int n) { return Field1Units(n) + 167; }

std::string Hhmmss(int64_t units) {
  const int64_t s = units / 10000;
  return Two(static_cast<int>(s / 3600)) + Two(static_cast<int>(s / 60 % 60)) + Two(static_cast<int>(s % 60));
}
std::string SecondsText(int64_t units, int decimals) {
  std::string frac = Pad(units % 10000, 4).substr(0, static_cast<size_t>(decimals));
  return Two(static_cast<int>(units / 10000 % 60)) + "." + frac;
}

enum class Inserter { Iota = 0, Kiwi = 1, Ghs = 2 };

// KIWI-OSD, 720x480 at 30 fps: fields 7..18 at the fixed layout, field 1 on
// row 409 with its fraction in fields 16-18, field 2 on row 410 in 13-15.
Bitmap24 KiwiStampFrame(int n) {
  static const std::vector<int> xs = {85, 109, 156, 180, 227, 251, 322, 345, 369, 440, 463, 487};
  Bitmap24 f = NoisyFrame(720, 480, 100 + static_cast<uint32_t>(n));
  const StampGlyphStyle s{StampFont::Kiwi, 0, 21.5, 4, 2, 1, kStroke};
  const int64_t a = Field1Units(n), b = Field2Units(n);
  DrawStampText(f, Hhmmss(a) + "000" + Pad(a % 10000 / 10, 3), xs, 409, s);
  DrawStampText(f, Hhmmss(b) + Pad(b % 10000 / 10, 3) + "000", xs, 410, s);
  return f;
}

std::vector<int> CellXs(double x0, double pitch, const std::vector<int>& cells) {
  std::vector<int> xs;
  for (int c : cells) xs.push_back(static_cast<int>(std::floor(x0 + pitch * c + 0.5)));
  return xs;
}

int IotaCount(int n, int field) { return 4000 + 2 * n + field; }

// IOTA-VTI line near its nominal place: field 1 (odd rows from 435) shows its
// fraction in the first group, field 2 (even rows) in the second; counters follow.
Bitmap24 IotaStampFrame(int n) {
  const double pitch = (540.0 - 82.0) / 19.0;
  static const std::vector<int> xs =
      CellXs(85, pitch, {0, 1, 3, 4, 6, 7, 9, 10, 11, 12, 14, 15, 16, 17, 19, 20, 21, 22, 23, 24, 25, 26});
  Bitmap24 f = NoisyFrame(720, 480, 200 + static_cast<uint32_t>(n));
  const StampGlyphStyle s{StampFont::Iota, 2, pitch, 4, 2, 2, kStroke};
  const int64_t a = Field1Units(n), b = Field2Units(n);
  DrawStampText(f, Hhmmss(a) + Pad(a % 10000, 4) + "    " + std::to_string(IotaCount(n, 0)) + "    ", xs, 435, s);
  DrawStampText(f, Hhmmss(b) + "    " + Pad(b % 10000, 4) + std::to_string(IotaCount(n, 1)) + "    ", xs, 434, s);
  return f;
}

// GHS line with its date and the "U" the locator starts from: the two
// fields' lines on rows `upper` and one lower, the earlier field's on the
// lower one unless earlyOnTop.
Bitmap24 GhsStampFrame(int n, int upper = 384, bool earlyOnTop = false) {
  const double pitch = 20.0;
  const int u_column = 150;
  static const std::vector<int> xs =
      CellXs(u_column + 215 + pitch / 2, pitch, {-9, -8, -6, -5, -3, -2, 0, 0, 1, 3, 4, 6, 7, 9, 10, 11});
  Bitmap24 f = NoisyFrame(720, 480, 300 + static_cast<uint32_t>(n));
  const StampGlyphStyle s{StampFont::Ghs, 2, pitch, 4, 2, 2, kStroke};
  const int64_t a = Field1Units(n), b = Field2Units(n);
  DrawStampText(f, "261206 " + Hhmmss(a) + Pad(a % 10000 / 10, 3), xs, earlyOnTop ? upper : upper + 1, s);
  DrawStampText(f, "261206 " + Hhmmss(b) + Pad(b % 10000 / 10, 3), xs, earlyOnTop ? upper + 1 : upper, s);
  DrawStampChar(f, 'U', u_column, upper, s);
  DrawStampChar(f, 'U', u_column, upper + 1, s);
  return f;
}

Bitmap24 StampFrame(Inserter k, int n) {
  switch (k) {
    case Inserter::Iota: return IotaStampFrame(n);
    case Inserter::Kiwi: return KiwiStampFrame(n);
    case Inserter::Ghs: return GhsStampFrame(n);
  }
  return {};
}

int Decimals(Inserter k) { return k == Inserter::Iota ? 4 : 3; }

std::vector<std::string> TimeColumns(const std::string& row) {
  std::vector<std::string> c;
  for (int i = 2; i <= 10; ++i) c.push_back(StripQuotes(GetCsvField(row, i)));
  return c;
}

// One row per frame with both fields' times to the millisecond and no
// counters (a KIWI-OSD or GHS-OSD stamp read frame by frame).
void ExpectFrameTimesWithoutCounts(const std::vector<std::string>& rows) {
  ASSERT_EQ(rows.size(), static_cast<size_t>(kFrames));
  for (size_t i = 0; i < rows.size(); ++i) {
    const int64_t a = Field1Units(static_cast<int>(i)), b = Field2Units(static_cast<int>(i));
    const std::vector<std::string> want = {
        "", "", Hhmmss(a).substr(0, 2), Hhmmss(a).substr(2, 2), SecondsText(a, 3), SecondsText(b, 3), "", "", ""};
    EXPECT_EQ(TimeColumns(rows[i]), want) << "row " << i << ": " << rows[i];
  }
}

void ChooseInserter(MainRoadWindow& m, int index) {
  auto* combo = m.Find<QComboBox>("ComboBox1");
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

struct StampCase {
  const char* name;
  Inserter inserter;
  bool fieldMode;
  Reader reader;
};

class TimeStampRows : public ::testing::TestWithParam<StampCase> {};

TEST_P(TimeStampRows, EveryRowCarriesTheTimeOfItsFrame) {
  const StampCase& c = GetParam();
  MainRoadWindow m(c.reader);
  std::vector<Bitmap24> frames;
  for (int n = 0; n < kFrames; ++n) frames.push_back(StampFrame(c.inserter, n));
  const auto path = m.Path("stamp.avi");
  AviWriterOptions o;
  o.rate = 30;
  ASSERT_TRUE(WriteAvi(path.string(), frames, o));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  TPlatform& w = m.W();
  w.RadioGroup2->SetItemIndex(1);  // 'Odd first'
  m.Find<QCheckBox>("CheckBox5")->setChecked(true);  // read the stamp
  ChooseInserter(m, static_cast<int>(c.inserter));
  EXPECT_EQ(w.Options.TimeStampMode, static_cast<int>(c.inserter));
  if (c.fieldMode) m.Find<QCheckBox>("CheckBox2")->setChecked(true);

  m.Click("Button3");
  ASSERT_TRUE(m.WaitUntilStopped());
  EXPECT_TRUE(m.dialogs.messages.empty());
  // The odd-row field is the earlier one; the stamp keeps 'Odd first'.
  EXPECT_EQ(w.RadioGroup2->ItemIndex(), 1);

  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), static_cast<size_t>(c.fieldMode ? 2 * kFrames : kFrames));
  const int d = Decimals(c.inserter);
  for (size_t i = 0; i < rows.size(); ++i) {
    const int n = static_cast<int>(c.fieldMode ? i / 2 : i);
    const bool second = c.fieldMode && i % 2 == 1;
    const int64_t a = Field1Units(n), b = Field2Units(n);
    const std::string h1 = Hhmmss(a).substr(0, 2), m1 = Hhmmss(a).substr(2, 2);
    const std::string h2 = Hhmmss(b).substr(0, 2), m2 = Hhmmss(b).substr(2, 2);
    std::string col2, col3;
    if (c.inserter == Inserter::Iota) {
      col2 = std::to_string(IotaCount(n, 0));
      col3 = std::to_string(IotaCount(n, 1));
    }
    std::vector<std::string> want;
    if (!c.fieldMode)
      want = {col2, col3, h1, m1, SecondsText(a, d), SecondsText(b, d), "", "", ""};
    else if (!second)
      want = {col2, col3, h1, m1, SecondsText(a, d), "", "", "", ""};
    else
      want = {col2, col3, h2, m2, SecondsText(b, d), "", "", "", ""};
    EXPECT_EQ(TimeColumns(rows[i]), want) << c.name << " row " << i << ": " << rows[i];
  }
  // The edits show the last frame.
  const int64_t a = Field1Units(kFrames - 1), b = Field2Units(kFrames - 1);
  EXPECT_EQ(m.Find<QLineEdit>("Edit24")->text().toStdString(), Hhmmss(a).substr(0, 2));
  EXPECT_EQ(m.Find<QLineEdit>("Edit25")->text().toStdString(), Hhmmss(a).substr(2, 2));
  EXPECT_EQ(m.Find<QLineEdit>("Edit26")->text().toStdString(), SecondsText(a, d));
  EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text().toStdString(), SecondsText(b, d));
  if (c.inserter == Inserter::Ghs) {
    EXPECT_EQ(m.Find<QLineEdit>("Edit59")->text(), "26 12 06");
    // The located line's row, and the stamp area's brightest pixel (a
    // stroke, 3 x 220) / 3 - 40 as its background level.
    EXPECT_GE(w.Options.LocatedStampRow, 383);
    EXPECT_LE(w.Options.LocatedStampRow, 386);
    EXPECT_EQ(m.Find<QLineEdit>("Edit56")->text(), "X:   Y: " + QString::number(w.Options.LocatedStampRow));
    EXPECT_EQ(m.Find<QLineEdit>("Edit55")->text(), "180.0");
  } else {
    EXPECT_TRUE(m.Find<QLineEdit>("Edit56")->text().isEmpty());
  }
}

// An IOTA-VTI video opened with IOTA chosen in the settings is located on
// opening, before its first frame is shown.
TEST(TimeStampRowsOnOpen, IotaStampLocatedWhenTheVideoOpens) {
  MainRoadWindow m(Reader::Ffmpeg);
  TPlatform& w = m.W();
  m.ReadStampsOf("IOTA-VTI");
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 2; ++n) frames.push_back(IotaStampFrame(n));
  const auto path = m.Path("iota.avi");
  AviWriterOptions o;
  o.rate = 30;
  ASSERT_TRUE(WriteAvi(path.string(), frames, o));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  EXPECT_EQ(w.Options.TimeStampMode, 0);
  EXPECT_TRUE(m.Find<QCheckBox>("CheckBox5")->isChecked());
  EXPECT_EQ(w.Options.StampLocated, 1);
  EXPECT_EQ(w.Stamp.LocatedStampRow, 435);
  // The stamp's own field order was taken: the odd-row field comes first.
  EXPECT_EQ(w.RadioGroup2->ItemIndex(), 1);
  EXPECT_EQ(m.Find<QLineEdit>("Edit26")->text().toStdString(), SecondsText(Field1Units(0), 4));
  EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text().toStdString(), SecondsText(Field2Units(0), 4));
  EXPECT_EQ(w.Times.StampCount1, std::to_string(IotaCount(0, 0)));
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// Frames without a stamp give rows with empty time columns and no message,
// also when IOTA was chosen and its locate found nothing. (GHS cells are
// measured against the stamp's background: a wholly black frame reads as lit.)
TEST(TimeStampRowsNoStamp, BlackFramesReadNothing) {
  for (int inserter : {0, 1}) {
    MainRoadWindow m(Reader::OwnAvi);
    std::vector<Bitmap24> frames(3, Bitmap24(720, 480));
    const auto path = m.Path("black.avi");
    AviWriterOptions o;
    o.rate = 30;
    ASSERT_TRUE(WriteAvi(path.string(), frames, o));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    m.Find<QCheckBox>("CheckBox5")->setChecked(true);
    ChooseInserter(m, inserter);
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped());
    EXPECT_TRUE(m.dialogs.messages.empty()) << inserter;
    const std::vector<std::string> rows = m.Rows();
    ASSERT_EQ(rows.size(), 3u) << inserter;
    for (const std::string& r : rows) {
      const std::vector<std::string> c = TimeColumns(r);
      for (size_t i = 2; i < 6; ++i) EXPECT_EQ(c[i], "") << inserter << " " << r;
    }
    EXPECT_TRUE(m.Find<QLineEdit>("Edit26")->text().isEmpty()) << inserter;
  }
}

// A GHS picture one line lower than usual carries the odd field's line above
// the even one. Choosing GHS finds the line and takes the field order from the
// stamp; every row then carries both fields' own times, whichever field is on
// top, not a time misread one field line off.
TEST(TimeStampRowsGhsLower, EachFieldKeepsItsTimeWhicheverLineIsHigher) {
  for (const bool earlyOnTop : {true, false}) {
    SCOPED_TRACE(earlyOnTop ? "earlier field on top" : "earlier field below");
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    std::vector<Bitmap24> frames;
    for (int n = 0; n < kFrames; ++n) frames.push_back(GhsStampFrame(n, 385, earlyOnTop));
    const auto path = m.Path("ghs.avi");
    AviWriterOptions o;
    o.rate = 30;
    ASSERT_TRUE(WriteAvi(path.string(), frames, o));
    ASSERT_TRUE(m.OpenThroughButton1(path));
    w.RadioGroup2->SetItemIndex(1);  // 'Odd first'
    m.Find<QCheckBox>("CheckBox5")->setChecked(true);
    ChooseInserter(m, static_cast<int>(Inserter::Ghs));
    // The earlier field lies on the odd row 385 when it is on top, else on 386.
    EXPECT_EQ(w.RadioGroup2->ItemIndex(), earlyOnTop ? 1 : 0) << earlyOnTop;
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped());
    EXPECT_TRUE(m.dialogs.messages.empty());
    ExpectFrameTimesWithoutCounts(m.Rows());
    EXPECT_EQ(m.Find<QLineEdit>("Edit59")->text(), "26 12 06");
  }
}

// 'Show Field' shows the two fields one above the other and reads the stamp there.
TEST(TimeStampRowsFieldView, KiwiStampReadInTheSplitView) {
  MainRoadWindow m(Reader::OwnAvi);
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 2; ++n) frames.push_back(KiwiStampFrame(n));
  const auto path = m.Path("kiwi.avi");
  AviWriterOptions o;
  o.rate = 30;
  ASSERT_TRUE(WriteAvi(path.string(), frames, o));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.W().RadioGroup2->SetItemIndex(1);  // 'Odd first'
  m.Find<QCheckBox>("CheckBox5")->setChecked(true);
  m.Find<QCheckBox>("CheckBox1")->setChecked(true);
  m.W().ScrollBar1->setValue(1);
  m.W().ShowNeighbor();
  EXPECT_EQ(m.W().Display.Image1Bitmap.Height(), 480);
  EXPECT_EQ(m.Find<QLineEdit>("Edit26")->text().toStdString(), SecondsText(Field1Units(1), 3));
  EXPECT_EQ(m.Find<QLineEdit>("Edit27")->text().toStdString(), SecondsText(Field2Units(1), 3));
  EXPECT_TRUE(m.Rows().empty());  // the split view measures nothing
}

// A type chosen on the 'Video Time Inserter' page of 'Update Setting Items'
// with a video opened as another type reads that type's stamp, as the main
// window's own type box does.
TEST(TimeStampRowsDialogType, TypeChosenInTheSettingsDialogReadsTheStamp) {
  const struct {
    const char* opened_as;
    Inserter inserter;
    const char* button;
  } cases[] = {{"IOTA-VTI", Inserter::Kiwi, "RadioButton4"},
               {"GHS-OSD", Inserter::Kiwi, "RadioButton4"},
               {"KIWI-OSD", Inserter::Ghs, "RadioButton5"},
               {"IOTA-VTI", Inserter::Ghs, "RadioButton5"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.opened_as) + " " + c.button);
    MainRoadWindow m(Reader::OwnAvi);
    m.ReadStampsOf(c.opened_as);
    std::vector<Bitmap24> frames;
    for (int n = 0; n < kFrames; ++n) frames.push_back(StampFrame(c.inserter, n));
    AviWriterOptions o;
    o.rate = 30;
    ASSERT_TRUE(WriteAvi(m.Path("kiwi.avi").string(), frames, o));
    ASSERT_TRUE(m.OpenThroughButton1(m.Path("kiwi.avi")));
    m.W().RadioGroup2->SetItemIndex(1);  // 'Odd first'
    m.Click("Button17");
    auto* d = m.W().findChild<QDialog*>("PreserveSetting");
    ASSERT_NE(d, nullptr);
    d->findChild<QRadioButton*>(c.button)->click();
    d->close();
    ASSERT_EQ(m.Find<QComboBox>("ComboBox1")->currentIndex(), static_cast<int>(c.inserter));

    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped());
    ExpectFrameTimesWithoutCounts(m.Rows());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inserters, TimeStampRows,
    ::testing::Values(StampCase{"IOTA frame", Inserter::Iota, false, Reader::OwnAvi},
                      StampCase{"IOTA field", Inserter::Iota, true, Reader::Ffmpeg},
                      StampCase{"KIWI frame", Inserter::Kiwi, false, Reader::Ffmpeg},
                      StampCase{"KIWI field", Inserter::Kiwi, true, Reader::OwnAvi},
                      StampCase{"GHS frame", Inserter::Ghs, false, Reader::OwnAvi},
                      StampCase{"GHS field", Inserter::Ghs, true, Reader::Ffmpeg}),
    [](const ::testing::TestParamInfo<StampCase>& info) {
      std::string s = info.param.name;
      for (char& ch : s)
        if (ch == ' ') ch = '_';
      return s;
    });

}  // namespace

// A GHS frame washed out by a flash, or a video without a GHS line, reads
// "88" in every cell of the line: its impossible time is dropped, and the
// date read on the same line goes with it instead of showing "88 88 88".
TEST(TimeStampRowsGhsWashedOut, NoDateFromALineThatReadsAsNoTime) {
  Bitmap24 white(720, 480);
  FillFrame(white, 255);
  const struct {
    const char* name;
    std::vector<Bitmap24> frames;
    std::vector<const char*> dates;
  } cases[] = {
      {"flash", {GhsStampFrame(0), GhsStampFrame(1), white, GhsStampFrame(3)}, {"26 12 06", "26 12 06", "  ", "26 12 06"}},
      {"no GHS line", std::vector<Bitmap24>(3, Bitmap24(720, 480)), {"  ", "  ", "  "}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MainRoadWindow m(Reader::OwnAvi);
    AviWriterOptions o;
    o.rate = 30;
    ASSERT_TRUE(WriteAvi(m.Path("ghs.avi").string(), c.frames, o));
    ASSERT_TRUE(m.OpenThroughButton1(m.Path("ghs.avi")));
    m.Find<QCheckBox>("CheckBox5")->setChecked(true);
    ChooseInserter(m, static_cast<int>(Inserter::Ghs));
    for (size_t n = 0; n < c.frames.size(); ++n) {
      m.W().GoToFrame(static_cast<int>(n));
      EXPECT_EQ(m.Find<QLineEdit>("Edit59")->text().toStdString(), c.dates[n]) << n;
    }
    m.W().GoToFrame(0);
    m.Click("Button3");
    ASSERT_TRUE(m.WaitUntilStopped());
    const std::vector<std::string> rows = m.Rows();
    ASSERT_EQ(rows.size(), c.frames.size());
    for (size_t n = 0; n < rows.size(); ++n) {
      const bool stamped = std::string(c.dates[n]) != "  ";
      EXPECT_EQ(TimeColumns(rows[n])[2], stamped ? "12" : "") << rows[n];
    }
    EXPECT_TRUE(m.dialogs.messages.empty());
  }
}
