#pragma once
// Runs a shell command for a test (ffmpeg, ffprobe, python3, pngcheck) and
// returns what it printed on standard output.
#include <string>

// The exit status goes to status (as pclose gives it; -1 when the command
// could not be started, with an empty output).
std::string RunCommand(const std::string& command, int& status);

// The same, for callers that only need the output.
std::string CommandOutput(const std::string& command);
