#pragma once
// The application object: no exception may escape into Qt's event loop.
// Every event (timer ticks included) passes notify(); an exception thrown by a
// handler is shown in an error box through the dialog service instead.
#include <QApplication>
#include <functional>

class TessaryApplication : public QApplication {
 public:
  TessaryApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Runs `call`; an exception is reported in an error box and gives `fallback`.
bool RunGuarded(const std::function<bool()>& call, bool fallback = false);
