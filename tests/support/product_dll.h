// The product DLL as a host loads it: its exports, and new controls from its
// class factory (not through the registry, which another test program may be
// changing).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>

#include "framework/com_object.h"

namespace test {

using fw::ComPtr;

// Loads the DLL once per process (it stays loaded).
HMODULE ProductModule();
HRESULT CallDllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv);
HRESULT CallDllCanUnloadNow();

// A new camera control from the DLL's class factory.
ComPtr<IUnknown> CreateControl();
template <class I>
ComPtr<I> CreateControlAs() {
  ComPtr<I> result;
  if (ComPtr<IUnknown> control = CreateControl()) control.As(&result);
  return result;
}

// The DLL's full path.
std::string ProductPath();

}  // namespace test
