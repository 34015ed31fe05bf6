#include "tests/support/product_dll.h"

#include "KVRCmnCameraControlUI.h"

namespace test {

HMODULE ProductModule() {
  static HMODULE module = LoadLibraryA(KVR_PRODUCT_DLL);
  return module;
}

// The exports, E_FAIL when missing.
HRESULT CallDllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
  auto fn = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(ProductModule(), "DllGetClassObject")));
  return fn ? fn(clsid, iid, ppv) : E_FAIL;
}

HRESULT CallDllCanUnloadNow() {
  auto fn = reinterpret_cast<HRESULT(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(ProductModule(), "DllCanUnloadNow")));
  return fn ? fn() : E_FAIL;
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
