#pragma once
// The largest single allocation made while a probe lives, seen through the
// sanitizer allocator's hooks: a test can tell a refusal made before a
// picture was allocated from one made after. Builds without a sanitizer
// have no hooks; Available() is then false.
#include <cstddef>

class AllocationProbe {
 public:
  AllocationProbe();
  ~AllocationProbe();
  AllocationProbe(const AllocationProbe&) = delete;
  AllocationProbe& operator=(const AllocationProbe&) = delete;

  static bool Available();
  // Bytes of the largest block asked for since the probe was made.
  size_t Largest() const;
};
