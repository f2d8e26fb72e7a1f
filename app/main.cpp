#include "app/ui/TPlatform.h"
#include "app/ui/TessaryApplication.h"

int main(int argc, char** argv) {
  TessaryApplication app(argc, argv);
  TPlatform platform;
  platform.show();
  return app.exec();
}
