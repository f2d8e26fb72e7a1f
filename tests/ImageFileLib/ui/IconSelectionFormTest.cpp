// The icon choice of a file with several images, through the real dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "ImageFileLib/IconFile.h"
#include "ImageFileLib/ui/TIconSelectionForm.h"
#include "support/IconFiles.h"
#include "support/WindowMonkey.h"
#include "base/ui/DialogService.h"

using namespace ImageFile;

TEST(IconSelectionForm, ListsImagesPreviewsAndPicksTheColour) {
  TMemStream file;
  TwoIcons(file);
  TIconList list;
  list.LoadFromStream(file);
  TIconSelectionForm form(list, 0xFF00FF);
  form.show();
  ASSERT_EQ(form.SelectBox->count(), 2);
  EXPECT_EQ(form.SelectBox->itemText(0), "Icon 16 x 16 4 bit");
  EXPECT_EQ(form.SelectBox->itemText(1), "Icon 32 x 32 8 bit");
  EXPECT_EQ(form.PanelFrame->width(), 18);
  form.SelectBox->setCurrentIndex(1);
  emit form.SelectBox->activated(1);
  EXPECT_EQ(form.PanelFrame->width(), 34);
  EXPECT_EQ(form.ColorLabel->text(), "$ff00ff");

  ScriptedDialogService dialogs;
  ScopedDialogService scope(dialogs);
  dialogs.colors.push_back(QColor(255, 0, 0));
  form.TransparentButton->click();
  EXPECT_EQ(form.ColorLabel->text(), "$ff0000");
  EXPECT_EQ(form.TransparentColor(), 0x0000FFu);
  // The preview's transparent corner takes the chosen colour.
  const uint8_t* corner = form.PanelFrame->Bitmap.ScanLine(0);
  EXPECT_EQ(corner[2], 255);
  EXPECT_EQ(corner[0], 0);
  form.TransparentButton->click();  // cancelled: nothing changes
  EXPECT_EQ(form.ColorLabel->text(), "$ff0000");
}

TEST(IconSelectionForm, TheLoaderAsksAndACancelAbandonsTheLoad) {
  InstallIconSelectionDialog();
  auto answer = [](int index, bool ok) {
    QTimer::singleShot(0, [=] {
      auto* form = qobject_cast<TIconSelectionForm*>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      form->SelectBox->setCurrentIndex(index);
      (ok ? form->OkButton : form->CancelButton)->click();
    });
  };
  TMemStream file;
  TwoIcons(file);
  TLinearBitmap b;
  answer(1, true);
  ICOLoader().LoadFromStream(file, "ICO", b);
  EXPECT_EQ(b.Width, 32);
  file.SetPosition(0);
  answer(0, false);
  EXPECT_THROW(ICOLoader().LoadFromStream(file, "ICO", b), EAbort);
  ICOLoader().SelectImage = nullptr;
}

// Nonsense keys and clicks in any order, the colour dialog cancelled, never
// crash the form.
TEST(IconSelectionForm, MonkeyNeverCrashesIt) {
  TMemStream file;
  TwoIcons(file);
  TIconList list;
  list.LoadFromStream(file);
  ScriptedDialogService dialogs;
  ScopedDialogService scope(dialogs);
  RunMonkeyOn({"IconSelectionForm", [&] { return new TIconSelectionForm(list, 0xFF00FF); }, {}, 91});
}

namespace {

// Shows the real selection form while colours come from the script.
class RealIconForm : public ScriptedDialogService {
 public:
  bool ChooseIconImage(const TIconList& list, int32_t& index, uint32_t& transparent) override {
    return DialogService::ChooseIconImage(list, index, transparent);
  }
};

// Pixel (x, y) of image k, top row 0: its palette index (or, for 24 bits,
// the colour index selects) and whether the mask clears it.
int IconIndex(int k, int32_t x, int32_t y) { return (x * 3 + y * 5 + k) % 2; }
bool IconClear(int32_t x, int32_t y) { return (x + 2 * y) % 5 == 0; }
const uint8_t kIconColours[2][3] = {{200, 10, 0}, {30, 40, 250}};  // R, G, B

}  // namespace

// Every image of a file with 1-, 4-, 8- and 24-bit images, picked in the
// form's list with a transparent colour chosen in it, loads with its own
// size, colours and mask.
TEST(IconSelectionForm, EachImagePickedInTheFormLoadsWithTheChosenColourUnderItsMask) {
  const struct {
    int32_t width, height, bits;
  } images[] = {{8, 8, 1}, {13, 16, 4}, {32, 7, 8}, {5, 3, 24}};
  TIconList list;
  list.Kind = IconKind::Icon;
  for (int k = 0; k < 4; ++k) {
    const auto& d = images[k];
    TIconImage& im = list.AddImage(d.width, d.height, d.bits);
    for (int i = 0; i < 2 && d.bits < 24; ++i)
      for (int c = 0; c < 3; ++c) im.Palette[static_cast<size_t>(4 * i + c)] = kIconColours[i][c];
    for (int32_t y = 0; y < d.height; ++y) {
      const int32_t r = d.height - 1 - y;  // rows are stored bottom first
      uint8_t* row = &im.XOR[static_cast<size_t>(r * im.XORBytesPerLine)];
      for (int32_t x = 0; x < d.width; ++x) {
        const int index = IconIndex(k, x, y);
        if (d.bits == 24)
          for (int c = 0; c < 3; ++c) row[3 * x + c] = kIconColours[index][2 - c];
        else
          row[x * d.bits / 8] |= static_cast<uint8_t>(index << (8 - d.bits - x * d.bits % 8));
        if (IconClear(x, y)) im.AND[static_cast<size_t>(r * im.ANDBytesPerLine + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  TMemStream file;
  list.SaveToStream(file);

  RealIconForm dialogs;
  ScopedDialogService scope(dialogs);
  InstallIconSelectionDialog();
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE("image " + std::to_string(k));
    dialogs.colors.push_back(QColor(0, 255, k * 60));
    QTimer::singleShot(0, [k] {
      auto* form = qobject_cast<TIconSelectionForm*>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      ASSERT_EQ(form->SelectBox->count(), 4);
      form->SelectBox->setCurrentIndex(k);
      emit form->SelectBox->activated(k);
      form->TransparentButton->click();
      form->OkButton->click();
    });
    file.SetPosition(0);
    TLinearBitmap b;
    ICOLoader().LoadFromStream(file, "ICO", b);
    const auto& d = images[k];
    ASSERT_EQ(b.Width, d.width);
    ASSERT_EQ(b.Height, d.height);
    EXPECT_EQ(ICOLoader().TransparentColor, 0x00FF00u | uint32_t(k * 60) << 16);
    int wrong = 0;
    for (int32_t y = 0; y < d.height; ++y)
      for (int32_t x = 0; x < d.width; ++x) {
        const uint8_t* p = b.PixelFormat == pf8Bit ? &b.Palette[static_cast<size_t>(3 * b.ScanLine(y)[x])] : b.ScanLine(y) + 3 * x;
        const uint8_t* want = kIconColours[IconIndex(k, x, y)];
        const uint8_t clear[3] = {0, 255, static_cast<uint8_t>(k * 60)};
        if (IconClear(x, y)) want = clear;
        if (p[2] != want[0] || p[1] != want[1] || p[0] != want[2]) ++wrong;
      }
    EXPECT_EQ(wrong, 0);
  }
  ICOLoader().SelectImage = nullptr;
  ICOLoader().TransparentColor = 0xFF00FF;
}
