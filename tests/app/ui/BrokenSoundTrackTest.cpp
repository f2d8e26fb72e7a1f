// The sound indicator ('Button9') on a video whose sound track is cut short
// or garbled: the window shows the track or a clear message, never a crash.
#include <QPushButton>

#include "MainRoadFixture.h"
#include "support/BrokenFiles.h"
#include "support/VideoFixtures.h"

namespace {

TEST(BrokenSoundTrack, IsShownOrTold) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto good = m.Path("good.avi");
  AviWriterOptions o;
  o.audio = true;
  ASSERT_TRUE(WriteAvi(good.string(), NumberedFrames(10, 32, 24, 2), o));
  const std::string bytes = ReadFileBytes(good);
  std::vector<BrokenFile> cases = {{"whole", bytes}, {"cut at half", bytes.substr(0, bytes.size() / 2)},
                                   {"last byte missing", bytes.substr(0, bytes.size() - 1)}};
  cases.push_back(Garbled(bytes, bytes.size() / 2));
  cases.push_back(Garbled(bytes, bytes.size() - 200));
  const size_t audio_header = bytes.find("auds");
  ASSERT_NE(audio_header, std::string::npos);
  cases.push_back(WithField32(bytes, bytes.find("strf", audio_header) + 8 + 4, 0, "sampling rate 0"));
  cases.push_back(WithField32(bytes, bytes.find("strf", audio_header) + 8 + 4, 0x7FFFFFFF, "huge sampling rate"));
  // The sound stream's header: its start (in samples) and its initial frames.
  cases.push_back(WithField32(bytes, audio_header + 28, 0x7FFFFFFF, "huge sound start"));
  cases.push_back(WithField32(bytes, audio_header + 16, 0x7FFFFFFF, "huge initial frames"));
  for (size_t i = 0; i < cases.size(); ++i) {
    const BrokenFile& c = cases[i];
    SCOPED_TRACE(c.name);
    // A name of its own: a track made for a video is kept for it.
    const auto video = m.Path("sound" + std::to_string(i) + ".avi");
    if (!m.OpenThroughButton1(WriteFileBytes(video, c.bytes).toStdString())) continue;
    m.dialogs.messages.clear();
    m.dialogs.yes_no_answers.push_back(true);
    m.Click("Button9");
    for (const auto& message : m.dialogs.messages)
      EXPECT_TRUE(IsClearMessage(message.text)) << message.text.toStdString();
    if (i == 0) {
      EXPECT_TRUE(m.W().OpenWindows.SoundGraphOpen);
    }
    if (c.name == "huge sampling rate") {
      EXPECT_EQ(m.dialogs.messages.size(), 1u);
    }
    if (m.W().OpenWindows.SoundGraphOpen) {
      m.W().ShowNeighbor();
      m.W().SoundIndicator->close();
      QApplication::processEvents();
    }
  }
}

}  // namespace
