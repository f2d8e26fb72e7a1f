#include "video/FrameReadAhead.h"

#include <utility>

FrameReadAhead::~FrameReadAhead() {
  {
    std::unique_lock lock(mutex_);
    WaitDone(lock);
    quit_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void FrameReadAhead::WaitDone(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return state_ == State::Idle || state_ == State::Done; });
}

void FrameReadAhead::Start(const ReadAheadKey& key, ReadFn read) {
  {
    std::unique_lock lock(mutex_);
    WaitDone(lock);
    // One worker for the life of the reader: a thread per frame costs more
    // than some frames take to read.
    if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
    key_ = key;
    read_ = std::move(read);
    error_ = nullptr;
    state_ = State::Queued;
  }
  changed_.notify_all();
}

void FrameReadAhead::Work() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return quit_ || state_ == State::Queued; });
    if (quit_) return;
    state_ = State::Reading;
    ReadFn read = std::move(read_);
    lock.unlock();
    std::string status;
    bool filled = false;
    std::exception_ptr error;
    try {
      filled = read(frame_, status);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    status_ = std::move(status);
    filled_ = filled;
    error_ = error;
    state_ = State::Done;
    changed_.notify_all();
  }
}

bool FrameReadAhead::Take(const ReadAheadKey& key, Bitmap24& out, std::string& status) {
  std::unique_lock lock(mutex_);
  if (state_ == State::Idle) return false;
  WaitDone(lock);
  state_ = State::Idle;
  if (!(key_ == key)) return false;
  // The read's own failure reaches the caller as the direct read's would.
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  status = status_;
  if (filled_) std::swap(out, frame_);
  return true;
}

void FrameReadAhead::Drop() {
  std::unique_lock lock(mutex_);
  WaitDone(lock);
  state_ = State::Idle;
  error_ = nullptr;
}
