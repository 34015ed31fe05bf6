#include "pages/register_access_page.h"

#include "control/message_boxes.h"
#include "pages/picture_values.h"
#include "pages/server_errors.h"
#include "resources/resource.h"

namespace {

bool IsRegisterBit(int bit) {
  return bit >= 0 && bit <= 7;
}

}  // namespace

void CRegisterAccessPage::ReportFailure(UINT titleId, UINT textId) {
  if (reportErrors) ShowError(titleId, textId);
  reportErrors = 0;
}

bool CRegisterAccessPage::ServerPresent() {
  if (Server()) return true;
  ReportFailure(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);
  return false;
}

bool CRegisterAccessPage::ReadRegister(BYTE reg, BYTE& value) {
  if (!ServerPresent()) return false;
  value = 0;
  const HRESULT hr = Server()->ReadRegister(reg, &value);
  if (FAILED(hr)) {
    ReportFailure(IDS_ERR_READ_REGISTER_TITLE, ServerErrorTextId(hr, IDS_ERR_REGISTER_OPERATION));
    return false;
  }
  return true;
}

bool CRegisterAccessPage::WriteRegister(BYTE reg, int value) {
  if (!ServerPresent()) return false;
  if (value < 0 || value > 255) {
    ReportFailure(IDS_ERR_INTERNAL_TITLE, IDS_ERR_INTERNAL);
    return false;
  }
  const HRESULT hr = Server()->WriteRegister(reg, static_cast<BYTE>(value));
  if (FAILED(hr)) {
    ReportFailure(IDS_ERR_WRITE_REGISTER_TITLE, ServerErrorTextId(hr, IDS_ERR_REGISTER_OPERATION));
    return false;
  }
  return true;
}

bool CRegisterAccessPage::ReadRegisterBit(BYTE reg, int bit, bool& set) {
  if (!IsRegisterBit(bit)) {
    ReportFailure(IDS_ERR_INTERNAL_TITLE, IDS_ERR_INTERNAL);
    return false;
  }
  BYTE value = 0;
  if (!ReadRegister(reg, value)) return false;
  set = (value >> bit) & 1;
  return true;
}

bool CRegisterAccessPage::WriteRegisterBit(BYTE reg, int bit, bool set) {
  if (!IsRegisterBit(bit)) {
    ReportFailure(IDS_ERR_INTERNAL_TITLE, IDS_ERR_INTERNAL);
    return false;
  }
  BYTE value = 0;
  if (!ReadRegister(reg, value)) return false;
  return WriteRegister(reg, WithRegisterBit(value, bit, set));
}
