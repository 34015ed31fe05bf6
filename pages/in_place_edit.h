// The edit box that the register list lays over a value cell. It accepts
// only the digits of the cell's base and, when it loses the focus, posts
// the new value to the list (UM_INPLACEEDITRETURN). Return commits, Escape
// throws the typed text away.
#pragma once

#include <windows.h>

#include "framework/window.h"

// Edit box → register list: wParam = new value (0 to 255), lParam = row.
// Posted, not sent.
constexpr UINT UM_INPLACEEDITRETURN = 0x8067;

class CInPlaceEdit : public fw::Window {
 public:
  // The base of the cell being edited.
  enum Mode : int { ModeBinary = 1, ModeHexadecimal = 2, ModeDecimal = 3 };

  // Creates the (hidden) edit box as a child of `list`.
  bool CreateEditBox(HWND list);
  // Sets the base and the text limit that goes with it (8, 2 or 3
  // characters); false for any other mode.
  bool SetMode(int newMode);
  // The row whose value is being edited.
  void SetItem(BYTE row) { item = row; }
  // Height of the edit's font in pixels; 0 without a device context.
  int GetTextHeight() const;

 protected:
  FW_BEGIN_MESSAGES(CInPlaceEdit)
  FW_MESSAGE(WM_GETDLGCODE, OnGetDlgCode)
  FW_MESSAGE(WM_CHAR, OnChar)
  FW_MESSAGE(WM_KILLFOCUS, OnKillFocus)
  FW_END_MESSAGES(fw::Window)

  // Keeps Return and Escape from the page's dialog.
  LRESULT OnGetDlgCode(const fw::Message& m, bool& handled);
  // Return and Escape close the box; only the digits of the base go in.
  LRESULT OnChar(const fw::Message& m, bool& handled);
  // Hands the value to the list unless Escape was pressed.
  LRESULT OnKillFocus(const fw::Message& m, bool& handled);

 private:
  bool AcceptsDigit(WPARAM character) const;
  int Base() const;

  int mode = ModeDecimal;
  BYTE item = 0;
  bool cancelled = false;
};
