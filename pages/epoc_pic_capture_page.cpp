#include "pages/epoc_pic_capture_page.h"

#include "resources/resource.h"

CEpocPicCapturePropPage::CEpocPicCapturePropPage() : fw::PropertyPage(IDD_EPOC_PICTURE_CAPTURE) {}

void CEpocPicCapturePropPage::EnablePage(BOOL enable) {
  fw::EnableChildWindows(Hwnd(), enable);
}
