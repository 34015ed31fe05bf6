// The camera function server's type library, from which the control's event
// sink reads the event parameter types, registered for a test or benchmark
// program.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdio>

#include "framework/com_object.h"

namespace test {

// Registers generated/CameraControlFNLib.tlb (programs run from the build
// folder). It stays registered: programs run side by side in one prefix,
// and one must not unregister it under another.
inline bool RegisterServerTypeLibrary() {
  wchar_t path[MAX_PATH];
  DWORD length = GetFullPathNameW(L"" KVR_SERVER_TLB, MAX_PATH, path, nullptr);
  if (length == 0 || length >= MAX_PATH) return false;
  fw::ComPtr<ITypeLib> typeLib;
  HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, typeLib.GetAddressOf());
  if (SUCCEEDED(hr)) hr = RegisterTypeLib(typeLib.Get(), path, nullptr);
  if (FAILED(hr)) fprintf(stderr, "cannot register %ls: 0x%08lx\n", path, hr);
  return SUCCEEDED(hr);
}

}  // namespace test
