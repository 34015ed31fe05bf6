// The demo host's "Phone" menu and keys. They make the simulated phone do
// what a real one does, so that every state of the control can be seen by
// hand: another product plugged in (its product mode), the cable pulled
// and put back, and a call that fails with a chosen result code. The frame's
// caption tells what the phone is doing.
#pragma once

#include <windows.h>

#include "framework/handles.h"
#include "tools/simulator/camera_simulator.h"

namespace demo {

using UniqueAccelerators = fw::UniqueHandle<fw::ClosedBy<HACCEL, DestroyAcceleratorTable>>;

class PhoneMenu {
 public:
  // Puts the menu on `frame`, which it subclasses. Without a simulator
  // (the control talks to a server of the user's own) the menu is greyed.
  PhoneMenu(HWND frame, sim::CameraSimulator* simulator, const char* serverName);
  ~PhoneMenu();
  PhoneMenu(const PhoneMenu&) = delete;
  PhoneMenu& operator=(const PhoneMenu&) = delete;

  // The keys of the menu, for the host's message loop.
  HACCEL Accelerators() const { return accelerators.Get(); }

  // What the commands do (the screenshot tour uses them too).
  // Another product: the phone is unplugged, reports `mode` and is plugged
  // in again; the control rebuilds its pages when it learns the new mode.
  void ChangeMode(long mode);
  void SetPlugged(bool plugged);
  void FailNextCall(HRESULT code);
  // Shows the phone's state in the frame's caption (done every 250 ms too,
  // so that a failure taken up by a call disappears from it).
  void UpdateCaption();

 private:
  static LRESULT CALLBACK FrameProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  void OnCommand(WORD id);
  void UpdateChecks(HMENU menu) const;

  HWND frame;
  sim::CameraSimulator* simulator;
  const char* serverName;
  UniqueAccelerators accelerators;
  HRESULT lastFailure;
  char caption[160] = {};
};

}  // namespace demo
