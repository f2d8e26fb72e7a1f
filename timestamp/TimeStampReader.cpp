#include "timestamp/TimeStampReader.h"

#include <cmath>
#include <utility>

#include "base/NumberText.h"

const std::array<std::array<int32_t, 12>, 5> KiwiDigitPositions = {{
    {85, 109, 156, 180, 227, 251, 322, 345, 369, 440, 463, 487},
    {70, 94, 140, 164, 210, 234, 306, 330, 353, 424, 448, 472},
    {56, 80, 127, 150, 196, 220, 292, 316, 339, 410, 434, 458},
    {29, 53, 100, 123, 171, 195, 266, 289, 313, 384, 407, 431},
    {20, 30, 40, 50, 60, 70, 80, 90, 600, 600, 600, 600},
}};

void LoadKiwiDigitPositions(DigitXTable& digitX) {
  for (int layout = 1; layout <= 5; ++layout)
    for (int i = 0; i < 12; ++i) digitX[layout][7 + i] = KiwiDigitPositions[layout - 1][i];
}

int FixedStampLayout(int frameWidth, int frameRateRounded) {
  const bool fast = frameRateRounded > 25;
  if (frameWidth > 640) return fast ? 1 : 2;
  return fast ? 3 : 4;
}

int TimeStampRow(int layout, int field, const GlyphContext& ctx, const TimeStampState& state,
                 int frameHeight) {
  const bool second = field == 1;
  const int off = second ? state.AutoRowOffset1 : state.AutoRowOffset0;
  const int r = state.LocatedStampRow;
  const int32_t top = state.LocatedFieldTop[second ? 1 : 0];
  if (layout == kLocatedLayout && top >= 0) {
    // Each field is read from its own measured glyph top.
    if (!ctx.showField) return top;
    return second ? (top - 1) / 2 + frameHeight / 2 : top / 2;
  }
  if (ctx.showField) {
    // Two fields stacked: the second field starts half way down.
    if (layout == 2 || layout == 4) return second ? 542 + off : 254 + off;
    if (layout == kLocatedLayout) return (r + 1) / 2 + (second ? frameHeight / 2 : 0) + off;
    return second ? 444 + off : 205 + off;
  }
  if (layout == 2 || layout == 4) return second ? 509 + 2 * off : 508 + 2 * off;
  if (layout == kLocatedLayout) {
    const bool odd = (r % 2) != 0;
    if (second) return odd ? r + off : r + 1 + off;
    return odd ? r - 1 + off : r + off;
  }
  switch (ctx.mode) {
    case TimeStampMode::Iota: return second ? 401 + 2 * off : 402 + 2 * off;
    case TimeStampMode::Ghs: return second ? 400 + 2 * off : 401 + 2 * off;
    default: return second ? 409 + 2 * off : 410 + 2 * off;
  }
}

namespace {

// Two field seconds as numbers, the one that wrapped from second 59 to 0
// moved past 60.
std::pair<double, double> WrappedFieldSeconds(std::string_view a, std::string_view b) {
  double x = ParseDoubleOr(a, 0.0);
  double y = ParseDoubleOr(b, 0.0);
  if (x > 59 && y < 1) {
    y += 60;
  } else if (x < 1 && y > 59) {
    x += 60;
  }
  return {x, y};
}

// The two fields of a frame are half a frame apart: times further apart than
// this hold a misread and say nothing about which field is earlier.
bool FieldTimesClose(std::string_view a, std::string_view b) {
  const auto [x, y] = WrappedFieldSeconds(a, b);
  return std::fabs(x - y) <= 0.1;
}

struct OffsetSearch {
  double best = 0;
  int h = 0;
  int v = 0;
  bool fromX = true;
  bool cut = false;  // a searched row of the line runs past the frame's top or bottom
};

// One pass of the offset search around the digit at DigitX[layout][cell].
void SearchOffsets(const Bitmap24& frame, const GlyphReader& reader, int layout, int cell, int vFrom,
                   int vTo, int field, TimeStampState& state, OffsetSearch& s) {
  int32_t& rowOffset = field == 1 ? state.AutoRowOffset1 : state.AutoRowOffset0;
  const int frameHeight = frame.Height();
  for (int v = vFrom; v <= vTo; ++v) {
    rowOffset = v;
    const int y = TimeStampRow(layout, field, reader.Context(), state, frameHeight);
    s.cut = s.cut || !reader.FitsRows(frame, y);
    double running = 0;
    bool runningFromX = true;
    for (int h = -2; h <= 2; ++h) {
      const int x = state.DigitX[layout][cell] + h;
      double a = 0, b = 0;
      reader.Read(frame, x, y, &a);
      reader.Read(frame, x - 10, y, &b);
      if (a > running) {
        running = a;
        runningFromX = true;
      }
      if (b > running) {
        running = b;
        runningFromX = false;
      }
      if (running > s.best) {
        s.best = running;
        s.h = h;
        s.v = v;
        s.fromX = runningFromX;
      }
    }
  }
}

// The characters of `count` fields from `from` on one row; one that does not
// read is written as "0" and sets `gap`: a time with a covered or unreadable
// digit is no time, not a time with a 0 in its place.
template <typename XOf>
std::string ReadChars(const GlyphReader& reader, const Bitmap24& frame, const XOf& X, int from, int count, int row,
                      bool& gap) {
  std::string s;
  for (int i = 0; i < count; ++i) {
    const char c = reader.Read(frame, X(from + i), row);
    gap = gap || c == 0;
    s += c ? c : '0';
  }
  return s;
}

// Both fields of an IOTA-VTI line. Each field shows its four fraction digits
// in one of two groups (the other is blank): the group whose first digit reads
// best is taken. Field 1 is the earlier of the two field times and its
// counter goes with it; only when both read the same time does the earlier
// decision, or else 'Field Order', pick.
template <typename XOf>
void ReadIotaFields(const GlyphReader& reader, const Bitmap24& frame, const XOf& X, int oddRow, int evenRow,
                    const StampReadOptions& options, TimeStampState& state, StampTexts& t) {
  struct Field {
    int row;
    std::string hms, seconds, full;
    int group;  // 13 or 17
    bool read = false;  // every time and fraction digit of this field reads
  };
  struct Reading {
    char c = 0;
    double score = 0;
  };
  auto ReadAt = [&](int field, int row) {
    Reading r;
    r.c = reader.Read(frame, X(field), row, &r.score);
    return r;
  };
  Field odd{oddRow, {}, {}, {}, 13}, even{evenRow, {}, {}, {}, 13};
  for (Field* f : {&odd, &even}) {
    bool gap = false;
    f->hms = ReadChars(reader, frame, X, 7, 6, f->row, gap);
    f->seconds = f->hms.substr(4, 2);
    const Reading a = ReadAt(13, f->row), b = ReadAt(17, f->row);
    if (a.score != b.score) {
      f->group = a.score > b.score ? 13 : 17;
    } else {
      const double a2 = ReadAt(14, f->row).score, b2 = ReadAt(18, f->row).score;
      f->group = (a2 != b2 ? a2 > b2 : f == &even && odd.group == 17) ? 13 : 17;
    }
    const char first = f->group == 13 ? a.c : b.c;
    gap = gap || first == 0;
    std::string digits(1, first ? first : '0');
    digits += ReadChars(reader, frame, X, f->group + 1, 3, f->row, gap);
    f->full = f->seconds + "." + digits;
    f->read = !gap;
  }
  // A field whose time does not read (wholly or in part) would read with
  // zeros in its place and could pass for the earlier one; only two read
  // times are compared.
  const bool bothRead = odd.read && even.read;
  bool evenFirst;
  if (bothRead && odd.full != even.full)
    evenFirst = CompareFieldSeconds(odd.full, even.full) == 1;
  else if (state.FieldOrderState != 2)
    evenFirst = state.StampFieldOrder == 1;
  else
    evenFirst = options.fieldOrder == FieldOrder::EvenFirst;
  const Field& f1 = evenFirst ? even : odd;
  const Field& f2 = evenFirst ? odd : even;
  // A field without a readable time gets no time rather than 00:00:00.
  auto PairOf = [&](const Field& f, int field) { return f.read ? f.hms.substr(field - 7, 2) : std::string(); };
  t.StampH1 = PairOf(f1, 7);
  t.StampM1 = PairOf(f1, 9);
  if (options.fieldMeasure) {
    t.StampH2 = PairOf(f2, 7);
    t.StampM2 = PairOf(f2, 9);
  }
  t.StampS1 = f1.read ? f1.seconds : std::string();
  t.StampS2 = f2.read ? f2.seconds : std::string();
  t.StampS1Full = f1.read ? f1.full : std::string();
  t.StampS2Full = f2.read ? f2.full : std::string();
  // Two times too far apart hold a misread: the frame's own fields go by
  // them, but the order kept for later frames (and for 'Field Order') stays.
  if (bothRead && FieldTimesClose(odd.full, even.full)) {
    state.FieldOrderState = f1.group == 13 ? 0 : 1;
    state.StampFieldOrder = evenFirst ? 1 : 0;
  }
  // Counters: up to eight characters, ending at the first unreadable one.
  auto Counter = [&](int row) {
    std::string s;
    for (int f = 21; f <= 28; ++f) {
      const char c = reader.Read(frame, X(f), row);
      if (!c) break;
      s += c;
    }
    return s;
  };
  // A field whose time does not read is read on the wrong lines or not shown:
  // its counter would read as other digits.
  t.StampCount1 = f1.read ? Counter(f1.row) : std::string();
  t.StampCount2 = f2.read ? Counter(f2.row) : std::string();
}

}  // namespace

std::array<int32_t, 2> LocatedFieldRows(const Bitmap24& frame, int y, const GlyphContext& ctx, const DigitXRow& xs) {
  const GlyphReader reader(ctx);
  auto timeScore = [&](int row) {
    double sum = 0;
    for (int f = 7; f <= 12; ++f) {
      double score = 0;
      if (reader.Read(frame, xs[f], row, &score)) sum += score;
    }
    return sum;
  };
  const double above = timeScore(y - 1), below = timeScore(y + 1);
  if (above <= 0 && below <= 0) return {-1, -1};
  const int other = below > above ? y + 1 : y - 1;
  std::array<int32_t, 2> top{};
  top[static_cast<size_t>(y & 1)] = y;
  top[static_cast<size_t>(other & 1)] = other;
  return top;
}

int AutoOffsetTimeStamp(const Bitmap24& frame, int field, const GlyphContext& ctx,
                        TimeStampState& state) {
  const int layout = FixedStampLayout(frame.Width(), ctx.frameRateRounded);
  int32_t& rowOffset = field == 1 ? state.AutoRowOffset1 : state.AutoRowOffset0;
  rowOffset = 0;
  const int s = ctx.frameRateRounded < 26 ? 2 : 1;
  const GlyphReader reader(ctx);
  OffsetSearch search;
  SearchOffsets(frame, reader, layout, 8, -s, s, field, state, search);
  if (search.best <= 0) SearchOffsets(frame, reader, layout, 10, -(s + 1), s, field, state, search);
  // A line the frame's edge may cut is no stamp: its visible rows would read
  // best with the row offset that puts the grid above the glyphs, as other digits.
  if (search.best <= 0 || search.cut) {
    rowOffset = 0;
    return 2;
  }
  rowOffset = search.v;
  state.AutoColumnOffset =
      state.AutoColumnOffset == 0 ? search.h : (state.AutoColumnOffset + search.h) / 2;
  return search.fromX ? 1 : 0;
}

int CompareFieldSeconds(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return 2;
  const auto [x, y] = WrappedFieldSeconds(a, b);
  return x >= y ? 1 : 0;
}

void ClearStampTimes(StampTexts& t) {
  for (std::string* s : {&t.StampH1, &t.StampH2, &t.StampM1, &t.StampM2, &t.StampS1, &t.StampS2, &t.StampS1Full,
                         &t.StampS2Full, &t.StampCount1, &t.StampCount2})
    s->clear();
}

int ReadTimeStamp(const Bitmap24& frame, const GlyphContext& ctx, const StampReadOptions& options,
                  TimeStampState& state, StampTexts& t) {
  state.AutoColumnOffset = 0;
  int layout;
  int result;
  if (ctx.stampLocated) {
    layout = kLocatedLayout;
    result = 1;
    const int off = ctx.mode == TimeStampMode::Iota ? 2 : 0;
    state.AutoRowOffset0 = off;
    state.AutoRowOffset1 = off;
  } else {
    state.AutoRowOffset0 = 0;
    state.AutoRowOffset1 = 0;
    if (ctx.frameRateRounded <= 25) AutoOffsetTimeStamp(frame, 0, ctx, state);
    result = AutoOffsetTimeStamp(frame, 1, ctx, state);
    layout = FixedStampLayout(frame.Width(), ctx.frameRateRounded);
  }
  if (result == 2) {
    ClearStampTimes(t);
    return result;
  }

  const GlyphReader reader(ctx);
  const int shift = state.AutoColumnOffset - (result == 0 ? 10 : 0);
  const DigitXRow& xs = state.DigitX[layout];
  auto X = [&](int field) { return xs[field] + shift; };
  const int h = frame.Height();
  const int rowA = TimeStampRow(layout, 1, ctx, state, h);
  const int rowB = TimeStampRow(layout, 0, ctx, state, h);
  const bool oddFirst = options.fieldOrder == FieldOrder::OddFirst;
  const int row1 = oddFirst ? rowA : rowB;
  const int row2 = oddFirst ? rowB : rowA;
  if (ctx.stampLocated) {
    // A located layout over a frame without a stamp: no time digit of either
    // field reads, and the frame gets no time rather than 00:00:00 (with a
    // GHS line, and the previous frame's fractions).
    bool any = false;
    for (int f = 7; f <= 12 && !any; ++f)
      any = reader.Read(frame, X(f), row1) != 0 || reader.Read(frame, X(f), row2) != 0;
    if (!any) {
      ClearStampTimes(t);
      return 2;
    }
  }
  // Whether some time character of field 1's or field 2's row did not read.
  bool gap1 = false, gap2 = false;
  auto Chars = [&](int from, int count, int row, bool& gap) {
    return ReadChars(reader, frame, X, from, count, row, gap);
  };
  // Each KIWI-OSD field shows its milliseconds in one of two groups and
  // leaves the other blank. A picture moved by one line brings the other
  // field onto this row, whose usual group is the blank one: then the other
  // group is taken, when it shows digits.
  auto ShownKiwiGroup = [&](int row, int usual) {
    auto reads = [&](int from) {
      for (int i = 0; i < 3; ++i)
        if (reader.Read(frame, X(from + i), row) != 0) return true;
      return false;
    };
    const int other = usual == 13 ? 16 : 13;
    return !reads(usual) && reads(other) ? other : usual;
  };

  if (ctx.mode == TimeStampMode::Iota) {
    ReadIotaFields(reader, frame, X, rowA, rowB, options, state, t);
    return result;
  }
  if (ctx.mode == TimeStampMode::Ghs) {
    // The date goes with field 1's time: across midnight the other field
    // already shows the next day. A date with a digit that does not read is
    // left empty rather than given a 0 in its place.
    bool dateGap = false;
    const std::string date = Chars(0, 6, row1, dateGap);
    t.StampDate1 = dateGap ? std::string() : date.substr(0, 2);
    t.StampDate2 = dateGap ? std::string() : date.substr(2, 2);
    t.StampDate3 = dateGap ? std::string() : date.substr(4, 2);
  }
  t.StampH1 = Chars(7, 2, row1, gap1);
  t.StampM1 = Chars(9, 2, row1, gap1);
  if (options.fieldMeasure) {
    t.StampH2 = Chars(7, 2, row2, gap2);
    t.StampM2 = Chars(9, 2, row2, gap2);
  }
  t.StampS1 = Chars(11, 2, row1, gap1);
  t.StampS2 = Chars(11, 2, row2, gap2);

  switch (ctx.mode) {
    case TimeStampMode::Kiwi:
    case TimeStampMode::Sharp:
      if (ctx.stampLocated) {
        t.StampS1Full = t.StampS1 + "." + Chars(13, 2, row1, gap1);
        t.StampS2Full = t.StampS2 + "." + Chars(13, 2, row2, gap2);
      } else {
        t.StampS1Full = t.StampS1 + "." + Chars(ShownKiwiGroup(row1, 16), 3, row1, gap1);
        t.StampS2Full = t.StampS2 + "." + Chars(ShownKiwiGroup(row2, 13), 3, row2, gap2);
      }
      break;
    case TimeStampMode::Ghs:
      t.StampS1Full = t.StampS1 + "." + Chars(13, 3, row1, gap1);
      t.StampS2Full = t.StampS2 + "." + Chars(13, 3, row2, gap2);
      // Compared as field times, so 00.007 after 59.990 counts as later; a
      // field that does not wholly read tells nothing, nor do two times too
      // far apart to be one frame's fields.
      if (!gap1 && !gap2 && FieldTimesClose(t.StampS1Full, t.StampS2Full)) {
        const bool secondEarlier = CompareFieldSeconds(t.StampS2Full, t.StampS1Full) == 0;
        state.StampFieldOrder = oddFirst == secondEarlier ? 1 : 0;
      }
      break;
    case TimeStampMode::Iota:
      break;
  }
  // A field with a time character that does not read (no stamp on its row,
  // a dropped field, a covered digit) gets no time rather than one with
  // zeros in its place, and never the previous frame's fractions.
  if (gap1)
    for (std::string* s : {&t.StampH1, &t.StampM1, &t.StampS1, &t.StampS1Full}) s->clear();
  if (gap2) {
    if (options.fieldMeasure)
      for (std::string* s : {&t.StampH2, &t.StampM2}) s->clear();
    t.StampS2.clear();
    t.StampS2Full.clear();
  }
  return result;
}
