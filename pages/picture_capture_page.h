// The Picture Capture page: captures a picture in a pixel format and image
// size that the server offers, previews it through a temporary file, or
// saves it in a file on the PC or on the product.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/base_property_page.h"
#include "pages/capture_save_as.h"
#include "resources/resource.h"

class CPictureCapturePropPage : public fw::PropertyPage,
                                public virtual CBasePropertyPage,
                                protected CCaptureSaveAs {
 public:
  CPictureCapturePropPage();
  // Enables or disables every control; the name on the product is usable
  // only while the product is the chosen location.
  void EnablePage(BOOL enable) override;

 protected:
  FW_BEGIN_MESSAGES(CPictureCapturePropPage)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_COMMAND(IDC_LOCATION_PRODUCT, BN_CLICKED, OnLocationProduct)
  FW_COMMAND(IDC_LOCATION_PC, BN_CLICKED, OnLocationPC)
  FW_COMMAND(IDC_PREVIEW, BN_CLICKED, OnPreview)
  FW_COMMAND(IDC_SAVE, BN_CLICKED, OnSave)
  FW_END_MESSAGES(fw::PropertyPage)

  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
  LRESULT OnLocationProduct(const fw::Message& m, bool& handled);
  LRESULT OnLocationPC(const fw::Message& m, bool& handled);
  // Captures into a temporary file and shows it in the Image Preview
  // dialog.
  LRESULT OnPreview(const fw::Message& m, bool& handled);
  // Captures into a file on the PC chosen with Save As, or into the named
  // file on the product.
  LRESULT OnSave(const fw::Message& m, bool& handled);

 private:
  void FillFormatList(long mask);
  void FillSizeList(long mask);
  void SaveOnPC(CUserAction& action, long format, long size);
  void SaveOnProduct(CUserAction& action, long format, long size);

  HWND productRadio = nullptr;
  HWND pcRadio = nullptr;
  HWND nameEdit = nullptr;
  HWND formatList = nullptr;
  HWND sizeList = nullptr;
  long formatMask = 0;
  long sizeMask = 0;
  long location = LocationPC;
};
