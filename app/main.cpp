#include <QApplication>

#include "app/ui/TPlatform.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TPlatform platform;
  platform.show();
  return app.exec();
}
