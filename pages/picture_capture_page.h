// The Picture Capture page: captures pictures in a chosen format and size.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/base_property_page.h"

class CPictureCapturePropPage : public fw::PropertyPage, public virtual CBasePropertyPage {
 public:
  CPictureCapturePropPage();
  void EnablePage(BOOL enable) override;
};
