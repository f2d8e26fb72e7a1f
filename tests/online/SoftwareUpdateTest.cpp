// Version check, downloads from a loopback server, installing an unpacked
// release and the restart script run by a real shell.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "base/AtomicFile.h"
#include "online/SoftwareUpdate.h"
#include "online/UrlDownload.h"
#include "support/LunarListingText.h"
#include "support/PythonZip.h"
#include "support/TemporaryFolder.h"

namespace fs = std::filesystem;
extern char** environ;

namespace {

std::string Slurp(const fs::path& p) { return ReadWholeFile(p, 1 << 20).value_or("<missing>"); }

// Polls for up to ten seconds.
template <class Done>
bool WaitFor(Done done) {
  for (int i = 0; i < 200; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

// A program folder with two files of the old release and release 1.0.0.2
// unpacked beside it (a.txt, readme.txt, the program, z.txt).
struct UnpackedRelease {
  UnpackedRelease() {
    app.Write("tessary", "old program");
    app.Write("readme.txt", "old notes");
    fs::create_directories(unpacked);
    for (const char* name : {"a.txt", "readme.txt", "tessary", "z.txt"}) WriteFileAtomic(unpacked / name, "new");
  }
  TemporaryFolder app;
  const fs::path exe = app.Path() / "tessary";
  const fs::path archive = app.Write("tessary1002.zip", "archive bytes");
  const fs::path unpacked = UnpackedReleaseFolder(exe, "1.0.0.2");
};

// The old program: a process that runs until the test ends it, so a busy
// machine cannot let it end before the script is seen waiting for it.
struct OldProgram {
  OldProgram() {
    char sleep_arg[] = "sleep", long_time[] = "120";
    char* argv[] = {sleep_arg, long_time, nullptr};
    if (posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ) != 0) pid = -1;
  }
  ~OldProgram() {
    if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
  }
  bool End() {
    const bool ended = kill(pid, SIGTERM) == 0 && waitpid(pid, nullptr, 0) == pid;
    pid = -1;
    return ended;
  }
  pid_t pid = -1;
};

}  // namespace

TEST(SoftwareUpdate, VersionsCompareByTheirNumbers) {
  const struct {
    const char* a;
    const char* b;
    int expected;
  } rows[] = {
      {"1.0.0.1 Orvane", "1.0.0.1 Orvane", 0},  {"1.0.0.2 Orvane", "1.0.0.1 Orvane", 1},
      {"1.0.0.0 Orvane", "1.0.0.1 Orvane", -1}, {"1.0.0.10", "1.0.0.9", 1},  // textually smaller
      {"0.9.99.5", "1.0.0.1", -1},               {"1.0", "1.0.0.0", 0},
      {"2", "1.9.9.9", 1},                       {"1.0.0.1 Other", "1.0.0.1 Orvane", 0},
      {"", "1.0.0.1", -1},                       {"<html>", "0.0.0.1", -1},
  };
  for (const auto& r : rows) EXPECT_EQ(CompareVersions(r.a, r.b), r.expected) << r.a << " vs " << r.b;
}

TEST(SoftwareUpdate, VersionFileGivesTheStatusLines) {
  using Lines = std::vector<std::string>;
  // The same UTF-16 text with its units, mark included, byte-swapped.
  const auto BigEndian = [](std::string le) {
    for (size_t i = 0; i + 1 < le.size(); i += 2) std::swap(le[i], le[i + 1]);
    return le;
  };
  const Lines available = {"This program is Ver.1.0.0.1 Orvane.", "The newest version Ver.1.0.0.2 Orvane is available.",
                           "", "Do you need this update now?"};
  const Lines newest = {"This program is Ver.1.0.0.1 Orvane.",
                        "This program is the newest version. Update is not necessary."};
  const Lines failed = {"Failed in the access to Internet."};
  const Lines no_version = {"This program is Ver.1.0.0.1 Orvane.",
                            "The version file holds no version number; no update is offered."};
  const struct {
    std::optional<std::string> file;
    bool fetched, has_version, newer;
    Lines memo1;
  } rows[] = {
      {"1.0.0.2 Orvane\r\nNew: faster fits\r\n", true, true, true, available},
      {"\xEF\xBB\xBF" "1.0.0.2 Orvane\r\n", true, true, true, available},
      {"1.0.0.1 Orvane\n", true, true, false, newest},
      {"\xEF\xBB\xBF" "1.0.0.1 Orvane", true, true, false, newest},
      {"1.0.0.0 Orvane", true, true, false, newest},  // an older release is not offered
      {"", true, false, false, no_version},
      {"\xEF\xBB\xBF", true, false, false, no_version},
      {"\r\n1.0.0.2 Orvane", true, false, false, no_version},
      {std::nullopt, false, false, false, failed},
      // Saved as "Unicode" by a Windows editor: UTF-16 behind its mark.
      {Utf16LeFileBytes("1.0.0.2 Orvane\r\nNew: faster fits\r\n"), true, true, true, available},
      {BigEndian(Utf16LeFileBytes("1.0.0.2 Orvane\r\n")), true, true, true, available},
      {Utf16LeFileBytes("1.0.0.1 Orvane"), true, true, false, newest},
  };
  for (const auto& r : rows) {
    const VersionFileCheck c = CheckVersionFile(r.file);
    EXPECT_EQ(c.fetched, r.fetched) << r.file.value_or("<none>");
    EXPECT_EQ(c.has_version, r.has_version) << r.file.value_or("<none>");
    EXPECT_EQ(c.newer, r.newer) << r.file.value_or("<none>");
    EXPECT_EQ(c.memo1, r.memo1) << r.file.value_or("<none>");
    if (r.newer) {
      EXPECT_EQ(c.newest, "1.0.0.2 Orvane");
    }
  }
  EXPECT_EQ(VersionFileText(Utf16LeFileBytes("1.0.0.2 Orvane\r\nfits") + std::string("\xE9\0", 2)),
            "1.0.0.2 Orvane\r\nfits\xC3\xA9");
  EXPECT_EQ(VersionFileText("\xEF\xBB\xBF" "1.0.0.2"), "1.0.0.2");
  EXPECT_EQ(ReleaseArchiveName("1.0.0.2 Orvane"), "tessary1002 Orvane.zip");
  EXPECT_EQ(PercentEncode("tessary1002 Orvane.zip"), "tessary1002%20Orvane.zip");
  EXPECT_EQ(PercentEncode("a/b?c&d~e_f-g"), "a%2Fb%3Fc%26d~e_f-g");
}

TEST(SoftwareUpdate, DownloadsFromLoopbackServerAndFileUrls) {
  TemporaryFolder site, local;
  site.Write("info.txt", "1.0.0.2 Orvane\r\n");
  site.Write("tessary1002 Orvane.zip", std::string(100000, 'z'));
  LoopbackHttpServer server(site.Path());
  ASSERT_TRUE(server.Running());

  const fs::path dest = local.Path() / "got";
  std::string error;
  EXPECT_TRUE(DownloadUrlToFile(server.Url() + "info.txt", dest, &error)) << error;
  EXPECT_EQ(Slurp(dest), "1.0.0.2 Orvane\r\n");
  EXPECT_TRUE(DownloadUrlToFile(server.Url() + PercentEncode("tessary1002 Orvane.zip"), dest, &error)) << error;
  EXPECT_EQ(Slurp(dest).size(), 100000u);

  // A missing file is a failure, and what was there stays.
  EXPECT_FALSE(DownloadUrlToFile(server.Url() + "missing.txt", dest, &error));
  EXPECT_NE(error.find("404"), std::string::npos) << error;
  EXPECT_EQ(Slurp(dest).size(), 100000u);

  EXPECT_TRUE(DownloadUrlToFile("file://" + (site.Path() / "info.txt").string(), dest, &error)) << error;
  EXPECT_EQ(Slurp(dest), "1.0.0.2 Orvane\r\n");
  EXPECT_FALSE(DownloadUrlToFile("ftp://127.0.0.1/info.txt", dest, &error));
}

TEST(SoftwareUpdate, UnpackedReleaseIsCopiedOverTheProgramFolder) {
  TemporaryFolder app;
  const fs::path exe = app.Path() / "tessary";
  app.Write("tessary", "old program");
  app.Write("readme.txt", "old notes");
  app.Write("info.txt", "notes of the installed release");
  const fs::path archive = app.Write("tessary1002 Orvane.zip", "archive bytes");
  const fs::path unpacked = UnpackedReleaseFolder(exe, "1.0.0.2 Orvane");
  EXPECT_EQ(unpacked, app.Path() / "tessary1002 Orvane");
  fs::create_directories(unpacked / "plugins");
  WriteFileAtomic(unpacked / "tessary", "new program");
  WriteFileAtomic(unpacked / "readme.txt", "new notes");
  WriteFileAtomic(unpacked / "plugins" / "p.txt", "not copied");

  const InstallResult r = InstallUnpackedRelease(exe, "1.0.0.2 Orvane", archive);
  EXPECT_TRUE(r.installed) << r.error;
  EXPECT_TRUE(r.folder_deleted);
  EXPECT_EQ(Slurp(exe), "old program");
  EXPECT_EQ(Slurp(app.Path() / "tessaryN"), "new program");
  EXPECT_EQ(Slurp(app.Path() / "readme.txt"), "new notes");
  EXPECT_FALSE(fs::exists(app.Path() / "plugins"));
  EXPECT_FALSE(fs::exists(unpacked));
  EXPECT_FALSE(fs::exists(archive));
  // Not the fetched version file, which never stays: the program folder's own.
  EXPECT_EQ(Slurp(app.Path() / "info.txt"), "notes of the installed release");
}

TEST(SoftwareUpdate, FailedCopyInstallsNothing) {
  UnpackedRelease release;
  const auto& [app, exe, archive, unpacked] = release;
  // A folder where one copy has to go makes that copy fail.
  fs::create_directories(app.Path() / "z.txt.update-part" / "x");

  const InstallResult r = InstallUnpackedRelease(exe, "1.0.0.2", archive);
  EXPECT_FALSE(r.installed);
  EXPECT_NE(r.error.find("Could not copy \"z.txt\""), std::string::npos) << r.error;
  EXPECT_EQ(Slurp(app.Path() / "readme.txt"), "old notes");
  EXPECT_FALSE(fs::exists(app.Path() / "tessaryN"));
  EXPECT_FALSE(fs::exists(app.Path() / "a.txt"));
  EXPECT_FALSE(fs::exists(app.Path() / "a.txt.update-part"));
  EXPECT_TRUE(fs::exists(unpacked));
  EXPECT_TRUE(fs::exists(archive));

  fs::remove_all(unpacked);
  EXPECT_EQ(InstallUnpackedRelease(exe, "1.0.0.2", archive).error, "No program files were unpacked from the archive.");
}

// Every copy succeeds but the last file cannot take its place (a folder
// holds its name): the files replaced before it are put back, and nothing of
// the new release is left in the program folder.
TEST(SoftwareUpdate, FailedReplacementPutsTheOldFilesBack) {
  UnpackedRelease release;
  const auto& [app, exe, archive, unpacked] = release;
  fs::create_directories(app.Path() / "z.txt" / "x");

  const InstallResult r = InstallUnpackedRelease(exe, "1.0.0.2", archive);
  EXPECT_FALSE(r.installed);
  EXPECT_EQ(r.error.rfind("Could not replace \"z.txt\": ", 0), 0u) << r.error;
  EXPECT_NE(r.error.find("Nothing was installed."), std::string::npos) << r.error;
  EXPECT_EQ(Slurp(app.Path() / "readme.txt"), "old notes");
  EXPECT_EQ(Slurp(exe), "old program");
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(app.Path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"readme.txt", "tessary", "tessary1002", "tessary1002.zip", "z.txt"}));
}

// The unpacked files carry no permissions of their own: a file replaced in
// the program folder keeps the permissions it had (a helper program stays
// executable), a file new to the folder keeps those it was unpacked with.
TEST(SoftwareUpdate, ReplacedFilesKeepTheirPermissions) {
  UnpackedRelease release;
  const auto& [app, exe, archive, unpacked] = release;
  using P = fs::perms;
  const struct {
    const char* name;
    bool existed;
    P before;  // in the program folder
    P after;
  } rows[] = {
      {"z.txt", true, P::owner_all | P::group_read | P::group_exec | P::others_read | P::others_exec,
       P::owner_all | P::group_read | P::group_exec | P::others_read | P::others_exec},
      {"readme.txt", true, P::owner_read | P::owner_write, P::owner_read | P::owner_write},
      {"a.txt", false, P::none, P::owner_read | P::owner_write | P::group_read | P::others_read},
  };
  for (const auto& r : rows) {
    if (!r.existed) continue;
    app.Write(r.name, "old");
    fs::permissions(app.Path() / r.name, r.before, fs::perm_options::replace);
  }
  fs::permissions(unpacked / "a.txt", rows[2].after, fs::perm_options::replace);

  const InstallResult result = InstallUnpackedRelease(exe, "1.0.0.2", archive);
  ASSERT_TRUE(result.installed) << result.error;
  for (const auto& r : rows) {
    EXPECT_EQ(Slurp(app.Path() / r.name), "new") << r.name;
    EXPECT_EQ(fs::status(app.Path() / r.name).permissions() & P::all, r.after) << r.name;
  }
}

TEST(SoftwareUpdate, RestartScriptWaitsSwapsStartsAndDeletesItself) {
  TemporaryFolder app;
  const fs::path exe = app.Path() / "it's here" / "tessary";
  fs::create_directories(exe.parent_path());
  WriteFileAtomic(exe, "#!/bin/sh\necho old > started.txt\n");
  WriteFileAtomic(exe.parent_path() / "tessaryN", "#!/bin/sh\necho new > started.txt\n");

  OldProgram old_program;
  ASSERT_GT(old_program.pid, 0);
  std::string error;
  const auto script = WriteRestartScript(exe, old_program.pid, &error);
  ASSERT_TRUE(script) << error;
  EXPECT_EQ(script->filename(), "restart.sh");
  ASSERT_EQ(std::system(("/bin/sh \"" + script->string() + "\" &").c_str()), 0);

  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(fs::exists(exe.parent_path() / "started.txt")) << "did not wait for the old program";
  ASSERT_TRUE(old_program.End());
  ASSERT_TRUE(WaitFor([&] { return Slurp(exe.parent_path() / "started.txt") == "new\n"; }));
  EXPECT_EQ(Slurp(exe), "#!/bin/sh\necho new > started.txt\n");
  EXPECT_FALSE(fs::exists(exe.parent_path() / "tessaryN"));
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(*script); }));
}

// The user may keep the program open after the update (closing was cancelled
// to save results first): the swap must still happen when it finally ends,
// however long that takes. A stand-in for `sleep` counts the script's polls
// and lets them run fast.
TEST(SoftwareUpdate, RestartScriptWaitsAsLongAsTheOldProgramRuns) {
  TemporaryFolder app;
  const fs::path exe = app.Path() / "tessary";
  WriteFileAtomic(exe, "#!/bin/sh\necho old > started.txt\n");
  WriteFileAtomic(app.Path() / "tessaryN", "#!/bin/sh\necho new > started.txt\n");
  const fs::path bin = app.Path() / "bin";
  const fs::path polls = app.Path() / "polls";
  fs::create_directories(bin);
  WriteFileAtomic(bin / "sleep", "#!/bin/sh\necho >> '" + polls.string() + "'\n");
  fs::permissions(bin / "sleep", fs::perms::owner_all);

  OldProgram old_program;
  ASSERT_GT(old_program.pid, 0);
  std::string error;
  const auto script = WriteRestartScript(exe, old_program.pid, &error);
  ASSERT_TRUE(script) << error;
  ASSERT_EQ(std::system(("PATH='" + bin.string() + "':\"$PATH\" /bin/sh '" + script->string() + "' &").c_str()), 0);

  // More polls than five minutes of real ones.
  EXPECT_TRUE(WaitFor([&] { return fs::exists(polls) && fs::file_size(polls) > 1600; }));
  EXPECT_TRUE(fs::exists(*script));
  EXPECT_FALSE(fs::exists(app.Path() / "started.txt"));
  ASSERT_TRUE(old_program.End());
  ASSERT_TRUE(WaitFor([&] { return Slurp(app.Path() / "started.txt") == "new\n"; }));
  EXPECT_EQ(Slurp(exe), "#!/bin/sh\necho new > started.txt\n");
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(*script); }));
}
