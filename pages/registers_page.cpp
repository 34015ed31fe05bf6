#include "pages/registers_page.h"

#include <cstdio>

#include "control/message_boxes.h"
#include "control/wait_cursor.h"
#include "pages/register_text.h"
#include "pages/server_errors.h"
#include "pages/sheet_messages.h"

namespace {

// The range boxes take three digits; a longer (pasted) text is read only
// this far.
constexpr int kRangeTextLimit = 3;
constexpr int kMaxRangeText = 6;

// The number in a range box; text without digits counts as 0.
int32_t RangeValue(HWND edit) {
  char text[kMaxRangeText + 1] = "";
  GetWindowTextA(edit, text, sizeof text);
  return ParseRegisterNumber(text);
}

void SetNumberText(HWND edit, int number) {
  char text[16];
  snprintf(text, sizeof text, "%d", number);
  SetWindowTextA(edit, text);
}

}  // namespace

CCameraRegsPropPage::CCameraRegsPropPage() : fw::PropertyPage(IDD_REGISTERS) {}

void CCameraRegsPropPage::EnablePage(BOOL enable) {
  fw::EnableChildWindows(Hwnd(), enable);
}

LRESULT CCameraRegsPropPage::OnInitDialog(const fw::Message&, bool&) {
  firstEdit = Item(IDC_FIRST_REGISTER);
  lastEdit = Item(IDC_LAST_REGISTER);
  registerList.Subclass(Item(IDC_REGISTER_LIST));
  registerList.Initialise(0, CRegistersListView::kLastRegister);

  SetNumberText(firstEdit, 0);
  SetNumberText(lastEdit, CRegistersListView::kLastRegister);
  SendMessageA(firstEdit, EM_LIMITTEXT, kRangeTextLimit, 0);
  SendMessageA(lastEdit, EM_LIMITTEXT, kRangeTextLimit, 0);

  // Registers can be reached only while the camera is on.
  if (SheetActivationMask(Hwnd()) != ActivationCameraOn) EnablePage(FALSE);
  return TRUE;
}

bool CCameraRegsPropPage::ValidateRange(BYTE& first, BYTE& last) {
  const int32_t firstNumber = RangeValue(firstEdit);
  if (firstNumber < 0 || firstNumber > CRegistersListView::kLastRegister) {
    ShowError(IDS_ERR_REGISTER_NUMBER_TITLE, IDS_ERR_REGISTER_RANGE);
    SetFocus(firstEdit);
    return false;
  }
  const int32_t lastNumber = RangeValue(lastEdit);
  if (lastNumber < 0 || lastNumber > CRegistersListView::kLastRegister) {
    ShowError(IDS_ERR_REGISTER_NUMBER_TITLE, IDS_ERR_REGISTER_RANGE);
    SetFocus(lastEdit);
    return false;
  }
  if (firstNumber > lastNumber) {
    ShowError(IDS_ERR_REGISTER_NUMBER_TITLE, IDS_ERR_REGISTER_ORDER);
    SetFocus(firstEdit);
    return false;
  }
  first = static_cast<BYTE>(firstNumber);
  last = static_cast<BYTE>(lastNumber);
  return true;
}

bool CCameraRegsPropPage::ReadRegisters(CUserAction& action, BYTE first, BYTE last, HRESULT& hr) {
  CRegistersListView::DeferredRedraw deferred(registerList);
  for (int number = first; number <= last; ++number) {
    const auto reg = static_cast<BYTE>(number);
    BYTE value = 0;
    hr = action.Server()->ReadRegister(reg, &value);
    if (!action.GoesOn()) return false;
    if (FAILED(hr)) return true;
    registerList.SetRegValue(reg, value);
  }
  return true;
}

bool CCameraRegsPropPage::WriteRegisters(CUserAction& action, BYTE first, BYTE last, HRESULT& hr) {
  for (int number = first; number <= last; ++number) {
    const auto reg = static_cast<BYTE>(number);
    // A register never read or edited is written as 0.
    BYTE value = 0;
    registerList.GetRegisterValue(reg, value);
    hr = action.Server()->WriteRegister(reg, value);
    if (!action.GoesOn()) return false;
    if (FAILED(hr)) return true;
  }
  return true;
}

void CCameraRegsPropPage::TransferRange(Transfer direction) {
  CUserAction action(ServerWork(), Hwnd(), ServerReference());
  if (action.Refused() || !action.HasServer()) return;
  BYTE first = 0;
  BYTE last = 0;
  if (!ValidateRange(first, last)) return;

  CWaitCursor wait;
  const bool reading = direction == Transfer::Read;
  HRESULT hr = S_OK;
  const bool goesOn =
      reading ? ReadRegisters(action, first, last, hr) : WriteRegisters(action, first, last, hr);
  if (!goesOn) return;
  if (FAILED(hr)) {
    // Registers transferred so far keep their values; the list stays where
    // it is.
    ShowServerError(hr, reading ? IDS_ERR_READ_REGISTER_TITLE : IDS_ERR_WRITE_REGISTER_TITLE,
                    IDS_ERR_REGISTER_OPERATION);
    return;
  }
  registerList.SelectRegister(first);
}

LRESULT CCameraRegsPropPage::OnRead(const fw::Message&, bool&) {
  TransferRange(Transfer::Read);
  return 0;
}

LRESULT CCameraRegsPropPage::OnWrite(const fw::Message&, bool&) {
  TransferRange(Transfer::Write);
  return 0;
}

LRESULT CCameraRegsPropPage::OnListDoubleClick(const fw::Message& m, bool&) {
  const auto* activation = reinterpret_cast<const NMITEMACTIVATE*>(m.lParam);
  if (activation->iSubItem >= CRegistersListView::ColumnBinary &&
      activation->iSubItem <= CRegistersListView::ColumnDecimal)
    registerList.EditSubItem(activation->iItem, activation->iSubItem);
  return 0;
}

LRESULT CCameraRegsPropPage::OnListClick(const fw::Message&, bool&) {
  registerList.HideInPlaceEdit();
  return 0;
}
