// Class objects that tests register in their own process with
// CoRegisterClassObject, so that CoCreateInstance of a host component's
// class id reaches a fake without anything in the registry.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <functional>

#include "framework/com_object.h"

namespace test {

// Makes objects through `create` (which answers `iid` into `ppv`);
// aggregation is refused.
class FakeClassObject : public fw::ComObjectRoot, public IClassFactory {
 public:
  using Creator = std::function<HRESULT(REFIID iid, void** ppv)>;
  explicit FakeClassObject(Creator creator) : create(std::move(creator)) {}

  FW_BEGIN_INTERFACES(FakeClassObject)
  FW_INTERFACE(IClassFactory)
  FW_END_INTERFACES

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create(iid, ppv);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  Creator create;
};

// One registration of a class object in this process (in-process context
// only, so that test programs running side by side never see each
// other's); revoked on destruction.
class ClassRegistration {
 public:
  ClassRegistration() = default;
  ~ClassRegistration() { Revoke(); }
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

  HRESULT Register(REFCLSID clsid, FakeClassObject::Creator creator) {
    Revoke();
    auto classObject = fw::Make<FakeClassObject>(std::move(creator));
    if (!classObject) return E_OUTOFMEMORY;
    return CoRegisterClassObject(clsid, classObject->InnerUnknown(), CLSCTX_INPROC_SERVER,
                                 REGCLS_MULTIPLEUSE, &cookie);
  }
  void Revoke() {
    if (cookie) CoRevokeClassObject(cookie);
    cookie = 0;
  }
  bool Registered() const { return cookie != 0; }

 private:
  DWORD cookie = 0;
};

}  // namespace test
