// A class object registered in this process only (programs running side by
// side never see each other's): CoCreateInstance of a host component's class
// id reaches a fake without anything in the registry. Revoked on destruction.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <functional>

#include "framework/com_object.h"

namespace test {

class ClassRegistration {
 public:
  // Answers `iid` of a new object into `ppv`.
  using Creator = std::function<HRESULT(REFIID iid, void** ppv)>;

  ClassRegistration() = default;
  ~ClassRegistration() { Revoke(); }
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

  HRESULT Register(REFCLSID clsid, Creator creator) {
    Revoke();
    auto factory = fw::Make<Factory>(std::move(creator));
    if (!factory) return E_OUTOFMEMORY;
    return CoRegisterClassObject(clsid, factory->InnerUnknown(), CLSCTX_INPROC_SERVER,
                                 REGCLS_MULTIPLEUSE, &cookie);
  }
  void Revoke() {
    if (cookie) CoRevokeClassObject(cookie);
    cookie = 0;
  }

 private:
  class Factory : public fw::ComObjectRoot, public IClassFactory {
   public:
    explicit Factory(Creator creator) : create(std::move(creator)) {}
    FW_BEGIN_INTERFACES(Factory)
    FW_INTERFACE(IClassFactory)
    FW_END_INTERFACES
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override {
      return outer ? CLASS_E_NOAGGREGATION : create(iid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

   private:
    Creator create;
  };

  DWORD cookie = 0;
};

}  // namespace test
