#include "support/FailingSync.h"

#include <dlfcn.h>
#include <errno.h>

namespace {
std::atomic<int> failing_syncs{0};
std::atomic<int> syncs{0};
}  // namespace

ScopedFailingSync::ScopedFailingSync() { ++failing_syncs; }
ScopedFailingSync::~ScopedFailingSync() { --failing_syncs; }

int SyncCount() { return syncs; }

// Stands in for the C library's fsync in every test program that uses the
// class above (this object file is linked in only then).
extern "C" int fsync(int fd) {
  ++syncs;
  if (failing_syncs > 0) {
    errno = EIO;
    return -1;
  }
  using Fn = int (*)(int);
  static const Fn real = reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, "fsync"));
  return real ? real(fd) : 0;
}
