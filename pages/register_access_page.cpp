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

ICameraControlFN* CRegisterAccessPage::PassServer() {
  if (!PassGoesOn()) return nullptr;
  if (ICameraControlFN* server = pass->Server()) return server;
  ReportFailure(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);
  return nullptr;
}

bool CRegisterAccessPage::ReadRegister(BYTE reg, BYTE& value) {
  ICameraControlFN* server = PassServer();
  if (!server) return false;
  value = 0;
  const HRESULT hr = server->ReadRegister(reg, &value);
  if (!PassGoesOn()) return false;
  if (FAILED(hr)) {
    ReportFailure(IDS_ERR_READ_REGISTER_TITLE, ServerErrorTextId(hr, IDS_ERR_REGISTER_OPERATION));
    return false;
  }
  return true;
}

bool CRegisterAccessPage::WriteRegister(BYTE reg, int value) {
  ICameraControlFN* server = PassServer();
  if (!server) return false;
  if (value < 0 || value > 255) {
    ReportFailure(IDS_ERR_INTERNAL_TITLE, IDS_ERR_INTERNAL);
    return false;
  }
  const HRESULT hr = server->WriteRegister(reg, static_cast<BYTE>(value));
  if (!PassGoesOn()) return false;
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
