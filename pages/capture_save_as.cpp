#include "pages/capture_save_as.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "control/message_boxes.h"
#include "framework/module.h"
#include "pages/install_path.h"
#include "resources/resource.h"

namespace {

// List texts are at most 30 characters.
constexpr int kListTextLength = 30;

}  // namespace

void FillCodeList(HWND list, const CaptureCode* rows, size_t count, long mask) {
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < count; ++i) {
    if ((mask & rows[i].code) == 0) continue;
    char text[kListTextLength + 1] = "";
    LoadStringA(fw::Module::ResourceInstance(), rows[i].textId, text, sizeof text);
    const LRESULT item = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (item >= 0) SendMessageA(list, LB_SETITEMDATA, item, rows[i].code);
  }
  SendMessageA(list, LB_SETCURSEL, 0, 0);
}

bool SelectedCode(HWND list, long& code) {
  const LRESULT item = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (item < 0) return false;
  code = static_cast<long>(SendMessageA(list, LB_GETITEMDATA, item, 0));
  return true;
}

CCaptureSaveAs::CCaptureSaveAs() {
  snprintf(fileName, sizeof fileName, "%s", "Image1");
  std::string installPath;
  if (GetInstallPath(installPath)) snprintf(folder, sizeof folder, "%s", installPath.c_str());
}

bool CCaptureSaveAs::ChosenFormatAndSize(HWND formatList, HWND sizeList, long& format, long& size) {
  if (!SelectedCode(formatList, format)) {
    ShowError(IDS_ERR_IMAGE_FORMAT_TITLE, IDS_ERR_IMAGE_FORMAT);
    SetFocus(formatList);
    return false;
  }
  if (!SelectedCode(sizeList, size)) {
    ShowError(IDS_ERR_IMAGE_SIZE_TITLE, IDS_ERR_IMAGE_SIZE);
    SetFocus(sizeList);
    return false;
  }
  return true;
}

bool CCaptureSaveAs::ChooseSavePath(HWND owner, const SaveFilter& filter,
                                    PreviewPath& chosen) const {
  // An empty default extension: a name typed without one takes the filter's.
  return ChooseSavePicturePath(owner, filter, "", folder, fileName, chosen);
}

void CCaptureSaveAs::RememberSavedPath(const char* path) {
  RememberSavedFile(path, folder, fileName);
}

bool CCaptureSaveAs::PreviewPicture(HWND page, const char* path, long format, long size) {
  CPreviewDlg preview(path, &folder, &fileName, format, size);
  if (!preview.OpenImageFile()) {
    ShowError(IDS_ERR_DISPLAY_IMAGE_TITLE, IDS_ERR_DISPLAY_IMAGE);
    return false;
  }
  if (HWND sheet = GetParent(page)) preview.ShowModal(GetParent(sheet), 0);
  return true;
}

bool ReadProductName(HWND edit, ProductName& name) {
  name[0] = '\0';
  GetWindowTextA(edit, name, sizeof name);
  if (name[0]) return true;
  ShowError(IDS_ERR_NO_FILENAME_TITLE, IDS_ERR_NO_FILENAME);
  SetFocus(edit);
  return false;
}
