#pragma once
// The main window.
#include <QMainWindow>

class QPlainTextEdit;

class TPlatform : public QMainWindow {
  Q_OBJECT
 public:
  explicit TPlatform(QWidget* parent = nullptr);
  ~TPlatform() override;

  QPlainTextEdit* Memo1 = nullptr;

 private:
  void FormCreate();
};
