#include "tests/support/product_dll.h"

#include <utility>

#include "KVRCmnCameraControlUI.h"

namespace test {
namespace {

// Calls the DLL's export `name` of type Fn; E_FAIL when it is missing.
template <class Fn, class... Args>
HRESULT CallExport(const char* name, Args&&... args) {
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(ProductModule(), name)));
  return fn ? fn(std::forward<Args>(args)...) : E_FAIL;
}

}  // namespace

HMODULE ProductModule() {
  static HMODULE module = LoadLibraryA(KVR_PRODUCT_DLL);
  return module;
}

HRESULT CallDllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
  return CallExport<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject", clsid, iid,
                                                                ppv);
}

HRESULT CallDllCanUnloadNow() {
  return CallExport<HRESULT(WINAPI*)()>("DllCanUnloadNow");
}

HRESULT CallDllRegisterServer() {
  return CallExport<HRESULT(WINAPI*)()>("DllRegisterServer");
}

ComPtr<IUnknown> CreateControl() {
  ComPtr<IClassFactory> factory;
  ComPtr<IUnknown> control;
  if (SUCCEEDED(CallDllGetClassObject(CLSID_CameraControlUI, IID_PPV_ARGS(&factory))))
    factory->CreateInstance(nullptr, IID_PPV_ARGS(&control));
  return control;
}

std::string ProductPath() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(ProductModule(), path, MAX_PATH);
  return path;
}

}  // namespace test
