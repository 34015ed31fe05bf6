// A user action of the control or of one of its pages (a radio button, Read,
// Write, Test, Preview, Save, a camera choice): work (CServerWork::Scope)
// that is refused while other work of the control is in progress, and that
// ends with "A Component Couldn't Be Found" when it has no server or its
// server is taken away while it runs.
//
//   CUserAction action(ServerWork(), Hwnd(), ServerReference());
//   if (action.Refused() || !action.HasServer()) return 0;
//   HRESULT hr = action.Server()->ReadRegister(reg, &value);
//   if (!action.GoesOn()) return 0;
#pragma once

#include <windows.h>

#include <optional>

#include "control/server_work.h"

class CUserAction {
 public:
  CUserAction(CServerWork* work, HWND window, const fw::ComPtr<ICameraControlFN>& current);
  CUserAction(const CUserAction&) = delete;
  CUserAction& operator=(const CUserAction&) = delete;

  // Other work of the control is in progress: the user's click does
  // nothing.
  bool Refused() const { return !scope.has_value(); }
  // Whether the action has a server; says so when it has none.
  bool HasServer() const;
  ICameraControlFN* Server() const { return scope ? scope->Server() : nullptr; }
  // After a server call, a message box or a modal dialog: whether the
  // action may go on. Its window gone, it ends quietly; its server taken
  // away, it says so (once).
  bool GoesOn();
  // Before the action waits for the user (a preview) or for an event (a
  // camera test): the control is free for other work again.
  void Done();

 private:
  std::optional<CServerWork::Scope> scope;
  bool told = false;
};
