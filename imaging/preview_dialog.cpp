#include "imaging/preview_dialog.h"

#include <cstdio>
#include <cstring>

#include "control/message_boxes.h"
#include "framework/module.h"
#include "imaging/image.h"
#include "imaging/raw_image.h"

namespace {

// The dialog template's size in dialog units.
constexpr LONG kTemplateWidth = 251;
constexpr LONG kTemplateHeight = 211;

// Where the view sits inside the group box, in pixels (the top leaves room
// for the box's caption).
constexpr LONG kViewInsetLeft = 15;
constexpr LONG kViewInsetTop = 25;
constexpr LONG kViewInsetRight = 15;
constexpr LONG kViewInsetBottom = 15;

const char kPreviewWindowName[] = "Common Camera Component Tool Preview Wnd";
constexpr DWORD kPreviewWindowStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_HSCROLL | WS_VSCROLL;

// Copies `text` into `buffer`, cut to fit, always zero-terminated.
template <size_t N>
void CopyText(char (&buffer)[N], const char* text) {
  snprintf(buffer, N, "%s", text ? text : "");
}

const SaveFilter& FilterFor(int32_t format) {
  if (format == kFormatJpeg) return kJpegFilter;
  if (format == kFormatBitmap) return kBitmapFilter;
  return kRawFilter;
}

RECT Moved(const RECT& rect, LONG dx, LONG dy) {
  return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

RECT Grown(const RECT& rect, LONG dx, LONG dy) {
  return {rect.left, rect.top, rect.right + dx, rect.bottom + dy};
}

}  // namespace

CPreviewDlg::CPreviewDlg(const char* path, PreviewPath* folder, PreviewPath* fileName,
                         int32_t format, int32_t size)
    : folder(folder), fileName(fileName), format(format), size(size) {
  CopyText(imagePath, path);
}

CPreviewDlg::~CPreviewDlg() = default;

bool CPreviewDlg::OpenImageFile() {
  if (image) return false;
  std::unique_ptr<CImageBase> opened;
  if (format == kFormatJpeg || format == kFormatBitmap || format == kFormatYuv ||
      format == kFormatTestJbs28) {
    opened = std::make_unique<CImage>();
  } else {
    auto raw = std::make_unique<CRawImage>();
    // A rejected code leaves the raw image without a size, so the load
    // below fails.
    raw->SetFormatAndSize(format, size);
    opened = std::move(raw);
  }
  if (!opened->LoadFromFile(imagePath)) return false;
  image = std::move(opened);
  return true;
}

void CPreviewDlg::ShowModal(HWND owner, LPARAM) {
  helpOwner = owner;
  RunModal(IDD_IMAGE_PREVIEW, owner);
}

RECT CPreviewDlg::ClientRectOf(int id) const {
  RECT rect = {};
  GetWindowRect(Item(id), &rect);
  MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void CPreviewDlg::Place(int id, const RECT& rect) {
  HWND control = Item(id);
  SetWindowPos(control, nullptr, rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top, SWP_NOZORDER);
  InvalidateRect(control, nullptr, TRUE);
}

LRESULT CPreviewDlg::OnInitDialog(const fw::Message&, bool&) {
  RECT view = ClientRectOf(IDC_PREVIEW_GROUP);
  view.left += kViewInsetLeft;
  view.top += kViewInsetTop;
  view.right -= kViewInsetRight;
  view.bottom -= kViewInsetBottom;
  if (!previewWindow.Create(Hwnd(), view, kPreviewWindowName, kPreviewWindowStyle, 0,
                            IDC_PREVIEW_WINDOW)) {
    // Without its view the dialog would open empty: it ends before it is
    // shown and says that the picture cannot be displayed.
    EndDialog(0);
    ShowError(IDS_ERR_DISPLAY_IMAGE_TITLE, IDS_ERR_DISPLAY_IMAGE);
    return 0;
  }
  previewWindow.SetImage(image.get());
  previewWindow.ShowImage();

  RECT minimum = {0, 0, kTemplateWidth, kTemplateHeight};
  MapDialogRect(Hwnd(), &minimum);
  minimumWidth = minimum.right - minimum.left;
  minimumHeight = minimum.bottom - minimum.top;

  // A shared icon of the module: the system frees it, not the dialog.
  if (HICON icon = LoadIconA(fw::Module::ResourceInstance(), MAKEINTRESOURCEA(IDI_CAMERA))) {
    SendMessageA(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }

  groupRect = ClientRectOf(IDC_PREVIEW_GROUP);
  saveRect = ClientRectOf(IDC_PREVIEW_SAVE);
  closeRect = ClientRectOf(IDOK);
  helpRect = ClientRectOf(IDHELP);
  previewRect = ClientRectOf(IDC_PREVIEW_WINDOW);
  return 0;  // the focus stays where the system put it
}

LRESULT CPreviewDlg::OnSize(const fw::Message& m, bool& handled) {
  if (minimumWidth == 0) {
    handled = false;  // not laid out yet
    return 0;
  }
  const LONG width = LOWORD(m.lParam);
  const LONG height = HIWORD(m.lParam);
  // Below the template's size nothing moves: a smaller window just clips.
  const LONG dx = width > minimumWidth ? width - minimumWidth : 0;
  const LONG dy = height > minimumHeight ? height - minimumHeight : 0;
  Place(IDHELP, Moved(helpRect, dx, dy));
  Place(IDOK, Moved(closeRect, dx, dy));
  Place(IDC_PREVIEW_SAVE, Moved(saveRect, dx, dy));
  Place(IDC_PREVIEW_WINDOW, Grown(previewRect, dx, dy));
  Place(IDC_PREVIEW_GROUP, Grown(groupRect, dx, dy));
  return 0;
}

LRESULT CPreviewDlg::OnClose(const fw::Message&, bool&) {
  EndDialog(0);
  return 0;
}

LRESULT CPreviewDlg::OnSave(const fw::Message&, bool&) {
  if (!folder || !fileName) return 0;
  PreviewPath chosen;
  const SaveFilter& filter = FilterFor(format);
  if (!ChooseSavePicturePath(Hwnd(), filter, filter.extension, *folder, *fileName, chosen))
    return 0;  // cancelled

  if (!SaveCopy(chosen)) ShowError(IDS_ERR_SAVE_FILE_TITLE, IDS_ERR_SAVE_FILE);
  return 0;
}

bool CPreviewDlg::SaveCopy(const char* target) {
  // Byte for byte, whatever extension the user chose; the Save dialog has
  // already asked before replacing a file.
  if (!CopyFileA(imagePath, target, FALSE)) return false;

  // The next Save starts in the same folder with the same name.
  RememberSavedFile(target, *folder, *fileName);
  return true;
}
