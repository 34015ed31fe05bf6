// The Picture Tests page: the camera's test pattern generator.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/base_property_page.h"

class CPictureTestsPropPage : public fw::PropertyPage, public virtual CBasePropertyPage {
 public:
  CPictureTestsPropPage();
  void EnablePage(BOOL enable) override;

 protected:
  FW_BEGIN_MESSAGES(CPictureTestsPropPage)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_END_MESSAGES(fw::PropertyPage)

  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
};
