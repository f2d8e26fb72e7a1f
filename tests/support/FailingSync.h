#pragma once
// A folder that takes the writes and refuses them only when they are synced (a
// network folder, a quota): while a ScopedFailingSync lives, fsync in the test
// program that uses it fails with EIO. Otherwise fsync passes through.
#include <atomic>

class ScopedFailingSync {
 public:
  ScopedFailingSync();
  ~ScopedFailingSync();
  ScopedFailingSync(const ScopedFailingSync&) = delete;
  ScopedFailingSync& operator=(const ScopedFailingSync&) = delete;
};

// The calls to fsync so far, failed or not.
int SyncCount();
