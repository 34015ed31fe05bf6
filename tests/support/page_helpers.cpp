#include "tests/support/page_helpers.h"

#include <commctrl.h>

#include <fstream>
#include <iterator>

#include "resources/resource.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/product_dll.h"

namespace test {

HWND OpenCameraOnPage(HostedControl& host, int tab, long mode) {
  host.Server().SetProductMode(mode);
  if (FAILED(host.Start())) return nullptr;
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  if (!host.SelectTab(tab)) return nullptr;
  return host.CurrentPage();
}

void Type(HWND window, const std::string& text) {
  for (char c : text)
    SendMessageA(window, WM_CHAR, static_cast<BYTE>(c), 1);
}

void PressKey(HWND window, WPARAM key) {
  SendMessageA(window, WM_KEYDOWN, key, 1);
  SendMessageA(window, WM_KEYUP, key, 0xC0000001);
}

std::vector<std::string> ListItems(HWND listBox) {
  std::vector<std::string> items;
  char text[64];
  for (int i = 0; SendMessageA(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text)) >= 0; ++i)
    items.push_back(text);
  return items;
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

std::string RowText(HWND list, int row) {
  std::string text = CellText(list, row, 0);
  for (int subItem = 1; subItem < 4; ++subItem)
    text += " " + CellText(list, row, subItem);
  return text;
}

namespace {

// A left-button press (`down`) and release in the middle of a cell.
void ClickAt(HWND list, int row, int subItem, UINT down) {
  ListView_EnsureVisible(list, row, FALSE);
  RECT rect = {};
  // The bounds of sub-item 0 are those of the whole row; its label is the
  // first column's cell.
  ListView_GetSubItemRect(list, row, subItem, subItem == 0 ? LVIR_LABEL : LVIR_BOUNDS, &rect);
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  SendMessageA(list, down, MK_LBUTTON, at);
  SendMessageA(list, WM_LBUTTONUP, 0, at);
}

}  // namespace

void DoubleClickCell(HWND list, int row, int subItem) {
  ClickAt(list, row, subItem, WM_LBUTTONDBLCLK);
}

void ClickCell(HWND list, int row, int subItem) {
  ClickAt(list, row, subItem, WM_LBUTTONDOWN);
}

std::vector<std::string> ShownMessages() {
  std::vector<std::string> shown;
  for (const RecordedMessage& message : MessageRecorder::Messages())
    shown.push_back(message.title + "|" + message.text);
  return shown;
}

std::string ProductText(UINT id) {
  char text[512] = "";
  LoadStringA(ProductModule(), id, text, sizeof text);
  return text;
}

std::vector<std::string> TestResultTexts(HWND page) {
  std::vector<std::string> texts;
  for (int id : {IDC_AVERAGE_BRIGHTNESS, IDC_AVERAGE_COLOUR_DIFFERENCE, IDC_BLEMISH_CLUSTERS,
                 IDC_MAXIMUM_BLEMISH_SIZE, IDC_DEAD_PIXELS, IDC_WEAK_PIXELS, IDC_CORNER_DARKENING})
    texts.push_back(WindowText(GetDlgItem(page, id)));
  return texts;
}

size_t PreviewTempFiles() {
  char folder[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, folder);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((std::string(folder) + "cc*.tmp").c_str(), &found);
  size_t count = 0;
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
    ++count;
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return count;
}

std::string FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace test
