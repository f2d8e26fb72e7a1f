#pragma once
// Reading one character of a burnt-in time stamp: a fixed grid of short
// horizontal pixel runs (cells) around a reference point is measured and every
// candidate character is scored against a template of lit and dark cells.
#include <array>
#include <cstdint>

#include "base/Bitmap24.h"

// The inserter type (the index of the inserter combo box).
enum class TimeStampMode : uint8_t { Iota = 0, Kiwi = 1, Ghs = 2, Sharp = 3 };

// What the recogniser is looking for.
enum class GlyphSearchMode : uint8_t { TimeLine = 0, GpsLine = 1, SearchU = 2 };

inline constexpr int kGlyphCellCount = 46;
inline constexpr int kGlyphCandidateCount = 16;  // 0-9, E, N, W, (none), S, U

struct GlyphCell {
  int32_t dx = 0;   // offset of the run's first pixel from the reference x
  int32_t row = 0;  // grid row 0..6
  int32_t run = 0;  // the run covers dx .. dx + run
};

// [cell][variant]; variant 0 slanted KIWI (> 25 fps), 1 upright KIWI,
// 2 upright grid scaled by the character pitch (IOTA, GHS, located stamps).
extern const std::array<std::array<GlyphCell, 3>, kGlyphCellCount> kGlyphCellTable;

// Everything that steers a character read. The owner fills it from the
// inserter settings and the locators.
struct GlyphContext {
  TimeStampMode mode = TimeStampMode::Iota;
  bool stampLocated = false;
  GlyphSearchMode searchMode = GlyphSearchMode::TimeLine;
  bool lettersOnly = false;
  long double stampCharPitch = 21.5L;
  long double gpsCharPitch = 21.5L;
  // Glyph height of a located IOTA-VTI line in frame rows; the sample rows
  // spread over it as the columns follow the pitch (28 is the nominal grid).
  long double stampCharHeight = 28.0L;
  // When above 0, the pitch the sample columns of a located IOTA-VTI line
  // follow instead of the character pitch: glyphs narrower than their cells.
  long double stampCellPitch = 0.0L;
  double stampBackgroundLevel = 0.0;
  int glyphThreshold = 80;
  int frameRateRounded = 30;
  int digitThreshold = 80;  // the digit threshold up-down (0..255)
  bool showField = false;   // one field shown, half height
  bool enhanceContrast = false;
};

// Per-cell measure m and weight w (the run used for the cell).
struct GlyphCellMeasures {
  std::array<int32_t, kGlyphCellCount> m{};
  std::array<int32_t, kGlyphCellCount> w{};
};

using GlyphScores = std::array<double, kGlyphCandidateCount>;

// Stroke edge: sum of R+G+B over x..x+run on row y minus the same on row y+rowDistance.
int32_t CellEdgeMeasure(const Bitmap24& bitmap, int x, int y, int run, int rowDistance);
// Thresholded brightness of the run x..x+run on row y (0 at or below the last row).
int32_t CellBrightMeasure(const Bitmap24& bitmap, int x, int y, int run, const GlyphContext& ctx);

// The brightness measure's thresholds, worked out once per context.
struct BrightMeasureParams {
  TimeStampMode mode = TimeStampMode::Iota;
  int digitThreshold = 0;
  bool enhanceContrast = false;
  int64_t iotaThreshold = 0;
  double ghsThreshold = 0;
  static BrightMeasureParams From(const GlyphContext& ctx);
};
int32_t CellBrightMeasure(const Bitmap24& bitmap, int x, int y, int run, const BrightMeasureParams& params);

void ScoreGlyphsKiwi(const GlyphCellMeasures& cells, GlyphScores& scores);
void ScoreGlyphsIota(const GlyphCellMeasures& cells, GlyphScores& scores);
void ScoreGlyphsGhs(const GlyphCellMeasures& cells, GlyphScores& scores);

// The pick and the acceptance of a read: the best candidate of the context's
// range (a later candidate wins only when strictly better), accepted against
// the context's threshold. Character 0 and score 0 when not accepted.
struct GlyphDecision {
  char ch = 0;
  double score = 0.0;
};
GlyphDecision DecideGlyph(const GlyphScores& scores, int firstCandidate, int lastCandidate,
                          TimeStampMode mode, int digitThreshold);

// A reader with the cell geometry fixed for one context: build it once and read
// many characters without recomputing the pitch scaling.
class GlyphReader {
 public:
  explicit GlyphReader(const GlyphContext& ctx);
  // The recognised character, or 0 when nothing is accepted (score then 0).
  char Read(const Bitmap24& bitmap, int x, int y, double* score = nullptr) const;
  // The cell measures of the last geometry at (x, y); for tests and tools.
  void Measure(const Bitmap24& bitmap, int x, int y, GlyphCellMeasures& cells) const;
  const GlyphContext& Context() const { return ctx_; }
  // Whether a character with its reference row at y lies whole within the
  // frame's rows; one that does not is never read.
  bool FitsRows(const Bitmap24& bitmap, int y) const { return y >= 0 && y + gridBottom_ < bitmap.Height(); }
  // Share of a stroke's extent that carries ink, for the character box at
  // (x, y) of a located IOTA-VTI line; segments as on a seven-segment digit.
  // -1 when the box holds no contrast.
  enum class Stroke : uint8_t { Top, UpperRight, LowerRight, Bottom, LowerLeft, UpperLeft, Middle };
  double StrokeInk(const Bitmap24& bitmap, int x, int y, Stroke stroke) const;

 private:
  // Among digits that score within a near tie of the best and differ from it
  // in whole strokes, the one whose strokes the glyph shows; else best.
  int SettleNearTie(const Bitmap24& bitmap, int x, int y, const GlyphScores& sc, int best) const;

  GlyphContext ctx_;
  BrightMeasureParams bright_;
  std::array<GlyphCell, kGlyphCellCount> cells_{};
  int cellCount_ = 44;
  std::array<int, 7> rowOffset_{};  // image lines below y of each grid row
  int edgeDistance_ = 2;
  bool edgeMeasure_ = false;
  int firstCandidate_ = 0;
  int lastCandidate_ = 9;
  bool strokeCheck_ = false;  // located IOTA-VTI time line: near ties are settled by strokes
  int lineCount_ = 14;        // glyph lines in one field
  int gridBottom_ = 0;  // lines below y the cells reach down to
  enum class Scorer : uint8_t { Kiwi, Iota, Ghs } scorer_ = Scorer::Iota;
};

// The character at (x, y), 0 when none is accepted; *score gets the best score
// (0 when nothing is accepted).
char RecognizeCharacter(const Bitmap24& bitmap, int x, int y, const GlyphContext& ctx,
                        double* score = nullptr);
// The character of RecognizeCharacter; every time-stamp read goes through it.
char RecognizeCharacterBest(const Bitmap24& bitmap, int x, int y, const GlyphContext& ctx);

// The character a candidate index stands for in the IOTA/GHS sets (0 for 13).
char GlyphCandidateChar(int index);
