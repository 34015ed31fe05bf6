// The host's context object: records the members added and the cookies removed.
#pragma once

#include <windows.h>

#include <vector>

#include "HostFramework.h"
#include "framework/com_object.h"

namespace test {

class FakeHostContext : public fw::ComObjectRoot, public IHostContext {
 public:
  FW_BEGIN_INTERFACES(FakeHostContext)
  FW_INTERFACE(IHostContext)
  FW_END_INTERFACES

  // The cookie the next AddMember hands out (each later one adds 1).
  void SetCookie(DWORD cookie) { nextCookie = cookie; }

  size_t RemoveCount() const { return removed.size(); }
  // For identity checks only: the context does not keep them alive.
  const std::vector<IContextMember*>& Members() const { return members; }
  const std::vector<DWORD>& RemovedCookies() const { return removed; }

  STDMETHODIMP AddMember(IContextMember* member, DWORD* cookie) override {
    members.push_back(member);
    if (!cookie) return E_POINTER;
    *cookie = nextCookie++;
    return S_OK;
  }
  STDMETHODIMP RemoveMember(DWORD cookie) override {
    removed.push_back(cookie);
    return S_OK;
  }

 private:
  DWORD nextCookie = 1;
  std::vector<IContextMember*> members;
  std::vector<DWORD> removed;
};

}  // namespace test
