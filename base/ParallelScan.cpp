#include "base/ParallelScan.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class ScanPool {
 public:
  ScanPool() {
    const unsigned cores = std::thread::hardware_concurrency();
    const int workers = static_cast<int>(std::clamp(cores, 1u, 4u)) - 1;
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~ScanPool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  int Parallelism() const { return static_cast<int>(threads_.size()) + 1; }

  void Run(int parts, const std::function<void(int)>& part) {
    if (parts <= 0) return;
    if (threads_.empty() || parts == 1) {
      for (int k = 0; k < parts; ++k) part(k);
      return;
    }
    std::lock_guard<std::mutex> one_scan(run_mutex_);  // scans from several threads take turns
    {
      // A worker that woke too late for the last scan leaves it first.
      std::unique_lock<std::mutex> lock(mutex_);
      finished_.wait(lock, [&] { return active_ == 0; });
      part_ = &part;
      parts_ = parts;
      next_.store(0);
      done_ = 0;
      ++generation_;
    }
    wake_.notify_all();
    const int mine = TakeParts();
    std::unique_lock<std::mutex> lock(mutex_);
    done_ += mine;
    // Every worker has left this scan before the next one starts.
    finished_.wait(lock, [&] { return done_ == parts_ && active_ == 0; });
    part_ = nullptr;
  }

 private:
  int TakeParts() {
    int count = 0;
    for (int k = next_.fetch_add(1); k < parts_; k = next_.fetch_add(1)) {
      (*part_)(k);
      ++count;
    }
    return count;
  }

  void Work() {
    uint64_t seen = 0;
    for (;;) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_) return;
        seen = generation_;
        ++active_;
      }
      const int mine = TakeParts();
      std::lock_guard<std::mutex> lock(mutex_);
      done_ += mine;
      --active_;
      if (done_ == parts_ && active_ == 0) finished_.notify_all();
    }
  }

  std::vector<std::thread> threads_;
  std::mutex mutex_, run_mutex_;
  std::condition_variable wake_, finished_;
  const std::function<void(int)>* part_ = nullptr;
  int parts_ = 0;
  std::atomic<int> next_{0};
  int done_ = 0;
  int active_ = 0;  // workers inside the current scan
  uint64_t generation_ = 0;
  bool stop_ = false;
};

ScanPool& Pool() {
  static ScanPool pool;
  return pool;
}

}  // namespace

void RunParts(int parts, const std::function<void(int)>& part) { Pool().Run(parts, part); }

int ScanParallelism() { return Pool().Parallelism(); }
