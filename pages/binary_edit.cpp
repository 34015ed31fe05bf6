#include "pages/binary_edit.h"

#include "pages/picture_values.h"

namespace {

// The text is read to this many characters; anything beyond is not looked
// at.
constexpr int kMaxReadText = 33;
constexpr WPARAM kEnter = 13;

bool InRange(int64_t value, int32_t minimum, int32_t maximum) {
  return value >= minimum && value <= maximum;
}

}  // namespace

bool CBinaryEdit::Setup(int32_t value, int32_t low, int32_t high, int32_t digits) {
  if (!IsWindow() || !InRange(value, low, high)) return false;
  if (!SetValue(value, digits)) return false;
  minimum = low;
  maximum = high;
  digitCount = digits;
  SendMessageA(Hwnd(), EM_LIMITTEXT, static_cast<WPARAM>(digits), 0);
  return true;
}

bool CBinaryEdit::SetValue(int32_t value, int32_t digits) {
  if (!IsWindow() || digits < 0 || digits > kMaxDigits) return false;
  char text[kMaxDigits + 1] = "";
  for (int32_t i = 0; i < digits; ++i)
    text[i] = (static_cast<uint32_t>(value) >> (digits - 1 - i)) & 1 ? '1' : '0';
  text[digits] = '\0';
  SetWindowTextA(Hwnd(), text);
  return true;
}

bool CBinaryEdit::GetValue(int32_t& value, bool& onlyBinaryDigits) const {
  if (!IsWindow()) return false;
  char text[kMaxReadText + 1] = "";
  GetWindowTextA(Hwnd(), text, sizeof text);
  const BinaryText number = ParseBinaryText(text);
  value = number.value;
  onlyBinaryDigits = number.onlyBinaryDigits;
  return true;
}

bool CBinaryEdit::GetValue(int32_t& value) const {
  bool onlyBinaryDigits = false;
  return GetValue(value, onlyBinaryDigits);
}

bool CBinaryEdit::Increment() {
  int32_t value = 0;
  if (!GetValue(value)) return false;
  const int64_t next = int64_t{value} + 1;
  if (InRange(next, minimum, maximum))
    value = static_cast<int32_t>(next);
  else
    value = next < minimum ? minimum : maximum;
  return SetValue(value, digitCount);
}

bool CBinaryEdit::Decrement() {
  int32_t value = 0;
  if (!GetValue(value)) return false;
  const int64_t previous = int64_t{value} - 1;
  if (InRange(previous, minimum, maximum))
    value = static_cast<int32_t>(previous);
  else
    value = value > minimum ? maximum : minimum;
  return SetValue(value, digitCount);
}

void CBinaryEdit::Normalise() {
  int32_t value = minimum;
  GetValue(value);
  if (value < minimum) value = minimum;
  if (value > maximum) value = maximum;
  SetValue(value, digitCount);
}

LRESULT CBinaryEdit::OnChar(const fw::Message& m, bool& handled) {
  const WPARAM c = m.wParam;
  if (c == kEnter) {
    Normalise();
    return 0;
  }
  if (c == '0' || c == '1' || (c >= 1 && c <= 26)) handled = false;
  return 0;
}

LRESULT CBinaryEdit::OnGetDlgCode(const fw::Message&, bool&) {
  return DLGC_WANTALLKEYS;
}

LRESULT CBinaryEdit::OnKillFocus(const fw::Message&, bool& handled) {
  Normalise();
  handled = false;  // the edit box ends its own focus
  return 0;
}
