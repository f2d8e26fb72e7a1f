#include "events/MagnitudeCalculation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/DateText.h"
#include "base/NumberText.h"
#include "events/FixedColumns.h"
#include "events/TimingError.h"

const std::array<std::array<int32_t, 10>, 4> CameraDelayTable{{
    {33, 42, 58, 125, 259, 526, 1059, 2127, 4263, 8534},
    {33, 42, 75, 142, 275, 542, 1076, 2144, 4279, 8550},
    {17, 33, 58, 125, 259, 526, 1059, 2127, 4254, 8525},
    {17, 33, 67, 133, 267, 534, 1068, 2135, 4271, 8542},
}};

int32_t CameraDelay(EventCamera camera, int field, int position) {
  if (camera != EventCamera::Wat120N && camera != EventCamera::Wat910HX) return 0;
  const size_t row = (camera == EventCamera::Wat910HX ? 2 : 0) + (field == 1 ? 1 : 0);
  const size_t col = static_cast<size_t>(std::clamp(position, 0, 9));
  return CameraDelayTable[row][col];
}

CapturedIntensities CaptureIntensities(const LevelWindows& w, bool double_star, double h) {
  CapturedIntensities c;
  const auto& m = w.Mean;
  const auto& e = w.StdError;
  c.Combined = std::fabs(static_cast<long double>(m[0]) - m[2]);
  if (double_star) {
    c.First = std::fabs((1 - h / 100.0L) * c.Combined);
    c.Second = std::fabs(h * c.Combined / 100.0L);
  } else {
    c.First = std::fabs(static_cast<long double>(m[0]) - m[1]);
    c.Second = std::fabs(static_cast<long double>(m[1]) - m[2]);
  }
  c.CombinedError = static_cast<long double>(e[0]) + e[2];
  c.FirstError = static_cast<long double>(e[0]) + e[1];
  c.SecondError = static_cast<long double>(e[1]) + e[2];
  return c;
}

namespace {

constexpr long double kMagBase = 2.5118864L;
constexpr long double kFixedRate = 29.97L;

long double LogB(long double x) { return std::log(x) / std::log(kMagBase); }

std::string Padded(std::string s, size_t length) {
  s.resize(length, ' ');
  return s;
}

struct SplitTime {
  std::string H, M, S;
  int Days = 0;  // days from the base time's date to the event's
};

SplitTime Split(long double ms, int digits) {
  const int64_t u = RoundHalfAway(ms);
  // A camera delay or fit offset can take an event just after midnight back
  // into the previous day: show it as that day's time, not a negative second.
  // The base time of the second field can read 24 h after the minute turned
  // at midnight: that and later times are the next day's.
  const int64_t t = (u % 86'400'000 + 86'400'000) % 86'400'000;
  const int64_t h = t / 3'600'000;
  const int64_t m = (t - h * 3'600'000) / 60'000;
  const long double s = static_cast<long double>(t - h * 3'600'000 - m * 60'000) / 1000.0L;
  // Fewer decimals can round 59.96 s up to "60.0": carry into the minute.
  const CarriedClock c = CarryRoundedTimeOfDay(h, m, s, digits, 5);
  const int days = static_cast<int>((u - t) / 86'400'000) + (c.NextDay ? 1 : 0);
  return {ZeroPadOne(FormatInt(c.Hour)), ZeroPadOne(FormatInt(c.Minute)), FormatSeconds(c.Second, digits, 5), days};
}

// Offsets are written by the fit as whole milliseconds; a fractional text is
// rounded and an unreadable one counts as 0.
int64_t OffsetMs(const std::string& text) {
  if (auto i = ParseInt64(text)) return *i;
  if (auto d = ParseLongDouble(text)) return RoundHalfAway(*d);
  return 0;
}

std::string EventLine(const std::string& h, const std::string& m, const std::string& s, const std::string& err,
                      const std::string& sn) {
  return "Event Time : " + h + "h" + m + "m" + s + "s  +/- " + err + "s  S/N=" + sn;
}

}  // namespace

MagnitudeResult MagnitudeCalculation(const MagnitudeInputs& in, EventResultTexts& k) {
  MagnitudeResult r;
  k.MeasuredDropText.clear();
  k.PredictedDropText.clear();
  const LevelWindows& lv = in.Levels;
  const CapturedIntensities& ci = in.Intensities;
  const double pre = lv.Mean[0], step = lv.Mean[1], post = lv.Mean[2];
  const double hi = std::max(pre, post), lo = std::min(pre, post);
  const size_t upper_w = hi == pre ? 0 : 2, lower_w = hi == pre ? 2 : 0;
  auto sd = [&](size_t w) {
    return static_cast<long double>(lv.StdError[w]) * std::sqrt(static_cast<long double>(lv.Count[w]));
  };

  long double m1 = -1000, m2 = -1000, e1 = -1, e2 = -1;
  if (ci.First > 0 && ci.Combined > 0) {
    m1 = LogB(ci.Combined / ci.First) + in.PairMagnitude;
    e1 = std::fabs(
        LogB(1 + std::sqrt(std::pow(ci.FirstError / ci.First, 2) + std::pow(ci.CombinedError / ci.Combined, 2))));
  }
  if (ci.Second > 0 && ci.Combined > 0) {
    m2 = LogB(ci.Combined / ci.Second) + in.PairMagnitude;
    e2 = std::fabs(
        LogB(1 + std::sqrt(std::pow(ci.SecondError / ci.Second, 2) + std::pow(ci.CombinedError / ci.Combined, 2))));
  }
  if (m1 > -10) r.Edit5 = FormatFixed(m1, 2, 8);
  if (m2 > -10) r.Edit6 = FormatFixed(m2, 2, 8);
  if (e1 >= 0) r.Edit7 = FormatFixed(e1, 2, 8);
  if (e2 >= 0) r.Edit8 = FormatFixed(e2, 2, 8);

  const TReportLightCurveElement empty_element;
  const TReportLightCurveElement& el = in.Element ? *in.Element : empty_element;
  std::string pair_line, first_line, second_line, vr_line;
  if (in.DoubleStar) {
    first_line = "First event= " + r.Edit5 + " +/- " + r.Edit7;
    second_line = "Second event=" + r.Edit6 + " +/- " + r.Edit8;
  } else if (in.StepWindowSet) {
    pair_line = "Assuming magnitude of Pair is       Mag.";
    PutEndingAtColumn(pair_line, 35, in.PairMagnitudeText);
    first_line = "  First Event  :       +/-       Mag.";
    PutEndingAtColumn(first_line, 22, r.Edit5);
    PutEndingAtColumn(first_line, 31, r.Edit7);
    second_line = "  Second Event :       +/-       Mag.";
    PutEndingAtColumn(second_line, 22, r.Edit6);
    PutEndingAtColumn(second_line, 31, r.Edit8);
  } else {
    vr_line = "V=" + el.VMag + "  R=" + el.RMag + " mag";
    if (el.Kind == ReportKind::Asteroid) {
      k.PredictedDropText = "Mag Drop (predicted):        Mag.";
      PutEndingAtColumn(k.PredictedDropText, 26, in.PredictedDropText);
      if (in.DropConsidered) k.PredictedDropText += " [for fitting]";
      long double ratio = lo > 0 ? 1 - (hi - lo) / static_cast<long double>(hi) : 1 - (hi - lo) / (hi - lo + 0.1L);
      if (ratio < 0) ratio = 1;
      k.MeasuredDropText = "Mag Drop (measured ):        Mag.";
      PutEndingAtColumn(k.MeasuredDropText, 27, FormatFixed(-LogB(ratio), 2, 3));
    }
  }

  auto stat_line = [&](const char* label, size_t length, long double mean, long double s, int32_t n) {
    std::string line = Padded(label, length);
    PutEndingAtColumn(line, 25, FormatFixed(mean, 1, 8));
    PutEndingAtColumn(line, 34, FormatFixed(s, 1, 8));
    PutEndingAtColumn(line, 41, FormatInt(n));
    return line;
  };
  const std::string combined_stat = stat_line("  Combined  :", 42, hi, sd(upper_w), lv.Count[upper_w]);
  const std::string step_stat = stat_line("  Step      :", 42, step, sd(1), lv.Count[1]);
  const std::string background_stat = stat_line("  Background:", 41, lo, sd(lower_w), lv.Count[lower_w]);

  const bool d_order = pre >= post;
  struct Noise {
    long double Upper = -1, Lower = -1;
    std::string Line;
  };
  auto noise_line = [&](const char* label, size_t length, size_t a, size_t b, long double intensity) {
    Noise n;
    n.Line = Padded(label, length);
    const size_t up = d_order ? a : b, low = d_order ? b : a;
    std::string ut = "---", lt = "---";
    if (intensity > 0) {
      n.Upper = sd(up) / intensity;
      n.Lower = sd(low) / intensity;
      ut = FormatFixed(n.Upper, 4, 8);
      lt = FormatFixed(n.Lower, 4, 8);
    }
    PutEndingAtColumn(n.Line, 25, ut);
    PutEndingAtColumn(n.Line, 34, lt);
    return n;
  };
  const Noise first_noise = noise_line("  First event:", 38, 0, 1, ci.First);
  const Noise second_noise = noise_line("  Second event:", 39, 1, 2, ci.Second);
  Noise total = noise_line("  Total event:", 38, 0, 2, ci.Combined);
  const long double ns_total = std::max(total.Upper, total.Lower);
  if (ns_total == -1)
    k.EventSnText.clear();
  else if (ns_total == 0)
    k.EventSnText = " --- ";
  else
    k.EventSnText = FormatFixed(1 / ns_total, 2, 5);
  total.Line = total.Line.substr(0, 37) + k.EventSnText;

  k.EventIsDisappearance = pre > post ? 1 : 0;
  const long double ns_step =
      in.DoubleStar ? total.Lower + (total.Upper - total.Lower) * in.StepHeightPercent / 100.0L : total.Upper;
  if (ns_total == -1) {
    r.Memo1 = {"Value contains two object is zero or minus. Calculation is not possible."};
    return r;
  }
  k.MeasuredContactAngleText = in.ContactAngleText;
  k.PredictedContactAngleText = el.LunarValues[kLunarContactAngleIndex];

  std::string line1, line2;
  if (in.Camera != EventCamera::Off) {
    const int field = in.FieldSelection == 1 ? 1 : 0;
    const BaseTime& b = in.BaseTimes[static_cast<size_t>(field)];
    // A time of 00:00:00 standing in for an unread stamp is no event time.
    if (!in.BaseTimeRead[static_cast<size_t>(field)]) {
      r.Memo1 = {kNoBaseTimeMessage};
      return r;
    }
    // Whole milliseconds, summed in long double: a stamp or offset far out
    // of range must not overflow the sum.
    long double t0 = static_cast<long double>(b.Hour) * 3'600'000 + static_cast<long double>(b.Minute) * 60'000 +
                     // A stamp's "56.7895" is 56789.5 ms: its half rounds up though the
                     // binary value lies just below it.
                     static_cast<long double>(RoundDecimalHalfAway(b.Second, 3));
    long double t2 = 0;
    // A second component counts only while the double-star box is on: a fit's
    // second time left after the box was turned off has no error or S/N of
    // its own here.
    const bool two = in.DiffractionFitted && in.DoubleStar && !in.Offset2Text.empty();
    if (in.DiffractionFitted) {
      if (two) t2 = t0 + static_cast<long double>(OffsetMs(in.Offset2Text));
      t0 += static_cast<long double>(OffsetMs(in.Offset1Text));
    }
    // An empty window's mean of 0 is no level, and one record shows no
    // scatter, so its error would read as about 0.
    if (lv.Count[0] < 2 || lv.Count[2] < 2) {
      r.Memo1 = {"The pre- or post-event window holds fewer than two records: no event time. Set the windows over "
                 "the levels before and after the event."};
      return r;
    }
    if (hi - lo <= 0) {
      r.Memo1 = {
          "The result means that background is brighter than star. Set the range correctly for step measurement."};
      return r;
    }
    if (in.StepCorrection && step - lo <= 0) {
      r.Memo1 = {
          "The result of calculation indicates that background is brighter than step. Set the range correctly for step "
          "measurement."};
      return r;
    }
    // A step above the star's level would put the event more than one
    // exposure away from the stamp.
    if (in.StepCorrection && step - hi > 0) {
      r.Memo1 = {
          "The result of calculation indicates that step is brighter than star. Set the range correctly for step "
          "measurement."};
      return r;
    }
    // Read before the correction so that the first calculation after opening
    // already uses the integration shown.
    k.IntegrationFrames = static_cast<int32_t>(ParseInt32(in.IntegrationText).value_or(0));
    const long double q = (static_cast<long double>(step) - lo) / (static_cast<long double>(hi) - lo);
    const long double qp = pre > post ? q : 1 - q;
    const int32_t delay = CameraDelay(in.Camera, field, in.IntegrationPosition);
    const bool delayed = in.Camera == EventCamera::Wat120N || in.Camera == EventCamera::Wat910HX;
    // A field's stamp is the end of its exposure, while the fitted offsets
    // count from the middle of it: half a field earlier.
    const long double centre_shift =
        in.DiffractionFitted && in.FieldRecords && in.TimingFrameRate > 0 ? 250.0L / in.TimingFrameRate : 0;
    long double t = t0 - centre_shift;
    if (in.Camera == EventCamera::Wat100N) {
      if (in.StepCorrection) t += qp * 1000 / kFixedRate;
    } else {
      if (in.StepCorrection) t += qp * k.IntegrationFrames * 1000 / kFixedRate;
      t -= delay;
    }
    const SplitTime s1 = Split(t, in.SecondsDigits);
    r.EventTimed = true;
    k.EventHourText = s1.H;
    k.EventMinuteText = s1.M;
    k.EventSecondText = s1.S;

    // A step height of 0 or 100 % leaves one component without light: its
    // noise ratio has no value.
    long double ns1 = 1000, ns2 = 1000;
    bool ns1_valid = true, ns2_valid = true;
    if (in.DoubleStar) {
      const long double f = in.StepHeightPercent / 100.0L;
      const long double a = pre > post ? 1 - f : f, c = pre > post ? f : 1 - f;
      ns1_valid = a != 0;
      ns2_valid = c != 0;
      if (ns1_valid) ns1 = ns_step / a;
      if (ns2_valid) ns2 = ns_step / c;
      if (!ns1_valid)
        k.FirstEventSnText = "---";
      else if (ns1 != 0)
        k.FirstEventSnText = FormatFixed(1 / ns1, 1, 6);
      if (!ns2_valid)
        k.SecondEventSnText = "---";
      else if (ns2 != 0)
        k.SecondEventSnText = FormatFixed(1 / ns2, 1, 6);
    } else {
      k.FirstEventSnText = k.EventSnText;
    }
    if (ns_total == 0) {
      ns1 = ns2 = 2;
      ns1_valid = ns2_valid = true;
    }
    // The step is found within one record's exposure: the averaged block,
    // else the camera's integration (a frame, or a field, without one), but
    // never closer than the records lie apart.
    const long double field_share = in.FieldRecords ? 0.5L : 1;
    long double exposure = field_share;
    if (in.BlockFrames >= 2)
      exposure = in.BlockFrames;
    else if (delayed && k.IntegrationFrames >= 2)
      exposure = k.IntegrationFrames;
    const long double unit_frames = std::max(std::max(1, std::abs(in.RecordStep)) * field_share, exposure);
    auto err = [&](long double ns, bool valid) {
      if (!valid || !(in.TimingFrameRate > 0)) return std::string("---");
      // The same error the diffraction panel states for the fitted event.
      const long double frames = EventTimingErrorFrames(ns, in.DiffractionFitted ? in.EventWidthRecords : 0);
      // Far beyond S/N 1 the polynomial turns negative: no error to show.
      if (!(frames > 0)) return std::string("---");
      return FormatFixed(frames * unit_frames / in.TimingFrameRate, 3, 6);
    };
    k.TimingErrorText = err(ns_total, true);
    k.FirstTimingErrorText = err(ns1, ns1_valid);
    k.SecondTimingErrorText = err(ns2, ns2_valid);

    // The report line dates the event itself: a day on or back from the
    // recording date when its time passed midnight.
    // Each line's error goes with its own S/N: a double star's components
    // have their own, not that of the whole drop.
    auto report = [&](const std::string& line, int days, const std::string& error) {
      TReportLightCurveElement dated = el;
      dated.RecordingDate = DateDaysOn(el.RecordingDate, days);
      if (auto l = BuildReportLine(line, dated, pre >= post, error, in.SecondsDigits))
        r.Memo2.push_back(*l);
    };
    if (two) {
      if (delayed) t2 -= delay;
      const long double t2c = t2 - centre_shift;
      const SplitTime s2 = Split(t2c, in.SecondsDigits);
      k.SecondEventHourText = s2.H;
      k.SecondEventMinuteText = s2.M;
      k.SecondEventSecondText = s2.S;
      k.SecondComponentFirst = !(t2c > t);
      if (t2c > t) {
        line1 = EventLine(s1.H, s1.M, s1.S, k.FirstTimingErrorText, k.FirstEventSnText);
        line2 = EventLine(s2.H, s2.M, s2.S, k.SecondTimingErrorText, k.SecondEventSnText);
        report(line1, s1.Days, k.FirstTimingErrorText);
        report(line2, s2.Days, k.SecondTimingErrorText);
      } else {
        line1 = EventLine(s2.H, s2.M, s2.S, k.FirstTimingErrorText, k.FirstEventSnText);
        line2 = EventLine(s1.H, s1.M, s1.S, k.SecondTimingErrorText, k.SecondEventSnText);
        report(line1, s2.Days, k.FirstTimingErrorText);
        report(line2, s1.Days, k.SecondTimingErrorText);
      }
    } else {
      // One event found: an earlier fit's second time is no longer this event's.
      k.SecondEventHourText.clear();
      k.SecondEventMinuteText.clear();
      k.SecondEventSecondText.clear();
      k.SecondComponentFirst = false;
      line1 = EventLine(s1.H, s1.M, s1.S, k.TimingErrorText, k.EventSnText);
      report(line1, s1.Days, k.TimingErrorText);
    }
  }

  std::string catalogue = el.Catalogue, number = el.StarNumber;
  if (!el.ZcLabel.empty()) {
    catalogue = "Z";
    number = el.ZcNumber;
  }
  std::string header = el.RecordingDate + " / ";
  if (el.Kind == ReportKind::Asteroid) header += "(" + el.ObjectNumber + ")" + el.ObjectName + " / ";
  header += catalogue + " " + number + " " + vr_line;
  const bool step_shown = lv.Count[1] > 1;
  auto& m = r.Memo1;
  m = {header, "", line1};
  if (step_shown || in.DoubleStar) m.push_back(line2);
  if (el.Kind == ReportKind::Asteroid) {
    m.push_back(k.PredictedDropText);
    m.push_back(k.MeasuredDropText);
  } else if (in.DoubleStar || step_shown) {
    m.push_back(pair_line);
    m.push_back(first_line);
    m.push_back(second_line);
  }
  m.push_back("");
  m.push_back("-Statistical analysis of Light Intensity-");
  m.push_back("Light intensity    Average   Stdv      n");
  m.push_back(combined_stat);
  if (step_shown) m.push_back(step_stat);
  m.push_back(background_stat);
  m.push_back("Noise Level (N/S)  Upper    Lower   (S/N)");
  m.push_back(first_noise.Line);
  if (in.DoubleStar) m.push_back(second_noise.Line);
  m.push_back(total.Line);
  return r;
}
