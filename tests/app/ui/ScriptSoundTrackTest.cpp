// 'Audio Channel Display' on a video opened through its AviSynth script: the
// sound track of the video the script reads is shown.
#include <QPushButton>

#include "MainRoadFixture.h"
#include "support/VideoFixtures.h"

namespace {

TEST(ScriptSoundTrack, IsTheSoundOfTheScriptsVideo) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto video = m.Path("beside.avi");
  AviWriterOptions o;
  o.audio = true;
  ASSERT_TRUE(WriteAvi(video.string(), NumberedFrames(10, 32, 24, 2), o));
  const auto script = m.Path("beside.avs");
  std::ofstream(script, std::ios::binary) << "AVISource(\"" << video.string() << "\")\r\n";

  ASSERT_TRUE(m.OpenThroughButton1(script));
  m.dialogs.messages.clear();
  m.dialogs.yes_no_answers.push_back(true);
  m.Click("Button9");
  EXPECT_TRUE(m.dialogs.messages.empty()) << m.dialogs.messages.front().text.toStdString();
  ASSERT_TRUE(m.W().OpenWindows.SoundGraphOpen);
  EXPECT_TRUE(std::filesystem::exists(m.Path("tsy.wav")));
  m.W().SoundIndicator->close();
  QApplication::processEvents();
}

}  // namespace
