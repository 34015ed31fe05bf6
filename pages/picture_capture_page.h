// The Picture Capture page: captures pictures in a chosen format and size.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/base_property_page.h"

class CPictureCapturePropPage : public fw::PropertyPage, public virtual CBasePropertyPage {
 public:
  CPictureCapturePropPage();
  void EnablePage(BOOL enable) override;

 protected:
  FW_BEGIN_MESSAGES(CPictureCapturePropPage)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_END_MESSAGES(fw::PropertyPage)

  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
};
