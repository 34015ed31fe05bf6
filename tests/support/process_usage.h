// What a process holds that a leak would make grow, counted in ways that
// work under Wine, which answers 0 to GetGuiResources(GR_GDIOBJECTS) and to
// GetProcessHandleCount:
// - GDI objects: the type of every handle index is asked (Wine finds an
//   object by the index part of its handle alone);
// - kernel handles: this process's entries in the system's handle list
//   (NtQuerySystemInformation, extended handle information);
// - memory: the busy blocks of every heap (HeapWalk), and the pagefile
//   usage, which also covers memory outside the heaps (bitmap bits).
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

// Whether Wine checks every heap on every heap call in this process (the
// heap tiers of scripts/test). Heap and pagefile figures then grow without
// a leak (measured: about 1000 heap blocks and 85 MB over 100 previews),
// and every heap call costs many times as much: tests that count leaks
// over many rounds skip themselves.
bool HeapChecked();

}  // namespace test
