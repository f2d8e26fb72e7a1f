#pragma once
// Saving the results table to a result CSV file and loading one back: the new
// table lines, the frame step and start, the object count, the frame rate, each
// object's stored settings and the video to reopen. Plain values in and out; the
// main window applies the result to its controls.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/FrameResult.h"
#include "base/ResultCsvFormat.h"

// What loading may read. A results table of 100,000 rows is some 40 MB; a
// night of field rows with three objects some 700 MB, and saving has no limit.
struct ResultCsvLimits {
  size_t MaxFileBytes = size_t{4} << 30;
  size_t MaxLineBytes = size_t{1} << 20;
};

// One object's settings as stored in the first result row. An absent value
// leaves the setting as it was.
struct LoadedObjectSettings {
  bool Read = false;  // the object is in use in the table (k <= ObjectCount)
  int32_t X = 0, Y = 0;  // always set (defaults for empty cells)
  std::optional<int32_t> ApertureRadius, BackgroundInner, BackgroundOuter;
  std::optional<uint8_t> BackgroundForm;
  std::optional<int32_t> DirectionX, DirectionY;  // also the object's background geometry
  std::optional<int32_t> BandWidth, Gap;
  std::optional<double> ProfileWidth;  // the FWHM cell as a width s: rebuild the PSF model (height 200)
  std::optional<uint8_t> TrackMode;
  std::optional<int32_t> TrackRadius, Threshold;
};

// Writes the loaded settings of one object into the same object of all blocks,
// with the previous position set to the position.
void ApplyLoadedObjectSettings(const LoadedObjectSettings& s, int object_index, DataLineBlocks& blocks);

struct ResultCsvLoadParams {
  DataLineBlocks CurrentObjects{};  // the settings before loading
  ResultCsvLimits Limits{};
};

// Everything a load gives. Nothing of it is to be applied when Ok is false. The
// window keeps Objects/ObjectBlocks to apply them again after reopening the
// video, whose settings reload would otherwise overwrite them.
struct ResultCsvLoadResult {
  bool Ok = false;
  std::string Error;                  // why nothing was loaded (Ok false)
  std::vector<std::string> Warnings;  // cells that could not be read, a missing video

  std::vector<std::string> Lines;  // the new table; trailing lines without a comma, or of commas only, dropped
  uint8_t CsvVersion = 0;
  int CsvHeaderLines = 3;
  int RowCount = 0;
  int FrameStep = 1;
  int StartFrame = 0;
  int ObjectCount = 1;
  double TimingFrameRate = 30;
  bool CsvCmosTime = false;
  std::array<LoadedObjectSettings, 3> Objects{};
  DataLineBlocks ObjectBlocks{};  // CurrentObjects with the loaded settings applied
  // Signal1 box y for 'Auto Location for LED': object A's y cell in version-2
  // tables (100 when not an integer), else object A's loaded y.
  int AutoLedSignal1Y = 0;

  std::string VideoFileName;  // the stored path
  std::string AvsFileName;    // the stored path with the extension ".avs"
  std::string VideoFileExt;   // ".avi" (empty when the name has none)
  std::string VideoPath;      // the video found (a regular file), empty when missing
};

inline constexpr std::string_view kVideoNotFoundMessage = ".avi file is not found";
inline constexpr std::string_view kNotAResultTableMessage =
    "The file is not a results table of this program: it has no \"Tessary File Format\" line, no "
    "\"FileName : \" line and no \"No.\" header line. The table was left as it was.";
inline constexpr std::string_view kDecimalCommaMessage =
    "The table was saved with decimal commas or with \";\" between its cells (as a spreadsheet does under some "
    "language settings), so its cells cannot be read. Save it again with \".\" as the decimal point and \",\" "
    "between the cells. The table was left as it was.";

// Contract: reads a result CSV file written by this program or its earlier
// versions (banners of versions 3, 2, 1; any other first line is version 0)
// with CRLF, LF or CR line ends and an optional UTF-8 byte-order mark; the lines
// of a file without the mark that are no UTF-8 are read in the Windows code page. Quotes
// are not CSV quoting: a cell is the text between two commas, as the writer
// makes them, read without its quotes. Absent rows and cells count as empty;
// integer cells that do not convert count as 0 with a warning. Fails,
// changing nothing, when the file cannot be read, exceeds the limits, holds
// NUL bytes or holds no line with a comma, is separated by semicolons or has
// quoted decimal-comma numbers (a spreadsheet's decimal-comma save), has
// columns added to or removed from a version-3 table, or when it has neither
// a banner nor the layout of a bannerless table
// (a "FileName : " first line or a "No." header line). The video path is looked for as stored, then by its file-name part in
// the folder of the CSV file.
ResultCsvLoadResult LoadResultCsv(const std::string& path, const ResultCsvLoadParams& params);

// The same on a text already read; `csv_folder` is where a moved video is
// looked for.
ResultCsvLoadResult LoadResultCsvText(std::string_view text, std::string_view csv_folder,
                                      const ResultCsvLoadParams& params);

// The stored video path of a file-name line: trailing empty cells and the
// surrounding quotes removed, then the "FileName : " label.
std::string StoredVideoPath(std::string_view file_name_line);

// The part after the last '\' or '/'.
std::string StoredPathFileName(std::string_view path);
// The folder part (up to, not including, the last '\' or '/'); empty when none.
std::string StoredPathFolder(std::string_view path);
// The extension of the file-name part including the dot; empty when none.
std::string StoredPathExtension(std::string_view path);

// The stored video when it is a regular file, else the file of the same name
// in `csv_folder` when that is one; empty when neither is.
std::string FindStoredVideo(std::string_view stored_path, std::string_view csv_folder);

struct CsvSaveResult {
  bool Ok = false;
  std::string Message;  // why the file was not written
};
// Writes the lines, each ended by CRLF. The file is written beside the target
// under a temporary name and then renamed over it, so a failed save leaves the
// old file as it was.
CsvSaveResult SaveResultCsv(const std::string& path, const std::vector<std::string>& lines);

// The control values `ApplyObjectSettings` puts into the main window for an
// object: up-down ranges as they end up after the radii have been kept in order
// (each range change clamps its value, as a spin box does).
struct ObjectSpinValue {
  int Min = 0, Max = 0, Value = 0;
};
struct ObjectControlValues {
  ObjectSpinValue ApertureRadius;   // UpDown1
  ObjectSpinValue BackgroundInner;  // UpDown2
  ObjectSpinValue BackgroundOuter;  // UpDown3
  int BackgroundFormButton = 0;  // 0, 1, 2: RadioButton1..3; -1 for the rectangle
  bool RectangleAperture = false;
  int Width = 0, Gap = 0, TrackRadius = 0, Threshold = 0;
  bool SyncTracking = false, EstimatedTrack = false;
  int TrackModeButton = 0;  // 0 'Anchor', 1 'Drift', 2 'OFF'
  bool PassedPointsEnabled = false;  // false: disable Button11-14 and clear Frame1/Frame2
};
ObjectControlValues ComputeObjectControlValues(const ObjectResult& o);
