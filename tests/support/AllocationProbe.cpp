#include "support/AllocationProbe.h"

#include <atomic>

extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                        void (*free_hook)(const volatile void*))
    __attribute__((weak));

namespace {

std::atomic<int> probes{0};
std::atomic<size_t> largest{0};
std::atomic<size_t> total{0};

void OnMalloc(const volatile void*, size_t size) {
  if (probes.load(std::memory_order_relaxed) == 0) return;
  total.fetch_add(size, std::memory_order_relaxed);
  size_t seen = largest.load(std::memory_order_relaxed);
  while (size > seen && !largest.compare_exchange_weak(seen, size)) {
  }
}

void OnFree(const volatile void*) {}

// Hooks cannot be removed, so they are installed once and stay idle without a probe.
bool Installed() {
  static const bool installed =
      __sanitizer_install_malloc_and_free_hooks != nullptr && __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
  return installed;
}

}  // namespace

AllocationProbe::AllocationProbe() {
  Installed();
  largest = 0;
  total = 0;
  ++probes;
}

AllocationProbe::~AllocationProbe() { --probes; }

bool AllocationProbe::Available() { return Installed(); }

size_t AllocationProbe::Largest() const { return largest.load(); }

size_t AllocationProbe::Total() const { return total.load(); }
