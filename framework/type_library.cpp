#include "framework/type_library.h"

#include <oleauto.h>
#include <wrl/client.h>

namespace fw {
namespace {

using Microsoft::WRL::ComPtr;

// The longest module path handled, in characters with its terminator.
constexpr int kMaxPath = 512;

#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif

// The path as the type library functions want it.
HRESULT WidePath(const char* modulePath, wchar_t (&widePath)[kMaxPath]) {
  if (!modulePath) return E_POINTER;
  if (MultiByteToWideChar(CP_ACP, 0, modulePath, -1, widePath, kMaxPath) == 0)
    return HRESULT_FROM_WIN32(GetLastError());
  return S_OK;
}

HRESULT LoadModuleTypeLibrary(const char* modulePath, wchar_t (&widePath)[kMaxPath],
                              ComPtr<ITypeLib>& library) {
  HRESULT hr = WidePath(modulePath, widePath);
  return FAILED(hr) ? hr : LoadTypeLibEx(widePath, REGKIND_NONE, &library);
}

}  // namespace

HRESULT LoadTypeLibraryOf(const char* modulePath, ITypeLib** library) {
  if (!library) return E_POINTER;
  *library = nullptr;
  wchar_t widePath[kMaxPath];
  ComPtr<ITypeLib> loaded;
  HRESULT hr = LoadModuleTypeLibrary(modulePath, widePath, loaded);
  if (SUCCEEDED(hr)) *library = loaded.Detach();
  return hr;
}

HRESULT RegisterTypeLibraryOf(const char* modulePath) {
  wchar_t widePath[kMaxPath];
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadModuleTypeLibrary(modulePath, widePath, library);
  if (FAILED(hr)) return hr;
  return RegisterTypeLib(library.Get(), widePath, nullptr);
}

HRESULT UnregisterTypeLibraryOf(const char* modulePath) {
  wchar_t widePath[kMaxPath];
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadModuleTypeLibrary(modulePath, widePath, library);
  if (FAILED(hr)) return hr;
  TLIBATTR* attributes = nullptr;
  hr = library->GetLibAttr(&attributes);
  if (FAILED(hr)) return hr;
  const TLIBATTR copy = *attributes;
  library->ReleaseTLibAttr(attributes);
  return UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, kSysKind);
}

}  // namespace fw
