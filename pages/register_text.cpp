#include "pages/register_text.h"

#include <climits>
#include <cstdlib>

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int32_t ParseRegisterNumber(const char* text) {
  if (!text) return 0;
  // strtol saturates at the limits of long, which is 64 bits wide on some
  // systems; the result is kept within 32 bits either way.
  const long number = strtol(text, nullptr, 10);
  if (number > INT32_MAX) return INT32_MAX;
  if (number < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(number);
}

unsigned ParseRegisterValue(const char* text, int base) {
  unsigned value = 0;
  if (!text) return value;
  for (const char* c = text; *c; ++c) {
    const int digit = DigitValue(*c);
    if (digit < 0 || digit >= base) break;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (value > kMaxRegisterValue) return kMaxRegisterValue + 1;
  }
  return value;
}
