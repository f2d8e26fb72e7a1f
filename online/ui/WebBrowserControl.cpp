#include "online/ui/WebBrowserControl.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <atomic>

#include "base/AtomicFile.h"
#ifdef TESSARY_HAVE_WEBENGINE
#include <QWebEngineHistory>
#include <QWebEngineView>
#endif

namespace {
std::function<bool(const QUrl&)>& Opener() {
  static std::function<bool(const QUrl&)> opener;
  return opener;
}
}  // namespace

bool OpenInSystemBrowser(const QUrl& url) {
  if (Opener()) return Opener()(url);
  return QDesktopServices::openUrl(url);
}

ScopedUrlOpener::ScopedUrlOpener(std::function<bool(const QUrl&)> opener) : previous_(std::move(Opener())) {
  Opener() = std::move(opener);
}

ScopedUrlOpener::~ScopedUrlOpener() { Opener() = std::move(previous_); }

TWebBrowserControl::TWebBrowserControl(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
#ifdef TESSARY_HAVE_WEBENGINE
  view_ = new QWebEngineView(this);
  layout->addWidget(view_);
  connect(view_, &QWebEngineView::urlChanged, this, &TWebBrowserControl::HistoryChanged);
  connect(view_, &QWebEngineView::loadFinished, this, &TWebBrowserControl::HistoryChanged);
#else
  note_ = new QTextBrowser(this);
  note_->setObjectName("WebBrowserNote");
  note_->setOpenLinks(false);
  layout->addWidget(note_);
#endif
}

TWebBrowserControl::~TWebBrowserControl() {
#ifndef TESSARY_HAVE_WEBENGINE
  if (!page_file_.isEmpty()) QFile::remove(page_file_);
#endif
}

#ifdef TESSARY_HAVE_WEBENGINE

void TWebBrowserControl::Navigate(const QString& address) { view_->setUrl(QUrl::fromUserInput(address)); }
void TWebBrowserControl::LoadHtml(const QString& html) { view_->setHtml(html); }
void TWebBrowserControl::GoBack() { view_->back(); }
void TWebBrowserControl::GoForward() { view_->forward(); }
void TWebBrowserControl::GoHome() { Navigate(HomePage); }
void TWebBrowserControl::Refresh() { view_->reload(); }
void TWebBrowserControl::Stop() { view_->stop(); }
bool TWebBrowserControl::CanGoBack() const { return view_->history()->canGoBack(); }
bool TWebBrowserControl::CanGoForward() const { return view_->history()->canGoForward(); }
QString TWebBrowserControl::CurrentAddress() const { return view_->url().toString(); }
QString TWebBrowserControl::NoteText() const { return {}; }

#else

void TWebBrowserControl::Show(const QString& address, bool record) {
  if (record) {
    while (history_.size() > index_ + 1) history_.removeLast();
    history_.push_back(address);
    index_ = static_cast<int>(history_.size()) - 1;
    emit HistoryChanged();
  }
  if (address.isEmpty() || address == "about:blank") {
    note_->clear();
    return;
  }
  const QUrl url = QUrl::fromUserInput(address);
  if (url.isValid() && OpenInSystemBrowser(url))
    note_->setPlainText("Opened in the system browser: " + url.toString());
  else
    note_->setPlainText("The page could not be opened: " + address);
}

void TWebBrowserControl::Navigate(const QString& address) { Show(address.trimmed(), true); }

void TWebBrowserControl::LoadHtml(const QString& html) {
  static std::atomic<int> counter{0};
  if (page_file_.isEmpty())
    page_file_ = QDir::temp().filePath(QString("tessary-page-%1-%2.html")
                                           .arg(QCoreApplication::applicationPid())
                                           .arg(++counter));
  const QByteArray bytes = html.toUtf8();
  std::string error;
  if (!WriteFileAtomic(page_file_.toStdString(), std::string_view(bytes.constData(), bytes.size()), &error)) {
    note_->setPlainText("The page could not be written: " + QString::fromStdString(error));
    return;
  }
  if (OpenInSystemBrowser(QUrl::fromLocalFile(page_file_)))
    note_->setPlainText("Opened in the system browser: " + page_file_);
  else
    note_->setPlainText("The page could not be opened: " + page_file_);
}

void TWebBrowserControl::GoBack() {
  if (!CanGoBack()) return;
  --index_;
  emit HistoryChanged();
  Show(history_[index_], false);
}

void TWebBrowserControl::GoForward() {
  if (!CanGoForward()) return;
  ++index_;
  emit HistoryChanged();
  Show(history_[index_], false);
}

void TWebBrowserControl::GoHome() { Navigate(HomePage); }

void TWebBrowserControl::Refresh() {
  if (index_ >= 0) Show(history_[index_], false);
}

// The system browser loads on its own; there is nothing here to stop.
void TWebBrowserControl::Stop() {}

bool TWebBrowserControl::CanGoBack() const { return index_ > 0; }
bool TWebBrowserControl::CanGoForward() const { return index_ + 1 < static_cast<int>(history_.size()); }
QString TWebBrowserControl::CurrentAddress() const {
  return index_ >= 0 ? history_[index_] : QStringLiteral("about:blank");
}
QString TWebBrowserControl::NoteText() const { return note_->toPlainText(); }

#endif
