#include "video/FrameReadAhead.h"

#include <algorithm>
#include <utility>

FrameReadAhead::~FrameReadAhead() {
  {
    std::unique_lock lock(mutex_);
    DropLocked(lock);
    quit_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void FrameReadAhead::Recycle(std::unique_ptr<Slot> slot) {
  slot->read = nullptr;
  slot->error = nullptr;
  spare_.push_back(std::move(slot));
}

void FrameReadAhead::DropLocked(std::unique_lock<std::mutex>& lock) {
  // Frames not begun are dropped at once; the one being read is waited for.
  while (!queue_.empty() && queue_.back()->state == State::Queued) queue_.pop_back();
  changed_.wait(lock, [this] {
    return std::none_of(queue_.begin(), queue_.end(), [](const auto& s) { return s->state == State::Reading; });
  });
  queue_.clear();
  // A dropped read-ahead is a run that ended or a jump: give the memory back.
  spare_.clear();
}

void FrameReadAhead::Start(const ReadAheadKey& key, ReadFn read) {
  {
    std::unique_lock lock(mutex_);
    // One worker for the life of the reader: a thread per frame costs more
    // than some frames take to read.
    if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
    std::unique_ptr<Slot> slot;
    if (spare_.empty()) {
      slot = std::make_unique<Slot>();
    } else {
      slot = std::move(spare_.back());
      spare_.pop_back();
    }
    slot->key = key;
    slot->read = std::move(read);
    slot->state = State::Queued;
    slot->status.clear();
    slot->filled = false;
    queue_.push_back(std::move(slot));
  }
  changed_.notify_all();
}

void FrameReadAhead::Work() {
  std::unique_lock lock(mutex_);
  while (true) {
    Slot* slot = nullptr;
    changed_.wait(lock, [this, &slot] {
      for (auto& s : queue_) {
        if (s->state == State::Queued) {
          slot = s.get();
          break;
        }
      }
      return quit_ || slot;
    });
    if (quit_) return;
    slot->state = State::Reading;
    ReadFn read = std::move(slot->read);
    lock.unlock();
    // The slot stays in the queue while Reading: nobody else touches it.
    try {
      slot->filled = read(slot->frame, slot->status);
    } catch (...) {
      slot->error = std::current_exception();
    }
    lock.lock();
    slot->state = State::Done;
    changed_.notify_all();
  }
}

bool FrameReadAhead::Take(const ReadAheadKey& key, Bitmap24& out, std::string& status) {
  std::unique_lock lock(mutex_);
  if (queue_.empty()) return false;
  if (!(queue_.front()->key == key)) {
    DropLocked(lock);
    return false;
  }
  changed_.wait(lock, [this] { return queue_.front()->state == State::Done; });
  std::unique_ptr<Slot> slot = std::move(queue_.front());
  queue_.pop_front();
  // The read's own failure reaches the caller as the direct read's would.
  if (slot->error) {
    std::exception_ptr error = slot->error;
    Recycle(std::move(slot));
    std::rethrow_exception(error);
  }
  status = slot->status;
  if (slot->filled) std::swap(out, slot->frame);
  Recycle(std::move(slot));
  return true;
}

void FrameReadAhead::Drop() {
  std::unique_lock lock(mutex_);
  DropLocked(lock);
}

size_t FrameReadAhead::Queued() {
  std::unique_lock lock(mutex_);
  return queue_.size();
}

std::optional<ReadAheadKey> FrameReadAhead::LastQueued() {
  std::unique_lock lock(mutex_);
  if (queue_.empty()) return std::nullopt;
  return queue_.back()->key;
}
