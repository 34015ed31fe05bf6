// Wide text from the fakes' COM calls as ANSI, through the product's own
// conversion (system code page).
#pragma once

#include <string>

#include "framework/bstr.h"

namespace test {

inline std::string Narrow(const wchar_t* text) {
  char buffer[4096];
  fw::WideToAnsi(text, buffer, sizeof buffer);
  return buffer;
}

}  // namespace test
