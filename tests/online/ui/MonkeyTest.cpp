// The online windows under a monkey, with the web engine off and the system
// browser replaced: nonsense in every edit and clicks in any order never
// crash them, and nothing reaches the network.
#include <QUrl>

#include "base/ui/DialogService.h"
#include "online/ui/TBrowser1.h"
#include "online/ui/TDataViewer.h"
#include "online/ui/TMap.h"
#include "online/ui/TWebAccess.h"
#include "online/ui/WebBrowserControl.h"
#include "support/TemporaryFolder.h"
#include "support/WindowMonkey.h"

namespace {

class OnlineWindowMonkey : public ::testing::TestWithParam<MonkeyWindow> {};

TEST_P(OnlineWindowMonkey, NonsenseInputAndAnyClickOrderKeepTheWindowAlive) {
  ScriptedDialogService dialogs;
  ScopedDialogService use(dialogs);
  ScopedWebEngineOff off("no helper program");
  ScopedUrlOpener opener([](const QUrl&) { return true; });
  RunMonkeyOn(GetParam());
}

// An update site with nothing on it, in a folder.
TemporaryFolder& EmptySite() {
  static TemporaryFolder site("tessary-site");
  return site;
}

QWidget* UpdateWindow() {
  WebAccessOptions o;
  o.ExeFile = EmptySite().Path() / "tessary";
  o.FolderUrl = "file://" + EmptySite().Path().string() + "/";
  o.StartScript = [](const std::filesystem::path&) { return true; };
  o.EndProgram = [] {};
  return new TWebAccess(o);
}

const GpsStation kStation{"07", "1.2", "12:34:56", "3542.5990 N", "13948.6422 W", "21.5 m MSL", "39.2 m"};

const MonkeyWindow kWindows[] = {
    {"DataViewer", [] { return new TDataViewer; }, {"Button1"}, 81},  // Button1 downloads
    {"WebAccess", UpdateWindow, {}, 82},
    {"Browser1", [] { return new TBrowser1; }, {}, 83},
    {"Map", [] { return new TMap(kStation, 0); }, {}, 84},
};

INSTANTIATE_TEST_SUITE_P(Windows, OnlineWindowMonkey, ::testing::ValuesIn(kWindows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
