// Calls into the module on this thread, and what they keep alive.
//
// A host or a server may let go of one of the module's objects from inside
// a call the object made (a server call, a message box, a modal dialog),
// while code of the object is still running further up the stack. Every
// entry point into the module therefore opens a CallScope: a window
// message (fw::Window does it for every message), a COM method that calls
// out, an event arriving at a sink. While any scope is open on the thread,
// an object whose last reference goes is only put aside; it is finished
// (FinalRelease, then destroyed) when the outermost call returns, so every
// object stays whole for the length of every call running in it.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <functional>

namespace fw {

class ComObjectRoot;

class CallScope {
 public:
  CallScope();
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

  // Whether a call into the module is running on this thread.
  static bool Active();
  // Puts `object`, whose last reference has gone, aside until the outermost
  // call returns. False when no call is running: finish it now.
  static bool Defer(ComObjectRoot* object);
  // Runs `action` when the outermost call returns (at once when none is
  // running), holding a reference to `keep` until then.
  static void AtEnd(IUnknown* keep, std::function<void()> action);
};

}  // namespace fw
