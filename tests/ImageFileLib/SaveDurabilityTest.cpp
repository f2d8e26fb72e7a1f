// A saved picture replaces the earlier file only once its bytes are on the
// disk: a failure that shows only when the file is synced (a network folder
// or a quota that takes the writes and refuses them later) is reported and
// leaves the earlier file as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "ImageFileLib/SavePicture.h"
#include "ImageFileTestUtil.h"
#include "support/FailingSync.h"

using namespace ImageFile;

namespace {
// Runs f for each type of the save dialog with the extension it gives.
template <class F>
void ForEachPictureType(F&& f) {
  const char* extensions[] = {"", ".png", ".jpg", ".bmp"};
  for (int type = 1; type <= 3; ++type) {
    SCOPED_TRACE(type);
    f(type, std::string(extensions[type]));
  }
}
}  // namespace

TEST(SaveDurability, ASyncFailureIsReportedAndTheEarlierFileStays) {
  TempFolder folder;
  const TLinearBitmap frame = MakeTestBitmap(40, 30, pf24Bit);
  ForEachPictureType([&](int type, const std::string& extension) {
    const std::string name = folder.File("shot" + extension);
    WriteFileBytes(name, {'o', 'l', 'd'});
    std::string error;
    try {
      ScopedFailingSync failing;
      SavePicture(frame, name, type);
    } catch (const std::exception& e) {
      error = e.what();
    }
    EXPECT_NE(error.find("Input/output error"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(name), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), std::filesystem::directory_iterator()),
              type);  // no temporary file left behind
    // And a save that syncs replaces it.
    const int before = SyncCount();
    ASSERT_TRUE(SavePicture(frame, name, type));
    EXPECT_GT(SyncCount(), before);
    EXPECT_GT(ReadFileBytes(name).size(), 3u);
  });
}

// The temporary file beside the picture must be a valid name too: a picture
// whose own name is as long as a file name may be still saves.
TEST(SaveDurability, ALongestFileNameStillSaves) {
  TempFolder folder;
  const TLinearBitmap frame = MakeTestBitmap(8, 6, pf24Bit);
  ForEachPictureType([&](int type, const std::string& extension) {
    const std::string stem(255 - 4, static_cast<char>('a' + type));  // NAME_MAX with the extension
    const std::string name = folder.File(stem + extension);
    ASSERT_TRUE(SavePicture(frame, name, type));
    EXPECT_GT(ReadFileBytes(name).size(), 3u);
  });
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), std::filesystem::directory_iterator()), 3);
}
