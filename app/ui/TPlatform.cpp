#include "app/ui/TPlatform.h"

#include <QPlainTextEdit>

TPlatform::TPlatform(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Platform");
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  setCentralWidget(Memo1);
  FormCreate();
}

TPlatform::~TPlatform() = default;

void TPlatform::FormCreate() { setWindowTitle("Tessary"); }
