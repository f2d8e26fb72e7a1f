// A settings file beside the program that is cut short, garbled or holds
// nonsense values: the window starts, opens a video and measures a frame
// without a crash, and any message it shows is clear.
#include <QPushButton>

#include "MainRoadFixture.h"
#include "support/BrokenFiles.h"
#include "support/FactorySettingsText.h"

namespace {

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
  const size_t at = s.find(from);
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

TEST(BrokenSettingsFile, TheWindowStillStartsAndMeasures) {
  TestFolder dir;
  ScriptedDialogService dialogs;
  ScopedDialogService use{dialogs};
  const auto bin = dir / "bin";
  std::filesystem::create_directories(bin);
  const std::string good = FactorySettingsText(bin.string() + "/");
  const auto video = dir / "steady.avi";
  ASSERT_TRUE(WriteSteadyStarVideo(video, 4));

  std::vector<BrokenFile> cases = CutShort(good);
  cases.push_back(Garbled(good, 0));
  cases.push_back(Garbled(good, good.size() / 2));
  cases.push_back({"huge radius", Replaced(good, "Radius of Aperture=", "Radius of Aperture=2147483647\r\nx=")});
  cases.push_back({"negative radius", Replaced(good, "Radius of Aperture=", "Radius of Aperture=-5\r\nx=")});
  cases.push_back({"unknown reader", Replaced(good, "API for reading file=", "API for reading file=Nonsense\r\nx=")});
  cases.push_back({"a very long line", good + "[Files]\r\nPath to .AVI files=" + std::string(1 << 20, 'a') + "\r\n"});
  for (const BrokenFile& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.messages.clear();
    WriteFileBytes(bin / "tessary.ini", c.bytes);
    TPlatform w(PlatformOptions{bin / "tessary"});
    dialogs.open_file_names.push_back(QString::fromStdString(video.string()));
    w.findChild<QPushButton*>("Button1")->click();
    EXPECT_TRUE(w.Run.VideoLoaded);
    w.findChild<QPushButton*>("Button16")->click();
    for (const auto& m : dialogs.messages) EXPECT_TRUE(IsClearMessage(m.text)) << m.text.toStdString();
  }
}

}  // namespace
