#include "pages/picture_tests_page.h"

#include "resources/resource.h"

CPictureTestsPropPage::CPictureTestsPropPage() : fw::PropertyPage(IDD_PICTURE_TESTS) {}

void CPictureTestsPropPage::EnablePage(BOOL enable) { fw::EnableChildWindows(Hwnd(), enable); }
