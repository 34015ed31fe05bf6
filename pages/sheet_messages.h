// Private messages between the pages and the property sheet, and the
// camera activation states the sheet keeps.
#pragma once

#include <windows.h>

// Page → sheet: answers the activation mask.
constexpr UINT SHM_GETACTIVATIONMASK = 0x8261;
// Product capture page → sheet: the Camera Test page fetches new results.
constexpr UINT SHM_REFRESHTESTRESULTS = 0x8262;
// Product capture page → sheet: wParam = flash mode for the camera test.
constexpr UINT SHM_SETTESTFLASH = 0x8263;
// Product capture page → sheet: low byte of wParam = camera number.
constexpr UINT SHM_SETTESTCAMERA = 0x8264;

// Activation states, as bits: a page is usable when its flags share a bit
// with the current state.
enum ActivationMask : UINT {
  ActivationDeactivated = 1,
  ActivationCameraOn = 2,
  ActivationViewFinderOn = 4,
};

// The activation state as the sheet holding `page` reports it.
inline long SheetActivationMask(HWND page) {
  return static_cast<long>(SendMessageA(GetParent(page), SHM_GETACTIVATIONMASK, 0, 0));
}
