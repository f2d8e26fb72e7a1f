// AviSynth script reader and writer.
//
// Contract of the reader: UTF-8 text with CRLF, LF or CR line ends, at most
// 64 KB. Blank lines and lines starting with '#' are skipped. The first other
// line must be DirectShowSource("path" ...) or AVISource("path" ...) (name in
// any case, blanks allowed around the parenthesis); its further arguments are
// ignored (frames always come out as 24-bit RGB). Every later line is kept as
// a line we cannot honour. Variables, functions and other filters of
// AviSynth's language are not interpreted.
#include "video/AvsScript.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "base/AtomicFile.h"
#include "base/TextTools.h"

std::string FileNamePart(const std::string& path) {
  size_t p = path.find_last_of("\\/");
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string FolderPart(const std::string& path) {
  size_t p = path.find_last_of("\\/");
  return p == std::string::npos ? std::string() : path.substr(0, p);
}

std::string ExtensionOf(const std::string& path) {
  std::string name = FileNamePart(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeExtension(const std::string& path, const std::string& ext) {
  std::string e = ExtensionOf(path);
  return path.substr(0, path.size() - e.size()) + ext;
}

std::vector<std::string> AvsScriptLines(const std::string& video_path, bool camcorder_time) {
  std::vector<std::string> lines;
  lines.push_back("DirectShowSource(\"" + video_path + "\" , pixel_type=\"RGB24\")");
  if (camcorder_time) {
    const std::string name = FileNamePart(video_path);
    lines.push_back("DVInfo(\"" + name +
                    "\", \"rec_time\", 50, 380, \"Gothic\", 30, 255*65536+255*256+255, 0*65536+0*256+0 ,\"%x\")");
    lines.push_back("DVInfo(\"" + name +
                    "\", \"rec_time\", 50, 410, \"Gothic\", 30, 255*65536+255*256+255, 0*65536+0*256+0 ,\"%X\")");
  }
  return lines;
}

bool WriteAvsScriptFile(const std::string& avs_path, const std::vector<std::string>& lines, std::string& error) {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  std::string reason;
  if (!WriteFileAtomic(avs_path, text, &reason)) {
    error = "The AviSynth script could not be written (" + reason + ").";
    return false;
  }
  return true;
}

bool ReadAvsScript(const std::string& avs_path, AvsScriptSource& out, std::string& error) {
  out = AvsScriptSource{};
  constexpr size_t kMaxScriptBytes = 64 * 1024;
  std::optional<std::string> read = ReadWholeFile(avs_path, kMaxScriptBytes);
  if (!read) {
    error = IsPlainFileLargerThan(avs_path, kMaxScriptBytes) ? "The script is too long." : "The script cannot be read.";
    return false;
  }
  std::string text = std::move(*read);
  // Scripts saved by Windows editors may start with a byte-order mark, or be
  // "Unicode": the mark would hide the source line.
  text = FileTextAsUtf8(text);
  std::vector<std::string> lines;
  std::string cur;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  bool have_source = false;
  for (const std::string& raw : lines) {
    size_t b = raw.find_first_not_of(" \t");
    if (b == std::string::npos || raw[b] == '#') continue;
    std::string line = raw.substr(b);
    if (have_source) {
      out.unused_lines.push_back(line);
      continue;
    }
    size_t paren = line.find('(');
    if (paren == std::string::npos) break;
    std::string name = AsciiLower(line.substr(0, paren));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    if (name == "directshowsource") out.kind = AvsScriptSource::Kind::DirectShow;
    else if (name == "avisource") out.kind = AvsScriptSource::Kind::Avi;
    else break;
    size_t q1 = line.find('"', paren);
    size_t q2 = q1 == std::string::npos ? q1 : line.find('"', q1 + 1);
    if (q2 == std::string::npos || line.find_first_not_of(" \t", paren + 1) != q1) break;
    out.video_path = line.substr(q1 + 1, q2 - q1 - 1);
    have_source = !out.video_path.empty();
    if (!have_source) break;
  }
  if (!have_source) {
    error = "The script has no DirectShowSource or AVISource line.";
    return false;
  }
  std::error_code ec;
  const std::string folder = FolderPart(avs_path);
  // A relative path is read from the script's folder, as AviSynth does, not
  // from wherever the program was started.
  if (!folder.empty() && std::filesystem::path(out.video_path).is_relative()) {
    std::string relative = out.video_path;
    if (!std::filesystem::exists(folder + "/" + relative, ec) && relative.find(':') == std::string::npos &&
        relative[0] != '\\')
      std::replace(relative.begin(), relative.end(), '\\', '/');  // written on Windows: "sub\clip.avi"
    if (std::filesystem::exists(folder + "/" + relative, ec)) {
      out.video_path = folder + "/" + relative;
      return true;
    }
  }
  if (!std::filesystem::exists(out.video_path, ec)) {
    std::string beside = (folder.empty() ? std::string() : folder + "/") + FileNamePart(out.video_path);
    if (std::filesystem::exists(beside, ec)) out.video_path = beside;
  }
  return true;
}
