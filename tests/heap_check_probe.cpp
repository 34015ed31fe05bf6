// Proof that the heap check of the heap tiers works: writes one byte past
// a block of a private heap and of the C runtime's heap (where new and
// malloc allocate), then frees both. With Wine validating every heap on
// every call, each free is refused and Wine reports the block as
// "err:heap:... invalid block tail"; ctest passes the probe only on those
// reports and fails it on "missed". Not a GoogleTest program: it corrupts
// heaps on purpose, and runs only in the heap tiers.
#include <windows.h>
#include <malloc.h>

#include <cstdio>

namespace {

// One byte past the `size` bytes asked for: inside the block's tail, where
// nothing but Wine's fill pattern belongs. Written through a volatile
// pointer, so that neither the compiler nor the fortified functions stop
// it first.
bool FreeAfterOverrun(HANDLE heap, void* block, size_t size) {
  volatile char* bytes = static_cast<char*>(block);
  for (size_t i = 0; i <= size; ++i)
    bytes[i] = 'x';
  return HeapFree(heap, 0, block) == FALSE;  // refused: the heap check saw it
}

}  // namespace

int main() {
  constexpr size_t kSize = 13;
  HANDLE privateHeap = HeapCreate(0, 0, 0);
  const bool privateSeen = FreeAfterOverrun(privateHeap, HeapAlloc(privateHeap, 0, kSize), kSize);
  // The C runtime's heap, freed through the heap handle the runtime gives
  // out, so that the refusal can be seen.
  auto runtimeHeap = reinterpret_cast<HANDLE>(_get_heap_handle());
  const bool runtimeSeen = FreeAfterOverrun(runtimeHeap, malloc(kSize), kSize);
  printf("private heap overrun %s\n", privateSeen ? "refused" : "missed");
  printf("runtime heap overrun %s\n", runtimeSeen ? "refused" : "missed");
  return privateSeen && runtimeSeen ? 0 : 1;
}
