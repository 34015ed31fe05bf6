// The host's help resolver, registered in this process while it lives: it
// records every path asked and answers the path chosen (by default the same).
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

  void ResolveTo(const std::wstring& path) { state->path = path; }
  const std::vector<std::string>& Asked() const { return state->asked; }

 private:
  struct State {
    std::wstring path;  // empty: the path asked
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
