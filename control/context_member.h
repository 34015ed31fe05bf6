// Membership in the host's context: the host joins the control to its
// context object, and the control leaves it when it is destroyed.
#pragma once

#include <windows.h>

#include "HostFramework.h"
#include "framework/com_object.h"

class CContextMember : public IContextMember {
 public:
  STDMETHODIMP JoinContext(IHostContext* newContext) override;
  STDMETHODIMP AttachContext(IHostContext* newContext) override;

 protected:
  CContextMember() = default;
  ~CContextMember();

  // Leaves the context (RemoveMember with the cookie) and releases it; the
  // control calls it while it is still whole, since the context may call
  // back.
  void LeaveContext();

 private:
  fw::ComPtr<IHostContext> context;
  DWORD cookie = 0;
};
