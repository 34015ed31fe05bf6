// Driving the property pages as a user does: reaching a page, typing,
// clicking and double-clicking list cells, reading texts back.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "CameraControlFN.h"
#include "tests/support/hosted_control.h"

namespace test {

// Starts the control in `mode`, switches the camera on and selects tab `tab`
// (in mode 2: 1 Picture Capture ... 4 Registers). Returns the page window.
HWND OpenCameraOnPage(HostedControl& host, int tab, long mode = 2);
inline HWND OpenRegistersPage(HostedControl& host) {
  return OpenCameraOnPage(host, 4);
}

// Types `text` (WM_CHAR), presses and releases a key (WM_KEYDOWN, WM_KEYUP).
void Type(HWND window, const std::string& text);
void PressKey(HWND window, WPARAM key);

// The item texts of a list box.
std::vector<std::string> ListItems(HWND listBox);

// Texts of a report-style list: one cell, or a row's four separated by spaces.
std::string CellText(HWND list, int row, int subItem);
std::string RowText(HWND list, int row);
// A double-click and a click in the middle of a cell, scrolled into view.
void DoubleClickCell(HWND list, int row, int subItem);
void ClickCell(HWND list, int row, int subItem);
// State bits (LVIS_SELECTED, LVIS_FOCUSED) of a row.
inline UINT RowState(HWND list, int row) {
  return ListView_GetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED);
}

// The error messages shown since the last Clear, as "title|text"; a string
// of the product's string table, and a message as ShownMessages lists it.
std::vector<std::string> ShownMessages();
std::string ProductText(UINT id);
inline std::string Msg(UINT titleId, UINT textId) {
  return ProductText(titleId) + "|" + ProductText(textId);
}

// The seven result figures of the Camera Test page, as shown.
std::vector<std::string> TestResultTexts(HWND page);

// The preview's temporary files (cc*.tmp) in the temporary folder.
size_t PreviewTempFiles();

// The bytes of a file; the folder of the test pictures.
std::string FileBytes(const std::string& path);
const std::string kImages = KVR_SOURCE_DIR "/tests/fixtures/images/";

}  // namespace test
