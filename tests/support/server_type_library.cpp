#include "tests/support/server_type_library.h"

#include <windows.h>
#include <oleauto.h>

#include <cstdio>

#include "framework/com_object.h"

namespace test {

bool RegisterServerTypeLibrary() {
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
