#include "framework/com_object.h"

#include "framework/call_scope.h"

namespace fw {

HRESULT ComObjectRoot::InternalQueryInterface(REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(iid, IID_IUnknown)) {
    *ppv = &inner;
    inner.AddRef();
    return S_OK;
  }
  for (const InterfaceEntry* entry = Interfaces(); entry->iid; ++entry) {
    if (IsEqualIID(iid, *entry->iid)) {
      auto* unknown = reinterpret_cast<IUnknown*>(reinterpret_cast<char*>(this) + entry->offset);
      // The interface's IUnknown is the controlling one, as COM requires.
      unknown->AddRef();
      *ppv = unknown;
      return S_OK;
    }
  }
  return QueryInterfaceFallback(iid, ppv);
}

STDMETHODIMP ComObjectRoot::Inner::QueryInterface(REFIID iid, void** ppv) {
  return owner->InternalQueryInterface(iid, ppv);
}

STDMETHODIMP_(ULONG) ComObjectRoot::Inner::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&owner->refCount));
}

STDMETHODIMP_(ULONG) ComObjectRoot::Inner::Release() {
  LONG count = InterlockedDecrement(&owner->refCount);
  if (count == 0) {
    // Guard against re-entrant destruction while the object waits or
    // FinalRelease runs code that takes and drops references.
    owner->refCount = 1;
    if (!CallScope::Defer(owner)) owner->Finish();
  }
  return static_cast<ULONG>(count);
}

void ComObjectRoot::Finish() {
  FinalRelease();
  delete this;
}

}  // namespace fw
