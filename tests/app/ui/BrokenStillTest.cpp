// 'Load bmp' given a broken picture after a good one was shown: a clear
// message, and the good picture stays on screen and in use.
#include <QImage>

#include "ImageFileLib/Bitmap24Copy.h"
#include "ImageFileLib/LinearBitmap.h"
#include "ImageFileLib/ui/TIconSelectionForm.h"
#include "MainRoadFixture.h"
#include "support/BrokenFiles.h"
#include "support/IconFiles.h"

namespace {

struct StillFormat {
  const char* ext;
  const char* qt_format;  // null: written by our own image library
  size_t width_field;  // where the size is stored; 0: after the JPEG frame marker
};

class BrokenStill : public ::testing::TestWithParam<StillFormat> {};

TEST_P(BrokenStill, IsRefusedAndTheShownPictureStays) {
  const StillFormat f = GetParam();
  MainRoadWindow m(Reader::OwnAvi);
  QImage image(40, 30, QImage::Format_RGB888);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) image.setPixelColor(x, y, QColor(200, x * 5, 0));
  const auto good = m.Path(std::string("good.") + f.ext);
  if (f.qt_format) {
    ASSERT_TRUE(image.save(QString::fromStdString(good.string()), f.qt_format));
  } else {
    Bitmap24 still(40, 30);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) still.Set(x, y, {0, static_cast<uint8_t>(x * 5), 200});
    ImageFile::TLinearBitmap picture;
    ImageFile::AssignFromBitmap24(picture, still);
    picture.SaveToFile(good.string());
  }
  m.dialogs.open_file_names = {QString::fromStdString(good.string())};
  m.Click("Button22");
  TPlatform& w = m.W();
  ASSERT_TRUE(w.Still.BmpMode);
  ASSERT_EQ(w.Driver.FrameBitmap.Width(), 40);
  ASSERT_TRUE(m.dialogs.messages.empty());

  const std::string bytes = ReadFileBytes(good);
  const size_t size_field = f.width_field ? f.width_field : bytes.find("\xFF\xC0") + 5;
  std::vector<BrokenFile> cases = CutShort(bytes);
  cases.push_back(Garbled(bytes, 0));
  cases.push_back(Garbled(bytes, 8));
  cases.push_back(WithField32(bytes, size_field, 0x7FFFFFFF, "huge width"));
  cases.push_back(WithField32(bytes, size_field, 0xFFFFFFF0, "negative width"));
  for (const BrokenFile& c : cases) {
    SCOPED_TRACE(c.name);
    m.dialogs.messages.clear();
    m.dialogs.open_file_names = {WriteFileBytes(m.Path(std::string("broken.") + f.ext), c.bytes)};
    m.Click("Button22");
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_EQ(m.dialogs.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(IsClearMessage(m.dialogs.messages[0].text)) << m.dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(w.Still.BmpMode);
    EXPECT_TRUE(w.Run.VideoLoaded);
    EXPECT_EQ(w.Still.BmpFileName, good.string());
    w.ShowNeighbor();
    ASSERT_EQ(w.Driver.FrameBitmap.Width(), 40);
    EXPECT_NEAR(w.Driver.FrameBitmap.Get(7, 3).g, 35, 4);  // JPEG keeps colours only nearly
    EXPECT_NEAR(w.Driver.FrameBitmap.Get(7, 3).r, 200, 4);
    EXPECT_EQ(m.dialogs.messages.size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, BrokenStill,
                         ::testing::Values(StillFormat{"bmp", "BMP", 18}, StillFormat{"png", "PNG", 16},
                                           StillFormat{"jpg", "JPG", 0},
                                           StillFormat{"pcx", nullptr, 8}),
                         [](const auto& info) { return std::string(info.param.ext); });

}  // namespace

namespace {

// A broken icon file: told (after its image was chosen, when the list could
// be read), and the picture shown before stays.
TEST(BrokenStillIcon, IsRefusedAndTheShownPictureStays) {
  InstallIconSelectionDialog();
  struct Uninstall {
    ~Uninstall() { ImageFile::ICOLoader().SelectImage = nullptr; }
  } uninstall;
  MainRoadWindow m(Reader::OwnAvi);
  const auto good = ShowPlainStill(m);
  TPlatform& w = m.W();
  ASSERT_EQ(w.Driver.FrameBitmap.Width(), 40);

  ImageFile::TMemStream icon;
  TwoIcons(icon);
  const std::vector<uint8_t> v = icon.ToVector();
  const std::string bytes(v.begin(), v.end());
  std::vector<BrokenFile> cases = CutShort(bytes);
  cases.push_back(Garbled(bytes, 6));  // garbled pixels alone still make an icon
  cases.push_back(WithField32(bytes, 4, 0xFFFF, "65535 images"));
  // The chosen (second) image's data offset.
  cases.push_back(WithField32(bytes, 6 + 16 + 12, 0x7FFFFFFF, "image beyond the file"));
  for (const BrokenFile& c : cases) {
    SCOPED_TRACE(c.name);
    m.dialogs.messages.clear();
    m.dialogs.icon_choices = {{1, 0x00FF00}};
    m.dialogs.open_file_names = {WriteFileBytes(m.Path("broken.ico"), c.bytes)};
    m.Click("Button22");
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_TRUE(IsClearMessage(m.dialogs.messages[0].text)) << m.dialogs.messages[0].text.toStdString();
    EXPECT_EQ(w.Still.BmpFileName, good.string());
    w.ShowNeighbor();
    ASSERT_EQ(w.Driver.FrameBitmap.Width(), 40);
    EXPECT_EQ(w.Driver.FrameBitmap.Get(7, 3).r, 200);
  }
}

}  // namespace
