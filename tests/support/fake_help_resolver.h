// The host's help resolver (IHelpFileResolver, CLSID_HelpFileResolver) for
// the tests that want one: while the object lives, its class object is
// registered in this process; it records every path asked and answers
// what the test chose (by default the path unchanged).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "HostFramework.h"
#include "tests/support/class_object.h"
#include "tests/support/text.h"

namespace test {

class FakeHelpResolver {
 public:
  FakeHelpResolver() {
    registration.Register(CLSID_HelpFileResolver, [shared = state](REFIID iid, void** ppv) {
      return fw::CreateComObject<Resolver>(nullptr, iid, ppv, shared);
    });
  }

  // S_OK and this path from now on.
  void ResolveTo(const std::wstring& path) { state->path = path; }
  // The paths asked, in ANSI, in order.
  const std::vector<std::string>& Asked() const { return state->asked; }

 private:
  struct State {
    std::wstring path;  // empty: the path asked, unchanged
    std::vector<std::string> asked;
  };

  class Resolver : public fw::ComObjectRoot, public IHelpFileResolver {
   public:
    explicit Resolver(std::shared_ptr<State> s) : state(std::move(s)) {}

    FW_BEGIN_INTERFACES(Resolver)
    FW_INTERFACE(IHelpFileResolver)
    FW_END_INTERFACES

    STDMETHODIMP ResolveHelpFile(BSTR path, long* reserved, BSTR* resolvedPath) override {
      if (!reserved || !resolvedPath) return E_POINTER;
      const wchar_t* asked = path ? path : L"";
      state->asked.push_back(Narrow(asked));
      *resolvedPath = SysAllocString(state->path.empty() ? asked : state->path.c_str());
      *reserved = 0;
      return S_OK;
    }

   private:
    std::shared_ptr<State> state;
  };

  std::shared_ptr<State> state = std::make_shared<State>();
  ClassRegistration registration;
};

}  // namespace test
