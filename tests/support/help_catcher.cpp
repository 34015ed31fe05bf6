#include "tests/support/help_catcher.h"

#include <gtest/gtest.h>

namespace test {

namespace {

const char kClassName[] = "MS_WINHELP";

#pragma pack(push, 1)
struct WinHelpBlock {
  WORD size;
  WORD command;
  LONG data;
  LONG reserved;
  WORD fileOffset;
  WORD dataOffset;
};
#pragma pack(pop)
static_assert(sizeof(WinHelpBlock) == 16, "WinHelpA's block header is 16 bytes");

ATOM RegisterCatcherClass(WNDPROC proc) {
  static ATOM atom = 0;
  if (!atom) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    atom = RegisterClassA(&windowClass);
  }
  return atom;
}

// A zero-terminated string at `offset` inside the block, or "" if it
// does not lie inside.
std::string StringAt(const char* block, DWORD size, WORD offset) {
  if (offset == 0 || offset >= size) return std::string();
  const char* start = block + offset;
  size_t length = strnlen(start, size - offset);
  return std::string(start, length);
}

}  // namespace

HelpCatcher::HelpCatcher() {
  RegisterCatcherClass(&HelpCatcher::WindowProc);
  window.Reset(CreateWindowExA(0, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleA(nullptr), this));
  if (!window) ADD_FAILURE() << "cannot create the MS_WINHELP window";
}

HelpCatcher::~HelpCatcher() = default;

LRESULT CALLBACK HelpCatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<HelpCatcher*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_COPYDATA && self)
    return self->OnCopyData(reinterpret_cast<HWND>(wParam),
                            reinterpret_cast<const COPYDATASTRUCT*>(lParam));
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT HelpCatcher::OnCopyData(HWND from, const COPYDATASTRUCT* data) {
  if (!data || !data->lpData || data->cbData < sizeof(WinHelpBlock)) return FALSE;
  const auto* block = static_cast<const char*>(data->lpData);
  WinHelpBlock header;
  memcpy(&header, block, sizeof header);
  HelpRequest request;
  request.file = StringAt(block, data->cbData, header.fileOffset);
  request.command = header.command;
  request.data = header.data;
  request.owner = from;
  requests.push_back(request);
  return TRUE;
}

}  // namespace test
