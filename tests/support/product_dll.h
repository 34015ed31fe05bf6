// The product DLL, loaded once per process (it stays loaded): its exports,
// and controls from its class factory (not the registry, which others change).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>

#include "framework/com_object.h"

namespace test {

using fw::ComPtr;

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

std::string ProductPath();  // the DLL's full path

}  // namespace test
