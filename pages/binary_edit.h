// A colour field of the Picture Tests page: a single-line edit box
// (subclassed) that holds a number as a fixed count of binary digits.
// Typing is limited to the digits 0 and 1 and the editing keys; Enter and
// the loss of the focus bring the text back into range and to its full
// digit count. Pasted text is not filtered: it stays until then.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/window.h"

class CBinaryEdit : public fw::Window {
 public:
  // Most digits a text can have (a buffer of 32 with its terminator).
  static constexpr int32_t kMaxDigits = 31;

  // Shows `value`, keeps the range `low`..`high` and the digit count, and
  // limits typing to that many characters. False without a window, for a
  // value outside the range or a digit count outside 0 to kMaxDigits.
  bool Setup(int32_t value, int32_t low, int32_t high, int32_t digits);
  // Sets the text to `digits` binary digits of `value`, the highest first.
  // False without a window or for a digit count outside 0 to kMaxDigits.
  bool SetValue(int32_t value, int32_t digits);
  // The number the text gives (see ParseBinaryText) and whether the text
  // holds nothing but binary digits. False without a window.
  bool GetValue(int32_t& value, bool& onlyBinaryDigits) const;
  bool GetValue(int32_t& value) const;
  // One up, or down, from the number in the text, kept within the range.
  // False only without a window.
  bool Increment();
  bool Decrement();
  // Rewrites the text as the number it gives, clamped into the range, with
  // the full digit count.
  void Normalise();

 protected:
  FW_BEGIN_MESSAGES(CBinaryEdit)
  FW_MESSAGE(WM_CHAR, OnChar)
  FW_MESSAGE(WM_GETDLGCODE, OnGetDlgCode)
  FW_MESSAGE(WM_KILLFOCUS, OnKillFocus)
  FW_END_MESSAGES(fw::Window)

  // Enter normalises; only binary digits and control characters (editing
  // keys, clipboard shortcuts) reach the edit box.
  LRESULT OnChar(const fw::Message& m, bool& handled);
  // Every key, Enter and Tab included, stays with the box.
  LRESULT OnGetDlgCode(const fw::Message& m, bool& handled);
  LRESULT OnKillFocus(const fw::Message& m, bool& handled);

 private:
  int32_t maximum = 0;
  int32_t minimum = 0;
  int32_t digitCount = 0;
};
