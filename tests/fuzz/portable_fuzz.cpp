// libFuzzer target for the portable code that reads outside input: the checks
// of portable_checks.h, stopping at the first mismatch.
#include <cstdlib>

#include "tests/fuzz/portable_checks.h"

void portable_checks::Check(bool condition) {
  if (!condition) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  portable_checks::Run(data, size);
  return 0;
}
