// The control's link to the camera function server: the counted server
// reference, the event sink of the current connection, and the control's
// work (CServerWork). What must not run inside other work (a server
// event's handling, the refresh after Go or SetServer) runs at once when
// the control is idle, and otherwise waits, in the order it came, until
// the work in progress is done.
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
  ~CServerLink();

  // The server reference, for work scopes to watch.
  const fw::ComPtr<ICameraControlFN>& ServerReference() const { return server; }

  // Lets go of the old server's connection (its sink detached first, so
  // that what it fires while it lets go is dropped), then takes the new
  // server (which may be null) and connects a new sink to it. Events of the
  // old server still waiting are dropped.
  void ExchangeServer(ICameraControlFN* newServer);

  // Runs OnRefresh now when no work is in progress, else once it is done
  // (at most one refresh waits).
  void RequestRefresh();

  // A server event with its arguments converted to the declared types; runs
  // as work of its own.
  virtual void OnServerEvent(DISPID id, const VARIANT* arguments, UINT count) = 0;
  // What Go does: read the server's state and show it.
  virtual void OnRefresh() = 0;
  // Work has ended with something waiting: arrange for HandleWaiting to run
  // from the thread's message loop.
  virtual void ScheduleWaiting() = 0;
  // Runs what waits, oldest first, while no work is in progress.
  void HandleWaiting();

 private:
  struct Waiting;

  void OnSinkEvent(DISPID id, const VARIANT* arguments, UINT count) override;
  void OnWorkDone() override;
  void Wait(std::unique_ptr<Waiting> item);

  fw::ComPtr<ICameraControlFN> server;
  fw::ComPtr<fw::ComObject<fw::EventSink>> eventSink;
  // Counts connections, so that a waiting event knows whether its server
  // is still the control's.
  unsigned connection = 0;
  std::deque<std::unique_ptr<Waiting>> waiting;
};
