// The modal, resizable "Image Preview" dialog: shows one captured picture
// file at its natural size in a scrolling view (CPreviewWnd) and saves
// copies of the file where the user chooses. Help requests go to the
// camera control's window.
//
//   char folder[kPreviewPathSize] = "C:\\Pictures";
//   char fileName[kPreviewPathSize] = "capture";
//   CPreviewDlg preview(path, &folder, &fileName, format, sizeCode);
//   if (!preview.OpenImageFile()) ShowError(148, 147);
//   else preview.ShowModal(controlWindow, 0);
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "framework/dialog.h"
#include "imaging/image_base.h"
#include "imaging/preview_window.h"
#include "imaging/save_picture_dialog.h"
#include "resources/resource.h"

// A dialog whose help requests go to another window, the help owner, with
// help context `HelpContext`: F1 anywhere in the dialog, and the Help
// button. The owner (the camera control) opens the help topic.
template <DWORD HelpContext>
class CHasHelp : public fw::Dialog {
 protected:
  // Receives the help requests; set when the dialog is run.
  HWND helpOwner = nullptr;

  FW_BEGIN_MESSAGES(CHasHelp)
  FW_MESSAGE(WM_HELP, OnHelp)
  FW_COMMAND(IDHELP, BN_CLICKED, OnHelpButton)
  FW_END_MESSAGES(fw::Dialog)

  // F1: the same request, with this dialog's context when it names none.
  LRESULT OnHelp(const fw::Message& m, bool&) {
    auto* info = reinterpret_cast<HELPINFO*>(m.lParam);
    if (!info) return TRUE;
    if (info->dwContextId == 0) info->dwContextId = HelpContext;
    SendMessageA(helpOwner, WM_HELP, 0, m.lParam);
    return TRUE;
  }

  // The Help button: a request for this dialog's context as a whole.
  LRESULT OnHelpButton(const fw::Message&, bool&) {
    HELPINFO info = {};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = 0;
    info.hItemHandle = nullptr;
    info.dwContextId = HelpContext;
    info.MousePos = {0, 0};
    SendMessageA(helpOwner, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    return 0;
  }
};

#if !defined(_WIN64)
static_assert(sizeof(HELPINFO) == 28, "the help record of the 32-bit system is 28 bytes");
#endif

class CPreviewDlg : public CHasHelp<1> {
 public:
  // `path` is copied (at most kPreviewPathSize - 1 characters); `folder` and
  // `fileName` stay the caller's: the Save dialog starts there and they
  // are updated after a successful save. Either may be null (no Save then).
  CPreviewDlg(const char* path, PreviewPath* folder, PreviewPath* fileName, int32_t format,
              int32_t size);
  ~CPreviewDlg() override;
  CPreviewDlg(const CPreviewDlg&) = delete;
  CPreviewDlg& operator=(const CPreviewDlg&) = delete;

  // Opens the picture file: JPEG (4), Bitmap (1), YUV (2) and Test JBS28
  // (2048) as a picture file, every other format as raw camera data of the
  // given size code. False if an image is already open or the file does
  // not load.
  bool OpenImageFile();
  // Runs the dialog modally; `owner` also receives its help requests. The
  // dialog's creation parameter is this object, so the initial parameter
  // (0 from every caller) is not passed on. If its view cannot be created
  // the dialog is not shown; the picture error (148, 147) is shown instead.
  void ShowModal(HWND owner, LPARAM initParam = 0);

  // The view and the picture, for tests of what the dialog holds.
  const CPreviewWnd& PreviewWindow() const { return previewWindow; }
  CImageBase* Image() const { return image.get(); }

 protected:
  // Help requests are this dialog's only WM_HELP and IDHELP handling: they
  // reach CHasHelp's table unchanged.
  FW_BEGIN_MESSAGES(CPreviewDlg)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_MESSAGE(WM_SIZE, OnSize)
  FW_COMMAND(IDOK, BN_CLICKED, OnClose)
  FW_COMMAND_ID(IDCANCEL, OnClose)
  FW_COMMAND(IDC_PREVIEW_SAVE, BN_CLICKED, OnSave)
  FW_END_MESSAGES(CHasHelp)

  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
  // void OnSize(UINT type, int clientWidth, int clientHeight)
  LRESULT OnSize(const fw::Message& m, bool& handled);
  LRESULT OnClose(const fw::Message& m, bool& handled);
  LRESULT OnSave(const fw::Message& m, bool& handled);

 private:
  // The window rectangle of control `id` in this dialog's client
  // coordinates.
  RECT ClientRectOf(int id) const;
  // Moves control `id` to `rect` and redraws it whole.
  void Place(int id, const RECT& rect);
  // Copies the picture file to `target`, then remembers its folder and name.
  bool SaveCopy(const char* target);

  CPreviewWnd previewWindow;
  std::unique_ptr<CImageBase> image;
  PreviewPath imagePath = {};
  PreviewPath* folder;
  PreviewPath* fileName;
  int32_t format;
  int32_t size;
  // Initial places, in client coordinates, taken once the dialog is laid out.
  RECT closeRect = {};
  RECT helpRect = {};
  RECT saveRect = {};
  RECT groupRect = {};
  RECT previewRect = {};
  // The template's size in pixels: the dialog never lays out smaller.
  int32_t minimumWidth = 0;
  int32_t minimumHeight = 0;
};
