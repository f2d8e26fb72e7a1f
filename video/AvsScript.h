#pragma once
// AviSynth scripts: the program writes a one-source script beside a video and
// reads back scripts of the forms it writes (AviSynth itself is not there).
#include <string>
#include <vector>

// The lines of the script for `video_path`: the DirectShowSource line, and with
// `camcorder_time` the two DVInfo lines that overlay the recording time.
std::vector<std::string> AvsScriptLines(const std::string& video_path, bool camcorder_time);

// Writes the lines, each ending in CRLF, atomically (temporary file, rename).
bool WriteAvsScriptFile(const std::string& avs_path, const std::vector<std::string>& lines, std::string& error);

struct AvsScriptSource {
  enum class Kind { DirectShow, Avi };
  Kind kind = Kind::DirectShow;
  std::string video_path;                 // as found (see ReadAvsScript)
  std::vector<std::string> unused_lines;  // lines we cannot honour (DVInfo, ...)
};

// Reads a script whose first statement is DirectShowSource("...") or
// AVISource("..."). A relative path is read from the script's folder; a path
// that does not exist is looked up by its file-name part beside the script
// (scripts written on another machine). False with a reason for any other script.
bool ReadAvsScript(const std::string& avs_path, AvsScriptSource& out, std::string& error);

// File-name part of a path, split on both '\' and '/'.
std::string FileNamePart(const std::string& path);
// Folder part (without the trailing separator); empty when there is none.
std::string FolderPart(const std::string& path);
// The path with its extension (from the last '.' of the file-name part) replaced.
std::string ChangeExtension(const std::string& path, const std::string& ext);
// The extension including its dot, as typed; empty when there is none.
std::string ExtensionOf(const std::string& path);
