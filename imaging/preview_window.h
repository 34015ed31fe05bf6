// The picture view of the Image Preview dialog: a child window that holds
// the picture, drawn once into a screen-compatible bitmap kept selected in a
// memory DC, and shows it at its natural size (one screen pixel per picture
// pixel) with scroll bars. Painting and scrolling only copy the visible
// block out of the memory DC; nothing is decoded again.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/handles.h"
#include "framework/window.h"
#include "imaging/image_base.h"

class CPreviewWnd : public fw::Window {
 public:
  CPreviewWnd() = default;
  // Gives the memory DC its original bitmap back, then deletes the picture
  // bitmap and the memory DC.
  ~CPreviewWnd() override;

  // Creates the view in a window class of its own (redrawn whole on every
  // size change, double clicks, the window colour as background, arrow
  // cursor).
  HWND Create(HWND parent, const RECT& rect, LPCSTR name, DWORD style, DWORD exStyle, UINT_PTR id);

  // The picture to show; borrowed, the dialog owns it.
  void SetImage(CImageBase* picture) { image = picture; }
  // Draws the picture into a new bitmap and sets the scroll ranges. Without
  // a size or a bitmap the view stays white with hidden scroll bars.
  void ShowImage();
  // Hides the scroll bars, whites the window, drops the picture bitmap and
  // starts over with a new empty memory DC and all positions and sizes 0.
  void ResetView();
  // Clamp the scroll position to the picture size less the client size and
  // set the scroll bar; a bar that is not needed is disabled.
  void UpdateHorzScrollBar();
  void UpdateVertScrollBar();

  // What the view holds, for the dialog's tests.
  HDC MemoryDC() const { return memoryDC.Get(); }
  HBITMAP PictureBitmap() const { return pictureBitmap.Get(); }

 protected:
  FW_BEGIN_MESSAGES(CPreviewWnd)
  FW_MESSAGE(WM_CREATE, OnCreate)
  FW_MESSAGE(WM_SIZE, OnSize)
  FW_MESSAGE(WM_HSCROLL, OnHScroll)
  FW_MESSAGE(WM_VSCROLL, OnVScroll)
  FW_MESSAGE(WM_ERASEBKGND, OnEraseBackground)
  FW_MESSAGE(WM_PAINT, OnPaint)
  FW_END_MESSAGES(fw::Window)

  LRESULT OnCreate(const fw::Message& m, bool& handled);
  // void OnSize(UINT type, int clientWidth, int clientHeight)
  LRESULT OnSize(const fw::Message& m, bool& handled);
  // void OnHScroll(int request = LOWORD(wParam), int thumb = HIWORD(wParam))
  LRESULT OnHScroll(const fw::Message& m, bool& handled);
  LRESULT OnVScroll(const fw::Message& m, bool& handled);
  // BOOL OnEraseBackground(HDC dc)
  LRESULT OnEraseBackground(const fw::Message& m, bool& handled);
  LRESULT OnPaint(const fw::Message& m, bool& handled);

 private:
  // Selects the original bitmap back into the memory DC and deletes the
  // picture bitmap, if one is selected.
  void ReleasePictureBitmap();
  // The new scroll position for a scroll request, clamped to 0 ... maximum.
  static int32_t ScrollTo(WPARAM request, int32_t position, int32_t page, int32_t maximum);
  // Sets one scroll bar from the picture extent and the client extent.
  void UpdateScrollBar(int bar, int32_t imageExtent, int32_t clientExtent, int32_t& position,
                       int32_t& maximum);
  int32_t ClientWidth() const;
  int32_t ClientHeight() const;

  CImageBase* image = nullptr;
  fw::UniqueMemoryDC memoryDC;
  // The bitmap memoryDC held before the picture bitmap was selected into
  // it; non-null exactly while a picture bitmap is selected.
  HBITMAP previousBitmap = nullptr;
  // The picture bitmap, owned here while it is selected into memoryDC.
  fw::UniqueBitmap pictureBitmap;
  int32_t scrollX = 0;
  int32_t maxScrollX = 0;
  int32_t scrollY = 0;
  int32_t maxScrollY = 0;
  int32_t imageWidth = 0;
  int32_t imageHeight = 0;
};
