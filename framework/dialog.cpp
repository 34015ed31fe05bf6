#include "framework/dialog.h"

#include "framework/module.h"

namespace fw {
namespace {

// Messages whose answer is the dialog procedure's return value rather than
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return true;
    default:
      return false;
  }
}

}  // namespace

HWND Dialog::CreateModeless(UINT templateId, HWND parent) {
  if (Hwnd()) return nullptr;
  return CreateDialogParamA(Module::ResourceInstance(), MAKEINTRESOURCEA(templateId), parent,
                            DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::RunModal(UINT templateId, HWND owner) {
  if (Hwnd()) return -1;
  return DialogBoxParamA(Module::ResourceInstance(), MAKEINTRESOURCEA(templateId), owner,
                         DialogProc, reinterpret_cast<LPARAM>(this));
}

bool Dialog::EndDialog(INT_PTR result) {
  return Hwnd() && ::EndDialog(Hwnd(), result);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!self) {
    if (message != WM_INITDIALOG || !lParam) return FALSE;
    self = reinterpret_cast<Dialog*>(lParam);
    self->AttachDialog(window);
  }
  return self->HandleDialogMessage(window, message, wParam, lParam);
}

INT_PTR Dialog::HandleDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!Route({window, message, wParam, lParam}, result)) return FALSE;
  if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
  if (::IsWindow(window)) SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
  return TRUE;
}

}  // namespace fw
