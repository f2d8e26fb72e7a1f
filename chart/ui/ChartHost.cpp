#include "chart/ui/ChartHost.h"

#include "ImageFileLib/LinearBitmap.h"
#include "ImageFileLib/ui/LinearBitmapQImage.h"
#include "base/ui/DialogService.h"

std::optional<ImageFileChoice> ChartHost::ChooseImageFile(const std::string& proposed) {
  const QString name = Dialogs().GetSaveFileName(
      "Save Image", QString::fromStdString(proposed),
      "Portable Network Graphics (*.png);;Joint Picture Expert Group (*.jpg);;Windows Bitmap (*.bmp)");
  if (name.isEmpty()) return std::nullopt;
  const QString lower = name.toLower();
  const int type = lower.endsWith(".jpg") || lower.endsWith(".jpeg") ? 2 : lower.endsWith(".bmp") ? 3 : 1;
  return ImageFileChoice{name.toStdString(), type};
}

std::string ChartHost::SaveImage(const QImage& image, const std::string& path) {
  try {
    ImageFile::TLinearBitmap bitmap;
    ImageFile::AssignFromQImage(bitmap, image.convertToFormat(QImage::Format_RGB888));
    bitmap.SaveToFile(path);
    return {};
  } catch (const std::exception& e) {
    return e.what();
  }
}
