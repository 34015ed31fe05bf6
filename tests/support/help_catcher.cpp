#include "tests/support/help_catcher.h"

#include <gtest/gtest.h>

#include <cstring>

namespace test {
namespace {

// The start of WinHelpA's block (as observed under Wine); the file name and
// a data block follow at their offsets (0: none).
#pragma pack(push, 1)
struct WinHelpBlock {
  WORD size, command;   // size of the whole block; HELP_CONTEXT 1, ...
  LONG data, reserved;  // the topic for HELP_CONTEXT; not initialised
  WORD fileOffset, dataOffset;
};
#pragma pack(pop)
static_assert(sizeof(WinHelpBlock) == 16, "WinHelpA's block header is 16 bytes");

}  // namespace

HelpCatcher::HelpCatcher() {
  static const ATOM windowClass = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MS_WINHELP";
    return RegisterClassA(&wc);
  }();
  window.Reset(CreateWindowExA(0, MAKEINTATOM(windowClass), "", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, GetModuleHandleA(nullptr), this));
  if (!window) ADD_FAILURE() << "cannot create the MS_WINHELP window";
}

LRESULT CALLBACK HelpCatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrA(
        window, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<HelpCatcher*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (message != WM_COPYDATA || !self) return DefWindowProcA(window, message, wParam, lParam);
  if (!copy || !copy->lpData || copy->cbData < sizeof(WinHelpBlock)) return FALSE;
  const auto* block = static_cast<const char*>(copy->lpData);
  WinHelpBlock header;
  memcpy(&header, block, sizeof header);
  std::string file;
  if (header.fileOffset && header.fileOffset < copy->cbData)
    file.assign(block + header.fileOffset,
                strnlen(block + header.fileOffset, copy->cbData - header.fileOffset));
  self->requests.push_back({file, header.command, header.data, reinterpret_cast<HWND>(wParam)});
  return TRUE;
}

}  // namespace test
