// The server side of the camera function server's events: one connection
// point for _ICameraControlFNEvents that keeps the advised sinks and calls
// them through IDispatch::Invoke, and the connection point container that a
// server class derives from. Used by the simulator and by the tests' fake
// server, so both follow the same COM rules.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <array>
#include <functional>
#include <vector>

#include "CameraControlFNLib.h"
#include "framework/com_object.h"

namespace sim {

// Dispids of the three events, as the server's type library declares them.
constexpr DISPID kConnectionStateChanged = 1;
constexpr DISPID kCameraTestFinished = 2;
constexpr DISPID kCameraTestFailed = 3;

// The seven camera test figures, in the order of GetCameraTestResults and
// of the CameraTestFinished event.
using TestResults = std::array<long, 7>;

class EventConnectionPoint : public fw::ComObjectRoot, public IConnectionPoint {
 public:
  // The container owns this object and is not counted by it; it calls
  // Detach before it goes.
  explicit EventConnectionPoint(IConnectionPointContainer* owner) : container(owner) {}

  FW_BEGIN_INTERFACES(EventConnectionPoint)
  FW_INTERFACE(IConnectionPoint)
  FW_END_INTERFACES

  void Detach() {
    container = nullptr;
    sinks.clear();
  }
  size_t SinkCount() const { return sinks.size(); }

  // A sink must answer QueryInterface for the event interface itself;
  // with this set, one that answers only IDispatch is accepted as well.
  void AcceptPlainDispatch(bool accept) { acceptPlainDispatch = accept; }
  void DuringUnadvise(std::function<void()> action) { duringUnadvise = std::move(action); }

  // Invokes `dispid` on every advised sink. `args` are in declaration order
  // (DISPPARAMS gets them reversed) and stay the caller's. Returns S_FALSE
  // when no sink is advised, else S_OK or the last failure of a sink.
  HRESULT Fire(DISPID dispid, const VARIANT* args, UINT count) {
    std::vector<VARIANT> reversed(count);
    for (UINT i = 0; i < count; ++i)
      reversed[i] = args[count - 1 - i];
    // A sink may unadvise from inside its handler: call a snapshot.
    std::vector<fw::ComPtr<IDispatch>> targets;
    for (const Sink& sink : sinks)
      targets.push_back(sink.dispatch);
    if (targets.empty()) return S_FALSE;
    HRESULT result = S_OK;
    for (const auto& target : targets) {
      // Each sink gets its own copy of the argument array (not of the
      // values): a sink must not change its in arguments, but if it does,
      // the next one still sees the order.
      std::vector<VARIANT> copy = reversed;
      DISPPARAMS params{copy.empty() ? nullptr : copy.data(), nullptr, count, 0};
      HRESULT hr = target->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  nullptr, nullptr, nullptr);
      if (FAILED(hr)) result = hr;
    }
    return result;
  }

  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = DIID__ICameraControlFNEvents;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override {
    if (!out) return E_POINTER;
    *out = container;
    if (!container) return E_UNEXPECTED;
    container->AddRef();
    return S_OK;
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    fw::ComPtr<IDispatch> dispatch;
    HRESULT hr = sink->QueryInterface(DIID__ICameraControlFNEvents,
                                      reinterpret_cast<void**>(dispatch.GetAddressOf()));
    if (hr == E_NOINTERFACE && acceptPlainDispatch)
      hr = sink->QueryInterface(IID_PPV_ARGS(&dispatch));
    if (hr == E_NOINTERFACE) return CONNECT_E_CANNOTCONNECT;
    if (FAILED(hr)) return hr;
    if (!dispatch) return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie++;
    sinks.push_back({*cookie, dispatch});
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    // What a server does while a client lets go (an event of its own
    // crossing the client's last call).
    if (duringUnadvise) {
      auto action = duringUnadvise;
      action();
    }
    for (auto it = sinks.begin(); it != sinks.end(); ++it) {
      if (it->cookie == cookie) {
        // Released after the entry is gone, in case the sink's release
        // comes back here.
        fw::ComPtr<IDispatch> released = std::move(it->dispatch);
        sinks.erase(it);
        return S_OK;
      }
    }
    return CONNECT_E_NOCONNECTION;
  }
  // Enumerating connections is not offered by this server.
  STDMETHODIMP EnumConnections(IEnumConnections** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  struct Sink {
    DWORD cookie;
    fw::ComPtr<IDispatch> dispatch;
  };

  IConnectionPointContainer* container;
  std::vector<Sink> sinks;
  DWORD nextCookie = 1;
  bool acceptPlainDispatch = false;
  std::function<void()> duringUnadvise;
};

// Base of a server class: the connection point container with the one
// connection point for the events, and the three events. The server's
// interface table lists IConnectionPointContainer.
class CameraEventSource : public IConnectionPointContainer {
 public:
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override {
    // Clients find the one connection point by its interface id.
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, DIID__ICameraControlFNEvents) || !point) return CONNECT_E_NOCONNECTION;
    return point->QueryInterface(IID_PPV_ARGS(out));
  }

  size_t AdvisedSinkCount() const { return point ? point->SinkCount() : 0; }
  void AcceptPlainDispatchSinks(bool accept) {
    if (point) point->AcceptPlainDispatch(accept);
  }
  // Runs `action` inside every Unadvise, before the sink is let go.
  void DuringUnadvise(std::function<void()> action) {
    if (point) point->DuringUnadvise(std::move(action));
  }

  HRESULT FireConnectionStateChanged(long connected) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = connected;
    return FireEvent(kConnectionStateChanged, &arg, 1);
  }
  HRESULT FireCameraTestFinished(const TestResults& values) {
    VARIANT args[7];
    for (size_t i = 0; i < values.size(); ++i) {
      VariantInit(&args[i]);
      args[i].vt = VT_I4;
      args[i].lVal = values[i];
    }
    return FireEvent(kCameraTestFinished, args, 7);
  }
  HRESULT FireCameraTestFailed(const wchar_t* description) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(description ? description : L"");
    HRESULT hr = FireEvent(kCameraTestFailed, &arg, 1);
    VariantClear(&arg);
    return hr;
  }
  // Any dispid with any arguments (in declaration order, still the caller's).
  HRESULT FireEvent(DISPID dispid, const VARIANT* args, UINT count) {
    if (!point) return E_UNEXPECTED;
    return point->Fire(dispid, args, count);
  }

 protected:
  CameraEventSource() : point(fw::Make<EventConnectionPoint>(this)) {}
  ~CameraEventSource() {
    // A client may still hold the connection point: it must not reach
    // back into a server that is gone.
    if (point) point->Detach();
  }
  CameraEventSource(const CameraEventSource&) = delete;
  CameraEventSource& operator=(const CameraEventSource&) = delete;

 private:
  fw::ComPtr<fw::ComObject<EventConnectionPoint>> point;
};

}  // namespace sim
