// What the sheet knows of every page: enabling, the server reference and
// the control's work. A page's user actions are CUserActions of the
// control's work, on the page's window and server.
#pragma once

#include <windows.h>

#include "CameraControlFN.h"
#include "control/user_action.h"
#include "framework/com_object.h"

class CBasePropertyPage {
 public:
  virtual ~CBasePropertyPage();
  // Enables or disables the page's controls; does nothing while the page
  // has no window.
  virtual void EnablePage(BOOL enable) = 0;
  // Takes a reference to the new server (may be null), drops the old one.
  virtual void SetServer(ICameraControlFN* newServer);
  // The work of the control the page belongs to.
  void SetServerWork(CServerWork* work) { serverWork = work; }

 protected:
  CBasePropertyPage() = default;
  ICameraControlFN* Server() const { return server.Get(); }
  // The page's server reference, which work scopes watch.
  const fw::ComPtr<ICameraControlFN>& ServerReference() const { return server; }
  // The control's work; null outside a control.
  CServerWork* ServerWork() const { return serverWork; }

  // `server`'s test interface; when there is no server or it has no such
  // interface, says "A Component Couldn't Be Found" and gives null.
  static fw::ComPtr<ICameraControlFNTest> TestInterface(ICameraControlFN* server);

 private:
  fw::ComPtr<ICameraControlFN> server;
  CServerWork* serverWork = nullptr;
};
