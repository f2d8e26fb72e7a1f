// The update, map, browser and index windows, driven through their controls.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <chrono>
#include <thread>
#include <atomic>
#include <functional>

#include "base/AtomicFile.h"
#include "base/ui/DialogService.h"
#include "online/MapPage.h"
#include "online/ui/TBrowser1.h"
#include "online/ui/TDataViewer.h"
#include "online/ui/TMap.h"
#include "online/ui/TWebAccess.h"
#include "online/ui/WebBrowserControl.h"
#include "support/LunarListingText.h"
#include "support/PythonZip.h"
#include "support/ShellCommand.h"
#include "support/TemporaryFolder.h"

namespace fs = std::filesystem;
extern char** environ;

namespace {

std::string Slurp(const fs::path& p) { return ReadWholeFile(p, 1 << 20).value_or("<missing>"); }

QStringList Lines(QPlainTextEdit* memo) { return memo->toPlainText().split('\n'); }

template <class T>
T* Child(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}

template <class Done>
bool WaitFor(Done done) {
  for (int i = 0; i < 200; ++i) {
    QApplication::processEvents();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

// Records what would go to the system browser.
struct OpenedUrls {
  std::vector<QUrl> urls;
  ScopedUrlOpener opener{[this](const QUrl& url) {
    urls.push_back(url);
    return true;
  }};
};

const GpsStation kTokyoWest{"07", "1.2", "12:34:56", "3542.5990 N", "13948.6422 W", "21.5 m MSL", "39.2 m"};

const char* const kNewProgram = "#!/bin/sh\necho new > started.txt\n";

// A program folder with an old release, a download site with a newer one.
struct UpdateSetup {
  TemporaryFolder app{"tessary-app"}, site{"tessary-site"};
  fs::path exe = app.Path() / "tessary";
  std::vector<std::string> opened_scripts;
  bool script_starts = true;  // false: the system refuses to start the restart script
  bool ended = false;
  ScriptedDialogService dialogs;
  ScopedDialogService scoped{dialogs};

  explicit UpdateSetup(const std::string& version = "1.0.0.2 Orvane") {
    app.Write("tessary", "#!/bin/sh\necho old > started.txt\n");
    app.Write("readme.txt", "old notes");
    site.Write("info.txt", version + "\r\nFaster fits.\r\n");
  }
  void Release(std::vector<PyZipMember> members = {{"tessary", kNewProgram},
                                                    {"readme.txt", "new notes"},
                                                    {"plugins/", ""},
                                                    {"plugins/p.txt", "stays unpacked"}}) {
    MakePythonZip(site.Path() / "tessary1002 Orvane.zip", members);
  }
  WebAccessOptions Options(const std::string& folder, bool run_script) {
    WebAccessOptions o;
    o.ExeFile = exe;
    o.FolderUrl = folder;
    o.EndProgram = [this] { ended = true; };
    if (!run_script)
      o.StartScript = [this](const fs::path& p) {
        opened_scripts.push_back(p.string());
        return script_starts;
      };
    return o;
  }
  std::string FileFolder() const { return "file://" + site.Path().string() + "/"; }
};

}  // namespace

TEST(WebAccess, VersionCheckOnOpening) {
  const QString no_version = "The version file holds no version number; no update is offered.";
  const struct {
    const char* version;  // nullptr: no version file
    QStringList memo1;
    bool update_enabled;
  } rows[] = {
      {"1.0.0.1 Orvane",
       {"This program is Ver.1.0.0.1 Orvane.", "This program is the newest version. Update is not necessary."},
       false},
      {"1.0.0.0 Orvane",
       {"This program is Ver.1.0.0.1 Orvane.", "This program is the newest version. Update is not necessary."},
       false},
      {"1.0.0.2 Orvane",
       {"This program is Ver.1.0.0.1 Orvane.", "The newest version Ver.1.0.0.2 Orvane is available.", "",
        "Do you need this update now?"},
       true},
      {"\xEF\xBB\xBF" "1.0.0.2 Orvane",
       {"This program is Ver.1.0.0.1 Orvane.", "The newest version Ver.1.0.0.2 Orvane is available.", "",
        "Do you need this update now?"},
       true},
      {"", {"This program is Ver.1.0.0.1 Orvane.", no_version}, false},
      {"<html>Not Found</html>", {"This program is Ver.1.0.0.1 Orvane.", no_version}, false},
      {nullptr, {"Failed in the access to Internet."}, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.version ? r.version : "<none>");
    UpdateSetup u(r.version ? r.version : "");
    if (!r.version) fs::remove(u.site.Path() / "info.txt");
    if (r.version && !*r.version) u.site.Write("info.txt", "");
    QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
    EXPECT_EQ(w->windowTitle(), "Automatic software update");
    EXPECT_EQ(Lines(Child<QPlainTextEdit>(w, "Memo1")), r.memo1);
    EXPECT_EQ(Child<QPushButton>(w, "Button1")->isEnabled(), r.update_enabled);
    if (r.version && *r.version) {
      EXPECT_EQ(Child<QPlainTextEdit>(w, "Memo2")->toPlainText(),
                QString::fromUtf8(r.version) + "\nFaster fits.\n");
    }
    EXPECT_FALSE(fs::exists(u.app.Path() / "info.txt"));
    Child<QPushButton>(w, "Button2")->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
  }
}

// A version file saved as "Unicode" by a Windows editor offers its release,
// whose archive is then fetched under the version's name.
TEST(WebAccess, Utf16VersionFileOffersTheRelease) {
  UpdateSetup u;
  u.Release();
  u.site.Write("info.txt", Utf16LeFileBytes("1.0.0.2 Orvane\r\nFaster fits.\r\n"));
  QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
  EXPECT_EQ(Lines(Child<QPlainTextEdit>(w, "Memo1")),
            (QStringList{"This program is Ver.1.0.0.1 Orvane.", "The newest version Ver.1.0.0.2 Orvane is available.",
                         "", "Do you need this update now?"}));
  EXPECT_EQ(Child<QPlainTextEdit>(w, "Memo2")->toPlainText(), "1.0.0.2 Orvane\nFaster fits.\n");
  auto* update = Child<QPushButton>(w, "Button1");
  ASSERT_TRUE(update->isEnabled());
  update->click();
  EXPECT_TRUE(u.ended);
  EXPECT_EQ(Slurp(u.app.Path() / "tessaryN"), kNewProgram);
  delete w.data();
}

TEST(WebAccess, ProgramFolderThatCannotBeWrittenIsNotReportedAsAnInternetFailure) {
  UpdateSetup u;
  WebAccessOptions o = u.Options(u.FileFolder(), false);
  o.ExeFile = u.app.Path() / "gone" / "tessary";  // a folder nothing can be stored in
  QPointer<TWebAccess> w = new TWebAccess(o);
  const QStringList memo = Lines(Child<QPlainTextEdit>(w, "Memo1"));
  ASSERT_EQ(memo.size(), 1);
  EXPECT_TRUE(memo[0].startsWith("The version file was fetched but cannot be stored in the program folder"));
  EXPECT_FALSE(Child<QPushButton>(w, "Button1")->isEnabled());
  delete w.data();
}

// A page far too large for a version file (a portal's page answering for the
// site) did arrive: the access to the Internet did not fail.
TEST(WebAccess, OversizedVersionFileIsNotReportedAsAnInternetFailure) {
  UpdateSetup u;
  u.site.Write("info.txt", "1.0.0.2 Orvane\n" + std::string(1 << 20, 'x'));
  QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
  EXPECT_EQ(Lines(Child<QPlainTextEdit>(w, "Memo1")),
            QStringList{"The version file is larger than 1 MB, so it is no version file; no update is offered."});
  EXPECT_FALSE(Child<QPushButton>(w, "Button1")->isEnabled());
  EXPECT_FALSE(fs::exists(u.app.Path() / "info.txt"));
  delete w.data();
}

TEST(WebAccess, UpdateFromLoopbackServerSwapsTheProgramThroughTheScript) {
  UpdateSetup u;
  u.Release();
  LoopbackHttpServer server(u.site.Path());
  ASSERT_TRUE(server.Running());
  pid_t old_pid = -1;  // stands for the running program
  char sleep_arg[] = "sleep", wait_s[] = "0.5";
  char* argv[] = {sleep_arg, wait_s, nullptr};
  ASSERT_EQ(posix_spawnp(&old_pid, "sleep", nullptr, nullptr, argv, environ), 0);
  WebAccessOptions o = u.Options(server.Url(), true);
  o.OldProcessId = old_pid;
  QPointer<TWebAccess> w = new TWebAccess(o);
  auto* update = Child<QPushButton>(w, "Button1");
  ASSERT_TRUE(update->isEnabled());
  update->click();

  const QStringList memo = Lines(Child<QPlainTextEdit>(w, "Memo1"));
  EXPECT_EQ(memo.mid(4), (QStringList{"Updating now.", QString::fromStdString(server.Url()) + "tessary1002%20Orvane.zip",
                                      QString::fromStdString("SearchDir: " + u.app.File("tessary1002 Orvane") + "/")}));
  EXPECT_TRUE(u.dialogs.messages.empty());
  EXPECT_TRUE(u.ended);
  EXPECT_EQ(Slurp(u.app.Path() / "readme.txt"), "new notes");
  EXPECT_FALSE(fs::exists(u.app.Path() / "plugins"));
  EXPECT_FALSE(fs::exists(u.app.Path() / "tessary1002 Orvane"));
  EXPECT_FALSE(fs::exists(u.app.Path() / "tessary1002 Orvane.zip"));

  int status = 0;
  waitpid(old_pid, &status, 0);
  ASSERT_TRUE(WaitFor([&] { return Slurp(u.app.Path() / "started.txt") == "new\n"; }));
  EXPECT_EQ(Slurp(u.exe), kNewProgram);
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(u.app.Path() / "restart.sh"); }));
  delete w.data();
}

namespace {

// What an attempt stopped by a damaged member leaves in the program folder.
void LeaveHalfUnpackedRelease(const UpdateSetup& u) {
  fs::create_directories(u.app.Path() / "tessary1002 Orvane");
  u.app.Write("tessary1002 Orvane/readme.txt", "half unpacked notes");
}

}  // namespace

// A release packed through a pipe by a newer Python carries ZIP64 data
// descriptors; it installs like any other.
TEST(WebAccess, ReleaseStreamedWithZip64DescriptorsInstalls) {
  UpdateSetup u;
  MakePythonZip(u.site.Path() / "tessary1002 Orvane.zip", {{"tessary", kNewProgram}, {"readme.txt", "new notes"}},
                PyZipLayout::StreamedZip64);
  QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
  Child<QPushButton>(w, "Button1")->click();
  EXPECT_TRUE(u.dialogs.messages.empty());
  EXPECT_EQ(u.opened_scripts.size(), 1u);
  EXPECT_EQ(Slurp(u.app.Path() / "readme.txt"), "new notes");
  EXPECT_EQ(Slurp(u.app.Path() / "tessaryN"), kNewProgram);
  delete w.data();
}

TEST(WebAccess, BrokenReleasesStopBeforeTheScript) {
  const struct {
    const char* what;
    std::function<void(UpdateSetup&)> spoil;
    QString message;
  } rows[] = {
      {"changed CRC",
       [](UpdateSetup& u) {
         const fs::path zip = u.site.Path() / "tessary1002 Orvane.zip";
         std::string bytes = Slurp(zip);
         bytes[14] = static_cast<char>(bytes[14] ^ 1);
         WriteFileAtomic(zip, bytes);
       },
       "CRC Error in \"tessary\"."},
      {"member outside the folder",
       [](UpdateSetup& u) { u.Release({{"readme.txt", "x"}, {"../../evil.txt", "x"}}); },
       "The member name \"../../evil.txt\" leads outside the folder; the archive is refused."},
      {"missing archive", [](UpdateSetup& u) { fs::remove(u.site.Path() / "tessary1002 Orvane.zip"); },
       "Fail to download"},
      {"empty archive", [](UpdateSetup& u) { u.Release({}); },
       "No program files were unpacked from the archive."},
      // A refused earlier attempt leaves what it unpacked; that is no release.
      {"empty archive beside a half-unpacked earlier attempt",
       [](UpdateSetup& u) {
         u.Release({});
         LeaveHalfUnpackedRelease(u);
       },
       "No program files were unpacked from the archive."},
      {"web page instead of the archive beside a half-unpacked earlier attempt",
       [](UpdateSetup& u) {
         u.site.Write("tessary1002 Orvane.zip", "<html><body>Please log in</body></html>");
         LeaveHalfUnpackedRelease(u);
       },
       "No program files were unpacked from the archive."},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    UpdateSetup u;
    u.Release();
    r.spoil(u);
    QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
    Child<QPushButton>(w, "Button1")->click();
    ASSERT_EQ(u.dialogs.messages.size(), 1u);
    EXPECT_EQ(u.dialogs.messages[0].text, r.message);
    EXPECT_FALSE(u.ended);
    EXPECT_TRUE(u.opened_scripts.empty());
    EXPECT_FALSE(fs::exists(u.app.Path() / "restart.sh"));
    EXPECT_FALSE(fs::exists(u.app.Path() / "tessaryN"));
    EXPECT_EQ(Slurp(u.app.Path() / "readme.txt"), "old notes");
    delete w.data();
  }
}

TEST(WebAccess, ScriptThatCannotBeStartedKeepsTheProgramOpen) {
  UpdateSetup u;
  u.Release();
  u.script_starts = false;
  QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
  w->show();
  Child<QPushButton>(w, "Button1")->click();
  ASSERT_EQ(u.opened_scripts.size(), 1u);
  EXPECT_FALSE(u.ended);
  ASSERT_EQ(u.dialogs.messages.size(), 1u);
  EXPECT_TRUE(u.dialogs.messages[0].text.contains("could not be started"));
  EXPECT_TRUE(Lines(Child<QPlainTextEdit>(w, "Memo1")).last().contains("could not be started"));
  EXPECT_TRUE(w->isVisible());
  // The new release waits beside the old program for the script.
  EXPECT_EQ(Slurp(u.app.Path() / "tessaryN"), kNewProgram);
  EXPECT_TRUE(fs::exists(u.app.Path() / "restart.sh"));
  delete w.data();
}

// The script is the last step that can fail for want of disk space; failing
// after the files were replaced would leave new files beside the old program.
TEST(WebAccess, ScriptThatCannotBeWrittenInstallsNothing) {
  for (const char* button : {"Button1", "Button3"}) {
    SCOPED_TRACE(button);
    UpdateSetup u;
    u.Release();
    fs::create_directories(u.app.Path() / "restart.sh" / "blocked");
    QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
    Child<QPushButton>(w, button)->click();
    ASSERT_FALSE(u.dialogs.messages.empty());
    EXPECT_TRUE(u.dialogs.messages.back().text.startsWith("The restart script could not be written"));
    EXPECT_FALSE(u.ended);
    EXPECT_TRUE(u.opened_scripts.empty());
    EXPECT_EQ(Slurp(u.app.Path() / "readme.txt"), "old notes");
    EXPECT_FALSE(fs::exists(u.app.Path() / "tessaryN"));
    delete w.data();
  }
}

// A program renamed like the folder its release unpacks into is not taken
// for a folder left by an earlier attempt.
TEST(WebAccess, ProgramNamedLikeTheUnpackFolderIsKept) {
  UpdateSetup u("1.0.0.2");
  u.exe = u.app.Path() / "tessary1002";
  u.app.Write("tessary1002", "old program");
  MakePythonZip(u.site.Path() / "tessary1002.zip", {{"tessary1002", kNewProgram}});
  QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
  Child<QPushButton>(w, "Button1")->click();
  EXPECT_EQ(Slurp(u.exe), "old program");
  EXPECT_FALSE(u.ended);
  EXPECT_EQ(u.dialogs.messages.size(), 1u);
  delete w.data();
}

TEST(WebAccess, ReleaseFileNamedLikeTheScriptDoesNotReplaceIt) {
  UpdateSetup u;
  u.Release({{"tessary", kNewProgram}, {"restart.sh", "#!/bin/sh\necho shipped\n"}});
  QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
  Child<QPushButton>(w, "Button1")->click();
  ASSERT_EQ(u.opened_scripts.size(), 1u);
  EXPECT_NE(Slurp(u.opened_scripts[0]).find("mv -f 'tessaryN' 'tessary'"), std::string::npos);
  EXPECT_TRUE(u.ended);
  delete w.data();
}

// A release may ship its own "info.txt": it is installed like any other file,
// not removed afterwards as if it were the fetched version file. Both buttons.
TEST(WebAccess, ReleaseFileNamedLikeTheVersionFileStaysInstalled) {
  for (const char* button : {"Button1", "Button3"}) {
    SCOPED_TRACE(button);
    UpdateSetup u;
    u.Release({{"tessary", kNewProgram}, {"info.txt", "Release notes of 1.0.0.2"}});
    QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
    Child<QPushButton>(w, button)->click();
    EXPECT_TRUE(u.ended);
    EXPECT_EQ(Slurp(u.app.Path() / "info.txt"), "Release notes of 1.0.0.2");
    delete w.data();
  }
  // Without one in the release the fetched version file is not left behind.
  UpdateSetup u;
  u.Release();
  QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
  Child<QPushButton>(w, "Button3")->click();
  EXPECT_TRUE(u.ended);
  EXPECT_FALSE(fs::exists(u.app.Path() / "info.txt"));
  delete w.data();
}

// The program folder's own "info.txt" (shipped by the installed release, or
// the user's) is not the fetched version file: checking for an update, a check
// that finds nothing newer, and an update whose release ships no such file
// all leave it as it was.
TEST(WebAccess, ProgramFolderInfoFileSurvivesTheVersionCheckAndTheUpdate) {
  const char* const own = "Release notes of 1.0.0.1";
  const struct {
    const char* version;
    const char* button;  // nullptr: only opened and closed
  } rows[] = {{"1.0.0.2 Orvane", nullptr}, {"1.0.0.1 Orvane", nullptr}, {"1.0.0.1 Orvane", "Button3"},
              {"1.0.0.2 Orvane", "Button1"}, {"1.0.0.2 Orvane", "Button3"}};
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.version) + " " + (r.button ? r.button : "opened"));
    UpdateSetup u(r.version);
    u.Release();
    u.app.Write("info.txt", own);
    QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
    EXPECT_EQ(Lines(Child<QPlainTextEdit>(w, "Memo2"))[0], r.version);
    EXPECT_EQ(Slurp(u.app.Path() / "info.txt"), own);
    if (r.button) {
      Child<QPushButton>(w, r.button)->click();
      EXPECT_EQ(u.ended, std::string(r.version) == "1.0.0.2 Orvane");
      EXPECT_EQ(Slurp(u.app.Path() / "info.txt"), own);
    }
    delete w.data();
  }
}

TEST(WebAccess, HiddenOneStepButtonAlsoGoesThroughTheScript) {
  UpdateSetup u;
  u.Release();
  QPointer<TWebAccess> w = new TWebAccess(u.Options(u.FileFolder(), false));
  auto* one_step = Child<QPushButton>(w, "Button3");
  EXPECT_FALSE(one_step->isVisibleTo(w));
  one_step->click();
  ASSERT_EQ(u.dialogs.messages.size(), 1u);
  EXPECT_EQ(u.dialogs.messages[0].text, QString::fromUtf8("ダウンロード成功"));
  const QStringList memo = Lines(Child<QPlainTextEdit>(w, "Memo1"));
  const QString folder = QString::fromStdString(u.app.File("tessary1002 Orvane") + "/");
  EXPECT_EQ(memo.mid(memo.size() - 3), (QStringList{"SearchDir: " + folder, "DirectoryExists: " + folder,
                                                    "Directory Deleted"}));
  // The running program is left alone; the script swaps it after the end.
  EXPECT_EQ(Slurp(u.exe), "#!/bin/sh\necho old > started.txt\n");
  EXPECT_EQ(Slurp(u.app.Path() / "tessaryN"), kNewProgram);
  ASSERT_EQ(u.opened_scripts.size(), 1u);
  EXPECT_EQ(u.opened_scripts[0], u.app.File("restart.sh"));
  EXPECT_NE(Slurp(u.app.Path() / "restart.sh").find("mv -f 'tessaryN' 'tessary'"), std::string::npos);
  EXPECT_TRUE(u.ended);
  delete w.data();
}

TEST(MapWindow, ShowsTheStationPageAndGpsLines) {
  ScopedWebEngineOff off("no helper program");
  OpenedUrls outside;
  std::vector<QUrl>& opened = outside.urls;
  GpsStation st = kTokyoWest;
  QPointer<TMap> map = new TMap(st, 0);
  EXPECT_EQ(map->windowTitle(), "Map");
  const QStringList page = Lines(Child<QPlainTextEdit>(map, "Memo1"));
  ASSERT_EQ(page.size(), 33);
  EXPECT_EQ(page[13], "      var latlng = new google.maps.LatLng(35.709983,-139.810703);");
  EXPECT_EQ(Lines(Child<QPlainTextEdit>(map, "Memo2")),
            (QStringList{"Satellites : 07   HDOP : 1.2", "UTC        : 12:34:56",
                         "Latitude   :   35o 42' 35.94\" N   (3542.5990 N)",
                         "Longitude  : -139o 48' 38.53\" W   (13948.6422 W)", "Altitude   : 21.5 m MSL",
                         "WGSSeparation : 39.2 m"}));
  ASSERT_EQ(opened.size(), 1u);
  ASSERT_TRUE(opened[0].isLocalFile());
  const std::string html = Slurp(opened[0].toLocalFile().toStdString());
  EXPECT_NE(html.find("position: new google.maps.LatLng(35.709983,-139.810703),\r\n"), std::string::npos);
  EXPECT_TRUE(Child<TWebBrowserControl>(map, "WebBrowser1")
                  ->NoteText()
                  .startsWith("The web engine cannot start on this machine (no helper program); pages open in the "
                              "system browser."));
  EXPECT_EQ(map->WebBrowser1->View(), nullptr);
  map->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(map.isNull());
  EXPECT_FALSE(fs::exists(opened[0].toLocalFile().toStdString()));

  st.latitude = "35.7 N";
  QPointer<TMap> empty = new TMap(st, 0);
  EXPECT_EQ(Lines(Child<QPlainTextEdit>(empty, "Memo2")).last(), kNoPositionNote);
  EXPECT_EQ(Child<QPlainTextEdit>(empty, "Memo1")->toPlainText().indexOf("1000"), -1);
  delete empty.data();
}

// The page file as another reader sees it: Python's XML parser reads it, and
// the centre and marker are worked out again from the GPS texts with decimal
// arithmetic (poles, date line, every hemisphere).
TEST(MapWindow, WrittenPageReadsBackThroughAnXmlParser) {
  ScopedWebEngineOff off("no helper program");
  const char* const check =
      "import sys, re, xml.dom.minidom\n"
      "from decimal import Decimal, ROUND_HALF_UP\n"
      "doc = xml.dom.minidom.parse(sys.argv[1])\n"
      "js = ''.join(n.data for s in doc.getElementsByTagName('script') for n in s.childNodes)\n"
      "def deg(t):\n"
      "    v = Decimal(t[:-2]); d = int(v / 100); x = d + (v - 100 * d) / 60\n"
      "    x = -x if t[-1] in 'SW' else x\n"
      "    return str(x.quantize(Decimal('0.000001'), ROUND_HALF_UP))\n"
      "want = (deg(sys.argv[2]), deg(sys.argv[3]))\n"
      "got = re.findall(r'LatLng\\(([^,]*),([^)]*)\\)', js)\n"
      "print('ok' if got == [want, want] else 'got %s want %s' % (got, want), end='')\n";
  TemporaryFolder tmp;
  const std::string script = tmp.Write("check.py", check);
  const struct {
    const char *lat, *lng;
  } rows[] = {
      {"3542.5990 N", "13948.6422 W"}, {"9000.0000 N", "18000.0000 E"}, {"9000.0000 S", "18000.0000 W"},
      {"0000.0001 S", "00000.0001 W"}, {"8959.9999 S", "17959.9999 E"}, {"0130.0000 N", "00045.0000 W"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.lat);
    OpenedUrls opened;
    GpsStation st = kTokyoWest;
    st.latitude = r.lat;
    st.longitude = r.lng;
    QPointer<TMap> map = new TMap(st, 0);
    ASSERT_EQ(opened.urls.size(), 1u);
    const std::string page = opened.urls[0].toLocalFile().toStdString();
    EXPECT_EQ(CommandOutput("/usr/bin/python3 '" + script + "' '" + page + "' '" + r.lat + "' '" + r.lng + "' 2>&1"),
              "ok");
    delete map.data();
  }
}

// Another user of the machine can plant links in the shared temporary folder
// under the names a page file would take: the page must never be written
// through one of them into a file of the user's.
TEST(MapWindow, PageFileIsNeverWrittenThroughAPlantedLink) {
  ScopedWebEngineOff off("no helper program");
  OpenedUrls outside;
  TemporaryFolder tmp;
  struct RestoreTmpdir {
    bool was_set = qEnvironmentVariableIsSet("TMPDIR");
    QByteArray value = qgetenv("TMPDIR");
    ~RestoreTmpdir() { was_set ? qputenv("TMPDIR", value) : qunsetenv("TMPDIR"); }
  } restore_tmpdir;
  qputenv("TMPDIR", QByteArray::fromStdString(tmp.Path().string()));
  const std::string victim = tmp.Write("victim.txt", "the user's own file\n");
  const std::string pid = std::to_string(QCoreApplication::applicationPid());
  for (int n = 0; n <= 500; ++n)
    fs::create_symlink(victim, tmp.Path() / ("tessary-page-" + pid + "-" + std::to_string(n) + ".html"));
  QPointer<TMap> map = new TMap(kTokyoWest, 0);
  EXPECT_EQ(Slurp(victim), "the user's own file\n");
  ASSERT_EQ(outside.urls.size(), 1u);
  const fs::path page = outside.urls[0].toLocalFile().toStdString();
  EXPECT_EQ(page.parent_path(), tmp.Path());
  EXPECT_FALSE(fs::is_symlink(page));
  EXPECT_NE(Slurp(page).find("google.maps.LatLng(35.709983,-139.810703)"), std::string::npos);
  delete map.data();
  EXPECT_FALSE(fs::exists(page));
  EXPECT_EQ(Slurp(victim), "the user's own file\n");
}

TEST(BrowserWindow, ToolBarWalksTheHistoryInTheSystemBrowser) {
  ScopedWebEngineOff off("no helper program");
  std::vector<QString> opened;
  ScopedUrlOpener opener([&](const QUrl& url) {
    opened.push_back(url.toString());
    return true;
  });
  QPointer<TBrowser1> b = new TBrowser1;
  EXPECT_EQ(b->windowTitle(), "Browser1");
  auto* back = Child<QToolButton>(b, "BackButton");
  auto* forward = Child<QToolButton>(b, "ForwardButton");
  auto* edit = Child<QLineEdit>(b, "Edit1");
  auto* go = Child<QToolButton>(b, "NavigateButton");
  EXPECT_EQ(edit->text(), "Edit1");
  EXPECT_FALSE(back->isEnabled());
  EXPECT_FALSE(forward->isEnabled());
  back->click();  // disabled: nothing happens, no error
  EXPECT_TRUE(opened.empty());

  edit->setText("http://127.0.0.1:9/first");
  go->click();
  edit->setText("http://127.0.0.1:9/second");
  go->click();
  EXPECT_TRUE(back->isEnabled());
  EXPECT_FALSE(forward->isEnabled());
  back->click();
  EXPECT_FALSE(back->isEnabled());
  EXPECT_TRUE(forward->isEnabled());
  Child<QToolButton>(b, "RefreshButton")->click();
  forward->click();
  Child<QToolButton>(b, "StopButton")->click();
  Child<QToolButton>(b, "HomeButton")->click();  // about:blank opens nothing outside
  EXPECT_EQ(opened, (std::vector<QString>{"http://127.0.0.1:9/first", "http://127.0.0.1:9/second",
                                          "http://127.0.0.1:9/first", "http://127.0.0.1:9/first",
                                          "http://127.0.0.1:9/second"}));
  EXPECT_TRUE(back->isEnabled());
  EXPECT_FALSE(forward->isEnabled());
  b->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(b.isNull());
}

// A local page that is not there is not handed to the system browser as if
// it had opened: the note says it is missing.
TEST(BrowserWindow, MissingLocalPageIsNamedNotHandedOn) {
  ScopedWebEngineOff off("no helper program");
  OpenedUrls opened;
  TemporaryFolder tmp;
  tmp.Write("index.html", "<html><body>Index</body></html>");
  const std::string missing = tmp.File("gone/index.html");
  const struct {
    std::string typed;
    QString note_end;  // the note's last line
    bool handed_on;
  } rows[] = {
      {missing, QString::fromStdString("The page could not be opened: " + missing + " does not exist."), false},
      {"file://" + missing, QString::fromStdString("The page could not be opened: " + missing + " does not exist."),
       false},
      {tmp.File("index.html"),
       QString::fromStdString("Opened in the system browser: file://" + tmp.File("index.html")), true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.typed);
    opened.urls.clear();
    QPointer<TBrowser1> b = new TBrowser1;
    Child<QLineEdit>(b, "Edit1")->setText(QString::fromStdString(r.typed));
    Child<QToolButton>(b, "NavigateButton")->click();
    EXPECT_EQ(b->WebBrowser1->NoteText().split('\n').last().toStdString(), r.note_end.toStdString());
    EXPECT_EQ(opened.urls.size(), r.handed_on ? 1u : 0u);
    delete b.data();
  }
}

namespace {

// Keeps the embedded pages off the network: the map script cannot load.
class LocalOnly : public QWebEngineUrlRequestInterceptor {
 public:
  LocalOnly() { QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(this); }
  ~LocalOnly() override { QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr); }
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QString scheme = info.requestUrl().scheme();
    if (scheme == "http" || scheme == "https") {
      info.block(true);
      ++blocked;
    }
  }
  std::atomic<int> blocked{0};
};

// Runs the event loop until the view has finished a load (at most 20 s).
bool Loaded(QWebEngineView* view, const std::function<void()>& start) {
  QEventLoop loop;
  bool ok = false;
  auto c = QObject::connect(view, &QWebEngineView::loadFinished, &loop, [&](bool done) {
    ok = done;
    loop.quit();
  });
  QTimer::singleShot(20000, &loop, &QEventLoop::quit);
  start();
  loop.exec();
  QObject::disconnect(c);
  return ok;
}

// Runs the event loop until `done` holds (at most 20 s).
bool Until(const std::function<bool()>& done) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  poll.start(10);
  QTimer::singleShot(20000, &loop, &QEventLoop::quit);
  if (!done()) loop.exec();
  return done();
}

QVariant RunScript(QWebEngineView* view, const QString& script) {
  QEventLoop loop;
  QVariant result;
  view->page()->runJavaScript(script, [&](const QVariant& r) {
    result = r;
    loop.quit();
  });
  QTimer::singleShot(20000, &loop, &QEventLoop::quit);
  loop.exec();
  return result;
}

}  // namespace

TEST(MapWindow, EmbeddedPageCentresTheMarkerOnTheStation) {
  ASSERT_EQ(WebEngineStartProblem(), "");
  LocalOnly local;
  OpenedUrls outside;
  std::vector<QUrl>& opened = outside.urls;
  GpsStation st = kTokyoWest;
  QPointer<TMap> map = new TMap(st, 0);
  QWebEngineView* view = map->WebBrowser1->View();
  ASSERT_NE(view, nullptr);
  // The window starts loading its page while it is being made.
  ASSERT_TRUE(Until([&] { return view->title() == "Google Maps for observation station"; })) << view->title().toStdString();
  // The title is parsed before the page's own script: wait for that too.
  QElapsedTimer parsing;
  parsing.start();
  while (RunScript(view, "typeof initialize").toString() != "function" && parsing.elapsed() < 20000)
    Until([&, t = parsing.elapsed()] { return parsing.elapsed() > t + 10; });
  EXPECT_GE(local.blocked.load(), 1);  // the map service's script was asked for
  // A stand-in for the map service records what the page's own script asks it.
  const QVariant marker = RunScript(view, R"(
      window.google = {maps: {MapTypeId: {ROADMAP: 'roadmap'},
        LatLng: function(a, b) { this.a = a; this.b = b; },
        Map: function(el, o) { window.seenCentre = o.center.a + ',' + o.center.b + ' zoom ' + o.zoom; },
        Marker: function(o) { window.seenMarker = o.title + ' at ' + o.position.a + ',' + o.position.b; }}};
      initialize();
      seenMarker + ' / ' + seenCentre;)");
  EXPECT_EQ(marker.toString(), "marker test at 35.709983,-139.810703 / 35.709983,-139.810703 zoom 15");
  EXPECT_EQ(RunScript(view, "document.getElementById('map_canvas').style.width").toString(), "865px");
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(map->WebBrowser1->NoteText(), "");
  // The page came from a local file, which goes with the window.
  const QUrl page = view->url();
  ASSERT_TRUE(page.isLocalFile()) << page.toString().toStdString();
  EXPECT_TRUE(fs::exists(page.toLocalFile().toStdString()));
  delete map.data();
  EXPECT_FALSE(fs::exists(page.toLocalFile().toStdString()));
}

TEST(BrowserWindow, ToolBarWalksTheEmbeddedHistory) {
  ASSERT_EQ(WebEngineStartProblem(), "");
  LocalOnly local;
  TemporaryFolder site("tessary-pages");
  site.Write("first.html", "<html><head><title>First page</title></head><body>one</body></html>");
  site.Write("second.html", "<html><head><title>Second page</title></head><body>two</body></html>");
  QPointer<TBrowser1> b = new TBrowser1;
  QWebEngineView* view = b->WebBrowser1->View();
  ASSERT_NE(view, nullptr);
  auto* back = Child<QToolButton>(b, "BackButton");
  auto* forward = Child<QToolButton>(b, "ForwardButton");
  auto* edit = Child<QLineEdit>(b, "Edit1");
  auto* go = Child<QToolButton>(b, "NavigateButton");
  EXPECT_FALSE(back->isEnabled());
  edit->setText(QString::fromStdString(site.File("first.html")));
  ASSERT_TRUE(Loaded(view, [&] { go->click(); }));
  EXPECT_EQ(view->title(), "First page");
  edit->setText(QUrl::fromLocalFile(QString::fromStdString(site.File("second.html"))).toString());
  ASSERT_TRUE(Loaded(view, [&] { go->click(); }));
  EXPECT_EQ(view->title(), "Second page");
  EXPECT_TRUE(back->isEnabled());
  EXPECT_FALSE(forward->isEnabled());
  ASSERT_TRUE(Loaded(view, [&] { back->click(); }));
  EXPECT_EQ(view->title(), "First page");
  EXPECT_FALSE(back->isEnabled());
  EXPECT_TRUE(forward->isEnabled());
  ASSERT_TRUE(Loaded(view, [&] { forward->click(); }));
  EXPECT_EQ(b->WebBrowser1->CurrentAddress(), QUrl::fromLocalFile(QString::fromStdString(site.File("second.html"))).toString());
  ASSERT_TRUE(Loaded(view, [&] { Child<QToolButton>(b, "RefreshButton")->click(); }));
  EXPECT_EQ(view->title(), "Second page");
  ASSERT_TRUE(Loaded(view, [&] { Child<QToolButton>(b, "HomeButton")->click(); }));
  EXPECT_EQ(b->WebBrowser1->CurrentAddress(), "about:blank");
  Child<QToolButton>(b, "StopButton")->click();
  EXPECT_EQ(local.blocked.load(), 0);
  delete b.data();
}

// A page process that dies sends the page to the system browser, with a note.
TEST(BrowserWindow, DeadPageProcessFallsBackToTheSystemBrowser) {
  ASSERT_EQ(WebEngineStartProblem(), "");
  OpenedUrls outside;
  std::vector<QUrl>& opened = outside.urls;
  QPointer<TBrowser1> b = new TBrowser1;
  b->Edit1->setText("chrome://crash");
  b->NavigateButton->click();
  ASSERT_TRUE(Until([&] { return b->WebBrowser1->View() == nullptr; }));
  EXPECT_TRUE(b->WebBrowser1->NoteText().startsWith("The web engine cannot start on this machine (its page process ended"))
      << b->WebBrowser1->NoteText().toStdString();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].toString(), "chrome://crash");
  delete b.data();
}

TEST(DataViewerWindow, ButtonOpensTheIndexSpreadsheet) {
  std::vector<QString> opened;
  ScopedUrlOpener opener([&](const QUrl& url) {
    opened.push_back(url.toString(QUrl::FullyEncoded));
    return false;  // a failure stays silent
  });
  ScriptedDialogService dialogs;
  ScopedDialogService scoped(dialogs);
  QPointer<TDataViewer> v = new TDataViewer;
  EXPECT_EQ(v->windowTitle(), "DataViewer");
  EXPECT_EQ(Child<QGroupBox>(v, "GroupBox1")->title(), "The Index of Asteroidal Occultation Observation Result. ");
  auto* button = Child<QPushButton>(v, "Button1");
  EXPECT_EQ(button->text(), "Download and Open the index file");
  button->click();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened[0].endsWith("/Index%20Asteroidal%20Occultation%20Worldwide.xls")) << opened[0].toStdString();
  EXPECT_TRUE(dialogs.messages.empty());
  delete v.data();
}
