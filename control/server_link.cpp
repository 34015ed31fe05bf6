#include "control/server_link.h"

#include "control/camera_server.h"

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
  if (newServer && eventSink) {
    fw::ComPtr<IUnknown> identity;
    if (SUCCEEDED(newServer->QueryInterface(IID_PPV_ARGS(&identity))))
      eventSink->Advise(identity.Get());
  }
  server = newServer;
  return S_OK;
}
