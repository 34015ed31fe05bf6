#include "pages/install_path.h"

#include <windows.h>

#include <cstring>

#include "framework/handles.h"

namespace {

constexpr char kInstallPathKey[] = "Software\\Orvik Mobile Phones\\BexShared\\Common\\InstPath";
constexpr DWORD kInstallPathSize = 256;

}  // namespace

bool GetInstallPath(std::string& path) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallPathKey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return false;
  fw::UniqueRegKey key(opened);
  char buffer[kInstallPathSize] = {};
  DWORD size = sizeof buffer;
  if (RegQueryValueExA(key.Get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                       &size) != ERROR_SUCCESS)
    return false;
  // A value that fills the buffer exactly has no terminator of its own.
  path.assign(buffer, strnlen(buffer, sizeof buffer));
  return true;
}
