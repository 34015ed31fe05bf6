#include "pages/picture_colours_page.h"

#include "pages/sheet_messages.h"
#include "resources/resource.h"

CPictureColoursPropPage::CPictureColoursPropPage() : fw::PropertyPage(IDD_PICTURE_COLOURS) {}

void CPictureColoursPropPage::EnablePage(BOOL enable) {
  fw::EnableChildWindows(Hwnd(), enable);
}

// The page is usable only while the camera is on.
LRESULT CPictureColoursPropPage::OnInitDialog(const fw::Message&, bool&) {
  if (SheetActivationMask(Hwnd()) != ActivationCameraOn) EnablePage(FALSE);
  return TRUE;
}
