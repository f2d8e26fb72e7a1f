#include "base/ResultCsvFormat.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/CsvFields.h"
#include "base/NumberText.h"

namespace {

std::string Quoted(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out += '"';
  out += s;
  out += '"';
  return out;
}

// Cells numbered from 1; unset cells stay empty.
class CellLine {
 public:
  explicit CellLine(int count) : cells_(static_cast<size_t>(count)) {}
  void Set(int column, std::string_view text) { cells_[static_cast<size_t>(column - 1)] = Quoted(text); }
  std::string Join() const {
    std::string out;
    for (size_t i = 0; i < cells_.size(); ++i) {
      if (i) out += ',';
      out += cells_[i];
    }
    return out;
  }

 private:
  std::vector<std::string> cells_;
};

constexpr int kObjectBase[3] = {17, 34, 51};

// Column 6 names the field's time in field mode; columns 6 and 7 name the
// frame's centre and end times otherwise.
void SetTimeColumns(CellLine& l, const CsvFormatParams& p, std::string_view field, std::string_view centre,
                    std::string_view end) {
  if (p.FieldMode) {
    l.Set(6, field);
    return;
  }
  l.Set(6, centre);
  l.Set(7, end);
}

bool KiwiFieldNames(const CsvFormatParams& p) { return p.TimeStampMode == 0 && p.Kiwi; }

std::string Cut20(std::string s) {
  if (s.size() > 20) s.resize(20);
  return s;
}

// n div 10 "." n mod 10: 1234 gives "123.4".
std::string FrameNumberText(int64_t n) {
  std::string sign;
  if (n < 0) {
    sign = "-";
    n = -n;
  }
  return Cut20(sign + FormatInt(n / 10) + "." + FormatInt(n % 10));
}

void AddCell(std::string& row, std::string_view cell) {
  row += cell;
  row += ',';
}

void AddObjectBlock(std::string& row, const DataLineBlocks& blocks, int j, int k,
                    const CsvFormatParams& p) {
  const ObjectResult& o = blocks[static_cast<size_t>(j)].Objects[static_cast<size_t>(k)];
  const ObjectResult& o0 = blocks[0].Objects[static_cast<size_t>(k)];
  AddCell(row, p.PsfPhotometry ? FormatFixed(o0.PsfAmplitude, 1, 5) : FormatInt(o.ApertureSum));
  AddCell(row, FormatInt(o.BackgroundSum));
  AddCell(row, FormatInt(o.AperturePixelCount));
  AddCell(row, FormatInt(o.BackgroundPixelCount));
  AddCell(row, FormatInt(o.ApertureRadius));
  AddCell(row, FormatInt(o.BackgroundInner));
  AddCell(row, FormatInt(o.BackgroundOuter));
  switch (o.BackgroundForm) {
    case 1: AddCell(row, "\"AvoidSunlitFace\""); break;
    case 2: AddCell(row, "\"Meteor/LunarLimb\""); break;
    default: AddCell(row, ""); break;
  }
  AddCell(row, FormatInt(o.X));
  AddCell(row, FormatInt(o.Y));
  if (o.BackgroundForm == 0) {
    row += ",,,,";
  } else {
    AddCell(row, FormatInt(o.DirectionX));
    AddCell(row, FormatInt(o.DirectionY));
    AddCell(row, o.BackgroundForm == 1 ? std::string() : FormatInt(o.BandWidth));
    AddCell(row, FormatInt(o.Gap));
  }
  switch (o.TrackMode) {
    case 0: AddCell(row, "\"Anchor\""); break;
    case 1: AddCell(row, p.LinearTrackReady[static_cast<size_t>(k)] ? "\"Linear\"" : "\"Drift\""); break;
    default: AddCell(row, "\"OFF\""); break;
  }
  if (o.TrackMode >= 2) {
    row += ",,";
  } else {
    AddCell(row, FormatInt(o.TrackRadius));
    AddCell(row, FormatInt(o.Threshold));
  }
}

}  // namespace

std::string BuildCsvHeader1(const CsvFormatParams& p) {
  CellLine l(kHeader1Cells);
  l.Set(2, "Time");
  SetTimeColumns(l, p, "End of", "Centre of", "End of");
  l.Set(11, "Result");
  for (int k = 0; k < 3; ++k) l.Set(kObjectBase[k], "Object " + FormatInt(k + 1));
  return l.Join();
}

std::string BuildCsvHeader2(const CsvFormatParams& p) {
  CellLine l(kHeader2Cells);
  l.Set(2, "Detect");
  l.Set(4, "VTI");
  SetTimeColumns(l, p, "Field", "Frame", "Frame");
  l.Set(10, "Sound");
  l.Set(11, "Measurement");
  l.Set(12, "-Value");
  l.Set(14, "FWHM/HFD");
  l.Set(15, "");
  l.Set(16, "");
  for (int b : kObjectBase) {
    l.Set(b, "Pixel Value");
    l.Set(b + 2, "Pixel Num.");
    l.Set(b + 4, "Radius");
    l.Set(b + 7, "BKG");
    l.Set(b + 8, "Position");
    l.Set(b + 10, "Spin");
    l.Set(b + 11, "-Direction");
    l.Set(b + 14, "StarTrack");
  }
  return l.Join();
}

std::string BuildCsvHeader3(const CsvFormatParams& p) {
  static constexpr const char* kBlock[17] = {
      "EstimatedPeak'sHeight", "Background", "Aperture", "Background", "Aperture", "BKG(Inner)",
      "(Outer)", "Shape", "X", "Y", "X", "Y", "Width", "Gap", "Mode", "Radius", "Threshold"};
  CellLine l(kHeader3Cells);
  l.Set(1, "No.");
  l.Set(2, KiwiFieldNames(p) ? "Field1" : "Signal1");
  l.Set(3, KiwiFieldNames(p) ? "Field2" : "Signal2");
  l.Set(4, "H");
  l.Set(5, "M");
  l.Set(6, "S");
  l.Set(10, "/Frame");
  for (int k = 0; k < 3; ++k) {
    std::string name = "Object" + FormatInt(k + 1);
    l.Set(11 + k, name);
    l.Set(14 + k, name);
  }
  for (int b : kObjectBase)
    for (int i = 0; i < 17; ++i) l.Set(b + i, kBlock[i]);
  l.Set(68, "Note");
  l.Set(69, "Reserve");
  return l.Join();
}

std::string BuildVideoSystemLine(const CsvFormatParams& p) {
  std::string rate = FormatWidth(p.TimingFrameRate, 5, 2);
  const char* system = "Video System : ---";
  if (rate == "29.97")
    system = "Video System : NTSC";
  else if (p.FrameRateRounded == 25)
    system = "Video System : PAL";
  else if (p.TimeStampMode == 3)
    system = "Video System : CMOS";
  return Quoted(system) + "," + Quoted("FrameRate=" + rate) + ",,,,,,,,,,";
}

void WriteInitialCsvHeader(ResultTable& table, const CsvFormatParams& p) {
  table.Assign({Quoted(kCsvBannerV3), Quoted("Filename : "), BuildCsvHeader1(p), BuildCsvHeader2(p),
                BuildCsvHeader3(p)});
}

void WriteCsvHeader(ResultTable& table, const CsvFormatParams& p) {
  table.Assign({std::string(kCsvBannerV3), Quoted("FileName : " + p.VideoFileName),
                BuildVideoSystemLine(p), BuildCsvHeader1(p), BuildCsvHeader2(p),
                BuildCsvHeader3(p)});
}

std::string BuildResultRow(const DataLineBlocks& blocks, int j, bool first,
                           const CsvFormatParams& p, const FrameTimeTexts& t) {
  if (j < 0 || j > 2) j = 0;
  const DataLine& block = blocks[static_cast<size_t>(j)];
  std::string row;
  row.reserve(512);

  // Columns 1: frame number; the second row of a field pair is half a frame later.
  AddCell(row, FrameNumberText(static_cast<int64_t>(block.FrameNumberX10) + (first ? 0 : 5)));

  // Columns 2, 3: counters or LED signals.
  if (p.TimeStampMode == 0) {
    AddCell(row, t.StampCount1);
    AddCell(row, t.StampCount2);
  } else {
    if (p.SharpTimeCorrection == 1)
      AddCell(row, FormatFixed(block.Signal1Level, 1, 8));
    else
      AddCell(row, block.Signal1Detected ? "\"***\"" : "\"\"");
    AddCell(row, block.Signal2Detected ? "\"***\"" : "\"\"");
  }

  // Columns 4-7: time of the frame or field.
  if (p.Kiwi && p.FieldMode) {
    AddCell(row, first ? t.StampH1 : t.StampH2);
    AddCell(row, first ? t.StampM1 : t.StampM2);
    AddCell(row, first ? t.StampS1Full : t.StampS2Full);
    AddCell(row, "");
  } else if (p.Kiwi && (p.SharpCapTimeAvailable || p.TimeStampMode != 3)) {
    AddCell(row, t.StampH1);
    AddCell(row, t.StampM1);
    AddCell(row, t.StampS1Full);
    AddCell(row, t.StampS2Full);
  } else if (p.Kiwi) {
    row += ",,,,";
  } else {
    row += ",,";
    AddCell(row, p.TiviDigitsValid ? Cut20(p.TiviSecondsText) : std::string());
    AddCell(row, "");
  }

  // Columns 8-10: sound note, or the CMOS time.
  if (p.TimeStampMode != 3 || p.SharpCapTimeAvailable) {
    row += ",,";
    AddCell(row, block.SoundNote);
  } else {
    // Hours and minutes of the capture instant itself, so that a frame just
    // after a minute starts is not put a minute early.
    AddCell(row, t.StampH2.empty() ? t.StampH1 : t.StampH2);
    AddCell(row, t.StampM2.empty() ? t.StampM1 : t.StampM2);
    AddCell(row, t.StampS2Full);
  }

  const int objects = std::clamp(p.ObjectCount, 0, 3);
  // Columns 11-13: measured values.
  for (int k = 0; k < 3; ++k) {
    if (k >= objects) {
      AddCell(row, "");
      continue;
    }
    const ObjectResult& o = block.Objects[static_cast<size_t>(k)];
    AddCell(row, p.MeasurePixelPeak ? FormatFixed(o.Peak, 1, 6) : FormatFixed(o.Value, 1, 8));
  }
  // Columns 14-16: FWHM/HFD of the frame block, for field rows too.
  for (int k = 0; k < 3; ++k)
    AddCell(row, k < objects ? FormatFixed(blocks[0].Objects[static_cast<size_t>(k)].FwhmHfd, 4, 6)
                             : std::string());

  if (p.LimbProfileForRectangle) {
    // Columns 17-67: the limb profile; the row ends with its last value.
    for (int i = 0; i < kLimbProfileCount; ++i) {
      double v = i < static_cast<int>(p.LimbProfile.size()) ? p.LimbProfile[static_cast<size_t>(i)] : 0.0;
      row += FormatFixed(v, 1, 5);
      if (i + 1 < kLimbProfileCount) row += ',';
    }
    return row;
  }

  for (int k = 0; k < objects; ++k) AddObjectBlock(row, blocks, j, k, p);
  row += block.RowNote;
  row += ",,,,,";
  return row;
}

void AppendResultRows(ResultTable& table, const DataLineBlocks& blocks, const CsvFormatParams& p,
                      const FrameTimeTexts& times) {
  if (!p.FieldMode) {
    table.Add(BuildResultRow(blocks, 0, true, p, times));
    return;
  }
  if (p.FieldOrderIndex == 0) {
    table.Add(BuildResultRow(blocks, 2, true, p, times));
    table.Add(BuildResultRow(blocks, 1, false, p, times));
    return;
  }
  table.Add(BuildResultRow(blocks, 1, true, p, times));
  table.Add(BuildResultRow(blocks, 2, false, p, times));
}

int CsvVersionOfBanner(std::string_view line0) {
  if (!line0.empty() && line0.front() == '"') line0.remove_prefix(1);
  constexpr size_t kCompared = 42;
  auto starts = [&](std::string_view banner) {
    return line0.size() >= kCompared && line0.substr(0, kCompared) == banner.substr(0, kCompared);
  };
  if (starts(kCsvBannerV3)) return 3;
  if (starts(kCsvBannerV2)) return 2;
  if (starts(kCsvBannerV1)) return 1;
  return 0;
}

CsvLayoutInfo DetectCsvVersion(const std::vector<std::string>& lines) {
  CsvLayoutInfo info;
  info.CsvVersion = lines.empty() ? 0 : CsvVersionOfBanner(lines[0]);
  if (info.CsvVersion == 0) {
    info.CsvHeaderLines = 3;
    return info;
  }
  // Tables written before a frame rate was known have no video-system line:
  // their rows start one line earlier. Header line 3 begins with "No.".
  info.CsvHeaderLines = 6;
  const size_t last = std::min<size_t>(lines.size(), 8);
  for (size_t i = 1; i < last; ++i) {
    if (StripQuotes(GetCsvField(lines[i], 1)) == "No.") {
      info.CsvHeaderLines = static_cast<int>(i) + 1;
      break;
    }
  }
  return info;
}

int HeaderLineCountFor(int csv_version) { return csv_version >= 1 && csv_version <= 3 ? 7 : 4; }

int HeaderLineCountOf(const std::vector<std::string>& lines) { return DetectCsvVersion(lines).HeaderLineCount(); }

int RowFrameNumber(const std::string& row) {
  const std::optional<double> v = ParseDouble(StripQuotes(GetCsvField(row, 1)));
  if (!v || !std::isfinite(*v) || std::fabs(*v) > 2e9) return -1;
  return static_cast<int>(TruncateToInt(*v));
}
