#include "framework/event_sink.h"

#include "framework/call_scope.h"

namespace fw {

EventSink::EventSink(REFIID events, REFGUID library, WORD major, WORD minor, Owner* eventOwner)
    : eventInterface(events),
      typeLibrary(library),
      majorVersion(major),
      minorVersion(minor),
      owner(eventOwner) {}

HRESULT EventSink::QueryInterfaceFallback(REFIID iid, void** ppv) {
  if (!IsEqualIID(iid, eventInterface)) return E_NOINTERFACE;
  *ppv = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

HRESULT EventSink::Advise(IUnknown* source) {
  if (!source) return E_POINTER;
  if (cookie) return E_UNEXPECTED;
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IID_PPV_ARGS(&container));
  if (FAILED(hr)) return hr;
  ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(eventInterface, &point);
  if (FAILED(hr)) return hr;
  DWORD newCookie = 0;
  hr = point->Advise(static_cast<IDispatch*>(this), &newCookie);
  if (FAILED(hr)) return hr;
  if (!owner) {
    // The owner let go of this connection while it was being made.
    point->Unadvise(newCookie);
    return CONNECT_E_CANNOTCONNECT;
  }
  connectionPoint = point;
  cookie = newCookie;
  return S_OK;
}

HRESULT EventSink::Unadvise() {
  if (!cookie) return S_FALSE;
  // Forgotten before the call: the source may call back into the owner,
  // which must then find no connection left to end.
  ComPtr<IConnectionPoint> point = std::move(connectionPoint);
  const DWORD oldCookie = cookie;
  cookie = 0;
  return point->Unadvise(oldCookie);
}

HRESULT EventSink::EventTypeInfo(ITypeInfo** info) {
  if (!typeInfo) {
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadRegTypeLib(typeLibrary, majorVersion, minorVersion, 0, &library);
    if (FAILED(hr)) return hr;
    hr = library->GetTypeInfoOfGuid(eventInterface, &typeInfo);
    if (FAILED(hr)) return hr;
  }
  *info = typeInfo.Get();
  (*info)->AddRef();
  return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  ComPtr<ITypeInfo> info;
  *count = SUCCEEDED(EventTypeInfo(&info)) ? 1 : 0;
  return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return EventTypeInfo(info);
}

STDMETHODIMP EventSink::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  ComPtr<ITypeInfo> info;
  HRESULT hr = EventTypeInfo(&info);
  if (FAILED(hr)) return hr;
  return DispGetIDsOfNames(info.Get(), names, count, ids);
}

// Finds the event's description and converts the positional arguments
// (which DISPPARAMS holds last first) to the declared types.
bool EventSink::ConvertArguments(ITypeInfo* info, DISPID id, const DISPPARAMS* params,
                                 VARIANT* converted, UINT& count) {
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return false;
  WORD functionCount = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);

  for (WORD index = 0; index < functionCount; ++index) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(index, &function))) continue;
    if (function->memid != id) {
      info->ReleaseFuncDesc(function);
      continue;
    }
    bool fits = params && params->cNamedArgs == 0 &&
                params->cArgs == static_cast<UINT>(function->cParams) &&
                params->cArgs <= kMaxArguments && (params->cArgs == 0 || params->rgvarg);
    count = 0;
    for (UINT i = 0; fits && i < params->cArgs; ++i) {
      VARTYPE declared = function->lprgelemdescParam[i].tdesc.vt;
      VARIANT& source = params->rgvarg[params->cArgs - 1 - i];
      VariantInit(&converted[i]);
      count = i + 1;
      fits = SUCCEEDED(VariantChangeType(&converted[i], &source, 0, declared));
    }
    info->ReleaseFuncDesc(function);
    if (!fits) {
      for (UINT i = 0; i < count; ++i)
        VariantClear(&converted[i]);
      count = 0;
    }
    return fits;
  }
  return false;  // no such event
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO*, UINT*) {
  CallScope call;  // the owner may let go of this sink or of itself
  if (result) VariantInit(result);
  if (!owner) return S_OK;
  ComPtr<ITypeInfo> info;
  if (FAILED(EventTypeInfo(&info))) return S_OK;
  VARIANT converted[kMaxArguments];
  UINT count = 0;
  if (!ConvertArguments(info.Get(), id, params, converted, count)) return S_OK;
  owner->OnSinkEvent(id, converted, count);
  for (UINT i = 0; i < count; ++i)
    VariantClear(&converted[i]);
  return S_OK;
}

}  // namespace fw
