// Registers the camera function server's type library, from which the
// control's event sink reads the event parameter types.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdio>

#include "framework/com_object.h"

namespace test {

// From generated/ (programs run from the build folder); it stays registered
// for the programs that run side by side in one prefix.
inline bool RegisterServerTypeLibrary() {
  wchar_t path[MAX_PATH];
  DWORD length = GetFullPathNameW(L"" KVR_SERVER_TLB, MAX_PATH, path, nullptr);
  fw::ComPtr<ITypeLib> typeLib;
  HRESULT hr =
      length == 0 || length >= MAX_PATH ? E_FAIL : LoadTypeLibEx(path, REGKIND_NONE, &typeLib);
  if (SUCCEEDED(hr)) hr = RegisterTypeLib(typeLib.Get(), path, nullptr);
  if (FAILED(hr)) fprintf(stderr, "cannot register %ls: 0x%08lx\n", path, hr);
  return SUCCEEDED(hr);
}

}  // namespace test
