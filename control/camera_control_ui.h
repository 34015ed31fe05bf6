// The camera control. (Skeleton: the COM identity only; the composite
// control is being built.)
#pragma once

#include <windows.h>

#include "KVRCmnCameraControlUI.h"
#include "framework/com_object.h"

class CCameraControlUI : public fw::ComObjectRoot, public ICameraControlUI {
 public:
  FW_BEGIN_INTERFACES(CCameraControlUI)
  FW_INTERFACE(ICameraControlUI)
  FW_INTERFACE(IDispatch)
  FW_END_INTERFACES

  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override;
};
