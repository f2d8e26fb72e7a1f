#pragma once
// The steps of the software update that need no window: reading the version
// file, comparing versions, installing an unpacked release and the text of
// the script that swaps the executable once the program has ended.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kProgramVersion = "1.0.0.1 Orvane";
inline constexpr const char* kVersionFileName = "info.txt";
inline constexpr const char* kRestartScriptName = "restart.sh";

// The download folder of the releases; TESSARY_UPDATE_FOLDER replaces it
// (a mirror or a local copy). Always ends in "/".
std::string UpdateFolderUrl();

// The leading dotted numbers of a version text ("1.0.0.1 Orvane" -> 1,0,0,1);
// nothing when the text does not begin with a number.
std::optional<std::vector<uint32_t>> VersionNumbers(std::string_view version);
// -1, 0, 1 as a is older than, the same as or newer than b; missing parts
// count as 0. Texts without a version number sort below every version.
int CompareVersions(std::string_view a, std::string_view b);

inline constexpr const char* kNoVersionInFile = "The version file holds no version number; no update is offered.";

struct VersionFileCheck {
  bool fetched = false;      // the version file arrived
  bool has_version = false;  // its first line begins with a version number
  bool newer = false;        // that version is newer than the running program's
  std::string newest;        // the first line, without a byte-order mark
  std::vector<std::string> memo1;  // status lines for the window
};

// The version file as UTF-8 text: one saved as "Unicode" (UTF-16) is
// converted, a UTF-8 byte-order mark dropped.
std::string VersionFileText(std::string_view bytes);

// What the version file says; nothing (no file) is a failed access, a first
// line without a version number offers no update.
VersionFileCheck CheckVersionFile(const std::optional<std::string>& file_text,
                                  std::string_view own_version = kProgramVersion);

// The version without its points ("1.0.0.2 Orvane" -> "1002 Orvane").
std::string VersionDigits(std::string_view newest);
// "tessary" + digits + ".zip"
std::string ReleaseArchiveName(std::string_view newest);

struct InstallResult {
  bool installed = false;  // every file is in place and the script may be written
  bool folder_deleted = false;
  std::filesystem::path search_dir;  // the unpacked release
  std::string error;                 // why nothing was installed
};

// exe_folder/tessary<digits>/: where the release archive is unpacked.
std::filesystem::path UnpackedReleaseFolder(const std::filesystem::path& exe_file, std::string_view newest);

// Copies the files at the top level of the unpacked release over the program
// folder, the new executable (the file named like the running one) as
// <name>N, leaving out one named like the restart script, then deletes the
// unpacked folder and the archive. A copy or a replacement that fails undoes
// the copies made so far, installs nothing and keeps the downloaded files.
InstallResult InstallUnpackedRelease(const std::filesystem::path& exe_file, std::string_view newest,
                             const std::filesystem::path& archive);

// The shell script that waits for process `old_pid` to end, moves <exe>N over
// <exe> in `install_dir`, starts it and deletes itself.
std::string RestartScriptText(const std::filesystem::path& install_dir, const std::string& exe_name,
                              int64_t old_pid);

// Writes the script beside the executable; its path, or nothing with `error`.
std::optional<std::filesystem::path> WriteRestartScript(const std::filesystem::path& exe_file, int64_t old_pid,
                                                        std::string* error);

// True while a debugger traces this process.
bool DebuggerAttached();
