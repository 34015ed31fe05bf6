#include "pages/registers_page.h"

#include "resources/resource.h"

CCameraRegsPropPage::CCameraRegsPropPage() : fw::PropertyPage(IDD_REGISTERS) {}

void CCameraRegsPropPage::EnablePage(BOOL enable) {
  fw::EnableChildWindows(Hwnd(), enable);
}
