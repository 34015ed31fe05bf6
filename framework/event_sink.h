// A sink for a source's dispatch events. It connects to the source's
// connection point for one event interface, reads each event's parameter
// types from the source's registered type library, converts the arguments
// to those types and hands them to its owner in declared order. An event it
// cannot describe (unknown dispid, library not registered, argument count or
// type that does not fit) is dropped; the source always gets S_OK.
//
// A sink serves one connection. Its owner detaches it before ending the
// connection, so that what the source fires while it lets go (from inside
// Unadvise) is dropped rather than handed to an owner that has moved on.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>

#include "framework/com_object.h"

namespace fw {

class EventSink : public ComObjectRoot, public IDispatch {
 public:
  class Owner {
   public:
    // `arguments` holds `count` values converted to their declared types,
    // first parameter first.
    virtual void OnSinkEvent(DISPID id, const VARIANT* arguments, UINT count) = 0;

   protected:
    ~Owner() = default;
  };

  static constexpr UINT kMaxArguments = 16;

  EventSink(REFIID eventInterface, REFGUID typeLibrary, WORD majorVersion, WORD minorVersion,
            Owner* owner);

  FW_BEGIN_INTERFACES(EventSink)
  FW_INTERFACE(IDispatch)
  FW_END_INTERFACES

  // Connects to `source`'s connection point for the event interface. A
  // sink whose owner let go while the connection was made disconnects at
  // once.
  HRESULT Advise(IUnknown* source);
  HRESULT Unadvise();
  bool IsAdvised() const { return cookie != 0; }
  // From now on events are dropped (the owner is going away).
  void DetachOwner() { owner = nullptr; }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) override;

 protected:
  HRESULT QueryInterfaceFallback(REFIID iid, void** ppv) override;

 private:
  HRESULT EventTypeInfo(ITypeInfo** info);
  bool ConvertArguments(ITypeInfo* info, DISPID id, const DISPPARAMS* params, VARIANT* converted,
                        UINT& count);

  IID eventInterface;
  GUID typeLibrary;
  WORD majorVersion;
  WORD minorVersion;
  Owner* owner;
  ComPtr<ITypeInfo> typeInfo;
  ComPtr<IConnectionPoint> connectionPoint;
  DWORD cookie = 0;
};

}  // namespace fw
