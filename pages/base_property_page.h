// What the sheet knows of every page: enabling, the server reference and
// the control's server work.
#pragma once

#include <windows.h>

#include "CameraControlFN.h"
#include "control/server_work.h"
#include "framework/com_object.h"

class CBasePropertyPage {
 public:
  virtual ~CBasePropertyPage();
  // Enables or disables the page's controls; does nothing while the page
  // has no window.
  virtual void EnablePage(BOOL enable) = 0;
  // Takes a reference to the new server (may be null), drops the old one.
  virtual void SetServer(ICameraControlFN* newServer);
  // The server work of the control the page belongs to.
  void SetServerWork(CServerWork* work) { serverWork = work; }

 protected:
  CBasePropertyPage() = default;
  ICameraControlFN* Server() const { return server.Get(); }
  // Whether there is a server; when there is none, says so ("A Component
  // Couldn't Be Found").
  bool ServerAvailable() const;
  // The server's test interface; when there is no server or it has no such
  // interface, says the same and gives null.
  fw::ComPtr<ICameraControlFNTest> TestInterface() const;
  // Whether another action of the control is waiting for the server: a
  // user action then does nothing.
  bool ServerBusy() const { return serverWork && serverWork->InProgress(); }
  // What a user action marks busy (CServerWork::Scope); null outside a
  // control.
  CServerWork* ServerWork() const { return serverWork; }

 private:
  fw::ComPtr<ICameraControlFN> server;
  CServerWork* serverWork = nullptr;
};
