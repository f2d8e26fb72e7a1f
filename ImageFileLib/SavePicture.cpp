#include "ImageFileLib/SavePicture.h"

namespace ImageFile {

std::string PictureFileName(const std::string& chosen_name, int filter_index) {
  const char* ext = filter_index == 2 ? ".jpg" : filter_index == 3 ? ".bmp" : ".png";
  const size_t at = chosen_name.find_last_of(".\\/:");
  if (at != std::string::npos && chosen_name[at] == '.') return chosen_name.substr(0, at) + ext;
  return chosen_name + ext;
}

bool SavePicture(const TLinearBitmap& picture, const std::string& chosen_name, int filter_index) {
  const std::string name = PictureFileName(chosen_name, filter_index);
  if (name.empty() || name[0] == '.') return false;
  picture.SaveToFile(name);
  return true;
}

}  // namespace ImageFile
