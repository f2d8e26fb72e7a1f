#include "online/ui/WebBrowserControl.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTemporaryFile>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "base/AtomicFile.h"
#include "base/ui/ControlEvents.h"

#if defined(__SANITIZE_ADDRESS__)
// Chromium inside QtWebEngine frees some objects through a base of another
// size; sanitizer builds must not stop on that.
extern "C" const char* __asan_default_options() { return "new_delete_type_mismatch=0"; }
#endif

namespace {

std::function<bool(const QUrl&)>& Opener() {
  static std::function<bool(const QUrl&)> opener;
  return opener;
}

QString& ForcedProblem() {
  static QString reason;
  return reason;
}

// Where QtWebEngine itself looks for its helper process.
QString HelperProcessPath() {
  const QString set = qEnvironmentVariable("QTWEBENGINE_PROCESS_PATH");
  if (!set.isEmpty()) return set;
  const QString beside = QCoreApplication::applicationDirPath() + "/QtWebEngineProcess";
  if (QFileInfo(beside).isExecutable()) return beside;
  return QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + "/QtWebEngineProcess";
}

}  // namespace

void PrepareWebEngine() {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

QString WebEngineStartProblem() {
  if (!ForcedProblem().isEmpty()) return ForcedProblem();
  // Without its helper process the engine would end the program on first use.
  static const QString missing = [] {
    const QString helper = HelperProcessPath();
    return QFileInfo(helper).isExecutable() ? QString() : "its helper program " + helper + " is missing";
  }();
  return missing;
}

ScopedWebEngineOff::ScopedWebEngineOff(QString reason) : previous_(ForcedProblem()) {
  ForcedProblem() = std::move(reason);
}

ScopedWebEngineOff::~ScopedWebEngineOff() { ForcedProblem() = previous_; }

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
  note_ = Named<QTextBrowser>("WebBrowserNote", this);
  note_->setOpenLinks(false);
  layout->addWidget(note_);
  const QString problem = WebEngineStartProblem();
  if (!problem.isEmpty()) {
    UseSystemBrowser(problem);
    return;
  }
  note_->hide();
  view_ = Named<QWebEngineView>("WebEngineView", this);
  // Our own pages live in local files and fetch the map service's script.
  view_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
  layout->addWidget(view_);
  connect(view_, &QWebEngineView::urlChanged, this, &TWebBrowserControl::HistoryChanged);
  connect(view_, &QWebEngineView::loadFinished, this, &TWebBrowserControl::HistoryChanged);
  connect(view_->page(), &QWebEnginePage::renderProcessTerminated, this,
          [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
            if (status == QWebEnginePage::NormalTerminationStatus) return;
            const QString address = CurrentAddress();
            UseSystemBrowser(QString("its page process ended (code %1)").arg(code));
            if (!last_html_.isEmpty() && address.startsWith("data:"))
              OpenPageFile(last_html_);
            else
              Navigate(address);
          });
}

TWebBrowserControl::~TWebBrowserControl() {
  if (!page_file_.isEmpty()) QFile::remove(page_file_);
}

// From here on every page goes to the system browser.
void TWebBrowserControl::UseSystemBrowser(const QString& reason) {
  reason_ = "The web engine cannot start on this machine (" + reason + "); pages open in the system browser.";
  if (view_) {
    view_->hide();
    view_->deleteLater();
    view_ = nullptr;
  }
  note_->setPlainText(reason_);
  note_->show();
  emit HistoryChanged();
}

void TWebBrowserControl::Show(const QString& address, bool record) {
  if (record) {
    while (history_.size() > index_ + 1) history_.removeLast();
    history_.push_back(address);
    index_ = static_cast<int>(history_.size()) - 1;
    emit HistoryChanged();
  }
  if (address.isEmpty() || address == "about:blank") {
    note_->setPlainText(reason_);
    return;
  }
  const QUrl url = QUrl::fromUserInput(address);
  // The system browser takes any address; a local page that is not there
  // would only fail there, out of sight.
  if (url.isLocalFile()) {
    const QFileInfo page(url.toLocalFile());
    const char* problem = !page.exists() ? " does not exist." : !page.isReadable() ? " cannot be read." : nullptr;
    if (problem) {
      note_->setPlainText(reason_ + "\nThe page could not be opened: " + url.toLocalFile() + problem);
      return;
    }
  }
  if (url.isValid() && OpenInSystemBrowser(url))
    note_->setPlainText(reason_ + "\nOpened in the system browser: " + url.toString());
  else
    note_->setPlainText(reason_ + "\nThe page could not be opened: " + address);
}

bool TWebBrowserControl::WritePageFile(const QString& html, std::string* error) {
  if (page_file_.isEmpty()) {
    // Made new under an unguessable name: a name others can foresee in the
    // shared temporary folder could be a link they planted to a file of ours.
    QTemporaryFile file(QDir::temp().filePath("tessary-page-XXXXXX.html"));
    file.setAutoRemove(false);
    if (!file.open()) {
      if (error) *error = file.errorString().toStdString();
      return false;
    }
    page_file_ = file.fileName();
  }
  const QByteArray bytes = html.toUtf8();
  return WriteFileAtomic(page_file_.toStdString(), std::string_view(bytes.constData(), bytes.size()), error);
}

void TWebBrowserControl::OpenPageFile(const QString& html) {
  std::string error;
  if (!WritePageFile(html, &error)) {
    note_->setPlainText(reason_ + "\nThe page could not be written: " + QString::fromStdString(error));
    return;
  }
  if (OpenInSystemBrowser(QUrl::fromLocalFile(page_file_)))
    note_->setPlainText(reason_ + "\nOpened in the system browser: " + page_file_);
  else
    note_->setPlainText(reason_ + "\nThe page could not be opened: " + page_file_);
}

void TWebBrowserControl::Navigate(const QString& address) {
  if (view_)
    view_->setUrl(QUrl::fromUserInput(address.trimmed()));
  else
    Show(address.trimmed(), true);
}

// The page goes through a local file, as in the system browser; should the
// file fail, the view takes it from memory.
void TWebBrowserControl::LoadHtml(const QString& html) {
  last_html_ = html;
  if (!view_) return OpenPageFile(html);
  std::string error;
  if (WritePageFile(html, &error))
    view_->setUrl(QUrl::fromLocalFile(page_file_));
  else
    view_->setHtml(html);
}

void TWebBrowserControl::GoBack() {
  if (view_) return view_->back();
  if (!CanGoBack()) return;
  --index_;
  emit HistoryChanged();
  Show(history_[index_], false);
}

void TWebBrowserControl::GoForward() {
  if (view_) return view_->forward();
  if (!CanGoForward()) return;
  ++index_;
  emit HistoryChanged();
  Show(history_[index_], false);
}

void TWebBrowserControl::GoHome() { Navigate(HomePage); }

void TWebBrowserControl::Refresh() {
  if (view_) return view_->reload();
  if (index_ >= 0) Show(history_[index_], false);
}

// The system browser loads on its own; there is nothing here to stop then.
void TWebBrowserControl::Stop() {
  if (view_) view_->stop();
}

bool TWebBrowserControl::CanGoBack() const { return view_ ? view_->history()->canGoBack() : index_ > 0; }
bool TWebBrowserControl::CanGoForward() const {
  return view_ ? view_->history()->canGoForward() : index_ + 1 < static_cast<int>(history_.size());
}
QString TWebBrowserControl::CurrentAddress() const {
  if (view_) return view_->url().isEmpty() ? QStringLiteral("about:blank") : view_->url().toString();
  return index_ >= 0 ? history_[index_] : QStringLiteral("about:blank");
}
QString TWebBrowserControl::NoteText() const { return view_ ? QString() : note_->toPlainText(); }
