#include "control/server_link.h"

#include "control/camera_server.h"

// An event or a refresh kept for later; an event with its own copies of the
// arguments and the connection it came through.
struct CServerLink::Waiting {
  Waiting() = default;  // a refresh
  Waiting(unsigned from, DISPID eventId, const VARIANT* values, UINT valueCount)
      : isEvent(true), connection(from), id(eventId) {
    for (UINT i = 0; i < valueCount && i < fw::EventSink::kMaxArguments; ++i) {
      VariantInit(&arguments[count]);
      if (SUCCEEDED(VariantCopy(&arguments[count], const_cast<VARIANT*>(&values[i])))) ++count;
    }
  }
  ~Waiting() {
    for (UINT i = 0; i < count; ++i)
      VariantClear(&arguments[i]);
  }
  Waiting(const Waiting&) = delete;
  Waiting& operator=(const Waiting&) = delete;

  bool isEvent = false;
  unsigned connection = 0;
  DISPID id = 0;
  UINT count = 0;
  VARIANT arguments[fw::EventSink::kMaxArguments];
};

CServerLink::CServerLink() = default;

CServerLink::~CServerLink() {
  // The control lets go of its server before it is destroyed; this only
  // makes sure no sink can reach a destroyed owner.
  if (eventSink) eventSink->DetachOwner();
}

void CServerLink::ExchangeServer(ICameraControlFN* newServer) {
  if (newServer == server.Get()) return;
  ++connection;
  for (auto& item : waiting)
    if (item && item->isEvent) item.reset();  // the old server's events
  fw::ComPtr<fw::ComObject<fw::EventSink>> oldSink = std::move(eventSink);
  fw::ComPtr<ICameraControlFN> oldServer = std::move(server);
  if (oldSink) {
    oldSink->DetachOwner();
    oldSink->Unadvise();
  }
  // A host call made from inside Unadvise may have handed over yet another
  // server: that one stays.
  if (server || eventSink) return;
  server = newServer;
  if (!newServer) return;
  eventSink = fw::Make<fw::EventSink>(kServerEventsIid, kServerTypeLibId, kServerTypeLibMajor,
                                      kServerTypeLibMinor, this);
  fw::ComPtr<IUnknown> identity;
  fw::ComPtr<fw::ComObject<fw::EventSink>> sink = eventSink;
  if (sink && SUCCEEDED(newServer->QueryInterface(IID_PPV_ARGS(&identity))))
    sink->Advise(identity.Get());
}

void CServerLink::RequestRefresh() {
  for (const auto& item : waiting)
    if (item && !item->isEvent) return;  // one is waiting already
  Wait(std::make_unique<Waiting>());
}

void CServerLink::OnSinkEvent(DISPID id, const VARIANT* arguments, UINT count) {
  Wait(std::make_unique<Waiting>(connection, id, arguments, count));
}

// Runs `item` now if the control is idle and nothing older waits, else
// queues it behind what waits.
void CServerLink::Wait(std::unique_ptr<Waiting> item) {
  waiting.push_back(std::move(item));
  if (!InProgress()) HandleWaiting();
}

void CServerLink::OnWorkDone() {
  for (const auto& item : waiting)
    if (item) {
      ScheduleWaiting();
      return;
    }
  waiting.clear();
}

void CServerLink::HandleWaiting() {
  // Each item runs as work of its own; what arrives meanwhile waits behind
  // the rest.
  while (!InProgress() && !waiting.empty()) {
    std::unique_ptr<Waiting> item = std::move(waiting.front());
    waiting.pop_front();
    if (!item) continue;  // dropped
    if (!item->isEvent)
      OnRefresh();
    else if (item->connection == connection)
      OnServerEvent(item->id, item->arguments, item->count);
  }
}
