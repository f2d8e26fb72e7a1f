#include "chart/ui/ChartHost.h"

#include "app/ui/DialogService.h"

std::optional<ImageFileChoice> ChartHost::ChooseImageFile(const std::string& proposed) {
  const QString name = Dialogs().GetSaveFileName(
      "Save Image", QString::fromStdString(proposed),
      "Portable Network Graphics (*.png);;Joint Picture Expert Group (*.jpg);;Windows Bitmap (*.bmp)");
  if (name.isEmpty()) return std::nullopt;
  const QString lower = name.toLower();
  const int type = lower.endsWith(".jpg") || lower.endsWith(".jpeg") ? 2 : lower.endsWith(".bmp") ? 3 : 1;
  return ImageFileChoice{name.toStdString(), type};
}
