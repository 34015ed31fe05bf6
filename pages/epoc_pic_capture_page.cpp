#include "pages/epoc_pic_capture_page.h"

#include <cstdio>

#include "control/message_boxes.h"
#include "control/wait_cursor.h"
#include "framework/bstr.h"
#include "framework/com_object.h"
#include "pages/server_errors.h"
#include "pages/sheet_messages.h"

namespace {

// Pixel formats of the product cameras, in list order.
constexpr CaptureCode kFormats[] = {
    {1, IDS_FORMAT_BITMAP},
    {2, IDS_FORMAT_YUV},
    {4, IDS_FORMAT_JPEG},
    {8, IDS_FORMAT_RAW},
    {2048, IDS_FORMAT_TEST_JBS28},
    {4096, IDS_FORMAT_TEST_A5A5},
    {8192, IDS_FORMAT_TEST_COLOUR_BAR},
};

// Image sizes of the product cameras, in list order (the product captures
// nothing smaller than CIF, except the tiny thumbnail).
constexpr CaptureCode kSizes[] = {
    {0x1000, IDS_SIZE_TINY}, {0x8, IDS_SIZE_CIF},   {0x40, IDS_SIZE_VGA},   {0x800, IDS_SIZE_PHOTO},
    {0x400, IDS_SIZE_SGA},   {0x200, IDS_SIZE_XGA}, {0x100, IDS_SIZE_SXGA}, {0x80, IDS_SIZE_MPIX},
};

// A flashlight value that means the camera has none.
constexpr long kNoFlashlight = 1;

// Fixed capture parameter that the server expects after the size code,
// as with the camera test.
constexpr long kCaptureParameter = 3;

// CaptureCameraToFile succeeded, but part of the picture data is missing.
constexpr HRESULT kPartialPicture = 0x00040401;

const char kDefaultProductFolder[] = "C:\\Orvik\\Images\\";
constexpr int kProductNameLimit = 100;

// The product delivers JPEG, and bitmap files for the bitmap, YUV and
// JBS28 test formats; everything else is raw data.
const SaveFilter& FilterFor(long format) {
  if (format == kFormatJpeg) return kJpegFilter;
  if (format == kFormatBitmap || format == kFormatTestJbs28 || format == kFormatYuv)
    return kBitmapFilter;
  return kRawFilter;
}

bool IsChecked(HWND button) {
  return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND button, bool checked) {
  SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

CEpocPicCapturePropPage::CEpocPicCapturePropPage() : fw::PropertyPage(IDD_EPOC_PICTURE_CAPTURE) {}

void CEpocPicCapturePropPage::EnablePage(BOOL enable) {
  if (!IsWindow()) return;
  fw::EnableChildWindows(Hwnd(), enable);
  if (enable == TRUE) {
    // The check boxes concern captures to the PC, the name those to the
    // product.
    const BOOL product = location == LocationProduct;
    EnableWindow(acksCheck, !product);
    EnableWindow(showAfterSaveCheck, !product);
    EnableWindow(nameEdit, product);
    EnableWindow(Item(IDC_EPOC_PRODUCT_NAME_GROUP), product);
  }
  const BOOL flashlight = enable && flashCapability != kNoFlashlight;
  EnableWindow(flashOffRadio, flashlight);
  EnableWindow(flashOnRadio, flashlight);
  EnableWindow(flashAntiRedEyeRadio, flashlight);
  // The frame stays readable even without a flashlight.
  EnableWindow(Item(IDC_FLASH_GROUP), TRUE);
}

HRESULT CEpocPicCapturePropPage::GetCameraConfiguration(ICameraControlFN* server, BYTE camera,
                                                        long& formats, long& sizes, BYTE& count,
                                                        long& flash) {
  fw::ComPtr<ICameraControlFNEpoc> epoc;
  if (!server || FAILED(server->QueryInterface(IID_PPV_ARGS(&epoc))) || !epoc) return E_NOINTERFACE;
  long reserved1 = 0;
  long reserved2 = 0;
  return epoc->GetCameraConfiguration(&reserved1, camera, &reserved2, &formats, &sizes, &count,
                                      &flash);
}

LRESULT CEpocPicCapturePropPage::OnInitDialog(const fw::Message&, bool&) {
  // Camera 0 answers for the product as a whole. Whatever fails here
  // leaves the configuration as it was, silently.
  {
    CServerWork::Scope work(ServerWork(), Hwnd(), ServerReference());
    GetCameraConfiguration(work.Server(), 0, formatMask, sizeMask, cameraCount, flashCapability);
    if (work.Check() == CServerWork::Scope::State::WindowGone) return TRUE;
  }

  productRadio = Item(IDC_EPOC_LOCATION_PRODUCT);
  pcRadio = Item(IDC_LOCATION_PC);
  nameEdit = Item(IDC_EPOC_PRODUCT_NAME);
  acksCheck = Item(IDC_USE_ACKS);
  showAfterSaveCheck = Item(IDC_SHOW_IMAGE_AFTER_SAVE);
  flashOffRadio = Item(IDC_FLASH_OFF);
  flashOnRadio = Item(IDC_FLASH_ON);
  flashAntiRedEyeRadio = Item(IDC_FLASH_ANTI_RED_EYE);
  formatList = Item(IDC_FORMAT_LIST);
  sizeList = Item(IDC_SIZE_LIST);
  cameraCombo = Item(IDC_CAMERA_NUMBER);

  SetChecked(productRadio, false);
  SetChecked(pcRadio, true);
  SetWindowTextA(nameEdit, kDefaultProductFolder);
  SendMessageA(nameEdit, EM_LIMITTEXT, kProductNameLimit, 0);
  SetChecked(acksCheck, false);
  SetChecked(showAfterSaveCheck, true);
  SetChecked(flashOffRadio, true);
  SetChecked(flashOnRadio, false);
  SetChecked(flashAntiRedEyeRadio, false);

  FillFormatList(formatMask);
  FillSizeList(sizeMask);
  FillCameraList(1, cameraCount);

  // Usable in every camera state: the sheet does not ask here.
  EnablePage(TRUE);
  return TRUE;
}

void CEpocPicCapturePropPage::FillFormatList(long mask) {
  FillCodeList(formatList, kFormats, mask);
}

void CEpocPicCapturePropPage::FillSizeList(long mask) {
  FillCodeList(sizeList, kSizes, mask);
}

void CEpocPicCapturePropPage::FillCameraList(int first, int last) {
  if (last < first) return;
  for (int number = first; number <= last; ++number) {
    char text[8];
    snprintf(text, sizeof text, "%d", number);
    const LRESULT item = SendMessageA(cameraCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (item >= 0) SendMessageA(cameraCombo, CB_SETITEMDATA, item, number);
  }
  SendMessageA(cameraCombo, CB_SETCURSEL, 0, 0);
  chosenCamera = 0;
}

void CEpocPicCapturePropPage::SetLocation(long newLocation) {
  location = newLocation;
  EnablePage(TRUE);
  SetFocus(nameEdit);
}

LRESULT CEpocPicCapturePropPage::OnLocationProduct(const fw::Message&, bool&) {
  SetLocation(LocationProduct);
  return 0;
}

LRESULT CEpocPicCapturePropPage::OnLocationPC(const fw::Message&, bool&) {
  SetLocation(LocationPC);
  return 0;
}

void CEpocPicCapturePropPage::SetFlashMode(long mode) {
  flashMode = mode;
  SendMessageA(GetParent(Hwnd()), SHM_SETTESTFLASH, static_cast<WPARAM>(flashMode), 0);
}

LRESULT CEpocPicCapturePropPage::OnFlashOff(const fw::Message&, bool&) {
  SetFlashMode(0);
  return 0;
}

LRESULT CEpocPicCapturePropPage::OnFlashOn(const fw::Message&, bool&) {
  SetFlashMode(1);
  return 0;
}

LRESULT CEpocPicCapturePropPage::OnFlashAntiRedEye(const fw::Message&, bool&) {
  SetFlashMode(2);
  return 0;
}

LRESULT CEpocPicCapturePropPage::OnCameraChange(const fw::Message&, bool&) {
  const LRESULT item = SendMessageA(cameraCombo, CB_GETCURSEL, 0, 0);
  if (ServerWork() && ServerWork()->InProgress()) {
    // Another action waits for the server: the choice is not taken, and the
    // list shows the camera whose formats, sizes and flashlight it offers.
    SendMessageA(cameraCombo, CB_SETCURSEL, chosenCamera, 0);
    return 0;
  }
  if (item < 0) {
    ShowError(IDS_ERR_CAMERA_NUMBER_TITLE, IDS_ERR_CAMERA_NUMBER);
    SetFocus(cameraCombo);
    return 0;
  }
  const LRESULT camera = SendMessageA(cameraCombo, CB_GETITEMDATA, item, 0);
  SendMessageA(GetParent(Hwnd()), SHM_SETTESTCAMERA, static_cast<WPARAM>(camera), 0);
  return 0;
}

LRESULT CEpocPicCapturePropPage::OnCameraChosen(const fw::Message&, bool&) {
  CUserAction action(ServerWork(), Hwnd(), ServerReference());
  if (action.Refused()) {
    SendMessageA(cameraCombo, CB_SETCURSEL, chosenCamera, 0);
    return 0;
  }
  const LRESULT item = SendMessageA(cameraCombo, CB_GETCURSEL, 0, 0);
  if (item < 0) return 0;
  chosenCamera = static_cast<int>(item);
  const auto camera = static_cast<BYTE>(SendMessageA(cameraCombo, CB_GETITEMDATA, item, 0));
  long formats = formatMask;
  long sizes = sizeMask;
  BYTE count = cameraCount;
  long flash = flashCapability;
  // A camera that cannot say what it offers leaves the page as it was.
  const HRESULT hr = GetCameraConfiguration(action.Server(), camera, formats, sizes, count, flash);
  if (!action.GoesOn() || FAILED(hr)) return 0;
  formatMask = formats;
  sizeMask = sizes;
  cameraCount = count;
  flashCapability = flash;
  FillFormatList(formatMask);
  FillSizeList(sizeMask);
  // The flashlight radios follow the new camera.
  EnablePage(TRUE);
  return 0;
}

LRESULT CEpocPicCapturePropPage::OnSave(const fw::Message&, bool&) {
  CUserAction action(ServerWork(), Hwnd(), ServerReference());
  if (action.Refused()) return 0;
  fw::ComPtr<ICameraControlFNTest> test = TestInterface(action.Server());
  if (!test) return 0;
  long format = 0;
  long size = 0;
  if (!ChosenFormatAndSize(formatList, sizeList, format, size)) return 0;
  const LRESULT item = SendMessageA(cameraCombo, CB_GETCURSEL, 0, 0);
  if (item < 0) {
    ShowError(IDS_ERR_CAMERA_NUMBER_TITLE, IDS_ERR_CAMERA_NUMBER);
    SetFocus(cameraCombo);
    return 0;
  }
  const auto camera = static_cast<BYTE>(SendMessageA(cameraCombo, CB_GETITEMDATA, item, 0));
  if (location == LocationProduct)
    SaveOnProduct(action, test.Get(), camera, format, size);
  else
    SaveOnPC(action, test.Get(), camera, format, size);
  return 0;
}

void CEpocPicCapturePropPage::SaveOnPC(CUserAction& action, ICameraControlFNTest* test, BYTE camera,
                                       long format, long size) {
  const long acknowledgements = IsChecked(acksCheck) ? 1 : 0;
  PreviewPath chosen;
  const bool picked = ChooseSavePath(Hwnd(), FilterFor(format), chosen);
  if (!action.GoesOn() || !picked) return;
  HRESULT hr = S_OK;
  {
    CWaitCursor wait;
    fw::Bstr path(chosen);
    hr = test->CaptureCameraToFile(path.Get(), camera, format, size, kCaptureParameter, flashMode,
                                   acknowledgements);
  }
  if (!action.GoesOn()) return;
  if (FAILED(hr)) {
    ShowProductSaveError(hr);
    return;
  }
  if (hr == kPartialPicture) {
    ShowInfo(IDS_CAPTURE_WARNING_TITLE, IDS_CAPTURE_PARTIAL_DATA);
    if (!action.GoesOn()) return;
  }
  if (IsChecked(showAfterSaveCheck)) {
    action.Done();  // the preview waits for the user
    // A picture that cannot be shown keeps the folder and name as they were.
    if (!PreviewPicture(Hwnd(), chosen, format, size)) return;
  } else {
    ShowInfo(IDS_CAMERA_TEST_TITLE, IDS_CAPTURE_SUCCESS);
  }
  // Whatever the preview's own Save remembered gives way to this capture.
  RememberSavedPath(chosen);
}

void CEpocPicCapturePropPage::SaveOnProduct(CUserAction& action, ICameraControlFNTest* test,
                                            BYTE camera, long format, long size) {
  ProductName name;
  if (!ReadProductName(nameEdit, name)) return;
  HRESULT hr = S_OK;
  {
    CWaitCursor wait;
    fw::Bstr text(name);
    hr = test->CaptureCameraToProduct(text.Get(), camera, format, size, kCaptureParameter,
                                      flashMode);
  }
  if (!action.GoesOn()) return;
  if (FAILED(hr)) {
    ShowProductSaveError(hr);
    return;
  }
  ShowInfo(IDS_CAMERA_TEST_TITLE, IDS_CAPTURE_SUCCESS);
  if (!action.GoesOn()) return;
  // The Camera Test page fetches the results the product holds now.
  if (HWND sheet = GetParent(Hwnd())) SendMessageA(sheet, SHM_REFRESHTESTRESULTS, 0, 0);
}
