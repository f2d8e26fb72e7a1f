#pragma once
// The embedded web-browser control of the online windows. Built with
// QtWebEngine when the build finds it; otherwise pages open in the system
// browser (a page held in memory through a temporary file) and the control
// shows where they went.
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>

// False when QtWebEngine shows the pages inside the windows.
#ifdef TESSARY_HAVE_WEBENGINE
inline constexpr bool kPagesOpenInSystemBrowser = false;
#else
inline constexpr bool kPagesOpenInSystemBrowser = true;
#endif

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
  // Shows a page held in memory.
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

  QString HomePage = QStringLiteral("about:blank");

 signals:
  // Back or forward may have become possible or impossible.
  void HistoryChanged();

 private:
#ifdef TESSARY_HAVE_WEBENGINE
  QWebEngineView* view_ = nullptr;
#else
  void Show(const QString& address, bool record);
  QTextBrowser* note_ = nullptr;
  QStringList history_;
  int index_ = -1;
  QString page_file_;
#endif
};
