// Text conversions and BSTR ownership for the test support code.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>

namespace test {

// Wide to ANSI (system code page); null gives "".
std::string Narrow(const wchar_t* text);
std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);

struct BstrFree {
  void operator()(BSTR text) const { SysFreeString(text); }
};
// An owned BSTR.
using UniqueBstr = std::unique_ptr<OLECHAR, BstrFree>;
inline UniqueBstr MakeBstr(const wchar_t* text) {
  return UniqueBstr(SysAllocString(text));
}

}  // namespace test
