// The picture capture page of the product modes: captures a picture from
// one of the product's cameras, with the flashlight mode, into a file on
// the PC (shown afterwards if asked) or on the product. The camera and the
// flashlight mode chosen here also go to the Camera Test page.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/base_property_page.h"
#include "pages/capture_save_as.h"
#include "resources/resource.h"

class CEpocPicCapturePropPage : public fw::PropertyPage,
                                public virtual CBasePropertyPage,
                                protected CCaptureSaveAs {
 public:
  CEpocPicCapturePropPage();
  // Enables or disables every control, then: the product name is usable
  // only for the product, the PC's check boxes only for the PC, the
  // flashlight radios only with a flashlight.
  void EnablePage(BOOL enable) override;

 protected:
  FW_BEGIN_MESSAGES(CEpocPicCapturePropPage)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_COMMAND(IDC_EPOC_LOCATION_PRODUCT, BN_CLICKED, OnLocationProduct)
  FW_COMMAND(IDC_LOCATION_PC, BN_CLICKED, OnLocationPC)
  FW_COMMAND(IDC_FLASH_OFF, BN_CLICKED, OnFlashOff)
  FW_COMMAND(IDC_FLASH_ON, BN_CLICKED, OnFlashOn)
  FW_COMMAND(IDC_FLASH_ANTI_RED_EYE, BN_CLICKED, OnFlashAntiRedEye)
  FW_COMMAND(IDC_CAMERA_NUMBER, CBN_SELCHANGE, OnCameraChange)
  FW_COMMAND(IDC_CAMERA_NUMBER, CBN_SELENDOK, OnCameraChosen)
  FW_COMMAND(IDC_EPOC_SAVE, BN_CLICKED, OnSave)
  FW_END_MESSAGES(fw::PropertyPage)

  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
  LRESULT OnLocationProduct(const fw::Message& m, bool& handled);
  LRESULT OnLocationPC(const fw::Message& m, bool& handled);
  LRESULT OnFlashOff(const fw::Message& m, bool& handled);
  LRESULT OnFlashOn(const fw::Message& m, bool& handled);
  LRESULT OnFlashAntiRedEye(const fw::Message& m, bool& handled);
  // Tells the Camera Test page the camera chosen.
  LRESULT OnCameraChange(const fw::Message& m, bool& handled);
  // Offers the formats and sizes of the camera chosen.
  LRESULT OnCameraChosen(const fw::Message& m, bool& handled);
  LRESULT OnSave(const fw::Message& m, bool& handled);

 private:
  // Asks the server what `camera` offers, through its configuration
  // interface; E_NOINTERFACE without one.
  static HRESULT GetCameraConfiguration(ICameraControlFN* server, BYTE camera, long& formats,
                                        long& sizes, BYTE& count, long& flash);
  void FillFormatList(long mask);
  void FillSizeList(long mask);
  // Lists the camera numbers first to last.
  void FillCameraList(int first, int last);
  void SetLocation(long newLocation);
  void SetFlashMode(long mode);
  // `action` is done before the picture is shown.
  void SaveOnPC(CUserAction& action, ICameraControlFNTest* test, BYTE camera, long format,
                long size);
  void SaveOnProduct(CUserAction& action, ICameraControlFNTest* test, BYTE camera, long format,
                     long size);

  HWND productRadio = nullptr;
  HWND pcRadio = nullptr;
  HWND nameEdit = nullptr;
  HWND acksCheck = nullptr;
  HWND showAfterSaveCheck = nullptr;
  HWND flashOffRadio = nullptr;
  HWND flashOnRadio = nullptr;
  HWND flashAntiRedEyeRadio = nullptr;
  HWND formatList = nullptr;
  HWND sizeList = nullptr;
  HWND cameraCombo = nullptr;
  long location = LocationPC;
  long flashMode = 0;
  long formatMask = 0;
  long sizeMask = 0;
  // 1: the camera has no flashlight.
  long flashCapability = 1;
  BYTE cameraCount = 1;
  // The list row of the camera whose configuration the page offers.
  int chosenCamera = 0;
};
