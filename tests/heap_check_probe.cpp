// Proof that the heap tiers' heap check works: one byte written past a block
// of the C runtime's heap (where new and malloc allocate), then the block
// freed through the heap handle the runtime gives out. Wine refuses the free
// and reports "err:heap:... invalid block tail"; ctest passes the probe only
// on that report and fails it on "missed". Not a GoogleTest program: it
// corrupts the heap on purpose.
#include <windows.h>
#include <malloc.h>

#include <cstdio>

int main() {
  // Through a volatile pointer, so that neither the compiler nor the
  // fortified functions stop the overrun first.
  volatile char* bytes = static_cast<char*>(malloc(13));
  for (size_t i = 0; i <= 13; ++i)
    bytes[i] = 'x';
  const bool refused =
      !HeapFree(reinterpret_cast<HANDLE>(_get_heap_handle()), 0, const_cast<char*>(bytes));
  printf("runtime heap overrun %s\n", refused ? "refused" : "missed");
  return refused ? 0 : 1;
}
