// The rule every entry point into the control follows: a host call through
// any interface, a user action, a server event, a timer, a message sent
// from another thread.
//
// 1. The control stays whole for the length of the call: every entry point
//    is a fw::CallScope (window messages and the framework's COM methods
//    open one themselves; CServerWork::Scope opens one for the rest), so
//    that a host letting go of the control from inside a call finishes it
//    only when the outermost call returns.
// 2. The work takes its own counted reference to the server it is about to
//    use (Scope::Server) and never reads the control's server again: a host
//    call or an event may exchange that at any time.
// 3. After anything that can run messages or call back (a server call, a
//    message box, a modal dialog) it asks the scope whether it may go on
//    (Scope::Check): its window must still be there and the control must
//    still hold the server the work started with. Otherwise it ends, quietly
//    where its window has gone (the control is closing or its page was
//    rebuilt), and a page's user action says "A Component Couldn't Be Found"
//    where the server was taken away.
// 4. One piece of work at a time per control. While work is in progress the
//    control is busy: a user action that arrives meanwhile does nothing, and
//    server events and the refresh of Go or SetServer wait until the work is
//    done (CServerLink), so that nothing ever runs nested inside other work.
//
//   CServerWork::Scope work(ServerWork(), Hwnd(), serverMember);
//   HRESULT hr = work.Server()->ReadRegister(reg, &value);
//   if (!work.GoesOn()) return;                 // the window or server went
//   ...
//   work.Done();                                // before waiting for the user
#pragma once

#include <windows.h>

#include "CameraControlFN.h"
#include "framework/call_scope.h"
#include "framework/com_object.h"

class CServerWork {
 public:
  // Whether work of this control is in progress.
  bool InProgress() const { return depth > 0; }

  class Scope {
   public:
    enum class State { GoesOn, WindowGone, ServerGone };

    // Work of `window` (null while the control has none) with the server
    // held in `current`, which the scope watches. `work` may be null (a
    // page outside a control): then nothing is counted.
    Scope(CServerWork* work, HWND window, const fw::ComPtr<ICameraControlFN>& current);
    ~Scope() { Done(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    // The server this work uses: its own reference, taken at the start.
    ICameraControlFN* Server() const { return server.Get(); }
    // Whether the work may go on after a call out.
    State Check() const;
    bool GoesOn() const { return Check() == State::GoesOn; }
    // The control is no longer busy with this work (it goes on to wait for
    // the user or for an event); the scope still keeps it whole.
    void Done();

   private:
    fw::CallScope call;
    CServerWork* work;
    bool done = false;  // no longer counted as work in progress
    HWND window;
    const fw::ComPtr<ICameraControlFN>& current;
    fw::ComPtr<ICameraControlFN> server;
  };

 protected:
  CServerWork() = default;
  ~CServerWork() = default;
  CServerWork(const CServerWork&) = delete;
  CServerWork& operator=(const CServerWork&) = delete;

  // The outermost piece of work has ended.
  virtual void OnWorkDone() {}
  // Whether the control still has its window. Work of a window inside it (a
  // page) ends with it, even where the system keeps that window a moment
  // longer.
  virtual bool HasWindow() const { return true; }

 private:
  int depth = 0;
};
