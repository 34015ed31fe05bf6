#include "control/registration.h"

// Replaced by the registration work in progress.
HRESULT RegisterCameraControlServer() {
  return E_NOTIMPL;
}
HRESULT UnregisterCameraControlServer() {
  return E_NOTIMPL;
}
