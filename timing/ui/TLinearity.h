#pragma once
// "Linearity": measured LED brightness against the time the LED shone.
#include <QDialog>
#include <QImage>

#include "base/ui/ControlsForward.h"
#include "base/ui/OpenWindow.h"

class TLinearity : public QDialog {
  Q_OBJECT
 public:
  explicit TLinearity(QWidget* owner = nullptr);

  QLabel* Image1 = nullptr;
  QImage Picture;  // what Image1 shows
  QPlainTextEdit* Memo1 = nullptr;

  void FormCreate();
  void DrawLinearityGraph();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  OpenFlag open_;
};

// Set while the window is open; the main window resets it at start-up.
bool& LinearityOpen();
