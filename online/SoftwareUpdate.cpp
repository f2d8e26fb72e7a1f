#include "online/SoftwareUpdate.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/TextTools.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultUpdateFolder = "https://www.tessary.org/tessary/newestversion/";
constexpr const char* kStagedSuffix = ".update-part";
constexpr const char* kKeptSuffix = ".update-old";

// A text as one single-quoted shell word.
std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

}  // namespace

std::string UpdateFolderUrl() {
  const char* env = std::getenv("TESSARY_UPDATE_FOLDER");
  std::string url = env && *env ? env : kDefaultUpdateFolder;
  if (url.back() != '/') url += '/';
  return url;
}

std::optional<std::vector<uint32_t>> VersionNumbers(std::string_view version) {
  std::vector<uint32_t> parts;
  size_t i = 0;
  while (i < version.size() && version[i] >= '0' && version[i] <= '9') {
    uint64_t v = 0;
    while (i < version.size() && version[i] >= '0' && version[i] <= '9') {
      v = std::min<uint64_t>(v * 10 + static_cast<uint64_t>(version[i] - '0'), 0xFFFFFFFFu);
      ++i;
    }
    parts.push_back(static_cast<uint32_t>(v));
    if (i + 1 < version.size() && version[i] == '.' && version[i + 1] >= '0' && version[i + 1] <= '9') ++i;
    else break;
  }
  if (parts.empty()) return std::nullopt;
  return parts;
}

int CompareVersions(std::string_view a, std::string_view b) {
  const auto va = VersionNumbers(a), vb = VersionNumbers(b);
  if (!va || !vb) return va ? 1 : vb ? -1 : 0;
  const size_t n = std::max(va->size(), vb->size());
  for (size_t i = 0; i < n; ++i) {
    const uint32_t x = i < va->size() ? (*va)[i] : 0;
    const uint32_t y = i < vb->size() ? (*vb)[i] : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

std::string VersionFileText(std::string_view bytes) {
  if (std::optional<std::string> utf8 = Utf16FileText(bytes)) return std::move(*utf8);
  return std::string(WithoutUtf8Bom(bytes));
}

VersionFileCheck CheckVersionFile(const std::optional<std::string>& file_text, std::string_view own_version) {
  VersionFileCheck c;
  if (!file_text) {
    c.memo1 = {"Failed in the access to Internet."};
    return c;
  }
  c.fetched = true;
  const std::string text = VersionFileText(*file_text);
  const std::string_view t = text;
  c.newest = std::string(t.substr(0, t.find_first_of("\r\n")));
  c.memo1.push_back("This program is Ver." + std::string(own_version) + ".");
  c.has_version = VersionNumbers(c.newest).has_value();
  if (!c.has_version) {
    c.memo1.push_back(kNoVersionInFile);
    return c;
  }
  c.newer = CompareVersions(c.newest, own_version) > 0;
  if (c.newer) {
    c.memo1.push_back("The newest version Ver." + c.newest + " is available.");
    c.memo1.push_back("");
    c.memo1.push_back("Do you need this update now?");
  } else {
    c.memo1.push_back("This program is the newest version. Update is not necessary.");
  }
  return c;
}

std::string VersionDigits(std::string_view newest) {
  std::string out;
  for (const char c : newest)
    if (c != '.') out += c;
  return out;
}

std::string ReleaseArchiveName(std::string_view newest) { return "tessary" + VersionDigits(newest) + ".zip"; }

fs::path UnpackedReleaseFolder(const fs::path& exe_file, std::string_view newest) {
  return exe_file.parent_path() / ("tessary" + VersionDigits(newest));
}

InstallResult InstallUnpackedRelease(const fs::path& exe_file, std::string_view newest, const fs::path& archive) {
  InstallResult r;
  r.search_dir = UnpackedReleaseFolder(exe_file, newest);
  const fs::path install_dir = exe_file.parent_path();
  const std::string exe_name = exe_file.filename().string();
  std::error_code ec;
  std::vector<std::pair<fs::path, std::string>> files;  // source, name in the program folder
  if (fs::is_directory(r.search_dir, ec)) {
    for (const auto& entry : fs::directory_iterator(r.search_dir, ec)) {
      if (entry.is_symlink(ec) || !entry.is_regular_file(ec)) continue;
      const std::string name = entry.path().filename().string();
      // The restart script beside the executable is the program's own.
      if (name == kRestartScriptName) continue;
      files.emplace_back(entry.path(), name == exe_name ? exe_name + "N" : name);
    }
  }
  if (files.empty()) {
    r.error = "No program files were unpacked from the archive.";
    return r;
  }
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
  // Every file is first copied beside its target, so that a failure leaves
  // the installed program untouched.
  std::vector<fs::path> staged;
  auto drop_staged = [&staged] {
    std::error_code ignored;
    for (const fs::path& p : staged) fs::remove(p, ignored);
  };
  for (const auto& [source, target] : files) {
    const fs::path part = install_dir / (target + kStagedSuffix);
    if (!fs::copy_file(source, part, fs::copy_options::overwrite_existing, ec)) {
      drop_staged();
      r.error = "Could not copy \"" + source.filename().string() + "\" to " + install_dir.string() + ": " +
                ec.message() + ". Nothing was installed.";
      return r;
    }
    staged.push_back(part);
    // The unpacked copy has default permissions: a replaced file keeps its
    // own, so that a helper program stays executable.
    const fs::file_status old = fs::status(install_dir / target, ec);
    if (!ec && fs::is_regular_file(old)) fs::permissions(part, old.permissions(), fs::perm_options::replace, ec);
  }
  // Each installed file keeps a second name until all are in place, so that a
  // replacement that fails puts the files replaced before it back.
  std::vector<fs::path> kept(files.size());
  auto undo = [&](size_t replaced) {
    std::error_code ignored;
    for (size_t j = 0; j < replaced; ++j) {
      const fs::path target = install_dir / files[j].second;
      if (kept[j].empty())
        fs::remove(target, ignored);
      else
        fs::rename(kept[j], target, ignored);
    }
    for (size_t j = replaced; j < files.size(); ++j)
      if (!kept[j].empty()) fs::remove(kept[j], ignored);
    drop_staged();
  };
  for (size_t i = 0; i < files.size(); ++i) {
    const fs::path target = install_dir / files[i].second;
    if (!fs::is_regular_file(target, ec)) continue;
    kept[i] = install_dir / (files[i].second + kKeptSuffix);
    fs::remove(kept[i], ec);
    fs::create_hard_link(target, kept[i], ec);
    if (ec) fs::copy_file(target, kept[i], fs::copy_options::overwrite_existing, ec);  // no hard links here
    if (ec) {
      kept[i].clear();
      undo(0);
      r.error = "Could not keep \"" + files[i].second + "\" while it is replaced: " + ec.message() +
                ". Nothing was installed.";
      return r;
    }
  }
  for (size_t i = 0; i < files.size(); ++i) {
    fs::rename(staged[i], install_dir / files[i].second, ec);
    if (ec) {
      r.error = "Could not replace \"" + files[i].second + "\": " + ec.message() + ". Nothing was installed.";
      undo(i);
      return r;
    }
  }
  for (const fs::path& k : kept)
    if (!k.empty()) fs::remove(k, ec);
  r.folder_deleted = fs::remove_all(r.search_dir, ec) > 0 && !ec;
  fs::remove(archive, ec);
  // The fetched version file never stays in the program folder: a file of
  // that name there is the program's own.
  r.installed = true;
  return r;
}

std::string RestartScriptText(const fs::path& install_dir, const std::string& exe_name, int64_t old_pid) {
  const std::string exe = ShellQuoted(exe_name);
  const std::string fresh = ShellQuoted(exe_name + "N");
  const std::string pid = std::to_string(old_pid);
  std::string s;
  s += "#!/bin/sh\n";
  s += "cd " + ShellQuoted(install_dir.string()) + " || exit 1\n";
  // Until the old program has ended, however long the user keeps it open:
  // giving up would leave the new files beside the old executable.
  s += "while kill -0 " + pid + " 2>/dev/null; do\n";
  s += "  sleep 0.2\n";
  s += "done\n";
  s += "if [ -f " + fresh + " ]; then mv -f " + fresh + " " + exe + " && chmod +x " + exe + "; fi\n";
  s += "nohup ./" + exe + " >/dev/null 2>&1 &\n";
  s += "rm -f \"$0\"\n";
  s += "exit 0\n";
  return s;
}

std::optional<fs::path> WriteRestartScript(const fs::path& exe_file, int64_t old_pid, std::string* error) {
  const fs::path script = exe_file.parent_path() / kRestartScriptName;
  if (!WriteFileAtomic(script, RestartScriptText(exe_file.parent_path(), exe_file.filename().string(), old_pid),
                       error))
    return std::nullopt;
  std::error_code ec;
  fs::permissions(script, fs::perms::owner_exec | fs::perms::group_exec, fs::perm_options::add, ec);
  return script;
}

bool DebuggerAttached() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("TracerPid:", 0) == 0) return std::strtol(line.c_str() + 10, nullptr, 10) != 0;
  return false;
}
