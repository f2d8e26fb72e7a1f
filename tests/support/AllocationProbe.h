#pragma once
// The largest single allocation, and the bytes of all allocations, made while
// a probe lives, seen through the sanitizer allocator's hooks: a test can tell
// a refusal made before a picture was allocated from one made after, or a
// reader whose memory follows its input from one that multiplies it. Builds
// without a sanitizer have no hooks; Available() is then false.
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
  // Bytes of every block asked for since then, freed or not.
  size_t Total() const;
};
