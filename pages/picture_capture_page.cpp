#include "pages/picture_capture_page.h"

#include "pages/sheet_messages.h"
#include "resources/resource.h"

CPictureCapturePropPage::CPictureCapturePropPage() : fw::PropertyPage(IDD_PICTURE_CAPTURE) {}

void CPictureCapturePropPage::EnablePage(BOOL enable) {
  fw::EnableChildWindows(Hwnd(), enable);
}

// The page is usable only while the camera is on.
LRESULT CPictureCapturePropPage::OnInitDialog(const fw::Message&, bool&) {
  if (SheetActivationMask(Hwnd()) != ActivationCameraOn) EnablePage(FALSE);
  return TRUE;
}
