// What a process holds that a leak would make grow, counted in ways that
// work under Wine (which answers 0 to GetGuiResources and
// GetProcessHandleCount): the type of every GDI handle index, this
// process's entries in the system's handle list, the busy blocks of every
// heap, and the pagefile usage (memory outside the heaps: bitmap bits).
#pragma once

#include <cstddef>

namespace test {

struct ProcessUsage {
  long gdiObjects = 0;
  long kernelHandles = 0;  // -1 when the handle list cannot be read
  size_t heapBlocks = 0;
  size_t heapBytes = 0;
  size_t pagefileBytes = 0;

  static ProcessUsage Measure();
};

// Whether Wine checks every heap on every heap call (the heap tiers of
// scripts/test): heap and pagefile figures then grow without a leak and heap
// calls are slow, so tests that count leaks over many rounds skip themselves.
bool HeapChecked();

}  // namespace test
