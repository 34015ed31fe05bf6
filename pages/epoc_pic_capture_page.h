// The picture capture page of the product modes, with camera number and flashlight.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/base_property_page.h"

class CEpocPicCapturePropPage : public fw::PropertyPage, public virtual CBasePropertyPage {
 public:
  CEpocPicCapturePropPage();
  void EnablePage(BOOL enable) override;
};
