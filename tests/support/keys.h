// Keys pressed as a user presses them: keybd_event puts them into the input
// of the foreground thread, where they reach the focused window. The
// messages they make then run through the loop that would read them: a
// host's loop for an in-place active control, or a modal dialog's.
#pragma once

#include <windows.h>

#include <functional>

namespace test {

// Takes a message before TranslateMessage and DispatchMessage; true when
// it used it.
using KeyFilter = std::function<bool(MSG& msg)>;

// A host's loop: the control's IOleInPlaceActiveObject::TranslateAccelerator
// sees every message first.
KeyFilter HostLoop(IUnknown* control);
// A modal dialog's loop: IsDialogMessage.
KeyFilter DialogLoop(HWND dialog);

// Presses and releases `key`, with `modifier` (VK_SHIFT, VK_MENU or 0) held,
// and runs this thread's messages through `filter` until the keys and what
// they posted are handled.
void PressRealKey(BYTE key, BYTE modifier, const KeyFilter& filter);

}  // namespace test
