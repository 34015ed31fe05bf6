#include "control/help_file.h"

#include <cstdlib>
#include <cstring>

#include "HostFramework.h"
#include "framework/bstr.h"
#include "framework/com_object.h"
#include "framework/module.h"

void GetModuleFolder(char (&folder)[MAX_PATH]) {
  folder[0] = '\0';
  char path[MAX_PATH];
  if (!fw::Module::FileName(path, MAX_PATH)) return;
  char drive[_MAX_DRIVE];
  char directory[_MAX_DIR];
  if (_splitpath_s(path, drive, sizeof drive, directory, sizeof directory, nullptr, 0, nullptr,
                   0) != 0)
    return;
  if (_makepath_s(folder, sizeof folder, drive, directory, nullptr, nullptr) != 0) {
    folder[0] = '\0';
    return;
  }
  size_t length = strlen(folder);
  if ((length == 0 || folder[length - 1] != '\\') && length + 1 < sizeof folder) {
    folder[length] = '\\';
    folder[length + 1] = '\0';
  }
}

BOOL ShowHelpFile(HWND window, const char* path, UINT command, DWORD_PTR data) {
  fw::ComPtr<IHelpFileResolver> resolver;
  if (SUCCEEDED(
          CoCreateInstance(CLSID_HelpFileResolver, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&resolver)))) {
    fw::Bstr widePath(path);
    long reserved = 0;
    fw::Bstr resolved;
    if (SUCCEEDED(resolver->ResolveHelpFile(widePath.Get(), &reserved, resolved.Out())) &&
        !resolved.Empty()) {
      char resolvedPath[512];
      fw::WideToAnsi(resolved.Get(), resolvedPath, sizeof resolvedPath);
      return WinHelpA(window, resolvedPath, command, data);
    }
  }
  return WinHelpA(window, path, command, data);
}
