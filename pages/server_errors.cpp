#include "pages/server_errors.h"

#include "control/message_boxes.h"
#include "resources/resource.h"

namespace {

// A run of consecutive failure codes whose texts are consecutive strings.
struct CodeRange {
  DWORD firstCode;
  DWORD lastCode;
  UINT firstTextId;
};

constexpr CodeRange kServerCodes[] = {
    {0x80040402, 0x8004041C, IDS_RESULT_NO_PRODUCT_NAME},
    {0x80040423, 0x80040425, IDS_RESULT_FILE_SYSTEM},
};

struct CodeText {
  DWORD code;
  UINT textId;
};

constexpr CodeText kProductSaveCodes[] = {
    {0x8004041D, IDS_ERR_SAVE_MODE},
    {0x8004041F, IDS_ERR_SAVE_NO_CAMERA},
    {0x80040420, IDS_ERR_SAVE_NOT_ACCESSIBLE},
    {0x80040421, IDS_ERR_SAVE_NO_RESULTS},
};

}  // namespace

UINT ServerErrorTextId(HRESULT result, UINT defaultTextId) {
  const auto code = static_cast<DWORD>(result);
  for (const CodeRange& range : kServerCodes)
    if (code >= range.firstCode && code <= range.lastCode)
      return range.firstTextId + static_cast<UINT>(code - range.firstCode);
  return defaultTextId;
}

void ShowServerError(HRESULT result, UINT titleId, UINT defaultTextId) {
  ShowError(titleId, ServerErrorTextId(result, defaultTextId));
}

UINT ProductSaveErrorTextId(HRESULT result) {
  const auto code = static_cast<DWORD>(result);
  for (const CodeText& entry : kProductSaveCodes)
    if (entry.code == code) return entry.textId;
  return IDS_ERR_CAPTURE;
}

void ShowProductSaveError(HRESULT result) {
  ShowError(IDS_ERR_SAVE_IMAGE_TITLE, ProductSaveErrorTextId(result));
}
