// An owned BSTR, made from ANSI text in the system code page.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace fw {

class Bstr {
 public:
  Bstr() = default;
  // Converts zero-terminated ANSI text with the system code page.
  explicit Bstr(const char* text);
  ~Bstr() { SysFreeString(value); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR Get() const { return value; }
  // For out parameters: frees what is held and hands out the slot.
  BSTR* Out() {
    SysFreeString(value);
    value = nullptr;
    return &value;
  }
  bool Empty() const { return SysStringLen(value) == 0; }

 private:
  BSTR value = nullptr;
};

// Converts wide text to the system code page into a fixed buffer, cutting
// it to fit; the result is always terminated. Returns the length written.
int WideToAnsi(const wchar_t* text, char* buffer, int size);

}  // namespace fw
