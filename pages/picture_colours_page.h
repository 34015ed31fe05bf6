// The Picture Colours page: the picture-tuning registers as sliders and check boxes.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/base_property_page.h"

class CPictureColoursPropPage : public fw::PropertyPage, public virtual CBasePropertyPage {
 public:
  CPictureColoursPropPage();
  void EnablePage(BOOL enable) override;

 protected:
  FW_BEGIN_MESSAGES(CPictureColoursPropPage)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_END_MESSAGES(fw::PropertyPage)

  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
};
