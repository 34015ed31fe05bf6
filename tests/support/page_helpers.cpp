#include "tests/support/page_helpers.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstring>

#include "framework/module.h"
#include "resources/resource.h"
#include "tests/support/message_recorder.h"
#include "tests/support/product_dll.h"

namespace test {

HWND OpenRegistersPage(HostedControl& host) {
  return OpenCameraOnPage(host, 4);
}

HWND OpenCameraOnPage(HostedControl& host, int tab) {
  host.Server().SetProductMode(2);
  if (FAILED(host.Start())) return nullptr;
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  if (!host.SelectTab(tab)) return nullptr;
  return host.CurrentPage();
}

std::vector<int> EnabledChildIds(HWND window) {
  std::vector<int> ids;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsWindowEnabled(child)) ids.push_back(GetDlgCtrlID(child));
  return ids;
}

void Type(HWND window, const std::string& text) {
  for (char c : text)
    SendMessageA(window, WM_CHAR, static_cast<BYTE>(c), 1);
}

void PressKey(HWND window, WPARAM key) {
  SendMessageA(window, WM_KEYDOWN, key, 1);
  SendMessageA(window, WM_KEYUP, key, 0xC0000001);
}

bool Paste(HWND edit, const std::string& text) {
  fw::UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
  if (!block) return false;
  {
    fw::GlobalLock data(block.Get());
    if (!data) return false;
    memcpy(data.Get(), text.c_str(), text.size() + 1);
  }
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  bool placed = SetClipboardData(CF_TEXT, block.Get()) != nullptr;
  if (placed) block.Release();  // the clipboard owns it now
  CloseClipboard();
  if (placed) SendMessageA(edit, WM_PASTE, 0, 0);
  return placed;
}

std::string CellText(HWND list, int row, int subItem) {
  char text[64] = "";
  LVITEMA item = {};
  item.iSubItem = subItem;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

std::vector<std::string> RowTexts(HWND list, int row) {
  std::vector<std::string> texts;
  for (int subItem = 0; subItem < 4; ++subItem)
    texts.push_back(CellText(list, row, subItem));
  return texts;
}

RECT CellRect(HWND list, int row, int subItem) {
  RECT rect = {};
  // The bounds of sub-item 0 are those of the whole row; its label is the
  // first column's cell.
  ListView_GetSubItemRect(list, row, subItem, subItem == 0 ? LVIR_LABEL : LVIR_BOUNDS, &rect);
  return rect;
}

namespace {

// The user scrolls a row into view before clicking it.
LPARAM CellCentre(HWND list, int row, int subItem) {
  ListView_EnsureVisible(list, row, FALSE);
  RECT rect = CellRect(list, row, subItem);
  return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

}  // namespace

void DoubleClickCell(HWND list, int row, int subItem) {
  LPARAM at = CellCentre(list, row, subItem);
  SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(list, WM_LBUTTONUP, 0, at);
}

void ClickCell(HWND list, int row, int subItem) {
  LPARAM at = CellCentre(list, row, subItem);
  SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(list, WM_LBUTTONUP, 0, at);
}

UINT RowState(HWND list, int row) {
  return ListView_GetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED);
}

std::vector<std::string> ShownMessages() {
  std::vector<std::string> shown;
  for (const RecordedMessage& message : MessageRecorder::Messages())
    shown.push_back(message.title + "|" + message.text);
  return shown;
}

StandaloneSheet::StandaloneSheet(ICameraControlFN* server, long mode, long activationMask)
    : parent(CreateWindowExA(WS_EX_CONTROLPARENT, "STATIC", "Standalone sheet",
                             WS_POPUP | WS_VISIBLE, 40, 40, 700, 400, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr)) {
  // Dialogs and strings come from the product DLL, as in the control.
  fw::Module::SetResourceInstance(ProductModule());
  sheet.SetServer(server);
  sheet.AddPagesForMode(mode);
  sheet.CreateSheet(parent.Get());
  sheet.EnablePages(1);
  sheet.SetActivationMask(activationMask);
}

StandaloneSheet::~StandaloneSheet() {
  if (sheet.Hwnd()) DestroyWindow(sheet.Hwnd());
}

HWND StandaloneSheet::SelectPage(int index) {
  if (!sheet.Hwnd()) return nullptr;
  SendMessageA(sheet.Hwnd(), PSM_SETCURSEL, index, 0);
  return PropSheet_GetCurrentPageHwnd(sheet.Hwnd());
}

}  // namespace test
