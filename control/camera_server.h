// The camera function server as the control knows it: its interfaces, its
// event interface and the type library that describes the events.
#pragma once

#include <windows.h>

#include "CameraControlFN.h"

// _ICameraControlFNEvents, the server's dispatch event interface.
constexpr IID kServerEventsIid = {
    0x058D0770, 0xC118, 0x420C, {0x8D, 0xA2, 0x07, 0xFC, 0xC7, 0xFF, 0xC7, 0xA7}};
// The server's type library, registered by the server; version 1.0.
constexpr GUID kServerTypeLibId = {
    0x3591324A, 0x092B, 0x48F4, {0xA1, 0x5E, 0x0A, 0x90, 0xF5, 0xE9, 0x14, 0xB9}};
constexpr WORD kServerTypeLibMajor = 1;
constexpr WORD kServerTypeLibMinor = 0;

// Dispids of the server's events.
enum ServerEvent : DISPID {
  kEventConnectionStateChanged = 1,
  kEventCameraTestFinished = 2,
  kEventCameraTestFailed = 3,
};

// Result code of StartCameraTest while a test runs.
constexpr HRESULT kServerTestRunning = static_cast<HRESULT>(0x80040406);
