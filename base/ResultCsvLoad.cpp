// Result CSV loading and saving.
//
// Contract of the reader: the file is the results table as this program and its
// earlier versions wrote it: a banner line (versions 3, 2, 1; anything else is
// version 0), the file-name line, the video-system line, three header lines
// (version 0: rows from line 3) and one row per frame; the first row follows
// the header line beginning "No." (tables saved before a frame rate was known
// lack the video-system line). Line ends may be CRLF,
// LF or CR; a UTF-8 byte-order mark is skipped. Cells are split at every comma;
// quotes do not group cells (the writer never quotes commas), which is why
// the video path is taken from the file-name line as a whole rather than cell
// by cell; a cell's quotes are dropped before it is read. Deviations from how
// older versions read the same files: absent rows
// and cells count as empty instead of stopping the load, integer cells that do
// not convert count as 0 (with a warning), commas inside the stored video path
// are kept, column 10 counts as a CMOS time only with an hour in column 8 (the
// sound indicator's share is a number there too), blank lines of a bannered
// table are left out, and a file that cannot be a
// table (no line with a comma, NUL bytes, over the size limits, cells parted
// by semicolons or numbers quoted around a decimal comma, a version-3 header
// whose names stand in other columns) is refused before anything is changed.
#include "base/ResultCsvLoad.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <new>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ResultTable.h"
#include "base/TextTools.h"

namespace {

// Version-2 tables carry twice the FWHM of the profile they were fitted with.
constexpr double kVersion2FwhmPerWidth = 2 * kFwhmPerWidth;
// Far wider than any star the apertures (radius up to 25) can hold; a wider
// stored profile would overflow the fitted volume.
constexpr double kMaxFwhm = 100;
constexpr std::string_view kFileNameLabel = "FileName : ";
constexpr std::string_view kVideoSystemLabel = "Video System : ";
constexpr std::string_view kFrameRateLabel = "FrameRate=";

struct ObjectColumns {
  // 0: the setting is not stored in this version.
  int ApertureRadius = 0, BackgroundInner = 0, BackgroundOuter = 0, BackgroundForm = 0;
  int X = 0, Y = 0, DirectionX = 0, DirectionY = 0, BandWidth = 0, Gap = 0;
  int Fwhm = 0, TrackMode = 0, TrackRadius = 0, Threshold = 0;
};

// The settings of `order` stand side by side from column `first`.
void PlaceSideBySide(ObjectColumns& c, std::initializer_list<int ObjectColumns::*> order, int first) {
  for (int ObjectColumns::*setting : order) c.*setting = first++;
}

// Where each setting of object k (0-based) sits in the first result row.
ObjectColumns ColumnsFor(uint8_t version, int k) {
  using C = ObjectColumns;
  ObjectColumns c;
  if (version == 0) {
    if (k != 0) return c;
    PlaceSideBySide(c, {&C::ApertureRadius, &C::BackgroundInner, &C::BackgroundOuter, &C::X, &C::Y, &C::TrackMode,
                        &C::TrackRadius},
                    10);
    return c;
  }
  // Version 1 rows lack the three FWHM columns that versions 2 and 3 have.
  const int b = 17 * k - (version == 1 ? 3 : 0);
  PlaceSideBySide(c, {&C::ApertureRadius, &C::BackgroundInner, &C::BackgroundOuter, &C::BackgroundForm, &C::X, &C::Y,
                      &C::DirectionX, &C::DirectionY, &C::BandWidth, &C::Gap, &C::TrackMode, &C::TrackRadius,
                      &C::Threshold},
                  21 + b);
  c.Fwhm = version == 1 ? 0 : 14 + k;
  return c;
}

bool IsBlank(std::string_view s) {
  for (char ch : s)
    if (ch != ' ' && ch != '\t') return false;
  return true;
}

// A number that fits the frame counters; others count as not a number.
std::optional<long double> FrameNumber(std::string_view cell) {
  auto v = ParseLongDouble(cell);
  if (!v || !std::isfinite(*v) || std::fabs(*v) > 1e9L) return std::nullopt;
  return v;
}

class RowReader {
 public:
  RowReader(const std::string* row, int row_number, std::vector<std::string>& warnings)
      : row_(row), row_number_(row_number), warnings_(warnings) {}

  // The cell without its quotes: a table saved by a program that quotes every
  // cell holds the same numbers, and "" is an empty cell.
  std::string Cell(int column) const {
    if (!row_ || column < 1) return {};
    return GetCsvCell(*row_, column);
  }
  bool Empty(int column) const { return IsBlank(Cell(column)); }

  // The cell as an integer; nothing when empty. A cell that does not convert
  // gives 0 and a warning.
  std::optional<int32_t> Int(int column) const {
    if (column < 1) return std::nullopt;
    std::string cell = Cell(column);
    if (IsBlank(cell)) return std::nullopt;
    if (auto v = ParseInt32(cell)) return *v;
    warnings_.push_back("Row " + std::to_string(row_number_) + ", column " + std::to_string(column) + ": \"" +
                        Shorten(cell) + "\" is not a whole number; 0 is used.");
    return StrToIntOrZero(cell);
  }

  // The cell as an integer within lo..hi; nothing when empty or outside, with
  // a warning then: a radius of millions would take the masks hours to draw.
  std::optional<int32_t> IntWithin(int column, int32_t lo, int32_t hi) const {
    std::optional<int32_t> v = Int(column);
    if (!v || (*v >= lo && *v <= hi)) return v;
    warnings_.push_back("Row " + std::to_string(row_number_) + ", column " + std::to_string(column) + ": \"" +
                        Shorten(Cell(column)) + "\" is out of range (" + std::to_string(lo) + " to " +
                        std::to_string(hi) + ") and was not used.");
    return std::nullopt;
  }

 private:
  static std::string Shorten(const std::string& s) { return s.size() <= 40 ? s : s.substr(0, 40) + "..."; }
  const std::string* row_;
  int row_number_;
  std::vector<std::string>& warnings_;
};

uint8_t BackgroundFormFromCell(std::string_view cell) {
  std::string s = StripQuotes(cell);
  if (s == "AvoidSunlitFace") return 1;
  if (s == "Meteor/LunarLimb") return 2;
  return 0;
}

uint8_t TrackModeFromCell(std::string_view cell) {
  std::string s = StripQuotes(cell);
  if (s == "Drift" || s == "Linear") return 1;
  if (s == "OFF" || s == "Off") return 2;
  return 0;
}

// The profile width stored as an FWHM; nothing when the cell holds none.
std::optional<double> ReadProfileWidth(const RowReader& row, uint8_t version, int column,
                                       std::vector<std::string>& warnings) {
  if (column <= 0) return std::nullopt;
  std::string cell = row.Cell(column);
  if (!IsBlank(cell)) {
    auto fwhm = ParseDouble(cell);
    // A width of 0 or less is what a run writes when it fitted no profile
    // (a rectangle aperture, a half-flux diameter of a faint patch): the
    // stored width stays, and only a cell no run writes is reported.
    if (fwhm && std::isfinite(*fwhm) && *fwhm > kMaxFwhm)
      warnings.push_back("Column " + std::to_string(column) + ": the FWHM \"" + cell.substr(0, 40) +
                         "\" is out of range (0 to " + std::to_string(int(kMaxFwhm)) +
                         "); the profile width is kept.");
    else if (fwhm && std::isfinite(*fwhm) && *fwhm > 0)
      return *fwhm / (version == 2 ? kVersion2FwhmPerWidth : kFwhmPerWidth);
    else if (!fwhm || !std::isfinite(*fwhm))
      warnings.push_back("Column " + std::to_string(column) + ": the FWHM \"" + cell.substr(0, 40) +
                         "\" is not a number; the profile width is kept.");
  }
  return std::nullopt;
}

// Rows written with the limb profile of a rectangle aperture hold profile
// values where the object blocks stand; the blocks always have a quoted word
// or nothing in their tracking-mode cell.
bool HoldsLimbProfile(const RowReader& row, uint8_t version) {
  return version != 0 && ParseDouble(row.Cell(ColumnsFor(version, 0).TrackMode)).has_value();
}

LoadedObjectSettings ReadObject(const RowReader& row, uint8_t version, int k, bool in_use,
                                const ObjectResult& current, std::vector<std::string>& warnings) {
  static constexpr int32_t kDefaultX[3] = {40, 80, 120};
  // Sizes as far as the controls reach, positions as far as a frame does.
  constexpr int32_t kMaxSize = 25, kMaxPosition = 32767;
  LoadedObjectSettings s;
  if (HoldsLimbProfile(row, version)) {
    // No settings stored: the objects stay where and as they are.
    s.X = current.X;
    s.Y = current.Y;
    s.Read = in_use;
    if (in_use) s.ProfileWidth = ReadProfileWidth(row, version, ColumnsFor(version, k).Fwhm, warnings);
    return s;
  }
  const ObjectColumns c = ColumnsFor(version, k);
  auto position = [&](int column) { return row.IntWithin(column, -kMaxPosition, kMaxPosition); };
  auto size = [&](int column) { return row.IntWithin(column, 0, kMaxSize); };
  if (version == 0) {
    // Object A only, and an empty cell is 0 here.
    s.X = k == 0 ? position(c.X).value_or(0) : kDefaultX[k];
    s.Y = k == 0 ? position(c.Y).value_or(0) : 40;
  } else {
    s.X = position(c.X).value_or(kDefaultX[k]);
    s.Y = position(c.Y).value_or(40);
  }
  if (!in_use) return s;
  s.Read = true;
  s.ApertureRadius = size(c.ApertureRadius);
  s.BackgroundInner = size(c.BackgroundInner);
  s.BackgroundOuter = size(c.BackgroundOuter);
  if (version == 0) {
    s.BackgroundForm = 0;
    s.BandWidth = 25;
    s.Gap = 10;
  } else {
    s.BackgroundForm = BackgroundFormFromCell(row.Cell(c.BackgroundForm));
    s.DirectionX = row.Int(c.DirectionX);
    s.DirectionY = row.Int(c.DirectionY);
    s.BandWidth = size(c.BandWidth);
    s.Gap = size(c.Gap);
    s.Threshold = row.Empty(c.Threshold) ? std::optional<int32_t>(95) : row.IntWithin(c.Threshold, 0, 100);
  }
  s.ProfileWidth = ReadProfileWidth(row, version, c.Fwhm, warnings);
  s.TrackMode = TrackModeFromCell(row.Cell(c.TrackMode));
  s.TrackRadius = size(c.TrackRadius);
  return s;
}

std::string ReplaceExtension(const std::string& path, std::string_view ext) {
  std::string old = StoredPathExtension(path);
  return path.substr(0, path.size() - old.size()) + std::string(ext);
}

bool IsRegularFile(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

constexpr std::string_view kNotATextFileMessage = "The file is not a text file (it holds NUL bytes).";

bool HeadHoldsNul(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(64 * 1024, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return head.find('\0') != std::string::npos;
}

ResultCsvLoadResult Failed(std::string message) {
  ResultCsvLoadResult r;
  r.Error = std::move(message);
  return r;
}

// A table without a banner is taken as one of the oldest, bannerless tables
// only when it carries their layout: the "FileName : " line first, or a header
// line that begins with "No.". A banner whose case differs counts as such a table.
bool HasResultTableLayout(const std::vector<std::string>& lines) {
  if (lines.empty()) return false;
  const std::string first = AsciiLower(std::string(TrimBlanks(StripQuotes(lines[0]))));
  if (first.starts_with("filename :") || first.starts_with("tessary file format")) return true;
  const size_t last = std::min<size_t>(lines.size(), 8);
  for (size_t i = 0; i < last; ++i)
    if (TrimBlanks(StripQuotes(GetCsvField(lines[i], 1))) == "No.") return true;
  return false;
}

// A spreadsheet set to a decimal comma saves the table with ';' between the
// cells, or with ',' between them and each decimal number quoted ("12,5").
// Read at the commas, either gives wrong object counts, positions and radii
// without a single unreadable cell, so such a table is refused.
bool LooksSavedWithDecimalCommas(std::string_view line) {
  if (std::count(line.begin(), line.end(), ';') > std::count(line.begin(), line.end(), ',')) return true;
  for (size_t open = line.find('"'); open != std::string_view::npos;) {
    const size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos) break;
    std::string_view cell = line.substr(open + 1, close - open - 1);
    if (!cell.empty() && (cell.front() == '-' || cell.front() == '+')) cell.remove_prefix(1);
    const size_t comma = cell.find(',');
    if (comma != std::string_view::npos && comma > 0 && comma + 1 < cell.size() &&
        std::all_of(cell.begin(), cell.end(), [](char c) { return c == ',' || (c >= '0' && c <= '9'); }) &&
        std::count(cell.begin(), cell.end(), ',') == 1)
      return true;
    open = line.find('"', close + 1);
  }
  return false;
}

// Cells of header line 3 that stand in a fixed column of a version-3 table. A
// column added or removed in a spreadsheet moves them, and with them every
// setting the loader reads from the first row.
struct FixedHeaderCell {
  const char* Name;
  int Column;
};
constexpr FixedHeaderCell kFixedHeaderCells[] = {{"EstimatedPeak'sHeight", 17}, {"Note", 68}};

// Why the header line tells moved columns; nothing when it does not.
std::optional<std::string> MovedColumns(const std::string& header3) {
  const int cells = static_cast<int>(std::count(header3.begin(), header3.end(), ',')) + 1;
  for (const FixedHeaderCell& fixed : kFixedHeaderCells) {
    int column = 1;
    while (column <= cells && TrimBlanks(StripQuotes(GetCsvField(header3, column))) != fixed.Name) ++column;
    if (column <= cells && column != fixed.Column)
      return "Columns were added to or removed from the table: its header names \"" + std::string(fixed.Name) +
             "\" in column " + std::to_string(column) + " instead of column " + std::to_string(fixed.Column) +
             ", so the settings of its rows cannot be read. Take the added columns out (or put the removed ones "
             "back) and load it again. The table was left as it was.";
  }
  return std::nullopt;
}

}  // namespace

std::string StoredPathFileName(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string StoredPathFolder(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut));
}

std::string StoredPathExtension(std::string_view path) {
  std::string name = StoredPathFileName(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string StoredVideoPath(std::string_view line) {
  // Trailing empty cells ("" when every cell was quoted) and blanks, then the
  // quotes around the one cell.
  for (;;) {
    if (!line.empty() && (line.back() == ',' || line.back() == ' ' || line.back() == '\t'))
      line.remove_suffix(1);
    else if (line.ends_with(",\"\""))
      line.remove_suffix(3);
    else
      break;
  }
  if (line.size() >= 2 && line.front() == '"' && line.back() == '"') line = line.substr(1, line.size() - 2);
  // The "FileName : " label (any other first line: its first 11 characters).
  if (line.size() <= kFileNameLabel.size()) return {};
  return std::string(line.substr(kFileNameLabel.size()));
}

std::string FindStoredVideo(std::string_view stored_path, std::string_view csv_folder) {
  std::string stored(stored_path);
  if (IsRegularFile(stored)) return stored;
  std::string name = StoredPathFileName(stored_path);
  if (name.empty()) return {};
  std::string twin = csv_folder.empty() ? name : std::string(csv_folder) + "/" + name;
  return IsRegularFile(twin) ? twin : std::string();
}

void ApplyLoadedObjectSettings(const LoadedObjectSettings& s, int k, DataLineBlocks& blocks) {
  for (auto& block : blocks) {
    ObjectResult& o = block.Objects[static_cast<size_t>(k)];
    o.X = o.PrevX = s.X;
    o.Y = o.PrevY = s.Y;
    if (!s.Read) continue;
    if (s.ApertureRadius) o.ApertureRadius = *s.ApertureRadius;
    if (s.BackgroundInner) o.BackgroundInner = *s.BackgroundInner;
    if (s.BackgroundOuter) o.BackgroundOuter = *s.BackgroundOuter;
    // Objects not shown are measured with these radii as they are.
    KeepRadiiInOrder(o.ApertureRadius, o.BackgroundInner, o.BackgroundOuter);
    if (s.BackgroundForm) o.BackgroundForm = *s.BackgroundForm;
    if (s.DirectionX) o.DirectionX = *s.DirectionX;
    if (s.DirectionY) o.DirectionY = *s.DirectionY;
    if (s.BandWidth) o.BandWidth = *s.BandWidth;
    if (s.Gap) o.Gap = *s.Gap;
    if (s.TrackMode) o.TrackMode = *s.TrackMode;
    if (s.TrackRadius) o.TrackRadius = *s.TrackRadius;
    if (s.Threshold) o.Threshold = *s.Threshold;
  }
}

ResultCsvLoadResult LoadResultCsvText(std::string_view text, std::string_view csv_folder,
                                      const ResultCsvLoadParams& params) {
  if (text.size() > params.Limits.MaxFileBytes)
    return Failed("The file is too large for a results table (" + std::to_string(text.size()) + " bytes).");
  if (text.find('\0') != std::string_view::npos) return Failed(std::string(kNotATextFileMessage));
  const std::string_view body = WithoutUtf8Bom(text);
  const bool marked_utf8 = body.size() != text.size();
  text = body;

  ResultCsvLoadResult r;
  r.Lines = SplitTextLines(text);
  for (size_t i = 0; i < r.Lines.size(); ++i)
    if (r.Lines[i].size() > params.Limits.MaxLineBytes)
      return Failed("Line " + std::to_string(i + 1) + " is too long for a results table (" +
                    std::to_string(r.Lines[i].size()) + " characters).");
  // Tables of the Windows versions hold the video's path in the Windows code
  // page; read as it stands, a name like "M\xFCnchen.avi" is no file here. Line
  // by line, so a note typed in another editor leaves the UTF-8 lines alone.
  if (!marked_utf8)
    for (std::string& line : r.Lines)
      if (!IsValidUtf8(line)) line = Windows1252ToUtf8(line);
  size_t split_lines = r.Lines.size();
  // Rows a spreadsheet cleared but kept are commas only: no row, and taken as
  // the last row they would hide the table's last frame.
  auto no_row = [](const std::string& line) {
    return line.find(',') == std::string::npos || line.find_first_not_of(", \t") == std::string::npos;
  };
  while (!r.Lines.empty() && no_row(r.Lines.back())) r.Lines.pop_back();
  if (r.Lines.empty()) return Failed("The file holds no results table (no line with a comma).");
  // No line of a bannered table is blank. Blank lines come from a copy that
  // doubled every line end ("\r\r\n") or a row left empty; counted as lines
  // they would move the header and every row, and the settings would be read
  // from the wrong cells.
  if (CsvVersionOfBanner(r.Lines[0]) != 0) {
    const size_t before = r.Lines.size();
    std::erase_if(r.Lines, [](const std::string& line) { return IsBlank(line); });
    split_lines -= before - r.Lines.size();
  }

  const CsvLayoutInfo v = DetectCsvVersion(r.Lines);
  if (v.CsvVersion == 0 && !HasResultTableLayout(r.Lines)) return Failed(std::string(kNotAResultTableMessage));
  // The line of header names and the first row show how the cells are parted.
  for (size_t i : {static_cast<size_t>(v.CsvHeaderLines) - 1, static_cast<size_t>(v.CsvHeaderLines)})
    if (i < r.Lines.size() && LooksSavedWithDecimalCommas(r.Lines[i])) return Failed(std::string(kDecimalCommaMessage));
  const std::string& names = r.Lines[std::min(r.Lines.size(), static_cast<size_t>(v.CsvHeaderLines)) - 1];
  if (v.CsvVersion == 3 && StripQuotes(GetCsvField(names, 1)) == "No.")
    if (std::optional<std::string> moved = MovedColumns(names)) return Failed(*moved);
  r.CsvVersion = static_cast<uint8_t>(v.CsvVersion);
  r.CsvHeaderLines = v.CsvHeaderLines;
  // A file cut short ends, without a line end, in a row with fewer cells than
  // the row before it; its cells would be wrong values, so it is left out.
  const size_t n = r.Lines.size();
  const bool unterminated = n == split_lines && text.back() != '\n' && text.back() != '\r';
  // Cut inside its header, it holds no table: rows measured on would go
  // below a broken header.
  const size_t header = static_cast<size_t>(v.CsvHeaderLines);
  if (n < header || (unterminated && n == header))
    return Failed("The file ends inside the header of its results table (it is cut short).");
  if (unterminated && n >= static_cast<size_t>(v.CsvHeaderLines) + 2 &&
      std::count(r.Lines[n - 1].begin(), r.Lines[n - 1].end(), ',') <
          std::count(r.Lines[n - 2].begin(), r.Lines[n - 2].end(), ',')) {
    r.Lines.pop_back();
    r.Warnings.emplace_back("The last line of the file is cut short and was left out.");
  }
  const int line_count = static_cast<int>(r.Lines.size());
  r.RowCount = line_count > v.CsvHeaderLines ? line_count - v.CsvHeaderLines : 0;
  auto row_line = [&](int row) -> const std::string* {
    return row < r.RowCount ? &r.Lines[static_cast<size_t>(v.CsvHeaderLines + row)] : nullptr;
  };
  const RowReader first(row_line(0), 1, r.Warnings);

  if (r.RowCount >= 2) {
    long double a = FrameNumber(first.Cell(1)).value_or(1.0L);
    long double b = FrameNumber(RowReader(row_line(1), 2, r.Warnings).Cell(1)).value_or(1.0L);
    // Field rows come in pairs half a frame apart: the step is that of the pairs.
    if (b - a == 0.5L && r.RowCount >= 3) b = FrameNumber(RowReader(row_line(2), 3, r.Warnings).Cell(1)).value_or(b);
    int64_t step = RoundHalfAway(b - a);
    r.FrameStep = step < 1 || step > 64 ? 1 : static_cast<int>(step);
  }
  if (auto f = FrameNumber(first.Cell(1))) r.StartFrame = static_cast<int>(RoundHalfAway(*f));

  if (v.CsvVersion == 0)
    r.ObjectCount = 1;
  else
    r.ObjectCount = !first.Empty(13) ? 3 : !first.Empty(12) ? 2 : 1;

  r.TimingFrameRate = 30;
  if (v.CsvVersion != 0 && line_count > 2) {
    std::string_view line2 = r.Lines[2];
    if (!line2.empty() && line2.front() == '"') line2.remove_prefix(1);
    if (line2.substr(0, kVideoSystemLabel.size()) == kVideoSystemLabel) {
      std::string_view word = line2.substr(kVideoSystemLabel.size());
      if (word.substr(0, 3) == "NTS")
        r.TimingFrameRate = 29.97;
      else if (word.substr(0, 3) == "PAL")
        r.TimingFrameRate = 25;
    }
    // The line names only NTSC and PAL; its rate cell holds the video's own
    // rate (60, 59.94, 50, 15 ...). A rate of 0 means none was known.
    const std::string cell = StripQuotes(GetCsvField(r.Lines[2], 2));
    if (std::string_view(cell).substr(0, kFrameRateLabel.size()) == kFrameRateLabel)
      if (auto rate = ParseDouble(std::string_view(cell).substr(kFrameRateLabel.size())); rate && std::isfinite(*rate) && *rate > 0)
        r.TimingFrameRate = *rate;
  }
  // CMOS rows put the hour and minute before the seconds in column 10; the
  // sound indicator's share, also a number there, comes without them.
  r.CsvCmosTime = ParseDouble(first.Cell(10)).has_value() && !first.Empty(8);

  r.ObjectBlocks = params.CurrentObjects;
  for (int k = 0; k < 3; ++k) {
    const ObjectResult& current = params.CurrentObjects[0].Objects[static_cast<size_t>(k)];
    r.Objects[static_cast<size_t>(k)] = ReadObject(first, v.CsvVersion, k, k < r.ObjectCount, current, r.Warnings);
    ApplyLoadedObjectSettings(r.Objects[static_cast<size_t>(k)], k, r.ObjectBlocks);
  }
  // Object A's row, as a click placing A puts the box there; a box left at
  // the top would read the frame's edge (a tick count's line) as the LED.
  if (v.CsvVersion == 2) {
    auto y = ParseInt32(first.Cell(ColumnsFor(2, 0).Y));
    r.AutoLedSignal1Y = y ? *y : 100;
  } else {
    r.AutoLedSignal1Y = r.Objects[0].Y;
  }

  const int name_line = v.CsvVersion == 0 ? 0 : 1;
  if (name_line < line_count) r.VideoFileName = StoredVideoPath(r.Lines[static_cast<size_t>(name_line)]);
  r.VideoFileExt = StoredPathExtension(r.VideoFileName);
  r.AvsFileName = ReplaceExtension(r.VideoFileName, ".avs");
  r.VideoPath = FindStoredVideo(r.VideoFileName, csv_folder);
  if (r.VideoPath.empty()) r.Warnings.emplace_back(kVideoNotFoundMessage);

  r.Ok = true;
  return r;
}

ResultCsvLoadResult LoadResultCsv(const std::string& path, const ResultCsvLoadParams& params) {
  std::error_code ec;
  const std::filesystem::path fs_path(path);
  if (!std::filesystem::is_regular_file(fs_path, ec)) return Failed("The file \"" + path + "\" cannot be read.");
  const auto size = std::filesystem::file_size(fs_path, ec);
  if (ec) return Failed("The file \"" + path + "\" cannot be read.");
  // A video or picture chosen by mistake is told by its first bytes, not
  // read whole first.
  if (HeadHoldsNul(fs_path)) return Failed(std::string(kNotATextFileMessage));
  if (size > params.Limits.MaxFileBytes)
    return Failed("The file is too large for a results table (" + std::to_string(size) + " bytes).");

  try {
    std::optional<std::string> text = ReadWholeFile(fs_path, params.Limits.MaxFileBytes);
    if (!text) return Failed("The file \"" + path + "\" cannot be read.");
    return LoadResultCsvText(*text, StoredPathFolder(path), params);
  } catch (const std::bad_alloc&) {
    return Failed("The file is too large to load into the memory free now (" + std::to_string(size) + " bytes).");
  }
}

CsvSaveResult SaveResultCsv(const std::string& path, const std::vector<std::string>& lines) {
  CsvSaveResult r;
  if (path.empty()) {
    r.Message = "No file name was given.";
    return r;
  }
  std::string reason;
  if (!WriteFileAtomic(std::filesystem::path(path), JoinCrlfLines(lines), &reason)) {
    r.Message = "The file \"" + path + "\" cannot be written (" + reason + ").";
    return r;
  }
  r.Ok = true;
  return r;
}

ObjectControlValues ComputeObjectControlValues(const ObjectResult& o) {
  ObjectControlValues c;
  auto clamp = [](ObjectSpinValue& s) {
    if (s.Max < s.Min) s.Max = s.Min;
    if (s.Value < s.Min) s.Value = s.Min;
    if (s.Value > s.Max) s.Value = s.Max;
  };
  auto set_min = [&](ObjectSpinValue& s, int v) { s.Min = v; if (s.Max < v) s.Max = v; clamp(s); };
  auto set_max = [&](ObjectSpinValue& s, int v) { s.Max = v; if (s.Min > v) s.Min = v; clamp(s); };
  auto set_value = [&](ObjectSpinValue& s, int v) { s.Value = v; clamp(s); };
  ObjectSpinValue& ap = c.ApertureRadius;
  ObjectSpinValue& in = c.BackgroundInner;
  ObjectSpinValue& out = c.BackgroundOuter;
  // Ordered as the up-downs order them: aperture < inner <= outer. The
  // background ring may start at its outer radius (one pixel wide), so an
  // object's own radii come back unchanged when it is selected again.
  ap = {0, 24, 0};
  in = {1, 25, 1};
  out = {1, 25, 1};
  set_value(ap, o.ApertureRadius);
  set_min(in, ap.Value + 1);
  set_value(in, o.BackgroundInner);
  set_max(ap, in.Value - 1);
  set_min(out, in.Value);
  set_value(out, o.BackgroundOuter);
  set_max(in, out.Value);

  c.RectangleAperture = o.BackgroundForm == 3;
  c.BackgroundFormButton = o.BackgroundForm <= 2 ? o.BackgroundForm : -1;
  c.Width = o.BandWidth;
  c.Gap = o.Gap;
  c.TrackRadius = o.TrackRadius;
  c.Threshold = o.Threshold;
  c.SyncTracking = o.SyncTracking != 0;
  c.EstimatedTrack = o.EstimatedTrack != 0;
  c.TrackModeButton = o.TrackMode == 0 ? 0 : o.TrackMode == 1 ? 1 : 2;
  c.PassedPointsEnabled = o.TrackMode == 1;
  return c;
}
