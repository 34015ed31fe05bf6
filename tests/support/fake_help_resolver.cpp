#include "tests/support/fake_help_resolver.h"

#include "HostFramework.h"
#include "framework/com_object.h"
#include "tests/support/text.h"

namespace test {

struct FakeHelpResolver::State {
  std::wstring path;  // empty: the path asked, unchanged
  std::vector<std::wstring> asked;
};

namespace {

class HelpFileResolver : public fw::ComObjectRoot, public IHelpFileResolver {
 public:
  explicit HelpFileResolver(std::shared_ptr<FakeHelpResolver::State> s) : state(std::move(s)) {}

  FW_BEGIN_INTERFACES(HelpFileResolver)
  FW_INTERFACE(IHelpFileResolver)
  FW_END_INTERFACES

  STDMETHODIMP ResolveHelpFile(BSTR path, long* reserved, BSTR* resolvedPath) override {
    if (!reserved || !resolvedPath) return E_POINTER;
    state->asked.push_back(path ? path : L"");
    const wchar_t* answer = state->path.empty() ? (path ? path : L"") : state->path.c_str();
    *resolvedPath = SysAllocString(answer);
    *reserved = 0;
    return S_OK;
  }

 private:
  std::shared_ptr<FakeHelpResolver::State> state;
};

}  // namespace

FakeHelpResolver::FakeHelpResolver() : state(std::make_shared<State>()) {
  std::shared_ptr<State> shared = state;
  registration.Register(CLSID_HelpFileResolver, [shared](REFIID iid, void** ppv) {
    return fw::CreateComObject<HelpFileResolver>(nullptr, iid, ppv, shared);
  });
}

FakeHelpResolver::~FakeHelpResolver() = default;

void FakeHelpResolver::ResolveTo(const std::wstring& path) {
  state->path = path;
}

std::vector<std::string> FakeHelpResolver::Asked() const {
  std::vector<std::string> result;
  for (const auto& path : state->asked)
    result.push_back(Narrow(path));
  return result;
}

}  // namespace test
