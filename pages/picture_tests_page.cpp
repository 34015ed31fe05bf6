#include "pages/picture_tests_page.h"

#include "pages/sheet_messages.h"
#include "resources/resource.h"

CPictureTestsPropPage::CPictureTestsPropPage() : fw::PropertyPage(IDD_PICTURE_TESTS) {}

void CPictureTestsPropPage::EnablePage(BOOL enable) {
  fw::EnableChildWindows(Hwnd(), enable);
}

// The page is usable only while the camera is on.
LRESULT CPictureTestsPropPage::OnInitDialog(const fw::Message&, bool&) {
  if (SheetActivationMask(Hwnd()) != ActivationCameraOn) EnablePage(FALSE);
  return TRUE;
}
