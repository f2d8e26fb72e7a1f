// libFuzzer target: a WAV sound track of any content through the header
// reading, the waveform around several frames and the header texts.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "timing/SoundTrack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4 || size > (1u << 18)) return 0;
  static const std::string path = "/tmp/tessary-fuzz-" + std::to_string(::getpid()) + ".wav";
  const int frames = data[0] + 1;
  const double rate = data[1] / 4.0;
  const int gain = data[2] * 4 + 1;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data + 3, 1, size - 3, f);
  std::fclose(f);
  SoundTrack t;
  if (t.SoundInit(path, frames, rate)) {
    // Each draw reads a whole block: a few frames keep the runs quick.
    const auto channel = static_cast<SoundChannel>(data[2] % 3);
    for (int frame : {0, 16, frames - 1})
      (void)t.GraphDraw(frame, channel, frame & 1 ? SoundWidth::Expansion : SoundWidth::Wide, gain);
    (void)t.SampleFrameText();
    (void)t.DataTypeText();
    (void)t.DataSizeText();
    (void)t.SamplingRateText();
    (void)t.DiscordanceText();
    (void)t.FrameBoundaries(SoundWidth::Wide);
    (void)t.FrameBoundaries(SoundWidth::Expansion);
  }
  if (t.SoundInit2(path)) {
    for (int i : {0, 1, t.SamplesRead() / 2, t.SamplesRead() - 1, t.SamplesRead()}) {
      (void)t.GetSoundSample(i);
      (void)t.HasSignalAround(i, 5, 10, SoundChannel::Both, gain);
    }
  }
  return 0;
}
