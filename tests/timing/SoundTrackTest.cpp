// Sound-track reading and beep detection on WAV files written here byte by
// byte, with beeps in known frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "support/TemporaryFolder.h"
#include "timing/SoundTrack.h"

namespace {

struct Chunk {
  std::string id;
  std::vector<uint8_t> body;
};

void Put(std::vector<uint8_t>& out, uint32_t v, int n) {
  for (int k = 0; k < n; ++k) out.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

// A PCM WAV: "fmt ", optional extra chunks, then "data" (omitted when data_id is empty).
std::vector<uint8_t> Wav(int channels, int bits, uint32_t rate, const std::vector<int>& samples,
                         const std::vector<Chunk>& extra = {}, const std::string& data_id = "data") {
  std::vector<uint8_t> fmt;
  const uint32_t block = static_cast<uint32_t>(channels * bits / 8);
  Put(fmt, 1, 2);
  Put(fmt, static_cast<uint32_t>(channels), 2);
  Put(fmt, rate, 4);
  Put(fmt, rate * block, 4);
  Put(fmt, block, 2);
  Put(fmt, static_cast<uint32_t>(bits), 2);
  std::vector<uint8_t> data;
  for (int v : samples) Put(data, static_cast<uint32_t>(bits == 16 ? v : v + 128), bits / 8);
  std::vector<Chunk> chunks = {{"fmt ", fmt}};
  chunks.insert(chunks.end(), extra.begin(), extra.end());
  chunks.push_back({data_id, data});
  std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
  for (const Chunk& c : chunks) {
    body.insert(body.end(), c.id.begin(), c.id.end());
    Put(body, static_cast<uint32_t>(c.body.size()), 4);
    body.insert(body.end(), c.body.begin(), c.body.end());
  }
  std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
  Put(out, static_cast<uint32_t>(body.size()), 4);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::string Write(TemporaryFolder& dir, const std::vector<uint8_t>& bytes) {
  const std::string path = (dir.Path() / "tsy.wav").string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
  return path;
}

// 40 frames of 320 samples (8000 Hz, 25 fps), a square beep in frame `beep`.
std::vector<int> BeepSamples(int beep, int amplitude = 10000) {
  std::vector<int> s(40 * 320, 0);
  for (int i = beep * 320; i < (beep + 1) * 320; ++i) s[static_cast<size_t>(i)] = (i % 2) ? amplitude : -amplitude;
  return s;
}

TEST(SoundTrack, BeepLightsOnlyItsFrame) {
  TemporaryFolder dir;
  for (int beep : {5, 20}) {  // before and after the block starts following the frame
    SCOPED_TRACE(beep);
    SoundTrack t;
    ASSERT_TRUE(t.SoundInit(Write(dir, Wav(1, 16, 8000, BeepSamples(beep))), 40, 25));
    EXPECT_EQ(t.SamplesPerFrameRounded, 320);
    EXPECT_EQ(t.AudioDiscordance, 0);
    for (int f = 0; f < 40; ++f) {
      const SoundFrameResult r = t.GraphDraw(f, SoundChannel::Both, SoundWidth::Wide, 50);
      EXPECT_EQ(r.Detected, f == beep) << f;
      EXPECT_EQ(r.PercentText, f == beep ? "100.00" : "0.00") << f;
    }
  }
}

// Slow cameras give a frame more samples than the 48001 that a block holds
// at least: frame 15 of a 15 fps, 48 kHz track starts at sample 48000. The
// beep is found and drawn in its own frame wherever it lies.
TEST(SoundTrack, BeepsOfSlowFrameRatesAreFound) {
  TemporaryFolder dir;
  const struct {
    int rate, fps, frames;
    std::vector<int> beeps;
  } cases[] = {
      {48000, 15, 45, {5, 14, 20, 44}},
      {44100, 10, 30, {9, 12, 29}},
      {48000, 1, 20, {0, 17}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.fps) + " fps");
    const int per_frame = c.rate / c.fps;
    std::vector<int> samples(size_t(c.frames) * size_t(per_frame), 0);
    for (int beep : c.beeps)
      for (int i = beep * per_frame; i < (beep + 1) * per_frame; ++i) samples[size_t(i)] = (i % 2) ? 10000 : -10000;
    SoundTrack t;
    ASSERT_TRUE(t.SoundInit(Write(dir, Wav(1, 16, uint32_t(c.rate), samples)), c.frames, c.fps));
    ASSERT_EQ(t.SamplesPerFrameRounded, per_frame);
    for (int f = 0; f < c.frames; ++f) {
      const bool beep = std::find(c.beeps.begin(), c.beeps.end(), f) != c.beeps.end();
      const SoundFrameResult r = t.GraphDraw(f, SoundChannel::Both, SoundWidth::Wide, 50);
      EXPECT_EQ(r.Detected, beep) << f;
      EXPECT_EQ(r.PercentText, beep ? "100.00" : "0.00") << f;
      // The frame's centre column reaches past the threshold lines when it beeps.
      bool tall = false;
      for (const SoundColumn& col : r.Columns)
        if (col.x == SoundTrack::kCentreX) tall = std::min(col.y_from, col.y_to) < SoundTrack::kCentreY - 40;
      EXPECT_EQ(tall, beep) << f;
    }
  }
}

// A sound file cut short keeps its frames where the header puts them: the
// beep in frame 20 stays there, frames past the cut read nothing, and the
// missing quarter shows as a discordance. A writer that could not go back to
// fill in the sizes leaves 0xFFFFFFFF (ffmpeg into a pipe) or 0, and the
// file's own length counts.
TEST(SoundTrack, CutAndUnsizedFilesKeepTheirFrames) {
  TemporaryFolder dir;
  const std::vector<uint8_t> whole = Wav(1, 16, 8000, BeepSamples(20));
  const std::vector<uint8_t> cut(whole.begin(), whole.end() - 10 * 320 * 2);
  std::vector<uint8_t> unsized = whole, zero_sized = whole;
  for (size_t at : {size_t{4}, whole.size() - 40 * 320 * 2 - 4}) {
    std::fill_n(unsized.begin() + static_cast<long>(at), 4, uint8_t{0xFF});
    std::fill_n(zero_sized.begin() + static_cast<long>(at), 4, uint8_t{0});
  }
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    int discordance;  // (12800 / 9600 - 1) * 100000 for the cut file
  } cases[] = {{"whole", whole, 0}, {"cut after frame 29", cut, 33333}, {"sizes unknown", unsized, 0}, {"sizes zero", zero_sized, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SoundTrack t;
    ASSERT_TRUE(t.SoundInit(Write(dir, c.bytes), 40, 25));
    EXPECT_EQ(t.SamplesPerFrameRounded, 320);
    EXPECT_EQ(t.AudioDiscordance, c.discordance);
    for (int f : {19, 20, 21, 29, 35}) {
      const SoundFrameResult r = t.GraphDraw(f, SoundChannel::Both, SoundWidth::Wide, 50);
      EXPECT_EQ(r.Detected, f == 20) << f;
      EXPECT_EQ(r.PercentText, f == 20 ? "100.00" : "0.00") << f;
    }
  }
}

TEST(SoundTrack, NothingReadClearsTheSignal) {
  TemporaryFolder dir;
  SoundTrack t;
  ASSERT_TRUE(t.SoundInit(Write(dir, Wav(1, 16, 8000, BeepSamples(20))), 40, 25));
  EXPECT_TRUE(t.GraphDraw(20, SoundChannel::Both, SoundWidth::Wide, 50).Detected);
  const SoundFrameResult past = t.GraphDraw(200, SoundChannel::Both, SoundWidth::Wide, 50);
  EXPECT_FALSE(past.Detected);
  EXPECT_EQ(past.PercentText, "0.00");
  EXPECT_TRUE(past.Columns.empty());
}

TEST(SoundTrack, HeaderLayouts) {
  TemporaryFolder dir;
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    uint64_t offset, length;
  };
  const std::vector<int> four = {1, 2, 3, 4};
  const Case cases[] = {
      {"plain", Wav(1, 16, 8000, four), 44, 8},
      {"list chunk first", Wav(1, 16, 8000, four, {{"LIST", std::vector<uint8_t>(26, 'x')}}), 78, 8},
      {"odd chunk padded", Wav(1, 16, 8000, four, {{"junk", {1, 2, 3}, }}), 44 + 12, 8},
      {"no data chunk", Wav(1, 16, 8000, four, {}, "dat?"), 48, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = c.bytes;
    if (std::string(c.name) == "odd chunk padded") {
      // Odd-sized chunks are followed by a pad byte.
      bytes.insert(bytes.begin() + 12 + 24 + 8 + 3, 0);
      bytes[4] += 1;
    }
    WavInfo info;
    ASSERT_TRUE(ReadWavInfo(Write(dir, bytes), info));
    EXPECT_EQ(info.DataOffset, c.offset);
    EXPECT_EQ(info.DataLength, c.length);
    EXPECT_EQ(info.SampleRate, 8000u);
  }
  WavInfo info;
  EXPECT_FALSE(ReadWavInfo((dir.Path() / "missing.wav").string(), info));
  EXPECT_FALSE(ReadWavInfo(Write(dir, {}), info));
}

TEST(SoundTrack, SampleFormatsAndTexts) {
  TemporaryFolder dir;
  SoundTrack t;
  // 8-bit stereo full scale: (255 - 128) * 256 per channel.
  ASSERT_TRUE(t.SoundInit2(Write(dir, Wav(2, 8, 8000, {127, -128, 0, 127}))));
  EXPECT_EQ(t.GetSoundSample(0), 127 * 256 - 128 * 256);
  EXPECT_EQ(t.GetChannelSample(0, SoundChannel::Left), 127 * 256);
  EXPECT_EQ(t.GetChannelSample(1, SoundChannel::Right), 127 * 256);
  EXPECT_EQ(t.SamplesRead(), 2);
  ASSERT_TRUE(t.SoundInit(Write(dir, Wav(2, 16, 8000, std::vector<int>(2 * 8000))), 26, 25));
  EXPECT_EQ(t.DataTypeText(), "Data Type : 16 Bit  PCM   [stereo]");
  EXPECT_EQ(t.SamplingRateText(), "SamplingRate = 8000");
  // 26 frames at 25 fps need 1.04 s of sound, the file holds 1 s.
  EXPECT_EQ(t.AudioDiscordance, 4000);
  EXPECT_EQ(t.DiscordanceText(), "Discordance of Video/Audio = 4.000%");
  EXPECT_TRUE(t.DiscordanceWarning());
}

}  // namespace

// Header fields no recorder writes: the texts and the drawing stay within
// their ranges instead of overflowing.
TEST(SoundTrack, NonsenseHeadersStayInRange) {
  TemporaryFolder dir;
  struct Case {
    const char* name;
    uint32_t rate;
    int frames;
    int samples;
  } cases[] = {
      {"sample rate of 4 GHz", 0xFFFFFFFFu, 100000, 8},
      {"two billion frames over eight samples", 8000, 2000000000, 8},
      {"both", 0xFFFFFFFFu, 2147483647, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SoundTrack t;
    ASSERT_TRUE(t.SoundInit(Write(dir, Wav(1, 16, c.rate, std::vector<int>(size_t(c.samples), 9000))), c.frames, 25));
    if (c.rate == 0xFFFFFFFFu) {
      EXPECT_TRUE(t.DiscordanceWarning());
    }
    for (int f : {0, 1, 15, 16, c.frames - 1}) {
      const SoundFrameResult r = t.GraphDraw(f, SoundChannel::Both, SoundWidth::Wide, 50);
      for (const SoundColumn& col : r.Columns) {
        EXPECT_GE(col.x, 0);
        EXPECT_LT(col.x, 333);
      }
    }
  }
}
