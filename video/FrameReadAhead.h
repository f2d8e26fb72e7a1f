#pragma once
// Reads one frame ahead on a worker thread while the caller works on the
// frame before it. The worker uses the caller's frame source between Start
// and the next Take or Drop, so the source's owner calls Drop (which waits
// for the worker) before it touches the source in any other way.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

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

  // Starts reading the frame `key` with `read` (after dropping any other).
  void Start(const ReadAheadKey& key, ReadFn read);
  // When the frame read ahead is `key`: waits for it and hands over the
  // status, and the picture when the read filled one (as the direct read
  // would have). False, with nothing touched, for any other frame; the one
  // read ahead is dropped either way.
  bool Take(const ReadAheadKey& key, Bitmap24& out, std::string& status);
  // Waits for the worker and forgets its frame.
  void Drop();

 private:
  enum class State { Idle, Queued, Reading, Done };
  void Work();
  void WaitDone(std::unique_lock<std::mutex>& lock);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread worker_;
  State state_ = State::Idle;
  bool quit_ = false;
  ReadAheadKey key_;
  ReadFn read_;
  // Written by the worker while Reading, by the caller otherwise.
  Bitmap24 frame_;
  std::string status_;
  bool filled_ = false;
  std::exception_ptr error_;
};
