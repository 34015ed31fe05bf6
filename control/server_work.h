// One user action at a time, per control.
//
// A user action (an activation radio button, Read, Write, Test, Preview,
// Save...) calls the camera function server synchronously. When the server
// lives in another process, COM keeps taking some messages on this thread
// while a call waits for its answer: messages sent from other threads,
// paint, and incoming COM calls, among them the server's own events. So
// that none of them starts a second action in the middle of the first, an
// action marks the control busy from its start until its server work is
// done: a user action that arrives meanwhile does nothing, and the server's
// events wait until the work is done (CServerLink).
//
//   if (ServerBusy()) return 0;                 // another action is waiting
//   CServerWork::Scope work(ServerWork());
//   ... validate, call the server, show the result ...
//   work.Done();                                // before waiting for the user
#pragma once

class CServerWork {
 public:
  // Whether a user action of this control is doing its server work.
  bool InProgress() const { return depth > 0; }

  // Server work for the lifetime of the scope, or until Done. `work` may be
  // null (a page outside a control): then nothing is counted.
  class Scope {
   public:
    explicit Scope(CServerWork* work);
    ~Scope() { Done(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    void Done();

   private:
    CServerWork* work;
  };

 protected:
  CServerWork() = default;
  ~CServerWork() = default;
  CServerWork(const CServerWork&) = delete;
  CServerWork& operator=(const CServerWork&) = delete;

  // The outermost piece of work has ended.
  virtual void OnWorkDone() {}

 private:
  int depth = 0;
};
