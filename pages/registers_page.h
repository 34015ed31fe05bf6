// The Registers page: reads and writes the camera's registers.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/base_property_page.h"

class CCameraRegsPropPage : public fw::PropertyPage, public virtual CBasePropertyPage {
 public:
  CCameraRegsPropPage();
  void EnablePage(BOOL enable) override;
};
