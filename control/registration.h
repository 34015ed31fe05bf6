// Registration of the module's class, type library and component categories.
#pragma once

#include <windows.h>

// DllRegisterServer: categories, registry script, implemented categories,
// type library.
HRESULT RegisterCameraControlServer();
// DllUnregisterServer: the reverse, leaving the categories themselves.
HRESULT UnregisterCameraControlServer();
