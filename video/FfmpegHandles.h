#pragma once
// One owner per FFmpeg handle, each freed by its own free function.
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

struct AvFormatCloser {
  void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct AvCodecContextFreer {
  void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct AvFrameFreer {
  void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct AvPacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsFreer {
  void operator()(SwsContext* p) const { sws_freeContext(p); }
};

using AvFormatPtr = std::unique_ptr<AVFormatContext, AvFormatCloser>;
using AvCodecContextPtr = std::unique_ptr<AVCodecContext, AvCodecContextFreer>;
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFreer>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketFreer>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFreer>;

inline AvFramePtr MakeAvFrame() { return AvFramePtr(av_frame_alloc()); }
inline AvPacketPtr MakeAvPacket() { return AvPacketPtr(av_packet_alloc()); }
