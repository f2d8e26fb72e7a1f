#include "chart/ui/ChartHost.h"

#include "ImageFileLib/LinearBitmap.h"
#include "ImageFileLib/SavePicture.h"
#include "ImageFileLib/ui/LinearBitmapQImage.h"
#include "base/ui/DialogService.h"

std::optional<ImageFileChoice> ChartHost::ChooseImageFile(const std::string& proposed) {
  // SaveDialog1TypeChange: the name box takes the chosen type's extension.
  const auto type_change = [](const QString& name, int type) {
    return QString::fromStdString(ImageFile::PictureNameForTypeChange(name.toStdString(), type));
  };
  const DialogService::SaveChoice c = Dialogs().GetSaveFileNameAndType(
      "Save Image", QString::fromStdString(proposed),
      "Portable Network Graphics (*.png);;Joint Picture Expert Group (*.jpg);;Windows Bitmap (*.bmp)", type_change);
  if (c.name.isEmpty()) return std::nullopt;
  return ImageFileChoice{c.name.toStdString(), c.type};
}

std::string ChartHost::SaveImage(const QImage& image, const std::string& path) {
  try {
    ImageFile::TLinearBitmap bitmap;
    ImageFile::AssignFromQImage(bitmap, image.convertToFormat(QImage::Format_RGB888));
    ImageFile::SavePictureFile(bitmap, path);
    return {};
  } catch (const std::exception& e) {
    return e.what();
  }
}
