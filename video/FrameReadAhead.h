#pragma once
// Reads the next few frames ahead, in order, on a worker thread while the
// caller works on the frame before them. The worker uses the caller's frame
// source while frames are queued, so the source's owner calls Drop (which
// waits for the worker) before it touches the source in any other way.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/Bitmap24.h"

// A frame as the caller asks for it: its number and the rate that times it.
struct ReadAheadKey {
  int32_t Frame = -1;
  long double Rate = 0;
  friend bool operator==(const ReadAheadKey&, const ReadAheadKey&) = default;
};

class FrameReadAhead {
 public:
  // Reads a frame into `out`, sets `status`; true when it filled `out`.
  using ReadFn = std::function<bool(Bitmap24& out, std::string& status)>;

  FrameReadAhead() = default;
  FrameReadAhead(const FrameReadAhead&) = delete;
  FrameReadAhead& operator=(const FrameReadAhead&) = delete;
  ~FrameReadAhead();

  // Queues the frame `key`, read by `read` after the frames queued before it.
  void Start(const ReadAheadKey& key, ReadFn read);
  // When the first frame queued is `key`: waits for it and hands over the
  // status, and the picture when the read filled one (as the direct read
  // would have). For any other frame: false with nothing touched, and every
  // queued frame dropped.
  bool Take(const ReadAheadKey& key, Bitmap24& out, std::string& status);
  // Waits for the worker and forgets every queued frame; frees their memory.
  void Drop();
  size_t Queued();
  // The frame queued last, if any.
  std::optional<ReadAheadKey> LastQueued();

 private:
  enum class State { Queued, Reading, Done };
  struct Slot {
    ReadAheadKey key;
    ReadFn read;
    State state = State::Queued;
    // Written by the worker while Reading, by the caller once Done.
    Bitmap24 frame;
    std::string status;
    bool filled = false;
    std::exception_ptr error;
  };
  void Work();
  void DropLocked(std::unique_lock<std::mutex>& lock);
  void Recycle(std::unique_ptr<Slot> slot);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread worker_;
  bool quit_ = false;
  std::deque<std::unique_ptr<Slot>> queue_;
  std::vector<std::unique_ptr<Slot>> spare_;  // taken frames' slots, their bitmaps' memory kept for the next
};
