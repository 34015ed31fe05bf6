// The module's entry points.
#include <windows.h>
#include <ole2.h>

#include "KVRCmnCameraControlUI.h"
#include "control/camera_control_ui.h"
#include "control/registration.h"
#include "framework/class_factory.h"
#include "framework/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    fw::Module::Initialize(instance, LIBID_KVRCmnCameraControlUILib);
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    fw::Module::Terminate();
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() {
  return fw::Module::CanUnload() ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_CameraControlUI)) return CLASS_E_CLASSNOTAVAILABLE;
  return fw::ClassFactory<CCameraControlUI>::Instance().QueryInterface(iid, ppv);
}

STDAPI DllRegisterServer() {
  return RegisterCameraControlServer();
}

STDAPI DllUnregisterServer() {
  return UnregisterCameraControlServer();
}
