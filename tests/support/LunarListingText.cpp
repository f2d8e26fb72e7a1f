#include "support/LunarListingText.h"

std::string PutColumns(const std::vector<std::pair<int, std::string>>& cells, size_t width, bool trim) {
  std::string line(width, ' ');
  for (const auto& [col, text] : cells) line.replace(static_cast<size_t>(col - 1), text.size(), text);
  while (trim && !line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

namespace {

std::string Header() {
  return PutColumns({{22, "Star"}, {28, "Sp "}, {42, "AA"}, {46, "RV"}, {51, "PA"}, {55, "CA"}, {60, "Cct"},
                     {67, "%"}, {70, "Moon"}, {100, "SV"}, {106, "Mdist"}, {112, "Libration"}, {125, "durn"}});
}

}  // namespace

std::string LunarEventLine(const std::string& date_time, const std::string& kind, const std::string& number,
                           const std::string& contact) {
  return PutColumns({{1, date_time},
                     {20, kind},
                     {21, number},
                     {28, "K "},
                     {31, " 7.2"},
                     {36, " 6.5"},
                     {41, " 45"},
                     {45, "12.3"},
                     {50, "  7"},
                     {55, " 88"},
                     {59, contact},
                     {65, " 54"},
                     {69, " 3"},
                     {72, "  612.3"},
                     {80, "380.12"},
                     {112, "+5.1"},
                     {117, "-6.2"},
                     {125, "<--- duration block --->"},
                     {150, "END"}});
}

std::vector<std::string> SampleLunarListing() {
  return {"Lunar occultation predictions",
          PutColumns({{1, "E. Longitude"}, {14, " 139"}, {19, "45"}, {22, "12.5"}, {38, " 35"}, {42, "40"},
                      {45, " 2.0"}, {57, "  25"}}),
          "",
          Header(),
          " y  m   d  h  m  s",
          LunarEventLine("24 May 12 14 30 05", " ", "  1234"),
          "          continuation of the event above",
          LunarEventLine("24 May 12 14 30 26", " ", "  9000"),
          LunarEventLine("23 Dec 31 23 59 59", "X", "   777"),
          LunarEventLine("24 Jun 11 14 30 05", " ", "  8999")};
}

std::string Utf16LeFileBytes(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}
