#include "pages/in_place_edit.h"

#include "framework/handles.h"
#include "framework/module.h"
#include "pages/register_text.h"

namespace {

constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_WANTRETURN;
// Longest text read back from the box; a pasted text may exceed the limit
// the box sets for typing.
constexpr int kMaxEditText = 30;

constexpr WPARAM kEscape = 27;
constexpr WPARAM kReturn = 13;

}  // namespace

bool CInPlaceEdit::CreateEditBox(HWND list) {
  if (Hwnd()) return true;
  HWND edit = CreateWindowExA(0, "EDIT", "", kEditStyle, 0, 0, 10, 10, list, nullptr,
                              fw::Module::Instance(), nullptr);
  if (!edit) return false;
  if (!Subclass(edit)) {
    DestroyWindow(edit);
    return false;
  }
  SendMessageA(edit, WM_SETFONT, SendMessageA(list, WM_GETFONT, 0, 0), FALSE);
  ShowWindow(edit, SW_HIDE);
  return true;
}

bool CInPlaceEdit::SetMode(int newMode) {
  static const int kTextLimits[] = {0, 8, 2, 3};  // by mode
  if (newMode < ModeBinary || newMode > ModeDecimal) return false;
  mode = newMode;
  SendMessageA(Hwnd(), EM_LIMITTEXT, kTextLimits[mode], 0);
  return true;
}

int CInPlaceEdit::Base() const {
  switch (mode) {
    case ModeBinary:
      return 2;
    case ModeHexadecimal:
      return 16;
    default:
      return 10;
  }
}

int CInPlaceEdit::GetTextHeight() const {
  fw::WindowDC dc(Hwnd());
  if (!dc) return 0;
  auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0));
  fw::SelectedObject selected(dc.Get(), font ? font : GetStockObject(SYSTEM_FONT));
  TEXTMETRICA metrics = {};
  if (!GetTextMetricsA(dc.Get(), &metrics)) return 0;
  return metrics.tmHeight;
}

LRESULT CInPlaceEdit::OnGetDlgCode(const fw::Message&, bool&) {
  return DLGC_WANTALLKEYS;
}

bool CInPlaceEdit::AcceptsDigit(WPARAM c) const {
  switch (mode) {
    case ModeBinary:
      return c == '0' || c == '1';
    case ModeHexadecimal:
      return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    default:
      return c >= '0' && c <= '9';
  }
}

LRESULT CInPlaceEdit::OnChar(const fw::Message& m, bool& handled) {
  cancelled = false;
  const WPARAM c = m.wParam;
  if (c == kEscape) {
    cancelled = true;
    ShowWindow(Hwnd(), SW_HIDE);  // the focus goes back to the list
    return 0;
  }
  if (c == kReturn) {
    ShowWindow(Hwnd(), SW_HIDE);
    return 0;
  }
  // Editing keys (backspace, the clipboard's control characters) and the
  // point go to the edit control as they are.
  if ((c >= 1 && c <= 26) || c == '.' || AcceptsDigit(c)) handled = false;
  return 0;
}

LRESULT CInPlaceEdit::OnKillFocus(const fw::Message&, bool& handled) {
  if (!cancelled) {
    char text[kMaxEditText + 1] = "";
    GetWindowTextA(Hwnd(), text, sizeof text);
    const unsigned value = ParseRegisterValue(text, Base());
    if (value <= kMaxRegisterValue)
      PostMessageA(GetParent(Hwnd()), UM_INPLACEEDITRETURN, value, item);
  }
  cancelled = false;
  ShowWindow(Hwnd(), SW_HIDE);
  handled = false;  // the edit control ends its own focus
  return 0;
}
