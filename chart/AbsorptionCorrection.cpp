#include "chart/AbsorptionCorrection.h"

#include <algorithm>
#include <functional>
#include <string_view>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ResultCsvFormat.h"

namespace {

constexpr const char* kTableChangedMessage =
    "The results table has changed since this window was opened. Close this window and open it again.";

bool SupportedVersion(int v) { return v >= 1 && v <= 3; }

// Record k is line first + k: 6 + k in these tables, 5 + k without the
// video-system line.
const std::string* RecordLineOf(const std::vector<std::string>& lines, int first, int k) {
  const size_t i = static_cast<size_t>(first + k);
  return k >= 0 && i < lines.size() ? &lines[i] : nullptr;
}

int FirstRecordLine(const std::vector<std::string>& lines) { return DetectCsvVersion(lines).CsvHeaderLines; }

// Fields 1..3 and 14 onward: frame number, signal and the object blocks,
// which no tool rewrites.
size_t RecordIdentity(std::string_view line) {
  size_t cut_from = line.size(), cut_to = line.size(), commas = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != ',') continue;
    ++commas;
    if (commas == 3) cut_from = i;
    if (commas == 13) {
      cut_to = i;
      break;
    }
  }
  const std::string kept = std::string(line.substr(0, cut_from)) + "|" + std::string(line.substr(cut_to));
  return std::hash<std::string>{}(kept);
}

// The records still present are the ones captured at opening.
bool SameRecords(const std::vector<AbsorbCorrect>& entries, int total, const std::vector<std::string>& lines) {
  const int first = FirstRecordLine(lines);
  for (int k = 0; k < total; ++k) {
    const std::string* line = RecordLineOf(lines, first, k);
    if (!line) break;
    if (RecordIdentity(*line) != entries[static_cast<size_t>(k)].Identity) return false;
  }
  return true;
}

}  // namespace

std::string AbsorptionCorrection::Open(const std::vector<std::string>& lines, int csv_version, int total_frame_count) {
  TotalFrameCount = std::max(total_frame_count, 0);
  // Every entry starts empty: values of an earlier opening must not leak into
  // records whose comparison is empty now.
  AbsorbCorrections.assign(static_cast<size_t>(TotalFrameCount) + 100, AbsorbCorrect{});
  if (!SupportedVersion(csv_version)) return {};
  const int first = FirstRecordLine(lines);
  std::string error;
  for (int k = 0; k < TotalFrameCount; ++k) {
    const std::string* line = RecordLineOf(lines, first, k);
    if (!line) continue;
    AbsorbCorrections[static_cast<size_t>(k)].Identity = RecordIdentity(*line);
    if (line->empty()) continue;
    // A cell that is no number is told once; its record stays out, like one
    // without a comparison, and the records after it are still captured.
    const std::string t = GetCsvCell(*line, 11);
    if (!ParseDouble(t)) {
      if (error.empty()) error = "'" + t + "' is not a valid floating point value";
      continue;
    }
    const std::string c = GetCsvCell(*line, 12);
    if (c.empty()) continue;
    const auto cv = ParseDouble(c);
    if (!cv) {
      if (error.empty()) error = "'" + c + "' is not a valid floating point value";
      continue;
    }
    AbsorbCorrect& e = AbsorbCorrections[static_cast<size_t>(k)];
    e.RawTarget = t;
    e.RawComparison = c;
    e.ComparisonValue = *cv;
    e.Stored = true;
  }
  return error;
}

AbsorptionResult AbsorptionCorrection::Correct(const std::vector<std::string>& lines, int csv_version, int selected,
                                               int half_width) {
  AbsorptionResult out;
  const int total = TotalFrameCount;
  if (!SupportedVersion(csv_version) || selected < 0 || selected >= total) return out;
  const int first = FirstRecordLine(lines);
  const std::string* sel_line = RecordLineOf(lines, first, selected);
  if (!sel_line) return out;
  const std::string sel_c = GetCsvCell(*sel_line, 12);
  if (sel_c.empty() || sel_c == " " || sel_c == "  ") return out;
  if (!SameRecords(AbsorbCorrections, total, lines)) {
    out.Error = kTableChangedMessage;
    return out;
  }

  const int w = std::max(half_width, 0);
  for (int k = 0; k < total; ++k) {
    long double sum = 0;
    int count = 0;
    // A record without a comparison value has no brightness to add: counted
    // as 0 it would dim the mean and inflate its neighbours' targets.
    for (int j = std::max(k - w, 0); j <= std::min(k + w, total - 1); ++j) {
      const AbsorbCorrect& other = AbsorbCorrections[static_cast<size_t>(j)];
      if (!other.Stored) continue;
      sum += other.ComparisonValue;
      ++count;
    }
    AbsorbCorrect& e = AbsorbCorrections[static_cast<size_t>(k)];
    e.SmoothedComparison = static_cast<double>(sum / std::max(count, 1));
    out.SmoothedList.push_back(FormatFixed(e.SmoothedComparison, 5, 8));
  }
  const double ref = AbsorbCorrections[static_cast<size_t>(selected)].SmoothedComparison;
  out.ReferenceText = FormatFixed(ref, 5, 8);
  // A ratio to a reference at or below 0 would flatten or mirror the curve.
  if (!(ref > 0)) {
    out.Error = "The comparison star's smoothed value at the selected frame is " + out.ReferenceText +
                ": choose a frame where it is above 0.";
    return out;
  }

  out.Lines = lines;
  const std::string c_text = FormatFixed(ref, 1, 6);
  for (int k = 0; k < total; ++k) {
    const size_t i = static_cast<size_t>(first + k);
    if (i >= out.Lines.size()) break;
    std::string& line = out.Lines[i];
    AbsorbCorrect& e = AbsorbCorrections[static_cast<size_t>(k)];
    // Empty lines stay in place, so records keep their line; records without a
    // captured comparison, or with a smoothed comparison at or below 0 (no
    // brightness to take a ratio to), stay as they are.
    if (line.empty() || !e.Stored || !(e.SmoothedComparison > 0)) continue;
    const long double target = ParseLongDouble(e.RawTarget).value_or(0);
    const long double corrected = target * ref / e.SmoothedComparison;
    e.CorrectedTarget = FormatFixed(corrected, 1, 6);
    e.CorrectedComparison = c_text;
    SetCsvField(line, 11, e.CorrectedTarget);
    SetCsvField(line, 12, e.CorrectedComparison);
  }
  out.Changed = true;
  return out;
}

AbsorptionResult AbsorptionCorrection::Restore(const std::vector<std::string>& lines, int csv_version) const {
  AbsorptionResult out;
  // No selection is needed: a click that took the selection away after a
  // correction must not keep the raw values from coming back.
  if (!SupportedVersion(csv_version)) return out;
  const int first = FirstRecordLine(lines);
  const int total = std::min<int>(TotalFrameCount, static_cast<int>(AbsorbCorrections.size()));
  // Any captured record can be put back, also when the first record is an
  // empty line or has no target value.
  const auto captured = AbsorbCorrections.begin() + total;
  if (std::none_of(AbsorbCorrections.begin(), captured, [](const AbsorbCorrect& e) { return e.Stored; })) return out;
  if (!SameRecords(AbsorbCorrections, total, lines)) {
    out.Error = kTableChangedMessage;
    return out;
  }
  out.Lines = lines;
  for (int k = 0; k < total; ++k) {
    const size_t i = static_cast<size_t>(first + k);
    if (i >= out.Lines.size()) break;
    const AbsorbCorrect& e = AbsorbCorrections[static_cast<size_t>(k)];
    if (!e.Stored) continue;  // never captured: its texts are left alone
    SetCsvField(out.Lines[i], 11, e.RawTarget);
    SetCsvField(out.Lines[i], 12, e.RawComparison);
  }
  out.Changed = true;
  return out;
}
