// One round of a host's day with the control: made by the class factory and
// activated in place, started in mode 2, the camera on, a Registers Read
// pass, a preview on the Picture Capture page, a change to mode 4 by
// reconnection, then deactivated and released.
#pragma once

#include <windows.h>

#include <cstddef>

namespace test {

struct HostRound {
  ULONG serverRefsAtStart = 0;  // the fake server's references before SetServer
  ULONG serverRefsAtEnd = 0;    // and after the control was released
  size_t registersRead = 0, previewsShown = 0, tabsAfterModeChange = 0;
};

HostRound RunHostRound();

}  // namespace test
