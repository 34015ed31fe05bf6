#include "control/context_member.h"

STDMETHODIMP CContextMember::JoinContext(IHostContext* newContext) {
  if (!newContext) return E_POINTER;
  context = newContext;
  return context->AddMember(this, &cookie);
}

STDMETHODIMP CContextMember::AttachContext(IHostContext* newContext) {
  if (!newContext) return E_POINTER;
  context = newContext;
  return S_OK;
}

CContextMember::~CContextMember() {
  if (context && cookie != 0) context->RemoveMember(cookie);
  context.Reset();
}
