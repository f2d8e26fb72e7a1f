#pragma once
// The result CSV format: banner, file-name line, video-system line, three
// header lines and one row per frame (two per frame when measuring fields).
//
// Layout written here (version 3):
//   line 0  banner
//   line 1  "FileName : <video path>"
//   line 2  video-system line
//   line 3..5 header lines 1..3 (line 5 begins with "No.")
//   line 6.. rows
// Older tables may lack the video-system line; readers find the first row as
// the line after the one beginning with "No." (see DetectCsvVersion).
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/FrameResult.h"
#include "base/FrameTimeTexts.h"
#include "base/ResultTable.h"

inline constexpr std::string_view kCsvBannerV3 = "Tessary File Format (for Ver.0.9.99.5 later)";
inline constexpr std::string_view kCsvBannerV2 = "Tessary File Format (for Ver.0.9.26 later)";
inline constexpr std::string_view kCsvBannerV1 = "Tessary File Format (for Ver.0.9.25 later)";

inline constexpr int kLimbProfileCount = 51;
inline constexpr int kHeader1Cells = 70;
inline constexpr int kHeader2Cells = 72;
inline constexpr int kHeader3Cells = 69;

// Everything the header and row texts depend on, gathered from the main window.
struct CsvFormatParams {
  bool FieldMode = false;          // 'Field Measure' CheckBox2
  bool Kiwi = false;               // 'KIWI' CheckBox5
  int TimeStampMode = 0;           // 0 IOTA, 1 KIWI, 2 GHS, 3 Sharp
  int FieldOrderIndex = 0;         // 'Field Order' RadioGroup2: 0 even first, 1 odd first
  std::string VideoFileName;
  long double TimingFrameRate = 0;
  int FrameRateRounded = 0;
  int ObjectCount = 1;             // 1..3
  bool MeasurePixelPeak = false;
  bool PsfPhotometry = false;      // 'Photometry' CheckBox14
  bool LimbProfileForRectangle = false;
  std::span<const double> LimbProfile;  // kLimbProfileCount values when used
  int SharpTimeCorrection = 0;
  bool SharpCapTimeAvailable = false;
  bool TiviDigitsValid = false;
  std::string TiviSecondsText;     // text of Edit26
  // Per object: both the 'Frame1' and 'Frame2' passed points are set.
  std::array<bool, 3> LinearTrackReady{};
};

std::string BuildCsvHeader1(const CsvFormatParams& p);
std::string BuildCsvHeader2(const CsvFormatParams& p);
std::string BuildCsvHeader3(const CsvFormatParams& p);
// Two quoted cells (system, "FrameRate=" + "%5.2f" of the rate) and ten commas.
std::string BuildVideoSystemLine(const CsvFormatParams& p);

// Start-up table: quoted banner, an empty "Filename : " line, headers 1-3.
void WriteInitialCsvHeader(ResultTable& table, const CsvFormatParams& p);
// Table for an opened video: banner, file-name line, video-system line and
// headers 1-3. The video-system line is written also before a frame rate is
// known, so rows always start at line 6 of a new table.
void WriteCsvHeader(ResultTable& table, const CsvFormatParams& p);

// The row of block j (0 frame, 1 field 1, 2 field 2). A row that is not the
// first of its frame reads the block's frame number plus one half.
std::string BuildResultRow(const DataLineBlocks& blocks, int j, bool first,
                           const CsvFormatParams& p, const FrameTimeTexts& times);
// Appends the frame's row, or its two field rows in the field order.
void AppendResultRows(ResultTable& table, const DataLineBlocks& blocks, const CsvFormatParams& p,
                      const FrameTimeTexts& times);

// Version and first-row line of a table.
struct CsvLayoutInfo {
  int CsvVersion = 3;      // 3, 2, 1 for the known banners, 0 otherwise
  int CsvHeaderLines = 6;  // index of the first result row
  // Lines before the first row plus one (the chart's count).
  int HeaderLineCount() const { return CsvHeaderLines + 1; }
};

// Version of a banner line (a leading quote is ignored, case counts).
int CsvVersionOfBanner(std::string_view line0);
// Version from line 0; the first row is the line after the one beginning with
// "No." among the first lines (6 when none for versions 1-3, 3 for version 0).
CsvLayoutInfo DetectCsvVersion(const std::vector<std::string>& lines);
// The chart's header count of a version: 7 for versions 1 to 3, else 4.
int HeaderLineCountFor(int csv_version);
// The chart's header count of a table (its first row's line plus one): 7, 6
// for a table without the video-system line, 4 for version 0.
int HeaderLineCountOf(const std::vector<std::string>& lines);
// The frame number of a result row: its first field ("123.5") read as a
// number and truncated toward zero; -1 when it is not a number.
int RowFrameNumber(const std::string& row);
inline CsvLayoutInfo DetectCsvVersion(const ResultTable& table) {
  return DetectCsvVersion(table.Lines());
}
