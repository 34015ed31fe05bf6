// The control's link to the camera function server: the counted server
// reference, the event sink connected to the server's events, and the
// server work of the control's user actions. Events that arrive while a
// user action does its server work are held and handed on, in the order
// they came, once the work is done.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>

#include "CameraControlFN.h"
#include "control/server_work.h"
#include "framework/com_object.h"
#include "framework/event_sink.h"

class CServerLink : public fw::EventSink::Owner, public CServerWork {
 public:
  ICameraControlFN* Server() const { return server.Get(); }

 protected:
  CServerLink();
  // Disconnects the sink and releases the server.
  ~CServerLink();

  HRESULT CreateEventSink();
  // Disconnects from the old server, connects the sink to the new one
  // (which may be null) and keeps a reference to it. Events of the old
  // server still held are dropped.
  HRESULT ExchangeServer(ICameraControlFN* newServer);

  // A server event with its arguments converted to the declared types.
  virtual void OnServerEvent(DISPID id, const VARIANT* arguments, UINT count) = 0;
  // Server work has ended with events held: arrange for HandleHeldEvents
  // to run from the thread's message loop.
  virtual void ScheduleHeldEvents() = 0;
  // Hands on the held events, oldest first, while no work is in progress.
  void HandleHeldEvents();

 private:
  struct HeldEvent;

  void OnSinkEvent(DISPID id, const VARIANT* arguments, UINT count) override;
  void OnWorkDone() override;
  void Disconnect();

  fw::ComPtr<ICameraControlFN> server;
  fw::ComPtr<fw::ComObject<fw::EventSink>> eventSink;
  std::deque<std::unique_ptr<HeldEvent>> heldEvents;
};
