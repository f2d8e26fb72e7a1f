#include "online/ui/TWebAccess.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>

#include "base/AtomicFile.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/HandlerTable.h"
#include "online/SoftwareUpdate.h"
#include "online/UrlDownload.h"
#include "online/ZipFile.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxVersionFileBytes = 1 << 20;

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* m = Named<QPlainTextEdit>(name, parent);
  m->setGeometry(left, top, width, height);
  m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return m;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int left, int top, int width,
                        int height) {
  auto* b = Named<QPushButton>(name, caption, parent);
  b->setGeometry(left, top, width, height);
  return b;
}

std::string FolderText(const fs::path& p) {
  std::string s = p.string();
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

}  // namespace

TWebAccess::TWebAccess(WebAccessOptions options, QWidget* parent) : QDialog(parent), options_(std::move(options)) {
  SetUpToolWindow(this, "WebAccess", "Automatic software update");
  resize(735, 571);
  Memo1 = MakeMemo(this, "Memo1", 10, 10, 691, 91);
  Button1 = MakeButton(this, "Button1", "Update", 10, 110, 121, 31);
  Button2 = MakeButton(this, "Button2", "Cancel / Close", 140, 110, 141, 31);
  Memo2 = MakeMemo(this, "Memo2", 10, 150, 691, 355);
  Button3 = MakeButton(this, "Button3", "Button3", 230, 60, 94, 31);
  Button3->setVisible(false);
  const Handlers<TWebAccess> button_handlers = {
      {Button1, &TWebAccess::Button1Click}, {Button2, &TWebAccess::Button2Click}, {Button3, &TWebAccess::Button3Click}};
  ConnectEach(this, button_handlers);
  FormCreate();
}

void TWebAccess::FormCreate() {
  Button1->setEnabled(false);
  Memo1->clear();
  Memo2->clear();
  // Only a newer release is offered: updating to the same or an older one
  // would replace the program with nothing better.
  if (CheckNewestVersion()) Button1->setEnabled(newer_);
}

void TWebAccess::AddLine(const std::string& line) { Memo1->appendPlainText(QString::fromStdString(line)); }

void TWebAccess::ShowFailure(const std::string& text) {
  AddLine(text);
  Dialogs().ShowError(QString::fromStdString(text));
}

void TWebAccess::SetPaths() {
  UpdateFolderUrl = options_.FolderUrl.empty() ? ::UpdateFolderUrl() : options_.FolderUrl;
  if (UpdateFolderUrl.back() != '/') UpdateFolderUrl += '/';
  UpdateFileName = kVersionFileName;
  UpdateUrl = UpdateFolderUrl + UpdateFileName;
  ExeFileName = options_.ExeFile.empty() ? fs::path(QCoreApplication::applicationFilePath().toStdString())
                                         : options_.ExeFile;
  ExeFolder = ExeFileName.parent_path();
  LocalUpdateFile = ExeFolder / kVersionFileName;
}

// The version file passes through the program folder, which shows that the
// folder takes files as the update will need; a file of that name already
// there is the program's own (a release may ship one) and stays untouched.
std::optional<std::string> TWebAccess::FetchVersionFile(std::string* refusal) {
  std::string error;
  const std::optional<std::string> body = DownloadUrl(UpdateUrl, &error);
  if (!body) return std::nullopt;
  // It arrived, so the access worked; something this large is some other page.
  if (body->size() > kMaxVersionFileBytes) {
    *refusal = "The version file is larger than 1 MB, so it is no version file; no update is offered.";
    return std::nullopt;
  }
  std::error_code ec;
  if (fs::exists(fs::symlink_status(LocalUpdateFile, ec))) return body;
  // The download worked: a file that cannot be stored is the program
  // folder's fault, which an update would have to write to as well.
  if (!WriteFileAtomic(LocalUpdateFile, *body, &error)) {
    *refusal = "The version file was fetched but cannot be stored in the program folder, so the program cannot be "
               "updated there: " + error;
    return std::nullopt;
  }
  std::optional<std::string> text = ReadWholeFile(LocalUpdateFile, kMaxVersionFileBytes);
  fs::remove(LocalUpdateFile, ec);
  return text;
}

bool TWebAccess::CheckNewestVersion() {
  SetPaths();
  newer_ = false;
  std::string refusal;
  const std::optional<std::string> text = FetchVersionFile(&refusal);
  if (!refusal.empty()) {
    AddLine(refusal);
    return false;
  }
  const VersionFileCheck check = CheckVersionFile(text);
  if (check.fetched) Memo2->setPlainText(QString::fromStdString(VersionFileText(*text)));
  for (const std::string& line : check.memo1) AddLine(line);
  NewestVersion = check.newest;
  newer_ = check.newer;
  return check.fetched;
}

bool TWebAccess::DownloadRelease() {
  VersionDigits = ::VersionDigits(NewestVersion);
  UpdateFileName = ReleaseArchiveName(NewestVersion);
  UpdateUrl = UpdateFolderUrl + PercentEncode(UpdateFileName);
  AddLine(UpdateUrl);
  LocalUpdateFile = UpdateFileName;
  std::string error;
  if (DownloadUrlToFile(UpdateUrl, ExeFolder / LocalUpdateFile, &error)) return true;
  AddLine(error);
  Dialogs().ShowMessage(MessageKind::Error, "Fail to download", {});
  return false;
}

void TWebAccess::Button1Click() {
  AddLine("Updating now.");
  if (!DownloadRelease()) return;
  if (const auto script = UnpackAndInstall(false)) Restart(*script);
}

void TWebAccess::Button2Click() { close(); }

void TWebAccess::Button3Click() {
  SetPaths();
  std::string refusal;
  const std::optional<std::string> text = FetchVersionFile(&refusal);
  const VersionFileCheck check = CheckVersionFile(text);
  if (!check.fetched) {
    if (!refusal.empty()) AddLine(refusal);
    Dialogs().ShowMessage(MessageKind::Error, "Fail to download", {});
    return;
  }
  Memo2->setPlainText(QString::fromStdString(VersionFileText(*text)));
  NewestVersion = check.newest;
  if (!check.has_version) {
    AddLine(kNoVersionInFile);
    return;
  }
  if (!check.newer) {
    AddLine("This program is the newest version. Update is not necessary.");
    return;
  }
  AddLine("Updating now.");
  if (!DownloadRelease()) return;
  if (const auto script = UnpackAndInstall(true)) Restart(*script);
}

std::optional<fs::path> TWebAccess::UnpackAndInstall(bool one_step) {
  const fs::path archive = ExeFolder / LocalUpdateFile;
  // What an earlier, refused attempt unpacked there is no release: only this
  // archive's members may be installed.
  std::error_code ec;
  const fs::path left = UnpackedReleaseFolder(ExeFileName, NewestVersion);
  // Only a folder: never the program itself, whatever the version text.
  if (fs::is_directory(fs::symlink_status(left, ec))) {
    fs::remove_all(left, ec);
    if (ec) {
      ShowFailure("The folder left by an earlier update could not be removed: " + ec.message());
      return std::nullopt;
    }
  }
  try {
    ExtractZipToFolder(archive, ExeFolder);
  } catch (const EZipFileError& e) {
    ShowFailure(e.what());
    return std::nullopt;
  }
  if (one_step) Dialogs().ShowInformation(QString::fromUtf8("ダウンロード成功"));
  SearchDir = UnpackedReleaseFolder(ExeFileName, NewestVersion);
  InstallDir = ExeFolder;
  AddLine("SearchDir: " + FolderText(SearchDir));
  if (one_step && fs::is_directory(SearchDir, ec)) AddLine("DirectoryExists: " + FolderText(SearchDir));
  // The script is written before any file is replaced: failing to write it
  // afterwards (a disk the new files filled) would leave them beside the old
  // program with nothing to swap it.
  std::string error;
  const int64_t pid = options_.OldProcessId ? options_.OldProcessId : static_cast<int64_t>(::getpid());
  const auto script = WriteRestartScript(ExeFileName, pid, &error);
  if (!script) {
    ShowFailure("The restart script could not be written: " + error + ". Nothing was installed.");
    return std::nullopt;
  }
  const InstallResult r = InstallUnpackedRelease(ExeFileName, NewestVersion, archive);
  if (!r.installed) {
    fs::remove(*script, ec);
    ShowFailure(r.error);
    return std::nullopt;
  }
  if (one_step) AddLine(r.folder_deleted ? "Directory Deleted" : "Not delated");
  return script;
}

void TWebAccess::Restart(const fs::path& script) {
  if (DebuggerAttached()) {
    Dialogs().ShowInformation(".exe file can not been deeted during debugging");
    return;
  }
  const bool started = options_.StartScript
                           ? options_.StartScript(script)
                           : QProcess::startDetached("/bin/sh", {QString::fromStdString(script.string())});
  if (!started) {
    // Closing now would end the program without the swap that starts the new one.
    const std::string text = "The restart script " + script.string() +
                             " could not be started. The program stays open; run that script after closing "
                             "the program to finish the update.";
    ShowFailure(text);
    return;
  }
  close();
  if (options_.EndProgram) options_.EndProgram();
}
