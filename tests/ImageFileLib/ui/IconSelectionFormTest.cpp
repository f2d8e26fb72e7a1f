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
