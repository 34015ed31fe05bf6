#include "control/server_link.h"

#include "control/camera_server.h"

// An event kept for later, with its own copies of the arguments.
struct CServerLink::HeldEvent {
  HeldEvent(DISPID eventId, const VARIANT* values, UINT valueCount) : id(eventId) {
    for (UINT i = 0; i < valueCount && i < fw::EventSink::kMaxArguments; ++i) {
      VariantInit(&arguments[count]);
      if (SUCCEEDED(VariantCopy(&arguments[count], const_cast<VARIANT*>(&values[i])))) ++count;
    }
  }
  ~HeldEvent() {
    for (UINT i = 0; i < count; ++i)
      VariantClear(&arguments[i]);
  }
  HeldEvent(const HeldEvent&) = delete;
  HeldEvent& operator=(const HeldEvent&) = delete;

  DISPID id;
  UINT count = 0;
  VARIANT arguments[fw::EventSink::kMaxArguments];
};

CServerLink::CServerLink() = default;

CServerLink::~CServerLink() {
  Disconnect();
  if (eventSink) eventSink->DetachOwner();
  server.Reset();
}

HRESULT CServerLink::CreateEventSink() {
  eventSink = fw::Make<fw::EventSink>(kServerEventsIid, kServerTypeLibId, kServerTypeLibMajor,
                                      kServerTypeLibMinor, this);
  return eventSink ? S_OK : E_OUTOFMEMORY;
}

void CServerLink::Disconnect() {
  if (eventSink) eventSink->Unadvise();
}

HRESULT CServerLink::ExchangeServer(ICameraControlFN* newServer) {
  if (newServer == server.Get()) return S_OK;
  if (server) Disconnect();
  heldEvents.clear();
  if (newServer && eventSink) {
    fw::ComPtr<IUnknown> identity;
    if (SUCCEEDED(newServer->QueryInterface(IID_PPV_ARGS(&identity))))
      eventSink->Advise(identity.Get());
  }
  server = newServer;
  return S_OK;
}

void CServerLink::OnSinkEvent(DISPID id, const VARIANT* arguments, UINT count) {
  // Events held earlier go first; while work is in progress, this one waits
  // behind them.
  HandleHeldEvents();
  if (InProgress() || !heldEvents.empty()) {
    heldEvents.push_back(std::make_unique<HeldEvent>(id, arguments, count));
    return;
  }
  OnServerEvent(id, arguments, count);
}

void CServerLink::OnWorkDone() {
  if (!heldEvents.empty()) ScheduleHeldEvents();
}

void CServerLink::HandleHeldEvents() {
  // An event's handling may start new work (a user action during a message
  // box); what is left then waits for that work to end.
  while (!InProgress() && !heldEvents.empty()) {
    std::unique_ptr<HeldEvent> event = std::move(heldEvents.front());
    heldEvents.pop_front();
    OnServerEvent(event->id, event->arguments, event->count);
  }
}
