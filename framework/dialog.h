// Dialogs from templates: modeless (child dialogs, the control's own window)
// and modal. The dialog object attaches at WM_INITDIALOG; from then on its
// message table applies, and unhandled messages go to the dialog manager.
#pragma once

#include <windows.h>

#include "framework/window.h"

namespace fw {

class Dialog : public Window {
 public:
  // Resources come from Module::ResourceInstance().
  HWND CreateModeless(UINT templateId, HWND parent);
  INT_PTR RunModal(UINT templateId, HWND owner);
  bool EndDialog(INT_PTR result);

  HWND Item(int id) const { return GetDlgItem(Hwnd(), id); }

 protected:
  static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
  // The dialog procedure's work once the object is known; property pages,
  // which receive their object differently, call it too.
  INT_PTR HandleDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Attaches the object to a dialog window at WM_INITDIALOG.
  void AttachDialog(HWND window) { AttachAs(window, Attachment::Dialog); }
};

}  // namespace fw
