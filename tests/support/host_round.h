// One round of a host's day with the control, as the long-use test and the
// long-use benchmark run it: a control made by the DLL's class factory and
// activated in place, started in mode 2, the camera switched on, a Registers
// Read pass, a preview of a captured picture on the Picture Capture page, a
// mode change by reconnection (mode 4), then deactivated and released.
#pragma once

#include <windows.h>

#include <cstddef>

namespace test {

struct HostRound {
  ULONG serverRefsAtStart = 0;  // the fake server's references before SetServer
  ULONG serverRefsAtEnd = 0;    // and after the control was released
  size_t registersRead = 0;     // ReadRegister calls of the Read pass
  size_t previewsShown = 0;     // Image Preview dialogs that opened
  size_t tabsAfterModeChange = 0;
};

HostRound RunHostRound();

}  // namespace test
