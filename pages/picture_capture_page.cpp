#include "pages/picture_capture_page.h"

#include "resources/resource.h"

CPictureCapturePropPage::CPictureCapturePropPage() : fw::PropertyPage(IDD_PICTURE_CAPTURE) {}

void CPictureCapturePropPage::EnablePage(BOOL enable) { fw::EnableChildWindows(Hwnd(), enable); }
