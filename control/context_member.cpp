#include "control/context_member.h"

#include "framework/call_scope.h"

STDMETHODIMP CContextMember::JoinContext(IHostContext* newContext) {
  fw::CallScope call;  // the context may call back, or let go of the control
  if (!newContext) return E_POINTER;
  fw::ComPtr<IHostContext> joined(newContext);
  context = joined;
  DWORD newCookie = 0;
  const HRESULT hr = joined->AddMember(this, &newCookie);
  // A context joined again meanwhile keeps its own membership.
  if (context == joined) cookie = newCookie;
  return hr;
}

STDMETHODIMP CContextMember::AttachContext(IHostContext* newContext) {
  if (!newContext) return E_POINTER;
  context = newContext;
  return S_OK;
}

void CContextMember::LeaveContext() {
  fw::ComPtr<IHostContext> left = std::move(context);
  const DWORD leftCookie = cookie;
  cookie = 0;
  if (left && leftCookie != 0) left->RemoveMember(leftCookie);
}

CContextMember::~CContextMember() {
  LeaveContext();
}
