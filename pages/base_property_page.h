// What the sheet knows of every page: enabling and the server reference.
#pragma once

#include <windows.h>

#include "CameraControlFN.h"
#include "framework/com_object.h"

class CBasePropertyPage {
 public:
  virtual ~CBasePropertyPage();
  // Enables or disables the page's controls; does nothing while the page
  // has no window.
  virtual void EnablePage(BOOL enable) = 0;
  // Takes a reference to the new server (may be null), drops the old one.
  virtual void SetServer(ICameraControlFN* newServer);

 protected:
  CBasePropertyPage() = default;
  ICameraControlFN* Server() const { return server.Get(); }
  // Whether there is a server; when there is none, says so ("A Component
  // Couldn't Be Found").
  bool ServerAvailable() const;
  // The server's test interface; when there is no server or it has no such
  // interface, says the same and gives null.
  fw::ComPtr<ICameraControlFNTest> TestInterface() const;

 private:
  fw::ComPtr<ICameraControlFN> server;
};
