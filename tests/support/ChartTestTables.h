#pragma once
// Builds results tables (the main window's CSV lines) for tests: the banner,
// file-name and video-system lines, the three header lines and rows with the
// cells a test sets, in the column layout of each table version.
#include <array>
#include <string>
#include <vector>

struct TableObjectCells {
  std::string Value;  // measurement value (columns 11-13; column 5 for version 0)
  std::string ApertureSum = "0", BackgroundSum = "0", AperturePixels = "1", BackgroundPixels = "1";
  std::string X = "100", Y = "100";
};

struct TableRowCells {
  std::string No;       // "12.0"
  std::string Signal1;  // column 2
  std::string H, M, S;  // columns 4-6
  std::string EndS;     // column 7, seconds at the end of the frame
  std::array<TableObjectCells, 3> Objects;
  bool EmptyLine = false;  // the whole line is empty
};

// version 3, 2, 1 (banner and five lines before the rows) or 0 (three lines).
std::vector<std::string> BuildResultTable(int version, int object_count, const std::vector<TableRowCells>& rows,
                                          const std::string& rate_text = "29.97");

// The same table as written before a frame rate was known, or by older
// versions: the video-system line (line 2) left out, rows from line 5.
std::vector<std::string> WithoutVideoSystemLine(std::vector<std::string> lines);

// The cells joined by commas into one line.
std::string JoinCells(const std::vector<std::string>& cells);

// Header lines 1-3 of a frame-mode table.
std::string ResultHeaderLine1();
std::string ResultHeaderLine2();
std::string ResultHeaderLine3();

// A mutual event of `frames` rows at 30 frames per second: object 1 holds
// depth + curvature * (t - vertex_s)^2 (t = row / 30 seconds, written with 6
// decimals), objects 2 and 3 the constants 1000 and 500. No time cells.
std::vector<std::string> ParabolaEventTable(int frames, double vertex_s, double curvature, double depth);

// Rows with object values values[k][r] written with one decimal, frames from
// `first_frame` (field records N.0, N.5 when `fields`), times 10:20:(r/30).
std::vector<TableRowCells> RowsFromValues(const std::vector<std::vector<double>>& values, int first_frame = 0,
                                          bool fields = false);
