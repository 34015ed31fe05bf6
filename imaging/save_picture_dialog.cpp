#include "imaging/save_picture_dialog.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "framework/module.h"

const SaveFilter kJpegFilter = {"JPEG Images (*.jpg)", "*.jpg", "jpg"};
const SaveFilter kBitmapFilter = {"Bitmap Images (*.bmp)", "*.bmp", "bmp"};
const SaveFilter kRawFilter = {"RAW Images (*.raw)", "*.raw", "raw"};

namespace {

const char kSaveTitle[] = "Save Camera Image As";
constexpr DWORD kSaveFlags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_LONGNAMES;
constexpr size_t kFilterSize = 256;

// "name\0pattern\0\0" in `buffer`; left empty if the texts do not fit.
void BuildFilter(char (&buffer)[kFilterSize], const SaveFilter& filter) {
  memset(buffer, 0, sizeof buffer);
  const size_t nameLength = strlen(filter.name);
  const size_t patternLength = strlen(filter.pattern);
  if (nameLength + patternLength + 3 > sizeof buffer) return;
  memcpy(buffer, filter.name, nameLength);
  memcpy(buffer + nameLength + 1, filter.pattern, patternLength);
}

}  // namespace

bool ChooseSavePicturePath(HWND owner, const SaveFilter& filter, const char* defaultExtension,
                           const char* folder, const char* fileName, PreviewPath& chosen) {
  memset(chosen, 0, sizeof chosen);
  snprintf(chosen, sizeof chosen, "%s", fileName ? fileName : "");
  char filterText[kFilterSize];
  BuildFilter(filterText, filter);

  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.hInstance = fw::Module::ResourceInstance();
  dialog.lpstrFilter = filterText;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = chosen;
  dialog.nMaxFile = sizeof chosen;
  dialog.lpstrInitialDir = folder;
  dialog.lpstrTitle = kSaveTitle;
  dialog.Flags = kSaveFlags;
  dialog.lpstrDefExt = defaultExtension;
  return GetSaveFileNameA(&dialog) != FALSE;
}

void RememberSavedFile(const char* path, PreviewPath& folder, PreviewPath& fileName) {
  const char* backslash = strrchr(path, '\\');
  if (!backslash) return;
  PreviewPath name;
  snprintf(name, sizeof name, "%s", backslash + 1);
  if (char* dot = strrchr(name, '.')) *dot = '\0';
  snprintf(fileName, sizeof fileName, "%s", name);
  snprintf(folder, sizeof folder, "%.*s", static_cast<int>(backslash - path), path);
}
