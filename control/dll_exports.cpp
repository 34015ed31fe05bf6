// The module's entry points.
#include <windows.h>
#include <ole2.h>

#include "KVRCmnCameraControlUI.h"
#include "control/camera_control_ui.h"
#include "control/registration.h"
#include "framework/class_factory.h"
#include "framework/module.h"
#include "framework/window.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    fw::Module::Initialize(instance, LIBID_KVRCmnCameraControlUILib);
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    // Unloaded while the process goes on (COM freeing unused libraries):
    // window classes stay registered after their module has gone, and the
    // module loaded again at the same address could not register them anew.
    // When the process ends the system takes them with it.
    if (!reserved) fw::Window::UnregisterClasses();
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
