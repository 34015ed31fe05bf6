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

 private:
  fw::ComPtr<ICameraControlFN> server;
};
