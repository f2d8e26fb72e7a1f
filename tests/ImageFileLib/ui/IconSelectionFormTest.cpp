// The icon choice of a file with several images, through the real dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <sstream>

#include "ImageFileLib/IconFile.h"
#include "ImageFileLib/ui/TIconSelectionForm.h"
#include "../ImageFileTestUtil.h"
#include "support/IconFiles.h"
#include "support/WindowMonkey.h"
#include "base/ui/DialogService.h"

using namespace ImageFile;

TEST(IconSelectionForm, ListsImagesPreviewsAndPicksTheColour) {
  const TIconList list = TwoIconList();
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

// In the program's font and in one half as large again, the buttons'
// captions, the widest colour text and the note show whole, nothing overlaps
// and all lies inside the dialog.
TEST(IconSelectionForm, CaptionsAndTheNoteShowWhole) {
  const TIconList list = TwoIconList();
  const QFont program_font = QApplication::font();
  for (double scale : {1.0, 1.5}) {
    SCOPED_TRACE("font scaled by " + std::to_string(scale));
    QFont font = program_font;
    font.setPointSizeF(program_font.pointSizeF() * scale);
    QApplication::setFont(font);
    TIconSelectionForm form(list, 0xFF00FF);
    form.show();
    for (QChar digit : QString("0123456789abcdef")) {
      form.ColorLabel->setText("$" + QString(6, digit));
      EXPECT_GE(form.ColorLabel->width(), form.ColorLabel->sizeHint().width()) << form.ColorLabel->text().toStdString();
      EXPECT_GE(form.ColorLabel->height(), form.ColorLabel->sizeHint().height());
    }
    QLabel* note = nullptr;
    for (auto* label : form.findChildren<QLabel*>())
      if (label->text().startsWith("Note that")) note = label;
    ASSERT_NE(note, nullptr);
    for (QPushButton* button : {form.TransparentButton, form.OkButton, form.CancelButton})
      EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
    EXPECT_GE(note->height(), note->heightForWidth(note->width()));
    EXPECT_LT(note->geometry().bottom(), form.OkButton->y());
    EXPECT_LT(form.SelectBox->geometry().right(), form.TransparentButton->x());
    for (QWidget* w : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      EXPECT_TRUE(form.rect().contains(w->geometry())) << w->metaObject()->className();
    if (scale == 1.0) {
      EXPECT_EQ(form.PanelFrame->geometry(), QRect(8, 36, 18, 18));
      EXPECT_EQ(form.ColorPanel->geometry(), QRect(208, 40, 25, 25));
    }
  }
  QApplication::setFont(program_font);
}

// An image picked with the arrow key and a colour chosen stay picked when
// the dialog is minimised and restored before Ok is pressed.
TEST(IconSelectionForm, MinimisingAndRestoringKeepsTheChoice) {
  const TIconList list = TwoIconList();
  ScriptedDialogService dialogs;
  ScopedDialogService scope(dialogs);
  dialogs.colors.push_back(QColor(0, 0, 255));
  std::string shown_after;
  QTimer::singleShot(0, [&] {
    auto* form = qobject_cast<TIconSelectionForm*>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr);
    form->SelectBox->setFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(form->SelectBox, &down);
    form->TransparentButton->click();
    form->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    form->setWindowState(Qt::WindowNoState);
    QApplication::processEvents();
    shown_after = (form->SelectBox->currentText() + " " + QString::number(form->PanelFrame->width())).toStdString();
    form->OkButton->click();
  });
  int32_t index = -1;
  uint32_t transparent = 0xFF00FF;
  ASSERT_TRUE(dialogs.DialogService::ChooseIconImage(list, index, transparent));
  EXPECT_EQ(shown_after, "Icon 32 x 32 8 bit 34");
  EXPECT_EQ(index, 1);
  EXPECT_EQ(transparent, 0xFF0000u);
}

// Nonsense keys and clicks in any order, the colour dialog cancelled, never
// crash the form.
TEST(IconSelectionForm, MonkeyNeverCrashesIt) {
  const TIconList list = TwoIconList();
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

namespace {

// Pillow writes a 32-pixel two-level, a 64-pixel palette, a 96-pixel colour
// and a 224-pixel grey icon, each as a file of its own (argv[1]/N.ico) given a
// pattern of transparent pixels; their entries are joined into argv[1]/all.ico
// in that order. Printed per image: width, height, and R, G, B, A of the
// pixels the 191 x 71 preview can show, as Pillow reads the single file.
const char* const kPillowIcons = R"(import sys, struct
from PIL import Image
folder = sys.argv[1]
entries, datas = [], []
for w, mode in [(32, '1'), (64, 'P'), (96, 'RGB'), (224, 'L')]:
    im = Image.new('RGB', (w, w))
    im.putdata([((x * 37 + y) % 256, (y * 11) % 256, (x * y) % 256) for y in range(w) for x in range(w)])
    if mode != 'RGB':
        im = im.convert(mode)
    name = '%s/%d.ico' % (folder, w)
    im.save(name, sizes=[(w, w)], bitmap_format='bmp')
    raw = bytearray(open(name, 'rb').read())
    size, offset = struct.unpack('<II', raw[14:22])
    # Pillow leaves every pixel opaque: a pattern of mask bits clears some.
    mask = (w + 31) // 32 * 4 * w
    for i in range(mask):
        raw[offset + size - mask + i] = (0x29 * i + i // 7) % 256
    open(name, 'wb').write(raw)
    entries.append(raw[6:14])
    datas.append(raw[offset:offset + size])
    back = Image.open(name).ico.frame(0).convert('RGBA')
    shown = [back.getpixel((x, y)) for y in range(min(w, 71)) for x in range(min(w, 191))]
    print(w, w, ' '.join(str(v) for p in shown for v in p))
out = struct.pack('<HHH', 0, 1, len(entries))
offset = 6 + 16 * len(entries)
for e, d in zip(entries, datas):
    out += e + struct.pack('<II', len(d), offset)
    offset += len(d)
open(folder + '/all.ico', 'wb').write(out + b''.join(datas))
)";

}  // namespace

// The preview as the dialog paints it, for each image of a file Pillow wrote,
// stepped through with the arrow key after a colour was chosen: Pillow's
// pixels where the image is opaque, the chosen colour where its mask clears
// it, in a panel of the image's size clipped to 193 x 73.
TEST(IconSelectionForm, ThePreviewShowsEachImageAsPillowReadsIt) {
  TempFolder folder;
  int status = 0;
  std::istringstream pillow(RunPython(folder, kPillowIcons, folder.Path().string(), status));
  ASSERT_EQ(status, 0) << pillow.str();
  const std::vector<uint8_t> bytes = ReadFileBytes(folder.File("all.ico"));
  TMemStream file;
  file.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  TIconList list;
  list.LoadFromStream(file);
  ASSERT_EQ(list.Count(), 4);
  ScriptedDialogService dialogs;
  ScopedDialogService scope(dialogs);
  dialogs.colors.push_back(QColor(10, 250, 20));
  TIconSelectionForm form(list, 0xFF00FF);
  form.show();
  form.TransparentButton->click();
  EXPECT_EQ(form.ColorLabel->text(), "$0afa14");
  form.SelectBox->setFocus();
  for (int k = 0; k < 4; ++k) {
    int width = 0, height = 0;
    pillow >> width >> height;
    SCOPED_TRACE(std::to_string(width) + " pixels");
    if (k > 0) {
      QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
      QApplication::sendEvent(form.SelectBox, &down);
    }
    ASSERT_EQ(form.SelectBox->currentIndex(), k);
    ASSERT_EQ(form.PanelFrame->width(), std::min(width + 2, 193));
    ASSERT_EQ(form.PanelFrame->height(), std::min(height + 2, 73));
    const QImage shown = form.PanelFrame->grab().toImage();
    int wrong = 0;
    for (int y = 0; y < std::min(height, 71); ++y)
      for (int x = 0; x < std::min(width, 191); ++x) {
        int r, g, b, a;
        pillow >> r >> g >> b >> a;
        if (!a) r = 10, g = 250, b = 20;
        const QRgb got = shown.pixel(x + 1, y + 1);
        wrong += qRed(got) != r || qGreen(got) != g || qBlue(got) != b;
      }
    ASSERT_TRUE(pillow) << "Pillow printed too few values";
    EXPECT_EQ(wrong, 0);
  }
}
