// Type information from the module's own type library (resource "TYPELIB"
// 1), and IDispatch for a dual interface described there.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "framework/com_object.h"

namespace fw {

// The type info of `guid` (an interface or a class) in the module's library.
HRESULT LoadModuleTypeInfo(REFGUID guid, ITypeInfo** info);

// IDispatch of a dual interface I, answered from the module's library.
// The most derived class lists I and IDispatch in its interface table.
template <class I>
class DualInterface : public I {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return LoadModuleTypeInfo(__uuidof(I), info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    ComPtr<ITypeInfo> info;
    HRESULT hr = LoadModuleTypeInfo(__uuidof(I), &info);
    if (FAILED(hr)) return hr;
    return DispGetIDsOfNames(info.Get(), names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override {
    ComPtr<ITypeInfo> info;
    HRESULT hr = LoadModuleTypeInfo(__uuidof(I), &info);
    if (FAILED(hr)) return hr;
    return DispInvoke(static_cast<I*>(this), info.Get(), id, flags, params, result, exception,
                      argError);
  }
};

}  // namespace fw
