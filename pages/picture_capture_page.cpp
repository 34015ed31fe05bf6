#include "pages/picture_capture_page.h"

#include "control/message_boxes.h"
#include "control/wait_cursor.h"
#include "framework/bstr.h"
#include "pages/server_errors.h"
#include "pages/sheet_messages.h"

namespace {

// Pixel formats in list order.
constexpr CaptureCode kFormats[] = {
    {4, IDS_FORMAT_JPEG},     {16, IDS_FORMAT_RGB444},  {32, IDS_FORMAT_RGB565},
    {64, IDS_FORMAT_YUV400},  {128, IDS_FORMAT_YUV420}, {256, IDS_FORMAT_YUV422},
    {512, IDS_FORMAT_RGB888}, {1024, IDS_FORMAT_BAYER},
};

// Image sizes in list order, smallest first.
constexpr CaptureCode kSizes[] = {
    {0x1000, IDS_SIZE_TINY}, {0x2, IDS_SIZE_SUBQCIF}, {0x10, IDS_SIZE_QQVGA},
    {0x4, IDS_SIZE_QCIF},    {0x20, IDS_SIZE_QVGA},   {0x8, IDS_SIZE_CIF},
    {0x40, IDS_SIZE_VGA},    {0x800, IDS_SIZE_PHOTO}, {0x400, IDS_SIZE_SGA},
    {0x200, IDS_SIZE_XGA},   {0x100, IDS_SIZE_SXGA},  {0x80, IDS_SIZE_MPIX},
};

constexpr int kProductNameLimit = 100;

// A new, empty, uniquely named file in the system's temporary folder,
// deleted when the object goes, whichever way the preview ends.
class TemporaryFile {
 public:
  explicit TemporaryFile(const char* prefix) {
    char tempFolder[MAX_PATH] = "";
    const DWORD length = GetTempPathA(sizeof tempFolder, tempFolder);
    if (length == 0 || length >= sizeof tempFolder) return;
    if (GetTempFileNameA(tempFolder, prefix, 0, path) == 0) path[0] = '\0';
  }
  ~TemporaryFile() {
    if (path[0]) DeleteFileA(path);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Created() const { return path[0] != '\0'; }
  const char* Path() const { return path; }

 private:
  char path[MAX_PATH] = "";
};

}  // namespace

CPictureCapturePropPage::CPictureCapturePropPage() : fw::PropertyPage(IDD_PICTURE_CAPTURE) {}

void CPictureCapturePropPage::EnablePage(BOOL enable) {
  if (!IsWindow()) return;
  fw::EnableChildWindows(Hwnd(), enable);
  const BOOL nameUsable = location == LocationProduct && enable == TRUE;
  EnableWindow(Item(IDC_PRODUCT_NAME_GROUP), nameUsable);
  EnableWindow(nameEdit, nameUsable);
}

LRESULT CPictureCapturePropPage::OnInitDialog(const fw::Message&, bool&) {
  CServerWork::Scope work(ServerWork(), Hwnd(), ServerReference());
  if (work.Server()) {
    // Only the two masks matter here. A failed call leaves them as they
    // were: nothing on the first opening, the last answer after a mode change.
    long mode = 0;
    long reserved = 0;
    work.Server()->GetProductConfiguration(&mode, 0, &reserved, &formatMask, &sizeMask);
    if (work.Check() == CServerWork::Scope::State::WindowGone) return TRUE;
  }
  productRadio = Item(IDC_LOCATION_PRODUCT);
  pcRadio = Item(IDC_LOCATION_PC);
  nameEdit = Item(IDC_PRODUCT_NAME);
  formatList = Item(IDC_FORMAT_LIST);
  sizeList = Item(IDC_SIZE_LIST);

  location = LocationPC;
  SendMessageA(productRadio, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(pcRadio, BM_SETCHECK, BST_CHECKED, 0);
  SetWindowTextA(nameEdit, "");
  SendMessageA(nameEdit, EM_LIMITTEXT, kProductNameLimit, 0);

  FillFormatList(formatMask);
  FillSizeList(sizeMask);

  // Pictures can be taken only while the camera is on.
  EnablePage(SheetActivationMask(Hwnd()) == ActivationCameraOn);
  return TRUE;
}

void CPictureCapturePropPage::FillFormatList(long mask) {
  FillCodeList(formatList, kFormats, mask);
}

void CPictureCapturePropPage::FillSizeList(long mask) {
  FillCodeList(sizeList, kSizes, mask);
}

LRESULT CPictureCapturePropPage::OnLocationProduct(const fw::Message&, bool&) {
  location = LocationProduct;
  EnablePage(TRUE);
  return 0;
}

LRESULT CPictureCapturePropPage::OnLocationPC(const fw::Message&, bool&) {
  location = LocationPC;
  EnablePage(TRUE);
  return 0;
}

LRESULT CPictureCapturePropPage::OnPreview(const fw::Message&, bool&) {
  // The preview always goes through a file on the PC, whatever the
  // location.
  CUserAction action(ServerWork(), Hwnd(), ServerReference());
  if (action.Refused() || !action.HasServer()) return 0;
  long format = 0;
  long size = 0;
  if (!ChosenFormatAndSize(formatList, sizeList, format, size)) return 0;

  TemporaryFile picture("cc");
  if (!picture.Created()) {
    ShowError(IDS_ERR_PREVIEW_IMAGE_TITLE, IDS_ERR_CAPTURE);
    return 0;
  }
  {
    CWaitCursor wait;
    fw::Bstr path(picture.Path());
    const HRESULT hr = action.Server()->CaptureToFile(path.Get(), format, size, 0);
    if (!action.GoesOn()) return 0;
    if (FAILED(hr)) {
      ShowServerError(hr, IDS_ERR_PREVIEW_IMAGE_TITLE, IDS_ERR_CAPTURE);
      return 0;
    }
  }
  action.Done();  // the preview waits for the user
  PreviewPicture(Hwnd(), picture.Path(), format, size);
  return 0;
}

LRESULT CPictureCapturePropPage::OnSave(const fw::Message&, bool&) {
  CUserAction action(ServerWork(), Hwnd(), ServerReference());
  if (action.Refused() || !action.HasServer()) return 0;
  long format = 0;
  long size = 0;
  if (!ChosenFormatAndSize(formatList, sizeList, format, size)) return 0;
  if (location == LocationProduct)
    SaveOnProduct(action, format, size);
  else
    SaveOnPC(action, format, size);
  return 0;
}

void CPictureCapturePropPage::SaveOnPC(CUserAction& action, long format, long size) {
  PreviewPath chosen;
  const bool picked =
      ChooseSavePath(Hwnd(), format == kFormatJpeg ? kJpegFilter : kRawFilter, chosen);
  if (!action.GoesOn() || !picked) return;
  HRESULT hr = S_OK;
  {
    CWaitCursor wait;
    fw::Bstr path(chosen);
    hr = action.Server()->CaptureToFile(path.Get(), format, size, 0);
  }
  if (!action.GoesOn()) return;
  if (FAILED(hr)) {
    ShowServerError(hr, IDS_ERR_SAVE_IMAGE_TITLE, IDS_ERR_CAPTURE);
    return;
  }
  ShowInfo(IDS_CAMERA_TEST_TITLE, IDS_CAPTURE_SUCCESS);
  RememberSavedPath(chosen);
}

void CPictureCapturePropPage::SaveOnProduct(CUserAction& action, long format, long size) {
  // A folder and file name on the product, without extension, passed on
  // as typed.
  ProductName name;
  if (!ReadProductName(nameEdit, name)) return;
  HRESULT hr = S_OK;
  {
    CWaitCursor wait;
    fw::Bstr text(name);
    hr = action.Server()->CaptureToProduct(text.Get(), format, size);
  }
  if (!action.GoesOn()) return;
  if (FAILED(hr))
    ShowServerError(hr, IDS_ERR_SAVE_IMAGE_TITLE, IDS_ERR_CAPTURE);
  else
    ShowInfo(IDS_CAMERA_TEST_TITLE, IDS_CAPTURE_SUCCESS);
}
