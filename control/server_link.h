// The control's link to the camera function server: the counted server
// reference and the event sink connected to the server's events.
#pragma once

#include <windows.h>

#include "CameraControlFN.h"
#include "framework/com_object.h"
#include "framework/event_sink.h"

class CServerLink : public fw::EventSink::Owner {
 public:
  ICameraControlFN* Server() const { return server.Get(); }

 protected:
  CServerLink() = default;
  // Disconnects the sink and releases the server.
  ~CServerLink();

  HRESULT CreateEventSink();
  // Disconnects from the old server, connects the sink to the new one
  // (which may be null) and keeps a reference to it.
  HRESULT ExchangeServer(ICameraControlFN* newServer);

 private:
  void Disconnect();

  fw::ComPtr<ICameraControlFN> server;
  fw::ComPtr<fw::ComObject<fw::EventSink>> eventSink;
};
