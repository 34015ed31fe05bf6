#include "pages/picture_colours_page.h"

#include "resources/resource.h"

CPictureColoursPropPage::CPictureColoursPropPage() : fw::PropertyPage(IDD_PICTURE_COLOURS) {}

void CPictureColoursPropPage::EnablePage(BOOL enable) { fw::EnableChildWindows(Hwnd(), enable); }
