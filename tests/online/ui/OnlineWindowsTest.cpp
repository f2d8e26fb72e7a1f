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
#include <chrono>
#include <thread>

#include "base/AtomicFile.h"
#include "base/ui/DialogService.h"
#include "online/MapPage.h"
#include "online/ui/TBrowser1.h"
#include "online/ui/TDataViewer.h"
#include "online/ui/TMap.h"
#include "online/ui/TWebAccess.h"
#include "online/ui/WebBrowserControl.h"
#include "support/PythonZip.h"
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

const char* const kNewProgram = "#!/bin/sh\necho new > started.txt\n";

// A program folder with an old release, a download site with a newer one.
struct UpdateSetup {
  TemporaryFolder app{"tessary-app"}, site{"tessary-site"};
  fs::path exe = app.Path() / "tessary";
  std::vector<std::string> opened_scripts;
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
    if (!run_script) o.StartScript = [this](const fs::path& p) { opened_scripts.push_back(p.string()); };
    return o;
  }
  std::string FileFolder() const { return "file://" + site.Path().string() + "/"; }
};

}  // namespace

TEST(WebAccess, VersionCheckOnOpening) {
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
      {"", {"Failed in the access to Internet."}, false},
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
      EXPECT_EQ(Child<QPlainTextEdit>(w, "Memo2")->toPlainText(), QString(r.version) + "\nFaster fits.\n");
    }
    EXPECT_FALSE(fs::exists(u.app.Path() / "info.txt"));
    Child<QPushButton>(w, "Button2")->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
  }
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
  std::vector<QUrl> opened;
  ScopedUrlOpener opener([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  GpsStation st{"07", "1.2", "12:34:56", "3542.5990 N", "13948.6422 W", "21.5 m MSL", "39.2 m"};
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
  if (kPagesOpenInSystemBrowser) {
    ASSERT_EQ(opened.size(), 1u);
    ASSERT_TRUE(opened[0].isLocalFile());
    const std::string html = Slurp(opened[0].toLocalFile().toStdString());
    EXPECT_NE(html.find("position: new google.maps.LatLng(35.709983,-139.810703),\r\n"), std::string::npos);
    EXPECT_NE(Child<TWebBrowserControl>(map, "WebBrowser1")->NoteText().indexOf("system browser"), -1);
  }
  map->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(map.isNull());
  if (kPagesOpenInSystemBrowser) {
    EXPECT_FALSE(fs::exists(opened[0].toLocalFile().toStdString()));
  }

  st.latitude = "35.7 N";
  QPointer<TMap> empty = new TMap(st, 0);
  EXPECT_EQ(Lines(Child<QPlainTextEdit>(empty, "Memo2")).last(), kNoPositionNote);
  EXPECT_EQ(Child<QPlainTextEdit>(empty, "Memo1")->toPlainText().indexOf("1000"), -1);
  delete empty.data();
}

TEST(BrowserWindow, ToolBarWalksTheHistory) {
  if (!kPagesOpenInSystemBrowser) return;  // the web engine keeps its own history
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
