#pragma once
// "Automatic software update": checks the download folder for a newer
// release, downloads and unpacks it, copies it over the program folder and
// restarts the program through a script that swaps the executable.
#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QPlainTextEdit;
class QPushButton;

struct WebAccessOptions {
  std::filesystem::path ExeFile;  // the running program; empty: this process's executable
  std::string FolderUrl;          // the download folder; empty: UpdateFolderUrl()
  int64_t OldProcessId = 0;       // the process the restart script waits for; 0: this one
  // Runs the restart script, false when it could not be started; empty:
  // /bin/sh in a detached process.
  std::function<bool(const std::filesystem::path&)> StartScript;
  // Ends the program after the script was started (closes the main window).
  std::function<void()> EndProgram;
};

class TWebAccess : public QDialog {
  Q_OBJECT
 public:
  explicit TWebAccess(WebAccessOptions options = {}, QWidget* parent = nullptr);

  QPlainTextEdit* Memo1 = nullptr;  // status lines
  QPlainTextEdit* Memo2 = nullptr;  // the version file
  QPushButton* Button1 = nullptr;   // 'Update'
  QPushButton* Button2 = nullptr;   // 'Cancel / Close'
  QPushButton* Button3 = nullptr;   // hidden one-step variant

  void FormCreate();
  bool CheckNewestVersion();
  void Button1Click();
  void Button2Click();
  void Button3Click();

  std::string UpdateFolderUrl, UpdateFileName, UpdateUrl;
  std::filesystem::path ExeFileName, ExeFolder, LocalUpdateFile;
  std::string NewestVersion, VersionDigits;
  std::filesystem::path SearchDir, InstallDir;

 private:
  void SetPaths();
  // The version file's bytes; nothing when the download failed, or with the
  // line in `refusal` saying why it is not taken.
  std::optional<std::string> FetchVersionFile(std::string* refusal);
  void AddLine(const std::string& line);
  // The line in Memo1 and an error box.
  void ShowFailure(const std::string& text);
  // Downloads the release archive of NewestVersion into ExeFolder.
  bool DownloadRelease();
  // Unpacks and installs the downloaded archive; the restart script, or
  // nothing (with a message) when nothing may be restarted.
  std::optional<std::filesystem::path> UnpackAndInstall(bool one_step);
  void Restart(const std::filesystem::path& script);

  WebAccessOptions options_;
  bool newer_ = false;
};
