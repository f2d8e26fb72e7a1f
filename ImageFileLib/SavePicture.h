#pragma once
// The save-picture road shared by the main window, the chart and the
// mutual-event window: the save dialog's filter, the extension chosen by the
// filter index, and the save itself.
#include <string>

#include "ImageFileLib/LinearBitmap.h"

namespace ImageFile {

inline constexpr const char* SavePictureFilter =
    "Portable Network Graphics (*.png)|*.png|Joint Picture Expert Group (*.jpg)|*.jpg|Windows Bitmap (*.bmp)|*.bmp";

// The chosen name with its extension replaced by the filter index's
// (1 ".png", 2 ".jpg", 3 ".bmp", any other ".png"); a name without an
// extension gets it appended.
std::string PictureFileName(const std::string& chosen_name, int filter_index);

// True for a name with nothing to write: empty, or whose file-name part is
// only an extension (".png", not ".shot.png").
bool IsNamelessPicture(const std::string& name);

// What the user is told when `name` (the name with its type's extension) is
// nameless and nothing was saved.
std::string NamelessPictureMessage(const std::string& name);

// The chosen name of a save dialog whose type changed to `filter_index`: the
// file-name part only, with the type's extension (the dialog's name box).
std::string PictureNameForTypeChange(const std::string& name_in_box, int filter_index);

// Saves the picture by the name's extension. A PNG is written with the
// writer's defaults, not with what the last PNG read left in the shared
// loader (its transparent colour, bit depth, palette).
void SavePictureFile(const TLinearBitmap& picture, const std::string& name);

// Saves the picture under PictureFileName unless that name is nameless;
// returns whether it saved. Errors of the save pass through.
bool SavePicture(const TLinearBitmap& picture, const std::string& chosen_name, int filter_index);

}  // namespace ImageFile
