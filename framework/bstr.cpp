#include "framework/bstr.h"

namespace fw {

Bstr::Bstr(const char* text) {
  if (!text) return;
  int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 0) return;
  value = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
  if (value) MultiByteToWideChar(CP_ACP, 0, text, -1, value, length);
}

int WideToAnsi(const wchar_t* text, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  if (!text) return 0;
  int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return 0;
  if (needed <= size) {
    WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, size, nullptr, nullptr);
    return needed - 1;
  }
  // Too long: convert whole characters until the buffer is full.
  int written = 0;
  for (const wchar_t* p = text; *p; ++p) {
    char bytes[8];
    int n = WideCharToMultiByte(CP_ACP, 0, p, 1, bytes, sizeof bytes, nullptr, nullptr);
    if (n <= 0 || written + n > size - 1) break;
    memcpy(buffer + written, bytes, static_cast<size_t>(n));
    written += n;
  }
  buffer[written] = '\0';
  return written;
}

}  // namespace fw
