#include "app/ui/TessaryApplication.h"

#include <exception>

#include "base/ui/DialogService.h"

namespace {

void Report(const QString& text) {
  // A box spins an event loop; an exception while it is shown must not
  // open box after box.
  static bool reporting = false;
  if (reporting) return;
  reporting = true;
  try {
    Dialogs().ShowError(text);
  } catch (...) {
  }
  reporting = false;
}

}  // namespace

TessaryApplication::TessaryApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Tessary");
}

bool TessaryApplication::notify(QObject* receiver, QEvent* event) {
  return RunGuarded([&] { return QApplication::notify(receiver, event); });
}

bool RunGuarded(const std::function<bool()>& call, bool fallback) {
  try {
    return call();
  } catch (const std::exception& e) {
    Report(QString::fromUtf8(e.what()));
  } catch (...) {
    Report(QStringLiteral("An unexpected error occurred."));
  }
  return fallback;
}
