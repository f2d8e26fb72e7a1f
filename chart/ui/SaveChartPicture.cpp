#include "chart/ui/SaveChartPicture.h"

#include "ImageFileLib/SavePicture.h"
#include "base/ui/DialogService.h"

void SaveChartPicture(ChartHost& host, const QImage& picture, const std::string& proposed) {
  const auto chosen = host.ChooseImageFile(proposed);
  if (!chosen) return;
  // The chosen type decides the file's type, whatever extension was typed.
  const std::string name = ImageFile::PictureFileName(chosen->Name, chosen->Type);
  const std::string error =
      ImageFile::IsNamelessPicture(name) ? ImageFile::NamelessPictureMessage(name) : host.SaveImage(picture, name);
  if (!error.empty()) Dialogs().ShowError(QString::fromStdString(error));
}
