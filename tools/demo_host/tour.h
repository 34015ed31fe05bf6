// The screenshot tour: the demo host walks the control through every page
// of every page set (product modes 2, 1, 4 and 0) in the states a user
// meets, working it through its real windows as a user would, and saves one
// PNG per view. Each view names what it must show (the selected tab, the
// dialog in front); a view that does not show it is not saved, and the tour
// fails.
#pragma once

#include <windows.h>

#include "tools/demo_host/phone_menu.h"

namespace demo {

// How long the simulated camera test of the tour takes.
constexpr DWORD kTourTestDurationMs = 2500;

// Starts the tour on this thread's message loop: `frame` is the host's
// window, `control` the control's window, `phone` changes what the
// simulated phone does. The pictures go into `folder` (which must exist).
// When it is done the tour ends the message loop (WM_QUIT) with 0 when
// every view was saved, else 1.
void StartTour(HWND frame, HWND control, PhoneMenu& phone, const char* folder);

}  // namespace demo
