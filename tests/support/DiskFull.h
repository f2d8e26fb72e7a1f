#pragma once
// A disk that fills up while a file is written: for as long as it lives, no
// file of this process can grow beyond `bytes`; a write past it fails with
// EFBIG (SIGXFSZ is ignored meanwhile), as a write to a full disk fails with
// ENOSPC. Works for root too, where read-only folders do not stop writes.
#include <signal.h>
#include <sys/resource.h>

class ScopedDiskFull {
 public:
  explicit ScopedDiskFull(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_limit_);
    old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_limit_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~ScopedDiskFull() {
    ::setrlimit(RLIMIT_FSIZE, &old_limit_);
    ::signal(SIGXFSZ, old_handler_);
  }
  ScopedDiskFull(const ScopedDiskFull&) = delete;
  ScopedDiskFull& operator=(const ScopedDiskFull&) = delete;

 private:
  rlimit old_limit_{};
  sighandler_t old_handler_ = SIG_DFL;
};
