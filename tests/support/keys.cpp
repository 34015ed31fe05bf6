#include "tests/support/keys.h"

#include <ocidl.h>

#include "framework/com_object.h"

namespace test {

KeyFilter HostLoop(IUnknown* control) {
  fw::ComPtr<IOleInPlaceActiveObject> active;
  control->QueryInterface(IID_PPV_ARGS(&active));
  return [active](MSG& msg) { return active && active->TranslateAccelerator(&msg) == S_OK; };
}

KeyFilter DialogLoop(HWND dialog) {
  return [dialog](MSG& msg) { return IsDialogMessageA(dialog, &msg) != FALSE; };
}

void PressRealKey(BYTE key, BYTE modifier, const KeyFilter& filter) {
  if (modifier) keybd_event(modifier, 0, 0, 0);
  keybd_event(key, 0, 0, 0);
  keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
  if (modifier) keybd_event(modifier, 0, KEYEVENTF_KEYUP, 0);
  MSG msg;
  do {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (filter(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  } while (HIWORD(GetQueueStatus(QS_KEY | QS_POSTMESSAGE | QS_SENDMESSAGE)));
}

}  // namespace test
