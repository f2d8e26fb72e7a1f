#include "ImageFileLib/SavePicture.h"

#include "ImageFileLib/PngLoader.h"

namespace ImageFile {

std::string PictureFileName(const std::string& chosen_name, int filter_index) {
  const char* ext = filter_index == 2 ? ".jpg" : filter_index == 3 ? ".bmp" : ".png";
  const size_t at = chosen_name.find_last_of(".\\/:");
  if (at != std::string::npos && chosen_name[at] == '.') return chosen_name.substr(0, at) + ext;
  return chosen_name + ext;
}

bool IsNamelessPicture(const std::string& name) {
  const size_t slash = name.find_last_of("\\/");
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  // ".png" is only an extension; ".shot.png" is a (hidden) file's name.
  return name.size() <= start || (name[start] == '.' && name.find('.', start + 1) == std::string::npos);
}

std::string NamelessPictureMessage(const std::string& name) {
  return "The image was not saved: the file name is only an extension.\r\n" + name;
}

std::string PictureNameForTypeChange(const std::string& name_in_box, int filter_index) {
  const size_t slash = name_in_box.find_last_of("\\/");
  const std::string file = slash == std::string::npos ? name_in_box : name_in_box.substr(slash + 1);
  return file.empty() ? file : PictureFileName(file, filter_index);
}

bool SavePicture(const TLinearBitmap& picture, const std::string& chosen_name, int filter_index) {
  const std::string name = PictureFileName(chosen_name, filter_index);
  if (IsNamelessPicture(name)) return false;
  SavePictureFile(picture, name);
  return true;
}

void SavePictureFile(const TLinearBitmap& picture, const std::string& name) {
  const std::string ext = FileExtension(name);
  if (ext != "PNG") {
    picture.SaveToFile(name);
    return;
  }
  TPNGLoader plain;
  plain.SaveToFile(name, ext, picture);
}

}  // namespace ImageFile
