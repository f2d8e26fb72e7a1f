#pragma once
// "Estimated error of timing": the timing error against the noise ratio.
#include <QImage>
#include <QPointer>
#include <QWidget>

#include "base/ui/ControlsForward.h"
#include "base/ui/OpenWindow.h"

class TTimingError : public QWidget {
  Q_OBJECT
 public:
  explicit TTimingError(QWidget* owner = nullptr);

  QLabel* Image1 = nullptr;
  QImage Picture;  // what Image1 shows

  void FormCreate();
  void DrawTimingErrorGraph();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  OpenFlag open_;
};

// Set while the window is open; the main window resets it at start-up.
bool& TimingErrorOpen();
// Opens the window unless it is open (from the menu and the simulation window).
// Opened from a modal window `over`, it stays usable while that one is open
// and stays with `owner` after it closes.
void OpenTimingError(QWidget* owner, QWidget* over = nullptr);
