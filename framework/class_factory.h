// The class factory of a creatable class: one static instance per class,
// made once and kept for the life of the module. Holding it, or locking it,
// keeps the module loaded.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "framework/com_object.h"
#include "framework/module.h"

namespace fw {

template <class T>
class ClassFactory final : public IClassFactory {
 public:
  static ClassFactory& Instance() {
    static ClassFactory factory;
    return factory;
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  // References to the factory count as locks on the module.
  STDMETHODIMP_(ULONG) AddRef() override {
    Module::Lock();
    return 2;
  }
  STDMETHODIMP_(ULONG) Release() override {
    Module::Unlock();
    return 1;
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override {
    return CreateComObject<T>(outer, iid, ppv);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      Module::Lock();
    else
      Module::Unlock();
    return S_OK;
  }

 private:
  ClassFactory() = default;
};

}  // namespace fw
