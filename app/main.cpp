#include <QCoreApplication>

#include "ImageFileLib/PluginLoader.h"
#include "ImageFileLib/ui/MetafilePainter.h"
#include "ImageFileLib/ui/TIconSelectionForm.h"
#include "app/ui/TPlatform.h"
#include "app/ui/TessaryApplication.h"
#include "online/ui/WebBrowserControl.h"
#include "timing/ui/TCMOSExposureCalc.h"

int main(int argc, char** argv) {
  PrepareWebEngine();
  TessaryApplication app(argc, argv);
  InstallIconSelectionDialog();
  ImageFile::InstallMetafilePainter();
  ImageFile::ImageDLLLoader().LoadPluginFolder(QCoreApplication::applicationDirPath().toStdString() + "/plugins");
  TPlatform platform;
  platform.show();
  CreateCmosExposureWindows(&platform);  // hidden until a launcher shows them
  return app.exec();
}
