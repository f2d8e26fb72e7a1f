#include <QCoreApplication>

#include "ImageFileLib/PluginLoader.h"
#include "ImageFileLib/ui/TIconSelectionForm.h"
#include "app/ui/TPlatform.h"
#include "app/ui/TessaryApplication.h"

int main(int argc, char** argv) {
  TessaryApplication app(argc, argv);
  InstallIconSelectionDialog();
  ImageFile::ImageDLLLoader().LoadPluginFolder(QCoreApplication::applicationDirPath().toStdString() + "/plugins");
  TPlatform platform;
  platform.show();
  return app.exec();
}
