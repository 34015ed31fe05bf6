// COM objects: QueryInterface from a constant interface table, reference
// counting, aggregation and two-phase construction.
//
// A class derives from ComObjectRoot and from its interfaces, and declares
// its table with FW_BEGIN_INTERFACES / FW_INTERFACE / FW_END_INTERFACES. It
// never implements IUnknown itself: ComObject<T> is the most derived class
// and routes every interface's IUnknown to the controlling unknown, which is
// the aggregating outer object or, when not aggregated, the object's own
// inner unknown. Objects are created only by CreateComObject or Make.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <cstddef>
#include <new>
#include <utility>

#include "framework/module.h"

namespace fw {

using Microsoft::WRL::ComPtr;

struct InterfaceEntry {
  const IID* iid;    // null ends the table
  ptrdiff_t offset;  // of the interface's vtable pointer in the object
};

class ComObjectRoot;

// Offset of interface I inside class T, measured from T's ComObjectRoot
// base and reached through base Via (which disambiguates interfaces
// inherited more than once, such as IDispatch).
template <class T, class I, class Via = I>
ptrdiff_t InterfaceOffset() {
  // Any properly aligned non-null address does: only the difference counts.
  char* const fake = reinterpret_cast<char*>(alignof(std::max_align_t) * 16);
  T* object = reinterpret_cast<T*>(fake);
  return reinterpret_cast<char*>(static_cast<I*>(static_cast<Via*>(object))) -
         reinterpret_cast<char*>(static_cast<ComObjectRoot*>(object));
}

class ComObjectRoot {
 public:
  ComObjectRoot(const ComObjectRoot&) = delete;
  ComObjectRoot& operator=(const ComObjectRoot&) = delete;

  // The object's own, non-delegating IUnknown: its identity when it is not
  // aggregated, and what the outer object holds when it is.
  IUnknown* InnerUnknown() { return &inner; }
  IUnknown* ControllingUnknown() { return outer ? outer : &inner; }
  ULONG RefCount() const { return static_cast<ULONG>(refCount); }

  // Runs after construction with one reference held; a failure destroys
  // the new object and is returned to the creator.
  virtual HRESULT FinalConstruct() { return S_OK; }
  // Runs before destruction while the object is still whole.
  virtual void FinalRelease() {}

  void SetOuter(IUnknown* outerUnknown) { outer = outerUnknown; }

  // FinalRelease, then destruction: when the last reference goes, or, if
  // that happens during a call into the module, when the outermost call
  // returns (CallScope).
  void Finish();

 protected:
  ComObjectRoot() : inner(this) { Module::ObjectCreated(); }
  virtual ~ComObjectRoot() { Module::ObjectDestroyed(); }

  virtual const InterfaceEntry* Interfaces() const = 0;
  // Asked when no table entry matches: for interfaces known only at run
  // time (an event sink answering for its event interface).
  virtual HRESULT QueryInterfaceFallback(REFIID, void**) { return E_NOINTERFACE; }
  // The table lookup behind every QueryInterface of the object.
  HRESULT InternalQueryInterface(REFIID iid, void** ppv);

 private:
  class Inner final : public IUnknown {
   public:
    explicit Inner(ComObjectRoot* o) : owner(o) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

   private:
    ComObjectRoot* owner;
  };

  Inner inner;
  volatile LONG refCount = 0;
  IUnknown* outer = nullptr;

 public:
  // The next object waiting for the outermost call to return (CallScope).
  ComObjectRoot* nextDeferred = nullptr;
};

template <class T>
class ComObject final : public T {
 public:
  template <class... Args>
  explicit ComObject(Args&&... args) : T(std::forward<Args>(args)...) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    return this->ControllingUnknown()->QueryInterface(iid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return this->ControllingUnknown()->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return this->ControllingUnknown()->Release(); }
};

// Creates a T, aggregated in `outer` when given, and asks it for `iid`.
// Aggregation is accepted only for IUnknown, as COM requires.
template <class T, class... Args>
HRESULT CreateComObject(IUnknown* outer, REFIID iid, void** ppv, Args&&... args) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  auto* object = new (std::nothrow) ComObject<T>(std::forward<Args>(args)...);
  if (!object) return E_OUTOFMEMORY;
  object->SetOuter(outer);
  IUnknown* inner = object->InnerUnknown();
  inner->AddRef();
  HRESULT hr = object->FinalConstruct();
  if (SUCCEEDED(hr)) hr = inner->QueryInterface(iid, ppv);
  inner->Release();  // destroys the object if nothing else holds it
  return hr;
}

// Creates a non-aggregated T and returns it as its concrete type, or null.
template <class T, class... Args>
ComPtr<ComObject<T>> Make(Args&&... args) {
  ComPtr<ComObject<T>> result;
  auto* object = new (std::nothrow) ComObject<T>(std::forward<Args>(args)...);
  if (!object) return result;
  result = object;  // one reference
  if (FAILED(object->FinalConstruct())) result.Reset();
  return result;
}

}  // namespace fw

// Interface table of class `Class`, inside its declaration.
#define FW_BEGIN_INTERFACES(Class)                          \
 protected:                                                 \
  const ::fw::InterfaceEntry* Interfaces() const override { \
    using ThisClass = Class;                                \
    static const ::fw::InterfaceEntry table[] = {
#define FW_INTERFACE(I) {&__uuidof(I), ::fw::InterfaceOffset<ThisClass, I>()},
// Interface I answered by the implementation inherited through base Via.
#define FW_INTERFACE_VIA(I, Via) {&__uuidof(I), ::fw::InterfaceOffset<ThisClass, I, Via>()},
#define FW_END_INTERFACES \
  { nullptr, 0 }          \
  }                       \
  ;                       \
  return table;           \
  }                       \
                          \
 public:
