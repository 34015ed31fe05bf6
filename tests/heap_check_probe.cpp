// Proof that the heap tiers' heap check works: one byte written past a block
// of a private heap and of the C runtime's heap (where new and malloc
// allocate), then each freed. Wine, validating every heap on every call,
// refuses each free and reports "err:heap:... invalid block tail"; ctest
// passes the probe only on those reports and fails it on "missed". Not a
// GoogleTest program: it corrupts heaps on purpose.
#include <windows.h>
#include <malloc.h>

#include <cstdio>

namespace {

// Through a volatile pointer, so that neither the compiler nor the fortified
// functions stop the overrun first. True when the free is refused.
bool FreeAfterOverrun(HANDLE heap, void* block, size_t size) {
  volatile char* bytes = static_cast<char*>(block);
  for (size_t i = 0; i <= size; ++i)
    bytes[i] = 'x';
  return HeapFree(heap, 0, block) == FALSE;
}

}  // namespace

int main() {
  constexpr size_t kSize = 13;
  HANDLE privateHeap = HeapCreate(0, 0, 0);
  const bool privateSeen = FreeAfterOverrun(privateHeap, HeapAlloc(privateHeap, 0, kSize), kSize);
  // Freed through the heap handle the runtime gives out, so that the refusal shows.
  auto runtimeHeap = reinterpret_cast<HANDLE>(_get_heap_handle());
  const bool runtimeSeen = FreeAfterOverrun(runtimeHeap, malloc(kSize), kSize);
  printf("private heap overrun %s\n", privateSeen ? "refused" : "missed");
  printf("runtime heap overrun %s\n", runtimeSeen ? "refused" : "missed");
  return privateSeen && runtimeSeen ? 0 : 1;
}
