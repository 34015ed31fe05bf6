#include "tests/support/product_dll.h"

#include <string>

#include "KVRCmnCameraControlUI.h"

namespace test {
namespace {

template <class Fn>
Fn Export(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(ProductModule(), name)));
}

}  // namespace

HMODULE ProductModule() {
  static HMODULE module = LoadLibraryA(KVR_PRODUCT_DLL);
  return module;
}

HRESULT CallDllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
  auto fn = Export<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
  return fn ? fn(clsid, iid, ppv) : E_FAIL;
}

HRESULT CallDllCanUnloadNow() {
  auto fn = Export<HRESULT(WINAPI*)()>("DllCanUnloadNow");
  return fn ? fn() : E_FAIL;
}

HRESULT CallDllRegisterServer() {
  auto fn = Export<HRESULT(WINAPI*)()>("DllRegisterServer");
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
