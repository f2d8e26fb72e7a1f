#pragma once
// The embedded web-browser control of the online windows, built on QtWebEngine.
// Where the engine cannot start (its helper process is missing, or its page
// process dies), pages open in the system browser instead (a page held in
// memory through a temporary file) and the control says why.
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <string>

// Sets what the web engine needs before the application object exists: shared
// OpenGL contexts, and no Chromium sandbox when running as root (Chromium
// refuses to start a sandbox there and ends the whole program).
void PrepareWebEngine();

// Why the web engine cannot start on this machine; empty when it can.
QString WebEngineStartProblem();

// True when pages go to the system browser rather than into the windows.
inline bool PagesOpenInSystemBrowser() { return !WebEngineStartProblem().isEmpty(); }

// Makes the engine count as unable to start for its lifetime.
class ScopedWebEngineOff {
 public:
  explicit ScopedWebEngineOff(QString reason);
  ~ScopedWebEngineOff();
  ScopedWebEngineOff(const ScopedWebEngineOff&) = delete;
  ScopedWebEngineOff& operator=(const ScopedWebEngineOff&) = delete;

 private:
  QString previous_;
};

// Hands an address to the system browser (QDesktopServices) unless a test
// installed its own opener; false when it could not be opened.
bool OpenInSystemBrowser(const QUrl& url);

// Replaces the system browser for its lifetime and restores the previous one.
class ScopedUrlOpener {
 public:
  explicit ScopedUrlOpener(std::function<bool(const QUrl&)> opener);
  ~ScopedUrlOpener();
  ScopedUrlOpener(const ScopedUrlOpener&) = delete;
  ScopedUrlOpener& operator=(const ScopedUrlOpener&) = delete;

 private:
  std::function<bool(const QUrl&)> previous_;
};

class QTextBrowser;
class QWebEngineView;

class TWebBrowserControl : public QWidget {
  Q_OBJECT
 public:
  explicit TWebBrowserControl(QWidget* parent = nullptr);
  ~TWebBrowserControl() override;

  void Navigate(const QString& address);
  // Shows a page held in memory (written to a temporary file, removed with
  // the control).
  void LoadHtml(const QString& html);
  void GoBack();
  void GoForward();
  void GoHome();
  void Refresh();
  void Stop();
  bool CanGoBack() const;
  bool CanGoForward() const;
  // The address shown now ("about:blank" before any navigation).
  QString CurrentAddress() const;
  // The text the control itself shows (the fallback's note).
  QString NoteText() const;
  // The embedded view; null while pages go to the system browser.
  QWebEngineView* View() const { return view_; }

  QString HomePage = QStringLiteral("about:blank");

 signals:
  // Back or forward may have become possible or impossible.
  void HistoryChanged();

 private:
  void UseSystemBrowser(const QString& reason);
  void Show(const QString& address, bool record);
  bool WritePageFile(const QString& html, std::string* error);
  void OpenPageFile(const QString& html);

  QWebEngineView* view_ = nullptr;
  QTextBrowser* note_ = nullptr;
  QString reason_;
  QString last_html_;
  QStringList history_;
  int index_ = -1;
  QString page_file_;
};
