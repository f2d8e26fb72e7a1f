#include "ChartTestTables.h"

#include "base/NumberText.h"

namespace {

std::string Q(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

std::string JoinCells(const std::vector<std::string>& cells) {
  std::string s;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i) s += ',';
    s += cells[i];
  }
  return s;
}

std::string ResultHeaderLine1() {
  std::vector<std::string> c(70);
  c[1] = Q("Time");
  c[5] = Q("Centre of");
  c[6] = Q("End of");
  c[10] = Q("Result");
  c[16] = Q("Object 1");
  c[33] = Q("Object 2");
  c[50] = Q("Object 3");
  return JoinCells(c);
}

std::string ResultHeaderLine2() {
  std::vector<std::string> c(72);
  c[1] = Q("Detect");
  c[3] = Q("VTI");
  c[5] = Q("Frame");
  c[6] = Q("Frame");
  c[9] = Q("Sound");
  c[10] = Q("Measurement");
  c[11] = Q("-Value");
  c[13] = Q("FWHM/HFD");
  c[14] = Q("");
  c[15] = Q("");
  for (int b : {17, 34, 51}) {
    c[static_cast<size_t>(b - 1)] = Q("Pixel Value");
    c[static_cast<size_t>(b + 1)] = Q("Pixel Num.");
    c[static_cast<size_t>(b + 3)] = Q("Radius");
    c[static_cast<size_t>(b + 6)] = Q("BKG");
    c[static_cast<size_t>(b + 7)] = Q("Position");
    c[static_cast<size_t>(b + 9)] = Q("Spin");
    c[static_cast<size_t>(b + 10)] = Q("-Direction");
    c[static_cast<size_t>(b + 13)] = Q("StarTrack");
  }
  return JoinCells(c);
}

std::string ResultHeaderLine3() {
  std::vector<std::string> c(69);
  const char* head[] = {"No.", "Signal1", "Signal2", "H", "M", "S"};
  for (int i = 0; i < 6; ++i) c[static_cast<size_t>(i)] = Q(head[i]);
  c[9] = Q("/Frame");
  for (int k = 0; k < 3; ++k) {
    c[static_cast<size_t>(10 + k)] = Q("Object" + std::to_string(k + 1));
    c[static_cast<size_t>(13 + k)] = Q("Object" + std::to_string(k + 1));
  }
  const char* block[] = {"EstimatedPeak'sHeight", "Background", "Aperture", "Background", "Aperture", "BKG(Inner)",
                         "(Outer)", "Shape", "X", "Y", "X", "Y", "Width", "Gap", "Mode", "Radius", "Threshold"};
  for (int b : {17, 34, 51})
    for (int i = 0; i < 17; ++i) c[static_cast<size_t>(b - 1 + i)] = Q(block[i]);
  c[67] = Q("Note");
  c[68] = Q("Reserve");
  return JoinCells(c);
}

std::vector<std::string> BuildResultTable(int version, int object_count, const std::vector<TableRowCells>& rows,
                                          const std::string& rate_text) {
  std::vector<std::string> lines;
  if (version == 0) {
    lines = {"\"Old measurement\"", "\"FileName : C:\\video\\old.avi\"", "\"No.\",\"\",\"\",\"\",\"Object1\""};
  } else {
    const char* banner = version == 3   ? "Tessary File Format (for Ver.0.9.99.5 later)"
                         : version == 2 ? "Tessary File Format (for Ver.0.9.26 later)"
                                        : "Tessary File Format (for Ver.0.9.25 later)";
    lines.push_back(Q(banner));
    lines.push_back(Q("FileName : C:\\video\\event.avi"));
    const char* system = rate_text == "29.97" ? "Video System : NTSC" : "Video System : PAL";
    lines.push_back(Q(system) + "," + Q("FrameRate=" + rate_text) + ",,,,,,,,,,");
    lines.push_back(ResultHeaderLine1());
    lines.push_back(ResultHeaderLine2());
    lines.push_back(ResultHeaderLine3());
  }
  for (const TableRowCells& r : rows) {
    if (r.EmptyLine) {
      lines.emplace_back();
      continue;
    }
    std::vector<std::string> c;
    if (version == 0) {
      // No., time texts, value, then filler up to the position cells 13, 14.
      c = {r.No, r.H, r.M, r.S, r.Objects[0].Value, "", "", "", "", "", "", "", r.Objects[0].X, r.Objects[0].Y};
      lines.push_back(JoinCells(c));
      continue;
    }
    c = {r.No, r.Signal1, Q(""), r.H, r.M, r.S, r.EndS, "", "", ""};
    for (int k = 0; k < 3; ++k) c.push_back(k < object_count ? r.Objects[static_cast<size_t>(k)].Value : "");
    if (version >= 2)
      for (int k = 0; k < 3; ++k) c.push_back(k < object_count ? "2.5000" : "");
    for (int k = 0; k < object_count; ++k) {
      const TableObjectCells& o = r.Objects[static_cast<size_t>(k)];
      const std::vector<std::string> b = {o.ApertureSum, o.BackgroundSum, o.AperturePixels, o.BackgroundPixels,
                                          "3", "5", "8", "", o.X, o.Y, "", "", "", "", Q("Anchor"), "5", "30"};
      c.insert(c.end(), b.begin(), b.end());
    }
    c.push_back("");  // note
    lines.push_back(JoinCells(c) + ",,,,,");
  }
  return lines;
}

std::vector<std::string> WithoutVideoSystemLine(std::vector<std::string> lines) {
  if (lines.size() > 2) lines.erase(lines.begin() + 2);
  return lines;
}

std::vector<TableRowCells> RowsFromValues(const std::vector<std::vector<double>>& values, int first_frame,
                                          bool fields) {
  std::vector<TableRowCells> rows;
  const size_t n = values.empty() ? 0 : values[0].size();
  for (size_t r = 0; r < n; ++r) {
    TableRowCells row;
    if (fields)
      row.No = FormatInt(first_frame + static_cast<int64_t>(r / 2)) + (r % 2 ? ".5" : ".0");
    else
      row.No = FormatInt(first_frame + static_cast<int64_t>(r)) + ".0";
    row.H = "10";
    row.M = "20";
    row.S = FormatFixed(static_cast<long double>(r) / 30.0L, 4, 10);
    for (size_t k = 0; k < values.size() && k < 3; ++k) row.Objects[k].Value = FormatFixed(values[k][r], 1, 8);
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> ParabolaEventTable(int frames, double vertex_s, double curvature, double depth) {
  std::vector<TableRowCells> rows(static_cast<size_t>(frames));
  for (int r = 0; r < frames; ++r) {
    TableRowCells& row = rows[static_cast<size_t>(r)];
    row.No = FormatInt(r) + ".0";
    const long double d = r / 30.0L - vertex_s;
    row.Objects[0].Value = FormatFixed(depth + curvature * d * d, 6, 18);
    row.Objects[1].Value = "1000";
    row.Objects[2].Value = "500";
  }
  return BuildResultTable(3, 3, rows);
}
