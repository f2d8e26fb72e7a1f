#include "timing/CmosExposure.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "base/NumberText.h"

namespace {

// Spaces padding a number by its size: widths for below 10, 100, 1000.
std::string SizePad(int64_t a, int below10, int below100, int below1000, int above) {
  if (a < 10) return std::string(below10, ' ');
  if (a < 100) return std::string(below100, ' ');
  if (a < 1000) return std::string(below1000, ' ');
  return std::string(above, ' ');
}

std::string TableRow(const TExposureRecord& r) {
  const int64_t nF = RoundHalfEven(r.F), nD = RoundHalfEven(r.D);
  const int64_t nL = RoundHalfEven(r.L), nP = RoundHalfEven(r.P);
  std::string s = "   " + PadLeft(FormatInt(static_cast<int64_t>(r.E)), 4);
  s += "      " + PadLeft(FormatInt(nF), 4);
  s += "      ";
  if (nD >= 0) s += " ";
  s += SizePad(std::llabs(nD), 3, 2, 1, 0) + FormatInt(nD);
  s += "        ";
  if (nL >= 0) s += " ";
  const int64_t aL = std::llabs(nL);
  if (aL < 1000)
    s += SizePad(aL, 3, 2, 1, 0) + FormatInt(nL);
  else
    s += "    ";
  s += "         ";
  if (nP >= 0) s += " ";
  const int64_t aP = std::llabs(nP);
  if (aP < 10)
    s += "  ";
  else if (aP < 100)
    s += " ";
  s += FormatInt(nP);
  return s;
}

// Marks the smallest shift of every maximal run of suitable records in
// first..last. The search's P carries the drift's sign; a run of negative
// shifts still wants the one nearest zero.
template <class Rec>
void RecommendRuns(Rec& rec, int first, int last) {
  int best = -1;
  double best_p = 10000;
  for (int k = first; k <= last + 1; ++k) {
    const bool in_run = k <= last && rec[k].suitable;
    if (in_run) {
      if (std::fabs(rec[k].P) < best_p) {
        best_p = std::fabs(rec[k].P);
        best = k;
      }
      continue;
    }
    if (best >= 0) rec[best].recommended = 1;
    best = -1;
    best_p = 10000;
  }
}

std::string PadSigned(const std::string& num, bool positive, int width) {
  return PadLeft((positive ? " " : "") + num, width);
}

}  // namespace

void BuildExposureTable(CmosExposureTable& t) {
  for (int e = 1; e <= CmosExposureTable::kLast; ++e) {
    TExposureRecord& r = t.rec[e];
    r.E = e;
    r.F = static_cast<double>(RoundHalfEven(1000.0 / e));
    r.D = r.E * r.F - 1000;
    r.EoverD = r.D == 0 ? r.E / 0.0001 : r.E / r.D;
    r.L = 2 * r.EoverD;
    r.P = std::fabs(r.D / r.E * 100);
  }
}

void FilterExposureTable(CmosExposureTable& t) {
  for (int e = 1; e <= CmosExposureTable::kLast; ++e) {
    TExposureRecord& r = t.rec[e];
    r.suitable = std::llabs(RoundHalfEven(r.L)) <= t.LedCaptureTimeLimit &&
                 std::llabs(RoundHalfEven(r.P)) <= t.ShiftPercentLimit;
    r.recommended = 0;
  }
  RecommendRuns(t.rec, 1, CmosExposureTable::kLast);
}

std::vector<std::string> ListExposureTable(const CmosExposureTable& t, ExposureFilter f) {
  std::vector<std::string> out = {
      "  E         F        D            L             P",
      "            =1000/E  =E*F-1000    =2*E/D        =(D/E)*100",
      "  Exposure  Frame    Delay every  Length of     Percentage",
      "  time      rate     F Frames     Capture time  of Delay",
      "                                  for LED       to Exposure",
      "  (msec)    (fps)      (msec)       (sec)          (%)",
      ""};
  for (int e = 1; e <= CmosExposureTable::kLast; ++e) {
    const TExposureRecord& r = t.rec[e];
    const bool listed = f == ExposureFilter::All || (f == ExposureFilter::Recommended && r.recommended) ||
                        (f == ExposureFilter::Suitable && r.suitable);
    if (listed) out.push_back(TableRow(r));
  }
  return out;
}

const std::vector<std::string>& ExposureExplanation() {
  static const std::vector<std::string> lines = {
      "Base time for occultation timing observation can be obtain accurately to use \"Frame Offset Method\" as "
      "follows.",
      "",
      "In this discussion, frame rate is defined as the number of frames advance to a frame includs next PPS.",
      "An example, 27msec frame exposure is set for video capture. In this case, frame rate is calculated as "
      "1000msec / 27msec = 37fps ",
      "Due to fps is integer, time advances 999msec(27msec * 37fps) on every 37 frames, so 1msec phase shift "
      "between 37 frames and 1PPS.",
      "",
      "This phase shift makes constant decrease on light intensity recorded every 37 frames.",
      "(The other case, e.g. 13msec*77fps, frame delays 1msec every 77 frames. It makes constant light increase. "
      "Because of its constant light change, light intensity recorded on measured frame can be used for decision "
      "of base time accurately. ",
      "",
      "The required capture time for 1PPS-LED recording is calculated from following equation.",
      "  [2 * Exposure time(msec) / Phase Shift(msec)] (sec)",
      "It is impractical to choose long capture time and large shift, so, the table shows recommonded exposure "
      "time  they have small shift suitable for accuracy and reasonable length of chapture time. "};
  return lines;
}

std::vector<std::string> SearchExposures(CmosExp2State& s, bool include_integers) {
  for (int k = 1; k <= CmosExp2State::kLast; ++k) s.rec[k] = TExposureRecord{};
  const int64_t lo = RoundHalfEven(s.TargetExposure * 10 * 0.5);
  int64_t hi = RoundHalfEven(s.TargetExposure * 10 * 2.0);
  if (hi > CmosExp2State::kLast) hi = CmosExp2State::kLast;
  int n = 0;
  for (int64_t k = lo; k <= hi && n < CmosExp2State::kLast; ++k) {
    if (k <= 0) continue;  // a zero exposure has no frame rate
    TExposureRecord& r = s.rec[++n];
    // From whole tenths of a millisecond: E * F in binary fractions misses
    // the exact drift (45.6 * 22 - 1000 = 3.2000000000000455), which moves a
    // capture time of 28.5 s to 28 and a tie at a limit out of it.
    const int64_t f = RoundHalfEven(10000.0L / static_cast<long double>(k));
    const int64_t d10 = k * f - 10000;
    const double tenths = d10 == 0 ? 0.001 : static_cast<double>(d10);  // D 0.0001 ms when none
    const double kd = static_cast<double>(k);
    r.E = kd / 10;
    r.F = static_cast<double>(f);
    r.D = tenths / 10;
    r.EoverD = kd / tenths;
    r.L = 2 * kd / tenths;
    r.P = 100 * tenths / kd;
    r.suitable = std::fabs(r.L) <= s.Exp2CaptureTimeLimit && std::fabs(r.L) / 2 >= s.ProcessDotLimit &&
                 std::fabs(r.P) <= s.Exp2ShiftPercentLimit;
  }
  s.count = n;
  RecommendRuns(s.rec, 1, n);
  if (include_integers) {
    for (int k = 1; k <= n; ++k) {
      TExposureRecord& r = s.rec[k];
      if (r.suitable && std::fabs(r.E - std::trunc(r.E)) < 0.00001) r.recommended = 1;
    }
  }
  std::vector<std::string> out;
  for (int k = 1; k <= n; ++k) {
    const TExposureRecord& r = s.rec[k];
    if (!r.recommended) continue;
    std::string sE = FormatFixed(r.E, 1, 7);
    if (sE.size() == 4) sE = "  " + sE;
    else if (sE.size() == 5) sE = " " + sE;
    const std::string sF = PadLeft(FormatFixed(r.F, 0, 7), 5);
    const bool pos = r.D > 0;
    const std::string sD = PadSigned(FormatFixed(r.D, 0, 7), pos, 3);
    const std::string sP = PadSigned(FormatFixed(r.P, 0, 5), pos, 3);
    const std::string sL = PadSigned(FormatFixed(r.L, 0, 5), pos, 4);
    out.push_back(sE + " " + sF + "    " + sD + "      " + sP + "    " + sL);
  }
  return out;
}

const std::vector<std::string>& Exp2Header() {
  static const std::vector<std::string> lines = {"Exp       FR     Delay   P      L",
                                                 "Exposure  Frame  from    Delay  1PPS LED",
                                                 "Time      Rate   UTC/FR  /Exp   Cap Time",
                                                 "(msec)    (int)  (msec)  (%)    (sec)"};
  return lines;
}

const std::vector<std::string>& Exp2ReadMe() {
  static const std::vector<std::string> lines = {
      "This program can obtain suitable exposure time for decision of base time from 1PPS-LED pulse. ",
      "",
      "To use this exposure time feature: ",
      "(1) Enter exposure time which you need.",
      "(2) Click Calc button.",
      "(3) Select exp time from recommended list.",
      "(4) Use filter to refine the search results.",
      "  a. Lower limit of process dot.",
      "     Highly recommend to set over 5.",
      "     Large number of dot makes decision",
      "     for accurate base time.",
      "  b. Upper limit of LED capture time.",
      "     Long capturing time for 1PPS-LED makes",
      "     accurate base time. However, it spend",
      "     much more time for your preparation of",
      "     observation.",
      "  c. Upper limit of Shift/Exposure.",
      "     It is considerd that long exposure",
      "     requires accuracy less than short",
      "      exposure.",
      "     To set large number to this filter, it",
      "     will narrow down the conditions to make",
      "      efficient observation.",
      "     On the other hand, setting small makes",
      "     decision to accurate base time.",
      ""};
  return lines;
}

TypedExposure SplitTypedExposure(double v) {
  TypedExposure t;
  // Refuse below 0.1 ms: the hundredths are dropped, so the target would be 0.
  if (!(v >= 0.1) || !(v < 900)) return t;
  // The hundredths truncated from the figures as typed (the shortest text that
  // reads back as v), not from the binary value: 4.6 is held as 4.5999...,
  // and 899.9995 must not round up into 900.
  char buf[64];
  const char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr;
  const std::string_view text(buf, static_cast<size_t>(end - buf));
  const size_t dot = std::min(text.find('.'), text.size());
  int64_t c = 0;
  for (size_t i = 0; i < dot + 3; ++i) {
    if (i == dot) continue;
    const char d = i < text.size() ? text[i] : '0';
    c = 10 * c + (d - '0');
  }
  t.digits = {static_cast<int>(c / 10000), static_cast<int>(c / 1000 % 10), static_cast<int>(c / 100 % 10),
              static_cast<int>(c / 10 % 10), static_cast<int>(c % 10)};
  t.target = ExposureFromDigits(t.digits);
  t.accepted = t.target > 0;
  return t;
}

double ExposureFromDigits(const ExposureDigitSet& d) {
  // The edit shows one decimal: a target with the hidden hundredths would give
  // a frame rate and a search range other than those of the exposure shown.
  return (1000 * d[0] + 100 * d[1] + 10 * d[2] + d[3]) / 10.0;
}

std::string ExposureEditText(double target) { return FormatFixed(target, 1, 8); }
std::string FrameRateEditText(double target) { return FormatFixed(1000.0 / target, 5, 10); }
