#include "video/CaptureDevices.h"

#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

namespace {

void RegisterDevices() {
  static std::once_flag once;
  std::call_once(once, [] { avdevice_register_all(); });
}

// The sources one input format lists; nothing when the format is missing or
// cannot list (no such subsystem on this machine).
std::vector<CaptureDevice> ListSources(const char* format) {
  std::vector<CaptureDevice> out;
  const AVInputFormat* f = av_find_input_format(format);
  if (!f) return out;
  AVDeviceInfoList* list = nullptr;
  if (avdevice_list_input_sources(f, nullptr, nullptr, &list) < 0 || !list) {
    avdevice_free_list_devices(&list);
    return out;
  }
  for (int i = 0; i < list->nb_devices; ++i) {
    const AVDeviceInfo* d = list->devices[i];
    if (!d || !d->device_name) continue;
    const std::string desc = d->device_description ? d->device_description : "";
    CaptureDevice c;
    c.Name = desc.empty() ? d->device_name : desc + " (" + d->device_name + ")";
    c.Format = format;
    c.Url = d->device_name;
    out.push_back(std::move(c));
  }
  avdevice_free_list_devices(&list);
  return out;
}

}  // namespace

CaptureDevice TestPatternDevice(int width, int height, int rate) {
  CaptureDevice d;
  d.Name = kTestPatternName;
  d.Format = "lavfi";
  // "realtime" paces the generator like a camera.
  d.Url = "testsrc2=size=" + std::to_string(width) + "x" + std::to_string(height) + ":rate=" + std::to_string(rate) +
          ",format=bgr24,realtime";
  return d;
}

std::vector<CaptureDevice> EnumerateVideoDevices() {
  RegisterDevices();
  std::vector<CaptureDevice> out = ListSources("video4linux2");
  for (auto& d : out) d.Format = "video4linux2";
  BoundList(out, kMaxVideoDevices - 1);
  out.push_back(TestPatternDevice());
  return out;
}

std::vector<CaptureDevice> EnumerateAudioDevices() {
  RegisterDevices();
  std::vector<CaptureDevice> out;
  for (const char* format : {"alsa", "pulse"}) {
    std::vector<CaptureDevice> more = ListSources(format);
    out.insert(out.end(), more.begin(), more.end());
  }
  BoundList(out, kMaxAudioDevices);
  return out;
}

std::vector<CaptureCompressor> EnumerateCompressors() {
  static const CaptureCompressor kKnown[] = {
      {"Uncompressed RGB", "rawvideo"},
      {kDvEncoderName, "dvvideo"},
      {"Motion JPEG", "mjpeg"},
      {"Huffyuv (lossless)", "huffyuv"},
      {"FFV1 (lossless)", "ffv1"},
  };
  std::vector<CaptureCompressor> out;
  for (const auto& c : kKnown)
    if (avcodec_find_encoder_by_name(c.Encoder.c_str())) out.push_back(c);
  BoundList(out, kMaxCompressors);
  return out;
}
